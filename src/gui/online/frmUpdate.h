#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QStatusBar;
class QTableWidget;

namespace Online {
class UpdateRun;
}

// "Quaffhaus Update": shows an update run (Online::UpdateRun) that starts by itself once the window
// is shown; the user watches and closes it.
class frmUpdate : public QDialog
{
    Q_OBJECT

public:
    // reloadDrinks: the main window's LoadDrinks, called on "Ok" when updates were found.
    // unloadForms: closes every window of the program (the user chose to fetch a newer version);
    // when empty, only this window closes.
    frmUpdate(QWidget* parent, std::function<void()> reloadDrinks, std::function<void()> unloadForms = {});
    ~frmUpdate() override;

    QTableWidget* MSFlexGrid1;
    QPushButton* cmdOk;
    QStatusBar* StatusBar1;

    // The text of the status bar's first panel.
    QString statusText() const;
    bool updatesFound() const;
    bool running() const;

Q_SIGNALS:
    // The run has ended, however it ended, and its temporary files are gone.
    void runFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public Q_SLOTS:
    void reject() override;

private:
    void cmdOK_Click();
    void showItems();
    void showItem(int row);

    std::function<void()> m_reloadDrinks;
    std::function<void()> m_unloadForms;
    Online::UpdateRun* m_run = nullptr;
    QLabel* m_panel;
    bool m_activated = false;
};
