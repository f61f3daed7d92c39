#include "core/store/DBLib.h"

#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeIndex.h"
#include "core/store/Schema.h"
#include "core/store/StoreInternal.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace DBLib {

namespace {

std::unique_ptr<Sql::Connection> openDatabase;

void configure(Sql::Connection& db)
{
    sqlite3_update_hook(
        db.handle(),
        [](void*, int operation, const char*, const char* table, sqlite3_int64) {
            RecipeIndex::rowChanged(table, operation == SQLITE_UPDATE);
        },
        nullptr);
    // WAL keeps readers and the writer apart and makes a commit one append; FULL sync makes a
    // committed recipe survive a power cut, not only a crash of the program.
    db.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    // Up to 64 MiB of pages stay in memory (taken only as pages are read): a large collection's
    // views and searches then read the file once, not on every use, and a big import does not
    // spill half-written pages to the journal.
    db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
}

QVariant firstValue(const QString& sql, const QVariantList& params)
{
    return Database().scalar(sql, params);
}

[[noreturn]] void missingRow(const QString& what)
{
    throw Sql::Error(0, what);
}

// Adds a value for a column only when its text is not blank, as the adders' callers expect.
bool hasText(const QString& text)
{
    return !text.trimmed().isEmpty();
}

QVariant yesNoValue(const QString& text, const char* column)
{
    if (!hasText(text))
        return QVariant();
    const std::optional<bool> value = ParseYesNo(text);
    if (!value)
        throw Sql::Error(0, QStringLiteral("\"%1\" is not a Yes/No value for %2.")
                                .arg(text.trimmed(), QLatin1String(column)));
    return QVariant(qint64(*value ? 1 : 0));
}

// Why the database or its folder cannot be written, as the effective user; empty when both can.
QString readOnlyReason(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return QStringLiteral("the file is read-only");
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) != 0)
        return QStringLiteral("its folder %1 is read-only").arg(folder);
    return QString();
}

// What the file looks like from outside: path, size, modification time to the nanosecond and inode.
// Empty when the file cannot be examined or a journal of unfinished work lies beside it.
QString fileStamp(const QString& path)
{
    struct stat file{};
    struct stat wal{};
    const QByteArray name = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (::stat(name.constData(), &file) != 0)
        return QString();
    if (::stat(QByteArray(name + "-wal").constData(), &wal) == 0 && wal.st_size > 0)
        return QString();
    return QStringLiteral("%1|%2|%3.%4|%5")
        .arg(QFile::decodeName(name))
        .arg(qint64(file.st_size))
        .arg(qint64(file.st_mtim.tv_sec))
        .arg(qint64(file.st_mtim.tv_nsec))
        .arg(quint64(file.st_ino));
}

// The file is refused before anything is written to it: a write to a damaged file can spread the
// damage. This reads every page once.
void checkIntact(Sql::Connection& db)
{
    QStringList problems;
    Sql::Statement check(db, QStringLiteral("PRAGMA quick_check(3)"));
    while (check.step())
        problems << check.text(0).simplified();
    if (problems != QStringList{QStringLiteral("ok")})
        throw Sql::Error(SQLITE_CORRUPT, problems.join(QStringLiteral("; ")));
}

// What a user is told when the recipe database cannot be opened: the cause in words, and what to do.
Sql::Error openFailure(const QString& path, const Sql::Error& e)
{
    if (e.code() == 0)
        return e; // the store's own words already name the file and the reason
    switch (e.code() & 0xFF) {
    case SQLITE_BUSY:
        return Sql::Error(e.code(), QStringLiteral("%1 is in use by another program (perhaps Tumblerix is already "
                                                   "running) and cannot be read now. Close that program, then start "
                                                   "Tumblerix again.")
                                        .arg(path));
    case SQLITE_NOTADB:
        return Sql::Error(e.code(), QStringLiteral("%1 is not a Tumblerix recipe database: it is not a database file, "
                                                   "or its beginning is damaged. It was left as it is.")
                                        .arg(path));
    case SQLITE_CORRUPT:
        return Sql::Error(e.code(), QStringLiteral("%1 is damaged (%2). Tumblerix does not change a damaged database "
                                                   "and has left it as it is: restore it from a backup, or move it out "
                                                   "of the data folder to start again with the starter recipes.")
                                        .arg(path, e.message()));
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH: {
        QString reason = readOnlyReason(path);
        if (reason.isEmpty() && (e.code() & 0xFF) == SQLITE_READONLY)
            reason = QStringLiteral("the file is read-only");
        if (reason.isEmpty())
            break;
        return Sql::Error(e.code(), QStringLiteral("%1 cannot be used: %2. Tumblerix saves every change at once and "
                                                   "keeps its journal files beside the database. Make the file and "
                                                   "its folder writable, or copy them to a folder of your own and "
                                                   "start Tumblerix with --data-dir set to it.")
                                        .arg(path, reason));
    }
    default:
        break;
    }
    return Sql::Error(e.code(), QStringLiteral("%1 cannot be read as a recipe database: %2").arg(path, e.message()));
}

} // namespace

