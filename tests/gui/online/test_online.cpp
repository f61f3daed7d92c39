// The update and submission windows driven as a user drives them, against the reference exchange
// service (in this process, or its executable) and against a scripted service for the hostile
// cases. All traffic stays on 127.0.0.1.

#include "ExchangeService.h"
#include "TestSupport.h"
#include "gui/common/MessageBox.h"
#include "core/exchange/DrinkSubmission.h"
#include "core/exchange/ExchangeClient.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/exchange/OnlineSettings.h"
#include "gui/online/frmSubmit.h"
#include "gui/online/frmUpdate.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/exchange/ExchangeRecords.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Online;

namespace {

constexpr int Patience = 20000; // ms; every wait below ends long before on a working build

// A scripted HTTP service: canned answers by path, and every request kept as received.
class ScriptedService : public QTcpServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        bool hang = false;          // accept, read, never answer
        qint64 declaredLength = -1; // a Content-Length other than the body's
    };

    QHash<QString, Reply> replies;
    QList<QByteArray> requests;
    bool stopAfterCheck = false; // stop listening once the connectivity check was answered

    quint16 start()
    {
        listen(QHostAddress::LocalHost, 0);
        return serverPort();
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            qint64 length = 0;
            for (const QByteArray& header : buffer->left(headerEnd).split('\n')) {
                if (header.toLower().startsWith("content-length:"))
                    length = header.mid(15).trimmed().toLongLong();
            }
            if (buffer->size() < headerEnd + 4 + length)
                return;
            const QByteArray request = buffer->left(headerEnd + 4 + length);
            buffer->remove(0, request.size());
            answer(socket, request);
        });
    }

private:
    void answer(QTcpSocket* socket, const QByteArray& request)
    {
        requests.append(request);
        QByteArray target = request.left(request.indexOf("\r\n")).split(' ').value(1);
        const QString path = QUrl::fromEncoded(target).path();
        const Reply reply = replies.value(path, Reply{404, "missing"});
        if (reply.hang && reply.declaredLength < 0)
            return;
        const qint64 length = reply.declaredLength >= 0 ? reply.declaredLength : reply.body.size();
        socket->write("HTTP/1.0 " + QByteArray::number(reply.status) + " Scripted\r\nContent-Length: " +
                      QByteArray::number(length) + "\r\nConnection: close\r\n\r\n" + reply.body);
        if (!reply.hang)
            socket->disconnectFromHost();
        if (stopAfterCheck && path == QLatin1String("/QZ/CheckInternet.asp"))
            close();
    }
};

// Stands in for the desktop's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

qint64 scalar(const char* sql, const QVariantList& params = {})
{
    return DBLib::Database().scalar(QString::fromUtf8(sql), params).toLongLong();
}

QString lastUpdate()
{
    return ModuleRegistry::ReadText(ModuleRegistry::LastUpdate);
}

QString plain(const QString& caption)
{
    return QString(caption).remove(QLatin1Char('&'));
}

QStringList titles()
{
    QStringList out;
    for (const MessageBox::Shown& shown : MessageBox::history())
        out << shown.title;
    return out;
}

QByteArray document(const QList<ExchangeDrink>& drinks)
{
    QString doc;
    for (const ExchangeDrink& drink : drinks) {
        QString one = WriteDrinkDocument(drink);
        one.remove(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?><drinks>"));
        one.remove(QStringLiteral("</drinks>"));
        doc += one;
    }
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?><drinks>") + doc +
            QStringLiteral("</drinks>"))
        .toUtf8();
}

QByteArray index(const QList<UpdateIndexItem>& items)
{
    return WriteUpdateIndex(items);
}

void setDate(const QString& path, const QDate& date)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime(date, QTime(12, 0)), QFileDevice::FileModificationTime));
}

