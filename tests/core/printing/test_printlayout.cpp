#include "TestSupport.h"
#include "core/printing/PrintLayout.h"
#include "core/printing/PrintQueue.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Printing;
using namespace Qt::StringLiterals;

namespace {

QByteArray crlf(const QStringList& lines)
{
    return (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

const RecipeRecord Martini{u"MARTINI"_s, {u"2 oz Gin"_s, u"1/2 oz Dry Vermouth"_s}, u"Stir with ice and strain."_s,
                           u"Cocktail Glass"_s, {}, 0};
const RecipeRecord PlainWater{u"PLAIN WATER"_s, {u"Water"_s}, QString(), u"Highball Glass"_s, {}, 0};

const QStringList MartiniRecord = {QString(), u"    MARTINI"_s, u"     2 oz Gin"_s, u"     1/2 oz Dry Vermouth"_s,
                                   u"     Description:"_s, u"       Stir with ice and strain."_s, u"       "_s,
                                   u"     Glass Type: Cocktail Glass"_s, QString(), QString()};

const QStringList PlainWaterRecord = {QString(), u"    PLAIN WATER"_s, u"     Water"_s, u"     Description:"_s,
                                      u"     Glass Type: Highball Glass"_s, QString(), QString()};

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Steps split at "|": "T<n>" Tab n, "P<text>" print, "E" end of line.
    void tab_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("before the column") << u"T5|PAB|E"_s << QStringList{u"    AB"_s};
        QTest::newRow("at the column") << u"PABCD|T5|PX|E"_s << QStringList{u"ABCDX"_s};
        QTest::newRow("one past the column") << u"PABCDE|T5|PX|E"_s << QStringList{u"ABCDE"_s, u"    X"_s};
        QTest::newRow("tab 0 is tab 1") << u"PA|T0|PB|E"_s << QStringList{u"A"_s, u"B"_s};
        QTest::newRow("tabs along a line") << u"T3|Pab|T10|Pcd|E"_s << QStringList{u"  ab     cd"_s};
        QTest::newRow("line break inside an item") << u"T3|Pone\r\ntwo\nthree|E"_s << QStringList{u"  one"_s, u"two"_s, u"three"_s};
    }
    void tab()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, expected);
        TextLayout layout;
        for (const QString& step : steps.split(u'|')) {
            if (step.startsWith(u'T'))
                layout.tab(step.mid(1).toInt());
            else if (step.startsWith(u'P'))
                layout.print(step.mid(1));
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
        QTest::newRow("exactly 70, no blank") << QString(70, u'a') << QStringList{QString(70, u'a')};
        QTest::newRow("71, the 70th a blank")
            << QString(69, u'a') + u" b"_s << QStringList{QString(69, u'a') + u' ', u"b"_s};
        QTest::newRow("blank just past 70 is not used")
            << QString(10, u'a') + u' ' + QString(59, u'b') + u" cc"_s
            << QStringList{QString(10, u'a') + u' ', QString(59, u'b') + u" cc"_s};
        QTest::newRow("blank first") << u' ' + QString(75, u'x') << QStringList{u" "_s, QString(70, u'x'), u"xxxxx"_s};
        QTest::newRow("150 without a blank")
            << QString(150, u'x') << QStringList{QString(70, u'x'), QString(70, u'x'), QString(10, u'x')};
        QTest::newRow("paragraphs") << u"Shake.\r\nStrain.\n\nServe.\r\n"_s
                                    << QStringList{u"Shake."_s, u"Strain."_s, QString(), u"Serve."_s};
        const QString emoji = QString::fromUtf8("\xF0\x9F\x8D\xB8"); // two UTF-16 units
        QTest::newRow("never splits a surrogate pair")
            << QString(69, u'x') + emoji + u"yy"_s << QStringList{QString(69, u'x'), emoji + u"yy"_s};
        QTest::newRow("a pair just before the cut")
            << QString(68, u'x') + emoji + u"yy"_s << QStringList{QString(68, u'x') + emoji, u"yy"_s};
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
        // A line ends at the first blank more than 75 characters after its start.
        QTest::newRow("blank 75 after the start") << QString(75, u'a') + u" bb"_s << QStringList{QString(75, u'a') + u" bb"_s};
        QTest::newRow("blank 76 after the start")
            << QString(76, u'a') + u" bb"_s << QStringList{QString(76, u'a') + u' ', u"bb"_s};
        QTest::newRow("blank at the very end leaves an empty last line")
            << QString(80, u'a') + u' ' << QStringList{QString(80, u'a') + u' ', QString()};
        const QString word = u"abcdefghi "_s; // ten characters
        QTest::newRow("words") << word.repeated(17) + u"end"_s
                               << QStringList{word.repeated(8), word.repeated(8), word + u"end"_s};
        QTest::newRow("paragraphs") << u"Shake.\nStrain.\n"_s << QStringList{u"Shake."_s, u"Strain."_s};
    }
    void wrapForCard()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(WrapForCard(text), lines);
    }

    void indexCard_data()
    {
        QTest::addColumn<RecipeRecord>("record");
        QTest::addColumn<CardSide>("side");
        QTest::addColumn<QStringList>("expected");
        const QString tab6 = u"      "_s;
        const QStringList martiniCard = {u"    MARTINI"_s, u"     2 oz Gin"_s, u"     1/2 oz Dry Vermouth"_s,
                                         u"     Description:"_s, u"     Stir with ice and strain."_s, tab6,
                                         u"     Glass Type: Cocktail Glass"_s};
        QTest::newRow("left side") << Martini << CardSide::Left << QStringList(43, tab6) + martiniCard;
        QTest::newRow("right side") << Martini << CardSide::Right << QStringList{tab6} + martiniCard;
    }
    void indexCard()
    {
        QFETCH(RecipeRecord, record);
        QFETCH(CardSide, side);
        QFETCH(QStringList, expected);
        QCOMPARE(IndexCardLines(record, CardLeadingLines(side)), expected);
    }

    void queueCollects()
    {
        TestDataFolder folder;
        QFile old(folder.file(u"print.que"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("left over from last time\r\n") > 0);
        old.close();
        PrintQueue queue(folder.path());
        QSignalSpy collecting(&queue, &PrintQueue::collectingChanged);
        QCOMPARE(queue.filePath(), folder.file(u"print.que"_s));

        // The first add starts the file anew; each record is on disk at once.
        QString error = u"stale"_s;
        QVERIFY(queue.add(Martini, &error) && error.isEmpty() && queue.isCollecting());
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord));
        QVERIFY(queue.add(PlainWater, &error));
        // A record without a name adds nothing, and says nothing.
        QVERIFY(!queue.add(RecipeRecord{u"  "_s, {}, {}, {}, {}, 0}, &error) && error.isEmpty());
        QCOMPARE(queue.count(), 2);
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord + PlainWaterRecord));
        QCOMPARE(queue.readLines(), MartiniRecord + PlainWaterRecord);
        QCOMPARE(collecting, QList<QVariantList>{{true}});

        // Clearing stops collecting and leaves the content; the next add starts the file anew.
        queue.clear();
        queue.clear();
        QVERIFY(!queue.isCollecting());
        QCOMPARE(queue.count(), 0);
        QCOMPARE(collecting, (QList<QVariantList>{{true}, {false}}));
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord + PlainWaterRecord));
        QVERIFY(queue.add(PlainWater, &error));
        QCOMPARE(queue.count(), 1);
        QCOMPARE(fileBytes(queue.filePath()), crlf(PlainWaterRecord));
    }

    void queueRewriteKeepsCollectedDrinks()
    {
        TestDataFolder folder;
        PrintQueue queue(folder.path());
        QString error = u"stale"_s;
        QVERIFY(queue.readLines(&error).isEmpty()); // no file yet
        QVERIFY(error.isEmpty());
        QVERIFY(queue.rewrite({Martini, PlainWater}, &error));
        QCOMPARE(fileBytes(queue.filePath()), crlf(MartiniRecord + PlainWaterRecord));
        QVERIFY(!queue.isCollecting());

        QVERIFY(queue.add(PlainWater));
        QVERIFY(!queue.rewrite({Martini}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(queue.filePath()), crlf(PlainWaterRecord));
    }

    void queueFolderNotWritable()
    {
        TestDataFolder folder;
        PrintQueue queue(folder.file(u"no such folder"_s));
        QString error;
        QVERIFY(!queue.add(Martini, &error) && error.contains(u"could not be created"_s) && !queue.isCollecting());
        QVERIFY(!queue.rewrite({Martini}, &error) && error.contains(u"could not be written"_s));
    }
};

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "test_printlayout.moc"
