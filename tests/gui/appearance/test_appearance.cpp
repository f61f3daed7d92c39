#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "core/store/DBLib.h"
#include "core/store/ModuleRegistry.h"
#include "gui/about/HelpBrowser.h"
#include "gui/about/frmAbout.h"
#include "gui/about/frmSystemInfo.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/appearance/frmColor.h"
#include "gui/common/ColorDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"

#include <QtTest>
#include <QtWidgets>

using ColorSchemes::Scheme;
using namespace Qt::StringLiterals;

namespace {

// A scheme unlike the default one, so that a reset is visible.
const Scheme Stored{QColor(250, 240, 230), QColor(20, 30, 40), QColor(128, 0, 64), QColor(200, 210, 220),
                    QColor(255, 255, 200)};

// The five preference values, as stored or as the scheme would store them.
QStringList preferences(const std::optional<Scheme>& scheme = std::nullopt)
{
    QStringList values;
    if (scheme) {
        for (const QColor& c : {scheme->Background, scheme->Text, scheme->Title, scheme->Button, scheme->TextListBox})
            values << QString::number(ColorSchemes::toColorRef(c));
    } else {
        for (const QString& name : {ModuleRegistry::Background, ModuleRegistry::Text, ModuleRegistry::Title,
                                    ModuleRegistry::Button, ModuleRegistry::TextListBox})
            values << ModuleRegistry::ReadText(name);
    }
    return values;
}

QString resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    int m_applied = 0;

private Q_SLOTS:
    void init()
    {
        QApplication::setApplicationVersion(u"8.5.0"_s);
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        ColorDialog::reset();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_applied = 0;
        ColorSchemes::SaveToPreferences(Stored);
    }
    void cleanup() { MessageBox::setAutoAnswer(false); }

