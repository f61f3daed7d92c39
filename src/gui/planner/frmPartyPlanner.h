#pragma once

#include "core/maths/PartyPlan.h"

#include <QDialog>

class DrinkListHost;
class QComboBox;
class QPushButton;
class QTableWidget;

// "Party Planner": drinks with their servings, and how much of each ingredient (and how many
// bottles) the party needs. Plans are saved and opened as small JSON files.
class frmPartyPlanner : public QDialog
{
    Q_OBJECT

public:
    frmPartyPlanner(DrinkListHost* host, QWidget* parent);

    QList<Maths::PlannedDrink> plan() const;
    void setPlan(const QList<Maths::PlannedDrink>& plan);
    const Maths::PartyTotals& totals() const { return m_totals; }
    // The totals as printed, one text line each.
    QStringList planLines() const;

private:
    void addDrink(const QString& name, int servings);
    void addChosenDrink();
    void removeDrink();
    void updateTotals();
    void addToShoppingList();
    void savePlan();
    void openPlan();
    void print();

    DrinkListHost* m_host;
    Maths::PartyTotals m_totals;
    bool m_filling = false;

    QComboBox* cmbPartyDrink = nullptr;
    QPushButton* cmdPartyAdd = nullptr;
    QPushButton* cmdPartyRemove = nullptr;
    QTableWidget* lstPartyDrinks = nullptr;
    QTableWidget* gridPartyTotals = nullptr;
    QPushButton* cmdPartyShopping = nullptr;
    QPushButton* cmdPartyPrint = nullptr;
    QPushButton* cmdPartyOpen = nullptr;
    QPushButton* cmdPartySave = nullptr;
    QPushButton* cmdClose = nullptr;
};
