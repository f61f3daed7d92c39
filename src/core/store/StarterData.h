#pragma once

#include "core/store/StarterContent.h"

#include <QString>

// A new recipe database from the starter content, written through the store's own adders.
namespace StarterData {

// Writes content into the open (empty) database, in one transaction.
void populate(const Content& content);

// Creates the database file at path from the built-in content and leaves it open. The file appears
// only when it is complete: it is built beside the target and renamed into place. An existing file
// is never touched.
void CreateStarterDatabase(const QString& path);

} // namespace StarterData
