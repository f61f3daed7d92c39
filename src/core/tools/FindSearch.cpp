#include "core/tools/FindSearch.h"

#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QHash>

#include <algorithm>
#include <optional>

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

namespace {

// A name and its place in list order: plain names (ASCII without small letters, nearly all) are
// their own key; any other gets its key made once, when first compared.
class ListKey
{
public:
    void set(const QString* name)
    {
        m_name = name;
        m_plain = std::all_of(name->begin(), name->end(), [](QChar c) {
            return c.unicode() < 0x80 && !(c.unicode() >= u'a' && c.unicode() <= u'z');
        });
        m_key.clear();
        m_keyMade = false;
    }
    const QString& name() const { return *m_name; }
    const QString& key()
    {
        if (m_plain)
            return *m_name;
        if (!m_keyMade) {
            m_key = Lib::ListSortKey(*m_name);
            m_keyMade = true;
        }
        return m_key;
    }

private:
    const QString* m_name = nullptr;
    bool m_plain = true;
    bool m_keyMade = false;
    QString m_key;
};

// Lib::ListLess as a three-way comparison.
int compareInList(ListKey& a, ListKey& b)
{
    const int byKey = a.key().compare(b.key());
    return byKey != 0 ? byKey : a.name().compare(b.name());
}

int letterStart(const QString& name, const Lib::LetterIndex& index)
{
    if (!name.isEmpty() && name.at(0).unicode() >= u'A' && name.at(0).unicode() <= u'Z')
        return index[name.at(0).unicode() - u'A' + 1];
    return 0;
}

// The hits (in list order) found in a main list that is in list order, as every view fills it:
// one merge of the two. Nothing when the list turns out not to be in that order.
std::optional<QStringList> mergedHits(const QStringList& sortedHits, const QStringList& mainEntries,
                                      const Lib::LetterIndex& index)
{
    QStringList hits;
    ListKey entry, previous, hit;
    qsizetype j = 0;
    if (j < sortedHits.size())
        hit.set(&sortedHits.at(j));
    for (qsizetype i = 0; i < mainEntries.size(); ++i) {
        entry.set(&mainEntries.at(i));
        if (i > 0 && compareInList(previous, entry) > 0)
            return std::nullopt;
        // The hits before this entry are not in the list.
        int order = 1;
        while (j < sortedHits.size() && (order = compareInList(hit, entry)) < 0) {
            if (++j < sortedHits.size())
                hit.set(&sortedHits.at(j));
        }
        // Equal hits (the same name): a name's last place counts, so they wait for the last of
        // its copies in the list.
        if (order == 0 && j < sortedHits.size() &&
            (i + 1 == mainEntries.size() || mainEntries.at(i + 1) != mainEntries.at(i))) {
            const bool counted = i >= letterStart(entry.name(), index);
            while (j < sortedHits.size() && hit.name() == entry.name()) {
                if (counted)
                    hits.append(entry.name());
                if (++j < sortedHits.size())
                    hit.set(&sortedHits.at(j));
            }
        }
        std::swap(previous, entry);
    }
    return hits;
}

} // namespace

QStringList HitsInMainList(const QStringList& storeHits, const QStringList& mainEntries, const Lib::LetterIndex& index)
{
    if (storeHits.isEmpty())
        return {};
    QStringList sorted = storeHits;
    Lib::SortForList(sorted);
    if (std::optional<QStringList> merged = mergedHits(sorted, mainEntries, index))
        return *merged;
    // Any other list: each hit's last position in it answers "is it at or after its letter's
    // start" in one look-up.
    QHash<QString, int> lastPosition;
    lastPosition.reserve(storeHits.size());
    for (const QString& name : storeHits)
        lastPosition.insert(name, -1);
    for (int position = 0; position < int(mainEntries.size()); ++position) {
        const auto it = lastPosition.find(mainEntries.at(position));
        if (it != lastPosition.end())
            it.value() = position;
    }
    QStringList hits;
    for (const QString& name : std::as_const(sorted)) {
        if (lastPosition.value(name) >= letterStart(name, index)) // -1, not in the list, lies before every start
            hits.append(name);
    }
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
