#include "DerivedFlags.h"

#include "DBLib.h"
#include "Lib.h"

#include <vector>

namespace DBLib {

namespace {

// Rows between two progress reports.
constexpr qint64 ProgressStep = 500;

// The bucket array is sized by the highest ingredient ID; a stray huge ID must not make it huge.
constexpr qint64 MaxHashSize = 1 << 20;

QString validityName(DrinkFlag flag)
{
    return flagName(flag) + QStringLiteral("Update");
}

qint64 count(const QString& sql)
{
    return Database().scalar(sql).toLongLong();
}

QStringList flaggedNames(DrinkFlag flag)
{
    QStringList names;
    Sql::Statement select(Database(), QStringLiteral("SELECT Name FROM Drinks WHERE ") + flagName(flag) +
                                          QStringLiteral(" = 1 ORDER BY Name"));
    while (select.step())
        names.append(Lib::DecodeText(select.value(0)));
    return names;
}

void report(const std::function<void(qint64)>& f, qint64 value)
{
    if (f)
        f(value);
}

// IDs of the drinks with at least one recipe line whose every ingredient is in the set, ascending.
// One pass over the recipe lines in drink order instead of a query per drink.
std::vector<qint64> drinksWithAllIngredientsIn(const HashTable& set, qint64 rowCount, const ViewProgress& progress)
{
    const qint64 lines = count(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo"));
    std::vector<qint64> passing;
    Sql::Statement select(Database(), QStringLiteral("SELECT DrinkID, IngID FROM DrinkInfo ORDER BY DrinkID"));
    qint64 current = 0;
    bool haveCurrent = false;
    bool allIn = true;
    qint64 read = 0;
    while (select.step()) {
        const qint64 drink = select.int64(0);
        if (!haveCurrent || drink != current) {
            if (haveCurrent && allIn)
                passing.push_back(current);
            current = drink;
            haveCurrent = true;
            allIn = true;
        }
        if (allIn && !set.Exists(QString::number(select.int64(1))))
            allIn = false;
        if (++read % ProgressStep == 0 && lines > 0)
            report(progress.setValue, read * rowCount / lines);
    }
    if (haveCurrent && allIn)
        passing.push_back(current);
    return passing;
}

void markDrinks(DrinkFlag flag, const std::vector<qint64>& ids)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    const QString column = flagName(flag);
    db.exec(QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 0 WHERE ") + column +
            QStringLiteral(" <> 0"));
    Sql::Statement mark(db, QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 1 WHERE ID = ?1"));
    for (const qint64 id : ids) {
        mark.bind(1, id);
        mark.run();
    }
    db.exec(QStringLiteral("UPDATE Settings SET ") + validityName(flag) + QStringLiteral(" = 1"));
    tx.commit();
}

ViewAnswer cachedAnswer(DrinkFlag flag, const ViewProgress& progress)
{
    ViewAnswer answer;
    answer.rowCount = qint64(CountRecords(QStringLiteral("Drinks"), flagName(flag) + QStringLiteral("Known")));
    report(progress.setRange, answer.rowCount);
    answer.names = flaggedNames(flag);
    report(progress.setValue, answer.rowCount);
    return answer;
}

ViewAnswer recomputedAnswer(DrinkFlag flag, IngredientSetKind kind, qint64 rowCount, const ViewProgress& progress)
{
    ViewAnswer answer;
    answer.rowCount = rowCount;
    report(progress.setRange, rowCount);
    const HashTable set = BuildIngredientSet(kind);
    markDrinks(flag, drinksWithAllIngredientsIn(set, rowCount, progress));
    answer.names = flaggedNames(flag);
    report(progress.setValue, rowCount);
    return answer;
}

ViewAnswer emptyStock(const ViewProgress& progress)
{
    ViewAnswer answer;
    answer.stockListEmpty = true;
    report(progress.setRange, 0);
    return answer;
}

} // namespace

QString flagName(DrinkFlag flag)
{
    switch (flag) {
    case DrinkFlag::CurrentStock:
        return QStringLiteral("CurrentStock");
    case DrinkFlag::NonAlcoholic:
        return QStringLiteral("NonAlcoholic");
    case DrinkFlag::CurrentStockNonAlcoholic:
        return QStringLiteral("CurrentStockNonAlcoholic");
    }
    Q_UNREACHABLE();
}

HashTable BuildIngredientSet(IngredientSetKind kind)
{
    const qint64 highest = count(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Ingredients"));
    HashTable set;
    set.SetSize(qint32(qBound<qint64>(1, highest, MaxHashSize)));
    QString sql;
    switch (kind) {
    case IngredientSetKind::InStock:
        sql = QStringLiteral("SELECT ID FROM Ingredients WHERE CurrentStock = 1");
        break;
    case IngredientSetKind::InStockNonAlcoholic:
        sql = QStringLiteral("SELECT ID FROM Ingredients WHERE CurrentStock = 1 AND NonAlcohol = 1");
        break;
    case IngredientSetKind::NonAlcoholic:
        sql = QStringLiteral("SELECT ID FROM Ingredients WHERE NonAlcohol = 1");
        break;
    }
    Sql::Statement select(Database(), sql);
    while (select.step())
        set.setItem(QString::number(select.int64(0)), QString());
    return set;
}

bool AllIngredientsInSet(qint64 drinkId, const HashTable& ingredientSet)
{
    Sql::Statement select(Database(), QStringLiteral("SELECT IngID FROM DrinkInfo WHERE DrinkID = ?1 ORDER BY rowid"));
    select.bind(1, drinkId);
    bool any = false;
    while (select.step()) {
        any = true;
        if (!ingredientSet.Exists(QString::number(select.int64(0))))
            return false;
    }
    return any;
}

bool IsViewCacheValid(DrinkFlag flag)
{
    return count(QStringLiteral("SELECT ") + validityName(flag) + QStringLiteral(" FROM Settings LIMIT 1")) != 0;
}

void MarkDrinksFromList(DrinkFlag flag, const QStringList& drinkNames)
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    const QString column = flagName(flag);
    db.exec(QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 0 WHERE ") + column +
            QStringLiteral(" <> 0"));
    Sql::Statement mark(db, QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 1 WHERE Name = ?1"));
    for (const QString& name : drinkNames) {
        mark.bind(1, Lib::EncodeText(name));
        mark.run();
    }
    db.exec(QStringLiteral("UPDATE Settings SET ") + validityName(flag) + QStringLiteral(" = 1"));
    tx.commit();
}

void UpdateDrinkFlags(qint64 drinkId)
{
    // One look at the drink's lines answers all three questions. A line whose ingredient is missing
    // from the catalogue counts as neither in stock nor non-alcoholic.
    Sql::Connection& db = Database();
    Sql::Statement select(db, QStringLiteral(
                                  "SELECT COUNT(*), "
                                  "COALESCE(SUM(i.CurrentStock = 1), 0), "
                                  "COALESCE(SUM(i.NonAlcohol = 1), 0), "
                                  "COALESCE(SUM(i.CurrentStock = 1 AND i.NonAlcohol = 1), 0) "
                                  "FROM DrinkInfo d LEFT JOIN Ingredients i ON i.ID = d.IngID WHERE d.DrinkID = ?1"));
    select.bind(1, drinkId);
    select.step();
    const qint64 lines = select.int64(0);
    const bool inStock = lines > 0 && select.int64(1) == lines;
    const bool nonAlcoholic = lines > 0 && select.int64(2) == lines;
    const bool both = lines > 0 && select.int64(3) == lines;
    select.reset();
    Sql::Transaction tx(db);
    db.execute(QStringLiteral("UPDATE Drinks SET CurrentStock = ?1, CurrentStockNonAlcoholic = ?2, NonAlcoholic = ?3 "
                              "WHERE ID = ?4"),
               {inStock, both, nonAlcoholic, drinkId});
    tx.commit();
}

void InvalidateStockViews()
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 0"));
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockNonAlcoholicUpdate = 0"));
    tx.commit();
}

void InvalidateNonAlcoholicViews()
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.exec(QStringLiteral("UPDATE Settings SET NonAlcoholicUpdate = 0"));
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockNonAlcoholicUpdate = 0"));
    tx.commit();
}

ViewAnswer DrinksAvailableWithCurrentStock(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::CurrentStock))
        return cachedAnswer(DrinkFlag::CurrentStock, progress);
    const qint64 rowCount = qint64(CountRecords(QStringLiteral("Drinks"), QStringLiteral("CurrentStock")));
    if (count(QStringLiteral("SELECT COUNT(ID) FROM Ingredients WHERE CurrentStock = 1")) == 0)
        return emptyStock(progress);
    return recomputedAnswer(DrinkFlag::CurrentStock, IngredientSetKind::InStock, rowCount, progress);
}

