#include "core/planner/BarPlanner.h"

#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"

#include <QFuture>
#include <QHash>
#include <QtConcurrent>

#include <memory>
#include <unordered_map>

#include <algorithm>
#include <optional>
#include <span>
#include <tuple>

namespace Planner {

namespace {

struct Known
{
    QString name;
    bool inStock = false;
    bool nonAlcoholic = false;
    std::optional<int> group;
};

// What the catalogue says of each ingredient, and who stands in for whom.
class Bar
{
public:
    Bar(const QList<DBLib::Ingredient>& catalogue, const Options& options) : m_options(options)
    {
        m_known.reserve(size_t(catalogue.size()));
        for (const DBLib::Ingredient& i : catalogue) {
            Known k{i.name, i.inStock, i.nonAlcoholic, std::nullopt};
            if (i.hasSubstituteGroup)
                k.group = Lib::SubstituteGroup(i.substitute);
            const int dense = int(m_known.size());
            m_known.push_back(k);
            m_ids.push_back(qint64(i.id));
            // Catalogue numbers are small: a direct table finds them without hashing.
            if (i.id >= 0 && i.id < DirectLimit) {
                if (size_t(i.id) >= m_direct.size())
                    m_direct.resize(size_t(i.id) + 1, -1);
                m_direct[size_t(i.id)] = dense;
            } else {
                m_far.insert(qint64(i.id), dense);
            }
        }
        if (options.substitutes) {
            for (const Known& k : m_known) {
                if (k.group && k.inStock && (!options.nonAlcoholicOnly || k.nonAlcoholic))
                    m_stockedInGroup[*k.group].append(k.name);
            }
            for (QStringList& names : m_stockedInGroup)
                std::sort(names.begin(), names.end(), DBLib::NameLess);
        }
        m_state.reserve(m_known.size());
        for (const Known& k : m_known) {
            quint8 state = k.nonAlcoholic ? NonAlcoholic : 0;
            if (k.inStock)
                state |= InStock;
            else if (!standIn(k).isEmpty())
                state |= StoodIn;
            m_state.push_back(state);
        }
    }

    // What the walk over every recipe line asks of an ingredient, in one byte.
    enum State : quint8 { InStock = 1, StoodIn = 2, NonAlcoholic = 4 };
    quint8 stateAt(int dense) const { return m_state[size_t(dense)]; }

    // The ingredient's place in the catalogue (0 .. size()-1); -1 when the catalogue lacks it.
    int denseOf(qint64 id) const
    {
        if (id >= 0 && id < qint64(m_direct.size()))
            return m_direct[size_t(id)];
        return m_far.value(id, -1);
    }
    int size() const { return int(m_known.size()); }
    qint64 idAt(int dense) const { return m_ids[size_t(dense)]; }
    const Known& at(int dense) const { return m_known[size_t(dense)]; }
    // The stocked ingredient that stands in for an ingredient not in stock; empty when none does.
    QString standIn(const Known& k) const
    {
        if (!m_options.substitutes || !k.group)
            return QString();
        const auto it = m_stockedInGroup.constFind(*k.group);
        return it == m_stockedInGroup.cend() || it->isEmpty() ? QString() : it->first();
    }
    // Buying `bought` makes `wanted` available (both as places in the catalogue): the same
    // ingredient, or (with substitutes) another of its group.
    bool covers(int bought, int wanted) const
    {
        if (bought == wanted)
            return true;
        if (!m_options.substitutes)
            return false;
        const Known& b = at(bought);
        const Known& w = at(wanted);
        return b.group && b.group == w.group && (!m_options.nonAlcoholicOnly || b.nonAlcoholic);
    }

private:
    static constexpr qint64 DirectLimit = qint64(1) << 22;
    Options m_options;
    std::vector<Known> m_known;
    std::vector<quint8> m_state;
    std::vector<qint64> m_ids;
    std::vector<int> m_direct;
    QHash<qint64, int> m_far;
    QHash<int, QStringList> m_stockedInGroup;
};

// Buying `bought` covers these places in the catalogue: itself and, with substitutes, the others
// of its group.
std::vector<int> coveredBy(const Bar& bar, int bought)
{
    std::vector<int> covered{bought};
    for (int other = 0; other < bar.size(); ++other) {
        if (other != bought && bar.covers(bought, other))
            covered.push_back(other);
    }
    return covered;
}

// Stock marks aside, the catalogue is the same: the same ingredients in the same order, with the
// same names, groups and non-alcoholic marks.
bool sameBar(const QList<DBLib::Ingredient>& a, const QList<DBLib::Ingredient>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const DBLib::Ingredient& x = a.at(i);
        const DBLib::Ingredient& y = b.at(i);
        if (x.id != y.id || x.nonAlcoholic != y.nonAlcoholic || x.hasSubstituteGroup != y.hasSubstituteGroup ||
            x.name != y.name || x.substitute != y.substitute)
            return false;
    }
    return true;
}

// Work handed to another thread uses this frame: whatever happens here, that thread is done before
// the frame goes. Its failure is taken by an explicit wait; here it can only be dropped, since this
// runs while another failure is already on its way out.
struct Join
{
    QFuture<void>& work;
    ~Join()
    {
        try {
            work.waitForFinished();
        } catch (...) {
        }
    }
};

bool sameOptions(const Options& a, const Options& b)
{
    return a.substitutes == b.substitutes && a.nonAlcoholicOnly == b.nonAlcoholicOnly &&
           a.sequenceLength == b.sequenceLength;
}

} // namespace

