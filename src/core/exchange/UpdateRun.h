#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QTemporaryDir;

namespace Online {

// What one run takes at most; the rest is left for the next check.
inline constexpr int MaxRunDocuments = 500;
inline constexpr qint64 MaxRunBytes = 256 * 1024 * 1024;

class ExchangeClient;

// One check for drink updates: the connectivity check, the index of documents released since the
// last update, the version check, the downloads, adding each document's drinks, and the clean-up
// of the files it wrote. It reports by signals; a window shows it, the command line can drive it.
class UpdateRun : public QObject
{
    Q_OBJECT

public:
    // One queued document of the index.
    struct Item
    {
        QString date; // as the index gives it
        qint64 count = 0;
        QString stem;
        QString state; // "Queued For Download", "Downloading drink file", ...
        bool ok = true; // downloaded (then: added) without trouble
        bool taken = false; // added, or refused for good (a document that cannot be read)
        bool left = false;  // beyond what one run takes
    };

    UpdateRun(const QUrl& serviceRoot, int timeoutMs, QObject* parent = nullptr);
    ~UpdateRun() override;

    // Asked when the service offers another version of the program: true when the user wants to
    // fetch it (the run then ends, and downloadPage() says where). Without one the run goes on.
    void setNewerVersionQuestion(std::function<bool(const QString& version)> ask);
    // How long the run waits after a successful connectivity check (the window's one-second pause).
    void setStartDelay(int ms) { m_startDelayMs = ms; }
    // How much one run takes at most (MaxRunDocuments and MaxRunBytes unless set).
    void setLimits(int documents, qint64 bytes)
    {
        m_maxDocuments = documents;
        m_maxBytes = bytes;
    }

    // Checks the connection and, when it answers, runs. Call once.
    void start();
    // Ends a run the user walked away from: nothing more is fetched or added, its files go.
    void abandon();

    bool running() const { return m_running; }
    bool updatesFound() const { return m_updatesFound; }
    bool addedAny() const { return m_addedAny; }
    // Drinks added with a glass number the glass list lacks.
    int unknownGlasses() const { return m_unknownGlasses; }
    const QList<Item>& items() const { return m_items; }
    QString status() const { return m_status; }
    QUrl downloadPage() const;

Q_SIGNALS:
    void statusChanged(const QString& text);
    // The connectivity check failed; the run ends without doing anything.
    void connectionFailed();
    // The user chose to fetch a newer version; the run has ended.
    void newerVersionChosen(const QUrl& downloadPage);
    // The index came back empty or not at all.
    void indexUnavailable();
    // The index could not be read.
    void indexUnreadable(const QString& reason);
    // Entries of the index (or the last update's date) that were passed over.
    void entriesSkipped(const QStringList& problems);
    // items() holds the queued documents.
    void itemsQueued();
    void itemChanged(int row);
    // Some documents could not be downloaded or added; the next check asks for them again.
    void incomplete(const QStringList& failures);
    // Some documents cannot be read; they are passed over for good.
    void documentsRefused(const QStringList& refusals);
    // The run has ended, however it ended, and its files are gone.
    void finished();

private:
    void run();
    void indexArrived(const QByteArray& index, const QString& error);
    void versionArrived(const QByteArray& index, const QString& version, bool versionOk);
    void readIndex(const QByteArray& index);
    void downloadItem(int row);
    void addItem(int row);
    void addDrinks(int row, const std::optional<QList<ExchangeDrink>>& drinks, const QString& error);
    void leaveFrom(int row, const QString& why);
    void finishAdding();
    void end();
    void setStatus(const QString& text);
    void setState(int row, const QString& state);
    QString localFile(const QString& name) const;

    ExchangeClient* m_client;
    std::function<bool(const QString&)> m_askNewerVersion;
    int m_startDelayMs = 1000;
    int m_maxDocuments = MaxRunDocuments;
    qint64 m_maxBytes = MaxRunBytes;
    std::unique_ptr<QTemporaryDir> m_folder; // the run's own folder
    QString m_lastUpdateText;
    std::optional<UpdateMark> m_mark;
    QList<QueuedUpdate> m_queue;
    QStringList m_downloaded; // files of this run that still exist
    QList<Item> m_items;
    qint64 m_bytes = 0; // downloaded so far
    bool m_cut = false; // some documents are left for the next check
    int m_unknownGlasses = 0;
    QStringList m_failures;
    QStringList m_refusals;
    QString m_status;
    bool m_running = false;
    bool m_started = false;
    bool m_updatesFound = false;
    bool m_addedAny = false;
};

} // namespace Online
