#include "core/formats/RecipeFiles.h"

#include "core/exchange/ExchangeDocument.h"
#include "core/formats/Glasses.h"
#include "core/maths/Amount.h"
#include "core/store/DBLib.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace Formats {

namespace {

const QStringList CsvColumns = {QStringLiteral("drink"),  QStringLiteral("glass"),      QStringLiteral("directions"),
                                QStringLiteral("amount"), QStringLiteral("ingredient"), QStringLiteral("non_alcoholic")};

// Our own key beside Bar Assistant's fields: the amount exactly as written, so a file written here
// reads back to the same recipe lines.
const QString AmountTextKey = QStringLiteral("tumblerix_amount");

// The text of bytes that must be UTF-8; nothing when they are not.
std::optional<QString> utf8Text(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

ParsedFile refused(const QString& error)
{
    ParsedFile file;
    file.error = error;
    return file;
}

QString numberText(double value)
{
    return QString::number(value, 'g', 10);
}

// ---- Bar Assistant JSON ----------------------------------------------------------------------

struct Line
{
    double sort = 0;
    DBLib::DrinkEntry::Line line;
};

std::optional<double> numberOf(const QJsonValue& value, bool* bad)
{
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (value.isDouble())
        return value.toDouble();
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return std::nullopt;
        bool ok = false;
        const double n = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok)
            return n;
    }
    *bad = true;
    return std::nullopt;
}

QString textOf(const QJsonValue& value)
{
    if (value.isObject())
        return value.toObject().value(QStringLiteral("name")).toString();
    return value.toString();
}

Record cocktailRecord(const QJsonObject& given, const QString& position)
{
    Record record;
    record.position = position;
    // The layout that keeps the recipe apart from its ingredients' details.
    QJsonObject cocktail = given;
    QHash<QString, QJsonObject> details;
    if (given.value(QStringLiteral("recipe")).isObject()) {
        cocktail = given.value(QStringLiteral("recipe")).toObject();
        for (const QJsonValue& d : given.value(QStringLiteral("ingredients")).toArray())
            details.insert(d.toObject().value(QStringLiteral("_id")).toString(), d.toObject());
    }
    DBLib::DrinkEntry& entry = record.entry;
    entry.name = cocktail.value(QStringLiteral("name")).toString().trimmed();
    if (entry.name.isEmpty()) {
        record.refusal = QStringLiteral("the recipe has no name");
        return record;
    }
    entry.glass = NearestGlass(textOf(cocktail.value(QStringLiteral("glass"))));
    QString directions = cocktail.value(QStringLiteral("instructions")).toString().trimmed();
    const QString garnish = cocktail.value(QStringLiteral("garnish")).toString().trimmed();
    if (!garnish.isEmpty())
        directions += (directions.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("Garnish: ") + garnish;
    entry.description = directions;

    const QJsonArray ingredients = cocktail.value(QStringLiteral("ingredients")).toArray();
    if (ingredients.isEmpty()) {
        record.refusal = QStringLiteral("the recipe of %1 has no ingredients").arg(entry.name);
        return record;
    }
    QList<Line> lines;
    for (qsizetype i = 0; i < ingredients.size(); ++i) {
        QJsonObject ingredient = ingredients.at(i).toObject();
        const QJsonObject detail = details.value(ingredient.value(QStringLiteral("_id")).toString());
        for (auto it = detail.begin(); it != detail.end(); ++it) {
            if (!ingredient.contains(it.key()))
                ingredient.insert(it.key(), it.value());
        }
        const QString name = ingredient.value(QStringLiteral("name")).toString().trimmed();
        if (name.isEmpty()) {
            record.refusal = QStringLiteral("ingredient %1 of %2 has no name").arg(i + 1).arg(entry.name);
            return record;
        }
        bool bad = false;
        const std::optional<double> amount = numberOf(ingredient.value(QStringLiteral("amount")), &bad);
        const std::optional<double> amountMax = numberOf(ingredient.value(QStringLiteral("amount_max")), &bad);
        const std::optional<double> strength = numberOf(ingredient.value(QStringLiteral("strength")), &bad);
        const std::optional<double> sort = numberOf(ingredient.value(QStringLiteral("sort")), &bad);
        if (bad) {
            record.refusal = QStringLiteral("ingredient %1 of %2 (%3) has an amount, strength or order that is not a "
                                            "number")
                                 .arg(i + 1)
                                 .arg(entry.name, name);
            return record;
        }
        if (strength && (*strength < 0 || *strength > 100)) {
            record.refusal = QStringLiteral("the strength of %1 in %2 is not from 0 to 100").arg(name, entry.name);
            return record;
        }
        Line l;
        l.sort = sort.value_or(double(i));
        l.line.ingredient = name;
        l.line.strength = strength;
        l.line.nonAlcoholic = strength && *strength == 0;
        l.line.amount = ingredient.contains(AmountTextKey)
                            ? ingredient.value(AmountTextKey).toString()
                            : BarAssistantAmount(amount, amountMax, ingredient.value(QStringLiteral("units")).toString(),
                                                 ingredient.value(QStringLiteral("optional")).toBool(),
                                                 ingredient.value(QStringLiteral("note")).toString());
        lines.append(l);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.sort < b.sort; });
    for (const Line& l : std::as_const(lines))
        entry.lines.append(l.line);
    return record;
}

