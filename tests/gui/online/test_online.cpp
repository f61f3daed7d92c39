// The update and submission windows driven as a user drives them: what they show of the run and of
// the submission, their buttons and messages, and what closing them does. The run's own rules are
// tested in test_exchange; all traffic stays on 127.0.0.1.

#include "ExchangeService.h"
#include "ExchangeTestSupport.h"
#include "TestSupport.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateRun.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeRepository.h"
#include "gui/common/MessageBox.h"
#include "gui/online/frmSubmit.h"
#include "gui/online/frmUpdate.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QNetworkProxy>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace Online;
using namespace Qt::StringLiterals;
// Replies are written with designated initializers that leave the other members at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

QByteArray documentOf(const QString& drinkName)
{
    return exchangeDocument({{drinkName, u"Stir."_s, u"1"_s, {{u"1 oz"_s, u"Gin"_s, false, {}}}}});
}

const QString thanks = u"Transfer Complete.  Thank you for your submission"_s;

QString neverAsk() { return ModuleRegistry::ReadText(ModuleRegistry::NeverAsk); }

QString cell(const frmUpdate& w, int row, int column)
{
    const QTableWidgetItem* item = w.MSFlexGrid1->item(row, column);
    return item ? item->text() : u"(none)"_s;
}

// What the user was told: "title: text" per message.
QString told()
{
    QStringList out;
    for (const MessageBox::Shown& shown : MessageBox::history())
        out << shown.title + u": "_s + shown.text;
    return out.join(u'\n');
}

// A scripted service that answers the connectivity check and lists the given documents.
QUrl script(ScriptedService& service, const QStringList& items, const QByteArray& version = "Tumblerix 8.5")
{
    service.replies[u"/QZ/CheckInternet.asp"_s] = {.body = "0"};
    service.replies[u"/QZ/GetDrinkUpdates.asp"_s] = {.body = exchangeIndex(items)};
    service.replies[u"/QZ/QZversion.txt"_s] = {.body = version};
    const QUrl root = service.start();
    OnlineSettings::SetServiceAddress(root.toString());
    return root;
}

} // namespace

class TestOnline : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_data;
    QList<QUrl> m_opened; // by the desktop's browser
    int m_reloads = 0;
    int m_unloads = 0;

public Q_SLOTS:
    void openUrl(const QUrl& url) { m_opened << url; }

