#include "gui/settings/frmPreferences.h"

#include "core/exchange/ExchangeClient.h"
#include "core/exchange/OnlineSettings.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const int Grams[] = {14, 8, 10};

QPushButton* openButton(QWidget* parent, const char* name, const QString& folder)
{
    auto* b = new QPushButton(QStringLiteral("Open"), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    return b;
}

} // namespace

frmPreferences::frmPreferences(const QString& dataFolder, QWidget* parent) : QDialog(parent), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    const Preferences::Values v = Preferences::Load();
    const auto named = [](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    txtServiceAddress = named(new QLineEdit(v.serviceAddress, this), "txtServiceAddress");
    cmdTestConnection = named(new QPushButton(QStringLiteral("&Test Connection"), this), "cmdTestConnection");
    cmdTestConnection->setAutoDefault(false);
    txtCompanyName = named(new QLineEdit(v.companyName, this), "txtCompanyName");
    txtSupportAddress = named(new QLineEdit(v.supportAddress, this), "txtSupportAddress");
    spinTimeout = named(new QSpinBox(this), "spinTimeout");
    spinTimeout->setRange(Preferences::MinTimeoutSeconds, Preferences::MaxTimeoutSeconds);
    spinTimeout->setSuffix(QStringLiteral(" s"));
    spinTimeout->setValue(v.timeoutSeconds);
    cmbUnitsFirst = named(new QComboBox(this), "cmbUnitsFirst");
    cmbUnitsFirst->addItems({QStringLiteral("Millilitres (ml)"), QStringLiteral("Ounces (oz)")});
    cmbUnitsFirst->setCurrentIndex(v.ouncesFirst ? 1 : 0);
    cmbStandardDrink = named(new QComboBox(this), "cmbStandardDrink");
    cmbStandardDrink->addItems({QStringLiteral("US: 14 g of alcohol"), QStringLiteral("UK: 8 g of alcohol"),
                                QStringLiteral("Australia: 10 g of alcohol")});
    cmbStandardDrink->setCurrentIndex(v.standardDrinkGrams == 8 ? 1 : v.standardDrinkGrams == 10 ? 2 : 0);
    chkCountSubstitutes = named(new QCheckBox(QStringLiteral("Count &substitutes as in stock"), this), "chkCountSubstitutes");
    chkCountSubstitutes->setChecked(v.countSubstitutes);
    cmbPrintStyle = named(new QComboBox(this), "cmbPrintStyle");
    cmbPrintStyle->addItems({QStringLiteral("Text (columns, as on the original cards)"),
                             QStringLiteral("Formatted (heading, glass picture, table)")});
    cmbPrintStyle->setCurrentIndex(v.formattedPrint ? 1 : 0);

    const QString preferencesFile = Preferences::PreferencesFile();
    lblDataFolder = named(new QLabel(QDir::toNativeSeparators(dataFolder), this), "lblDataFolder");
    lblPreferencesFile = named(new QLabel(QDir::toNativeSeparators(preferencesFile), this), "lblPreferencesFile");
    for (QLabel* l : {lblDataFolder, lblPreferencesFile}) {
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
    }
    cmdOpenDataFolder = openButton(this, "cmdOpenDataFolder", dataFolder);
    cmdOpenPreferencesFolder = openButton(this, "cmdOpenPreferencesFolder", QFileInfo(preferencesFile).absolutePath());

    auto* exchange = new QGroupBox(QStringLiteral("Drink exchange"), this);
    auto* exchangeForm = new QFormLayout(exchange);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(txtServiceAddress, 1);
    addressRow->addWidget(cmdTestConnection);
    auto* addressLabel = new QLabel(QStringLiteral("&Address:"), exchange);
    addressLabel->setBuddy(txtServiceAddress);
    exchangeForm->addRow(addressLabel, addressRow);
    exchangeForm->addRow(QStringLiteral("&Company name:"), txtCompanyName);
    exchangeForm->addRow(QStringLiteral("S&upport address:"), txtSupportAddress);
    exchangeForm->addRow(QStringLiteral("Time &limit:"), spinTimeout);

    auto* drinks = new QGroupBox(QStringLiteral("Drinks"), this);
    auto* drinksForm = new QFormLayout(drinks);
    drinksForm->addRow(QStringLiteral("Units shown &first:"), cmbUnitsFirst);
    drinksForm->addRow(QStringLiteral("Standard &drink:"), cmbStandardDrink);
    drinksForm->addRow(chkCountSubstitutes);
    drinksForm->addRow(QStringLiteral("&Print recipes as:"), cmbPrintStyle);

    auto* data = new QGroupBox(QStringLiteral("Where your data is kept"), this);
    auto* dataForm = new QFormLayout(data);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(lblDataFolder, 1);
    folderRow->addWidget(cmdOpenDataFolder);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(lblPreferencesFile, 1);
    fileRow->addWidget(cmdOpenPreferencesFolder);
    dataForm->addRow(new QLabel(QStringLiteral("Data folder:"), data), folderRow);
    dataForm->addRow(new QLabel(QStringLiteral("Preferences:"), data), fileRow);

    buttons = named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "buttons");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(exchange);
    layout->addWidget(drinks);
    layout->addWidget(data);
    layout->addStretch(1);
    layout->addWidget(buttons);
    resize(560, sizeHint().height());

    ColorSchemes::applyStandard(this);

    connect(buttons, &QDialogButtonBox::accepted, this, &frmPreferences::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdTestConnection, &QPushButton::clicked, this, &frmPreferences::testConnection);
}

