#include "core/tools/BloodAlcohol.h"

#include "core/tools/NumberText.h"

#include <stdexcept>

namespace BloodAlcohol {

Steps Compute(qint32 drinks, qint32 hours, qint32 weightPounds, bool male)
{
    if (weightPounds == 0)
        throw std::invalid_argument("weight must not be 0");
    const Fixed4 ratio = Fixed4::fromRaw(male ? 5800 : 4900); // 0.58 / 0.49
    Steps s;
    s.alcohol = Fixed4::fromDouble(double(drinks) * 0.7);
    s.eliminated = Fixed4::fromDouble(double(hours) * 0.012);
    s.kilograms = Fixed4::fromDouble(double(weightPounds) / 2.2046);
    s.bodyWater = (s.kilograms * ratio).toDouble() * 1000.0;
    s.x = Fixed4::fromDouble(23.36 / s.bodyWater);
    s.y = Fixed4::fromDouble(s.x.toDouble() * 0.806);
    s.z = s.y * Fixed4::fromInt(100);
    s.bal = s.z * s.alcohol - s.eliminated;
    return s;
}

Grade GradeLevel(Fixed4 bal)
{
    const auto at = [](qint64 tenThousandths) { return Fixed4::fromRaw(tenThousandths); };
    Grade g;
    g.balText = bal.toString();
    Fixed4 shown = bal;
    if (shown < Fixed4()) {
        g.description = QStringLiteral("You are completely sober");
        g.balText = QStringLiteral("0.0000");
        shown = Fixed4();
    }
    if (shown >= at(200))
        g.description = QStringLiteral("Slight mood changes");
    if (shown >= at(800))
        g.description = QStringLiteral("Legally drunk, deterioration of reaction time and control.");
    if (shown > at(1500))
        g.description = QStringLiteral(
            "Impaired balance, movement, and coordination. Difficulty standing, walking, talking.");
    if (shown > at(2000))
        g.description = QStringLiteral("Decreased pain and sensation. Erratic emotions.");
    if (shown > at(3000))
        g.description = QStringLiteral("Diminished reflexes. Semi-consciousness. ");
    if (shown > at(4000))
        g.description = QStringLiteral("Loss of consciousness. Very limited reflexes. Anesthetic effects. ");
    if (shown > at(5000))
        g.description = QStringLiteral("Death from respiratory arrest");
    return g;
}

Outcome Calculate(const QString& drinks, const QString& hours, const QString& weight, bool male)
{
    Outcome out;
    const auto refuse = [&out](Field field, const QString& message) {
        out.badField = field;
        out.message = message;
        return out;
    };
    const std::optional<qint32> d = NumberText::ToWhole32(drinks);
    if (!d)
        return refuse(Field::Drinks, QStringLiteral("Please enter the number of drinks as a number."));
    const std::optional<qint32> h = NumberText::ToWhole32(hours);
    if (!h)
        return refuse(Field::Hours,
                      QStringLiteral("Please enter the hours since the first drink as a number."));
    const std::optional<qint32> w = NumberText::ToWhole32(weight);
    if (!w)
        return refuse(Field::Weight, QStringLiteral("Please enter the weight in pounds as a number."));
    if (*w <= 0)
        return refuse(Field::Weight, QStringLiteral("The weight must be more than 0 pounds."));
    try {
        out.steps = Compute(*d, *h, *w, male);
    } catch (const std::range_error&) {
        return refuse(Field::Drinks, QStringLiteral("These numbers are too large to calculate with."));
    }
    out.grade = GradeLevel(out.steps.bal);
    return out;
}

} // namespace BloodAlcohol
