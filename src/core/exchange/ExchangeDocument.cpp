#include "core/exchange/ExchangeDocument.h"

#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>
#include <memory>

namespace Online {

namespace {

bool isBlank(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// Characters are taken as whole code points: a character outside ASCII becomes one reference to
// its code point, which any XML reader turns back into the same character.
template <typename Piece> QString encodeEach(const QString& text, Piece piece)
{
    QString out;
    out.reserve(text.size() + text.size() / 4);
    const QList<uint> points = text.toUcs4();
    for (const uint cp : points)
        piece(out, cp);
    return out;
}

// Characters XML 1.0 cannot carry, not even as a reference: they are left out of what is written.
bool notInXml(uint cp)
{
    return (cp < 32 && cp != 9 && cp != 10 && cp != 13) || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE ||
           cp == 0xFFFF || cp > 0x10FFFF;
}

void appendReference(QString& out, const QString& ampChar, uint cp)
{
    out += ampChar;
    out += QLatin1Char('#');
    out += QString::number(cp);
    out += QLatin1Char(';');
}

QString element(const char* name, const QString& text)
{
    const QLatin1String n(name);
    return QLatin1Char('<') + n + QLatin1Char('>') + text + QLatin1String("</") + n + QLatin1Char('>');
}

// A small element tree: just what the reading rule looks at.
struct Node
{
    QString name;
    QString text; // the character data directly inside, when the element has no child elements
    int line = 0;
    std::vector<std::unique_ptr<Node>> children;

    const Node* child(QLatin1String childName) const
    {
        for (const auto& c : children) {
            if (c->name == childName)
                return c.get();
        }
        return nullptr;
    }
};

constexpr int MaxDepth = 16;

// Whether text holds only characters an XML document may hold. The reader lets others through
// when a document declares an odd encoding (UTF-7 decoding can leave half a surrogate pair), and
// they would reach the database as names that can be neither stored in encoded form nor exported.
bool isDocumentText(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        const bool allowed =
            c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}

// Reads a document as a stream and hands each child element of the root (a record) to the
// callback as a small tree, dropped once the callback returns: memory holds the document, what the
// callback keeps and one record, whatever the document's size. The callback returns false to stop
// (with *error set).
bool parseRecords(const QByteArray& bytes, QString* error, const std::function<bool(const Node&)>& record)
{
    if (bytes.size() > MaxDocumentBytes) {
        *error = QStringLiteral("the document is larger than %1 MiB.").arg(MaxDocumentBytes / (1024 * 1024));
        return false;
    }
    QXmlStreamReader xml(bytes);
    bool rootSeen = false;
    int depth = 0;
    std::unique_ptr<Node> current; // the record being read
    std::vector<Node*> open;       // its open elements
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Entity declarations are the door to expansion attacks; exchange documents need none.
            *error =
                QStringLiteral("line %1: document type declarations are not accepted.").arg(xml.lineNumber());
            return false;
        case QXmlStreamReader::EntityReference:
            *error = QStringLiteral("line %1: the entity \"%2\" is not known.")
                         .arg(QString::number(xml.lineNumber()), xml.name().toString());
            return false;
        case QXmlStreamReader::StartElement: {
            if (depth >= MaxDepth) {
                *error = QStringLiteral("line %1: elements are nested too deeply.").arg(xml.lineNumber());
                return false;
            }
            ++depth;
            if (depth == 1) {
                rootSeen = true;
                break;
            }
            auto node = std::make_unique<Node>();
            node->name = xml.name().toString();
            node->line = int(xml.lineNumber());
            Node* raw = node.get();
            if (depth == 2)
                current = std::move(node);
            else
                open.back()->children.push_back(std::move(node));
            open.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            if (open.empty())
                break; // the root
            // White space between child elements is layout, not content.
            if (!open.back()->children.empty())
                open.back()->text.clear();
            open.pop_back();
            if (open.empty()) {
                const std::unique_ptr<Node> done = std::move(current);
                if (!record(*done))
                    return false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (!isDocumentText(xml.text())) {
                *error = QStringLiteral("line %1: the text holds characters a document cannot hold; is its "
                                        "declared encoding right?")
                             .arg(xml.lineNumber());
                return false;
            }
            // Text directly in the root is layout; a record's elements keep theirs.
            if (!open.empty())
                open.back()->text += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("line %1, column %2: %3")
                     .arg(xml.lineNumber())
                     .arg(xml.columnNumber())
                     .arg(xml.errorString());
        return false;
    }
    if (!rootSeen) {
        *error = QStringLiteral("the document is empty.");
        return false;
    }
    return true;
}

// The value of a named child: the text of its first node. Absent elements are refused; an element
// with no text gives the empty text.
bool childText(const Node& parent, const char* name, QString* value, QString* error, const QString& where)
{
    const Node* c = parent.child(QLatin1String(name));
    if (!c) {
        *error = QStringLiteral("%1 (line %2) has no \"%3\" element.")
                     .arg(where, QString::number(parent.line), QLatin1String(name));
        return false;
    }
    if (!c->children.empty()) {
        *error = QStringLiteral("%1: the \"%2\" element (line %3) holds elements instead of text.")
                     .arg(where, QLatin1String(name), QString::number(c->line));
        return false;
    }
    *value = c->text;
    return true;
}

} // namespace

QString XMLEncodeEx(const QString& text, bool hrefEncode, const QString& ampChar)
{
    Q_UNUSED(hrefEncode);
    if (isBlank(text))
        return text;
    int brackets = 0; // "]" just before, in a row
    return encodeEach(text, [&](QString& out, uint cp) {
        if (notInXml(cp))
            return; // "]]" around a dropped character still meets the ">" after it
        if (cp == '&') {
            out += ampChar + QLatin1String("amp;");
        } else if (cp == '<') {
            out += ampChar + QLatin1String("lt;");
        } else if (cp == '>' && brackets >= 2) {
            // "]]>" may not stand in XML text: a document holding it could not be read back.
            out += ampChar + QLatin1String("gt;");
        } else if (cp < 32 || cp > 127) {
            appendReference(out, ampChar, cp);
        } else {
            out += QChar(char16_t(cp));
        }
        brackets = cp == ']' ? brackets + 1 : 0;
    });
}

QString HTMLEncodeEx(const QString& text, bool hrefEncode, const QString& ampChar)
{
    Q_UNUSED(hrefEncode);
    if (isBlank(text))
        return text;
    return encodeEach(text, [&](QString& out, uint cp) {
        if (notInXml(cp))
            return;
        if (cp == ' ') {
            out += QLatin1String("%20");
        } else if (cp == '&') {
            out += ampChar + QLatin1String("amp;");
        } else if (cp < 32 || cp > 127) {
            appendReference(out, ampChar, cp);
        } else {
            out += QChar(char16_t(cp));
        }
    });
}

QString WriteDrinkDocument(const ExchangeDrink& drink)
{
    return WriteDrinksDocument({drink});
}

QString WriteDrinksDocument(const QList<ExchangeDrink>& drinks)
{
    const QString amp = QStringLiteral("&");
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>");
    doc += QLatin1String("<drinks>");
    for (const ExchangeDrink& drink : drinks) {
        doc += QLatin1String("<drink>");
        doc += element("name", XMLEncodeEx(drink.name, false, amp));
        doc += element("directions", XMLEncodeEx(drink.directions, false, amp));
        doc += element("glassType", drink.glassType);
        doc += QLatin1String("<ingredients>");
        for (const ExchangeIngredient& line : drink.ingredients) {
            doc += QLatin1String("<ingredient>");
            doc += element("amount", XMLEncodeEx(line.amount, false, amp));
            doc += element("type", XMLEncodeEx(line.type, false, amp));
            doc += element("noAlcohol", line.noAlcohol ? QStringLiteral("Y") : QStringLiteral("N"));
            doc += element("substitute", XMLEncodeEx(line.substitute, false, amp));
            doc += QLatin1String("</ingredient>");
        }
        doc += QLatin1String("</ingredients></drink>");
    }
    doc += QLatin1String("</drinks>");
    return doc;
}

std::optional<QList<ExchangeDrink>> ReadDrinkDocument(const QByteArray& bytes, QString* error)
{
    QString localError;
    QString& err = error ? *error : localError;
    QList<ExchangeDrink> drinks;
    int number = 0;
    const bool read = parseRecords(bytes, &err, [&](const Node& drinkNode) {
        ++number;
        const QString where = QStringLiteral("drink %1").arg(number);
        ExchangeDrink drink;
        if (!childText(drinkNode, "name", &drink.name, &err, where))
            return false;
        drink.name = drink.name.trimmed();
        if (drink.name.isEmpty()) {
            err = QStringLiteral("%1 (line %2) has no name.").arg(where, QString::number(drinkNode.line));
            return false;
        }
        const QString named = QStringLiteral("drink %1 (\"%2\")").arg(QString::number(number), drink.name);
        if (!childText(drinkNode, "directions", &drink.directions, &err, named) ||
            !childText(drinkNode, "glassType", &drink.glassType, &err, named))
            return false;
        const std::optional<qint16> glass = ParseGlassType(drink.glassType);
        if (!glass) {
            err = QStringLiteral("%1: \"%2\" is not a glass number.").arg(named, drink.glassType);
            return false;
        }
        drink.glassType = QString::number(*glass);
        const Node* ingredients = drinkNode.child(QLatin1String("ingredients"));
        if (!ingredients) {
            err = QStringLiteral("%1 (line %2) has no \"ingredients\" element.")
                      .arg(named, QString::number(drinkNode.line));
            return false;
        }
        int lineNumber = 0;
        for (const auto& lineNode : ingredients->children) {
            ++lineNumber;
            const QString lineWhere =
                QStringLiteral("%1, recipe line %2").arg(named, QString::number(lineNumber));
            ExchangeIngredient line;
            if (!childText(*lineNode, "amount", &line.amount, &err, lineWhere) ||
                !childText(*lineNode, "type", &line.type, &err, lineWhere))
                return false;
            if (line.type.trimmed().isEmpty()) {
                err = QStringLiteral("%1 (line %2) names no ingredient.")
                          .arg(lineWhere, QString::number(lineNode->line));
                return false;
            }
            if (const Node* n = lineNode->child(QLatin1String("noAlcohol")))
                line.noAlcohol = n->children.empty() && n->text == QLatin1String("Y");
            if (const Node* s = lineNode->child(QLatin1String("substitute")); s && s->children.empty())
                line.substitute = s->text;
            drink.ingredients.append(line);
        }
        drinks.append(drink);
        return true;
    });
    if (!read)
        return std::nullopt;
    return drinks;
}

std::optional<QList<UpdateIndexItem>> ReadUpdateIndex(const QByteArray& bytes, QString* error)
{
    QString localError;
    QString& err = error ? *error : localError;
    QList<UpdateIndexItem> items;
    int number = 0;
    const bool read = parseRecords(bytes, &err, [&](const Node& itemNode) {
        ++number;
        const QString where = QStringLiteral("item %1").arg(number);
        UpdateIndexItem item;
        if (!childText(itemNode, "date", &item.date, &err, where) ||
            !childText(itemNode, "file", &item.file, &err, where))
            return false;
        if (const Node* c = itemNode.child(QLatin1String("count")); c && c->children.empty())
            item.count = c->text.trimmed();
        items.append(item);
        return true;
    });
    if (!read)
        return std::nullopt;
    return items;
}

QByteArray WriteUpdateIndex(const QList<UpdateIndexItem>& items)
{
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<updates>\n");
    for (const UpdateIndexItem& item : items) {
        doc += QLatin1String("  <update>") + element("date", XMLEncodeEx(item.date)) +
               element("file", XMLEncodeEx(item.file)) + element("count", XMLEncodeEx(item.count)) +
               QLatin1String("</update>\n");
    }
    doc += QLatin1String("</updates>\n");
    return doc.toUtf8();
}

std::optional<qint16> ParseGlassType(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

std::optional<QDate> ParseExchangeDate(const QString& text)
{
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QString t = text.trimmed();
    QDate date;
    if (const QRegularExpressionMatch m = mdy.match(t); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 30 ? 2000 : 1900;
        date = QDate(year, m.captured(1).toInt(), m.captured(2).toInt());
    } else if (const QRegularExpressionMatch i = iso.match(t); i.hasMatch()) {
        date = QDate(i.captured(1).toInt(), i.captured(2).toInt(), i.captured(3).toInt());
    }
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString FormatExchangeDate(const QDate& date)
{
    return QStringLiteral("%1/%2/%3")
        .arg(date.month())
        .arg(date.day())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

bool IsSafeFileStem(const QString& stem)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return safe.match(stem).hasMatch();
}

QList<QueuedUpdate> SelectUpdates(const QList<UpdateIndexItem>& items, const UpdateMark& mark,
                                  QStringList* problems)
{
    QSet<QString> taken;
    if (mark.stems) {
        for (const QString& stem : *mark.stems)
            taken.insert(stem.toLower());
    }
    QList<std::pair<QDate, QueuedUpdate>> queued;
    QSet<QString> stems;
    for (const UpdateIndexItem& item : items) {
        const std::optional<QDate> date = ParseExchangeDate(item.date);
        if (!date) {
            if (problems)
                problems->append(
                    QStringLiteral("\"%1\": the date \"%2\" cannot be read.").arg(item.file, item.date));
            continue;
        }
        const QString stem = item.file.trimmed();
        if (*date < mark.day || (*date == mark.day && (!mark.stems || taken.contains(stem.toLower()))))
            continue;
        if (!IsSafeFileStem(stem)) {
            if (problems)
                problems->append(QStringLiteral("\"%1\" is not an acceptable file name.").arg(item.file));
            continue;
        }
        // The file system may not tell letter cases apart; one download per name.
        if (stems.contains(stem.toLower())) {
            if (problems)
                problems->append(QStringLiteral("\"%1\" is listed more than once.").arg(stem));
            continue;
        }
        stems.insert(stem.toLower());
        queued.append({*date, {item.date.trimmed(), item.count.toLongLong(), stem}});
    }
    // Oldest first, so that a run cut short leaves a clear point to go on from.
    std::stable_sort(queued.begin(), queued.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QueuedUpdate> result;
    result.reserve(queued.size());
    for (auto& q : queued)
        result.append(std::move(q.second));
    return result;
}

UpdateMark NextUpdateMark(const UpdateMark& before, const QList<QueuedUpdate>& queue, qsizetype taken, bool whole,
                          const QDate& today)
{
    taken = std::clamp<qsizetype>(taken, 0, queue.size());
    if (!whole && taken == 0)
        return before;
    UpdateMark next;
    next.day = whole ? std::max(today, before.day) : ParseExchangeDate(queue.at(taken - 1).date).value_or(before.day);
    next.stems = QStringList();
    if (next.day == before.day && before.stems)
        next.stems = *before.stems;
    for (qsizetype i = 0; i < taken; ++i) {
        if (ParseExchangeDate(queue.at(i).date) == next.day && !next.stems->contains(queue.at(i).stem))
            next.stems->append(queue.at(i).stem);
    }
    return next;
}

} // namespace Online
