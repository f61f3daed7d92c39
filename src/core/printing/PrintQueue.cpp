#include "core/printing/PrintQueue.h"

#include "core/store/DataFolder.h"

#include <QDir>
#include <QSaveFile>

PrintQueue::PrintQueue(const QString& dataFolder, QObject* parent)
    : QObject(parent), m_path(QDir(dataFolder).filePath(DataFolder::PrintQueueFileName))
{
    m_file.setFileName(m_path);
}

PrintQueue::~PrintQueue()
{
    m_file.close();
}

bool PrintQueue::add(const Printing::RecipeRecord& record, QString* error)
{
    if (error)
        error->clear();
    if (record.name.trimmed().isEmpty())
        return false;

    const bool starting = !m_file.isOpen();
    if (starting) {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (error)
                *error = QStringLiteral("The print list %1 could not be created: %2")
                             .arg(m_path, m_file.errorString());
            return false;
        }
        m_count = 0;
    }

    // Flushed per record so the file on disk always ends with whole records.
    const QByteArray bytes = Printing::JoinFileLines(Printing::QueueRecordLines(record)).toUtf8();
    const bool written = m_file.write(bytes) == bytes.size() && m_file.flush();
    if (!written) {
        if (error)
            *error = QStringLiteral("The drink could not be added to the print list %1: %2")
                         .arg(m_path, m_file.errorString());
        if (starting)
            m_file.close(); // never collecting into a file that could not be started
        return false;
    }
    ++m_count;
    if (starting)
        Q_EMIT collectingChanged(true);
    return true;
}

void PrintQueue::clear()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    m_count = 0;
    Q_EMIT collectingChanged(false);
}

QStringList PrintQueue::readLines(QString* error) const
{
    if (error)
        error->clear();
    QFile in(m_path);
    if (!in.exists())
        return {};
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("The print list %1 could not be read: %2").arg(m_path, in.errorString());
        return {};
    }
    return Printing::SplitFileLines(QString::fromUtf8(in.readAll()));
}

bool PrintQueue::rewrite(const QList<Printing::RecipeRecord>& records, QString* error)
{
    if (error)
        error->clear();
    if (isCollecting()) {
        if (error)
            *error = QStringLiteral("The print list is collecting drinks and is not replaced.");
        return false;
    }
    QStringList lines;
    for (const Printing::RecipeRecord& r : records)
        lines << Printing::QueueRecordLines(r);
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error =
                QStringLiteral("The print list %1 could not be written: %2").arg(m_path, out.errorString());
        return false;
    }
    out.write(Printing::JoinFileLines(lines).toUtf8());
    if (!out.commit()) {
        if (error)
            *error =
                QStringLiteral("The print list %1 could not be written: %2").arg(m_path, out.errorString());
        return false;
    }
    return true;
}
