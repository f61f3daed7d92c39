#include "gui/editing/frmAddDrink.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

frmAddDrink::frmAddDrink(QWidget* parent, const MainWindowLink& link)
    : RecipeWindow(parent, link, QStringLiteral("Add Drink"), QStringLiteral("Save"),
                   QStringLiteral("cmdSave"))
{
    connect(m_saveButton, &QPushButton::clicked, this, &frmAddDrink::cmdSave_Click);
    // A catalogue that cannot be read leaves the lists empty; the window still opens.
    try {
        FillIngredientLists();
    } catch (const std::exception& e) {
        ShowWriteFailure(QStringLiteral("The ingredient names could not be read; the lists stay empty."), e);
    }
    setStatus(QString());
}

void frmAddDrink::Open(QWidget* parent, const MainWindowLink& link)
{
    if (link.showStatus)
        link.showStatus(QStringLiteral("Loading Please Wait....."));
    frmAddDrink window(parent, link);
    window.exec();
}

bool frmAddDrink::CheckForEmptyIngredients(QComboBox* inListBox, QLineEdit* inTextBox)
{
    return Lib::CheckIngredientEntered(inListBox, inTextBox);
}

void frmAddDrink::cmdSave_Click()
{
    DBLib::SavedDrink saved;
    try {
        if (!CheckNameEntered())
            return;
        // The box shows the name as it will be stored, even when a later check refuses the save.
        txtName->setText(txtName->text().trimmed().toUpper());
        if (DBLib::FindDrinkID(txtName->text()) != -1) {
            RefuseRepeatedName();
            return;
        }
        if (!CheckGlassEntered())
            return;
        for (int i = 0; i < RowCount; ++i) {
            if (!CheckForEmptyIngredients(cmbIngredient[size_t(i)], txtAmount[size_t(i)]))
                return;
        }
        if (!ConfirmBlankDescription())
            return;
        DBLib::DrinkEntry entry = Entry();
        entry.submitted = true; // a drink typed here is the user's own: nothing to send
        saved = DBLib::WriteNewDrink(entry);
    } catch (const std::exception& e) {
        ShowWriteFailure(QStringLiteral("The drink was not saved; nothing was written to the recipe database."), e);
        return;
    }
    FinishSave(saved);
}