// What the tracker keeps between two analyses: the drinks that can ever be an answer, each with
// what it misses under the last stock, the groups they make, and the sequence's counts. A stock
// change re-reads only the drinks that use an ingredient whose state changed.
struct Tracker::State
{
    // A drink with lines, every ingredient in the catalogue and, for the non-alcoholic drinks
    // only, every ingredient non-alcoholic: the stock decides the rest.
    struct Entry
    {
        qint64 id;
        quint32 place; // in name order
        QStringView name; // in names
    };
    struct Group
    {
        std::vector<quint32> entries; // in name order
        QList<Drink> drinks; // made from entries when asked for after a change
        bool dirty = true;
    };

    quint64 indexVersion = 0;
    const DBLib::RecipeIndex* index = nullptr;
    size_t splitFrom = Tracker::SplitFrom;
    Options options;
    QList<DBLib::Ingredient> catalogue;
    std::unique_ptr<Bar> bar;
    std::vector<int> rank; // each place's position among the catalogue's names
    size_t tracked = 2; // missing ingredients followed per drink

    std::vector<Entry> entries;
    // The entries' names, copied from the index (which may change while an answer is kept).
    std::shared_ptr<std::vector<QString>> names;
    std::vector<int> entryPlaces; // entry e's ingredients as places: [placeStart[e] .. placeStart[e + 1])
    std::vector<quint32> placeStart{0};
    std::vector<quint32> usersStart; // the entries using place p: users[usersStart[p] .. usersStart[p + 1])
    std::vector<quint32> users;

    // Per entry: how many it misses (tracked + 1: more than that), the first `tracked` of them,
    // whether a substitute stands in.
    std::vector<quint8> missingCount;
    std::vector<int> missing; // tracked per entry
    std::vector<quint8> substituted;

    // The drinks that can be made now, and per place, over the drinks missing at most
    // sequenceLength: those a purchase would complete, and those it would bring closer.
    struct Counts
    {
        int makeable = 0;
        std::vector<int> completes;
        std::vector<int> closer;
    };
    Counts counts;
    std::vector<Group> ones; // per place
    std::unordered_map<quint64, Group> twos; // by the pair's two name ranks, the first's high
    // The pairs' keys in name order with their groups (empty ones are dropped when the answer is
    // made), and the keys of the groups made since.
    std::vector<std::pair<quint64, Group*>> twoOrder;
    std::vector<std::pair<quint64, Group*>> twoNew;
    Group& twoGroup(quint64 key)
    {
        const auto [it, made] = twos.try_emplace(key);
        if (made)
            twoNew.emplace_back(key, &it->second);
        return it->second;
    }
    std::vector<int> byRank; // the place of each name rank

