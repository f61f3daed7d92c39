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

using namespace Qt::StringLiterals;

// Importing and exporting recipe files from the main window: the menu entries, dropping files on
// the window, the Cancel button, the summary, the list afterwards.
class TestRecipeFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;

    QString write(const QString& name, const QByteArray& bytes) { return writeFile(m_folder->file(name), bytes); }
    // A JSON file of that many drinks of one Gin line, "Imported 0" on.
    static QByteArray drinks(int count)
    {
        QJsonArray array;
        for (int i = 0; i < count; ++i)
            array.append(QJsonObject{{u"name"_s, u"Imported %1"_s.arg(i)},
                                     {u"ingredients"_s, QJsonArray{QJsonObject{{u"name"_s, u"Gin"_s}, {u"amount"_s, 2}}}}});
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
    void cleanup() { m_main.reset(); m_folder.reset(); }

    void importFromTheMenu()
    {
        const qsizetype before = m_main->drinkListEntries().size();
        FileDialog::setNextFileName(write(u"three.json"_s, drinks(3)) + u'\n' + write(u"bad.json"_s, "[{"));
        m_main->findChild<QAction*>(u"mnuImport"_s)->trigger();
        QVERIFY(m_main->drinkListEntries().size() == before + 3 && m_main->drinkListEntries().contains(u"IMPORTED 2"_s));
        const QString summary = MessageBox::history().last().title + u": "_s + MessageBox::history().last().text;
        QVERIFY2(summary.startsWith(u"Import Recipes: "_s) && summary.contains(u"Drinks added: 3"_s) &&
                     summary.contains(u"bad.json: not imported"_s), qPrintable(summary));
        QVERIFY(m_main->findChild<QAction*>(u"mnuExit"_s)->isEnabled());
        QVERIFY(!mainControl<QPushButton>(m_main, "cmdCancelImport")->isVisible());
    }

    void cancelKeepsNothingOfTheFile()
    {
        const qsizetype before = m_main->drinkListEntries().size();
        // The import lets the window work between records; the click lands there.
        QTimer::singleShot(0, m_main.get(), [this] { mainControl<QPushButton>(m_main, "cmdCancelImport")->click(); });
        m_main->ImportRecipes({write(u"many.json"_s, drinks(200))});
        QVERIFY(m_main->drinkListEntries().size() == before && DBLib::FindDrinkID(u"IMPORTED 0"_s) == -1);
        QVERIFY(MessageBox::history().last().text.contains(u"cancelled"_s));
    }

    void droppedFilesAreImported()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(write(u"drop.json"_s, drinks(1)))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_main.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_main.get(), &drop);
        QTRY_VERIFY(m_main->drinkListEntries().contains(u"IMPORTED 0"_s));
    }

    void exportSelectedOrAll_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("onlySelected");
        QTest::addColumn<QString>("folder");
        QTest::newRow("only the selected drink") << int(QMessageBox::Yes) << true << QString();
        QTest::newRow("the whole list") << int(QMessageBox::No) << false << QString();
        QTest::newRow("a folder that is not there") << int(QMessageBox::Yes) << true << u"gone/"_s;
    }
    void exportSelectedOrAll()
    {
        QFETCH(int, answer);
        QFETCH(bool, onlySelected);
        QFETCH(QString, folder);
        m_main->selectDrinkNamed(u"MARGARITA"_s);
        const QString path = m_folder->file(folder + u"out"_s);
        FileDialog::setNextFileName(path, u"Spreadsheet, CSV (*.csv)"_s);
        MessageBox::clearHistory();
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        m_main->findChild<QAction*>(u"mnuExport"_s)->trigger();
        // A failure is said and nothing claims success; success says where the file went.
        const QString status = m_main->findChild<QLabel*>(u"StatusBar1Panel1"_s)->text();
        QCOMPARE(MessageBox::history().size(), folder.isEmpty() ? 1 : 2);
        QCOMPARE(status.contains(u"exported to"_s), folder.isEmpty());
        if (!folder.isEmpty())
            return;
        const QString csv = QString::fromUtf8(fileBytes(path + u".csv"_s));
        QVERIFY(csv.startsWith(u"drink,glass,directions,amount,ingredient,non_alcoholic"_s));
        QVERIFY(csv.contains(u"MARGARITA,Margarita Glass"_s));
        QCOMPARE(csv.contains(u"\r\nMOJITO,"_s), !onlySelected);
    }
};

QTEST_MAIN(TestRecipeFiles)
#include "test_recipefiles.moc"
