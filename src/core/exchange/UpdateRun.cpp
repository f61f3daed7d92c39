#include "core/exchange/UpdateRun.h"

#include "core/exchange/ExchangeClient.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateFiles.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/Sqlite.h"

#include <QDate>
#include <QDir>
#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

namespace Online {

UpdateRun::UpdateRun(const QUrl& serviceRoot, int timeoutMs, QObject* parent)
    : QObject(parent), m_client(new ExchangeClient(serviceRoot, timeoutMs, this))
{
}

UpdateRun::~UpdateRun()
{
    abandon();
}

void UpdateRun::setNewerVersionQuestion(std::function<bool(const QString& version)> ask)
{
    m_askNewerVersion = std::move(ask);
}

QUrl UpdateRun::downloadPage() const
{
    return m_client->address(QStringLiteral("/download.asp"));
}

void UpdateRun::setStatus(const QString& text)
{
    m_status = text;
    Q_EMIT statusChanged(text);
}

void UpdateRun::setState(int row, const QString& state)
{
    m_items[row].state = state;
    Q_EMIT itemChanged(row);
}

QString UpdateRun::localFile(const QString& name) const
{
    return QDir(m_folder->path()).filePath(name);
}

void UpdateRun::start()
{
    if (m_started)
        return;
    m_started = true;
    // The date of the shipped drinks is the first "last update".
    if (ModuleRegistry::ReadText(ModuleRegistry::LastUpdate).trimmed().isEmpty())
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, ModuleRegistry::ReleaseDate);
    // The run starts only once the service is known to answer, so the check and the run never
    // overlap however slow the check is.
    m_client->CheckInternet([this](bool connected) {
        if (!connected) {
            Q_EMIT connectionFailed();
            Q_EMIT finished();
            return;
        }
        m_running = true;
        QTimer::singleShot(m_startDelayMs, this, [this] {
            if (m_running)
                run();
        });
    });
}

void UpdateRun::run()
{
    setStatus(QStringLiteral("Checking for updates, please wait...."));
    // Downloads go into a folder of the run's own (readable by this user only), never into the
    // data folder, where a name the service gives could match a file of the user or the program.
    m_folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("tumblerix-update-XXXXXX")));
    m_folder->setAutoRemove(false);
    if (!m_folder->isValid()) {
        setStatus(QStringLiteral("No folder for the downloads can be made: ") + m_folder->errorString());
        m_folder.reset();
        end();
        return;
    }
    m_lastUpdateText = ModuleRegistry::ReadText(ModuleRegistry::LastUpdate);
    m_mark = ReadUpdateMark();
    // With the documents of the last day known, that day is asked for again: one released later
    // that day is then offered too.
    const QString since = m_mark && m_mark->stems ? FormatExchangeDate(m_mark->day.addDays(-1)) : m_lastUpdateText;
    m_client->get(QStringLiteral("/QZ/GetDrinkUpdates.asp?hash_code=") + OnlineSettings::InstallationCode() +
                      QStringLiteral("&last_update=") + since,
                  MaxDocumentBytes, [this](const FetchResult& index) {
                      indexArrived(index.ok ? index.body : QByteArray(), index.ok ? QString() : index.error);
                  });
}

void UpdateRun::indexArrived(const QByteArray& index, const QString& error)
{
    m_client->get(QStringLiteral("/QZ/QZversion.txt"), 4096, [this, index, error](const FetchResult& version) {
        if (!error.isEmpty())
            setStatus(QStringLiteral("The list of updates could not be fetched: ") + error);
        versionArrived(index, QString::fromUtf8(version.body), version.ok);
    });
}

void UpdateRun::versionArrived(const QByteArray& index, const QString& version, bool versionOk)
{
    // A version that could not be fetched says nothing about a newer one.
    if (versionOk && OnlineSettings::IsNewerVersion(version) && m_askNewerVersion &&
        m_askNewerVersion(version.trimmed())) {
        m_running = false;
        Q_EMIT newerVersionChosen(downloadPage());
        end();
        return;
    }
    if (QString::fromUtf8(index).trimmed().isEmpty()) {
        Q_EMIT indexUnavailable();
        end();
        return;
    }
    readIndex(index);
}

