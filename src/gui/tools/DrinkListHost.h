#pragma once

#include "core/tools/DrinkListSearch.h"

#include <QStringList>

// What a window that works on the main window's drink list may use of it.
class DrinkListHost
{
public:
    virtual ~DrinkListHost() = default;

    // The entries of the list, in list order, and their letter index.
    virtual const QStringList& drinkListEntries() const = 0;
    virtual const Lib::LetterIndex& drinkListIndex() const = 0;
    // True while the list is being refilled; it is not whole then.
    virtual bool isDrinkListLoading() const = 0;
    // Selects the entry at position and shows its recipe.
    virtual void selectDrinkAt(int position) = 0;
    // Selects the named drink and shows its recipe, switching to the list of all drinks when the
    // list shown does not hold it.
    virtual void showDrink(const QString& name) = 0;
};
