#pragma once

#include "core/exchange/ExchangeRecords.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The files of an update run: the index and the downloaded drink documents live in a private
// folder of the run only while the run needs them.
namespace Online {

inline const QString UpdateIndexFileName = QStringLiteral("drinkUpdates.xml");

// Overwrites the file with blanks, in whole blocks of 4096 bytes and one block more, then removes
// it. A missing file is fine; a link is removed without touching what it points to.
void DestroyFile(const QString& path);

// Writes bytes to a file, replacing an earlier one; false with the reason on failure.
bool WriteFile(const QString& path, const QByteArray& bytes, QString* error);

// Reads one downloaded drink document (any thread: it does not touch the database). nullopt with
// the reason when the file cannot be read or the document is refused.
std::optional<QList<ExchangeDrink>> ReadDocumentFile(const QString& localFileName, QString* error);

// The update mark (see UpdateMark) as the preferences keep it: "lastUpdate" holds the day, and
// "lastUpdateFiles" the day again and the stems taken that day ("12/6/2026|a,b"). Stems kept for
// another day than "lastUpdate" (an older program moved it) are not known. The day is nullopt when
// "lastUpdate" cannot be read.
std::optional<UpdateMark> ReadUpdateMark();
void WriteUpdateMark(const UpdateMark& mark);

// Reads one downloaded drink document and adds its drinks in one transaction. nullopt with the
// reason when the file cannot be read, the document is refused, or the store refuses a drink; the
// database is then unchanged.
std::optional<AddRecordsResult> AddNewRecordsToDatabase(const QString& localFileName, QString* error);

} // namespace Online
