#include "core/store/RecipeRepository.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"
#include "core/store/StoreInternal.h"

namespace DBLib {

namespace {

constexpr qint64 ProgressStep = 500;

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

// The drink stored under exactly this name, or else under its StoredDrinkName: a list entry names
// its drink even when another program stored the name in other letters.
std::optional<qint64> drinkIdByName(const QString& name)
{
    Sql::Connection::Lease select(Database(), QStringLiteral("SELECT ID FROM Drinks WHERE Name = ?1"));
    for (const QString& form : {name, StoredDrinkName(name)}) {
        QString encoded;
        try {
            encoded = Lib::EncodeText(form);
        } catch (const Lib::TextCodingError&) {
            continue; // no stored name has that form
        }
        select->reset();
        select->bind(1, encoded);
        if (select->step())
            return select->int64(0);
    }
    return std::nullopt;
}

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
    Lib::SortForList(names);
    return names;
}

// The drink row found by the statement (bound and not yet stepped) with its lines.
std::optional<Drink> readDrink(Sql::Statement& row)
{
    if (!row.step())
        return std::nullopt;
    Drink drink;
    drink.id = row.int64(0);
    drink.name = Lib::DecodeText(row.value(1));
    if (!row.isNull(2))
        drink.glassType = int(row.int64(2));
    drink.glassName = row.text(3);
    drink.description = Lib::DecodeText(row.value(4));
    drink.favorite = row.int64(5) != 0;
    drink.submitted = row.int64(6) != 0;

    Sql::Connection::Lease lines(Database(),
                                 QStringLiteral("SELECT l.Amount, l.IngID, i.ID, i.Ingredient, i.NonAlcohol, i.Substitute, "
                                                "s.Abv FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
                                                "LEFT JOIN IngredientStrength s ON s.IngredientID = l.IngID "
                                                "WHERE l.DrinkID = ?1 ORDER BY l.rowid"));
    lines->bind(1, drink.id);
    while (lines->step()) {
        RecipeLine line;
        line.amount = Lib::DecodeText(lines->value(0));
        line.ingredientId = lines->int64(1);
        line.ingredientMissing = lines->isNull(2);
        line.ingredient = lines->text(3);
        line.nonAlcoholic = !lines->isNull(4) && lines->int64(4) == 1;
        line.substitute = lines->text(5);
        if (!lines->isNull(6))
            line.strength = lines->real(6);
        drink.lines.append(line);
    }
    return drink;
}

const QString DrinkColumns = QStringLiteral("SELECT d.ID, d.Name, d.GlassType, g.GlassType, d.Description, d.Favorite, "
                                            "d.Submitted FROM Drinks d LEFT JOIN GlassTypes g ON g.GlassID = d.GlassType ");

qint64 nextDrinkID(Sql::Connection& db)
{
    return db.scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Drinks")).toLongLong();
}

// The writing steps of a new drink, inside the caller's transaction.
SavedDrink writeDrink(Sql::Connection& db, const DrinkEntry& entry)
{
    const RecipeIndex::OwnWrites own;
    SavedDrink saved;
    std::vector<qint64> ingredientIds;
    saved.id = step(QStringLiteral("Finding the new drink's number"), [&] { return nextDrinkID(db); });
    saved.name = StoredDrinkName(entry.name);

    int glassId = 0;
    if (entry.glassType) {
        glassId = *entry.glassType;
        if (entry.keepUnknownGlass) {
            saved.unknownGlass = !step(QStringLiteral("Looking up the glass number %1").arg(glassId),
                                       [&] { return GlassExists(glassId); });
        } else {
            step(QStringLiteral("Looking up the glass number %1").arg(glassId), [&] { GetGlassTypeName(glassId); });
        }
    } else {
        glassId = step(QStringLiteral("Looking up the glass \"%1\"").arg(entry.glass),
                       [&] { return GetGlassTypeID(entry.glass); });
    }

    for (const DrinkEntry::Line& line : entry.lines) {
        // Blanks around a typed name would otherwise make a second catalogue entry of a known one.
        const QString ingredient = line.ingredient.trimmed();
        if (ingredient.isEmpty())
            continue;
        qint64 ingredientId = step(QStringLiteral("Looking up the ingredient \"%1\"").arg(ingredient),
                                   [&] { return FindIngredientID(ingredient); });
        if (ingredientId == -1) {
            step(QStringLiteral("Adding the ingredient \"%1\" to the catalogue").arg(ingredient), [&] {
                ingredientId = AddIngredient(ingredient, line.substitute,
                                             line.nonAlcoholic ? QStringLiteral("True") : QStringLiteral("False"));
                SetIngredientStrength(ingredientId, line.strength);
                saved.newIngredients.append(GetIngredientName(ingredientId));
            });
        }
        step(QStringLiteral("Writing the recipe line \"%1 %2\"").arg(line.amount.trimmed(), ingredient),
             [&] { AddRecipeLine(saved.id, ingredientId, line.amount); });
        ingredientIds.push_back(qint64(ingredientId));
    }

    const auto yesNo = [](bool on) { return on ? QStringLiteral("True") : QString(); };
    step(QStringLiteral("Writing the drink \"%1\"").arg(saved.name), [&] {
        AddDrink(saved.id, saved.name, glassId, entry.description, yesNo(entry.favorite), yesNo(entry.submitted),
                 QString(), QString(), QString());
    });
    step(QStringLiteral("Working out which lists the drink belongs to"), [&] { UpdateDrinkFlags(saved.id); });
    RecipeIndex::drinkWritten(saved.id, saved.name, std::move(ingredientIds));
    return saved;
}

} // namespace

QString StoredDrinkName(const QString& name)
{
    return name.trimmed().toUpper();
}

