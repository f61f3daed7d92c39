#include "core/store/ProgramData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramData {

namespace {

QString& chosen()
{
    static QString folder;
    return folder;
}

QString besideExecutable()
{
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (program.isEmpty())
        return QString();
    return QDir::cleanPath(program + QStringLiteral("/../share/tumblerix"));
}

bool holdsData(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QStringLiteral("starter/drinks.txt"))).isFile();
}

} // namespace

void setFolder(const QString& folder)
{
    chosen() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString folder()
{
    // Looked for once: every glass picture and help page asks for it.
    if (!chosen().isEmpty())
        return chosen();
    static QString found;
    if (!found.isEmpty())
        return found;
    QStringList candidates{qEnvironmentVariable("TUMBLERIX_SHARE_DIR"), besideExecutable()};
    candidates += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("tumblerix"),
                                            QStandardPaths::LocateDirectory);
    for (const QString& candidate : std::as_const(candidates)) {
        if (holdsData(candidate))
            return found = QDir(candidate).absolutePath();
    }
    return QString();
}

QString path(const QString& relative)
{
    QString base = folder();
    if (base.isEmpty())
        base = besideExecutable();
    return QDir(base).filePath(relative);
}

} // namespace ProgramData
