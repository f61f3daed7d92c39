#pragma once

#include <QString>

// Amount texts of recipe lines ("1 1/2 oz", "2-3 dashes", "½ cl", "Top up") read as a quantity and
// a unit, and written back scaled the way a bartender writes them.
namespace Maths {

// Millilitres in one fluid ounce, as the conversion calculator counts them (so both agree).
inline constexpr double MlPerOunce = 29.5857988165;

struct Amount
{
    enum class Kind
    {
        None,   // no quantity: "Top up", "Fill with", "to taste", an empty text
        Volume, // a quantity of a volume unit
        Parts,  // "2 parts": a volume once the size of a part is chosen
        Count,  // counted things: "2 slices", "1 sprig", "3" (a bare number), "1 pinch"
    };
    Kind kind = Kind::None;
    double low = 0;  // the quantity; for a range its two ends, else both the same
    double high = 0;
    QString unit;      // the unit as a canonical name ("oz", "ml", "dash", "part") or, counted, the word as written
    double ounces = 0; // Volume: one unit in fluid ounces
    // Where the quantity is written: text[numberStart, numberEnd). Empty for a unit on its own
    // ("Dash"), which counts one; "a" or "an" before one is its quantity.
    qsizetype numberStart = 0;
    qsizetype numberEnd = 0;

    double quantity() const { return (low + high) / 2; }
    bool hasQuantity() const { return kind != Kind::None; }
    // The volume in millilitres; Parts take partMl each; nothing for counts and texts without a quantity.
    double millilitres(double partMl = MlPerOunce) const;
    bool hasVolume() const { return kind == Kind::Volume || kind == Kind::Parts; }
};

// Reads an amount text. Numbers may be whole, decimal ("1.5" or "1,5"), fractions ("1/2"), mixed
// ("1 1/2"), Unicode fractions ("½", "1½"), or ranges ("1-2", "1 to 2": the middle counts).
Amount ParseAmount(const QString& text);

// A quantity as a bartender writes it: a whole number, a whole number and 1/4, 1/3, 1/2, 2/3 or 3/4
// when within 2 % of one of those, else one decimal.
QString FormatQuantity(double value);

// The amount text with its quantity multiplied by factor and the rest kept as written; a text
// without a quantity is returned unchanged.
QString ScaleAmount(const QString& text, double factor);

} // namespace Maths
