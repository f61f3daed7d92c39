#include "core/store/EditingStore.h"

#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"

namespace DBLib {

namespace {

// Runs one writing step; a failure is rethrown with the step named first, so the user learns what
// failed and not only the engine's words.
template <typename F> auto step(const QString& what, F&& f)
{
    try {
        return f();
    } catch (const Sql::Error& e) {
        throw Sql::Error(e.code(), what + QStringLiteral(": ") + e.message(), e.statement());
    } catch (const Lib::TextCodingError& e) {
        throw Sql::Error(0, what + QStringLiteral(": ") + e.message());
    }
}

qint64 nextDrinkID(Sql::Connection& db)
{
    return db.scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Drinks")).toLongLong();
}

// The writing steps shared by a new and a replaced drink, inside the caller's transaction.
SavedDrink writeDrink(Sql::Connection& db, const DrinkEntry& entry, const QString& submitted)
{
    SavedDrink saved;
    saved.id = step(QStringLiteral("Finding the new drink's number"), [&] { return nextDrinkID(db); });

    for (const RecipeRow& row : entry.rows) {
        // Blanks around a typed name would otherwise make a second catalogue entry of a known one.
        const QString ingredient = row.ingredient.trimmed();
        if (ingredient.isEmpty())
            continue;
        qint64 ingredientId = step(QStringLiteral("Looking up the ingredient \"%1\"").arg(ingredient),
                                   [&] { return FindIngredientID(ingredient); });
        if (ingredientId == -1) {
            step(QStringLiteral("Adding the ingredient \"%1\" to the catalogue").arg(ingredient), [&] {
                ingredientId = AddIngredient(ingredient, QString(), QString());
                saved.newIngredients.append(GetIngredientName(ingredientId));
            });
        }
        step(QStringLiteral("Writing the recipe line \"%1 %2\"").arg(row.amount.trimmed(), ingredient),
             [&] { AddRecipeLine(saved.id, ingredientId, row.amount); });
    }

    const int glassId = step(QStringLiteral("Looking up the glass \"%1\"").arg(entry.glass),
                             [&] { return GetGlassTypeID(entry.glass); });
    const QString name = entry.name.trimmed().toUpper();
    saved.name = name;
    step(QStringLiteral("Writing the drink \"%1\"").arg(name), [&] {
        AddDrink(saved.id, name, glassId, entry.description, QString(), submitted, QString(), QString(),
                 QString());
    });
    step(QStringLiteral("Working out which lists the drink belongs to"), [&] { UpdateDrinkFlags(saved.id); });
    return saved;
}

} // namespace

QStringList IngredientNames()
{
    QStringList names;
    Sql::Statement select(Database(),
                          QStringLiteral("SELECT Ingredient FROM Ingredients ORDER BY Ingredient"));
    while (select.step()) {
        const QString name = select.text(0);
        if (!name.trimmed().isEmpty())
            names.append(name);
    }
    return names;
}

std::optional<StoredDrink> LoadDrinkForEditing(const QString& name)
{
    QString encoded;
    try {
        encoded = Lib::EncodeText(name);
    } catch (const Lib::TextCodingError&) {
        return std::nullopt; // no stored name encodes to nothing
    }
    Sql::Connection& db = Database();
    Sql::Statement drink(
        db, QStringLiteral("SELECT d.ID, d.Description, d.GlassType, g.GlassType FROM Drinks d "
                           "LEFT JOIN GlassTypes g ON g.GlassID = d.GlassType WHERE d.Name = ?1"));
    drink.bind(1, encoded);
    if (!drink.step())
        return std::nullopt;
    StoredDrink stored;
    stored.id = drink.int64(0);
    stored.name = name;
    stored.description = Lib::DecodeText(drink.value(1));
    stored.glass = drink.isNull(3) ? QString() : drink.text(3);

    Sql::Statement lines(db, QStringLiteral("SELECT d.Amount, i.Ingredient FROM DrinkInfo d "
                                            "JOIN Ingredients i ON i.ID = d.IngID WHERE d.DrinkID = ?1 "
                                            "ORDER BY d.rowid"));
    lines.bind(1, stored.id);
    while (lines.step())
        stored.rows.append({Lib::DecodeText(lines.value(0)), lines.text(1)});
    return stored;
}

SavedDrink SaveNewDrink(const DrinkEntry& entry)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    SavedDrink saved = writeDrink(db, entry, QStringLiteral("True"));
    step(QStringLiteral("Saving the changes"), [&] { tx.commit(); });
    return saved;
}

SavedDrink ReplaceDrink(qint64 oldDrinkId, const DrinkEntry& entry)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    step(QStringLiteral("Removing the old recipe"), [&] {
        db.execute(QStringLiteral("DELETE FROM Drinks WHERE ID = ?1"), {oldDrinkId});
        if (db.changes() == 0)
            throw Sql::Error(0, QStringLiteral("the drink is no longer in the recipe database"));
        db.execute(QStringLiteral("DELETE FROM DrinkInfo WHERE DrinkID = ?1"), {oldDrinkId});
    });
    SavedDrink saved = writeDrink(db, entry, QString());
    step(QStringLiteral("Saving the changes"), [&] { tx.commit(); });
    return saved;
}

QList<CatalogueIngredient> IngredientCatalogue()
{
    QList<CatalogueIngredient> catalogue;
    Sql::Statement select(
        Database(),
        QStringLiteral("SELECT ID, Ingredient, NonAlcohol FROM Ingredients ORDER BY Ingredient, ID"));
    while (select.step())
        catalogue.append({select.int64(0), select.text(1), select.int64(2) == 1});
    return catalogue;
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
    db.execute(QStringLiteral("UPDATE Ingredients SET NonAlcohol = ?1 WHERE ID = ?2"),
               {nonAlcoholic, ingredientId});
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
    tx.commit();
    return true;
}

} // namespace DBLib
