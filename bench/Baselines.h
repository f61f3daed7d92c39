#pragma once

#include "core/tools/DrinkListSearch.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/exchange/ExchangeRecords.h"

#include <QStringList>

#include <functional>

// What the program is measured against. Nothing here is used by the program itself.
//
// Naive: the procedures exactly as first written for the original engine: one query per candidate
// drink, one UPDATE per listed name, every statement committed on its own (autocommit), each list
// entry inserted at its sorted place as a sorted list box does.
//
// Set-based: one SQL statement that answers the question the way a database user would.
namespace Bench {

// Runs pending events, as the window does every 500 rows.
using Pump = std::function<void()>;

namespace Naive {

// "SELECT Name FROM Drinks", each decoded name inserted at its sorted place.
QStringList AllDrinks(const Pump& pump);
// "Drinks available with current stock" on a stale cache: candidates by the join, one
// AllIngredientsInSet query per candidate, then the flag column written name by name.
QStringList DrinksAvailableWithCurrentStock(const Pump& pump);
// The same view when its flags are valid: one query for the flagged names, sorted insertion.
QStringList DrinksAvailableWithCurrentStockCached(const Pump& pump);
QStringList AllNonAlcoholicDrinks(const Pump& pump);
// The keystroke without the letter index: every search starts at the top of the list.
int IncrementalSearch(const QStringList& entries, const QString& text);
// Find by description: decode and upper-case every description, test each hit against the main
// list by scanning it from the hit's letter to the end, insert hits at their sorted place.
QStringList FindByDescription(const QString& text, const QStringList& mainList, const Lib::LetterIndex& index);
// The update's adding procedure statement by statement, each committed on its own, the flags of
// each new drink from three freshly built ingredient sets.
Online::AddRecordsResult AddNewRecordsToDatabase(const QList<Online::ExchangeDrink>& drinks);

} // namespace Naive

namespace SetBased {

// Every drink with at least one recipe line and no line whose ingredient is not in stock.
QStringList DrinksAvailableWithCurrentStock();
// The same question asked with GROUP BY ... HAVING, the other common way to write it.
QStringList DrinksAvailableWithCurrentStockGrouped();
QStringList AllNonAlcoholicDrinks();

} // namespace SetBased

} // namespace Bench
