#pragma once

#include "core/store/RecipeRepository.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Recipes in files: the open Bar Assistant JSON format, CSV spreadsheets, and the exchange's own
// drink documents. Reading gives records to add; writing turns stored drinks into a file.
namespace Formats {

enum class Format
{
    BarAssistantJson, // one cocktail object, or an array of them
    Csv,              // drink,glass,directions,amount,ingredient,non_alcoholic
    ExchangeXml       // a drink document of the exchange
};

// Files larger than this are refused before they are read.
inline constexpr qint64 MaxFileBytes = qint64(256) * 1024 * 1024;

// One drink read from a file, or the reason it cannot be added.
struct Record
{
    QString position; // "record 3", "line 12"
    DBLib::DrinkEntry entry;
    QString refusal; // empty when the record can be added
};

struct ParsedFile
{
    QList<Record> records;
    QString error; // the whole file is refused; records is then empty
};

// The format a file's name (extension) or, failing that, its first bytes say it is in.
std::optional<Format> FormatOf(const QString& path, const QByteArray& start);

// Readers of a file's bytes. Every reader refuses a text that is not UTF-8 (a byte order mark is
// allowed) and a file of no records.
ParsedFile ReadBarAssistantJson(const QByteArray& bytes);
ParsedFile ReadCsv(const QByteArray& bytes);
ParsedFile ReadExchangeXml(const QByteArray& bytes);
// Reads the file at path in the format it is in.
ParsedFile ReadFile(const QString& path);

// The amount text of a Bar Assistant ingredient: "60 ml", "1-2 dashes", "Top up", with
// "(optional, note)" after it when the ingredient says so.
QString BarAssistantAmount(std::optional<double> amount, std::optional<double> amountMax, const QString& units,
                           bool optional, const QString& note);

// Writers. Each writes every drink given, in order.
QByteArray WriteBarAssistantJson(const QList<DBLib::Drink>& drinks);
QByteArray WriteCsv(const QList<DBLib::Drink>& drinks);
QByteArray WriteExchangeXml(const QList<DBLib::Drink>& drinks);
QByteArray Write(Format format, const QList<DBLib::Drink>& drinks);

// The file name filters of the file dialogs, one per format, and the format a filter names.
QStringList FileFilters();
std::optional<Format> FormatOfFilter(const QString& filter);
QString DefaultExtension(Format format);

} // namespace Formats
