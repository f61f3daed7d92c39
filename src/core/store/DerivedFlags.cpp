#include "core/store/DerivedFlags.h"

#include "core/store/DBLib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/Lib.h"
#include "core/store/RecipeIndex.h"
#include "core/store/StoreInternal.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace DBLib {

namespace {

// The bucket array is sized by the highest ingredient ID; a stray huge ID must not make it huge.
constexpr qint64 MaxHashSize = 1 << 20;

QString validityName(DrinkFlag flag)
{
    return flagName(flag) + QStringLiteral("Update");
}

qint64 count(const QString& sql)
{
    return Database().scalar(sql).toLongLong();
}

QStringList flaggedNames(DrinkFlag flag)
{
    QStringList names;
    Sql::Statement select(Database(), QStringLiteral("SELECT Name FROM Drinks WHERE ") + flagName(flag) +
                                          QStringLiteral(" = 1 ORDER BY Name"));
    while (select.step())
        names.append(Lib::DecodeText(select.value(0)));
    Lib::SortForList(names);
    return names;
}

void report(const std::function<void(qint64)>& f, qint64 value)
{
    if (f)
        f(value);
}

QString ingredientSetSql(IngredientSetKind kind)
{
    switch (kind) {
    case IngredientSetKind::InStock:
        return QStringLiteral("SELECT ID FROM Ingredients WHERE CurrentStock = 1");
    case IngredientSetKind::InStockNonAlcoholic:
        return QStringLiteral("SELECT ID FROM Ingredients WHERE CurrentStock = 1 AND NonAlcohol = 1");
    case IngredientSetKind::NonAlcoholic:
        return QStringLiteral("SELECT ID FROM Ingredients WHERE NonAlcohol = 1");
    }
    Q_UNREACHABLE();
}

// A set of row IDs read from a query, for tests made once per recipe line of the collection. IDs
// are given out from 1 upwards, so a table indexed by ID is small; a stray huge or negative ID makes
// it a sorted list instead.
class IdSet
{
public:
    explicit IdSet(const QString& sql)
    {
        Sql::Statement select(Database(), sql);
        while (select.step())
            m_sorted.push_back(select.int64(0));
        index();
    }
    explicit IdSet(std::vector<qint64> ids) : m_sorted(std::move(ids)) { index(); }

    bool contains(qint64 id) const
    {
        if (!m_direct.empty())
            return id >= 0 && id < qint64(m_direct.size()) && m_direct[size_t(id)];
        return std::binary_search(m_sorted.begin(), m_sorted.end(), id);
    }

private:
    void index()
    {
        const auto [low, high] = std::minmax_element(m_sorted.begin(), m_sorted.end());
        if (low != m_sorted.end() && *low >= 0 && *high < MaxDirectId) {
            m_direct.assign(size_t(*high) + 1, false);
            for (const qint64 id : m_sorted)
                m_direct[size_t(id)] = true;
            m_sorted.clear();
        } else {
            std::sort(m_sorted.begin(), m_sorted.end());
        }
    }

