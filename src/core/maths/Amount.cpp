#include "core/maths/Amount.h"

#include <QHash>

#include <array>
#include <cmath>
#include <optional>

namespace Maths {

namespace {

struct UnitInfo
{
    const char* name;
    Amount::Kind kind;
    double ounces; // one unit, for volumes
};

// Spellings (lower case, singular and plural) of the units of the conversion calculator and the
// usual bar measures. Volumes in fluid ounces, from the calculator's own factors.
const QHash<QString, UnitInfo>& units()
{
    static const QHash<QString, UnitInfo> table = [] {
        QHash<QString, UnitInfo> t;
        const auto add = [&t](std::initializer_list<const char*> spellings, UnitInfo info) {
            for (const char* s : spellings)
                t.insert(QString::fromLatin1(s), info);
        };
        const double ml = 1.0 / MlPerOunce;
        add({"oz", "ozs", "ounce", "ounces", "fl oz", "fl.oz", "fluid ounce", "fluid ounces"},
            {"oz", Amount::Kind::Volume, 1});
        add({"ml", "mls", "milliliter", "milliliters", "millilitre", "millilitres"}, {"ml", Amount::Kind::Volume, ml});
        add({"cl", "cls", "centiliter", "centiliters", "centilitre", "centilitres"},
            {"cl", Amount::Kind::Volume, 10 * ml});
        add({"dl", "dls", "deciliter", "deciliters", "decilitre", "decilitres"}, {"dl", Amount::Kind::Volume, 100 * ml});
        add({"l", "liter", "liters", "litre", "litres"}, {"l", Amount::Kind::Volume, 1000 * ml});
        add({"tsp", "tsps", "teaspoon", "teaspoons"}, {"tsp", Amount::Kind::Volume, 1.0 / 6});
        add({"tbsp", "tbsps", "tbs", "tbl", "tablespoon", "tablespoons"}, {"tbsp", Amount::Kind::Volume, 0.5});
        add({"dash", "dashes"}, {"dash", Amount::Kind::Volume, 1.0 / 32});
        add({"splash", "splashes"}, {"splash", Amount::Kind::Volume, 1.0 / 16});
        add({"barspoon", "barspoons", "bar spoon", "bar spoons", "bsp"}, {"barspoon", Amount::Kind::Volume, 1.0 / 8});
        add({"drop", "drops"}, {"drop", Amount::Kind::Volume, 1.0 / 96});
        add({"shot", "shots"}, {"shot", Amount::Kind::Volume, 1.5});
        add({"jigger", "jiggers"}, {"jigger", Amount::Kind::Volume, 1.5});
        add({"pony", "ponies"}, {"pony", Amount::Kind::Volume, 1});
        add({"cup", "cups"}, {"cup", Amount::Kind::Volume, 8});
        add({"pint", "pints"}, {"pint", Amount::Kind::Volume, 16});
        add({"quart", "quarts"}, {"quart", Amount::Kind::Volume, 32});
        add({"gallon", "gallons"}, {"gallon", Amount::Kind::Volume, 128});
        add({"wineglass", "wineglasses"}, {"wineglass", Amount::Kind::Volume, 4});
        add({"part", "parts"}, {"part", Amount::Kind::Parts, 0});
        return t;
    }();
    return table;
}

std::optional<double> vulgarFraction(QChar c)
{
    switch (c.unicode()) {
    case u'\u00BC': return 0.25;
    case u'\u00BD': return 0.5;
    case u'\u00BE': return 0.75;
    case u'\u2150': return 1.0 / 7;
    case u'\u2151': return 1.0 / 9;
    case u'\u2152': return 0.1;
    case u'\u2153': return 1.0 / 3;
    case u'\u2154': return 2.0 / 3;
    case u'\u2155': return 0.2;
    case u'\u2156': return 0.4;
    case u'\u2157': return 0.6;
    case u'\u2158': return 0.8;
    case u'\u2159': return 1.0 / 6;
    case u'\u215A': return 5.0 / 6;
    case u'\u215B': return 0.125;
    case u'\u215C': return 0.375;
    case u'\u215D': return 0.625;
    case u'\u215E': return 0.875;
    default: return std::nullopt;
    }
}

class Reader
{
public:
    explicit Reader(const QString& text) : m_text(text) {}

