// The three derived per-drink flags (can be made from the stock, non-alcoholic, both), the views
// that list them, the validity flags that say whether the stored answer may be trusted, and the
// string dictionary of the ingredient sets.

#include "TestSupport.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"

#include <sqlite3.h>

#include <QRandomGenerator>
#include <QTest>

#include <map>
#include <numeric>

using namespace DBLib;
using namespace Qt::StringLiterals;

namespace {

constexpr DrinkFlag AllFlags[] = {DrinkFlag::CurrentStockNonAlcoholic, DrinkFlag::CurrentStock, DrinkFlag::NonAlcoholic};

ViewAnswer view(DrinkFlag flag, const ViewProgress& progress = {})
{
    return flag == DrinkFlag::CurrentStock   ? DrinksAvailableWithCurrentStock(progress)
           : flag == DrinkFlag::NonAlcoholic ? AllNonAlcoholicDrinks(progress)
                                             : NonAlcoholicDrinksAvailableWithCurrentStock(progress);
}

// The drinks whose stored flag is exactly the whole number 1, and every other value the flag holds.
QStringList flagged(DrinkFlag flag, const char* test = "= 1 AND typeof(%1) = 'integer'")
{
    QStringList names;
    Sql::Statement s(Database(), u"SELECT Name FROM Drinks WHERE %1 "_s.append(QLatin1String(test)).arg(flagName(flag)) +
                                     u" ORDER BY Name"_s);
    while (s.step())
        names << Lib::DecodeText(s.value(0));
    return names;
}

// The three validity flags: stock, non-alcoholic, both.
QString validity()
{
    return Database().scalar(u"SELECT CurrentStockUpdate || NonAlcoholicUpdate || CurrentStockNonAlcoholicUpdate "
                             "FROM Settings"_s).toString();
}

void setValidity(const QString& bits)
{
    ExecuteSql(u"UPDATE Settings SET CurrentStockUpdate = ?1, NonAlcoholicUpdate = ?2, CurrentStockNonAlcoholicUpdate = ?3"_s,
               {bits.mid(0, 1), bits.mid(1, 1), bits.mid(2, 1)});
}

// Every drink's three stored flags, to tell that nothing was written.
QString flagValues()
{
    return Database().scalar(u"SELECT group_concat(CurrentStock || NonAlcoholic || CurrentStockNonAlcoholic) FROM Drinks"_s)
        .toString();
}

QString nameOf(qint64 drink)
{
    return drink == 7 ? QString() : u"D%1"_s.arg(drink, 3, 10, QChar(u'0'));
}

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const HashTableError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestFlags : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        // In stock: Gin, Dry Vermouth, Lime Juice, Orange Juice, Ginger Ale.
        // Non-alcoholic: Lime Juice, Orange Juice, Grenadine, Ginger Ale, Sugar Syrup.
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Screwdriver"_s, {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}});
        addTestDrink(u"Sunrise Fizz"_s, {{"4 oz", "Orange Juice"}, {"Fill with", "Ginger Ale"}});
        addTestDrink(u"Virgin Sunrise"_s, {{"4 oz", "Orange Juice"}, {"1 dash", "Grenadine"}});
    }

    void whatMakesViewsStale_data()
    {
        QTest::addColumn<std::function<void()>>("change");
        QTest::addColumn<QString>("validAfter"); // stock, non-alcoholic, both
        using F = std::function<void()>;
        QTest::newRow("stock saved, changed") << F([] { SaveCurrentStock({u"Gin"_s}, true); }) << u"010"_s;
        QTest::newRow("stock saved, unchanged")
            << F([] { SaveCurrentStock(IngredientNamesOnList(IngredientList::CurrentStock, true), false); }) << u"111"_s;
        QTest::newRow("shopping list saved") << F([] { SaveShoppingList({u"Gin"_s}); }) << u"111"_s;
        QTest::newRow("non-alcoholic mark set") << F([] { SetIngredientNonAlcoholic(1, true); }) << u"100"_s;
        QTest::newRow("stock views invalidated") << F([] { InvalidateStockViews(); }) << u"010"_s;
        QTest::newRow("non-alcoholic views invalidated") << F([] { InvalidateNonAlcoholicViews(); }) << u"100"_s;
        QTest::newRow("a drink written") << F([] { addTestDrink(u"Fizz"_s, {{"2 oz", "Gin"}}); }) << u"111"_s;
    }
    void whatMakesViewsStale()
    {
        QFETCH(std::function<void()>, change);
        QFETCH(QString, validAfter);
        for (const DrinkFlag flag : AllFlags)
            view(flag);
        QCOMPARE(validity(), u"111"_s);
        change();
        QCOMPARE(validity(), validAfter);
    }

    // The views, the per-drink recomputation and the ingredient sets on a random collection with what
    // real files hold now and then, against an answer worked out here from the raw rows.
    void flagsEqualTheRecipes_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("stockShare"); // in 6ths
        QTest::addColumn<int>("nonAlcoholicShare");
        QTest::addColumn<bool>("strayNumbers");
        QTest::newRow("ordinary") << 11u << 3 << 2 << false;
        QTest::newRow("stray ingredient numbers") << 12u << 3 << 2 << true;
        QTest::newRow("nothing non-alcoholic") << 13u << 4 << 0 << false;
        QTest::newRow("nothing in stock") << 14u << 0 << 3 << true;
    }
    void flagsEqualTheRecipes()
    {
        QFETCH(quint32, seed);
        QFETCH(int, stockShare);
        QFETCH(int, nonAlcoholicShare);
        QFETCH(bool, strayNumbers);
        QRandomGenerator random(seed);
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createEmptyDatabase();
        // Ingredient number -> in stock, non-alcoholic. Number 0 is a valid row too.
        std::map<qint64, std::pair<bool, bool>> ingredients;
        QList<qint64> numbers(30);
        std::iota(numbers.begin(), numbers.end(), 0);
        numbers << (strayNumbers ? QList<qint64>{qint64(1) << 40, -3} : QList<qint64>());
        Sql::Transaction tx(Database());
        for (const qint64 id : numbers) {
            ingredients[id] = {random.bounded(6) < stockShare, random.bounded(6) < nonAlcoholicShare};
            ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient, CurrentStock, NonAlcohol) VALUES (?1, 'I', ?2, ?3)"_s,
                       {id, ingredients[id].first, ingredients[id].second});
        }
        // Drinks without lines, lines of a missing ingredient or of a gone drink, an unnamed drink, odd flags.
        const QVariantList odd = {0, 1, 2, -1, u"True"_s, 1.0, 0.5};
        std::map<qint64, QList<qint64>> lines;
        for (qint64 d = 1; d <= 400; ++d) {
            ExecuteSql(u"INSERT INTO Drinks (ID, Name, CurrentStock, NonAlcoholic, CurrentStockNonAlcoholic) "
                       "VALUES (?1, ?2, ?3, ?4, ?5)"_s,
                       {d, d == 7 ? QVariant() : QVariant(Lib::EncodeText(nameOf(d))),
                        odd.at(random.bounded(7)), odd.at(random.bounded(7)), odd.at(random.bounded(7))});
            lines[d];
            for (int l = d % 50 == 0 ? 0 : random.bounded(1, 4); l > 0; --l) {
                const qint64 ingredient = random.bounded(30) == 0 ? 99 : numbers.at(random.bounded(int(numbers.size())));
                lines[d] << ingredient;
                ExecuteSql(u"INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (?1, ?2)"_s, {d, ingredient});
            }
        }
        ExecuteSql(u"INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (5000, 1), (5000, 2)"_s);
        tx.commit();
        const QString scrambled = flagValues();
        QStringList expectedOf[3];
        for (int f = 0; f < 3; ++f) {
            const DrinkFlag flag = AllFlags[f];
            const auto passes = [&](qint64 ingredient) {
                const auto it = ingredients.find(ingredient);
                return it != ingredients.end() &&
                       (flag == DrinkFlag::NonAlcoholic || it->second.first) &&
                       (flag == DrinkFlag::CurrentStock || it->second.second);
            };
            QStringList& expected = expectedOf[f];
            for (const auto& [drink, used] : lines) {
                if (!used.isEmpty() && std::all_of(used.begin(), used.end(), passes))
                    expected << nameOf(drink);
            }
            expected.sort();
            const bool noneSuitable = std::none_of(ingredients.begin(), ingredients.end(), [&](const auto& i) {
                return passes(i.first);
            });
            qint64 range = -1;
            QList<qint64> values;
            const ViewAnswer answer = view(flag, {[&](qint64 r) { range = r; }, [&](qint64 v) { values << v; }});
            if (noneSuitable && flag != DrinkFlag::NonAlcoholic) {
                // Nothing suitable in stock: said so, and nothing written.
                QVERIFY(answer.stockListEmpty && answer.names.isEmpty() && !IsViewCacheValid(flag));
                QCOMPARE(flagValues(), scrambled);
                continue;
            }
            QVERIFY(!answer.stockListEmpty);
            QCOMPARE(answer.names, expected);
            QCOMPARE(flagged(flag), expected);
            QCOMPARE(flagged(flag, "NOT IN (0, 1) OR typeof(%1) <> 'integer'"), QStringList());
            // The progress bar's range counts what the plain count procedures count; it never overflows.
            QCOMPARE(range, CountRecords(flag == DrinkFlag::NonAlcoholic ? Count::Drinks : Count::InStockRecipeLines));
            QVERIFY(answer.rowCount == range && !values.isEmpty() && values.last() == range && values.first() >= 0);
            QVERIFY(std::is_sorted(values.begin(), values.end()));
            // The same stock again writes the validity flag only.
            setValidity(u"000"_s);
            const qint64 changes = sqlite3_total_changes64(Database().handle());
            QCOMPARE(view(flag).names, expected);
            QCOMPARE(sqlite3_total_changes64(Database().handle()) - changes, 1);
        }
        // One drink at a time, and by the ingredient sets, the same answers.
        ExecuteSql(u"UPDATE Drinks SET CurrentStock = 5, NonAlcoholic = 5, CurrentStockNonAlcoholic = 5"_s);
        const HashTable sets[] = {BuildIngredientSet(IngredientSetKind::InStockNonAlcoholic),
                                  BuildIngredientSet(IngredientSetKind::InStock),
                                  BuildIngredientSet(IngredientSetKind::NonAlcoholic)};
        for (const auto& [drink, used] : lines)
            UpdateDrinkFlags(drink);
        for (int f = 0; f < 3; ++f) {
            QStringList bySet;
            for (const auto& [drink, used] : lines) {
                if (AllIngredientsInSet(drink, sets[f]))
                    bySet << nameOf(drink);
            }
            bySet.sort();
            QCOMPARE(bySet, expectedOf[f]);
            QCOMPARE(flagged(AllFlags[f]), expectedOf[f]);
            // While valid, a view lists what is stored and computes nothing.
            ExecuteSql(u"UPDATE Drinks SET %1 = 1 - %1"_s.arg(flagName(AllFlags[f])));
            setValidity(u"111"_s);
            const QStringList stored = flagged(AllFlags[f]);
            const ViewAnswer cached = view(AllFlags[f]);
            QVERIFY(cached.names == stored && cached.rowCount == stored.size() && !cached.stockListEmpty);
            QCOMPARE(flagged(AllFlags[f]), stored);
        }
    }

    void hashTableErrors()
    {
        HashTable t;
        t.Add(u"k"_s, u"old"_s);
        const std::pair<int, std::function<void()>> refused[] = {
            {457, [&] { t.Add(u"k"_s, u"new"_s); }}, {5, [&] { t.Remove(u"K"_s); }},  {5, [&] { t.SetSize(0); }},
            {1001, [&] { t.Add({}, {}); }},          {1001, [&] { t.Exists({}); }},     {1001, [&] { t.item({}); }},
            {1001, [&] { t.setItem({}, {}); }},      {1001, [&] { t.Remove({}); }}};
        // A refused operation leaves the table as it was.
        for (const auto& [number, operation] : refused)
            QVERIFY(errorOf(operation) == number && t.count() == 1 && t.item(u"k"_s) == u"old"_s);
    }

    // Against QHash through a long random run, on tables small enough to chain, grow and reuse slots.
    void hashTableAnswersAsQHash_data()
    {
        QTest::addColumn<int>("hashSize");
        QTest::addColumn<int>("listSize");
        QTest::addColumn<int>("chunkSize");
        QTest::newRow("one bucket, one slot at a time") << 1 << 1 << 1;
        QTest::newRow("few buckets") << 7 << 4 << 3;
    }
    void hashTableAnswersAsQHash()
    {
        QFETCH(int, hashSize);
        QFETCH(int, listSize);
        QFETCH(int, chunkSize);
        HashTable table;
        table.SetSize(hashSize, listSize, chunkSize);
        QHash<QString, QString> model;
        QRandomGenerator random(7);
        qsizetype most = 0;
        for (int step = 0; step < 4000; ++step) {
            // Keys that differ in letter case only, or weigh the same, are different keys.
            const QString key = QStringList{u"a"_s, u"A"_s, u"ab"_s, u"ba"_s, u"\u0161"_s}.at(random.bounded(5)) +
                                QString::number(random.bounded(60));
            const QString value = QString::number(step);
            const int operation = random.bounded(step % 1000 < 600 ? 4 : 6);
            if (operation == 0) {
                QCOMPARE(errorOf([&] { table.Add(key, value); }), model.contains(key) ? 457 : 0);
                model.insert(key, model.value(key, value));
            } else if (operation == 1) {
                table.setItem(key, value);
                model.insert(key, value);
            } else if (operation == 2) {
                QVERIFY(table.item(key) == model.value(key) && table.Exists(key) == model.contains(key));
            } else {
                QCOMPARE(errorOf([&] { table.Remove(key); }), model.remove(key) ? 0 : 5);
            }
            QCOMPARE(table.count(), model.size());
            // Freed slots are taken again before the slot array grows, and it grows in chunks.
            most = std::max<qsizetype>(most, table.count());
            QCOMPARE(table.slotCapacity(), 1 + listSize + (std::max<qsizetype>(0, most - listSize) + chunkSize - 1) /
                                                              chunkSize * chunkSize);
            if (step == 2500) {
                table.RemoveAll();
                model.clear();
                most = 0;
                QVERIFY(table.hashSize() == hashSize && table.listSize() == listSize && table.chunkSize() == chunkSize);
            }
        }
        const QStringList keys = table.Keys(), values = table.Values();
        QCOMPARE(keys.size(), model.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            QCOMPARE(values.at(i), model.value(keys.at(i)));
        // Bucket by bucket, each chain from its head: 9 times the low byte of each code unit gives
        // "(" 360 -> 0, "B" 594 -> 4, "A" 585 and "K" 675 and U+0141 585 -> 5.
        table.SetSize(10);
        for (const QString& key : {u"A"_s, u"B"_s, u"K"_s, u"("_s, u"\u0141"_s})
            table.Add(key, key.toLower());
        table.Remove(u"K"_s);
        QCOMPARE(table.Keys() + table.Values(), QStringList({u"("_s, u"B"_s, u"A"_s, u"\u0141"_s, u"("_s, u"b"_s, u"a"_s,
                                                             u"\u0142"_s}));
    }
};

QTEST_GUILESS_MAIN(TestFlags)
#include "test_flags.moc"
