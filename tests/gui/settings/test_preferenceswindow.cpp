#include "ExchangeService.h"
#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/exchange/OnlineSettings.h"
#include "core/settings/Preferences.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "gui/settings/frmPreferences.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestPreferencesWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;

    // Opens Edit > Preferences and lets `edit` work in the window while it is open.
    void withPreferences(const std::function<void(frmPreferences*)>& edit)
    {
        QTimer::singleShot(0, m_main.get(), [this, edit] {
            auto* window = qobject_cast<frmPreferences*>(QApplication::activeModalWidget());
            QVERIFY(window);
            edit(window);
            if (window->isVisible())
                window->reject();
        });
        m_main->findChild<QAction*>(u"mnuPreferences"_s)->trigger();
    }
    static QPushButton* ok(frmPreferences* w) { return child<QDialogButtonBox>(w, "buttons")->button(QDialogButtonBox::Ok); }

private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_main = std::make_unique<frmMain>(m_folder->path());
        QVERIFY(m_main->Load());
        m_main->show();
    }
    void cleanup() { m_main.reset(); m_folder.reset(); }

    void okKeepsTheValuesAndTheMainWindowFollows()
    {
        m_main->selectDrinkNamed(u"MARGARITA"_s);
        QVERIFY(mainControl<QLabel>(m_main, "lblMaths")->text().contains(u"88.8 ml (3.0 oz)"_s));
        withPreferences([](frmPreferences* w) {
            QCOMPARE(child<QLabel>(w, "lblDataFolder")->text().isEmpty(), false);
            child<QLineEdit>(w, "txtServiceAddress")->setText(u"https://bar.example"_s);
            child<QSpinBox>(w, "spinTimeout")->setValue(45);
            child<QComboBox>(w, "cmbUnitsFirst")->setCurrentIndex(1);
            child<QComboBox>(w, "cmbStandardDrink")->setCurrentIndex(1);
            child<QCheckBox>(w, "chkCountSubstitutes")->setChecked(true);
            ok(w)->click();
            QVERIFY(!w->isVisible());
        });
        QCOMPARE(OnlineSettings::ServiceRoot(), QUrl(u"https://bar.example"_s));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 45000);
        const QString figures = mainControl<QLabel>(m_main, "lblMaths")->text();
        QVERIFY2(figures.contains(u"3.0 oz (88.8 ml)"_s) && figures.contains(u"UK 8 g"_s), qPrintable(figures));
        QVERIFY(m_main->findChild<QAction*>(u"mnuView_CountSubstitutes"_s)->isChecked());
        // Opened again, the window shows what was kept.
        withPreferences([](frmPreferences* w) {
            QCOMPARE(child<QComboBox>(w, "cmbStandardDrink")->currentIndex(), 1);
            QCOMPARE(child<QComboBox>(w, "cmbUnitsFirst")->currentIndex(), 1);
        });
    }

    void badValuesAreRefusedAndCancelChangesNothing()
    {
        const Preferences::Values before = Preferences::Load();
        withPreferences([](frmPreferences* w) {
            auto* address = child<QLineEdit>(w, "txtServiceAddress");
            address->setText(u"gopher://old.example"_s);
            ok(w)->click();
            QVERIFY(w->isVisible() && MessageBox::history().last().text.contains(u"http://"_s));
            QCOMPARE(w->focusWidget(), address);
            child<QLineEdit>(w, "txtCompanyName")->setText(u"Elsewhere"_s);
            w->reject();
        });
        const Preferences::Values after = Preferences::Load();
        QVERIFY(after.serviceAddress == before.serviceAddress && after.companyName == before.companyName);
    }

    void testConnection()
    {
        QTemporaryDir documents;
        ExchangeService service({documents.path(), documents.filePath(u"in"_s)});
        QString error;
        const quint16 port = service.start(QHostAddress::LocalHost, 0, &error);
        QVERIFY2(port, qPrintable(error));
        withPreferences([port](frmPreferences* w) {
            // Nothing listens on port 1.
            for (const auto& [address, said] : {std::pair(u"http://127.0.0.1:%1"_s.arg(port), u"answers."_s),
                                                std::pair(u"http://127.0.0.1:1"_s, u"does not answer"_s)}) {
                MessageBox::clearHistory();
                child<QLineEdit>(w, "txtServiceAddress")->setText(address);
                child<QPushButton>(w, "cmdTestConnection")->click();
                QTRY_VERIFY(!MessageBox::history().isEmpty());
                QVERIFY2(MessageBox::history().last().text.contains(said), qPrintable(MessageBox::history().last().text));
            }
        });
    }
};

QTEST_MAIN(TestPreferencesWindow)
#include "test_preferenceswindow.moc"
