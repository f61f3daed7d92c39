#include "gui/printing/PrintService.h"

#include "core/printing/PrintLayout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace Printing {

namespace {

PrintService::DialogHook& dialogHook()
{
    static PrintService::DialogHook hook;
    return hook;
}

constexpr double PageMarginInches = 0.6;
constexpr double CardMarginPoints = 18; // a quarter inch inside the card's edges
constexpr double PagePointSize = 10;
constexpr double PageMinimumPointSize = 6;
constexpr double CardPointSize = 8;
constexpr double CardMinimumPointSize = 4;

int widestLine(const QStringList& lines)
{
    qsizetype widest = 0;
    for (const QString& l : lines)
        widest = std::max(widest, l.size());
    return int(widest);
}

struct Fitted
{
    QFont font;
    double lineHeight = 0;
    double columnWidth = 0;
};

// The largest size from preferred down to minimum (in half points) at which the given columns and
// rows fit the space; rows 0 means any number (the text flows over pages).
Fitted fitFont(QPrinter& printer, double preferred, double minimum, int columns, int rows, double width,
               double height)
{
    const double toPoints = 72.0 / printer.resolution();
    double size = preferred;
    Fitted f;
    for (;;) {
        f.font = PrintService::printFont(size);
        const QFontMetricsF fm(f.font, &printer);
        f.columnWidth = fm.horizontalAdvance(QLatin1Char('M')) * toPoints;
        f.lineHeight = fm.lineSpacing() * toPoints;
        const bool fits = columns * f.columnWidth <= width && (rows == 0 || rows * f.lineHeight <= height);
        if (fits || size <= minimum)
            return f;
        size = std::max(minimum, size - 0.5);
    }
}

void paintPlan(QPainter& painter, QPrinter& printer, const Plan& plan, bool& firstPage, bool* failed)
{
    const double scale = printer.resolution() / 72.0;
    const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
    painter.setFont(plan.font);
    const double ascent = QFontMetricsF(plan.font, &printer).ascent();
    for (const PlannedPage& page : plan.pages) {
        if (!firstPage && !printer.newPage()) {
            if (failed)
                *failed = true;
            return;
        }
        firstPage = false;
        for (const PlacedLine& line : page) {
            const QPointF p = (line.position - origin) * scale;
            painter.drawText(QPointF(p.x(), p.y() + ascent), line.text);
        }
    }
}

QString printerName(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printer.outputFileName();
    return printer.printerName();
}

} // namespace

void PrintService::setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

