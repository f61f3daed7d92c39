#include "TestSupport.h"

#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "gui/main/frmModifySlideshow.h"
#include "gui/common/FileDialog.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/ModuleRegistry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStringListModel>
#include <QTest>
#include <QTimer>

using namespace ModuleRegistry;

namespace {

QStringList listed(const frmMain& w)
{
    return w.drinkListEntries();
}

int dbInt(const QString& sql, const QVariantList& params = {})
{
    return DBLib::Database().scalar(sql, params).toInt();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;

    // A small database: 3 drinks, Martini a favourite, Sunrise Fizz makeable without alcohol.
    std::unique_ptr<frmMain> openWindow()
    {
        auto w = std::make_unique<frmMain>(m_folder->path());
        if (!w->Load())
            return nullptr;
        return w;
    }

    QAction* entry(frmMain& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

    void type(frmMain& w, const QString& text)
    {
        auto* search = w.findChild<QLineEdit*>(QStringLiteral("txtSearch"));
        search->clear();
        if (text.isEmpty()) {
            // Deleting the text is a key release too.
            QTest::keyClick(search, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(search, text);
        }
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Margarita"), {{"1 1/2 oz", "Vodka"}, {"", "Lime Juice"}}, QStringLiteral("Highball Glass"));
        // An ingredient stored with blanks around its name.
        DBLib::ExecuteSql(QStringLiteral("UPDATE Ingredients SET Ingredient = '  Lime Juice ' WHERE Ingredient = 'Lime Juice'"));
        addTestDrink(QStringLiteral("Sunrise Fizz"), {{"4 oz", "Orange Juice"}, {"Fill with", "Ginger Ale"}});
        DBLib::SetFavorite(QStringLiteral("MARTINI"), true);
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        MessageBox::clearHistory();
        m_folder.reset();
        m_settings.reset();
    }

    void firstStart()
    {
        QVERIFY(IsFirstStart());
        auto w = openWindow();
        QVERIFY(w);
        QCOMPARE(listed(*w), (QStringList{QStringLiteral("MARGARITA"), QStringLiteral("MARTINI"),
                                          QStringLiteral("SUNRISE FIZZ")}));
        QVERIFY(entry(*w, "mnuView_ShowAllDrinks")->isChecked());
        QVERIFY(!entry(*w, "mnuView_SaveDrinkListOnExit")->isChecked());
        QCOMPARE(ReadText(SaveDrinkListInExit), QStringLiteral("0"));
        QCOMPARE(ReadText(SaveDrinkListSelection), QStringLiteral("1"));
        QCOMPARE(ReadText(Background), QStringLiteral("16777215"));
        QCOMPARE(ReadText(Title), QStringLiteral("8388608"));
        QVERIFY(ReadNumber(Button).has_value());
        QVERIFY(ReadNumber(Text).has_value());
        QVERIFY(ReadNumber(TextListBox).has_value());
        QCOMPARE(w->windowTitle(), QStringLiteral("Tumblerix"));
        QVERIFY(mainControl<QLabel>(w, "StatusBar1Panel1")->text().startsWith(QStringLiteral("Drinks loaded in ")));
        QVERIFY(mainControl<QLabel>(w, "StatusBar1Panel1")->text().endsWith(QStringLiteral(" Seconds")));
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("0 Drink of 3"));
        // The colours applied: a dark blue heading on white.
        auto* heading = w->findChild<QLabel*>(QStringLiteral("Label3"));
        QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void restoredView_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("checkedEntry");
        QTest::addColumn<QStringList>("drinks");
        QTest::newRow("1 all") << QStringLiteral("1") << QStringLiteral("mnuView_ShowAllDrinks")
                               << QStringList{QStringLiteral("MARGARITA"), QStringLiteral("MARTINI"),
                                              QStringLiteral("SUNRISE FIZZ")};
        QTest::newRow("2 stock") << QStringLiteral("2") << QStringLiteral("mnuView_SearchDrinksAvailableWithCurrentStock")
                                 << QStringList{QStringLiteral("MARTINI"), QStringLiteral("SUNRISE FIZZ")};
        QTest::newRow("3 non-alcoholic") << QStringLiteral("3") << QStringLiteral("mnuView_SearchAllNonAlcoholicDrinks")
                                         << QStringList{QStringLiteral("SUNRISE FIZZ")};
        QTest::newRow("4 stock non-alcoholic")
            << QStringLiteral("4") << QStringLiteral("mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock")
            << QStringList{QStringLiteral("SUNRISE FIZZ")};
        // The favourites view is reloaded too.
        QTest::newRow("5 favourites") << QStringLiteral("5") << QStringLiteral("mnuView_ShowFavorites")
                                      << QStringList{QStringLiteral("MARTINI")};
        // A code that names no view shows all drinks.
        QTest::newRow("out of range") << QStringLiteral("9") << QStringLiteral("mnuView_ShowAllDrinks")
                                      << QStringList{QStringLiteral("MARGARITA"), QStringLiteral("MARTINI"),
                                                     QStringLiteral("SUNRISE FIZZ")};
        QTest::newRow("not a number") << QStringLiteral("x") << QStringLiteral("mnuView_ShowAllDrinks")
                                      << QStringList{QStringLiteral("MARGARITA"), QStringLiteral("MARTINI"),
                                                     QStringLiteral("SUNRISE FIZZ")};
    }
    void restoredView()
    {
        QFETCH(QString, code);
        QFETCH(QString, checkedEntry);
        QFETCH(QStringList, drinks);
        WriteFirstStartDefaults({0, 0, 16777215});
        WriteRegistryValue(SaveDrinkListInExit, QStringLiteral("1"));
        WriteRegistryValue(SaveDrinkListSelection, code);
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(entry(*w, "mnuView_SaveDrinkListOnExit")->isChecked());
        QCOMPARE(listed(*w), drinks);
        for (const char* name : {"mnuView_ShowAllDrinks", "mnuView_ShowFavorites",
                                 "mnuView_SearchDrinksAvailableWithCurrentStock", "mnuView_SearchAllNonAlcoholicDrinks",
                                 "mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock"})
            QCOMPARE(entry(*w, name)->isChecked(), QLatin1String(name) == checkedEntry);
    }

    void viewCommands()
    {
        auto w = openWindow();
        QVERIFY(w);
        entry(*w, "mnuView_ShowFavorites")->trigger();
        QCOMPARE(ReadText(SaveDrinkListSelection), QStringLiteral("5"));
        QCOMPARE(listed(*w), QStringList{QStringLiteral("MARTINI")});
        QVERIFY(entry(*w, "mnuView_ShowFavorites")->isChecked());
        QVERIFY(!entry(*w, "mnuView_ShowAllDrinks")->isChecked());
        QVERIFY(mainControl<QTimer>(w, "TimerClearPerformance")->isActive());
        QVERIFY(!mainControl<QProgressBar>(w, "ProgressBar1")->isVisible());
        QVERIFY(!w->isBusy());

        // The clearing timer empties only the load-time message, then stops.
        QCOMPARE(mainControl<QTimer>(w, "TimerClearPerformance")->interval(), 10000);
        mainControl<QTimer>(w, "TimerClearPerformance")->setInterval(1);
        QTRY_VERIFY(!mainControl<QTimer>(w, "TimerClearPerformance")->isActive());
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel1")->text(), QString());
        entry(*w, "mnuView_ShowAllDrinks")->trigger();
        mainControl<QLabel>(w, "StatusBar1Panel1")->setText(QStringLiteral("Something else"));
        QTRY_VERIFY(!mainControl<QTimer>(w, "TimerClearPerformance")->isActive());
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel1")->text(), QStringLiteral("Something else"));

        // A stock search with nothing in stock says so and lists nothing.
        DBLib::ExecuteSql(QStringLiteral("UPDATE Ingredients SET CurrentStock = 0"));
        DBLib::InvalidateStockViews();
        entry(*w, "mnuView_SearchDrinksAvailableWithCurrentStock")->trigger();
        QVERIFY(listed(*w).isEmpty());
        QCOMPARE(MessageBox::history().last().title, QStringLiteral("Stock List Is Empty"));
        QCOMPARE(MessageBox::history().last().text,
                 QStringLiteral("You need at least one ingredient in the current stock list to use this feature"));
        QVERIFY(mainControl<QLabel>(w, "StatusBar1Panel1")->text().startsWith(QStringLiteral("Drinks loaded in ")));

        // "Save Drink List On Exit" flips the preference.
        entry(*w, "mnuView_SaveDrinkListOnExit")->trigger();
        QCOMPARE(ReadText(SaveDrinkListInExit), QStringLiteral("1"));
        entry(*w, "mnuView_SaveDrinkListOnExit")->trigger();
        QCOMPARE(ReadText(SaveDrinkListInExit), QStringLiteral("0"));
    }

    void closeRefusedWhileBusy()
    {
        // Enough drinks for the list to let window messages run while it is filled.
        for (int i = 0; i < 1200; ++i)
            addTestDrink(QStringLiteral("Fizz %1").arg(i), {{"2 oz", "Orange Juice"}, {"Fill", "Ginger Ale"}});
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        bool closedWhileBusy = true;
        bool wasBusy = false;
        // Posted now, delivered while the search runs.
        QTimer::singleShot(0, w.get(), [&] {
            wasBusy = w->isBusy();
            closedWhileBusy = w->close();
        });
        DBLib::InvalidateStockViews();
        entry(*w, "mnuView_SearchDrinksAvailableWithCurrentStock")->trigger();
        QVERIFY(wasBusy);
        QVERIFY(!closedWhileBusy);
        QVERIFY(w->isVisible());
        QCOMPARE(MessageBox::history().last().title, QStringLiteral("Can not exit at this time"));
        QCOMPARE(MessageBox::history().last().text, QStringLiteral("Please wait for processing to complete and try again"));
        QCOMPARE(listed(*w).size(), 1202);
        // Once the search is done the window closes.
        QVERIFY(w->close());
    }

    void incrementalSearchInTheWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::newRow("upper case") << QStringLiteral("MART") << QStringLiteral("MARTINI");
        QTest::newRow("lower case") << QStringLiteral("mar") << QStringLiteral("MARGARITA");
        QTest::newRow("no match keeps selection") << QStringLiteral("XYZ") << QStringLiteral("SUNRISE FIZZ");
        QTest::newRow("blanks keep selection") << QStringLiteral("  ") << QStringLiteral("SUNRISE FIZZ");
        QTest::newRow("emptied box selects first") << QString() << QStringLiteral("MARGARITA");
    }
    void incrementalSearchInTheWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, selected);
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(2);
        type(*w, text);
        QCOMPARE(w->selectedDrinkName(), selected);
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QLatin1Char(' ') + selected);
    }

    void recipeDisplay()
    {
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(0);
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("1 Drink of 3"));
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" MARGARITA"));
        QCOMPARE(mainControl<QLabel>(w, "lblGlassType")->text(), QStringLiteral("Highball Glass"));
        QCOMPARE(mainControl<QPlainTextEdit>(w, "lblDescription")->toPlainText(), QStringLiteral("Stir and serve."));
        QVERIFY(!mainControl<QLabel>(w, "picglass")->pixmap().isNull());
        QCOMPARE(mainControl<QListWidget>(w, "lstIngredients")->count(), 2);
        QCOMPARE(mainControl<QListWidget>(w, "lstIngredients")->item(0)->text(), QStringLiteral("1 1/2 oz Vodka"));
        QCOMPARE(mainControl<QListWidget>(w, "lstIngredients")->item(1)->text(), QStringLiteral("Lime Juice"));
        QVERIFY(mainControl<QAction>(w, "mnuMarkAsFavorite")->isVisible());
        QVERIFY(!mainControl<QAction>(w, "mnuRemoveFromFavorites")->isVisible());
        QCOMPARE(w->selectedDrinkId(), DBLib::FindDrinkID(QStringLiteral("MARGARITA")));
        w->selectDrinkAt(1);
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("2 Drink of 3"));
        QVERIFY(!mainControl<QAction>(w, "mnuMarkAsFavorite")->isVisible());
        QVERIFY(mainControl<QAction>(w, "mnuRemoveFromFavorites")->isVisible());
        // Showing the same drink again rebuilds its lines from scratch.
        w->lstDrinks_Click();
        QCOMPARE(mainControl<QListWidget>(w, "lstIngredients")->count(), 2);
        // Nothing selected: only the counter changes.
        w->selectDrinkAt(-1);
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("0 Drink of 3"));
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" MARTINI"));
    }

    void clickAfterReloadShowsTheDrink()
    {
        // After a reload (as after Modify Drink) nothing is selected, but the list may keep its
        // current row; clicking that very row must still show the drink.
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->selectDrinkAt(1);
        w->LoadDrinks(false);
        QCOMPARE(w->selectedPosition(), -1);
        mainControl<QLabel>(w, "lblDrink")->clear();
        const QRect row = mainControl<QListView>(w, "lstDrinks")->visualRect(mainControl<QListView>(w, "lstDrinks")->model()->index(1, 0));
        QTest::mouseClick(mainControl<QListView>(w, "lstDrinks")->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(w->selectedPosition(), 1);
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("2 Drink of 3"));
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" MARTINI"));
        // Moving with the keyboard shows the next one.
        QTest::keyClick(mainControl<QListView>(w, "lstDrinks"), Qt::Key_Down);
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" SUNRISE FIZZ"));
    }

    void printListEntriesFollowCollecting()
    {
        auto w = openWindow();
        QVERIFY(w);
        const char* followers[] = {"mnuClearQueue", "mnuPrintDrinks", "mnuPrint"};
        // "Print" comes on with the list after loading; the queue's own entries wait for a drink.
        QVERIFY(!entry(*w, "mnuClearQueue")->isEnabled());
        QVERIFY(!entry(*w, "mnuPrintDrinks")->isEnabled());
        w->selectDrinkAt(1);
        entry(*w, "mnuAddPrint")->trigger();
        for (const char* name : followers)
            QVERIFY2(entry(*w, name)->isEnabled(), name);
        entry(*w, "mnuClearQueue")->trigger();
        for (const char* name : followers)
            QVERIFY2(!entry(*w, name)->isEnabled(), name);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void menuShortcutsWinInTheSearchBox()
    {
        // The search box has the focus at start; Ctrl+A must still open Add Drink.
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto* search = w->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        search->setText(QStringLiteral("MAR"));
        QString opened;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->windowTitle();
                modal->close();
            }
        });
        closer.start();
        QTest::keyClick(search, Qt::Key_A, Qt::ControlModifier);
        closer.stop();
        QCOMPARE(opened, QStringLiteral("Add Drink"));
        QVERIFY(!search->hasSelectedText());
        // Keys the menu does not use still edit the text.
        QTest::keyClick(search, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(search->selectedText(), QStringLiteral("R"));
    }

    void modifiedDrinkIsShownAfterUpdate()
    {
        // After an update the list is reloaded; the drink is selected again under its new name and
        // shown as stored, not as it was before the update.
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(1); // MARTINI
        QTimer editor;
        editor.setInterval(20);
        bool edited = false;
        QObject::connect(&editor, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->windowTitle() != QLatin1String("Modify Drink") || edited)
                return;
            edited = true;
            modal->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("Dry Martini"));
            modal->findChild<QLineEdit*>(QStringLiteral("txtAmount1"))->setText(QStringLiteral("2 1/2 oz"));
            modal->findChild<QPushButton*>(QStringLiteral("cmdUpdate"))->click();
        });
        editor.start();
        mainControl<QAction>(w, "mnuModifyDrink")->trigger();
        editor.stop();
        QVERIFY(edited);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(w->selectedDrinkName(), QStringLiteral("DRY MARTINI"));
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" DRY MARTINI"));
        QCOMPARE(mainControl<QListWidget>(w, "lstIngredients")->item(0)->text(), QStringLiteral("2 1/2 oz Gin"));
        QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(),
                 QStringLiteral("%1 Drink of 3").arg(listed(*w).indexOf(QStringLiteral("DRY MARTINI")) + 1));
        QCOMPARE(w->selectedDrinkId(), DBLib::FindDrinkID(QStringLiteral("DRY MARTINI")));
    }

    void missingGlassPictureAndGlass()
    {
        DBLib::ExecuteSql(QStringLiteral("UPDATE Drinks SET GlassType = 77 WHERE Name = ?1"),
                          {Lib::EncodeText(QStringLiteral("MARTINI"))});
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(1);
        QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" MARTINI"));
        QCOMPARE(mainControl<QLabel>(w, "lblGlassType")->text(), QString());
        QVERIFY(!mainControl<QLabel>(w, "picglass")->pixmap().isNull()); // the "picture not found" picture
        QVERIFY(MessageBox::history().isEmpty());
    }

    void favourites()
    {
        auto w = openWindow();
        QVERIFY(w);
        // In the favourites view, adding keeps the drink and removing takes it out at once.
        entry(*w, "mnuView_ShowFavorites")->trigger();
        w->selectDrinkAt(0);
        mainControl<QAction>(w, "mnuRemoveFromFavorites")->trigger();
        QVERIFY(listed(*w).isEmpty());
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1")), 0);
        QVERIFY(mainControl<QAction>(w, "mnuMarkAsFavorite")->isVisible());

        entry(*w, "mnuView_ShowAllDrinks")->trigger();
        w->selectDrinkAt(2);
        mainControl<QAction>(w, "mnuMarkAsFavorite")->trigger();
        QVERIFY(mainControl<QAction>(w, "mnuRemoveFromFavorites")->isVisible());
        QCOMPARE(dbInt(QStringLiteral("SELECT Favorite FROM Drinks WHERE Name = ?1"),
                       {Lib::EncodeText(QStringLiteral("SUNRISE FIZZ"))}),
                 1);
        // In other views removing leaves the drink listed.
        mainControl<QAction>(w, "mnuRemoveFromFavorites")->trigger();
        QCOMPARE(listed(*w).size(), 3);
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1")), 0);
        // Without a selection the commands do nothing.
        w->selectDrinkAt(-1);
        mainControl<QAction>(w, "mnuMarkAsFavorite")->trigger();
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1")), 0);
    }

    void deleteDrink_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deleteDrink()
    {
        QFETCH(bool, confirm);
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(1);
        const qint64 id = w->selectedDrinkId();
        MessageBox::setNextAnswer(confirm ? QMessageBox::Yes : QMessageBox::No);
        mainControl<QAction>(w, "mnuDelete")->trigger();
        QCOMPARE(MessageBox::history().last().title, QStringLiteral("Delete Confirmation"));
        QCOMPARE(MessageBox::history().last().text, QStringLiteral("Are you sure you want to permanately deleted this drink?"));
        QCOMPARE(listed(*w).contains(QStringLiteral("MARTINI")), !confirm);
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("MARTINI")) >= 0, !confirm);
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1"), {id}), confirm ? 0 : 2);
        if (confirm) {
            QCOMPARE(w->selectedPosition(), -1);
            // The display keeps the deleted drink until another one is chosen; the counter says
            // nothing is selected.
            QCOMPARE(mainControl<QLabel>(w, "lblDrink")->text(), QStringLiteral(" MARTINI"));
            QCOMPARE(mainControl<QLabel>(w, "StatusBar1Panel3")->text(), QStringLiteral("0 Drink of 2"));
            // The search still finds what follows the removed entry.
            type(*w, QStringLiteral("SUN"));
            QCOMPARE(w->selectedDrinkName(), QStringLiteral("SUNRISE FIZZ"));
        }
    }

    void shoppingListCommand()
    {
        auto w = openWindow();
        QVERIFY(w);
        w->selectDrinkAt(0); // MARGARITA: Vodka missing, Lime Juice in stock
        mainControl<QAction>(w, "mnuAddShoppingList")->trigger();
        QCOMPARE(dbInt(QStringLiteral("SELECT ShoppingList FROM Ingredients WHERE Ingredient = 'Vodka'")), 1);
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM Ingredients WHERE ShoppingList = 1")), 1);
        w->selectDrinkAt(1); // MARTINI: all in stock
        mainControl<QAction>(w, "mnuAddShoppingList")->trigger();
        QCOMPARE(dbInt(QStringLiteral("SELECT COUNT(*) FROM Ingredients WHERE ShoppingList = 1")), 1);
    }

    void slideshowPictureList()
    {
        // A new data folder gets the shipped pictures and a list naming them.
        frmModifySlideshow::InstallStarterPictures(m_folder->path());
        const QString listPath = QDir(m_folder->path()).filePath(QStringLiteral("custom.dat"));
        QVERIFY(QFile::exists(listPath));
        auto w = openWindow();
        QVERIFY(w);
        const int shipped = mainControl<QListWidget>(w, "lstAddCustom")->count();
        QVERIFY(shipped > 0);
        QVERIFY(mainControl<QListWidget>(w, "lstAddCustom")->item(0)->text().startsWith(m_folder->path()));
        QVERIFY(mainControl<QTimer>(w, "SlideShowTimer")->isActive());
        QVERIFY(!mainControl<QTimer>(w, "Timer")->isActive());

        // The editor shows entries as stored, adds through the file dialog, deletes with Del.
        frmModifySlideshow editor(m_folder->path(), [&] { w->LoadPictureList(); }, w.get());
        QCOMPARE(editor.lstAddCustom->count(), shipped);
        QVERIFY(editor.lstAddCustom->item(0)->text().startsWith(QStringLiteral("\\Images\\")));
        FileDialog::setNextFileName(QStringLiteral("/pictures/bar, night.png"));
        editor.cmdAddCustom->click();
        FileDialog::setNextFileName(QString()); // cancelled: nothing added
        editor.cmdAddCustom->click();
        QCOMPARE(editor.lstAddCustom->count(), shipped + 1);
        editor.lstAddCustom->setCurrentRow(0);
        QTest::keyClick(editor.lstAddCustom, Qt::Key_Delete);
        QCOMPARE(editor.lstAddCustom->count(), shipped);
        editor.cmdExit->click();
        // Reloaded whole: the path with a comma was written between quotes.
        QCOMPARE(mainControl<QListWidget>(w, "lstAddCustom")->count(), shipped);
        QCOMPARE(mainControl<QListWidget>(w, "lstAddCustom")->item(shipped - 1)->text(), QStringLiteral("/pictures/bar, night.png"));
        // A missing picture shows the replacement and the show goes on.
        mainControl<QLabel>(w, "Image1")->clear();
        mainControl<QTimer>(w, "SlideShowTimer")->setInterval(1);
        QTRY_VERIFY(!mainControl<QLabel>(w, "Image1")->pixmap().isNull());
    }

    void slideshowEditorCancel()
    {
        const QString listPath = QDir(m_folder->path()).filePath(QStringLiteral("custom.dat"));
        frmModifySlideshow editor(m_folder->path(), {}, nullptr);
        QCOMPARE(editor.lstAddCustom->count(), 0); // no list file yet
        FileDialog::setNextFileName(QStringLiteral("/pictures/a.png"));
        editor.cmdAddCustom->click();
        editor.cmdCancel->click();
        QVERIFY(!QFile::exists(listPath));
    }

    void unopenableDatabaseIsReported()
    {
        DBLib::CloseRecipeDatabase();
        QFile::remove(m_folder->databasePath() + QStringLiteral("-wal"));
        QFile::remove(m_folder->databasePath() + QStringLiteral("-shm"));
        QFile f(m_folder->databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a database at all, but my notes");
        f.close();
        frmMain w(m_folder->path());
        QVERIFY(!w.Load());
        QVERIFY(MessageBox::history().last().text.contains(m_folder->databasePath()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not a database at all, but my notes"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
