#include "gui/tools/frmBAL.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "core/tools/BloodAlcohol.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

frmBAL::frmBAL(QWidget* parent, std::function<std::optional<double>()> selectedDrinkStandardDrinks)
    : QDialog(parent), m_selectedDrinkStandardDrinks(std::move(selectedDrinkStandardDrinks))
{
    setObjectName(QStringLiteral("frmBAL"));
    setWindowTitle(QStringLiteral("Calculate Blood Alcohol Level"));

    VScroll1 = named(new QScrollBar(Qt::Vertical, this), "VScroll1");
    VScroll1->setRange(90, 350);
    VScroll1->setSingleStep(5);
    VScroll1->setPageStep(5);
    VScroll1->setValue(90);

    cmbSex = named(new QComboBox(this), "cmbSex");
    cmbSex->addItems({QStringLiteral("Male"), QStringLiteral("Female")});
    cmbSex->setCurrentIndex(1);

    txtBAL = named(new QLineEdit(this), "txtBAL");
    txtBAL->setReadOnly(true);
    cmdCalculate = named(new QPushButton(QStringLiteral("Calculate"), this), "cmdCalculate");
    cmdCalculate->setDefault(true);
    txtHours = named(new QLineEdit(QStringLiteral("1"), this), "txtHours");
    txtDrinks = named(new QLineEdit(QStringLiteral("1"), this), "txtDrinks");
    cmdUseDrink = named(new QPushButton(QStringLiteral("&Use Selected Drink"), this), "cmdUseDrink");
    cmdUseDrink->setAutoDefault(false);
    cmdUseDrink->setToolTip(QStringLiteral("Take the standard drinks of the drink selected in the main window"));
    cmdUseDrink->setEnabled(bool(m_selectedDrinkStandardDrinks));
    txtWeight = named(new QLineEdit(QStringLiteral("90"), this), "txtWeight");

    Label7 =
        named(new QLabel(
                  QStringLiteral("This should be used only as an estimate.  If you drink, don\u2019t drive."),
                  this),
              "Label7");
    Label7->setWordWrap(true);
    Label5 =
        named(new QLabel(QStringLiteral("12 oz Beer, 5 oz wine, or 1.25 oz hard liquor"), this), "Label5");
    QFont serif = Label5->font();
    serif.setFamilies(
        {QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    serif.setStyleHint(QFont::Serif);
    Label5->setFont(serif);
    Label6 = named(new QLabel(QStringLiteral("Sex:"), this), "Label6");
    lblDescription = named(new QLabel(this), "lblDescription");
    lblDescription->setWordWrap(true);
    lblDescription->setMinimumHeight(lblDescription->fontMetrics().lineSpacing() * 3);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4 = named(new QLabel(QStringLiteral("BAL:"), this), "Label4");
    Label3 = named(new QLabel(QStringLiteral("Hours Since First Drink:"), this), "Label3");
    Label2 = named(new QLabel(QStringLiteral("Number Of Drinks:"), this), "Label2");
    Label1 = named(new QLabel(QStringLiteral("Weight:"), this), "Label1");

    Label1->setBuddy(txtWeight);
    Label6->setBuddy(cmbSex);
    Label2->setBuddy(txtDrinks);
    Label3->setBuddy(txtHours);
    Label4->setBuddy(txtBAL);

    // The scroll bar sits beside the weight like a spinner.
    VScroll1->setFixedHeight(txtWeight->sizeHint().height() + 8);
    auto* weightRow = new QHBoxLayout;
    weightRow->addWidget(txtWeight);
    weightRow->addWidget(VScroll1);
    weightRow->addStretch();

    auto* form = new QGridLayout;
    form->addWidget(Label1, 0, 0);
    form->addLayout(weightRow, 0, 1);
    form->addWidget(Label6, 1, 0);
    form->addWidget(cmbSex, 1, 1, Qt::AlignLeft);
    form->addWidget(Label2, 2, 0);
    auto* drinksRow = new QHBoxLayout;
    drinksRow->addWidget(txtDrinks);
    drinksRow->addWidget(cmdUseDrink);
    drinksRow->addStretch(1);
    form->addLayout(drinksRow, 2, 1);
    form->addWidget(Label5, 3, 1);
    form->addWidget(Label3, 4, 0);
    form->addWidget(txtHours, 4, 1, Qt::AlignLeft);
    form->addWidget(cmdCalculate, 5, 1, Qt::AlignLeft);
    form->addWidget(Label4, 6, 0);
    form->addWidget(txtBAL, 6, 1, Qt::AlignLeft);
    form->setColumnStretch(1, 1);

    const int boxWidth = txtWeight->fontMetrics().horizontalAdvance(QStringLiteral("000000000"));
    for (QLineEdit* box : {txtWeight, txtDrinks, txtHours, txtBAL})
        box->setFixedWidth(boxWidth);
    cmbSex->setMinimumWidth(boxWidth);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblDescription);
    layout->addWidget(Label7);

    setTabOrder(txtWeight, VScroll1);
    setTabOrder(VScroll1, cmbSex);
    setTabOrder(cmbSex, txtDrinks);
    setTabOrder(txtDrinks, txtHours);
    setTabOrder(txtHours, cmdCalculate);
    setTabOrder(cmdCalculate, txtBAL);
    txtWeight->setFocus();
    resize(460, sizeHint().height());

    // Every control on the Background in the Text colour, then the particular roles.
    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, scheme);
    for (QWidget* w : findChildren<QWidget*>())
        ColorSchemes::applyDataLabel(w, scheme);
    for (QWidget* input : std::initializer_list<QWidget*>{txtHours, txtDrinks, txtWeight, txtBAL, cmbSex})
        ColorSchemes::applyInput(input, scheme);
    for (QLabel* label : findChildren<QLabel*>())
        ColorSchemes::applyHeading(label, scheme);
    ColorSchemes::applyButton(cmdCalculate, scheme);

    connect(VScroll1, &QScrollBar::valueChanged, this, &frmBAL::VScroll1_Change);
    connect(cmdCalculate, &QPushButton::clicked, this, &frmBAL::cmdCalculate_Click);
    connect(cmdUseDrink, &QPushButton::clicked, this, &frmBAL::cmdUseDrink_Click);
}

