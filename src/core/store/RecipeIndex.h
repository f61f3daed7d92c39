#pragma once

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// Which ingredients each drink's recipe uses, in memory: the
// questions asked of every drink at once (the derived flags, the bar planner) read it instead of
// every recipe line. Built once from the open database and kept current by the store's own writes;
// rebuilt when another program changed the file or a write of ours was rolled back.
namespace DBLib {

class RecipeIndex
{
public:
    // The index of the open database, up to date. Throws Sql::Error when none is open.
    static const RecipeIndex& current();

    // The store's writes keep it current (called with the change already written).
    static void drinkWritten(qint64 drinkId, const QString& name, std::vector<qint64> ingredientIds);
    static void drinkRemoved(qint64 drinkId);
    // Forgets everything; the next current() rebuilds from the file.
    static void invalidate();

    // While one lives, a count of one kind of the store's own writes is raised; the guards below
    // are of this kind.
    class WriteScope
    {
    public:
        WriteScope(const WriteScope&) = delete;
        WriteScope& operator=(const WriteScope&) = delete;

    protected:
        explicit WriteScope(int& count) : m_count(count) { ++m_count; }
        ~WriteScope() { --m_count; }

    private:
        int& m_count;
    };

    // Recipe rows written other than through the store's drink writer (a raw statement, the starter
    // data) make the index stale; the writer marks its own writes with this guard.
    class OwnWrites : WriteScope
    {
    public:
        OwnWrites();
    };
    // Writes that change drinks' marks and flags only, not which drinks there are or their names,
    // say so with this guard; other writes to the drinks change the list of drinks.
    class NamesKept : WriteScope
    {
    public:
        NamesKept();
    };
    // Counts changes of the list of drinks and their names (ours, rollbacks, another program's
    // commits), so a list read from the file can be kept until it changes.
    static quint64 drinkListGeneration();
    // The same for any change of the drinks' rows, their marks and flags included.
    static quint64 drinkRowGeneration();

    // Told of every row inserted, changed or deleted on the open database.
    static void rowChanged(const char* table, bool updated);
    // Counts changes of the ingredient catalogue (rows, marks, groups), so what is worked out from
    // it can be kept until it changes.
    static quint64 catalogueGeneration();
    static void catalogueChanged();
    // Writes to the catalogue that change its stock and shopping-list marks only say so with this
    // guard; the count below then stays.
    class MarksOnly : WriteScope
    {
    public:
        MarksOnly();
    };
    // Counts changes of the catalogue other than its stock and shopping-list marks.
    static quint64 catalogueShapeGeneration();

    // Live drinks, in ID order.
    qsizetype drinkCount() const { return m_liveCount; }
    template <typename F> void forEachDrink(F&& f) const
    {
        for (size_t slot = 0; slot < m_ids.size(); ++slot) {
            if (m_live[slot])
                f(m_ids[slot], ingredientsAt(slot));
        }
    }
    // The same with each drink's name and its place in name order (0 for the first; letter case
    // aside, then exactly, see NameLess). The order is worked out at the first call after the drinks
    // changed, then kept.
    template <typename F> void forEachDrinkWithName(F&& f) const
    {
        const std::vector<quint32>& places = namePlaces();
        for (size_t slot = 0; slot < m_ids.size(); ++slot) {
            if (m_live[slot])
                f(m_ids[slot], places[slot], m_names.at(qsizetype(slot)), ingredientsAt(slot));
        }
    }
    // The ingredient IDs of a drink's recipe lines, one per line (an ingredient named twice appears
    // twice); empty for a drink without lines or one that does not exist.
    std::span<const qint64> ingredientsOf(qint64 drinkId) const;
    // The drink's name as stored (decoded); empty for an unknown drink.
    QString nameOf(qint64 drinkId) const;
    bool contains(qint64 drinkId) const { return slotOf(drinkId) >= 0; }

    // Changes whenever the index changes (a drink written or removed, a rebuild): what is worked out
    // from it, and pointers into it, hold while this stays the same.
    quint64 version() const { return m_version; }

    // Bytes held, roughly (for the benchmark's memory figure).
    qsizetype memoryUse() const;

private:
    void build();
    const std::vector<quint32>& namePlaces() const;
    void placeByName() const;
    // False when the change is not one this index can follow (then it must be rebuilt).
    bool add(qint64 drinkId, const QString& name, const std::vector<qint64>& ingredientIds);
    void remove(qint64 drinkId);
    qsizetype slotOf(qint64 drinkId) const;
    std::span<const qint64> ingredientsAt(size_t slot) const
    {
        return {m_lines.data() + m_offsets[slot], m_lines.data() + m_offsets[slot + 1]};
    }

    // Slots in ascending drink ID: new drinks take the highest ID plus one, so they are appended.
    // A removed drink stays as a dead slot until the next rebuild.
    std::vector<qint64> m_ids;
    std::vector<bool> m_live;
    std::vector<quint32> m_offsets{0}; // slot i's lines are m_lines[m_offsets[i] .. m_offsets[i+1])
    std::vector<qint64> m_lines;
    QStringList m_names;
    qsizetype m_liveCount = 0;
    quint64 m_version = 0;
    // Slots by name (dead ones included) and each slot's place in that order; worked out when
    // first asked for (m_byNameReady).
    mutable std::vector<quint32> m_byName;
    mutable std::vector<quint32> m_namePlaces;
    mutable bool m_byNameReady = false;
};

// Names compared the way the planner lists them: case folded, then exactly.
bool NameLess(const QString& a, const QString& b);

} // namespace DBLib
