#include "core/tools/UnitConversion.h"

#include "core/tools/NumberText.h"

#include <cmath>

namespace UnitConversion {

const QList<Unit>& Units()
{
    static const QList<Unit> units = {
        {QStringLiteral("Dash"), 32, true},
        {QStringLiteral("Splash"), 16, true},
        {QStringLiteral("Teaspoon"), 6, true},
        {QStringLiteral("Tablespoon"), 2, true},
        {QStringLiteral("Ounce"), 1, true},
        {QStringLiteral("Pony"), 1, true},
        {QStringLiteral("Jigger"), 2.0 / 3.0, false},
        {QStringLiteral("Miniature"), 0.5, false},
        {QStringLiteral("Cup"), 0.125, false},
        {QStringLiteral("Half Pint"), 0.125, false},
        {QStringLiteral("Split"), 0.166666, false},
        {QStringLiteral("Wineglass"), 0.25, false},
        {QStringLiteral("Pint"), 0.0625, false},
        {QStringLiteral("English Fifth"), 0.0390625, false},
        {QStringLiteral("Fifth"), 0.03937, false},
        {QStringLiteral("Quart"), 0.03125, false},
        {QStringLiteral("Tenth"), 0.0078125, false},
        {QStringLiteral("Gallon"), 0.0078125, false},
        {QStringLiteral("Liter"), 0.0295857988165, false},
        {QStringLiteral("Deciliter"), 0.295857988165, false},
        {QStringLiteral("Centiliter"), 2.95857988165, false},
        {QStringLiteral("Milliliter"), 29.5857988165, false},
    };
    return units;
}

QStringList UnitNames()
{
    QStringList names;
    for (const Unit& u : Units())
        names.append(u.name);
    return names;
}

std::optional<int> UnitPosition(const QString& name)
{
    const QString wanted = name.trimmed();
    const QList<Unit>& units = Units();
    for (int i = 0; i < units.size(); ++i) {
        if (units.at(i).name == wanted)
            return i + 1;
    }
    return std::nullopt;
}

double Convert(float quantity, int fromPosition, int toPosition)
{
    const Unit& from = Units().at(fromPosition - 1);
    const Unit& to = Units().at(toPosition - 1);
    // A single divided by a whole number stays single; a double factor makes the rest double.
    if (from.whole) {
        const float perOunce = quantity / float(from.factor);
        if (to.whole)
            return double(float(to.factor) * perOunce);
        return to.factor * double(perOunce);
    }
    return to.factor * (double(quantity) / from.factor);
}

QString FormatResult(double value)
{
    const double thousandths = NumberText::RoundHalfEven(value * 1000.0);
    if (!std::isfinite(thousandths) || std::fabs(thousandths) >= 9.0e15) // beyond exact whole doubles
        return QString::number(value, 'g', 15);
    const qint64 count = qint64(thousandths);
    const bool negative = count < 0;
    const qint64 magnitude = negative ? -count : count;
    QString text = QString::number(magnitude / 1000);
    if (const qint64 fraction = magnitude % 1000) {
        QString digits = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    if (negative)
        text.prepend(QLatin1Char('-'));
    return text;
}

Outcome ConvertText(const QString& quantity, const QString& fromUnit, const QString& toUnit)
{
    Outcome out;
    if (quantity.trimmed().isEmpty()) {
        out.status = Status::Empty;
        return out;
    }
    const std::optional<float> q = NumberText::ToSingle(quantity);
    if (!q) {
        out.status = Status::NotANumber;
        return out;
    }
    const std::optional<int> from = UnitPosition(fromUnit);
    if (!from) {
        out.status = Status::UnknownFromUnit;
        return out;
    }
    const std::optional<int> to = UnitPosition(toUnit);
    if (!to) {
        out.status = Status::UnknownToUnit;
        return out;
    }
    out.status = Status::Converted;
    out.result = FormatResult(Convert(*q, *from, *to));
    return out;
}

} // namespace UnitConversion
