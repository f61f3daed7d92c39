#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/slideshow/PictureList.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeRepository.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/main/GlassPictures.h"
#include "gui/main/frmMain.h"
#include "gui/main/frmModifySlideshow.h"
#include "gui/main/frmSplash.h"

#include <QtTest>
#include <QtWidgets>

using namespace ModuleRegistry;
using namespace Qt::StringLiterals;

namespace {

const QStringList AllFour = {u"MARGARITA"_s, u"MARTINI"_s, u"SHIRLEY"_s, u"SUNRISE FIZZ"_s};

// A window that refuses to close, as an editor holding unsaved changes may.
class StubbornWindow : public QWidget
{
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_w;

    bool open(bool show = false, const QString& folder = {})
    {
        m_w = std::make_unique<frmMain>(folder.isEmpty() ? m_folder->path() : folder);
        if (!m_w->Load())
            return false;
        if (show)
            m_w->show();
        return !show || QTest::qWaitForWindowExposed(m_w.get());
    }
    template <typename T> T* c(const QString& name) { return mainControl<T>(m_w, name.toLatin1().constData()); }
    QAction* act(const QString& name) { return c<QAction>(name); }
    QString panel(int n) { return c<QLabel>(u"StatusBar1Panel%1"_s.arg(n))->text(); }
    // The drink the recipe side shows.
    QString shown() { return c<QLabel>(u"lblDrink"_s)->text().trimmed(); }
    qint64 favourites() { return DBLib::Database().scalar(u"SELECT COUNT(*) FROM Drinks WHERE Favorite = 1"_s).toLongLong(); }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        // Martini a favourite; Shirley non-alcoholic but not in stock; Sunrise Fizz both, in a
        // glass that has neither a name nor a picture.
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Margarita"_s, {{"1 1/2 oz", "Vodka"}, {"", "Lime Juice"}}, u"Highball Glass"_s);
        const qint64 sunrise = addTestDrink(u"Sunrise Fizz"_s, {{"4 oz", "Orange Juice"}, {"Fill with", "Ginger Ale"}});
        addTestDrink(u"Shirley"_s, {{"1 dash", "Grenadine"}, {"Fill with", "Ginger Ale"}});
        DBLib::ExecuteSql(u"UPDATE Drinks SET GlassType = 77 WHERE ID = ?1"_s, {sunrise});
        DBLib::SetFavorite(u"MARTINI"_s, true);
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        m_w.reset();
        MessageBox::clearHistory();
        m_folder.reset();
        m_settings.reset();
    }

    // ---- Start-up ----------------------------------------------------------------------------

    void startAndRestart()
    {
        QVERIFY(IsFirstStart());
        QVERIFY(open());
        QCOMPARE(m_w->drinkListEntries(), AllFour);
        QCOMPARE(m_w->checkedView(), int(frmMain::AllDrinks));
        QVERIFY(panel(1).startsWith(u"Drinks loaded in "_s) && panel(1).endsWith(u" Seconds"_s));
        QCOMPARE(panel(3), u"0 Drink of 4"_s);
        // A data folder that has a database but no picture list gets no pictures.
        QCOMPARE(c<QListWidget>(u"lstAddCustom"_s)->count(), 0);
        // The desktop's colours become the first scheme.
        for (const auto& [name, role] : {std::pair(Button, QPalette::Button), {Text, QPalette::WindowText}, {TextListBox, QPalette::Base}})
            QCOMPARE(ReadNumber(name), ColorSchemes::toColorRef(QApplication::palette().color(QPalette::Active, role)));
        // The view in use comes back at the next start when the user asks for it.
        QVERIFY(!act(u"mnuView_SaveDrinkListOnExit"_s)->isChecked());
        act(u"mnuView_ShowFavorites"_s)->trigger();
        act(u"mnuView_SaveDrinkListOnExit"_s)->trigger();
        QVERIFY(open() && act(u"mnuView_SaveDrinkListOnExit"_s)->isChecked());
        QCOMPARE(m_w->checkedView(), int(frmMain::Favorites));
        QCOMPARE(m_w->drinkListEntries(), QStringList{u"MARTINI"_s});
        // A code no view has: all drinks.
        WriteRegistryValue(SaveDrinkListSelection, u"9"_s);
        QVERIFY(open());
        QCOMPARE(m_w->checkedView(), int(frmMain::AllDrinks));
        QCOMPARE(m_w->drinkListEntries(), AllFour);
        // Not kept: all drinks again.
        act(u"mnuView_SaveDrinkListOnExit"_s)->trigger();
        QVERIFY(open() && !act(u"mnuView_SaveDrinkListOnExit"_s)->isChecked());
        QCOMPARE(m_w->checkedView(), int(frmMain::AllDrinks));
    }

