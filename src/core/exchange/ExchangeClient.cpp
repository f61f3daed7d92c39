#include "core/exchange/ExchangeClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace Online {

ExchangeClient::ExchangeClient(const QUrl& root, int timeoutMs, QObject* parent)
    : QObject(parent), m_root(root), m_timeoutMs(timeoutMs), m_network(new QNetworkAccessManager(this)),
      m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        finish({false,
                {},
                QStringLiteral("The service did not finish its answer within %1 seconds.")
                    .arg(m_deadline->interval() / 1000.0)});
    });
}

ExchangeClient::~ExchangeClient()
{
    abort();
}

QUrl ExchangeClient::address(const QString& pathAndQuery) const
{
    if (!m_root.isValid() || m_root.isEmpty())
        return QUrl();
    return QUrl(m_root.toString(QUrl::FullyEncoded) + pathAndQuery, QUrl::TolerantMode);
}

void ExchangeClient::get(const QString& pathAndQuery, qint64 maxBytes, Callback done)
{
    abort();
    m_done = std::move(done);
    m_body.clear();
    m_maxBytes = maxBytes;
    const QUrl url = address(pathAndQuery);
    if (!url.isValid() || url.isEmpty()) {
        // Answer later, like every other outcome, so callers see one order of events.
        QTimer::singleShot(0, this, [this] {
            finish({false, {}, QStringLiteral("The address of the drink exchange service is not valid.")});
        });
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    // The transfer timeout catches a service that stops sending; the deadline one that trickles.
    m_deadline->start(m_timeoutMs * 4);

    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBytes)
            finish({false, {}, QStringLiteral("The answer is larger than the %1 bytes allowed.").arg(m_maxBytes), true});
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_reply)
            return;
        m_body += reply->read(m_maxBytes + 1 - m_body.size());
        if (m_body.size() > m_maxBytes)
            finish({false, {}, QStringLiteral("The answer is larger than the %1 bytes allowed.").arg(m_maxBytes), true});
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply != m_reply)
            return;
        if (reply->isOpen())
            m_body += reply->read(m_maxBytes + 1 - m_body.size());
        if (m_body.size() > m_maxBytes) {
            finish({false, {}, QStringLiteral("The answer is larger than the %1 bytes allowed.").arg(m_maxBytes), true});
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError) {
            QString reason = reply->errorString();
            if (reply->error() == QNetworkReply::OperationCanceledError)
                reason =
                    QStringLiteral("The service did not answer within %1 seconds.").arg(m_timeoutMs / 1000.0);
            finish({false, {}, reason});
        } else if (status < 200 || status > 299) {
            finish({false,
                    {},
                    QStringLiteral("The service answered %1 %2.")
                        .arg(QString::number(status),
                             reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())});
        } else {
            finish({true, m_body, {}});
        }
    });
}

void ExchangeClient::finish(FetchResult result)
{
    m_deadline->stop();
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_body.clear();
    Callback done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(result);
}

void ExchangeClient::abort()
{
    m_done = nullptr;
    m_deadline->stop();
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void ExchangeClient::CheckInternet(std::function<void(bool)> done)
{
    get(QStringLiteral("/QZ/CheckInternet.asp"), 1024,
        [done = std::move(done)](const FetchResult& r) { done(r.ok && r.body == "0"); });
}

} // namespace Online