// ---- CSV -------------------------------------------------------------------------------------

// Rows of RFC 4180 text: fields between the delimiter, quoted fields may hold the delimiter, line
// breaks and doubled quotes. Each row with the number of the line it starts on.
QList<std::pair<int, QStringList>> csvRows(const QString& text, QChar delimiter, QString* error)
{
    QList<std::pair<int, QStringList>> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int rowLine = 1;
    const auto endField = [&] {
        row << field;
        field.clear();
        fieldStarted = false;
    };
    const auto endRow = [&] {
        endField();
        if (!(row.size() == 1 && row.first().isEmpty()))
            rows.append({rowLine, row});
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == delimiter) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            endRow();
            rowLine = ++line;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        *error = QStringLiteral("a quoted field that starts on line %1 never ends").arg(rowLine);
        return {};
    }
    if (fieldStarted || !row.isEmpty())
        endRow();
    return rows;
}

std::optional<bool> yesNo(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t.isEmpty())
        return false;
    if (t == QLatin1String("yes") || t == QLatin1String("y") || t == QLatin1String("true") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("no") || t == QLatin1String("n") || t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char(';')) && text.trimmed() == text)
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

std::optional<Format> FormatOf(const QString& path, const QByteArray& start)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json"))
        return Format::BarAssistantJson;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("xml"))
        return Format::ExchangeXml;
    QByteArray head = start;
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    head = head.trimmed();
    if (head.startsWith('{') || head.startsWith('['))
        return Format::BarAssistantJson;
    if (head.startsWith('<'))
        return Format::ExchangeXml;
    if (head.toLower().startsWith("drink"))
        return Format::Csv;
    return std::nullopt;
}

