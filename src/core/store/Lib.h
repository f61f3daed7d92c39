#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <stdexcept>

namespace Lib {

// Raised when a text has no stored form (or a stored text has no plain form).
class TextCodingError : public std::runtime_error
{
public:
    explicit TextCodingError(const QString& message);
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Drink names, directions and amounts are kept in the file with every character's code point
// raised by this much.
inline constexpr char32_t TextShift = 17;

// Raises every code point by 17. Throws TextCodingError when a shifted code point would not be a
// valid Unicode scalar value (a surrogate or beyond U+10FFFF); nothing partial is returned.
QString EncodeText(const QString& text);

// Lowers every code point by 17; a null value gives the empty text. Throws TextCodingError for a
// stored text that no plain text encodes to.
QString DecodeText(const QVariant& value);
QString DecodeText(const QString& value);

// Drink names as the lists order them: by their letters with accents and letter case aside (so
// "ÉBÈNE" stands among the E's), then by the names themselves.
QChar ListLetter(QChar c);
QString ListSortKey(const QString& name);
bool ListLess(const QString& a, const QString& b);
// Sorts names that way. Plain names (ASCII without small letters, the usual case) keep the order
// they come in when it is already right, so a list read in stored order is sorted in one pass and a
// sort of the few others.
void SortForList(QStringList& names);

// The substitute group a stored Substitute value names: a whole number that fits in 16 bits, blanks
// around it allowed ("03" and " 3" name group 3); nothing for any other text.
std::optional<int> SubstituteGroup(const QString& stored);

} // namespace Lib
