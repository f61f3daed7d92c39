#include "core/formats/Importer.h"

#include "core/store/DBLib.h"
#include "core/store/Failure.h"
#include "core/store/Sqlite.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace Formats {

namespace {

struct Cancelled
{
};

// Adds the records of one parsed file inside one transaction.
void addRecords(const ParsedFile& parsed, FileResult& result, qint64& done, qint64 total,
                const ImportProgress& progress)
{
    DBLib::WriteBatch batch;
    for (const Record& record : parsed.records) {
        if (!record.refusal.isEmpty()) {
            result.refused << record.position + QStringLiteral(": ") + record.refusal;
        } else if (DBLib::FindDrinkID(record.entry.name) >= 0) {
            ++result.duplicates;
        } else {
            try {
                result.ingredientsCreated += int(DBLib::WriteNewDrink(record.entry).newIngredients.size());
                ++result.added;
            } catch (const Sql::Error& e) {
                // The store's own refusal (a text it cannot keep, a glass it does not know) leaves
                // this record out; a failure of the engine itself ends the file.
                if (e.code() != 0)
                    throw;
                result.refused << record.position + QStringLiteral(": ") + e.message();
            }
        }
        ++done;
        if (progress && !progress(done, total))
            throw Cancelled{};
    }
    batch.commit();
}

} // namespace

int ImportSummary::added() const
{
    int n = 0;
    for (const FileResult& f : files)
        n += f.added;
    return n;
}

int ImportSummary::duplicates() const
{
    int n = 0;
    for (const FileResult& f : files)
        n += f.duplicates;
    return n;
}

int ImportSummary::ingredientsCreated() const
{
    int n = 0;
    for (const FileResult& f : files)
        n += f.ingredientsCreated;
    return n;
}

QString ImportSummary::text() const
{
    QStringList lines;
    lines << QStringLiteral("Drinks added: %1").arg(added())
          << QStringLiteral("Drinks skipped because one of that name is stored: %1").arg(duplicates())
          << QStringLiteral("Ingredients created: %1").arg(ingredientsCreated());
    if (cancelled)
        lines << QStringLiteral("The import was cancelled; the file in progress was left out.");
    QStringList problems;
    for (const FileResult& f : files) {
        const QString name = QFileInfo(f.file).fileName();
        if (!f.error.isEmpty())
            problems << QStringLiteral("%1: not imported: %2").arg(name, f.error);
        for (const QString& r : f.refused)
            problems << QStringLiteral("%1, %2").arg(name, r);
    }
    if (!problems.isEmpty())
        lines << QString() << QStringLiteral("Refused:") << problems;
    return lines.join(QLatin1Char('\n'));
}

QStringList ImportFiles(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        QStringList found;
        QDirIterator it(path, {QStringLiteral("*.json"), QStringLiteral("*.csv"), QStringLiteral("*.xml")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        std::sort(found.begin(), found.end());
        files << found;
    }
    return files;
}

ImportSummary Import(const QStringList& paths, const ImportProgress& progress)
{
    ImportSummary summary;
    // Every file is read first, so the progress knows the whole count.
    QList<std::pair<QString, ParsedFile>> parsed;
    qint64 total = 0;
    for (const QString& file : ImportFiles(paths)) {
        parsed.append({file, ReadFile(file)});
        total += parsed.last().second.records.size();
    }
    qint64 done = 0;
    for (const auto& [file, content] : parsed) {
        FileResult result;
        result.file = file;
        if (!content.error.isEmpty()) {
            result.error = content.error;
        } else {
            try {
                addRecords(content, result, done, total, progress);
            } catch (const Cancelled&) {
                summary.cancelled = true;
                result = FileResult{file, 0, 0, 0, {}, QStringLiteral("cancelled")};
                summary.files.append(result);
                break;
            } catch (const std::exception& e) {
                result = FileResult{file, 0, 0, 0, {}, DBLib::FailureReason(e)};
            }
        }
        summary.files.append(result);
    }
    return summary;
}

QByteArray ExportBytes(Format format, const QStringList& names, QStringList* unknown)
{
    const QStringList wanted = names.isEmpty() ? DBLib::AllDrinkNames() : names;
    QList<DBLib::Drink> drinks;
    drinks.reserve(wanted.size());
    for (const QString& name : wanted) {
        if (const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(name))
            drinks.append(*drink);
        else if (unknown)
            *unknown << name;
    }
    return Write(format, drinks);
}

bool Export(const QString& path, Format format, const QStringList& names, QString* error)
{
    QStringList unknown;
    const QByteArray bytes = ExportBytes(format, names, &unknown);
    if (!unknown.isEmpty()) {
        *error = QStringLiteral("No drink is named %1; nothing was written.").arg(unknown.join(QStringLiteral(", ")));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace Formats