    // The swatches are the working state: a cancelled pick changes nothing; only OK stores them.
    void pickAndReset_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("preference"); // its place among the five values, -1 for Reset
        QTest::addColumn<bool>("ok");
        QTest::newRow("reset, OK") << "CommandResetToDefault" << -1 << true;
        QTest::newRow("reset, Cancel") << "CommandResetToDefault" << -1 << false;
        QTest::newRow("titles") << "cmdTitles" << 2 << true;
        QTest::newRow("text") << "cmdText" << 1 << true;
        QTest::newRow("lists, Cancel") << "cmdListTextBox" << 4 << false;
    }
    void pickAndReset()
    {
        QFETCH(QString, button);
        QFETCH(int, preference);
        QFETCH(bool, ok);
        frmColor w(nullptr, [this] { ++m_applied; });
        QCOMPARE(preferences(w.swatchScheme()), preferences(Stored));
        const QColor chosen(12, 34, 56);
        ColorDialog::setNextAnswer(chosen);
        child<QPushButton>(&w, qPrintable(button))->click();
        ColorDialog::setNextAnswer(std::nullopt);
        child<QPushButton>(&w, qPrintable(button))->click();
        QStringList expected = preferences(preference < 0 ? ColorSchemes::DefaultScheme(QApplication::palette()) : Stored);
        if (preference >= 0)
            expected[preference] = QString::number(ColorSchemes::toColorRef(chosen));
        QCOMPARE(preferences(w.swatchScheme()), expected);
        QCOMPARE(preferences(), preferences(Stored)); // nothing stored before OK
        child<QPushButton>(&w, ok ? "cmdOk" : "cmdCancel")->click();
        QCOMPARE(preferences(), ok ? expected : preferences(Stored));
        QCOMPARE(preferences(ColorSchemes::current()), ok ? expected : preferences(Stored));
        QCOMPARE(m_applied, ok ? 1 : 0);
    }

    // The real colour dialog opens on the last colour chosen in this run; cancelling chooses nothing.
    void colourDialogStartsFromTheLastChoice()
    {
        QList<QColor> openedOn;
        for (const QColor& choice : {QColor(), QColor(200, 0, 0), QColor()}) {
            QTimer::singleShot(0, [&openedOn, choice] {
                auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                openedOn << dialog->currentColor();
                dialog->setCurrentColor(choice);
                choice.isValid() ? dialog->accept() : dialog->reject();
            });
            QCOMPARE(ColorDialog::choose(nullptr, u"Titles"_s), choice.isValid() ? std::optional(choice) : std::nullopt);
        }
        QCOMPARE(openedOn, (QList<QColor>{Qt::black, Qt::black, QColor(200, 0, 0)}));
    }

    // The picker opens at the colour being changed; colours hard to read are kept, with a warning.
    void pickerStartsAtTheSwatchAndWarnsOfPoorContrast()
    {
        frmColor w(nullptr, [this] { ++m_applied; });
        ColorDialog::setNextAnswer(Stored.Background);
        child<QPushButton>(&w, "cmdText")->click();
        QCOMPARE(ColorDialog::lastOpenedAt(), Stored.Text);
        child<QPushButton>(&w, "cmdOk")->click();
        QCOMPARE(MessageBox::history().last().icon, QMessageBox::Warning);
        QVERIFY(MessageBox::history().last().text.contains(u"Text on Background"_s));
        QCOMPARE(ColorSchemes::current().Text, Stored.Background);
    }

    // Until the user chooses colours, the scheme follows the desktop: readable on a dark palette.
    void defaultSchemeFollowsTheDesktop_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light desktop") << false;
        QTest::newRow("dark desktop") << true;
    }
    void defaultSchemeFollowsTheDesktop()
    {
        QFETCH(bool, dark);
        QPalette palette;
        palette.setColor(QPalette::Window, dark ? QColor(0x30, 0x30, 0x30) : QColor(0xef, 0xef, 0xef));
        palette.setColor(QPalette::WindowText, dark ? QColor(0xee, 0xee, 0xee) : QColor(Qt::black));
        palette.setColor(QPalette::Base, dark ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
        const Scheme s = ColorSchemes::DefaultScheme(palette);
        QCOMPARE(s.Background, dark ? palette.color(QPalette::Window) : QColor(Qt::white));
        QVERIFY(ColorSchemes::HardToRead(s).isEmpty());
        // A field with a background of its own (Find's white field) keeps its text readable.
        QLineEdit field;
        ColorSchemes::applyInput(&field, s);
        ColorSchemes::applyFieldBackground(&field, QColor(Qt::white), s);
        QVERIFY(ColorSchemes::ContrastRatio(field.palette().color(QPalette::Text), Qt::white) >= 3.0);

        // A first start's values are not a choice: the scheme is the desktop's default now.
        const QPalette before = QApplication::palette();
        QApplication::setPalette(palette);
        ModuleRegistry::WriteFirstStartDefaults({0, 0, 16777215});
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::ColorsChosen, u"0"_s);
        ColorSchemes::LoadFromPreferences();
        QCOMPARE(ColorSchemes::current().Background, s.Background);
        // Chosen colours stay, whatever the desktop.
        ColorSchemes::SaveToPreferences(Stored);
        ColorSchemes::LoadFromPreferences();
        QCOMPARE(preferences(ColorSchemes::current()), preferences(Stored));
        // A chosen colour that is not a number is that colour's default, not black.
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::TextListBox, u"blue"_s);
        ColorSchemes::LoadFromPreferences();
        QCOMPARE(ColorSchemes::current().TextListBox, ColorSchemes::DefaultScheme(palette).TextListBox);
        QCOMPARE(ColorSchemes::current().Text, Stored.Text);
        QApplication::setPalette(before);
    }

    // Every entry of the main window's menus is described in the menu reference of the help book.
    void helpDescribesEveryMenuEntry()
    {
        QTextDocument reference;
        reference.setHtml(resource(QDir(HelpBrowser::bookFolder()).filePath(u"menus.html"_s)));
        const QString text = reference.toPlainText();
        frmMain main(m_folder->path());
        QStringList missing;
        for (QAction* menu : main.menuBar()->actions()) {
            for (QAction* entry : menu->menu()->actions()) {
                const QString caption = entry->text().remove(QLatin1Char('&'));
                if (!entry->isSeparator() && !text.contains(caption))
                    missing << caption;
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
    }

    // System Info shows (and copies) the report, one window however often it is pressed.
    void aboutAndSystemInformation()
    {
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Screwdriver"_s, {{"2 oz", "Vodka"}, {"4 oz", "Orange Juice"}});
        DBLib::ExecuteSql(u"UPDATE Drinks SET Favorite = 1 WHERE ID = 1"_s);
        QApplication::setApplicationVersion(u"9.1"_s);
        frmAbout about(nullptr, m_folder->path());
        QCOMPARE(child<QLabel>(&about, "lblTitle")->text(), u"Tumblerix Version 9.1.0"_s);
        about.show();
        QVERIFY(about.width() < 600); // the long notices wrap rather than widen the box
        child<QPushButton>(&about, "cmdSysInfo")->click();
        QPointer<frmSystemInfo> info = about.systemInfoWindow();
        auto* tree = child<QTreeWidget>(info, "treeInfo");
        QVERIFY(info->isVisible());
        QCOMPARE(tree->palette().color(QPalette::Base), Stored.TextListBox);
        QStringList shown;
        for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::NoChildren); *it; ++it)
            shown << (*it)->parent()->text(0) + u'/' + (*it)->text(0) + u'=' + (*it)->text(1);
        for (const QString& line : QStringList{u"Program/Version=9.1.0"_s, u"Program/Qt="_s + QLatin1String(qVersion()),
                                               u"Data/Data folder="_s + QDir::toNativeSeparators(m_folder->path()),
                                               u"Data/Drinks=2"_s, u"Data/Favorite drinks=1"_s, u"Data/Recipe lines=4"_s})
            QVERIFY2(shown.contains(line), qPrintable(line));
        child<QPushButton>(info, "cmdCopy")->click();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.startsWith(u"Program\n  Name: Tumblerix\n"_s), qPrintable(copied));
        QVERIFY(copied.contains(u"\n\nData\n"_s) && copied.contains(u"\n  Favorite drinks: 1\n"_s));

        child<QPushButton>(&about, "cmdSysInfo")->click();
        QCOMPARE(about.findChildren<frmSystemInfo*>().size(), 1);
        // Enter closes it also while the focus is in the report.
        QApplication::setActiveWindow(info);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        QTRY_VERIFY(info.isNull());
        // A database that cannot be counted gives a message and no half report.
        DBLib::ExecuteSql(u"DROP TABLE Tips"_s);
        child<QPushButton>(&about, "cmdSysInfo")->click();
        QCOMPARE(MessageBox::history().value(0).text, u"System Information Is Unavailable At This Time"_s);
        QVERIFY(!about.systemInfoWindow());
        QTest::keyClick(&about, Qt::Key_Return);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void helpNavigation()
    {
        QWidget owner;
        QPointer<HelpBrowser> help = HelpBrowser::Open(&owner, u"stock.html"_s);
        QVERIFY(help->windowTitle().startsWith(u"Tumblerix Help - "_s));
        // The contents pane follows the page shown and opens the topic clicked.
        auto* tree = child<QTreeWidget>(help, "treeContents");
        QTreeWidgetItem* stock = tree->currentItem();
        QCOMPARE(stock->data(0, Qt::UserRole).toUrl().fileName(), u"stock.html"_s);
        // The topics are the contents page's links, not its other text.
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if (*it != tree->topLevelItem(0) && (*it)->data(0, Qt::UserRole).isValid())
                QVERIFY2((*it)->data(0, Qt::UserRole).toUrl() != HelpBrowser::contentsPage(), qPrintable((*it)->text(0)));
        }
        // The find box steps through the page's hits and starts from the top again after the last.
        auto* findBox = child<QLineEdit>(help, "txtFind");
        auto* page = child<QTextBrowser>(help, "textBrowser");
        findBox->setText(u"window"_s);
        QList<int> at;
        for (qsizetype n = page->toPlainText().count(u"window"_s, Qt::CaseInsensitive); n >= 0; --n) {
            QTest::keyClick(findBox, Qt::Key_Return);
            at << page->textCursor().position();
        }
        QVERIFY(at.size() > 2 && std::is_sorted(at.begin(), at.end() - 1) && at.at(1) > at.at(0) && at.last() == at.first());
        findBox->setText(u"zzzz"_s);
        QTest::keyClick(findBox, Qt::Key_Return);
        QVERIFY(help->statusBar()->currentMessage().contains(u"zzzz"_s));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
        QCOMPARE(help->currentPage(), HelpBrowser::contentsPage());
        QCOMPARE(help->windowTitle(), u"Tumblerix Help"_s);
        help->findChild<QAction*>(u"actBack"_s)->trigger();
        QCOMPARE(tree->currentItem(), stock);
        help->findChild<QAction*>(u"actHome"_s)->trigger();
        QCOMPARE(help->currentPage(), HelpBrowser::contentsPage());
        // One window per owner; Escape closes (and deletes) it; the next opens on the contents.
        QCOMPARE(HelpBrowser::Open(&owner, u"menus.html#edit"_s), help.data());
        QCOMPARE(help->currentPage().fileName(), u"menus.html"_s);
        QApplication::setActiveWindow(help);
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(help.isNull());
        QCOMPARE(HelpBrowser::Open(&owner)->currentPage(), HelpBrowser::contentsPage());
    }

    // Every link leads to a file (and a place in it) of the book; every page is in the contents.
    void everyHelpLinkResolves()
    {
        const QDir book(HelpBrowser::bookFolder());
        QVERIFY(!book.entryList({u"*.html"_s}).isEmpty());
        const QStringList pages = book.entryList({u"*.html"_s}, QDir::Files);
        static const QRegularExpression reference(u"(?:href|src)=\"([^\"]+)\""_s), title(u"<title>[^<]*\\S"_s);
        QSet<QString> inContents;
        QStringList broken;
        for (const QString& page : pages) {
            const QString html = resource(book.filePath(page));
            if (!html.contains(title))
                broken << page + u" has no title"_s;
            for (auto m = reference.globalMatch(html); m.hasNext();) {
                const QUrl target = QUrl::fromLocalFile(book.filePath(page)).resolved(QUrl(m.next().captured(1)));
                const QString file = target.isLocalFile() ? resource(target.toLocalFile()) : QString();
                const QString place = target.fragment();
                if (file.isEmpty() ||
                    (!place.isEmpty() && !file.contains(u"name=\"%1\""_s.arg(place)) && !file.contains(u"id=\"%1\""_s.arg(place))))
                    broken << page + u": "_s + target.toString();
                else if (page == QLatin1String("index.html"))
                    inContents.insert(target.fileName());
            }
        }
        for (const QString& page : pages) {
            if (page != QLatin1String("index.html") && !inContents.contains(page))
                broken << page + u" is not in the contents"_s;
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
    }
};

QTEST_MAIN(TestAppearance)
#include "test_appearance.moc"
