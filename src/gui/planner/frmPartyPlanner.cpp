#include "gui/planner/frmPartyPlanner.h"

#include "core/maths/Amount.h"
#include "core/store/Catalogue.h"
#include "core/store/RecipeRepository.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/PrintCommands.h"
#include "gui/tools/DrinkListHost.h"

#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString PlanFilter = QStringLiteral("Party plans (*.json)");

QString quantityText(const Maths::IngredientTotal& t, bool ouncesFirst)
{
    QStringList parts;
    if (t.ml > 0) {
        parts << (ouncesFirst ? Maths::OneDecimal(t.ml / Maths::MlPerOunce) + QStringLiteral(" oz")
                              : QString::number(qRound(t.ml)) + QStringLiteral(" ml"));
    }
    if (t.count > 0)
        parts << (Maths::FormatQuantity(t.count) + (t.countUnit.isEmpty() ? QString() : QLatin1Char(' ') + t.countUnit));
    if (t.unmeasured)
        parts << QStringLiteral("as needed");
    return parts.join(QStringLiteral(" + "));
}

QString bottlesText(const Maths::IngredientTotal& t)
{
    if (t.bottles == 0)
        return QString();
    const QString size = t.bottleMl == 1000 ? QStringLiteral("1 l") : QStringLiteral("%1 ml").arg(t.bottleMl);
    return QStringLiteral("%1 \u00D7 %2").arg(t.bottles).arg(size);
}

} // namespace

frmPartyPlanner::frmPartyPlanner(DrinkListHost* host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("frmPartyPlanner"));
    setWindowTitle(QStringLiteral("Party Planner"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmbPartyDrink = new QComboBox(this);
    cmbPartyDrink->setObjectName(QStringLiteral("cmbPartyDrink"));
    cmbPartyDrink->setEditable(true);
    cmbPartyDrink->setInsertPolicy(QComboBox::NoInsert);
    cmbPartyDrink->completer()->setCompletionMode(QCompleter::PopupCompletion);
    cmbPartyDrink->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    cmbPartyDrink->completer()->setFilterMode(Qt::MatchContains);
    if (m_host)
        cmbPartyDrink->addItems(m_host->drinkListEntries());
    cmbPartyDrink->setCurrentIndex(-1);
    cmdPartyAdd = button("cmdPartyAdd", QStringLiteral("&Add"));
    cmdPartyRemove = button("cmdPartyRemove", QStringLiteral("&Remove"));

    lstPartyDrinks = new QTableWidget(0, 2, this);
    lstPartyDrinks->setObjectName(QStringLiteral("lstPartyDrinks"));
    lstPartyDrinks->setHorizontalHeaderLabels({QStringLiteral("Drink"), QStringLiteral("Servings")});
    lstPartyDrinks->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstPartyDrinks->verticalHeader()->hide();
    lstPartyDrinks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPartyDrinks->setSelectionBehavior(QAbstractItemView::SelectRows);

    gridPartyTotals = new QTableWidget(0, 3, this);
    gridPartyTotals->setObjectName(QStringLiteral("gridPartyTotals"));
    gridPartyTotals->setHorizontalHeaderLabels({QStringLiteral("Ingredient"), QStringLiteral("Total"), QStringLiteral("Bottles")});
    gridPartyTotals->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    gridPartyTotals->verticalHeader()->hide();
    gridPartyTotals->setEditTriggers(QAbstractItemView::NoEditTriggers);

    cmdPartyShopping = button("cmdPartyShopping", QStringLiteral("Add To &Shopping List"));
    cmdPartyPrint = button("cmdPartyPrint", QStringLiteral("&Print"));
    cmdPartyOpen = button("cmdPartyOpen", QStringLiteral("&Open\u2026"));
    cmdPartySave = button("cmdPartySave", QStringLiteral("Sa&ve\u2026"));
    cmdClose = button("cmdClose", QStringLiteral("Close"));

    auto* pick = new QHBoxLayout;
    pick->addWidget(cmbPartyDrink, 1);
    pick->addWidget(cmdPartyAdd);
    pick->addWidget(cmdPartyRemove);
    auto* left = new QVBoxLayout;
    auto* drinksLabel = new QLabel(QStringLiteral("&Drinks:"), this);
    drinksLabel->setBuddy(cmbPartyDrink);
    left->addWidget(drinksLabel);
    left->addLayout(pick);
    left->addWidget(lstPartyDrinks, 1);
    auto* right = new QVBoxLayout;
    auto* totalsLabel = new QLabel(QStringLiteral("What the party needs:"), this);
    right->addWidget(totalsLabel);
    right->addWidget(gridPartyTotals, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdPartyShopping, cmdPartyPrint, cmdPartyOpen, cmdPartySave})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    resize(860, 480);

    ColorSchemes::applyStandard(this);

    connect(cmdPartyAdd, &QPushButton::clicked, this, &frmPartyPlanner::addChosenDrink);
    connect(cmbPartyDrink->lineEdit(), &QLineEdit::returnPressed, this, &frmPartyPlanner::addChosenDrink);
    connect(cmdPartyRemove, &QPushButton::clicked, this, &frmPartyPlanner::removeDrink);
    connect(cmdPartyShopping, &QPushButton::clicked, this, &frmPartyPlanner::addToShoppingList);
    connect(cmdPartyPrint, &QPushButton::clicked, this, &frmPartyPlanner::print);
    connect(cmdPartyOpen, &QPushButton::clicked, this, &frmPartyPlanner::openPlan);
    connect(cmdPartySave, &QPushButton::clicked, this, &frmPartyPlanner::savePlan);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    updateTotals();
}

