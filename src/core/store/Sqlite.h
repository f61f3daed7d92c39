#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over the SQLite C API. Handles are owned by smart pointers whose deleters never
// throw; every value reaches SQLite as a bound parameter, never as part of the statement text.
namespace Sql {

// Any failure of the engine or of the store's own checks. Carries SQLite's extended result code
// (0 when the store itself refused), its message and the statement that failed.
class Error : public std::runtime_error
{
public:
    Error(int code, const QString& message, const QString& statement = {});

    int code() const { return m_code; }
    const QString& message() const { return m_message; }
    const QString& statement() const { return m_statement; }

private:
    int m_code;
    QString m_message;
    QString m_statement;
};

class Statement;

class Connection
{
public:
    enum class Mode { ReadWrite, ReadWriteCreate, ReadOnly };

    // Opens the file; throws Error naming the file and the reason when it cannot.
    explicit Connection(const QString& path, Mode mode = Mode::ReadWrite);
    ~Connection();
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Statement prepare(const QString& sql);
    // Runs one or more statements that take no parameters (schema, pragmas).
    void exec(const QString& sql);
    // Runs one statement with the given parameters, bound by position.
    void execute(const QString& sql, const QVariantList& params = {});
    // The first column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    qint64 lastInsertRowId() const;
    int changes() const;
    bool inTransaction() const;
    // How many transactions or savepoints of ours were rolled back on this connection: whatever a
    // cache learned inside one of them may be wrong.
    quint64 rollbacks() const { return m_rollbacks; }
    const QString& path() const { return m_path; }
    sqlite3* handle() const { return m_db.get(); }

    [[noreturn]] void raise(int rc, const QString& statement = {}) const;

private:
    // A prepared statement kept for the next use of the same text, so a store procedure called
    // once per drink of an import parses its SQL once. In use while a Lease holds it; a nested use
    // of the same text prepares a statement of its own.
    struct Kept
    {
        std::unique_ptr<Statement> statement;
        bool inUse = false;
    };

public:
    // The connection's kept statement for a text, prepared on first use, for procedures that run
    // often (execute() and scalar() use it too). Handed back reset, its values cleared, when the
    // lease ends, however it ends.
    class Lease
    {
    public:
        Lease(Connection& connection, const QString& sql);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        Statement& operator*() const { return *m_statement; }
        Statement* operator->() const { return m_statement; }

    private:
        Kept* m_kept = nullptr;
        std::unique_ptr<Statement> m_own;
        Statement* m_statement = nullptr;
    };

private:
    struct Closer
    {
        void operator()(sqlite3* db) const noexcept;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
    QString m_path;
    quint64 m_rollbacks = 0;
    friend class Transaction;
    // Declared after the handle: finalized before it is closed.
    std::unordered_map<QString, Kept> m_kept;
};

class Statement
{
public:
    Statement(Connection& connection, const QString& sql);
    ~Statement();
    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds by position, from 1. A null or invalid QVariant binds NULL; bool binds 0/1.
    void bind(int index, const QVariant& value);
    void bind(int index, qint64 value);
    void bind(int index, const QString& value);
    void bindAll(const QVariantList& values);
    void clearBindings();

    // Advances to the next row; false when the statement is done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // -1 when the result has no such column (compared without regard to letter case).
    int columnIndex(const QString& name) const;
    bool isNull(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    // The column's text as the engine holds it (UTF-8), without a copy; valid until the next step
    // or reset. Empty for Null.
    QByteArrayView utf8(int column) const;
    QVariant value(int column) const;

    QString sql() const;

private:
    struct Finalizer
    {
        void operator()(sqlite3_stmt* stmt) const noexcept;
    };
    Connection* m_connection;
    std::unique_ptr<sqlite3_stmt, Finalizer> m_stmt;
};

// Begins in the constructor and rolls back in the destructor unless committed. Nested guards use
// savepoints, so a store procedure can guard itself and still join a caller's transaction.
class Transaction
{
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    QString m_savepoint;
    bool m_done = false;
};

} // namespace Sql
