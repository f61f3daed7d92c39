#pragma once

#include "core/store/DrinkSearch.h"
#include "core/tools/DrinkListSearch.h"

#include <QString>
#include <QStringList>

// The find window's search: the store's scan for a text or an ingredient, narrowed to the drinks
// the main list shows, in the list's order.
namespace FindSearch {

enum class Category
{
    Drinks,      // a piece of the name
    Description, // a piece of the directions
    Ingredients  // drinks with a recipe line of the ingredient
};

struct Request
{
    Category category = Category::Drinks;
    QString text;       // Drinks and Description
    QString ingredient; // Ingredients: a catalogue name; a name the catalogue lacks finds nothing
};

// The hits of the request within the main list (entries and their letter index), sorted.
QStringList Search(const Request& request, const QStringList& mainEntries, const Lib::LetterIndex& index,
                   const DBLib::FindProgress& progress = {});

// The store's hits that stand in the main list at or after the first entry of their capital
// initial (anywhere for any other first character), sorted once.
QStringList HitsInMainList(const QStringList& storeHits, const QStringList& mainEntries, const Lib::LetterIndex& index);

// Where a clicked hit is selected: the first entry that begins with the hit, letter case aside;
// -1 when none does.
int PositionOfHit(const QStringList& mainEntries, const QString& hit);

} // namespace FindSearch
