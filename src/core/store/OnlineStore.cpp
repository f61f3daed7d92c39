#include "core/store/OnlineStore.h"

#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"

namespace DBLib {

bool CheckForDuplicateDrink(const QString& drinkName)
{
    return FindDrinkID(drinkName) >= 0;
}

qint64 GetNextDrinkID()
{
    return Database().scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Drinks")).toLongLong();
}

qint64 GetIngredientID(const Online::ExchangeIngredient& line, bool* created)
{
    if (created)
        *created = false;
    const qint64 found = FindIngredientID(line.type);
    if (found >= 0)
        return found;
    if (created)
        *created = true;
    return AddIngredient(line.type, line.substitute,
                         line.noAlcohol ? QStringLiteral("True") : QStringLiteral("False"));
}

AddRecordsResult AddNewRecordsToDatabase(const QList<Online::ExchangeDrink>& drinks)
{
    Sql::Connection& db = Database();
    AddRecordsResult result;
    Sql::Transaction tx(db);
    for (const Online::ExchangeDrink& drink : drinks) {
        if (CheckForDuplicateDrink(drink.name)) {
            ++result.duplicates;
            continue;
        }
        const std::optional<qint16> glass = Online::ParseGlassType(drink.glassType);
        if (!glass || !db.scalar(QStringLiteral("SELECT 1 FROM GlassTypes WHERE GlassID = ?1"), {int(*glass)})
                           .isValid()) {
            throw Sql::Error(
                0, QStringLiteral("The drink \"%1\" names the glass number %2, which is not in the list "
                                  "of glasses.")
                       .arg(drink.name, drink.glassType));
        }
        const qint64 id = GetNextDrinkID();
        AddDrink(id, drink.name.toUpper(), *glass, drink.directions, QString(), QString(), QString(),
                 QString(), QString());
        for (const Online::ExchangeIngredient& line : drink.ingredients) {
            bool created = false;
            const qint64 ingredientId = GetIngredientID(line, &created);
            if (created)
                ++result.ingredientsCreated;
            AddRecipeLine(id, ingredientId, line.amount);
        }
        UpdateDrinkFlags(id);
        ++result.added;
    }
    tx.commit();
    return result;
}

Online::ExchangeDrink ReadDrinkForExport(qint64 drinkId)
{
    Sql::Connection& db = Database();
    Sql::Statement drinkRow(db,
                            QStringLiteral("SELECT Name, Description, GlassType FROM Drinks WHERE ID = ?1"));
    drinkRow.bind(1, drinkId);
    if (!drinkRow.step())
        throw Sql::Error(0, QStringLiteral("There is no drink with the number %1.").arg(drinkId));
    Online::ExchangeDrink drink;
    drink.name = Lib::DecodeText(drinkRow.value(0));
    drink.directions = Lib::DecodeText(drinkRow.value(1));
    drink.glassType = drinkRow.isNull(2) ? QString() : QString::number(drinkRow.int64(2));

    Sql::Statement lines(db, QStringLiteral("SELECT d.Amount, i.ID, i.Ingredient, i.NonAlcohol, i.Substitute "
                                            "FROM DrinkInfo d LEFT JOIN Ingredients i ON i.ID = d.IngID "
                                            "WHERE d.DrinkID = ?1 ORDER BY d.rowid"));
    lines.bind(1, drinkId);
    while (lines.step()) {
        if (lines.isNull(1)) {
            throw Sql::Error(0,
                             QStringLiteral("A recipe line of \"%1\" names an ingredient that is not in the "
                                            "catalogue.")
                                 .arg(drink.name));
        }
        Online::ExchangeIngredient line;
        line.amount = Lib::DecodeText(lines.value(0));
        line.type = lines.text(2);
        line.noAlcohol = !lines.isNull(3) && lines.int64(3) == 1;
        line.substitute = lines.text(4);
        drink.ingredients.append(line);
    }
    return drink;
}

QString ExportDrink(qint64 drinkId)
{
    return Online::WriteDrinkDocument(ReadDrinkForExport(drinkId));
}

void MarkSubmitted(qint64 drinkId)
{
    ExecuteSql(QStringLiteral("UPDATE Drinks SET Submitted = 1 WHERE ID = ?1"), {drinkId});
}

} // namespace DBLib
