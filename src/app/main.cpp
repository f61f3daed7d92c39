#include "gui/common/MessageBox.h"
#include "gui/main/GlassPictures.h"
#include "gui/main/StartupTiming.h"
#include "gui/main/frmMain.h"
#include "gui/main/frmSplash.h"
#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "core/store/StarterData.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QStyleFactory>
#include <QTextStream>

namespace {

// Prints what the data folder's database holds, creating it first when it is missing.
int report(const DataFolder::Choice& folder)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString path = DataFolder::databasePath(folder.path);
    bool created = false;
    try {
        if (QFileInfo::exists(path)) {
            DBLib::OpenRecipeDatabase(path);
        } else {
            StarterData::CreateStarterDatabase(path);
            created = true;
        }
        out << "Data folder: " << folder.path << " (" << folder.reason << ")\n"
            << "Recipe database: " << path << (created ? " (new, from the starter recipes)" : "") << "\n";
        const std::pair<const char*, DBLib::Count> counts[] = {{"Drinks", DBLib::Count::Drinks},
                                                                {"Ingredients", DBLib::Count::Ingredients},
                                                                {"GlassTypes", DBLib::Count::GlassTypes},
                                                                {"Tips", DBLib::Count::Tips}};
        for (const auto& [table, what] : counts)
            out << table << ": " << DBLib::CountRecords(what) << "\n";
    } catch (const Sql::Error& e) {
        err << e.message() << Qt::endl;
        return 1;
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brimvale"));
    QApplication::setApplicationName(QStringLiteral("Tumblerix"));
    QApplication::setApplicationVersion(QStringLiteral(TUMBLERIX_VERSION));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    GlassPictures::registerResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tumblerix.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tumblerix keeps your drink recipes and tells you what you can pour."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Keep the recipe database and the other files in <folder> (default: $%1, a database beside "
                       "the program, or ~/.local/share/Brimvale/Tumblerix).")
            .arg(DataFolder::EnvironmentVariable),
        QStringLiteral("folder"));
    const QCommandLineOption reportOnly(QStringLiteral("report"),
                                        QStringLiteral("Print what the recipe database holds and exit."));
    parser.addOption(dataDir);
    parser.addOption(reportOnly);
    parser.process(app);

    const DataFolder::Choice folder = DataFolder::choose(QApplication::arguments(), QApplication::applicationDirPath());
    QString error;
    if (!DataFolder::ensureExists(folder.path, &error)) {
        if (parser.isSet(reportOnly)) {
            QTextStream(stderr) << error << Qt::endl;
            return 1;
        }
        MessageBox::critical(nullptr, QStringLiteral("Tumblerix"), error);
        return 1;
    }
    if (parser.isSet(reportOnly))
        return report(folder);

    frmSplash splash;
    splash.show();
    QApplication::processEvents();
    frmMain window(folder.path);
    if (!window.Load(&splash))
        return 1;
    // Start-up measured from outside (make bench): report the first painted list and quit.
    if (StartupTiming::requested())
        StartupTiming::exitAfterFirstPaint(&window, sinceStart);
    window.show();
    return QApplication::exec();
}
