#pragma once

#include "core/store/Sqlite.h"

namespace Schema {

// The layout version written to PRAGMA user_version. It stays 1: later additions are tables that
// earlier versions do not read, so those versions keep opening the file.
inline constexpr int Version = 1;
// The revision of the layout within that version: 2 adds IngredientStrength.
inline constexpr int Revision = 2;

// Creates every table and index of an empty database and its one Settings row, in one transaction.
void create(Sql::Connection& db);

// Throws Sql::Error when the file is not a recipe database of a layout this program knows.
void verify(Sql::Connection& db);

// Adds the indexes of the current layout that a file made by an earlier version lacks, in one
// transaction; writes nothing when none is missing. Indexes change no answer, only its speed.
void addMissingIndexes(Sql::Connection& db);

// Brings a file of an earlier revision up to this one, once: a copy of the file is kept beside it
// as "<file>.bak-<earlier revision>", then the change runs in one transaction (all or nothing).
// Ingredients the starter catalogue knows get its strength. False when nothing needed doing.
bool upgrade(Sql::Connection& db);

} // namespace Schema