    qsizetype pos() const { return m_pos; }
    void skipSpaces()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool atEnd() const { return m_pos >= m_text.size(); }

    // A whole number, a decimal, a fraction, a mixed number or a vulgar fraction.
    std::optional<double> number()
    {
        const qsizetype start = m_pos;
        if (!atEnd()) {
            if (const auto f = vulgarFraction(m_text.at(m_pos))) {
                ++m_pos;
                return f;
            }
        }
        // A decimal without its leading zero: ".5".
        if (m_pos + 1 < m_text.size() && (m_text.at(m_pos) == u'.' || m_text.at(m_pos) == u',') &&
            m_text.at(m_pos + 1).isDigit()) {
            ++m_pos;
            const qsizetype fractionStart = m_pos;
            digits();
            return QString(QStringLiteral("0.") + m_text.mid(fractionStart, m_pos - fractionStart)).toDouble();
        }
        const std::optional<double> whole = digits();
        if (!whole) {
            m_pos = start;
            return std::nullopt;
        }
        // A decimal: "1.5" or "1,5".
        if (m_pos + 1 < m_text.size() && (m_text.at(m_pos) == u'.' || m_text.at(m_pos) == u',') &&
            m_text.at(m_pos + 1).isDigit()) {
            const qsizetype decimalStart = m_pos + 1;
            ++m_pos;
            digits();
            const QString decimal =
                m_text.mid(start, decimalStart - 1 - start) + QLatin1Char('.') + m_text.mid(decimalStart, m_pos - decimalStart);
            return decimal.toDouble();
        }
        // A fraction: "1/2".
        if (const auto f = fractionAfter(*whole))
            return f;
        // A mixed number: "1 1/2", "1½", "1 ½".
        const qsizetype afterWhole = m_pos;
        if (!atEnd()) {
            if (const auto f = vulgarFraction(m_text.at(m_pos))) {
                ++m_pos;
                return *whole + *f;
            }
        }
        skipSpaces();
        if (!atEnd()) {
            if (const auto f = vulgarFraction(m_text.at(m_pos))) {
                ++m_pos;
                return *whole + *f;
            }
        }
        if (const std::optional<double> numerator = digits()) {
            if (const auto f = fractionAfter(*numerator))
                return *whole + *f;
        }
        m_pos = afterWhole;
        return whole;
    }

    // "-", "–", "—" or the word "to" between the two ends of a range.
    bool rangeSeparator()
    {
        const qsizetype start = m_pos;
        skipSpaces();
        if (!atEnd() && (m_text.at(m_pos) == u'-' || m_text.at(m_pos) == u'\u2013' || m_text.at(m_pos) == u'\u2014')) {
            ++m_pos;
            skipSpaces();
            return true;
        }
        if (m_text.mid(m_pos, 2).compare(QLatin1String("to"), Qt::CaseInsensitive) == 0 &&
            (m_pos + 2 >= m_text.size() || !m_text.at(m_pos + 2).isLetter())) {
            m_pos += 2;
            skipSpaces();
            return true;
        }
        m_pos = start;
        return false;
    }

    // The next word, letters only, lower case; a trailing full stop belongs to it.
    QString word()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos).isLetter())
            ++m_pos;
        QString w = m_text.mid(start, m_pos - start).toLower();
        if (!w.isEmpty() && m_pos < m_text.size() && m_text.at(m_pos) == u'.')
            ++m_pos;
        return w;
    }
    void seek(qsizetype pos) { m_pos = pos; }

private:
    std::optional<double> digits()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos).isDigit() && m_text.at(m_pos).unicode() < 128)
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return m_text.mid(start, m_pos - start).toDouble();
    }
    std::optional<double> fractionAfter(double numerator)
    {
        if (m_pos + 1 < m_text.size() && (m_text.at(m_pos) == u'/' || m_text.at(m_pos) == u'\u2044')) {
            const qsizetype slash = m_pos;
            ++m_pos;
            const std::optional<double> denominator = digits();
            if (denominator && *denominator > 0)
                return numerator / *denominator;
            m_pos = slash;
        }
        return std::nullopt;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

// The unit after the quantity: one word, or two for "fl oz", "fluid ounce" and "bar spoon".
std::optional<UnitInfo> unitAt(Reader& r, QString* written)
{
    const qsizetype start = r.pos();
    const QString first = r.word();
    if (first.isEmpty())
        return std::nullopt;
    const qsizetype afterFirst = r.pos();
    r.skipSpaces();
    const QString second = r.word();
    if (!second.isEmpty()) {
        const auto two = units().constFind(first + QLatin1Char(' ') + second);
        if (two != units().cend()) {
            *written = two.key();
            return *two;
        }
    }
    r.seek(afterFirst);
    const auto one = units().constFind(first);
    if (one != units().cend()) {
        *written = first;
        return *one;
    }
    r.seek(start);
    *written = first;
    return std::nullopt;
}

} // namespace