QList<Maths::PlannedDrink> frmPartyPlanner::plan() const
{
    QList<Maths::PlannedDrink> plan;
    for (int row = 0; row < lstPartyDrinks->rowCount(); ++row) {
        const auto* spin = qobject_cast<const QSpinBox*>(lstPartyDrinks->cellWidget(row, 1));
        plan.append({lstPartyDrinks->item(row, 0)->text(), spin ? spin->value() : 1});
    }
    return plan;
}

void frmPartyPlanner::setPlan(const QList<Maths::PlannedDrink>& plan)
{
    m_filling = true;
    lstPartyDrinks->setRowCount(0);
    for (const Maths::PlannedDrink& d : plan)
        addDrink(d.name, d.servings);
    m_filling = false;
    updateTotals();
}

void frmPartyPlanner::addDrink(const QString& name, int servings)
{
    // A drink already planned gets the servings added.
    for (int row = 0; row < lstPartyDrinks->rowCount(); ++row) {
        if (lstPartyDrinks->item(row, 0)->text() == name) {
            auto* spin = qobject_cast<QSpinBox*>(lstPartyDrinks->cellWidget(row, 1));
            spin->setValue(std::min(spin->value() + servings, Maths::MaxServings));
            return;
        }
    }
    const int row = lstPartyDrinks->rowCount();
    lstPartyDrinks->insertRow(row);
    lstPartyDrinks->setItem(row, 0, new QTableWidgetItem(name));
    auto* spin = new QSpinBox(lstPartyDrinks);
    spin->setObjectName(QStringLiteral("spinServings"));
    spin->setRange(1, Maths::MaxServings);
    spin->setValue(std::clamp(servings, 1, Maths::MaxServings));
    connect(spin, &QSpinBox::valueChanged, this, &frmPartyPlanner::updateTotals);
    lstPartyDrinks->setCellWidget(row, 1, spin);
    if (!m_filling)
        updateTotals();
}

void frmPartyPlanner::addChosenDrink()
{
    QString name = cmbPartyDrink->currentText().trimmed();
    if (name.isEmpty())
        return;
    try {
        const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(name);
        if (!drink) {
            MessageBox::information(this, windowTitle(), QStringLiteral("There is no drink named %1.").arg(name));
            return;
        }
        name = drink->name;
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The drink could not be read."), e);
        return;
    }
    addDrink(name, 1);
    cmbPartyDrink->setCurrentIndex(-1);
    cmbPartyDrink->clearEditText();
}

void frmPartyPlanner::removeDrink()
{
    const int row = lstPartyDrinks->currentRow();
    if (row < 0)
        return;
    lstPartyDrinks->removeRow(row);
    updateTotals();
}