    static constexpr qint64 MaxDirectId = qint64(1) << 24; // at most 2 MiB of bits
    std::vector<qint64> m_sorted;
    std::vector<bool> m_direct;
};

// With substitutes counting as stock, an ingredient not in stock is available when another of its
// substitute group is (a non-alcoholic one, for the non-alcoholic kinds). Worked out from the
// catalogue, which is small.
std::vector<qint64> availableWithSubstitutes(IngredientSetKind kind)
{
    struct Row
    {
        qint64 id;
        bool inStock;
        bool nonAlcoholic;
        std::optional<int> group;
    };
    const bool nonAlcoholic = kind == IngredientSetKind::InStockNonAlcoholic;
    std::vector<Row> rows;
    Sql::Statement select(Database(), QStringLiteral("SELECT ID, CurrentStock, NonAlcohol, Substitute FROM Ingredients"));
    while (select.step()) {
        rows.push_back({select.int64(0), select.int64(1) == 1, select.int64(2) == 1,
                        select.isNull(3) ? std::nullopt : Lib::SubstituteGroup(select.text(3))});
    }
    std::set<int> stockedGroups;
    for (const Row& r : rows) {
        if (r.inStock && (!nonAlcoholic || r.nonAlcoholic) && r.group)
            stockedGroups.insert(*r.group);
    }
    std::vector<qint64> ids;
    for (const Row& r : rows) {
        if (nonAlcoholic && !r.nonAlcoholic)
            continue;
        if (r.inStock || (r.group && stockedGroups.count(*r.group) > 0))
            ids.push_back(r.id);
    }
    return ids;
}

// The ingredient set of the bulk answers: the members BuildIngredientSet has, looked up by number
// instead of by decimal text; with substitutes counting, those they stand in for too.
IdSet ingredientIds(IngredientSetKind kind)
{
    if (kind != IngredientSetKind::NonAlcoholic && CountSubstitutesAsStock())
        return IdSet(availableWithSubstitutes(kind));
    return IdSet(ingredientSetSql(kind));
}

// The sets the one-drink recomputation tests against while substitutes count, kept until the
// catalogue or the preference changes (an import recomputes thousands of drinks).
struct SubstituteSets
{
    quint64 generation = 0;
    bool valid = false;
    std::unique_ptr<IdSet> inStock;
    std::unique_ptr<IdSet> inStockNonAlcoholic;
};

SubstituteSets& substituteSets()
{
    static SubstituteSets sets;
    const quint64 generation = RecipeIndex::catalogueGeneration();
    if (!sets.valid || sets.generation != generation) {
        sets.inStock = std::make_unique<IdSet>(availableWithSubstitutes(IngredientSetKind::InStock));
        sets.inStockNonAlcoholic = std::make_unique<IdSet>(availableWithSubstitutes(IngredientSetKind::InStockNonAlcoholic));
        sets.generation = generation;
        sets.valid = true;
    }
    return sets;
}

// What CountRecords(Count::InStockRecipeLines) answers: the recipe lines whose ingredient is in
// stock and whose drink has a name, counted in the recipe index instead of by a join.
qint64 inStockLineCount(const RecipeIndex& index, const IdSet& inStock)
{
    qint64 counted = 0;
    index.forEachDrink([&](qint64 drink, std::span<const qint64> ingredients) {
        if (index.nameOf(drink).isEmpty())
            return;
        for (const qint64 ingredient : ingredients)
            counted += inStock.contains(ingredient) ? 1 : 0;
    });
    return counted;
}

// IDs of the drinks with at least one recipe line whose every ingredient is in the set, ascending.
std::vector<qint64> drinksWithAllIngredientsIn(const RecipeIndex& index, const IdSet& set)
{
    std::vector<qint64> passing;
    index.forEachDrink([&](qint64 drink, std::span<const qint64> ingredients) {
        if (!ingredients.empty() &&
            std::all_of(ingredients.begin(), ingredients.end(), [&](qint64 id) { return set.contains(id); }))
            passing.push_back(drink);
    });
    return passing;
}

// Holds exactly the integer 1, the form the flag is written in.
bool holdsOne(const Sql::Statement& row, int column)
{
    const QVariant v = row.value(column);
    return v.typeId() == QMetaType::LongLong && v.toLongLong() == 1;
}

// Sets the flag of exactly the given drinks and clears it everywhere else, then marks it valid.
// Only drinks whose flag changes are written: after a stock edit that is a few rows, not all of
// them, and the index of the flag finds the drinks flagged now. Any value other than 0 counts as
// set and is cleared or rewritten as 1.
void markDrinks(DrinkFlag flag, std::vector<qint64> ids)
{
    const RecipeIndex::NamesKept names;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    const QString column = flagName(flag);
    std::vector<std::pair<qint64, bool>> flagged; // ID, holds exactly 1
    {
        const QString select = QStringLiteral("SELECT ID, ") + column + QStringLiteral(" FROM Drinks WHERE ") + column;
        Sql::Statement now(db, select + QStringLiteral(" > 0 UNION ALL ") + select + QStringLiteral(" < 0"));
        while (now.step())
            flagged.emplace_back(now.int64(0), holdsOne(now, 1));
    }
    std::sort(flagged.begin(), flagged.end());
    Sql::Statement clear(db, QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 0 WHERE ID = ?1"));
    for (const auto& [id, one] : flagged) {
        if (!std::binary_search(ids.begin(), ids.end(), id)) {
            clear.bind(1, id);
            clear.run();
        }
    }
    Sql::Statement mark(db, QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 1 WHERE ID = ?1"));
    for (const qint64 id : ids) {
        const auto it = std::lower_bound(flagged.begin(), flagged.end(), std::pair<qint64, bool>(id, false));
        const bool alreadyOne = it != flagged.end() && it->first == id && it->second;
        if (!alreadyOne) {
            mark.bind(1, id);
            mark.run();
        }
    }
    db.exec(QStringLiteral("UPDATE Settings SET ") + validityName(flag) + QStringLiteral(" = 1"));
    tx.commit();
}

// The last answer of each view and the change count of the drinks' rows it was read at: a view
// whose flags are valid is answered from it, without reading the file, until a row changes.
struct Kept
{
    std::optional<quint64> generation;
    ViewAnswer answer;
};

Kept& kept(DrinkFlag flag)
{
    static Kept answers[3];
    return answers[int(flag)];
}

qint64 flaggedCount(DrinkFlag flag)
{
    return CountRecords(flag == DrinkFlag::CurrentStock   ? Count::CurrentStockDrinks
                        : flag == DrinkFlag::NonAlcoholic ? Count::NonAlcoholicDrinks
                                                          : Count::CurrentStockNonAlcoholicDrinks);
}

// Keeps the names as the view with valid flags answers them (its range: the flagged drinks).
void keep(DrinkFlag flag, const QStringList& names)
{
    ViewAnswer answer;
    answer.names = names;
    answer.rowCount = flaggedCount(flag);
    kept(flag) = {RecipeIndex::drinkRowGeneration(), answer};
}

ViewAnswer cachedAnswer(DrinkFlag flag, const ViewProgress& progress)
{
    const Kept& known = kept(flag);
    if (known.generation && *known.generation == RecipeIndex::drinkRowGeneration()) {
        report(progress.setRange, known.answer.rowCount);
        report(progress.setValue, known.answer.rowCount);
        return known.answer;
    }
    ViewAnswer answer;
    answer.rowCount = flaggedCount(flag);
    report(progress.setRange, answer.rowCount);
    answer.names = flaggedNames(flag);
    report(progress.setValue, answer.rowCount);
    kept(flag) = {RecipeIndex::drinkRowGeneration(), answer};
    return answer;
}

// Where the progress range of a recomputation comes from.
enum class RowCount { InStockLines, AllDrinks, NonAlcoholicKnown };

ViewAnswer recomputedAnswer(DrinkFlag flag, IngredientSetKind kind, RowCount rows, const ViewProgress& progress)
{
    const RecipeIndex& index = RecipeIndex::current();
    const IdSet set = ingredientIds(kind);
    ViewAnswer answer;
    switch (rows) {
    case RowCount::InStockLines:
        answer.rowCount = kind == IngredientSetKind::InStock
                              ? inStockLineCount(index, set)
                              : inStockLineCount(index, ingredientIds(IngredientSetKind::InStock));
        break;
    case RowCount::AllDrinks:
        answer.rowCount = CountRecords(Count::Drinks);
        break;
    case RowCount::NonAlcoholicKnown:
        answer.rowCount = CountRecords(Count::NonAlcoholicDrinks);
        break;
    }
    report(progress.setRange, answer.rowCount);
    markDrinks(flag, drinksWithAllIngredientsIn(index, set));
    answer.names = flaggedNames(flag);
    report(progress.setValue, answer.rowCount);
    keep(flag, answer.names);
    return answer;
}

ViewAnswer emptyStock(const ViewProgress& progress)
{
    ViewAnswer answer;
    answer.stockListEmpty = true;
    report(progress.setRange, 0);
    return answer;
}

} // namespace

QString flagName(DrinkFlag flag)
{
    switch (flag) {
    case DrinkFlag::CurrentStock:
        return QStringLiteral("CurrentStock");
    case DrinkFlag::NonAlcoholic:
        return QStringLiteral("NonAlcoholic");
    case DrinkFlag::CurrentStockNonAlcoholic:
        return QStringLiteral("CurrentStockNonAlcoholic");
    }
    Q_UNREACHABLE();
}

HashTable BuildIngredientSet(IngredientSetKind kind)
{
    const qint64 highest = count(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Ingredients"));
    HashTable set;
    set.SetSize(qint32(qBound<qint64>(1, highest, MaxHashSize)));
    Sql::Statement select(Database(), ingredientSetSql(kind));
    while (select.step())
        set.setItem(QString::number(select.int64(0)), QString());
    return set;
}

bool AllIngredientsInSet(qint64 drinkId, const HashTable& ingredientSet)
{
    Sql::Statement select(Database(), QStringLiteral("SELECT IngID FROM DrinkInfo WHERE DrinkID = ?1 ORDER BY rowid"));
    select.bind(1, drinkId);
    bool any = false;
    while (select.step()) {
        any = true;
        if (!ingredientSet.Exists(QString::number(select.int64(0))))
            return false;
    }
    return any;
}

bool IsViewCacheValid(DrinkFlag flag)
{
    return count(QStringLiteral("SELECT ") + validityName(flag) + QStringLiteral(" FROM Settings LIMIT 1")) != 0;
}

void MarkDrinksFromList(DrinkFlag flag, const QStringList& drinkNames)
{
    const RecipeIndex::NamesKept names;
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    const QString column = flagName(flag);
    db.exec(QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 0 WHERE ") + column +
            QStringLiteral(" <> 0"));
    Sql::Statement mark(db, QStringLiteral("UPDATE Drinks SET ") + column + QStringLiteral(" = 1 WHERE Name = ?1"));
    for (const QString& name : drinkNames) {
        mark.bind(1, Lib::EncodeText(name));
        mark.run();
    }
    db.exec(QStringLiteral("UPDATE Settings SET ") + validityName(flag) + QStringLiteral(" = 1"));
    tx.commit();
}

bool CountSubstitutesAsStock()
{
    return ModuleRegistry::ReadText(ModuleRegistry::CountSubstitutes).trimmed() == QLatin1String("1");
}

void SetCountSubstitutesAsStock(bool on)
{
    if (CountSubstitutesAsStock() == on)
        return;
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::CountSubstitutes, on ? QStringLiteral("1") : QStringLiteral("0"));
    RecipeIndex::catalogueChanged();
    InvalidateStockViews();
}

void UpdateDrinkFlags(qint64 drinkId)
{
    const RecipeIndex::NamesKept names;
    if (CountSubstitutesAsStock()) {
        // The stock flags by the substitute rule; the non-alcoholic one as always.
        Sql::Connection& db = Database();
        const SubstituteSets& sets = substituteSets();
        bool any = false;
        bool inStock = true;
        bool both = true;
        bool nonAlcoholic = true;
        const IdSet nonAlcoholicSet(ingredientSetSql(IngredientSetKind::NonAlcoholic));
        const Sql::Connection::Lease lines(db, QStringLiteral("SELECT IngID FROM DrinkInfo WHERE DrinkID = ?1"));
        lines->bind(1, drinkId);
        while (lines->step()) {
            const qint64 id = lines->int64(0);
            any = true;
            inStock = inStock && sets.inStock->contains(id);
            both = both && sets.inStockNonAlcoholic->contains(id);
            nonAlcoholic = nonAlcoholic && nonAlcoholicSet.contains(id);
        }
        db.execute(QStringLiteral("UPDATE Drinks SET CurrentStock = ?1, CurrentStockNonAlcoholic = ?2, NonAlcoholic = ?3 "
                                  "WHERE ID = ?4"),
                   {any && inStock, any && both, any && nonAlcoholic, drinkId});
        return;
    }
    // One look at the drink's lines answers all three questions. A line whose ingredient is missing
    // from the catalogue counts as neither in stock nor non-alcoholic.
    // Both statements stay prepared: an import runs this once per new drink.
    Sql::Connection& db = Database();
    bool inStock = false;
    bool nonAlcoholic = false;
    bool both = false;
    {
        const Sql::Connection::Lease select(
            db, QStringLiteral("SELECT COUNT(*), "
                               "COALESCE(SUM(i.CurrentStock = 1), 0), "
                               "COALESCE(SUM(i.NonAlcohol = 1), 0), "
                               "COALESCE(SUM(i.CurrentStock = 1 AND i.NonAlcohol = 1), 0) "
                               "FROM DrinkInfo d LEFT JOIN Ingredients i ON i.ID = d.IngID WHERE d.DrinkID = ?1"));
        select->bind(1, drinkId);
        select->step();
        const qint64 lines = select->int64(0);
        inStock = lines > 0 && select->int64(1) == lines;
        nonAlcoholic = lines > 0 && select->int64(2) == lines;
        both = lines > 0 && select->int64(3) == lines;
    }
    // One statement writes all three flags, all or nothing.
    db.execute(QStringLiteral("UPDATE Drinks SET CurrentStock = ?1, CurrentStockNonAlcoholic = ?2, NonAlcoholic = ?3 "
                              "WHERE ID = ?4"),
               {inStock, both, nonAlcoholic, drinkId});
}

void InvalidateStockViews()
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 0"));
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockNonAlcoholicUpdate = 0"));
    tx.commit();
}

void InvalidateNonAlcoholicViews()
{
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    db.exec(QStringLiteral("UPDATE Settings SET NonAlcoholicUpdate = 0"));
    db.exec(QStringLiteral("UPDATE Settings SET CurrentStockNonAlcoholicUpdate = 0"));
    tx.commit();
}

ViewAnswer DrinksAvailableWithCurrentStock(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::CurrentStock))
        return cachedAnswer(DrinkFlag::CurrentStock, progress);
    if (count(QStringLiteral("SELECT COUNT(ID) FROM Ingredients WHERE CurrentStock = 1")) == 0)
        return emptyStock(progress);
    return recomputedAnswer(DrinkFlag::CurrentStock, IngredientSetKind::InStock, RowCount::InStockLines, progress);
}

ViewAnswer AllNonAlcoholicDrinks(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::NonAlcoholic))
        return cachedAnswer(DrinkFlag::NonAlcoholic, progress);
    return recomputedAnswer(DrinkFlag::NonAlcoholic, IngredientSetKind::NonAlcoholic, RowCount::AllDrinks, progress);
}

ViewAnswer NonAlcoholicDrinksAvailableWithCurrentStock(const ViewProgress& progress)
{
    if (IsViewCacheValid(DrinkFlag::CurrentStockNonAlcoholic))
        return cachedAnswer(DrinkFlag::CurrentStockNonAlcoholic, progress);
    if (count(QStringLiteral("SELECT COUNT(ID) FROM Ingredients WHERE CurrentStock = 1 AND NonAlcohol = 1")) == 0)
        return emptyStock(progress);
    const RowCount rows =
        IsViewCacheValid(DrinkFlag::NonAlcoholic) ? RowCount::NonAlcoholicKnown : RowCount::InStockLines;
    return recomputedAnswer(DrinkFlag::CurrentStockNonAlcoholic, IngredientSetKind::InStockNonAlcoholic, rows,
                            progress);
}

} // namespace DBLib
