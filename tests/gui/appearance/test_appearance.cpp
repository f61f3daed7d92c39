#include "TestSupport.h"

#include "gui/about/HelpBrowser.h"
#include "core/about/SystemInfo.h"
#include "gui/about/frmAbout.h"
#include "gui/about/frmSystemInfo.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/appearance/frmColor.h"
#include "gui/common/ColorDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "core/store/DBLib.h"
#include "core/store/ModuleRegistry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <sqlite3.h>

using ColorSchemes::Scheme;

namespace {

const QStringList ColourNames = {ModuleRegistry::Background, ModuleRegistry::Text, ModuleRegistry::Title,
                                 ModuleRegistry::Button, ModuleRegistry::TextListBox};

// A scheme unlike the default one, so that a reset is visible.
Scheme storedScheme()
{
    return {QColor(250, 240, 230), QColor(20, 30, 40), QColor(128, 0, 64), QColor(200, 210, 220),
            QColor(255, 255, 200)};
}

QStringList storedPreferences()
{
    QStringList values;
    for (const QString& name : ColourNames)
        values << ModuleRegistry::ReadText(name);
    return values;
}

bool sameScheme(const Scheme& a, const Scheme& b)
{
    return a.Background == b.Background && a.Text == b.Text && a.Title == b.Title && a.Button == b.Button &&
           a.TextListBox == b.TextListBox;
}

QColor swatch(const QWidget& window, const char* name)
{
    auto* frame = window.findChild<QFrame*>(QString::fromLatin1(name));
    return frame ? frame->palette().color(QPalette::Window) : QColor();
}

QPushButton* button(const QWidget& window, const char* name)
{
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

QColor role(const QWidget* w, QPalette::ColorRole r)
{
    return w->palette().color(QPalette::Active, r);
}

// Answers the next real colour dialog: records the colour it opened on and picks `choice`
// (an invalid colour cancels).
void answerColourDialog(QColor* openedOn, QColor choice)
{
    QTimer::singleShot(0, [openedOn, choice] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        *openedOn = dialog->currentColor();
        if (choice.isValid()) {
            dialog->setCurrentColor(choice);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

QString readResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Every link and picture a help page refers to, as written.
QStringList referencesOf(const QString& html)
{
    QStringList refs;
    QTextDocument doc;
    doc.setHtml(html);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.anchorHref().isEmpty())
                refs << format.anchorHref();
            if (format.isImageFormat())
                refs << format.toImageFormat().name();
        }
    }
    // Style sheets do not survive into the document; read them from the text.
    static const QRegularExpression link(QStringLiteral("<link[^>]*href=\"([^\"]+)\""));
    for (auto m = link.globalMatch(html); m.hasNext();)
        refs << m.next().captured(1);
    return refs;
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    int m_applied = 0;

    std::unique_ptr<frmColor> openColourWindow()
    {
        return std::make_unique<frmColor>(nullptr, [this] { ++m_applied; });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setApplicationVersion(QStringLiteral("8.5.0"));
    }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        ColorDialog::reset();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_applied = 0;
        ColorSchemes::SaveToPreferences(storedScheme());
    }

    void cleanup()
    {
        MessageBox::setAutoAnswer(false);
        m_folder.reset();
        m_settings.reset();
    }

    // ---- Color Scheme ---------------------------------------------------------------------------

    void colourWindowOpensOnCurrentScheme()
    {
        const auto w = openColourWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Color Scheme"));
        QVERIFY(sameScheme(w->swatchScheme(), storedScheme()));
        QCOMPARE(swatch(*w, "picTitles"), storedScheme().Title);
        QCOMPARE(swatch(*w, "picListTextBox"), storedScheme().TextListBox);
        // The background is carried but not offered; no schemes are offered either.
        QCOMPARE(swatch(*w, "picBackground"), storedScheme().Background);
        QVERIFY(w->findChild<QFrame*>(QStringLiteral("picBackground"))->isHidden());
        QVERIFY(button(*w, "cmdBackGround")->isHidden());
        auto* schemes = w->findChild<QComboBox*>(QStringLiteral("ComboColorSchemes"));
        QVERIFY(schemes->isHidden());
        QCOMPARE(schemes->count(), 0);
        QCOMPARE(role(w.get(), QPalette::Window), storedScheme().Background);
        for (const char* name : {"cmdTitles", "cmdText", "cmdButton", "cmdListTextBox", "CommandResetToDefault",
                                 "cmdOk", "cmdCancel"})
            QCOMPARE(role(button(*w, name), QPalette::Button), storedScheme().Button);
        QVERIFY(button(*w, "cmdOk")->isDefault());
    }

    void resetThenCancelChangesNothing()
    {
        const QStringList before = storedPreferences();
        const auto w = openColourWindow();
        button(*w, "CommandResetToDefault")->click();
        QVERIFY(sameScheme(w->swatchScheme(), ColorSchemes::DefaultScheme(QApplication::palette())));
        button(*w, "cmdCancel")->click();
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QCOMPARE(storedPreferences(), before);
        QVERIFY(sameScheme(ColorSchemes::current(), storedScheme()));
        QCOMPARE(m_applied, 0);
    }

    void resetThenOkStoresDefaultScheme()
    {
        const QPalette palette = QApplication::palette();
        const auto w = openColourWindow();
        button(*w, "CommandResetToDefault")->click();
        button(*w, "cmdOk")->click();
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::Background), QStringLiteral("16777215"));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::Title), QStringLiteral("8388608"));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::Button),
                 QString::number(ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::Button))));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::Text),
                 QString::number(ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::WindowText))));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::TextListBox),
                 QString::number(ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::Base))));
        QVERIFY(sameScheme(ColorSchemes::current(), ColorSchemes::DefaultScheme(palette)));
        QCOMPARE(m_applied, 1);
    }

    void pickingAColour_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("swatchName");
        QTest::addColumn<QString>("preference");
        QTest::newRow("titles") << "cmdTitles" << "picTitles" << ModuleRegistry::Title;
        QTest::newRow("text") << "cmdText" << "picText" << ModuleRegistry::Text;
        QTest::newRow("buttons") << "cmdButton" << "picButton" << ModuleRegistry::Button;
        QTest::newRow("lists") << "cmdListTextBox" << "picListTextBox" << ModuleRegistry::TextListBox;
    }

    void pickingAColour()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, swatchName);
        QFETCH(QString, preference);
        const QColor chosen(12, 34, 56);
        const auto w = openColourWindow();
        auto* pick = w->findChild<QPushButton*>(buttonName);
        auto* picked = w->findChild<QFrame*>(swatchName);
        const Scheme before = w->swatchScheme();

        ColorDialog::setNextAnswer(chosen);
        pick->click();
        QCOMPARE(picked->palette().color(QPalette::Window), chosen);
        QCOMPARE(ColorDialog::lastChosen(), chosen);
        // Only that swatch changed, and nothing is stored yet.
        const QList<QFrame*> swatches = w->findChildren<QFrame*>(QRegularExpression(QStringLiteral("^pic")));
        QCOMPARE(swatches.size(), 5);
        for (QFrame* other : swatches) {
            if (other != picked)
                QVERIFY2(other->palette().color(QPalette::Window) != chosen, qPrintable(other->objectName()));
        }
        QVERIFY(sameScheme(ColorSchemes::current(), storedScheme()));

        // A cancelled dialog leaves the swatch as it was.
        ColorDialog::setNextAnswer(std::nullopt);
        pick->click();
        QCOMPARE(picked->palette().color(QPalette::Window), chosen);

        button(*w, "cmdOk")->click();
        QCOMPARE(ModuleRegistry::ReadText(preference), QString::number(ColorSchemes::toColorRef(chosen)));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::Background),
                 QString::number(ColorSchemes::toColorRef(before.Background)));
    }

    void colourDialogKeepsTheLastChoiceOfTheRun()
    {
        const QColor red(200, 0, 0);
        QColor openedOn;
        {
            const auto first = openColourWindow();
            const QColor titlesBefore = swatch(*first, "picTitles");
            answerColourDialog(&openedOn, QColor()); // cancelled: no choice yet
            button(*first, "cmdTitles")->click();
            QCOMPARE(openedOn, QColor(Qt::black));
            QCOMPARE(swatch(*first, "picTitles"), titlesBefore);

            answerColourDialog(&openedOn, red);
            button(*first, "cmdTitles")->click();
            QCOMPARE(openedOn, QColor(Qt::black));
            QCOMPARE(swatch(*first, "picTitles"), red);
            button(*first, "cmdCancel")->click();
        }
        // Another pick button, in a window opened later, starts from that colour.
        const auto second = openColourWindow();
        const QColor textBefore = swatch(*second, "picText");
        answerColourDialog(&openedOn, QColor());
        button(*second, "cmdText")->click();
        QCOMPARE(openedOn, red);
        QCOMPARE(swatch(*second, "picText"), textBefore);
    }

    void okRecoloursTheMainWindowAndLaterWindows()
    {
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        frmMain main(m_folder->path());
        QVERIFY(main.Load());
        frmColor w(&main, [&main] { main.ApplyColorScheme(); });
        const Scheme wanted{swatch(w, "picBackground"), QColor(10, 90, 10), QColor(150, 20, 20),
                            QColor(230, 200, 120), QColor(220, 235, 255)};
        const std::pair<const char*, QColor> picks[] = {{"cmdTitles", wanted.Title},
                                                        {"cmdText", wanted.Text},
                                                        {"cmdButton", wanted.Button},
                                                        {"cmdListTextBox", wanted.TextListBox}};
        for (const auto& [name, colour] : picks) {
            ColorDialog::setNextAnswer(colour);
            button(w, name)->click();
        }
        // Nothing reaches the main window before OK.
        QVERIFY(role(mainControl<QLabel>(&main, "Label1"), QPalette::WindowText) != wanted.Title);
        button(w, "cmdOk")->click();

        for (QLabel* heading : {mainControl<QLabel>(&main, "Label1"), mainControl<QLabel>(&main, "Label3"), mainControl<QLabel>(&main, "Label4"), mainControl<QLabel>(&main, "Label5")})
            QCOMPARE(role(heading, QPalette::WindowText), wanted.Title);
        QCOMPARE(role(mainControl<QLineEdit>(&main, "txtSearch"), QPalette::Base), wanted.TextListBox);
        QCOMPARE(role(mainControl<QListView>(&main, "lstDrinks"), QPalette::Base), wanted.TextListBox);
        for (QWidget* text : std::initializer_list<QWidget*>{mainControl<QListView>(&main, "lstDrinks"), mainControl<QLineEdit>(&main, "txtSearch")})
            QCOMPARE(role(text, QPalette::Text), wanted.Text);
        QCOMPARE(role(mainControl<QLabel>(&main, "lblDrink"), QPalette::WindowText), wanted.Text);
        QCOMPARE(role(main.centralWidget(), QPalette::Window), wanted.Background);
        QVERIFY(sameScheme(ColorSchemes::current(), wanted));

        // A window opened afterwards uses the new colours.
        frmAbout about(&main, m_folder->path());
        QCOMPARE(role(about.findChild<QLabel*>(QStringLiteral("lblTitle")), QPalette::WindowText), wanted.Title);
        QCOMPARE(role(button(about, "cmdOK"), QPalette::Button), wanted.Button);
        QCOMPARE(role(&about, QPalette::Window), wanted.Background);
    }

    // ---- About and System Information -----------------------------------------------------------

    void aboutBox()
    {
        frmAbout about(nullptr, m_folder->path());
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tumblerix"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Tumblerix Version 8.5.0"));
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("lblNotice"))->text().isEmpty());
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("lblWarning"))->text().isEmpty());
        QVERIFY(button(about, "cmdOK")->isDefault());
        QCOMPARE(button(about, "cmdSysInfo")->text(), QStringLiteral("&System Info..."));
        for (const char* label : {"lblTitle", "lblNotice", "lblWarning"})
            QCOMPARE(role(about.findChild<QLabel*>(QString::fromLatin1(label)), QPalette::WindowText),
                     storedScheme().Title);
        about.show();
        button(about, "cmdOK")->click();
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void aboutVersionComesFromTheProgram()
    {
        QApplication::setApplicationVersion(QStringLiteral("9.1.4"));
        frmAbout about(nullptr, m_folder->path());
        QApplication::setApplicationVersion(QStringLiteral("8.5.0"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Tumblerix Version 9.1.4"));
    }

    void systemInformationWindow()
    {
        const qint64 martini = addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"4 oz", "Orange Juice"}});
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET Favorite = 1 WHERE ID = ?1"), {martini});

        frmAbout about(nullptr, m_folder->path());
        about.show();
        button(about, "cmdSysInfo")->click();
        QVERIFY(MessageBox::history().isEmpty());
        frmSystemInfo* info = about.systemInfoWindow();
        QVERIFY(info);
        QVERIFY(info->isVisible());
        QCOMPARE(info->windowTitle(), QStringLiteral("System Information"));

        QHash<QString, QString> shown;
        auto* tree = info->findChild<QTreeWidget*>(QStringLiteral("treeInfo"));
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            shown.insert((*it)->parent() ? (*it)->parent()->text(0) + QLatin1Char('/') + (*it)->text(0) : (*it)->text(0),
                         (*it)->text(1));
        QCOMPARE(shown.value(QStringLiteral("Program/Version")), QStringLiteral("8.5.0"));
        QCOMPARE(shown.value(QStringLiteral("Program/SQLite")), QString::fromLatin1(sqlite3_libversion()));
        QVERIFY(shown.value(QStringLiteral("Program/Qt")).startsWith(QString::fromLatin1(qVersion())));
        QVERIFY(!shown.value(QStringLiteral("Operating system/Name")).isEmpty());
        QCOMPARE(shown.value(QStringLiteral("Data/Data folder")), QDir::toNativeSeparators(m_folder->path()));
        QCOMPARE(shown.value(QStringLiteral("Data/Drinks")), QStringLiteral("2"));
        QCOMPARE(shown.value(QStringLiteral("Data/Favorite drinks")), QStringLiteral("1"));
        QCOMPARE(shown.value(QStringLiteral("Data/Ingredients")), QStringLiteral("8"));
        QCOMPARE(shown.value(QStringLiteral("Data/Recipe lines")), QStringLiteral("4"));
        QCOMPARE(shown.value(QStringLiteral("Data/Glass types")), QStringLiteral("3"));

        // Copy gives the same report as text.
        button(*info, "cmdCopy")->click();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.contains(QStringLiteral("SQLite: ") + QString::fromLatin1(sqlite3_libversion())),
                 qPrintable(copied));
        QVERIFY(copied.contains(QStringLiteral("Favorite drinks: 1")));

        // A second press brings the same window forward instead of another one.
        button(about, "cmdSysInfo")->click();
        QCOMPARE(about.findChildren<frmSystemInfo*>().size(), 1);
    }

    void systemInformationUnavailable_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::newRow("no database open") << "close";
        QTest::newRow("database cannot be counted") << "drop";
    }

    void systemInformationUnavailable()
    {
        QFETCH(QString, breakage);
        if (breakage == QLatin1String("close"))
            DBLib::CloseRecipeDatabase();
        else
            DBLib::ExecuteSql(QStringLiteral("DROP TABLE Tips"));

        frmAbout about(nullptr, m_folder->path());
        about.show();
        button(about, "cmdSysInfo")->click();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history().last().text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(MessageBox::history().last().buttons, MessageBox::Buttons(QMessageBox::Ok));
        QVERIFY(!about.systemInfoWindow());
        QVERIFY(about.findChildren<frmSystemInfo*>().isEmpty());
        QVERIFY(about.isVisible());
    }

    // ---- Help book ------------------------------------------------------------------------------

    void helpOpensOnItsContents()
    {
        HelpBrowser help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.currentPage(), HelpBrowser::contentsPage());
        auto* browser = help.findChild<QTextBrowser*>(QStringLiteral("textBrowser"));
        QCOMPARE(browser->documentTitle(), QStringLiteral("Tumblerix Help"));
        QCOMPARE(help.windowTitle(), QStringLiteral("Tumblerix Help"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Stock and shopping")));

        // The contents pane lists the contents page's topics, and opens them.
        auto* tree = help.findChild<QTreeWidget*>(QStringLiteral("treeContents"));
        QTreeWidgetItem* stock = nullptr;
        int topics = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const QUrl url = (*it)->data(0, Qt::UserRole).toUrl();
            if (url.isEmpty())
                continue;
            ++topics;
            if (url.fileName() == QLatin1String("stock.html"))
                stock = *it;
        }
        QVERIFY(stock);
        QVERIFY(topics > 20);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(stock).center());
        QCOMPARE(help.currentPage().fileName(), QStringLiteral("stock.html"));
        QVERIFY(help.windowTitle().contains(QStringLiteral("Current Stock")));
        QCOMPARE(tree->currentItem(), stock);

        auto* back = help.findChild<QAction*>(QStringLiteral("actBack"));
        auto* forward = help.findChild<QAction*>(QStringLiteral("actForward"));
        QVERIFY(back->isEnabled());
        back->trigger();
        QCOMPARE(help.currentPage(), HelpBrowser::contentsPage());
        QVERIFY(forward->isEnabled());
        forward->trigger();
        QCOMPARE(help.currentPage().fileName(), QStringLiteral("stock.html"));
        help.findChild<QAction*>(QStringLiteral("actHome"))->trigger();
        QCOMPARE(help.currentPage(), HelpBrowser::contentsPage());

        help.showPage(QStringLiteral("menus.html#edit"));
        QCOMPARE(help.currentPage().fileName(), QStringLiteral("menus.html"));
        // Escape closes the book.
        QTest::keyClick(&help, Qt::Key_Escape);
        QVERIFY(!help.isVisible());
    }

    void helpWindowIsOnePerOwner()
    {
        QWidget owner;
        QPointer<HelpBrowser> first = HelpBrowser::Open(&owner);
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->currentPage(), HelpBrowser::contentsPage());
        QCOMPARE(HelpBrowser::Open(&owner, QStringLiteral("colors.html")), first.data());
        QCOMPARE(first->currentPage().fileName(), QStringLiteral("colors.html"));
        first->close();
        QTRY_VERIFY(!first); // closing deletes it; the next Open makes a new one on the contents
        HelpBrowser* second = HelpBrowser::Open(&owner);
        QCOMPARE(second->currentPage(), HelpBrowser::contentsPage());
    }

    void everyHelpLinkResolves()
    {
        HelpBrowser::registerResources();
        const QDir book(HelpBrowser::bookFolder());
        const QStringList pages = book.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.contains(QStringLiteral("index.html")));
        QVERIFY(pages.size() > 20);

        QSet<QString> linkedFromContents;
        QStringList broken;
        for (const QString& page : pages) {
            const QString html = readResource(book.filePath(page));
            QVERIFY2(!html.isEmpty(), qPrintable(page));
            QTextDocument doc;
            doc.setHtml(html);
            QVERIFY2(!doc.metaInformation(QTextDocument::DocumentTitle).isEmpty(), qPrintable(page + QStringLiteral(" has no title")));
            const QUrl base(QStringLiteral("qrc:/help/") + page);
            for (const QString& ref : referencesOf(html)) {
                const QUrl target = base.resolved(QUrl(ref));
                if (target.scheme() != QLatin1String("qrc")) {
                    broken << page + QStringLiteral(": leaves the book: ") + ref;
                    continue;
                }
                const QString path = QLatin1Char(':') + target.path();
                if (!QFile::exists(path)) {
                    broken << page + QStringLiteral(": ") + ref;
                    continue;
                }
                if (page == QLatin1String("index.html"))
                    linkedFromContents.insert(target.fileName());
                if (target.hasFragment()) {
                    const QString targetHtml = readResource(path);
                    const QString name = target.fragment();
                    if (!targetHtml.contains(QStringLiteral("name=\"%1\"").arg(name)) &&
                        !targetHtml.contains(QStringLiteral("id=\"%1\"").arg(name)))
                        broken << page + QStringLiteral(": no place named ") + ref;
                }
            }
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
        // Every page can be found from the contents.
        for (const QString& page : pages) {
            if (page != QLatin1String("index.html"))
                QVERIFY2(linkedFromContents.contains(page), qPrintable(page + QStringLiteral(" is not in the contents")));
        }
    }

    void helpDescribesEveryMenuEntry()
    {
        HelpBrowser::registerResources();
        QTextDocument reference;
        reference.setHtml(readResource(QStringLiteral(":/help/menus.html")));
        const QString text = reference.toPlainText();
        frmMain main(m_folder->path());
        QStringList missing;
        int entries = 0;
        for (QAction* menuAction : main.menuBar()->actions()) {
            QMenu* menu = menuAction->menu();
            QVERIFY(menu);
            QVERIFY2(text.contains(menu->title().remove(QLatin1Char('&'))), qPrintable(menu->title()));
            for (QAction* entry : menu->actions()) {
                if (entry->isSeparator())
                    continue;
                ++entries;
                const QString caption = entry->text().remove(QLatin1Char('&'));
                if (!text.contains(caption))
                    missing << caption;
            }
        }
        QVERIFY(entries >= 30);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestAppearance)
#include "test_appearance.moc"
