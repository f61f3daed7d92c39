#include "TestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/Lib.h"
#include "core/store/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace DBLib;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QVariant stored(const QString& sql, const QVariantList& params = {})
{
    return Database().scalar(sql, params);
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodeDecode_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("ascii") << QStringLiteral("abc") << QStringLiteral("rst");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blank and digits") << QStringLiteral("1 oz") << QStringLiteral("B1\u0080\u008b");
        QTest::newRow("quote") << QStringLiteral("\"") << QStringLiteral("3");
        QTest::newRow("accent") << QStringLiteral("Café") << QStringLiteral("Tr\u0077\u00fa");
        // U+1F378 (cocktail glass) needs a surrogate pair either side.
        QTest::newRow("emoji") << QStringLiteral("\U0001F378") << QStringLiteral("\U0001F389");
        // The last code point of the BMP moves past it.
        QTest::newRow("bmp edge") << QStringLiteral("\uFFFF") << QStringLiteral("\U00010010");
        QTest::newRow("control") << QStringLiteral("\u0001") << QStringLiteral("\u0012");
    }
    void encodeDecode()
    {
        QFETCH(QString, plain);
        QFETCH(QString, encoded);
        QCOMPARE(Lib::EncodeText(plain), encoded);
        QCOMPARE(Lib::DecodeText(encoded), plain);
        QCOMPARE(Lib::DecodeText(QVariant(encoded)), plain);
    }

    void decodeNullGivesEmpty()
    {
        QCOMPARE(Lib::DecodeText(QVariant()), QString());
        QVERIFY(Lib::DecodeText(QVariant(QMetaType::fromType<QString>())).isEmpty());
    }

    void textWithoutShiftedFormIsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encoding");
        QTest::newRow("into surrogates") << QStringLiteral("ok\uD7F5") << true;
        QTest::newRow("past the last code point") << QStringLiteral("\U0010FFF5") << true;
        QTest::newRow("broken surrogate") << QString(QChar(0xD800)) << true;
        QTest::newRow("below 17") << QStringLiteral("\u0010") << false;
        QTest::newRow("out of private use into surrogates") << QStringLiteral("\uE005") << false;
    }
    void textWithoutShiftedFormIsRefused()
    {
        QFETCH(QString, text);
        QFETCH(bool, encoding);
        QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError, encoding ? Lib::EncodeText(text) : Lib::DecodeText(text));
    }

    void unencodableDrinkWritesNothing()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError,
                                 AddDrink(1, QStringLiteral("BAD\uD7FF"), 1, QString(), {}, {}, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError,
                                 AddDrink(1, QStringLiteral("GOOD"), 1, QStringLiteral("\U0010FFFF"), {}, {}, {}, {}, {}));
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Drinks")).toInt(), 0);
        QCOMPARE(FindDrinkID(QStringLiteral("bad\uD7FF")), -1);
    }

    void drinkLookupInAnyCase_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("asked");
        QTest::newRow("lower") << QStringLiteral("Martini") << QStringLiteral("martini");
        QTest::newRow("mixed") << QStringLiteral("Martini") << QStringLiteral("mArTiNi");
        QTest::newRow("upper") << QStringLiteral("Martini") << QStringLiteral("MARTINI");
        QTest::newRow("accent") << QStringLiteral("Café Royale") << QStringLiteral("café royale");
        QTest::newRow("apostrophe") << QStringLiteral("Planter's Punch") << QStringLiteral("PLANTER'S punch");
    }
    void drinkLookupInAnyCase()
    {
        QFETCH(QString, stored);
        QFETCH(QString, asked);
        TestDataFolder folder;
        folder.createSmallDatabase();
        const qint64 id = addTestDrink(stored, {{"1 oz", "Gin"}});
        QCOMPARE(FindDrinkID(asked), id);
        QCOMPARE(FindDrinkID(asked + QStringLiteral("x")), -1);
        // The name is kept as the encoding of its upper-case form.
        QCOMPARE(DBLib::Database().scalar(QStringLiteral("SELECT Name FROM Drinks WHERE ID = ?1"), {id}).toString(),
                 Lib::EncodeText(stored.toUpper()));
    }

    void ingredientLookups()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        const qint64 gin = FindIngredientID(QStringLiteral("Gin"));
        QVERIFY(gin > 0);
        QCOMPARE(FindIngredientID(QStringLiteral("gin")), gin);
        QCOMPARE(FindIngredientID(QStringLiteral("GIN")), gin);
        QCOMPARE(FindIngredientID(QStringLiteral("Absinthe")), -1);
        QCOMPARE(GetIngredientIDByName(QStringLiteral("lime JUICE")), FindIngredientID(QStringLiteral("Lime Juice")));
        QCOMPARE(GetIngredientName(gin), QStringLiteral("Gin"));
        QCOMPARE(GetGlassTypeName(2), QStringLiteral("Highball Glass"));
        QCOMPARE(GetGlassTypeID(QStringLiteral("highball glass")), 2);
        // The lookups that require a row say so instead of answering garbage.
        QVERIFY_THROWS_EXCEPTION(Sql::Error, GetGlassTypeName(99));
        QVERIFY_THROWS_EXCEPTION(Sql::Error, GetGlassTypeID(QStringLiteral("Teacup")));
        QVERIFY_THROWS_EXCEPTION(Sql::Error, GetIngredientName(999));
        QVERIFY_THROWS_EXCEPTION(Sql::Error, GetIngredientIDByName(QStringLiteral("Absinthe")));
    }

    void nonAsciiNamesCompareWithoutCase()
    {
        TestDataFolder folder;
        folder.createEmptyDatabase();
        const qint64 id = AddIngredient(QStringLiteral("crème de cassis"), QString(), QString());
        QCOMPARE(GetIngredientName(id), QStringLiteral("Crème De Cassis"));
        QCOMPARE(FindIngredientID(QStringLiteral("CRÈME DE CASSIS")), id);
        QCOMPARE(FindIngredientID(QStringLiteral("crème de cassis")), id);
        const qint64 pisco = AddIngredient(QStringLiteral("ÉCLAIR LIQUEUR"), QString(), QString());
        QCOMPARE(FindIngredientID(QStringLiteral("éclair liqueur")), pisco);
        // Sorting folds case too: "éclair" sorts with "Éclair", after "crème".
        AddIngredient(QStringLiteral("apple"), QString(), QString());
        QStringList order;
        Snapshot s = OpenSnapshot(QStringLiteral("SELECT Ingredient FROM Ingredients ORDER BY Ingredient"));
        for (; !s.atEnd(); s.moveNext())
            order << s.field(0).toString();
        QCOMPARE(order, QStringList({QStringLiteral("Apple"), QStringLiteral("Crème De Cassis"),
                                     QStringLiteral("Éclair Liqueur")}));
    }

    void addIngredientRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("substitute");
        QTest::addColumn<QString>("nonAlcoholic");
        QTest::addColumn<QVariant>("storedName");
        QTest::addColumn<QVariant>("storedSubstitute");
        QTest::addColumn<int>("storedNonAlcohol");
        QTest::newRow("two words lower case") << QStringLiteral("lime juice") << QString() << QStringLiteral("True")
                                              << QVariant(QStringLiteral("Lime Juice")) << QVariant() << 1;
        QTest::newRow("name not trimmed") << QStringLiteral(" blue  curacao") << QStringLiteral("4")
                                          << QStringLiteral("False") << QVariant(QStringLiteral(" Blue  Curacao"))
                                          << QVariant(QStringLiteral("4")) << 0;
        QTest::newRow("blank name stays null") << QStringLiteral("   ") << QStringLiteral("  ") << QStringLiteral(" ")
                                               << QVariant() << QVariant() << 0;
        QTest::newRow("apostrophe and yes") << QStringLiteral("ROSE'S LIME") << QString() << QStringLiteral("Yes")
                                            << QVariant(QStringLiteral("Rose's Lime")) << QVariant() << 1;
    }
    void addIngredientRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, substitute);
        QFETCH(QString, nonAlcoholic);
        QFETCH(QVariant, storedName);
        QFETCH(QVariant, storedSubstitute);
        QFETCH(int, storedNonAlcohol);
        TestDataFolder folder;
        folder.createSmallDatabase();
        const qint64 before = stored(QStringLiteral("SELECT MAX(ID) FROM Ingredients")).toLongLong();
        const qint64 id = AddIngredient(name, substitute, nonAlcoholic);
        QCOMPARE(id, before + 1);
        QCOMPARE(stored(QStringLiteral("SELECT Ingredient FROM Ingredients WHERE ID = ?1"), {id}), storedName);
        QCOMPARE(stored(QStringLiteral("SELECT Substitute FROM Ingredients WHERE ID = ?1"), {id}), storedSubstitute);
        QCOMPARE(stored(QStringLiteral("SELECT NonAlcohol FROM Ingredients WHERE ID = ?1"), {id}).toInt(),
                 storedNonAlcohol);
        QCOMPARE(stored(QStringLiteral("SELECT CurrentStock + ShoppingList FROM Ingredients WHERE ID = ?1"), {id}).toInt(),
                 0);
    }

    void firstIngredientAndBadYesNo()
    {
        TestDataFolder folder;
        folder.createEmptyDatabase();
        QCOMPARE(AddIngredient(QStringLiteral("gin"), QString(), QString()), 1);
        QVERIFY_THROWS_EXCEPTION(Sql::Error, AddIngredient(QStringLiteral("rum"), QString(), QStringLiteral("Maybe")));
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Ingredients")).toInt(), 1);
    }

    void recipeLineAmounts_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QVariant>("storedAmount");
        QTest::newRow("blank stays null") << QStringLiteral("   ") << QVariant();
        QTest::newRow("empty stays null") << QString() << QVariant();
        QTest::newRow("amount encoded") << QStringLiteral("2 oz") << QVariant(Lib::EncodeText(QStringLiteral("2 oz")));
        QTest::newRow("untrimmed kept") << QStringLiteral(" 1/2 oz ")
                                        << QVariant(Lib::EncodeText(QStringLiteral(" 1/2 oz ")));
    }
    void recipeLineAmounts()
    {
        QFETCH(QString, amount);
        QFETCH(QVariant, storedAmount);
        TestDataFolder folder;
        folder.createSmallDatabase();
        AddRecipeLine(7, 3, amount);
        QCOMPARE(stored(QStringLiteral("SELECT Amount FROM DrinkInfo WHERE DrinkID = 7")), storedAmount);
        QCOMPARE(stored(QStringLiteral("SELECT IngID FROM DrinkInfo WHERE DrinkID = 7")).toInt(), 3);
    }

    void addDrinkColumns()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        AddDrink(5, QStringLiteral("GIMLET"), 1, QStringLiteral("Shake hard."), QString(), QStringLiteral("True"),
                 QString(), QStringLiteral("False"), QStringLiteral(" "));
        Snapshot s = OpenSnapshot(QStringLiteral("SELECT * FROM Drinks WHERE ID = 5"));
        QVERIFY(!s.isEmpty());
        QCOMPARE(Lib::DecodeText(s.field(QStringLiteral("name"))), QStringLiteral("GIMLET"));
        QCOMPARE(Lib::DecodeText(s.field(QStringLiteral("Description"))), QStringLiteral("Shake hard."));
        QCOMPARE(s.field(QStringLiteral("GlassType")).toInt(), 1);
        // An empty flag text leaves the column unset, which reads as No.
        QCOMPARE(s.field(QStringLiteral("Favorite")).toInt(), 0);
        QCOMPARE(s.field(QStringLiteral("Submitted")).toInt(), 1);
        QCOMPARE(s.field(QStringLiteral("CurrentStock")).toInt(), 0);
        s.moveNext();
        QVERIFY(s.atEnd());
        QVERIFY_THROWS_EXCEPTION(Sql::Error, s.field(0));
        s.close();

        // The same name twice is refused with a message that names it, and nothing is added.
        try {
            AddDrink(6, QStringLiteral("GIMLET"), 1, QString(), {}, {}, {}, {}, {});
            QFAIL("a second GIMLET was stored");
        } catch (const Sql::Error& e) {
            QVERIFY2(e.message().contains(QStringLiteral("GIMLET")), qPrintable(e.message()));
        }
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Drinks")).toInt(), 1);
    }

    void emptySnapshot()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        Snapshot s = OpenSnapshot(QStringLiteral("SELECT * FROM Drinks"));
        QVERIFY(s.isEmpty());
        QVERIFY(s.atEnd());
    }

    void countRecords_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<qint64>("result");
        QTest::newRow("all drinks") << int(Count::Drinks) << qint64(3);
        QTest::newRow("ingredients") << int(Count::Ingredients) << qint64(8);
        QTest::newRow("favourites") << int(Count::FavoriteDrinks) << qint64(1);
        QTest::newRow("known flag") << int(Count::NonAlcoholicDrinks) << qint64(1);
        QTest::newRow("stock known") << int(Count::CurrentStockDrinks) << qint64(2);
        QTest::newRow("stock lines") << int(Count::InStockRecipeLines) << qint64(5);
    }
    void countRecords()
    {
        QFETCH(int, what);
        QFETCH(qint64, result);
        TestDataFolder folder;
        folder.createSmallDatabase();
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"4 oz", "Orange Juice"}});
        addTestDrink(QStringLiteral("Sunrise Fizz"), {{"4 oz", "Orange Juice"}, {"Fill with", "Ginger Ale"}});
        ExecuteSql(QStringLiteral("UPDATE Drinks SET Favorite = 1 WHERE ID = 2"));
        QCOMPARE(CountRecords(Count(what)), result);
    }

    void hostileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("double quote") << QStringLiteral("The \"Best\" Sour");
        QTest::newRow("apostrophe") << QStringLiteral("Planter's Punch");
        QTest::newRow("percent and underscore") << QStringLiteral("100% Gin_Tonic");
        QTest::newRow("backslash and semicolon") << QStringLiteral("C:\\Bar; DROP TABLE Drinks; --");
        QTest::newRow("markup") << QStringLiteral("<b>Bold</b> & Co | Ltd");
        QTest::newRow("unicode") << QStringLiteral("Piña Colada № 2 \U0001F379");
        QTest::newRow("no-break space") << QStringLiteral("Gin\u00A0Fizz");
    }
    void hostileNames()
    {
        QFETCH(QString, name);
        TestDataFolder folder;
        folder.createSmallDatabase();
        // As an ingredient name (stored plain) and as a drink name (stored encoded).
        const qint64 ingredient = AddIngredient(name, QString(), QStringLiteral("No"));
        const QString storedIngredient = GetIngredientName(ingredient);
        QCOMPARE(storedIngredient, ProperCase(name));
        QCOMPARE(FindIngredientID(storedIngredient), ingredient);
        QCOMPARE(FindIngredientID(name), ingredient);

        const qint64 drink = 42;
        AddRecipeLine(drink, ingredient, name);
        AddDrink(drink, name.toUpper(), 1, name, QString(), QString(), QString(), QString(), QString());
        QCOMPARE(FindDrinkID(name), drink);
        QCOMPARE(Lib::DecodeText(stored(QStringLiteral("SELECT Name FROM Drinks WHERE ID = 42"))), name.toUpper());
        QCOMPARE(Lib::DecodeText(stored(QStringLiteral("SELECT Description FROM Drinks WHERE ID = 42"))), name);
        QCOMPARE(Lib::DecodeText(stored(QStringLiteral("SELECT Amount FROM DrinkInfo WHERE DrinkID = 42"))), name);
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Drinks")).toInt(), 1);
    }

    void doubleQuotedTextIsNeverAValue()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        // With double-quoted literals switched off, "Gin" names a column and the statement fails
        // instead of quietly comparing with a text.
        QVERIFY_THROWS_EXCEPTION(Sql::Error, OpenSnapshot(QStringLiteral("SELECT ID FROM Ingredients WHERE Ingredient = \"Gin\"")));
    }

    void newDatabaseLayout()
    {
        TestDataFolder folder;
        folder.createEmptyDatabase();
        QCOMPARE(stored(QStringLiteral("PRAGMA user_version")).toInt(), Schema::Version);
        QCOMPARE(stored(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Settings")).toInt(), 1);
        QCOMPARE(stored(QStringLiteral("SELECT CurrentStockUpdate + NonAlcoholicUpdate + CurrentStockNonAlcoholicUpdate "
                                       "FROM Settings"))
                     .toInt(),
                 0);
        const QFile::Permissions perms = QFileInfo(folder.databasePath()).permissions();
        QVERIFY(perms.testFlag(QFileDevice::ReadOwner) && perms.testFlag(QFileDevice::WriteOwner));
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                           QFileDevice::WriteOther)));
        for (const char* index : {"DrinksName", "DrinkInfoDrinkID", "DrinkInfoIngID", "IngredientsIngredient"})
            QVERIFY2(stored(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?1"),
                            {QString::fromLatin1(index)})
                         .isValid(),
                     index);
    }

    void unusableFilesAreRefusedUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << QByteArray("these are my notes, not a database\n") << QStringLiteral("not a database");
        QByteArray header("SQLite format 3");
        header.append('\0');
        header.append(QByteArray(200, '\x7f'));
        QTest::newRow("damaged header") << header << QStringLiteral("Tumblerix.dat");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("not a Tumblerix recipe database");
    }
    void unusableFilesAreRefusedUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        TestDataFolder folder;
        {
            QFile f(folder.databasePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        try {
            OpenRecipeDatabase(folder.databasePath());
            QFAIL("an unusable file was opened");
        } catch (const Sql::Error& e) {
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
            QVERIFY2(e.message().contains(folder.databasePath()), qPrintable(e.message()));
        }
        QVERIFY(!IsOpen());
        QCOMPARE(fileBytes(folder.databasePath()), content);
    }

    void foreignDatabaseIsRefusedUntouched()
    {
        TestDataFolder folder;
        {
            Sql::Connection other(folder.databasePath(), Sql::Connection::Mode::ReadWriteCreate);
            other.exec(QStringLiteral("CREATE TABLE Contacts (Name TEXT); INSERT INTO Contacts VALUES ('Ann');"));
        }
        const QByteArray before = fileBytes(folder.databasePath());
        QVERIFY_THROWS_EXCEPTION(Sql::Error, OpenRecipeDatabase(folder.databasePath()));
        QCOMPARE(fileBytes(folder.databasePath()), before);
        QVERIFY(!QFileInfo::exists(folder.databasePath() + QStringLiteral("-wal")));
    }

    void newerLayoutIsRefused()
    {
        TestDataFolder folder;
        folder.createEmptyDatabase();
        ExecuteSql(QStringLiteral("PRAGMA user_version = 99"));
        CloseRecipeDatabase();
        QVERIFY_THROWS_EXCEPTION(Sql::Error, OpenRecipeDatabase(folder.databasePath()));
    }

    void missingSettingsRowIsRebuiltStale()
    {
        TestDataFolder folder;
        folder.createEmptyDatabase();
        ExecuteSql(QStringLiteral("DELETE FROM Settings"));
        CloseRecipeDatabase();
        OpenRecipeDatabase(folder.databasePath());
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM Settings")).toInt(), 1);
        QCOMPARE(stored(QStringLiteral("SELECT CurrentStockUpdate FROM Settings")).toInt(), 0);
    }

    void transactionRollsBackUnlessCommitted()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        Sql::Connection& db = Database();
        try {
            Sql::Transaction outer(db);
            AddIngredient(QStringLiteral("Rum"), QString(), QString());
            {
                Sql::Transaction inner(db);
                AddIngredient(QStringLiteral("Brandy"), QString(), QString());
                inner.commit();
            }
            throw std::runtime_error("fail before commit");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(FindIngredientID(QStringLiteral("Rum")), -1);
        QCOMPARE(FindIngredientID(QStringLiteral("Brandy")), -1);

        {
            Sql::Transaction outer(db);
            {
                Sql::Transaction inner(db); // rolled back alone
                AddIngredient(QStringLiteral("Brandy"), QString(), QString());
            }
            AddIngredient(QStringLiteral("Rum"), QString(), QString());
            outer.commit();
        }
        QVERIFY(FindIngredientID(QStringLiteral("Rum")) > 0);
        QCOMPARE(FindIngredientID(QStringLiteral("Brandy")), -1);
    }

    void errorsCarryTheStatement()
    {
        TestDataFolder folder;
        folder.createSmallDatabase();
        try {
            OpenSnapshot(QStringLiteral("SELECT Nothing FROM Drinks"));
            QFAIL("no error");
        } catch (const Sql::Error& e) {
            QVERIFY(e.message().contains(QStringLiteral("Nothing")));
            QCOMPARE(e.statement(), QStringLiteral("SELECT Nothing FROM Drinks"));
            QVERIFY(e.code() != 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
