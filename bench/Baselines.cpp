#include "Baselines.h"

#include "core/store/DBLib.h"
#include "core/store/StoreInternal.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"

#include <algorithm>

namespace Bench {

namespace {

constexpr qint64 PumpStep = 500;

// A sorted list box: every entry goes to its place at once.
void insertSorted(QStringList& list, const QString& entry)
{
    list.insert(std::lower_bound(list.begin(), list.end(), entry), entry);
}

void every(qint64 counter, qint64 step, const Pump& pump)
{
    if (counter % step == 0 && pump)
        pump();
}

// Each statement prepared and committed on its own, as the original engine ran a text.
void run(const QString& sql, const QVariantList& params = {})
{
    DBLib::ExecuteSql(sql, params);
}

QStringList namesOf(const QString& sql)
{
    QStringList names;
    Sql::Statement select(DBLib::Database(), sql);
    while (select.step())
        names.append(Lib::DecodeText(select.value(0)));
    return names;
}

void markDrinksFromList(const QString& flag, const QStringList& list, const Pump& pump)
{
    run(QStringLiteral("UPDATE Drinks SET ") + flag + QStringLiteral(" = 0"));
    const QString mark = QStringLiteral("UPDATE Drinks SET ") + flag + QStringLiteral(" = 1 WHERE Name = ?1");
    for (qint64 i = 0; i < list.size(); ++i) {
        run(mark, {Lib::EncodeText(list.at(i))});
        every(i, 10, pump);
    }
    run(QStringLiteral("UPDATE Settings SET ") + flag + QStringLiteral("Update = 1"));
}

QStringList candidatesPassing(const QString& candidates, const HashTable& set, const Pump& pump)
{
    QStringList list;
    DBLib::Snapshot rs = DBLib::OpenSnapshot(candidates);
    qint64 read = 0;
    while (!rs.atEnd()) {
        if (DBLib::AllIngredientsInSet(rs.field(QStringLiteral("ID")).toLongLong(), set))
            insertSorted(list, Lib::DecodeText(rs.field(QStringLiteral("Name"))));
        rs.moveNext();
        every(++read, PumpStep, pump);
    }
    rs.close();
    return list;
}

} // namespace

namespace Naive {

QStringList AllDrinks(const Pump& pump)
{
    DBLib::CountRecords(DBLib::Count::Drinks);
    QStringList list;
    DBLib::Snapshot rs = DBLib::OpenSnapshot(QStringLiteral("SELECT Name FROM Drinks"));
    qint64 read = 0;
    while (!rs.atEnd()) {
        insertSorted(list, Lib::DecodeText(rs.field(QStringLiteral("Name"))));
        rs.moveNext();
        every(++read, PumpStep, pump);
    }
    rs.close();
    return list;
}

QStringList DrinksAvailableWithCurrentStock(const Pump& pump)
{
    if (DBLib::IsViewCacheValid(DBLib::DrinkFlag::CurrentStock))
        return DrinksAvailableWithCurrentStockCached(pump);
    DBLib::CountRecords(DBLib::Count::InStockRecipeLines);
    if (Sql::Statement count(DBLib::Database(),
                             QStringLiteral("SELECT COUNT(ID) FROM Ingredients WHERE CurrentStock = 1"));
        count.step() && count.int64(0) == 0)
        return {};
    const HashTable set = DBLib::BuildIngredientSet(DBLib::IngredientSetKind::InStock);
    const QStringList list = candidatesPassing(
        QStringLiteral("SELECT Drinks.Name, Drinks.ID FROM (Drinks INNER JOIN DrinkInfo ON Drinks.ID = "
                       "DrinkInfo.DrinkID) INNER JOIN Ingredients ON DrinkInfo.IngID = Ingredients.ID WHERE "
                       "(((Ingredients.CurrentStock)=1)) GROUP BY Drinks.Name, Drinks.ID"),
        set, pump);
    markDrinksFromList(QStringLiteral("CurrentStock"), list, pump);
    return list;
}

QStringList DrinksAvailableWithCurrentStockCached(const Pump& pump)
{
    DBLib::IsViewCacheValid(DBLib::DrinkFlag::CurrentStock);
    DBLib::CountRecords(DBLib::Count::CurrentStockDrinks);
    QStringList list;
    DBLib::Snapshot rs = DBLib::OpenSnapshot(QStringLiteral("SELECT Name FROM Drinks WHERE CurrentStock = 1"));
    qint64 read = 0;
    while (!rs.atEnd()) {
        insertSorted(list, Lib::DecodeText(rs.field(QStringLiteral("Name"))));
        rs.moveNext();
        every(++read, PumpStep, pump);
    }
    return list;
}

QStringList AllNonAlcoholicDrinks(const Pump& pump)
{
    DBLib::CountRecords(DBLib::Count::Drinks);
    const HashTable set = DBLib::BuildIngredientSet(DBLib::IngredientSetKind::NonAlcoholic);
    const QStringList list = candidatesPassing(
        QStringLiteral("SELECT Drinks.Name, Drinks.ID FROM (Drinks INNER JOIN DrinkInfo ON Drinks.ID = "
                       "DrinkInfo.DrinkID) INNER JOIN Ingredients ON DrinkInfo.IngID = Ingredients.ID GROUP BY "
                       "Drinks.Name, Drinks.ID, Ingredients.NonAlcohol HAVING (((Ingredients.NonAlcohol)=1))"),
        set, pump);
    markDrinksFromList(QStringLiteral("NonAlcoholic"), list, pump);
    return list;
}

int IncrementalSearch(const QStringList& entries, const QString& text)
{
    const qsizetype n = text.trimmed().size();
    for (int position = 0; position < entries.size(); ++position) {
        if (entries.at(position).left(n).toUpper() == text.toUpper())
            return position;
    }
    return -1;
}

QStringList FindByDescription(const QString& text, const QStringList& mainList, const Lib::LetterIndex& index)
{
    const auto isInMainList = [&](const QString& name) {
        int start = 0;
        if (!name.isEmpty() && name.at(0).unicode() >= u'A' && name.at(0).unicode() <= u'Z')
            start = index[name.at(0).unicode() - u'A' + 1];
        bool found = false;
        for (int p = start; p < mainList.size(); ++p) {
            if (mainList.at(p) == name)
                found = true; // the scan runs to the end of the list
        }
        return found;
    };
    DBLib::CountRecords(DBLib::Count::Drinks);
    QStringList hits;
    DBLib::Snapshot rs = DBLib::OpenSnapshot(QStringLiteral("SELECT Description, Name FROM Drinks"));
    while (!rs.atEnd()) {
        if (Lib::DecodeText(rs.field(QStringLiteral("Description"))).toUpper().contains(text.toUpper())) {
            const QString name = Lib::DecodeText(rs.field(QStringLiteral("Name")));
            if (isInMainList(name))
                insertSorted(hits, name);
        }
        rs.moveNext();
    }
    rs.close();
    return hits;
}

Online::AddRecordsResult AddNewRecordsToDatabase(const QList<Online::ExchangeDrink>& drinks)
{
    Sql::Connection& db = DBLib::Database();
    Online::AddRecordsResult result;
    for (const Online::ExchangeDrink& drink : drinks) {
        const QString encodedName = Lib::EncodeText(drink.name.toUpper());
        if (db.scalar(QStringLiteral("SELECT COUNT(Name) FROM Drinks WHERE Name = ?1"), {encodedName}).toLongLong() > 0) {
            ++result.duplicates;
            continue;
        }
        const qint64 id = db.scalar(QStringLiteral("SELECT MAX(ID) FROM Drinks")).toLongLong() + 1;
        DBLib::AddDrink(id, drink.name.toUpper(), drink.glassType.toInt(), drink.directions, QString(), QString(),
                        QString(), QString(), QString());
        for (const Online::ExchangeIngredient& line : drink.ingredients) {
            const QVariant found =
                db.scalar(QStringLiteral("SELECT (ID) FROM Ingredients WHERE Ingredient = ?1"), {line.type});
            qint64 ingredientId = 0;
            if (found.isValid()) {
                ingredientId = found.toLongLong();
            } else {
                ingredientId = DBLib::AddIngredient(line.type, line.substitute,
                                                    line.noAlcohol ? QStringLiteral("True") : QStringLiteral("False"));
                ++result.ingredientsCreated;
            }
            DBLib::AddRecipeLine(id, ingredientId, line.amount);
        }
        // The flags of the new drink, each from a freshly built ingredient set.
        const struct
        {
            DBLib::IngredientSetKind kind;
            const char* column;
        } flags[] = {{DBLib::IngredientSetKind::InStock, "CurrentStock"},
                     {DBLib::IngredientSetKind::InStockNonAlcoholic, "CurrentStockNonAlcoholic"},
                     {DBLib::IngredientSetKind::NonAlcoholic, "NonAlcoholic"}};
        for (const auto& f : flags) {
            const HashTable set = DBLib::BuildIngredientSet(f.kind);
            run(QStringLiteral("UPDATE Drinks SET ") + QLatin1String(f.column) + QStringLiteral(" = ?1 WHERE ID = ?2"),
                {DBLib::AllIngredientsInSet(id, set), id});
        }
        ++result.added;
    }
    return result;
}

} // namespace Naive

namespace SetBased {

QStringList DrinksAvailableWithCurrentStock()
{
    return namesOf(QStringLiteral(
        "SELECT d.Name FROM Drinks d "
        "WHERE EXISTS (SELECT 1 FROM DrinkInfo l WHERE l.DrinkID = d.ID) "
        "AND NOT EXISTS (SELECT 1 FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
        "                WHERE l.DrinkID = d.ID AND i.CurrentStock IS NOT 1) "
        "ORDER BY d.Name"));
}

QStringList DrinksAvailableWithCurrentStockGrouped()
{
    return namesOf(QStringLiteral("SELECT d.Name FROM Drinks d JOIN DrinkInfo l ON l.DrinkID = d.ID "
                                  "LEFT JOIN Ingredients i ON i.ID = l.IngID "
                                  "GROUP BY d.ID HAVING MIN(COALESCE(i.CurrentStock, 0)) = 1 ORDER BY d.Name"));
}

QStringList AllNonAlcoholicDrinks()
{
    return namesOf(QStringLiteral(
        "SELECT d.Name FROM Drinks d "
        "WHERE EXISTS (SELECT 1 FROM DrinkInfo l WHERE l.DrinkID = d.ID) "
        "AND NOT EXISTS (SELECT 1 FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
        "                WHERE l.DrinkID = d.ID AND i.NonAlcohol IS NOT 1) "
        "ORDER BY d.Name"));
}

} // namespace SetBased

} // namespace Bench