void frmPartyPlanner::updateTotals()
{
    if (m_filling)
        return;
    try {
        Maths::Settings settings;
        settings.standard = Maths::StandardDrinkPreference();
        m_totals = Maths::Totals(plan(), settings);
    } catch (const std::exception& e) {
        m_totals = {};
        ErrorReport::show(this, windowTitle(), QStringLiteral("The totals could not be worked out."), e);
    }
    const bool ouncesFirst = Maths::OuncesFirstPreference();
    gridPartyTotals->setRowCount(int(m_totals.ingredients.size()));
    for (int row = 0; row < m_totals.ingredients.size(); ++row) {
        const Maths::IngredientTotal& t = m_totals.ingredients.at(row);
        gridPartyTotals->setItem(row, 0, new QTableWidgetItem(t.ingredient + (t.inStock ? QString() : QStringLiteral(" *"))));
        gridPartyTotals->setItem(row, 1, new QTableWidgetItem(quantityText(t, ouncesFirst)));
        gridPartyTotals->setItem(row, 2, new QTableWidgetItem(bottlesText(t)));
    }
    gridPartyTotals->setToolTip(QStringLiteral("* not in the current stock"));
    const bool any = !m_totals.ingredients.isEmpty();
    cmdPartyShopping->setEnabled(any);
    cmdPartyPrint->setEnabled(any);
    cmdPartySave->setEnabled(lstPartyDrinks->rowCount() > 0);
}

QStringList frmPartyPlanner::planLines() const
{
    QStringList lines;
    for (const Maths::PlannedDrink& d : plan())
        lines << QStringLiteral("%1 x %2").arg(d.servings).arg(d.name);
    lines << QString();
    const bool ouncesFirst = Maths::OuncesFirstPreference();
    for (const Maths::IngredientTotal& t : m_totals.ingredients) {
        QString line = t.ingredient + QStringLiteral(": ") + quantityText(t, ouncesFirst);
        if (t.bottles > 0)
            line += QStringLiteral(" (") + bottlesText(t) + QLatin1Char(')');
        if (!t.inStock)
            line += QStringLiteral(" - to buy");
        lines << line;
    }
    return lines;
}

void frmPartyPlanner::addToShoppingList()
{
    int added = 0;
    try {
        QStringList onList = DBLib::IngredientNamesOnList(DBLib::IngredientList::ShoppingList, true);
        for (const Maths::IngredientTotal& t : std::as_const(m_totals.ingredients)) {
            if (!t.inStock && !onList.contains(t.ingredient, Qt::CaseInsensitive)) {
                onList << t.ingredient;
                ++added;
            }
        }
        DBLib::SaveShoppingList(onList);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The shopping list was not changed."), e);
        return;
    }
    MessageBox::information(this, windowTitle(),
                            added == 0 ? QStringLiteral("Everything the party needs is in stock or on the shopping list.")
                                       : QStringLiteral("%1 ingredients were put on the shopping list.").arg(added));
}

void frmPartyPlanner::savePlan()
{
    QString filter;
    QString path = FileDialog::getSaveFileName(this, QStringLiteral("Save Party Plan"), QString(), PlanFilter, &filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        path += QStringLiteral(".json");
    QSaveFile file(path);
    const QByteArray bytes = Maths::WritePlan(plan());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        MessageBox::warning(this, windowTitle(), QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
}

void frmPartyPlanner::openPlan()
{
    const QString path = FileDialog::getOpenFileName(this, QStringLiteral("Open Party Plan"), QString(), PlanFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    QString error;
    std::optional<QList<Maths::PlannedDrink>> loaded;
    if (!file.open(QIODevice::ReadOnly))
        error = file.errorString();
    else if (file.size() > 1024 * 1024)
        error = QStringLiteral("the file is too large to be a plan");
    else
        loaded = Maths::ReadPlan(file.readAll(), &error);
    if (!loaded) {
        MessageBox::warning(this, windowTitle(), QStringLiteral("%1 cannot be opened: %2").arg(path, error));
        return;
    }
    setPlan(*loaded);
    if (!m_totals.missingDrinks.isEmpty()) {
        MessageBox::information(this, windowTitle(),
                                QStringLiteral("These drinks of the plan are not in the recipe database: %1")
                                    .arg(m_totals.missingDrinks.join(QStringLiteral(", "))));
    }
}

void frmPartyPlanner::print()
{
    PrintCommands::PrintIngredientList(this, QStringLiteral("Party Plan"), planLines());
}
