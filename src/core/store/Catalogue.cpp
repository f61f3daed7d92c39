#include "core/store/Catalogue.h"

#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"
#include "core/store/StoreInternal.h"

#include <algorithm>
#include <optional>

namespace DBLib {

namespace {

// Column names come from here only, never from the user.
QString columnOf(IngredientList list)
{
    return list == IngredientList::CurrentStock ? QStringLiteral("CurrentStock") : QStringLiteral("ShoppingList");
}

void saveList(Sql::Connection& db, IngredientList list, const QStringList& onList)
{
    const RecipeIndex::MarksOnly marks;
    const QString column = columnOf(list);
    db.exec(QStringLiteral("UPDATE Ingredients SET %1 = 0").arg(column));
    Sql::Statement mark = db.prepare(QStringLiteral("UPDATE Ingredients SET %1 = 1 WHERE Ingredient = ?1").arg(column));
    for (const QString& name : onList) {
        mark.reset();
        mark.bind(1, name);
        mark.run();
    }
}

} // namespace


QList<Ingredient> IngredientCatalogue()
{
    QList<Ingredient> catalogue;
    Sql::Statement select(Database(), QStringLiteral("SELECT i.ID, i.Ingredient, i.Substitute, i.NonAlcohol, i.CurrentStock, "
                                                     "i.ShoppingList, s.Abv FROM Ingredients i "
                                                     "LEFT JOIN IngredientStrength s ON s.IngredientID = i.ID "
                                                     "ORDER BY i.Ingredient, i.ID"));
    while (select.step()) {
        Ingredient ingredient;
        ingredient.id = select.int64(0);
        ingredient.name = select.text(1);
        ingredient.hasName = !select.isNull(1);
        ingredient.hasSubstituteGroup = !select.isNull(2);
        ingredient.substitute = select.text(2);
        ingredient.nonAlcoholic = select.int64(3) == 1;
        ingredient.inStock = select.int64(4) == 1;
        ingredient.onShoppingList = select.int64(5) == 1;
        if (!select.isNull(6))
            ingredient.strength = select.real(6);
        catalogue.append(ingredient);
    }
    return catalogue;
}

std::vector<qint64> StockedIngredientIds()
{
    std::vector<qint64> ids;
    Sql::Statement select(Database(), QStringLiteral("SELECT ID FROM Ingredients WHERE CurrentStock = 1 ORDER BY ID"));
    while (select.step())
        ids.push_back(select.int64(0));
    return ids;
}

QStringList IngredientNames()
{
    QStringList names;
    for (const Ingredient& ingredient : IngredientCatalogue()) {
        if (ingredient.hasName)
            names.append(ingredient.name);
    }
    return names;
}

QStringList IngredientNamesOnList(IngredientList list, bool onList)
{
    QStringList names;
    for (const Ingredient& ingredient : IngredientCatalogue()) {
        const bool on = list == IngredientList::CurrentStock ? ingredient.inStock : ingredient.onShoppingList;
        if (on == onList && ingredient.hasName)
            names.append(ingredient.name);
    }
    return names;
}

void SaveCurrentStock(const QStringList& inStock, bool stockChanged)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    saveList(db, IngredientList::CurrentStock, inStock);
    if (stockChanged)
        InvalidateStockViews();
    tx.commit();
}

void SaveShoppingList(const QStringList& onList)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    saveList(db, IngredientList::ShoppingList, onList);
    tx.commit();
}

qint64 CountRecipeLinesUsing(qint64 ingredientId)
{
    return Database()
        .scalar(QStringLiteral("SELECT COUNT(IngID) FROM DrinkInfo WHERE IngID = ?1"), {ingredientId})
        .toLongLong();
}

void SetIngredientNonAlcoholic(qint64 ingredientId, bool nonAlcoholic)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.execute(QStringLiteral("UPDATE Ingredients SET NonAlcohol = ?1 WHERE ID = ?2"), {nonAlcoholic, ingredientId});
    InvalidateNonAlcoholicViews();
    tx.commit();
}

bool DeleteUnusedIngredient(qint64 ingredientId)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    // Checked again here: the button's state was computed when the row was selected.
    if (CountRecipeLinesUsing(ingredientId) != 0)
        return false;
    db.execute(QStringLiteral("DELETE FROM Ingredients WHERE ID = ?1"), {ingredientId});
    db.execute(QStringLiteral("DELETE FROM IngredientStrength WHERE IngredientID = ?1"), {ingredientId});
    tx.commit();
    return true;
}

void UpdateIngredient(qint64 ingredientId, bool nonAlcoholic, std::optional<double> abv)
{
    Sql::Transaction tx(Database());
    SetIngredientNonAlcoholic(ingredientId, nonAlcoholic);
    SetIngredientStrength(ingredientId, abv);
    tx.commit();
}

void SetIngredientStrength(qint64 ingredientId, std::optional<double> abv)
{
    if (abv && !(*abv >= 0 && *abv <= 100))
        throw Sql::Error(0, QStringLiteral("A strength is a percentage from 0 to 100, not %1.").arg(*abv));
    if (abv)
        Database().execute(QStringLiteral("INSERT OR REPLACE INTO IngredientStrength (IngredientID, Abv) VALUES (?1, ?2)"),
                           {ingredientId, *abv});
    else
        Database().execute(QStringLiteral("DELETE FROM IngredientStrength WHERE IngredientID = ?1"), {ingredientId});
}

QStringList SubstituteIngredientNames()
{
    QStringList names;
    for (const Ingredient& ingredient : IngredientCatalogue()) {
        if (ingredient.hasSubstituteGroup && ingredient.hasName)
            names.append(ingredient.name);
    }
    return names;
}

QStringList SubstitutesFor(const QString& ingredient)
{
    QList<Ingredient> byId = IngredientCatalogue();
    std::sort(byId.begin(), byId.end(), [](const Ingredient& a, const Ingredient& b) { return a.id < b.id; });
    const auto clicked = std::find_if(byId.cbegin(), byId.cend(), [&](const Ingredient& i) {
        return i.name.compare(ingredient, Qt::CaseInsensitive) == 0;
    });
    if (clicked == byId.cend() || !clicked->hasSubstituteGroup)
        return {};
    // Groups are compared as numbers, so " 3" and "03" belong with "3".
    const std::optional<int> group = Lib::SubstituteGroup(clicked->substitute);
    if (!group)
        return {};
    QStringList others;
    for (const Ingredient& other : std::as_const(byId)) {
        if (other.hasSubstituteGroup && Lib::SubstituteGroup(other.substitute) == group && other.name != ingredient)
            others.append(other.name);
    }
    return others;
}

QStringList TipTitles()
{
    QStringList titles;
    Sql::Statement select(Database(), QStringLiteral("SELECT Title FROM Tips ORDER BY ID, rowid"));
    while (select.step())
        titles.append(select.text(0));
    return titles;
}

QString TipDescription(const QString& title)
{
    return Database()
        .scalar(QStringLiteral("SELECT Description FROM Tips WHERE Title = ?1 ORDER BY rowid LIMIT 1"), {title})
        .toString();
}

} // namespace DBLib
