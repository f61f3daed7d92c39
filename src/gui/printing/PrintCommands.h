#pragma once

#include "core/printing/PrintLayout.h"
#include "gui/printing/PrintService.h"

#include <QStringList>
#include <functional>

class PrintQueue;
class QWidget;

// The program's printouts, each with its print dialog and its messages. Every command returns what
// happened; failures have already been told to the user, and cancelling is not a failure.
namespace PrintCommands {

// The stock or shopping list: empty line, Tab 3 title, Tab 6 each entry, on pages.
Printing::PrintResult PrintIngredientList(QWidget* parent, const QString& title, const QStringList& entries);

// The lines of a queue file: the dialog, then one document per copy chosen there.
Printing::PrintResult PrintQueueLines(QWidget* parent, const QStringList& fileLines);

// The drinks collected in the queue ("Print Drinks in Print List"): the queue file printed as above.
// Nothing happens, not even the dialog, while the queue is not collecting.
Printing::PrintResult PrintPrintList(QWidget* parent, const PrintQueue& queue);

// Appends the drink, read from the recipe database, to the queue (main window, "Add Drink to Print
// List"). Nothing happens for an empty name.
bool AddDrinkToPrintList(QWidget* parent, PrintQueue& queue, const QString& drinkName, int servings = 1);

// One index card for the drink, laid out as for left side printing ("Print Drink to Index Card").
Printing::PrintResult PrintDrinkToIndexCard(QWidget* parent, const QString& drinkName, int servings = 1);

// One card per drink, in order, after one print dialog. showDrink, when given, is called with each
// drink's name before its card is printed, so the main window can show the recipe being printed.
Printing::PrintResult PrintIndexCards(QWidget* parent, const QStringList& drinkNames, Printing::CardSide side,
                                      const std::function<void(const QString&)>& showDrink = {});

// The drinks on pages in the formatted style, one drink to a page, after one print dialog.
Printing::PrintResult PrintRecordPages(QWidget* parent, const QList<Printing::RecipeRecord>& records);

// The drinks' records, read from the recipe database; an empty list after telling the user when a
// drink cannot be read.
QList<Printing::RecipeRecord> ReadRecords(QWidget* parent, const QStringList& drinkNames, bool* ok, int servings = 1);

} // namespace PrintCommands
