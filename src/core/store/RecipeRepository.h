#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The drinks of the recipe database: the one reader and the one writer of a drink (name, glass,
// directions, recipe lines in the order they were written, marks) and the commands on a drink.
// Every write runs in one transaction (joining the caller's); a failure leaves the database as it
// was and is thrown as Sql::Error whose message names the step that failed.
namespace DBLib {

// The one form a drink name is stored and looked up in: blanks around it dropped, in capitals.
QString StoredDrinkName(const QString& name);

struct RecipeLine
{
    QString amount; // as written; empty when the line has none
    qint64 ingredientId = 0;
    // The catalogue's name of the ingredient; empty when the catalogue lacks it (ingredientMissing).
    QString ingredient;
    bool ingredientMissing = false;
    bool nonAlcoholic = false;
    QString substitute;
    std::optional<double> strength; // the ingredient's, when known
};

// A line as the recipe display and the printouts show it: the amount, a blank and the ingredient
// (just the ingredient when there is no amount), every "|" taken out. A line whose ingredient is
// missing from the catalogue says so instead of the name.
QString RecipeLineText(const RecipeLine& line);

struct Drink
{
    qint64 id = 0;
    QString name; // as stored
    std::optional<int> glassType;
    QString glassName; // empty when the glass is not in the catalogue
    QString description;
    bool favorite = false;
    bool submitted = false;
    // Every line, in the order written. A line whose ingredient the catalogue lacks is kept and
    // marked; missingIngredientsText() reports it.
    QList<RecipeLine> lines;

    // Empty when every line's ingredient is in the catalogue; otherwise one sentence naming them.
    QString missingIngredientsText() const;
};

// The drink stored under exactly that name or, when none is, under its StoredDrinkName; -1 or
// nothing when no drink has it. Every command below that takes a name finds its drink this way.
qint64 FindDrinkID(const QString& name);
std::optional<Drink> ReadDrink(const QString& name);
std::optional<Drink> ReadDrinkById(qint64 drinkId);

// Called every 500 rows with the number read so far.
using RowProgress = std::function<void(qint64 rowsRead)>;
// Names of every drink, and of the favourite drinks, in name order.
QStringList AllDrinkNames(const RowProgress& progress = {});
// The same when it is known without reading the file (nothing changed the drinks since it was
// last read); nothing otherwise.
std::optional<QStringList> KnownDrinkNames();
QStringList FavoriteDrinkNames(const RowProgress& progress = {});

// A drink to write.
struct DrinkEntry
{
    struct Line
    {
        QString amount;     // stored as given; blank leaves it unset
        QString ingredient; // looked up by name (letter case aside, blanks around it dropped)
        // Used only when the ingredient is new to the catalogue.
        QString substitute;
        bool nonAlcoholic = false;
        std::optional<double> strength;
    };

    QString name; // stored as StoredDrinkName
    // The glass by name (a GlassType of GlassTypes), or by number when glassType is set.
    QString glass;
    std::optional<int> glassType;
    // A glassType the glass list lacks is stored as it is (a drink from elsewhere keeps its glass
    // number; its picture shows "not found") instead of refusing the drink.
    bool keepUnknownGlass = false;
    QList<Line> lines; // lines whose ingredient is blank are skipped
    QString description; // stored as given; blank leaves it unset
    bool favorite = false;
    bool submitted = false;
};

struct SavedDrink
{
    qint64 id = -1;
    QString name;               // as stored and listed
    QStringList newIngredients; // catalogue names of the ingredients the save added, in line order
    bool unknownGlass = false;  // stored with a glass number the glass list lacks
};

// Writes a new drink under the highest ID plus 1 (1 in an empty table): new ingredients join the
// catalogue, then the recipe lines, the drink row and its derived flags.
SavedDrink WriteNewDrink(const DrinkEntry& entry);

// Deletes drink oldDrinkId with its recipe lines and writes entry as a new drink (the new ID is
// computed after the delete), keeping the old drink's favourite mark; the submitted mark goes (the
// drink as changed has not been submitted). Throws, changing nothing, when oldDrinkId is no longer
// stored.
SavedDrink ReplaceDrink(qint64 oldDrinkId, const DrinkEntry& entry);

// Sets or clears the favourite mark of the named drink; false when no drink has that name.
bool SetFavorite(const QString& name, bool favorite);
// Puts every ingredient of the drink that is not in stock on the shopping list; answers how many
// ingredients were changed, or -1 when no drink has that name.
int AddMissingIngredientsToShoppingList(const QString& name);
// Deletes the drink and its recipe lines in one transaction; false when no drink has that name.
bool DeleteDrink(const QString& name);
void MarkSubmitted(qint64 drinkId);

} // namespace DBLib