bool PrintService::choosePrinter(QWidget* parent, QPrinter& printer)
{
    printer.setPrintRange(QPrinter::AllPages);
    if (dialogHook())
        return dialogHook()(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    // Qt's own dialog on Linux offers a page range although the options leave it out, and turns it
    // back on whenever it shows itself or another printer is chosen. Our printouts always print
    // every page, so the choice is taken away each time instead of being silently ignored.
    const auto noPageRange = [&dialog] {
        for (const char* name : {"printRange", "pageRange", "from", "to", "pageRangeEdit"}) {
            if (auto* w = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
                w->setEnabled(false);
        }
        if (auto* all = dialog.findChild<QAbstractButton*>(QStringLiteral("printAll")))
            all->setChecked(true);
    };
    QTimer::singleShot(0, &dialog, noPageRange);
    if (auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers")))
        QObject::connect(printers, &QComboBox::currentIndexChanged, &dialog, noPageRange, Qt::QueuedConnection);
    return dialog.exec() == QDialog::Accepted;
}

void PrintService::prepareForPages(QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(PageMarginInches, PageMarginInches, PageMarginInches, PageMarginInches),
                           QPageLayout::Inch);
}

void PrintService::prepareForCards(QPrinter& printer)
{
    printer.setPageSize(QPageSize(QSizeF(3, 5), QPageSize::Inch, QStringLiteral("Index Card 3 x 5 in"),
                                  QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(CardMarginPoints, CardMarginPoints, CardMarginPoints, CardMarginPoints),
                           QPageLayout::Point);
}

QFont PrintService::printFont(double pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Noto Sans Mono"), QStringLiteral("Monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    font.setPointSizeF(pointSize);
    return font;
}

Plan PrintService::planPages(QPrinter& printer, const QStringList& lines)
{
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
    const Fitted f = fitFont(printer, PagePointSize, PageMinimumPointSize, widestLine(lines), 0, area.width(),
                             area.height());
    Plan plan;
    plan.font = f.font;
    plan.lineHeight = f.lineHeight;
    plan.columnWidth = f.columnWidth;
    const int perPage = std::max(1, int(std::floor(area.height() / f.lineHeight)));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int row = int(i % perPage);
        if (row == 0)
            plan.pages.append(PlannedPage());
        plan.pages.last().append({QPointF(area.left(), area.top() + row * f.lineHeight), lines.at(i)});
    }
    if (plan.pages.isEmpty())
        plan.pages.append(PlannedPage());
    return plan;
}

Plan PrintService::planCard(QPrinter& printer, const QStringList& lines, int leadingLines)
{
    const QPageLayout layout = printer.pageLayout();
    const QRectF paper = layout.fullRect(QPageLayout::Point);
    const QRectF area = layout.paintRect(QPageLayout::Point);
    const QStringList body = lines.mid(std::clamp<qsizetype>(leadingLines, 0, lines.size()));

    // On paper larger than a card the lead-in lines step down the page to where the card runs;
    // their pitch is such that the 43 lines of left side printing reach a card along the bottom.
    const double top = area.top();
    double leadPitch = 0;
    if (paper.height() > CardHeightPoints + 1)
        leadPitch = std::max(0.0, (paper.height() - CardHeightPoints + CardMarginPoints - top) /
                                      MainWindowCardLeadingLines);
    const double firstLine = top + std::max(0, leadingLines) * leadPitch;
    const double cardTop =
        std::clamp(firstLine - CardMarginPoints, 0.0, std::max(0.0, paper.height() - CardHeightPoints));
    Plan plan;
    plan.cardArea = QRectF(0, cardTop, std::min(CardWidthPoints, paper.width()),
                           std::min(CardHeightPoints, paper.height()));

    const double left = std::max(area.left(), CardMarginPoints);
    const double width = plan.cardArea.right() - CardMarginPoints - left;
    const double height = plan.cardArea.bottom() - CardMarginPoints - firstLine;
    const Fitted f = fitFont(printer, CardPointSize, CardMinimumPointSize, widestLine(body), int(body.size()),
                             width, height);
    plan.font = f.font;
    plan.lineHeight = f.lineHeight;
    plan.columnWidth = f.columnWidth;

    plan.pages.append(PlannedPage());
    double y = firstLine;
    for (const QString& l : body) {
        // A card too full even at the smallest size goes on in a second card rather than off the edge.
        if (y + f.lineHeight > area.bottom() + 0.01 && !plan.pages.last().isEmpty()) {
            plan.pages.append(PlannedPage());
            y = top;
        }
        plan.pages.last().append({QPointF(left, y), l});
        y += f.lineHeight;
    }
    return plan;
}

PrintResult PrintService::printPlans(QPrinter& printer, const QList<Plan>& plans)
{
    PrintResult result;
    const auto fail = [&](const QString& why) {
        result.outcome = Outcome::Failed;
        result.error = why;
        return result;
    };
    const bool intoFile = printer.outputFormat() == QPrinter::PdfFormat;
    if (!intoFile && !printer.isValid())
        return fail(QStringLiteral("No printer is available. Set up a printer, or print into a PDF file."));

    QPainter painter;
    bool firstPage = true;
    for (qsizetype i = 0; i < plans.size(); ++i) {
        // On a printer every document is a job of its own; a PDF file takes them one after another.
        if (!painter.isActive()) {
            if (!painter.begin(&printer)) {
                return fail(
                    intoFile ? QStringLiteral("The file %1 could not be written.").arg(printerName(printer))
                             : QStringLiteral("The printer %1 could not start printing.")
                                   .arg(printerName(printer)));
            }
            firstPage = true;
        }
        bool failed = false;
        paintPlan(painter, printer, plans.at(i), firstPage, &failed);
        if (failed || printer.printerState() == QPrinter::Error) {
            painter.end();
            return fail(QStringLiteral("The printer %1 reported an error.").arg(printerName(printer)));
        }
        result.pages += int(plans.at(i).pages.size());
        ++result.documents;
        if (intoFile && i + 1 < plans.size()) {
            if (!printer.newPage()) {
                painter.end();
                return fail(QStringLiteral("The file %1 could not be written.").arg(printerName(printer)));
            }
            firstPage = true; // the page just started belongs to the next document
            continue;
        }
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            return fail(QStringLiteral("The printer %1 reported an error.").arg(printerName(printer)));
    }
    result.outcome = Outcome::Printed;
    return result;
}

PrintResult PrintService::printPages(QPrinter& printer, const QList<QStringList>& documents)
{
    QList<Plan> plans;
    for (const QStringList& d : documents)
        plans.append(planPages(printer, d));
    return printPlans(printer, plans);
}

PrintResult PrintService::printCards(QPrinter& printer, const QList<QStringList>& cards, int leadingLines)
{
    // A PDF file gets pages the size of a card, not a card in the corner of a sheet; a printer keeps
    // the paper chosen for it.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        prepareForCards(printer);
    QList<Plan> plans;
    for (const QStringList& c : cards)
        plans.append(planCard(printer, c, leadingLines));
    return printPlans(printer, plans);
}

QWidget* PrintService::preview(QWidget* parent, const QList<QStringList>& documents, const QString& title)
{
    auto* dialog = new QPrintPreviewDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    prepareForPages(*dialog->printer());
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [documents](QPrinter* printer) {
        QPainter painter(printer);
        bool firstPage = true;
        for (const QStringList& d : documents)
            paintPlan(painter, *printer, planPages(*printer, d), firstPage, nullptr);
    });
    // As tall as a page can be shown, but never beyond the screen (a laptop's 768 pixels).
    QSize size(800, 900);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    dialog->resize(size);
    dialog->show();
    return dialog;
}

} // namespace Printing
