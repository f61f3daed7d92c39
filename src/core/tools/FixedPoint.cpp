#include "core/tools/FixedPoint.h"

#include "core/tools/NumberText.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// Integer quotient of n / d (d > 0) rounded to nearest, ties to even.
__int128 divideHalfEven(__int128 n, __int128 d)
{
    __int128 q = n / d;
    __int128 r = n % d; // same sign as n
    if (r < 0)
        r = -r;
    const __int128 twice = 2 * r;
    if (twice > d || (twice == d && (q % 2 != 0)))
        q += (n < 0) ? -1 : 1;
    return q;
}

} // namespace

Fixed4 Fixed4::fromDouble(double value)
{
    const double scaled = value * double(Scale);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(scaled) || scaled >= limit || scaled < -limit)
        throw std::range_error("value out of range for a four-decimal number");
    return Fixed4(qint64(NumberText::RoundHalfEven(scaled)));
}

Fixed4 operator*(Fixed4 a, Fixed4 b)
{
    const __int128 product = __int128(a.m_raw) * __int128(b.m_raw);
    const __int128 result = divideHalfEven(product, Fixed4::Scale);
    if (result > std::numeric_limits<qint64>::max() || result < std::numeric_limits<qint64>::min())
        throw std::range_error("product out of range for a four-decimal number");
    return Fixed4(qint64(result));
}

QString Fixed4::toString() const
{
    const bool negative = m_raw < 0;
    // Work in unsigned so the most negative value has a magnitude too.
    const quint64 magnitude = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    QString text = QString::number(magnitude / quint64(Scale));
    quint64 fraction = magnitude % quint64(Scale);
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    if (negative)
        text.prepend(QLatin1Char('-'));
    return text;
}
