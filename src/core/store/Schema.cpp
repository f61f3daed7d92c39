#include "core/store/Schema.h"

#include "core/store/StarterContent.h"

#include <QFile>
#include <QStringList>

namespace Schema {

namespace {

// Yes/No columns hold 0 or 1 and are never Null. Names of ingredients, glasses and tips compare
// without regard to letter case (NOCASE; our connections make it fold non-ASCII letters too).
const char* const CreateStatements = R"SQL(
CREATE TABLE Drinks (
    ID INTEGER PRIMARY KEY NOT NULL,
    Name TEXT,
    GlassType INTEGER,
    Description TEXT,
    Favorite INTEGER NOT NULL DEFAULT 0,
    Submitted INTEGER NOT NULL DEFAULT 0,
    NonAlcoholic INTEGER NOT NULL DEFAULT 0,
    CurrentStock INTEGER NOT NULL DEFAULT 0,
    CurrentStockNonAlcoholic INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX DrinksName ON Drinks(Name);
CREATE INDEX DrinksFavorite ON Drinks(Favorite, Name);
CREATE INDEX DrinksCurrentStock ON Drinks(CurrentStock, Name);
CREATE INDEX DrinksNonAlcoholic ON Drinks(NonAlcoholic, Name);
CREATE INDEX DrinksCurrentStockNonAlcoholic ON Drinks(CurrentStockNonAlcoholic, Name);

CREATE TABLE DrinkInfo (
    DrinkID INTEGER NOT NULL,
    IngID INTEGER NOT NULL,
    Amount TEXT
);
CREATE INDEX DrinkInfoDrinkID ON DrinkInfo(DrinkID, IngID);
CREATE INDEX DrinkInfoIngID ON DrinkInfo(IngID);

CREATE TABLE Ingredients (
    ID INTEGER PRIMARY KEY NOT NULL,
    Ingredient TEXT COLLATE NOCASE,
    Substitute TEXT,
    NonAlcohol INTEGER NOT NULL DEFAULT 0,
    CurrentStock INTEGER NOT NULL DEFAULT 0,
    ShoppingList INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IngredientsIngredient ON Ingredients(Ingredient);

CREATE TABLE GlassTypes (
    GlassID INTEGER PRIMARY KEY NOT NULL,
    GlassType TEXT COLLATE NOCASE
);

CREATE TABLE Settings (
    CurrentStockUpdate INTEGER NOT NULL DEFAULT 0,
    NonAlcoholicUpdate INTEGER NOT NULL DEFAULT 0,
    CurrentStockNonAlcoholicUpdate INTEGER NOT NULL DEFAULT 0
);
INSERT INTO Settings (CurrentStockUpdate, NonAlcoholicUpdate, CurrentStockNonAlcoholicUpdate) VALUES (0, 0, 0);

CREATE TABLE Tips (
    ID INTEGER,
    Title TEXT COLLATE NOCASE,
    Description TEXT
);
)SQL";

// Added after the first release, in a table of its own: earlier versions read the file as before
// (they never look at it), and a file of theirs gains it once, when it is first opened here.
const char* const StrengthTable = R"SQL(
CREATE TABLE IngredientStrength (
    IngredientID INTEGER PRIMARY KEY NOT NULL,
    Abv REAL NOT NULL CHECK (Abv >= 0 AND Abv <= 100)
);
)SQL";

bool hasTable(Sql::Connection& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE"),
                     {table})
        .isValid();
}

// A copy of the whole file as it is now, beside it; made before the layout changes so the user
// can go back. Written under a temporary name and renamed, so a copy by that name is always whole.
void keepCopy(Sql::Connection& db, const QString& copyPath)
{
    const QString part = copyPath + QStringLiteral(".part");
    QFile::remove(part);
    db.execute(QStringLiteral("VACUUM INTO ?1"), {part});
    QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(copyPath);
    if (!QFile::rename(part, copyPath)) {
        QFile::remove(part);
        throw Sql::Error(0, QStringLiteral("A copy of the recipe database could not be kept as %1; the database "
                                           "was not changed.")
                                .arg(copyPath));
    }
}

// The list views read the drinks of one flag in name order. With these indexes that is a short
// range of an index instead of a pass over every drink with its directions; files made before them
// get them when they are opened.
const char* const FlagIndexes[][2] = {
    {"DrinksFavorite", "CREATE INDEX IF NOT EXISTS DrinksFavorite ON Drinks(Favorite, Name)"},
    {"DrinksCurrentStock", "CREATE INDEX IF NOT EXISTS DrinksCurrentStock ON Drinks(CurrentStock, Name)"},
    {"DrinksNonAlcoholic", "CREATE INDEX IF NOT EXISTS DrinksNonAlcoholic ON Drinks(NonAlcoholic, Name)"},
    {"DrinksCurrentStockNonAlcoholic",
     "CREATE INDEX IF NOT EXISTS DrinksCurrentStockNonAlcoholic ON Drinks(CurrentStockNonAlcoholic, Name)"},
};

} // namespace

