#include "gui/main/frmMain.h"

#include "gui/main/GlassPictures.h"
#include "gui/about/HelpBrowser.h"
#include "gui/about/frmAbout.h"
#include "gui/appearance/frmColor.h"
#include "gui/editing/frmAddDrink.h"
#include "gui/editing/frmModifyDrink.h"
#include "gui/editing/frmModifyIngredients.h"
#include "gui/online/frmSubmit.h"
#include "gui/online/frmUpdate.h"
#include "gui/planner/frmBarPlanner.h"
#include "gui/planner/frmPartyPlanner.h"
#include "gui/settings/frmPreferences.h"
#include "gui/printing/PrintCommands.h"
#include "core/printing/PrintQueue.h"
#include "gui/printing/frmPrintList.h"
#include "gui/stock/frmCurrentStock.h"
#include "gui/stock/frmShoppingList.h"
#include "gui/tools/frmBAL.h"
#include "gui/tools/frmConversionCalc.h"
#include "gui/tools/frmFind.h"
#include "gui/tools/frmMeasurement.h"
#include "gui/tools/frmSubs.h"
#include "gui/tools/frmTips.h"
#include "core/slideshow/PictureList.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/FileDialog.h"
#include "gui/common/InputDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Twips.h"
#include "gui/main/frmModifySlideshow.h"
#include "gui/main/frmSplash.h"
#include "core/formats/Importer.h"
#include "core/maths/DrinkMaths.h"
#include "core/maths/PartyPlan.h"
#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "core/store/DerivedFlags.h"
#include "core/store/RecipeIndex.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/StarterData.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString LoadedPrefix = QStringLiteral("Drinks loaded in ");
const QString SearchingText = QStringLiteral("Searching for possible drinks please wait.....");

QLabel* heading(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QAction* action(QMenu* menu, const QString& caption, const char* name, const QKeySequence& shortcut = {})
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

void separator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

} // namespace

frmMain::frmMain(const QString& dataFolder, QWidget* parent) : QMainWindow(parent), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tumblerix"));
    createControls();
    createMenus();
    m_printQueue = new PrintQueue(m_dataFolder, this);
    connectWindows();
    resize(960, 640);
    setAcceptDrops(true);
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    // Left: the search box over the drink list.
    txtSearch = new QLineEdit(central);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Type the start of a drink name"));
    txtSearch->setClearButtonEnabled(true);
    txtSearch->installEventFilter(this);

    m_drinkModel = new QStringListModel(this);
    lstDrinks = new QListView(central);
    lstDrinks->setObjectName(QStringLiteral("lstDrinks"));
    lstDrinks->setModel(m_drinkModel);
    lstDrinks->setUniformItemSizes(true);
    lstDrinks->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDrinks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDrinks->viewport()->installEventFilter(this);
    lstDrinks->setMinimumWidth(220);
    // Follow the selection, not the current row: after a reload the current row can outlive the
    // selection, and clicking that row again selects it without moving the current row.
    connect(lstDrinks->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_listChanging)
            lstDrinks_Click();
    });

    // Kept for the layout of the original form; never used.
    lstDrinksCopy = new QListWidget(central);
    lstDrinksCopy->setObjectName(QStringLiteral("lstDrinksCopy"));
    lstDrinksCopy->hide();

    auto* left = new QWidget(central);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(txtSearch);
    leftLayout->addWidget(lstDrinks, 1);
    leftLayout->addWidget(lstDrinksCopy);

    // Right: the recipe.
    auto* right = new QWidget(central);
    right->setObjectName(QStringLiteral("recipeArea"));
    Label1 = heading(QStringLiteral("Drink"), "Label1", right);
    lblDrink = new QLabel(right);
    lblDrink->setObjectName(QStringLiteral("lblDrink"));
    QFont nameFont = lblDrink->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    lblDrink->setFont(nameFont);
    lblDrink->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long name wraps inside the recipe side (the full name is in the tooltip) instead of making
    // the window wider than the screen.
    lblDrink->setWordWrap(true);
    lblDrink->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label5 = new QLabel(right);
    Label5->setObjectName(QStringLiteral("Label5"));

    Label3 = heading(QStringLiteral("Ingredients"), "Label3", right);
    lstIngredients = new QListWidget(right);
    lstIngredients->setObjectName(QStringLiteral("lstIngredients"));
    lstIngredients->setFocusPolicy(Qt::ClickFocus);
    lstIngredients->setFrameShape(QFrame::NoFrame);
    // Volume, strength and standard drinks of the recipe shown.
    lblMaths = new QLabel(right);
    lblMaths->setObjectName(QStringLiteral("lblMaths"));
    lblMaths->setWordWrap(true);
    lblMaths->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Label4 = heading(QStringLiteral("Directions"), "Label4", right);
    lblDescription = new QPlainTextEdit(right);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setReadOnly(true);
    lblDescription->setFrameShape(QFrame::NoFrame);
    lblDescription->setFocusPolicy(Qt::ClickFocus);

    picglass = new QLabel(right);
    picglass->setObjectName(QStringLiteral("picglass"));
    picglass->setAlignment(Qt::AlignCenter);
    picglass->setFixedSize(150, 180);
    lblGlassType = new QLabel(right);
    lblGlassType->setObjectName(QStringLiteral("lblGlassType"));
    lblGlassType->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblGlassType->setWordWrap(true);

    // The slideshow area is as large as the biggest picture it shows (3735 x 2295 twips).
    Image1 = new QLabel(right);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    auto* slideArea = new QWidget(right);
    slideArea->setObjectName(QStringLiteral("slideArea"));
    slideArea->setFixedSize(twipsToPixels(this, QSize(PictureList::MaxWidthTwips, PictureList::MaxHeightTwips)));
    auto* slideLayout = new QVBoxLayout(slideArea);
    slideLayout->setContentsMargins(0, 0, 0, 0);
    slideLayout->addWidget(Image1, 0, Qt::AlignCenter);
    Image2 = new QLabel(right);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(GlassPictures::load(GlassPictures::logoPath(), QSize(72, 72), devicePixelRatioF()));
    Image2->setAlignment(Qt::AlignRight | Qt::AlignBottom);

    auto* glassColumn = new QVBoxLayout;
    glassColumn->addWidget(picglass, 0, Qt::AlignHCenter);
    glassColumn->addWidget(lblGlassType);
    glassColumn->addStretch();

    auto* grid = new QGridLayout(right);
    grid->setContentsMargins(8, 0, 0, 0);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(lblDrink, 1, 0, 1, 2);
    grid->addWidget(Label5, 2, 0, 1, 2);
    grid->addWidget(Label3, 3, 0);
    auto* ingredientColumn = new QVBoxLayout;
    ingredientColumn->addWidget(lstIngredients, 1);
    ingredientColumn->addWidget(lblMaths);
    grid->addLayout(ingredientColumn, 4, 0);
    grid->addLayout(glassColumn, 3, 1, 2, 1);
    grid->addWidget(Label4, 5, 0, 1, 2);
    grid->addWidget(lblDescription, 6, 0, 1, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(slideArea);
    bottom->addStretch();
    bottom->addWidget(Image2);
    grid->addLayout(bottom, 7, 0, 1, 2);
    grid->setRowStretch(4, 3);
    grid->setRowStretch(6, 2);
    grid->setColumnStretch(0, 1);

    auto* splitter = new QSplitter(central);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 680});
    splitter->setChildrenCollapsible(false);
    auto* mainLayout = new QHBoxLayout(central);
    mainLayout->setContentsMargins(8, 8, 8, 4);
    mainLayout->addWidget(splitter);

    // The hidden list of slideshow pictures.
    lstAddCustom = new QListWidget(this);
    lstAddCustom->setObjectName(QStringLiteral("lstAddCustom"));
    lstAddCustom->hide();

    // Status bar: panel 1 messages, panel 3 the position counter, and the progress bar.
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    m_panel1 = new QLabel(StatusBar1);
    m_panel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_panel2 = new QLabel(StatusBar1);
    m_panel2->setObjectName(QStringLiteral("StatusBar1Panel2"));
    m_panel3 = new QLabel(StatusBar1);
    m_panel3->setObjectName(QStringLiteral("StatusBar1Panel3"));
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setMaximumWidth(260);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    ProgressBar1->installEventFilter(this);
    cmdCancelImport = new QPushButton(QStringLiteral("Cancel"), StatusBar1);
    cmdCancelImport->setObjectName(QStringLiteral("cmdCancelImport"));
    cmdCancelImport->hide();
    connect(cmdCancelImport, &QPushButton::clicked, this, [this] { m_importCancelled = true; });
    StatusBar1->addWidget(m_panel1, 1);
    StatusBar1->addWidget(ProgressBar1);
    StatusBar1->addWidget(cmdCancelImport);
    StatusBar1->addPermanentWidget(m_panel2);
    StatusBar1->addPermanentWidget(m_panel3);

    TimerClearPerformance = new QTimer(this);
    TimerClearPerformance->setObjectName(QStringLiteral("TimerClearPerformance"));
    TimerClearPerformance->setInterval(10000);
    connect(TimerClearPerformance, &QTimer::timeout, this, [this] {
        if (m_panel1->text().contains(LoadedPrefix))
            m_panel1->clear();
        TimerClearPerformance->stop();
    });
    SlideShowTimer = new QTimer(this);
    SlideShowTimer->setObjectName(QStringLiteral("SlideShowTimer"));
    SlideShowTimer->setInterval(8000);
    connect(SlideShowTimer, &QTimer::timeout, this, [this] { showSlide(true); });
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(8000);
    Timer->start();

    // The right mouse button opens the Edit menu over the recipe side and the window itself.
    for (QWidget* w : std::initializer_list<QWidget*>{central, right, Image1, Image2, picglass, Label1, Label3, Label4,
                                                      lblDrink, lblGlassType, lblDescription->viewport(),
                                                      lstIngredients->viewport()})
        w->installEventFilter(this);
}

