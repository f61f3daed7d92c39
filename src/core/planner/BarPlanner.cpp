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
        for (const DBLib::Ingredient& i : catalogue) {
            Known k{i.name, i.inStock, i.nonAlcoholic, std::nullopt};
            if (i.hasSubstituteGroup)
                k.group = Lib::SubstituteGroup(i.substitute);
            m_known.insert(qint64(i.id), k);
        }
        if (!options.substitutes)
            return;
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
            if (it->group && it->inStock && (!options.nonAlcoholicOnly || it->nonAlcoholic))
                m_stockedInGroup[*it->group].append(it->name);
        }
        for (QStringList& names : m_stockedInGroup)
            std::sort(names.begin(), names.end(), NameLess);
    }

    const Known* find(qint64 id) const
    {
        const auto it = m_known.constFind(id);
        return it == m_known.cend() ? nullptr : &*it;
    }
    // The stocked ingredient that stands in for an ingredient not in stock; empty when none does.
    QString standIn(const Known& k) const
    {
        if (!m_options.substitutes || !k.group)
            return QString();
        const QStringList stocked = m_stockedInGroup.value(*k.group);
        return stocked.isEmpty() ? QString() : stocked.first();
    }
    bool available(const Known& k) const { return k.inStock || !standIn(k).isEmpty(); }
    // Buying `bought` makes `wanted` available: the same ingredient, or (with substitutes) another of
    // its group.
    bool covers(qint64 bought, qint64 wanted) const
    {
        if (bought == wanted)
            return true;
        if (!m_options.substitutes)
            return false;
        const Known* b = find(bought);
        const Known* w = find(wanted);
        return b && w && b->group && b->group == w->group && (!m_options.nonAlcoholicOnly || b->nonAlcoholic);
    }

private:
    Options m_options;
    QHash<qint64, Known> m_known;
    QHash<int, QStringList> m_stockedInGroup;
};

struct Candidate
{
    qint64 drink;
    std::vector<qint64> missing; // distinct
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
    std::vector<qint64> bought;
    int total = 0;
    const auto coveredByBought = [&](qint64 wanted) {
        return std::any_of(bought.begin(), bought.end(), [&](qint64 b) { return bar.covers(b, wanted); });
    };
    for (int step = 0; step < length; ++step) {
        QHash<qint64, int> completes;
        QHash<qint64, int> closer;
        for (const Candidate& c : candidates) {
            std::vector<qint64> remaining;
            for (const qint64 m : c.missing) {
                if (!coveredByBought(m))
                    remaining.push_back(m);
            }
            if (remaining.empty())
                continue;
            for (const qint64 option : remaining) {
                ++closer[option];
                if (std::all_of(remaining.begin(), remaining.end(), [&](qint64 r) { return bar.covers(option, r); }))
                    ++completes[option];
            }
        }
        std::optional<qint64> best;
        int bestCompletes = 0;
        int bestCloser = 0;
        for (auto it = closer.cbegin(); it != closer.cend(); ++it) {
            const int done = completes.value(it.key());
            const bool better = !best || done > bestCompletes ||
                                (done == bestCompletes && (it.value() > bestCloser ||
                                                           (it.value() == bestCloser &&
                                                            NameLess(ingredientOf(bar, it.key()).name,
                                                                     ingredientOf(bar, *best).name))));
            if (better) {
                best = it.key();
                bestCompletes = done;
                bestCloser = it.value();
            }
        }
        if (!best)
            break;
        bought.push_back(*best);
        total += bestCompletes;
        sequence.append({ingredientOf(bar, *best), bestCompletes, total});
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
        std::vector<qint64> missing;
        for (const qint64 ingredient : lines) {
            const Known* k = bar.find(ingredient);
            if (!k || (options.nonAlcoholicOnly && !k->nonAlcoholic))
                return; // an ingredient the catalogue lacks cannot be bought; an alcoholic one is not wanted
            if (!k->inStock) {
                const QString standIn = bar.standIn(*k);
                if (!standIn.isEmpty())
                    drink.standIns.append(standIn + QStringLiteral(" for ") + k->name);
                else if (std::find(missing.begin(), missing.end(), ingredient) == missing.end())
                    missing.push_back(ingredient);
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
            oneMissing[missing[0]].append(drink);
        } else {
            std::pair<qint64, qint64> pair{missing[0], missing[1]};
            if (NameLess(ingredientOf(bar, pair.second).name, ingredientOf(bar, pair.first).name))
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