    void build(const DBLib::RecipeIndex& from, const QList<DBLib::Ingredient>& cat, const Options& o);
    // A drink leaving (in false) or joining a group.
    struct Move
    {
        Move() = default;
        Move(quint64 group, bool joining, quint32 place, quint32 entry)
            : key(group), order(quint64(joining) << 63 | quint64(place) << 32 | entry)
        {}
        quint64 key = 0;
        quint64 order = 0; // leaving before joining, then in name order; the entry in the low half
        bool in() const { return order >> 63; }
        quint32 entry() const { return quint32(order); }
        bool operator<(const Move& other) const
        {
            return key != other.key ? key < other.key : order < other.order;
        }
    };
    // Works out the touched drinks and the counts again; the groups are mended by mend().
    std::vector<Move> follow(const QList<DBLib::Ingredient>& cat);
    void mend(std::span<const Move> moves);
    void evaluate(quint32 e);
    // Counts the entry in (sign +1) or out (-1) of the drinks that can be made and the sequence's
    // counts; its group is the caller's.
    void apply(quint32 e, int sign, Counts& into) const;
    // The group of an entry missing one (its place) or two (TwoMissingKey and the pair's key).
    static constexpr quint64 TwoMissingKey = quint64(1) << 63;
    quint64 groupKey(quint32 e) const
    {
        const std::span<const int> miss = missingOf(e);
        if (miss.size() == 1)
            return quint64(quint32(miss[0]));
        const auto [low, high] = std::minmax(rank[size_t(miss[0])], rank[size_t(miss[1])]);
        return TwoMissingKey | (quint64(quint32(low)) << 32) | quint32(high);
    }
    QStringList standInsOf(quint32 e) const;
    // The answer, once the groups are mended by these moves.
    Analysis answer(const std::vector<Move>& moves = {});
    QList<Purchase> sequence() const;
    std::span<const int> missingOf(quint32 e) const
    {
        return {missing.data() + size_t(e) * tracked, std::min<size_t>(missingCount[e], tracked)};
    }
    bool candidate(quint32 e) const
    {
        return missingCount[e] > 0 && missingCount[e] <= tracked && int(missingCount[e]) <= options.sequenceLength;
    }
};

void Tracker::State::build(const DBLib::RecipeIndex& from, const QList<DBLib::Ingredient>& cat, const Options& o)
{
    index = &from;
    indexVersion = from.version();
    options = o;
    catalogue = cat;
    bar = std::make_unique<Bar>(cat, o);
    tracked = size_t(std::clamp(o.sequenceLength, 2, 250)); // counts are kept in a byte
    const size_t places = size_t(bar->size());

    rank.assign(places, 0);
    {
        std::vector<int> byName(places);
        for (size_t p = 0; p < places; ++p)
            byName[p] = int(p);
        std::vector<QString> folded(places);
        for (size_t p = 0; p < places; ++p)
            folded[p] = bar->at(int(p)).name.toCaseFolded();
        std::sort(byName.begin(), byName.end(), [&](int a, int b) {
            const int c = folded[size_t(a)].compare(folded[size_t(b)]);
            if (c != 0)
                return c < 0;
            const int exact = bar->at(a).name.compare(bar->at(b).name);
            return exact != 0 ? exact < 0 : bar->idAt(a) < bar->idAt(b);
        });
        for (size_t r = 0; r < places; ++r)
            rank[size_t(byName[r])] = int(r);
        byRank = std::move(byName);
    }

    entries.clear();
    names = std::make_shared<std::vector<QString>>();
    entryPlaces.clear();
    placeStart.assign(1, 0);
    from.forEachDrinkWithName([&](qint64 id, quint32 place, const QString& name, std::span<const qint64> lines) {
        if (lines.empty())
            return; // a drink without a recipe is never one bottle away
        const size_t mark = entryPlaces.size();
        for (const qint64 ingredient : lines) {
            const int dense = bar->denseOf(ingredient);
            // An ingredient the catalogue lacks cannot be bought; an alcoholic one may be unwanted.
            if (dense < 0 || (o.nonAlcoholicOnly && !(bar->stateAt(dense) & Bar::NonAlcoholic))) {
                entryPlaces.resize(mark);
                return;
            }
            // An ingredient named on two lines is one place (the first line's).
            if (std::find(entryPlaces.begin() + std::ptrdiff_t(mark), entryPlaces.end(), dense) == entryPlaces.end())
                entryPlaces.push_back(dense);
        }
        names->push_back(name);
        entries.push_back({id, place, QStringView()});
        placeStart.push_back(quint32(entryPlaces.size()));
    });
    for (size_t e = 0; e < entries.size(); ++e)
        entries[e].name = names->at(e);

    usersStart.assign(places + 1, 0);
    for (const int p : entryPlaces)
        ++usersStart[size_t(p) + 1];
    for (size_t p = 0; p < places; ++p)
        usersStart[p + 1] += usersStart[p];
    users.assign(usersStart.back(), 0);
    {
        std::vector<quint32> fill(usersStart.begin(), usersStart.end() - 1);
        for (quint32 e = 0; e < entries.size(); ++e) {
            for (quint32 i = placeStart[e]; i < placeStart[e + 1]; ++i)
                users[fill[size_t(entryPlaces[i])]++] = e;
        }
    }

    missingCount.assign(entries.size(), 0);
    missing.assign(entries.size() * tracked, -1);
    substituted.assign(entries.size(), 0);
    counts.makeable = 0;
    ones.assign(places, Group{});
    twos.clear();
    twoOrder.clear();
    twoNew.clear();
    counts.completes.assign(places, 0);
    counts.closer.assign(places, 0);
    // The groups filled in one go: their drinks sorted once, each appended in name order.
    struct Hit
    {
        quint64 key;
        quint32 place;
        quint32 entry;
        bool operator<(const Hit& other) const { return std::tie(key, place) < std::tie(other.key, other.place); }
    };
    std::vector<Hit> hits;
    for (quint32 e = 0; e < entries.size(); ++e) {
        evaluate(e);
        apply(e, +1, counts);
        if (missingCount[e] == 1 || missingCount[e] == 2)
            hits.push_back({groupKey(e), entries[e].place, e});
    }
    std::sort(hits.begin(), hits.end());
    Group* group = nullptr;
    for (size_t i = 0; i < hits.size(); ++i) {
        const quint64 key = hits[i].key;
        if (i == 0 || key != hits[i - 1].key)
            group = key & TwoMissingKey ? &twoGroup(key & ~TwoMissingKey) : &ones[size_t(key)];
        group->entries.push_back(hits[i].entry);
    }
}