private Q_SLOTS:
    void initTestCase()
    {
        // Loopback only: no proxy may take the traffic elsewhere, and no browser is started.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QDesktopServices::setUrlHandler(u"http"_s, this, "openUrl");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"http"_s); }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_data = std::make_unique<TestDataFolder>();
        m_data->createSmallDatabase();
        m_opened.clear();
        m_reloads = m_unloads = 0;
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, u"1/1/2024"_s);
    }

    void cleanup() { MessageBox::setAutoAnswer(false); }

    // The grid and the status follow the run; "Ok" waits for its end. "Ok" or closing reloads the
    // list when drinks may have been added; closing ends the run and removes its files.
    void updateWindow_data()
    {
        QTest::addColumn<int>("documents");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QString>("closeAt"); // "Ok", "end", a state of row 0, "two": in the second download
        QTest::addColumn<QString>("grid");    // row 0: state, date, drinks
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("reloads");
        const QString done = u"Drink Database Completed.  Enjoy!"_s, none = u"You have the latest update."_s;
        const QString first = u"Drink Update Completed|2/1/2024|1"_s;
        const QByteArray local = "Tumblerix 8.5", newer = "Tumblerix 9.0";
        QTest::newRow("Ok after new drinks") << 2 << local << u"Ok"_s << first << done << 2 << 1;
        QTest::newRow("Ok after nothing new") << 0 << local << u"Ok"_s << QString() << none << 0 << 0;
        QTest::newRow("closed after new drinks") << 1 << local << u"end"_s << first << done << 1 << 1;
        QTest::newRow("closed after nothing new") << 0 << local << u"end"_s << QString() << none << 0 << 0;
        QTest::newRow("closed in the second download")
            << 2 << local << u"two"_s << u"Download complete|2/1/2024|1"_s << u"Downloading*"_s << 0 << 0;
        QTest::newRow("closed after the first was added")
            << 2 << local << u"Drink Update Completed"_s << first << u"Adding*"_s << 1 << 1;
        // Yes opens the download page and closes every window; No lets the run go on.
        QTest::newRow("newer version, No") << 0 << newer << u"No"_s << QString() << none << 0 << 0;
        QTest::newRow("newer version, Yes") << 0 << newer << u"Yes"_s << QString() << u"Check*"_s << 0 << 0;
    }
    void updateWindow()
    {
        QFETCH(int, documents);
        QFETCH(QByteArray, version);
        QFETCH(QString, closeAt);
        QFETCH(QString, grid);
        QFETCH(QString, status);
        QFETCH(int, added);
        QFETCH(int, reloads);
        ScriptedService service;
        service.replies[u"/QZ/one.xml"_s] = {.body = documentOf(u"First"_s)};
        service.replies[u"/QZ/two.xml"_s] = {.body = documentOf(u"Second"_s), .hang = closeAt == u"two"};
        const QUrl root = script(service, QStringList{u"2/1/2024 one"_s, u"2/2/2024 two"_s}.mid(0, documents),
                                 version);
        const bool asked = closeAt == u"Yes" || closeAt == u"No";
        MessageBox::setNextAnswer(closeAt == u"Yes" ? QMessageBox::Yes : QMessageBox::No);
        const auto w = std::make_unique<frmUpdate>(nullptr, [this] { ++m_reloads; }, [this] { ++m_unloads; });
        QSignalSpy finished(w.get(), &frmUpdate::runFinished);
        connect(w->findChild<UpdateRun*>(), &UpdateRun::itemChanged, w.get(), [&] {
            if (cell(*w, 0, 0) == closeAt)
                w->close();
        });
        w->show();
        QVERIFY(!w->cmdOk->isEnabled());
        if (closeAt == u"two") {
            QTRY_COMPARE_WITH_TIMEOUT(service.count(u"/QZ/two.xml"_s), 1, Patience);
            QCOMPARE(cell(*w, 1, 0), u"Downloading drink file"_s);
            QCOMPARE(strayFiles(m_data->path()), QStringList()); // downloads wait in a folder of the run
            w->close();
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() || !w->isVisible(), Patience);
        QCOMPARE(w->cmdOk->isEnabled(), bool(finished.count()));
        if (closeAt == u"Ok")
            QTest::keyClick(w.get(), Qt::Key_Return); // "Ok" is the default button
        else if (w->isVisible() && !asked)
            w->close();
        QCOMPARE(w->isVisible(), asked);
        QVERIFY(!w->running());
        QCOMPARE(w->MSFlexGrid1->rowCount(), grid.isEmpty() ? 0 : documents);
        if (!grid.isEmpty())
            QCOMPARE(cell(*w, 0, 0) + u'|' + cell(*w, 0, 1) + u'|' + cell(*w, 0, 2), grid);
        QVERIFY2(matchesPattern(w->statusText(), status), qPrintable(w->statusText()));
        QCOMPARE(told().startsWith(u"New version available: There is a newer version of Tumblerix"_s), asked);
        QCOMPARE(m_unloads, int(closeAt == u"Yes"));
        QCOMPARE(m_opened, QList<QUrl>(closeAt == u"Yes", root.resolved(QUrl(u"/download.asp"_s))));
        QCOMPARE(strayFiles(m_data->path()), QStringList());
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Drinks"), added);
        QCOMPARE(m_reloads, reloads);
    }

    // What the run reports, the window tells; a lost connection also closes it.
    void messages_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closes");
        QTest::newRow("no connection") << u"connectionFailed"_s
                                       << u"Tumblerix unable to connect with the drink database: *Please "
                                          "verify your Internet connection and try again later."_s
                                       << true;
        QTest::newRow("unreadable index") << u"indexUnreadable"_s
                                          << u"There was a problem downloading the update file: The list of "
                                             "updates from Quaffhaus cannot be read: line 3"_s
                                          << false;
        QTest::newRow("incomplete") << u"incomplete"_s
                                    << u"The drink update is not complete: *\n\nline 3\nline 4\n\nThe next*"_s
                                    << false;
    }
    void messages()
    {
        QFETCH(QString, report);
        QFETCH(QString, message);
        QFETCH(bool, closes);
        ModuleRegistry::WriteRegistryValue(OnlineSettings::CompanyNameName, u"Quaffhaus"_s);
        frmUpdate w(nullptr, {});
        QSignalSpy rejected(&w, &QDialog::rejected);
        UpdateRun* run = w.findChild<UpdateRun*>();
        const QStringList lines{u"line 3"_s, u"line 4"_s};
        if (report == u"connectionFailed")
            Q_EMIT run->connectionFailed();
        else if (report == u"indexUnreadable")
            Q_EMIT run->indexUnreadable(lines.first());
        else
            Q_EMIT run->incomplete(lines);
        QVERIFY2(matchesPattern(told(), message), qPrintable(told()));
        QCOMPARE(rejected.count(), int(closes));
    }

    // Against the reference service: the drink goes as exported, and is marked submitted.
    void submit()
    {
        QTemporaryDir documents;
        ExchangeService service({documents.path(), documents.filePath(u"in"_s)});
        const quint16 port = service.start(QHostAddress::LocalHost, 0, nullptr);
        OnlineSettings::SetServiceAddress(u"127.0.0.1:%1"_s.arg(port));
        const qint64 id = addTestDrink(u"Gin & It"_s, {{"2 oz", "Gin"}, {"1 oz \u00e9", "Dry Vermouth"}});
        DBLib::ExecuteSql(u"UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"_s, {id});
        frmSubmit w(nullptr, id);
        w.show();
        QTRY_COMPARE_WITH_TIMEOUT(neverAsk(), u"0"_s, Patience);
        QVERIFY(!w.chkNeverAskAgain->isChecked());
        QTest::mouseClick(w.OKButton, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.statusText(), thanks, Patience);
        QCOMPARE(w.CancelButton->text(), u"&OK"_s);
        QVERIFY(w.OKButton->isHidden() && w.CancelButton->isEnabled() && w.CancelButton->isDefault());
        QCOMPARE(queryNumber("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), 1);
        const QStringList kept = QDir(documents.filePath(u"in"_s)).entryList(QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(QString::fromUtf8(fileBytes(documents.filePath(u"in/"_s + kept.value(0)))), ExportDrink(id));
        QTest::mouseClick(w.CancelButton, Qt::LeftButton);
        QVERIFY(!w.isVisible() && neverAsk() == u"0"_s);
    }

    void submissionOutcomes_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("lines");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("message");
        const QString refused = u"The drink could not be sent: The service refused the drink: 500 Scripted"_s;
        QTest::newRow("refused") << true << true << refused << QString();
        // A drink without recipe lines is not worth sending, but counts as dealt with.
        QTest::newRow("no recipe lines") << true << false << thanks << QString();
        QTest::newRow("no connection") << false << true << QString()
                                       << u"Tumblerix unable to connect with the drink database: *"_s;
    }
    void submissionOutcomes()
    {
        QFETCH(bool, listening);
        QFETCH(bool, lines);
        QFETCH(QString, status);
        QFETCH(QString, message);
        ScriptedService service;
        service.replies[u"/QZ/CheckInternet.asp"_s] = {.body = "0"};
        service.replies[u"/QZ/SubmitDrink.asp"_s] = {.status = 500};
        OnlineSettings::SetServiceAddress(listening ? service.start().toString() : u"http://127.0.0.1:1"_s);
        const qint64 id = lines ? addTestDrink(u"Gin & It"_s, {{"2", "Gin"}}) : addTestDrink(u"Water"_s, {});
        DBLib::ExecuteSql(u"UPDATE Drinks SET Submitted = 0 WHERE ID = ?1"_s, {id});
        frmSubmit w(nullptr, id);
        w.show();
        QTRY_COMPARE_WITH_TIMEOUT(neverAsk(), u"0"_s, Patience);
        w.chkNeverAskAgain->setChecked(true);
        QTest::keyClick(&w, Qt::Key_Return); // "Yes" is the default answer
        QVERIFY(!w.OKButton->isEnabled() && !w.CancelButton->isEnabled()); // the drink goes once
        QTest::keyClick(&w, Qt::Key_Escape);                                // and cannot be abandoned midway
        QTRY_VERIFY_WITH_TIMEOUT(w.CancelButton->isEnabled() || !w.isVisible(), Patience);
        QCOMPARE(w.statusText(), status);
        QVERIFY2(matchesPattern(told(), message), qPrintable(told()));
        QCOMPARE(w.isVisible(), message.isEmpty());
        QCOMPARE(queryNumber("SELECT Submitted FROM Drinks WHERE ID = ?1", {id}), qint64(status == thanks));
        QCOMPARE(service.requests.size(), listening ? 1 + int(lines) : 0);
        if (w.isVisible()) {
            QVERIFY(w.CancelButton->text() == u"&OK" && w.CancelButton->isDefault());
            QCOMPARE(neverAsk(), u"1"_s); // the box as the user left it
        }
    }

    void neverAskAgain_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("key"); // 0: "No" clicked; -1: nothing; -2: the window shown a second time
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("after");
        QTest::newRow("No") << QString() << false << 0 << false << u"0"_s;
        QTest::newRow("ticked, then Escape") << QString() << true << int(Qt::Key_Escape) << false << u"1"_s;
        QTest::newRow("other keys do not answer") << QString() << true << int(Qt::Key_A) << true << u"0"_s;
        QTest::newRow("never ask again") << u"1"_s << false << -1 << false << u"0"_s; // it closes itself
        // The question is set up once: shown again, the window keeps what the user ticked.
        QTest::newRow("shown again") << QString() << true << -2 << true << u"1"_s;
    }
    void neverAskAgain()
    {
        QFETCH(QString, before);
        QFETCH(bool, tick);
        QFETCH(int, key);
        QFETCH(bool, open);
        QFETCH(QString, after);
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk, before);
        frmSubmit w(nullptr, addTestDrink(u"Gin & It"_s, {{"2 oz", "Gin"}}));
        QSignalSpy rejected(&w, &QDialog::rejected);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(neverAsk() == u"0" || rejected.count(), Patience); // asked, or gone
        w.chkNeverAskAgain->setChecked(tick);
        if (key > 0)
            QTest::keyClick(&w, Qt::Key(key));
        else if (key == 0)
            w.CancelButton->click();
        if (key == -2) {
            ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk, after);
            w.hide();
            w.show();
            QTest::qWait(20);
        }
        QVERIFY(w.isVisible() == open && w.chkNeverAskAgain->isChecked() == tick);
        QCOMPARE(neverAsk(), after);
    }
};

QTEST_MAIN(TestOnline)
#include "test_online.moc"
