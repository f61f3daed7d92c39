#pragma once

#include "gui/printing/PrintService.h"

#include <QAbstractListModel>
#include <QDialog>
#include <functional>

class PrintQueue;
class QGroupBox;
class QListView;
class QPushButton;
class QRadioButton;

// The drinks of the selection window, each with a tick. Kept small for lists of 100,000 drinks:
// one text and one flag per entry and a running count of the ticked ones.
class DrinkTickModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit DrinkTickModel(QObject* parent = nullptr);

    void setNames(QStringList names);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setAllTicked(bool ticked);
    int tickedCount() const { return m_tickedCount; }
    // The ticked drinks, top to bottom.
    QStringList tickedNames() const;

private:
    QStringList m_names;
    QList<bool> m_ticked;
    int m_tickedCount = 0;
};

// "Drink Print Selection": the user ticks drinks and prints them on pages or on 3x5 index cards.
// Opened modally from "&Print" and without modality from "&Print Drinks".
class frmPrintList : public QDialog
{
    Q_OBJECT

public:
    // drinkNames: the entries of the main window's drink list. showDrink, when given, is called with
    // each drink's name as its index card is printed, so the main window can show that recipe.
    frmPrintList(QWidget* parent, PrintQueue& queue, const QStringList& drinkNames,
                 std::function<void(const QString&)> showDrink = {});

    DrinkTickModel* drinks() const { return m_model; }

    // What the last print command did (for the window's own checks and tests).
    const Printing::PrintResult& lastResult() const { return m_lastResult; }

private:
    // The print commands are offered while at least one drink is ticked.
    void enablePrinting();
    void Command1_Click();
    void Command2_Click();
    void cmdPrintRegular_Click();
    void cmdPrintIndex_Click();
    void cmdPreview_Click();
    void applyColours();

    PrintQueue& m_queue;
    std::function<void(const QString&)> m_showDrink;
    DrinkTickModel* m_model = nullptr;
    Printing::PrintResult m_lastResult;

    QListView* lstPrintDrinks = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* cmdPrintRegular = nullptr;
    QPushButton* cmdPreview = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdPrintIndex = nullptr;
    QRadioButton* OptionLeftPrint = nullptr;
    QRadioButton* OptionRightPrint = nullptr;
    QPushButton* Command3 = nullptr;
};
