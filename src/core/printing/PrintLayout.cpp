#include "core/printing/PrintLayout.h"

#include <QRegularExpression>

namespace Printing {

namespace {

const QRegularExpression& lineBreak()
{
    static const QRegularExpression re(QStringLiteral("\r\n|\r|\n"));
    return re;
}

// A description typed in a multi-line box keeps its paragraphs; each is wrapped on its own. Line
// breaks at the very end add nothing.
QStringList paragraphs(const QString& text)
{
    QStringList parts = text.split(lineBreak());
    while (!parts.isEmpty() && parts.constLast().isEmpty())
        parts.removeLast();
    return parts;
}

// Never cut between the two halves of a surrogate pair.
qsizetype safeCut(const QString& text, qsizetype cut)
{
    if (cut > 0 && cut < text.size() && text.at(cut).isLowSurrogate() && text.at(cut - 1).isHighSurrogate())
        return cut - 1;
    return cut;
}

void wrapParagraphForFile(const QString& text, QStringList& pieces)
{
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        if (n - start <= FileWrapWidth) {
            pieces << text.mid(start);
            return;
        }
        const qsizetype lastBlank = text.lastIndexOf(QLatin1Char(' '), start + FileWrapWidth - 1);
        qsizetype end; // one past the piece's last character
        if (lastBlank >= start)
            end = lastBlank + 1;
        else
            end = safeCut(text, start + FileWrapWidth);
        pieces << text.mid(start, end - start);
        start = end;
    }
}

void wrapParagraphForCard(const QString& text, QStringList& lines)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ') && i - start > CardWrapDistance) {
            lines << text.mid(start, i - start + 1);
            start = i + 1;
        }
    }
    lines << text.mid(start);
}

} // namespace

void TextLayout::tab(int column)
{
    column = std::max(column, 1);
    const int position = this->column();
    if (position < column) {
        m_current.append(QString(column - position, QLatin1Char(' ')));
    } else if (position > column) {
        endLine();
        m_current = QString(column - 1, QLatin1Char(' '));
    }
}

void TextLayout::print(const QString& text)
{
    const QStringList parts = text.split(lineBreak());
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            endLine();
        m_current.append(parts.at(i));
    }
}

void TextLayout::endLine()
{
    m_lines << m_current;
    m_current.clear();
}

void TextLayout::line(int column, const QString& text)
{
    tab(column);
    print(text);
    endLine();
}

QString JoinFileLines(const QStringList& lines)
{
    QString text;
    for (const QString& l : lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    return text;
}

QStringList SplitFileLines(const QString& text)
{
    QStringList lines = text.split(lineBreak());
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList WrapForFile(const QString& text)
{
    QStringList pieces;
    for (const QString& p : paragraphs(text)) {
        if (p.isEmpty())
            pieces << QString();
        else
            wrapParagraphForFile(p, pieces);
    }
    return pieces;
}

QStringList WrapForCard(const QString& text)
{
    QStringList lines;
    const QStringList parts = paragraphs(text);
    if (parts.isEmpty())
        return {QString()};
    for (const QString& p : parts)
        wrapParagraphForCard(p, lines);
    return lines;
}

QStringList QueueRecordLines(const RecipeRecord& record)
{
    TextLayout out;
    out.line();
    out.line(5, record.name);
    for (const QString& l : record.recipeLines)
        out.line(6, l);
    out.line(6, QStringLiteral("Description:"));
    for (const QString& piece : WrapForFile(record.description))
        out.line(8, piece);
    if (!record.description.isEmpty())
        out.line(8, QString());
    out.line(6, QStringLiteral("Glass Type: ") + record.glassType);
    out.line();
    out.line();
    return out.lines();
}

QStringList QueuePrintLines(const QStringList& fileLines)
{
    TextLayout out;
    out.line();
    for (const QString& l : fileLines)
        out.line(4, l);
    return out.lines();
}

int CardLeadingLines(CardSide side)
{
    return side == CardSide::Left ? 43 : 1;
}

QStringList IndexCardLines(const RecipeRecord& record, int leadingLines)
{
    TextLayout out;
    for (int i = 0; i < leadingLines; ++i)
        out.line(6, QStringLiteral(" "));
    out.line(5, record.name);
    for (const QString& l : record.recipeLines)
        out.line(6, l);
    out.line(6, QStringLiteral("Description:"));
    for (const QString& l : WrapForCard(record.description))
        out.line(6, l);
    out.line(6, QStringLiteral(" "));
    out.line(6, QStringLiteral("Glass Type: ") + record.glassType);
    return out.lines();
}

QStringList ListPrintLines(const QString& title, const QStringList& entries)
{
    TextLayout out;
    out.line();
    out.line(3, title);
    for (const QString& e : entries)
        out.line(6, e);
    return out.lines();
}

} // namespace Printing
