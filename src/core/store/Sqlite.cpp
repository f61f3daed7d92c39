#include "core/store/Sqlite.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

namespace Sql {

namespace {

// Names compare without regard to letter case, accented and other non-ASCII letters included.
// SQLite's own NOCASE folds ASCII only; this one replaces it on our connections. For pure ASCII
// text both give the same order, so a file stays readable by the standard sqlite3 tool.
int compareNoCase(void*, int len1, const void* data1, int len2, const void* data2)
{
    const auto* a = static_cast<const unsigned char*>(data1);
    const auto* b = static_cast<const unsigned char*>(data2);
    const int n = std::min(len1, len2);
    for (int i = 0; i < n; ++i) {
        const unsigned char ca = a[i];
        const unsigned char cb = b[i];
        if (ca >= 0x80 || cb >= 0x80) {
            const QString sa = QString::fromUtf8(reinterpret_cast<const char*>(a), len1);
            const QString sb = QString::fromUtf8(reinterpret_cast<const char*>(b), len2);
            return QString::compare(sa, sb, Qt::CaseInsensitive);
        }
        const int la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const int lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return la - lb;
    }
    return len1 - len2;
}

QString errorText(sqlite3* db, int rc)
{
    if (db)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

// The engine's words, except where they would leave a user guessing what happened.
QString failureText(sqlite3* db, int rc, const char* engineMessage = nullptr)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
        // The busy timeout has run out: another connection kept the write lock all that time.
        return QStringLiteral("The recipe database is in use by another program (perhaps a second Tumblerix) and "
                              "stayed locked. Try again when that program has finished.");
    case SQLITE_READONLY:
        return QStringLiteral("The recipe database is read-only; nothing can be changed in it.");
    default:
        return engineMessage ? QString::fromUtf8(engineMessage) : errorText(db, rc);
    }
}

thread_local int savepointCounter = 0;

} // namespace

Error::Error(int code, const QString& message, const QString& statement)
    : std::runtime_error(message.toStdString()), m_code(code), m_message(message), m_statement(statement)
{
}

void Connection::Closer::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

Connection::Connection(const QString& path, Mode mode) : m_path(path)
{
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        // Recipes are private: the file is made readable by its owner only. SQLite gives its
        // journal files the permissions of the database file.
        if (!QFileInfo::exists(path)) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                throw Error(SQLITE_CANTOPEN,
                            QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
            file.close();
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        break;
    }
    if (mode != Mode::ReadWriteCreate && !QFileInfo::exists(path))
        throw Error(SQLITE_CANTOPEN, QStringLiteral("The file %1 does not exist.").arg(path));

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        const QString reason = errorText(raw, rc);
        m_db.reset();
        throw Error(rc, QStringLiteral("Cannot open %1: %2").arg(path, reason));
    }

    // A double-quoted word is always a name, never a text value.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_create_collation_v2(raw, "NOCASE", SQLITE_UTF8, nullptr, compareNoCase, nullptr);
}

Connection::~Connection() = default;

// Kept statements belong to the connection object they were made on; a move drops them.
Connection::Connection(Connection&& other) noexcept : m_db(std::move(other.m_db)), m_path(std::move(other.m_path))
{
    other.m_kept.clear();
}

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        m_kept.clear();
        m_db = std::move(other.m_db);
        m_path = std::move(other.m_path);
        other.m_kept.clear();
    }
    return *this;
}

// The texts are the store's own, with every value bound, so there are few of them; the bound keeps
// a caller that builds texts from making the cache a leak.
Connection::Lease::Lease(Connection& connection, const QString& sql)
{
    constexpr size_t MaxKept = 256;
    auto it = connection.m_kept.find(sql);
    if (it == connection.m_kept.end()) {
        if (connection.m_kept.size() >= MaxKept)
            std::erase_if(connection.m_kept, [](const auto& entry) { return !entry.second.inUse; });
        it = connection.m_kept.emplace(sql, Kept{std::make_unique<Statement>(connection, sql), false}).first;
    }
    if (it->second.inUse) {
        m_own = std::make_unique<Statement>(connection, sql);
        m_statement = m_own.get();
    } else {
        m_kept = &it->second;
        m_kept->inUse = true;
        m_statement = m_kept->statement.get();
    }
}

Connection::Lease::~Lease()
{
    if (m_kept) {
        m_statement->reset();
        m_statement->clearBindings();
        m_kept->inUse = false;
    }
}

void Connection::raise(int rc, const QString& statement) const
{
    throw Error(rc, failureText(m_db.get(), rc), statement);
}

