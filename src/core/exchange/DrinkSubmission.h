#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QUrl>
class QTimer;

namespace Online {

// The body of a submission: "xml_doc=" and the document with every "&" replaced by "*", then
// HTMLEncodeEx. Plain ASCII.
QByteArray SubmissionBody(const QString& document);

// The whole HTTP/1.0 request for a drink document, as it goes over the connection:
// "POST <root>/QZ/SubmitDrink.asp? HTTP/1.0", the content type, the length, "Connection:
// Keep-Alive", an empty line, the body. Every line ends with CR LF; nothing follows the body.
QByteArray BuildSubmissionRequest(const QUrl& root, const QString& document);

// Posts a request over a TCP connection (TLS for https) and reports once how it went. The
// request counts as delivered when all of it was written and the service either answered with a
// 2xx status or closed the connection without answering; a connection that fails before that, an
// error status, or the time limit is a failure.
class SubmissionSender : public QObject
{
    Q_OBJECT

public:
    explicit SubmissionSender(int timeoutMs, QObject* parent = nullptr);
    ~SubmissionSender() override;

    // Closes any earlier connection and starts a new one to the root's host and port.
    void SendDrink(const QUrl& root, const QByteArray& request);
    void abort();
    bool busy() const { return m_socket != nullptr; }

Q_SIGNALS:
    void finished(bool delivered, const QString& error);

private:
    void report(bool delivered, const QString& error);
    void readAnswer();

    int m_timeoutMs;
    QPointer<QTcpSocket> m_socket;
    QTimer* m_deadline;
    QByteArray m_request;
    QByteArray m_answer;
    qint64 m_written = 0;
};

} // namespace Online
