#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;

// Puts text documents on paper (or into a PDF file) through Qt's printing: the print dialog, a
// fixed-pitch font so print columns line up, pages that the text flows over, and index cards.
namespace Printing {

enum class Outcome
{
    Printed,
    Cancelled,
    Failed
};

struct PrintResult
{
    Outcome outcome = Outcome::Cancelled;
    QString error;     // what went wrong, for the user
    int documents = 0; // separate documents sent (each copy and each card is one)
    int pages = 0;     // pages over all documents
};

// Where each line lands. Positions and sizes are in points (1/72 inch) from the paper's top-left
// corner; a position is the top-left of the line's box.
struct PlacedLine
{
    QPointF position;
    QString text;
};
using PlannedPage = QList<PlacedLine>;

struct Plan
{
    QFont font;
    double lineHeight = 0;  // points
    double columnWidth = 0; // points per character
    QRectF cardArea;        // cards only: the 5 x 3 inch area the card takes on the paper
    QList<PlannedPage> pages;
};

// A 3 x 5 inch index card, lying on its long side.
inline constexpr double CardWidthPoints = 5 * 72.0;
inline constexpr double CardHeightPoints = 3 * 72.0;

class PrintService
{
public:
    // Replaces the print dialog (tests and automation): the hook sets up the printer it is given
    // (output file, copies, paper) and returns false to cancel. An empty hook restores the dialog.
    using DialogHook = std::function<bool(QPrinter& printer)>;
    static void setDialogHook(DialogHook hook);

    // The print dialog: no page range, no selection, no current page; the printer chosen there is
    // used. Printing into a PDF file stays available. False when the user cancels.
    static bool choosePrinter(QWidget* parent, QPrinter& printer);

    // Paper set-up before the dialog: pages stand upright with fixed margins; cards are a
    // 5 x 3 inch landscape page. The user may still choose other paper in the dialog.
    static void prepareForPages(QPrinter& printer);
    static void prepareForCards(QPrinter& printer);

    // The fixed-pitch font of every printout.
    static QFont printFont(double pointSize);

    // Page layout of one document: the lines flow down the printable area and over new pages.
    static Plan planPages(QPrinter& printer, const QStringList& lines);
    // Card layout of one card document whose first leadingLines lines are blank lead-in. On paper
    // larger than a card, the lead-in says where the card runs: 43 lines put it along the bottom
    // of the landscape page (a card fed on the left of the paper path), 1 line along the top (fed on
    // the right). On card-sized paper the card is the page and the text starts at its top margin.
    static Plan planCard(QPrinter& printer, const QStringList& lines, int leadingLines);

    // Prints each document separately: a job of its own on a printer, the following pages of
    // the same file when printing into a PDF file.
    static PrintResult printPages(QPrinter& printer, const QList<QStringList>& documents);
    static PrintResult printCards(QPrinter& printer, const QList<QStringList>& cards, int leadingLines);

    // Shows the documents as pages in a print preview window (not modal); it can print from there.
    static QWidget* preview(QWidget* parent, const QList<QStringList>& documents, const QString& title);

private:
    static PrintResult printPlans(QPrinter& printer, const QList<Plan>& plans);
};

} // namespace Printing
