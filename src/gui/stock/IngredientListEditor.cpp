#include "gui/stock/IngredientListEditor.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/PrintCommands.h"
#include "core/store/Sqlite.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int selectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

void unselect(QListWidget* list)
{
    list->setCurrentRow(-1);
    list->clearSelection();
}

// The lists are sorted lists: an entry added without a position goes before the first entry that
// sorts after it.
void insertSorted(QListWidget* list, const QString& text)
{
    int row = 0;
    for (; row < list->count(); ++row) {
        if (list->item(row)->text().compare(text, Qt::CaseInsensitive) > 0)
            break;
    }
    list->insertItem(row, text);
}

QStringList entries(const QListWidget* list)
{
    QStringList out;
    out.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

IngredientListEditor::IngredientListEditor(QWidget* parent, DBLib::IngredientList list, const Texts& texts,
                                           TabOrder order)
    : QDialog(parent), m_list(list), m_printTitle(texts.printTitle)
{
    setWindowTitle(texts.caption);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label1 = new QLabel(QStringLiteral("Ingredients"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(texts.rightLabel, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    lstList = new QListWidget(this);
    lstList->setObjectName(QStringLiteral("lstList"));
    lstStock = new QListWidget(this);
    lstStock->setObjectName(QStringLiteral("lstStock"));
    for (QListWidget* l : {lstList, lstStock})
        l->setSelectionMode(QAbstractItemView::SingleSelection);

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdAdd = button("cmdAdd", QStringLiteral("----->"));
    cmdRemove = button("cmdRemove", QStringLiteral("<-----"));
    cmdSave = button("cmdSave", QStringLiteral("&Save"));
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"));
    cmdPrintList = button("cmdPrintList", QStringLiteral("Print List"));
    cmdClearList = button("cmdClearList", QStringLiteral("Clear List"));
    if (!texts.addTip.isEmpty())
        cmdAdd->setToolTip(texts.addTip);
    if (!texts.removeTip.isEmpty())
        cmdRemove->setToolTip(texts.removeTip);
    cmdSave->setDefault(true);

    auto* arrows = new QVBoxLayout;
    arrows->addStretch(1);
    arrows->addWidget(cmdAdd);
    arrows->addWidget(cmdRemove);
    arrows->addStretch(1);

    auto* printRow = new QHBoxLayout;
    printRow->addWidget(cmdPrintList);
    printRow->addWidget(cmdClearList);
    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(cmdSave);
    saveRow->addWidget(cmdCancel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(lstList, 1, 0);
    grid->addLayout(arrows, 1, 1);
    grid->addWidget(lstStock, 1, 2);
    grid->addLayout(printRow, 2, 2);
    grid->addLayout(saveRow, 3, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    const QList<QWidget*> tabOrder = order == TabOrder::ListsFirst
                                         ? QList<QWidget*>{lstList, lstStock,  cmdAdd,       cmdRemove,
                                                           cmdSave, cmdCancel, cmdPrintList, cmdClearList}
                                         : QList<QWidget*>{cmdClearList, cmdPrintList, cmdCancel, cmdSave,
                                                           cmdRemove,    cmdAdd,       lstStock,  lstList};
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i), tabOrder.at(i + 1));
    // The window opens with the focus on the list, and Enter presses no button by itself: whatever
    // the tab order, one key must not clear the list.
    for (QPushButton* b : {cmdAdd, cmdRemove, cmdSave, cmdCancel, cmdPrintList, cmdClearList})
        b->setAutoDefault(false);
    lstList->setFocus();

    connect(cmdAdd, &QPushButton::clicked, this, &IngredientListEditor::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &IngredientListEditor::cmdRemove_Click);
    connect(lstList, &QListWidget::itemDoubleClicked, this, &IngredientListEditor::cmdAdd_Click);
    connect(lstStock, &QListWidget::itemDoubleClicked, this, &IngredientListEditor::cmdRemove_Click);
    connect(cmdSave, &QPushButton::clicked, this, &IngredientListEditor::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdPrintList, &QPushButton::clicked, this, &IngredientListEditor::cmdPrintList_Click);
    connect(cmdClearList, &QPushButton::clicked, this, &IngredientListEditor::cmdClearList_Click);

    ColorSchemes::applyStandard(this);
    resize(640, 440);
    load();
}

void IngredientListEditor::reportError(const QString& what, const std::exception& error)
{
    ErrorReport::show(this, windowTitle(), what, error);
}

void IngredientListEditor::load()
{
    QStringList onList;
    QStringList offList;
    try {
        onList = DBLib::IngredientNamesOnList(m_list, true);
        offList = DBLib::IngredientNamesOnList(m_list, false);
    } catch (const std::exception& e) {
        // Saving what could not be read would take every ingredient off the list.
        cmdSave->setEnabled(false);
        reportError(QStringLiteral("The ingredients could not be read from the recipe database."), e);
        return;
    }
    lstStock->addItems(onList);
    lstList->addItems(offList);
    if (lstList->count() > 0)
        lstList->setCurrentRow(0);
    if (lstStock->count() > 0)
        lstStock->setCurrentRow(0);
}

void IngredientListEditor::cmdAdd_Click()
{
    const int from = selectedRow(lstList);
    const QString text = from >= 0 ? lstList->item(from)->text() : QString();
    if (text.trimmed().isEmpty())
        return;
    // Just after the right list's selected entry, or at the top; the user places it there.
    lstStock->insertItem(selectedRow(lstStock) + 1, text);
    delete lstList->takeItem(from);
    unselect(lstList);
    m_changed = true;
}

void IngredientListEditor::cmdRemove_Click()
{
    const int from = selectedRow(lstStock);
    const QString text = from >= 0 ? lstStock->item(from)->text() : QString();
    if (text.trimmed().isEmpty())
        return;
    insertSorted(lstList, text);
    delete lstStock->takeItem(from);
    unselect(lstStock);
    m_changed = true;
}

void IngredientListEditor::cmdClearList_Click()
{
    QStringList all;
    try {
        all = DBLib::IngredientNames();
    } catch (const std::exception& e) {
        reportError(QStringLiteral("The ingredients could not be read from the recipe database."), e);
        return;
    }
    lstList->clear();
    lstStock->clear();
    m_changed = true;
    lstList->addItems(all);
}

void IngredientListEditor::cmdSave_Click()
{
    try {
        saveList(entries(lstStock));
    } catch (const std::exception& e) {
        reportError(QStringLiteral("The list could not be saved; the recipe database is unchanged."), e);
        return;
    }
    accept();
}

void IngredientListEditor::cmdPrintList_Click()
{
    PrintCommands::PrintIngredientList(this, m_printTitle, entries(lstStock));
}
