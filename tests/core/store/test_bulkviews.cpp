// The fast paths of the list views, the find scan and the statement cache must give exactly the
// answers of the plain formulation, on awkward data too.

#include "TestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Catalogue.h"
#include "core/store/DrinkSearch.h"
#include "core/store/Lib.h"
#include "core/store/Catalogue.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace DBLib;

namespace {

QString setAnswerSql(const char* flagTest)
{
    // Has a line, and no line whose ingredient fails the test (a missing ingredient fails it).
    return QStringLiteral("SELECT d.ID FROM Drinks d WHERE EXISTS (SELECT 1 FROM DrinkInfo l WHERE l.DrinkID = d.ID) "
                          "AND NOT EXISTS (SELECT 1 FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
                          "WHERE l.DrinkID = d.ID AND NOT COALESCE(%1, 0)) ORDER BY d.ID")
        .arg(QLatin1String(flagTest));
}

QList<qint64> ids(const QString& sql)
{
    QList<qint64> out;
    Sql::Statement s(Database(), sql);
    while (s.step())
        out << s.int64(0);
    return out;
}

QList<qint64> expectedIds(DrinkFlag flag)
{
    switch (flag) {
    case DrinkFlag::CurrentStock:
        return ids(setAnswerSql("i.CurrentStock = 1"));
    case DrinkFlag::NonAlcoholic:
        return ids(setAnswerSql("i.NonAlcohol = 1"));
    case DrinkFlag::CurrentStockNonAlcoholic:
        return ids(setAnswerSql("i.CurrentStock = 1 AND i.NonAlcohol = 1"));
    }
    return {};
}

ViewAnswer answerFor(DrinkFlag flag)
{
    switch (flag) {
    case DrinkFlag::CurrentStock:
        return DrinksAvailableWithCurrentStock();
    case DrinkFlag::NonAlcoholic:
        return AllNonAlcoholicDrinks();
    case DrinkFlag::CurrentStockNonAlcoholic:
        return NonAlcoholicDrinksAvailableWithCurrentStock();
    }
    return {};
}

qint64 totalChanges()
{
    return sqlite3_total_changes64(Database().handle());
}

// A collection with what real files contain now and then: drinks without lines, lines of deleted
// drinks, lines naming no catalogue entry, a drink without a name, flags left at odd values.
void fillAwkwardCollection(quint32 seed)
{
    QRandomGenerator random(seed);
    Sql::Connection& db = Database();
    Sql::Transaction tx(db);
    for (int i = 1; i <= 40; ++i) {
        db.execute(QStringLiteral("INSERT INTO Ingredients (ID, Ingredient, NonAlcohol, CurrentStock) VALUES (?1, ?2, ?3, ?4)"),
                   {i, QStringLiteral("Ingredient %1").arg(i), random.bounded(3) == 0, random.bounded(2) == 0});
    }
    const QVariantList oddFlags = {0, 1, 2, -1, QStringLiteral("True"), 1.0, 0.5};
    for (int d = 1; d <= 300; ++d) {
        const QVariant name = d == 7 ? QVariant() : QVariant(Lib::EncodeText(QStringLiteral("DRINK %1").arg(d)));
        db.execute(QStringLiteral("INSERT INTO Drinks (ID, Name, CurrentStock, NonAlcoholic, CurrentStockNonAlcoholic) "
                                  "VALUES (?1, ?2, ?3, ?4, ?5)"),
                   {d, name, oddFlags.at(random.bounded(int(oddFlags.size()))),
                    oddFlags.at(random.bounded(int(oddFlags.size()))), oddFlags.at(random.bounded(int(oddFlags.size())))});
        const int lines = d % 50 == 0 ? 0 : random.bounded(1, 5);
        for (int l = 0; l < lines; ++l) {
            // Now and then an ingredient that is not in the catalogue.
            const int ingredient = random.bounded(25) == 0 ? 99 : random.bounded(1, 41);
            db.execute(QStringLiteral("INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (?1, ?2)"), {d, ingredient});
        }
    }
    // Lines whose drink is gone.
    db.execute(QStringLiteral("INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (5000, 1), (5000, 2)"));
    tx.commit();
}

} // namespace

Q_DECLARE_METATYPE(DBLib::DrinkFlag)

