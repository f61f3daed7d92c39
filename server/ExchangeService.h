#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <functional>
#include <optional>

// The reference drink exchange: serves the update index, the drink documents of one folder, the
// version text and a download page, and keeps the drinks people submit.
//
// Folder layout: "<stem>.xml" drink documents (released on the file's modification date),
// optional "QZversion.txt" (the newest program version) and "download.html" (the download page).
class ExchangeService : public QAbstractHttpServer
{
    Q_OBJECT

public:
    struct Options
    {
        QString documents;   // the folder served
        QString submissions; // where accepted submissions are stored
        qint64 maxSubmissionBytes = 1024 * 1024;
        qint64 maxConnectionBytes = 4 * 1024 * 1024; // all a client may send over one connection
        int maxStoredSubmissions = 10000;
        int idleTimeoutMs = 60000;
    };

    explicit ExchangeService(Options options, QObject* parent = nullptr);

    // Starts listening; the port in use (useful with port 0), or 0 with the reason in *error.
    quint16 start(const QHostAddress& address, quint16 port, QString* error);

    // One line per request arrives here (method, target, status, remote address).
    void setLog(std::function<void(const QString&)> log) { m_log = std::move(log); }

    // The update index of the folder's valid documents released after lastUpdate (all of them when
    // lastUpdate is empty or not a date).
    QByteArray BuildIndex(const QString& lastUpdate);

    // Turns a submission body ("xml_doc=" and the encoded document) back into the document:
    // "%20" gives a blank, "&#N;" the character N, and "*" before an entity name or character
    // reference gives back the "&" the sender replaced.
    static std::optional<QString> DecodeSubmissionBody(const QByteArray& body, QString* error);
    // A text as the log writes it: one line, whatever it holds.
    static QString LogText(const QString& text);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Entry
    {
        QDateTime modified;
        qint64 size = -1;
        int drinks = -1; // -1: not a valid drink document
    };

    struct Answer
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain; charset=utf-8";
    };

    Answer answer(const QHttpServerRequest& request);
    Answer submit(const QByteArray& body);
    int drinkCount(const QFileInfo& file);
    void log(const QString& line) const;

    Options m_options;
    QHash<QString, Entry> m_entries;
    std::function<void(const QString&)> m_log;
    int m_stored = 0;
};
