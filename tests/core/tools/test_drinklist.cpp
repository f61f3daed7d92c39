#include "TestSupport.h"

#include "core/tools/DrinkListSearch.h"
#include "core/slideshow/PictureList.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Lib::BuildLetterIndex;
using Lib::IncrementalSearch;

class TestDrinkList : public QObject
{
    Q_OBJECT

    const QStringList m_entries = {QStringLiteral("7 AND 7"),   QStringLiteral("ALABAMA"),   QStringLiteral("MANHATTAN"),
                                   QStringLiteral("MARGARITA"), QStringLiteral("MARTINEZ"),  QStringLiteral("MARTINI"),
                                   QStringLiteral("MOJITO"),    QStringLiteral("ZOMBIE")};

private Q_SLOTS:
    void letterIndex()
    {
        const Lib::LetterIndex index = BuildLetterIndex(m_entries);
        QCOMPARE(index[1], 1);  // A
        QCOMPARE(index[13], 2); // M
        QCOMPARE(index[26], 7); // Z
        QCOMPARE(index[2], 0);  // no B
        // Letters no entry starts with stay 0; "7 AND 7" is not indexed under any letter.
        for (int k = 1; k <= 26; ++k) {
            if (k != 1 && k != 13 && k != 26)
                QCOMPARE(index[k], 0);
        }
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("three upper-case letters") << QStringLiteral("MAR") << 3;
        QTest::newRow("same letters in lower case") << QStringLiteral("mar") << 3;
        QTest::newRow("longer prefix") << QStringLiteral("MARTINI") << 5;
        QTest::newRow("mixed case") << QStringLiteral("Mart") << 4;
        QTest::newRow("empty text selects the first") << QString() << 0;
        QTest::newRow("no entry starts with it") << QStringLiteral("MAX") << -1;
        QTest::newRow("blanks only") << QStringLiteral("   ") << -1;
        QTest::newRow("blank before the text") << QStringLiteral(" MAR") << -1;
        QTest::newRow("digit from the top") << QStringLiteral("7") << 0;
        QTest::newRow("letter that begins nothing") << QStringLiteral("B") << -1;
        QTest::newRow("lower-case z from the top") << QStringLiteral("zo") << 7;
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(IncrementalSearch(m_entries, BuildLetterIndex(m_entries), text), expected);
    }

    void searchStartsAtTheLetter()
    {
        // A stale index that points past the target proves where the search starts.
        Lib::LetterIndex index = BuildLetterIndex(m_entries);
        index[13] = 5;
        QCOMPARE(IncrementalSearch(m_entries, index, QStringLiteral("MA")), 5);
        // Lower case starts from the top and finds the first one.
        QCOMPARE(IncrementalSearch(m_entries, index, QStringLiteral("ma")), 2);
    }

    void searchOnEmptyList()
    {
        QCOMPARE(IncrementalSearch({}, BuildLetterIndex({}), QString()), -1);
        QCOMPARE(IncrementalSearch({}, BuildLetterIndex({}), QStringLiteral("A")), -1);
    }

