#include "core/store/MainStore.h"

#include "core/store/DBLib.h"
#include "core/store/Lib.h"

namespace DBLib {

namespace {

constexpr qint64 ProgressStep = 500;

QStringList decodedNames(const QString& sql, const RowProgress& progress)
{
    QStringList names;
    Sql::Statement select(Database(), sql);
    qint64 read = 0;
    while (select.step()) {
        names.append(Lib::DecodeText(select.text(0)));
        if (++read % ProgressStep == 0 && progress)
            progress(read);
    }
    return names;
}

QString encodedName(const QString& name)
{
    return Lib::EncodeText(name.toUpper());
}

} // namespace

QStringList AllDrinkNames(const RowProgress& progress)
{
    return decodedNames(QStringLiteral("SELECT Name FROM Drinks WHERE Name IS NOT NULL ORDER BY Name"), progress);
}

QStringList FavoriteDrinkNames(const RowProgress& progress)
{
    return decodedNames(QStringLiteral("SELECT Name FROM Drinks WHERE Favorite = 1 AND Name IS NOT NULL ORDER BY Name"),
                        progress);
}

QString RecipeLineText(const QString& amount, const QString& ingredient)
{
    QString line = amount.isEmpty() ? ingredient.trimmed() : amount + QLatin1Char(' ') + ingredient.trimmed();
    line.remove(QLatin1Char('|'));
    return line;
}

std::optional<DrinkRecipe> ReadDrinkRecipe(const QString& name)
{
    QString encoded;
    try {
        encoded = encodedName(name);
    } catch (const Lib::TextCodingError&) {
        return std::nullopt;
    }
    Sql::Connection& db = Database();
    Sql::Statement drink(db, QStringLiteral("SELECT d.ID, d.Favorite, d.Description, d.GlassType, g.GlassType "
                                            "FROM Drinks d LEFT JOIN GlassTypes g ON g.GlassID = d.GlassType "
                                            "WHERE d.Name = ?1"));
    drink.bind(1, encoded);
    if (!drink.step())
        return std::nullopt;
    DrinkRecipe recipe;
    recipe.id = drink.int64(0);
    recipe.name = name;
    recipe.favorite = drink.int64(1) != 0;
    recipe.description = Lib::DecodeText(drink.value(2));
    recipe.glassType = int(drink.int64(3));
    recipe.glassName = drink.text(4);

    Sql::Statement lines(db, QStringLiteral("SELECT l.Amount, i.Ingredient FROM DrinkInfo l "
                                            "LEFT JOIN Ingredients i ON i.ID = l.IngID "
                                            "WHERE l.DrinkID = ?1 ORDER BY l.rowid"));
    lines.bind(1, recipe.id);
    while (lines.step())
        recipe.lines.append(RecipeLineText(Lib::DecodeText(lines.value(0)), lines.text(1)));
    return recipe;
}

bool SetFavorite(const QString& name, bool favorite)
{
    Sql::Connection& db = Database();
    db.execute(QStringLiteral("UPDATE Drinks SET Favorite = ?1 WHERE Name = ?2"), {favorite, encodedName(name)});
    return db.changes() > 0;
}

int AddMissingIngredientsToShoppingList(const QString& name)
{
    QString encoded;
    try {
        encoded = encodedName(name);
    } catch (const Lib::TextCodingError&) {
        return 0;
    }
    Sql::Connection& db = Database();
    db.execute(QStringLiteral("UPDATE Ingredients SET ShoppingList = 1 "
                              "WHERE CurrentStock = 0 AND ShoppingList = 0 AND ID IN ("
                              "SELECT l.IngID FROM DrinkInfo l JOIN Drinks d ON d.ID = l.DrinkID WHERE d.Name = ?1)"),
               {encoded});
    return db.changes();
}

bool DeleteDrink(const QString& name)
{
    const qint64 id = FindDrinkID(name);
    if (id < 0)
        return false;
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM Drinks WHERE ID = ?1"), {id});
    db.execute(QStringLiteral("DELETE FROM DrinkInfo WHERE DrinkID = ?1"), {id});
    tx.commit();
    return true;
}

} // namespace DBLib
