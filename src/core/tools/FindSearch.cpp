#include "core/tools/FindSearch.h"

#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QHash>

#include <algorithm>

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
    // Each name's last position answers "is it at or after its letter's start" in one look-up,
    // instead of a scan of the rest of the list per hit.
    QHash<QString, int> lastPosition;
    lastPosition.reserve(mainEntries.size());
    for (int position = 0; position < int(mainEntries.size()); ++position)
        lastPosition.insert(mainEntries.at(position), position);
    QStringList hits;
    for (const QString& name : storeHits) {
        int start = 0;
        if (!name.isEmpty() && name.at(0).unicode() >= u'A' && name.at(0).unicode() <= u'Z')
            start = index[name.at(0).unicode() - u'A' + 1];
        const auto found = lastPosition.constFind(name);
        if (found != lastPosition.constEnd() && found.value() >= start)
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
