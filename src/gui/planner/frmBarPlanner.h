#pragma once

#include "core/planner/BarPlanner.h"

#include <QDialog>

class DrinkListHost;
class QCheckBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// "Bar Planner": which bottle to buy next, and the drinks one or two bottles away from the stock.
// Opened without being modal, one at a time.
class frmBarPlanner : public QDialog
{
    Q_OBJECT

public:
    frmBarPlanner(DrinkListHost* host, QWidget* parent);

    // Works the analysis out again (after a change of the stock elsewhere too).
    void Refresh();
    const Planner::Analysis& analysis() const { return m_analysis; }

Q_SIGNALS:
    // The stock or the shopping list was changed here.
    void stockChanged();

private:
    void fill();
    void showUnlocked();
    // The ingredients the user has selected on the tab shown.
    QList<Planner::Ingredient> selectedIngredients() const;
    void addToShoppingList();
    void markInStock();
    void openDrink(QTreeWidgetItem* item);
    QTreeWidget* makeTree(const char* name);

    DrinkListHost* m_host;
    // Follows the stock from one refresh to the next, so a change re-reads only what it touched.
    Planner::Tracker m_tracker;
    Planner::Analysis m_analysis;

    QTabWidget* tabPlanner = nullptr;
    QListWidget* lstBuyNext = nullptr;
    QListWidget* lstBuySequence = nullptr;
    QListWidget* lstUnlocked = nullptr;
    QTreeWidget* treeOneMissing = nullptr;
    QTreeWidget* treeTwoMissing = nullptr;
    QCheckBox* chkSubstitutes = nullptr;
    QCheckBox* chkNonAlcoholic = nullptr;
    QPushButton* cmdAddToShoppingList = nullptr;
    QPushButton* cmdMarkInStock = nullptr;
    QPushButton* cmdClose = nullptr;
};