// A stock change: the entries using an ingredient whose state changed (in stock, stood in, or
// which stocked ingredient stands in for it) are taken out of the answer and put back as they are
// now.
std::vector<Tracker::State::Move> Tracker::State::follow(const QList<DBLib::Ingredient>& cat)
{
    auto next = std::make_unique<Bar>(cat, options);
    std::vector<int> changed;
    for (int p = 0; p < next->size(); ++p) {
        if (next->stateAt(p) != bar->stateAt(p) ||
            (options.substitutes && next->standIn(next->at(p)) != bar->standIn(bar->at(p))))
            changed.push_back(p);
    }
    std::vector<quint32> touched;
    {
        std::vector<char> seen(entries.size(), 0);
        for (const int p : changed) {
            for (quint32 i = usersStart[size_t(p)]; i < usersStart[size_t(p) + 1]; ++i) {
                const quint32 e = users[i];
                if (!seen[e]) {
                    seen[e] = 1;
                    touched.push_back(e);
                }
            }
        }
    }
    // Each touched drink is counted out, worked out under the new stock and counted in (the
    // counts' rule reads the substitute groups only, the same under either stock; the stand-in
    // names are only read when a group's drinks are made). Many drinks are done in two parts at
    // once, each with counts and group moves of its own, added up after.
    bar = std::move(next);
    catalogue = cat;
    struct Part
    {
        Counts counts;
        std::vector<Move> moves;
    };
    const auto grouped = [&](quint32 e) { return missingCount[e] == 1 || missingCount[e] == 2; };
    const auto followPart = [&](std::span<const quint32> drinks, Part& part) {
        part.counts.completes.assign(size_t(bar->size()), 0);
        part.counts.closer.assign(size_t(bar->size()), 0);
        for (const quint32 e : drinks) {
            if (grouped(e))
                part.moves.emplace_back(groupKey(e), false, entries[e].place, e);
            apply(e, -1, part.counts);
            evaluate(e);
            apply(e, +1, part.counts);
            if (grouped(e))
                part.moves.emplace_back(groupKey(e), true, entries[e].place, e);
        }
        std::sort(part.moves.begin(), part.moves.end());
    };
    const size_t half = touched.size() >= splitFrom ? touched.size() / 2 : touched.size();
    Part first;
    Part second;
    {
        QFuture<void> other;
        if (half < touched.size())
            other = QtConcurrent::run([&] { followPart(std::span(touched).subspan(half), second); });
        const Join join{other};
        followPart(std::span(touched).first(half), first);
        other.waitForFinished(); // a failure of the other part comes out here
    }
    std::vector<Move> moves(first.moves.size() + second.moves.size());
    std::merge(first.moves.begin(), first.moves.end(), second.moves.begin(), second.moves.end(), moves.begin());
    for (const Part* part : {&first, &second}) {
        counts.makeable += part->counts.makeable;
        for (size_t p = 0; p < part->counts.completes.size(); ++p) {
            counts.completes[p] += part->counts.completes[p];
            counts.closer[p] += part->counts.closer[p];
        }
    }

    return moves;
}

