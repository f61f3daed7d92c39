#include "TestSupport.h"
#include "core/printing/PrintLayout.h"
#include "core/printing/PrintQueue.h"
#include "core/store/DBLib.h"
#include "core/printing/PrintRecord.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Printing;

using namespace Qt::StringLiterals;

namespace {

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString repeated(char c, int n)
{
    return QString(n, QLatin1Char(c));
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// Two recipes whose expected records are spelled out in full below.
RecipeRecord martini()
{
    return {u"MARTINI"_s,
            {u"2 oz Gin"_s, u"1/2 oz Dry Vermouth"_s},
            u"Stir with ice and strain."_s,
            u"Cocktail Glass"_s};
}

RecipeRecord plainWater()
{
    return {u"PLAIN WATER"_s, {u"Water"_s}, QString(), u"Highball Glass"_s};
}

const QStringList MartiniRecord = {
    QString(),
    u"    MARTINI"_s,
    u"     2 oz Gin"_s,
    u"     1/2 oz Dry Vermouth"_s,
    u"     Description:"_s,
    u"       Stir with ice and strain."_s,
    u"       "_s,
    u"     Glass Type: Cocktail Glass"_s,
    QString(),
    QString(),
};

const QStringList PlainWaterRecord = {
    QString(),
    u"    PLAIN WATER"_s,
    u"     Water"_s,
    u"     Description:"_s,
    u"     Glass Type: Highball Glass"_s,
    QString(),
    QString(),
};

QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Ops: "T<n>" Tab n, "P<text>" print, "E" end line.
    void tab_data()
    {
        QTest::addColumn<QStringList>("ops");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("before the column")
            << QStringList{u"T5"_s, u"PAB"_s, u"E"_s} << QStringList{u"    AB"_s};
        QTest::newRow("at the column")
            << QStringList{u"PABCD"_s, u"T5"_s, u"PX"_s, u"E"_s} << QStringList{u"ABCDX"_s};
        QTest::newRow("past the column")
            << QStringList{u"PABCDEF"_s, u"T5"_s, u"PX"_s, u"E"_s} << QStringList{u"ABCDEF"_s, u"    X"_s};
        QTest::newRow("one past the column")
            << QStringList{u"PABCDE"_s, u"T5"_s, u"PX"_s, u"E"_s} << QStringList{u"ABCDE"_s, u"    X"_s};
        QTest::newRow("tab 1 on a fresh line")
            << QStringList{u"T1"_s, u"PA"_s, u"E"_s} << QStringList{u"A"_s};
        QTest::newRow("two tabs to one column")
            << QStringList{u"T8"_s, u"T8"_s, u"E"_s} << QStringList{blanks(7)};
        QTest::newRow("tabs along a line")
            << QStringList{u"T3"_s, u"Pab"_s, u"T10"_s, u"Pcd"_s, u"E"_s} << QStringList{u"  ab     cd"_s};
        QTest::newRow("empty lines") << QStringList{u"E"_s, u"E"_s} << QStringList{QString(), QString()};
        QTest::newRow("line break inside an item")
            << QStringList{u"T3"_s, u"Pone\r\ntwo"_s, u"E"_s} << QStringList{u"  one"_s, u"two"_s};
    }
    void tab()
    {
        QFETCH(QStringList, ops);
        QFETCH(QStringList, expected);
        TextLayout layout;
        for (const QString& op : ops) {
            if (op.startsWith(QLatin1Char('T')))
                layout.tab(op.mid(1).toInt());
            else if (op.startsWith(QLatin1Char('P')))
                layout.print(op.mid(1));
            else
                layout.endLine();
        }
        QCOMPARE(layout.lines(), expected);
    }

    void wrapForFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("short") << u"Shake well."_s << QStringList{u"Shake well."_s};
        QTest::newRow("exactly 70, no blank") << repeated('a', 70) << QStringList{repeated('a', 70)};
        const QString seventyWithBlanks = repeated('a', 30) + QLatin1Char(' ') + repeated('b', 39);
        QTest::newRow("exactly 70 with a blank") << seventyWithBlanks << QStringList{seventyWithBlanks};
        QTest::newRow("71 with the 70th a blank")
            << repeated('a', 69) + u" b"_s << QStringList{repeated('a', 69) + QLatin1Char(' '), u"b"_s};
        QTest::newRow("blank just past 70 is not used")
            << repeated('a', 10) + QLatin1Char(' ') + repeated('b', 59) + QLatin1Char(' ') + u"cc"_s
            << QStringList{repeated('a', 10) + QLatin1Char(' '), repeated('b', 59) + u" cc"_s};
        QTest::newRow("71 without a blank is cut at 70")
            << repeated('x', 71) << QStringList{repeated('x', 70), u"x"_s};
        QTest::newRow("150 without a blank")
            << repeated('x', 150) << QStringList{repeated('x', 70), repeated('x', 70), repeated('x', 10)};
        QTest::newRow("a sentence")
            << QStringLiteral(
                   "Fill a shaker with ice, add the gin and the vermouth, shake hard for ten seconds and "
                   "strain into a chilled glass.")
            << QStringList{u"Fill a shaker with ice, add the gin and the vermouth, shake hard for "_s,
                           u"ten seconds and strain into a chilled glass."_s};
        QTest::newRow("paragraphs") << u"Shake.\r\nStrain.\n\nServe.\r\n"_s
                                    << QStringList{u"Shake."_s, u"Strain."_s, QString(), u"Serve."_s};
        const QString emoji = QString::fromUtf8("\xF0\x9F\x8D\xB8"); // two UTF-16 units
        QTest::newRow("never splits a surrogate pair")
            << repeated('x', 69) + emoji + u"yy"_s << QStringList{repeated('x', 69), emoji + u"yy"_s};
    }
    void wrapForFile()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QCOMPARE(WrapForFile(text), pieces);
    }

    void wrapForCard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty gives one empty line") << QString() << QStringList{QString()};
        QTest::newRow("short") << u"Build over ice."_s << QStringList{u"Build over ice."_s};
        // The only blank is the 76th character: 75 after the line start, not more.
        QTest::newRow("blank 75 after the start")
            << repeated('a', 75) + u" bb"_s << QStringList{repeated('a', 75) + u" bb"_s};
        QTest::newRow("blank 76 after the start")
            << repeated('a', 76) + u" bb"_s << QStringList{repeated('a', 76) + QLatin1Char(' '), u"bb"_s};
        QTest::newRow("only blank far beyond 75")
            << repeated('a', 120) + u" rest"_s
            << QStringList{repeated('a', 120) + QLatin1Char(' '), u"rest"_s};
        QTest::newRow("blank at the very end leaves an empty last line")
            << repeated('a', 80) + QLatin1Char(' ')
            << QStringList{repeated('a', 80) + QLatin1Char(' '), QString()};
        QTest::newRow("no blank at all stays whole") << repeated('z', 200) << QStringList{repeated('z', 200)};
        const QString word = u"abcdefghi "_s; // ten characters
        QTest::newRow("words") << word.repeated(17) + u"end"_s
                               << QStringList{word.repeated(8), word.repeated(8), word + u"end"_s};
        QTest::newRow("paragraphs") << u"Shake.\nStrain."_s << QStringList{u"Shake."_s, u"Strain."_s};
    }
    void wrapForCard()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(WrapForCard(text), lines);
    }

    void queueRecord_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("with description") << 0 << MartiniRecord;
        QTest::newRow("without description") << 1 << PlainWaterRecord;
        QStringList longRecord = MartiniRecord;
        longRecord[5] = u"       Fill a shaker with ice, add the gin and the vermouth, shake hard for "_s;
        longRecord.insert(6, u"       ten seconds and strain into a chilled glass."_s);
        QTest::newRow("wrapped description") << 2 << longRecord;
    }
    void queueRecord()
    {
        QFETCH(int, which);
        QFETCH(QStringList, expected);
        RecipeRecord r = which == 1 ? plainWater() : martini();
        if (which == 2)
            r.description =
                QStringLiteral("Fill a shaker with ice, add the gin and the vermouth, shake hard for ten "
                               "seconds and strain into a chilled glass.");
        QCOMPARE(QueueRecordLines(r), expected);
    }

    void indexCard_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("leading");
        QTest::newRow("left") << int(CardSide::Left) << 43;
        QTest::newRow("right") << int(CardSide::Right) << 1;
    }
    void indexCard()
    {
        QFETCH(int, side);
        QFETCH(int, leading);
        QCOMPARE(CardLeadingLines(CardSide(side)), leading);
        const QStringList card = IndexCardLines(martini(), CardLeadingLines(CardSide(side)));
        QStringList expected(leading, blanks(6));
        expected << u"    MARTINI"_s << u"     2 oz Gin"_s << u"     1/2 oz Dry Vermouth"_s
                 << u"     Description:"_s << u"     Stir with ice and strain."_s << blanks(6)
                 << u"     Glass Type: Cocktail Glass"_s;
        QCOMPARE(card, expected);
    }
    void indexCardWithoutDescription()
    {
        const QStringList card = IndexCardLines(plainWater(), 1);
        const QStringList expected = {blanks(6),
                                      u"    PLAIN WATER"_s,
                                      u"     Water"_s,
                                      u"     Description:"_s,
                                      blanks(5),
                                      blanks(6),
                                      u"     Glass Type: Highball Glass"_s};
        QCOMPARE(card, expected);
        QCOMPARE(MainWindowCardLeadingLines, CardLeadingLines(CardSide::Left));
    }

    void listLines_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty list") << QStringList() << QStringList{QString(), u"  Current Stock List"_s};
        QTest::newRow("entries") << QStringList{u"Gin"_s, u"Crème de Cassis"_s}
                                 << QStringList{QString(), u"  Current Stock List"_s, u"     Gin"_s,
                                                u"     Crème de Cassis"_s};
    }
    void listLines()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QCOMPARE(ListPrintLines(u"Current Stock List"_s, entries), expected);
    }

    void queueFileBytes()
    {
        TestDataFolder folder;
        QFile old(folder.file(u"print.que"_s));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("left over from last time\r\n");
        old.close();
        PrintQueue queue(folder.path());
        QSignalSpy collecting(&queue, &PrintQueue::collectingChanged);
        QCOMPARE(queue.filePath(), folder.file(u"print.que"_s));
        QVERIFY(!queue.isCollecting());

        QString error;
        QVERIFY(queue.add(martini(), &error));
        QVERIFY(queue.isCollecting());
        QCOMPARE(queue.count(), 1);
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord));
        QVERIFY(queue.add(plainWater(), &error));
        QCOMPARE(queue.count(), 2);
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord) + crlf(PlainWaterRecord));
        QCOMPARE(queue.readLines(), MartiniRecord + PlainWaterRecord);
        QCOMPARE(collecting.size(), 1);

        // A record without a name adds nothing.
        QVERIFY(!queue.add(RecipeRecord(), &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(queue.count(), 2);

        // Clearing stops collecting and leaves the content; the next add starts the file anew.
        queue.clear();
        QVERIFY(!queue.isCollecting());
        QCOMPARE(queue.count(), 0);
        QCOMPARE(collecting.size(), 2);
        QCOMPARE(collecting.at(1).at(0).toBool(), false);
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord) + crlf(PlainWaterRecord));
        QVERIFY(queue.add(plainWater(), &error));
        QCOMPARE(fileBytes(queue.filePath()), crlf(PlainWaterRecord));
    }

    void queueRewriteKeepsCollectedDrinks()
    {
        TestDataFolder folder;
        PrintQueue queue(folder.path());
        QString error;
        QVERIFY(queue.rewrite({martini(), plainWater()}, &error));
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord) + crlf(PlainWaterRecord));

        QVERIFY(queue.add(plainWater()));
        QVERIFY(!queue.rewrite({martini()}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(queue.filePath()), crlf(PlainWaterRecord));
    }

    void queueFolderNotWritable()
    {
        TestDataFolder folder;
        PrintQueue queue(folder.file(u"no such folder"_s));
        QString error;
        QVERIFY(!queue.add(martini(), &error));
        QVERIFY(error.contains(u"could not be created"_s));
        QVERIFY(!queue.isCollecting());
        QVERIFY(!queue.rewrite({martini()}, &error));
        QVERIFY(!error.isEmpty());
    }

    void readPrintRecord()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        // An ingredient stored with blanks around it and an amount holding "|".
        DBLib::ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient) VALUES (50, '  Crème de Cassis ')"_s);
        DBLib::AddRecipeLine(7, 50, u"1|2 oz"_s);
        DBLib::AddRecipeLine(7, DBLib::GetIngredientIDByName(u"Gin"_s), QString());
        DBLib::AddDrink(7, u"KIR ROYALE"_s, 2, QString(), {}, {}, {}, {}, {});
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});

        const std::optional<RecipeRecord> kir = Printing::ReadPrintRecord(u"kir royale"_s);
        QVERIFY(kir.has_value());
        QCOMPARE(kir->name, u"KIR ROYALE"_s);
        QCOMPARE(kir->recipeLines, (QStringList{u"12 oz Crème de Cassis"_s, u"Gin"_s}));
        QCOMPARE(kir->description, QString());
        QCOMPARE(kir->glassType, u"Highball Glass"_s);

        const std::optional<RecipeRecord> m = Printing::ReadPrintRecord(u"MARTINI"_s);
        QVERIFY(m.has_value());
        QCOMPARE(QueueRecordLines(*m).at(2), u"     2 oz Gin"_s);
        QCOMPARE(m->description, u"Stir and serve."_s);

        QVERIFY(!Printing::ReadPrintRecord(u"NO SUCH DRINK"_s).has_value());
    }
};

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "test_printlayout.moc"
