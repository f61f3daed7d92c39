#include "core/store/DrinkSearch.h"

#include "core/store/Lib.h"
#include "core/store/StoreInternal.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>
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

    // Buffers one scan reuses from row to row.
    struct Scratch
    {
        std::string plainAscii;
        QString text;
    };

    // The same test on the engine's own UTF-8 form of a stored text, for the scan of every drink,
    // without making new strings for each row. Stored plain ASCII lies 17 above ASCII, which UTF-8
    // writes as one byte up to 0x7F and as 0xC2 followed by 0x80..0x90 above; stored Latin-1 letters
    // (crème, purée) come as 0xC2, 0xC3 or 0xC4 and a second byte. The text is read into plain
    // capitals one byte at a time, each byte by a table chosen by the byte before it, without
    // branches. A Latin-1 letter other than "ß" has no ASCII capital, so for an ASCII needle it is a
    // character that matches nothing; "ß", anything past Latin-1 and malformed text are decoded in
    // full instead.
    bool matches(QByteArrayView stored, Scratch& scratch) const
    {
        if (stored.isEmpty())
            return false;
        std::string& plain = scratch.plainAscii;
        plain.resize(size_t(stored.size()));
        char* out = plain.data();
        const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
        const qsizetype n = stored.size();
        static const QuickReading reading;
        unsigned after = 0; // the kind of lead byte just read, 0 for none
        unsigned seen = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned step = reading.steps[after][bytes[i]];
            *out = char(step & 0xFF);
            out += (step >> 8) & 1;
            seen |= step;
            after = reading.leadKind[bytes[i]];
        }
        if (after != 0 || (seen & QuickReading::Unsure) != 0 || (!m_asciiNeedle && (seen & QuickReading::NotAscii) != 0))
            return matchesDecoded(stored, scratch.text);
        // The capitals of ASCII text are ASCII.
        const std::string_view haystack(plain.data(), size_t(out - plain.data()));
        return m_asciiNeedle && haystack.find(m_upperAscii) != std::string_view::npos;
    }