void frmMain::createMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuAddPrint = action(mnuFile, QStringLiteral("&Add Drink to Print List"), "mnuAddPrint");
    mnuClearQueue = action(mnuFile, QStringLiteral("&Clear Drinks from List"), "mnuClearQueue");
    mnuPrintDrinks = action(mnuFile, QStringLiteral("&Print Drinks in Print List"), "mnuPrintDrinks");
    mnuPrintIndex = action(mnuFile, QStringLiteral("Print Drink to Index Card"), "mnuPrintIndex");
    mnuDrinkList = action(mnuFile, QStringLiteral("&Print Drinks"), "mnuDrinkList");
    mnuPrint = action(mnuFile, QStringLiteral("&Print"), "mnuPrint", QKeySequence(QStringLiteral("Ctrl+P")));
    separator(mnuFile, "mnuDivImport");
    mnuImport = action(mnuFile, QStringLiteral("&Import Recipes…"), "mnuImport");
    mnuExport = action(mnuFile, QStringLiteral("&Export Recipes…"), "mnuExport");
    connect(mnuImport, &QAction::triggered, this, [this] {
        const QStringList files = FileDialog::getOpenFileNames(
            this, QStringLiteral("Import Recipes"), QString(),
            Formats::FileFilters().join(QStringLiteral(";;")) + QStringLiteral(";;All files (*)"));
        if (!files.isEmpty())
            ImportRecipes(files);
    });
    connect(mnuExport, &QAction::triggered, this, &frmMain::mnuExport_Click);
    separator(mnuFile, "divider");
    mnuExit = action(mnuFile, QStringLiteral("E&xit"), "mnuExit");
    connect(mnuExit, &QAction::triggered, this, [this] { close(); });

    mnuTools = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuAdd = action(mnuTools, QStringLiteral("&Add Drink"), "mnuAdd", QKeySequence(QStringLiteral("Ctrl+A")));
    mnuDelete = action(mnuTools, QStringLiteral("&Delete Drink"), "mnuDelete", QKeySequence(QStringLiteral("Ctrl+D")));
    mnuModifyDrink =
        action(mnuTools, QStringLiteral("&Modify Drink"), "mnuModifyDrink", QKeySequence(QStringLiteral("Ctrl+M")));
    mnuAddShoppingList = action(mnuTools, QStringLiteral("Add &Ingredients To Shopping List"), "mnuAddShoppingList",
                                QKeySequence(QStringLiteral("Ctrl+I")));
    mnuMarkAsFavorite = action(mnuTools, QStringLiteral("Add to Favorites"), "mnuMarkAsFavorite");
    mnuRemoveFromFavorites = action(mnuTools, QStringLiteral("Remove From Favorites"), "mnuRemoveFromFavorites");
    mnuSubmitDrink = action(mnuTools, QStringLiteral("Submit Drink"), "mnuSubmitDrink");
    mnuFind = action(mnuTools, QStringLiteral("&Find Drink"), "mnuFind", QKeySequence(QStringLiteral("Ctrl+F")));
    separator(mnuTools, "Divider1");
    mnuEditStock = action(mnuTools, QStringLiteral("&Edit Current Stock"), "mnuEditStock");
    mnuShoppingList = action(mnuTools, QStringLiteral("Edit Shopping &List"), "mnuShoppingList");
    mnuEdit_EditIngredients = action(mnuTools, QStringLiteral("Edit Ingredients"), "mnuEdit_EditIngredients");
    separator(mnuTools, "mnuDiv2");
    mnuColor = action(mnuTools, QStringLiteral("&Change Colors"), "mnuColor");
    mnuAddCustom = action(mnuTools, QStringLiteral("Add/Remove Picture"), "mnuAddCustom");
    mnuPreferences = action(mnuTools, QStringLiteral("Pr&eferences…"), "mnuPreferences");
    separator(mnuTools, "mnuDivScale");
    mnuScaleRecipe = action(mnuTools, QStringLiteral("&Scale Recipe…"), "mnuScaleRecipe");
    connect(mnuScaleRecipe, &QAction::triggered, this, &frmMain::mnuScaleRecipe_Click);
    connect(mnuMarkAsFavorite, &QAction::triggered, this, &frmMain::mnuMarkAsFavorite_Click);
    connect(mnuRemoveFromFavorites, &QAction::triggered, this, &frmMain::mnuRemoveFromFavorites_Click);
    connect(mnuAddShoppingList, &QAction::triggered, this, &frmMain::mnuAddShoppingList_Click);
    connect(mnuDelete, &QAction::triggered, this, &frmMain::mnuDelete_Click);
    connect(mnuAddCustom, &QAction::triggered, this, &frmMain::mnuAddCustom_Click);

    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuView_ShowAllDrinks = action(mnuView, QStringLiteral("Show All Drinks"), "mnuView_ShowAllDrinks");
    separator(mnuView, "mnu872");
    mnuView_ShowFavorites = action(mnuView, QStringLiteral("Show &Favorites"), "mnuView_ShowFavorites");
    separator(mnuView, "mnudiv");
    mnuView_SearchDrinksAvailableWithCurrentStock =
        action(mnuView, QStringLiteral("Search Drinks Available With Current Stock"),
               "mnuView_SearchDrinksAvailableWithCurrentStock");
    mnuView_SearchAllNonAlcoholicDrinks =
        action(mnuView, QStringLiteral("Search All Non-Alcoholic Drinks"), "mnuView_SearchAllNonAlcoholicDrinks");
    mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock =
        action(mnuView, QStringLiteral("Search Non-Alcoholic Drinks Available With Current Stock"),
               "mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock");
    separator(mnuView, "mnudiv343");
    mnuView_CountSubstitutes = action(mnuView, QStringLiteral("Count Substitutes As In Stock"), "mnuView_CountSubstitutes");
    mnuView_CountSubstitutes->setCheckable(true);
    mnuView_SaveDrinkListOnExit = action(mnuView, QStringLiteral("Save Drink List On Exit"), "mnuView_SaveDrinkListOnExit");
    mnuView_SaveDrinkListOnExit->setCheckable(true);
    connect(mnuView_SaveDrinkListOnExit, &QAction::triggered, this, &frmMain::mnuView_SaveDrinkListOnExit_Click);
    const std::pair<QAction*, int> views[] = {
        {mnuView_ShowAllDrinks, AllDrinks},
        {mnuView_ShowFavorites, Favorites},
        {mnuView_SearchDrinksAvailableWithCurrentStock, CurrentStock},
        {mnuView_SearchAllNonAlcoholicDrinks, NonAlcoholic},
        {mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock, CurrentStockNonAlcoholic},
    };
    for (const auto& [entry, code] : views) {
        entry->setCheckable(true);
        const int view = code;
        connect(entry, &QAction::triggered, this, [this, view] { viewCommand(view); });
    }
    mnuView_ShowAllDrinks->setChecked(true);

    mnuTool = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuUpdateDatabase = action(mnuTool, QStringLiteral("&Check For Updates"), "mnuUpdateDatabase");
    mnuBAL = action(mnuTool, QStringLiteral("Calculate Blood Alcohol Level"), "mnuBAL");
    separator(mnuTool, "mnudiv10");
    mnuMeasurement = action(mnuTool, QStringLiteral("Measurement Sizes"), "mnuMeasurement");
    mnuConversion = action(mnuTool, QStringLiteral("Conversion Calculator"), "mnuConversion");
    separator(mnuTool, "mnu19");
    mnusubs = action(mnuTool, QStringLiteral("Ingredient Substitutes"), "mnusubs");
    mnuTips = action(mnuTool, QStringLiteral("Bartending &Tips"), "mnuTips");
    separator(mnuTool, "mnuDivPlanner");
    mnuBarPlanner = action(mnuTool, QStringLiteral("Bar &Planner"), "mnuBarPlanner");
    mnuPartyPlanner = action(mnuTool, QStringLiteral("Party Pla&nner"), "mnuPartyPlanner");

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuContent = action(mnuHelp, QStringLiteral("Content"), "mnuContent", QKeySequence::HelpContents);
    separator(mnuHelp, "mnudivider3");
    mnuAbout = action(mnuHelp, QStringLiteral("&About"), "mnuAbout");
}

