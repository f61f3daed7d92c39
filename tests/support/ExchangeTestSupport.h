#pragma once

// Helpers for the exchange tests (header only): a scripted HTTP service on 127.0.0.1, drink
// documents and update indexes to serve, loose matching of the texts the user is shown, and what the
// database and the data folder hold.

#include "TestSupport.h"
#include "core/exchange/ExchangeDocument.h"

#include <QDir>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <memory>
#include <optional>

// Canned answers by path; every request is kept as it arrived.
class ScriptedService : public QTcpServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        bool hang = false;             // send the head only (or nothing), then say no more
        qint64 declaredLength = -1;    // a Content-Length other than the body's
        std::optional<QByteArray> raw; // exactly these bytes, then close
    };

    QHash<QString, Reply> replies;
    QList<QByteArray> requests;

    QUrl start()
    {
        listen(QHostAddress::LocalHost, 0);
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort()));
    }
    int count(const QString& path) const
    {
        int n = 0;
        for (const QByteArray& r : requests)
            n += pathOf(r) == path;
        return n;
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
            qint64 length = 0;
            for (const QByteArray& line : buffer->left(headEnd).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (headEnd >= 0 && buffer->size() >= headEnd + 4 + length)
                answer(socket, buffer->left(headEnd + 4 + length));
        });
    }

private:
    static QString pathOf(const QByteArray& request)
    {
        return QUrl::fromEncoded(request.left(request.indexOf("\r\n")).split(' ').value(1)).path();
    }

    void answer(QTcpSocket* socket, const QByteArray& request)
    {
        requests.append(request);
        const Reply reply = replies.value(pathOf(request), Reply{404, "missing", false, -1, {}});
        if (reply.raw) {
            socket->write(*reply.raw);
        } else if (!reply.hang || reply.declaredLength >= 0) {
            const qint64 length = reply.declaredLength >= 0 ? reply.declaredLength : reply.body.size();
            socket->write("HTTP/1.0 " + QByteArray::number(reply.status) + " Scripted\r\nContent-Length: " +
                          QByteArray::number(length) + "\r\nConnection: close\r\n\r\n" + reply.body);
        }
        if (!reply.hang)
            socket->disconnectFromHost();
    }
};

// Several drinks in one document, as the service serves them.
inline QByteArray exchangeDocument(const QList<Online::ExchangeDrink>& drinks)
{
    QString body;
    for (const Online::ExchangeDrink& d : drinks)
        body += Online::WriteDrinkDocument(d).section(QStringLiteral("<drinks>"), 1).chopped(9); // </drinks>
    return "<drinks>" + body.toUtf8() + "</drinks>";
}

// An update index of "date stem" items.
inline QByteArray exchangeIndex(const QStringList& items)
{
    QList<Online::UpdateIndexItem> list;
    for (const QString& item : items)
        list.append({item.section(u' ', 0, 0), item.section(u' ', 1), QStringLiteral("1")});
    return Online::WriteUpdateIndex(list);
}

// Whether the text is the pattern, a "*" in which stands for any text.
inline bool matchesPattern(const QString& text, const QString& pattern)
{
    const QStringList parts = pattern.split(QLatin1Char('*'));
    if (parts.size() == 1)
        return text == pattern;
    if (!text.startsWith(parts.first()) || !text.endsWith(parts.last()))
        return false;
    qsizetype at = parts.first().size();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        at = text.indexOf(parts[i], at);
        if (at < 0)
            return false;
        at += parts[i].size();
    }
    return at <= text.size() - parts.last().size();
}

constexpr int Patience = 20000; // ms; every wait ends long before on a working build

// Files in a data folder other than the database.
inline QStringList strayFiles(const QString& folder)
{
    QStringList out = QDir(folder).entryList(QDir::Files);
    out.removeIf([](const QString& name) { return name.startsWith(QLatin1String("Tumblerix.dat")); });
    return out;
}
