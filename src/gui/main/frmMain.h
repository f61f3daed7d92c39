#pragma once

#include "core/tools/DrinkListSearch.h"
#include "core/store/RecipeRepository.h"
#include "gui/tools/DrinkListHost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QAction;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QStringListModel;
class QTimer;
class frmSplash;
class PrintQueue;
class frmFind;
class frmBarPlanner;

// The hub of the program: the drink list with its five views and incremental search, the recipe of
// the selected drink, the slideshow, and the menus that open every other window.
class frmMain : public QMainWindow, public DrinkListHost
{
    Q_OBJECT

public:
    // View codes, as kept in the "saveDrinkListSelection" preference.
    enum View { AllDrinks = 1, CurrentStock = 2, NonAlcoholic = 3, CurrentStockNonAlcoholic = 4, Favorites = 5 };

    explicit frmMain(const QString& dataFolder, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the start-up steps while the splash (if any) shows progress. False when the recipe
    // database cannot be opened; the user has been told why.
    bool Load(frmSplash* splash = nullptr);

    // Reloads the list in the checked view (the favourites view included).
    void LoadDrinks(bool outputToSplashScreen);
    void ShowAllDrinks(bool outputToSplashScreen);
    void ShowFavorites(bool outputToSplashScreen);
    void ShowCurrentStock(bool outputToSplashScreen);
    void ShowNonAlcoholic(bool outputToSplashScreen);
    void ShowCurrentStockNonAlcoholic(bool outputToSplashScreen);
    // Closes every other window; false when one of them refused.
    bool UnloadForms();

    // The busy state: the 20 menu entries that must not start while a list operation runs.
    void DisableMainMenus();
    void EnableMainMenus();
    bool isBusy() const;

    // Shows the selected drink's recipe (the list's click handler; other windows call it after a change).
    void lstDrinks_Click();
    // The colours of the current scheme on this window.
    void ApplyColorScheme();
    // Reads the picture list file into the slideshow list.
    void LoadPictureList();
    // Adds the recipes of the files (folders are searched) with the progress in the status bar and
    // a Cancel button, then tells what was added, skipped and refused.
    void ImportRecipes(const QStringList& paths);

    // State other windows read.
    QString selectedDrinkName() const { return m_selectedName; }
    qint64 selectedDrinkId() const { return m_selectedId; }
    const QStringList& drinkListEntries() const override { return m_entries; }
    const Lib::LetterIndex& drinkListIndex() const override { return m_letterIndex; }
    bool isDrinkListLoading() const override { return isBusy(); }
    int checkedView() const;
    QString dataFolder() const { return m_dataFolder; }
    // Selects the entry at position (-1 clears the selection) and shows it.
    void selectDrinkAt(int position) override;
    void showDrink(const QString& name) override;
    // Selects the entry with that exact text; nothing happens when the list does not hold it.
    void selectDrinkNamed(const QString& name);
    int selectedPosition() const;
    // The text of the selected list entry, empty when nothing is selected.
    QString selectedEntryText() const;

    // While a view fills the list, events are handled from delayMs on, at most every intervalMs
    // (300 and 50: short work is not slowed by painting progress nobody sees).
    void setEventPacing(int delayMs, int intervalMs)
    {
        m_eventDelay = delayMs;
        m_eventInterval = intervalMs;
    }

Q_SIGNALS:
    // Emitted when a view starts to fill the list, and after the list was refilled.
    void viewStarting(int view);
    void drinksLoaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectWindows();
    QList<QAction*> busyEntries() const;
    // Opens a window that stays open beside the main window and deletes itself when closed.
    void showModeless(QWidget* window);
    void RestoreDrinkListSelection();
    // Runs the searching view shown again when a change elsewhere made its answer stale.
    void refreshStaleView();
    void viewCommand(int view);
    void runView(int view, bool outputToSplashScreen);
    void setDrinkList(const QStringList& names);
    void removeSelectedEntry();
    void showPopup(const QPoint& globalPos);
    void setFavoriteEntries(bool isFavorite);
    void showGlassPicture();
    void startSlideShow();
    void showSlide(bool resize);
    void reportFailure(const QString& what, const std::exception& e);
    // A command found no drink of the name shown (another program removed it): says so.
    void reportGone(const QString& name);

    void mnuMarkAsFavorite_Click();
    void mnuRemoveFromFavorites_Click();
    void mnuAddShoppingList_Click();
    void mnuDelete_Click();
    void mnuView_SaveDrinkListOnExit_Click();
    void mnuAddCustom_Click();
    void mnuExport_Click();
    void mnuScaleRecipe_Click();
    // The recipe lines of the drink shown, scaled for the servings chosen, and its figures.
    void showRecipeLines();
    void txtSearch_KeyUp();

    QString m_dataFolder;
    PrintQueue* m_printQueue = nullptr;
    QPointer<frmFind> m_find; // one find window at a time
    QPointer<frmBarPlanner> m_planner;
    QPointer<frmSplash> m_splash;
    QString m_selectedName;
    qint64 m_selectedId = 0;
    int m_glassType = 0;
    QString m_drinkCountText;
    QStringList m_entries;
    int m_eventDelay = 300;
    int m_eventInterval = 50;
    // Set while the list itself moves its selection (removing an entry); the display must not follow.
    bool m_listChanging = false;
    bool m_indexPrepared = false; // the recipe index is built once the list has first painted
    bool m_importCancelled = false;
    std::optional<DBLib::Drink> m_recipe; // the drink shown
    int m_servings = 1;
    Lib::LetterIndex m_letterIndex{};

    // Controls; each has its name as objectName, by which tests find it.
    QListView* lstDrinks = nullptr;
    QStringListModel* m_drinkModel = nullptr;
    QLineEdit* txtSearch = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblDrink = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* lstIngredients = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* lblDescription = nullptr;
    QLabel* picglass = nullptr;
    QLabel* lblGlassType = nullptr;
    QLabel* lblMaths = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* m_panel1 = nullptr;
    QLabel* m_panel2 = nullptr;
    QLabel* m_panel3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QListWidget* lstAddCustom = nullptr;
    QListWidget* lstDrinksCopy = nullptr;
    QTimer* TimerClearPerformance = nullptr;
    QTimer* SlideShowTimer = nullptr;
    QTimer* Timer = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuAddPrint = nullptr;
    QAction* mnuClearQueue = nullptr;
    QAction* mnuPrintDrinks = nullptr;
    QAction* mnuPrintIndex = nullptr;
    QAction* mnuDrinkList = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuImport = nullptr;
    QAction* mnuExport = nullptr;
    QPushButton* cmdCancelImport = nullptr;
    QAction* mnuExit = nullptr;

    QMenu* mnuTools = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuModifyDrink = nullptr;
    QAction* mnuAddShoppingList = nullptr;
    QAction* mnuMarkAsFavorite = nullptr;
    QAction* mnuRemoveFromFavorites = nullptr;
    QAction* mnuSubmitDrink = nullptr;
    QAction* mnuFind = nullptr;
    QAction* mnuEditStock = nullptr;
    QAction* mnuShoppingList = nullptr;
    QAction* mnuEdit_EditIngredients = nullptr;
    QAction* mnuColor = nullptr;
    QAction* mnuAddCustom = nullptr;
    QAction* mnuPreferences = nullptr;
    QAction* mnuScaleRecipe = nullptr;

    QMenu* mnuView = nullptr;
    QAction* mnuView_ShowAllDrinks = nullptr;
    QAction* mnuView_ShowFavorites = nullptr;
    QAction* mnuView_SearchDrinksAvailableWithCurrentStock = nullptr;
    QAction* mnuView_SearchAllNonAlcoholicDrinks = nullptr;
    QAction* mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock = nullptr;
    QAction* mnuView_SaveDrinkListOnExit = nullptr;
    QAction* mnuView_CountSubstitutes = nullptr;

    QMenu* mnuTool = nullptr;
    QAction* mnuUpdateDatabase = nullptr;
    QAction* mnuBAL = nullptr;
    QAction* mnuMeasurement = nullptr;
    QAction* mnuConversion = nullptr;
    QAction* mnusubs = nullptr;
    QAction* mnuTips = nullptr;
    QAction* mnuBarPlanner = nullptr;
    QAction* mnuPartyPlanner = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnuContent = nullptr;
    QAction* mnuAbout = nullptr;
};
