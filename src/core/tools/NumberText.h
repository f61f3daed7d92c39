#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Reading numbers the user typed into the bar tools. A number is an optional sign, digits and at
// most one decimal separator (a point, or the separator of the user's locale), with at least one
// digit; blanks around it are ignored. Exponents, group separators and anything else are refused.
namespace NumberText {

// The text with a point as separator and no sign "+", ready for a C parser; nullopt when the text
// is not a number as described above.
std::optional<QByteArray> Normalize(const QString& text);

std::optional<double> ToDouble(const QString& text);
// Correctly rounded single precision straight from the decimal text (no detour through double).
std::optional<float> ToSingle(const QString& text);
// The number rounded to a whole number, ties to the even neighbour (2.5 gives 2, 3.5 gives 4);
// nullopt when it is not a number or does not fit in 32 bits.
std::optional<qint32> ToWhole32(const QString& text);

// value rounded to a whole number, ties to the even neighbour, whatever the FPU's rounding mode.
double RoundHalfEven(double value);

} // namespace NumberText
