#include "core/about/SystemInfo.h"

#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "core/store/ModuleRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QSysInfo>

#include <sqlite3.h>

namespace SystemInfo {

QString SqliteVersion()
{
    return QString::fromLatin1(sqlite3_libversion());
}

QList<Line> Collect(const QString& dataFolder, const QString& programVersion)
{
    if (!DBLib::IsOpen())
        throw Sql::Error(0, QStringLiteral("No recipe database is open."));

    // Counted first, so that a database that cannot answer gives no half report.
    const auto count = [](DBLib::Count what) { return QLocale().toString(DBLib::CountRecords(what)); };
    const QString drinks = count(DBLib::Count::Drinks);
    const QString favourites = count(DBLib::Count::FavoriteDrinks);
    const QString submitted = count(DBLib::Count::SubmittedDrinks);
    const QString ingredients = count(DBLib::Count::Ingredients);
    const QString recipeLines = count(DBLib::Count::RecipeLines);
    const QString glasses = count(DBLib::Count::GlassTypes);
    const QString tips = count(DBLib::Count::Tips);

    const QString program = QStringLiteral("Program");
    const QString system = QStringLiteral("Operating system");
    const QString data = QStringLiteral("Data");
    const QString databasePath = QDir::toNativeSeparators(DataFolder::databasePath(dataFolder));
    const QFileInfo database(DataFolder::databasePath(dataFolder));
    const QSettings preferences(QString::fromLatin1(ModuleRegistry::Organisation),
                                QString::fromLatin1(ModuleRegistry::Application));

    QString qt = QString::fromLatin1(qVersion());
    if (qt != QLatin1String(QT_VERSION_STR))
        qt += QStringLiteral(" (built with ") + QLatin1String(QT_VERSION_STR) + QLatin1Char(')');

    return {
        {program, QStringLiteral("Name"), QStringLiteral("Tumblerix")},
        {program, QStringLiteral("Version"), programVersion},
        {program, QStringLiteral("Qt"), qt},
        {program, QStringLiteral("SQLite"), SqliteVersion()},
        {system, QStringLiteral("Name"), QSysInfo::prettyProductName()},
        {system, QStringLiteral("Kernel"), QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion()},
        {system, QStringLiteral("Architecture"), QSysInfo::currentCpuArchitecture()},
        {data, QStringLiteral("Data folder"), QDir::toNativeSeparators(dataFolder)},
        {data, QStringLiteral("Recipe database"), databasePath},
        {data, QStringLiteral("Database size"),
         database.exists() ? QLocale().formattedDataSize(database.size()) : QStringLiteral("(not found)")},
        {data, QStringLiteral("Preferences"), QDir::toNativeSeparators(preferences.fileName())},
        {data, QStringLiteral("Drinks"), drinks},
        {data, QStringLiteral("Favorite drinks"), favourites},
        {data, QStringLiteral("Submitted drinks"), submitted},
        {data, QStringLiteral("Ingredients"), ingredients},
        {data, QStringLiteral("Recipe lines"), recipeLines},
        {data, QStringLiteral("Glass types"), glasses},
        {data, QStringLiteral("Bartending tips"), tips},
    };
}

QString ToText(const QList<Line>& lines)
{
    QString text;
    QString section;
    for (const Line& line : lines) {
        if (line.section != section) {
            if (!text.isEmpty())
                text += QLatin1Char('\n');
            section = line.section;
            text += section + QLatin1Char('\n');
        }
        text += QStringLiteral("  ") + line.item + QStringLiteral(": ") + line.value + QLatin1Char('\n');
    }
    return text;
}

} // namespace SystemInfo
