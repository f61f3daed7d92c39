#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;

namespace Online {
class ExchangeClient;
class SubmissionSender;
} // namespace Online

// "Drink Submission": offers to send one drink of the database to the drink exchange, sends it as
// a drink document and marks it submitted.
class frmSubmit : public QDialog
{
    Q_OBJECT

public:
    frmSubmit(QWidget* parent, qint64 drinkId);
    ~frmSubmit() override;

    // The main window's "Submit Drink" command for the selected list item: nothing for an empty
    // item; otherwise the question is always asked ("neverAsk" becomes 0), the window is shown
    // modally, and showSelectedDrink (the list's click handling) runs after it has closed.
    static void SubmitSelectedDrink(QWidget* parent, const QString& selectedItem,
                                    const std::function<void()>& showSelectedDrink);

    QLabel* Label2;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QCheckBox* chkNeverAskAgain;
    QStatusBar* StatusBar1;
    Online::SubmissionSender* Winsock1;

    QString statusText() const;
    qint64 drinkId() const { return m_drinkId; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public Q_SLOTS:
    void reject() override;

private:
    void Form_Activate();
    void OKButton_Click();
    void CancelButton_Click();
    void SavePreferences();
    void submit();
    void sent(bool delivered, const QString& error);
    // Steps after the transfer: thanks, preferences, the "OK" button, the drink marked submitted.
    void complete();
    void offerClose(const QString& status);
    void setStatus(const QString& text);

    qint64 m_drinkId;
    QString m_document;
    Online::ExchangeClient* m_client;
    QLabel* m_panel;
    bool m_activated = false;
};
