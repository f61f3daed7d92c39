#include "TestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/DataFolder.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/StarterData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace DBLib;

namespace {

qint64 count(const char* sql)
{
    return Database().scalar(QString::fromUtf8(sql)).toLongLong();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dataFolderChoice()
    {
        QTemporaryDir app;
        QTemporaryDir env;
        qunsetenv("TUMBLERIX_DATA_DIR");
        const QString given = QDir(app.path()).filePath(QStringLiteral("given"));

        // The argument wins over everything, in both spellings.
        qputenv("TUMBLERIX_DATA_DIR", env.path().toUtf8());
        QCOMPARE(DataFolder::choose({QStringLiteral("tumblerix"), QStringLiteral("--data-dir"), given}, app.path()).path,
                 given);
        QCOMPARE(DataFolder::choose({QStringLiteral("tumblerix"), QStringLiteral("--data-dir=") + given}, app.path()).path,
                 given);
        // Then the environment.
        QCOMPARE(DataFolder::choose({QStringLiteral("tumblerix")}, app.path()).path, QDir(env.path()).absolutePath());
        qunsetenv("TUMBLERIX_DATA_DIR");

        // Then a writable database beside the program.
        const QString perUser = DataFolder::choose({QStringLiteral("tumblerix")}, app.path()).path;
        QVERIFY(perUser.endsWith(QStringLiteral("/Brimvale/Tumblerix")));
        QFile beside(QDir(app.path()).filePath(QStringLiteral("Tumblerix.dat")));
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.close();
        QCOMPARE(DataFolder::choose({QStringLiteral("tumblerix")}, app.path()).path, QDir(app.path()).absolutePath());
        // A read-only one does not make the program portable.
        QVERIFY(beside.setPermissions(QFileDevice::ReadOwner));
        if (!QFileInfo(beside.fileName()).isWritable()) // root may write anyway
            QCOMPARE(DataFolder::choose({QStringLiteral("tumblerix")}, app.path()).path, perUser);
    }

    void missingFolderIsCreated()
    {
        QTemporaryDir base;
        const QString nested = QDir(base.path()).filePath(QStringLiteral("a/b/data"));
        QString error;
        QVERIFY(DataFolder::ensureExists(nested, &error));
        QVERIFY(QFileInfo(nested).isDir());
        const QString file = QDir(base.path()).filePath(QStringLiteral("plain"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(!DataFolder::ensureExists(file, &error));
        QVERIFY(error.contains(file));
    }

    void starterDatabaseCounts()
    {
        TestDataFolder folder;
        StarterData::CreateStarterDatabase(folder.databasePath());
        QVERIFY(IsOpen());
        QVERIFY(!QFileInfo::exists(folder.databasePath() + QStringLiteral(".new")));

        QVERIFY(count("SELECT COUNT(*) FROM GlassTypes") >= 25);
        QVERIFY(count("SELECT COUNT(*) FROM Ingredients") >= 150);
        QVERIFY(count("SELECT COUNT(*) FROM Drinks") >= 120);
        QVERIFY(count("SELECT COUNT(*) FROM Tips") >= 15);
        QCOMPARE(count("SELECT COUNT(*) FROM Settings"), 1);
        QCOMPARE(count("SELECT CurrentStockUpdate + NonAlcoholicUpdate + CurrentStockNonAlcoholicUpdate FROM Settings"), 0);
        // Every drink has at least two lines, directions and a known glass; every line a known ingredient.
        QCOMPARE(count("SELECT COUNT(*) FROM Drinks d WHERE (SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = d.ID) < 2"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM Drinks WHERE Description IS NULL OR Name IS NULL"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM Drinks WHERE GlassType NOT IN (SELECT GlassID FROM GlassTypes)"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM DrinkInfo WHERE IngID NOT IN (SELECT ID FROM Ingredients)"), 0);
        QCOMPARE(count("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID NOT IN (SELECT ID FROM Drinks)"), 0);
        QVERIFY(count("SELECT COUNT(*) FROM Ingredients WHERE Substitute IS NOT NULL") > 0);
        QVERIFY(count("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1") > 0);

        // The non-alcoholic drinks, computed from the ingredients' marks.
        QVERIFY(AllNonAlcoholicDrinks().names.size() >= 20);

        // The glasses the recipe windows offer are all there.
        for (const char* glass : {"Beer Mug", "Beer Pilsner", "Brandy Snifter", "Champagne Glass", "Cocktail Glass",
                                  "Collins Glass", "Cordial Glass", "Coupette Glass", "Fish Bowl", "Highball Glass",
                                  "Hurricane Glass", "Irish Coffee Cup", "Margarita Glass", "Mason Jar",
                                  "Old Fashioned Glass", "Parfait Glass", "Pitcher", "Pousse-Cafe Cup", "Punch Bowl",
                                  "Red Wine Glass", "Sherry Glass", "Shot Glass", "Unknown Glass", "Whiskey Sour Glass",
                                  "White Wine Glass"})
            QVERIFY2(GetGlassTypeID(QString::fromUtf8(glass)) > 0, glass);

        // Names that need care survive the round trip.
        QVERIFY(FindDrinkID(QStringLiteral("piña colada")) > 0);
        QVERIFY(FindDrinkID(QStringLiteral("Planter's Punch")) > 0);
    }

    void existingDatabaseIsNeverReplaced()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        CloseRecipeDatabase();
        QFile f(folder.databasePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, StarterData::CreateStarterDatabase(folder.databasePath()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void parsersNameTheBadLine_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("where");
        QTest::newRow("glass without number") << 0 << QStringLiteral("# glasses\nBeer Mug\n") << QStringLiteral("line 2");
        QTest::newRow("ingredient mark") << 1 << QStringLiteral("Gin|No|\nRum|Maybe|\n") << QStringLiteral("line 2");
        QTest::newRow("ingredient group") << 1 << QStringLiteral("Gin|No|x\n") << QStringLiteral("line 1");
        QTest::newRow("drink without lines") << 2 << QStringLiteral("== Empty\nglass: Shot Glass\nJust pour.\n")
                                             << QStringLiteral("line 1");
        QTest::newRow("line without ingredient") << 2 << QStringLiteral("== Odd\n\nline: 1 oz\n") << QStringLiteral("line 3");
        QTest::newRow("tip without text") << 3 << QStringLiteral("== Title only\n") << QStringLiteral("line 1");
    }
    void parsersNameTheBadLine()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, where);
        try {
            switch (kind) {
            case 0:
                StarterData::parseGlasses(text);
                break;
            case 1:
                StarterData::parseIngredients(text);
                break;
            case 2:
                StarterData::parseDrinks(text);
                break;
            default:
                StarterData::parseTips(text);
            }
            QFAIL("the bad entry was accepted");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(where), e.what());
        }
    }

    void drinkBlockParsed()
    {
        const auto drinks = StarterData::parseDrinks(QStringLiteral("# c\n== Salty Dog\nglass: Highball Glass\n"
                                                                    "favorite: yes\nline: 1 1/2 oz | Vodka\n"
                                                                    "line: | Salt\nRim the glass.\nPour.\n"));
        QCOMPARE(drinks.size(), 1);
        QCOMPARE(drinks[0].name, QStringLiteral("Salty Dog"));
        QVERIFY(drinks[0].favorite);
        QCOMPARE(drinks[0].lines.size(), 2);
        QCOMPARE(drinks[0].lines[0].amount, QStringLiteral("1 1/2 oz"));
        QCOMPARE(drinks[0].lines[1].amount, QString());
        QCOMPARE(drinks[0].lines[1].ingredient, QStringLiteral("Salt"));
        QCOMPARE(drinks[0].directions, QStringLiteral("Rim the glass. Pour."));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
