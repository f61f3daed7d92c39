#pragma once

// The store's own entry points to the open database. Only the store (and tests and measurements
// that look under it) build SQL; everything else calls the store's procedures.
#ifndef TUMBLERIX_STORE_INTERNAL
#error "core/store/StoreInternal.h belongs to the store; call the procedures of DBLib instead"
#endif

#include "core/store/Sqlite.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace DBLib {

// The open database; throws Sql::Error when none is open.
Sql::Connection& Database();

// A read-only, forward-only result. It stands on its first row when it opens.
class Snapshot
{
public:
    Snapshot(Sql::Connection& db, const QString& sql, const QVariantList& params);

    // End of data: no current row.
    bool atEnd() const { return !m_hasRow; }
    // Beginning of data: true only for an empty result.
    bool isEmpty() const { return m_empty; }
    QVariant field(int position) const;
    QVariant field(const QString& column) const;
    void moveNext();
    void close();

private:
    std::optional<Sql::Statement> m_statement;
    bool m_hasRow = false;
    bool m_empty = true;
};

Snapshot OpenSnapshot(const QString& sql, const QVariantList& params = {});
void ExecuteSql(const QString& sql, const QVariantList& params = {});

// The find scans read tables of at least this many drinks in two halves at once (tests lower it).
void SetParallelScanFrom(qint64 drinks);

} // namespace DBLib
