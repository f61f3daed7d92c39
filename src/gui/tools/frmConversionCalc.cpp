#include "gui/tools/frmConversionCalc.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"
#include "core/tools/UnitConversion.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QComboBox* unitBox(QWidget* parent, const char* name, const QString& selected)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    // The user may type a unit; typing never adds to the list.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(UnitConversion::UnitNames());
    box->completer()->setCompletionMode(QCompleter::InlineCompletion);
    box->setCurrentIndex(box->findText(selected));
    box->setMaxVisibleItems(22);
    return box;
}

} // namespace

frmConversionCalc::frmConversionCalc(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConversionCalc"));
    setWindowTitle(QStringLiteral("Conversion Calculator"));

    txtIn = new QLineEdit(QStringLiteral("750"), this);
    txtIn->setObjectName(QStringLiteral("txtIn"));
    cmbIn = unitBox(this, "cmbIn", QStringLiteral("Milliliter"));
    Label1 = new QLabel(QStringLiteral("="), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    txtOut = new QLineEdit(this);
    txtOut->setObjectName(QStringLiteral("txtOut"));
    txtOut->setReadOnly(true);
    cmbOut = unitBox(this, "cmbOut", QStringLiteral("Ounce"));
    cmdConvert = new QPushButton(QStringLiteral("Convert"), this);
    cmdConvert->setObjectName(QStringLiteral("cmdConvert"));
    cmdConvert->setDefault(true);

    const int boxWidth = txtIn->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000"));
    txtIn->setFixedWidth(boxWidth);
    txtOut->setFixedWidth(boxWidth);

    auto* layout = new QGridLayout(this);
    layout->addWidget(txtIn, 0, 0);
    layout->addWidget(cmbIn, 0, 1);
    layout->addWidget(Label1, 0, 2);
    layout->addWidget(txtOut, 0, 3);
    layout->addWidget(cmbOut, 0, 4);
    layout->addWidget(cmdConvert, 1, 0, 1, 5, Qt::AlignHCenter);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(4, 1);
    setTabOrder(txtIn, cmbIn);
    setTabOrder(cmbIn, cmbOut);
    setTabOrder(cmbOut, cmdConvert);
    setTabOrder(cmdConvert, txtOut);
    txtIn->setFocus();
    resize(sizeHint().width() + 40, sizeHint().height());

    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, scheme);
    for (QWidget* w : findChildren<QWidget*>())
        ColorSchemes::applyDataLabel(w, scheme);
    for (QWidget* input : std::initializer_list<QWidget*>{txtIn, txtOut, cmbIn, cmbOut})
        ColorSchemes::applyInput(input, scheme);
    ColorSchemes::applyButton(cmdConvert, scheme);

    connect(cmdConvert, &QPushButton::clicked, this, &frmConversionCalc::cmdConvert_Click);
}

void frmConversionCalc::cmdConvert_Click()
{
    const UnitConversion::Outcome outcome =
        UnitConversion::ConvertText(txtIn->text(), cmbIn->currentText(), cmbOut->currentText());
    switch (outcome.status) {
    case UnitConversion::Status::Converted:
        txtOut->setText(outcome.result);
        break;
    case UnitConversion::Status::Empty:
        break;
    case UnitConversion::Status::NotANumber:
        MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Invalid Input"),
                         QStringLiteral("Non-numeric character entered"),
                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        txtIn->clear();
        txtIn->setFocus();
        break;
    case UnitConversion::Status::UnknownFromUnit:
    case UnitConversion::Status::UnknownToUnit: {
        QComboBox* box = outcome.status == UnitConversion::Status::UnknownFromUnit ? cmbIn : cmbOut;
        MessageBox::warning(
            this, QStringLiteral("Invalid Input"),
            QStringLiteral("\"%1\" is not a unit this calculator knows. Please choose one from the list.")
                .arg(box->currentText().trimmed()));
        box->setFocus();
        box->lineEdit()->selectAll();
        break;
    }
    }
}