    void unopenableDatabaseStopsTheStart()
    {
        DBLib::CloseRecipeDatabase();
        QFile f(m_folder->databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write("my notes") > 0);
        f.close();
        QVERIFY(!open() && MessageBox::history().value(0).text.contains(m_folder->databasePath()));
    }

    void splashShowsTheProgressAndOutlivesItsClose()
    {
        // The program keeps its splash on the stack: closing must hide it, never delete it.
        auto* splash = new frmSplash;
        QPointer<frmSplash> alive(splash);
        splash->show();
        m_w = std::make_unique<frmMain>(m_folder->path());
        QVERIFY(m_w->Load(splash) && !splash->isVisible());
        QCOMPARE(splash->progressBar()->maximum(), 4 + 100);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(alive);
        splash->show();
        QTest::keyClick(splash, Qt::Key_Space); // any key closes it
        QVERIFY(!splash->isVisible());
        delete splash;
    }

    // ---- Views and the busy state ------------------------------------------------------------

    void viewCommands_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("drinks");
        QTest::addColumn<QString>("message"); // with nothing in stock, a piece of the message shown
        const QString stock = u"mnuView_SearchDrinksAvailableWithCurrentStock"_s;
        const QString both = u"mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock"_s;
        QTest::newRow("favourites") << u"mnuView_ShowFavorites"_s << QStringList{u"MARTINI"_s} << QString();
        QTest::newRow("stock") << stock << QStringList{u"MARTINI"_s, u"SUNRISE FIZZ"_s} << QString();
        QTest::newRow("non-alcoholic") << u"mnuView_SearchAllNonAlcoholicDrinks"_s
                                       << QStringList{u"SHIRLEY"_s, u"SUNRISE FIZZ"_s} << QString();
        QTest::newRow("stock non-alcoholic") << both << QStringList{u"SUNRISE FIZZ"_s} << QString();
        QTest::newRow("all") << u"mnuView_ShowAllDrinks"_s << AllFour << QString();
        QTest::newRow("stock, none in stock") << stock << QStringList() << u"at least one ingredient"_s;
        QTest::newRow("stock non-alcoholic, none in stock") << both << QStringList() << u"at least one non-alcoholic ingredient"_s;
    }
    void viewCommands()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, drinks);
        QFETCH(QString, message);
        // The three views that search the recipes say so while they run.
        const bool searching = entry.startsWith(u"mnuView_Search"_s);
        if (!message.isEmpty()) {
            DBLib::ExecuteSql(u"UPDATE Ingredients SET CurrentStock = 0"_s);
            DBLib::InvalidateStockViews();
        }
        QVERIFY(open());
        auto* bar = c<QProgressBar>(u"ProgressBar1"_s);
        // What the window shows while the list loads (emptied first, filled last).
        QStringList during;
        bool busy = false;
        bool closed = true;
        QObject probe;
        connect(c<QListView>(u"lstDrinks"_s)->model(), &QAbstractItemModel::modelReset, &probe, [&] {
            during << panel(1);
            busy = m_w->isBusy() && !act(u"mnuAdd"_s)->isEnabled() && !bar->isHidden();
            if (during.size() == 1)
                closed = m_w->close();
        });
        act(entry)->trigger();
        QVERIFY(m_w->drinkListEntries() == drinks && act(entry)->isChecked());
        QCOMPARE(ReadNumber(SaveDrinkListSelection), qint64(m_w->checkedView()));
        QCOMPARE(during.contains(u"Searching for possible drinks please wait....."_s), searching);
        QVERIFY(busy && !closed);
        QVERIFY(!m_w->isBusy() && act(u"mnuAdd"_s)->isEnabled() && bar->isHidden());
        QCOMPARE(MessageBox::history().value(0).title, u"Can not exit at this time"_s);
        QCOMPARE(MessageBox::history().size(), message.isEmpty() ? 1 : 2);
        QVERIFY(MessageBox::history().constLast().text.contains(message));
        QVERIFY(m_w->close()); // once the list is loaded
    }

    void closingClosesTheOtherWindows()
    {
        QVERIFY(open(true));
        QWidget agreeing;
        agreeing.show();
        StubbornWindow stubborn; // hidden: not asked
        QVERIFY(m_w->close() && !agreeing.isVisible());
        m_w->show();
        stubborn.show();
        QVERIFY(!m_w->close() && m_w->isVisible() && stubborn.isVisible());
    }

    // ---- Selection, search and the recipe ----------------------------------------------------

    void recipeFollowsTheSelection()
    {
        QVERIFY(open());
        auto* lines = c<QListWidget>(u"lstIngredients"_s);
        auto* glass = c<QLabel>(u"picglass"_s);
        m_w->selectDrinkAt(0);
        QCOMPARE(panel(3), u"1 Drink of 4"_s);
        QCOMPARE(shown(), u"MARGARITA"_s);
        QCOMPARE(c<QLabel>(u"lblGlassType"_s)->text(), u"Highball Glass"_s);
        QCOMPARE(c<QPlainTextEdit>(u"lblDescription"_s)->toPlainText(), u"Stir and serve."_s);
        QCOMPARE(listTexts(lines), (QStringList{u"1 1/2 oz Vodka"_s, u"Lime Juice"_s}));
        QVERIFY(!glass->pixmap().isNull());
        QCOMPARE(m_w->selectedDrinkId(), DBLib::FindDrinkID(u"MARGARITA"_s));
        QVERIFY(act(u"mnuMarkAsFavorite"_s)->isVisible() && !act(u"mnuRemoveFromFavorites"_s)->isVisible());
        m_w->selectDrinkAt(1); // a favourite
        QVERIFY(!act(u"mnuMarkAsFavorite"_s)->isVisible() && act(u"mnuRemoveFromFavorites"_s)->isVisible());
        // A glass without a name or a picture: no name, the "not found" picture.
        m_w->selectDrinkAt(3);
        QCOMPARE(c<QLabel>(u"lblGlassType"_s)->text(), QString());
        const QPixmap notFound = GlassPictures::load(GlassPictures::notFoundPicturePath(m_folder->path()), glass->size());
        QCOMPARE(glass->pixmap().toImage(), notFound.toImage());
        // Past the end nothing is selected: the counter says so, the recipe stays.
        m_w->selectDrinkAt(4);
        QCOMPARE(m_w->selectedPosition(), -1);
        QCOMPARE(panel(3) + u'|' + shown(), u"0 Drink of 4|SUNRISE FIZZ"_s);
        // A drink deleted by another window since the list was filled shows its name only.
        DBLib::DeleteDrink(u"MARTINI"_s);
        m_w->selectDrinkAt(1);
        QVERIFY(shown() == u"MARTINI"_s && m_w->selectedDrinkId() == -1);
        QVERIFY(lines->count() == 0 && c<QPlainTextEdit>(u"lblDescription"_s)->toPlainText().isEmpty() && glass->pixmap().isNull());
    }

    void clickAfterReloadShowsTheDrink()
    {
        // After a reload nothing is selected, but the list may keep its current row; clicking that
        // very row must still show the drink.
        QVERIFY(open(true));
        auto* list = c<QListView>(u"lstDrinks"_s);
        m_w->selectDrinkAt(1);
        m_w->LoadDrinks(false);
        QCOMPARE(m_w->selectedPosition(), -1);
        c<QLabel>(u"lblDrink"_s)->clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
        QCOMPARE(panel(3) + u'|' + shown(), u"2 Drink of 4|MARTINI"_s);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(shown(), u"SHIRLEY"_s);
    }

    void popupMenu_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("right button on the list") << "lstDrinks" << Qt::RightButton;
        QTest::newRow("left button on the list") << "lstDrinks" << Qt::LeftButton;
        QTest::newRow("right button on the recipe") << "Label3" << Qt::RightButton;
        QTest::newRow("left button on the recipe") << "lblGlassType" << Qt::LeftButton;
    }
    void popupMenu()
    {
        // The right button opens the Edit menu; it acts on the drink already selected.
        QFETCH(QString, target);
        QFETCH(Qt::MouseButton, button);
        QVERIFY(open(true));
        m_w->selectDrinkAt(0);
        auto* list = c<QListView>(u"lstDrinks"_s);
        const bool onList = target == u"lstDrinks"_s;
        QWidget* widget = onList ? list->viewport() : c<QWidget>(target);
        QTest::mouseClick(widget, button, {},
                          onList ? list->visualRect(list->model()->index(2, 0)).center() : widget->rect().center());
        auto* edit = c<QMenu>(u"mnuTools"_s);
        QCOMPARE(edit->isVisible(), button == Qt::RightButton);
        edit->hide();
        // The recipe side's own context menus stay shut: the Edit menu is the one shown.
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
        QApplication::sendEvent(c<QPlainTextEdit>(u"lblDescription"_s)->viewport(), &event);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(m_w->selectedPosition(), onList && button == Qt::LeftButton ? 2 : 0);
    }

    void menuShortcutsWinInTheSearchBox()
    {
        // The search box has the focus at start; Ctrl+A must still open Add Drink.
        QVERIFY(open(true));
        auto* search = c<QLineEdit>(u"txtSearch"_s);
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        search->setText(u"MAR"_s);
        QCOMPARE(whileModal([&] { QTest::keyClick(search, Qt::Key_A, Qt::ControlModifier); }), u"Add Drink"_s);
        QVERIFY(!search->hasSelectedText());
        // Keys the menus do not use still edit the text.
        QTest::keyClick(search, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(search->selectedText(), u"R"_s);
    }

    // ---- Commands on the selected drink ------------------------------------------------------

    void favouriteCommands()
    {
        QVERIFY(open());
        act(u"mnuView_ShowFavorites"_s)->trigger();
        m_w->selectDrinkAt(0);
        act(u"mnuRemoveFromFavorites"_s)->trigger();
        QVERIFY(m_w->drinkListEntries().isEmpty() && favourites() == 0); // out of the favourites view at once
        QVERIFY(act(u"mnuMarkAsFavorite"_s)->isVisible() && !act(u"mnuRemoveFromFavorites"_s)->isVisible());
        act(u"mnuView_ShowAllDrinks"_s)->trigger();
        m_w->selectDrinkAt(3);
        act(u"mnuMarkAsFavorite"_s)->trigger();
        QVERIFY(DBLib::ReadDrink(u"SUNRISE FIZZ"_s)->favorite);
        QVERIFY(!act(u"mnuMarkAsFavorite"_s)->isVisible() && act(u"mnuRemoveFromFavorites"_s)->isVisible());
        // Other views keep the drink listed.
        act(u"mnuRemoveFromFavorites"_s)->trigger();
        QVERIFY(m_w->drinkListEntries() == AllFour && favourites() == 0);
    }

    void deleteDrink()
    {
        QVERIFY(open());
        m_w->selectDrinkAt(1);
        act(u"mnuDelete"_s)->trigger(); // the default answer is No
        QVERIFY(MessageBox::history().value(0).answer == QMessageBox::No && m_w->drinkListEntries() == AllFour);
        QCOMPARE(MessageBox::history().value(0).title, u"Delete Confirmation"_s);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        act(u"mnuDelete"_s)->trigger();
        QVERIFY(DBLib::FindDrinkID(u"MARTINI"_s) == -1 && !m_w->drinkListEntries().contains(u"MARTINI"_s));
        // The neighbour moved up into the row but is neither selected nor shown.
        QCOMPARE(m_w->selectedPosition(), -1);
        QCOMPARE(panel(3) + u'|' + shown(), u"0 Drink of 3|MARTINI"_s);
        // The search still finds the entries after the removed one.
        auto* search = c<QLineEdit>(u"txtSearch"_s);
        QTest::keyClicks(search, u"SU"_s);
        QCOMPARE(shown(), u"SUNRISE FIZZ"_s);
        search->clear();
        QTest::keyClicks(search, u"mar"_s);
        QCOMPARE(shown(), u"MARGARITA"_s);
    }

    // A name stored other than in capitals (another tool wrote it) is the drink's name all the same;
    // a drink removed behind the window's back is reported and its entry left alone.
    void storedNameAsItIs()
    {
        DBLib::ExecuteSql(u"UPDATE Drinks SET Name = ?1 WHERE Name = ?2"_s,
                          {Lib::EncodeText(u"Margarita"_s), Lib::EncodeText(u"MARGARITA"_s)});
        QVERIFY(open());
        QVERIFY2(m_w->drinkListEntries().contains(u"Margarita"_s), qPrintable(m_w->drinkListEntries().join(u",")));
        m_w->selectDrinkAt(0);
        QCOMPARE(shown(), u"Margarita"_s);
        QCOMPARE(c<QListWidget>(u"lstIngredients"_s)->count(), 2);
        act(u"mnuMarkAsFavorite"_s)->trigger();
        QCOMPARE(favourites(), 2);
        DBLib::ExecuteSql(u"DELETE FROM Drinks WHERE Name = ?1"_s, {Lib::EncodeText(u"Margarita"_s)});
        for (const char* command : {"mnuRemoveFromFavorites", "mnuAddShoppingList", "mnuDelete"}) {
            MessageBox::clearHistory();
            MessageBox::setNextAnswer(QMessageBox::Yes);
            act(QString::fromLatin1(command))->trigger();
            QVERIFY2(MessageBox::history().constLast().text.startsWith(u"Margarita is no longer in the recipe database"_s),
                     command);
            QVERIFY(m_w->drinkListEntries().contains(u"Margarita"_s));
        }
    }

    // A very long name shows elided; the window keeps its size.
    void longNameKeepsTheWindowSize()
    {
        addTestDrink(QString(300, u'W'), {{"1 oz", "Gin"}});
        QVERIFY(open(true));
        const QSize size = m_w->size();
        m_w->selectDrinkAt(int(m_w->drinkListEntries().size()) - 1);
        QCOMPARE(shown(), QString(300, u'W'));
        QTest::qWait(50);
        QVERIFY(m_w->size() == size && c<QLabel>(u"lblDrink"_s)->width() < m_w->width());
    }

    // A stock saved while a stock view is shown brings the list up to date at once.
    void stockViewFollowsTheSavedStock()
    {
        QVERIFY(open());
        act(u"mnuView_SearchDrinksAvailableWithCurrentStock"_s)->trigger();
        QCOMPARE(m_w->drinkListEntries(), (QStringList{u"MARTINI"_s, u"SUNRISE FIZZ"_s}));
        whileModal([&] { act(u"mnuEditStock"_s)->trigger(); }, [](QWidget* modal) {
            auto* stock = child<QListWidget>(modal, "lstStock");
            stock->setCurrentItem(stock->findItems(u"Gin"_s, Qt::MatchExactly).value(0));
            child<QPushButton>(modal, "cmdRemove")->click();
            child<QPushButton>(modal, "cmdSave")->click();
        });
        QCOMPARE(m_w->drinkListEntries(), QStringList{u"SUNRISE FIZZ"_s});
    }

    void printEntriesFollowTheQueue()
    {
        QVERIFY(open());
        const auto entries = [this] {
            return QList<bool>{act(u"mnuClearQueue"_s)->isEnabled(), act(u"mnuPrintDrinks"_s)->isEnabled(),
                               act(u"mnuPrint"_s)->isEnabled()};
        };
        QCOMPARE(entries(), (QList<bool>{false, false, true}));
        m_w->selectDrinkAt(1);
        act(u"mnuAddPrint"_s)->trigger();
        QCOMPARE(entries(), (QList<bool>{true, true, true}));
        act(u"mnuClearQueue"_s)->trigger();
        QCOMPARE(entries(), (QList<bool>{false, false, false}));
    }

    void modifiedDrinkIsShownAfterUpdate()
    {
        // The update reloads the list; the drink is selected again under its new name, as stored.
        QVERIFY(open());
        m_w->selectDrinkAt(1);
        QCOMPARE(whileModal([&] { act(u"mnuModifyDrink"_s)->trigger(); }, [](QWidget* modal) {
            child<QLineEdit>(modal, "txtName")->setText(u"Dry Martini"_s);
            child<QLineEdit>(modal, "txtAmount1")->setText(u"2 1/2 oz"_s);
            child<QPushButton>(modal, "cmdUpdate")->click();
        }), u"Modify Drink"_s);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(shown() + u'|' + c<QListWidget>(u"lstIngredients"_s)->item(0)->text() + u'|' + panel(3),
                 u"DRY MARTINI|2 1/2 oz Gin|1 Drink of 4"_s);
        QCOMPARE(m_w->selectedDrinkId(), DBLib::FindDrinkID(u"DRY MARTINI"_s));
    }

    // ---- Slideshow -----------------------------------------------------------------------------

    void newDataFolderGetsTheShippedPictures()
    {
        QTemporaryDir fresh;
        QVERIFY(open(false, fresh.path()));
        const QStringList entries = listTexts(c<QListWidget>(u"lstAddCustom"_s));
        QVERIFY(!entries.isEmpty());
        for (const QString& entry : entries)
            QVERIFY2(entry.startsWith(fresh.path()) && QFileInfo(entry).isFile(), qPrintable(entry));
    }

    void slideshowShowsThePictures()
    {
        QImage picture(20, 10, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(m_folder->file(u"red.png"_s)));
        QVERIFY(PictureList::write(m_folder->file(u"custom.dat"_s), {m_folder->file(u"red.png"_s)}));
        QVERIFY(open());
        auto* image = c<QLabel>(u"Image1"_s);
        const auto red = [image] { return image->pixmap().toImage().pixelColor(5, 5) == QColor(Qt::red); };
        // The first picture fills the area; the next ones keep their own size.
        QVERIFY(red() && image->pixmap().width() > 100);
        c<QTimer>(u"SlideShowTimer"_s)->setInterval(1);
        QTRY_VERIFY(red() && image->pixmap().width() < 100);
        // A picture that is gone: the replacement; no pictures: an empty area.
        QVERIFY(QFile::remove(m_folder->file(u"red.png"_s)));
        QTRY_VERIFY(!image->pixmap().isNull() && !red());
        QVERIFY(PictureList::write(m_folder->file(u"custom.dat"_s), {}));
        m_w->LoadPictureList();
        QTRY_VERIFY(image->pixmap().isNull());
    }

    void slideshowEditor_data()
    {
        QTest::addColumn<QString>("finish");
        QTest::newRow("save") << "save";
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("list cannot be written") << "unwritable";
    }
    void slideshowEditor()
    {
        QFETCH(QString, finish);
        const QString list = m_folder->file(u"custom.dat"_s);
        const QStringList stored = {u"\\Images\\a.png"_s, u"/pictures/b.png"_s};
        QVERIFY(PictureList::write(list, stored));
        int reloads = 0;
        frmModifySlideshow editor(m_folder->path(), [&] { ++reloads; });
        QCOMPARE(listTexts(editor.lstAddCustom), stored); // as stored, relative entries too
        FileDialog::setNextFileName(u"/pictures/c.png"_s);
        editor.cmdAddCustom->click();
        FileDialog::setNextFileName(QString()); // cancelled
        editor.cmdAddCustom->click();
        // Del removes the current entry; other keys move as usual.
        editor.lstAddCustom->setCurrentRow(0);
        QTest::keyClick(editor.lstAddCustom, Qt::Key_Down);
        QTest::keyClick(editor.lstAddCustom, Qt::Key_Delete);
        editor.lstAddCustom->setCurrentItem(nullptr);
        QTest::keyClick(editor.lstAddCustom, Qt::Key_Delete);
        const QStringList edited = {u"\\Images\\a.png"_s, u"/pictures/c.png"_s};
        QCOMPARE(listTexts(editor.lstAddCustom), edited);
        if (finish == u"unwritable"_s)
            QVERIFY(QFile::remove(list) && QDir().mkdir(list));
        (finish == u"cancel"_s ? editor.cmdCancel : editor.cmdExit)->click();
        QCOMPARE(editor.result() == QDialog::Accepted, finish == u"save"_s);
        QCOMPARE(reloads, finish == u"save"_s ? 1 : 0);
        QCOMPARE(MessageBox::history().size(), finish == u"unwritable"_s ? 1 : 0);
        if (finish != u"unwritable"_s)
            QCOMPARE(PictureList::read(list), finish == u"save"_s ? edited : stored);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
