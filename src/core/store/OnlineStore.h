#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QString>

// Reading and writing the recipe database for the drink exchange: adding the drinks of an update
// document, exporting a drink, marking it submitted.
namespace DBLib {

// True when a drink of that name (in any letter case) is in the database.
bool CheckForDuplicateDrink(const QString& drinkName);
// The highest drink ID plus 1; 1 for an empty table.
qint64 GetNextDrinkID();
// The ingredient the recipe line names (compared without regard to letter case); created with the
// line's substitute and non-alcoholic mark when the catalogue does not have it.
qint64 GetIngredientID(const Online::ExchangeIngredient& line, bool* created = nullptr);

struct AddRecordsResult
{
    int added = 0;              // new drinks
    int duplicates = 0;         // drinks skipped because the database has them
    int ingredientsCreated = 0; // new catalogue entries
};

// Adds the drinks of one document in one transaction: a drink already in the database (by its
// upper-case name) is skipped, every other drink gets the next ID, its lines and freshly computed
// flags. A drink the store cannot take (a glass number that names no glass, a text that cannot be
// stored) throws Sql::Error or Lib::TextCodingError and nothing of the document is kept.
AddRecordsResult AddNewRecordsToDatabase(const QList<Online::ExchangeDrink>& drinks);

// The drink as the exchange carries it: decoded name, directions and amounts, its lines in their
// stored order with each ingredient's name, mark and substitute. Throws Sql::Error when there is
// no such drink or a line names an ingredient the catalogue lacks.
Online::ExchangeDrink ReadDrinkForExport(qint64 drinkId);
// The drink document of the drink.
QString ExportDrink(qint64 drinkId);
void MarkSubmitted(qint64 drinkId);

} // namespace DBLib
