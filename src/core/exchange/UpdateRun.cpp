#include "core/exchange/UpdateRun.h"

#include "core/exchange/ExchangeClient.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateFiles.h"
#include "core/store/Failure.h"
#include "core/store/ModuleRegistry.h"

#include <QDate>
#include <QDir>
#include <QTimer>

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
    return QDir(m_folder).filePath(name);
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
    try {
        m_folder = UpdateFolder();
    } catch (const std::exception& e) {
        setStatus(DBLib::FailureReason(e));
        end();
        return;
    }
    m_lastUpdateText = ModuleRegistry::ReadText(ModuleRegistry::LastUpdate);
    m_client->get(QStringLiteral("/QZ/GetDrinkUpdates.asp?hash_code=") + OnlineSettings::InstallationCode() +
                      QStringLiteral("&last_update=") + m_lastUpdateText,
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
    if (versionOk && !version.isEmpty() && version != OnlineSettings::LocalVersionText() && m_askNewerVersion &&
        m_askNewerVersion(version)) {
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
    const std::optional<QList<UpdateIndexItem>> entries = ReadUpdateIndex(index, &error);
    if (!entries) {
        Q_EMIT indexUnreadable(error);
        setStatus(QStringLiteral("The list of updates cannot be read."));
        end();
        return;
    }

    QStringList problems;
    std::optional<QDate> lastUpdate = ParseExchangeDate(m_lastUpdateText);
    if (!lastUpdate) {
        problems << QStringLiteral("The date of the last update, \"%1\", cannot be read; updates since %2 were "
                                   "asked for.")
                        .arg(m_lastUpdateText, ModuleRegistry::ReleaseDate);
        lastUpdate = ParseExchangeDate(ModuleRegistry::ReleaseDate);
    }
    for (const QueuedUpdate& update : SelectUpdates(*entries, *lastUpdate, &problems))
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

void UpdateRun::downloadItem(int row)
{
    if (!m_running)
        return;
    if (row >= m_items.size()) {
        setStatus(QStringLiteral("Adding Drink Updates Please Wait"));
        QTimer::singleShot(0, this, [this] { addItem(0); });
        return;
    }
    setState(row, QStringLiteral("Downloading drink file"));
    const QString stem = m_items.at(row).stem;
    m_client->get(QStringLiteral("/QZ/") + stem + QStringLiteral(".xml"), MaxDocumentBytes,
                  [this, row, stem](const FetchResult& document) {
                      QString error = document.error;
                      const QString path = localFile(stem);
                      if (document.ok && WriteFile(path, document.body, &error)) {
                          m_downloaded << path;
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
    if (m_items.at(row).ok) {
        const Item& item = m_items.at(row);
        const QString path = localFile(item.stem);
        setState(row, QStringLiteral("Adding drinks to database"));
        QString error;
        if (AddNewRecordsToDatabase(path, &error)) {
            m_addedAny = true;
            setState(row, QStringLiteral("Drink Update Completed"));
        } else {
            m_items[row].ok = false;
            setState(row, QStringLiteral("Not added"));
            m_failures << QStringLiteral("%1 (released %2): %3").arg(item.stem, item.date, error);
        }
        DestroyFile(path);
        m_downloaded.removeAll(path);
    }
    // One document per turn of the event loop, so a window stays painted between documents.
    QTimer::singleShot(0, this, [this, row] { addItem(row + 1); });
}

void UpdateRun::finishAdding()
{
    if (m_failures.isEmpty()) {
        setStatus(QStringLiteral("Drink Database Completed.  Enjoy!"));
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, FormatExchangeDate(QDate::currentDate()));
    } else {
        // The date stays, so the next check asks for the same documents; drinks added now are skipped.
        setStatus(QStringLiteral("The drink update is not complete; the next check will try again."));
        Q_EMIT incomplete(m_failures);
    }
    end();
}

void UpdateRun::end()
{
    if (!m_folder.isEmpty())
        DestroyFile(localFile(UpdateIndexFileName));
    for (const QString& path : std::as_const(m_downloaded))
        DestroyFile(path);
    m_downloaded.clear();
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