// Each group a move touches is mended once: its leaving drinks taken out, its arriving ones merged
// in (in name order), its drink list marked to be made again.
void Tracker::State::mend(std::span<const Move> moves)
{
    std::vector<char> leaving(entries.size(), 0);
    std::vector<quint32> arriving;
    std::vector<quint32> merged;
    const auto byPlace = [&](quint32 a, quint32 b) { return entries[a].place < entries[b].place; };
    for (size_t i = 0; i < moves.size();) {
        const quint64 key = moves[i].key;
        Group& group = key & TwoMissingKey ? twoGroup(key & ~TwoMissingKey) : ones[size_t(key)];
        const size_t run = i;
        bool out = false;
        arriving.clear();
        for (; i < moves.size() && moves[i].key == key; ++i) {
            if (moves[i].in()) {
                arriving.push_back(moves[i].entry());
            } else {
                leaving[moves[i].entry()] = 1;
                out = true;
            }
        }
        if (out) {
            std::erase_if(group.entries, [&](quint32 e) { return leaving[e] != 0; });
            for (size_t m = run; m < i; ++m)
                leaving[moves[m].entry()] = 0;
        }
        if (!arriving.empty()) {
            merged.resize(group.entries.size() + arriving.size());
            std::merge(group.entries.begin(), group.entries.end(), arriving.begin(), arriving.end(), merged.begin(), byPlace);
            group.entries.swap(merged);
        }
        group.dirty = true;
    }
}

void Tracker::State::evaluate(quint32 e)
{
    int* list = missing.data() + size_t(e) * tracked;
    size_t count = 0;
    bool standIn = false;
    for (quint32 i = placeStart[e]; i < placeStart[e + 1]; ++i) {
        const int dense = entryPlaces[i];
        const quint8 state = bar->stateAt(dense);
        if (state & Bar::InStock)
            continue;
        if (state & Bar::StoodIn) {
            standIn = true;
        } else if (std::find(list, list + std::min(count, tracked), dense) == list + std::min(count, tracked)) {
            if (count == tracked) {
                count = tracked + 1; // too far away for any answer
                break;
            }
            list[count++] = dense;
        }
    }
    missingCount[e] = quint8(count);
    substituted[e] = standIn ? 1 : 0;
}

void Tracker::State::apply(quint32 e, int sign, Counts& into) const
{
    const std::span<const int> miss = missingOf(e);
    const size_t count = missingCount[e];
    if (count == 0) {
        into.makeable += sign;
        return;
    }
    if (candidate(e)) {
        for (const int option : miss) {
            into.closer[size_t(option)] += sign;
            if (count == 1 || std::all_of(miss.begin(), miss.end(), [&](int r) { return bar->covers(option, r); }))
                into.completes[size_t(option)] += sign;
        }
    }
}

QStringList Tracker::State::standInsOf(quint32 e) const
{
    QStringList standIns;
    if (!substituted[e])
        return standIns;
    for (quint32 i = placeStart[e]; i < placeStart[e + 1]; ++i) {
        const Known& k = bar->at(entryPlaces[i]);
        if (!k.inStock) {
            const QString standIn = bar->standIn(k);
            if (!standIn.isEmpty())
                standIns.append(standIn + QStringLiteral(" for ") + k.name);
        }
    }
    standIns.removeDuplicates();
    return standIns;
}

