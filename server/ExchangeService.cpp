#include "ExchangeService.h"

#include "core/exchange/OnlineSettings.h"

#include <QDir>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Accepts connections for the HTTP layer, but first puts a limit on what one client may send and
// on how long a connection may sit idle, so nobody can fill the memory or hold sockets forever.
class GuardedTcpServer : public QTcpServer
{
public:
    GuardedTcpServer(qint64 maxBytes, int idleMs, QObject* parent)
        : QTcpServer(parent), m_maxBytes(maxBytes), m_idleMs(idleMs)
    {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(m_idleMs);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        auto received = std::make_shared<qint64>(0);
        // Connected before the HTTP layer's own reader, so this sees the bytes before they are taken.
        connect(socket, &QTcpSocket::readyRead, socket,
                [socket, idle, received, max = m_maxBytes, ms = m_idleMs] {
                    *received += socket->bytesAvailable();
                    idle->start(ms);
                    if (*received > max)
                        socket->abort();
                });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        addPendingConnection(socket);
        Q_EMIT newConnection();
    }

private:
    qint64 m_maxBytes;
    int m_idleMs;
};

QString methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return QStringLiteral("GET");
    case QHttpServerRequest::Method::Head:
        return QStringLiteral("HEAD");
    case QHttpServerRequest::Method::Post:
        return QStringLiteral("POST");
    case QHttpServerRequest::Method::Put:
        return QStringLiteral("PUT");
    case QHttpServerRequest::Method::Delete:
        return QStringLiteral("DELETE");
    default:
        return QStringLiteral("OTHER");
    }
}

const QByteArray DownloadPage = QByteArrayLiteral(
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tumblerix download</title></head>\n"
    "<body><h1>Tumblerix</h1><p>The newest version of Tumblerix is available from your distribution's "
    "package manager or from the project's release page.</p></body></html>\n");

// An entity name or character reference that may follow the "*" standing for "&".
const QRegularExpression& entityAfterStar()
{
    static const QRegularExpression re(
        QStringLiteral("\\G\\*(amp|lt|gt|quot|apos|#[0-9]{1,7}|#x[0-9A-Fa-f]{1,6});"));
    return re;
}

const QRegularExpression& numericReference()
{
    static const QRegularExpression re(QStringLiteral("\\G&#([0-9]{1,7});"));
    return re;
}

} // namespace

ExchangeService::ExchangeService(Options options, QObject* parent)
    : QAbstractHttpServer(parent), m_options(std::move(options))
{
    if (m_options.submissions.isEmpty())
        m_options.submissions = QDir(m_options.documents).filePath(QStringLiteral("submissions"));
}

quint16 ExchangeService::start(const QHostAddress& address, quint16 port, QString* error)
{
    auto* tcp = new GuardedTcpServer(m_options.maxConnectionBytes, m_options.idleTimeoutMs, this);
    if (!tcp->listen(address, port)) {
        if (error)
            *error = tcp->errorString();
        delete tcp;
        return 0;
    }
    bind(tcp);
    return tcp->serverPort();
}

QString ExchangeService::LogText(const QString& text)
{
    // Names in a line come from submitted documents: a line break in one would start a forged line
    // of the log. Control characters and line separators are written as escapes, and so is "\\".
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\x{%1}").arg(uint(u), 0, 16);
        else
            out += c;
    }
    return out;
}

void ExchangeService::log(const QString& line) const
{
    if (m_log)
        m_log(LogText(line));
}

bool ExchangeService::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const Answer a = answer(request);
    log(QStringLiteral("%1 %2 %3 %4")
            .arg(request.remoteAddress().toString(), methodName(request.method()),
                 request.url().toString(QUrl::FullyEncoded), QString::number(a.status)));
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.write(a.body, a.contentType, QHttpServerResponder::StatusCode(a.status));
    return true;
}

void ExchangeService::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.write(QHttpServerResponder::StatusCode::NotFound);
}

ExchangeService::Answer ExchangeService::answer(const QHttpServerRequest& request)
{
    const QString path = request.url().path();
    const bool get = request.method() == QHttpServerRequest::Method::Get ||
                     request.method() == QHttpServerRequest::Method::Head;
    const bool post = request.method() == QHttpServerRequest::Method::Post;

    if (path == QLatin1String("/QZ/SubmitDrink.asp"))
        return post ? submit(request.body()) : Answer{405, "Submit drinks with POST.\n"};
    if (!get)
        return {405, "Only GET is served here.\n"};

    if (path == QLatin1String("/QZ/CheckInternet.asp"))
        return {200, "0"};
    if (path == QLatin1String("/QZ/GetDrinkUpdates.asp")) {
        const QString lastUpdate =
            request.query().queryItemValue(QStringLiteral("last_update"), QUrl::FullyDecoded);
        return {200, BuildIndex(lastUpdate), "text/xml; charset=utf-8"};
    }
    if (path == QLatin1String("/QZ/QZversion.txt")) {
        QFile file(QDir(m_options.documents).filePath(QStringLiteral("QZversion.txt")));
        if (file.open(QIODevice::ReadOnly))
            return {200, file.read(256).trimmed()};
        return {200, OnlineSettings::LocalVersionText().toUtf8()};
    }
    if (path == QLatin1String("/download.asp")) {
        QFile file(QDir(m_options.documents).filePath(QStringLiteral("download.html")));
        if (file.open(QIODevice::ReadOnly))
            return {200, file.read(1024 * 1024), "text/html; charset=utf-8"};
        return {200, DownloadPage, "text/html; charset=utf-8"};
    }
    static const QRegularExpression documentPath(QStringLiteral("^/QZ/([^/]+)\\.xml$"));
    if (const QRegularExpressionMatch m = documentPath.match(path); m.hasMatch()) {
        const QString stem = m.captured(1);
        const QFileInfo info(QDir(m_options.documents).filePath(stem + QStringLiteral(".xml")));
        if (!Online::IsSafeFileStem(stem) || !info.isFile() || info.isSymLink() ||
            info.size() > Online::MaxDocumentBytes)
            return {404, "No such drink document.\n"};
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {404, "No such drink document.\n"};
        return {200, file.readAll(), "text/xml; charset=utf-8"};
    }
    return {404, "Not found.\n"};
}