QString BarAssistantAmount(std::optional<double> amount, std::optional<double> amountMax, const QString& units,
                           bool optional, const QString& note)
{
    const QString unit = units.trimmed();
    QString text;
    const QString plainUnit = unit.toLower().remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
    if (plainUnit == QLatin1String("topup") || plainUnit == QLatin1String("top")) {
        text = QStringLiteral("Top up");
    } else if (amount && *amount > 0) {
        text = numberText(*amount);
        if (amountMax && *amountMax > *amount)
            text += QLatin1Char('-') + numberText(*amountMax);
        if (!unit.isEmpty())
            text += QLatin1Char(' ') + unit;
    } else {
        text = unit;
    }
    QStringList remarks;
    if (optional)
        remarks << QStringLiteral("optional");
    if (!note.trimmed().isEmpty())
        remarks << note.trimmed();
    if (!remarks.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + QLatin1Char('(') +
                remarks.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

namespace {

// Reads a JSON document of one recipe object or an array of them from a device a piece at a time:
// only the element being read is held as text, so a large file costs little more than its records.
class JsonRecipeReader
{
public:
    explicit JsonRecipeReader(QIODevice& in) : m_in(in) {}

    ParsedFile read()
    {
        ParsedFile file;
        fill(3);
        if (!m_error.isEmpty())
            return failed();
        if (m_buffer.startsWith("\xEF\xBB\xBF"))
            m_buffer.remove(0, 3);
        const int first = nextSignificant();
        if (first == '{') {
            const std::optional<QJsonValue> value = element();
            if (!value)
                return failed();
            if (nextSignificant() != End)
                return malformed(QStringLiteral("text after the recipe"));
            file.records.append(cocktailRecord(value->toObject(), QStringLiteral("the recipe")));
        } else if (first == '[') {
            ++m_pos;
            if (nextSignificant() == ']') {
                ++m_pos;
            } else {
                for (qsizetype n = 1;; ++n) {
                    const std::optional<QJsonValue> value = element();
                    if (!value)
                        return failed();
                    const QString position = QStringLiteral("record %1").arg(n);
                    if (value->isObject())
                        file.records.append(cocktailRecord(value->toObject(), position));
                    else
                        file.records.append({position, {}, QStringLiteral("it is not a recipe object")});
                    const int next = nextSignificant();
                    ++m_pos;
                    if (next == ']')
                        break;
                    if (next != ',')
                        return next == End ? malformed(QStringLiteral("the array never ends"))
                                           : malformed(QStringLiteral("a comma or ] is missing"));
                    if (nextSignificant() == ']')
                        return malformed(QStringLiteral("a value is missing after the comma"));
                }
            }
            if (nextSignificant() != End)
                return malformed(QStringLiteral("text after the array"));
        } else if (first == End) {
            return malformed(QStringLiteral("the document is empty"));
        } else {
            return malformed(QStringLiteral("the document is not an object or an array"));
        }
        if (!m_error.isEmpty())
            return failed();
        if (file.records.isEmpty())
            return refused(QStringLiteral("the file holds no recipes"));
        return file;
    }

private:
    static constexpr int End = -1;
    static constexpr qsizetype Chunk = 1 << 20;

    // Makes at least `wanted` bytes from the current position available, reading more; false at
    // the end of the input (or on an error, which m_error then names).
    bool fill(qsizetype wanted)
    {
        while (m_buffer.size() - m_pos < wanted) {
            if (m_pos > Chunk) { // what lies behind is done with
                m_buffer.remove(0, m_pos);
                m_consumed += m_pos;
                m_pos = 0;
            }
            const QByteArray more = m_in.read(Chunk);
            if (more.isEmpty())
                return false;
            m_total += more.size();
            if (m_total > MaxFileBytes) {
                m_error = QStringLiteral("the file is larger than %1 MiB").arg(MaxFileBytes / (1024 * 1024));
                return false;
            }
            m_decoder.decode(more); // checks the bytes are UTF-8; the text is not kept
            if (m_decoder.hasError()) {
                m_error = QStringLiteral("the file is not UTF-8 text");
                return false;
            }
            m_buffer.append(more);
        }
        return true;
    }

    // The next byte that is not white space, left at the position; End at the end of the input.
    int nextSignificant()
    {
        for (;;) {
            if (!fill(1))
                return End;
            const char c = m_buffer.at(m_pos);
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                return uchar(c);
            ++m_pos;
        }
    }

    // The value that starts at the position, read through its end; nothing (m_error set) when it
    // is malformed.
    std::optional<QJsonValue> element()
    {
        // Offsets from the position: reading more may move the buffer's contents.
        qsizetype length = 0;
        int depth = 0;
        bool inString = false;
        bool escaped = false;
        for (; fill(length + 1); ++length) {
            const char c = m_buffer.at(m_pos + length);
            if (inString) {
                if (escaped) {
                    escaped = false;
                } else if (c == '\\') {
                    escaped = true;
                } else if (c == '"') {
                    inString = false;
                    if (depth == 0) {
                        ++length;
                        break;
                    }
                }
            } else if (c == '"') {
                inString = true;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0)
                    break; // the end of the array holding a plain value
                if (--depth == 0) {
                    ++length;
                    break;
                }
            } else if (depth == 0 && (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
                break; // the end of a plain value
            }
        }
        if (!m_error.isEmpty())
            return std::nullopt;
        if (length == 0) {
            malformed(QStringLiteral("a value is missing"));
            return std::nullopt;
        }
        // Parsed inside brackets so a plain value reads too.
        const QByteArray text = '[' + m_buffer.mid(m_pos, length) + ']';
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        if (error.error != QJsonParseError::NoError) {
            const qint64 offset = std::clamp<qint64>(error.offset - 1, 0, length);
            m_error = error.error == QJsonParseError::IllegalUTF8String
                          ? QStringLiteral("the file is not UTF-8 text")
                          : QStringLiteral("the JSON is malformed: %1 at byte %2")
                                .arg(error.errorString())
                                .arg(m_consumed + m_pos + offset);
            return std::nullopt;
        }
        m_pos += length;
        return document.array().at(0);
    }

    ParsedFile malformed(const QString& what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("the JSON is malformed: %1 at byte %2").arg(what).arg(m_consumed + m_pos);
        return failed();
    }

    ParsedFile failed() { return refused(m_error); }

    QIODevice& m_in;
    QByteArray m_buffer;
    qsizetype m_pos = 0;     // in m_buffer
    qint64 m_consumed = 0;   // bytes dropped from the front of m_buffer
    qint64 m_total = 0;      // bytes read
    QStringDecoder m_decoder{QStringConverter::Utf8};
    QString m_error;
};

ParsedFile readBarAssistantJson(QIODevice& in)
{
    return JsonRecipeReader(in).read();
}

} // namespace

ParsedFile ReadBarAssistantJson(const QByteArray& bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return readBarAssistantJson(buffer);
}

ParsedFile ReadCsv(const QByteArray& bytes)
{
    const std::optional<QString> decoded = utf8Text(bytes);
    if (!decoded)
        return refused(QStringLiteral("the file is not UTF-8 text"));
    QString text = *decoded;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QString header = text.left(text.indexOf(QLatin1Char('\n')));
    const QChar delimiter = header.count(QLatin1Char(';')) > header.count(QLatin1Char(',')) ? u';' : u',';
    QString error;
    const QList<std::pair<int, QStringList>> rows = csvRows(text, delimiter, &error);
    if (!error.isEmpty())
        return refused(QStringLiteral("the CSV is malformed: ") + error);
    if (rows.isEmpty())
        return refused(QStringLiteral("the file holds no recipes"));
    QHash<QString, int> column;
    const QStringList names = rows.first().second;
    for (int i = 0; i < names.size(); ++i)
        column.insert(names.at(i).trimmed().toLower(), i);
    if (!column.contains(QStringLiteral("drink")) || !column.contains(QStringLiteral("ingredient")))
        return refused(QStringLiteral("the first line must name the columns %1").arg(CsvColumns.join(QLatin1Char(','))));
    const auto field = [&column](const QStringList& row, const char* name) {
        const int i = column.value(QString::fromLatin1(name), -1);
        return i >= 0 ? row.value(i) : QString();
    };

    ParsedFile file;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const auto& [line, row] = rows.at(r);
        const QString drink = field(row, "drink").trimmed();
        // A row without a drink name, or with the name of the drink before it, adds to that drink.
        const bool continues = !file.records.isEmpty() &&
                               (drink.isEmpty() || DBLib::StoredDrinkName(drink) ==
                                                       DBLib::StoredDrinkName(file.records.last().entry.name));
        if (!continues) {
            Record record;
            record.position = QStringLiteral("line %1").arg(line);
            record.entry.name = drink;
            if (drink.isEmpty())
                record.refusal = QStringLiteral("the row names no drink");
            const QString glass = field(row, "glass");
            record.entry.glass = NearestGlass(glass);
            record.entry.description = field(row, "directions");
            file.records.append(record);
        }
        Record& record = file.records.last();
        if (record.entry.description.isEmpty())
            record.entry.description = field(row, "directions");
        const QString ingredient = field(row, "ingredient").trimmed();
        const QString amount = field(row, "amount");
        const std::optional<bool> nonAlcoholic = yesNo(field(row, "non_alcoholic"));
        if (!nonAlcoholic && record.refusal.isEmpty())
            record.refusal = QStringLiteral("line %1: non_alcoholic must be yes or no").arg(line);
        if (ingredient.isEmpty()) {
            if (!amount.trimmed().isEmpty() && record.refusal.isEmpty())
                record.refusal = QStringLiteral("line %1 has an amount without an ingredient").arg(line);
            continue;
        }
        record.entry.lines.append({amount, ingredient, QString(), nonAlcoholic.value_or(false),
                                   nonAlcoholic.value_or(false) ? std::optional<double>(0) : std::nullopt});
    }
    for (Record& record : file.records) {
        if (record.refusal.isEmpty() && record.entry.lines.isEmpty())
            record.refusal = QStringLiteral("the recipe of %1 has no ingredients").arg(record.entry.name);
    }
    if (file.records.isEmpty())
        return refused(QStringLiteral("the file holds no recipes"));
    return file;
}

ParsedFile ReadExchangeXml(const QByteArray& bytes)
{
    if (!utf8Text(bytes))
        return refused(QStringLiteral("the file is not UTF-8 text"));
    QString error;
    const std::optional<QList<Online::ExchangeDrink>> drinks = Online::ReadDrinkDocument(bytes, &error);
    if (!drinks)
        return refused(error);
    ParsedFile file;
    for (qsizetype i = 0; i < drinks->size(); ++i) {
        const Online::ExchangeDrink& drink = drinks->at(i);
        Record record;
        record.position = QStringLiteral("drink %1").arg(i + 1);
        record.entry.name = drink.name;
        record.entry.glassType = Online::ParseGlassType(drink.glassType).value_or(0);
        record.entry.description = drink.directions;
        for (const Online::ExchangeIngredient& line : drink.ingredients)
            record.entry.lines.append({line.amount, line.type, line.substitute, line.noAlcohol, std::nullopt});
        file.records.append(record);
    }
    if (file.records.isEmpty())
        return refused(QStringLiteral("the file holds no recipes"));
    return file;
}

ParsedFile ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("the file cannot be read: %1").arg(f.errorString()));
    if (f.size() > MaxFileBytes)
        return refused(QStringLiteral("the file is larger than %1 MiB").arg(MaxFileBytes / (1024 * 1024)));
    const Format format = FormatOf(path, f.peek(64)).value_or(Format::BarAssistantJson);
    if (format == Format::BarAssistantJson)
        return readBarAssistantJson(f);
    const QByteArray bytes = f.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return refused(QStringLiteral("the file is larger than %1 MiB").arg(MaxFileBytes / (1024 * 1024)));
    if (format == Format::Csv)
        return ReadCsv(bytes);
    return ReadExchangeXml(bytes);
}

