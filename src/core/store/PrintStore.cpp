#include "core/store/PrintStore.h"

#include "core/store/DBLib.h"
#include "core/store/Lib.h"

namespace DBLib {

namespace {

QString recipeLineText(const QString& amount, const QString& ingredient)
{
    QString line = amount.isEmpty() ? ingredient.trimmed() : amount + QLatin1Char(' ') + ingredient.trimmed();
    line.remove(QLatin1Char('|'));
    return line;
}

} // namespace

std::optional<Printing::RecipeRecord> ReadPrintRecord(const QString& drinkName)
{
    QString encoded;
    try {
        encoded = Lib::EncodeText(drinkName.trimmed().toUpper());
    } catch (const Lib::TextCodingError&) {
        return std::nullopt; // no stored name has that form
    }
    Snapshot drink = OpenSnapshot(
        QStringLiteral("SELECT ID, Name, Description, GlassType FROM Drinks WHERE Name = ?1"), {encoded});
    if (drink.atEnd())
        return std::nullopt;

    Printing::RecipeRecord record;
    const qint64 id = drink.field(0).toLongLong();
    record.name = Lib::DecodeText(drink.field(1));
    record.description = Lib::DecodeText(drink.field(2));
    const QVariant glass = drink.field(3);
    drink.close();

    Snapshot lines =
        OpenSnapshot(QStringLiteral("SELECT DrinkInfo.Amount, Ingredients.Ingredient, DrinkInfo.IngID "
                                    "FROM DrinkInfo LEFT JOIN Ingredients ON Ingredients.ID = "
                                    "DrinkInfo.IngID WHERE DrinkInfo.DrinkID = ?1 ORDER BY DrinkInfo.rowid"),
                     {id});
    for (; !lines.atEnd(); lines.moveNext()) {
        if (lines.field(1).isNull()) {
            throw Sql::Error(
                0, QStringLiteral("The drink %1 names the ingredient number %2, which is not in the "
                                  "ingredient list.")
                       .arg(record.name)
                       .arg(lines.field(2).toLongLong()));
        }
        record.recipeLines << recipeLineText(Lib::DecodeText(lines.field(0)), lines.field(1).toString());
    }
    lines.close();

    record.glassType = glass.isNull() ? QString() : GetGlassTypeName(int(glass.toLongLong()));
    return record;
}

} // namespace DBLib
