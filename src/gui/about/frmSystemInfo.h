#pragma once

#include "core/about/SystemInfo.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "System Information": the program, its libraries, the operating system and the data folder with
// what its recipe database holds, for the user to read or copy into a support request.
class frmSystemInfo : public QDialog
{
    Q_OBJECT

public:
    frmSystemInfo(QWidget* parent, const QList<SystemInfo::Line>& lines);

private:
    void cmdCopy_Click();

    QList<SystemInfo::Line> m_lines;
    QTreeWidget* treeInfo;
    QPushButton* cmdCopy;
    QPushButton* cmdClose;
};
