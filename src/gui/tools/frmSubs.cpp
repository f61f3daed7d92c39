#include "gui/tools/frmSubs.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "core/store/Sqlite.h"
#include "core/store/Catalogue.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>

frmSubs::frmSubs(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSubs"));
    setWindowTitle(QStringLiteral("Ingredient Substitutes"));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    txtDescription = new QPlainTextEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setReadOnly(true);
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(List1, 1);
    layout->addWidget(txtDescription, 1);
    resize(520, 360);

    ColorSchemes::applyWindow(this);
    ColorSchemes::applyInput(List1);
    ColorSchemes::applyInput(txtDescription);

    // Selection, not focus, counts as a click: keyboard moves show substitutes too, but merely
    // tabbing into the list does not.
    connect(List1, &QListWidget::itemSelectionChanged, this, &frmSubs::List1_Click);
}

void frmSubs::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Filled once per opening; coming back to the window does not add the names again.
    if (!m_loaded) {
        m_loaded = true;
        LoadList();
    }
}

void frmSubs::LoadList()
{
    try {
        List1->addItems(DBLib::SubstituteIngredientNames());
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The ingredients could not be read."), e);
    }
}

void frmSubs::List1_Click()
{
    txtDescription->clear();
    const QListWidgetItem* item = List1->currentItem();
    if (!item || !item->isSelected())
        return;
    try {
        QString text;
        for (const QString& name : DBLib::SubstitutesFor(item->text()))
            text += name + QLatin1Char('\n');
        txtDescription->setPlainText(text);
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The substitutes could not be read."), e);
    }
}
