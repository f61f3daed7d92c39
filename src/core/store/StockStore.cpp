#include "core/store/StockStore.h"

#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"

namespace DBLib {

namespace {

// Column names come from here only, never from the user.
QString columnOf(IngredientList list)
{
    return list == IngredientList::CurrentStock ? QStringLiteral("CurrentStock")
                                                : QStringLiteral("ShoppingList");
}

QStringList names(const QString& sql, const QVariantList& params = {})
{
    QStringList out;
    Snapshot s = OpenSnapshot(sql, params);
    for (; !s.atEnd(); s.moveNext())
        out << s.field(0).toString();
    return out;
}

void saveList(Sql::Connection& db, IngredientList list, const QStringList& onList)
{
    const QString column = columnOf(list);
    db.exec(QStringLiteral("UPDATE Ingredients SET %1 = 0").arg(column));
    Sql::Statement mark =
        db.prepare(QStringLiteral("UPDATE Ingredients SET %1 = 1 WHERE Ingredient = ?1").arg(column));
    for (const QString& name : onList) {
        mark.reset();
        mark.bind(1, name);
        mark.run();
    }
}

} // namespace

QStringList IngredientNamesOnList(IngredientList list, bool onList)
{
    return names(QStringLiteral("SELECT Ingredient FROM Ingredients WHERE %1 = ?1 ORDER BY Ingredient")
                     .arg(columnOf(list)),
                 {qint64(onList ? 1 : 0)});
}

QStringList AllIngredientNames()
{
    return names(QStringLiteral("SELECT Ingredient FROM Ingredients ORDER BY Ingredient"));
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

} // namespace DBLib
