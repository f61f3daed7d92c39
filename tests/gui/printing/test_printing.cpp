#include "TestSupport.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/PrintCommands.h"
#include "core/printing/PrintLayout.h"
#include "core/printing/PrintQueue.h"
#include "gui/printing/PrintService.h"
#include "gui/printing/frmPrintList.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QListView>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace Printing;

using namespace Qt::StringLiterals;

namespace {

// One word of a PDF page as poppler's pdftotext -bbox reports it, in points.
struct PdfWord
{
    int page;
    QRectF box;
    QString text;
};

bool havePoppler()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() &&
           !QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty();
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return u"<%1 failed: %2>"_s.arg(program, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<PdfWord> pdfWords(const QString& path)
{
    const QString html = run(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
    QList<PdfWord> words;
    int page = 0;
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
        words.append({page,
                      QRectF(QPointF(x0, y0), QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                      m.captured(5).replace(QLatin1String("&amp;"), QLatin1String("&"))});
    }
    return words;
}

QString pdfInfo(const QString& path, const QString& key)
{
    const QString info = run(u"pdfinfo"_s, {path});
    const QRegularExpression re(u"^%1:\\s*(.*)$"_s.arg(key), QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

int pdfPages(const QString& path)
{
    return pdfInfo(path, u"Pages"_s).toInt();
}

QString pdfText(const QString& path)
{
    return run(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
}

QList<PdfWord> wordsNamed(const QList<PdfWord>& words, const QString& text)
{
    QList<PdfWord> out;
    for (const PdfWord& w : words) {
        if (w.text == text)
            out.append(w);
    }
    return out;
}

// Answers the print dialog: print into the PDF file with the given copies and paper.
struct DialogAnswer
{
    QString pdfPath;
    int copies = 1;
    bool accept = true;
    std::optional<QPageSize> paper;
    int asked = 0;
};

DialogAnswer* answer = nullptr;

void installHook()
{
    PrintService::setDialogHook([](QPrinter& printer) {
        ++answer->asked;
        if (!answer->accept)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer->pdfPath);
        printer.setCopyCount(answer->copies);
        if (answer->paper)
            printer.setPageSize(*answer->paper);
        return true;
    });
}

QPageSize letter()
{
    return QPageSize(QPageSize::Letter);
}

QPageSize cardPaper()
{
    return QPageSize(QSizeF(3, 5), QPageSize::Inch, u"Index Card 3 x 5 in"_s, QPageSize::ExactMatch);
}

QStringList allNames(QAbstractItemModel* model)
{
    QStringList out;
    for (int i = 0; i < model->rowCount(); ++i)
        out << model->index(i, 0).data().toString();
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<TestSettings> m_settings;
    DialogAnswer m_answer;

    QString pdf(const QString& name) const { return m_folder->file(name + u".pdf"_s); }

    void requirePoppler()
    {
        if (!havePoppler())
            QFAIL("pdftotext and pdfinfo (Debian package poppler-utils) are needed to read the printed PDF "
                  "files.");
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Gimlet"_s, {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}, {"1 tsp", "Sugar Syrup"}});
        addTestDrink(u"Screwdriver"_s, {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}},
                     u"Highball Glass"_s);
        DBLib::ExecuteSql(
            u"UPDATE Drinks SET Description = ?1 WHERE ID = 2"_s,
            {Lib::EncodeText(QStringLiteral("Shake the gin, lime juice and syrup hard with cracked ice for "
                                            "a good ten seconds, then strain into a chilled cocktail "
                                            "glass and garnish with a wheel of lime."))});
        m_answer = DialogAnswer();
        answer = &m_answer;
        installHook();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        PrintService::setDialogHook({});
        answer = nullptr;
        MessageBox::setAutoAnswer(false);
        m_folder.reset();
        m_settings.reset();
    }

    void queuePrintoutColumnsAndCopies_data()
    {
        QTest::addColumn<int>("copies");
        QTest::newRow("one copy") << 1;
        QTest::newRow("two copies") << 2;
        QTest::newRow("three copies") << 3;
    }
    void queuePrintoutColumnsAndCopies()
    {
        requirePoppler();
        QFETCH(int, copies);
        m_answer.pdfPath = pdf(u"queue"_s);
        m_answer.copies = copies;
        bool ok = false;
        const QList<RecipeRecord> records =
            PrintCommands::ReadRecords(nullptr, {u"MARTINI"_s, u"GIMLET"_s}, &ok);
        QVERIFY(ok);
        QStringList fileLines;
        for (const RecipeRecord& r : records)
            fileLines << QueueRecordLines(r);

        const PrintResult result = PrintCommands::PrintQueueLines(nullptr, fileLines);
        QCOMPARE(int(result.outcome), int(Outcome::Printed));
        QCOMPARE(result.documents, copies);
        QCOMPARE(pdfPages(m_answer.pdfPath), result.pages);
        QCOMPARE(result.pages % copies, 0);

        // Every copy holds the whole text; each starts on a page of its own.
        const QList<PdfWord> words = pdfWords(m_answer.pdfPath);
        const QList<PdfWord> martinis = wordsNamed(words, u"MARTINI"_s);
        QCOMPARE(martinis.size(), copies);
        for (int c = 0; c < copies; ++c)
            QCOMPARE(martinis.at(c).page, 1 + c * (result.pages / copies));

        // Print columns line up: Tab 4 then Tab 5 puts the name in column 8, Tab 6 the recipe
        // lines in column 9, Tab 8 the description in column 11.
        QPrinter printer(QPrinter::HighResolution);
        PrintService::prepareForPages(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const Plan plan = PrintService::planPages(printer, QueuePrintLines(fileLines));
        const double left = printer.pageLayout().paintRect(QPageLayout::Point).left();
        const auto columnOf = [&](const PdfWord& w) {
            return qRound((w.box.left() - left) / plan.columnWidth) + 1;
        };
        QCOMPARE(columnOf(martinis.first()), 8);
        QCOMPARE(columnOf(wordsNamed(words, u"Dry"_s).first()) - 7, 9); // "1/2 oz Dry"
        QCOMPARE(columnOf(wordsNamed(words, u"Description:"_s).first()), 9);
        QCOMPARE(columnOf(wordsNamed(words, u"Shake"_s).first()), 11);
        QCOMPARE(columnOf(wordsNamed(words, u"Glass"_s).first()), 9);
        QVERIFY(pdfText(m_answer.pdfPath).contains(u"Glass Type: Cocktail Glass"_s));
    }

    void longTextFlowsOverPages()
    {
        requirePoppler();
        m_answer.pdfPath = pdf(u"long"_s);
        QStringList entries;
        for (int i = 1; i <= 150; ++i)
            entries << u"Ingredient %1"_s.arg(i);
        const PrintResult result =
            PrintCommands::PrintIngredientList(nullptr, u"Current Stock List"_s, entries);
        QCOMPARE(int(result.outcome), int(Outcome::Printed));
        QCOMPARE(result.documents, 1);
        QVERIFY(result.pages >= 2);
        QCOMPARE(pdfPages(m_answer.pdfPath), result.pages);
        const QString text = pdfText(m_answer.pdfPath);
        QVERIFY(text.contains(u"Ingredient 1\n"_s) || text.contains(u"Ingredient 1 "_s));
        QVERIFY(text.contains(u"Ingredient 150"_s));
    }

    void cancelAndFailure_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("messages");
        QTest::newRow("cancelled") << false << u"cancel.pdf"_s << int(Outcome::Cancelled) << 0;
        QTest::newRow("file cannot be written")
            << true << u"no such folder/x.pdf"_s << int(Outcome::Failed) << 1;
    }
    void cancelAndFailure()
    {
        QFETCH(bool, accept);
        QFETCH(QString, path);
        QFETCH(int, outcome);
        QFETCH(int, messages);
        m_answer.accept = accept;
        m_answer.pdfPath = m_folder->file(path);
        if (outcome == int(Outcome::Failed))
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        const PrintResult result = PrintCommands::PrintIngredientList(nullptr, u"Shopping List"_s, {});
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(m_answer.asked, 1);
        QVERIFY(!QFile::exists(m_answer.pdfPath));
        QCOMPARE(MessageBox::history().size(), messages);
        if (messages > 0) {
            QVERIFY(MessageBox::history().first().text.contains(u"could not be completed"_s));
            QVERIFY(MessageBox::history().first().text.contains(path));
        }
    }

    void realDialogOffersNoPageRange()
    {
        // The real dialog (no hook): every printout prints all its pages, so the dialog must not
        // let the user pick a range. Cancelling it is a cancellation.
        PrintService::setDialogHook({});
        bool inspected = false;
        bool rangeOffered = true;
        QTimer::singleShot(200, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            inspected = true;
            auto* range = dialog->findChild<QWidget*>(u"printRange"_s);
            rangeOffered = !range || range->isEnabled();
            dialog->reject();
        });
        QPrinter printer;
        QVERIFY(!PrintService::choosePrinter(nullptr, printer));
        QVERIFY(inspected);
        QVERIFY(!rangeOffered);
        QCOMPARE(int(printer.printRange()), int(QPrinter::AllPages));
    }

    void cardPlacement_data()
    {
        QTest::addColumn<bool>("cardSized");
        QTest::addColumn<int>("side");
        QTest::newRow("card paper, left") << true << int(CardSide::Left);
        QTest::newRow("card paper, right") << true << int(CardSide::Right);
        QTest::newRow("letter path, left") << false << int(CardSide::Left);
        QTest::newRow("letter path, right") << false << int(CardSide::Right);
    }
    void cardPlacement()
    {
        requirePoppler();
        QFETCH(bool, cardSized);
        QFETCH(int, side);
        m_answer.pdfPath = pdf(u"card"_s);
        m_answer.paper = cardSized ? cardPaper() : letter();
        const PrintResult result =
            PrintCommands::PrintIndexCards(nullptr, {u"GIMLET"_s, u"MARTINI"_s}, CardSide(side));
        QCOMPARE(int(result.outcome), int(Outcome::Printed));
        QCOMPARE(result.documents, 2);
        QCOMPARE(pdfPages(m_answer.pdfPath), 2);
        const QString size = pdfInfo(m_answer.pdfPath, u"Page size"_s);
        QVERIFY2(size.startsWith(cardSized ? QLatin1String("360 x 216") : QLatin1String("792 x 612")),
                 qPrintable(size));

        // The card: 5 x 3 inches along the top (right side) or the bottom (left side) of a landscape
        // letter page, or the whole page when the paper is the card.
        QRectF card(0, 0, 360, 216);
        if (!cardSized && CardSide(side) == CardSide::Left)
            card.moveTop(612 - 216);
        const QList<PdfWord> words = pdfWords(m_answer.pdfPath);
        QVERIFY(words.size() > 20);
        for (const PdfWord& w : words)
            QVERIFY2(card.contains(w.box),
                     qPrintable(u"%1 at %2,%3"_s.arg(w.text).arg(w.box.left()).arg(w.box.top())));
        QCOMPARE(wordsNamed(words, u"GIMLET"_s).first().page, 1);
        QCOMPARE(wordsNamed(words, u"MARTINI"_s).first().page, 2);
        // Both cards start at the same height.
        QVERIFY(qAbs(wordsNamed(words, u"GIMLET"_s).first().box.top() -
                     wordsNamed(words, u"MARTINI"_s).first().box.top()) < 0.5);
        const QString text = pdfText(m_answer.pdfPath);
        QVERIFY(text.contains(u"Glass Type: Cocktail Glass"_s));
        QVERIFY(text.contains(u"garnish with a wheel of lime."_s));
    }

    void indexCardFromMainWindow()
    {
        requirePoppler();
        m_answer.pdfPath = pdf(u"main"_s);
        // No drink shown: nothing happens, not even the dialog.
        QCOMPARE(int(PrintCommands::PrintDrinkToIndexCard(nullptr, QString()).outcome),
                 int(Outcome::Cancelled));
        QCOMPARE(m_answer.asked, 0);

        const PrintResult result = PrintCommands::PrintDrinkToIndexCard(nullptr, u"SCREWDRIVER"_s);
        QCOMPARE(int(result.outcome), int(Outcome::Printed));
        QCOMPARE(result.documents, 1);
        QCOMPARE(pdfPages(m_answer.pdfPath), 1);
        QVERIFY(pdfText(m_answer.pdfPath).contains(u"Fill with Orange Juice"_s));
    }

    void addDrinkToPrintList()
    {
        PrintQueue queue(m_folder->path());
        QVERIFY(!PrintCommands::AddDrinkToPrintList(nullptr, queue, QString()));
        QVERIFY(!queue.isCollecting());
        QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"MARTINI"_s));
        QCOMPARE(queue.readLines().at(1), u"    MARTINI"_s);
        QCOMPARE(queue.readLines().at(2), u"     2 oz Gin"_s);
        QVERIFY(!PrintCommands::AddDrinkToPrintList(nullptr, queue, u"NOT A DRINK"_s));
        QCOMPARE(queue.count(), 1);
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(MessageBox::history().first().text.contains(u"NOT A DRINK"_s));
    }

    void printCollectedList()
    {
        requirePoppler();
        PrintQueue queue(m_folder->path());
        // Not collecting: no dialog, nothing printed.
        QCOMPARE(int(PrintCommands::PrintPrintList(nullptr, queue).outcome), int(Outcome::Cancelled));
        QCOMPARE(m_answer.asked, 0);

        QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"SCREWDRIVER"_s));
        QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"MARTINI"_s));
        const QByteArray before = fileBytes(queue.filePath());
        m_answer.pdfPath = pdf(u"collected"_s);
        m_answer.copies = 2;
        const PrintResult result = PrintCommands::PrintPrintList(nullptr, queue);
        QCOMPARE(int(result.outcome), int(Outcome::Printed));
        QCOMPARE(result.documents, 2);
        const QList<PdfWord> words = pdfWords(m_answer.pdfPath);
        QCOMPARE(wordsNamed(words, u"SCREWDRIVER"_s).size(), 2);
        QCOMPARE(wordsNamed(words, u"MARTINI"_s).size(), 2);
        // Collected order, and the collecting goes on with the file untouched.
        QVERIFY(wordsNamed(words, u"SCREWDRIVER"_s).first().box.top() <
                wordsNamed(words, u"MARTINI"_s).first().box.top());
        QVERIFY(queue.isCollecting());
        QCOMPARE(fileBytes(queue.filePath()), before);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void selectionWindowControls()
    {
        PrintQueue queue(m_folder->path());
        frmPrintList window(nullptr, queue, {u"SCREWDRIVER"_s, u"GIMLET"_s, u"MARTINI"_s});
        window.show();
        QCOMPARE(window.windowTitle(), u"Drink Print Selection"_s);
        auto* list = window.findChild<QListView*>(u"lstPrintDrinks"_s);
        auto* selectAll = window.findChild<QPushButton*>(u"Command1"_s);
        auto* clearAll = window.findChild<QPushButton*>(u"Command2"_s);
        auto* regular = window.findChild<QPushButton*>(u"cmdPrintRegular"_s);
        auto* frame = window.findChild<QGroupBox*>(u"Frame1"_s);
        auto* index = window.findChild<QPushButton*>(u"cmdPrintIndex"_s);
        auto* left = window.findChild<QRadioButton*>(u"OptionLeftPrint"_s);
        auto* right = window.findChild<QRadioButton*>(u"OptionRightPrint"_s);
        auto* exitButton = window.findChild<QPushButton*>(u"Command3"_s);
        QVERIFY(list && selectAll && clearAll && regular && frame && index && left && right && exitButton);
        QCOMPARE(selectAll->text(), u"Select All"_s);
        QCOMPARE(clearAll->text(), u"Clear All"_s);
        QCOMPARE(regular->text(), u"Print Selected Drinks"_s);
        QCOMPARE(index->text(), u"Print Selected Drinks to  3X5 Index Cards"_s);
        QCOMPARE(left->text(), u"Left Side Printing"_s);
        QCOMPARE(right->text(), u"Right Side Printing"_s);
        QCOMPARE(exitButton->text(), u"Exit/Close"_s);
        QCOMPARE(index->parentWidget(), frame);
        QCOMPARE(left->parentWidget(), frame);
        QVERIFY(left->isChecked());

        // Alphabetical, nothing ticked, print controls off.
        QCOMPARE(allNames(list->model()), (QStringList{u"GIMLET"_s, u"MARTINI"_s, u"SCREWDRIVER"_s}));
        QCOMPARE(window.drinks()->tickedCount(), 0);
        const QList<QWidget*> printControls = {regular, index, left, right};
        for (QWidget* w : printControls)
            QVERIFY(!w->isEnabled());

        // Ticking one entry with the keyboard turns them on within half a second; unticking off.
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(window.drinks()->tickedNames(), QStringList{u"MARTINI"_s});
        QVERIFY(regular->isEnabled() && index->isEnabled() && left->isEnabled() && right->isEnabled());
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!regular->isEnabled() && !index->isEnabled() && !left->isEnabled() && !right->isEnabled());

        selectAll->click();
        QCOMPARE(window.drinks()->tickedCount(), 3);
        QVERIFY(regular->isEnabled() && right->isEnabled());
        clearAll->click();
        QCOMPARE(window.drinks()->tickedCount(), 0);
        QVERIFY(!regular->isEnabled() && !index->isEnabled());

        // Esc is Exit/Close.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }

    void regularPrinting_data()
    {
        QTest::addColumn<bool>("collecting");
        QTest::newRow("queue idle") << false;
        QTest::newRow("main window collecting") << true;
    }
    void regularPrinting()
    {
        requirePoppler();
        QFETCH(bool, collecting);
        PrintQueue queue(m_folder->path());
        if (collecting)
            QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"SCREWDRIVER"_s));
        const QByteArray before = fileBytes(queue.filePath());

        frmPrintList window(nullptr, queue, {u"SCREWDRIVER"_s, u"MARTINI"_s, u"GIMLET"_s});
        window.show();
        window.drinks()->setData(window.drinks()->index(0), Qt::Checked, Qt::CheckStateRole); // GIMLET
        window.drinks()->setData(window.drinks()->index(1), Qt::Checked, Qt::CheckStateRole); // MARTINI
        auto* regular = window.findChild<QPushButton*>(u"cmdPrintRegular"_s);
        QTRY_VERIFY_WITH_TIMEOUT(regular->isEnabled(), 1200);
        m_answer.pdfPath = pdf(u"regular"_s);
        m_answer.copies = 2;
        regular->click();

        QCOMPARE(int(window.lastResult().outcome), int(Outcome::Printed));
        QCOMPARE(window.lastResult().documents, 2);
        const QList<PdfWord> words = pdfWords(m_answer.pdfPath);
        QCOMPARE(wordsNamed(words, u"GIMLET"_s).size(), 2);
        QCOMPARE(wordsNamed(words, u"MARTINI"_s).size(), 2);
        QVERIFY(wordsNamed(words, u"SCREWDRIVER"_s).isEmpty());
        // Read from the database, in list order.
        QVERIFY(wordsNamed(words, u"GIMLET"_s).first().box.top() <
                wordsNamed(words, u"MARTINI"_s).first().box.top());

        bool ok = false;
        const QList<RecipeRecord> records =
            PrintCommands::ReadRecords(nullptr, {u"GIMLET"_s, u"MARTINI"_s}, &ok);
        QVERIFY(ok);
        if (collecting) {
            // The collected drink stays in the queue file, which is still being collected into.
            QCOMPARE(fileBytes(queue.filePath()), before);
            QVERIFY(queue.isCollecting());
            QCOMPARE(queue.count(), 1);
        } else {
            QCOMPARE(
                fileBytes(queue.filePath()),
                (JoinFileLines(QueueRecordLines(records.at(0)) + QueueRecordLines(records.at(1)))).toUtf8());
        }
        QVERIFY(MessageBox::history().isEmpty());
    }

    void regularPrintingOfAVanishedDrink()
    {
        PrintQueue queue(m_folder->path());
        frmPrintList window(nullptr, queue, {u"MARTINI"_s, u"GIMLET"_s});
        window.show();
        window.findChild<QPushButton*>(u"Command1"_s)->click();
        DBLib::ExecuteSql(u"DELETE FROM Drinks WHERE ID = 1"_s);
        auto* regular = window.findChild<QPushButton*>(u"cmdPrintRegular"_s);
        QTRY_VERIFY_WITH_TIMEOUT(regular->isEnabled(), 1200);
        m_answer.pdfPath = pdf(u"vanished"_s);
        regular->click();
        QCOMPARE(m_answer.asked, 0);
        QVERIFY(!QFile::exists(m_answer.pdfPath));
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(MessageBox::history().first().text.contains(u"MARTINI"_s));
        QVERIFY(window.isVisible());
        QVERIFY(regular->isEnabled());
    }

    void indexCardsFromSelection_data()
    {
        QTest::addColumn<bool>("rightSide");
        QTest::newRow("left side") << false;
        QTest::newRow("right side") << true;
    }
    void indexCardsFromSelection()
    {
        requirePoppler();
        QFETCH(bool, rightSide);
        PrintQueue queue(m_folder->path());
        QStringList shown;
        frmPrintList window(nullptr, queue, {u"MARTINI"_s, u"GIMLET"_s, u"SCREWDRIVER"_s},
                            [&shown](const QString& name) { shown << name; });
        window.show();
        window.drinks()->setData(window.drinks()->index(0), Qt::Checked, Qt::CheckStateRole);
        window.drinks()->setData(window.drinks()->index(2), Qt::Checked, Qt::CheckStateRole);
        auto* index = window.findChild<QPushButton*>(u"cmdPrintIndex"_s);
        auto* right = window.findChild<QRadioButton*>(u"OptionRightPrint"_s);
        QTRY_VERIFY_WITH_TIMEOUT(index->isEnabled() && right->isEnabled(), 1200);
        if (rightSide)
            right->click();
        m_answer.pdfPath = pdf(u"cards"_s);
        m_answer.paper = letter();
        index->click();

        QCOMPARE(m_answer.asked, 1); // one dialog for all cards
        QCOMPARE(int(window.lastResult().outcome), int(Outcome::Printed));
        QCOMPARE(window.lastResult().documents, 2);
        QCOMPARE(shown, (QStringList{u"GIMLET"_s, u"SCREWDRIVER"_s}));
        QCOMPARE(pdfPages(m_answer.pdfPath), 2);
        const QList<PdfWord> words = pdfWords(m_answer.pdfPath);
        const PdfWord gimlet = wordsNamed(words, u"GIMLET"_s).first();
        const PdfWord screwdriver = wordsNamed(words, u"SCREWDRIVER"_s).first();
        QCOMPARE(gimlet.page, 1);
        QCOMPARE(screwdriver.page, 2);
        QVERIFY(qAbs(gimlet.box.top() - screwdriver.box.top()) < 0.5);
        if (rightSide)
            QVERIFY(gimlet.box.top() < 72);
        else
            QVERIFY(gimlet.box.top() > 612 - 216);
    }

    void previewOpens()
    {
        PrintQueue queue(m_folder->path());
        frmPrintList window(nullptr, queue, {u"MARTINI"_s});
        window.show();
        window.findChild<QPushButton*>(u"Command1"_s)->click();
        auto* preview = window.findChild<QPushButton*>(u"cmdPreview"_s);
        QTRY_VERIFY_WITH_TIMEOUT(preview->isEnabled(), 1200);
        preview->click();
        QTRY_VERIFY(window.findChild<QPrintPreviewDialog*>() != nullptr);
        auto* dialog = window.findChild<QPrintPreviewDialog*>();
        QVERIFY(dialog->isVisible());
        QVERIFY(!QFile::exists(queue.filePath())); // previewing writes nothing
        dialog->close();
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