void frmBAL::VScroll1_Change(int value)
{
    txtWeight->setText(QString::number(value));
}

void frmBAL::cmdUseDrink_Click()
{
    std::optional<double> standardDrinks;
    try {
        standardDrinks = m_selectedDrinkStandardDrinks();
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The selected drink could not be read."), e);
        return;
    }
    if (!standardDrinks) {
        MessageBox::information(this, windowTitle(),
                                QStringLiteral("Select a drink with measured amounts in the main window first."));
        return;
    }
    txtDrinks->setText(QString::number(std::round(*standardDrinks * 10) / 10, 'f', 1));
}

void frmBAL::cmdCalculate_Click()
{
    const BloodAlcohol::Outcome outcome =
        BloodAlcohol::Calculate(txtDrinks->text(), txtHours->text(), txtWeight->text(),
                                cmbSex->currentText() == QLatin1String("Male"));
    if (outcome.badField != BloodAlcohol::Field::None) {
        // Refused input leaves no result behind that could be mistaken for this one.
        txtBAL->clear();
        lblDescription->clear();
        MessageBox::warning(this, QStringLiteral("Invalid Input"), outcome.message);
        QLineEdit* bad = outcome.badField == BloodAlcohol::Field::Drinks  ? txtDrinks
                         : outcome.badField == BloodAlcohol::Field::Hours ? txtHours
                                                                          : txtWeight;
        bad->setFocus();
        bad->selectAll();
        return;
    }
    txtBAL->setText(outcome.grade.balText);
    if (outcome.grade.description)
        lblDescription->setText(*outcome.grade.description);
}
