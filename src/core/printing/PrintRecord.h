#pragma once

#include "core/printing/PrintLayout.h"

#include <QString>
#include <optional>

namespace Printing {

// A drink as it is printed: its name, its recipe lines as the recipe display shows them, its
// directions and its glass name. Nothing when no drink has that name. For more than one serving
// the amounts are scaled and the name says for how many.
std::optional<RecipeRecord> ReadPrintRecord(const QString& drinkName, int servings = 1);

} // namespace Printing
