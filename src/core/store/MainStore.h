#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the main window reads and changes: the list views that need no flags, the recipe of the
// selected drink, and the commands on it.
namespace DBLib {

// Called every 500 rows with the number read so far.
using RowProgress = std::function<void(qint64 rowsRead)>;

// Decoded names of every drink, in name order.
QStringList AllDrinkNames(const RowProgress& progress = {});
// Decoded names of the favourite drinks, in name order.
QStringList FavoriteDrinkNames(const RowProgress& progress = {});

// One recipe line as the main window shows it: the amount, a blank and the ingredient with blanks
// around it removed (just the ingredient when there is no amount), every "|" taken out.
QString RecipeLineText(const QString& amount, const QString& ingredient);

struct DrinkRecipe
{
    qint64 id = 0;
    QString name;
    bool favorite = false;
    QString description;
    int glassType = 0;
    QString glassName; // empty when the glass is not in the catalogue
    QStringList lines; // RecipeLineText of each line, in the order they were written
};

// The drink with that (displayed, upper-case) name; nullopt when no drink has it.
std::optional<DrinkRecipe> ReadDrinkRecipe(const QString& name);

// Sets or clears the favourite mark of the named drink; false when no drink has that name.
bool SetFavorite(const QString& name, bool favorite);
// Puts every ingredient of the drink that is not in stock on the shopping list; answers how many
// ingredients were changed.
int AddMissingIngredientsToShoppingList(const QString& name);
// Deletes the drink and its recipe lines in one transaction; false when no drink has that name.
bool DeleteDrink(const QString& name);

} // namespace DBLib
