#include "core/planner/BarPlanner.h"

#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"

#include <QHash>

#include <algorithm>
#include <map>
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
        if (!options.substitutes)
            return;
        for (const Known& k : m_known) {
            if (k.group && k.inStock && (!options.nonAlcoholicOnly || k.nonAlcoholic))
                m_stockedInGroup[*k.group].append(k.name);
        }
        for (QStringList& names : m_stockedInGroup)
            std::sort(names.begin(), names.end(), NameLess);
    }

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
    const Known* find(qint64 id) const
    {
        const int dense = denseOf(id);
        return dense < 0 ? nullptr : &m_known[size_t(dense)];
    }
    // The stocked ingredient that stands in for an ingredient not in stock; empty when none does.
    QString standIn(const Known& k) const
    {
        if (!m_options.substitutes || !k.group)
            return QString();
        const auto it = m_stockedInGroup.constFind(*k.group);
        return it == m_stockedInGroup.cend() || it->isEmpty() ? QString() : it->first();
    }
    bool available(const Known& k) const { return k.inStock || !standIn(k).isEmpty(); }
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
    std::vector<qint64> m_ids;
    std::vector<int> m_direct;
    QHash<qint64, int> m_far;
    QHash<int, QStringList> m_stockedInGroup;
};

struct Candidate
{
    qint64 drink;
    std::vector<int> missing; // distinct, as places in the catalogue
};

Ingredient ingredientOf(const Bar& bar, qint64 id)
{
    const Known* k = bar.find(id);
    return {id, k ? k->name : QString()};
}

bool drinkLess(const Drink& a, const Drink& b)
{
    return NameLess(a.name, b.name);
}

// The greedy shopping sequence: each step takes the purchase that completes the most drinks
// together with the purchases before it; when none completes one, the one that brings the most
// drinks closer, so a pair that completes many drinks together rises.
QList<Purchase> shoppingSequence(const Bar& bar, std::vector<Candidate> candidates, int length)
{
    QList<Purchase> sequence;
    std::vector<int> bought;
    int total = 0;
    const auto coveredByBought = [&](int wanted) {
        return std::any_of(bought.begin(), bought.end(), [&](int b) { return bar.covers(b, wanted); });
    };
    // Counts per place in the catalogue, and the places counted this step.
    std::vector<int> completes(size_t(bar.size()), 0);
    std::vector<int> closer(size_t(bar.size()), 0);
    std::vector<int> touched;
    std::vector<int> remaining;
    for (int step = 0; step < length; ++step) {
        for (const int t : touched)
            completes[size_t(t)] = closer[size_t(t)] = 0;
        touched.clear();
        for (const Candidate& c : candidates) {
            remaining.clear();
            for (const int m : c.missing) {
                if (!coveredByBought(m))
                    remaining.push_back(m);
            }
            if (remaining.empty())
                continue;
            for (const int option : remaining) {
                if (closer[size_t(option)]++ == 0)
                    touched.push_back(option);
                if (remaining.size() == 1 ||
                    std::all_of(remaining.begin(), remaining.end(), [&](int r) { return bar.covers(option, r); }))
                    ++completes[size_t(option)];
            }
        }
        int best = -1;
        for (const int option : touched) {
            const int done = completes[size_t(option)];
            const int near = closer[size_t(option)];
            const bool better =
                best < 0 || done > completes[size_t(best)] ||
                (done == completes[size_t(best)] &&
                 (near > closer[size_t(best)] ||
                  (near == closer[size_t(best)] && NameLess(bar.at(option).name, bar.at(best).name))));
            if (better)
                best = option;
        }
        if (best < 0)
            break;
        bought.push_back(best);
        total += completes[size_t(best)];
        sequence.append({Ingredient{bar.idAt(best), bar.at(best).name}, completes[size_t(best)], total});
    }
    return sequence;
}

} // namespace

bool NameLess(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

Analysis Analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options)
{
    const Bar bar(catalogue, options);
    Analysis analysis;
    std::map<qint64, QList<Drink>> oneMissing;
    std::map<std::pair<qint64, qint64>, QList<Drink>> twoMissing;
    std::vector<Candidate> candidates;

    index.forEachDrink([&](qint64 id, std::span<const qint64> lines) {
        if (lines.empty())
            return; // a drink without a recipe is never one bottle away
        Drink drink{id, QString(), {}};
        std::vector<int> missing;
        for (const qint64 ingredient : lines) {
            const int dense = bar.denseOf(ingredient);
            if (dense < 0)
                return; // an ingredient the catalogue lacks cannot be bought
            const Known& k = bar.at(dense);
            if (options.nonAlcoholicOnly && !k.nonAlcoholic)
                return; // an alcoholic one is not wanted
            if (!k.inStock) {
                const QString standIn = bar.standIn(k);
                if (!standIn.isEmpty())
                    drink.standIns.append(standIn + QStringLiteral(" for ") + k.name);
                else if (std::find(missing.begin(), missing.end(), dense) == missing.end())
                    missing.push_back(dense);
            }
        }
        if (missing.empty()) {
            ++analysis.makeableNow;
            return;
        }
        if (int(missing.size()) <= options.sequenceLength)
            candidates.push_back({id, missing});
        if (missing.size() > 2)
            return;
        drink.standIns.removeDuplicates();
        drink.name = index.nameOf(id);
        if (missing.size() == 1) {
            oneMissing[bar.idAt(missing[0])].append(drink);
        } else {
            std::pair<qint64, qint64> pair{bar.idAt(missing[0]), bar.idAt(missing[1])};
            if (NameLess(bar.at(missing[1]).name, bar.at(missing[0]).name))
                std::swap(pair.first, pair.second);
            twoMissing[pair].append(drink);
        }
    });

    for (auto& [ingredient, drinks] : oneMissing) {
        std::sort(drinks.begin(), drinks.end(), drinkLess);
        analysis.oneMissing.append({ingredientOf(bar, ingredient), drinks});
        analysis.buyNext.append({ingredientOf(bar, ingredient), int(drinks.size())});
    }
    for (auto& [pair, drinks] : twoMissing) {
        std::sort(drinks.begin(), drinks.end(), drinkLess);
        analysis.twoMissing.append({ingredientOf(bar, pair.first), ingredientOf(bar, pair.second), drinks});
    }
    std::sort(analysis.oneMissing.begin(), analysis.oneMissing.end(), [](const OneMissing& a, const OneMissing& b) {
        return a.drinks.size() != b.drinks.size() ? a.drinks.size() > b.drinks.size()
                                                  : NameLess(a.ingredient.name, b.ingredient.name);
    });
    std::sort(analysis.buyNext.begin(), analysis.buyNext.end(), [](const BuyNext& a, const BuyNext& b) {
        return a.drinks != b.drinks ? a.drinks > b.drinks : NameLess(a.ingredient.name, b.ingredient.name);
    });
    std::sort(analysis.twoMissing.begin(), analysis.twoMissing.end(), [](const TwoMissing& a, const TwoMissing& b) {
        if (a.drinks.size() != b.drinks.size())
            return a.drinks.size() > b.drinks.size();
        if (a.first.name != b.first.name)
            return NameLess(a.first.name, b.first.name);
        return NameLess(a.second.name, b.second.name);
    });
    analysis.sequence = shoppingSequence(bar, std::move(candidates), options.sequenceLength);
    return analysis;
}

Analysis Analyse(const Options& options)
{
    return Analyse(DBLib::RecipeIndex::current(), DBLib::IngredientCatalogue(), options);
}

} // namespace Planner