int ExchangeService::drinkCount(const QFileInfo& file)
{
    Entry& entry = m_entries[file.fileName()];
    if (entry.modified == file.lastModified() && entry.size == file.size())
        return entry.drinks;
    entry.modified = file.lastModified();
    entry.size = file.size();
    entry.drinks = -1;
    QFile f(file.filePath());
    if (file.size() > Online::MaxDocumentBytes || !f.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("skipped %1: it cannot be read or is too large").arg(file.fileName()));
        return -1;
    }
    QString error;
    const std::optional<QList<Online::ExchangeDrink>> drinks = Online::ReadDrinkDocument(f.readAll(), &error);
    if (!drinks) {
        log(QStringLiteral("skipped %1: %2").arg(file.fileName(), error));
        return -1;
    }
    entry.drinks = int(drinks->size());
    return entry.drinks;
}

QByteArray ExchangeService::BuildIndex(const QString& lastUpdate)
{
    const std::optional<QDate> after = Online::ParseExchangeDate(lastUpdate);
    const QFileInfoList files = QDir(m_options.documents)
                                    .entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Readable,
                                                   QDir::Time | QDir::Reversed);
    QList<Online::UpdateIndexItem> items;
    for (const QFileInfo& file : files) {
        const QString stem = file.completeBaseName();
        if (file.isSymLink() || !Online::IsSafeFileStem(stem))
            continue;
        const QDate released = file.lastModified().date();
        if (after && released <= *after)
            continue;
        const int count = drinkCount(file);
        if (count < 0)
            continue;
        items.append({Online::FormatExchangeDate(released), stem, QString::number(count)});
    }
    return Online::WriteUpdateIndex(items);
}

std::optional<QString> ExchangeService::DecodeSubmissionBody(const QByteArray& body, QString* error)
{
    if (!body.startsWith("xml_doc=")) {
        *error = QStringLiteral("The body does not start with \"xml_doc=\".");
        return std::nullopt;
    }
    const QString encoded = QString::fromUtf8(body.mid(8));
    // fromUtf8 always gives valid UTF-16, so the matches below need not check it again: checking
    // runs to the end of the body at every "&" and "*", which made a body of many of them take
    // minutes.
    constexpr auto matchOption = QRegularExpression::DontCheckSubjectStringMatchOption;
    QString out;
    out.reserve(encoded.size());
    qsizetype i = 0;
    while (i < encoded.size()) {
        const QChar c = encoded.at(i);
        if (c == QLatin1Char('%') && QStringView(encoded).mid(i, 3) == QLatin1String("%20")) {
            out += QLatin1Char(' ');
            i += 3;
        } else if (c == QLatin1Char('&')) {
            const QRegularExpressionMatch m =
                numericReference().match(encoded, i, QRegularExpression::NormalMatch, matchOption);
            const uint cp = m.hasMatch() ? m.captured(1).toUInt() : 0;
            if (!m.hasMatch() || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                *error = QStringLiteral("The body has a stray \"&\" at position %1.").arg(i + 8);
                return std::nullopt;
            }
            const char32_t point = char32_t(cp);
            out += QString::fromUcs4(&point, 1);
            i += m.capturedLength();
        } else if (c == QLatin1Char('*')) {
            const QRegularExpressionMatch m =
                entityAfterStar().match(encoded, i, QRegularExpression::NormalMatch, matchOption);
            if (m.hasMatch()) {
                out += QLatin1Char('&') + m.captured(1) + QLatin1Char(';');
                i += m.capturedLength();
            } else {
                // A "*" of the drink's own text.
                out += c;
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

ExchangeService::Answer ExchangeService::submit(const QByteArray& body)
{
    if (body.size() > m_options.maxSubmissionBytes)
        return {413, "The submission is too large.\n"};
    QString error;
    const std::optional<QString> document = DecodeSubmissionBody(body, &error);
    if (!document)
        return {400, error.toUtf8() + '\n'};
    const QByteArray bytes = document->toUtf8();
    const std::optional<QList<Online::ExchangeDrink>> drinks = Online::ReadDrinkDocument(bytes, &error);
    if (!drinks)
        return {400, QByteArrayLiteral("The drink document cannot be read: ") + error.toUtf8() + '\n'};
    if (drinks->isEmpty())
        return {400, "The drink document holds no drink.\n"};

    QDir folder(m_options.submissions);
    if (!folder.mkpath(QStringLiteral(".")))
        return {503, "Submissions cannot be stored now.\n"};
    if (m_stored >= m_options.maxStoredSubmissions ||
        folder.entryList({QStringLiteral("*.xml")}, QDir::Files).size() >= m_options.maxStoredSubmissions)
        return {503, "No more submissions are taken now.\n"};
    const QString name =
        QStringLiteral("submission-%1-%2.xml")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")))
            .arg(++m_stored);
    QSaveFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return {503, "Submissions cannot be stored now.\n"};
    log(QStringLiteral("stored %1 (%2)").arg(name, drinks->constFirst().name));
    return {200, "Thank you for your submission.\n"};
}
