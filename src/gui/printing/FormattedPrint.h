#pragma once

#include "core/printing/PrintLayout.h"
#include "gui/printing/PrintService.h"

class QPrinter;

// The "Formatted" print-out: the drink's name as a heading, the glass picture, a proportional
// font, the ingredients as a table and the directions as a paragraph; on pages (each drink on a
// page of its own) or on index cards.
namespace FormattedPrint {

// Whether the preferences choose it (the text print-out otherwise).
bool Chosen();

// The HTML of one recipe.
QString RecipeHtml(const Printing::RecipeRecord& record, bool card);

Printing::PrintResult Print(QPrinter& printer, const QList<Printing::RecipeRecord>& records, bool cards);

} // namespace FormattedPrint