void saveShot(QWidget* w, const char* name)
{
    const QString folder = qEnvironmentVariable("TUMBLERIX_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        w->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

} // namespace

class TestOnline : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_data;
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<ExchangeService> m_service;
    QStringList m_log;
    quint16 m_port = 0;
    UrlCatcher m_browser;

    void useService(quint16 port)
    {
        OnlineSettings::SetServiceAddress(QStringLiteral("http://127.0.0.1:%1").arg(port));
    }

    void startReferenceService()
    {
        m_service = std::make_unique<ExchangeService>(ExchangeService::Options{
            m_documents->path(), m_documents->filePath(QStringLiteral("submissions"))});
        m_service->setLog([this](const QString& line) { m_log << line; });
        QString error;
        m_port = m_service->start(QHostAddress::LocalHost, 0, &error);
        QVERIFY2(m_port != 0, qPrintable(error));
        useService(m_port);
    }

    void putDocument(const QString& stem, const QByteArray& bytes, const QDate& released)
    {
        QFile f(m_documents->filePath(stem + QStringLiteral(".xml")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        setDate(f.fileName(), released);
    }

    // Files in the data folder other than the database itself.
    QStringList strayFiles() const
    {
        QStringList out;
        for (const QString& name : QDir(m_data->path()).entryList(QDir::Files)) {
            if (!name.startsWith(QLatin1String("Tumblerix.dat")))
                out << name;
        }
        return out;
    }

    struct Run
    {
        std::unique_ptr<frmUpdate> window;
        int reloads = 0;
        int unloads = 0;
    };

    // Opens the update window and waits until its run is over or the window has closed itself.
    std::unique_ptr<Run> runUpdate()
    {
        auto run = std::make_unique<Run>();
        Run* r = run.get();
        run->window = std::make_unique<frmUpdate>(
            nullptr, [r] { ++r->reloads; }, [r] { ++r->unloads; });
        QSignalSpy finished(run->window.get(), &frmUpdate::runFinished);
        run->window->show();
        if (!QTest::qWaitFor(
                [&] { return finished.count() > 0 || !r->window->isVisible() || r->unloads > 0; }, Patience))
            qWarning("the update run did not end");
        return run;
    }

    QString state(frmUpdate* w, int row) const { return w->MSFlexGrid1->item(row, 0)->text(); }

private Q_SLOTS:
    void initTestCase()
    {
        // Loopback only: no proxy may take the traffic elsewhere, and no browser is started.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_browser, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_data = std::make_unique<TestDataFolder>();
        m_data->createSmallDatabase();
        m_documents = std::make_unique<QTemporaryDir>();
        m_log.clear();
        m_browser.opened.clear();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }

    void cleanup()
    {
        m_service.reset();
        m_data.reset();
        m_documents.reset();
        m_settings.reset();
        MessageBox::setAutoAnswer(false);
    }

    void updateAddsNewDrinksOnce()
    {
        addTestDrink(QStringLiteral("Gin Fizz"), {{"2 oz", "Gin"}});
        putDocument(
            QStringLiteral("jan10"),
            document(
                {{QStringLiteral("Sunny Day"),
                  QStringLiteral("Shake & strain.\r\nServe."),
                  QStringLiteral("2"),
                  {{QStringLiteral("1 oz"), QStringLiteral("Lime Juice"), true, {}},
                   {QStringLiteral("2 oz"), QStringLiteral("Elderflower Cordial"), true,
                    QStringLiteral("Lime cordial")}}},
                 {QStringLiteral("Garden Caf\u00e9"),
                  QStringLiteral("Build."),
                  QStringLiteral("1"),
                  {{QStringLiteral("1 oz"), QStringLiteral("Gin"), false, {}},
                   {QStringLiteral("3 oz"), QStringLiteral("elderflower cordial"), false,
                    QStringLiteral("x")}}},
                 {QStringLiteral("gin fizz"), QStringLiteral("Already here."), QStringLiteral("1"), {}}}),
            QDate(2024, 1, 10));
        putDocument(QStringLiteral("jan5"),
                    document({{QStringLiteral("Same Day"),
                               QStringLiteral("x"),
                               QStringLiteral("1"),
                               {{QStringLiteral("1"), QStringLiteral("Gin"), false, {}}}}}),
                    QDate(2024, 1, 5));
        startReferenceService();
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/5/2024"));
        const qint64 ingredientsBefore = scalar("SELECT COUNT(*) FROM Ingredients");

        std::unique_ptr<Run> run = runUpdate();
        frmUpdate* w = run->window.get();
        QCOMPARE(w->windowTitle(), QStringLiteral("Quaffhaus Update"));
        QCOMPARE(titles(), QStringList());
        QCOMPARE(w->statusText(), QStringLiteral("Drink Database Completed.  Enjoy!"));
        QCOMPARE(w->MSFlexGrid1->rowCount(), 1); // the document of the last update's own day is not wanted
        QCOMPARE(state(w, 0), QStringLiteral("Drink Update Completed"));
        QCOMPARE(w->MSFlexGrid1->item(0, 1)->text(), QStringLiteral("1/10/2024"));
        QCOMPARE(w->MSFlexGrid1->item(0, 2)->text(), QStringLiteral("3"));
        QVERIFY(w->cmdOk->isEnabled());
        saveShot(w, "frmUpdate-completed");

        // The service was asked with the kept installation code and the stored date, unencoded.
        const QString code = OnlineSettings::InstallationCode();
        QVERIFY(m_log.join(QLatin1Char('\n'))
                    .contains(QStringLiteral("/QZ/GetDrinkUpdates.asp?hash_code=") + code +
                              QStringLiteral("&last_update=1/5/2024 200")));

        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), 3);
        const qint64 sunny = DBLib::FindDrinkID(QStringLiteral("SUNNY DAY"));
        const qint64 garden = DBLib::FindDrinkID(QStringLiteral("GARDEN CAF\u00c9"));
        QVERIFY(sunny > 0 && garden > 0);
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("Same Day")), -1);
        QCOMPARE(Lib::DecodeText(DBLib::Database().scalar(
                     QStringLiteral("SELECT Description FROM Drinks WHERE ID = ?1"), {sunny})),
                 QStringLiteral("Shake & strain.\r\nServe."));
        QCOMPARE(scalar("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1", {sunny}), 2);
        QCOMPARE(scalar("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1", {garden}), 2);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Ingredients"), ingredientsBefore + 1);
        const qint64 elder = DBLib::FindIngredientID(QStringLiteral("Elderflower Cordial"));
        QCOMPARE(scalar("SELECT NonAlcohol FROM Ingredients WHERE ID = ?1", {elder}), 1);
        QCOMPARE(scalar("SELECT NonAlcoholic FROM Drinks WHERE ID = ?1", {sunny}), 1);
        QCOMPARE(scalar("SELECT NonAlcoholic FROM Drinks WHERE ID = ?1", {garden}), 0);

        QCOMPARE(lastUpdate(), FormatExchangeDate(QDate::currentDate()));
        QCOMPARE(strayFiles(), QStringList());

        QCOMPARE(run->reloads, 0);
        w->cmdOk->click();
        QCOMPARE(run->reloads, 1);
        QVERIFY(!w->isVisible());

        // The same update again adds nothing.
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/5/2024"));
        run = runUpdate();
        QCOMPARE(run->window->statusText(), QStringLiteral("Drink Database Completed.  Enjoy!"));
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), 3);
        QCOMPARE(scalar("SELECT COUNT(*) FROM DrinkInfo"), 5);

        // Nothing newer than the last update: nothing changes, and Ok does not reload the list.
        const QString today = lastUpdate();
        run = runUpdate();
        QCOMPARE(run->window->statusText(), QStringLiteral("You have the latest update."));
        QCOMPARE(run->window->MSFlexGrid1->rowCount(), 0);
        QCOMPARE(lastUpdate(), today);
        run->window->cmdOk->click();
        QCOMPARE(run->reloads, 0);
        QCOMPARE(strayFiles(), QStringList());
    }

    void firstRunStartsFromTheShippedDate()
    {
        putDocument(QStringLiteral("old"),
                    document({{QStringLiteral("Old One"), {}, QStringLiteral("1"), {}}}), QDate(2003, 6, 30));
        putDocument(QStringLiteral("newer"),
                    document({{QStringLiteral("New One"), {}, QStringLiteral("1"), {}}}), QDate(2003, 7, 1));
        startReferenceService();
        QVERIFY(lastUpdate().isEmpty());
        std::unique_ptr<Run> run = runUpdate();
        QVERIFY(m_log.join(QLatin1Char('\n')).contains(QLatin1String("&last_update=6/30/03 200")));
        QCOMPARE(run->window->MSFlexGrid1->rowCount(), 1);
        QVERIFY(DBLib::FindDrinkID(QStringLiteral("New One")) > 0);
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("Old One")), -1);
    }

    void noConnection()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        useService(port);
        std::unique_ptr<Run> run = runUpdate();
        QVERIFY(!run->window->isVisible());
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history()[0].title,
                 QStringLiteral("Tumblerix unable to connect with the drink database"));
        QCOMPARE(
            MessageBox::history()[0].text,
            QStringLiteral(
                "This may have occured for a couple of reasons: \n* You are not connected to the Internet\n"
                "* We may be having technical difficulties\n\nPlease verify your Internet connection and "
                "try again later."));
        QCOMPARE(MessageBox::history()[0].buttons, MessageBox::Buttons(QMessageBox::Ok));
        QCOMPARE(lastUpdate(), QStringLiteral("6/30/03")); // written when the window loaded, nothing else
        QCOMPARE(run->reloads, 0);
    }

    void emptyIndex()
    {
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {200, "  \r\n"};
        scripted.replies[QStringLiteral("/QZ/QZversion.txt")] = {200, "Tumblerix 8.5"};
        useService(scripted.start());
        ModuleRegistry::WriteRegistryValue(OnlineSettings::CompanyNameName, QStringLiteral("Quaffhaus"));
        ModuleRegistry::WriteRegistryValue(OnlineSettings::SupportAddressName,
                                           QStringLiteral("help@quaffhaus.example"));
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/1/2024"));
        std::unique_ptr<Run> run = runUpdate();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history()[0].title,
                 QStringLiteral("There was a problem downloading the update file"));
        QCOMPARE(
            MessageBox::history()[0].text,
            QStringLiteral(
                "Please try again.  If you continue to have problems please contact Quaffhaus Support at "
                "help@quaffhaus.example."));
        QCOMPARE(MessageBox::history()[0].buttons,
                 MessageBox::Buttons(QMessageBox::Ok | QMessageBox::Cancel));
        QCOMPARE(lastUpdate(), QStringLiteral("1/1/2024"));
        QVERIFY(run->window->cmdOk->isEnabled());
        QCOMPARE(strayFiles(), QStringList());
    }

    void hostileService_data()
    {
        QTest::addColumn<QByteArray>("indexBody");
        QTest::addColumn<QByteArray>("documentBody");
        QTest::addColumn<int>("documentStatus");
        QTest::addColumn<bool>("hang");
        QTest::addColumn<qint64>("declaredLength");
        QTest::addColumn<QString>("rowState"); // empty: no row queued
        QTest::addColumn<QString>("messageTitle");
        QTest::addColumn<QString>("messagePart");

        const QByteArray oneItem =
            index({{QStringLiteral("2/1/2024"), QStringLiteral("feb1"), QStringLiteral("1")}});
        const QByteArray goodDoc =
            document({{QStringLiteral("Fine"), QStringLiteral("x"), QStringLiteral("1"), {}}});
        QTest::newRow("index that is not XML")
            << QByteArray("<updates><update>") << goodDoc << 200 << false << qint64(-1) << QString()
            << QStringLiteral("There was a problem downloading the update file")
            << QStringLiteral("cannot be read");
        QTest::newRow("index fetch fails")
            << QByteArray() << goodDoc << 200 << false << qint64(-1) << QString()
            << QStringLiteral("There was a problem downloading the update file")
            << QStringLiteral("Please try again.");
        QTest::newRow("unsafe file names")
            << index({{QStringLiteral("2/1/2024"), QStringLiteral("../escape"), QStringLiteral("1")},
                      {QStringLiteral("2/1/2024"), QStringLiteral("/tmp/abs"), QStringLiteral("1")},
                      {QStringLiteral("2/1/2024"), QStringLiteral("Tumblerix.dat"), QStringLiteral("1")},
                      {QStringLiteral("2/1/2024"), QString(), QStringLiteral("1")}})
            << goodDoc << 200 << false << qint64(-1) << QString()
            << QStringLiteral("Some updates were skipped")
            << QStringLiteral("\"../escape\" is not an acceptable file name.");
        QTest::newRow("unreadable date")
            << index({{QStringLiteral("next week"), QStringLiteral("feb1"), QStringLiteral("1")}}) << goodDoc
            << 200 << false << qint64(-1) << QString() << QStringLiteral("Some updates were skipped")
            << QStringLiteral("the date \"next week\" cannot be read");
        QTest::newRow("document error status")
            << oneItem << QByteArray("oops") << 500 << false << qint64(-1)
            << QStringLiteral("Download failed") << QStringLiteral("The drink update is not complete")
            << QStringLiteral("feb1: ");
        QTest::newRow("document too large")
            << oneItem << QByteArray() << 200 << true << qint64(40'000'000)
            << QStringLiteral("Download failed") << QStringLiteral("The drink update is not complete")
            << QStringLiteral("larger than");
        QTest::newRow("document never arrives")
            << oneItem << QByteArray() << 200 << true << qint64(-1) << QStringLiteral("Download failed")
            << QStringLiteral("The drink update is not complete") << QStringLiteral("did not");
        QTest::newRow("document that is not XML")
            << oneItem << QByteArray("<drinks><drink><name>Half") << 200 << false << qint64(-1)
            << QStringLiteral("Not added") << QStringLiteral("The drink update is not complete")
            << QStringLiteral("feb1 (released 2/1/2024): line 1");
        QTest::newRow("glass that names no glass")
            << oneItem
            << document({{QStringLiteral("Fine"), QStringLiteral("x"), QStringLiteral("1"), {}},
                         {QStringLiteral("Odd"), QStringLiteral("x"), QStringLiteral("77"), {}}})
            << 200 << false << qint64(-1) << QStringLiteral("Not added")
            << QStringLiteral("The drink update is not complete") << QStringLiteral("glass number 77");
    }
    void hostileService()
    {
        QFETCH(QByteArray, indexBody);
        QFETCH(QByteArray, documentBody);
        QFETCH(int, documentStatus);
        QFETCH(bool, hang);
        QFETCH(qint64, declaredLength);
        QFETCH(QString, rowState);
        QFETCH(QString, messageTitle);
        QFETCH(QString, messagePart);

        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {indexBody.isEmpty() ? 503 : 200,
                                                                       indexBody};
        scripted.replies[QStringLiteral("/QZ/QZversion.txt")] = {200, "Tumblerix 8.5"};
        scripted.replies[QStringLiteral("/QZ/feb1.xml")] = {documentStatus, documentBody, hang,
                                                            declaredLength};
        useService(scripted.start());
        ModuleRegistry::WriteRegistryValue(OnlineSettings::ServiceTimeoutName, qint64(1));
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/1/2024"));
        const qint64 drinksBefore = scalar("SELECT COUNT(*) FROM Drinks");
        const qint64 ingredientsBefore = scalar("SELECT COUNT(*) FROM Ingredients");

        std::unique_ptr<Run> run = runUpdate();
        frmUpdate* w = run->window.get();
        QVERIFY(!w->running());
        QVERIFY(w->cmdOk->isEnabled());
        if (rowState.isEmpty()) {
            QCOMPARE(w->MSFlexGrid1->rowCount(), 0);
        } else {
            QCOMPARE(w->MSFlexGrid1->rowCount(), 1);
            QCOMPARE(state(w, 0), rowState);
        }
        bool shown = false;
        for (const MessageBox::Shown& m : MessageBox::history()) {
            if (m.title == messageTitle && m.text.contains(messagePart))
                shown = true;
        }
        QVERIFY2(shown, qPrintable(titles().join(QLatin1String(" | ")) + QLatin1String(": ") +
                                   (MessageBox::history().isEmpty() ? QString()
                                                                    : MessageBox::history().last().text)));
        QVERIFY(w->statusText() != QStringLiteral("Drink Database Completed.  Enjoy!"));
        QCOMPARE(lastUpdate(), QStringLiteral("1/1/2024"));
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), drinksBefore);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Ingredients"), ingredientsBefore);
        QCOMPARE(strayFiles(), QStringList());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/abs")));
    }

    void partialUpdateKeepsTheDate()
    {
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {
            200, index({{QStringLiteral("2/1/2024"), QStringLiteral("good"), QStringLiteral("1")},
                        {QStringLiteral("2/2/2024"), QStringLiteral("bad"), QStringLiteral("1")}})};
        scripted.replies[QStringLiteral("/QZ/QZversion.txt")] = {200, "Tumblerix 8.5"};
        scripted.replies[QStringLiteral("/QZ/good.xml")] = {
            200, document({{QStringLiteral("Good One"),
                            QStringLiteral("x"),
                            QStringLiteral("1"),
                            {{QStringLiteral("1 oz"), QStringLiteral("Gin"), false, {}}}}})};
        scripted.replies[QStringLiteral("/QZ/bad.xml")] = {404, "gone"};
        useService(scripted.start());
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/1/2024"));
        std::unique_ptr<Run> run = runUpdate();
        QCOMPARE(state(run->window.get(), 0), QStringLiteral("Drink Update Completed"));
        QCOMPARE(state(run->window.get(), 1), QStringLiteral("Download failed"));
        QVERIFY(DBLib::FindDrinkID(QStringLiteral("Good One")) > 0);
        QCOMPARE(lastUpdate(), QStringLiteral("1/1/2024"));
        QCOMPARE(strayFiles(), QStringList());
        // Drinks were added, so closing reloads the list, by "Ok" or by the window's close button.
        run->window->close();
        QCOMPARE(run->reloads, 1);
    }

    void newerVersion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("no: the run goes on") << int(QMessageBox::No);
        QTest::newRow("yes: download page, every window closes") << int(QMessageBox::Yes);
    }
    void newerVersion()
    {
        QFETCH(int, answer);
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {200, index({})};
        scripted.replies[QStringLiteral("/QZ/QZversion.txt")] = {200, "Tumblerix 9.0"};
        const quint16 port = scripted.start();
        useService(port);
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/1/2024"));
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        std::unique_ptr<Run> run = runUpdate();
        QCOMPARE(MessageBox::history().value(0).title, QStringLiteral("New version available"));
        QCOMPARE(
            MessageBox::history().value(0).text,
            QStringLiteral("There is a newer version of Tumblerix available would you like to download it?"));
        QCOMPARE(MessageBox::history().value(0).buttons,
                 MessageBox::Buttons(QMessageBox::Yes | QMessageBox::No));
        if (answer == QMessageBox::Yes) {
            QCOMPARE(run->unloads, 1);
            QCOMPARE(m_browser.opened,
                     QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:%1/download.asp").arg(port))});
            QVERIFY(!run->window->running());
        } else {
            QCOMPARE(run->unloads, 0);
            QVERIFY(m_browser.opened.isEmpty());
            QCOMPARE(run->window->statusText(), QStringLiteral("You have the latest update."));
        }
        QCOMPARE(lastUpdate(), QStringLiteral("1/1/2024"));
        QCOMPARE(strayFiles(), QStringList());
    }

    void versionThatCannotBeFetchedAsksNothing()
    {
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {200, index({})};
        useService(scripted.start());
        std::unique_ptr<Run> run = runUpdate();
        QCOMPARE(titles(), QStringList());
        QCOMPARE(run->window->statusText(), QStringLiteral("You have the latest update."));
    }

    void closingDuringDownloadCleansUp()
    {
        const QByteArray first =
            document({{QStringLiteral("First"), QStringLiteral("x"), QStringLiteral("1"), {}}});
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/GetDrinkUpdates.asp")] = {
            200, index({{QStringLiteral("2/1/2024"), QStringLiteral("one"), QStringLiteral("1")},
                        {QStringLiteral("2/2/2024"), QStringLiteral("two"), QStringLiteral("1")}})};
        scripted.replies[QStringLiteral("/QZ/QZversion.txt")] = {200, "Tumblerix 8.5"};
        scripted.replies[QStringLiteral("/QZ/one.xml")] = {200, first};
        scripted.replies[QStringLiteral("/QZ/two.xml")] = {200, {}, true};
        useService(scripted.start());
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, QStringLiteral("1/1/2024"));
        int reloads = 0;
        frmUpdate w(nullptr, [&] { ++reloads; });
        w.show();
        // The first document waits in the data folder under its stem alone, without ".xml".
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_data->file(QStringLiteral("one"))), Patience);
        QFile saved(m_data->file(QStringLiteral("one")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), first);
        saved.close();
        QVERIFY(QFileInfo::exists(m_data->file(QStringLiteral("drinkUpdates.xml"))));
        QVERIFY(w.running());
        QCOMPARE(state(&w, 1), QStringLiteral("Downloading drink file"));
        saveShot(&w, "frmUpdate-downloading");

        w.close();
        QVERIFY(!w.running());
        QCOMPARE(strayFiles(), QStringList());
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("First")), -1);
        QCOMPARE(lastUpdate(), QStringLiteral("1/1/2024"));
        QCOMPARE(reloads, 0);
    }

    void submitToReferenceService()
    {
        startReferenceService();
        DBLib::Database().exec(QStringLiteral(
            "UPDATE Ingredients SET Substitute = 'Cr\u00e8me' WHERE Ingredient = 'Dry Vermouth'"));
        const qint64 id =
            addTestDrink(QStringLiteral("Gin & It"), {{"2 oz", "Gin"}, {"1 oz", "Dry Vermouth"}});
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"), {id});

        frmSubmit w(nullptr, id);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk) == QLatin1String("0"),
                                 Patience);
        QCOMPARE(w.windowTitle(), QStringLiteral("Drink Submission"));
        QCOMPARE(plain(w.OKButton->text()), QStringLiteral("Yes"));
        QCOMPARE(plain(w.CancelButton->text()), QStringLiteral("No"));
        QCOMPARE(plain(w.chkNeverAskAgain->text()), QStringLiteral("Never Ask Again"));
        QVERIFY(!w.chkNeverAskAgain->isChecked());
        saveShot(&w, "frmSubmit-asking");

        QTest::mouseClick(w.OKButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(
            w.statusText(), QStringLiteral("Transfer Complete.  Thank you for your submission"), Patience);
        QVERIFY(w.OKButton->isHidden());
        QCOMPARE(plain(w.CancelButton->text()), QStringLiteral("OK"));
        QVERIFY(w.CancelButton->isEnabled() && w.CancelButton->isDefault());
        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), 1);
        saveShot(&w, "frmSubmit-done");

        // The service kept exactly the document the program exported.
        const QStringList stored = QDir(m_documents->filePath(QStringLiteral("submissions")))
                                       .entryList({QStringLiteral("*.xml")}, QDir::Files);
        QCOMPARE(stored.size(), 1);
        QFile f(m_documents->filePath(QStringLiteral("submissions/")) + stored.constFirst());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), Online::ExportDrink(id));

        QTest::mouseClick(w.CancelButton, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("0"));
    }

    void submissionRequestOnTheWire()
    {
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/SubmitDrink.asp")] = {200, "thanks"};
        const quint16 port = scripted.start();
        useService(port);
        const qint64 id =
            addTestDrink(QStringLiteral("Gin & It"), {{"2 oz", "Gin"}, {"1 oz", "Dry Vermouth"}});
        frmSubmit w(nullptr, id);
        w.show();
        QTest::qWait(0);
        w.OKButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            w.statusText(), QStringLiteral("Transfer Complete.  Thank you for your submission"), Patience);
        QCOMPARE(scripted.requests.size(), 2);
        const QByteArray request = scripted.requests[1];
        const QByteArray body =
            "xml_doc=<?xml%20version=\"1.0\"%20encoding=\"utf-8\"%20?><drinks><drink><name>GIN%20*amp;%20IT"
            "</name><directions>Stir%20and%20serve.</directions><glassType>1</glassType><ingredients>"
            "<ingredient><amount>2%20oz</amount><type>Gin</type><noAlcohol>N</noAlcohol><substitute>"
            "</substitute></ingredient><ingredient><amount>1%20oz</amount><type>Dry%20Vermouth</type>"
            "<noAlcohol>N</noAlcohol><substitute></substitute></ingredient></ingredients></drink></drinks>";
        QCOMPARE(request, "POST http://127.0.0.1:" + QByteArray::number(port) +
                              "/QZ/SubmitDrink.asp? HTTP/1.0\r\n"
                              "Content-Type: application/x-www-form-urlencoded\r\n"
                              "Content-Length: " +
                              QByteArray::number(body.size()) +
                              "\r\n"
                              "Connection: Keep-Alive\r\n\r\n" +
                              body);
    }

    void drinkWithoutLinesIsMarkedNotSent()
    {
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        useService(scripted.start());
        const qint64 id = addTestDrink(QStringLiteral("Water"), {});
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"), {id});
        frmSubmit w(nullptr, id);
        w.show();
        QTest::qWait(0);
        w.OKButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            w.statusText(), QStringLiteral("Transfer Complete.  Thank you for your submission"), Patience);
        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), 1);
        QTest::qWait(50);
        QCOMPARE(scripted.requests.size(), 1); // the connectivity check only
    }

    void failedSubmissionIsNotMarked_data()
    {
        QTest::addColumn<bool>("refuseConnection");
        QTest::newRow("connection refused") << true;
        QTest::newRow("service answers an error") << false;
    }
    void failedSubmissionIsNotMarked()
    {
        QFETCH(bool, refuseConnection);
        ScriptedService scripted;
        scripted.replies[QStringLiteral("/QZ/CheckInternet.asp")] = {200, "0"};
        scripted.replies[QStringLiteral("/QZ/SubmitDrink.asp")] = {500, "broken"};
        scripted.stopAfterCheck = refuseConnection;
        useService(scripted.start());
        const qint64 id = addTestDrink(QStringLiteral("Gin & It"), {{"2 oz", "Gin"}});
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"), {id});
        frmSubmit w(nullptr, id);
        w.show();
        QTest::qWait(0);
        w.chkNeverAskAgain->setChecked(true);
        w.OKButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.statusText().startsWith(QLatin1String("The drink could not be sent: ")),
                                 Patience);
        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), 0);
        QCOMPARE(plain(w.CancelButton->text()), QStringLiteral("OK"));
        QVERIFY(w.CancelButton->isEnabled());
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("1"));
        if (!refuseConnection)
            QVERIFY2(w.statusText().contains(QLatin1String("500")), qPrintable(w.statusText()));
    }

    void submissionWithoutConnection()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        useService(port);
        const qint64 id = addTestDrink(QStringLiteral("Gin & It"), {{"2 oz", "Gin"}});
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"), {id});
        frmSubmit w(nullptr, id);
        w.show();
        QTest::qWait(0);
        w.OKButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), Patience);
        QCOMPARE(titles(),
                 QStringList{QStringLiteral("Tumblerix unable to connect with the drink database")});
        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), 0);
    }

    void neverAskTransitions()
    {
        const qint64 id = addTestDrink(QStringLiteral("Gin & It"), {{"2 oz", "Gin"}});

        // Empty: the window writes 0 and asks.
        {
            frmSubmit w(nullptr, id);
            w.show();
            QTRY_COMPARE_WITH_TIMEOUT(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("0"),
                                      Patience);
            QVERIFY(w.isVisible());
            // Checked and "No": never ask again.
            w.chkNeverAskAgain->setChecked(true);
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.isVisible());
            QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("1"));
        }
        // Opened with 1: it closes at once and stores the unchecked state.
        {
            frmSubmit w(nullptr, id);
            QSignalSpy closed(&w, &QDialog::rejected);
            w.show();
            QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, Patience);
            QVERIFY(!w.isVisible());
            QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("0"));
        }
        // The main window's command: an empty selection does nothing at all.
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk, qint64(1));
        int shown = 0;
        frmSubmit::SubmitSelectedDrink(nullptr, QStringLiteral("   "), [&] { ++shown; });
        QCOMPARE(shown, 0);
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("1"));

        // Otherwise the question is always asked, and the drink is shown again afterwards.
        QString valueWhileOpen;
        bool sawWindow = false;
        qint64 openedFor = -1;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* w = qobject_cast<frmSubmit*>(QApplication::activeModalWidget());
            if (w && w->isVisible()) {
                sawWindow = true;
                valueWhileOpen = ModuleRegistry::ReadText(ModuleRegistry::NeverAsk);
                openedFor = w->drinkId();
                w->chkNeverAskAgain->setChecked(true);
                w->CancelButton->click();
            }
        });
        poll.start(20);
        QTimer::singleShot(Patience, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close(); // a stuck run ends the test instead of hanging it
        });
        frmSubmit::SubmitSelectedDrink(nullptr, QStringLiteral(" gin & it "), [&] { ++shown; });
        poll.stop();
        QVERIFY(sawWindow);
        QCOMPARE(openedFor, id);
        QCOMPARE(valueWhileOpen, QStringLiteral("0"));
        QCOMPARE(shown, 1);
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::NeverAsk), QStringLiteral("1"));
    }

    // The service as its own program: started on a free loopback port, asked, sent a drink, stopped.
    void exchangeExecutable()
    {
        putDocument(QStringLiteral("feb1"), document({{QStringLiteral("Fine"), {}, QStringLiteral("1"), {}}}),
                    QDate(2024, 2, 1));
        QProcess service;
        service.setProgram(QStringLiteral(TUMBLERIX_EXCHANGE_PATH));
        service.setArguments({QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                              QStringLiteral("0"), m_documents->path()});
        service.start();
        QVERIFY(service.waitForStarted(5000));
        const auto stop = qScopeGuard([&] {
            service.terminate();
            if (!service.waitForFinished(5000)) {
                service.kill();
                service.waitForFinished(5000);
            }
        });
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += service.readAllStandardOutput()).contains('\n'), Patience);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Listening on http://127\\.0\\.0\\.1:(\\d+)/"))
                .match(QString::fromUtf8(out));
        QVERIFY2(m.hasMatch(), out.constData());
        const QUrl root(QStringLiteral("http://127.0.0.1:") + m.captured(1));

        ExchangeClient client(root, 5000);
        std::optional<bool> connected;
        client.CheckInternet([&](bool c) { connected = c; });
        QTRY_VERIFY_WITH_TIMEOUT(connected.has_value(), Patience);
        QVERIFY(*connected);
        std::optional<FetchResult> listed;
        client.get(QStringLiteral("/QZ/GetDrinkUpdates.asp?hash_code=x&last_update=1/1/2024"),
                   MaxDocumentBytes, [&](const FetchResult& r) { listed = r; });
        QTRY_VERIFY_WITH_TIMEOUT(listed.has_value(), Patience);
        const auto items = ReadUpdateIndex(listed->body, nullptr);
        QVERIFY(items && items->size() == 1 && items->at(0).file == QLatin1String("feb1"));

        SubmissionSender sender(5000);
        QSignalSpy done(&sender, &SubmissionSender::finished);
        const QString doc =
            WriteDrinkDocument({QStringLiteral("Sent & Kept"), QStringLiteral("x"), QStringLiteral("1"), {}});
        sender.SendDrink(root, BuildSubmissionRequest(root, doc));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, Patience);
        QCOMPARE(done.at(0).at(0).toBool(), true);
        const QStringList stored = QDir(m_documents->filePath(QStringLiteral("submissions")))
                                       .entryList({QStringLiteral("*.xml")}, QDir::Files);
        QCOMPARE(stored.size(), 1);

        // A body over the limit is refused and nothing more is stored.
        const QString huge = WriteDrinkDocument(
            {QStringLiteral("Big"), QString(2 * 1024 * 1024, QLatin1Char('x')), QStringLiteral("1"), {}});
        sender.SendDrink(root, BuildSubmissionRequest(root, huge));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, Patience);
        QCOMPARE(done.at(1).at(0).toBool(), false);
        QCOMPARE(QDir(m_documents->filePath(QStringLiteral("submissions")))
                     .entryList({QStringLiteral("*.xml")}, QDir::Files)
                     .size(),
                 1);
        out += service.readAllStandardOutput();
        const QByteArray logged =
            "GET http://127.0.0.1:" + m.captured(1).toLatin1() + "/QZ/CheckInternet.asp 200";
        QVERIFY(out.contains(logged));
    }
};

QTEST_MAIN(TestOnline)
#include "test_online.moc"