QByteArray WriteBarAssistantJson(const QList<DBLib::Drink>& drinks)
{
    QJsonArray cocktails;
    for (const DBLib::Drink& drink : drinks) {
        QJsonArray ingredients;
        int sort = 0;
        for (const DBLib::RecipeLine& line : drink.lines) {
            QJsonObject i{{QStringLiteral("name"), line.ingredient}, {QStringLiteral("sort"), sort++},
                          {AmountTextKey, line.amount}};
            const Maths::Amount amount = Maths::ParseAmount(line.amount);
            if (amount.hasQuantity() && amount.numberStart < amount.numberEnd) {
                i.insert(QStringLiteral("amount"), amount.low);
                if (amount.high != amount.low)
                    i.insert(QStringLiteral("amount_max"), amount.high);
                i.insert(QStringLiteral("units"), line.amount.mid(amount.numberEnd).trimmed());
            } else {
                i.insert(QStringLiteral("amount"), 0);
                i.insert(QStringLiteral("units"), line.amount.trimmed());
            }
            if (line.strength)
                i.insert(QStringLiteral("strength"), *line.strength);
            else if (line.nonAlcoholic)
                i.insert(QStringLiteral("strength"), 0);
            ingredients.append(i);
        }
        cocktails.append(QJsonObject{{QStringLiteral("name"), drink.name},
                                     {QStringLiteral("instructions"), drink.description},
                                     {QStringLiteral("glass"), drink.glassName},
                                     {QStringLiteral("ingredients"), ingredients}});
    }
    return QJsonDocument(cocktails).toJson(QJsonDocument::Indented);
}

