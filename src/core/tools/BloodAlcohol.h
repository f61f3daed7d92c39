#pragma once

#include "core/tools/FixedPoint.h"

#include <QString>
#include <optional>

// The blood alcohol estimate behind the calculator window. All arithmetic is in four-decimal fixed
// point, rounded at the same steps as the original tool, so the answer is a step function of the
// weight and the examples users know (180 lb, man, 3 drinks, 1 hour: 0.072) come out the same.
namespace BloodAlcohol {

struct Steps
{
    Fixed4 alcohol;    // A = drinks x 0.7
    Fixed4 eliminated; // M = hours x 0.012
    Fixed4 kilograms;  // K = pounds / 2.2046
    double bodyWater;  // T = (K x r) x 1000
    Fixed4 x;          // 23.36 / T
    Fixed4 y;          // X x 0.806
    Fixed4 z;          // Y x 100
    Fixed4 bal;        // Z x A - M
};

// weightPounds must not be 0 (the estimate divides by the body water).
Steps Compute(qint32 drinks, qint32 hours, qint32 weightPounds, bool male);

struct Grade
{
    QString balText;                    // what the BAL box shows
    std::optional<QString> description; // nullopt: the description keeps its previous text
};

// A negative level shows "0.0000" and "You are completely sober"; from 0.02 up the texts of the
// effects table apply, the last threshold reached winning.
Grade GradeLevel(Fixed4 bal);

// The window's whole calculation from the three texts: checks the input, computes and grades.
enum class Field
{
    None,
    Drinks,
    Hours,
    Weight
};
struct Outcome
{
    Field badField = Field::None; // the input that was refused, None on success
    QString message;              // why it was refused
    Steps steps{};
    Grade grade;
};
Outcome Calculate(const QString& drinks, const QString& hours, const QString& weight, bool male);

} // namespace BloodAlcohol
