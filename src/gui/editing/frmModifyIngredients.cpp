#include "gui/editing/frmModifyIngredients.h"

#include "gui/editing/RecipeWindow.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Twips.h"
#include "core/store/Catalogue.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    NameColumn = 0,
    NonAlcoholicColumn = 1,
    IdColumn = 2
};

} // namespace

frmModifyIngredients::frmModifyIngredients(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Modify Ingredients"));
    setModal(true);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    MSFlexGrid1 = new QTableWidget(0, 3, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->verticalHeader()->setVisible(false);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->setWordWrap(false);

    Label1 = new QLabel(QStringLiteral("Ingredient:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblIngredient = new QLabel(this);
    lblIngredient->setObjectName(QStringLiteral("lblIngredient"));
    lblIngredient->setTextFormat(Qt::PlainText);
    lblIngredient->setWordWrap(true);
    // Keeps its line when empty, so the controls below do not jump when the edit area is cleared.
    lblIngredient->setMinimumHeight(lblIngredient->fontMetrics().lineSpacing());
    lblNonAlcoholic = new QLabel(QStringLiteral("Non-Alcoholic:"), this);
    lblNonAlcoholic->setObjectName(QStringLiteral("lblNonAlcoholic"));
    ComboNonAlcoholic = new QComboBox(this);
    ComboNonAlcoholic->setObjectName(QStringLiteral("ComboNonAlcoholic"));
    ComboNonAlcoholic->setEditable(true);
    ComboNonAlcoholic->setInsertPolicy(QComboBox::NoInsert);
    ComboNonAlcoholic->addItems({QStringLiteral("No"), QStringLiteral("Yes")});
    ComboNonAlcoholic->setCurrentIndex(-1);
    lblNonAlcoholic->setBuddy(ComboNonAlcoholic);
    lblStrength = new QLabel(QStringLiteral("Strength (% ABV)"), this);
    lblStrength->setObjectName(QStringLiteral("lblStrength"));
    txtStrength = new QLineEdit(this);
    txtStrength->setObjectName(QStringLiteral("txtStrength"));
    txtStrength->setPlaceholderText(QStringLiteral("unknown"));
    txtStrength->setToolTip(QStringLiteral("Percent alcohol by volume, from 0 to 100; empty when unknown"));
    lblStrength->setBuddy(txtStrength);
    CommandUpdate = new QPushButton(QStringLiteral("Update"), this);
    CommandUpdate->setObjectName(QStringLiteral("CommandUpdate"));
    CommandDelete = new QPushButton(QStringLiteral("Delete"), this);
    CommandDelete->setObjectName(QStringLiteral("CommandDelete"));
    CommandDelete->setEnabled(false);
    LabelInstructions = new QLabel(this);
    LabelInstructions->setObjectName(QStringLiteral("LabelInstructions"));
    LabelInstructions->setWordWrap(true);
    LabelInstructions->setTextFormat(Qt::PlainText);
    txtID = new QLineEdit(this);
    txtID->setObjectName(QStringLiteral("txtID"));
    txtID->setVisible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommandUpdate);
    buttons->addWidget(CommandDelete);
    buttons->addStretch(1);

    auto* editArea = new QVBoxLayout;
    editArea->addWidget(Label1);
    editArea->addWidget(lblIngredient);
    editArea->addSpacing(8);
    editArea->addWidget(lblNonAlcoholic);
    editArea->addWidget(ComboNonAlcoholic);
    editArea->addSpacing(8);
    editArea->addWidget(lblStrength);
    editArea->addWidget(txtStrength);
    editArea->addSpacing(8);
    editArea->addLayout(buttons);
    editArea->addSpacing(12);
    editArea->addWidget(LabelInstructions);
    editArea->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(editArea);

    connect(MSFlexGrid1, &QTableWidget::currentCellChanged, this, &frmModifyIngredients::RowSelected);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this, &frmModifyIngredients::RowSelected);
    connect(CommandUpdate, &QPushButton::clicked, this, &frmModifyIngredients::CommandUpdate_Click);
    connect(CommandDelete, &QPushButton::clicked, this, &frmModifyIngredients::CommandDelete_Click);

    LoadIngredientGrid();
    LabelInstructions->setText(QStringLiteral(
        "In order to delete an ingredient it can not exist in any existing drink recipe.\n\n"
        "Tip: Use Find (CTRL+F) feature to find drinks that contain a particular ingredient."));

    const int gridWidth =
        MSFlexGrid1->columnWidth(NameColumn) + MSFlexGrid1->columnWidth(NonAlcoholicColumn) +
        MSFlexGrid1->verticalScrollBar()->sizeHint().width() + 2 * MSFlexGrid1->frameWidth();
    MSFlexGrid1->setMinimumWidth(gridWidth);
    LabelInstructions->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    resize(sizeHint().width(), std::max(sizeHint().height(), 420));
}

void frmModifyIngredients::Open(QWidget* parent)
{
    frmModifyIngredients window(parent);
    window.exec();
}

QString frmModifyIngredients::YesNoText(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

bool frmModifyIngredients::IsYesText(const QString& text)
{
    return text == QLatin1String("Yes");
}

void frmModifyIngredients::LoadIngredientGrid()
{
    ColorSchemes::Scheme scheme = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, scheme);
    ColorSchemes::applyStandard(this, scheme);
    // The grid's cells stand on the window's background; the Yes/No box on the button colour.
    ColorSchemes::Scheme gridScheme = scheme;
    gridScheme.TextListBox = scheme.Background;
    ColorSchemes::applyInput(MSFlexGrid1, gridScheme);
    ColorSchemes::Scheme comboScheme = scheme;
    comboScheme.TextListBox = scheme.Button;
    ColorSchemes::applyInput(ComboNonAlcoholic, comboScheme);
    ColorSchemes::applyHeading(Label1, scheme);
    ColorSchemes::applyHeading(lblNonAlcoholic, scheme);
    ColorSchemes::applyDataLabel(LabelInstructions, scheme);

    MSFlexGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Non-Alcoholic"), QStringLiteral("ID")});
    MSFlexGrid1->setColumnWidth(NameColumn, twipsToPixels(this, 3500));
    // The header text is wider than 1200 twips in some fonts; it must not be cut.
    const QHeaderView* header = MSFlexGrid1->horizontalHeader();
    const int headerWidth = header->fontMetrics().horizontalAdvance(QStringLiteral("Non-Alcoholic")) + 16;
    MSFlexGrid1->setColumnWidth(NonAlcoholicColumn, std::max(twipsToPixels(this, 1200), headerWidth));
    MSFlexGrid1->setColumnHidden(IdColumn, true);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(false);

    // A catalogue that cannot be read leaves the grid with its header only.
    QList<DBLib::Ingredient> catalogue;
    try {
        catalogue = DBLib::IngredientCatalogue();
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The ingredient catalogue could not be read."), e);
    }

    MSFlexGrid1->setRowCount(int(catalogue.size()));
    for (int row = 0; row < catalogue.size(); ++row) {
        const DBLib::Ingredient& ingredient = catalogue.at(row);
        MSFlexGrid1->setItem(row, NameColumn, new QTableWidgetItem(ingredient.name));
        MSFlexGrid1->setItem(row, NonAlcoholicColumn,
                             new QTableWidgetItem(YesNoText(ingredient.nonAlcoholic)));
        MSFlexGrid1->setItem(row, IdColumn, new QTableWidgetItem(QString::number(ingredient.id)));
        m_strengths.insert(ingredient.id, ingredient.strength);
    }
    // Nothing is chosen until the user picks a row.
    MSFlexGrid1->setCurrentCell(-1, -1);
}

void frmModifyIngredients::RowSelected()
{
    const int row = MSFlexGrid1->currentRow();
    if (row < 0)
        return;
    const auto cell = [this, row](int column) {
        const QTableWidgetItem* item = MSFlexGrid1->item(row, column);
        return item ? item->text() : QString();
    };
    ShowIngredient(cell(IdColumn).toLongLong(), cell(NameColumn), cell(NonAlcoholicColumn));
}

void frmModifyIngredients::ShowIngredient(qint64 id, const QString& name, const QString& nonAlcoholicText)
{
    SelectedRow = MSFlexGrid1->currentRow();
    txtID->setText(QString::number(id));
    lblIngredient->setText(name);
    ComboNonAlcoholic->setCurrentIndex(IsYesText(nonAlcoholicText) ? 1 : 0);
    const std::optional<double> strength = m_strengths.value(id);
    txtStrength->setText(strength ? QString::number(*strength, 'g', 4) : QString());
    EnableDeleteIfUnused(id);
}

void frmModifyIngredients::EnableDeleteIfUnused(qint64 id)
{
    try {
        CommandDelete->setEnabled(DBLib::CountRecipeLinesUsing(id) == 0);
    } catch (const std::exception& e) {
        CommandDelete->setEnabled(false);
        ErrorReport::show(this, windowTitle(),
                          QStringLiteral("Whether a recipe uses \"%1\" could not be read.").arg(lblIngredient->text()), e);
    }
}

void frmModifyIngredients::ClearEditArea()
{
    SelectedRow = -1;
    txtID->clear();
    lblIngredient->clear();
    ComboNonAlcoholic->setCurrentIndex(-1);
    ComboNonAlcoholic->clearEditText();
    txtStrength->clear();
    CommandDelete->setEnabled(false);
}

int frmModifyIngredients::RowOfIngredient(qint64 id) const
{
    const QString key = QString::number(id);
    if (SelectedRow >= 0 && SelectedRow < MSFlexGrid1->rowCount()) {
        const QTableWidgetItem* item = MSFlexGrid1->item(SelectedRow, IdColumn);
        if (item && item->text() == key)
            return SelectedRow;
    }
    for (int row = 0; row < MSFlexGrid1->rowCount(); ++row) {
        const QTableWidgetItem* item = MSFlexGrid1->item(row, IdColumn);
        if (item && item->text() == key)
            return row;
    }
    return -1;
}

void frmModifyIngredients::CommandUpdate_Click()
{
    if (txtID->text().isEmpty())
        return;
    // Only the two items are marks; anything else typed into the box is refused.
    const int index =
        ComboNonAlcoholic->findText(ComboNonAlcoholic->currentText().trimmed(), Qt::MatchFixedString);
    if (index < 0) {
        MessageBox::information(this, QStringLiteral("Non-Alcoholic"),
                                QStringLiteral("Please choose Yes or No for Non-Alcoholic."),
                                QMessageBox::Ok);
        ComboNonAlcoholic->setFocus();
        return;
    }
    std::optional<double> strength;
    if (const QString typed = txtStrength->text().trimmed(); !typed.isEmpty()) {
        bool ok = false;
        const double value = QString(typed).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || value < 0 || value > 100) {
            MessageBox::information(this, QStringLiteral("Strength"),
                                    QStringLiteral("Please enter the strength as a percentage from 0 to 100, or "
                                                   "leave it empty when it is not known."),
                                    QMessageBox::Ok);
            txtStrength->setFocus();
            return;
        }
        strength = value;
    }
    ComboNonAlcoholic->setCurrentIndex(index);
    const QString mark = ComboNonAlcoholic->itemText(index);
    const qint64 id = txtID->text().toLongLong();
    try {
        DBLib::UpdateIngredient(id, IsYesText(mark), strength);
        m_strengths.insert(id, strength);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(),
                          QStringLiteral("The ingredient \"%1\" was not changed.").arg(lblIngredient->text()), e);
        return;
    }
    const int row = RowOfIngredient(id);
    if (row >= 0 && MSFlexGrid1->item(row, NonAlcoholicColumn))
        MSFlexGrid1->item(row, NonAlcoholicColumn)->setText(mark);
}

void frmModifyIngredients::CommandDelete_Click()
{
    if (txtID->text().isEmpty())
        return;
    const qint64 id = txtID->text().toLongLong();
    try {
        if (!DBLib::DeleteUnusedIngredient(id)) {
            MessageBox::information(this, windowTitle(),
                                    QStringLiteral("\"%1\" is used in a drink recipe and cannot be deleted.")
                                        .arg(lblIngredient->text()));
            CommandDelete->setEnabled(false);
            return;
        }
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(),
                          QStringLiteral("The ingredient \"%1\" was not deleted.").arg(lblIngredient->text()), e);
        return;
    }
    const int row = RowOfIngredient(id);
    // The edit area is emptied first: removing the row moves the current cell to a neighbour.
    {
        const QSignalBlocker block(MSFlexGrid1);
        if (row >= 0)
            MSFlexGrid1->removeRow(row);
        MSFlexGrid1->setCurrentCell(-1, -1);
        MSFlexGrid1->clearSelection();
    }
    ClearEditArea();
}