bool frmMain::Load(frmSplash* splash)
{
    m_splash = splash;
    const QString databasePath = DataFolder::databasePath(m_dataFolder);
    const bool firstStartOfFolder = !QFileInfo::exists(databasePath);

    // 1. The slideshow's picture list; a new data folder gets the shipped pictures.
    if (firstStartOfFolder && !QFileInfo::exists(QDir(m_dataFolder).filePath(DataFolder::PictureListFileName)))
        frmModifySlideshow::InstallStarterPictures(m_dataFolder);
    LoadPictureList();
    // 3. The slideshow.
    startSlideShow();

    // 4. The recipe database; without it there is nothing to show.
    try {
        if (firstStartOfFolder)
            StarterData::CreateStarterDatabase(databasePath);
        else
            DBLib::OpenRecipeDatabase(databasePath);
    } catch (const std::exception& e) {
        ErrorReport::show(m_splash, QStringLiteral("Tumblerix"),
                          firstStartOfFolder ? QStringLiteral("The recipe database cannot be created.")
                                             : QStringLiteral("The recipe database cannot be opened."),
                          e);
        return false;
    }

    {
        const QSignalBlocker quiet(mnuView_CountSubstitutes);
        mnuView_CountSubstitutes->setChecked(DBLib::CountSubstitutesAsStock());
    }

    // 5. The drink count.
    try {
        m_drinkCountText = QString::number(DBLib::CountRecords(DBLib::Count::Drinks));
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The drinks could not be counted."), e);
    }

    // 6. The view to start with.
    if (ModuleRegistry::ReadText(ModuleRegistry::SaveDrinkListInExit) == QLatin1String("1")) {
        mnuView_SaveDrinkListOnExit->setChecked(true);
        RestoreDrinkListSelection();
    } else {
        mnuView_SaveDrinkListOnExit->setChecked(false);
    }

    // 7-8. The list, with the progress on the splash.
    lstDrinks->hide();
    LoadDrinks(true);
    lstDrinks->show();

    // 9-10.
    if (m_splash)
        m_splash->UnloadSplashScreen();
    m_splash = nullptr;
    setWindowTitle(QStringLiteral("Tumblerix"));

    // 11. First start: the preferences and the default colours.
    if (ModuleRegistry::IsFirstStart()) {
        const QPalette palette = QApplication::palette();
        ModuleRegistry::WriteFirstStartDefaults(
            {ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::Button)),
             ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::WindowText)),
             ColorSchemes::toColorRef(palette.color(QPalette::Active, QPalette::Base))});
    }
    // 12-13. The colours.
    ColorSchemes::LoadFromPreferences();
    ApplyColorScheme();
    return true;
}

