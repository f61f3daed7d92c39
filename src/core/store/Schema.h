#pragma once

#include "core/store/Sqlite.h"

namespace Schema {

// The layout version written to PRAGMA user_version.
inline constexpr int Version = 1;

// Creates every table and index of an empty database and its one Settings row, in one transaction.
void create(Sql::Connection& db);

// Throws Sql::Error when the file is not a recipe database of a layout this program knows.
void verify(Sql::Connection& db);

// Adds the indexes of the current layout that a file made by an earlier version lacks, in one
// transaction; writes nothing when none is missing. Indexes change no answer, only its speed.
void addMissingIndexes(Sql::Connection& db);

} // namespace Schema