Preferences::Values frmPreferences::values() const
{
    Preferences::Values v;
    v.serviceAddress = txtServiceAddress->text();
    v.companyName = txtCompanyName->text();
    v.supportAddress = txtSupportAddress->text();
    v.timeoutSeconds = spinTimeout->value();
    v.ouncesFirst = cmbUnitsFirst->currentIndex() == 1;
    v.standardDrinkGrams = Grams[std::clamp(cmbStandardDrink->currentIndex(), 0, 2)];
    v.countSubstitutes = chkCountSubstitutes->isChecked();
    v.formattedPrint = cmbPrintStyle->currentIndex() == 1;
    return v;
}

void frmPreferences::accept()
{
    const Preferences::Values v = values();
    if (const std::optional<Preferences::Problem> problem = Preferences::Validate(v)) {
        MessageBox::information(this, windowTitle(), problem->message);
        switch (problem->field) {
        case Preferences::Problem::Field::ServiceAddress:
            txtServiceAddress->setFocus();
            break;
        case Preferences::Problem::Field::CompanyName:
            txtCompanyName->setFocus();
            break;
        case Preferences::Problem::Field::SupportAddress:
            txtSupportAddress->setFocus();
            break;
        case Preferences::Problem::Field::Timeout:
            spinTimeout->setFocus();
            break;
        case Preferences::Problem::Field::StandardDrink:
            cmbStandardDrink->setFocus();
            break;
        }
        return;
    }
    try {
        Preferences::Save(v);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The preferences were not kept."), e);
        return;
    }
    QDialog::accept();
}

void frmPreferences::testConnection()
{
    const QUrl root = OnlineSettings::ParseServiceAddress(txtServiceAddress->text());
    if (root.isEmpty()) {
        MessageBox::information(this, windowTitle(), Preferences::Validate(values())->message);
        txtServiceAddress->setFocus();
        return;
    }
    delete m_client;
    m_client = new Online::ExchangeClient(root, spinTimeout->value() * 1000, this);
    cmdTestConnection->setEnabled(false);
    cmdTestConnection->setText(QStringLiteral("Testing\u2026"));
    m_client->CheckInternet([this, root](bool connected) {
        cmdTestConnection->setEnabled(true);
        cmdTestConnection->setText(QStringLiteral("&Test Connection"));
        MessageBox::information(this, windowTitle(),
                                connected ? QStringLiteral("The drink exchange at %1 answers.").arg(root.toString())
                                          : QStringLiteral("The drink exchange at %1 does not answer. Check the "
                                                           "address and your connection.")
                                                .arg(root.toString()));
    });
}
