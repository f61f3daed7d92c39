#include "core/cli/CommandLine.h"
#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "gui/common/MessageBox.h"
#include "gui/main/GlassPictures.h"
#include "gui/main/StartupTiming.h"
#include "gui/main/ViewTimings.h"
#include "gui/main/frmMain.h"
#include "gui/main/frmSplash.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QStyleFactory>
#include <QTextStream>
#include <QTimer>

namespace {

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Brimvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Tumblerix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUMBLERIX_VERSION));
}

QStringList arguments(int argc, char* argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    // Commands and the options that only print need no display.
    if (CommandLine::IsConsoleCommand(arguments(argc, argv))) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QTextStream out(stdout);
        QTextStream err(stderr);
        return CommandLine::Run(QCoreApplication::arguments(), out, err);
    }

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The desktop's menu entry and task bar match the window to the installed entry; the icon
    // comes from the icon theme when installed, else from the program's own files.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tumblerix.Tumblerix"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.tumblerix.Tumblerix"),
                                                 QIcon(GlassPictures::logoPath())));

    // Files named on the command line (as the desktop passes them) are imported once the window is up.
    const QStringList args = QApplication::arguments();
    QStringList files;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--data-dir")) {
            ++i;
        } else if (a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("--data-dir="))) {
            QTextStream(stderr) << "Unknown option " << a << ". See tumblerix --help." << Qt::endl;
            return CommandLine::BadUsage;
        } else if (!a.startsWith(QLatin1Char('-'))) {
            files << a;
        }
    }

    const DataFolder::Choice folder = DataFolder::choose(args, QApplication::applicationDirPath());
    QString error;
    if (!DataFolder::ensureExists(folder.path, &error)) {
        MessageBox::critical(nullptr, QStringLiteral("Tumblerix"), error);
        return CommandLine::Failure;
    }

    frmSplash splash;
    splash.show();
    QApplication::processEvents();
    frmMain window(folder.path);
    if (!window.Load(&splash))
        return CommandLine::Failure;
    // Start-up measured from outside (make bench): report the first painted list and quit.
    if (StartupTiming::requested())
        StartupTiming::exitAfterFirstPaint(&window, sinceStart);
    ViewTimings::install(&window, sinceStart);
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.ImportRecipes(files); });
    const int status = QApplication::exec();
    DBLib::CloseRecipeDatabase(); // a clean close: the next start may skip the full check
    return status;
}
