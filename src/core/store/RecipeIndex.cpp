#include "core/store/RecipeIndex.h"

#include "core/store/Lib.h"
#include "core/store/StoreInternal.h"

#include <algorithm>
#include <memory>

namespace DBLib {

namespace {

// The index and what it was built from: the connection, the file's data version as that
// connection last saw another program's commit, and the rollbacks on the connection so far.
struct State
{
    std::unique_ptr<RecipeIndex> index;
    const Sql::Connection* connection = nullptr;
    qint64 dataVersion = -1;
    quint64 rollbacks = 0;
};

State& state()
{
    static State s;
    return s;
}

int ownWrites = 0;
quint64 catalogueChanges = 0;

qint64 dataVersion(Sql::Connection& db)
{
    return db.scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}

} // namespace

const RecipeIndex& RecipeIndex::current()
{
    Sql::Connection& db = Database();
    State& s = state();
    const qint64 version = dataVersion(db);
    if (!s.index || s.connection != &db || s.dataVersion != version || s.rollbacks != db.rollbacks()) {
        auto index = std::make_unique<RecipeIndex>();
        index->build();
        s.index = std::move(index);
        s.connection = &db;
        s.dataVersion = version;
        s.rollbacks = db.rollbacks();
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
}

RecipeIndex::OwnWrites::OwnWrites()
{
    ++ownWrites;
}

RecipeIndex::OwnWrites::~OwnWrites()
{
    --ownWrites;
}

quint64 RecipeIndex::catalogueGeneration()
{
    // Another program's commit may have changed the catalogue too.
    static qint64 seenVersion = -1;
    static const Sql::Connection* seenConnection = nullptr;
    Sql::Connection& db = Database();
    const qint64 version = dataVersion(db);
    if (version != seenVersion || &db != seenConnection) {
        seenVersion = version;
        seenConnection = &db;
        ++catalogueChanges;
    }
    return catalogueChanges;
}

void RecipeIndex::catalogueChanged()
{
    ++catalogueChanges;
}

void RecipeIndex::rowChanged(const char* table, bool updated)
{
    if (qstrcmp(table, "Ingredients") == 0)
        ++catalogueChanges;
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
    return true;
}

void RecipeIndex::remove(qint64 drinkId)
{
    const qsizetype slot = slotOf(drinkId);
    if (slot < 0)
        return;
    m_live[size_t(slot)] = false;
    m_names[slot].clear();
    --m_liveCount;
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
                                m_offsets.capacity() * sizeof(quint32) + m_lines.capacity() * sizeof(qint64));
    for (const QString& name : m_names)
        bytes += qsizetype(sizeof(QString)) + name.capacity() * 2 + 16;
    return bytes;
}

} // namespace DBLib