// The greedy shopping sequence: each step takes the purchase that completes the most drinks
// together with the purchases before it; when none completes one, the one that brings the most
// drinks closer, so a pair that completes many drinks together rises. Equal counts go by name.
// The counts start from those kept per place and are mended after each purchase for the drinks it
// touches only.
QList<Purchase> Tracker::State::sequence() const
{
    const size_t places = size_t(bar->size());
    std::vector<int> complete = counts.completes;
    std::vector<int> close = counts.closer;
    std::vector<char> covered(places, 0);
    std::vector<int> remaining;
    const auto remainingOf = [&](quint32 e) {
        remaining.clear();
        for (const int m : missingOf(e)) {
            if (!covered[size_t(m)])
                remaining.push_back(m);
        }
    };
    const auto count = [&](int sign) {
        for (const int option : remaining) {
            close[size_t(option)] += sign;
            if (remaining.size() == 1 ||
                std::all_of(remaining.begin(), remaining.end(), [&](int r) { return bar->covers(option, r); }))
                complete[size_t(option)] += sign;
        }
    };

    QList<Purchase> bought;
    int total = 0;
    std::vector<quint32> seen(entries.size(), 0);
    std::vector<quint32> touched;
    for (int step = 1; step <= options.sequenceLength; ++step) {
        int best = -1;
        for (size_t p = 0; p < places; ++p) {
            if (close[p] == 0 || covered[p])
                continue;
            const size_t b = size_t(best);
            if (best < 0 || (complete[p] != complete[b] ? complete[p] > complete[b]
                             : close[p] != close[b]     ? close[p] > close[b]
                                                        : rank[p] < rank[b]))
                best = int(p);
        }
        if (best < 0)
            break;
        total += complete[size_t(best)];
        bought.append({Ingredient{bar->idAt(best), bar->at(best).name}, complete[size_t(best)], total});

        // Take the touched drinks' counts out, cover, and put back what they still miss.
        touched.clear();
        const std::vector<int> cover = coveredBy(*bar, best);
        for (const int p : cover) {
            if (covered[size_t(p)])
                continue;
            for (quint32 i = usersStart[size_t(p)]; i < usersStart[size_t(p) + 1]; ++i) {
                const quint32 e = users[i];
                if (seen[e] == quint32(step) || !candidate(e))
                    continue;
                seen[e] = quint32(step);
                touched.push_back(e);
                remainingOf(e);
                count(-1);
            }
        }
        for (const int p : cover)
            covered[size_t(p)] = 1;
        for (const quint32 e : touched) {
            remainingOf(e);
            count(+1);
        }
    }
    return bought;
}