void OpenRecipeDatabase(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw Sql::Error(SQLITE_CANTOPEN, QStringLiteral("The recipe database %1 does not exist.").arg(path));
    // An empty file would open as an empty database; with nothing in a journal either, it holds no recipes.
    if (info.size() == 0 && QFileInfo(path + QStringLiteral("-wal")).size() == 0)
        throw Sql::Error(0, QStringLiteral("%1 is not a Tumblerix recipe database: the file is empty.").arg(path));
    std::unique_ptr<Sql::Connection> db;
    try {
        db = std::make_unique<Sql::Connection>(path, Sql::Connection::Mode::ReadWrite);
        // The engine quietly opens a file it cannot write for reading only; every change would then fail.
        if (sqlite3_db_readonly(db->handle(), "main") == 1)
            throw Sql::Error(SQLITE_READONLY, QStringLiteral("opened for reading only"));
        Schema::verify(*db);
        // Cost grows with the file (seconds at a million drinks): skipped when the file is
        // exactly as this program left it at a clean close. The mark is taken away while the
        // file is open, so a crash leaves none.
        const QString stamp = fileStamp(path);
        if (stamp.isEmpty() || ModuleRegistry::ReadText(ModuleRegistry::LastCleanClose) != stamp)
            checkIntact(*db);
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastCleanClose, QString());
        configure(*db);
        // The flags row is all the program needs of Settings; a missing one is rebuilt as "stale",
        // which only makes the next searching view recompute.
        if (db->scalar(QStringLiteral("SELECT COUNT(*) FROM Settings")).toLongLong() == 0)
            db->exec(QStringLiteral("INSERT INTO Settings (CurrentStockUpdate, NonAlcoholicUpdate, "
                                    "CurrentStockNonAlcoholicUpdate) VALUES (0, 0, 0)"));
        Schema::upgrade(*db);
        Schema::addMissingIndexes(*db);
    } catch (const Sql::Error& e) {
        throw openFailure(path, e);
    }
    RecipeIndex::invalidate();
    openDatabase = std::move(db);
}

void CreateRecipeDatabase(const QString& path)
{
    if (QFileInfo::exists(path))
        throw Sql::Error(0, QStringLiteral("%1 already exists; it is not replaced.").arg(path));
    auto db = std::make_unique<Sql::Connection>(path, Sql::Connection::Mode::ReadWriteCreate);
    configure(*db);
    Schema::create(*db);
    RecipeIndex::invalidate();
    openDatabase = std::move(db);
}

void CloseRecipeDatabase()
{
    RecipeIndex::invalidate();
    if (!openDatabase)
        return;
    const QString path = openDatabase->path();
    openDatabase.reset(); // the last connection writes the journal back and removes it
    const QString stamp = fileStamp(path);
    if (!stamp.isEmpty())
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastCleanClose, stamp);
}

QStringList CheckRecipeDatabase()
{
    QStringList problems;
    try {
        Sql::Statement check(Database(), QStringLiteral("PRAGMA integrity_check(20)"));
        while (check.step())
            problems << check.text(0).simplified();
    } catch (const Sql::Error& e) {
        // Damage the check itself stumbles on is the answer too.
        if ((e.code() & 0xFF) != SQLITE_CORRUPT && (e.code() & 0xFF) != SQLITE_NOTADB)
            throw;
        problems << e.message();
    }
    if (problems == QStringList{QStringLiteral("ok")})
        problems.clear();
    return problems;
}

bool IsOpen()
{
    return openDatabase != nullptr;
}

QString DatabasePath()
{
    return Database().path();
}

Sql::Connection& Database()
{
    if (!openDatabase)
        throw Sql::Error(0, QStringLiteral("No recipe database is open."));
    return *openDatabase;
}

WriteBatch::WriteBatch() : m_transaction(std::make_unique<Sql::Transaction>(Database())) {}

