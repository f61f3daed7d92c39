#include "core/planner/BarPlanner.h"

#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"

#include <QHash>

#include <algorithm>
#include <tuple>
#include <optional>

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

// The greedy shopping sequence: each step takes the purchase that completes the most drinks
// together with the purchases before it; when none completes one, the one that brings the most
// drinks closer, so a pair that completes many drinks together rises. Equal counts go by name.
// `missing` holds each candidate drink's missing ingredients (places in the catalogue), the drink's
// share being missing[offsets[c] .. offsets[c + 1]). The counts are kept per place and mended
// after each purchase for the drinks it touches only.
QList<Purchase> shoppingSequence(const Bar& bar, const std::vector<int>& rank, const std::vector<int>& missing,
                                 const std::vector<quint32>& offsets, int length)
{
    const size_t places = size_t(bar.size());
    const size_t candidates = offsets.size() - 1;
    // The candidates that miss each place: listed[listStart[p] .. listStart[p + 1]).
    std::vector<quint32> listStart(places + 1, 0);
    for (const int m : missing)
        ++listStart[size_t(m) + 1];
    for (size_t p = 0; p < places; ++p)
        listStart[p + 1] += listStart[p];
    std::vector<quint32> listed(missing.size());
    {
        std::vector<quint32> fill(listStart.begin(), listStart.end() - 1);
        for (size_t c = 0; c < candidates; ++c) {
            for (quint32 i = offsets[c]; i < offsets[c + 1]; ++i)
                listed[fill[size_t(missing[i])]++] = quint32(c);
        }
    }

    std::vector<char> covered(places, 0);
    // Per place: the open drinks a purchase of it would complete, and those it would bring closer.
    std::vector<int> completes(places, 0);
    std::vector<int> closer(places, 0);
    std::vector<int> remaining;
    const auto remainingOf = [&](size_t c) {
        remaining.clear();
        for (quint32 i = offsets[c]; i < offsets[c + 1]; ++i) {
            if (!covered[size_t(missing[i])])
                remaining.push_back(missing[i]);
        }
    };
    const auto count = [&](int sign) {
        for (const int option : remaining) {
            closer[size_t(option)] += sign;
            if (remaining.size() == 1 ||
                std::all_of(remaining.begin(), remaining.end(), [&](int r) { return bar.covers(option, r); }))
                completes[size_t(option)] += sign;
        }
    };
    for (size_t c = 0; c < candidates; ++c) {
        remainingOf(c);
        count(+1);
    }

    QList<Purchase> sequence;
    int total = 0;
    std::vector<quint32> seen(candidates, 0);
    std::vector<quint32> touched;
    for (int step = 1; step <= length; ++step) {
        int best = -1;
        for (size_t p = 0; p < places; ++p) {
            if (closer[p] == 0 || covered[p])
                continue;
            const size_t b = size_t(best);
            if (best < 0 || (completes[p] != completes[b] ? completes[p] > completes[b]
                             : closer[p] != closer[b]     ? closer[p] > closer[b]
                                                          : rank[p] < rank[b]))
                best = int(p);
        }
        if (best < 0)
            break;
        total += completes[size_t(best)];
        sequence.append({Ingredient{bar.idAt(best), bar.at(best).name}, completes[size_t(best)], total});

        // Take the touched drinks' counts out, cover, and put back what they still miss.
        touched.clear();
        const std::vector<int> cover = coveredBy(bar, best);
        for (const int p : cover) {
            if (covered[size_t(p)])
                continue;
            for (quint32 i = listStart[size_t(p)]; i < listStart[size_t(p) + 1]; ++i) {
                const quint32 c = listed[i];
                if (seen[c] == quint32(step))
                    continue;
                seen[c] = quint32(step);
                touched.push_back(c);
                remainingOf(c);
                count(-1);
            }
        }
        for (const int p : cover)
            covered[size_t(p)] = 1;
        for (const quint32 c : touched) {
            remainingOf(c);
            count(+1);
        }
    }
    return sequence;
}

// A drink one or two bottles away.
struct Hit
{
    int first;
    int second; // -1 for one missing
    quint32 place; // in name order
    qint64 id;
    const QString* name;
    QStringList standIns;
};

} // namespace