void frmMain::ApplyColorScheme()
{
    const ColorSchemes::Scheme& s = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, s);
    for (QWidget* w : std::initializer_list<QWidget*>{lstIngredients, lblDescription})
        ColorSchemes::setRoles(w, {{QPalette::Base, s.Background}, {QPalette::Text, s.Text}});
    for (QWidget* w : std::initializer_list<QWidget*>{lblGlassType, lblDrink, lblMaths})
        ColorSchemes::applyDataLabel(w, s);
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label5, Label3, Label4})
        ColorSchemes::applyHeading(w, s);
    for (QWidget* w : std::initializer_list<QWidget*>{txtSearch, lstDrinks, lstDrinksCopy})
        ColorSchemes::applyInput(w, s);
}

void frmMain::showModeless(QWidget* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::connectWindows()
{
    // Recipe editing.
    const auto link = [this] {
        MainWindowLink l;
        l.reloadDrinks = [this] { LoadDrinks(false); };
        l.redisplaySelection = [this] { lstDrinks_Click(); };
        l.selectDrink = [this](const QString& name) { selectDrinkNamed(name); };
        l.showStatus = [this](const QString& text) { m_panel1->setText(text); };
        return l;
    };
    connect(mnuAdd, &QAction::triggered, this, [this, link] { frmAddDrink::Open(this, link()); });
    connect(mnuModifyDrink, &QAction::triggered, this, [this, link] {
        frmModifyDrink::Open(this, selectedEntryText(), link());
    });
    connect(mnuEdit_EditIngredients, &QAction::triggered, this,
            [this] {
                frmModifyIngredients::Open(this);
                refreshStaleView();
            });

    // Stock and shopping list, both modal. A changed stock can leave the view shown out of date.
    connect(mnuEditStock, &QAction::triggered, this, [this] {
        frmCurrentStock window(this);
        window.exec();
        refreshStaleView();
    });
    connect(mnuShoppingList, &QAction::triggered, this, [this] {
        frmShoppingList window(this);
        window.exec();
    });

    // Printing. The queue's state drives its two menu entries.
    mnuClearQueue->setEnabled(false);
    mnuPrintDrinks->setEnabled(false);
    connect(m_printQueue, &PrintQueue::collectingChanged, this, [this](bool collecting) {
        mnuClearQueue->setEnabled(collecting);
        mnuPrintDrinks->setEnabled(collecting);
        mnuPrint->setEnabled(collecting);
    });
    connect(mnuPrintDrinks, &QAction::triggered, this, [this] { PrintCommands::PrintPrintList(this, *m_printQueue); });
    connect(mnuAddPrint, &QAction::triggered, this,
            [this] { PrintCommands::AddDrinkToPrintList(this, *m_printQueue, lblDrink->text().trimmed(), m_servings); });
    connect(mnuClearQueue, &QAction::triggered, this, [this] { m_printQueue->clear(); });
    connect(mnuPrintIndex, &QAction::triggered, this,
            [this] { PrintCommands::PrintDrinkToIndexCard(this, lblDrink->text().trimmed(), m_servings); });
    const auto showDrink = [this](const QString& name) { selectDrinkNamed(name); };
    connect(mnuPrint, &QAction::triggered, this, [this, showDrink] {
        frmPrintList window(this, *m_printQueue, m_entries, showDrink);
        window.exec();
    });
    connect(mnuDrinkList, &QAction::triggered, this,
            [this, showDrink] { showModeless(new frmPrintList(this, *m_printQueue, m_entries, showDrink)); });

    // Online exchange.
    connect(mnuUpdateDatabase, &QAction::triggered, this, [this] {
        // Accepting a newer version closes the program once the update window is gone.
        frmUpdate window(this, [this] { LoadDrinks(false); },
                         [this] { QTimer::singleShot(0, this, [this] { close(); }); });
        window.exec();
    });
    connect(mnuSubmitDrink, &QAction::triggered, this, [this] {
        frmSubmit::SubmitSelectedDrink(this, selectedEntryText(), [this] { lstDrinks_Click(); });
    });

    // Colours, about box and help.
    connect(mnuColor, &QAction::triggered, this, [this] {
        frmColor window(this, [this] { ApplyColorScheme(); });
        window.exec();
    });
    connect(mnuAbout, &QAction::triggered, this, [this] {
        frmAbout window(this, dataFolder());
        window.exec();
    });
    connect(mnuContent, &QAction::triggered, this, [this] { HelpBrowser::Open(this); });

    // Find stays open beside the main window; asking again brings the open one forward.
    connect(mnuFind, &QAction::triggered, this, [this] {
        if (m_find) {
            m_find->show();
            m_find->raise();
            m_find->activateWindow();
            return;
        }
        m_find = new frmFind(this, this);
        connect(this, &frmMain::drinksLoaded, m_find, &frmFind::drinkListLoaded);
        showModeless(m_find);
    });

    // The bar planner, one at a time beside the main window; what it changes shows in the list.
    connect(mnuBarPlanner, &QAction::triggered, this, [this] {
        if (!m_planner) {
            m_planner = new frmBarPlanner(this, this);
            connect(m_planner, &frmBarPlanner::stockChanged, this, &frmMain::refreshStaleView);
        }
        showModeless(m_planner);
    });
    connect(mnuPreferences, &QAction::triggered, this, [this] {
        frmPreferences window(m_dataFolder, this);
        if (window.exec() != QDialog::Accepted)
            return;
        // The units, the standard drink and the substitute rule may have changed.
        {
            const QSignalBlocker quiet(mnuView_CountSubstitutes);
            mnuView_CountSubstitutes->setChecked(DBLib::CountSubstitutesAsStock());
        }
        showRecipeLines();
        refreshStaleView();
        if (m_planner)
            m_planner->Refresh();
    });
    connect(mnuPartyPlanner, &QAction::triggered, this, [this] { showModeless(new frmPartyPlanner(this, this)); });
    connect(mnuView_CountSubstitutes, &QAction::toggled, this, [this](bool on) {
        try {
            DBLib::SetCountSubstitutesAsStock(on);
        } catch (const std::exception& e) {
            reportFailure(QStringLiteral("The choice could not be kept."), e);
            return;
        }
        refreshStaleView();
        if (m_planner)
            m_planner->Refresh();
    });

    // Bar tools, beside the main window.
    connect(mnuBAL, &QAction::triggered, this, [this] {
        showModeless(new frmBAL(this, [this]() -> std::optional<double> {
            const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(selectedEntryText());
            if (!drink)
                return std::nullopt;
            Maths::Settings settings;
            settings.standard = Maths::StandardDrinkPreference();
            return Maths::Compute(*drink, settings).standardDrinks;
        }));
    });
    connect(mnuMeasurement, &QAction::triggered, this, [this] { showModeless(new frmMeasurement(this)); });
    connect(mnuConversion, &QAction::triggered, this, [this] { showModeless(new frmConversionCalc(this)); });
    connect(mnusubs, &QAction::triggered, this, [this] { showModeless(new frmSubs(this)); });
    connect(mnuTips, &QAction::triggered, this, [this] { showModeless(new frmTips(this)); });
}

// ---- Busy state and closing -------------------------------------------------------------------

QList<QAction*> frmMain::busyEntries() const
{
    return {mnuPrint, mnuExit, mnuAdd, mnuDelete, mnuModifyDrink, mnuAddShoppingList, mnuMarkAsFavorite,
            mnuRemoveFromFavorites, mnuFind, mnuEditStock, mnuShoppingList, mnuColor, mnuView_ShowAllDrinks,
            mnuView_ShowFavorites, mnuView_SearchDrinksAvailableWithCurrentStock, mnuView_SearchAllNonAlcoholicDrinks,
            mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock, mnuUpdateDatabase, mnusubs, mnuTips,
            // Entries added later that read or change the database wait too.
            mnuImport, mnuExport, mnuBarPlanner, mnuPartyPlanner, mnuView_CountSubstitutes, mnuPreferences};
}

void frmMain::DisableMainMenus()
{
    for (QAction* a : busyEntries())
        a->setEnabled(false);
}

void frmMain::EnableMainMenus()
{
    for (QAction* a : busyEntries())
        a->setEnabled(true);
}

bool frmMain::isBusy() const
{
    return !mnuExit->isEnabled();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (isBusy()) {
        MessageBox::show(this, QMessageBox::Information, QStringLiteral("Can not exit at this time"),
                         QStringLiteral("Please wait for processing to complete and try again"));
        event->ignore();
        return;
    }
    if (!UnloadForms()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool frmMain::UnloadForms()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w == this || !w->isVisible())
            continue;
        if (!w->close())
            return false;
    }
    return true;
}