Statement Connection::prepare(const QString& sql)
{
    return Statement(*this, sql);
}

void Connection::exec(const QString& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db.get(), sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = failureText(m_db.get(), rc, message);
        sqlite3_free(message);
        throw Error(rc, text, sql);
    }
}

void Connection::execute(const QString& sql, const QVariantList& params)
{
    const Lease lease(*this, sql);
    (*lease).bindAll(params);
    (*lease).run();
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    const Lease lease(*this, sql);
    Statement& statement = *lease;
    statement.bindAll(params);
    if (!statement.step())
        return {};
    return statement.value(0);
}

qint64 Connection::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db.get());
}

int Connection::changes() const
{
    return sqlite3_changes(m_db.get());
}

bool Connection::inTransaction() const
{
    return sqlite3_get_autocommit(m_db.get()) == 0;
}

void Statement::Finalizer::operator()(sqlite3_stmt* stmt) const noexcept
{
    sqlite3_finalize(stmt);
}

Statement::Statement(Connection& connection, const QString& sql) : m_connection(&connection)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(connection.handle(), utf8.constData(), int(utf8.size()), &raw, nullptr);
    m_stmt.reset(raw);
    if (rc != SQLITE_OK)
        connection.raise(rc, sql);
    if (!raw)
        throw Error(SQLITE_MISUSE, QStringLiteral("The statement is empty."), sql);
}

Statement::~Statement() = default;
Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;

QString Statement::sql() const
{
    return QString::fromUtf8(sqlite3_sql(m_stmt.get()));
}

void Statement::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt.get(), index, value);
    if (rc != SQLITE_OK)
        m_connection->raise(rc, sql());
}

void Statement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    const int rc = sqlite3_bind_text64(m_stmt.get(), index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        m_connection->raise(rc, sql());
}

void Statement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt.get(), index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            return bind(index, qint64(value.toBool() ? 1 : 0));
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return bind(index, value.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt.get(), index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt.get(), index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default:
            return bind(index, value.toString());
        }
    }
    if (rc != SQLITE_OK)
        m_connection->raise(rc, sql());
}

void Statement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

void Statement::clearBindings()
{
    sqlite3_clear_bindings(m_stmt.get());
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString statement = sql();
    // The statement's own error is reported by reset, with the extended code.
    const int code = sqlite3_reset(m_stmt.get());
    m_connection->raise(code != SQLITE_OK ? code : rc, statement);
}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt.get());
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt.get(), column));
}

int Statement::columnIndex(const QString& name) const
{
    const int n = columnCount();
    for (int i = 0; i < n; ++i) {
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt.get(), column) == SQLITE_NULL;
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt.get(), column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt.get(), column);
}

QString Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), column));
    const int size = sqlite3_column_bytes(m_stmt.get(), column);
    return data ? QString::fromUtf8(data, size) : QString();
}

QByteArrayView Statement::utf8(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), column));
    const int size = sqlite3_column_bytes(m_stmt.get(), column);
    return data ? QByteArrayView(data, size) : QByteArrayView();
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt.get(), column)) {
    case SQLITE_INTEGER:
        return QVariant(int64(column));
    case SQLITE_FLOAT:
        return QVariant(real(column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt.get(), column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(m_stmt.get(), column)));
    }
    default:
        return QVariant();
    }
}

Transaction::Transaction(Connection& connection) : m_connection(connection)
{
    if (connection.inTransaction()) {
        m_savepoint = QStringLiteral("tx_%1").arg(++savepointCounter);
        connection.exec(QStringLiteral("SAVEPOINT ") + m_savepoint);
    } else {
        // Take the write lock at once, so two writers never deadlock on an upgrade.
        connection.exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    ++m_connection.m_rollbacks;
    try {
        if (m_savepoint.isEmpty()) {
            if (m_connection.inTransaction())
                m_connection.exec(QStringLiteral("ROLLBACK"));
        } else {
            m_connection.exec(QStringLiteral("ROLLBACK TO ") + m_savepoint);
            m_connection.exec(QStringLiteral("RELEASE ") + m_savepoint);
        }
    } catch (const Error&) {
        // The engine already rolled back (for example after a full disk); nothing is left to undo.
    }
}

void Transaction::commit()
{
    if (m_savepoint.isEmpty())
        m_connection.exec(QStringLiteral("COMMIT"));
    else
        m_connection.exec(QStringLiteral("RELEASE ") + m_savepoint);
    m_done = true;
}

} // namespace Sql
