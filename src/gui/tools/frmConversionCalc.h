#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Converts a quantity between the 22 bar and kitchen volume units. Uses no stored data. Opened
// without being modal.
class frmConversionCalc : public QDialog
{
    Q_OBJECT

public:
    explicit frmConversionCalc(QWidget* parent = nullptr);

private:
    void cmdConvert_Click();

    QLineEdit* txtIn;
    QComboBox* cmbIn;
    QLabel* Label1;
    QLineEdit* txtOut;
    QComboBox* cmbOut;
    QPushButton* cmdConvert;
};
