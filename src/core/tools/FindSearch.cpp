#include "core/tools/FindSearch.h"

#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace FindSearch {

QStringList Search(const Request& request, const QStringList& mainEntries, const Lib::LetterIndex& index,
                   const DBLib::FindProgress& progress)
{
    DBLib::FindResult found;
    switch (request.category) {
    case Category::Drinks:
        found = DBLib::DrinksWithNameContaining(request.text, progress);
        break;
    case Category::Description:
        found = DBLib::DrinksWithDescriptionContaining(request.text, progress);
        break;
    case Category::Ingredients: {
        const qint64 id = DBLib::FindIngredientID(request.ingredient);
        if (id >= 0)
            found = DBLib::DrinksUsingIngredient(id, progress);
        break;
    }
    }
    return HitsInMainList(found.names, mainEntries, index);
}

QStringList HitsInMainList(const QStringList& storeHits, const QStringList& mainEntries, const Lib::LetterIndex& index)
{
    if (storeHits.isEmpty())
        return {};
    // Each hit's last position in the list answers "is it at or after its letter's start" in one
    // look-up. The table holds the hits, usually far fewer than the list's entries; one pass over
    // the list finds their places, in the list's order, so the sort below has little left to do.
    QHash<QString, int> lastPosition;
    lastPosition.reserve(storeHits.size());
    for (const QString& name : storeHits)
        lastPosition.insert(name, -1);
    std::vector<int> listed;
    for (int position = 0; position < int(mainEntries.size()); ++position) {
        const auto it = lastPosition.find(mainEntries.at(position));
        if (it != lastPosition.end()) {
            it.value() = position;
            listed.push_back(position);
        }
    }
    QStringList hits;
    for (const int position : listed) {
        const QString& name = mainEntries.at(position);
        int start = 0;
        if (!name.isEmpty() && name.at(0).unicode() >= u'A' && name.at(0).unicode() <= u'Z')
            start = index[name.at(0).unicode() - u'A' + 1];
        if (lastPosition.value(name) == position && position >= start)
            hits.append(name);
    }
    Lib::SortForList(hits);
    return hits;
}

int PositionOfHit(const QStringList& mainEntries, const QString& hit)
{
    const qsizetype length = hit.trimmed().size();
    for (int position = 0; position < int(mainEntries.size()); ++position) {
        if (QStringView(mainEntries.at(position)).left(length).compare(hit, Qt::CaseInsensitive) == 0)
            return position;
    }
    return -1;
}

} // namespace FindSearch
