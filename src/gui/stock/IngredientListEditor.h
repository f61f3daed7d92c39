#pragma once

#include <exception>

#include "core/store/Catalogue.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

// The window both ingredient lists are edited in: every ingredient stands either in the left list
// (off the list) or in the right one (on it); the user moves them across and saves. Nothing is
// written before Save.
class IngredientListEditor : public QDialog
{
    Q_OBJECT

public:
    // True once anything was moved or the list was cleared; never false again while open.
    bool isChanged() const { return m_changed; }

protected:
    struct Texts
    {
        QString caption;
        QString rightLabel;
        QString printTitle;
        QString addTip; // empty: no tooltip
        QString removeTip;
    };
    enum class TabOrder
    {
        ListsFirst,
        ButtonsFirst
    };

    IngredientListEditor(QWidget* parent, DBLib::IngredientList list, const Texts& texts, TabOrder order);

    // Writes the right list; throws on failure (the window reports it and stays open).
    virtual void saveList(const QStringList& onList) = 0;

private:
    void load();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdSave_Click();
    void cmdPrintList_Click();
    void cmdClearList_Click();
    void reportError(const QString& what, const std::exception& error);

    DBLib::IngredientList m_list;
    QString m_printTitle;
    bool m_changed = false;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* lstList = nullptr;
    QListWidget* lstStock = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdPrintList = nullptr;
    QPushButton* cmdClearList = nullptr;
};
