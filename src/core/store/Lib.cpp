#include "core/store/Lib.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace Lib {

namespace {

bool isScalarValue(char32_t c)
{
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Shifts every code point by delta; on failure names the offending position.
QString shift(const QString& text, int delta, const char* what)
{
    QString out;
    out.reserve(text.size() + 2);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            throw TextCodingError(QStringLiteral("The text cannot be %1: it holds a broken character at "
                                                 "position %2.")
                                      .arg(QLatin1String(what))
                                      .arg(i + 1));
        }
        const qint64 shifted = qint64(c) + delta;
        if (shifted < 0 || !isScalarValue(char32_t(shifted))) {
            throw TextCodingError(QStringLiteral("The text cannot be %1: the character U+%2 at position %3 "
                                                 "has no %1 form.")
                                      .arg(QLatin1String(what))
                                      .arg(uint(c), 4, 16, QLatin1Char('0'))
                                      .arg(i + 1));
        }
        const char32_t r = char32_t(shifted);
        if (QChar::requiresSurrogates(r)) {
            out.append(QChar(QChar::highSurrogate(r)));
            out.append(QChar(QChar::lowSurrogate(r)));
        } else {
            out.append(QChar(char16_t(r)));
        }
    }
    return out;
}

} // namespace

TextCodingError::TextCodingError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

QString EncodeText(const QString& text)
{
    return shift(text, int(TextShift), "stored");
}

QString DecodeText(const QString& value)
{
    return shift(value, -int(TextShift), "decoded");
}

QString DecodeText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    return DecodeText(value.toString());
}

std::optional<int> SubstituteGroup(const QString& stored)
{
    bool ok = false;
    const int value = stored.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return value;
}

QChar ListLetter(QChar c)
{
    if (c.unicode() < 0x80)
        return c.toUpper();
    if (c.decompositionTag() == QChar::Canonical) {
        const QString parts = c.decomposition();
        if (!parts.isEmpty())
            return parts.at(0).toUpper();
    }
    return c.toUpper();
}

QString ListSortKey(const QString& name)
{
    QString key;
    key.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue; // a combining accent
        key.append(ListLetter(c));
    }
    return key;
}

bool ListLess(const QString& a, const QString& b)
{
    const int c = ListSortKey(a).compare(ListSortKey(b));
    return c != 0 ? c < 0 : a < b;
}

namespace {

bool isPlain(const QString& name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x80 && !(c.unicode() >= u'a' && c.unicode() <= u'z');
    });
}

} // namespace

void SortForList(QStringList& names)
{
    QStringList plain;
    std::vector<std::pair<QString, QString>> others; // key, name
    plain.reserve(names.size());
    for (const QString& name : std::as_const(names)) {
        if (isPlain(name))
            plain.append(name);
        else
            others.emplace_back(ListSortKey(name), name);
    }
    // A plain name is its own key.
    if (!std::is_sorted(plain.begin(), plain.end()))
        std::sort(plain.begin(), plain.end());
    if (others.empty()) {
        names = std::move(plain);
        return;
    }
    std::sort(others.begin(), others.end());
    QStringList merged;
    merged.reserve(names.size());
    qsizetype i = 0;
    size_t j = 0;
    while (i < plain.size() || j < others.size()) {
        if (j == others.size() ||
            (i < plain.size() && std::pair<const QString&, const QString&>(plain.at(i), plain.at(i)) <=
                                     std::pair<const QString&, const QString&>(others[j].first, others[j].second)))
            merged.append(plain.at(i++));
        else
            merged.append(others[j++].second);
    }
    names = std::move(merged);
}

} // namespace Lib
