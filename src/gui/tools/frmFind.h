#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QStringListModel;
class DrinkListHost;

// Finds drinks by a piece of their name or directions, or by an ingredient they use, within the
// main window's current list, and selects the clicked hit there. Opened without being modal.
class frmFind : public QWidget
{
    Q_OBJECT

public:
    // host: the main window's drink list; parent: the window this one stays beside.
    frmFind(DrinkListHost* host, QWidget* parent);

    // The first status panel: the state of the last search.
    QString statusText() const;

    // The main list has been refilled: a search asked for while it loaded runs now.
    void drinkListLoaded();

private:
    void Form_Load();
    void SwitchInputFields();
    void cmdFind_Click();
    void RunSearch();
    void lstFind_Click();

    DrinkListHost* m_host;
    bool m_searchPending = false;
    QStringListModel* m_hits = nullptr;

public:
    QLabel* Label1 = nullptr;
    QComboBox* cmbFind = nullptr;
    QLabel* Label2 = nullptr;
    QListView* lstFind = nullptr;
    QLineEdit* TextSearch = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbIngredients = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* Command1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* m_panel1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};