// ---- Views ------------------------------------------------------------------------------------

int frmMain::checkedView() const
{
    if (mnuView_ShowAllDrinks->isChecked())
        return AllDrinks;
    if (mnuView_SearchDrinksAvailableWithCurrentStock->isChecked())
        return CurrentStock;
    if (mnuView_SearchAllNonAlcoholicDrinks->isChecked())
        return NonAlcoholic;
    if (mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock->isChecked())
        return CurrentStockNonAlcoholic;
    if (mnuView_ShowFavorites->isChecked())
        return Favorites;
    return 0;
}

void frmMain::RestoreDrinkListSelection()
{
    const std::optional<qint64> code = ModuleRegistry::ReadNumber(ModuleRegistry::SaveDrinkListSelection);
    // A code that names none of the five views (a damaged or foreign preference) shows all drinks.
    const int view = code && *code >= AllDrinks && *code <= Favorites ? int(*code) : AllDrinks;
    mnuView_ShowAllDrinks->setChecked(view == AllDrinks);
    mnuView_SearchDrinksAvailableWithCurrentStock->setChecked(view == CurrentStock);
    mnuView_SearchAllNonAlcoholicDrinks->setChecked(view == NonAlcoholic);
    mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock->setChecked(view == CurrentStockNonAlcoholic);
    mnuView_ShowFavorites->setChecked(view == Favorites);
}

void frmMain::refreshStaleView()
{
    const int view = checkedView();
    const std::optional<DBLib::DrinkFlag> flag =
        view == CurrentStock               ? std::optional(DBLib::DrinkFlag::CurrentStock)
        : view == NonAlcoholic             ? std::optional(DBLib::DrinkFlag::NonAlcoholic)
        : view == CurrentStockNonAlcoholic ? std::optional(DBLib::DrinkFlag::CurrentStockNonAlcoholic)
                                           : std::nullopt;
    try {
        if (flag && !DBLib::IsViewCacheValid(*flag))
            LoadDrinks(false);
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The drink list could not be brought up to date."), e);
    }
}

void frmMain::LoadDrinks(bool outputToSplashScreen)
{
    // The favourites view is reloaded too, so a change made elsewhere shows at once.
    const int view = checkedView();
    if (view != 0)
        runView(view, outputToSplashScreen);
}