void UpdateRun::readIndex(const QByteArray& index)
{
    QString error;
    if (!WriteFile(localFile(UpdateIndexFileName), index + '\n', &error)) {
        setStatus(error);
        end();
        return;
    }
    m_downloaded << localFile(UpdateIndexFileName);
    const std::optional<QList<UpdateIndexItem>> entries = ReadUpdateIndex(index, &error);
    if (!entries) {
        Q_EMIT indexUnreadable(error);
        setStatus(QStringLiteral("The list of updates cannot be read."));
        end();
        return;
    }

    QStringList problems;
    if (!m_mark) {
        problems << QStringLiteral("The date of the last update, \"%1\", cannot be read; updates since %2 were "
                                   "asked for.")
                        .arg(m_lastUpdateText, ModuleRegistry::ReleaseDate);
        m_mark = UpdateMark{*ParseExchangeDate(ModuleRegistry::ReleaseDate), std::nullopt};
    }
    m_queue = SelectUpdates(*entries, *m_mark, &problems);
    if (m_queue.size() > m_maxDocuments) {
        problems << QStringLiteral("The service offers %1 documents; this check takes the first %2 (up to %3), "
                                   "the next check the rest.")
                        .arg(m_queue.size())
                        .arg(m_maxDocuments)
                        .arg(m_queue.at(m_maxDocuments - 1).date);
        m_queue.resize(m_maxDocuments);
        m_cut = true;
    }
    for (const QueuedUpdate& update : std::as_const(m_queue))
        m_items.append({update.date, update.count, update.stem, QStringLiteral("Queued For Download"), true});
    Q_EMIT itemsQueued();
    if (!problems.isEmpty())
        Q_EMIT entriesSkipped(problems);
    if (m_items.isEmpty()) {
        m_updatesFound = false;
        setStatus(QStringLiteral("You have the latest update."));
        end();
        return;
    }
    m_updatesFound = true;
    setStatus(QStringLiteral("Downloading Drink Updates Please Wait"));
    downloadItem(0);
}

void UpdateRun::leaveFrom(int row, const QString& why)
{
    for (int r = row; r < m_items.size(); ++r) {
        m_items[r].ok = false;
        m_items[r].left = true;
        setState(r, QStringLiteral("Left for the next check"));
    }
    m_cut = true;
    Q_EMIT entriesSkipped({why});
}

void UpdateRun::downloadItem(int row)
{
    if (!m_running)
        return;
    if (row < m_items.size() && m_bytes >= m_maxBytes) {
        leaveFrom(row, QStringLiteral("This check has downloaded %1 MiB, as much as one check takes; the next "
                                      "check fetches the rest.")
                           .arg(m_bytes / (1024 * 1024)));
        row = int(m_items.size());
    }
    if (row >= m_items.size()) {
        setStatus(QStringLiteral("Adding Drink Updates Please Wait"));
        QTimer::singleShot(0, this, [this] { addItem(0); });
        return;
    }
    setState(row, QStringLiteral("Downloading drink file"));
    const QString stem = m_items.at(row).stem;
    const qint64 allowed = std::min(MaxDocumentBytes, m_maxBytes - m_bytes);
    m_client->get(QStringLiteral("/QZ/") + stem + QStringLiteral(".xml"), allowed,
                  [this, row, stem, allowed](const FetchResult& document) {
                      if (document.tooLarge && allowed < MaxDocumentBytes) {
                          // Too large for what is left of this run, not for a run.
                          m_bytes = m_maxBytes;
                          downloadItem(row);
                          return;
                      }
                      QString error = document.error;
                      const QString path = localFile(stem + QStringLiteral(".xml"));
                      if (document.ok && WriteFile(path, document.body, &error)) {
                          m_downloaded << path;
                          m_bytes += document.body.size();
                          setState(row, QStringLiteral("Download complete"));
                      } else {
                          m_items[row].ok = false;
                          setState(row, QStringLiteral("Download failed"));
                          m_failures << QStringLiteral("%1: %2").arg(stem, error);
                      }
                      downloadItem(row + 1);
                  });
}