QString RecipeLineText(const RecipeLine& line)
{
    const QString ingredient = line.ingredientMissing
                                   ? QStringLiteral("(ingredient no. %1, missing from the catalogue)").arg(line.ingredientId)
                                   : line.ingredient.trimmed();
    QString text = line.amount.isEmpty() ? ingredient : line.amount + QLatin1Char(' ') + ingredient;
    text.remove(QLatin1Char('|'));
    return text;
}

QString Drink::missingIngredientsText() const
{
    QStringList numbers;
    for (const RecipeLine& line : lines) {
        if (line.ingredientMissing)
            numbers << QString::number(line.ingredientId);
    }
    if (numbers.isEmpty())
        return QString();
    return QStringLiteral("The recipe of %1 names ingredient no. %2, which the ingredient catalogue does not have.")
        .arg(name, numbers.join(QStringLiteral(", no. ")));
}

qint64 FindDrinkID(const QString& name)
{
    return drinkIdByName(name).value_or(-1);
}

std::optional<Drink> ReadDrink(const QString& name)
{
    const std::optional<qint64> id = drinkIdByName(name);
    return id ? ReadDrinkById(*id) : std::nullopt;
}

std::optional<Drink> ReadDrinkById(qint64 drinkId)
{
    Sql::Connection::Lease row(Database(), DrinkColumns + QStringLiteral("WHERE d.ID = ?1"));
    row->bind(1, drinkId);
    return readDrink(*row);
}

namespace {

// The last list of all drinks read, and the change count it was read at.
struct AllNames
{
    QStringList names;
    std::optional<quint64> generation;
};

AllNames& allNames()
{
    static AllNames cache;
    return cache;
}

} // namespace

std::optional<QStringList> KnownDrinkNames()
{
    const AllNames& cache = allNames();
    if (cache.generation && *cache.generation == RecipeIndex::drinkListGeneration())
        return cache.names;
    return std::nullopt;
}

QStringList AllDrinkNames(const RowProgress& progress)
{
    if (std::optional<QStringList> known = KnownDrinkNames())
        return *known;
    const quint64 generation = RecipeIndex::drinkListGeneration();
    QStringList names = decodedNames(QStringLiteral("SELECT Name FROM Drinks WHERE Name IS NOT NULL ORDER BY Name"), progress);
    allNames() = {names, generation};
    return names;
}

QStringList FavoriteDrinkNames(const RowProgress& progress)
{
    return decodedNames(QStringLiteral("SELECT Name FROM Drinks WHERE Favorite = 1 AND Name IS NOT NULL ORDER BY Name"),
                        progress);
}

SavedDrink WriteNewDrink(const DrinkEntry& entry)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    SavedDrink saved = writeDrink(db, entry);
    step(QStringLiteral("Saving the changes"), [&] { tx.commit(); });
    return saved;
}

SavedDrink ReplaceDrink(qint64 oldDrinkId, const DrinkEntry& entry)
{
    Sql::Connection& db = Database();
    const RecipeIndex::OwnWrites own;
    Sql::Transaction tx(db);
    // A favourite stays a favourite; the changed drink has not been submitted as it now is.
    DrinkEntry replacement = entry;
    step(QStringLiteral("Removing the old recipe"), [&] {
        const QVariant favorite =
            db.scalar(QStringLiteral("SELECT Favorite FROM Drinks WHERE ID = ?1"), {oldDrinkId});
        if (!favorite.isValid())
            throw Sql::Error(0, QStringLiteral("the drink is no longer in the recipe database"));
        replacement.favorite = favorite.toLongLong() != 0;
        db.execute(QStringLiteral("DELETE FROM Drinks WHERE ID = ?1"), {oldDrinkId});
        db.execute(QStringLiteral("DELETE FROM DrinkInfo WHERE DrinkID = ?1"), {oldDrinkId});
        RecipeIndex::drinkRemoved(oldDrinkId);
    });
    SavedDrink saved = writeDrink(db, replacement);
    step(QStringLiteral("Saving the changes"), [&] { tx.commit(); });
    return saved;
}

bool SetFavorite(const QString& name, bool favorite)
{
    const std::optional<qint64> id = drinkIdByName(name);
    if (!id)
        return false;
    const RecipeIndex::NamesKept names;
    Database().execute(QStringLiteral("UPDATE Drinks SET Favorite = ?1 WHERE ID = ?2"), {favorite, *id});
    return true;
}

int AddMissingIngredientsToShoppingList(const QString& name)
{
    const std::optional<qint64> id = drinkIdByName(name);
    if (!id)
        return -1;
    Sql::Connection& db = Database();
    const RecipeIndex::MarksOnly marks;
    db.execute(QStringLiteral("UPDATE Ingredients SET ShoppingList = 1 WHERE CurrentStock = 0 AND ShoppingList = 0 "
                              "AND ID IN (SELECT IngID FROM DrinkInfo WHERE DrinkID = ?1)"),
               {*id});
    return db.changes();
}

bool DeleteDrink(const QString& name)
{
    const qint64 id = FindDrinkID(name);
    if (id < 0)
        return false;
    Sql::Connection& db = Database();
    const RecipeIndex::OwnWrites own;
    Sql::Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM Drinks WHERE ID = ?1"), {id});
    db.execute(QStringLiteral("DELETE FROM DrinkInfo WHERE DrinkID = ?1"), {id});
    tx.commit();
    RecipeIndex::drinkRemoved(id);
    return true;
}

void MarkSubmitted(qint64 drinkId)
{
    const RecipeIndex::NamesKept names;
    Database().execute(QStringLiteral("UPDATE Drinks SET Submitted = 1 WHERE ID = ?1"), {drinkId});
}

} // namespace DBLib