private:
    // The tables of the quick reading. steps[k][byte] says what a byte gives after a lead byte of
    // kind k (0 none, 1..3 for 0xC2..0xC4): in the low bits the plain capital, then whether it is
    // written (a lead byte is not), whether it stands for a letter past ASCII, and whether the text
    // must be decoded in full.
    struct QuickReading
    {
        static constexpr unsigned Written = 0x100;
        static constexpr unsigned NotAscii = 0x200;
        static constexpr unsigned Unsure = 0x400;

        std::array<std::array<unsigned short, 256>, 4> steps{};
        std::array<unsigned char, 256> leadKind{};

        QuickReading()
        {
            const auto capital = [](unsigned plain) {
                return plain >= 'a' && plain <= 'z' ? plain - ('a' - 'A') : plain;
            };
            for (auto& row : steps)
                row.fill(Unsure);
            for (unsigned byte = Lib::TextShift; byte < 0x80; ++byte)
                steps[0][byte] = static_cast<unsigned short>(capital(byte - Lib::TextShift) | Written);
            for (unsigned kind = 1; kind <= 3; ++kind) {
                const unsigned lead = 0xC1 + kind;
                leadKind[lead] = static_cast<unsigned char>(kind);
                steps[0][lead] = 0;
                for (unsigned second = 0x80; second < 0xC0; ++second) {
                    const unsigned plain = ((lead & 0x1F) << 6 | (second & 0x3F)) - Lib::TextShift;
                    if (plain < 0x80)
                        steps[kind][second] = static_cast<unsigned short>(capital(plain) | Written);
                    else if (plain <= 0xFF && plain != 0xDF) // 0xDF: "ß", whose capital is "SS"
                        steps[kind][second] = static_cast<unsigned short>(0x80 | Written | NotAscii);
                }
            }
        }
    };

    // Any other stored text: decoded and upper-cased in full, as matches(QString) does. Well-formed
    // UTF-8 whose every character has a plain form is decoded into the reused buffer; anything else
    // takes matches(QString), which gives the same answer, or the same error, as before.
    bool matchesDecoded(QByteArrayView stored, QString& text) const
    {
        if (!decodeStored(stored, text))
            return matches(QString::fromUtf8(stored));
        text = std::move(text).toUpper(); // in place unless a capital is longer than its letter
        return text.contains(m_upper);
    }

    static bool decodeStored(QByteArrayView stored, QString& text)
    {
        // QString::fromUtf8 drops a byte order mark at the start; such a text goes its way.
        if (stored.startsWith("\xEF\xBB\xBF"))
            return false;
        // UTF-16 never needs more units than UTF-8 has bytes.
        text.resize(stored.size());
        QChar* out = text.data();
        const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
        const qsizetype n = stored.size();
        const auto continuation = [&](qsizetype at) { return at < n && (bytes[at] & 0xC0) == 0x80; };
        for (qsizetype i = 0; i < n;) {
            const unsigned lead = bytes[i];
            char32_t cp = 0;
            if (lead < 0x80) {
                cp = lead;
                i += 1;
            } else if ((lead & 0xE0) == 0xC0 && continuation(i + 1)) {
                cp = char32_t((lead & 0x1F) << 6 | (bytes[i + 1] & 0x3F));
                if (cp < 0x80)
                    return false;
                i += 2;
            } else if ((lead & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
                cp = char32_t((lead & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 | (bytes[i + 2] & 0x3F));
                if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                    return false;
                i += 3;
            } else if ((lead & 0xF8) == 0xF0 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
                cp = char32_t((lead & 0x07) << 18 | (bytes[i + 1] & 0x3F) << 12 | (bytes[i + 2] & 0x3F) << 6 |
                              (bytes[i + 3] & 0x3F));
                if (cp < 0x10000 || cp > 0x10FFFF)
                    return false;
                i += 4;
            } else {
                return false;
            }
            if (cp < Lib::TextShift)
                return false;
            const char32_t plain = cp - Lib::TextShift;
            if (plain >= 0xD800 && plain <= 0xDFFF)
                return false;
            if (QChar::requiresSurrogates(plain)) {
                *out++ = QChar(QChar::highSurrogate(plain));
                *out++ = QChar(QChar::lowSurrogate(plain));
            } else {
                *out++ = QChar(char16_t(plain));
            }
        }
        text.resize(out - text.data());
        return true;
    }

    QString m_upper;
    bool m_asciiNeedle;
    std::string m_upperAscii = m_asciiNeedle ? m_upper.toStdString() : std::string();
};

void report(const FindProgress& progress, qint64 rowsRead)
{
    if (progress)
        progress(rowsRead);
}

qint64 parallelScanFrom = 50000;

// Reads every row of select; a row whose column textColumn holds the text adds the decoded name
// from column nameColumn. The engine cannot make this test: its LIKE and upper() would apply their
// letter-case rules to the stored characters, which for most letters are other letters or none.
void scanRows(Sql::Statement& select, int textColumn, int nameColumn, const StoredTextMatcher& matcher,
              FindResult& result, const std::function<void(qint64)>& everyStep)
{
    StoredTextMatcher::Scratch scratch;
    while (select.step()) {
        if (matcher.matches(select.utf8(textColumn), scratch))
            result.names.append(Lib::DecodeText(select.text(nameColumn)));
        if (++result.rowsRead % ProgressStep == 0)
            everyStep(result.rowsRead);
    }
}

// The drinks' rows from `columns`, scanned in ID order. A large table is read in two halves at
// once, the second by a thread with a read-only connection of its own, when no write of ours is
// open (the other connection would not see it).
FindResult scanDrinks(const QString& columns, int textColumn, int nameColumn, const QString& text,
                      const FindProgress& progress)
{
    const StoredTextMatcher matcher(text);
    Sql::Connection& db = Database();
    const QString select = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM Drinks");
    Sql::Statement bounds(db, QStringLiteral("SELECT MIN(ID), MAX(ID), COUNT(*) >= ?1 FROM Drinks"));
    bounds.bind(1, parallelScanFrom);
    bounds.step();
    const bool split = !db.inTransaction() && !bounds.isNull(0) && bounds.int64(2) != 0 && QThread::idealThreadCount() > 1 &&
                       !db.path().isEmpty() && db.path() != QLatin1String(":memory:");
    if (!split) {
        FindResult result;
        Sql::Statement all(db, select);
        scanRows(all, textColumn, nameColumn, matcher, result, [&](qint64 rows) { report(progress, rows); });
        report(progress, result.rowsRead);
        return result;
    }
    const qint64 middle = bounds.int64(0) + (bounds.int64(1) - bounds.int64(0)) / 2 + 1;
    bounds.reset();

    FindResult second;
    std::atomic<qint64> secondRows{0};
    std::exception_ptr secondFailure;
    bool secondUnread = false; // the other connection failed: this one reads that half too
    std::thread worker([&] {
        try {
            Sql::Connection reader(db.path(), Sql::Connection::Mode::ReadOnly);
            Sql::Statement rows(reader, select + QStringLiteral(" WHERE ID >= ?1"));
            rows.bind(1, middle);
            scanRows(rows, textColumn, nameColumn, matcher, second, [&](qint64 n) { secondRows = n; });
        } catch (const Sql::Error&) {
            secondUnread = true;
        } catch (...) {
            secondFailure = std::current_exception();
        }
    });
    FindResult result;
    try {
        Sql::Statement rows(db, select + QStringLiteral(" WHERE ID < ?1"));
        rows.bind(1, middle);
        scanRows(rows, textColumn, nameColumn, matcher, result, [&](qint64 n) { report(progress, n + secondRows); });
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    if (secondFailure)
        std::rethrow_exception(secondFailure);
    if (secondUnread) {
        second = {};
        Sql::Statement rows(db, select + QStringLiteral(" WHERE ID >= ?1"));
        rows.bind(1, middle);
        const qint64 first = result.rowsRead;
        scanRows(rows, textColumn, nameColumn, matcher, second, [&](qint64 n) { report(progress, first + n); });
    }
    result.names.append(second.names);
    result.rowsRead += second.rowsRead;
    report(progress, result.rowsRead);
    return result;
}

} // namespace

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
    return scanDrinks(QStringLiteral("Name"), 0, 0, text, progress);
}

FindResult DrinksWithDescriptionContaining(const QString& text, const FindProgress& progress)
{
    return scanDrinks(QStringLiteral("Description, Name"), 0, 1, text, progress);
}

void SetParallelScanFrom(qint64 drinks)
{
    parallelScanFrom = drinks;
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