void UpdateRun::addItem(int row)
{
    if (!m_running)
        return;
    if (row >= m_items.size()) {
        finishAdding();
        return;
    }
    if (!m_items.at(row).ok) {
        QTimer::singleShot(0, this, [this, row] { addItem(row + 1); });
        return;
    }
    setState(row, QStringLiteral("Adding drinks to database"));
    // The document is read on another thread, so that the window keeps painting through a large
    // one; the drinks are added here, where the database is.
    const QString path = localFile(m_items.at(row).stem + QStringLiteral(".xml"));
    auto* reading = new QFutureWatcher<std::pair<std::optional<QList<ExchangeDrink>>, QString>>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, row] {
        reading->deleteLater();
        const auto& [drinks, error] = reading->result();
        addDrinks(row, drinks, error);
    });
    reading->setFuture(QtConcurrent::run([path] {
        QString error;
        std::optional<QList<ExchangeDrink>> drinks = ReadDocumentFile(path, &error);
        return std::make_pair(std::move(drinks), error);
    }));
}

void UpdateRun::addDrinks(int row, const std::optional<QList<ExchangeDrink>>& drinks, const QString& readError)
{
    if (!m_running)
        return;
    Item& item = m_items[row];
    const QString path = localFile(item.stem + QStringLiteral(".xml"));
    if (!drinks) {
        // A document that cannot be read will not read better next time: it is passed over for good.
        item.ok = false;
        item.taken = true;
        setState(row, QStringLiteral("Not added"));
        m_refusals << QStringLiteral("%1 (released %2): %3").arg(item.stem, item.date, readError);
    } else {
        QString error;
        try {
            const AddRecordsResult added = AddNewRecordsToDatabase(*drinks);
            m_addedAny = true;
            m_unknownGlasses += added.unknownGlasses;
            item.taken = true;
            setState(row, QStringLiteral("Drink Update Completed"));
        } catch (const Sql::Error& e) {
            error = e.message();
        } catch (const Lib::TextCodingError& e) {
            error = e.message();
        }
        if (!item.taken) {
            item.ok = false;
            setState(row, QStringLiteral("Not added"));
            m_failures << QStringLiteral("%1 (released %2): %3").arg(item.stem, item.date, error);
        }
    }
    DestroyFile(path);
    m_downloaded.removeAll(path);
    // One document per turn of the event loop, so a window stays painted between documents.
    QTimer::singleShot(0, this, [this, row] { addItem(row + 1); });
}

void UpdateRun::finishAdding()
{
    // The mark moves over the documents taken in a row from the oldest; one that failed (and
    // everything after it) is asked for again next time, drinks added now being skipped then.
    qsizetype taken = 0;
    while (taken < m_items.size() && m_items.at(taken).taken)
        ++taken;
    const bool whole = taken == m_items.size() && !m_cut;
    WriteUpdateMark(NextUpdateMark(*m_mark, m_queue, taken, whole, QDate::currentDate()));
    if (m_failures.isEmpty()) {
        QString status = m_cut ? QStringLiteral("Drink updates added; the next check fetches the rest.")
                               : QStringLiteral("Drink Database Completed.  Enjoy!");
        if (m_unknownGlasses > 0)
            status += m_unknownGlasses == 1
                          ? QStringLiteral("  1 new drink names a glass this program does not know.")
                          : QStringLiteral("  %1 of the new drinks name a glass this program does not know.")
                                .arg(m_unknownGlasses);
        if (!m_refusals.isEmpty())
            status += m_refusals.size() == 1
                          ? QStringLiteral("  1 document could not be read and was passed over.")
                          : QStringLiteral("  %1 documents could not be read and were passed over.")
                                .arg(m_refusals.size());
        setStatus(status);
    } else {
        setStatus(QStringLiteral("The drink update is not complete; the next check will try again."));
        Q_EMIT incomplete(m_failures);
    }
    if (!m_refusals.isEmpty())
        Q_EMIT documentsRefused(m_refusals);
    end();
}

void UpdateRun::end()
{
    for (const QString& path : std::as_const(m_downloaded))
        DestroyFile(path);
    m_downloaded.clear();
    // Only the run's own folder, once emptied of the run's own files, is removed.
    if (m_folder)
        QDir().rmdir(m_folder->path());
    m_folder.reset();
    m_running = false;
    Q_EMIT finished();
}

void UpdateRun::abandon()
{
    m_client->abort();
    if (m_running)
        end();
}

} // namespace Online
