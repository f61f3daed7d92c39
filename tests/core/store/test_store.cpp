// The recipe store under the windows: text coding, adders, opening a file, the SQL layer, the
// drinks, the catalogue, the find scan; and what a start needs: the data folder, the preferences,
// the starter recipes and the program's own report of its database (run as a user runs it).

#include "TestSupport.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "core/store/DerivedFlags.h"
#include "core/store/DrinkSearch.h"
#include "core/store/Failure.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeRepository.h"
#include "core/store/StarterData.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace DBLib;
using namespace Qt::StringLiterals;

namespace {

// The rows of a query, columns joined by "|", Null as "~".
QStringList rows(const QString& sql)
{
    QStringList found;
    Sql::Statement s(Database(), sql);
    while (s.step()) {
        QStringList columns;
        for (int c = 0; c < s.columnCount(); ++c)
            columns << (s.isNull(c) ? u"~"_s : s.text(c));
        found << columns.join(u'|');
    }
    return found;
}

// Every row of every table: a refused write leaves this as it was.
QStringList dump()
{
    return rows(u"SELECT * FROM Drinks"_s) + rows(u"SELECT * FROM DrinkInfo"_s) + rows(u"SELECT * FROM Ingredients"_s) +
           rows(u"SELECT * FROM Settings"_s);
}

// The message of the Sql::Error that f throws; empty when it throws none.
QString refusal(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Sql::Error& e) {
        return e.message();
    }
    return QString();
}

DrinkEntry drinkEntry(const QString& name, const QList<std::pair<QString, QString>>& lines) // amount, ingredient
{
    DrinkEntry entry;
    entry.name = name;
    entry.glass = u"Cocktail Glass"_s;
    for (const auto& [amount, ingredient] : lines)
        entry.lines.append({amount, ingredient, QString(), false, std::nullopt});
    return entry;
}

enum class Trouble { Bytes, Missing, Foreign, Newer, FileReadOnly, FolderReadOnly, Locked, JournalBlocked };

