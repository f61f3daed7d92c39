#pragma once

#include <QString>
#include <QStringList>

// Reads and writes of the two ingredient lists the stock and shopping windows edit.
namespace DBLib {

enum class IngredientList
{
    CurrentStock,
    ShoppingList
};

// Names of the ingredients on (or off) the list, in name order.
QStringList IngredientNamesOnList(IngredientList list, bool onList);
// Every ingredient name of the catalogue, in name order.
QStringList AllIngredientNames();

// Takes every ingredient off the stock, puts the named ones in stock and, when the user moved
// anything, marks the stock views stale. One transaction: all of it or nothing.
void SaveCurrentStock(const QStringList& inStock, bool stockChanged);
// The same for the shopping list; no cached view depends on it.
void SaveShoppingList(const QStringList& onList);

} // namespace DBLib