ViewAnswer AllNonAlcoholicDrinks(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::NonAlcoholic))
        return cachedAnswer(DrinkFlag::NonAlcoholic, progress);
    const qint64 rowCount = qint64(CountRecords(QStringLiteral("Drinks"), QString()));
    return recomputedAnswer(DrinkFlag::NonAlcoholic, IngredientSetKind::NonAlcoholic, rowCount, progress);
}

ViewAnswer NonAlcoholicDrinksAvailableWithCurrentStock(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::CurrentStockNonAlcoholic))
        return cachedAnswer(DrinkFlag::CurrentStockNonAlcoholic, progress);
    if (count(QStringLiteral("SELECT COUNT(ID) FROM Ingredients WHERE CurrentStock = 1 AND NonAlcohol = 1")) == 0)
        return emptyStock(progress);
    const qint64 rowCount =
        IsViewCacheValid(DrinkFlag::NonAlcoholic)
            ? qint64(CountRecords(QStringLiteral("Drinks"), QStringLiteral("NonAlcoholicKnown")))
            : qint64(CountRecords(QStringLiteral("Drinks"), QStringLiteral("CurrentStockNoAlcohol")));
    return recomputedAnswer(DrinkFlag::CurrentStockNonAlcoholic, IngredientSetKind::InStockNonAlcoholic, rowCount,
                            progress);
}

} // namespace DBLib