QString logged;

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;
    QTemporaryDir m_template;

    QString templatePath() const { return QDir(m_template.path()).filePath(u"Tumblerix.dat"_s); }

    // Names, groups and marks for the catalogue's order and its substitute groups.
    static void fillCatalogue()
    {
        ExecuteSql(u"DELETE FROM Ingredients"_s);
        const QStringList entries = {
            u"Gin Fizz|~|0|1|0"_s,  u"banana|3|1|0|1"_s,    u"Zest| 3|1|1|0"_s,     u"_Under|~|0|0|1"_s,
            u"Éclair|03|0|0|0"_s,   u"crème|x|0|1|1"_s,     u"Apple|32767|1|0|0"_s, u"Gin|-32768|0|0|0"_s,
            u"~|~|0|1|0"_s,         u"  |~|0|0|0"_s,        u"gin|32768|0|0|0"_s,   u"Kiwi|32767|0|0|0"_s,
            u"Lime|-32768|0|0|0"_s, u"Mint|32768|0|0|0"_s,  u"Nut|x|0|0|0"_s,       u"Olive|-32769|0|0|0"_s,
            u"Pear|-32769|0|0|0"_s};
        for (qsizetype id = 0; id < entries.size(); ++id) {
            QVariantList values = {id + 1};
            for (const QString& value : entries.at(id).split(u'|'))
                values << (value == u"~"_s ? QVariant() : QVariant(value));
            ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient, Substitute, NonAlcohol, CurrentStock, ShoppingList) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"_s, values);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A database of some pages, so that damage to its middle hits drinks and recipe lines.
        TestDataFolder folder;
        folder.createSmallDatabase();
        for (int i = 1; i <= 300; ++i)
            addTestDrink(u"Drink %1"_s.arg(i), {{"2 oz", "Gin"}});
        CloseRecipeDatabase();
        QVERIFY(QFile::copy(folder.databasePath(), templatePath()));
    }
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
    }

    void textCoding_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("refusedAt"); // 0: converted both ways; else the position named
        QTest::newRow("lowest code point") << QString(QChar(0)) << u"\u0011"_s << 0;
        QTest::newRow("below the surrogates") << u"\uD7EE"_s << u"\uD7FF"_s << 0;
        QTest::newRow("above the surrogates") << u"\uE000"_s << u"\uE011"_s << 0;
        QTest::newRow("out of the first plane") << u"\uFFFF"_s << u"\U00010010"_s << 0;
        QTest::newRow("last code point") << u"\U0010FFEE"_s << u"\U0010FFFF"_s << 0;
        QTest::newRow("stored in the surrogates") << u"ok\uD7EF"_s << QString() << 3;
        QTest::newRow("stored past the last code point") << u"\U0010FFEF"_s << QString() << 2;
        QTest::newRow("lone high surrogate") << u"ab"_s + QChar(0xD83C) << QString() << 3;
        QTest::newRow("plain below zero") << QString() << u"a\u0010"_s << 2;
        QTest::newRow("plain in the surrogates") << QString() << u"\uE010"_s << 1;
    }
    void textCoding()
    {
        QFETCH(QString, plain);
        QFETCH(QString, stored);
        QFETCH(int, refusedAt);
        if (refusedAt == 0) {
            QCOMPARE(Lib::EncodeText(plain), stored);
            QCOMPARE(Lib::DecodeText(QVariant(stored)), plain);
            return;
        }
        try {
            plain.isEmpty() ? Lib::DecodeText(stored) : Lib::EncodeText(plain);
            QFAIL("the text was converted");
        } catch (const Lib::TextCodingError& e) {
            QVERIFY2(e.message().contains(u"position %1"_s.arg(refusedAt)), qPrintable(e.message()));
        }
    }

    void parseYesNo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected"); // invalid: refused
        const char* const texts[] = {"True", "yes", " ON ", "-1", "2.5", "FALSE", "No", "off", "0", "0.0", "maybe", "", "Yes please"};
        for (int i = 0; i < 13; ++i)
            QTest::addRow("'%s'", texts[i]) << QString::fromLatin1(texts[i]) << (i < 10 ? QVariant(i < 5) : QVariant());
    }
    void parseYesNo()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        const std::optional<bool> value = ParseYesNo(text);
        QCOMPARE(value ? QVariant(*value) : QVariant(), expected);
    }

    void adders_data()
    {
        QTest::addColumn<std::function<void()>>("add");
        QTest::addColumn<QString>("added"); // the new row; empty when refused with the message
        QTest::addColumn<QString>("message");
        using F = std::function<void()>;
        const auto drink = [](qint64 id, const QString& name, const QString& favorite) {
            return F([=] { AddDrink(id, name, 2, u"Go."_s, favorite, u"True"_s, u"no"_s, u" 1 "_s, u" "_s); });
        };
        QTest::newRow("ingredient") << F([] { AddIngredient(u"lime juice"_s, QString(), u"True"_s); })
                                    << u"9|Lime Juice|~|1|0|0"_s << QString();
        QTest::newRow("ingredient, blanks kept") << F([] { AddIngredient(u" blue  curacao"_s, u" 4 "_s, u"False"_s); })
                                                 << u"9| Blue  Curacao| 4 |0|0|0"_s << QString();
        QTest::newRow("ingredient, capitals") << F([] { AddIngredient(u"ROSE'S \u00C9CLAT"_s, u"  "_s, u" "_s); })
                                              << u"9|Rose's \u00C9clat|~|0|0|0"_s << QString();
        QTest::newRow("ingredient, not a yes/no value") << F([] { AddIngredient(u"Rum"_s, QString(), u"Maybe"_s); })
                                                        << QString() << u"\"Maybe\" is not a Yes/No value for NonAlcohol."_s;
        QTest::newRow("drink") << drink(2, u"GIMLET"_s, QString())
                               << u"2|%1|2|%2|0|1|0|1|0"_s.arg(Lib::EncodeText(u"GIMLET"_s), Lib::EncodeText(u"Go."_s))
                               << QString();
        QTest::newRow("drink, name taken") << drink(2, u"MARTINI"_s, QString()) << QString()
                                           << u"A drink named \"MARTINI\" already exists."_s;
    }
    void adders()
    {
        QFETCH(std::function<void()>, add);
        QFETCH(QString, added);
        QFETCH(QString, message);
        AddDrink(1, u"MARTINI"_s, 1, QString(), {}, {}, {}, {}, {});
        const QStringList before = dump();
        try {
            add();
        } catch (const Sql::Error& e) {
            QCOMPARE(e.message(), message);
        }
        QStringList now = dump();
        for (const QString& row : before)
            now.removeOne(row);
        QCOMPARE(now, added.isEmpty() ? QStringList() : QStringList{added});
    }

    void countRecords_data()
    {
        QTest::addColumn<Count>("what");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("drinks") << Count::Drinks << qint64(10);
        QTest::newRow("favourites") << Count::FavoriteDrinks << qint64(1);
        QTest::newRow("submitted") << Count::SubmittedDrinks << qint64(2);
        QTest::newRow("stock") << Count::CurrentStockDrinks << qint64(5);
        QTest::newRow("non-alcoholic") << Count::NonAlcoholicDrinks << qint64(6);
        QTest::newRow("both") << Count::CurrentStockNonAlcoholicDrinks << qint64(7);
        QTest::newRow("recipe lines") << Count::RecipeLines << qint64(13);
        QTest::newRow("in-stock lines of named drinks") << Count::InStockRecipeLines << qint64(9);
        QTest::newRow("ingredients") << Count::Ingredients << qint64(8);
        QTest::newRow("glasses") << Count::GlassTypes << qint64(3);
        QTest::newRow("tips") << Count::Tips << qint64(4);
    }
    void countRecords()
    {
        QFETCH(Count, what);
        QFETCH(qint64, expected);
        // Drinks 1-10 (10 unnamed), each with a Gin line (in stock); 1 and 2 a Vodka line too; a line of a gone drink.
        for (int id = 1; id <= 10; ++id) {
            ExecuteSql(u"INSERT INTO Drinks (ID, Name, Favorite, Submitted, CurrentStock, NonAlcoholic, "
                       "CurrentStockNonAlcoholic) VALUES (?1, ?2, ?1 = 1, ?1 <= 2, ?1 <= 5, ?1 <= 6, ?1 <= 7)"_s,
                       {id, id == 10 ? QVariant() : QVariant(u"D%1"_s.arg(id))});
            ExecuteSql(u"INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (?1, 1)"_s, {id});
        }
        ExecuteSql(u"INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (1, 6), (2, 6), (99, 1)"_s);
        ExecuteSql(u"INSERT INTO Tips (ID) VALUES (1), (2), (3), (4)"_s);
        QCOMPARE(CountRecords(what), expected);
    }

    void unusableDatabaseIsRefusedUntouched_data()
    {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QByteArray>("bytes"); // the file's new content, for Trouble::Bytes
        QTest::addColumn<QString>("reason");
        const QByteArray original = fileBytes(templatePath());
        QTest::newRow("missing") << Trouble::Missing << QByteArray() << u"does not exist"_s;
        QTest::newRow("empty") << Trouble::Bytes << QByteArray() << u"is not a Tumblerix recipe database: the file is empty"_s;
        QTest::newRow("text file") << Trouble::Bytes << QByteArray("Shopping: limes, mint.\n") << u"not a database file"_s;
        const QByteArray zeroed = QByteArray(original).replace(original.size() / 2, 4096, QByteArray(4096, 0));
        QTest::newRow("a page zeroed") << Trouble::Bytes << zeroed << u"is damaged"_s;
        QTest::newRow("another program's database") << Trouble::Foreign << QByteArray()
                                                    << u"the table(s) Drinks, DrinkInfo, Ingredients, GlassTypes, "
                                                       "Settings, Tips are missing"_s;
        QTest::newRow("newer layout") << Trouble::Newer << QByteArray() << u"a newer version of Tumblerix (layout 99;"_s;
        QTest::newRow("file read-only") << Trouble::FileReadOnly << QByteArray() << u"cannot be used: the file is read-only."_s;
        QTest::newRow("folder read-only") << Trouble::FolderReadOnly << QByteArray()
                                          << u"cannot be used: its folder <> is read-only."_s;
        QTest::newRow("locked by another program") << Trouble::Locked << QByteArray() << u"is in use by another program"_s;
        QTest::newRow("a folder where the journal goes") << Trouble::JournalBlocked << QByteArray() << u"cannot be read as a"_s;
    }
    void unusableDatabaseIsRefusedUntouched()
    {
        QFETCH(Trouble, trouble);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        CloseRecipeDatabase();
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(u"Tumblerix.dat"_s);
        QFile file(path);
        QVERIFY(trouble == Trouble::Missing || QFile::copy(templatePath(), path));
        if (trouble == Trouble::Bytes)
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        file.close();
        if (trouble == Trouble::Foreign || trouble == Trouble::Newer) {
            QVERIFY(trouble == Trouble::Newer || QFile::resize(path, 0));
            Sql::Connection(path).exec(trouble == Trouble::Newer ? u"PRAGMA user_version = 99"_s : u"CREATE TABLE A (B)"_s);
        }
        QVERIFY(trouble != Trouble::JournalBlocked || QDir().mkdir(path + u"-wal"_s));
        std::optional<Sql::Connection> other;
        if (trouble == Trouble::Locked) {
            other.emplace(path);
            other->exec(u"PRAGMA journal_mode = DELETE"_s); // the older journal form: a writer keeps readers out
        }
        const bool fileReadOnly = trouble == Trouble::FileReadOnly;
        const bool folderReadOnly = trouble == Trouble::FolderReadOnly;
        QVERIFY(!fileReadOnly || file.setPermissions(QFileDevice::ReadOwner));
        QVERIFY(!folderReadOnly || QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const auto listing = [&] {
            return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) << QString::fromLatin1(fileBytes(path).toBase64());
        };
        const QStringList before = listing();
        if (other)
            other->exec(u"BEGIN EXCLUSIVE"_s);
        QString message;
        bool bitsBind = true;
        {
            const PermissionBitsApply asAnyUser;
            if (fileReadOnly || folderReadOnly)
                bitsBind = !QFileInfo(fileReadOnly ? path : dir.path()).isWritable();
            if (bitsBind)
                message = refusal([&] { OpenRecipeDatabase(path); });
        }
        if (other)
            other->exec(u"ROLLBACK"_s);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!bitsBind)
            QSKIP("permission bits do not bind this process here");
        QVERIFY2(message.contains(path) && message.contains(reason.replace(u"<>"_s, dir.path())), qPrintable(message));
        QVERIFY(!IsOpen());
        QCOMPARE(listing(), before);
    }

    void openRepairsWhatItMayAndWritesNothingElse()
    {
        const QString path = m_folder->databasePath();
        ExecuteSql(u"DELETE FROM Settings"_s);
        ExecuteSql(u"DROP INDEX DrinksFavorite"_s);
        CloseRecipeDatabase();
        OpenRecipeDatabase(path);
        // A lost flags row comes back stale; a list view's index comes back.
        QCOMPARE(rows(u"SELECT CurrentStockUpdate || NonAlcoholicUpdate || CurrentStockNonAlcoholicUpdate FROM Settings "
                      "UNION ALL SELECT name FROM sqlite_schema WHERE name = 'DrinksFavorite'"_s),
                 QStringList({u"000"_s, u"DrinksFavorite"_s}));
        ExecuteSql(u"UPDATE Settings SET NonAlcoholicUpdate = 1"_s);
        CloseRecipeDatabase();
        OpenRecipeDatabase(path);
        QCOMPARE(QFileInfo(path + u"-wal"_s).size(), 0);
        QCOMPARE(rows(u"SELECT * FROM Settings"_s), QStringList{u"0|1|0"_s});
        // A new file is made only where none is, and for its owner alone.
        QVERIFY(refusal([&] { CreateRecipeDatabase(path); }).contains(u"already exists; it is not replaced"_s));
        const QString fresh = m_folder->file(u"new.dat"_s);
        CreateRecipeDatabase(fresh);
        QCOMPARE(QFile::permissions(fresh) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(refusal([] { Sql::Connection(u"/nonexistent/x.dat"_s); }), u"The file /nonexistent/x.dat does not exist."_s);
    }

    // A database of the first release (no strength table) is upgraded once, in one transaction,
    // after a copy of it is kept beside it. When the copy or the upgrade fails, the file stays as
    // it was and the error says so.
    void upgradeOfAFirstReleaseDatabase_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("upgrades") << QString();
        QTest::newRow("the copy cannot be kept") << u"copy"_s;
        QTest::newRow("the new table cannot be made") << u"table"_s;
    }
    void upgradeOfAFirstReleaseDatabase()
    {
        QFETCH(QString, obstacle);
        const QString path = m_folder->databasePath();
        const QString copy = path + u".bak-1"_s;
        ExecuteSql(u"UPDATE Ingredients SET Ingredient = 'Gin' WHERE ID = 1"_s);
        ExecuteSql(u"DROP TABLE IngredientStrength"_s);
        if (obstacle == u"table"_s)
            ExecuteSql(u"CREATE VIEW IngredientStrength AS SELECT 1 AS x"_s);
        if (obstacle == u"copy"_s)
            QVERIFY(QDir().mkpath(copy + u"/in-the-way"_s));
        const QStringList before = dump();
        CloseRecipeDatabase();
        const QByteArray original = fileBytes(path);
        const QString failure = refusal([&] { OpenRecipeDatabase(path); });
        if (!obstacle.isEmpty()) {
            QVERIFY2(!failure.isEmpty(), qPrintable(obstacle));
            QVERIFY(!IsOpen() && !QFileInfo::exists(copy + u".part"_s));
            QCOMPARE(fileBytes(path), original);
            return;
        }
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        // The known strengths are filled in; the copy is the first-release file.
        QCOMPARE(rows(u"SELECT Abv FROM IngredientStrength WHERE IngredientID = 1"_s), QStringList{u"40.0"_s});
        Sql::Connection kept(copy);
        QVERIFY(!kept.scalar(u"SELECT 1 FROM sqlite_schema WHERE name = 'IngredientStrength'"_s).isValid());
        QCOMPARE(kept.scalar(u"SELECT COUNT(*) FROM Ingredients"_s), Database().scalar(u"SELECT COUNT(*) FROM Ingredients"_s));
        // Once only: the next opening keeps the copy as it is.
        const QDateTime copied = QFileInfo(copy).lastModified();
        CloseRecipeDatabase();
        OpenRecipeDatabase(path);
        QCOMPARE(QFileInfo(copy).lastModified(), copied);
        QCOMPARE(dump(), before); // the recipes themselves are untouched
    }

    // Every page is read at opening unless the file is exactly as a clean close left it. Damage
    // written by another program (the file changed) or left by a crash (no clean close) is found;
    // damage that leaves the file looking untouched is found by the full check on demand.
    void openingChecksWhatItCannotVouchFor_data()
    {
        QTest::addColumn<bool>("cleanClose");
        QTest::addColumn<bool>("lookUntouched");
        QTest::addColumn<bool>("refused");
        QTest::newRow("written by another program after a clean close") << true << false << true;
        QTest::newRow("damaged while open, then a crash") << false << true << true;
        QTest::newRow("damaged without a trace after a clean close") << true << true << false;
    }
    void openingChecksWhatItCannotVouchFor()
    {
        QFETCH(bool, cleanClose);
        QFETCH(bool, lookUntouched);
        QFETCH(bool, refused);
        const QString path = m_folder->databasePath();
        for (int i = 0; i < 40; ++i) // enough rows for a page in the middle of a table
            addTestDrink(u"Filler %1"_s.arg(i), {{"1 oz", "Gin"}});
        if (cleanClose) {
            CloseRecipeDatabase();
        } else {
            ExecuteSql(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
            QFile::copy(path, path + u".crashed"_s); // the file as the crash left it, open
            CloseRecipeDatabase();
            QFile::remove(path);
            QFile::rename(path + u".crashed"_s, path);
        }
        struct stat before{};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &before) == 0);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(3 * 4096) && file.write(QByteArray(4096, 0)) == 4096);
        }
        if (lookUntouched) {
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
        }
        const QString failure = refusal([&] { OpenRecipeDatabase(path); });
        QVERIFY2(failure.contains(u"is damaged"_s) == refused, qPrintable(failure));
        if (!refused)
            QVERIFY(!CheckRecipeDatabase().isEmpty());
    }

    void failingStatementReportsItsExtendedCode_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("code");
        QTest::newRow("name taken") << u"INSERT INTO Drinks (ID, Name) VALUES (2, 'A')"_s << SQLITE_CONSTRAINT_UNIQUE;
        QTest::newRow("number taken") << u"INSERT INTO Drinks (ID, Name) VALUES (1, 'B')"_s << SQLITE_CONSTRAINT_PRIMARYKEY;
        QTest::newRow("no value") << u"INSERT INTO Drinks (ID, Favorite) VALUES (3, NULL)"_s << SQLITE_CONSTRAINT_NOTNULL;
        // A double-quoted word is a name, never a text value.
        QTest::newRow("double quotes") << u"SELECT ID FROM Ingredients WHERE Ingredient = \"Gin\""_s << SQLITE_ERROR;
    }
    void failingStatementReportsItsExtendedCode()
    {
        QFETCH(QString, sql);
        QFETCH(int, code);
        Sql::Connection& db = Database();
        db.execute(u"INSERT INTO Drinks (ID, Name) VALUES (1, 'A')"_s);
        const std::function<void()> ways[] = {[&] { db.execute(sql); }, [&] { db.exec(sql); },
                                              [&] { db.prepare(sql).run(); }, [&] { db.prepare(sql).step(); }};
        for (const auto& way : ways) {
            try {
                way();
                QFAIL("the statement ran");
            } catch (const Sql::Error& e) {
                QVERIFY2(e.code() == code && e.statement() == sql, qPrintable(e.message()));
            }
        }
        QCOMPARE(rows(u"SELECT Name FROM Drinks"_s), QStringList{u"A"_s});
    }

    void keptStatementsAndSnapshots()
    {
        Sql::Connection& db = Database();
        const QString byId = u"SELECT Ingredient FROM Ingredients WHERE ID = ?1"_s;
        {
            // The same text while the kept statement is in use gets a statement of its own.
            const Sql::Connection::Lease outer(db, byId);
            outer->bind(1, qint64(1));
            QVERIFY(outer->step());
            QVERIFY(db.scalar(byId, {3}).toString() == u"Lime Juice"_s && outer->text(0) == u"Gin"_s);
        }
        // A snapshot stands on its first row; past the last one, or for a column it lacks, it says so.
        Snapshot first = OpenSnapshot(u"SELECT ID, Ingredient FROM Ingredients WHERE ID < 3 ORDER BY ID"_s);
        QVERIFY(first.field(u"id"_s).toInt() == 1 && first.field(1).toString() == u"Gin"_s && !first.isEmpty());
        QCOMPARE(refusal([&] { first.field(u"Name"_s); }), u"The result has no column Name."_s);
        first.moveNext();
        first.moveNext();
        QVERIFY(first.atEnd() && !refusal([&] { first.field(0); }).isEmpty() && OpenSnapshot(u"SELECT * FROM Tips"_s).isEmpty());
    }

    void writeNewDrinkThenReadIt()
    {
        DrinkEntry collins = drinkEntry(u"  Tom Collins "_s,
                                        {{u"2 oz"_s, u" gin "_s}, {u"1 oz"_s, u"  "_s}, {u" 1 oz"_s, u"LIME juice"_s},
                                         {u"Top"_s, u"club soda"_s}, {QString(), u"Club Soda"_s}});
        collins.lines[2].substitute = u"9"_s;
        collins.lines[3].substitute = u"7"_s;
        collins.lines[3].nonAlcoholic = true;
        collins.glass = u"highball GLASS"_s;
        collins.description = u"Shake.\nTop up."_s;
        collins.favorite = true;
        const SavedDrink saved = WriteNewDrink(collins);
        QCOMPARE(saved.id, 1);
        QCOMPARE(saved.newIngredients, QStringList{u"Club Soda"_s});
        const Drink drink = ReadDrink(u"tom collins"_s).value_or(Drink{});
        QCOMPARE(drink.name + drink.glassName + drink.description, u"TOM COLLINSHighball GlassShake.\nTop up."_s);
        QVERIFY(drink.favorite && !drink.submitted);
        QCOMPARE(recipeLines(drink), QStringList({u"2 oz|Gin"_s, u" 1 oz|Lime Juice"_s, u"Top|Club Soda"_s, u"|Club Soda"_s}));
        // A known ingredient keeps its details; a new one gets the line's.
        QCOMPARE(rows(u"SELECT Ingredient, Substitute, NonAlcohol FROM Ingredients WHERE ID IN (1, 3, 9)"_s),
                 QStringList({u"Gin|~|0"_s, u"Lime Juice|~|1"_s, u"Club Soda|7|1"_s}));
        DrinkEntry fizz = drinkEntry(u"Fizz"_s, {{u"4 oz"_s, u"Orange Juice"_s}, {QString(), u"Ginger Ale"_s}});
        fizz.glassType = 3;
        fizz.submitted = true;
        QCOMPARE(WriteNewDrink(fizz).id, 2);
        const Drink second = ReadDrinkById(2).value_or(Drink{});
        QVERIFY(second.glassName == u"Old Fashioned Glass"_s && !second.favorite && second.submitted);
        // Its derived flags are worked out with it.
        QCOMPARE(rows(u"SELECT CurrentStock, NonAlcoholic, CurrentStockNonAlcoholic FROM Drinks"_s),
                 QStringList({u"0|0|0"_s, u"1|1|1"_s}));
        QCOMPARE(AllDrinkNames([](qint64) { QFAIL("progress told for two rows"); }), QStringList({u"FIZZ"_s, u"TOM COLLINS"_s}));
    }

    void drinkFoundByStoredNameThenCapitals_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found"); // empty: none
        QTest::newRow("capitals") << QStringList{u"MARTINI"_s} << u" Martini  "_s << u"MARTINI"_s;
        QTest::newRow("exact name first") << QStringList{u"Tonic"_s, u"TONIC"_s} << u"Tonic"_s << u"Tonic"_s;
        QTest::newRow("then capitals") << QStringList{u"Tonic"_s, u"TONIC"_s} << u"tonic"_s << u"TONIC"_s;
        QTest::newRow("other letters only") << QStringList{u"Tonic"_s} << u"tonic"_s << QString();
        QTest::newRow("name without stored form") << QStringList{u"MARTINI"_s} << u"\U0010FFEF"_s << QString();
    }
    void drinkFoundByStoredNameThenCapitals()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, asked);
        QFETCH(QString, found);
        for (qsizetype i = 0; i < stored.size(); ++i) {
            AddRecipeLine(i + 1, 5, QString());
            AddDrink(i + 1, stored.at(i), 1, QString(), {}, {}, {}, {}, {});
        }
        // Every command that takes a name finds its drink the same way.
        QCOMPARE(ReadDrink(asked).value_or(Drink{}).name, found);
        QCOMPARE(FindDrinkID(asked), found.isEmpty() ? -1 : stored.indexOf(found) + 1);
        QCOMPARE(SetFavorite(asked, true), !found.isEmpty());
        QCOMPARE(FavoriteDrinkNames(), found.isEmpty() ? QStringList() : QStringList{found});
        QCOMPARE(AddMissingIngredientsToShoppingList(asked), found.isEmpty() ? -1 : 1);
        QCOMPARE(DeleteDrink(asked), !found.isEmpty());
        stored.removeOne(found);
        QCOMPARE(AllDrinkNames(), stored);
    }

    void failedWriteLeavesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("glass"); // a number: the glass by number
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        const QString glass = u"Cocktail Glass"_s;
        QTest::newRow("name taken") << u"Martini"_s << glass << u"1"_s << u"Writing the drink \"MARTINI\": A drink named"_s;
        QTest::newRow("unknown glass") << u"Sour"_s << u"Cup"_s << u"1"_s << u"Looking up the glass \"Cup\": There is no"_s;
        QTest::newRow("unknown glass number") << u"Sour"_s << u"99"_s << u"1"_s << u"Looking up the glass number 99: There"_s;
        QTest::newRow("amount without stored form") << u"Sour"_s << glass << u"\U0010FFEF"_s << u"Writing the recipe line"_s;
        QTest::newRow("name without stored form") << u"Sour\uD7EF"_s << glass << u"1"_s << u"Writing the drink \"SOUR\uD7EF\": The"_s;
    }
    void failedWriteLeavesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, glass);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        WriteNewDrink(drinkEntry(u"Martini"_s, {{u"2 oz"_s, u"Gin"_s}}));
        const qint64 gimlet = WriteNewDrink(drinkEntry(u"Gimlet"_s, {{u"2 oz"_s, u"Gin"_s}})).id;
        // A new ingredient joins the catalogue before the failing step.
        DrinkEntry entry = drinkEntry(name, {{u"1 oz"_s, u"Gin"_s}, {amount, u"Novelty"_s}});
        entry.glass = glass;
        if (glass.toInt())
            entry.glassType = glass.toInt();
        const QStringList before = dump();
        for (const QString& failure : {refusal([&] { WriteNewDrink(entry); }), refusal([&] { ReplaceDrink(gimlet, entry); })}) {
            QVERIFY2(failure.startsWith(message), qPrintable(failure));
            QCOMPARE(dump(), before);
        }
    }

    void replaceDrink()
    {
        WriteNewDrink(drinkEntry(u"Martini"_s, {{u"2 oz"_s, u"Gin"_s}, {u"1 oz"_s, u"Dry Vermouth"_s}}));
        WriteNewDrink(drinkEntry(u"Gimlet"_s, {{u"2 oz"_s, u"Gin"_s}}));
        const DrinkEntry next = drinkEntry(u"Gimlet 2"_s, {{u"2 oz"_s, u"Vodka"_s}, {u"1 oz"_s, u"Lime Juice"_s}});
        // The new number is worked out after the old drink is gone. A favourite stays one; the changed
        // drink has not been submitted.
        ExecuteSql(u"UPDATE Drinks SET Favorite = 1, Submitted = 1 WHERE ID = 2"_s);
        QCOMPARE(ReplaceDrink(2, next).id, 2);
        QCOMPARE(rows(u"SELECT Favorite || Submitted FROM Drinks WHERE ID = 2"_s), QStringList{u"10"_s});
        QCOMPARE(recipeLines(ReadDrink(u"gimlet 2"_s).value_or(Drink{})), QStringList({u"2 oz|Vodka"_s, u"1 oz|Lime Juice"_s}));
        QCOMPARE(ReplaceDrink(1, drinkEntry(u"Martini"_s, {{QString(), u"Gin"_s}})).id, 3);
        QCOMPARE(AllDrinkNames(), QStringList({u"GIMLET 2"_s, u"MARTINI"_s}));
        QCOMPARE(rows(u"SELECT DrinkID FROM DrinkInfo"_s), QStringList({u"2"_s, u"2"_s, u"3"_s}));
        const QStringList before = dump();
        QCOMPARE(refusal([&] { ReplaceDrink(1, next); }),
                 u"Removing the old recipe: the drink is no longer in the recipe database"_s);
        QCOMPARE(dump(), before);
    }

    void commandsOnADrink()
    {
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1 oz", "Dry Vermouth"}});
        const qint64 screwdriver = addTestDrink(u"Screwdriver"_s, {{"2 oz", "Vodka"}, {"4 oz", "Orange Juice"}});
        addTestDrink(u"Shirley"_s, {{"1 oz", "Grenadine"}, {"1 oz", "Sugar Syrup"}, {"1 dash", "Grenadine"}});
        ExecuteSql(u"UPDATE Ingredients SET ShoppingList = 1 WHERE Ingredient = 'Sugar Syrup'"_s);
        // Only what is neither in stock nor on the list yet; a doubled ingredient counts once.
        QCOMPARE(AddMissingIngredientsToShoppingList(u"shirley"_s), 1);
        QCOMPARE(AddMissingIngredientsToShoppingList(u"Martini"_s), 0);
        QCOMPARE(IngredientNamesOnList(IngredientList::ShoppingList, true), QStringList({u"Grenadine"_s, u"Sugar Syrup"_s}));
        QVERIFY(SetFavorite(u"Martini"_s, true) && SetFavorite(u"Martini"_s, false) && FavoriteDrinkNames().isEmpty());
        ExecuteSql(u"UPDATE Drinks SET Submitted = 0"_s);
        MarkSubmitted(screwdriver);
        QCOMPARE(rows(u"SELECT Submitted FROM Drinks"_s), QStringList({u"0"_s, u"1"_s, u"0"_s}));
        // A delete takes the drink and its lines, nothing else.
        QVERIFY(DeleteDrink(u"Screwdriver"_s));
        QCOMPARE(AllDrinkNames(), QStringList({u"MARTINI"_s, u"SHIRLEY"_s}));
        QCOMPARE(rows(u"SELECT DISTINCT DrinkID FROM DrinkInfo"_s) << QString::number(CountRecords(Count::Ingredients)),
                 QStringList({u"1"_s, u"3"_s, u"8"_s}));
    }

    // The list of all drinks is kept while only marks and flags change, and read again after
    // anything that changes which drinks there are or their names, a rollback included. A view's
    // kept answer follows any change of the flags.
    void keptListsFollowChanges()
    {
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}});
        const QStringList first = AllDrinkNames();
        QCOMPARE(KnownDrinkNames().value_or(QStringList{}), first);
        SaveCurrentStock({u"Gin"_s}, true);
        QCOMPARE(DrinksAvailableWithCurrentStock().names, QStringList{u"MARTINI"_s});
        QVERIFY(SetFavorite(first.first(), true));
        QCOMPARE(KnownDrinkNames().value_or(QStringList{}), first);
        ExecuteSql(u"UPDATE Drinks SET CurrentStock = 0"_s); // the flags are still said to be valid
        QCOMPARE(DrinksAvailableWithCurrentStock().names, QStringList{});

        addTestDrink(u"Zombie"_s, {{"1 oz", "Gin"}});
        QVERIFY(!KnownDrinkNames());
        QVERIFY(AllDrinkNames().contains(u"ZOMBIE"_s));
        ExecuteSql(u"UPDATE Drinks SET Name = '%1' WHERE Name = '%2'"_s.arg(Lib::EncodeText(u"ZULU"_s), Lib::EncodeText(u"ZOMBIE"_s)));
        QVERIFY(AllDrinkNames().contains(u"ZULU"_s));
        try {
            WriteBatch batch;
            DeleteDrink(u"Zulu"_s);
            QVERIFY(!AllDrinkNames().contains(u"ZULU"_s)); // read inside the batch
            throw std::runtime_error("abandoned");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(AllDrinkNames().contains(u"ZULU"_s));
    }

    void recipeLineText_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("ingredient"); // empty: missing from the catalogue
        QTest::addColumn<QString>("text");
        QTest::newRow("bars taken out") << u"1|2 oz"_s << u"Pipe|Juice"_s << u"12 oz PipeJuice"_s;
        QTest::newRow("ingredient missing") << u"1 dash"_s << QString()
                                            << u"1 dash (ingredient no. 99, missing from the catalogue)"_s;
    }
    void recipeLineText()
    {
        QFETCH(QString, amount);
        QFETCH(QString, ingredient);
        QFETCH(QString, text);
        ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient) VALUES (20, ?1)"_s, {QString(ingredient + u' ')});
        AddRecipeLine(7, 1, u"2 oz"_s);
        AddRecipeLine(7, ingredient.isEmpty() ? 99 : 20, amount);
        AddDrink(7, u"ODD"_s, 1, QString(), {}, {}, {}, {}, {});
        // A line whose ingredient the catalogue lacks is kept, marked and reported.
        const Drink drink = ReadDrink(u"Odd"_s).value_or(Drink{});
        QVERIFY(drink.lines[1].ingredientMissing == ingredient.isEmpty() && !drink.lines[1].nonAlcoholic);
        QCOMPARE(RecipeLineText(drink.lines[1]), text);
        QCOMPARE(drink.missingIngredientsText().contains(u"ODD names ingredient no. 99,"_s), ingredient.isEmpty());
    }

    void catalogue()
    {
        fillCatalogue();
        QStringList names;
        for (const Ingredient& i : IngredientCatalogue())
            names << (i.hasName ? i.name : u"~"_s);
        // Letter case aside, accented letters too; equal names by number.
        const QStringList named = {u"  "_s,   u"_Under"_s,   u"Apple"_s, u"banana"_s, u"crème"_s, u"Gin"_s,
                                   u"gin"_s,  u"Gin Fizz"_s, u"Kiwi"_s,  u"Lime"_s,   u"Mint"_s,  u"Nut"_s,
                                   u"Olive"_s, u"Pear"_s,    u"Zest"_s,  u"Éclair"_s};
        QCOMPARE(names, QStringList{u"~"_s} + named);
        QCOMPARE(IngredientNames(), named);
        for (const QString& name : named.mid(1)) {
            for (const QString& asked : {name.toUpper(), name.toLower()})
                QCOMPARE(GetIngredientName(FindIngredientID(asked)).compare(name, Qt::CaseInsensitive), 0);
        }
        QCOMPARE(FindIngredientID(u"\u212Aiwi"_s), FindIngredientID(u"kiwi"_s)); // the Kelvin sign folds to k
        QVERIFY(IngredientCatalogue().at(4).nonAlcoholic && !IngredientCatalogue().at(2).nonAlcoholic);
        QCOMPARE(IngredientNamesOnList(IngredientList::CurrentStock, true), QStringList({u"crème"_s, u"Gin Fizz"_s, u"Zest"_s}));
        QCOMPARE(IngredientNamesOnList(IngredientList::ShoppingList, true), QStringList({u"_Under"_s, u"banana"_s, u"crème"_s}));
        QCOMPARE(SubstituteIngredientNames(), QStringList({u"Apple"_s, u"banana"_s, u"crème"_s, u"Gin"_s, u"gin"_s, u"Kiwi"_s,
                                                           u"Lime"_s, u"Mint"_s, u"Nut"_s, u"Olive"_s, u"Pear"_s, u"Zest"_s,
                                                           u"Éclair"_s}));
        // Names of the lists are matched letter case aside; unknown ones change nothing.
        SaveCurrentStock({u"gin fizz"_s, u"BANANA"_s, u"Absinthe"_s}, true);
        SaveShoppingList({u"zest"_s});
        QCOMPARE(IngredientNamesOnList(IngredientList::CurrentStock, true), QStringList({u"banana"_s, u"Gin Fizz"_s}));
        QCOMPARE(IngredientNamesOnList(IngredientList::ShoppingList, true), QStringList{u"Zest"_s});
    }

    void substitutes_data()
    {
        QTest::addColumn<QString>("ingredient");
        QTest::addColumn<QStringList>("others");
        QTest::newRow("groups compared as numbers") << u"banana"_s << QStringList({u"Zest"_s, u"Éclair"_s});
        QTest::newRow("found in any letter case") << u"ZEST"_s << QStringList({u"banana"_s, u"Zest"_s, u"Éclair"_s});
        QTest::newRow("highest group") << u"Apple"_s << QStringList{u"Kiwi"_s};
        QTest::newRow("lowest group") << u"Lime"_s << QStringList{u"Gin"_s};
        QTest::newRow("group too high") << u"Mint"_s << QStringList();
        QTest::newRow("group too low") << u"Olive"_s << QStringList();
        QTest::newRow("group not a number") << u"Nut"_s << QStringList();
        QTest::newRow("no group") << u"Gin Fizz"_s << QStringList();
        QTest::newRow("not in the catalogue") << u"Absinthe"_s << QStringList();
    }
    void substitutes()
    {
        QFETCH(QString, ingredient);
        QFETCH(QStringList, others);
        fillCatalogue();
        QCOMPARE(SubstitutesFor(ingredient), others);
    }

    void ingredientEditsAndTips()
    {
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1 dash", "Gin"}});
        QCOMPARE(CountRecipeLinesUsing(1), 2);
        QVERIFY(!DeleteUnusedIngredient(1) && DeleteUnusedIngredient(6));
        QVERIFY(FindIngredientID(u"Gin"_s) == 1 && FindIngredientID(u"Vodka"_s) == -1);
        SetIngredientNonAlcoholic(1, true);
        QVERIFY(ReadDrink(u"Martini"_s).value_or(Drink{}).lines.value(0).nonAlcoholic);
        ExecuteSql(u"INSERT INTO Tips (ID, Title, Description) VALUES (2, 'Ice', 'Plenty.'), (1, 'Shake', 'Hard.'), "
                   "(2, 'ice', 'Again.')"_s);
        QCOMPARE(TipTitles(), QStringList({u"Shake"_s, u"Ice"_s, u"ice"_s}));
        QCOMPARE(TipDescription(u"ICE"_s), u"Plenty."_s);
        QCOMPARE(TipDescription(u"Stir"_s), QString());
    }

    void findScan_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the column's UTF-8 as the engine holds it
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("found"); // 1 found, 0 not found, -1 refused: no plain form
        const auto text = [](const QString& plain) { return Lib::EncodeText(plain).toUtf8(); };
        // Letters from "o" on are stored above 0x7F, as two bytes.
        QTest::newRow("high ASCII letters") << text(u"pour over ice, top up"_s) << u"OVER ICE, TOP"_s << 1;
        QTest::newRow("accented") << text(u"Crème de cassis"_s) << u"CRÈME"_s << 1;
        QTest::newRow("accented needle, plain text") << text(u"Creme de cassis"_s) << u"crème"_s << 0;
        QTest::newRow("first character past ASCII") << text(u"\u0080x"_s) << u"\u0080X"_s << 1;
        // Latin-1 letters have no ASCII capital but "ß" ("SS"); letters past Latin-1 may have one.
        QTest::newRow("accented letter between") << text(u"Purée, then muddle"_s) << u"E, THEN"_s << 1;
        QTest::newRow("accented letter is no plain one") << text(u"purée"_s) << u"REE"_s << 0;
        QTest::newRow("sharp s") << text(u"Weißbier"_s) << u"ssb"_s << 1;
        QTest::newRow("micro sign") << text(u"5 µl"_s) << u"ML"_s << 0;
        QTest::newRow("last Latin-1 letter") << text(u"ÿes"_s) << u"ES"_s << 1;
        QTest::newRow("dotless i") << text(u"Rakı"_s) << u"KI"_s << 1;
        QTest::newRow("lead byte last") << QByteArray("ab\xC3") << u"PQ"_s << 1;
        // Stored, U+FEEE is a byte order mark, which reading the column drops at the start.
        QTest::newRow("byte order mark first") << text(u"\uFEEEabc"_s) << u"\uFEEEA"_s << 0;
        QTest::newRow("empty needle") << text(u"anything"_s) << QString() << 1;
        QTest::newRow("no directions") << QByteArray() << QString() << 0;
        // Bytes another program may have stored: read as the full decoding reads them.
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << u"\uD7EF"_s << 0;
        QTest::newRow("overlong, two bytes") << QByteArray("\xC1\x81") << u"0"_s << 0;
        QTest::newRow("overlong, three bytes") << QByteArray("\xE0\x81\x81") << u"0"_s << 0;
        QTest::newRow("overlong, four bytes") << QByteArray("\xF0\x80\x81\x81") << u"0"_s << 0;
        QTest::newRow("past the last code point") << QByteArray("\xF4\x90\x80\x80") << u"\U0010FFEF"_s << 0;
        QTest::newRow("broken two-byte character") << QByteArray("a\xE2\x82\xAC\xC3\x41") << u"\u00B0"_s << 0;
        QTest::newRow("cut short") << QByteArray("a\xE2\x82") << u"P"_s << 1;
        QTest::newRow("decodes to a surrogate") << QByteArray("\xEE\x80\x90") << u"x"_s << -1;
        QTest::newRow("decodes to the first surrogate") << QByteArray("\xEE\x80\x80") << u"x"_s << -1;
        QTest::newRow("decodes below zero") << QByteArray("ab\x05") << u"x"_s << -1;
    }
    void findScan()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, needle);
        QFETCH(int, found);
        ExecuteSql(u"INSERT INTO Drinks (ID, Name, Description) VALUES (1, ?1, CAST(?2 AS TEXT))"_s,
                   {Lib::EncodeText(u"TEST"_s), stored.isEmpty() ? QVariant() : QVariant(stored)});
        // The scan of the column and the test of one text agree.
        const QString asText = QString::fromUtf8(stored);
        if (found < 0) {
            QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError, DrinksWithDescriptionContaining(needle));
            QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError, StoredTextContains(asText, needle));
            return;
        }
        QCOMPARE(DrinksWithDescriptionContaining(needle).names, found ? QStringList{u"TEST"_s} : QStringList());
        QCOMPARE(StoredTextContains(asText, needle), bool(found));
        // Bytes that are no character read as a stored replacement character, as the full decoding reads them.
        const QString replacement = Lib::DecodeText(QString(QChar::ReplacementCharacter));
        QCOMPARE(DrinksWithDescriptionContaining(replacement).names.size(), asText.contains(QChar::ReplacementCharacter));
        if (!stored.startsWith("\xEF\xBB\xBF") && !asText.contains(QChar::ReplacementCharacter))
            QCOMPARE(ContainsTextIgnoringCase(Lib::DecodeText(asText), needle), bool(found));
    }

    // The scan of the column against the test of each decoded text, over random texts mixing plain,
    // Latin-1 and other letters whose capitals differ in length or leave Latin-1.
    void findScanAgreesWithDecodedText()
    {
        const QString letters = u"aAmMoOsSzZ ,.\u00E9\u00C8\u00DF\u00B5\u00FF\u0131\u017F\u0100\uFB01\u20AC"_s;
        QRandomGenerator random(17);
        const auto randomText = [&](int longest) {
            QString text;
            for (int n = int(random.bounded(longest + 1)); n > 0; --n)
                text += letters.at(int(random.bounded(letters.size())));
            return text;
        };
        QStringList texts;
        for (int id = 1; id <= 300; ++id) {
            texts << randomText(14);
            ExecuteSql(u"INSERT INTO Drinks (ID, Name, Description) VALUES (?1, ?2, ?3)"_s,
                       {id, Lib::EncodeText(u"D%1"_s.arg(id, 3, 10, QChar(u'0'))), Lib::EncodeText(texts.last())});
        }
        for (int round = 0; round < 60; ++round) {
            const QString& source = texts.at(int(random.bounded(texts.size())));
            const int from = int(random.bounded(source.size() + 1));
            QString needle = round % 3 ? source.mid(from, 1 + int(random.bounded(3))) : randomText(3);
            needle = round % 2 ? needle.toUpper() : needle.toLower();
            QStringList expected;
            for (int i = 0; i < texts.size(); ++i)
                if (ContainsTextIgnoringCase(texts.at(i), needle))
                    expected << u"D%1"_s.arg(i + 1, 3, 10, QChar(u'0'));
            QCOMPARE(DrinksWithDescriptionContaining(needle).names, expected);
        }
    }

    // A large table is read in two halves at once: the same drinks in the same order as one pass,
    // and a row the second half cannot read fails the search as it would in one pass.
    void findScanInHalves()
    {
        for (int id = 1; id <= 1200; ++id)
            AddDrink(id, u"DRINK %1"_s.arg(id), 1, id % 3 ? u"Muddle the mint."_s : u"Stir."_s, {}, {}, {}, {}, {});
        const FindResult whole = DrinksWithDescriptionContaining(u"muddle"_s);
        QCOMPARE(whole.names.size(), 800);
        SetParallelScanFrom(1);
        qint64 reported = 0;
        const FindResult halves = DrinksWithDescriptionContaining(u"muddle"_s, [&](qint64 rows) { reported = rows; });
        QCOMPARE(halves.names, whole.names);
        QCOMPARE(halves.rowsRead, qint64(1200));
        QCOMPARE(reported, qint64(1200));
        // A second connection that cannot open the file: this one reads both halves.
        const QString path = m_folder->databasePath();
        QVERIFY(QFile::rename(path, path + u".away"_s));
        const FindResult alone = DrinksWithDescriptionContaining(u"muddle"_s);
        QVERIFY(QFile::rename(path + u".away"_s, path));
        QCOMPARE(alone.names, whole.names);
        ExecuteSql(u"UPDATE Drinks SET Description = CAST(?1 AS TEXT) WHERE ID = 1100"_s, {QByteArray("ab\x05")});
        QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError, DrinksWithDescriptionContaining(u"x"_s));
        SetParallelScanFrom(50000);
    }

    void hostileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("needle"); // a piece of the name to find it by
        QTest::newRow("double quotes") << u"The \"Best\" Sour"_s << u"\"b"_s;
        QTest::newRow("apostrophe") << u"Planter's Punch"_s << u"'S P"_s;
        QTest::newRow("percent and underscore") << u"100% Proof_Punch"_s << u"%"_s;
        QTest::newRow("backslash") << u"C:\\Bar\\Tab"_s << u"\\b"_s;
        QTest::newRow("SQL") << u"x'); DROP TABLE Drinks; --"_s << u"; --"_s;
        QTest::newRow("markup and bar") << u"<b>Bold</b> & Co | Ltd"_s << u"<B>"_s;
        QTest::newRow("accents") << u"Crème Brûlée"_s << u"brûl"_s;
        QTest::newRow("emoji first") << u"🍹tiki Time"_s << u"🍹T"_s;
        QTest::newRow("no-break spaces") << u"\u00A0Gin\u00A0Fizz\u00A0"_s << u"N\u00A0F"_s;
        QTest::newRow("blanks around") << u"  № 5\tx  "_s << u"№"_s;
    }
    void hostileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, needle);
        addTestDrink(u"Plain"_s, {{"1 oz", "Gin"}});
        DrinkEntry entry = drinkEntry(name, {{name, name}, {u"1 oz"_s, u"Gin"_s}});
        entry.description = name;
        const SavedDrink saved = WriteNewDrink(entry);
        // The catalogue name: first letter of every word a capital, letters outside the first plane as they are.
        const QString ingredient = ProperCase(name.trimmed());
        QCOMPARE(ingredient.left(3), name.trimmed().left(1).toUpper() + name.trimmed().mid(1, 2).toLower());
        QCOMPARE(saved.name, name.trimmed().toUpper());
        QVERIFY(AllDrinkNames().contains(saved.name));
        const Drink drink = ReadDrink(name).value_or(Drink{});
        QCOMPARE(drink.description, name);
        QCOMPARE(recipeLines(drink), QStringList({name + u'|' + ingredient, u"1 oz|Gin"_s}));
        QCOMPARE(FindIngredientID(name.trimmed()), drink.lines[0].ingredientId);
        QList<qint64> told; // the rows read: a scan tells it once at its end, and every 500 rows
        QCOMPARE(DrinksWithNameContaining(needle, [&](qint64 rows) { told << rows; }).names, QStringList{saved.name});
        QCOMPARE(DrinksWithDescriptionContaining(needle).names, QStringList{saved.name});
        QCOMPARE(DrinksUsingIngredient(drink.lines[0].ingredientId, [&](qint64 rows) { told << rows; }).names,
                 QStringList{saved.name});
        QCOMPARE(told, QList<qint64>({2, 1}));
        QVERIFY(DeleteDrink(name));
        QCOMPARE(AllDrinkNames(), QStringList{u"PLAIN"_s});
    }

    void failureMessageAndLog()
    {
        const QString statement = u"UPDATE Drinks SET Name = ?1"_s;
        const Sql::Error own(0, u"Why."_s, statement);
        const Sql::Error locked(SQLITE_BUSY_SNAPSHOT, u"Why."_s, statement);
        const Lib::TextCodingError coding(u"Why."_s);
        // Advice by the kind of failure (the store's own words need none); the statement to the log only.
        QCOMPARE(FailureMessage(u"Not saved."_s, own), u"Not saved.\n\nWhy."_s);
        QVERIFY(FailureMessage(u"Not saved."_s, locked).startsWith(u"Not saved.\n\nWhy.\n\nClose the other program"_s) &&
                FailureAdvice(coding).startsWith(u"Remove the unusual characters"_s));
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& line) { logged += line; });
        LogFailure(u"Saving."_s, locked);
        LogFailure(u"Saving."_s, coding);
        qInstallMessageHandler(previous);
        QVERIFY2(logged.count(u"Saving. Why."_s) == 2 && logged.count(statement) == 1, qPrintable(logged));
    }

    void dataFolderChoice_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("environment");
        QTest::addColumn<int>("beside"); // 0 nothing, 1 a database, 2 a read-only one, 3 a folder
        QTest::addColumn<int>("chosen"); // the folder given, from the environment, the program's, the user's
        QTest::newRow("argument") << QStringList{u"--data-dir"_s, u"<given>"_s} << true << 1 << 0;
        QTest::newRow("argument with =") << QStringList{u"-x"_s, u"--data-dir=<given>"_s} << true << 1 << 0;
        QTest::newRow("argument without a value") << QStringList{u"--data-dir"_s} << true << 1 << 1;
        QTest::newRow("environment") << QStringList() << true << 1 << 1;
        QTest::newRow("database beside the program") << QStringList() << false << 1 << 2;
        QTest::newRow("read-only database beside") << QStringList() << false << 2 << 3;
        QTest::newRow("a folder named like the database") << QStringList() << false << 3 << 3;
        QTest::newRow("nothing given") << QStringList() << false << 0 << 3;
    }
    void dataFolderChoice()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, environment);
        QFETCH(int, beside);
        QFETCH(int, chosen);
        QTemporaryDir program, given, fromEnvironment;
        QFile database(DataFolder::databasePath(program.path()));
        QVERIFY(beside == 0 || (beside == 3 ? QDir().mkdir(database.fileName()) : database.open(QIODevice::WriteOnly)));
        QVERIFY(beside != 2 || database.setPermissions(QFileDevice::ReadOwner));
        DataFolder::Choice choice;
        {
            const PermissionBitsApply asAnyUser;
            if (beside == 2 && QFileInfo(database.fileName()).isWritable())
                QSKIP("permission bits do not bind this process here");
            if (environment)
                qputenv("TUMBLERIX_DATA_DIR", fromEnvironment.path().toUtf8());
            choice = DataFolder::choose(QStringList{u"tumblerix"_s} + arguments.replaceInStrings(u"<given>"_s, given.path()),
                                        program.path());
            qunsetenv("TUMBLERIX_DATA_DIR");
        }
        const QStringList folders = {given.path(), fromEnvironment.path(), program.path(),
                                     QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Brimvale/Tumblerix"_s};
        QCOMPARE(choice.path, QDir::cleanPath(folders.at(chosen)));
    }

    void dataFolderIsCreated()
    {
        QTemporaryDir base;
        const QString nested = base.path() + u"/a/b/data"_s;
        const QString plain = base.path() + u"/plain"_s;
        QString error;
        QVERIFY(DataFolder::ensureExists(nested, &error) && DataFolder::ensureExists(nested, &error));
        QVERIFY(QFile(plain).open(QIODevice::WriteOnly) && !DataFolder::ensureExists(plain, &error));
        QCOMPARE(error, plain + u" exists but is not a folder."_s);
        QVERIFY(!DataFolder::ensureExists(plain + u"/data"_s, &error));
        QCOMPARE(error, u"The data folder %1/data could not be created."_s.arg(plain));
    }

    void preferences()
    {
        using namespace ModuleRegistry;
        const TestSettings settings;
        QVERIFY(IsFirstStart());
        WriteFirstStartDefaults({11, 22, 33});
        QVERIFY(!IsFirstStart());
        WriteRegistryValue(LastUpdate, u"12/6/26"_s);
        WriteRegistryValue(NeverAsk, qint64(-5));
        // Kept as text, so the next start and any other tool read the same; numbers are read by conversion.
        QSettings raw(u"Brimvale"_s, u"Tumblerix"_s);
        QStringList values;
        for (const QString& name : {SaveDrinkListInExit, SaveDrinkListSelection, Button, Text, TextListBox, LastUpdate, NeverAsk})
            values << raw.value(name).toString() + QLatin1String(raw.value(name).typeId() == QMetaType::QString ? "" : "?");
        QCOMPARE(values.join(u' '), u"0 1 11 22 33 12/6/26 -5"_s);
        QStringList read;
        for (const QVariant& value : QVariantList{u" 42 "_s, -255, u"blue"_s, QString()}) {
            raw.setValue(Title, value);
            read << ReadText(Title) + u'=' + QString::number(ReadNumber(Title).value_or(7));
        }
        QCOMPARE(read.join(u','), u" 42 =42,-255=-255,blue=7,=7"_s);
    }

    void starterTextIsParsed()
    {
        QStringList found;
        for (const auto& i : StarterData::parseIngredients(u"# c\n\nGin|No|\nLime Juice|Yes| 1 \n"_s))
            found << i.name + u'/' + QString::number(i.nonAlcoholic) + u'/' + i.substituteGroup;
        const auto drinks = StarterData::parseDrinks(u"# c\n== Salty Dog\nglass: Highball Glass\nfavorite: YES\n"
                                                     "line: 1 1/2 oz | Vodka\nline: | Salt\nRim the glass.\nPour.\n"
                                                     "\n== Plain\nglass: Shot Glass\nfavorite: no\nline: 1 | Gin\nDrink.\n"_s);
        for (const auto& d : drinks) {
            found << d.name + u'/' + d.glass + u'/' + QString::number(d.favorite) + u'/' + d.directions;
            for (const auto& line : d.lines)
                found << line.amount + u'|' + line.ingredient;
        }
        QCOMPARE(found, QStringList({u"Gin/0/"_s, u"Lime Juice/1/1"_s, u"Salty Dog/Highball Glass/1/Rim the glass. Pour."_s,
                                     u"1 1/2 oz|Vodka"_s, u"|Salt"_s, u"Plain/Shot Glass/0/Drink."_s, u"1|Gin"_s}));
    }

    void badStarterTextNamesItsLine_data()
    {
        QTest::addColumn<int>("kind"); // glasses, ingredients, drinks, tips
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("where");
        QTest::newRow("glass without number") << 0 << u"# glasses\n\nBeer Mug\n"_s << u"glasses.txt, line 3:"_s;
        QTest::newRow("glass number below 1") << 0 << u"0|Mug\n"_s << u"glasses.txt, line 1:"_s;
        QTest::newRow("glass without name") << 0 << u"3| \n"_s << u"glasses.txt, line 1:"_s;
        QTest::newRow("ingredient, two parts") << 1 << u"Gin|No\n"_s << u"ingredients.txt, line 1:"_s;
        QTest::newRow("ingredient without name") << 1 << u"\n |No|\n"_s << u"ingredients.txt, line 2:"_s;
        QTest::newRow("ingredient mark") << 1 << u"Gin|No|\nRum|Maybe|\n"_s << u"ingredients.txt, line 2:"_s;
        QTest::newRow("group not a number") << 1 << u"Gin|No|x\n"_s << u"ingredients.txt, line 1:"_s;
        QTest::newRow("group below 1") << 1 << u"Gin|No|0\n"_s << u"ingredients.txt, line 1:"_s;
        QTest::newRow("text before a drink") << 2 << u"\nstray\n== A\n"_s << u"drinks.txt, line 2:"_s;
        QTest::newRow("line without bar") << 2 << u"== A\nglass: G\nline: 1 oz\nGo.\n"_s << u"drinks.txt, line 3:"_s;
        QTest::newRow("line without ingredient") << 2 << u"== A\nglass: G\nline: 1 | \nGo.\n"_s << u"drinks.txt, line 3:"_s;
        QTest::newRow("drink without glass") << 2 << u"\n== A\nline: 1 | Gin\nGo.\n"_s << u"drinks.txt, line 2:"_s;
        QTest::newRow("drink without lines") << 2 << u"== A\nglass: G\nGo.\n"_s << u"drinks.txt, line 1:"_s;
        QTest::newRow("tip without text") << 3 << u"== Ice\nMore.\n== Title only\n"_s << u"tips.txt, line 3:"_s;
    }
    void badStarterTextNamesItsLine()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, where);
        try {
            kind == 0   ? void(StarterData::parseGlasses(text))
            : kind == 1 ? void(StarterData::parseIngredients(text))
            : kind == 2 ? void(StarterData::parseDrinks(text))
                        : void(StarterData::parseTips(text));
            QFAIL("the bad entry was taken");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).startsWith(where), e.what());
        }
    }

    void starterDatabase()
    {
        TestDataFolder folder;
        const QString path = folder.databasePath();
        // What a build cut off half way left is replaced; an existing database never is.
        QVERIFY(QFile(path + u".new"_s).open(QIODevice::WriteOnly));
        StarterData::CreateStarterDatabase(path);
        QVERIFY(DBLib::IsOpen() && !QFile::exists(path + u".new"_s));
        QVERIFY(queryNumber(u"SELECT COUNT(*) FROM Drinks"_s) >= 200 && queryNumber(u"SELECT COUNT(*) FROM Tips"_s) >= 10);
        // Every drink whole: a name, directions, a known glass, lines of known ingredients.
        QCOMPARE(queryNumber(u"SELECT COUNT(*) FROM Drinks d WHERE Name IS NULL OR Description IS NULL OR NOT EXISTS "
                       "(SELECT 1 FROM DrinkInfo WHERE DrinkID = d.ID) OR GlassType NOT IN (SELECT GlassID FROM GlassTypes)"_s)
                     + queryNumber(u"SELECT COUNT(*) FROM DrinkInfo WHERE IngID NOT IN (SELECT ID FROM Ingredients)"_s),
                 0);
        QVERIFY(queryNumber(u"SELECT COUNT(*) FROM Drinks WHERE Favorite = 1"_s) > 0 &&
                queryNumber(u"SELECT COUNT(Substitute) FROM Ingredients"_s) > 0);
        // The flags written with each drink are what the view works out.
        const qint64 flagged = queryNumber(u"SELECT COUNT(*) FROM Drinks WHERE NonAlcoholic = 1"_s);
        QVERIFY(flagged > 0 && DBLib::AllNonAlcoholicDrinks().names.size() == flagged);
        QVERIFY(DBLib::FindDrinkID(u"piña colada"_s) > 0);
        DBLib::CloseRecipeDatabase();
        const QByteArray before = fileBytes(path);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, StarterData::CreateStarterDatabase(path));
        QCOMPARE(fileBytes(path), before);
    }

    void reportOfTheDataFolder_data()
    {
        QTest::addColumn<int>("state"); // 0 no database yet, 1 a database, 2 damaged
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("first start") << 0 << 0 << u"(new, from the starter recipes)\nDrinks: "_s;
        QTest::newRow("a database") << 1 << 0 << u"Tumblerix.dat\nDrinks: 1\nIngredients: 8\nGlassTypes: 3\nTips: 0\n"_s;
        // The refusals themselves: unusableDatabaseIsRefusedUntouched.
        QTest::newRow("damaged") << 2 << 1 << u"is damaged"_s;
    }
    void reportOfTheDataFolder()
    {
        // The core-only sanitizer run (make test-core) builds no program.
        if (!QFileInfo(QStringLiteral(TUMBLERIX_EXECUTABLE)).isExecutable())
            QSKIP("the tumblerix program is not built");
        QFETCH(int, state);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        TestDataFolder folder;
        const QString path = folder.databasePath();
        if (state > 0) {
            folder.createSmallDatabase();
            addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}});
            DBLib::CloseRecipeDatabase();
        }
        QFile file(path);
        QVERIFY(state != 2 ||
                (file.open(QIODevice::ReadWrite) && file.seek(3 * 4096) && file.write(QByteArray(4096, 0)) > 0 && file.flush()));
        const QByteArray before = fileBytes(path);
        QProcess tumblerix;
        tumblerix.start(QStringLiteral(TUMBLERIX_EXECUTABLE), {u"--data-dir"_s, folder.path(), u"--report"_s});
        QVERIFY(tumblerix.waitForFinished(60000) && tumblerix.exitStatus() == QProcess::NormalExit);
        QCOMPARE(tumblerix.exitCode(), exitCode);
        const QString said = QString::fromUtf8(exitCode ? tumblerix.readAllStandardError() : tumblerix.readAllStandardOutput());
        QVERIFY2(said.contains(output) && said.contains(u"(new"_s) == (state == 0), qPrintable(said));
        // A database the program cannot use is left exactly as it was.
        QVERIFY(exitCode == 0 || fileBytes(path) == before);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
