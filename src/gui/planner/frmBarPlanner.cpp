#include "gui/planner/frmBarPlanner.h"

#include "core/store/Catalogue.h"
#include "core/store/DerivedFlags.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/tools/DrinkListHost.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int IngredientRole = Qt::UserRole;
constexpr int SecondIngredientRole = Qt::UserRole + 1;
constexpr int DrinkRole = Qt::UserRole + 2;

QString drinksText(int n)
{
    return n == 1 ? QStringLiteral("1 drink") : QStringLiteral("%1 drinks").arg(n);
}

QString drinkText(const QString& name, const Planner::Drink& d)
{
    return d.standIns.isEmpty() ? name
                                : name + QStringLiteral("  (") + d.standIns.join(QStringLiteral("; ")) + QLatin1Char(')');
}

void addDrinks(QTreeWidgetItem* group, const QList<Planner::Drink>& drinks)
{
    QList<QTreeWidgetItem*> children;
    children.reserve(drinks.size());
    for (const Planner::Drink& d : drinks) {
        const QString name = d.name.toString();
        auto* item = new QTreeWidgetItem({drinkText(name, d)});
        item->setData(0, DrinkRole, name);
        children.append(item);
    }
    group->addChildren(children);
}

} // namespace

frmBarPlanner::frmBarPlanner(DrinkListHost* host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("frmBarPlanner"));
    setWindowTitle(QStringLiteral("Bar Planner"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    lstBuyNext = new QListWidget(this);
    lstBuyNext->setObjectName(QStringLiteral("lstBuyNext"));
    lstBuyNext->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstBuySequence = new QListWidget(this);
    lstBuySequence->setObjectName(QStringLiteral("lstBuySequence"));
    lstBuySequence->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstUnlocked = new QListWidget(this);
    lstUnlocked->setObjectName(QStringLiteral("lstUnlocked"));

    auto* buyNext = new QWidget(this);
    auto* buyLayout = new QHBoxLayout(buyNext);
    const auto column = [this](const QString& heading, QWidget* list) {
        auto* box = new QVBoxLayout;
        auto* label = new QLabel(heading, this);
        label->setBuddy(list);
        box->addWidget(label);
        box->addWidget(list, 1);
        return box;
    };
    buyLayout->addLayout(column(QStringLiteral("&Ingredients that complete most drinks:"), lstBuyNext), 3);
    buyLayout->addLayout(column(QStringLiteral("Drinks it &completes:"), lstUnlocked), 3);
    buyLayout->addLayout(column(QStringLiteral("&Best five purchases, in order:"), lstBuySequence), 3);

    treeOneMissing = makeTree("treeOneMissing");
    treeTwoMissing = makeTree("treeTwoMissing");

    tabPlanner = new QTabWidget(this);
    tabPlanner->setObjectName(QStringLiteral("tabPlanner"));
    tabPlanner->addTab(buyNext, QStringLiteral("Buy Next"));
    tabPlanner->addTab(treeOneMissing, QStringLiteral("One Missing"));
    tabPlanner->addTab(treeTwoMissing, QStringLiteral("Two Missing"));

    chkSubstitutes = new QCheckBox(QStringLiteral("Count &Substitutes As In Stock"), this);
    chkSubstitutes->setObjectName(QStringLiteral("chkSubstitutes"));
    chkSubstitutes->setChecked(DBLib::CountSubstitutesAsStock());
    chkNonAlcoholic = new QCheckBox(QStringLiteral("&Non-Alcoholic Drinks Only"), this);
    chkNonAlcoholic->setObjectName(QStringLiteral("chkNonAlcoholic"));

    cmdAddToShoppingList = new QPushButton(QStringLiteral("Add To &Shopping List"), this);
    cmdAddToShoppingList->setObjectName(QStringLiteral("cmdAddToShoppingList"));
    cmdMarkInStock = new QPushButton(QStringLiteral("&Mark As In Stock"), this);
    cmdMarkInStock->setObjectName(QStringLiteral("cmdMarkInStock"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    // Enter closes the window rather than changing the stock by accident.
    for (QPushButton* b : {cmdAddToShoppingList, cmdMarkInStock})
        b->setAutoDefault(false);
    cmdClose->setDefault(true);

    auto* options = new QHBoxLayout;
    options->addWidget(chkSubstitutes);
    options->addWidget(chkNonAlcoholic);
    options->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddToShoppingList);
    buttons->addWidget(cmdMarkInStock);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(tabPlanner, 1);
    layout->addLayout(buttons);
    resize(820, 480);

    ColorSchemes::applyStandard(this);

    connect(chkSubstitutes, &QCheckBox::toggled, this, &frmBarPlanner::Refresh);
    connect(chkNonAlcoholic, &QCheckBox::toggled, this, &frmBarPlanner::Refresh);
    connect(lstBuyNext, &QListWidget::itemSelectionChanged, this, &frmBarPlanner::showUnlocked);
    connect(lstUnlocked, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (m_host)
            m_host->showDrink(item->data(DrinkRole).toString());
    });
    connect(cmdAddToShoppingList, &QPushButton::clicked, this, &frmBarPlanner::addToShoppingList);
    connect(cmdMarkInStock, &QPushButton::clicked, this, &frmBarPlanner::markInStock);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    Refresh();
}

QTreeWidget* frmBarPlanner::makeTree(const char* name)
{
    auto* tree = new QTreeWidget(this);
    tree->setObjectName(QLatin1String(name));
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(tree, &QTreeWidget::itemActivated, this, &frmBarPlanner::openDrink);
    return tree;
}

void frmBarPlanner::Refresh()
{
    Planner::Options options;
    options.substitutes = chkSubstitutes->isChecked();
    options.nonAlcoholicOnly = chkNonAlcoholic->isChecked();
    try {
        m_analysis = m_tracker.analyse(options);
    } catch (const std::exception& e) {
        m_analysis = {};
        ErrorReport::show(this, windowTitle(), QStringLiteral("The bar could not be worked out."), e);
    }
    fill();
}

void frmBarPlanner::fill()
{
    lstBuyNext->clear();
    for (const Planner::BuyNext& b : std::as_const(m_analysis.buyNext)) {
        auto* item = new QListWidgetItem(b.ingredient.name + QStringLiteral(" \u2014 ") + drinksText(b.drinks));
        item->setData(IngredientRole, b.ingredient.id);
        lstBuyNext->addItem(item);
    }
    lstBuySequence->clear();
    for (const Planner::Purchase& p : std::as_const(m_analysis.sequence)) {
        auto* item = new QListWidgetItem(QStringLiteral("%1 (+%2 = %3)").arg(p.ingredient.name).arg(p.added).arg(p.total));
        item->setData(IngredientRole, p.ingredient.id);
        lstBuySequence->addItem(item);
    }
    lstUnlocked->clear();

    treeOneMissing->clear();
    QList<QTreeWidgetItem*> groups;
    for (const Planner::OneMissing& g : std::as_const(m_analysis.oneMissing)) {
        auto* group = new QTreeWidgetItem({QStringLiteral("%1 (%2)").arg(g.ingredient.name).arg(g.drinks.size())});
        group->setData(0, IngredientRole, g.ingredient.id);
        addDrinks(group, g.drinks);
        groups.append(group);
    }
    treeOneMissing->addTopLevelItems(groups);

    treeTwoMissing->clear();
    groups.clear();
    for (const Planner::TwoMissing& g : std::as_const(m_analysis.twoMissing)) {
        auto* group = new QTreeWidgetItem(
            {QStringLiteral("%1 + %2 (%3)").arg(g.first.name, g.second.name).arg(g.drinks.size())});
        group->setData(0, IngredientRole, g.first.id);
        group->setData(0, SecondIngredientRole, g.second.id);
        addDrinks(group, g.drinks);
        groups.append(group);
    }
    treeTwoMissing->addTopLevelItems(groups);
}

void frmBarPlanner::showUnlocked()
{
    lstUnlocked->clear();
    const QList<QListWidgetItem*> selected = lstBuyNext->selectedItems();
    if (selected.size() != 1)
        return;
    const qint64 id = selected.first()->data(IngredientRole).toLongLong();
    for (const Planner::OneMissing& g : std::as_const(m_analysis.oneMissing)) {
        if (g.ingredient.id != id)
            continue;
        for (const Planner::Drink& d : g.drinks) {
            const QString name = d.name.toString();
            auto* item = new QListWidgetItem(drinkText(name, d));
            item->setData(DrinkRole, name);
            lstUnlocked->addItem(item);
        }
    }
}

QList<Planner::Ingredient> frmBarPlanner::selectedIngredients() const
{
    QList<qint64> ids;
    const auto add = [&ids](const QVariant& id) {
        if (id.isValid() && !ids.contains(id.toLongLong()))
            ids.append(id.toLongLong());
    };
    if (tabPlanner->currentIndex() == 0) {
        for (const QListWidget* list : {lstBuyNext, lstBuySequence}) {
            for (const QListWidgetItem* item : list->selectedItems())
                add(item->data(IngredientRole));
        }
    } else {
        const QTreeWidget* tree = tabPlanner->currentIndex() == 1 ? treeOneMissing : treeTwoMissing;
        for (const QTreeWidgetItem* item : tree->selectedItems()) {
            const QTreeWidgetItem* group = item->parent() ? item->parent() : item;
            add(group->data(0, IngredientRole));
            add(group->data(0, SecondIngredientRole));
        }
    }
    QList<Planner::Ingredient> ingredients;
    const auto known = [this](qint64 id) -> QString {
        for (const Planner::BuyNext& b : m_analysis.buyNext) {
            if (b.ingredient.id == id)
                return b.ingredient.name;
        }
        for (const Planner::TwoMissing& g : m_analysis.twoMissing) {
            if (g.first.id == id)
                return g.first.name;
            if (g.second.id == id)
                return g.second.name;
        }
        for (const Planner::Purchase& p : m_analysis.sequence) {
            if (p.ingredient.id == id)
                return p.ingredient.name;
        }
        return QString();
    };
    for (const qint64 id : std::as_const(ids))
        ingredients.append({id, known(id)});
    return ingredients;
}

void frmBarPlanner::addToShoppingList()
{
    const QList<Planner::Ingredient> chosen = selectedIngredients();
    if (chosen.isEmpty())
        return;
    try {
        QStringList onList = DBLib::IngredientNamesOnList(DBLib::IngredientList::ShoppingList, true);
        for (const Planner::Ingredient& i : chosen) {
            if (!onList.contains(i.name, Qt::CaseInsensitive))
                onList << i.name;
        }
        DBLib::SaveShoppingList(onList);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The shopping list was not changed."), e);
        return;
    }
    Q_EMIT stockChanged();
}

void frmBarPlanner::markInStock()
{
    const QList<Planner::Ingredient> chosen = selectedIngredients();
    if (chosen.isEmpty())
        return;
    try {
        QStringList inStock = DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true);
        for (const Planner::Ingredient& i : chosen) {
            if (!inStock.contains(i.name, Qt::CaseInsensitive))
                inStock << i.name;
        }
        DBLib::SaveCurrentStock(inStock, true);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The stock was not changed."), e);
        return;
    }
    Refresh();
    Q_EMIT stockChanged();
}

void frmBarPlanner::openDrink(QTreeWidgetItem* item)
{
    const QString drink = item->data(0, DrinkRole).toString();
    if (!drink.isEmpty() && m_host)
        m_host->showDrink(drink);
}
