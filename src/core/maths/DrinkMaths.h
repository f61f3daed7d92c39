#pragma once

#include "core/maths/Amount.h"

#include <QList>
#include <QString>

#include <optional>

namespace DBLib {
struct Drink;
}

// How much a drink holds and how strong it is: volume, alcohol by volume before and after the ice
// has done its work, and standard drinks.
namespace Maths {

// Grams of ethanol in one millilitre.
inline constexpr double EthanolDensity = 0.789;

// The standard drink sizes of the preferences, in grams of ethanol.
enum class StandardDrink
{
    US = 14,
    UK = 8,
    Australia = 10
};

struct Settings
{
    double partMl = MlPerOunce; // the size of one "part"
    StandardDrink standard = StandardDrink::US;
};

// How a drink is mixed, read from its directions, and how much melted ice that adds.
enum class Method
{
    Shake,
    Stir,
    Blend,
    Layer,
    Build,
    None // no directions at all
};
QString MethodName(Method method);
// The share of water added (0.25 for a quarter more volume).
double Dilution(Method method);
// The first of shake, stir, blend, layer, build (or pour, top) the directions mention, in that
// order of precedence; build when they mention none; None when there are no directions.
Method MethodOf(const QString& directions);

struct LineMaths
{
    Amount amount;
    std::optional<double> ml;       // when the line has a volume
    std::optional<double> strength; // the ingredient's, when known
};

struct DrinkMaths
{
    QList<LineMaths> lines;
    double volumeMl = 0;           // the lines that have a volume
    double alcoholMl = 0;          // of those, the ones whose strength is known
    bool approximate = false;      // a line had no volume, or a volume of unknown strength
    std::optional<double> abv;     // percent, before dilution; nothing without a volume
    Method method = Method::None;
    std::optional<double> abvServed; // percent, after dilution
    std::optional<double> standardDrinks;

    double volumeOunces() const { return volumeMl / MlPerOunce; }
};

DrinkMaths Compute(const DBLib::Drink& drink, const Settings& settings = {});

// The standard drink size and the unit shown first, as the preferences say (US and ml by default).
StandardDrink StandardDrinkPreference();
bool OuncesFirstPreference();
QString StandardDrinkName(StandardDrink standard);

// The figures in one line, as the recipe display and the print-outs show them:
// "About 177.5 ml (6.0 oz), 13.3 % ABV; built: 12.1 % as served; 1.3 standard drinks (US 14 g)".
// "About" when a line was left out; empty when no line has a volume.
QString Summary(const DrinkMaths& maths, const Settings& settings, bool ouncesFirst = false);

// One decimal, as the figures are shown ("12.5").
QString OneDecimal(double value);

} // namespace Maths
