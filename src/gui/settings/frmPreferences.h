#pragma once

#include "core/settings/Preferences.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace Online {
class ExchangeClient;
}

// "Preferences": the drink exchange's address and how it is named, the units shown first, the
// standard drink, whether substitutes count as stock, and where the data is kept. OK keeps the
// values after checking them; Cancel changes nothing.
class frmPreferences : public QDialog
{
    Q_OBJECT

public:
    frmPreferences(const QString& dataFolder, QWidget* parent);

    Preferences::Values values() const;

public Q_SLOTS:
    void accept() override;

private:
    void testConnection();

    QString m_dataFolder;
    Online::ExchangeClient* m_client = nullptr;

    QLineEdit* txtServiceAddress = nullptr;
    QPushButton* cmdTestConnection = nullptr;
    QLineEdit* txtCompanyName = nullptr;
    QLineEdit* txtSupportAddress = nullptr;
    QSpinBox* spinTimeout = nullptr;
    QComboBox* cmbUnitsFirst = nullptr;
    QComboBox* cmbStandardDrink = nullptr;
    QCheckBox* chkCountSubstitutes = nullptr;
    QComboBox* cmbPrintStyle = nullptr;
    QLabel* lblDataFolder = nullptr;
    QLabel* lblPreferencesFile = nullptr;
    QPushButton* cmdOpenDataFolder = nullptr;
    QPushButton* cmdOpenPreferencesFolder = nullptr;
    QDialogButtonBox* buttons = nullptr;
};
