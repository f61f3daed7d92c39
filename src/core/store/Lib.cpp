#include "core/store/Lib.h"

#include <limits>

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

} // namespace Lib
