#include "core/store/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace DataFolder {

namespace {

QString argumentValue(const QStringList& arguments)
{
    const QString option = QStringLiteral("--data-dir");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == option && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (a.startsWith(option + QLatin1Char('=')))
            return a.mid(option.size() + 1);
    }
    return QString();
}

QString absolute(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

} // namespace

Choice choose(const QStringList& arguments, const QString& applicationDir)
{
    const QString fromArgument = argumentValue(arguments);
    if (!fromArgument.isEmpty())
        return {absolute(fromArgument), QStringLiteral("given with --data-dir")};

    const QString fromEnvironment = qEnvironmentVariable(qPrintable(EnvironmentVariable));
    if (!fromEnvironment.isEmpty())
        return {absolute(fromEnvironment), QStringLiteral("given by %1").arg(EnvironmentVariable)};

    if (!applicationDir.isEmpty()) {
        const QFileInfo beside(QDir(applicationDir).filePath(DatabaseFileName));
        if (beside.isFile() && beside.isWritable() && QFileInfo(applicationDir).isWritable())
            return {absolute(applicationDir), QStringLiteral("portable: the database beside the program")};
    }

    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {absolute(base + QStringLiteral("/Brimvale/Tumblerix")), QStringLiteral("the per-user data folder")};
}

bool ensureExists(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists()) {
        if (error)
            *error = QStringLiteral("%1 exists but is not a folder.").arg(path);
        return false;
    }
    if (!QDir().mkpath(path)) {
        if (error)
            *error = QStringLiteral("The data folder %1 could not be created.").arg(path);
        return false;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

QString databasePath(const QString& folder)
{
    return QDir(folder).filePath(DatabaseFileName);
}

} // namespace DataFolder
