#pragma once

#include "core/printing/PrintLayout.h"

#include <QString>
#include <optional>

namespace Printing {

// A drink as it is printed: its name, its recipe lines as the recipe display shows them, its
// directions and its glass name. Nothing when no drink has that name.
std::optional<RecipeRecord> ReadPrintRecord(const QString& drinkName);

} // namespace Printing
