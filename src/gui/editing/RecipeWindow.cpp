#include "gui/editing/RecipeWindow.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "core/formats/Glasses.h"
#include "core/store/Catalogue.h"
#include "core/store/Lib.h"
#include "core/store/Sqlite.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace Lib {

bool CheckIngredientEntered(QComboBox* inListBox, QLineEdit* inTextBox)
{
    if (!inTextBox->text().trimmed().isEmpty() && inListBox->currentText().trimmed().isEmpty()) {
        MessageBox::information(inListBox->window(), QStringLiteral("Ingredient"),
                                QStringLiteral("Please Enter Ingredient"),
                                QMessageBox::Ok | QMessageBox::Cancel);
        inListBox->setFocus();
        return false;
    }
    return true;
}

} // namespace Lib

namespace {

// The column header: its blanks place the three words over the amount, ingredient and
// description columns, so the column widths are taken from it.
const QString AmountHeader = QStringLiteral("Amount       ");
const QString IngredientHeader = QStringLiteral("Ingredients                                            ");
const QString DescriptionHeader = QStringLiteral("Description");

} // namespace

const QStringList& RecipeWindow::GlassNames()
{
    return Formats::StandardGlassNames();
}

RecipeWindow::RecipeWindow(QWidget* parent, const MainWindowLink& link, const QString& caption,
                           const QString& saveCaption, const QString& saveObjectName)
    : QDialog(parent), m_link(link)
{
    setWindowTitle(caption);
    setModal(true);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    const auto named = [](QWidget* w, const QString& name) {
        w->setObjectName(name);
        return w;
    };

    Label1 = new QLabel(QStringLiteral("Drink Name:"), this);
    named(Label1, QStringLiteral("Label1"));
    txtName = new QLineEdit(this);
    named(txtName, QStringLiteral("txtName"));
    Label1->setBuddy(txtName);
    Label3 = new QLabel(QStringLiteral("Glasstype:"), this);
    named(Label3, QStringLiteral("Label3"));
    cmbGlass = new QComboBox(this);
    named(cmbGlass, QStringLiteral("cmbGlass"));
    cmbGlass->addItems(GlassNames());
    cmbGlass->setCurrentIndex(-1);
    cmbGlass->setMaxVisibleItems(GlassNames().size());
    Label3->setBuddy(cmbGlass);

    Label2 = new QLabel(AmountHeader + IngredientHeader + DescriptionHeader, this);
    named(Label2, QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);

    // One list model serves all twelve boxes, so a new ingredient shows in every box at once.
    m_ingredients = new QStringListModel(this);

    const QFontMetrics metrics(font());
    const int spacing = 6;
    const int amountWidth = std::max(metrics.horizontalAdvance(AmountHeader) - spacing,
                                     metrics.horizontalAdvance(QStringLiteral("1 1/2 oz")) + 12);
    const int ingredientWidth =
        std::max(metrics.horizontalAdvance(IngredientHeader) - spacing,
                 metrics.horizontalAdvance(QStringLiteral("Cranberry Juice Cocktail")) + 30);

    for (int i = 0; i < RowCount; ++i) {
        const QString n = QString::number(i + 1);
        auto* amount = new QLineEdit(this);
        named(amount, QStringLiteral("txtAmount") + n);
        amount->setToolTip(QStringLiteral("Enter Amount (ex. 1/2 oz)"));
        amount->setFixedWidth(amountWidth);
        txtAmount[size_t(i)] = amount;

        auto* ingredient = new QComboBox(this);
        named(ingredient, QStringLiteral("cmbIngredient") + n);
        ingredient->setEditable(true);
        ingredient->setInsertPolicy(QComboBox::NoInsert);
        ingredient->setModel(m_ingredients);
        ingredient->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        ingredient->setMinimumContentsLength(8);
        ingredient->setFixedWidth(ingredientWidth);
        // Suggestions in a list under the box; the typed text stays as typed until one is chosen,
        // so a new "Orange" is not turned into a known "Orange Juice".
        auto* completer = new QCompleter(m_ingredients, ingredient);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        ingredient->setCompleter(completer);
        ingredient->setCurrentIndex(-1);
        cmbIngredient[size_t(i)] = ingredient;
    }

    txtDescription = new QPlainTextEdit(this);
    named(txtDescription, QStringLiteral("txtDescription"));
    txtDescription->setToolTip(
        QStringLiteral("Enter Description (Order of ingredients, Shaken not Stirred, etc)"));
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setTabChangesFocus(true);
    txtDescription->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('x')) * 40);

    m_saveButton = new QPushButton(saveCaption, this);
    named(m_saveButton, saveObjectName);
    m_saveButton->setDefault(true);
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    named(cmdExit, QStringLiteral("cmdExit"));
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::reject);

    // Name and glass on one line; under the header the rows, the description to their right and
    // the buttons under it.
    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(txtName, 3);
    top->addSpacing(12);
    top->addWidget(Label3);
    top->addWidget(cmbGlass, 2);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(spacing);
    grid->setVerticalSpacing(4);
    grid->addWidget(Label2, 0, 0, 1, 3);
    for (int i = 0; i < RowCount; ++i) {
        grid->addWidget(txtAmount[size_t(i)], i + 1, 0);
        grid->addWidget(cmbIngredient[size_t(i)], i + 1, 1);
    }
    grid->addWidget(txtDescription, 1, 2, RowCount - 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(cmdExit);
    grid->addLayout(buttons, RowCount, 2);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(grid);

    setTabOrder(txtName, cmbGlass);
    QWidget* previous = cmbGlass;
    for (int i = 0; i < RowCount; ++i) {
        setTabOrder(previous, txtAmount[size_t(i)]);
        setTabOrder(txtAmount[size_t(i)], cmbIngredient[size_t(i)]);
        previous = cmbIngredient[size_t(i)];
    }
    setTabOrder(previous, txtDescription);
    setTabOrder(txtDescription, m_saveButton);
    setTabOrder(m_saveButton, cmdExit);

    ColorSchemes::applyBackgroundToAll(this);
    ColorSchemes::applyStandard(this);
    txtName->setFocus();
}

