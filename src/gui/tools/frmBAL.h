#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// Blood alcohol estimate from weight, sex, drinks and hours, with a graded description of the
// effects. Reads and writes no stored data. Opened without being modal.
class frmBAL : public QDialog
{
    Q_OBJECT

public:
    // selectedDrinkStandardDrinks: the standard drinks of the drink selected in the main window,
    // nothing when none is selected or it has no measured volume.
    explicit frmBAL(QWidget* parent = nullptr,
                    std::function<std::optional<double>()> selectedDrinkStandardDrinks = {});

private:
    void VScroll1_Change(int value);
    void cmdCalculate_Click();
    void cmdUseDrink_Click();

    std::function<std::optional<double>()> m_selectedDrinkStandardDrinks;

    QScrollBar* VScroll1;
    QComboBox* cmbSex;
    QLineEdit* txtBAL;
    QPushButton* cmdCalculate;
    QPushButton* cmdUseDrink;
    QLineEdit* txtHours;
    QLineEdit* txtDrinks;
    QLineEdit* txtWeight;
    QLabel* Label7;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* lblDescription;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* Label1;
};