void create(Sql::Connection& db)
{
    Sql::Transaction tx(db);
    db.exec(QString::fromUtf8(CreateStatements));
    db.exec(QString::fromUtf8(StrengthTable));
    db.exec(QStringLiteral("PRAGMA user_version = %1").arg(Version));
    tx.commit();
}

void verify(Sql::Connection& db)
{
    // Reading the schema fails here, not later, for a file that is not an SQLite database.
    const int version = int(db.scalar(QStringLiteral("PRAGMA user_version")).toLongLong());
    if (version > Version) {
        throw Sql::Error(0, QStringLiteral("%1 was written by a newer version of Tumblerix (layout %2; this "
                                           "version reads up to layout %3).")
                                .arg(db.path())
                                .arg(version)
                                .arg(Version));
    }
    const QStringList required = {QStringLiteral("Drinks"),      QStringLiteral("DrinkInfo"),
                                  QStringLiteral("Ingredients"), QStringLiteral("GlassTypes"),
                                  QStringLiteral("Settings"),    QStringLiteral("Tips")};
    QStringList missing;
    for (const QString& table : required) {
        const QVariant found = db.scalar(
            QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE"),
            {table});
        if (!found.isValid())
            missing << table;
    }
    if (!missing.isEmpty()) {
        throw Sql::Error(0, QStringLiteral("%1 is not a Tumblerix recipe database: the table(s) %2 are missing.")
                                .arg(db.path(), missing.join(QStringLiteral(", "))));
    }
}

void addMissingIndexes(Sql::Connection& db)
{
    QStringList missing;
    for (const auto& index : FlagIndexes) {
        if (!db.scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?1"),
                       {QString::fromLatin1(index[0])})
                 .isValid())
            missing << QString::fromLatin1(index[1]);
    }
    if (missing.isEmpty())
        return; // nothing is written to a file that has them
    Sql::Transaction tx(db);
    for (const QString& statement : missing)
        db.exec(statement);
    tx.commit();
}

bool upgrade(Sql::Connection& db)
{
    if (hasTable(db, QStringLiteral("IngredientStrength")))
        return false;
    const QList<StarterData::Ingredient> knownStrengths = StarterData::builtIn().ingredients;
    keepCopy(db, db.path() + QStringLiteral(".bak-%1").arg(Revision - 1));
    Sql::Transaction tx(db);
    db.exec(QString::fromUtf8(StrengthTable));
    // Ingredients the starter catalogue knows get its strength; others stay unknown.
    Sql::Statement seed(db, QStringLiteral("INSERT OR IGNORE INTO IngredientStrength (IngredientID, Abv) "
                                           "SELECT ID, ?1 FROM Ingredients WHERE Ingredient = ?2"));
    for (const StarterData::Ingredient& known : knownStrengths) {
        if (!known.strength)
            continue;
        seed.reset();
        seed.bind(1, QVariant(*known.strength));
        seed.bind(2, known.name);
        seed.run();
    }
    tx.commit();
    return true;
}

} // namespace Schema
