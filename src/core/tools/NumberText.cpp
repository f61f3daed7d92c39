#include "core/tools/NumberText.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <limits>

namespace NumberText {

namespace {

template <typename T> std::optional<T> parse(const QString& text)
{
    const std::optional<QByteArray> ascii = Normalize(text);
    if (!ascii)
        return std::nullopt;
    T value{};
    const char* begin = ascii->constData();
    const char* end = begin + ascii->size();
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end)
        return std::nullopt; // also too large for the type
    return value;
}

} // namespace

std::optional<QByteArray> Normalize(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QString localPoint = QLocale().decimalPoint();
    QByteArray out;
    out.reserve(trimmed.size() + 2);
    int digits = 0;
    bool point = false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            out.append(char(c.unicode()));
            ++digits;
        } else if (i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'))) {
            if (c == QLatin1Char('-'))
                out.append('-');
        } else if (!point && (c == QLatin1Char('.') || (localPoint.size() == 1 && c == localPoint.at(0)))) {
            point = true;
            out.append('.');
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    return out;
}

std::optional<double> ToDouble(const QString& text)
{
    return parse<double>(text);
}

std::optional<float> ToSingle(const QString& text)
{
    return parse<float>(text);
}

std::optional<qint32> ToWhole32(const QString& text)
{
    const std::optional<double> value = ToDouble(text);
    if (!value)
        return std::nullopt;
    const double rounded = RoundHalfEven(*value);
    if (rounded < double(std::numeric_limits<qint32>::min()) ||
        rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    double whole = std::floor(value);
    const double fraction = value - whole; // exact: both lie in the same binade or below
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return whole;
}

} // namespace NumberText
