#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The searches of the find window. Each search is one pass over one query. The text test runs here and
// not in the engine: the stored form is shifted, so the engine's letter-case rules do not apply to it.
namespace DBLib {

// Told the number of rows read so far, every few hundred rows and once at the end.
using FindProgress = std::function<void(qint64 rowsRead)>;

// The decoded names of the drinks a search found (in the order the rows were read) and how many
// rows it read to find them.
struct FindResult
{
    QStringList names;
    qint64 rowsRead = 0;
};

// The text test of the search: the upper-case form of haystack contains the upper-case form of
// needle. An empty needle is found in every non-empty haystack and in no empty one.
bool ContainsTextIgnoringCase(const QString& haystack, const QString& needle);

// The same test on a stored (encoded) haystack; throws Lib::TextCodingError when stored decodes to
// no text.
bool StoredTextContains(const QString& stored, const QString& needle);

// Drinks whose decoded name, or decoded directions, contain text (as ContainsTextIgnoringCase).
FindResult DrinksWithNameContaining(const QString& text, const FindProgress& progress = {});
FindResult DrinksWithDescriptionContaining(const QString& text, const FindProgress& progress = {});

// Every drink with at least one recipe line of the ingredient, once each.
FindResult DrinksUsingIngredient(qint64 ingredientId, const FindProgress& progress = {});

} // namespace DBLib
