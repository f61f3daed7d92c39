#include "FindStore.h"

#include "DBLib.h"
#include "Lib.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace DBLib {

namespace {

constexpr qint64 ProgressStep = 500;

// The haystack test with the needle already in upper case.
bool containsUpper(const QString& haystack, const QString& upperNeedle)
{
    return !haystack.isEmpty() && haystack.toUpper().contains(upperNeedle);
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The stored form of plain ASCII text: every unit lies 17 above an ASCII code.
bool isStoredAscii(QStringView stored)
{
    return std::all_of(stored.begin(), stored.end(), [](QChar c) {
        return c.unicode() >= Lib::TextShift && c.unicode() < Lib::TextShift + 0x80;
    });
}

// The text test applied to stored text. Most directions are plain ASCII, and for those the test
// runs on the stored form itself, without decoding and upper-casing a copy of every row. Anything
// else is decoded first: the capital of a non-ASCII letter may be ASCII or longer than the letter.
class StoredTextMatcher
{
public:
    explicit StoredTextMatcher(const QString& needle)
        : m_upper(needle.toUpper()), m_asciiNeedle(isAscii(m_upper))
    {}

    bool matches(const QString& stored) const
    {
        if (stored.isEmpty())
            return false;
        if (!isStoredAscii(stored))
            return containsUpper(Lib::DecodeText(stored), m_upper);
        // The capitals of ASCII text are ASCII.
        if (!m_asciiNeedle)
            return false;
        const auto sameLetter = [](QChar storedUnit, QChar upperChar) {
            char16_t c = char16_t(storedUnit.unicode() - Lib::TextShift);
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - (u'a' - u'A'));
            return c == upperChar.unicode();
        };
        return std::search(stored.begin(), stored.end(), m_upper.begin(), m_upper.end(), sameLetter) !=
               stored.end();
    }

    // The same test on the engine's own UTF-8 form of a stored text, for the scan of every drink:
    // stored plain ASCII is tested without making a QString of each row. Its units lie 17 above
    // ASCII, which UTF-8 writes as one byte up to 0x7F and as 0xC2 followed by 0x80..0x90 above.
    // Any other text goes the general way. scratch is reused from row to row.
    bool matches(QByteArrayView stored, std::string& scratch) const
    {
        if (stored.isEmpty())
            return false;
        scratch.clear();
        const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
        const qsizetype n = stored.size();
        for (qsizetype i = 0; i < n; ++i) {
            unsigned unit = bytes[i];
            if (unit >= 0x80) {
                if (unit != 0xC2 || i + 1 >= n || bytes[i + 1] < 0x80 || bytes[i + 1] >= Lib::TextShift + 0x80)
                    return matches(QString::fromUtf8(stored));
                unit = bytes[++i];
            }
            if (unit < Lib::TextShift)
                return matches(QString::fromUtf8(stored));
            char plain = char(unit - Lib::TextShift);
            if (plain >= 'a' && plain <= 'z')
                plain = char(plain - ('a' - 'A'));
            scratch.push_back(plain);
        }
        return m_asciiNeedle && std::string_view(scratch).find(m_upperAscii) != std::string_view::npos;
    }

private:
    QString m_upper;
    bool m_asciiNeedle;
    std::string m_upperAscii = m_asciiNeedle ? m_upper.toStdString() : std::string();
};

void report(const FindProgress& progress, qint64 rowsRead)
{
    if (progress)
        progress(rowsRead);
}

// Reads every row of select; a row whose column textColumn holds the text adds the decoded name
// from column nameColumn. The engine cannot make this test: its LIKE and upper() would apply their
// letter-case rules to the stored characters, which for most letters are other letters or none.
FindResult scanDrinks(const QString& sql, int textColumn, int nameColumn, const QString& text,
                      const FindProgress& progress)
{
    const StoredTextMatcher matcher(text);
    FindResult result;
    std::string scratch;
    Sql::Statement select(Database(), sql);
    while (select.step()) {
        if (matcher.matches(select.utf8(textColumn), scratch))
            result.names.append(Lib::DecodeText(select.text(nameColumn)));
        if (++result.rowsRead % ProgressStep == 0)
            report(progress, result.rowsRead);
    }
    report(progress, result.rowsRead);
    return result;
}

} // namespace

QStringList IngredientCatalogueNames()
{
    // A catalogue row without a name has nothing to offer in a list of names.
    Sql::Statement select(
        Database(),
        QStringLiteral("SELECT Ingredient FROM Ingredients WHERE Ingredient IS NOT NULL ORDER BY rowid"));
    QStringList names;
    while (select.step())
        names.append(select.text(0));
    return names;
}

bool ContainsTextIgnoringCase(const QString& haystack, const QString& needle)
{
    return containsUpper(haystack, needle.toUpper());
}

bool StoredTextContains(const QString& stored, const QString& needle)
{
    return StoredTextMatcher(needle).matches(stored);
}

FindResult DrinksWithNameContaining(const QString& text, const FindProgress& progress)
{
    return scanDrinks(QStringLiteral("SELECT Name FROM Drinks"), 0, 0, text, progress);
}

FindResult DrinksWithDescriptionContaining(const QString& text, const FindProgress& progress)
{
    return scanDrinks(QStringLiteral("SELECT Description, Name FROM Drinks"), 0, 1, text, progress);
}

qint64 CountRecipeLinesWithIngredient(qint64 ingredientId)
{
    return Database()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo l JOIN Drinks d ON d.ID = l.DrinkID "
                               "WHERE l.IngID = ?1"),
                {ingredientId})
        .toLongLong();
}

FindResult DrinksUsingIngredient(qint64 ingredientId, const FindProgress& progress)
{
    FindResult result;
    Sql::Statement select(Database(), QStringLiteral("SELECT DISTINCT d.Name FROM DrinkInfo l "
                                                     "JOIN Drinks d ON d.ID = l.DrinkID WHERE l.IngID = ?1"));
    select.bind(1, ingredientId);
    while (select.step()) {
        result.names.append(Lib::DecodeText(select.text(0)));
        if (++result.rowsRead % ProgressStep == 0)
            report(progress, result.rowsRead);
    }
    report(progress, result.rowsRead);
    return result;
}

} // namespace DBLib
