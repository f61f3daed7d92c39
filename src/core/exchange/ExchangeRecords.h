#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QList>
#include <QString>

// Drinks between the recipe database and the exchange's documents: adding the drinks of an update
// document, and the document of a stored drink.
namespace Online {

struct AddRecordsResult
{
    int added = 0;              // new drinks
    int duplicates = 0;         // drinks skipped because the database has them
    int ingredientsCreated = 0; // new catalogue entries
    int unknownGlasses = 0;     // added drinks whose glass number the glass list lacks
};

// Adds the drinks of one document in one transaction: a drink already in the database (by its
// stored name) is skipped, every other drink gets the next ID, its lines and freshly computed
// flags; an ingredient new to the catalogue comes with the line's substitute and mark. A glass
// number the glass list lacks is kept with the drink (and counted). A drink the store cannot take
// (a text that cannot be stored) throws Sql::Error and nothing of the document is kept.
AddRecordsResult AddNewRecordsToDatabase(const QList<ExchangeDrink>& drinks);

// The drink as the exchange carries it. Throws Sql::Error when there is no such drink or a line
// names an ingredient the catalogue lacks (a document line needs the ingredient's name).
ExchangeDrink ReadDrinkForExport(qint64 drinkId);
// The drink document of the drink.
QString ExportDrink(qint64 drinkId);

} // namespace Online
