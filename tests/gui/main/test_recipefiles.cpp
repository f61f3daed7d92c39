#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Importing and exporting recipe files from the main window: the menu entries, dropping files on
// the window, the Cancel button, the summary, the list afterwards.
class TestRecipeFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;

    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_folder->file(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(bytes);
        return f.fileName();
    }
    QByteArray drinks(int count)
    {
        QJsonArray array;
        for (int i = 0; i < count; ++i) {
            QJsonObject gin;
            gin.insert(QStringLiteral("name"), QStringLiteral("Gin"));
            gin.insert(QStringLiteral("amount"), 2);
            gin.insert(QStringLiteral("units"), QStringLiteral("oz"));
            QJsonObject drink;
            drink.insert(QStringLiteral("name"), QStringLiteral("Imported %1").arg(i));
            drink.insert(QStringLiteral("ingredients"), QJsonArray{gin});
            array.append(drink);
        }
        return QJsonDocument(array).toJson();
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_main = std::make_unique<frmMain>(m_folder->path());
        QVERIFY(m_main->Load());
    }
    void cleanup()
    {
        m_main.reset();
        m_folder.reset();
    }

    void importFromTheMenu()
    {
        const int before = int(m_main->drinkListEntries().size());
        FileDialog::setNextFileName(write(QStringLiteral("three.json"), drinks(3)) + QLatin1Char('\n') +
                                    write(QStringLiteral("bad.json"), "[{"));
        m_main->findChild<QAction*>(QStringLiteral("mnuImport"))->trigger();
        QCOMPARE(int(m_main->drinkListEntries().size()), before + 3);
        QVERIFY(m_main->drinkListEntries().contains(QStringLiteral("IMPORTED 2")));
        const MessageBox::Shown& summary = MessageBox::history().last();
        QCOMPARE(summary.title, QStringLiteral("Import Recipes"));
        QVERIFY(summary.text.contains(QStringLiteral("Drinks added: 3")));
        QVERIFY(summary.text.contains(QStringLiteral("bad.json: not imported")));
        QVERIFY(m_main->findChild<QAction*>(QStringLiteral("mnuExit"))->isEnabled());
        QVERIFY(!mainControl<QPushButton>(m_main, "cmdCancelImport")->isVisible());
    }

    void cancelKeepsNothingOfTheFile()
    {
        const int before = int(m_main->drinkListEntries().size());
        // The import lets the window work between records; the click lands there.
        QTimer::singleShot(0, m_main.get(), [this] { mainControl<QPushButton>(m_main, "cmdCancelImport")->click(); });
        m_main->ImportRecipes({write(QStringLiteral("many.json"), drinks(200))});
        QCOMPARE(int(m_main->drinkListEntries().size()), before);
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("IMPORTED 0")), -1);
        QVERIFY(MessageBox::history().last().text.contains(QStringLiteral("cancelled")));
    }

    void droppedFilesAreImported()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(write(QStringLiteral("drop.json"), drinks(1)))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_main.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_main.get(), &drop);
        QTRY_VERIFY(m_main->drinkListEntries().contains(QStringLiteral("IMPORTED 0")));
    }

    void exportSelectedOrAll_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("onlySelected");
        QTest::addColumn<QString>("folder");
        QTest::newRow("only the selected drink") << int(QMessageBox::Yes) << true << QString();
        QTest::newRow("the whole list") << int(QMessageBox::No) << false << QString();
        QTest::newRow("a folder that is not there") << int(QMessageBox::Yes) << true << QStringLiteral("gone/");
    }
    void exportSelectedOrAll()
    {
        QFETCH(int, answer);
        QFETCH(bool, onlySelected);
        QFETCH(QString, folder);
        m_main->selectDrinkNamed(QStringLiteral("MARGARITA"));
        const QString path = m_folder->file(folder + QStringLiteral("out"));
        FileDialog::setNextFileName(path, QStringLiteral("Spreadsheet, CSV (*.csv)"));
        MessageBox::clearHistory();
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        m_main->findChild<QAction*>(QStringLiteral("mnuExport"))->trigger();
        // A failure is said and nothing claims success; success says where the file went.
        const QString status = m_main->findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text();
        QCOMPARE(MessageBox::history().size(), folder.isEmpty() ? 1 : 2);
        QCOMPARE(status.contains(QStringLiteral("exported to")), folder.isEmpty());
        if (!folder.isEmpty())
            return;
        QFile f(path + QStringLiteral(".csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString csv = QString::fromUtf8(f.readAll());
        QVERIFY(csv.startsWith(QStringLiteral("drink,glass,directions,amount,ingredient,non_alcoholic")));
        QVERIFY(csv.contains(QStringLiteral("MARGARITA,Margarita Glass")));
        QCOMPARE(csv.contains(QStringLiteral("\r\nMOJITO,")), !onlySelected);
    }
};

QTEST_MAIN(TestRecipeFiles)
#include "test_recipefiles.moc"
