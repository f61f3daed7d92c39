#include "core/exchange/ExchangeRecords.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/Sqlite.h"

namespace Online {

AddRecordsResult AddNewRecordsToDatabase(const QList<ExchangeDrink>& drinks)
{
    AddRecordsResult result;
    DBLib::WriteBatch batch;
    for (const ExchangeDrink& drink : drinks) {
        if (DBLib::FindDrinkID(drink.name) >= 0) {
            ++result.duplicates;
            continue;
        }
        const std::optional<qint16> glass = ParseGlassType(drink.glassType);
        if (!glass) {
            throw Sql::Error(0, QStringLiteral("The drink \"%1\" names the glass \"%2\", which is not a glass number.")
                                    .arg(drink.name, drink.glassType));
        }
        DBLib::DrinkEntry entry;
        entry.name = drink.name;
        entry.glassType = *glass;
        entry.keepUnknownGlass = true;
        entry.description = drink.directions;
        for (const ExchangeIngredient& line : drink.ingredients)
            entry.lines.append({line.amount, line.type, line.substitute, line.noAlcohol, std::nullopt});
        try {
            const DBLib::SavedDrink saved = DBLib::WriteNewDrink(entry);
            result.ingredientsCreated += int(saved.newIngredients.size());
            result.unknownGlasses += saved.unknownGlass ? 1 : 0;
        } catch (const Sql::Error& e) {
            throw Sql::Error(e.code(), QStringLiteral("The drink \"%1\" cannot be added. %2").arg(drink.name, e.message()),
                             e.statement());
        }
        ++result.added;
    }
    batch.commit();
    return result;
}

ExchangeDrink ReadDrinkForExport(qint64 drinkId)
{
    const std::optional<DBLib::Drink> stored = DBLib::ReadDrinkById(drinkId);
    if (!stored)
        throw Sql::Error(0, QStringLiteral("There is no drink with the number %1.").arg(drinkId));
    const QString missing = stored->missingIngredientsText();
    if (!missing.isEmpty())
        throw Sql::Error(0, missing);
    ExchangeDrink drink;
    drink.name = stored->name;
    drink.directions = stored->description;
    drink.glassType = stored->glassType ? QString::number(*stored->glassType) : QString();
    for (const DBLib::RecipeLine& line : stored->lines)
        drink.ingredients.append({line.amount, line.ingredient, line.nonAlcoholic, line.substitute});
    return drink;
}

QString ExportDrink(qint64 drinkId)
{
    return WriteDrinkDocument(ReadDrinkForExport(drinkId));
}

} // namespace Online