Analysis Analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options)
{
    const Bar bar(catalogue, options);
    Analysis analysis;
    const size_t places = size_t(bar.size());

    // Each place's position among the catalogue's names: names are compared once, here.
    std::vector<int> rank(places);
    {
        std::vector<int> byName(places);
        for (size_t p = 0; p < places; ++p)
            byName[p] = int(p);
        std::vector<QString> folded(places);
        for (size_t p = 0; p < places; ++p)
            folded[p] = bar.at(int(p)).name.toCaseFolded();
        std::sort(byName.begin(), byName.end(), [&](int a, int b) {
            const int c = folded[size_t(a)].compare(folded[size_t(b)]);
            if (c != 0)
                return c < 0;
            const int exact = bar.at(a).name.compare(bar.at(b).name);
            return exact != 0 ? exact < 0 : bar.idAt(a) < bar.idAt(b);
        });
        for (size_t r = 0; r < places; ++r)
            rank[size_t(byName[r])] = int(r);
    }

    // One walk over the drinks; each hit keeps the drink's place in name order for the groups.
    const size_t tracked = size_t(std::max(2, options.sequenceLength));
    std::vector<Hit> hits;
    std::vector<int> candidateMissing;
    std::vector<quint32> candidateOffsets{0};
    std::vector<int> missing;
    missing.reserve(tracked + 1);
    index.forEachDrinkWithName([&](qint64 id, quint32 place, const QString& name, std::span<const qint64> lines) {
        if (lines.empty())
            return; // a drink without a recipe is never one bottle away
        missing.clear();
        bool substituted = false;
        for (const qint64 ingredient : lines) {
            const int dense = bar.denseOf(ingredient);
            if (dense < 0)
                return; // an ingredient the catalogue lacks cannot be bought
            const quint8 state = bar.stateAt(dense);
            if (options.nonAlcoholicOnly && !(state & Bar::NonAlcoholic))
                return; // an alcoholic one is not wanted
            if (state & Bar::InStock)
                continue;
            if (state & Bar::StoodIn) {
                substituted = true;
            } else if (std::find(missing.begin(), missing.end(), dense) == missing.end()) {
                missing.push_back(dense);
                if (missing.size() > tracked)
                    return; // too far away for any answer
            }
        }
        if (missing.empty()) {
            ++analysis.makeableNow;
            return;
        }
        if (int(missing.size()) <= options.sequenceLength) {
            candidateMissing.insert(candidateMissing.end(), missing.begin(), missing.end());
            candidateOffsets.push_back(quint32(candidateMissing.size()));
        }
        if (missing.size() > 2)
            return;
        Hit hit{missing[0], -1, place, id, &name, {}};
        if (missing.size() == 2) {
            hit.second = missing[1];
            if (rank[size_t(hit.second)] < rank[size_t(hit.first)])
                std::swap(hit.first, hit.second);
        }
        if (substituted) {
            for (const qint64 ingredient : lines) {
                const Known& k = bar.at(bar.denseOf(ingredient));
                if (!k.inStock) {
                    const QString standIn = bar.standIn(k);
                    if (!standIn.isEmpty())
                        hit.standIns.append(standIn + QStringLiteral(" for ") + k.name);
                }
            }
            hit.standIns.removeDuplicates();
        }
        hits.push_back(std::move(hit));
    });

    // Groups: by place (one missing) or pair of places (two missing), then drinks in name order.
    // The parts to sort by are copied beside each hit's index, so the sort moves small values.
    struct Key
    {
        std::tuple<bool, int, int, quint32> parts; // two missing, the two name ranks, drink's place
        quint32 hit;
        bool operator<(const Key& other) const { return parts < other.parts; }
    };
    std::vector<Key> order(hits.size());
    for (size_t i = 0; i < hits.size(); ++i) {
        const Hit& h = hits[i];
        order[i] = {{h.second >= 0, rank[size_t(h.first)], h.second >= 0 ? rank[size_t(h.second)] : 0, h.place},
                    quint32(i)};
    }
    std::sort(order.begin(), order.end());
    struct Run
    {
        size_t begin;
        size_t end;
    };
    std::vector<Run> ones;
    std::vector<Run> twos;
    const auto hitAt = [&](size_t i) -> Hit& { return hits[order[i].hit]; };
    for (size_t i = 0; i < order.size();) {
        const Hit& first = hitAt(i);
        size_t j = i + 1;
        while (j < order.size() && hitAt(j).first == first.first && hitAt(j).second == first.second)
            ++j;
        (first.second < 0 ? ones : twos).push_back({i, j});
        i = j;
    }
    const auto bigger = [](const Run& a, const Run& b) { return a.end - a.begin > b.end - b.begin; };
    // Most drinks first; equal sizes stay in name order.
    std::stable_sort(ones.begin(), ones.end(), bigger);
    std::stable_sort(twos.begin(), twos.end(), bigger);

    const auto ingredientAt = [&](int place) { return Ingredient{bar.idAt(place), bar.at(place).name}; };
    const auto drinksOf = [&](const Run& run) {
        QList<Drink> drinks;
        drinks.reserve(qsizetype(run.end - run.begin));
        for (size_t i = run.begin; i < run.end; ++i) {
            Hit& hit = hitAt(i);
            drinks.append({hit.id, *hit.name, std::move(hit.standIns)});
        }
        return drinks;
    };
    analysis.oneMissing.reserve(qsizetype(ones.size()));
    analysis.buyNext.reserve(qsizetype(ones.size()));
    for (const Run& run : ones) {
        const Ingredient ingredient = ingredientAt(hitAt(run.begin).first);
        analysis.oneMissing.append({ingredient, drinksOf(run)});
        analysis.buyNext.append({ingredient, int(run.end - run.begin)});
    }
    analysis.twoMissing.reserve(qsizetype(twos.size()));
    for (const Run& run : twos)
        analysis.twoMissing.append({ingredientAt(hitAt(run.begin).first), ingredientAt(hitAt(run.begin).second), drinksOf(run)});

    analysis.sequence = shoppingSequence(bar, rank, candidateMissing, candidateOffsets, options.sequenceLength);
    return analysis;
}

Analysis Analyse(const Options& options)
{
    return Analyse(DBLib::RecipeIndex::current(), DBLib::IngredientCatalogue(), options);
}

} // namespace Planner
