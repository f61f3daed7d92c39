#include "core/exchange/DrinkSubmission.h"

#include "core/exchange/ExchangeDocument.h"

#include <QTcpSocket>
#include <QTimer>

#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

namespace Online {

QByteArray SubmissionBody(const QString& document)
{
    QString source = document;
    source.replace(QLatin1Char('&'), QLatin1Char('*'));
    // HTMLEncodeEx leaves only ASCII behind.
    return QByteArrayLiteral("xml_doc=") + HTMLEncodeEx(source, false, QStringLiteral("&")).toLatin1();
}

QByteArray BuildSubmissionRequest(const QUrl& root, const QString& document)
{
    const QByteArray body = SubmissionBody(document);
    QByteArray request;
    request += "POST " + root.toEncoded() + "/QZ/SubmitDrink.asp? HTTP/1.0\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "\r\n";
    request += body;
    return request;
}

SubmissionSender::SubmissionSender(int timeoutMs, QObject* parent)
    : QObject(parent), m_timeoutMs(timeoutMs), m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (m_written < m_request.size())
            report(false, QStringLiteral("The connection timed out."));
        else
            report(true, QString()); // sent in full; the service simply said nothing
    });
}

SubmissionSender::~SubmissionSender()
{
    abort();
}

void SubmissionSender::abort()
{
    m_deadline->stop();
    if (m_socket) {
        QTcpSocket* socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void SubmissionSender::report(bool delivered, const QString& error)
{
    abort();
    Q_EMIT finished(delivered, error);
}

void SubmissionSender::SendDrink(const QUrl& root, const QByteArray& request)
{
    abort();
    m_request = request;
    m_answer.clear();
    m_written = 0;
    const bool tls = root.scheme() == QLatin1String("https");
    const quint16 port = quint16(root.port(tls ? 443 : 80));

    QTcpSocket* socket = nullptr;
#if QT_CONFIG(ssl)
    if (tls)
        socket = new QSslSocket(this);
#endif
    if (!socket) {
        if (tls) {
            QTimer::singleShot(0, this, [this] {
                Q_EMIT finished(false,
                                QStringLiteral("Secure connections are not available on this system."));
            });
            return;
        }
        socket = new QTcpSocket(this);
    }
    m_socket = socket;

    const auto sendRequest = [this] {
        if (m_socket)
            m_socket->write(m_request);
    };
#if QT_CONFIG(ssl)
    if (auto* ssl = qobject_cast<QSslSocket*>(socket))
        connect(ssl, &QSslSocket::encrypted, this, sendRequest);
    else
#endif
        connect(socket, &QTcpSocket::connected, this, sendRequest);

    connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) { m_written += n; });
    connect(socket, &QTcpSocket::readyRead, this, &SubmissionSender::readAnswer);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (!m_socket)
            return;
        if (error == QAbstractSocket::RemoteHostClosedError && m_written >= m_request.size()) {
            readAnswer();
            if (m_socket)
                report(true, QString());
            return;
        }
        report(false, m_socket->errorString());
    });
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!m_socket)
            return;
        readAnswer();
        if (!m_socket)
            return;
        if (m_written >= m_request.size())
            report(true, QString());
        else
            report(false, QStringLiteral("The service closed the connection before the drink was sent."));
    });

    m_deadline->start(m_timeoutMs);
#if QT_CONFIG(ssl)
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        ssl->connectToHostEncrypted(root.host(), port);
        return;
    }
#endif
    socket->connectToHost(root.host(), port);
}

void SubmissionSender::readAnswer()
{
    if (!m_socket)
        return;
    // Only the status line matters; keep at most a little of the answer.
    m_answer += m_socket->read(qMax<qint64>(0, 4096 - m_answer.size()));
    m_socket->readAll();
    const qsizetype end = m_answer.indexOf("\r\n");
    if (end < 0) {
        if (m_answer.size() >= 4096)
            report(false, QStringLiteral("The service's answer cannot be read."));
        return;
    }
    const QList<QByteArray> parts = m_answer.left(end).split(' ');
    bool ok = false;
    const int status = parts.size() >= 2 ? parts.at(1).toInt(&ok) : 0;
    if (!parts.value(0).startsWith("HTTP/") || !ok) {
        report(false, QStringLiteral("The service's answer cannot be read."));
    } else if (status >= 200 && status <= 299) {
        report(true, QString());
    } else {
        report(false, QStringLiteral("The service refused the drink: %1")
                          .arg(QString::fromLatin1(m_answer.left(end).mid(parts.at(0).size() + 1))));
    }
}

} // namespace Online
