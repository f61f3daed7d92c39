#include "core/tools/BloodAlcohol.h"
#include "core/tools/FixedPoint.h"
#include "core/tools/NumberText.h"
#include "core/tools/UnitConversion.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <limits>
#include <optional>

using BloodAlcohol::Field;
using namespace Qt::StringLiterals;
using UnitConversion::Status;

namespace {

struct BalCase
{
    const char *drinks, *hours, *weight;
    bool male;
    Field refused;
    const char* bal = "";
    const char* description = nullptr; // nullptr: the description keeps its text
};

struct Conversion
{
    const char *quantity, *from, *to;
    Status status;
    const char* result = "";
};

QString text(const char* s)
{
    return QString::fromUtf8(s);
}

} // namespace

class TestCalculators : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Raw counts of ten-thousandths; nullopt: the product does not fit.
    void fixedProduct_data()
    {
        QTest::addColumn<qint64>("a");
        QTest::addColumn<qint64>("b");
        QTest::addColumn<std::optional<qint64>>("product");
        QTest::addColumn<QString>("text");
        const qint64 max = std::numeric_limits<qint64>::max(), min = std::numeric_limits<qint64>::min();
        const struct
        {
            qint64 a, b;
            std::optional<qint64> product;
            const char* text;
        } products[] = {
            {816475, 5800, 473556, "47.3556"}, {5, 5000, 2, "0.0002"}, {-5, 5000, -2, "-0.0002"}, // ties to even
            {-15, 5000, -8, "-0.0008"}, {816475, 4900, 400073, "40.0073"}, {13, 2000, 3, "0.0003"},
            {0, -5000, 0, "0"}, {-3, 4000000, -1200, "-0.12"}, {20000, 15000, 30000, "3"},
            {9000000000000, 20000, 18000000000000, "1800000000"}, {min, 10000, min, "-922337203685477.5808"},
            {max, 20000, std::nullopt, ""}, {max, -20000, std::nullopt, ""}};
        for (const auto& p : products)
            QTest::addRow("%lld x %lld", p.a, p.b) << p.a << p.b << p.product << text(p.text);
    }
    void fixedProduct()
    {
        QFETCH(qint64, a);
        QFETCH(qint64, b);
        QFETCH(std::optional<qint64>, product);
        QFETCH(QString, text);
        if (!product) {
            QVERIFY_THROWS_EXCEPTION(std::range_error, Fixed4::fromRaw(a) * Fixed4::fromRaw(b));
            return;
        }
        const Fixed4 p = Fixed4::fromRaw(a) * Fixed4::fromRaw(b);
        QCOMPARE(p.raw(), *product);
        QCOMPARE(p.toString(), text);
    }

    // Rounded to the nearest ten-thousandth (ties to even); refused when it does not fit.
    void fixedFromDouble()
    {
        QCOMPARE(Fixed4::fromDouble(0.00125).raw(), 12);
        QCOMPARE(Fixed4::fromDouble(-922337203685477.5808).raw(), std::numeric_limits<qint64>::min());
        QVERIFY_THROWS_EXCEPTION(std::range_error, Fixed4::fromDouble(922337203685477.5808)); // 2^63 / 10^4
        QVERIFY_THROWS_EXCEPTION(std::range_error, Fixed4::fromDouble(std::nan("")));
    }

    // A number typed into a bar tool, and the whole number it rounds to (ties to even).
    void numberText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("value");
        QTest::addColumn<std::optional<qint32>>("whole");
        const struct
        {
            const char* text;
            std::optional<double> value;
            std::optional<qint32> whole;
        } numbers[] = {
            {"7590", 7590, 7590}, {" 12 ", 12, 12}, {"+1.5", 1.5, 2}, {"-.5", -0.5, 0}, {"5.", 5, 5}, {"2.5", 2.5, 2},
            {"-2.5", -2.5, -2}, {"-3.5", -3.5, -4}, {"2.51", 2.51, 3}, {"2.49", 2.49, 2},
            {"2147483647", 2147483647, 2147483647}, {"-2147483648", -2147483648.0, std::numeric_limits<qint32>::min()},
            {"2147483648", 2147483648.0, std::nullopt}, {"-2147483649", -2147483649.0, std::nullopt},
            {"\u0661\u0662", std::nullopt, std::nullopt}}; // Arabic-Indic digits
        for (const auto& n : numbers)
            QTest::addRow("%s", n.text) << text(n.text) << n.value << n.whole;
        for (const char* refused : {"", "-", ".", "12a", "1.2.3", "1-2", "--1", "1e3", "1,5", "1 5", "1/2", "1:2"})
            QTest::addRow("refused \"%s\"", refused) << text(refused) << std::optional<double>() << std::optional<qint32>();
    }
    void numberText()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, value);
        QFETCH(std::optional<qint32>, whole);
        QCOMPARE(NumberText::ToDouble(text), value);
        QCOMPARE(NumberText::ToWhole32(text), whole);
    }

    // The user's own decimal separator is taken too, but only one separator.
    void numberTextLocaleSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const QList<std::optional<double>> read = {NumberText::ToDouble(u"1,5"_s), NumberText::ToDouble(u"2.5"_s),
                                                   NumberText::ToDouble(u"2.5,1"_s)};
        QLocale::setDefault(QLocale::c());
        QCOMPARE(read, (QList<std::optional<double>>{1.5, 2.5, std::nullopt}));
    }

    void balCalculate_data()
    {
        QTest::addColumn<BalCase>("c");
        const Field ok = Field::None;
        const char* slight = "Slight mood changes";
        const char* death = "Death from respiratory arrest";
        const BalCase cases[] = {
            {"3", "1", "180", true, ok, "0.072", slight}, // the example users know
            {"3", "1", "180", false, ok, "0.093", "Legally drunk, deterioration of reaction time and control."},
            {"3", "1", "185", true, ok, "0.072", slight}, // a step function of the weight
            {"1", "1", "180", true, ok, "0.016", nullptr}, {"1", "0", "180", true, ok, "0.028", slight},
            {"1", "10", "180", true, ok, "0.0000", "You are completely sober"},
            {"10", "1", "90", false, ok, "0.688", death}, {"2.5", "0.5", "180.4", true, ok, "0.056", slight},
            {"2147483647", "-2147483648", "1", true, ok, "10788957842.54", death},
            {"three", "1", "180", true, Field::Drinks}, {"", "1", "180", true, Field::Drinks},
            {"99999999999", "1", "180", true, Field::Drinks}, {"3", "1h", "180", true, Field::Hours},
            {"3", "1", "180 lb", true, Field::Weight}, {"3", "1", "0", true, Field::Weight},
            {"3", "1", "0.4", true, Field::Weight}, {"3", "1", "-180", true, Field::Weight}};
        for (const BalCase& c : cases)
            QTest::addRow("%s drinks, %s h, %s lb, %s", c.drinks, c.hours, c.weight, c.male ? "man" : "woman") << c;
    }
    void balCalculate()
    {
        QFETCH(BalCase, c);
        const BloodAlcohol::Outcome out = BloodAlcohol::Calculate(text(c.drinks), text(c.hours), text(c.weight), c.male);
        QCOMPARE(out.badField, c.refused);
        QCOMPARE(out.message.isEmpty(), c.refused == Field::None);
        QCOMPARE(out.grade.balText, text(c.bal));
        if (c.refused == Field::None)
            QCOMPARE(out.grade.description, c.description ? std::optional(text(c.description)) : std::nullopt);
    }

    // The effects table: a new text from each threshold on, the same text up to the next one.
    void balGrading()
    {
        const auto grade = [](qint64 raw) { return BloodAlcohol::GradeLevel(Fixed4::fromRaw(raw)).description; };
        QCOMPARE(BloodAlcohol::GradeLevel(Fixed4::fromRaw(-1)).balText, QStringLiteral("0.0000"));
        QVERIFY(!grade(0) && !grade(199));
        const qint64 starts[] = {200, 800, 1501, 2001, 3001, 4001, 5001, 1000000};
        for (int i = 0; i + 1 < int(std::size(starts)); ++i) {
            QVERIFY(grade(starts[i]).has_value() && grade(starts[i]) != grade(starts[i] - 1));
            QCOMPARE(grade(starts[i + 1] - 1), grade(starts[i]));
        }
    }

    // Worked out by hand from the units' sizes (1 oz = 29.5857988165 ml, 6 tsp ...), the quantity read
    // in single precision and the arithmetic between the whole-number units (dash to pony) kept there.
    void convert_data()
    {
        QTest::addColumn<Conversion>("c");
        const char* const converted[][4] = {
            {"750", "Milliliter", "Ounce", "25.35"}, {"1", "Dash", "Teaspoon", "0.188"}, // tie to even
            {"1", "Split", "Ounce", "6"}, {"1", "Tenth", "Gallon", "1"}, {"1", "Ounce", "Jigger", "0.667"},
            {"-2", "Ounce", "Tablespoon", "-4"}, {"0.0001", "Ounce", "Ounce", "0"}, {"2", " Cup ", "Ounce", "16"},
            {"1", "Dash", "Milliliter", "0.925"}, {"16777217", "Ounce", "Pony", "16777216"}, // no float for 16777217
            {"100000000000000000000", "Ounce", "Ounce", "1.00000002004088e+20"}, // beyond whole thousandths
            // Where single and double precision part: 0.0045 comes out just below the tie in single.
            {"0.012", "Splash", "Teaspoon", "0.004"}, {"1000", "Teaspoon", "Milliliter", "4930.967"},
            {"1", "Split", "Milliliter", "177.516"}, {"1", "Liter", "Pint", "2.113"}, {"1", "Deciliter", "Cup", "0.423"},
            {"1", "Centiliter", "Wineglass", "0.085"}, {"750", "Fifth", "Dash", "609601.219"},
            {"100000", "Tablespoon", "Jigger", "33333.333"}, {"1000000", "Ounce", "Deciliter", "295857.988"},
            // 12345.678 is read as 12345.677734375.
            // The units no other row names, and both ways the arithmetic goes (from a whole-number unit or not).
            {"12345.678", "English Fifth", "Dash", "10113579.2"}, {"12345.678", "Dash", "Teaspoon", "2314.814"},
            {"12345.678", "Ounce", "Teaspoon", "74074.062"}, {"12345.678", "Miniature", "Teaspoon", "148148.133"},
            {"12345.678", "Half Pint", "Teaspoon", "592592.531"}, {"12345.678", "Quart", "Teaspoon", "2370370.125"},
            {"12345.678", "Tenth", "Teaspoon", "9481480.5"}, {"12345.678", "Gallon", "Teaspoon", "9481480.5"}};
        for (const auto& [quantity, from, to, result] : converted)
            QTest::addRow("%s %s in %s", quantity, from, to) << Conversion{quantity, from, to, Status::Converted, result};
        const Conversion refused[] = {
            {"", "Dash", "Ounce", Status::Empty}, {"  ", "Dash", "Ounce", Status::Empty},
            {"12a", "Dash", "Ounce", Status::NotANumber}, {"1e5", "Dash", "Ounce", Status::NotANumber},
            {"9999999999999999999999999999999999999999", "Dash", "Ounce", Status::NotANumber}, // beyond single
            {"1", "Bucket", "Ounce", Status::UnknownFromUnit}, {"1", "dash", "Ounce", Status::UnknownFromUnit},
            {"1", "Dash", "", Status::UnknownToUnit}};
        for (const Conversion& c : refused)
            QTest::addRow("refused: \"%s\" \"%s\" \"%s\"", c.quantity, c.from, c.to) << c;
    }
    void convert()
    {
        QFETCH(Conversion, c);
        const UnitConversion::Outcome out = UnitConversion::ConvertText(text(c.quantity), text(c.from), text(c.to));
        QCOMPARE(out.status, c.status);
        QCOMPARE(out.result, text(c.result));
    }
};

QTEST_GUILESS_MAIN(TestCalculators)
#include "test_calculators.moc"
