#include "gui/printing/frmPrintList.h"

#include "gui/printing/FormattedPrint.h"
#include "gui/printing/PrintCommands.h"
#include "core/printing/PrintQueue.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

DrinkTickModel::DrinkTickModel(QObject* parent) : QAbstractListModel(parent) {}

void DrinkTickModel::setNames(QStringList names)
{
    beginResetModel();
    // Kept alphabetical whatever order the main window's view gave them.
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_names = std::move(names);
    m_ticked = QList<bool>(m_names.size(), false);
    m_tickedCount = 0;
    endResetModel();
}

int DrinkTickModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant DrinkTickModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_names.at(index.row());
    if (role == Qt::CheckStateRole)
        return m_ticked.at(index.row()) ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool DrinkTickModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= m_names.size())
        return false;
    const bool ticked = value.toInt() == Qt::Checked;
    if (m_ticked.at(index.row()) == ticked)
        return true;
    m_ticked[index.row()] = ticked;
    m_tickedCount += ticked ? 1 : -1;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags DrinkTickModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void DrinkTickModel::setAllTicked(bool ticked)
{
    if (m_names.isEmpty())
        return;
    m_ticked.fill(ticked);
    m_tickedCount = ticked ? int(m_names.size()) : 0;
    Q_EMIT dataChanged(index(0), index(int(m_names.size()) - 1), {Qt::CheckStateRole});
}

QStringList DrinkTickModel::tickedNames() const
{
    QStringList out;
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        if (m_ticked.at(i))
            out << m_names.at(i);
    }
    return out;
}

frmPrintList::frmPrintList(QWidget* parent, PrintQueue& queue, const QStringList& drinkNames,
                           std::function<void(const QString&)> showDrink)
    : QDialog(parent), m_queue(queue), m_showDrink(std::move(showDrink))
{
    setObjectName(QStringLiteral("frmPrintList"));
    setWindowTitle(QStringLiteral("Drink Print Selection"));

    m_model = new DrinkTickModel(this);
    lstPrintDrinks = new QListView(this);
    lstPrintDrinks->setObjectName(QStringLiteral("lstPrintDrinks"));
    lstPrintDrinks->setModel(m_model);
    lstPrintDrinks->setUniformItemSizes(true);
    lstPrintDrinks->setSelectionMode(QAbstractItemView::SingleSelection);

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Select All"));
    Command2 = button("Command2", QStringLiteral("Clear All"));
    cmdPrintRegular = button("cmdPrintRegular", QStringLiteral("Print Selected Drinks"));
    cmdPreview = button("cmdPreview", QStringLiteral("Print Pre&view"));
    cmdPreview->setToolTip(QStringLiteral("Show the pages of the selected drinks before printing them"));
    Command3 = button("Command3", QStringLiteral("Exit/Close"));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    cmdPrintIndex = new QPushButton(QStringLiteral("Print Selected Drinks to  3X5 Index Cards"), Frame1);
    cmdPrintIndex->setObjectName(QStringLiteral("cmdPrintIndex"));
    cmdPrintIndex->setAutoDefault(false);
    OptionLeftPrint = new QRadioButton(QStringLiteral("Left Side Printing"), Frame1);
    OptionLeftPrint->setObjectName(QStringLiteral("OptionLeftPrint"));
    OptionLeftPrint->setChecked(true);
    OptionRightPrint = new QRadioButton(QStringLiteral("Right Side Printing"), Frame1);
    OptionRightPrint->setObjectName(QStringLiteral("OptionRightPrint"));
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(cmdPrintIndex);
    frameLayout->addWidget(OptionLeftPrint);
    frameLayout->addWidget(OptionRightPrint);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addSpacing(12);
    buttons->addWidget(cmdPrintRegular);
    buttons->addWidget(cmdPreview);
    buttons->addSpacing(12);
    buttons->addWidget(Frame1);
    buttons->addStretch(1);
    buttons->addWidget(Command3);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstPrintDrinks, 1);
    layout->addLayout(buttons);

    QWidget::setTabOrder(lstPrintDrinks, Command1);
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, cmdPrintRegular);
    QWidget::setTabOrder(cmdPrintRegular, cmdPreview);
    QWidget::setTabOrder(cmdPreview, cmdPrintIndex);
    QWidget::setTabOrder(cmdPrintIndex, OptionLeftPrint);
    QWidget::setTabOrder(OptionLeftPrint, OptionRightPrint);
    QWidget::setTabOrder(OptionRightPrint, Command3);

    connect(Command1, &QPushButton::clicked, this, &frmPrintList::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPrintList::Command2_Click);
    connect(cmdPrintRegular, &QPushButton::clicked, this, &frmPrintList::cmdPrintRegular_Click);
    connect(cmdPreview, &QPushButton::clicked, this, &frmPrintList::cmdPreview_Click);
    connect(cmdPrintIndex, &QPushButton::clicked, this, &frmPrintList::cmdPrintIndex_Click);
    // Exit/Close is the cancel button: Esc rejects the dialog, which closes it.
    connect(Command3, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &frmPrintList::enablePrinting);
    connect(m_model, &QAbstractItemModel::modelReset, this, &frmPrintList::enablePrinting);

    m_model->setNames(drinkNames);
    applyColours();
    resize(620, 480);
}

