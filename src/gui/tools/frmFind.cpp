#include "gui/tools/frmFind.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "gui/tools/DrinkListHost.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/tools/FindSearch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <limits>

namespace {

const QString CategoryDrinks = QStringLiteral("Drinks");
const QString CategoryDescription = QStringLiteral("Description");
const QString CategoryIngredients = QStringLiteral("Ingredients");
const QString SearchingText = QStringLiteral("Searching Please Wait");
const QString CompletedText = QStringLiteral("Searching Completed");

int clampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The field in use is white, the other light grey, whatever the colour scheme says; its text stays
// readable on it.
void setFieldBackground(QWidget* field, const QColor& colour)
{
    ColorSchemes::applyFieldBackground(field, colour);
}

} // namespace

frmFind::frmFind(DrinkListHost* host, QWidget* parent) : QWidget(parent, Qt::Window), m_host(host)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));

    // Created in the order the tab key visits them.
    Label1 = new QLabel(QStringLiteral("Search In:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmbFind = new QComboBox(this);
    cmbFind->setObjectName(QStringLiteral("cmbFind"));
    cmbFind->addItems({CategoryDrinks, CategoryDescription, CategoryIngredients});
    Label1->setBuddy(cmbFind);

    Label2 = new QLabel(QStringLiteral("Click on Drink:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    // The hits are taken in one step by a model: a search may find a hundred thousand drinks.
    m_hits = new QStringListModel(this);
    lstFind = new QListView(this);
    lstFind->setObjectName(QStringLiteral("lstFind"));
    lstFind->setModel(m_hits);
    lstFind->setUniformItemSizes(true);
    lstFind->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Label2->setBuddy(lstFind);

    TextSearch = new QLineEdit(this);
    TextSearch->setObjectName(QStringLiteral("TextSearch"));
    TextSearch->setPlaceholderText(QStringLiteral("Text to find"));

    Label3 = new QLabel(QStringLiteral("Ingredients:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    cmbIngredients = new QComboBox(this);
    cmbIngredients->setObjectName(QStringLiteral("cmbIngredients"));
    cmbIngredients->setEditable(true);
    // Typing a name and pressing Enter searches; it does not add the name to the list.
    cmbIngredients->setInsertPolicy(QComboBox::NoInsert);
    cmbIngredients->setMaxVisibleItems(20);
    Label3->setBuddy(cmbIngredients);

    cmdFind = new QPushButton(QStringLiteral("Find"), this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setContentsMargins(6, 0, 6, 2);
    m_panel1 = new QLabel(StatusBar1);
    m_panel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    StatusBar1->addWidget(m_panel1, 1);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMinimum(1);
    ProgressBar1->setMaximumWidth(160);
    StatusBar1->addPermanentWidget(ProgressBar1);

    // The hits on the left; what to search for, and the buttons, on the right.
    auto* inputs = new QVBoxLayout;
    inputs->addWidget(TextSearch);
    inputs->addSpacing(8);
    inputs->addWidget(Label3);
    inputs->addWidget(cmbIngredients);
    inputs->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdFind);
    buttons->addWidget(Command1);
    inputs->addLayout(buttons);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cmbFind, 0, 1);
    grid->addWidget(Label2, 1, 0, 1, 2);
    grid->addWidget(lstFind, 2, 0, 1, 2);
    grid->addLayout(inputs, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* body = new QWidget(this);
    body->setLayout(grid);
    grid->setContentsMargins(10, 10, 10, 6);
    layout->addWidget(body, 1);
    layout->addWidget(StatusBar1);

    setTabOrder(cmbFind, lstFind);
    setTabOrder(lstFind, TextSearch);
    setTabOrder(TextSearch, cmbIngredients);
    setTabOrder(cmbIngredients, cmdFind);
    setTabOrder(cmdFind, Command1);
    resize(560, 380);

    // The input fields follow the category at once rather than on a timer tick.
    connect(cmbFind, &QComboBox::currentIndexChanged, this, &frmFind::SwitchInputFields);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(TextSearch, &QLineEdit::returnPressed, cmdFind, &QPushButton::click);
    connect(cmbIngredients->lineEdit(), &QLineEdit::returnPressed, cmdFind, &QPushButton::click);
    // A click (again) or a keyboard move in the hit list selects the drink in the main window.
    connect(lstFind, &QListView::clicked, this, &frmFind::lstFind_Click);
    connect(lstFind->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmFind::lstFind_Click);
    Form_Load();
}

QString frmFind::statusText() const
{
    return m_panel1->text();
}

void frmFind::drinkListLoaded()
{
    if (m_searchPending) {
        m_searchPending = false;
        RunSearch();
    }
}

void frmFind::Form_Load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->windowIcon());

    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyWindow(this, scheme);
    for (QLabel* label : {Label1, Label2, Label3})
        ColorSchemes::applyHeading(label, scheme);
    for (QPushButton* button : {cmdFind, Command1})
        ColorSchemes::applyButton(button, scheme);
    for (QWidget* input : std::initializer_list<QWidget*>{lstFind, cmbFind, cmbIngredients, TextSearch})
        ColorSchemes::applyInput(input, scheme);

    cmbFind->setCurrentIndex(0);
    SwitchInputFields();

    try {
        cmbIngredients->addItems(DBLib::IngredientNames());
    } catch (const std::exception& e) {
        // The window still searches names and directions without the catalogue.
        ErrorReport::show(this, windowTitle(), QStringLiteral("The ingredient names could not be read."), e);
    }
    // Nothing is chosen until the user picks or types an ingredient.
    cmbIngredients->setCurrentIndex(-1);
    cmbIngredients->setEditText(QString());
}

void frmFind::SwitchInputFields()
{
    const bool byIngredient = cmbFind->currentText() == CategoryIngredients;
    const QColor white(255, 255, 255);
    const QColor lightGrey(192, 192, 192);
    setFieldBackground(cmbIngredients, byIngredient ? white : lightGrey);
    cmbIngredients->setEnabled(byIngredient);
    setFieldBackground(TextSearch, byIngredient ? lightGrey : white);
    TextSearch->setEnabled(!byIngredient);
}

void frmFind::cmdFind_Click()
{
    if (m_host && m_host->isDrinkListLoading()) {
        // The main list is half filled while it loads; searching it now would miss drinks.
        m_hits->setStringList({});
        m_panel1->setText(SearchingText);
        m_searchPending = true;
        return;
    }
    RunSearch();
}

void frmFind::RunSearch()
{
    const QString category = cmbFind->currentText();
    if (category.isEmpty()) {
        MessageBox::show(this, QMessageBox::NoIcon, QStringLiteral("Category to Search not Selected"),
                         QStringLiteral("Please Enter Category to Search"), QMessageBox::Ok);
        m_hits->setStringList({});
        m_panel1->setText(CompletedText);
        return;
    }
    m_hits->setStringList({});
    const QString statusBefore = m_panel1->text();
    m_panel1->setText(SearchingText);
    // The search does not yield to the event loop; show the state before it starts.
    m_panel1->repaint();

    const auto step = [this](qint64 rowsRead) {
        ProgressBar1->setValue(clampToInt(std::min<qint64>(rowsRead, ProgressBar1->maximum())));
    };
    try {
        FindSearch::Request request;
        request.text = TextSearch->text();
        ProgressBar1->setMinimum(1);
        ProgressBar1->setMaximum(clampToInt(DBLib::CountRecords(DBLib::Count::Drinks) + 2));
        if (category == CategoryDescription) {
            request.category = FindSearch::Category::Description;
        } else if (category == CategoryIngredients) {
            request.category = FindSearch::Category::Ingredients;
            request.ingredient = cmbIngredients->currentText();
            if (request.ingredient.isEmpty()) {
                MessageBox::show(this, QMessageBox::NoIcon, QStringLiteral("Ingredient to Search not Selected"),
                                 QStringLiteral("Please Select Ingredient to Search"), QMessageBox::Ok);
                m_panel1->setText(statusBefore); // nothing was searched
                return;
            }
            const qint64 id = DBLib::FindIngredientID(request.ingredient);
            if (id >= 0)
                ProgressBar1->setMaximum(clampToInt(DBLib::CountRecipeLinesUsing(id) + 2));
        }
        static const QStringList empty;
        static const Lib::LetterIndex noIndex{};
        m_hits->setStringList(FindSearch::Search(request, m_host ? m_host->drinkListEntries() : empty,
                                             m_host ? m_host->drinkListIndex() : noIndex, step));
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The search could not be completed."), e);
    }
    ProgressBar1->setValue(1);
    m_panel1->setText(CompletedText);
}

void frmFind::lstFind_Click()
{
    const QModelIndex current = lstFind->currentIndex();
    if (!m_host || !current.isValid() || !lstFind->selectionModel()->isSelected(current))
        return;
    const int position = FindSearch::PositionOfHit(m_host->drinkListEntries(), current.data().toString());
    if (position >= 0)
        m_host->selectDrinkAt(position);
}