double Amount::millilitres(double partMl) const
{
    switch (kind) {
    case Kind::Volume:
        return quantity() * ounces * MlPerOunce;
    case Kind::Parts:
        return quantity() * partMl;
    default:
        return 0;
    }
}

Amount ParseAmount(const QString& text)
{
    Amount amount;
    Reader r(text);
    r.skipSpaces();
    amount.numberStart = r.pos();
    const std::optional<double> low = r.number();
    if (!low) {
        // A unit on its own ("Dash", "a splash") is one of it.
        QString written;
        const qsizetype start = r.pos();
        amount.numberStart = amount.numberEnd = start;
        const QString lead = r.word();
        if (lead == QLatin1String("a") || lead == QLatin1String("an"))
            amount.numberEnd = r.pos();
        else
            r.seek(start);
        r.skipSpaces();
        const std::optional<UnitInfo> unit = unitAt(r, &written);
        if (unit && unit->kind == Amount::Kind::Volume) {
            amount.kind = unit->kind;
            amount.low = amount.high = 1;
            amount.unit = QString::fromLatin1(unit->name);
            amount.ounces = unit->ounces;
        }
        return amount;
    }
    amount.low = amount.high = *low;
    amount.numberEnd = r.pos();
    if (r.rangeSeparator()) {
        if (const std::optional<double> high = r.number()) {
            amount.high = *high;
            amount.numberEnd = r.pos();
        } else {
            r.seek(amount.numberEnd);
        }
    }
    r.skipSpaces();
    QString written;
    if (const std::optional<UnitInfo> unit = unitAt(r, &written)) {
        amount.kind = unit->kind;
        amount.unit = QString::fromLatin1(unit->name);
        amount.ounces = unit->ounces;
    } else {
        amount.kind = Amount::Kind::Count;
        amount.unit = written;
    }
    return amount;
}

QString FormatQuantity(double value)
{
    if (!(value > 0))
        return QStringLiteral("0");
    const double whole = std::floor(value);
    static const std::array<std::pair<double, const char*>, 7> fractions = {
        {{0.0, ""}, {0.25, "1/4"}, {1.0 / 3, "1/3"}, {0.5, "1/2"}, {2.0 / 3, "2/3"}, {0.75, "3/4"}, {1.0, ""}}};
    for (const auto& [fraction, text] : fractions) {
        const double candidate = whole + fraction;
        if (candidate > 0 && std::fabs(value - candidate) <= 0.02 * value) {
            const qint64 units = qint64(whole) + (fraction == 1.0 ? 1 : 0);
            if (*text == '\0')
                return QString::number(units);
            return units == 0 ? QString::fromLatin1(text)
                              : QString::number(units) + QLatin1Char(' ') + QString::fromLatin1(text);
        }
    }
    QString decimal = QString::number(value, 'f', 1);
    if (decimal.endsWith(QLatin1String(".0")))
        decimal.chop(2);
    return decimal;
}

QString ScaleAmount(const QString& text, double factor)
{
    const Amount amount = ParseAmount(text);
    if (!amount.hasQuantity())
        return text;
    QString number = FormatQuantity(amount.low * factor);
    if (amount.high != amount.low)
        number += QLatin1Char('-') + FormatQuantity(amount.high * factor);
    // A unit on its own gets its number in front: "Dash" becomes "2 Dash".
    const QString gap = amount.numberStart == amount.numberEnd ? QStringLiteral(" ") : QString();
    return text.left(amount.numberStart) + number + gap + text.mid(amount.numberEnd);
}

} // namespace Maths
