#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Reads and writes of the recipe editors: adding and replacing a drink, and the ingredient catalogue
// editor. Every write runs in one transaction; a failure leaves the database as it was and is thrown
// as Sql::Error whose message names the step that failed.
namespace DBLib {

// One recipe row of the add and modify windows, as typed.
struct RecipeRow
{
    QString amount;
    QString ingredient;
};

// A drink as the recipe windows hand it over.
struct DrinkEntry
{
    QString name;          // stored trimmed and upper-cased
    QString glass;         // a GlassType of GlassTypes
    QList<RecipeRow> rows; // rows whose ingredient is blank are skipped
    QString description;   // stored as typed; blank leaves it unset
};

struct SavedDrink
{
    qint64 id = -1;
    QString name;               // as stored and listed: trimmed, in capitals
    QStringList newIngredients; // catalogue names of the ingredients the save added, in row order
};

// A stored drink as the modify window shows it.
struct StoredDrink
{
    qint64 id = -1;
    QString name;
    QString glass; // empty when GlassTypes has no glass of the stored number
    QString description;
    // The lines in written order; lines whose ingredient is not in the catalogue are left out.
    QList<RecipeRow> rows;
};

// Ingredient names for the recipe windows' lists, in name order (blank names left out).
QStringList IngredientNames();

// The drink stored under exactly this name (not upper-cased), or nothing.
std::optional<StoredDrink> LoadDrinkForEditing(const QString& name);

// Writes a new drink under the highest ID plus 1 (1 in an empty table): new ingredients join the
// catalogue, the recipe lines follow in row order, then the drink row marked submitted, then its
// derived flags.
SavedDrink SaveNewDrink(const DrinkEntry& entry);

// Deletes drink oldDrinkId with its recipe lines and writes entry as a new drink, the way
// SaveNewDrink does but with the favourite and submitted marks unset. The new ID is computed after
// the delete. Throws, changing nothing, when oldDrinkId is no longer stored.
SavedDrink ReplaceDrink(qint64 oldDrinkId, const DrinkEntry& entry);

// The ingredient catalogue editor.
struct CatalogueIngredient
{
    qint64 id = 0;
    QString name;
    bool nonAlcoholic = false;
};

// The whole catalogue in ascending name order.
QList<CatalogueIngredient> IngredientCatalogue();
// The number of recipe lines that use the ingredient.
qint64 CountRecipeLinesUsing(qint64 ingredientId);
// Sets the ingredient's non-alcoholic mark and marks the non-alcoholic views stale, together.
void SetIngredientNonAlcoholic(qint64 ingredientId, bool nonAlcoholic);
// Deletes the ingredient when no recipe line uses it; false (nothing deleted) when one does.
bool DeleteUnusedIngredient(qint64 ingredientId);

} // namespace DBLib
