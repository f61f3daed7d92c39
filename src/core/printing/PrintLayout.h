#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// Plain-text layout of every printout and of the print queue file: blank lines and print columns
// only, so the same text serves the file, the printer (in a fixed-pitch font) and the tests.
namespace Printing {

// A sequence of text lines written item by item, with a print position that Tab moves.
class TextLayout
{
public:
    // Moves the print position to column n (counted from 1): blanks up to n when before it, nothing
    // at n, and past n the line ends and the next line starts with n - 1 blanks.
    void tab(int column);
    // Writes text at the print position. A line break inside the text ends the line; the rest
    // continues at column 1.
    void print(const QString& text);
    // Ends the current line (an empty line when nothing was written on it).
    void endLine();

    // Tab n, the text, end of line: the usual printed item.
    void line(int column, const QString& text);
    // An empty line.
    void line() { endLine(); }

    // 1-based column of the print position.
    int column() const { return int(m_current.size()) + 1; }
    // The ended lines; a line still being written is not included.
    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
    QString m_current;
};

// The lines joined with carriage return and line feed after each one, as the queue file holds them.
QString JoinFileLines(const QStringList& lines);
// The lines of a file's text, split at CR LF (a lone LF or CR also ends a line). A final line end
// does not start another line.
QStringList SplitFileLines(const QString& text);

// Pieces of a description for the queue file and regular pages: at most 70 characters each, cut
// after the last blank of the 70 (the blank stays with the piece). A stretch of 70 characters
// without a blank is cut after the 70th. Line breaks in the text start a new piece; an empty
// text gives no piece.
QStringList WrapForFile(const QString& text);
inline constexpr int FileWrapWidth = 70;

// Lines of a description for an index card: a line ends at the first blank that lies more than 75
// characters after the line's start (the blank stays with the line); the rest of the text is the
// last line, possibly empty. Line breaks in the text start a new line.
QStringList WrapForCard(const QString& text);
inline constexpr int CardWrapDistance = 75;

// One recipe as it is printed.
struct RecipeRecord
{
    QString name;            // upper-case drink name
    QStringList recipeLines; // "amount ingredient" as the recipe display shows them
    QString description;
    QString glassType;
    // The same lines as amount and ingredient, and the glass number, for the formatted print-out.
    QList<std::pair<QString, QString>> lineParts;
    int glassId = 0;
};

// One record of the queue file, also the text of a regular printed page:
//   empty; Tab 5 name; Tab 6 each recipe line; Tab 6 "Description:"; Tab 8 each wrapped piece;
//   7 blanks when the description is not empty; Tab 6 "Glass Type: " glass; empty; empty.
QStringList QueueRecordLines(const RecipeRecord& record);

// What the printer receives for a queue file: one empty line, then every file line after Tab 4.
QStringList QueuePrintLines(const QStringList& fileLines);

enum class CardSide
{
    Left,
    Right
};
// Blank lines above a card's text: they move the text to where the card runs through the printer.
int CardLeadingLines(CardSide side);
// Cards printed straight from the main window are laid out as for left side printing.
inline constexpr int MainWindowCardLeadingLines = 43;

// An index card: the leading lines (Tab 6 and one blank each), Tab 5 name, Tab 6 each recipe line,
// Tab 6 "Description:", Tab 6 each card-wrapped line, Tab 6 and one blank, Tab 6 "Glass Type: " glass.
QStringList IndexCardLines(const RecipeRecord& record, int leadingLines);

// A stock or shopping list: empty line, Tab 3 title, Tab 6 each entry.
QStringList ListPrintLines(const QString& title, const QStringList& entries);

} // namespace Printing
