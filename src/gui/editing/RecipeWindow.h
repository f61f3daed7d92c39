#pragma once

#include "core/store/RecipeRepository.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <array>
#include <exception>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;

// What the recipe windows use of the main window. Every member may be left empty.
struct MainWindowLink
{
    std::function<void()> reloadDrinks;             // LoadDrinks(false): refill the list in the checked view
    std::function<void()> redisplaySelection;       // the click handling of lstDrinks
    std::function<void(const QString&)> selectDrink; // select the named drink when the list holds it
    std::function<void(const QString&)> showStatus; // panel 1 of StatusBar1
};

namespace Lib {
// The row check of the recipe windows: an amount without an ingredient is refused with a message
// and the focus goes to the ingredient box.
bool CheckIngredientEntered(QComboBox* inListBox, QLineEdit* inTextBox);
} // namespace Lib

// The form frmAddDrink and frmModifyDrink share: name and glass, twelve recipe rows, the
// description and two buttons.
class RecipeWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int RowCount = 12;
    // The items of cmbGlass, in order.
    static const QStringList& GlassNames();

    // The name the drink was stored under by the last successful save; empty before one.
    QString SavedName() const { return m_savedName; }

    // Escape and Exit ask before typed changes are thrown away; without changes they just close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

protected:
    RecipeWindow(QWidget* parent, const MainWindowLink& link, const QString& caption,
                 const QString& saveCaption, const QString& saveObjectName);

    // Fills the twelve ingredient lists from the catalogue.
    void FillIngredientLists();
    // Adds a catalogue name to the twelve lists at its place in name order.
    void AddToIngredientLists(const QString& name);

    // The checks shared by both windows, each showing its message and moving the focus.
    bool CheckNameEntered();
    bool CheckGlassEntered();
    bool CheckRows();
    bool ConfirmBlankDescription();
    void RefuseRepeatedName();

    // The visible rows as typed, in row order.
    QList<DBLib::DrinkEntry::Line> VisibleRows() const;
    DBLib::DrinkEntry Entry() const;

    // After a successful write: new ingredients into the lists, the main list reloaded, closed.
    void FinishSave(const DBLib::SavedDrink& saved);
    void ShowWriteFailure(const QString& what, const std::exception& error);

    void setStatus(const QString& text);

    MainWindowLink m_link;

    QLabel* Label1 = nullptr;
    QLineEdit* txtName = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbGlass = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QLineEdit*, RowCount> txtAmount{};
    std::array<QComboBox*, RowCount> cmbIngredient{};
    QPlainTextEdit* txtDescription = nullptr;
    QPushButton* m_saveButton = nullptr; // cmdSave or cmdUpdate
    QPushButton* cmdExit = nullptr;

private:
    // Everything the user can change, in one text, to tell whether anything was.
    QString FormText() const;

    QStringListModel* m_ingredients = nullptr;
    std::optional<QString> m_shownForm;
    QString m_savedName;
};
