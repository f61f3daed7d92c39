#include "TestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"

#include <QTest>

using namespace DBLib;

namespace {

int settingsFlag(const char* column)
{
    return Database().scalar(QStringLiteral("SELECT %1 FROM Settings").arg(QLatin1String(column))).toInt();
}

QStringList drinksFlagged(DrinkFlag flag)
{
    QStringList names;
    Snapshot s = OpenSnapshot(QStringLiteral("SELECT Name FROM Drinks WHERE %1 = 1 ORDER BY Name").arg(flagName(flag)));
    for (; !s.atEnd(); s.moveNext())
        names << Lib::DecodeText(s.field(0));
    return names;
}

void setStock(const char* ingredient, bool inStock)
{
    ExecuteSql(QStringLiteral("UPDATE Ingredients SET CurrentStock = ?1 WHERE Ingredient = ?2"),
               {inStock, QString::fromUtf8(ingredient)});
}

ViewAnswer answerFor(DrinkFlag flag, const ViewProgress& progress = {})
{
    switch (flag) {
    case DrinkFlag::CurrentStock:
        return DrinksAvailableWithCurrentStock(progress);
    case DrinkFlag::NonAlcoholic:
        return AllNonAlcoholicDrinks(progress);
    case DrinkFlag::CurrentStockNonAlcoholic:
        return NonAlcoholicDrinksAvailableWithCurrentStock(progress);
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(DBLib::DrinkFlag)

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
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Gimlet"), {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}, {"1 tsp", "Sugar Syrup"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}});
        addTestDrink(QStringLiteral("Sunrise Fizz"), {{"4 oz", "Orange Juice"}, {"Fill with", "Ginger Ale"}});
        addTestDrink(QStringLiteral("Virgin Sunrise"), {{"4 oz", "Orange Juice"}, {"1 dash", "Grenadine"}});
        // A drink without recipe lines, and one whose line names a missing ingredient.
        AddDrink(100, QStringLiteral("EMPTY GLASS"), 1, QString(), {}, {}, {}, {}, {});
        AddRecipeLine(101, GetIngredientIDByName(QStringLiteral("Orange Juice")), QStringLiteral("1 oz"));
        AddRecipeLine(101, 999, QStringLiteral("1 oz"));
        AddDrink(101, QStringLiteral("STRAY"), 1, QString(), {}, {}, {}, {}, {});
    }
    void cleanup() { m_folder.reset(); }

    void staleViewsRecompute_data()
    {
        QTest::addColumn<DrinkFlag>("flag");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("stock") << DrinkFlag::CurrentStock
                               << QStringList{QStringLiteral("MARTINI"), QStringLiteral("SUNRISE FIZZ")};
        QTest::newRow("non-alcoholic") << DrinkFlag::NonAlcoholic
                                       << QStringList{QStringLiteral("SUNRISE FIZZ"), QStringLiteral("VIRGIN SUNRISE")};
        QTest::newRow("stock and non-alcoholic") << DrinkFlag::CurrentStockNonAlcoholic
                                                 << QStringList{QStringLiteral("SUNRISE FIZZ")};
    }
    void staleViewsRecompute()
    {
        QFETCH(DrinkFlag, flag);
        QFETCH(QStringList, expected);
        // Scramble the stored flags: a stale view must not trust them.
        ExecuteSql(QStringLiteral("UPDATE Drinks SET %1 = 1 - %1").arg(flagName(flag)));
        QVERIFY(!IsViewCacheValid(flag));
        const ViewAnswer answer = answerFor(flag);
        QVERIFY(!answer.stockListEmpty);
        QCOMPARE(answer.names, expected);
        // The stored flags equal the listed drinks, and the view is now valid.
        QCOMPARE(drinksFlagged(flag), expected);
        QVERIFY(IsViewCacheValid(flag));
    }

    void validViewReadsStoredFlags_data() { staleViewsRecompute_data(); }
    void validViewReadsStoredFlags()
    {
        QFETCH(DrinkFlag, flag);
        QFETCH(QStringList, expected);
        answerFor(flag);
        // Mark another drink by hand: a valid view lists what is stored, without recomputing.
        ExecuteSql(QStringLiteral("UPDATE Drinks SET %1 = 1 WHERE ID = 100").arg(flagName(flag)));
        const ViewAnswer answer = answerFor(flag);
        QStringList withExtra = expected;
        withExtra << QStringLiteral("EMPTY GLASS");
        withExtra.sort();
        QCOMPARE(answer.names, withExtra);
        QCOMPARE(answer.rowCount, qint64(expected.size() + 1));
    }

    void emptyStockIsReportedAndNothingWritten_data()
    {
        QTest::addColumn<DrinkFlag>("flag");
        QTest::addColumn<QStringList>("outOfStock");
        QTest::newRow("nothing in stock") << DrinkFlag::CurrentStock
                                          << QStringList{QStringLiteral("Gin"), QStringLiteral("Dry Vermouth"),
                                                         QStringLiteral("Lime Juice"), QStringLiteral("Orange Juice"),
                                                         QStringLiteral("Ginger Ale")};
        QTest::newRow("nothing non-alcoholic in stock")
            << DrinkFlag::CurrentStockNonAlcoholic
            << QStringList{QStringLiteral("Lime Juice"), QStringLiteral("Orange Juice"), QStringLiteral("Ginger Ale")};
    }
    void emptyStockIsReportedAndNothingWritten()
    {
        QFETCH(DrinkFlag, flag);
        QFETCH(QStringList, outOfStock);
        for (const QString& name : outOfStock)
            setStock(qPrintable(name), false);
        InvalidateStockViews();
        ExecuteSql(QStringLiteral("UPDATE Drinks SET %1 = (ID = 1)").arg(flagName(flag)));
        const ViewAnswer stale = answerFor(flag);
        QVERIFY(stale.stockListEmpty);
        QVERIFY(stale.names.isEmpty());
        QVERIFY(!IsViewCacheValid(flag));
        QCOMPARE(drinksFlagged(flag), QStringList{QStringLiteral("MARTINI")}); // untouched

        // With the view valid, the stored flags are listed and nothing is said about the stock.
        ExecuteSql(QStringLiteral("UPDATE Settings SET %1Update = 1").arg(flagName(flag)));
        const ViewAnswer valid = answerFor(flag);
        QVERIFY(!valid.stockListEmpty);
        QCOMPARE(valid.names, QStringList{QStringLiteral("MARTINI")});
    }

    void oneMissingIngredient()
    {
        QVERIFY(!answerFor(DrinkFlag::CurrentStock).names.contains(QStringLiteral("GIMLET")));
        setStock("Sugar Syrup", true);
        // Until the stock editor invalidates the views, the stored answer stands.
        QVERIFY(!answerFor(DrinkFlag::CurrentStock).names.contains(QStringLiteral("GIMLET")));
        InvalidateStockViews();
        QVERIFY(!IsViewCacheValid(DrinkFlag::CurrentStock));
        QVERIFY(!IsViewCacheValid(DrinkFlag::CurrentStockNonAlcoholic));
        QVERIFY(answerFor(DrinkFlag::CurrentStock).names.contains(QStringLiteral("GIMLET")));
    }

    void drinksWithoutCompleteRecipesAreNeverListed()
    {
        // Everything in stock and non-alcoholic: still no drink without lines, nor one whose
        // line names a missing ingredient.
        ExecuteSql(QStringLiteral("UPDATE Ingredients SET CurrentStock = 1, NonAlcohol = 1"));
        for (const DrinkFlag flag : {DrinkFlag::CurrentStock, DrinkFlag::NonAlcoholic, DrinkFlag::CurrentStockNonAlcoholic}) {
            const QStringList names = answerFor(flag).names;
            QCOMPARE(names.size(), 5);
            QVERIFY(!names.contains(QStringLiteral("EMPTY GLASS")));
            QVERIFY(!names.contains(QStringLiteral("STRAY")));
        }
        UpdateDrinkFlags(100);
        UpdateDrinkFlags(101);
        QCOMPARE(Database().scalar(QStringLiteral("SELECT SUM(CurrentStock + NonAlcoholic + CurrentStockNonAlcoholic) "
                                                  "FROM Drinks WHERE ID IN (100, 101)"))
                     .toInt(),
                 0);
    }

    void invalidations_data()
    {
        QTest::addColumn<bool>("stock");
        QTest::addColumn<int>("currentStock");
        QTest::addColumn<int>("nonAlcoholic");
        QTest::addColumn<int>("both");
        QTest::newRow("stock edited") << true << 0 << 1 << 0;
        QTest::newRow("non-alcoholic mark edited") << false << 1 << 0 << 0;
    }
    void invalidations()
    {
        QFETCH(bool, stock);
        QFETCH(int, currentStock);
        QFETCH(int, nonAlcoholic);
        QFETCH(int, both);
        ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 1, NonAlcoholicUpdate = 1, "
                                  "CurrentStockNonAlcoholicUpdate = 1"));
        if (stock)
            InvalidateStockViews();
        else
            InvalidateNonAlcoholicViews();
        QCOMPARE(settingsFlag("CurrentStockUpdate"), currentStock);
        QCOMPARE(settingsFlag("NonAlcoholicUpdate"), nonAlcoholic);
        QCOMPARE(settingsFlag("CurrentStockNonAlcoholicUpdate"), both);
    }

    void combinedViewAgreesWhetherOrNotNonAlcoholicIsValid()
    {
        const QStringList viaJoin = answerFor(DrinkFlag::CurrentStockNonAlcoholic).names;
        answerFor(DrinkFlag::NonAlcoholic);
        QVERIFY(IsViewCacheValid(DrinkFlag::NonAlcoholic));
        ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockNonAlcoholicUpdate = 0"));
        const ViewAnswer viaFlags = answerFor(DrinkFlag::CurrentStockNonAlcoholic);
        QCOMPARE(viaFlags.names, viaJoin);
        QCOMPARE(viaFlags.rowCount, CountRecords(Count::NonAlcoholicDrinks));
    }

    void perDrinkRecomputationMatchesBulkAnswer()
    {
        ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 1"));
        ExecuteSql(QStringLiteral("UPDATE Drinks SET CurrentStock = 0, NonAlcoholic = 0, CurrentStockNonAlcoholic = 0"));
        Snapshot ids = OpenSnapshot(QStringLiteral("SELECT ID FROM Drinks"));
        for (; !ids.atEnd(); ids.moveNext())
            UpdateDrinkFlags(ids.field(0).toLongLong());
        ids.close();
        // The validity flags are not touched by a per-drink recomputation.
        QCOMPARE(settingsFlag("CurrentStockUpdate"), 1);
        QCOMPARE(settingsFlag("NonAlcoholicUpdate"), 0);
        const QStringList perDrink[] = {drinksFlagged(DrinkFlag::CurrentStock), drinksFlagged(DrinkFlag::NonAlcoholic),
                                        drinksFlagged(DrinkFlag::CurrentStockNonAlcoholic)};
        ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 0"));
        QCOMPARE(answerFor(DrinkFlag::CurrentStock).names, perDrink[0]);
        QCOMPARE(answerFor(DrinkFlag::NonAlcoholic).names, perDrink[1]);
        QCOMPARE(answerFor(DrinkFlag::CurrentStockNonAlcoholic).names, perDrink[2]);
    }

    void ingredientSetAndMembership()
    {
        const HashTable inStock = BuildIngredientSet(IngredientSetKind::InStock);
        QCOMPARE(inStock.count(), 5);
        QCOMPARE(inStock.hashSize(), 8); // the highest ingredient ID
        QVERIFY(inStock.Exists(QString::number(GetIngredientIDByName(QStringLiteral("Gin")))));
        QVERIFY(!inStock.Exists(QString::number(GetIngredientIDByName(QStringLiteral("Vodka")))));
        QCOMPARE(BuildIngredientSet(IngredientSetKind::InStockNonAlcoholic).count(), 3);
        QCOMPARE(BuildIngredientSet(IngredientSetKind::NonAlcoholic).count(), 5);
        QVERIFY(AllIngredientsInSet(FindDrinkID(QStringLiteral("martini")), inStock));
        QVERIFY(!AllIngredientsInSet(FindDrinkID(QStringLiteral("gimlet")), inStock));
        QVERIFY(!AllIngredientsInSet(100, inStock));
        QVERIFY(!AllIngredientsInSet(101, inStock));
    }

    void markFromList()
    {
        MarkDrinksFromList(DrinkFlag::NonAlcoholic, {QStringLiteral("GIMLET"), QStringLiteral("Screwdriver")});
        // Names are matched by their stored upper-case form, as the list shows them.
        QCOMPARE(drinksFlagged(DrinkFlag::NonAlcoholic), QStringList{QStringLiteral("GIMLET")});
        QVERIFY(IsViewCacheValid(DrinkFlag::NonAlcoholic));
        QVERIFY(!IsViewCacheValid(DrinkFlag::CurrentStock));
    }

    void progressStaysInRange()
    {
        // Progress ends at the range and never goes past it.
        for (int i = 0; i < 400; ++i)
            addTestDrink(QStringLiteral("Fizz %1").arg(i), {{"2 oz", "Orange Juice"}, {"Fill", "Ginger Ale"}});
        qint64 range = -1;
        QList<qint64> values;
        ViewProgress progress{[&](qint64 r) { range = r; }, [&](qint64 v) { values << v; }};
        const ViewAnswer answer = DrinksAvailableWithCurrentStock(progress);
        QCOMPARE(answer.rowCount, range);
        // The stale stock view's range is the number of recipe lines whose ingredient is in stock.
        QCOMPARE(range, CountRecords(Count::InStockRecipeLines));
        QVERIFY(!values.isEmpty());
        for (qsizetype i = 0; i < values.size(); ++i) {
            QVERIFY(values[i] <= range);
            if (i > 0)
                QVERIFY(values[i] >= values[i - 1]);
        }
        QCOMPARE(answer.names.size(), 402);
    }
};

QTEST_GUILESS_MAIN(TestFlags)
#include "test_flags.moc"
