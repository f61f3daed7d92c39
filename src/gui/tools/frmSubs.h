#pragma once

#include <QDialog>

class QListWidget;
class QPlainTextEdit;

// Ingredient substitutes: the ingredients that belong to a substitute group, and for the one
// clicked, the others of its group. Opened without being modal.
class frmSubs : public QDialog
{
    Q_OBJECT

public:
    explicit frmSubs(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadList();
    void List1_Click();

    QListWidget* List1;
    QPlainTextEdit* txtDescription;
    bool m_loaded = false;
};
