#pragma once

#include "core/printing/PrintLayout.h"

#include <QString>
#include <optional>

namespace DBLib {

// A drink as it is printed: its decoded name, its recipe lines as the recipe display shows them
// (amount, blank, ingredient; the bare ingredient when there is no amount; "|" removed), its
// decoded description and its glass name. No value when no drink has that name.
std::optional<Printing::RecipeRecord> ReadPrintRecord(const QString& drinkName);

} // namespace DBLib
