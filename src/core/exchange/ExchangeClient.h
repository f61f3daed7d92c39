#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
#include <QNetworkReply>
class QTimer;

namespace Online {

struct FetchResult
{
    bool ok = false;
    QByteArray body;
    QString error; // why it failed, for the user
    bool tooLarge = false; // the answer was larger than the request allowed
};

// GET requests to the drink exchange service, one at a time. Every answer is bounded in size and
// time; the callback runs once, later, on this thread (never from inside get()).
class ExchangeClient : public QObject
{
    Q_OBJECT

public:
    using Callback = std::function<void(const FetchResult&)>;

    // root: the service's scheme, host and port (see OnlineSettings::ServiceRoot).
    ExchangeClient(const QUrl& root, int timeoutMs, QObject* parent = nullptr);
    ~ExchangeClient() override;

    const QUrl& root() const { return m_root; }
    // pathAndQuery starts with "/"; it is taken as it is (the service expects its query unencoded).
    QUrl address(const QString& pathAndQuery) const;

    void get(const QString& pathAndQuery, qint64 maxBytes, Callback done);
    // Drops the request in progress; its callback is not called.
    void abort();
    bool busy() const { return m_reply != nullptr; }

    // The connectivity check: true when "/QZ/CheckInternet.asp" answers exactly "0".
    void CheckInternet(std::function<void(bool connected)> done);

private:
    void finish(FetchResult result);

    QUrl m_root;
    int m_timeoutMs;
    QNetworkAccessManager* m_network;
    QTimer* m_deadline;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    qint64 m_maxBytes = 0;
    Callback m_done;
};

} // namespace Online
