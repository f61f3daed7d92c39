#pragma once

#include <QDialog>
#include <QPointer>

class QFrame;
class QLabel;
class QPushButton;
class frmSystemInfo;

// The about box: title and version, rights notice and warning, the logo, and the way to the
// System Information window. Opened modally.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout(QWidget* parent, QString dataFolder);

    // "major.minor.revision" of the running program.
    static QString VersionText();

    // The System Information window opened from here, while it is open.
    frmSystemInfo* systemInfoWindow() const;

private:
    void cmdSysInfo_Click();

    QString m_dataFolder;
    QPointer<frmSystemInfo> m_systemInfo;

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblNotice;
    QLabel* lblWarning;
    QFrame* Line1;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};