void frmMain::ShowAllDrinks(bool outputToSplashScreen)
{
    runView(AllDrinks, outputToSplashScreen);
}

void frmMain::ShowFavorites(bool outputToSplashScreen)
{
    runView(Favorites, outputToSplashScreen);
}

void frmMain::ShowCurrentStock(bool outputToSplashScreen)
{
    runView(CurrentStock, outputToSplashScreen);
}

void frmMain::ShowNonAlcoholic(bool outputToSplashScreen)
{
    runView(NonAlcoholic, outputToSplashScreen);
}

void frmMain::ShowCurrentStockNonAlcoholic(bool outputToSplashScreen)
{
    runView(CurrentStockNonAlcoholic, outputToSplashScreen);
}

void frmMain::viewCommand(int view)
{
    lstDrinks->hide();
    runView(view, false);
    lstDrinks->show();
    TimerClearPerformance->start();
}

void frmMain::runView(int view, bool outputToSplashScreen)
{
    if (isBusy())
        return; // a list operation is already running; its end refills the list
    Q_EMIT viewStarting(view);
    QElapsedTimer elapsed;
    elapsed.start();
    DisableMainMenus();
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::SaveDrinkListSelection, qint64(view));
    RestoreDrinkListSelection();

    const bool searching = view == CurrentStock || view == NonAlcoholic || view == CurrentStockNonAlcoholic;
    QProgressBar* bar = (outputToSplashScreen && m_splash) ? m_splash->progressBar() : ProgressBar1;
    if (view != Favorites) {
        ProgressBar1->setVisible(true);
        bar->setMinimum(1);
        if (searching)
            m_panel1->setText(SearchingText);
    }
    setDrinkList({});

    const auto setMaximum = [bar](qint64 rows, int extra) {
        bar->setMaximum(int(qMin<qint64>(rows + extra, std::numeric_limits<int>::max())));
    };
    // Progress is drawn only for work long enough to be seen, and the window is kept alive at
    // most every 50 ms: a short view never stops for events, a long one is not slowed by them.
    qint64 lastEvents = -m_eventInterval;
    const auto step = [this, bar, &elapsed, &lastEvents](qint64 rowsRead) {
        bar->setValue(int(qMin<qint64>(rowsRead, bar->maximum())));
        const qint64 now = elapsed.elapsed();
        if (now >= m_eventDelay && now - lastEvents >= m_eventInterval) {
            lastEvents = now;
            QCoreApplication::processEvents();
        }
    };

    QStringList names;
    try {
        switch (view) {
        case AllDrinks:
            // Unchanged since it was last read: no counting, no reading.
            if (std::optional<QStringList> known = DBLib::KnownDrinkNames()) {
                names = std::move(*known);
            } else {
                setMaximum(DBLib::CountRecords(DBLib::Count::Drinks), 100);
                names = DBLib::AllDrinkNames(step);
            }
            break;
        case Favorites: {
            const qint64 count = DBLib::CountRecords(DBLib::Count::FavoriteDrinks);
            if (count > 0) {
                ProgressBar1->setVisible(true);
                bar->setMinimum(1);
                setMaximum(count, 2);
                names = DBLib::FavoriteDrinkNames(step);
            }
            break;
        }
        default: {
            const DBLib::ViewProgress progress{[&](qint64 rows) { setMaximum(rows, 100); }, step};
            DBLib::ViewAnswer answer;
            if (view == CurrentStock)
                answer = DBLib::DrinksAvailableWithCurrentStock(progress);
            else if (view == NonAlcoholic)
                answer = DBLib::AllNonAlcoholicDrinks(progress);
            else
                answer = DBLib::NonAlcoholicDrinksAvailableWithCurrentStock(progress);
            m_drinkCountText = QString::number(answer.rowCount);
            if (answer.stockListEmpty) {
                MessageBox::show(this, QMessageBox::Information, QStringLiteral("Stock List Is Empty"),
                                 view == CurrentStock
                                     ? QStringLiteral("You need at least one ingredient in the current stock list to "
                                                      "use this feature")
                                     : QStringLiteral("You need at least one non-alcoholic ingredient in the current "
                                                      "stock list to use this feature"));
            }
            names = answer.names;
            break;
        }
        }
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The drink list could not be loaded."), e);
    }
    setDrinkList(names);

    if (searching)
        m_panel1->clear();
    ProgressBar1->setVisible(false);
    EnableMainMenus();
    const double seconds = double(elapsed.elapsed()) / 1000.0;
    m_panel1->setText(LoadedPrefix + QString::number(seconds, 'g', QLocale::FloatingPointShortest) +
                      QStringLiteral(" Seconds"));
    lstDrinks_Click();
    Q_EMIT drinksLoaded();
}

void frmMain::setDrinkList(const QStringList& names)
{
    m_entries = names;
    m_drinkModel->setStringList(m_entries);
    m_letterIndex = Lib::BuildLetterIndex(m_entries);
}

void frmMain::removeSelectedEntry()
{
    const int position = selectedPosition();
    if (position < 0)
        return;
    // Removing the selected row makes the view select its neighbour; the list ends up without a
    // selection and the display keeps the removed drink until the user picks another.
    m_listChanging = true;
    m_entries.removeAt(position);
    m_drinkModel->removeRow(position);
    lstDrinks->selectionModel()->clear();
    m_listChanging = false;
    // Positions after the removed entry moved up; the search must start from the right places.
    m_letterIndex = Lib::BuildLetterIndex(m_entries);
    lstDrinks_Click();
}

// ---- Selection and recipe ---------------------------------------------------------------------

QString frmMain::selectedEntryText() const
{
    const int position = selectedPosition();
    return position < 0 ? QString() : m_entries.at(position);
}

