#include "gui/printing/FormattedPrint.h"

#include "core/store/ModuleRegistry.h"
#include "gui/main/GlassPictures.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

namespace FormattedPrint {

bool Chosen()
{
    return ModuleRegistry::ReadText(ModuleRegistry::PrintStyle).trimmed() == QLatin1String("formatted");
}

QString RecipeHtml(const Printing::RecipeRecord& record, bool card)
{
    QString html = QStringLiteral("<h1 style=\"font-size:%1pt; margin:0\">%2</h1>")
                       .arg(card ? 13 : 20)
                       .arg(record.name.toHtmlEscaped());
    html += QStringLiteral("<table width=\"100%\"><tr><td valign=\"top\">");
    html += QStringLiteral("<table cellpadding=\"%1\">").arg(card ? 1 : 3);
    for (const auto& [amount, ingredient] : record.lineParts) {
        html += QStringLiteral("<tr><td align=\"right\" style=\"padding-right:8px\">%1</td><td>%2</td></tr>")
                    .arg(amount.toHtmlEscaped(), ingredient.toHtmlEscaped());
    }
    html += QStringLiteral("</table></td><td align=\"center\" valign=\"top\" width=\"%1\">").arg(card ? 70 : 140);
    const QString picture = GlassPictures::glassPicturePath(record.glassId, QString());
    if (QFileInfo::exists(picture))
        html += QStringLiteral("<img src=\"glass\" height=\"%1\"><br>").arg(card ? 60 : 120);
    html += QStringLiteral("<i>%1</i></td></tr></table>").arg(record.glassType.toHtmlEscaped());
    if (!record.description.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(record.description.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    return html;
}

namespace {

// One document per recipe, each starting on a page of its own, laid out on the printer's page.
bool printRecord(QPainter& painter, QPrinter& printer, const Printing::RecipeRecord& record, bool card, int* pages)
{
    QTextDocument doc;
    QFont font;
    font.setPointSizeF(card ? 8 : 11);
    doc.setDefaultFont(font);
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    doc.setPageSize(QSizeF(area.width(), area.height()) * 72.0 / printer.resolution());
    const QString picture = GlassPictures::glassPicturePath(record.glassId, QString());
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("glass")),
                    GlassPictures::load(picture, QSize(card ? 60 : 120, card ? 60 : 120), 4).toImage());
    doc.setHtml(RecipeHtml(record, card));
    const double scale = printer.resolution() / 72.0;
    const int count = doc.pageCount();
    for (int page = 0; page < count; ++page) {
        if (*pages > 0 && !printer.newPage())
            return false;
        painter.save();
        painter.scale(scale, scale);
        const QRectF clip(0, page * doc.pageSize().height(), doc.pageSize().width(), doc.pageSize().height());
        painter.translate(0, -clip.top());
        doc.drawContents(&painter, clip);
        painter.restore();
        ++*pages;
    }
    return true;
}

} // namespace

Printing::PrintResult Print(QPrinter& printer, const QList<Printing::RecipeRecord>& records, bool cards)
{
    Printing::PrintResult result;
    if (printer.outputFormat() != QPrinter::PdfFormat && !printer.isValid()) {
        result.outcome = Printing::Outcome::Failed;
        result.error = QStringLiteral("No printer is available. Set up a printer, or print into a PDF file.");
        return result;
    }
    if (cards && printer.outputFormat() == QPrinter::PdfFormat)
        Printing::PrintService::prepareForCards(printer); // a card-sized page, as the text cards
    QPainter painter;
    if (!painter.begin(&printer)) {
        result.outcome = Printing::Outcome::Failed;
        result.error = QStringLiteral("The printout could not be started.");
        return result;
    }
    for (const Printing::RecipeRecord& record : records) {
        if (!printRecord(painter, printer, record, cards, &result.pages)) {
            painter.end();
            result.outcome = Printing::Outcome::Failed;
            result.error = QStringLiteral("The printer reported an error.");
            return result;
        }
        ++result.documents;
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        result.outcome = Printing::Outcome::Failed;
        result.error = QStringLiteral("The printer reported an error.");
        return result;
    }
    result.outcome = Printing::Outcome::Printed;
    return result;
}

} // namespace FormattedPrint
