#pragma once

#include "core/store/Catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

namespace DBLib {
class RecipeIndex;
}

// What the bar is one or two bottles away from, and which bottles to buy next, for the current
// stock. Ingredients are matched by ID and shown in the catalogue's spelling.
namespace Planner {

struct Options
{
    // An ingredient counts as available when another of its substitute group is in stock.
    bool substitutes = false;
    // Only drinks whose every ingredient is non-alcoholic (and, with substitutes, only
    // non-alcoholic stand-ins).
    bool nonAlcoholicOnly = false;
    // Purchases the shopping sequence suggests at most.
    int sequenceLength = 5;
};

struct Drink
{
    qint64 id = 0;
    // Held by the Analysis this drink came from: valid while a copy of that Analysis lives.
    QStringView name;
    // "<stocked> for <recipe's ingredient>" for each line a substitute makes available.
    QStringList standIns;
};

struct Ingredient
{
    qint64 id = 0;
    QString name;
};

struct OneMissing
{
    Ingredient ingredient;
    QList<Drink> drinks; // in name order
};

struct TwoMissing
{
    Ingredient first; // the two in name order
    Ingredient second;
    QList<Drink> drinks;
};

struct BuyNext
{
    Ingredient ingredient;
    int drinks = 0; // drinks this purchase alone makes possible
};

struct Purchase
{
    Ingredient ingredient;
    int added = 0; // drinks this purchase adds to those of the purchases before it
    int total = 0; // drinks the purchases up to this one make possible
};

struct Analysis
{
    int makeableNow = 0;
    QList<BuyNext> buyNext;     // most drinks first, then by name
    QList<Purchase> sequence;   // greedy, at most Options::sequenceLength
    QList<OneMissing> oneMissing; // most drinks first, then by name
    QList<TwoMissing> twoMissing; // most drinks first, then by the names
    // The drinks' names that Drink::name views, shared by every copy of the answer and by the
    // answers after it that name the same drinks (an answer is made without copying the names).
    std::shared_ptr<const std::vector<QString>> drinkNames;
};

// Analyses one bar again and again. The first analysis, and one after the recipes, the catalogue
// (stock marks aside) or the options changed, works everything out; after a stock change only the
// drinks that use an ingredient whose state changed are looked at again.
class Tracker
{
public:
    // A stock change that touches at least splitFrom drinks is followed in two parts at once.
    static constexpr size_t SplitFrom = 8192;
    explicit Tracker(size_t splitFrom = SplitFrom);
    ~Tracker();
    Tracker(Tracker&&) noexcept;
    Tracker& operator=(Tracker&&) noexcept;

    // The index's recipes against the catalogue's stock marks. The index must stay alive (or be
    // changed, which this notices) while the tracker is used with it.
    Analysis analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options);
    // The same for the open database; when only stock marks changed since the last call, only
    // those are read.
    Analysis analyse(const Options& options);

private:
    struct State;
    std::unique_ptr<State> m_state;
    quint64 m_shapeSeen = 0;
    size_t m_splitFrom;
};

// The analysis of the index's recipes against the catalogue's stock marks, worked out afresh.
Analysis Analyse(const DBLib::RecipeIndex& index, const QList<DBLib::Ingredient>& catalogue, const Options& options);
// The same for the open database.
Analysis Analyse(const Options& options);

} // namespace Planner
