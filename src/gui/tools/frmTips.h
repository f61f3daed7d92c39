#pragma once

#include <QDialog>

class QListWidget;
class QPlainTextEdit;

// Bartending tips: the tip titles in their stored order and the text of the one clicked. Opened
// without being modal.
class frmTips : public QDialog
{
    Q_OBJECT

public:
    explicit frmTips(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadList();
    void List1_Click();

    QPlainTextEdit* txtDescription;
    QListWidget* List1;
    bool m_loaded = false;
};
