#pragma once

#include "core/store/HashTable.h"

#include <QStringList>

#include <functional>

// Which drinks can be made from the stock and which are non-alcoholic is stored per drink and kept
// valid by the three flags of the Settings row. These procedures compute, read and invalidate them.
namespace DBLib {

enum class DrinkFlag { CurrentStock, NonAlcoholic, CurrentStockNonAlcoholic };

// The column name of the flag in Drinks ("CurrentStock", ...); its validity flag adds "Update".
QString flagName(DrinkFlag flag);

enum class IngredientSetKind { InStock, InStockNonAlcoholic, NonAlcoholic };

// The IDs (decimal text keys, empty values) of the ingredients of the given kind.
HashTable BuildIngredientSet(IngredientSetKind kind);
// True when the drink has at least one recipe line and every line's ingredient is in the set.
bool AllIngredientsInSet(qint64 drinkId, const HashTable& ingredientSet);
bool IsViewCacheValid(DrinkFlag flag);
// Sets the flag True for exactly the named drinks and False for all others, then marks it valid.
// One transaction.
void MarkDrinksFromList(DrinkFlag flag, const QStringList& drinkNames);
// Recomputes the three flags of one drink; the validity flags stay as they are.
void UpdateDrinkFlags(qint64 drinkId);
void InvalidateStockViews();
void InvalidateNonAlcoholicViews();

// Whether an ingredient stood in for by a stocked one of its substitute group counts as in stock
// for the two stock views (a preference, off unless chosen). Changing it marks those views stale.
bool CountSubstitutesAsStock();
void SetCountSubstitutesAsStock(bool on);

// Progress of a bulk answer: the range is reported once before the rows are read, the value every
// 500 rows (both in the same units).
struct ViewProgress
{
    std::function<void(qint64 rowCount)> setRange;
    std::function<void(qint64 rowsRead)> setValue;
};

struct ViewAnswer
{
    QStringList names;     // decoded drink names, in name order
    qint64 rowCount = 0;   // the range for the progress bar
    bool stockListEmpty = false; // nothing suitable is in stock: the list is empty and nothing was written
};

ViewAnswer DrinksAvailableWithCurrentStock(const ViewProgress& progress = {});
ViewAnswer AllNonAlcoholicDrinks(const ViewProgress& progress = {});
ViewAnswer NonAlcoholicDrinksAvailableWithCurrentStock(const ViewProgress& progress = {});

} // namespace DBLib
