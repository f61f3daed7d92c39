#pragma once

#include <QString>
#include <QtGlobal>
#include <compare>

// A decimal number with exactly four digits after the point, held as a 64-bit count of
// ten-thousandths. Every rounding (from floating point, after a multiplication) goes to the
// nearest ten-thousandth, ties to the even neighbour, so results do not drift with binary noise.
class Fixed4
{
public:
    static constexpr qint64 Scale = 10000;

    constexpr Fixed4() = default;
    static constexpr Fixed4 fromRaw(qint64 tenThousandths) { return Fixed4(tenThousandths); }
    static constexpr Fixed4 fromInt(qint64 whole) { return Fixed4(whole * Scale); }
    // Rounds value * 10000 to a whole count, ties to even. Throws std::range_error for a value
    // that is not finite or does not fit.
    static Fixed4 fromDouble(double value);

    constexpr qint64 raw() const { return m_raw; }
    double toDouble() const { return double(m_raw) / double(Scale); }
    // Shortest decimal text: "0.072", "-1.5", "0" (no trailing zeros, no trailing point).
    QString toString() const;

    friend constexpr Fixed4 operator+(Fixed4 a, Fixed4 b) { return Fixed4(a.m_raw + b.m_raw); }
    friend constexpr Fixed4 operator-(Fixed4 a, Fixed4 b) { return Fixed4(a.m_raw - b.m_raw); }
    // The exact product rounded to four decimals, ties to even.
    friend Fixed4 operator*(Fixed4 a, Fixed4 b);
    friend constexpr auto operator<=>(Fixed4 a, Fixed4 b) = default;

private:
    constexpr explicit Fixed4(qint64 raw) : m_raw(raw) {}
    qint64 m_raw = 0;
};
