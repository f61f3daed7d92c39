#include "FuzzChecks.h"

#include "ExchangeService.h"
#include "core/exchange/DrinkSubmission.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/formats/RecipeFiles.h"
#include "core/slideshow/PictureList.h"
#include "core/store/Lib.h"

#include <QSet>
#include <cstring>
#include <functional>

using namespace Online;
using namespace Qt::StringLiterals;

namespace FuzzChecks {

namespace {

QString quoted(const QString& text)
{
    // Short enough for a report, with control characters visible.
    QString shown;
    for (const QChar c : text.left(160)) {
        if (c.unicode() < 32)
            shown += u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            shown += c;
    }
    return u'"' + shown + (text.size() > 160 ? u"...\""_s : u"\""_s);
}

// A drink in one line, for comparing and reporting (documents cannot hold the separator).
QString describe(const ExchangeDrink& d)
{
    QStringList parts{d.name, d.directions, d.glassType};
    for (const ExchangeIngredient& l : d.ingredients)
        parts << l.amount << l.type << QString(l.noAlcohol ? u'Y' : u'N') << l.substitute;
    return parts.join(QChar(0x1F));
}

// The writer puts substitutes into the document as they are, so only texts without markup
// characters, and without carriage returns (which readers turn into line feeds), come back
// unchanged.
bool writtenAsIs(const QString& text)
{
    return !text.contains(u'<') && !text.contains(u'&') &&
           !text.contains(QLatin1String("]]>")) && !text.contains(u'\r');
}

// A drink read from a document must be exportable: written alone and read again it is the same.
QString checkRoundTrip(const ExchangeDrink& drink)
{
    for (const ExchangeIngredient& line : drink.ingredients) {
        if (!writtenAsIs(line.substitute))
            return {};
    }
    const QString document = WriteDrinkDocument(drink);
    QString error;
    const std::optional<QList<ExchangeDrink>> again = ReadDrinkDocument(document.toUtf8(), &error);
    if (!again)
        return u"drink %1 written as a document cannot be read back: %2"_s.arg(quoted(drink.name), error);
    if (again->size() != 1)
        return u"drink %1 written alone reads back as %2 drinks"_s.arg(quoted(drink.name)).arg(again->size());
    if (describe(again->constFirst()) != describe(drink))
        return u"drink %1 came back as %2"_s.arg(quoted(describe(drink)), quoted(describe(again->constFirst())));
    return {};
}

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The characters an XML document can carry at all (a drink read from one never holds others).
QString xmlCharactersOnly(const QString& text)
{
    QString out;
    const QList<uint> points = text.toUcs4();
    for (const uint cp : points) {
        if (isXmlCharacter(char32_t(cp))) {
            const char32_t c = char32_t(cp);
            out += QString::fromUcs4(&c, 1);
        }
    }
    return out;
}

// The independent rule for stored-text coding: valid UTF-16 whose every code point, moved by
// delta, is still a Unicode scalar value.
bool codable(const QString& text, int delta)
{
    if (!text.isValidUtf16())
        return false;
    const QList<uint> points = text.toUcs4();
    for (const uint cp : points) {
        const qint64 moved = qint64(cp) + delta;
        if (moved < 0 || moved > 0x10FFFF || (moved >= 0xD800 && moved <= 0xDFFF))
            return false;
    }
    return true;
}

} // namespace

QString drinkDocument(const QByteArray& bytes)
{
    QString error;
    const std::optional<QList<ExchangeDrink>> drinks = ReadDrinkDocument(bytes, &error);
    if (!drinks)
        return error.isEmpty() ? u"the document was refused without a reason"_s : QString();
    for (const ExchangeDrink& drink : *drinks) {
        if (drink.name.isEmpty() || drink.name != drink.name.trimmed())
            return u"a drink was accepted with the name %1"_s.arg(quoted(drink.name));
        const std::optional<qint16> glass = ParseGlassType(drink.glassType);
        if (!glass || QString::number(*glass) != drink.glassType)
            return u"drink %1 has the glass %2"_s.arg(quoted(drink.name), quoted(drink.glassType));
        for (const ExchangeIngredient& line : drink.ingredients) {
            if (line.type.trimmed().isEmpty())
                return u"drink %1 has a recipe line without an ingredient"_s.arg(quoted(drink.name));
        }
        if (QString problem = checkRoundTrip(drink); !problem.isEmpty())
            return problem;
    }
    return {};
}

QString updateIndex(const QByteArray& bytes)
{
    QString error;
    const std::optional<QList<UpdateIndexItem>> items = ReadUpdateIndex(bytes, &error);
    if (!items)
        return error.isEmpty() ? u"the index was refused without a reason"_s : QString();

    for (const UpdateIndexItem& item : *items) {
        if (item.count != item.count.trimmed())
            return u"the count %1 was not trimmed"_s.arg(quoted(item.count));
        if (const std::optional<QDate> date = ParseExchangeDate(item.date)) {
            const QString written = FormatExchangeDate(*date);
            const std::optional<QDate> again = ParseExchangeDate(written);
            if (!again || *again != *date)
                return u"the date %1 was written as %2, which does not read back"_s
                    .arg(quoted(item.date), quoted(written));
        }
    }

    QStringList problems;
    const QList<QueuedUpdate> queued = SelectUpdates(*items, QDate(1990, 1, 1), &problems);
    if (queued.size() + problems.size() > items->size())
        return u"%1 items gave %2 downloads and %3 problems"_s.arg(items->size()).arg(queued.size())
            .arg(problems.size());
    QSet<QString> stems;
    for (const QueuedUpdate& update : queued) {
        if (!IsSafeFileStem(update.stem))
            return u"the unsafe file name %1 was chosen for download"_s.arg(quoted(update.stem));
        if (stems.contains(update.stem.toLower()))
            return u"the file %1 was chosen twice"_s.arg(quoted(update.stem));
        stems.insert(update.stem.toLower());
    }

    const QByteArray written = WriteUpdateIndex(*items);
    const std::optional<QList<UpdateIndexItem>> again = ReadUpdateIndex(written, &error);
    if (!again)
        return u"the index written again cannot be read: %1"_s.arg(error);
    if (again->size() != items->size())
        return u"%1 items were written and %2 read back"_s.arg(items->size()).arg(again->size());
    for (qsizetype i = 0; i < items->size(); ++i) {
        const UpdateIndexItem& a = items->at(i);
        const UpdateIndexItem& b = again->at(i);
        if (a.date != b.date || a.file != b.file || a.count != b.count)
            return u"item %1 (%2, %3, %4) read back as (%5, %6, %7)"_s
                .arg(QString::number(i + 1), quoted(a.date), quoted(a.file), quoted(a.count), quoted(b.date),
                     quoted(b.file), quoted(b.count));
    }
    return {};
}

QString textCoding(const QByteArray& bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    std::memcpy(text.data(), bytes.constData(), size_t(text.size()) * sizeof(QChar));
    // Each direction, then the other one undoing it. What the database hands over arrives as a
    // variant: decoding one must give the same.
    const auto encode = [](const QString& t) { return Lib::EncodeText(t); };
    const auto decode = [](const QString& t) { return Lib::DecodeText(t); };
    const struct
    {
        const char *name, *undo;
        std::function<QString(const QString&)> forth, back;
        int delta;
    } ways[] = {{"EncodeText", "DecodeText", encode, decode, int(Lib::TextShift)},
                {"DecodeText", "EncodeText", decode, encode, -int(Lib::TextShift)}};
    for (const auto& way : ways) {
        std::optional<QString> done;
        try {
            done = way.forth(text);
        } catch (const Lib::TextCodingError& e) {
            if (e.message().isEmpty())
                return u"%1 refused without a reason"_s.arg(QLatin1String(way.name));
        }
        if (done.has_value() != codable(text, way.delta))
            return u"%1 %2 %3"_s.arg(QLatin1String(way.name), done ? u"accepted"_s : u"refused"_s, quoted(text));
        try {
            if (done && way.back(*done) != text)
                return u"%1 does not undo %2 for %3"_s.arg(QLatin1String(way.undo), QLatin1String(way.name), quoted(text));
            if (done && way.delta < 0 && Lib::DecodeText(QVariant(text)) != *done)
                return u"DecodeText of a variant differs for %1"_s.arg(quoted(text));
        } catch (const Lib::TextCodingError&) {
            return u"%1 refused what %2 made of %3"_s.arg(QLatin1String(way.undo), QLatin1String(way.name), quoted(text));
        }
    }
    return {};
}

QString submissionBody(const QByteArray& bytes)
{
    QString error;
    const std::optional<QString> decoded = ExchangeService::DecodeSubmissionBody(bytes, &error);
    if (!decoded && error.isEmpty())
        return u"the body was refused without a reason"_s;

    // The same bytes as the texts of a drink, separated by line feeds, sent the way the program
    // sends it.
    const QStringList parts = QString::fromUtf8(bytes).split(u'\n');
    const auto part = [&](qsizetype i, const char* otherwise) {
        return i < parts.size() ? xmlCharactersOnly(parts.at(i)) : QString::fromLatin1(otherwise);
    };
    ExchangeDrink drink;
    drink.name = part(0, "Drink").trimmed();
    drink.directions = part(1, "");
    drink.glassType = u"3"_s;
    drink.ingredients.append({part(2, "1 oz"), part(3, "Gin"), parts.size() > 4, part(4, "")});
    if (drink.name.isEmpty() || drink.ingredients.constFirst().type.trimmed().isEmpty() ||
        !writtenAsIs(drink.ingredients.constFirst().substitute))
        return {};
    const QString document = WriteDrinkDocument(drink);
    // "%20" and "*" followed by an entity name stand for a blank and "&" on the wire, so a drink
    // whose own text holds them cannot be told apart from one that holds a blank or "&".
    if (document.contains(u'*') || document.contains(QLatin1String("%20")))
        return {};
    const QByteArray body = SubmissionBody(document);
    for (const char c : body) {
        if (uchar(c) < 32 || uchar(c) > 127)
            return u"the submission body of %1 is not printable ASCII"_s.arg(quoted(drink.name));
    }
    const std::optional<QString> received = ExchangeService::DecodeSubmissionBody(body, &error);
    if (!received)
        return u"the service refused the body of %1: %2"_s.arg(quoted(drink.name), error);
    if (*received != document)
        return u"the service decoded %1 as %2"_s.arg(quoted(document), quoted(*received));
    const std::optional<QList<ExchangeDrink>> read = ReadDrinkDocument(received->toUtf8(), &error);
    if (!read)
        return u"the service cannot read the document of %1: %2"_s.arg(quoted(drink.name), error);
    if (read->size() != 1 || describe(read->constFirst()) != describe(drink))
        return u"the submitted drink %1 arrived as %2 drinks, the first %3"_s
            .arg(quoted(describe(drink)), QString::number(read->size()), quoted(describe(read->value(0))));
    return {};
}

QString pictureList(const QByteArray& bytes)
{
    const QStringList entries = PictureList::parse(bytes);
    QStringList plain;
    for (const QString& entry : entries) {
        if (entry.isEmpty())
            return u"an empty entry was read"_s;
        if (!entry.contains(u',') && !entry.contains(u'"') &&
            !entry.contains(u'\n') && !entry.contains(u'\r') &&
            entry == entry.trimmed())
            plain.append(entry);
    }
    // The file's own form: one entry per line, CR LF line ends.
    QByteArray file;
    for (const QString& entry : plain)
        file += entry.toUtf8() + "\r\n";
    const QStringList again = PictureList::parse(file);
    if (again != plain)
        return u"%1 plain entries were written and %2 read back (first: %3)"_s.arg(plain.size()).arg(again.size())
            .arg(quoted(plain.value(0)));
    return {};
}

namespace {

// A reader's promises on what it read, then the records it accepted written in the same format and
// read again: the same drinks, glasses, directions and lines.
QString recipeFile(const QByteArray& bytes, Formats::ParsedFile (*read)(const QByteArray&),
                   QByteArray (*write)(const QList<DBLib::Drink>&))
{
    const Formats::ParsedFile parsed = read(bytes);
    if (!parsed.error.isEmpty())
        return parsed.records.isEmpty() ? QString() : u"a refused file also gave records"_s;
    if (parsed.records.isEmpty())
        return u"a file without records was not refused"_s;
    QList<DBLib::Drink> accepted;
    QSet<QString> names; // an import adds the first drink of a name; a stored drink's name is unique
    for (const Formats::Record& record : parsed.records) {
        if (record.position.isEmpty())
            return u"a record without a position"_s;
        if (!record.refusal.isEmpty())
            continue;
        const DBLib::DrinkEntry& e = record.entry;
        if (e.name.trimmed().isEmpty() || e.lines.isEmpty())
            return u"%1 was accepted without a name or a line"_s.arg(record.position);
        if (names.contains(DBLib::StoredDrinkName(e.name)))
            continue;
        names.insert(DBLib::StoredDrinkName(e.name));
        DBLib::Drink drink;
        drink.name = e.name;
        drink.glassName = e.glass;
        drink.description = e.description;
        for (const DBLib::DrinkEntry::Line& line : e.lines) {
            if (line.ingredient.trimmed().isEmpty())
                return u"%1 has a line without an ingredient"_s.arg(record.position);
            DBLib::RecipeLine out;
            out.amount = line.amount;
            out.ingredient = line.ingredient;
            out.nonAlcoholic = line.nonAlcoholic;
            out.strength = line.strength;
            drink.lines.append(out);
        }
        accepted.append(drink);
    }
    if (accepted.isEmpty())
        return {};
    const Formats::ParsedFile again = read(write(accepted));
    if (!again.error.isEmpty() || again.records.size() != accepted.size())
        return u"%1 drinks written, read back: %2"_s.arg(accepted.size()).arg(again.error.isEmpty() ? QString::number(again.records.size()) : again.error);
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        const DBLib::Drink& d = accepted.at(i);
        const Formats::Record& r = again.records.at(i);
        QStringList before, after;
        for (const DBLib::RecipeLine& l : d.lines)
            before << l.amount + u'|' + l.ingredient;
        for (const DBLib::DrinkEntry::Line& l : r.entry.lines)
            after << l.amount + u'|' + l.ingredient;
        if (!r.refusal.isEmpty() || r.entry.name != d.name || r.entry.glass != d.glassName ||
            r.entry.description != d.description || before != after)
            return u"drink %1 (%2) changed on its way through a file: %3"_s.arg(i + 1)
                .arg(quoted(d.name), r.refusal.isEmpty() ? quoted(r.entry.name + u'/' + after.join(u';')) : r.refusal);
    }
    return {};
}

} // namespace

QString recipeJson(const QByteArray& bytes)
{
    return recipeFile(bytes, Formats::ReadBarAssistantJson, Formats::WriteBarAssistantJson);
}

QString recipeCsv(const QByteArray& bytes)
{
    return recipeFile(bytes, Formats::ReadCsv, Formats::WriteCsv);
}

} // namespace FuzzChecks