void frmPrintList::applyColours()
{
    const ColorSchemes::Scheme& s = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, s);
    for (QWidget* w : findChildren<QWidget*>())
        ColorSchemes::setRoles(w, {{QPalette::WindowText, s.Text}, {QPalette::ButtonText, s.Text}, {QPalette::Text, s.Text}});
    ColorSchemes::applyInput(lstPrintDrinks, s);
    for (QWidget* b : std::initializer_list<QWidget*>{Command1, Command2, Command3, cmdPrintRegular,
                                                      cmdPrintIndex, cmdPreview})
        ColorSchemes::applyButton(b, s);
}

void frmPrintList::enablePrinting()
{
    const bool any = m_model->tickedCount() > 0;
    for (QWidget* w : std::initializer_list<QWidget*>{cmdPrintRegular, cmdPreview, cmdPrintIndex,
                                                      OptionLeftPrint, OptionRightPrint})
        w->setEnabled(any);
}

void frmPrintList::Command1_Click()
{
    m_model->setAllTicked(true);
}

void frmPrintList::Command2_Click()
{
    m_model->setAllTicked(false);
}

void frmPrintList::cmdPrintRegular_Click()
{
    m_lastResult = Printing::PrintResult();
    bool ok = false;
    const QList<Printing::RecipeRecord> records =
        PrintCommands::ReadRecords(this, m_model->tickedNames(), &ok);
    if (!ok || records.isEmpty())
        return;

    QStringList fileLines;
    if (m_queue.isCollecting()) {
        // The main window is collecting drinks in the queue file; its drinks stay there and this
        // printout is made from the records themselves.
        for (const Printing::RecipeRecord& r : records)
            fileLines << Printing::QueueRecordLines(r);
    } else {
        QString error;
        if (!m_queue.rewrite(records, &error)) {
            MessageBox::warning(this, QStringLiteral("Print"), error);
            return;
        }
        fileLines = m_queue.readLines(&error);
        if (!error.isEmpty()) {
            MessageBox::warning(this, QStringLiteral("Print"), error);
            return;
        }
    }
    // The queue file holds the text print-out; the formatted one is made from the records.
    m_lastResult = FormattedPrint::Chosen() ? PrintCommands::PrintRecordPages(this, records)
                                            : PrintCommands::PrintQueueLines(this, fileLines);
}

void frmPrintList::cmdPrintIndex_Click()
{
    const Printing::CardSide side =
        OptionRightPrint->isChecked() ? Printing::CardSide::Right : Printing::CardSide::Left;
    m_lastResult = PrintCommands::PrintIndexCards(this, m_model->tickedNames(), side, m_showDrink);
}

void frmPrintList::cmdPreview_Click()
{
    bool ok = false;
    const QList<Printing::RecipeRecord> records =
        PrintCommands::ReadRecords(this, m_model->tickedNames(), &ok);
    if (!ok || records.isEmpty())
        return;
    QStringList fileLines;
    for (const Printing::RecipeRecord& r : records)
        fileLines << Printing::QueueRecordLines(r);
    Printing::PrintService::preview(this, {Printing::QueuePrintLines(fileLines)},
                                    QStringLiteral("Drink Print Selection - Preview"));
}