    void recipeLineText_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("ingredient");
        QTest::addColumn<QString>("line");
        QTest::newRow("amount and ingredient") << QStringLiteral("1 1/2 oz") << QStringLiteral("Gin")
                                               << QStringLiteral("1 1/2 oz Gin");
        QTest::newRow("no amount") << QString() << QStringLiteral("Salt") << QStringLiteral("Salt");
        QTest::newRow("blanks around the ingredient") << QStringLiteral("2 oz") << QStringLiteral("  Rum ")
                                                      << QStringLiteral("2 oz Rum");
        QTest::newRow("bars removed") << QStringLiteral("1|2 oz") << QStringLiteral("Lime|Juice")
                                      << QStringLiteral("12 oz LimeJuice");
        QTest::newRow("amount kept as written") << QStringLiteral(" 1 dash") << QStringLiteral("Bitters")
                                                << QStringLiteral(" 1 dash Bitters");
    }
    void recipeLineText()
    {
        QFETCH(QString, amount);
        QFETCH(QString, ingredient);
        QFETCH(QString, line);
        DBLib::RecipeLine recipeLine;
        recipeLine.amount = amount;
        recipeLine.ingredient = ingredient;
        QCOMPARE(DBLib::RecipeLineText(recipeLine), line);
    }

    void pictureListParsing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("lines") << QByteArray("/a/one.gif\r\n\\Images\\two.jpg\r\n")
                               << QStringList{QStringLiteral("/a/one.gif"), QStringLiteral("\\Images\\two.jpg")};
        QTest::newRow("comma splits") << QByteArray("/pics/bar, night.jpg\r\n")
                                      << QStringList{QStringLiteral("/pics/bar"), QStringLiteral("night.jpg")};
        QTest::newRow("quotes dropped") << QByteArray("\"/pics/bar, night.jpg\"\r\n")
                                        << QStringList{QStringLiteral("/pics/bar, night.jpg")};
        QTest::newRow("blanks and empty lines") << QByteArray("  /x.gif  \r\n\r\n,,\r\n")
                                                << QStringList{QStringLiteral("/x.gif")};
        QTest::newRow("no final line end") << QByteArray("/x.gif") << QStringList{QStringLiteral("/x.gif")};
        QTest::newRow("unicode") << QByteArray("/bilder/café.png\n") << QStringList{QStringLiteral("/bilder/café.png")};
    }
    void pictureListParsing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, entries);
        QCOMPARE(PictureList::parse(content), entries);
    }

    void pictureListRoundTripAndResolve()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("custom.dat"));
        QVERIFY(PictureList::read(path).isEmpty()); // missing file: empty list
        const QStringList entries = {QStringLiteral("\\Images\\slide1.svg"), QStringLiteral("/home/me/bar.png")};
        QVERIFY(PictureList::write(path, entries));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\\Images\\slide1.svg\r\n/home/me/bar.png\r\n"));
        QCOMPARE(PictureList::read(path), entries);
        QCOMPARE(PictureList::resolve(entries[0], dir.path()), QDir(dir.path()).filePath(QStringLiteral("Images/slide1.svg")));
        QCOMPARE(PictureList::resolve(entries[1], dir.path()), entries[1]);
    }

    void shrinkRule_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("exact fit") << QSize(3735, 2295) << QSize(3735, 2295);
        QTest::newRow("one wider") << QSize(3736, 2295) << QSize(int(3736 * 0.95), int(2295 * 0.95));
        QTest::newRow("one higher") << QSize(3735, 2296) << QSize(int(3735 * 0.95), int(2296 * 0.95));
        QTest::newRow("small") << QSize(100, 80) << QSize(100, 80);
        // Twice as wide: shrunk in 5 per cent steps until it fits (0.95^14 = 0.488).
        QTest::newRow("twice as wide") << QSize(7470, 1000) << QSize(int(7470 * 0.48767), int(1000 * 0.48767));
    }
    void shrinkRule()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, shown);
        const QSize result = PictureList::shrinkToFit(size);
        QVERIFY(result.width() <= PictureList::MaxWidthTwips && result.height() <= PictureList::MaxHeightTwips);
        QVERIFY2(qAbs(result.width() - shown.width()) <= 1 && qAbs(result.height() - shown.height()) <= 1,
                 qPrintable(QStringLiteral("%1x%2").arg(result.width()).arg(result.height())));
    }

    void storeCommands()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"4 oz", "Orange Juice"}});
        const qint64 gimlet = addTestDrink(QStringLiteral("Gimlet"), {{"2 oz", "Gin"}, {"1 tsp", "Sugar Syrup"}, {"1 oz", "Vodka"}});
        QCOMPARE(DBLib::AllDrinkNames(), (QStringList{QStringLiteral("GIMLET"), QStringLiteral("MARTINI"),
                                                      QStringLiteral("SCREWDRIVER")}));
        QVERIFY(DBLib::FavoriteDrinkNames().isEmpty());
        QVERIFY(DBLib::SetFavorite(QStringLiteral("MARTINI"), true));
        QVERIFY(!DBLib::SetFavorite(QStringLiteral("NO SUCH DRINK"), true));
        QCOMPARE(DBLib::FavoriteDrinkNames(), QStringList{QStringLiteral("MARTINI")});

        const auto recipe = DBLib::ReadDrink(QStringLiteral("MARTINI"));
        QVERIFY(recipe);
        QVERIFY(recipe->favorite);
        QCOMPARE(recipe->glassName, QStringLiteral("Cocktail Glass"));
        QStringList lines;
        for (const DBLib::RecipeLine& line : recipe->lines)
            lines << DBLib::RecipeLineText(line);
        QCOMPARE(lines, (QStringList{QStringLiteral("2 oz Gin"), QStringLiteral("Dry Vermouth")}));
        QVERIFY(!DBLib::ReadDrink(QStringLiteral("NO SUCH DRINK")));

        // Missing ingredients: Sugar Syrup and Vodka are not in stock; Gin is and stays off the list.
        QCOMPARE(DBLib::AddMissingIngredientsToShoppingList(QStringLiteral("GIMLET")), 2);
        QCOMPARE(DBLib::Database().scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients WHERE ShoppingList = 1")).toInt(), 2);
        QCOMPARE(DBLib::AddMissingIngredientsToShoppingList(QStringLiteral("MARTINI")), 0);

        QVERIFY(DBLib::DeleteDrink(QStringLiteral("gimlet")));
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("GIMLET")), -1);
        QCOMPARE(DBLib::Database().scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1"), {gimlet}).toInt(), 0);
        QVERIFY(!DBLib::DeleteDrink(QStringLiteral("gimlet")));
    }
};

QTEST_GUILESS_MAIN(TestDrinkList)
#include "test_drinklist.moc"
