#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The conversion calculator's 22 bar and kitchen units. Each factor says how many of the unit make
// one fluid ounce. The factors are the tool's own, odd ones included ("Split" is 0.166666, "Tenth"
// equals "Gallon"), so results match what its users have always seen.
namespace UnitConversion {

struct Unit
{
    QString name;
    double factor;
    // The small whole-number factors take part in single-precision arithmetic; the others force double.
    bool whole;
};

// In list order: position 1 is the first entry.
const QList<Unit>& Units();
QStringList UnitNames();
// 1..22 for one of the unit names (exact spelling, blanks around ignored), nullopt otherwise.
std::optional<int> UnitPosition(const QString& name);

// factor(to) x (quantity / factor(from)), before rounding. Positions are 1..22.
double Convert(float quantity, int fromPosition, int toPosition);
// Rounded to 3 decimals, ties to the even neighbour, as the shortest decimal text ("25.35", "6").
QString FormatResult(double value);

enum class Status
{
    Converted,
    Empty,
    NotANumber,
    UnknownFromUnit,
    UnknownToUnit
};
struct Outcome
{
    Status status = Status::Empty;
    QString result; // the text for the result box when Converted
};
// The window's conversion from what the user typed and chose.
Outcome ConvertText(const QString& quantity, const QString& fromUnit, const QString& toUnit);

} // namespace UnitConversion