WriteBatch::~WriteBatch() = default;

void WriteBatch::commit()
{
    m_transaction->commit();
}

Snapshot::Snapshot(Sql::Connection& db, const QString& sql, const QVariantList& params)
{
    m_statement.emplace(db, sql);
    m_statement->bindAll(params);
    m_hasRow = m_statement->step();
    m_empty = !m_hasRow;
}

QVariant Snapshot::field(int position) const
{
    if (!m_hasRow)
        throw Sql::Error(0, QStringLiteral("There is no current record."), m_statement ? m_statement->sql() : QString());
    return m_statement->value(position);
}

QVariant Snapshot::field(const QString& column) const
{
    if (!m_hasRow)
        throw Sql::Error(0, QStringLiteral("There is no current record."), m_statement ? m_statement->sql() : QString());
    const int index = m_statement->columnIndex(column);
    if (index < 0)
        throw Sql::Error(0, QStringLiteral("The result has no column %1.").arg(column), m_statement->sql());
    return m_statement->value(index);
}

void Snapshot::moveNext()
{
    if (m_hasRow)
        m_hasRow = m_statement->step();
}

void Snapshot::close()
{
    m_statement.reset();
    m_hasRow = false;
}

Snapshot OpenSnapshot(const QString& sql, const QVariantList& params)
{
    return Snapshot(Database(), sql, params);
}

void ExecuteSql(const QString& sql, const QVariantList& params)
{
    Database().execute(sql, params);
}

QString GetGlassTypeName(int glassId)
{
    const QVariant v = firstValue(QStringLiteral("SELECT GlassType FROM GlassTypes WHERE GlassID = ?1"), {glassId});
    if (!v.isValid())
        missingRow(QStringLiteral("There is no glass with the number %1.").arg(glassId));
    return v.toString();
}

bool GlassExists(int glassId)
{
    return firstValue(QStringLiteral("SELECT 1 FROM GlassTypes WHERE GlassID = ?1"), {glassId}).isValid();
}

int GetGlassTypeID(const QString& glassName)
{
    const QVariant v = firstValue(QStringLiteral("SELECT GlassID FROM GlassTypes WHERE GlassType = ?1"), {glassName});
    if (!v.isValid())
        missingRow(QStringLiteral("There is no glass named \"%1\".").arg(glassName));
    return int(v.toLongLong());
}

QString GetIngredientName(qint64 ingredientId)
{
    const QVariant v = firstValue(QStringLiteral("SELECT Ingredient FROM Ingredients WHERE ID = ?1"), {ingredientId});
    if (!v.isValid())
        missingRow(QStringLiteral("There is no ingredient with the number %1.").arg(ingredientId));
    return v.toString();
}

qint64 GetIngredientIDByName(const QString& name)
{
    const qint64 id = FindIngredientID(name);
    if (id < 0)
        missingRow(QStringLiteral("There is no ingredient named \"%1\".").arg(name));
    return id;
}

qint64 FindIngredientID(const QString& name)
{
    const QVariant v = firstValue(QStringLiteral("SELECT ID FROM Ingredients WHERE Ingredient = ?1 ORDER BY ID"), {name});
    return v.isValid() ? v.toLongLong() : -1;
}

qint64 CountRecords(Count what)
{
    const auto count = [](const char* sql) { return firstValue(QString::fromLatin1(sql), {}).toLongLong(); };
    switch (what) {
    case Count::Drinks:
        return count("SELECT COUNT(*) FROM Drinks");
    case Count::FavoriteDrinks:
        return count("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1");
    case Count::SubmittedDrinks:
        return count("SELECT COUNT(*) FROM Drinks WHERE Submitted = 1");
    case Count::CurrentStockDrinks:
        return count("SELECT COUNT(*) FROM Drinks WHERE CurrentStock = 1");
    case Count::NonAlcoholicDrinks:
        return count("SELECT COUNT(*) FROM Drinks WHERE NonAlcoholic = 1");
    case Count::CurrentStockNonAlcoholicDrinks:
        return count("SELECT COUNT(*) FROM Drinks WHERE CurrentStockNonAlcoholic = 1");
    case Count::RecipeLines:
        return count("SELECT COUNT(*) FROM DrinkInfo");
    case Count::InStockRecipeLines:
        return count("SELECT COUNT(Drinks.Name) FROM Drinks JOIN DrinkInfo ON Drinks.ID = DrinkInfo.DrinkID "
                     "JOIN Ingredients ON DrinkInfo.IngID = Ingredients.ID WHERE Ingredients.CurrentStock = 1");
    case Count::Ingredients:
        return count("SELECT COUNT(*) FROM Ingredients");
    case Count::GlassTypes:
        return count("SELECT COUNT(*) FROM GlassTypes");
    case Count::Tips:
        return count("SELECT COUNT(*) FROM Tips");
    }
    Q_UNREACHABLE();
}

