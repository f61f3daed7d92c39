#pragma once

#include <QString>
#include <QStringList>

// Where the recipe database and the program's other files live.
namespace DataFolder {

inline const QString DatabaseFileName = QStringLiteral("Tumblerix.dat");
inline const QString PictureListFileName = QStringLiteral("custom.dat");
inline const QString PrintQueueFileName = QStringLiteral("print.que");
inline const QString ImagesFolderName = QStringLiteral("Images");
inline const QString EnvironmentVariable = QStringLiteral("TUMBLERIX_DATA_DIR");

struct Choice
{
    QString path;   // absolute, cleaned
    QString reason; // how it was chosen, for messages and --help
};

// Chooses the folder: "--data-dir DIR" (or "--data-dir=DIR") in arguments, then the environment
// variable, then a writable database beside the executable (portable use), then the per-user data
// location. An empty applicationDir skips the portable check.
Choice choose(const QStringList& arguments, const QString& applicationDir);

// Creates the folder when it is missing; false with a reason when that is not possible.
bool ensureExists(const QString& path, QString* error);

QString databasePath(const QString& folder);

} // namespace DataFolder
