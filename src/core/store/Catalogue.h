#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The ingredient catalogue with its stock and shopping-list marks and substitute groups, and the
// bartending tips. Names and titles always travel as bound values, so quotes in them are just
// characters.
namespace DBLib {

struct Ingredient
{
    qint64 id = 0;
    QString name;
    bool hasName = true; // false for a row whose name was never set
    // The substitute group as stored; an ingredient without one has hasSubstituteGroup false.
    QString substitute;
    bool hasSubstituteGroup = false;
    bool nonAlcoholic = false;
    bool inStock = false;
    bool onShoppingList = false;
    std::optional<double> strength; // percent alcohol by volume; nothing when unknown
};

// The one reader of the catalogue: every row in name order (letter case aside), then by ID.
QList<Ingredient> IngredientCatalogue();
// The IDs of the ingredients in stock, ascending.
std::vector<qint64> StockedIngredientIds();
// The names of the catalogue in that order, rows without a name left out (a name of blanks stays).
QStringList IngredientNames();

enum class IngredientList
{
    CurrentStock,
    ShoppingList
};

// Names of the ingredients on (or off) the list, in catalogue order, as IngredientNames gives them.
QStringList IngredientNamesOnList(IngredientList list, bool onList);
// Takes every ingredient off the stock, puts the named ones in stock and, when the user moved
// anything, marks the stock views stale. One transaction: all of it or nothing.
void SaveCurrentStock(const QStringList& inStock, bool stockChanged);
// The same for the shopping list; no cached view depends on it.
void SaveShoppingList(const QStringList& onList);

// The number of recipe lines that use the ingredient.
qint64 CountRecipeLinesUsing(qint64 ingredientId);
// Sets the ingredient's non-alcoholic mark and marks the non-alcoholic views stale, together.
void SetIngredientNonAlcoholic(qint64 ingredientId, bool nonAlcoholic);
// Deletes the ingredient when no recipe line uses it; false (nothing deleted) when one does.
bool DeleteUnusedIngredient(qint64 ingredientId);
// Sets the ingredient's strength (0 to 100 percent alcohol by volume), or forgets it.
void SetIngredientStrength(qint64 ingredientId, std::optional<double> abv);
// The ingredient editor's Update: the non-alcoholic mark (the non-alcoholic views go stale) and the
// strength, together.
void UpdateIngredient(qint64 ingredientId, bool nonAlcoholic, std::optional<double> abv);

// Ingredients that belong to a substitute group, in catalogue order.
QStringList SubstituteIngredientNames();
// The other members of the named ingredient's group, in ID order. The clicked ingredient itself
// (exact spelling) is left out; an ingredient alone in its group, without a group, or whose group
// is not a whole number gives an empty list.
QStringList SubstitutesFor(const QString& ingredient);

// Tip titles in the order of their ID.
QStringList TipTitles();
// The text of the first tip with that title (letter case aside); empty when there is none.
QString TipDescription(const QString& title);

} // namespace DBLib
