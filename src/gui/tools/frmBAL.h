#pragma once

#include <QDialog>

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
    explicit frmBAL(QWidget* parent = nullptr);

private:
    void VScroll1_Change(int value);
    void cmdCalculate_Click();

    QScrollBar* VScroll1;
    QComboBox* cmbSex;
    QLineEdit* txtBAL;
    QPushButton* cmdCalculate;
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