class TestBulkViews : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createEmptyDatabase();
    }
    void cleanup()
    {
        CloseRecipeDatabase();
        m_folder.reset();
    }

    void recomputedFlagsEqualTheSetAnswer_data()
    {
        QTest::addColumn<DrinkFlag>("flag");
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 2u, 3u}) {
            QTest::addRow("stock, seed %u", seed) << DrinkFlag::CurrentStock << seed;
            QTest::addRow("non-alcoholic, seed %u", seed) << DrinkFlag::NonAlcoholic << seed;
            QTest::addRow("both, seed %u", seed) << DrinkFlag::CurrentStockNonAlcoholic << seed;
        }
    }
    void recomputedFlagsEqualTheSetAnswer()
    {
        QFETCH(DrinkFlag, flag);
        QFETCH(quint32, seed);
        fillAwkwardCollection(seed);
        const QList<qint64> expected = expectedIds(flag);
        QVERIFY(!expected.isEmpty());
        const ViewAnswer answer = answerFor(flag);
        const QString column = flagName(flag);
        // Exactly the passing drinks hold 1 (as a whole number); every other drink holds 0.
        QCOMPARE(ids(QStringLiteral("SELECT ID FROM Drinks WHERE %1 = 1 AND typeof(%1) = 'integer' ORDER BY ID").arg(column)),
                 expected);
        QCOMPARE(Database().scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE %1 <> 0 AND %1 <> 1 OR typeof(%1) <> 'integer'")
                                       .arg(column)).toLongLong(),
                 0);
        QCOMPARE(answer.names.size(), expected.size());
        QVERIFY(IsViewCacheValid(flag));
        if (flag == DrinkFlag::CurrentStock) {
            // The progress range counts what the join of lines, drinks and stock counts.
            QCOMPARE(answer.rowCount, CountRecords(Count::InStockRecipeLines));
        }
    }

    void onlyChangedFlagsAreWritten()
    {
        fillAwkwardCollection(4);
        DrinksAvailableWithCurrentStock();
        InvalidateStockViews();
        // The same stock again: only the validity flag is written.
        qint64 before = totalChanges();
        DrinksAvailableWithCurrentStock();
        QCOMPARE(totalChanges() - before, 1);

        // One ingredient leaves the stock: the drinks that lose it, and the validity flag.
        const QList<qint64> was = expectedIds(DrinkFlag::CurrentStock);
        QVERIFY(!was.isEmpty());
        const QString used = Database()
                                 .scalar(QStringLiteral("SELECT i.Ingredient FROM DrinkInfo l JOIN Ingredients i "
                                                        "ON i.ID = l.IngID WHERE l.DrinkID = ?1"),
                                         {was.first()})
                                 .toString();
        QStringList stock = IngredientNamesOnList(IngredientList::CurrentStock, true);
        QVERIFY(stock.removeOne(used));
        SaveCurrentStock(stock, true);
        const QList<qint64> now = expectedIds(DrinkFlag::CurrentStock);
        QVERIFY(now.size() < was.size());
        before = totalChanges();
        DrinksAvailableWithCurrentStock();
        QCOMPARE(totalChanges() - before, was.size() - now.size() + 1);
        QCOMPARE(ids(QStringLiteral("SELECT ID FROM Drinks WHERE CurrentStock = 1 ORDER BY ID")), now);
    }

    void flagListsReadAnIndex_data()
    {
        QTest::addColumn<QString>("column");
        QTest::newRow("favourites") << QStringLiteral("Favorite");
        QTest::newRow("stock") << QStringLiteral("CurrentStock");
        QTest::newRow("non-alcoholic") << QStringLiteral("NonAlcoholic");
        QTest::newRow("both") << QStringLiteral("CurrentStockNonAlcoholic");
    }
    void flagListsReadAnIndex()
    {
        QFETCH(QString, column);
        // A file made before the flag indexes gets them when it is opened.
        const QString index = QStringLiteral("Drinks") + column;
        ExecuteSql(QStringLiteral("DROP INDEX %1").arg(index));
        CloseRecipeDatabase();
        OpenRecipeDatabase(m_folder->databasePath());
        QVERIFY(Database().scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE name = ?1"), {index}).isValid());
        // The list of one flag is a range of that index, not a pass over every drink.
        QString plan;
        {
            Sql::Statement explain(Database(), QStringLiteral("EXPLAIN QUERY PLAN SELECT Name FROM Drinks WHERE %1 = 1 "
                                                              "ORDER BY Name")
                                                   .arg(column));
            while (explain.step())
                plan += explain.text(3) + QLatin1Char('\n');
        }
        QVERIFY2(plan.contains(index) && !plan.contains(QLatin1String("TEMP B-TREE")), qPrintable(plan));
        // Opening a file that has them writes nothing: the journal stays empty.
        CloseRecipeDatabase();
        OpenRecipeDatabase(m_folder->databasePath());
        QCOMPARE(QFileInfo(m_folder->databasePath() + QStringLiteral("-wal")).size(), 0);
    }

    void keptStatementsBehaveLikeFreshOnes()
    {
        Sql::Connection& db = Database();
        for (int i = 1; i <= 3; ++i)
            db.execute(QStringLiteral("INSERT INTO Tips (ID, Title) VALUES (?1, ?2)"), {i, QStringLiteral("Tip %1").arg(i)});
        const QString byId = QStringLiteral("SELECT Title FROM Tips WHERE ID = ?1");
        QCOMPARE(db.scalar(byId, {2}).toString(), QStringLiteral("Tip 2"));
        QCOMPARE(db.scalar(byId, {3}).toString(), QStringLiteral("Tip 3"));
        QVERIFY(!db.scalar(byId, {9}).isValid());
        {
            // The same text while the kept statement is in use gets a statement of its own.
            const Sql::Connection::Lease outer(db, byId);
            outer->bind(1, qint64(1));
            QVERIFY(outer->step());
            QCOMPARE(db.scalar(byId, {2}).toString(), QStringLiteral("Tip 2"));
            QCOMPARE(outer->text(0), QStringLiteral("Tip 1"));
        }
        // A failure leaves the statement usable: the ID is the primary key of Drinks.
        const QString insert = QStringLiteral("INSERT INTO Drinks (ID, Name) VALUES (?1, ?2)");
        db.execute(insert, {1, QStringLiteral("A")});
        QVERIFY_THROWS_EXCEPTION(Sql::Error, db.execute(insert, {1, QStringLiteral("B")}));
        db.execute(insert, {2, QStringLiteral("B")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks")).toLongLong(), 2);
        // A finished read keeps no snapshot open: another connection's commit can be folded back.
        db.scalar(QStringLiteral("SELECT Title FROM Tips ORDER BY ID"));
        Sql::Connection other(m_folder->databasePath());
        other.execute(QStringLiteral("UPDATE Tips SET Title = 'Changed' WHERE ID = 1"));
        Sql::Statement checkpoint(other, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QVERIFY(checkpoint.step());
        QCOMPARE(checkpoint.int64(0), 0); // not blocked by a reader
        QCOMPARE(db.scalar(byId, {1}).toString(), QStringLiteral("Changed"));
    }

    void findScanAgreesWithTheTextTest_data()
    {
        QTest::addColumn<QString>("directions");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain") << QStringLiteral("Muddle the mint") << QStringLiteral("muddle") << true;
        QTest::newRow("other case") << QStringLiteral("stir WELL") << QStringLiteral("Well") << true;
        QTest::newRow("absent") << QStringLiteral("Shake hard") << QStringLiteral("stir") << false;
        // Letters from "o" upwards are stored above 0x7F, as two bytes.
        QTest::newRow("high ASCII letters") << QStringLiteral("pour over ice, top up") << QStringLiteral("OVER ICE, TOP") << true;
        QTest::newRow("tilde and braces") << QStringLiteral("a {b} ~c~ |d|") << QStringLiteral("~C~ |D") << true;
        QTest::newRow("control character") << QStringLiteral("line\tbreak") << QStringLiteral("e\tb") << true;
        QTest::newRow("accented haystack") << QStringLiteral("Crème de cassis") << QStringLiteral("CRÈME") << true;
        QTest::newRow("accented needle, plain haystack") << QStringLiteral("Creme de cassis") << QStringLiteral("crème") << false;
        QTest::newRow("sharp s") << QStringLiteral("Straße") << QStringLiteral("STRASSE") << true;
        QTest::newRow("outside the first plane") << QStringLiteral("Toast 🍸 twice") << QStringLiteral("🍸 TW") << true;
        // Stored, U+FEEE becomes a byte order mark, which reading the column drops at the start.
        QTest::newRow("stored byte order mark first")
            << (QString(QChar(0xFEEE)) + QStringLiteral("abc")) << (QString(QChar(0xFEEE)) + QStringLiteral("A")) << false;
        QTest::newRow("stored byte order mark inside")
            << (QStringLiteral("x") + QChar(0xFEEE) + QStringLiteral("abc")) << (QString(QChar(0xFEEE)) + QStringLiteral("A"))
            << true;
        QTest::newRow("empty needle") << QStringLiteral("anything") << QString() << true;
        QTest::newRow("empty directions") << QString() << QString() << false;
    }
    void findScanAgreesWithTheTextTest()
    {
        QFETCH(QString, directions);
        QFETCH(QString, needle);
        QFETCH(bool, found);
        if (!QByteArrayView(Lib::EncodeText(directions).toUtf8()).startsWith("\xEF\xBB\xBF"))
            QCOMPARE(ContainsTextIgnoringCase(directions, needle), found);
        ExecuteSql(QStringLiteral("INSERT INTO Drinks (ID, Name, Description) VALUES (1, ?1, ?2)"),
                   {Lib::EncodeText(QStringLiteral("TEST")),
                    directions.isEmpty() ? QVariant() : QVariant(Lib::EncodeText(directions))});
        const FindResult result = DrinksWithDescriptionContaining(needle);
        QCOMPARE(result.names, found ? QStringList{QStringLiteral("TEST")} : QStringList());
    }
};

QTEST_GUILESS_MAIN(TestBulkViews)
#include "test_bulkviews.moc"
