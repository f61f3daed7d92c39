#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Drink documents and update index documents: the small XML documents recipes travel in between
// the program and a drink exchange service.
namespace Online {

// One recipe line of a drink document. Texts are plain (not in the database's stored form).
struct ExchangeIngredient
{
    QString amount;
    QString type; // the ingredient's name
    bool noAlcohol = false;
    QString substitute;
};

struct ExchangeDrink
{
    QString name;
    QString directions;
    // The glass number as decimal text; empty when the drink has none.
    QString glassType;
    QList<ExchangeIngredient> ingredients;
};

// One item of an update index: a drink document released on a date.
struct UpdateIndexItem
{
    QString date;  // as the index gives it
    QString file;  // the document's file stem
    QString count; // number of drinks, for showing only
};

// Documents larger than this are refused before they are parsed.
inline constexpr qint64 MaxDocumentBytes = 32 * 1024 * 1024;

// Text for an XML element body: "&", "<" and the ">" of "]]>" become entities, every character
// outside 32..127 becomes a numeric reference, each prefixed with ampChar instead of "&". Control
// characters other than tab, line feed and carriage return (and the other characters XML 1.0
// cannot carry) are left out. A text that is empty or blanks only is returned unchanged. hrefEncode changes nothing; it is kept for
// the callers' shape.
QString XMLEncodeEx(const QString& text, bool hrefEncode = false,
                    const QString& ampChar = QStringLiteral("&"));
// Text for the body of a submission: spaces become "%20", "&" becomes ampChar + "amp;", characters
// outside 32..127 become numeric references; "<" and all other punctuation stay; characters XML
// cannot carry are left out, as above.
QString HTMLEncodeEx(const QString& text, bool hrefEncode = false,
                     const QString& ampChar = QStringLiteral("&"));

// The one-line document for one drink, byte for byte as the exchange expects it. Name, directions,
// amounts, ingredient names and substitutes are encoded; glassType is written as it is.
QString WriteDrinkDocument(const ExchangeDrink& drink);
// The same document for several drinks, in order.
QString WriteDrinksDocument(const QList<ExchangeDrink>& drinks);

// Reads a drink document. The root's child elements are the drinks, in order. Each needs "name"
// (not blank), "directions", "glassType" (a 16-bit whole number) and "ingredients"; each child of
// "ingredients" needs "amount" and "type" (not blank); "noAlcohol" and "substitute" may be absent.
// A document that is too large, not well-formed, declares a DTD or lacks what a drink needs is
// refused whole: nullopt, with the reason in *error.
std::optional<QList<ExchangeDrink>> ReadDrinkDocument(const QByteArray& bytes, QString* error);

// Reads an update index. Every child of the root is an item; "date" and "file" are required,
// "count" may be absent. Refused whole like a drink document.
std::optional<QList<UpdateIndexItem>> ReadUpdateIndex(const QByteArray& bytes, QString* error);

// Writes an update index for the given items (used by the reference service).
QByteArray WriteUpdateIndex(const QList<UpdateIndexItem>& items);

// The glass number of a document: a whole number in the 16-bit range, blanks around it allowed.
std::optional<qint16> ParseGlassType(const QString& text);

// Dates of the exchange: month/day/year with a two- or four-digit year ("6/30/03", "12/1/2024"),
// or an ISO date ("2024-12-01"). Two-digit years 00..29 mean 2000..2029, 30..99 mean 1930..1999.
std::optional<QDate> ParseExchangeDate(const QString& text);
// Month/day/four-digit year, as "lastUpdate" is stored.
QString FormatExchangeDate(const QDate& date);

// A file stem the service may name: 1 to 64 letters, digits, "_" or "-". Anything else (empty,
// a path, "..", an extension) could place a download outside the data folder or over a file of
// the program, and is refused.
bool IsSafeFileStem(const QString& stem);

// An index item chosen for download.
struct QueuedUpdate
{
    QString date; // the item's date text, as read
    qint64 count = 0;
    QString stem;
};

// How far the updates have been taken: the day of the last update and, when known, the file stems
// of that day's documents that were taken (a document released later that day is still to come).
// Preference files of older versions know the day alone.
struct UpdateMark
{
    QDate day;
    std::optional<QStringList> stems;
};

// The items to fetch, ordered by date (items of one date in index order): those released after
// mark.day, and, when mark.stems is known, those of mark.day whose stem is not among them. Items
// whose date cannot be read, whose stem is unsafe, or whose stem repeats an earlier one are left
// out and described in *problems.
QList<QueuedUpdate> SelectUpdates(const QList<UpdateIndexItem>& items, const UpdateMark& mark,
                                  QStringList* problems);
inline QList<QueuedUpdate> SelectUpdates(const QList<UpdateIndexItem>& items, const QDate& lastUpdate,
                                         QStringList* problems)
{
    return SelectUpdates(items, UpdateMark{lastUpdate, std::nullopt}, problems);
}

// The mark after a run that took the first `taken` items of queue (as SelectUpdates ordered them)
// to the end: every item when `whole`, and the day is then today. A run that took nothing keeps
// the mark; otherwise the mark moves to the last taken item's date, with the stems taken that day.
UpdateMark NextUpdateMark(const UpdateMark& before, const QList<QueuedUpdate>& queue, qsizetype taken, bool whole,
                          const QDate& today);

} // namespace Online
