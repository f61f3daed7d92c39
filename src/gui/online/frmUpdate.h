#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QDate>
#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTimer;

namespace Online {
class ExchangeClient;
}

// "Quaffhaus Update": brings the drinks released since the last update from the drink exchange
// into the database. Runs by itself once shown; the user watches and closes it.
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
    QTimer* UpdateTimer;

    // The text of the status bar's first panel.
    QString statusText() const;
    bool updatesFound() const { return m_updatesFound; }
    bool running() const { return m_running; }

Q_SIGNALS:
    // The run has ended, however it ended, and its temporary files are gone.
    void runFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public Q_SLOTS:
    void reject() override;

private:
    void Form_Activate();
    void UpdateTimer_Timer();
    void cmdOK_Click();

    void setStatus(const QString& text);
    void setRowState(int row, const QString& text);
    void indexArrived(const QByteArray& index, const QString& error);
    void versionArrived(const QByteArray& index, const QString& version, bool versionOk);
    void readIndex(const QByteArray& index);
    void downloadRow(int row);
    void addRow(int row);
    void finishAdding();
    // Step 11: the index file goes, the button comes back.
    void endRun();
    // Stops a run the user walked away from: nothing more is fetched or added, temporary files go.
    void abandonRun();
    QString localFile(const QString& name) const;

    std::function<void()> m_reloadDrinks;
    std::function<void()> m_unloadForms;
    Online::ExchangeClient* m_client = nullptr;
    QLabel* m_panel;
    QString m_folder;
    QString m_lastUpdateText;
    QStringList m_downloaded; // local files of this run that still exist
    QList<bool> m_rowOk;      // per grid row: downloaded (then: added) without trouble
    QStringList m_failures;   // what went wrong, per document, for the closing message
    bool m_updatesFound = false;
    bool m_addedAny = false;
    bool m_running = false;
    bool m_activated = false;
};
