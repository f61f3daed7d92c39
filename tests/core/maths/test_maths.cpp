#include "TestSupport.h"

#include "core/maths/Amount.h"
#include "core/maths/DrinkMaths.h"
#include "core/maths/PartyPlan.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"

#include <QTest>

using namespace Maths;

Q_DECLARE_METATYPE(Maths::Amount::Kind)

class TestMaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void amounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Amount::Kind>("kind");
        QTest::addColumn<double>("quantity");
        QTest::addColumn<double>("ml"); // for volumes; parts at 1 oz
        QTest::addColumn<QString>("unit");
        const auto v = Amount::Kind::Volume;
        const auto c = Amount::Kind::Count;
        const auto n = Amount::Kind::None;
        const auto p = Amount::Kind::Parts;
        const double oz = MlPerOunce;
        struct Row
        {
            const char* text;
            Amount::Kind kind;
            double quantity;
            double ml;
            const char* unit;
        };
        const Row rows[] = {
            {"2 oz", v, 2, 2 * oz, "oz"},
            {"1 1/2 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1/2 oz", v, 0.5, 0.5 * oz, "oz"},
            {"3/4 Oz", v, 0.75, 0.75 * oz, "oz"},
            {"1.5 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1,5 oz", v, 1.5, 1.5 * oz, "oz"},
            {".5 oz", v, 0.5, 0.5 * oz, "oz"},
            {"½ oz", v, 0.5, 0.5 * oz, "oz"},
            {"1½ oz", v, 1.5, 1.5 * oz, "oz"},
            {"1 ½ oz", v, 1.5, 1.5 * oz, "oz"},
            {"¾ ounce", v, 0.75, 0.75 * oz, "oz"},
            {"2 ounces", v, 2, 2 * oz, "oz"},
            {"1 fl oz", v, 1, oz, "oz"},
            {"1 fl. oz", v, 1, oz, "oz"},
            {"60 ml", v, 60, 60, "ml"},
            {"60ml", v, 60, 60, "ml"},
            {"22.5 ML", v, 22.5, 22.5, "ml"},
            {"4 cl", v, 4, 40, "cl"},
            {"2 centilitres", v, 2, 20, "cl"},
            {"1 dl", v, 1, 100, "dl"},
            {"1 l", v, 1, 1000, "l"},
            {"1 litre", v, 1, 1000, "l"},
            {"0.7 liters", v, 0.7, 700, "l"},
            {"1 tsp", v, 1, oz / 6, "tsp"},
            {"2 teaspoons", v, 2, oz / 3, "tsp"},
            {"1 tbsp", v, 1, oz / 2, "tbsp"},
            {"2 Tablespoons", v, 2, oz, "tbsp"},
            {"1 dash", v, 1, oz / 32, "dash"},
            {"2 dashes", v, 2, oz / 16, "dash"},
            {"Dash", v, 1, oz / 32, "dash"},
            {"a splash", v, 1, oz / 16, "splash"},
            {"1 splash", v, 1, oz / 16, "splash"},
            {"1 barspoon", v, 1, oz / 8, "barspoon"},
            {"2 bar spoons", v, 2, oz / 4, "barspoon"},
            {"3 drops", v, 3, oz / 32, "drop"},
            {"1 shot", v, 1, 1.5 * oz, "shot"},
            {"2 shots", v, 2, 3 * oz, "shot"},
            {"1 jigger", v, 1, 1.5 * oz, "jigger"},
            {"1 cup", v, 1, 8 * oz, "cup"},
            {"1 pint", v, 1, 16 * oz, "pint"},
            {"1-2 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1 - 2 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1 to 2 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1–2 dashes", v, 1.5, 1.5 * oz / 32, "dash"},
            {"2-3 cl", v, 2.5, 25, "cl"},
            {"1/2-1 oz", v, 0.75, 0.75 * oz, "oz"},
            {"2 parts", p, 2, 2 * oz, "part"},
            {"1 part", p, 1, oz, "part"},
            {"1 1/2 parts", p, 1.5, 1.5 * oz, "part"},
            {"2 slices", c, 2, 0, "slices"},
            {"1 sprig", c, 1, 0, "sprig"},
            {"6 leaves", c, 6, 0, "leaves"},
            {"1 wedge", c, 1, 0, "wedge"},
            {"2", c, 2, 0, ""},
            {"1 pinch", c, 1, 0, "pinch"},
            {"3 cubes", c, 3, 0, "cubes"},
            {"Top up", n, 0, 0, ""},
            {"Fill with", n, 0, 0, ""},
            {"to taste", n, 0, 0, ""},
            {"pinch", n, 0, 0, ""},
            {"", n, 0, 0, ""},
            {"   ", n, 0, 0, ""},
            {"Juice of 1 lime", n, 0, 0, ""},
            {"1/0 oz", c, 1, 0, ""},
            {"  2 oz  ", v, 2, 2 * oz, "oz"},
        };
        for (const Row& r : rows)
            QTest::newRow(r.text) << QString::fromUtf8(r.text) << r.kind << r.quantity << r.ml << QString::fromUtf8(r.unit);
    }
    void amounts()
    {
        QFETCH(QString, text);
        QFETCH(Amount::Kind, kind);
        QFETCH(double, quantity);
        QFETCH(double, ml);
        QFETCH(QString, unit);
        const Amount a = ParseAmount(text);
        QCOMPARE(a.kind, kind);
        QCOMPARE(a.quantity(), quantity);
        QVERIFY2(qAbs(a.millilitres() - ml) < 1e-9, qPrintable(QString::number(a.millilitres())));
        QCOMPARE(a.unit, unit);
    }

    // The calculator's ounce is the maths' ounce: 1 oz is 29.586 ml there too.
    void volumesAgreeWithTheCalculator() { QCOMPARE(ParseAmount(QStringLiteral("1 oz")).millilitres(), 29.5857988165); }

    void scaling_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("scaled");
        QTest::newRow("whole") << QStringLiteral("2 oz") << 3.0 << QStringLiteral("6 oz");
        QTest::newRow("half") << QStringLiteral("1/2 oz") << 3.0 << QStringLiteral("1 1/2 oz");
        QTest::newRow("third") << QStringLiteral("1/3 oz") << 2.0 << QStringLiteral("2/3 oz");
        QTest::newRow("quarter") << QStringLiteral("3/4 oz") << 5.0 << QStringLiteral("3 3/4 oz");
        QTest::newRow("no fraction near") << QStringLiteral("0.1 oz") << 3.0 << QStringLiteral("0.3 oz");
        QTest::newRow("within 2 per cent") << QStringLiteral("0.33 oz") << 1.0 << QStringLiteral("1/3 oz");
        QTest::newRow("range") << QStringLiteral("1-2 dashes") << 2.0 << QStringLiteral("2-4 dashes");
        QTest::newRow("unit kept as written") << QStringLiteral("1½ Ounces of gin") << 2.0
                                              << QStringLiteral("3 Ounces of gin");
        QTest::newRow("unit alone") << QStringLiteral("Dash") << 4.0 << QStringLiteral("4 Dash");
        QTest::newRow("article") << QStringLiteral("a splash") << 2.0 << QStringLiteral("2 splash");
        QTest::newRow("counted") << QStringLiteral("2 slices") << 10.0 << QStringLiteral("20 slices");
        QTest::newRow("no quantity") << QStringLiteral("Top up") << 10.0 << QStringLiteral("Top up");
        QTest::newRow("leading blanks kept") << QStringLiteral(" 1 oz") << 2.0 << QStringLiteral(" 2 oz");
    }
    void scaling()
    {
        QFETCH(QString, text);
        QFETCH(double, factor);
        QFETCH(QString, scaled);
        QCOMPARE(ScaleAmount(text, factor), scaled);
    }

    void methods_data()
    {
        QTest::addColumn<QString>("directions");
        QTest::addColumn<int>("method");
        QTest::newRow("shake") << QStringLiteral("Shake with ice and strain.") << int(Method::Shake);
        QTest::newRow("shaken") << QStringLiteral("Shaken, not stirred.") << int(Method::Shake);
        QTest::newRow("stir before pour") << QStringLiteral("Pour over ice, stir.") << int(Method::Stir);
        QTest::newRow("blend") << QStringLiteral("Blend with crushed ice.") << int(Method::Blend);
        QTest::newRow("layer") << QStringLiteral("Layer carefully over a spoon.") << int(Method::Layer);
        QTest::newRow("top") << QStringLiteral("Add gin, top with tonic.") << int(Method::Build);
        QTest::newRow("nothing said") << QStringLiteral("Serve at once.") << int(Method::Build);
        QTest::newRow("no directions") << QString() << int(Method::None);
        QTest::newRow("not inside a word") << QStringLiteral("Add a stopper-shaped garnish.") << int(Method::Build);
    }
    void methods()
    {
        QFETCH(QString, directions);
        QFETCH(int, method);
        QCOMPARE(int(MethodOf(directions)), method);
    }

    void drinkMaths_data()
    {
        QTest::addColumn<int>("standard");
        QTest::addColumn<double>("drinks");
        // 2 oz gin at 40 % = 23.67 ml ethanol = 18.67 g.
        QTest::newRow("US 14 g") << int(StandardDrink::US) << 18.674 / 14;
        QTest::newRow("UK 8 g") << int(StandardDrink::UK) << 18.674 / 8;
        QTest::newRow("Australia 10 g") << int(StandardDrink::Australia) << 18.674 / 10;
    }
    void drinkMaths()
    {
        QFETCH(int, standard);
        QFETCH(double, drinks);
        // Gin and tonic, built: 2 oz gin (40 %) + 4 oz tonic (0 %) + a lime wedge.
        DBLib::Drink d;
        d.description = QStringLiteral("Build over ice and top with tonic.");
        const auto line = [](const char* amount, std::optional<double> strength) {
            DBLib::RecipeLine l;
            l.amount = QString::fromUtf8(amount);
            l.strength = strength;
            return l;
        };
        d.lines = {line("2 oz", 40), line("4 oz", 0), line("1 wedge", 0)};
        const DrinkMaths m = Compute(d, {MlPerOunce, StandardDrink(standard)});
        // 6 oz = 177.5 ml; 23.67 ml of it alcohol = 13.33 %; built: 10 % water = 12.12 %.
        QCOMPARE(OneDecimal(m.volumeMl), QStringLiteral("177.5"));
        QCOMPARE(OneDecimal(*m.abv), QStringLiteral("13.3"));
        QCOMPARE(m.method, Method::Build);
        QCOMPARE(OneDecimal(*m.abvServed), QStringLiteral("12.1"));
        QVERIFY(qAbs(*m.standardDrinks - drinks) < 0.001);
        QVERIFY(m.approximate); // the wedge has no volume
    }

    void unknownStrengthAndNoVolume()
    {
        DBLib::Drink d;
        DBLib::RecipeLine mystery;
        mystery.amount = QStringLiteral("1 oz");
        d.lines = {mystery};
        const DrinkMaths m = Compute(d);
        QVERIFY(m.approximate);
        QCOMPARE(*m.abv, 0.0);
        d.lines.first().amount = QStringLiteral("Top up");
        QVERIFY(!Compute(d).abv); // no volume, no strength
    }

    void partsScaleWithTheChosenSize()
    {
        DBLib::Drink d;
        DBLib::RecipeLine l;
        l.amount = QStringLiteral("2 parts");
        l.strength = 40;
        d.lines = {l};
        QCOMPARE(Compute(d, {50, StandardDrink::US}).volumeMl, 100.0);
    }

    void partyTotals()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        DBLib::SetIngredientStrength(DBLib::FindIngredientID(QStringLiteral("Gin")), 40);
        addTestDrink(QStringLiteral("Gimlet"), {{"2 oz", "Gin"}, {"3/4 oz", "Lime Juice"}, {"1 slice", "Lime Juice"}});
        addTestDrink(QStringLiteral("Gin Ale"), {{"50 ml", "Gin"}, {"Top up", "Ginger Ale"}});
        const PartyTotals t = Totals({{QStringLiteral("GIMLET"), 10}, {QStringLiteral("gin ale"), 20},
                                      {QStringLiteral("NO SUCH DRINK"), 3}});
        QCOMPARE(t.missingDrinks, QStringList{QStringLiteral("NO SUCH DRINK")});
        QCOMPARE(t.servings, 30);
        QCOMPARE(t.ingredients.size(), 3);
        const IngredientTotal& gin = t.ingredients.at(0);
        QCOMPARE(gin.ingredient, QStringLiteral("Gin"));
        // 10 x 2 oz (591.7 ml) + 20 x 50 ml = 1591.7 ml: three 750 ml bottles.
        QCOMPARE(qRound(gin.ml), 1592);
        QCOMPARE(gin.bottleMl, 750);
        QCOMPARE(gin.bottles, 3);
        const IngredientTotal& ale = t.ingredients.at(1);
        QVERIFY(ale.unmeasured);
        QCOMPARE(ale.bottles, 0);
        const IngredientTotal& lime = t.ingredients.at(2);
        QCOMPARE(lime.count, 10.0);
        QCOMPARE(lime.countUnit, QStringLiteral("slice"));
        QCOMPARE(lime.bottleMl, 1000); // a mixer
        QCOMPARE(lime.bottles, 1);     // 10 x 3/4 oz = 222 ml
        QVERIFY(lime.inStock);
    }

    void planFiles_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("ok");
        QTest::newRow("good") << QByteArray(R"({"drinks":[{"name":"MOJITO","servings":12}]})") << true;
        QTest::newRow("not json") << QByteArray("{drinks") << false;
        QTest::newRow("no list") << QByteArray(R"({"drink":[]})") << false;
        QTest::newRow("no name") << QByteArray(R"({"drinks":[{"servings":2}]})") << false;
        QTest::newRow("too many servings") << QByteArray(R"({"drinks":[{"name":"X","servings":501}]})") << false;
        QTest::newRow("half a serving") << QByteArray(R"({"drinks":[{"name":"X","servings":1.5}]})") << false;
    }
    void planFiles()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, ok);
        QString error;
        const auto plan = ReadPlan(json, &error);
        QCOMPARE(plan.has_value(), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok) {
            const auto again = ReadPlan(WritePlan(*plan), &error);
            QCOMPARE(again->size(), 1);
            QCOMPARE(again->first().name, QStringLiteral("MOJITO"));
            QCOMPARE(again->first().servings, 12);
        }
    }
};

QTEST_GUILESS_MAIN(TestMaths)
#include "test_maths.moc"