void RecipeWindow::setStatus(const QString& text)
{
    if (m_link.showStatus)
        m_link.showStatus(text);
}

void RecipeWindow::FillIngredientLists()
{
    QStringList names = DBLib::IngredientNames();
    names.removeIf([](const QString& name) { return name.trimmed().isEmpty(); });
    m_ingredients->setStringList(names);
    // Filling a model that was empty makes every box take its first item; they start empty.
    for (QComboBox* box : cmbIngredient) {
        box->setCurrentIndex(-1);
        box->clearEditText();
        if (QAbstractItemView* view = box->view())
            view->setMinimumWidth(std::max(box->width(), view->sizeHintForColumn(0) + 24));
    }
}

void RecipeWindow::AddToIngredientLists(const QString& name)
{
    QStringList typed;
    for (const QComboBox* box : cmbIngredient)
        typed.append(box->currentText());

    const QStringList current = m_ingredients->stringList();
    int row = 0;
    while (row < current.size() && current.at(row).compare(name, Qt::CaseInsensitive) <= 0)
        ++row;
    m_ingredients->insertRows(row, 1);
    m_ingredients->setData(m_ingredients->index(row), name);

    // The first name in an empty list would otherwise become every box's text.
    for (size_t i = 0; i < cmbIngredient.size(); ++i) {
        if (cmbIngredient[i]->currentText() != typed.at(qsizetype(i)))
            cmbIngredient[i]->setEditText(typed.at(qsizetype(i)));
    }
}

bool RecipeWindow::CheckNameEntered()
{
    if (!txtName->text().trimmed().isEmpty())
        return true;
    MessageBox::information(this, QStringLiteral("Drink Name"), QStringLiteral("Please Enter Drink Name"),
                            QMessageBox::Ok);
    txtName->setFocus();
    return false;
}

void RecipeWindow::RefuseRepeatedName()
{
    MessageBox::information(this, QStringLiteral("Repeated drink name"),
                            QStringLiteral("Drink Name already choosen, Please select another"),
                            QMessageBox::Ok | QMessageBox::Cancel);
    txtName->setFocus();
}

bool RecipeWindow::CheckGlassEntered()
{
    if (!cmbGlass->currentText().trimmed().isEmpty())
        return true;
    MessageBox::information(this, QStringLiteral("Glass Type"), QStringLiteral("Please Enter Glass Type"),
                            QMessageBox::Ok);
    cmbGlass->setFocus();
    return false;
}

bool RecipeWindow::CheckRows()
{
    for (int i = 0; i < RowCount; ++i) {
        if (!Lib::CheckIngredientEntered(cmbIngredient[size_t(i)], txtAmount[size_t(i)]))
            return false;
    }
    return true;
}

bool RecipeWindow::ConfirmBlankDescription()
{
    if (!txtDescription->toPlainText().trimmed().isEmpty())
        return true;
    return MessageBox::question(this, QStringLiteral("Empty Decription"),
                                QStringLiteral("Description Is Blank Do You Wish To Continue"),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QList<DBLib::DrinkEntry::Line> RecipeWindow::VisibleRows() const
{
    QList<DBLib::DrinkEntry::Line> rows;
    for (int i = 0; i < RowCount; ++i)
        rows.append({txtAmount[size_t(i)]->text(), cmbIngredient[size_t(i)]->currentText(), QString(), false, std::nullopt});
    return rows;
}

DBLib::DrinkEntry RecipeWindow::Entry() const
{
    DBLib::DrinkEntry entry;
    entry.name = txtName->text();
    entry.glass = cmbGlass->currentText();
    entry.lines = VisibleRows();
    // toPlainText() turns no-break spaces into plain ones; the raw text keeps what was typed.
    QString description = txtDescription->document()->toRawText();
    description.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    entry.description = description;
    return entry;
}

void RecipeWindow::FinishSave(const DBLib::SavedDrink& saved)
{
    for (const QString& name : saved.newIngredients)
        AddToIngredientLists(name);
    m_savedName = saved.name;
    if (m_link.reloadDrinks)
        m_link.reloadDrinks();
    accept();
}

QString RecipeWindow::FormText() const
{
    QStringList parts{txtName->text(), cmbGlass->currentText(), txtDescription->toPlainText()};
    for (int i = 0; i < RowCount; ++i)
        parts << txtAmount[size_t(i)]->text() << cmbIngredient[size_t(i)]->currentText();
    return parts.join(QChar(0x1F));
}

void RecipeWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shownForm)
        m_shownForm = FormText(); // the form as loaded
}

void RecipeWindow::reject()
{
    if (m_savedName.isEmpty() && m_shownForm && FormText() != *m_shownForm &&
        MessageBox::show(this, QMessageBox::Question, windowTitle(),
                         QStringLiteral("Throw away what you typed and close the window?"),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}

void RecipeWindow::ShowWriteFailure(const QString& what, const std::exception& error)
{
    ErrorReport::show(this, windowTitle(), what, error);
}
