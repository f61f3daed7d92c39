#include "gui/tools/frmTips.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "core/store/Sqlite.h"
#include "core/store/Catalogue.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>

frmTips::frmTips(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTips"));
    setWindowTitle(QStringLiteral("Bartending Tips"));

    txtDescription = new QPlainTextEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setReadOnly(true);
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(List1, 2);
    layout->addWidget(txtDescription, 3);
    setTabOrder(List1, txtDescription);
    resize(640, 380);

    ColorSchemes::applyWindow(this);
    ColorSchemes::applyInput(List1);
    ColorSchemes::applyInput(txtDescription);

    connect(List1, &QListWidget::itemSelectionChanged, this, &frmTips::List1_Click);
}

void frmTips::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Filled once per opening; coming back to the window does not add the titles again.
    if (!m_loaded) {
        m_loaded = true;
        LoadList();
    }
}

void frmTips::LoadList()
{
    try {
        List1->addItems(DBLib::TipTitles());
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The tips could not be read."), e);
    }
}

void frmTips::List1_Click()
{
    const QListWidgetItem* item = List1->currentItem();
    if (!item || !item->isSelected())
        return;
    try {
        txtDescription->setPlainText(DBLib::TipDescription(item->text()));
    } catch (const std::exception& e) {
        ErrorReport::show(this, windowTitle(), QStringLiteral("The tip could not be read."), e);
    }
}
