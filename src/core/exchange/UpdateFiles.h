#pragma once

#include "core/exchange/ExchangeRecords.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The files of an update run: the index and the downloaded drink documents live in the data
// folder only while the run needs them.
namespace Online {

inline const QString UpdateIndexFileName = QStringLiteral("drinkUpdates.xml");

// The folder of the open recipe database.
QString UpdateFolder();

// Overwrites the file with blanks, in whole blocks of 4096 bytes and one block more, then removes
// it. A missing file is fine; a link is removed without touching what it points to.
void DestroyFile(const QString& path);

// Writes bytes to a file, replacing an earlier one; false with the reason on failure.
bool WriteFile(const QString& path, const QByteArray& bytes, QString* error);

// Reads one downloaded drink document and adds its drinks in one transaction. nullopt with the
// reason when the file cannot be read, the document is refused, or the store refuses a drink; the
// database is then unchanged.
std::optional<AddRecordsResult> AddNewRecordsToDatabase(const QString& localFileName, QString* error);

} // namespace Online