QByteArray WriteCsv(const QList<DBLib::Drink>& drinks)
{
    QString out = CsvColumns.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const DBLib::Drink& drink : drinks) {
        const QString head = csvField(drink.name) + QLatin1Char(',') + csvField(drink.glassName) + QLatin1Char(',') +
                             csvField(drink.description) + QLatin1Char(',');
        if (drink.lines.isEmpty())
            out += head + QStringLiteral(",,\r\n");
        for (const DBLib::RecipeLine& line : drink.lines) {
            out += head + csvField(line.amount) + QLatin1Char(',') + csvField(line.ingredient) + QLatin1Char(',') +
                   (line.nonAlcoholic ? QStringLiteral("yes") : QStringLiteral("no")) + QStringLiteral("\r\n");
        }
    }
    return out.toUtf8();
}

QByteArray WriteExchangeXml(const QList<DBLib::Drink>& drinks)
{
    QList<Online::ExchangeDrink> documents;
    for (const DBLib::Drink& drink : drinks) {
        Online::ExchangeDrink d{drink.name, drink.description,
                                drink.glassType ? QString::number(*drink.glassType) : QString(), {}};
        for (const DBLib::RecipeLine& line : drink.lines)
            d.ingredients.append({line.amount, line.ingredient, line.nonAlcoholic, line.substitute});
        documents.append(d);
    }
    return Online::WriteDrinksDocument(documents).toUtf8();
}

QByteArray Write(Format format, const QList<DBLib::Drink>& drinks)
{
    switch (format) {
    case Format::BarAssistantJson:
        return WriteBarAssistantJson(drinks);
    case Format::Csv:
        return WriteCsv(drinks);
    case Format::ExchangeXml:
        return WriteExchangeXml(drinks);
    }
    Q_UNREACHABLE();
}

QStringList FileFilters()
{
    return {QStringLiteral("Bar Assistant recipes (*.json)"), QStringLiteral("Spreadsheet, CSV (*.csv)"),
            QStringLiteral("Drink exchange documents (*.xml)")};
}

std::optional<Format> FormatOfFilter(const QString& filter)
{
    const qsizetype i = FileFilters().indexOf(filter);
    if (i < 0)
        return std::nullopt;
    return Format(i);
}

QString DefaultExtension(Format format)
{
    switch (format) {
    case Format::BarAssistantJson:
        return QStringLiteral("json");
    case Format::Csv:
        return QStringLiteral("csv");
    case Format::ExchangeXml:
        return QStringLiteral("xml");
    }
    Q_UNREACHABLE();
}

} // namespace Formats