int frmMain::selectedPosition() const
{
    const QModelIndexList rows = lstDrinks->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmMain::showDrink(const QString& name)
{
    if (!m_entries.contains(name))
        viewCommand(AllDrinks);
    selectDrinkNamed(name);
    raise();
    activateWindow();
}

void frmMain::selectDrinkNamed(const QString& name)
{
    const int position = int(m_entries.indexOf(name));
    if (position >= 0)
        selectDrinkAt(position);
}

void frmMain::selectDrinkAt(int position)
{
    if (position < 0 || position >= m_entries.size()) {
        lstDrinks->selectionModel()->clear();
        lstDrinks_Click();
        return;
    }
    const QModelIndex index = m_drinkModel->index(position);
    lstDrinks->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    lstDrinks->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void frmMain::lstDrinks_Click()
{
    const int position = selectedPosition();
    const int count = int(m_entries.size());
    if (position < 0) {
        m_panel3->setText(QStringLiteral("0 Drink of ") + QString::number(count));
        return;
    }
    m_panel3->setText(QString::number(position + 1) + QStringLiteral(" Drink of ") + QString::number(count));
    m_selectedName = m_entries.at(position);

    std::optional<DBLib::Drink> recipe;
    try {
        recipe = DBLib::ReadDrink(m_selectedName);
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The recipe of %1 could not be read.").arg(m_selectedName), e);
        return;
    }
    // A recipe scaled for a party stays scaled until another drink is shown.
    if (!m_recipe || !recipe || m_recipe->id != recipe->id)
        m_servings = 1;
    m_recipe = recipe;
    lblDrink->setText(QLatin1Char(' ') + m_selectedName);
    lblDrink->setToolTip(m_selectedName);
    if (!recipe) {
        // Deleted by another window since the list was filled.
        m_selectedId = -1;
        lstIngredients->clear();
        lblMaths->clear();
        lblDescription->clear();
        lblGlassType->clear();
        picglass->clear();
        return;
    }
    setFavoriteEntries(recipe->favorite);
    m_selectedId = recipe->id;
    lblDescription->setPlainText(recipe->description);
    m_glassType = recipe->glassType.value_or(0);
    showGlassPicture();
    lblGlassType->setText(recipe->glassName);
    showRecipeLines();
}

void frmMain::showRecipeLines()
{
    lstIngredients->clear();
    if (!m_recipe) {
        lblMaths->clear();
        return;
    }
    Label3->setText(m_servings > 1 ? QStringLiteral("Ingredients (for %1)").arg(m_servings) : QStringLiteral("Ingredients"));
    for (DBLib::RecipeLine line : std::as_const(m_recipe->lines)) {
        if (m_servings > 1)
            line.amount = Maths::ScaleAmount(line.amount, m_servings);
        lstIngredients->addItem(DBLib::RecipeLineText(line));
    }
    Maths::Settings settings;
    settings.standard = Maths::StandardDrinkPreference();
    const QString summary = Maths::Summary(Maths::Compute(*m_recipe, settings), settings, Maths::OuncesFirstPreference());
    lblMaths->setText(m_servings > 1 && !summary.isEmpty() ? QStringLiteral("Each serving: ") + summary : summary);
}

void frmMain::mnuScaleRecipe_Click()
{
    if (!m_recipe)
        return;
    const std::optional<int> servings =
        InputDialog::getInt(this, QStringLiteral("Scale Recipe"), QStringLiteral("Servings of %1:").arg(m_recipe->name),
                            m_servings, 1, Maths::MaxServings);
    if (!servings)
        return;
    m_servings = *servings;
    showRecipeLines();
}

void frmMain::showGlassPicture()
{
    QPixmap pixmap = GlassPictures::load(GlassPictures::glassPicturePath(m_glassType, m_dataFolder), picglass->size(), devicePixelRatioF());
    if (pixmap.isNull())
        pixmap = GlassPictures::load(GlassPictures::notFoundPicturePath(m_dataFolder), picglass->size(), devicePixelRatioF());
    picglass->setPixmap(pixmap);
}

void frmMain::setFavoriteEntries(bool isFavorite)
{
    mnuMarkAsFavorite->setVisible(!isFavorite);
    mnuRemoveFromFavorites->setVisible(isFavorite);
}

// ---- Commands on the selected drink -----------------------------------------------------------

void frmMain::reportFailure(const QString& what, const std::exception& e)
{
    ErrorReport::show(this, QStringLiteral("Tumblerix"), what, e);
}

void frmMain::reportGone(const QString& name)
{
    MessageBox::warning(this, QStringLiteral("Tumblerix"),
                        QStringLiteral("%1 is no longer in the recipe database, so nothing was changed. Choose a view "
                                       "from the View menu to bring the list up to date.")
                            .arg(name));
}

void frmMain::mnuMarkAsFavorite_Click()
{
    const QString name = selectedEntryText();
    if (name.isEmpty())
        return;
    m_selectedName = name;
    try {
        if (!DBLib::SetFavorite(name, true)) {
            reportGone(name);
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("%1 could not be added to the favorites.").arg(name), e);
        return;
    }
    setFavoriteEntries(true);
}

void frmMain::mnuRemoveFromFavorites_Click()
{
    const QString name = selectedEntryText();
    if (name.isEmpty())
        return;
    m_selectedName = name;
    try {
        if (!DBLib::SetFavorite(name, false)) {
            reportGone(name);
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("%1 could not be removed from the favorites.").arg(name), e);
        return;
    }
    if (mnuView_ShowFavorites->isChecked())
        removeSelectedEntry();
    setFavoriteEntries(false);
}

void frmMain::mnuAddShoppingList_Click()
{
    const QString name = selectedEntryText();
    m_selectedName = name;
    if (name.isEmpty())
        return;
    try {
        if (DBLib::AddMissingIngredientsToShoppingList(name) < 0)
            reportGone(name);
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The ingredients of %1 could not be put on the shopping list.").arg(name), e);
    }
}

void frmMain::mnuDelete_Click()
{
    const QString name = selectedEntryText();
    m_selectedName = name;
    if (name.trimmed().isEmpty())
        return;
    // No is the default: Enter alone must not delete a recipe.
    if (MessageBox::show(this, QMessageBox::Question, QStringLiteral("Delete Confirmation"),
                         QStringLiteral("Are you sure you want to permanately deleted this drink?"),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    try {
        if (!DBLib::DeleteDrink(name)) {
            reportGone(name);
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("%1 could not be deleted.").arg(name), e);
        return;
    }
    removeSelectedEntry();
}

void frmMain::ImportRecipes(const QStringList& paths)
{
    if (isBusy())
        return;
    DisableMainMenus();
    m_importCancelled = false;
    ProgressBar1->setMinimum(0);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    cmdCancelImport->show();
    m_panel1->setText(QStringLiteral("Importing recipes…"));
    Formats::ImportSummary summary;
    try {
        summary = Formats::Import(paths, [this](qint64 done, qint64 total) {
            ProgressBar1->setMaximum(int(qMin<qint64>(total, std::numeric_limits<int>::max())));
            ProgressBar1->setValue(int(qMin<qint64>(done, ProgressBar1->maximum())));
            // The window keeps painting and the Cancel button answers, a few times a second.
            if (done % 25 == 0 || done == total)
                QCoreApplication::processEvents();
            return !m_importCancelled;
        });
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The recipes could not be imported."), e);
    }
    cmdCancelImport->hide();
    ProgressBar1->hide();
    m_panel1->clear();
    EnableMainMenus();
    if (summary.anyAdded())
        LoadDrinks(false);
    MessageBox::information(this, QStringLiteral("Import Recipes"), summary.text());
}

void frmMain::mnuExport_Click()
{
    QString filter;
    QString path = FileDialog::getSaveFileName(this, QStringLiteral("Export Recipes"), QString(),
                                               Formats::FileFilters().join(QStringLiteral(";;")), &filter);
    if (path.isEmpty())
        return;
    const Formats::Format format = Formats::FormatOfFilter(filter).value_or(
        Formats::FormatOf(path, QByteArray()).value_or(Formats::Format::BarAssistantJson));
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + Formats::DefaultExtension(format);
    QStringList names = m_entries;
    const QString selected = selectedEntryText();
    if (!selected.isEmpty()) {
        const MessageBox::Button answer = MessageBox::question(
            this, QStringLiteral("Export Recipes"),
            QStringLiteral("Export only %1?\n\nChoose No to export all %2 drinks of the list.").arg(selected).arg(names.size()),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes)
            names = {selected};
    }
    if (names.isEmpty())
        return; // an empty list has nothing to export
    QString error;
    try {
        if (!Formats::Export(path, format, names, &error)) {
            MessageBox::warning(this, QStringLiteral("Export Recipes"), error);
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(QStringLiteral("The recipes could not be exported."), e);
        return;
    }
    m_panel1->setText(QStringLiteral("%1 drinks exported to %2").arg(names.size()).arg(QDir::toNativeSeparators(path)));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !isBusy())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has finished: the import shows messages of its own.
    QTimer::singleShot(0, this, [this, paths] { ImportRecipes(paths); });
}

void frmMain::mnuView_SaveDrinkListOnExit_Click()
{
    // The entry's check mark has already flipped; it now says what the user wants.
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::SaveDrinkListInExit,
                                       mnuView_SaveDrinkListOnExit->isChecked() ? QStringLiteral("1")
                                                                                : QStringLiteral("0"));
}

// ---- Search and pop-up menu -------------------------------------------------------------------

void frmMain::txtSearch_KeyUp()
{
    const int position = Lib::IncrementalSearch(m_entries, m_letterIndex, txtSearch->text());
    if (position >= 0)
        selectDrinkAt(position);
}

void frmMain::showPopup(const QPoint& globalPos)
{
    mnuTools->popup(globalPos);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSearch && event->type() == QEvent::ShortcutOverride) {
        // The menu's shortcuts win over the search box's own (Ctrl+A is Add Drink, not select all):
        // the box has the focus when the program starts.
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        const QList<QAction*> entries = findChildren<QAction*>();
        for (const QAction* entry : entries) {
            if (entry->isEnabled() && entry->shortcut() == pressed)
                return true;
        }
    }
    if (watched == txtSearch && event->type() == QEvent::KeyRelease) {
        txtSearch_KeyUp();
        return false;
    }
    if (!m_indexPrepared && watched == lstDrinks->viewport() && event->type() == QEvent::Paint) {
        // What the stock views and the planner read (every recipe's ingredients) is built right after
        // the first paint, not before it and not in the user's first view command.
        m_indexPrepared = true;
        QTimer::singleShot(0, this, [this] {
            try {
                // Never inside a view's own work (it builds the index itself when it needs it).
                if (!isBusy() && DBLib::IsOpen())
                    DBLib::RecipeIndex::current();
            } catch (const std::exception&) {
                // The first view that needs it reports the problem.
            }
        });
    }
    if (watched == lstDrinks->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The pop-up acts on the drink already selected; the click must not change it.
            showPopup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && watched != lstDrinks->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            showPopup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (event->type() == QEvent::ContextMenu && watched != lstDrinks->viewport())
        return true; // the release above already showed the menu
    return QMainWindow::eventFilter(watched, event);
}

// ---- Slideshow --------------------------------------------------------------------------------

void frmMain::LoadPictureList()
{
    lstAddCustom->clear();
    const QStringList entries = PictureList::read(QDir(m_dataFolder).filePath(DataFolder::PictureListFileName));
    for (const QString& entry : entries)
        lstAddCustom->addItem(PictureList::resolve(entry, m_dataFolder));
}

void frmMain::startSlideShow()
{
    Timer->stop();
    SlideShowTimer->start();
    showSlide(false);
}

void frmMain::showSlide(bool resize)
{
    const int count = lstAddCustom->count();
    if (count == 0) {
        Image1->clear();
        return;
    }
    Image1->hide();
    const int position = int(QRandomGenerator::global()->bounded(count));
    QString path = lstAddCustom->item(position)->text();
    if (!QFileInfo(path).isFile())
        path = GlassPictures::notFoundPicturePath(m_dataFolder);
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const QSize natural = GlassPictures::naturalSize(path);
    QSize shown = twipsToPixels(this, QSize(PictureList::MaxWidthTwips, PictureList::MaxHeightTwips));
    if (resize && natural.isValid()) {
        // The picture's size in hundredths of a millimetre, taken as twips, then shrunk to fit.
        const QSize himetric(natural.width() * 2540 / dpi, natural.height() * 2540 / dpi);
        const QSize twips = PictureList::shrinkToFit(himetric);
        shown = twipsToPixels(this, twips);
    }
    QPixmap pixmap = GlassPictures::load(path, shown, devicePixelRatioF());
    if (pixmap.isNull())
        pixmap = GlassPictures::load(GlassPictures::notFoundPicturePath(m_dataFolder), shown, devicePixelRatioF());
    Image1->setPixmap(pixmap);
    Image1->show();
}

void frmMain::mnuAddCustom_Click()
{
    frmModifySlideshow window(m_dataFolder, [this] { LoadPictureList(); }, this);
    window.exec();
}
