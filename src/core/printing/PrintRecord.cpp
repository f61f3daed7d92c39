#include "core/printing/PrintRecord.h"

#include "core/store/RecipeRepository.h"

namespace Printing {

std::optional<RecipeRecord> ReadPrintRecord(const QString& drinkName)
{
    const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(drinkName);
    if (!drink)
        return std::nullopt;
    RecipeRecord record;
    record.name = drink->name;
    record.description = drink->description;
    record.glassType = drink->glassName;
    for (const DBLib::RecipeLine& line : drink->lines)
        record.recipeLines << DBLib::RecipeLineText(line);
    return record;
}

} // namespace Printing
