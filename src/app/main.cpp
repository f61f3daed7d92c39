#include "common/MessageBox.h"
#include "store/DBLib.h"
#include "store/DataFolder.h"
#include "store/Lib.h"
#include "store/StarterData.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>

#include <exception>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brimvale"));
    QApplication::setApplicationName(QStringLiteral("Tumblerix"));
    QApplication::setApplicationVersion(QStringLiteral(TUMBLERIX_VERSION));

    QTextStream out(stdout);
    const QStringList arguments = QApplication::arguments();
    const bool reportOnly = arguments.contains(QStringLiteral("--report"));

    const DataFolder::Choice folder = DataFolder::choose(arguments, QApplication::applicationDirPath());
    QString error;
    if (!DataFolder::ensureExists(folder.path, &error)) {
        MessageBox::critical(nullptr, QStringLiteral("Tumblerix"), error);
        return 1;
    }
    const QString databasePath = DataFolder::databasePath(folder.path);
    bool created = false;
    try {
        if (QFileInfo::exists(databasePath)) {
            DBLib::OpenRecipeDatabase(databasePath);
        } else {
            StarterData::CreateStarterDatabase(databasePath);
            created = true;
        }
    } catch (const Sql::Error& e) {
        if (reportOnly)
            QTextStream(stderr) << e.message() << Qt::endl;
        else
            MessageBox::critical(nullptr, QStringLiteral("Tumblerix"), e.message());
        return 1;
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        if (reportOnly)
            QTextStream(stderr) << message << Qt::endl;
        else
            MessageBox::critical(nullptr, QStringLiteral("Tumblerix"), message);
        return 1;
    }

    const QString report =
        QStringLiteral("Data folder: %1 (%2)\nRecipe database: %3%4\nDrinks: %5\nIngredients: %6\nGlasses: %7\nTips: %8")
            .arg(folder.path, folder.reason, databasePath,
                 created ? QStringLiteral(" (new, from the starter recipes)") : QString())
            .arg(DBLib::CountRecords(QStringLiteral("Drinks"), QString()))
            .arg(DBLib::CountRecords(QStringLiteral("Ingredients"), QString()))
            .arg(DBLib::CountRecords(QStringLiteral("GlassTypes"), QString()))
            .arg(DBLib::CountRecords(QStringLiteral("Tips"), QString()));
    out << report << Qt::endl;
    if (reportOnly)
        return 0;
    MessageBox::information(nullptr, QStringLiteral("Tumblerix"), report);
    return 0;
}
