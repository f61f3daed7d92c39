#include "core/tools/BloodAlcohol.h"
#include "core/tools/FixedPoint.h"
#include "core/tools/NumberText.h"
#include "core/tools/UnitConversion.h"

#include <QLocale>
#include <QTest>
#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString Keep = QStringLiteral("<keeps previous>");

QString described(const std::optional<QString>& description)
{
    return description ? *description : Keep;
}

} // namespace

class TestCalculators : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void fixedRounding_data()
    {
        QTest::addColumn<qint64>("a");
        QTest::addColumn<qint64>("b");
        QTest::addColumn<qint64>("product");
        // Raw counts of ten-thousandths.
        QTest::newRow("tie rounds up to even")
            << qint64(816475) << qint64(5800) << qint64(473556);                            // 47.35555
        QTest::newRow("tie rounds down to even") << qint64(5) << qint64(5000) << qint64(2); // 0.00025
        QTest::newRow("negative tie to even") << qint64(-5) << qint64(5000) << qint64(-2);
        QTest::newRow("negative tie up in size") << qint64(-15) << qint64(5000) << qint64(-8); // -0.00075
        QTest::newRow("below half") << qint64(816475) << qint64(4900) << qint64(400073);       // 40.007275
        QTest::newRow("large without overflow")
            << qint64(9000000000000) << qint64(20000) << qint64(18000000000000);
    }
    void fixedRounding()
    {
        QFETCH(qint64, a);
        QFETCH(qint64, b);
        QFETCH(qint64, product);
        QCOMPARE((Fixed4::fromRaw(a) * Fixed4::fromRaw(b)).raw(), product);
    }

    void fixedFromDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("raw");
        QTest::newRow("kilograms") << 180 / 2.2046 << qint64(816475);
        QTest::newRow("exact tie to even down") << 0.00125 << qint64(12);
        QTest::newRow("exact tie to even up") << 0.00375 << qint64(38);
        QTest::newRow("negative") << -0.00005 << qint64(0);
        QTest::newRow("tiny") << 0.000493 << qint64(5);
    }
    void fixedFromDouble()
    {
        QFETCH(double, value);
        QFETCH(qint64, raw);
        QCOMPARE(Fixed4::fromDouble(value).raw(), raw);
    }

    void fixedOutOfRange()
    {
        QVERIFY_THROWS_EXCEPTION(std::range_error, Fixed4::fromDouble(1e300));
        QVERIFY_THROWS_EXCEPTION(std::range_error, Fixed4::fromDouble(std::nan("")));
    }

    void fixedText_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("bal") << qint64(720) << QStringLiteral("0.072");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0");
        QTest::newRow("whole") << qint64(30000) << QStringLiteral("3");
        QTest::newRow("negative") << qint64(-120) << QStringLiteral("-0.012");
        QTest::newRow("all digits") << qint64(12345678) << QStringLiteral("1234.5678");
        QTest::newRow("most negative")
            << std::numeric_limits<qint64>::min() << QStringLiteral("-922337203685477.5808");
    }
    void fixedText()
    {
        QFETCH(qint64, raw);
        QFETCH(QString, text);
        QCOMPARE(Fixed4::fromRaw(raw).toString(), text);
    }

    void numberText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("digits") << QStringLiteral("750") << true << 750.0;
        QTest::newRow("blanks around") << QStringLiteral(" 12 ") << true << 12.0;
        QTest::newRow("plus and fraction") << QStringLiteral("+1.5") << true << 1.5;
        QTest::newRow("leading point") << QStringLiteral("-.5") << true << -0.5;
        QTest::newRow("trailing point") << QStringLiteral("5.") << true << 5.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("sign only") << QStringLiteral("-") << false << 0.0;
        QTest::newRow("point only") << QStringLiteral(".") << false << 0.0;
        QTest::newRow("letters") << QStringLiteral("12a") << false << 0.0;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << false << 0.0;
        QTest::newRow("sign inside") << QStringLiteral("1-2") << false << 0.0;
        QTest::newRow("two signs") << QStringLiteral("--1") << false << 0.0;
        QTest::newRow("exponent") << QStringLiteral("1e3") << false << 0.0;
        QTest::newRow("comma in C locale") << QStringLiteral("1,5") << false << 0.0;
        QTest::newRow("blank inside") << QStringLiteral("1 5") << false << 0.0;
        QTest::newRow("other digits") << QStringLiteral("\u0661\u0662") << false << 0.0;
    }
    void numberText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> parsed = NumberText::ToDouble(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void numberTextLocaleSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const std::optional<double> comma = NumberText::ToDouble(QStringLiteral("1,5"));
        const std::optional<double> point = NumberText::ToDouble(QStringLiteral("2.5"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(comma, std::optional<double>(1.5));
        QCOMPARE(point, std::optional<double>(2.5));
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint32>>("whole");
        QTest::newRow("half to even down") << QStringLiteral("2.5") << std::optional<qint32>(2);
        QTest::newRow("half to even up") << QStringLiteral("3.5") << std::optional<qint32>(4);
        QTest::newRow("negative half") << QStringLiteral("-2.5") << std::optional<qint32>(-2);
        QTest::newRow("just over half") << QStringLiteral("2.51") << std::optional<qint32>(3);
        QTest::newRow("largest") << QStringLiteral("2147483647") << std::optional<qint32>(2147483647);
        QTest::newRow("too large") << QStringLiteral("2147483648") << std::optional<qint32>();
        QTest::newRow("not a number") << QStringLiteral("ten") << std::optional<qint32>();
    }
    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<qint32>, whole);
        QCOMPARE(NumberText::ToWhole32(text), whole);
    }

    void balWorkedExample()
    {
        // 180 lb man, 3 drinks, 1 hour: every intermediate as the tool rounds it.
        const BloodAlcohol::Steps s = BloodAlcohol::Compute(3, 1, 180, true);
        QCOMPARE(s.kilograms.raw(), qint64(816475));
        QCOMPARE(s.bodyWater, 47355.6);
        QCOMPARE(s.x.raw(), qint64(5));
        QCOMPARE(s.y.raw(), qint64(4));
        QCOMPARE(s.z.raw(), qint64(400));
        QCOMPARE(s.alcohol.raw(), qint64(21000));
        QCOMPARE(s.eliminated.raw(), qint64(120));
        QCOMPARE(s.bal.toString(), QStringLiteral("0.072"));
    }

    void balCalculate_data()
    {
        QTest::addColumn<QString>("drinks");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<bool>("male");
        QTest::addColumn<QString>("balText");
        QTest::addColumn<QString>("description");
        QTest::newRow("worked example") << "3"
                                        << "1"
                                        << "180" << true << "0.072"
                                        << "Slight mood changes";
        // Same person as a woman: less body water, a higher level.
        QTest::newRow("female") << "3"
                                << "1"
                                << "180" << false << "0.093"
                                << "Legally drunk, deterioration of reaction time and control.";
        QTest::newRow("below 0.02 keeps the text") << "1"
                                                   << "1"
                                                   << "180" << true << "0.016" << Keep;
        QTest::newRow("zero keeps the text") << "1"
                                             << "0"
                                             << "180" << true << "0.028"
                                             << "Slight mood changes";
        QTest::newRow("negative is sober") << "1"
                                           << "10"
                                           << "180" << true << "0.0000"
                                           << "You are completely sober";
        QTest::newRow("light person") << "10"
                                      << "1"
                                      << "90" << false << "0.688"
                                      << "Death from respiratory arrest";
        QTest::newRow("fractions round to even") << "2.5"
                                                 << "0.5"
                                                 << "180.4" << true << "0.056"
                                                 << "Slight mood changes";
        QTest::newRow("step function of weight") << "3"
                                                 << "1"
                                                 << "185" << true << "0.072"
                                                 << "Slight mood changes";
    }
    void balCalculate()
    {
        QFETCH(QString, drinks);
        QFETCH(QString, hours);
        QFETCH(QString, weight);
        QFETCH(bool, male);
        QFETCH(QString, balText);
        QFETCH(QString, description);
        const BloodAlcohol::Outcome out = BloodAlcohol::Calculate(drinks, hours, weight, male);
        QCOMPARE(out.badField, BloodAlcohol::Field::None);
        QCOMPARE(out.grade.balText, balText);
        QCOMPARE(described(out.grade.description), description);
    }

    void balRefused_data()
    {
        QTest::addColumn<QString>("drinks");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<int>("field");
        QTest::newRow("drinks not a number") << "three"
                                             << "1"
                                             << "180" << int(BloodAlcohol::Field::Drinks);
        QTest::newRow("drinks empty") << ""
                                      << "1"
                                      << "180" << int(BloodAlcohol::Field::Drinks);
        QTest::newRow("hours not a number") << "3"
                                            << "1h"
                                            << "180" << int(BloodAlcohol::Field::Hours);
        QTest::newRow("weight not a number") << "3"
                                             << "1"
                                             << "180 lb" << int(BloodAlcohol::Field::Weight);
        QTest::newRow("weight zero") << "3"
                                     << "1"
                                     << "0" << int(BloodAlcohol::Field::Weight);
        QTest::newRow("weight rounds to zero") << "3"
                                               << "1"
                                               << "0.4" << int(BloodAlcohol::Field::Weight);
        QTest::newRow("weight negative") << "3"
                                         << "1"
                                         << "-180" << int(BloodAlcohol::Field::Weight);
        QTest::newRow("drinks too large") << "99999999999"
                                          << "1"
                                          << "180" << int(BloodAlcohol::Field::Drinks);
    }
    void balRefused()
    {
        QFETCH(QString, drinks);
        QFETCH(QString, hours);
        QFETCH(QString, weight);
        QFETCH(int, field);
        const BloodAlcohol::Outcome out = BloodAlcohol::Calculate(drinks, hours, weight, true);
        QCOMPARE(int(out.badField), field);
        QVERIFY(!out.message.isEmpty());
        QVERIFY(out.grade.balText.isEmpty());
    }

    void balExtremesDoNotOverflow()
    {
        const BloodAlcohol::Outcome out = BloodAlcohol::Calculate(
            QStringLiteral("2147483647"), QStringLiteral("-2147483648"), QStringLiteral("1"), true);
        QCOMPARE(out.badField, BloodAlcohol::Field::None);
        QVERIFY(!out.grade.balText.isEmpty());
        QCOMPARE(*out.grade.description, QStringLiteral("Death from respiratory arrest"));
    }

    void balGrading_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<QString>("balText");
        QTest::addColumn<QString>("description");
        QTest::newRow("-0.0001") << qint64(-1) << "0.0000"
                                 << "You are completely sober";
        QTest::newRow("0") << qint64(0) << "0" << Keep;
        QTest::newRow("0.0199") << qint64(199) << "0.0199" << Keep;
        QTest::newRow("0.02") << qint64(200) << "0.02"
                              << "Slight mood changes";
        QTest::newRow("0.0799") << qint64(799) << "0.0799"
                                << "Slight mood changes";
        QTest::newRow("0.08") << qint64(800) << "0.08"
                              << "Legally drunk, deterioration of reaction time and control.";
        QTest::newRow("0.15") << qint64(1500) << "0.15"
                              << "Legally drunk, deterioration of reaction time and control.";
        QTest::newRow("0.1501")
            << qint64(1501) << "0.1501"
            << "Impaired balance, movement, and coordination. Difficulty standing, walking, talking.";
        QTest::newRow("0.2")
            << qint64(2000) << "0.2"
            << "Impaired balance, movement, and coordination. Difficulty standing, walking, talking.";
        QTest::newRow("0.2001") << qint64(2001) << "0.2001"
                                << "Decreased pain and sensation. Erratic emotions.";
        QTest::newRow("0.3") << qint64(3000) << "0.3"
                             << "Decreased pain and sensation. Erratic emotions.";
        QTest::newRow("0.3001") << qint64(3001) << "0.3001"
                                << "Diminished reflexes. Semi-consciousness. ";
        QTest::newRow("0.4001") << qint64(4001) << "0.4001"
                                << "Loss of consciousness. Very limited reflexes. Anesthetic effects. ";
        QTest::newRow("0.5") << qint64(5000) << "0.5"
                             << "Loss of consciousness. Very limited reflexes. Anesthetic effects. ";
        QTest::newRow("0.5001") << qint64(5001) << "0.5001"
                                << "Death from respiratory arrest";
    }
    void balGrading()
    {
        QFETCH(qint64, raw);
        QFETCH(QString, balText);
        QFETCH(QString, description);
        const BloodAlcohol::Grade g = BloodAlcohol::GradeLevel(Fixed4::fromRaw(raw));
        QCOMPARE(g.balText, balText);
        QCOMPARE(described(g.description), description);
    }

    void unitOrder()
    {
        const char* const names[] = {"Dash",       "Splash",    "Teaspoon",  "Tablespoon",    "Ounce",
                                     "Pony",       "Jigger",    "Miniature", "Cup",           "Half Pint",
                                     "Split",      "Wineglass", "Pint",      "English Fifth", "Fifth",
                                     "Quart",      "Tenth",     "Gallon",    "Liter",         "Deciliter",
                                     "Centiliter", "Milliliter"};
        QStringList expected;
        for (const char* name : names)
            expected << QLatin1String(name);
        QCOMPARE(UnitConversion::UnitNames(), expected);
        QCOMPARE(UnitConversion::UnitPosition(QStringLiteral("Dash")), std::optional<int>(1));
        QCOMPARE(UnitConversion::UnitPosition(QStringLiteral("Milliliter")), std::optional<int>(22));
    }

    void convert_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("result");
        QTest::newRow("opening") << "750"
                                 << "Milliliter"
                                 << "Ounce"
                                 << "25.35";
        QTest::newRow("dash to teaspoon, tie to even") << "1"
                                                       << "Dash"
                                                       << "Teaspoon"
                                                       << "0.188";
        QTest::newRow("split is not quite 6") << "1"
                                              << "Split"
                                              << "Ounce"
                                              << "6";
        QTest::newRow("tenth equals gallon") << "1"
                                             << "Tenth"
                                             << "Ounce"
                                             << "128";
        QTest::newRow("gallon") << "1"
                                << "Gallon"
                                << "Ounce"
                                << "128";
        QTest::newRow("tenth to gallon") << "1"
                                         << "Tenth"
                                         << "Gallon"
                                         << "1";
        // One of each unit in ounces, through every factor.
        QTest::newRow("dash") << "1"
                              << "Dash"
                              << "Ounce"
                              << "0.031";
        QTest::newRow("splash, tie to even") << "1"
                                             << "Splash"
                                             << "Ounce"
                                             << "0.062";
        QTest::newRow("teaspoon") << "1"
                                  << "Teaspoon"
                                  << "Ounce"
                                  << "0.167";
        QTest::newRow("tablespoon") << "1"
                                    << "Tablespoon"
                                    << "Ounce"
                                    << "0.5";
        QTest::newRow("pony") << "1"
                              << "Pony"
                              << "Ounce"
                              << "1";
        QTest::newRow("jigger") << "1"
                                << "Jigger"
                                << "Ounce"
                                << "1.5";
        QTest::newRow("ounce to jigger") << "1"
                                         << "Ounce"
                                         << "Jigger"
                                         << "0.667";
        QTest::newRow("miniature") << "1"
                                   << "Miniature"
                                   << "Ounce"
                                   << "2";
        QTest::newRow("cup") << "1"
                             << "Cup"
                             << "Ounce"
                             << "8";
        QTest::newRow("half pint") << "1"
                                   << "Half Pint"
                                   << "Ounce"
                                   << "8";
        QTest::newRow("wineglass") << "1"
                                   << "Wineglass"
                                   << "Ounce"
                                   << "4";
        QTest::newRow("pint") << "1"
                              << "Pint"
                              << "Ounce"
                              << "16";
        QTest::newRow("english fifth") << "1"
                                       << "English Fifth"
                                       << "Ounce"
                                       << "25.6";
        QTest::newRow("fifth") << "1"
                               << "Fifth"
                               << "Ounce"
                               << "25.4";
        QTest::newRow("quart") << "1"
                               << "Quart"
                               << "Ounce"
                               << "32";
        QTest::newRow("liter") << "1"
                               << "Liter"
                               << "Ounce"
                               << "33.8";
        QTest::newRow("deciliter") << "1"
                                   << "Deciliter"
                                   << "Ounce"
                                   << "3.38";
        QTest::newRow("centiliter") << "1"
                                    << "Centiliter"
                                    << "Ounce"
                                    << "0.338";
        QTest::newRow("milliliter") << "1"
                                    << "Milliliter"
                                    << "Ounce"
                                    << "0.034";
        QTest::newRow("ounce to milliliter") << "1"
                                             << "Ounce"
                                             << "Milliliter"
                                             << "29.586";
        QTest::newRow("negative") << "-2"
                                  << "Ounce"
                                  << "Tablespoon"
                                  << "-4";
        QTest::newRow("tiny rounds to zero") << "0.0001"
                                             << "Ounce"
                                             << "Ounce"
                                             << "0";
        QTest::newRow("blanks around the unit") << "2"
                                                << " Cup "
                                                << "Ounce"
                                                << "16";
        // The quantity is read in single precision: 16777217 has no float and becomes 16777216.
        QTest::newRow("single precision input") << "16777217"
                                                << "Ounce"
                                                << "Pony"
                                                << "16777216";
        // Between whole-number units the arithmetic stays in single precision: 0.0045 comes out
        // just below the tie (double arithmetic would give 0.005).
        QTest::newRow("single precision arithmetic") << "0.012"
                                                     << "Splash"
                                                     << "Teaspoon"
                                                     << "0.004";
    }
    void convert()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, result);
        const UnitConversion::Outcome out = UnitConversion::ConvertText(quantity, from, to);
        QCOMPARE(out.status, UnitConversion::Status::Converted);
        QCOMPARE(out.result, result);
    }

    void convertRefused_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("status");
        QTest::newRow("empty") << ""
                               << "Dash"
                               << "Ounce" << int(UnitConversion::Status::Empty);
        QTest::newRow("blank") << "  "
                               << "Dash"
                               << "Ounce" << int(UnitConversion::Status::Empty);
        QTest::newRow("letters") << "12a"
                                 << "Dash"
                                 << "Ounce" << int(UnitConversion::Status::NotANumber);
        QTest::newRow("exponent") << "1e5"
                                  << "Dash"
                                  << "Ounce" << int(UnitConversion::Status::NotANumber);
        QTest::newRow("beyond single precision") << QString(40, QLatin1Char('9')) << "Dash"
                                                 << "Ounce" << int(UnitConversion::Status::NotANumber);
        QTest::newRow("unknown from") << "1"
                                      << "Bucket"
                                      << "Ounce" << int(UnitConversion::Status::UnknownFromUnit);
        QTest::newRow("unit in other case") << "1"
                                            << "dash"
                                            << "Ounce" << int(UnitConversion::Status::UnknownFromUnit);
        QTest::newRow("no unit chosen") << "1"
                                        << "Dash"
                                        << "" << int(UnitConversion::Status::UnknownToUnit);
    }
    void convertRefused()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, status);
        const UnitConversion::Outcome out = UnitConversion::ConvertText(quantity, from, to);
        QCOMPARE(int(out.status), status);
        QVERIFY(out.result.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCalculators)
#include "test_calculators.moc"
