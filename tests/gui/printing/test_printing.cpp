#include "PdfText.h"
#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "core/printing/PrintLayout.h"
#include "core/printing/PrintQueue.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/PrintCommands.h"
#include "gui/printing/PrintService.h"
#include "gui/printing/frmPrintList.h"

#include <QtPrintSupport>
#include <QtTest>

using namespace Printing;
using namespace Qt::StringLiterals;

class TestPrinting : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;
    // How the print dialog is answered: into this PDF file, with these copies and paper.
    struct Answer
    {
        QString pdf;
        int copies = 1;
        bool accept = true;
        std::optional<QPageSize> paper;
        int asked = 0;
        QString docName; // what the dialog offers as the PDF file's name
    } m_answer;

    static void tick(frmPrintList& window, std::initializer_list<int> rows)
    {
        for (int row : rows)
            window.drinks()->setData(window.drinks()->index(row), Qt::Checked, Qt::CheckStateRole);
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Gimlet"_s, {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}, {"1 tsp", "Sugar Syrup"}});
        addTestDrink(u"Screwdriver"_s, {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}}, u"Highball Glass"_s);
        DBLib::ExecuteSql(u"UPDATE Drinks SET Description = ?1 WHERE ID = 2"_s, {Lib::EncodeText(
            u"Shake the gin, lime juice and syrup hard with ice, strain into a chilled glass and garnish with lime."_s)});
        m_answer = Answer();
        m_answer.pdf = m_folder->file(u"out.pdf"_s);
        PrintService::setDialogHook([this](QPrinter& printer) {
            ++m_answer.asked;
            m_answer.docName = printer.docName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_answer.pdf);
            printer.setCopyCount(m_answer.copies);
            if (m_answer.paper)
                printer.setPageSize(*m_answer.paper);
            return m_answer.accept;
        });
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        PrintService::setDialogHook({});
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::PrintStyle, u"text"_s);
    }

    // Each copy is a document of its own with the whole text, and the print columns line up.
    void queuePrintout()
    {
        m_answer.copies = 3;
        bool ok = false;
        QStringList fileLines;
        for (const RecipeRecord& r : PrintCommands::ReadRecords(nullptr, {u"MARTINI"_s, u"GIMLET"_s}, &ok))
            fileLines << QueueRecordLines(r);
        const PrintResult result = PrintCommands::PrintQueueLines(nullptr, fileLines);
        QCOMPARE(result.documents, 3);
        const PdfText pdf = readPdf(m_answer.pdf);
        QCOMPARE(pdf.pages.size(), result.pages);
        const QList<PdfWord> martinis = pdf.find(u"MARTINI"_s);
        QCOMPARE(martinis.size(), 3);
        for (int copy = 0; copy < 3; ++copy)
            QCOMPARE(martinis.at(copy).page, 1 + copy * result.pages / 3);
        // Fixed pitch: "Description:" (Tab 6) is one column right of the name (Tab 5), Tab 8 three.
        const QRectF name = martinis.first().box;
        const auto columnsRightOfName = [&](const QString& word) {
            return (pdf.find(word).first().box.left() - name.left()) / (name.width() / 7);
        };
        QCOMPARE(qRound(columnsRightOfName(u"Description:"_s)), 1);
        QCOMPARE(qRound(columnsRightOfName(u"Shake"_s)), 3);
    }

    // Qt's Linux dialog offers a page range anyway; every printout prints all pages, so it is taken away.
    void realDialogOffersNoPageRange()
    {
        PrintService::setDialogHook({});
        bool inspected = false;
        bool rangeOffered = true;
        QTimer::singleShot(200, this, [&] {
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
        QCOMPARE(printer.printRange(), QPrinter::AllPages);
    }

    // One dialog, a card per ticked drink (the last too), each shown as it prints. A PDF file gets
    // card-sized pages whatever paper was chosen; a printer keeps the placement for the side.
    void indexCards_data()
    {
        QTest::addColumn<bool>("letterChosen");
        QTest::addColumn<bool>("rightSide");
        QTest::newRow("card paper, left") << false << false;
        QTest::newRow("letter, right") << true << true;
        QTest::newRow("letter, left") << true << false;
    }
    void indexCards()
    {
        QFETCH(bool, letterChosen);
        QFETCH(bool, rightSide);
        PrintQueue queue(m_folder->path());
        QStringList shown;
        frmPrintList window(nullptr, queue, {u"MARTINI"_s, u"GIMLET"_s, u"SCREWDRIVER"_s},
                            [&shown](const QString& name) { shown << name; });
        tick(window, {0, 2});
        child<QRadioButton>(&window, rightSide ? "OptionRightPrint" : "OptionLeftPrint")->click();
        if (letterChosen)
            m_answer.paper = QPageSize(QPageSize::Letter);
        child<QPushButton>(&window, "cmdPrintIndex")->click();
        QCOMPARE(m_answer.asked, 1);
        QCOMPARE(shown, (QStringList{u"GIMLET"_s, u"SCREWDRIVER"_s}));
        const PdfText pdf = readPdf(m_answer.pdf);
        const QRectF card(0, 0, 360, 216);
        QCOMPARE(pdf.pages, (QList<QSizeF>{card.size(), card.size()}));
        double right = 0;
        for (const PdfWord& w : pdf.words) {
            QVERIFY2(card.contains(w.box), qPrintable(w.text));
            right = std::max(right, w.box.right());
        }
        QVERIFY(right > 4 * 72); // fitted to the card's width, not drawn at the smallest size
        const QRectF gimlet = pdf.find(u"GIMLET"_s).first().box, screwdriver = pdf.find(u"SCREWDRIVER"_s).first().box;
        QCOMPARE(pdf.find(u"SCREWDRIVER"_s).first().page, 2);
        QVERIFY(qAbs(gimlet.top() - screwdriver.top()) < 0.5 && gimlet.top() < card.top() + 72);
        QCOMPARE(pdf.find(u"lime."_s).size(), 1); // the end of GIMLET's directions
        QCOMPARE(pdf.find(u"Fill"_s).size(), 1);  // SCREWDRIVER's "Fill with Orange Juice"
        QCOMPARE(m_answer.docName, u"Drinks"_s);

        // On a Letter page in a printer the card runs along the bottom (left side) or top (right).
        QPrinter printer;
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageOrientation(QPageLayout::Landscape);
        const QStringList lines{u"GIMLET"_s, u"2 oz Gin"_s};
        const int lead = Printing::CardLeadingLines(rightSide ? Printing::CardSide::Right : Printing::CardSide::Left);
        const QRectF area = PrintService::planCard(printer, QStringList(lead, QString()) + lines, lead).cardArea;
        QCOMPARE(area.size(), QSizeF(360, 216));
        QVERIFY2(qAbs(area.top() - (rightSide ? 0 : 612 - 216)) < 3, qPrintable(QString::number(area.top())));
    }

    void mainWindowCommands()
    {
        // No drink shown, nothing collected, the dialog cancelled: nothing happens.
        QCOMPARE(PrintCommands::PrintDrinkToIndexCard(nullptr, u" "_s).outcome, Outcome::Cancelled);
        PrintQueue queue(m_folder->path());
        QCOMPARE(PrintCommands::PrintPrintList(nullptr, queue).outcome, Outcome::Cancelled);
        QVERIFY(!PrintCommands::AddDrinkToPrintList(nullptr, queue, u" "_s));
        QCOMPARE(m_answer.asked, 0);
        m_answer.accept = false;
        QCOMPARE(PrintCommands::PrintDrinkToIndexCard(nullptr, u"SCREWDRIVER"_s).outcome, Outcome::Cancelled);
        QVERIFY(!QFile::exists(m_answer.pdf) && MessageBox::history().isEmpty());
        // A file that cannot be written is a failure, told with its name.
        m_answer.accept = true;
        const QString goodPdf = std::exchange(m_answer.pdf, m_folder->file(u"no such folder/x.pdf"_s));
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QCOMPARE(PrintCommands::PrintIngredientList(nullptr, u"Shopping List"_s, {}).outcome, Outcome::Failed);
        QVERIFY(MessageBox::history().value(0).text.contains(m_answer.pdf));
        m_answer.pdf = goodPdf;

        // One card, offered under the drink's name.
        m_answer.paper = QPageSize(QPageSize::Letter);
        QCOMPARE(PrintCommands::PrintDrinkToIndexCard(nullptr, u"SCREWDRIVER"_s).documents, 1);
        QVERIFY(readPdf(m_answer.pdf).pages == QList<QSizeF>{QSizeF(360, 216)} && m_answer.docName == u"SCREWDRIVER"_s);

        QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"SCREWDRIVER"_s) &&
                PrintCommands::AddDrinkToPrintList(nullptr, queue, u"MARTINI"_s));
        const QStringList collected = queue.readLines();
        m_answer.copies = 2;
        QCOMPARE(PrintCommands::PrintPrintList(nullptr, queue).documents, 2);
        // Collected order; the collecting goes on with the file untouched.
        const PdfText pdf = readPdf(m_answer.pdf);
        QCOMPARE(pdf.find(u"MARTINI"_s).size(), 2);
        QVERIFY(pdf.find(u"SCREWDRIVER"_s).first().box.top() < pdf.find(u"MARTINI"_s).first().box.top());
        QVERIFY(queue.isCollecting() && queue.readLines() == collected && MessageBox::history().size() == 1);
    }

    void selectionWindowControls()
    {
        PrintQueue queue(m_folder->path());
        frmPrintList window(nullptr, queue, {u"SCREWDRIVER"_s, u"GIMLET"_s, u"MARTINI"_s});
        window.show();
        auto* list = child<QListView>(&window, "lstPrintDrinks");
        // How many of the five print controls are on.
        const auto printing = [&] {
            const char* names[] = {"cmdPrintRegular", "cmdPreview", "cmdPrintIndex", "OptionLeftPrint", "OptionRightPrint"};
            return std::count_if(std::begin(names), std::end(names), [&](const char* n) { return child<QWidget>(&window, n)->isEnabled(); });
        };
        QCOMPARE(printing(), 0);
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(window.drinks()->tickedNames(), QStringList{u"MARTINI"_s}); // alphabetical
        QCOMPARE(printing(), 5);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(printing(), 0);
        child<QPushButton>(&window, "Command1")->click();
        QCOMPARE(window.drinks()->tickedNames(), (QStringList{u"GIMLET"_s, u"MARTINI"_s, u"SCREWDRIVER"_s}));
        QCOMPARE(printing(), 5);
        QVERIFY(window.drinks()->setData(window.drinks()->index(0), Qt::Checked, Qt::CheckStateRole)); // no change
        child<QPushButton>(&window, "Command2")->click();
        QCOMPARE(window.drinks()->tickedCount() + printing(), 0);
    }

    // The ticked drinks (the last too) in list order; the queue file is rewritten unless collecting.
    void regularPrinting_data()
    {
        QTest::addColumn<bool>("collecting");
        QTest::newRow("queue idle") << false;
        QTest::newRow("main window collecting") << true;
    }
    void regularPrinting()
    {
        QFETCH(bool, collecting);
        PrintQueue queue(m_folder->path());
        if (collecting)
            QVERIFY(PrintCommands::AddDrinkToPrintList(nullptr, queue, u"GIMLET"_s));
        frmPrintList window(nullptr, queue, {u"SCREWDRIVER"_s, u"MARTINI"_s, u"GIMLET"_s});
        tick(window, {1, 2});
        m_answer.copies = 2;
        child<QPushButton>(&window, "cmdPrintRegular")->click();
        const PdfText pdf = readPdf(m_answer.pdf);
        QCOMPARE(QList<qsizetype>({pdf.find(u"MARTINI"_s).size(), pdf.find(u"SCREWDRIVER"_s).size(), pdf.find(u"GIMLET"_s).size()}),
                 QList<qsizetype>({2, 2, 0}));
        QVERIFY(pdf.find(u"MARTINI"_s).first().box.top() < pdf.find(u"SCREWDRIVER"_s).first().box.top());
        QCOMPARE(queue.isCollecting(), collecting);
        const QStringList names = queue.readLines().filter(QRegularExpression(u"^ {4}[A-Z]+$"_s));
        QCOMPARE(names, collecting ? QStringList{u"    GIMLET"_s} : (QStringList{u"    MARTINI"_s, u"    SCREWDRIVER"_s}));
        QVERIFY(MessageBox::history().isEmpty());
    }

    // The formatted style: a heading larger than the table's text, the amounts beside their
    // ingredients, the directions, the glass; a page per drink, or a card-sized page per card.
    void formattedStyle_data()
    {
        QTest::addColumn<bool>("cards");
        QTest::newRow("pages") << false;
        QTest::newRow("cards") << true;
    }
    void formattedStyle()
    {
        QFETCH(bool, cards);
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::PrintStyle, u"formatted"_s);
        PrintQueue queue(m_folder->path());
        frmPrintList window(nullptr, queue, {u"SCREWDRIVER"_s, u"GIMLET"_s});
        tick(window, {0, 1});
        child<QPushButton>(&window, cards ? "cmdPrintIndex" : "cmdPrintRegular")->click();
        QVERIFY(MessageBox::history().isEmpty());
        const PdfText pdf = readPdf(m_answer.pdf);
        QCOMPARE(pdf.pages.size(), 2);
        QCOMPARE(pdf.pages.first(), cards ? QSizeF(360, 216) : pdf.pages.first());
        if (!cards)
            QVERIFY(pdf.pages.first().height() > 600);
        const PdfWord heading = pdf.find(u"GIMLET"_s).value(0);
        const QList<PdfWord> gin = pdf.find(u"Gin"_s), syrup = pdf.find(u"Syrup"_s);
        QVERIFY(!gin.isEmpty() && !syrup.isEmpty());
        QCOMPARE(heading.page, 1);
        QVERIFY(heading.box.height() > gin.first().box.height() * 1.3);
        // "1 tsp" and "Sugar Syrup" share a row of the table, the amount on the left.
        const PdfWord tsp = pdf.find(u"tsp"_s).value(0);
        QVERIFY(qAbs(tsp.box.center().y() - syrup.first().box.center().y()) < 2 && tsp.box.right() < syrup.first().box.left());
        QCOMPARE(pdf.find(u"lime."_s).size(), 1);
        QCOMPARE(pdf.find(u"Highball"_s).value(0).page, 2);
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
