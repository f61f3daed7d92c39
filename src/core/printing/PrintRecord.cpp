#include "core/printing/PrintRecord.h"

#include "core/maths/Amount.h"
#include "core/store/RecipeRepository.h"

namespace Printing {

std::optional<RecipeRecord> ReadPrintRecord(const QString& drinkName, int servings)
{
    const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(drinkName);
    if (!drink)
        return std::nullopt;
    RecipeRecord record;
    record.name = drink->name;
    if (servings > 1)
        record.name += QStringLiteral(" (%1 SERVINGS)").arg(servings);
    record.description = drink->description;
    record.glassType = drink->glassName;
    record.glassId = drink->glassType.value_or(0);
    for (DBLib::RecipeLine line : drink->lines) {
        if (servings > 1)
            line.amount = Maths::ScaleAmount(line.amount, servings);
        record.recipeLines << DBLib::RecipeLineText(line);
        DBLib::RecipeLine ingredientOnly = line;
        ingredientOnly.amount.clear();
        record.lineParts.append({line.amount.trimmed(), DBLib::RecipeLineText(ingredientOnly)});
    }
    return record;
}

} // namespace Printing