Analysis Tracker::State::answer(const std::vector<Move>& moves)
{
    const auto drinksOf = [&](Group& group) -> const QList<Drink>& {
        if (group.dirty) {
            group.drinks.clear();
            group.drinks.reserve(qsizetype(group.entries.size()));
            for (const quint32 e : group.entries)
                group.drinks.append({entries[e].id, entries[e].name, standInsOf(e)});
            group.dirty = false;
        }
        return group.drinks;
    };
    const auto ingredientAt = [&](int place) { return Ingredient{bar->idAt(place), bar->at(place).name}; };

    Analysis analysis;
    analysis.makeableNow = counts.makeable;
    analysis.drinkNames = names;

    // The sequence reads the counts only: it is made on another thread from the start. The groups
    // of one missing are mended and listed on a second while this one does the pairs (they share
    // no group; the moves come sorted, those to groups of one first).
    QFuture<void> buying = QtConcurrent::run([&] { analysis.sequence = sequence(); });
    const Join joinBuying{buying};
    const auto firstPair = std::partition_point(moves.begin(), moves.end(),
                                                [](const Move& m) { return !(m.key & TwoMissingKey); });

    QFuture<void> beside = QtConcurrent::run([&] {
        mend(std::span(moves.begin(), firstPair));
        // Most drinks first, then by name.
        std::vector<int> oneOrder;
        for (size_t p = 0; p < ones.size(); ++p) {
            if (!ones[p].entries.empty())
                oneOrder.push_back(int(p));
        }
        std::sort(oneOrder.begin(), oneOrder.end(), [&](int a, int b) {
            const size_t na = ones[size_t(a)].entries.size();
            const size_t nb = ones[size_t(b)].entries.size();
            return na != nb ? na > nb : rank[size_t(a)] < rank[size_t(b)];
        });
        analysis.oneMissing.reserve(qsizetype(oneOrder.size()));
        analysis.buyNext.reserve(qsizetype(oneOrder.size()));
        for (const int p : oneOrder) {
            Group& group = ones[size_t(p)];
            analysis.oneMissing.append({ingredientAt(p), drinksOf(group)});
            analysis.buyNext.append({ingredientAt(p), int(group.entries.size())});
        }
    });
    const Join join{beside};
    mend(std::span(firstPair, moves.end()));

    // The pairs in name order: the new ones merged in, the empty ones dropped. A counting sort by
    // size (most first) keeps that order among equals.
    std::sort(twoNew.begin(), twoNew.end());
    std::vector<std::pair<quint64, Group*>> all(twoOrder.size() + twoNew.size());
    std::merge(twoOrder.begin(), twoOrder.end(), twoNew.begin(), twoNew.end(), all.begin());
    twoNew.clear();
    twoOrder.clear();
    size_t largest = 0;
    for (const auto& [key, group] : all) {
        if (group->entries.empty()) {
            twos.erase(key);
            continue;
        }
        twoOrder.emplace_back(key, group);
        largest = std::max(largest, group->entries.size());
    }
    const std::vector<std::pair<quint64, Group*>>& named = twoOrder;
    std::vector<size_t> start(largest + 2, 0);
    for (const auto& [key, group] : named)
        ++start[largest - group->entries.size() + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<const std::pair<quint64, Group*>*> bySize(named.size());
    for (const auto& pair : named)
        bySize[start[largest - pair.second->entries.size()]++] = &pair;
    analysis.twoMissing.reserve(qsizetype(bySize.size()));
    for (const auto* pair : bySize) {
        const int first = byRank[size_t(pair->first >> 32)];
        const int second = byRank[size_t(pair->first & 0xffffffffu)];
        analysis.twoMissing.append({ingredientAt(first), ingredientAt(second), drinksOf(*pair->second)});
    }

    beside.waitForFinished();
    buying.waitForFinished();
    return analysis;
}

Tracker::Tracker(size_t splitFrom) : m_splitFrom(std::max<size_t>(1, splitFrom)) {}
Tracker::~Tracker() = default;
Tracker::Tracker(Tracker&&) noexcept = default;
Tracker& Tracker::operator=(Tracker&&) noexcept = default;

Analysis Tracker::analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options)
{
    try {
        if (!m_state || m_state->index != &index || m_state->indexVersion != index.version() ||
            !sameOptions(m_state->options, options) || !sameBar(m_state->catalogue, catalogue)) {
            m_state = std::make_unique<State>();
            m_state->splitFrom = m_splitFrom;
            m_state->build(index, catalogue, options);
            return m_state->answer();
        }
        return m_state->answer(m_state->follow(catalogue));
    } catch (...) {
        // Half followed is not followed: the next analysis starts afresh.
        m_state.reset();
        throw;
    }
}

Analysis Tracker::analyse(const Options& options)
{
    const DBLib::RecipeIndex& index = DBLib::RecipeIndex::current();
    const quint64 shape = DBLib::RecipeIndex::catalogueShapeGeneration();
    if (m_state && m_shapeSeen == shape) {
        // Only stock marks changed since the catalogue was read: read those alone.
        QList<DBLib::Ingredient> catalogue = m_state->catalogue;
        const std::vector<qint64> stocked = DBLib::StockedIngredientIds();
        for (DBLib::Ingredient& i : catalogue)
            i.inStock = std::binary_search(stocked.begin(), stocked.end(), i.id);
        return analyse(index, catalogue, options);
    }
    Analysis analysis = analyse(index, DBLib::IngredientCatalogue(), options);
    m_shapeSeen = shape; // only once the catalogue read is the state's
    return analysis;
}

Analysis Analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options)
{
    return Tracker().analyse(index, catalogue, options);
}

Analysis Analyse(const Options& options)
{
    return Tracker().analyse(options);
}

} // namespace Planner
