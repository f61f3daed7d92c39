#include "TestSupport.h"

#include "core/slideshow/PictureList.h"
#include "core/store/Lib.h"
#include "core/tools/DrinkListSearch.h"
#include "core/tools/FindSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Lib::BuildLetterIndex;
using Lib::IncrementalSearch;
using namespace Qt::StringLiterals;

namespace {


// A letter index with the given starts (letter, position); every other letter 0.
Lib::LetterIndex indexOf(std::initializer_list<std::pair<char, int>> starts)
{
    Lib::LetterIndex index{};
    for (const auto& [letter, position] : starts)
        index[letter - 'A' + 1] = position;
    return index;
}

QStringList names(const char* commaSeparated)
{
    return QString::fromUtf8(commaSeparated).split(u',', Qt::SkipEmptyParts);
}

const QStringList Entries = names("7 AND 7,ALABAMA,MANHATTAN,MARGARITA,MARTINEZ,MARTINI,MOJITO,ZOMBIE");

} // namespace

class TestDrinkList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void letterIndex()
    {
        // Letters no entry starts with stay 0; "7 AND 7" and the empty entry are under no letter.
        QStringList entries = Entries;
        entries.insert(2, QString());
        QCOMPARE(BuildLetterIndex(entries), indexOf({{'A', 1}, {'M', 3}, {'Z', 8}}));
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("three capitals") << "MAR" << 3;
        QTest::newRow("same letters in lower case") << "mar" << 3;
        QTest::newRow("mixed case") << "Mart" << 4;
        QTest::newRow("empty text selects the first") << "" << 0;
        QTest::newRow("no entry starts with it") << "MAX" << -1;
        QTest::newRow("blanks only") << "   " << -1;
        QTest::newRow("blank before the text") << " MAR" << -1;
        QTest::newRow("digit from the top") << "7" << 0;
        QTest::newRow("letter that begins nothing") << "B" << -1;
        QTest::newRow("first letter") << "A" << 1;
        QTest::newRow("last letter") << "Z" << 7;
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(IncrementalSearch(Entries, BuildLetterIndex(Entries), text), expected);
    }

    // Accents and letter case aside: the list order, the letter index and the search agree.
    void accentsSortWithTheirLetter_data()
    {
        QTest::addColumn<QStringList>("stored"); // in stored (code point) order
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("accented capital") << QStringList{u"EGGNOG"_s, u"ZOMBIE"_s, u"\u00C9B\u00C8NE"_s}
                                          << QStringList{u"\u00C9B\u00C8NE"_s, u"EGGNOG"_s, u"ZOMBIE"_s};
        QTest::newRow("small letters") << QStringList{u"GIN FIZZ"_s, u"Gimlet"_s}
                                       << QStringList{u"Gimlet"_s, u"GIN FIZZ"_s};
        QTest::newRow("same letters: the plain first") << QStringList{u"CAFE"_s, u"CAF\u00C9"_s}
                                                       << QStringList{u"CAFE"_s, u"CAF\u00C9"_s};
        QTest::newRow("plain only, out of order") << QStringList{u"B"_s, u"A"_s} << QStringList{u"A"_s, u"B"_s};
    }
    void accentsSortWithTheirLetter()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, listed);
        Lib::SortForList(stored);
        QCOMPARE(stored, listed);
        const Lib::LetterIndex index = BuildLetterIndex(listed);
        const int position = int(listed.indexOf(u"\u00C9B\u00C8NE"_s));
        if (position >= 0) {
            QCOMPARE(index['E' - 'A' + 1], position);
            QCOMPARE(IncrementalSearch(listed, index, u"EB"_s), position);
            QCOMPARE(IncrementalSearch(listed, index, u"\u00E9b\u00E8"_s), position);
        }
    }

    void searchStartsAtTheLetter()
    {
        // An index pointing past the first match shows where the search starts; lower case: the top.
        const Lib::LetterIndex index = indexOf({{'A', 2}, {'M', 5}, {'Z', 8}});
        QList<int> found;
        for (const QString& text : names("MA,A,Z,ma"))
            found << IncrementalSearch(Entries, index, text);
        QCOMPARE(found, (QList<int>{5, -1, -1, 2}));
        QCOMPARE(IncrementalSearch({}, Lib::LetterIndex{}, QString()), -1);
    }

    // A hit stays if it stands at or after its capital's first entry (any other initial: anywhere).
    void hitsInMainList_data()
    {
        QTest::addColumn<QStringList>("storeHits");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sorted once, M's first entry") << names("MOJITO,7 AND 7,MANHATTAN")
                                                       << names("7 AND 7,MANHATTAN,MOJITO");
        QTest::newRow("not in the list") << names("NEGRONI,MARTINI") << names("MARTINI");
        QTest::newRow("before the letter's start") << names("ALABAMA,ZAZA") << QStringList{};
        QTest::newRow("other initials anywhere") << names("mojito 2,7 AND 7") << names("7 AND 7,mojito 2");
        QTest::newRow("the last copy counts") << names("ZOMBIE") << names("ZOMBIE");
    }
    void hitsInMainList()
    {
        QFETCH(QStringList, storeHits);
        QFETCH(QStringList, expected);
        // A list out of list order ("mojito 2" before "MOJITO"), and one in it, as the views fill it.
        const QStringList main =
            names("7 AND 7,ALABAMA,MANHATTAN,MARTINI,mojito 2,MOJITO,ZAZA,ZOMBIE,ZOMBIE");
        QCOMPARE(FindSearch::HitsInMainList(storeHits, main, indexOf({{'A', 2}, {'M', 2}, {'Z', 7}})), expected);
        const QStringList sorted =
            names("7 AND 7,ALABAMA,MANHATTAN,MARTINI,MOJITO,mojito 2,ZAZA,ZOMBIE,ZOMBIE");
        QCOMPARE(FindSearch::HitsInMainList(storeHits, sorted, indexOf({{'A', 2}, {'M', 2}, {'Z', 8}})), expected);
    }

    void pictureListParsing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("lines") << QByteArray("/a/one.gif\r\n\\Images\\two.jpg\r\n")
                               << names("/a/one.gif,\\Images\\two.jpg");
        QTest::newRow("comma splits") << QByteArray("/pics/bar, night.jpg\r\n") << names("/pics/bar,night.jpg");
        QTest::newRow("quotes dropped") << QByteArray("\"/pics/bar, night.jpg\"\r\n") << QStringList{u"/pics/bar, night.jpg"_s};
        QTest::newRow("blanks kept inside quotes") << QByteArray(" \" a.gif \" tail\n") << names(" a.gif ");
        QTest::newRow("quote inside an entry") << QByteArray("a\"b.gif\n") << names("a\"b.gif");
        QTest::newRow("blanks and empty lines") << QByteArray("  /x.gif  \r\n\r\n,,\r\n") << names("/x.gif");
        QTest::newRow("no final line end") << QByteArray("/x.gif") << names("/x.gif");
    }
    void pictureListParsing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, entries);
        QCOMPARE(PictureList::parse(content), entries);
    }

    void pictureListFile()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(u"custom.dat"_s);
        QVERIFY(PictureList::read(path).isEmpty()); // missing file: empty list
        const QStringList entries = {u"\\Images\\slide1.svg"_s, u"/home/me/bar.png"_s};
        QVERIFY(PictureList::write(path, entries));
        QCOMPARE(fileBytes(path), QByteArray("\\Images\\slide1.svg\r\n/home/me/bar.png\r\n"));
        QCOMPARE(PictureList::read(path), entries);
        // Paths the reader would split or trim come back whole.
        const QStringList awkward = {u"/pictures/bar, night.png"_s, u"/pictures/\"big\" one.png"_s,
                                     u" leading and trailing.png "_s};
        QVERIFY(PictureList::write(path, awkward));
        QCOMPARE(PictureList::read(path), awkward);
        QString error;
        QVERIFY(!PictureList::write(QDir(dir.path()).filePath(u"no/such/folder"_s), entries, &error) && !error.isEmpty());

        const QString images = QDir(dir.path()).filePath(u"Images/"_s);
        QCOMPARE(PictureList::resolve(entries[0], dir.path()), images + u"slide1.svg"_s);
        QCOMPARE(PictureList::resolve(u"\\images\\a\\b.gif"_s, dir.path()), images + u"a/b.gif"_s);
        QCOMPARE(PictureList::resolve(entries[1], dir.path()), entries[1]);
    }

    // Shrunk in 5 per cent steps until it fits the picture box (3735 x 2295 twips).
    void shrinkToFit()
    {
        QCOMPARE(PictureList::shrinkToFit(QSize(3735, 2295)), QSize(3735, 2295));
        QCOMPARE(PictureList::shrinkToFit(QSize(100, 80)), QSize(100, 80));
        QCOMPARE(PictureList::shrinkToFit(QSize(3736, 2295)), QSize(3549, 2180));
        QCOMPARE(PictureList::shrinkToFit(QSize(3735, 2296)), QSize(3548, 2181));
        QCOMPARE(PictureList::shrinkToFit(QSize(7470, 1000)), QSize(3642, 487)); // 0.95^14
    }
};

QTEST_GUILESS_MAIN(TestDrinkList)
#include "test_drinklist.moc"