std::optional<bool> ParseYesNo(const QString& text)
{
    const QString t = text.trimmed();
    static const QStringList yes = {QStringLiteral("True"), QStringLiteral("Yes"), QStringLiteral("On")};
    static const QStringList no = {QStringLiteral("False"), QStringLiteral("No"), QStringLiteral("Off")};
    if (yes.contains(t, Qt::CaseInsensitive))
        return true;
    if (no.contains(t, Qt::CaseInsensitive))
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

QString ProperCase(const QString& text)
{
    QString out = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            if (c.isHighSurrogate() && i + 1 < out.size()) {
                ++i; // letters outside the first plane keep their case
            } else {
                out[i] = c.toUpper();
            }
            wordStart = false;
        }
    }
    return out;
}

qint64 AddIngredient(const QString& name, const QString& substitute, const QString& nonAlcoholic)
{
    Sql::Connection& db = Database();
    const QVariant nonAlcohol = yesNoValue(nonAlcoholic, "NonAlcohol");
    Sql::Transaction tx(db);
    const qint64 id = db.scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Ingredients")).toLongLong();
    db.execute(QStringLiteral("INSERT INTO Ingredients (ID, Ingredient, Substitute, NonAlcohol) "
                              "VALUES (?1, ?2, ?3, COALESCE(?4, 0))"),
               {id, hasText(name) ? QVariant(ProperCase(name)) : QVariant(),
                hasText(substitute) ? QVariant(substitute) : QVariant(), nonAlcohol});
    tx.commit();
    return id;
}

void AddRecipeLine(qint64 drinkId, qint64 ingredientId, const QString& amount)
{
    const QVariant stored = hasText(amount) ? QVariant(Lib::EncodeText(amount)) : QVariant();
    Database().execute(QStringLiteral("INSERT INTO DrinkInfo (DrinkID, IngID, Amount) VALUES (?1, ?2, ?3)"),
                       {drinkId, ingredientId, stored});
}

void AddDrink(qint64 id, const QString& name, int glassType, const QString& description, const QString& favorite,
              const QString& submitted, const QString& nonAlcoholic, const QString& currentStock,
              const QString& currentStockNonAlcoholic)
{
    // Every text is converted before anything is written, so a refused value writes nothing.
    const QVariant storedName = hasText(name) ? QVariant(Lib::EncodeText(name)) : QVariant();
    const QVariant storedDescription = hasText(description) ? QVariant(Lib::EncodeText(description)) : QVariant();
    const QVariantList params = {id,
                                 storedName,
                                 glassType,
                                 storedDescription,
                                 yesNoValue(favorite, "Favorite"),
                                 yesNoValue(submitted, "Submitted"),
                                 yesNoValue(nonAlcoholic, "NonAlcoholic"),
                                 yesNoValue(currentStock, "CurrentStock"),
                                 yesNoValue(currentStockNonAlcoholic, "CurrentStockNonAlcoholic")};
    try {
        Database().execute(
            QStringLiteral("INSERT INTO Drinks (ID, Name, GlassType, Description, Favorite, Submitted, NonAlcoholic, "
                           "CurrentStock, CurrentStockNonAlcoholic) VALUES (?1, ?2, ?3, ?4, COALESCE(?5, 0), "
                           "COALESCE(?6, 0), COALESCE(?7, 0), COALESCE(?8, 0), COALESCE(?9, 0))"),
            params);
    } catch (const Sql::Error& e) {
        if (e.code() == SQLITE_CONSTRAINT_UNIQUE || e.code() == SQLITE_CONSTRAINT_PRIMARYKEY) {
            if (Database().scalar(QStringLiteral("SELECT 1 FROM Drinks WHERE Name = ?1"), {storedName}).isValid())
                throw Sql::Error(e.code(), QStringLiteral("A drink named \"%1\" already exists.").arg(name), e.statement());
            throw Sql::Error(e.code(), QStringLiteral("A drink with the number %1 already exists.").arg(id), e.statement());
        }
        throw;
    }
}

} // namespace DBLib
