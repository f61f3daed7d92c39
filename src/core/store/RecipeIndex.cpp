#include "core/store/RecipeIndex.h"

#include "core/store/Lib.h"
#include "core/store/StoreInternal.h"

#include <algorithm>
#include <memory>

namespace DBLib {

namespace {

// The index and the count of outside changes (see outsideChanges) it was built at.
struct State
{
    std::unique_ptr<RecipeIndex> index;
    quint64 builtAt = 0;
};

State& state()
{
    static State s;
    return s;
}

int ownWrites = 0;
quint64 catalogueChanges = 0;
int namesKept = 0;
int marksOnly = 0;
quint64 catalogueShapeChanges = 0;
// Index versions are counted over all indexes, so a rebuilt one never repeats an old number.
quint64 indexVersions = 0;
quint64 drinkListChanges = 0;
quint64 drinkRowChanges = 0;

qint64 dataVersion(Sql::Connection& db)
{
    return db.scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}

// Counts what another program's commit or a rollback on our connection may have changed: either
// makes every list read from the file out of date.
quint64 outsideChanges()
{
    static quint64 changes = 0;
    static qint64 seenVersion = -1;
    static quint64 seenRollbacks = 0;
    static const Sql::Connection* seenConnection = nullptr;
    Sql::Connection& db = Database();
    const qint64 version = dataVersion(db);
    if (version != seenVersion || &db != seenConnection || db.rollbacks() != seenRollbacks) {
        seenVersion = version;
        seenConnection = &db;
        seenRollbacks = db.rollbacks();
        ++changes;
    }
    return changes;
}

} // namespace

const RecipeIndex& RecipeIndex::current()
{
    State& s = state();
    const quint64 seen = outsideChanges();
    if (!s.index || s.builtAt != seen) {
        auto index = std::make_unique<RecipeIndex>();
        index->build();
        s.index = std::move(index);
        s.builtAt = seen;
    }
    return *s.index;
}

void RecipeIndex::drinkWritten(qint64 drinkId, const QString& name, std::vector<qint64> ingredientIds)
{
    if (state().index && !state().index->add(drinkId, name, ingredientIds))
        invalidate();
}

void RecipeIndex::drinkRemoved(qint64 drinkId)
{
    if (state().index)
        state().index->remove(drinkId);
}

void RecipeIndex::invalidate()
{
    state().index.reset();
    ++catalogueChanges;
    ++catalogueShapeChanges;
    ++drinkListChanges;
    ++drinkRowChanges;
}

RecipeIndex::OwnWrites::OwnWrites() : WriteScope(ownWrites) {}

quint64 RecipeIndex::catalogueGeneration()
{
    return outsideChanges() + catalogueChanges;
}

RecipeIndex::NamesKept::NamesKept() : WriteScope(namesKept) {}

quint64 RecipeIndex::drinkListGeneration()
{
    return outsideChanges() + drinkListChanges;
}

quint64 RecipeIndex::drinkRowGeneration()
{
    return outsideChanges() + drinkRowChanges;
}

void RecipeIndex::catalogueChanged()
{
    ++catalogueChanges;
    ++catalogueShapeChanges;
}

RecipeIndex::MarksOnly::MarksOnly() : WriteScope(marksOnly) {}

quint64 RecipeIndex::catalogueShapeGeneration()
{
    return outsideChanges() + catalogueShapeChanges;
}

void RecipeIndex::rowChanged(const char* table, bool updated)
{
    if (qstrcmp(table, "Ingredients") == 0) {
        ++catalogueChanges;
        if (!updated || marksOnly == 0)
            ++catalogueShapeChanges;
    }
    else if (qstrcmp(table, "Drinks") == 0) {
        ++drinkRowChanges;
        if (!updated || namesKept == 0)
            ++drinkListChanges;
    }
    if (ownWrites > 0 || !state().index)
        return;
    // Flags and marks change drinks in place; only rows added or removed, or any recipe line, change
    // what the index holds.
    if (qstrcmp(table, "DrinkInfo") == 0 || (!updated && qstrcmp(table, "Drinks") == 0))
        invalidate();
}

void RecipeIndex::build()
{
    Sql::Connection& db = Database();
    const qint64 drinks = db.scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks")).toLongLong();
    const qint64 lines = db.scalar(QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM DrinkInfo")).toLongLong();
    m_ids.reserve(size_t(drinks));
    m_live.reserve(size_t(drinks));
    m_offsets.reserve(size_t(drinks) + 1);
    m_lines.reserve(size_t(std::clamp<qint64>(lines, 0, qint64(1) << 26)));
    m_names.reserve(drinks);

    // Both in drink ID order: one merging pass. Lines of drinks that do not exist are left out.
    Sql::Statement drinkRows(db, QStringLiteral("SELECT ID, Name FROM Drinks ORDER BY ID"));
    Sql::Statement lineRows(db, QStringLiteral("SELECT DrinkID, IngID FROM DrinkInfo ORDER BY DrinkID"));
    bool lineReady = lineRows.step();
    while (drinkRows.step()) {
        const qint64 id = drinkRows.int64(0);
        while (lineReady && lineRows.int64(0) < id)
            lineReady = lineRows.step();
        while (lineReady && lineRows.int64(0) == id) {
            m_lines.push_back(qint64(lineRows.int64(1)));
            lineReady = lineRows.step();
        }
        m_ids.push_back(id);
        m_live.push_back(true);
        m_offsets.push_back(quint32(m_lines.size()));
        m_names.append(Lib::DecodeText(drinkRows.value(1)));
    }
    m_liveCount = qsizetype(m_ids.size());
    m_version = ++indexVersions;
}

qsizetype RecipeIndex::slotOf(qint64 drinkId) const
{
    // Dead slots can share an ID with a later live one only at the tail, which add() cuts first.
    const auto it = std::lower_bound(m_ids.begin(), m_ids.end(), drinkId);
    if (it == m_ids.end() || *it != drinkId)
        return -1;
    const size_t slot = size_t(it - m_ids.begin());
    return m_live[slot] ? qsizetype(slot) : -1;
}

bool RecipeIndex::add(qint64 drinkId, const QString& name, const std::vector<qint64>& ingredientIds)
{
    // A new drink takes the highest live ID plus one: every slot from that ID on is dead. Cut them,
    // and their lines at the end, so the slots stay in ascending order. Anything else is a change
    // this index does not follow; the next look rebuilds it.
    size_t keep = m_ids.size();
    while (keep > 0 && m_ids[keep - 1] >= drinkId) {
        if (m_live[keep - 1])
            return false;
        --keep;
    }
    if (m_byNameReady && keep < m_ids.size())
        std::erase_if(m_byName, [keep](quint32 slot) { return slot >= keep; });
    m_ids.resize(keep);
    m_live.resize(keep);
    m_offsets.resize(keep + 1);
    m_lines.resize(m_offsets.back());
    m_names.resize(qsizetype(keep));

    m_ids.push_back(drinkId);
    m_live.push_back(true);
    m_lines.insert(m_lines.end(), ingredientIds.begin(), ingredientIds.end());
    m_offsets.push_back(quint32(m_lines.size()));
    m_names.append(name);
    ++m_liveCount;
    m_version = ++indexVersions;
    if (m_byNameReady) {
        const auto at = std::upper_bound(m_byName.begin(), m_byName.end(), name, [this](const QString& n, quint32 slot) {
            return NameLess(n, m_names.at(qsizetype(slot)));
        });
        m_byName.insert(at, quint32(m_ids.size() - 1));
        placeByName();
    }
    return true;
}

void RecipeIndex::placeByName() const
{
    m_namePlaces.resize(m_byName.size());
    for (size_t place = 0; place < m_byName.size(); ++place)
        m_namePlaces[m_byName[place]] = quint32(place);
}

const std::vector<quint32>& RecipeIndex::namePlaces() const
{
    if (!m_byNameReady) {
        // Each name folded once into one buffer, not at every comparison, and its first eight code
        // units packed into a number that orders as they do: most comparisons end there.
        std::vector<char16_t> text;
        std::vector<quint32> starts(m_ids.size() + 1, 0);
        std::vector<std::pair<quint64, quint32>> keyed(m_ids.size());
        for (size_t slot = 0; slot < m_ids.size(); ++slot) {
            const QString& name = m_names.at(qsizetype(slot));
            const size_t from = text.size();
            if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
                for (const QChar c : name) {
                    const char16_t u = c.unicode();
                    text.push_back(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
                }
            } else {
                const QString f = name.toCaseFolded();
                text.insert(text.end(), f.utf16(), f.utf16() + f.size());
            }
            starts[slot + 1] = quint32(text.size());
            // Bytes 1..254 stand for code units 0..253 and 255 for 254 and above, where the key
            // stops (0 after the end): a smaller key always means a smaller name.
            quint64 key = 0;
            bool stopped = false;
            for (size_t i = 0; i < 8; ++i) {
                quint64 unit = 0;
                if (!stopped && from + i < text.size()) {
                    unit = std::min<quint64>(quint64(text[from + i]) + 1, 255);
                    stopped = unit == 255;
                }
                key = (key << 8) | unit;
            }
            keyed[slot] = {key, quint32(slot)};
        }
        const auto foldedAt = [&](quint32 slot) {
            return QStringView(text.data() + starts[slot], qsizetype(starts[slot + 1] - starts[slot]));
        };
        std::sort(keyed.begin(), keyed.end(), [&](const auto& x, const auto& y) {
            if (x.first != y.first)
                return x.first < y.first;
            const int c = foldedAt(x.second).compare(foldedAt(y.second));
            if (c != 0)
                return c < 0;
            const int exact = m_names.at(qsizetype(x.second)).compare(m_names.at(qsizetype(y.second)));
            return exact != 0 ? exact < 0 : x.second < y.second;
        });
        m_byName.resize(keyed.size());
        for (size_t place = 0; place < keyed.size(); ++place)
            m_byName[place] = keyed[place].second;
        placeByName();
        m_byNameReady = true;
    }
    return m_namePlaces;
}

bool NameLess(const QString& a, const QString& b)
{
    const int c = a.toCaseFolded().compare(b.toCaseFolded());
    return c != 0 ? c < 0 : a < b;
}

void RecipeIndex::remove(qint64 drinkId)
{
    const qsizetype slot = slotOf(drinkId);
    if (slot < 0)
        return;
    // The name stays: the name order still holds the dead slot in its place.
    m_live[size_t(slot)] = false;
    --m_liveCount;
    m_version = ++indexVersions;
}

std::span<const qint64> RecipeIndex::ingredientsOf(qint64 drinkId) const
{
    const qsizetype slot = slotOf(drinkId);
    return slot < 0 ? std::span<const qint64>() : ingredientsAt(size_t(slot));
}

QString RecipeIndex::nameOf(qint64 drinkId) const
{
    const qsizetype slot = slotOf(drinkId);
    return slot < 0 ? QString() : m_names.at(slot);
}

qsizetype RecipeIndex::memoryUse() const
{
    qsizetype bytes = qsizetype(m_ids.capacity() * sizeof(qint64) + m_live.capacity() / 8 +
                                (m_byName.capacity() + m_namePlaces.capacity()) * sizeof(quint32) +
                                m_offsets.capacity() * sizeof(quint32) + m_lines.capacity() * sizeof(qint64));
    for (const QString& name : m_names)
        bytes += qsizetype(sizeof(QString)) + name.capacity() * 2 + 16;
    return bytes;
}

} // namespace DBLib
