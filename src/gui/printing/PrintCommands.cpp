#include "gui/printing/PrintCommands.h"

#include "core/printing/PrintQueue.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/FormattedPrint.h"
#include "core/store/Lib.h"
#include "core/printing/PrintRecord.h"
#include "core/store/Sqlite.h"

#include <QPrinter>

using Printing::Outcome;
using Printing::PrintResult;
using Printing::PrintService;

namespace PrintCommands {

namespace {

const QString MessageTitle = QStringLiteral("Print");

PrintResult report(QWidget* parent, const PrintResult& result)
{
    if (result.outcome == Outcome::Failed)
        MessageBox::warning(parent, MessageTitle,
                            QStringLiteral("The printout could not be completed.\n\n") + result.error);
    return result;
}

PrintResult cancelled()
{
    return PrintResult();
}

// The name a PDF file is offered under: the drink's, or "Drinks" for several.
QString documentName(const QStringList& drinkNames)
{
    if (drinkNames.size() != 1)
        return QStringLiteral("Drinks");
    QString name = drinkNames.first().trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name.isEmpty() ? QStringLiteral("Drinks") : name;
}

} // namespace

QList<Printing::RecipeRecord> ReadRecords(QWidget* parent, const QStringList& drinkNames, bool* ok, int servings)
{
    QList<Printing::RecipeRecord> records;
    *ok = false;
    try {
        for (const QString& name : drinkNames) {
            const std::optional<Printing::RecipeRecord> r = Printing::ReadPrintRecord(name, servings);
            if (!r) {
                MessageBox::warning(
                    parent, MessageTitle,
                    QStringLiteral("The drink %1 is no longer in the recipe database; nothing "
                                   "was printed.")
                        .arg(name));
                return {};
            }
            records.append(*r);
        }
    } catch (const std::exception& e) {
        ErrorReport::show(parent, MessageTitle,
                          QStringLiteral("The recipes could not be read from the recipe database; nothing was printed."),
                          e);
        return {};
    }
    *ok = true;
    return records;
}

PrintResult PrintIngredientList(QWidget* parent, const QString& title, const QStringList& entries)
{
    const QStringList lines = Printing::ListPrintLines(title, entries);
    QPrinter printer(QPrinter::HighResolution);
    PrintService::prepareForPages(printer);
    printer.setDocName(title);
    if (!PrintService::choosePrinter(parent, printer))
        return cancelled();
    return report(parent, PrintService::printPages(printer, {lines}));
}

PrintResult PrintQueueLines(QWidget* parent, const QStringList& fileLines)
{
    QPrinter printer(QPrinter::HighResolution);
    PrintService::prepareForPages(printer);
    printer.setDocName(QStringLiteral("Drinks"));
    if (!PrintService::choosePrinter(parent, printer))
        return cancelled();
    // Each copy is a document of its own, so the printer is asked for one copy of each.
    const int copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    const QStringList document = Printing::QueuePrintLines(fileLines);
    QList<QStringList> documents;
    for (int i = 0; i < copies; ++i)
        documents.append(document);
    return report(parent, PrintService::printPages(printer, documents));
}

PrintResult PrintPrintList(QWidget* parent, const PrintQueue& queue)
{
    if (!queue.isCollecting())
        return cancelled();
    QString error;
    const QStringList lines = queue.readLines(&error);
    if (!error.isEmpty()) {
        PrintResult failed;
        failed.outcome = Outcome::Failed;
        failed.error = error;
        return report(parent, failed);
    }
    return PrintQueueLines(parent, lines);
}

bool AddDrinkToPrintList(QWidget* parent, PrintQueue& queue, const QString& drinkName, int servings)
{
    if (drinkName.trimmed().isEmpty())
        return false;
    bool ok = false;
    const QList<Printing::RecipeRecord> records = ReadRecords(parent, {drinkName}, &ok, servings);
    if (!ok)
        return false;
    QString error;
    if (!queue.add(records.first(), &error)) {
        if (!error.isEmpty())
            MessageBox::warning(parent, MessageTitle, error);
        return false;
    }
    return true;
}

PrintResult PrintDrinkToIndexCard(QWidget* parent, const QString& drinkName, int servings)
{
    if (drinkName.trimmed().isEmpty())
        return cancelled();
    QPrinter printer(QPrinter::HighResolution);
    PrintService::prepareForCards(printer);
    printer.setDocName(documentName({drinkName}));
    if (!PrintService::choosePrinter(parent, printer))
        return cancelled();
    bool ok = false;
    const QList<Printing::RecipeRecord> records = ReadRecords(parent, {drinkName}, &ok, servings);
    if (!ok) {
        PrintResult r;
        r.outcome = Outcome::Failed;
        r.error = QStringLiteral("The drink could not be read.");
        return r;
    }
    if (FormattedPrint::Chosen())
        return report(parent, FormattedPrint::Print(printer, records, true));
    const int lead = Printing::MainWindowCardLeadingLines;
    return report(parent,
                  PrintService::printCards(printer, {Printing::IndexCardLines(records.first(), lead)}, lead));
}

PrintResult PrintIndexCards(QWidget* parent, const QStringList& drinkNames, Printing::CardSide side,
                            const std::function<void(const QString&)>& showDrink)
{
    if (drinkNames.isEmpty())
        return cancelled();
    QPrinter printer(QPrinter::HighResolution);
    PrintService::prepareForCards(printer);
    printer.setDocName(documentName(drinkNames));
    if (!PrintService::choosePrinter(parent, printer))
        return cancelled();
    bool ok = false;
    const QList<Printing::RecipeRecord> records = ReadRecords(parent, drinkNames, &ok);
    if (!ok) {
        PrintResult r;
        r.outcome = Outcome::Failed;
        r.error = QStringLiteral("The drinks could not be read.");
        return r;
    }
    if (FormattedPrint::Chosen()) {
        if (showDrink) {
            for (const Printing::RecipeRecord& r : records)
                showDrink(r.name);
        }
        return report(parent, FormattedPrint::Print(printer, records, true));
    }
    const int lead = Printing::CardLeadingLines(side);
    QList<QStringList> cards;
    for (const Printing::RecipeRecord& r : records) {
        if (showDrink)
            showDrink(r.name);
        cards.append(Printing::IndexCardLines(r, lead));
    }
    return report(parent, PrintService::printCards(printer, cards, lead));
}

PrintResult PrintRecordPages(QWidget* parent, const QList<Printing::RecipeRecord>& records)
{
    QPrinter printer(QPrinter::HighResolution);
    PrintService::prepareForPages(printer);
    QStringList names;
    for (const Printing::RecipeRecord& r : records)
        names << r.name;
    printer.setDocName(documentName(names));
    if (!PrintService::choosePrinter(parent, printer))
        return cancelled();
    return report(parent, FormattedPrint::Print(printer, records, false));
}

} // namespace PrintCommands
