#pragma once

#include "core/formats/RecipeFiles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Adding the recipes of files to the open database, and writing stored drinks to a file.
namespace Formats {

struct FileResult
{
    QString file;
    int added = 0;
    int duplicates = 0; // skipped: a drink of that name (letter case aside) is stored
    int ingredientsCreated = 0;
    QStringList refused; // "position: reason" of each record left out
    QString error;       // the whole file was refused or failed; nothing of it was kept
};

struct ImportSummary
{
    QList<FileResult> files;
    bool cancelled = false;

    int added() const;
    int duplicates() const;
    int ingredientsCreated() const;
    bool anyAdded() const { return added() > 0; }
    // The summary for the user: drinks added, skipped, ingredients created, and every refused
    // record with its file and position and the reason.
    QString text() const;
};

// Told the records done and the records in all, after each record; false cancels (the file in
// progress is then left out whole, the files before it stay).
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// The files to read for the given paths: files as given; folders searched (all depths) for
// .json, .csv and .xml files, in name order.
QStringList ImportFiles(const QStringList& paths);

// Reads and adds each file in one transaction of its own: a file that fails halfway (the database
// refuses a write) leaves nothing of itself; a record that cannot be added is reported and skipped.
ImportSummary Import(const QStringList& paths, const ImportProgress& progress = {});

// Writes the named drinks (all drinks when names is empty) to path through a temporary file
// renamed into place. False, with the reason, when it could not; no file is left half written.
bool Export(const QString& path, Format format, const QStringList& names, QString* error);
// The same drinks as bytes (for standard output).
QByteArray ExportBytes(Format format, const QStringList& names, QStringList* unknown);

} // namespace Formats
