#include "core/slideshow/PictureList.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace PictureList {

QStringList parse(const QByteArray& content)
{
    QStringList entries;
    const QString text = QString::fromUtf8(content);
    QString field;
    bool quoted = false;   // inside a quoted entry
    bool wasQuoted = false;
    // Whether the field so far is blanks only, kept as we go: trimming the field at every quote
    // made a long line of quotes take minutes.
    bool blank = true;
    const auto finish = [&]() {
        const QString entry = wasQuoted ? field : field.trimmed();
        if (!entry.isEmpty())
            entries.append(entry);
        field.clear();
        wasQuoted = false;
        blank = true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field.append(c); // a doubled quote inside a quoted entry is one quote
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field.append(c);
                blank = blank && c.isSpace();
            }
            continue;
        }
        if (c == QLatin1Char('"') && blank) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == QLatin1Char(',') || c == QLatin1Char('\n')) {
            finish();
        } else if (c == QLatin1Char('\r')) {
            // part of the line end
        } else if (!wasQuoted) {
            field.append(c);
            blank = blank && c.isSpace();
        }
    }
    finish();
    return entries;
}

QStringList read(const QString& path)
{
    QFile file(path);
    if (file.size() > MaxFileSize || !file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

bool write(const QString& path, const QStringList& entries, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    for (const QString& entry : entries) {
        // An entry the reader would split or trim goes between quotes, its own quotes doubled.
        const bool plain = !entry.contains(QLatin1Char(',')) && !entry.contains(QLatin1Char('"')) &&
                           entry.trimmed() == entry;
        file.write(plain ? entry.toUtf8()
                         : (QLatin1Char('"') + QString(entry).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                            QLatin1Char('"'))
                               .toUtf8());
        file.write("\r\n");
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString resolve(const QString& entry, const QString& dataFolder)
{
    if (entry.startsWith(RelativePrefix, Qt::CaseInsensitive)) {
        QString rest = entry.mid(RelativePrefix.size());
        rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return QDir(dataFolder).filePath(QStringLiteral("Images/") + rest);
    }
    return entry;
}

QSize shrinkToFit(QSize size)
{
    double w = size.width();
    double h = size.height();
    while (w > MaxWidthTwips || h > MaxHeightTwips) {
        w *= 0.95;
        h *= 0.95;
    }
    return QSize(int(w), int(h));
}

} // namespace PictureList
