#pragma once

#include "gui/editing/RecipeWindow.h"

// The Add Drink window: a new recipe, checked and written as one change.
class frmAddDrink : public RecipeWindow
{
    Q_OBJECT

public:
    // Fills the ingredient lists from the catalogue.
    explicit frmAddDrink(QWidget* parent, const MainWindowLink& link = {});

    // The "&Add Drink" menu command: shows a status text, runs the window modally and returns when
    // it is closed.
    static void Open(QWidget* parent, const MainWindowLink& link);

    // An amount typed without an ingredient is refused (message, focus on the ingredient box).
    bool CheckForEmptyIngredients(QComboBox* inListBox, QLineEdit* inTextBox);

private:
    void cmdSave_Click();
};
