#include "gui/about/frmSystemInfo.h"

#include "gui/appearance/ColorSchemes.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmSystemInfo::frmSystemInfo(QWidget* parent, const QList<SystemInfo::Line>& lines)
    : QDialog(parent), m_lines(lines)
{
    setObjectName(QStringLiteral("frmSystemInfo"));
    setWindowTitle(QStringLiteral("System Information"));

    treeInfo = new QTreeWidget(this);
    treeInfo->setObjectName(QStringLiteral("treeInfo"));
    treeInfo->setColumnCount(2);
    treeInfo->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("Value")});
    treeInfo->setRootIsDecorated(false);
    treeInfo->setSelectionMode(QAbstractItemView::SingleSelection);
    treeInfo->setUniformRowHeights(true);
    QTreeWidgetItem* section = nullptr;
    for (const SystemInfo::Line& line : lines) {
        if (!section || section->text(0) != line.section) {
            section = new QTreeWidgetItem(treeInfo, {line.section});
            QFont bold = section->font(0);
            bold.setBold(true);
            section->setFont(0, bold);
            section->setFirstColumnSpanned(true);
        }
        auto* item = new QTreeWidgetItem(section, {line.item, line.value});
        item->setToolTip(1, line.value);
    }
    treeInfo->expandAll();
    treeInfo->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    treeInfo->header()->setStretchLastSection(true);

    cmdCopy = new QPushButton(QStringLiteral("&Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setToolTip(QStringLiteral("Copy the whole report as text"));
    cmdCopy->setAutoDefault(false);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(treeInfo, 1);
    layout->addLayout(buttons);

    ColorSchemes::applyStandard(this);

    connect(cmdCopy, &QPushButton::clicked, this, &frmSystemInfo::cmdCopy_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    cmdClose->setFocus();
    resize(620, 460);
}

void frmSystemInfo::cmdCopy_Click()
{
    QApplication::clipboard()->setText(SystemInfo::ToText(m_lines));
}
