#include "TestSupport.h"

#include "core/maths/Amount.h"
#include "core/maths/DrinkMaths.h"
#include "core/maths/PartyPlan.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"

#include <QTest>

using namespace Maths;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Maths::Amount::Kind)

namespace {

DBLib::RecipeLine line(const char* amount, std::optional<double> strength)
{
    DBLib::RecipeLine l;
    l.amount = QString::fromUtf8(amount);
    l.strength = strength;
    return l;
}

} // namespace

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
        // Every way of writing a number, each unit once, ranges, and what has no quantity.
        const Row rows[] = {
            {"2 oz", v, 2, 2 * oz, "oz"}, {"1 1/2 oz", v, 1.5, 1.5 * oz, "oz"}, {"1/2 oz", v, 0.5, 0.5 * oz, "oz"},
            {"1.5 oz", v, 1.5, 1.5 * oz, "oz"}, {"1,5 oz", v, 1.5, 1.5 * oz, "oz"}, {".5 oz", v, 0.5, 0.5 * oz, "oz"},
            {"½ oz", v, 0.5, 0.5 * oz, "oz"}, {"1½ oz", v, 1.5, 1.5 * oz, "oz"}, {"1 ½ oz", v, 1.5, 1.5 * oz, "oz"},
            {"¾ ounce", v, 0.75, 0.75 * oz, "oz"}, {"1 fl oz", v, 1, oz, "oz"}, {"1 fl. oz", v, 1, oz, "oz"},
            {"60ml", v, 60, 60, "ml"}, {"22.5 ML", v, 22.5, 22.5, "ml"}, {"4 cl", v, 4, 40, "cl"},
            {"1 dl", v, 1, 100, "dl"}, {"1 l", v, 1, 1000, "l"}, {"0.7 liters", v, 0.7, 700, "l"},
            {"1 tsp", v, 1, oz / 6, "tsp"}, {"2 Tablespoons", v, 2, oz, "tbsp"}, {"2 dashes", v, 2, oz / 16, "dash"},
            {"Dash", v, 1, oz / 32, "dash"}, {"a splash", v, 1, oz / 16, "splash"},
            {"2 bar spoons", v, 2, oz / 4, "barspoon"}, {"3 drops", v, 3, oz / 32, "drop"},
            {"2 shots", v, 2, 3 * oz, "shot"}, {"1 jigger", v, 1, 1.5 * oz, "jigger"}, {"1 cup", v, 1, 8 * oz, "cup"},
            {"1-2 oz", v, 1.5, 1.5 * oz, "oz"}, {"1 - 2 oz", v, 1.5, 1.5 * oz, "oz"}, {"1 to 2 oz", v, 1.5, 1.5 * oz, "oz"},
            {"1–2 dashes", v, 1.5, 1.5 * oz / 32, "dash"}, {"1/2-1 oz", v, 0.75, 0.75 * oz, "oz"},
            {"2 parts", p, 2, 2 * oz, "part"}, {"1 1/2 parts", p, 1.5, 1.5 * oz, "part"},
            {"2 slices", c, 2, 0, "slices"}, {"6 leaves", c, 6, 0, "leaves"}, {"2", c, 2, 0, ""},
            {"1 pinch", c, 1, 0, "pinch"}, {"Top up", n, 0, 0, ""}, {"to taste", n, 0, 0, ""}, {"pinch", n, 0, 0, ""},
            {"", n, 0, 0, ""}, {"   ", n, 0, 0, ""}, {"Juice of 1 lime", n, 0, 0, ""}, {"1/0 oz", c, 1, 0, ""},
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
    void volumesAgreeWithTheCalculator() { QCOMPARE(ParseAmount(u"1 oz"_s).millilitres(), 29.5857988165); }

    void scaling_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("scaled");
        QTest::newRow("whole") << u"2 oz"_s << 3.0 << u"6 oz"_s;
        QTest::newRow("half") << u"1/2 oz"_s << 3.0 << u"1 1/2 oz"_s;
        QTest::newRow("third") << u"1/3 oz"_s << 2.0 << u"2/3 oz"_s;
        QTest::newRow("quarter") << u"3/4 oz"_s << 5.0 << u"3 3/4 oz"_s;
        QTest::newRow("no fraction near") << u"0.1 oz"_s << 3.0 << u"0.3 oz"_s;
        QTest::newRow("within 2 per cent") << u"0.33 oz"_s << 1.0 << u"1/3 oz"_s;
        QTest::newRow("range") << u"1-2 dashes"_s << 2.0 << u"2-4 dashes"_s;
        QTest::newRow("unit kept as written") << u"1½ Ounces of gin"_s << 2.0 << u"3 Ounces of gin"_s;
        QTest::newRow("unit alone") << u"Dash"_s << 4.0 << u"4 Dash"_s;
        QTest::newRow("article") << u"a splash"_s << 2.0 << u"2 splash"_s;
        QTest::newRow("counted") << u"2 slices"_s << 10.0 << u"20 slices"_s;
        QTest::newRow("no quantity") << u"Top up"_s << 10.0 << u"Top up"_s;
        QTest::newRow("leading blanks kept") << u" 1 oz"_s << 2.0 << u" 2 oz"_s;
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
        QTest::newRow("shake") << u"Shake with ice and strain."_s << int(Method::Shake);
        QTest::newRow("shaken") << u"Shaken, not stirred."_s << int(Method::Shake);
        QTest::newRow("stir before pour") << u"Pour over ice, stir."_s << int(Method::Stir);
        QTest::newRow("blend") << u"Blend with crushed ice."_s << int(Method::Blend);
        QTest::newRow("layer") << u"Layer carefully over a spoon."_s << int(Method::Layer);
        QTest::newRow("top") << u"Add gin, top with tonic."_s << int(Method::Build);
        QTest::newRow("nothing said") << u"Serve at once."_s << int(Method::Build);
        QTest::newRow("no directions") << QString() << int(Method::None);
        QTest::newRow("not inside a word") << u"Add a stopper-shaped garnish."_s << int(Method::Build);
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
        d.description = u"Build over ice and top with tonic."_s;
        d.lines = {line("2 oz", 40), line("4 oz", 0), line("1 wedge", 0)};
        const DrinkMaths m = Compute(d, {MlPerOunce, StandardDrink(standard)});
        // 6 oz = 177.5 ml; 23.67 ml of it alcohol = 13.33 %; built: 10 % water = 12.12 %.
        QCOMPARE(OneDecimal(m.volumeMl) + u'|' + OneDecimal(*m.abv) + u'|' + OneDecimal(*m.abvServed), u"177.5|13.3|12.1"_s);
        QCOMPARE(m.method, Method::Build);
        QVERIFY(qAbs(*m.standardDrinks - drinks) < 0.001);
        QVERIFY(m.approximate); // the wedge has no volume
    }

    // A line of unknown strength counts as none, and makes the figures approximate; without any
    // volume there is no strength; parts are measured in the chosen size.
    void unknownStrengthNoVolumeAndParts()
    {
        DBLib::Drink d;
        d.lines = {line("1 oz", std::nullopt)};
        const DrinkMaths m = Compute(d);
        QVERIFY(m.approximate && m.abv == 0.0);
        d.lines.first().amount = u"Top up"_s;
        QVERIFY(!Compute(d).abv);
        d.lines = {line("2 parts", 40)};
        QCOMPARE(Compute(d, {50, StandardDrink::US}).volumeMl, 100.0);
    }

    void partyTotals()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        DBLib::SetIngredientStrength(DBLib::FindIngredientID(u"Gin"_s), 40);
        addTestDrink(u"Gimlet"_s, {{"2 oz", "Gin"}, {"3/4 oz", "Lime Juice"}, {"1 slice", "Lime Juice"}});
        addTestDrink(u"Gin Ale"_s, {{"50 ml", "Gin"}, {"Top up", "Ginger Ale"}});
        const PartyTotals t = Totals({{u"GIMLET"_s, 10}, {u"gin ale"_s, 20}, {u"NO SUCH DRINK"_s, 3}});
        QCOMPARE(t.missingDrinks, QStringList{u"NO SUCH DRINK"_s});
        QVERIFY(t.servings == 30 && t.ingredients.size() == 3);
        const IngredientTotal &gin = t.ingredients.at(0), &ale = t.ingredients.at(1), &lime = t.ingredients.at(2);
        // 10 x 2 oz (591.7 ml) + 20 x 50 ml = 1591.7 ml: three 750 ml bottles.
        QCOMPARE(gin.ingredient, u"Gin"_s);
        QCOMPARE(QList<int>({qRound(gin.ml), gin.bottleMl, gin.bottles}), QList<int>({1592, 750, 3}));
        QVERIFY(ale.unmeasured && ale.bottles == 0);
        QCOMPARE(lime.count, 10.0);
        QCOMPARE(lime.countUnit, u"slice"_s);
        // A mixer, by the litre: 10 x 3/4 oz = 222 ml.
        QVERIFY(lime.bottleMl == 1000 && lime.bottles == 1 && lime.inStock);
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
        QVERIFY(plan.has_value() == ok && error.isEmpty() == ok);
        const auto again = ok ? ReadPlan(WritePlan(*plan), &error) : std::nullopt;
        QVERIFY(!ok || (again->size() == 1 && again->first().name == u"MOJITO"_s && again->first().servings == 12));
    }
};

QTEST_GUILESS_MAIN(TestMaths)
#include "test_maths.moc"
