#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "gui/tools/frmFind.h"

#include <QtWidgets>
#include <QtTest>

using namespace Qt::StringLiterals;

// The find window's wiring; which drinks a search finds is FindSearch's rule (test_drinklist).
class TestFind : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;
    QPointer<frmFind> m_find;

    QComboBox* categories() { return child<QComboBox>(m_find, "cmbFind"); }
    QComboBox* ingredients() { return child<QComboBox>(m_find, "cmbIngredients"); }
    QLineEdit* textBox() { return child<QLineEdit>(m_find, "TextSearch"); }
    QListView* list() { return child<QListView>(m_find, "lstFind"); }
    QStringList hits()
    {
        QStringList texts;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            texts << list()->model()->index(row, 0).data().toString();
        return texts;
    }

    void find(const QString& text)
    {
        textBox()->setText(text);
        QTest::mouseClick(child<QPushButton>(m_find, "cmdFind"), Qt::LeftButton);
    }
    void clickHit(const QString& text)
    {
        const QModelIndex hit = list()->model()->index(int(hits().indexOf(text)), 0);
        QVERIFY(hit.isValid());
        const QRect place = list()->visualRect(hit);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, place.center());
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Margarita"_s, {{"1 1/2 oz", "Vodka"}, {"", "Lime Juice"}});
        addTestDrink(u"Gin Fizz"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Lime Juice"}});
        // Stored as typed, not in capitals, as another program may.
        DBLib::AddDrink(4, u"Gin"_s, 1, u"Neat."_s, {}, {}, {}, {}, {});
        DBLib::UpdateDrinkFlags(4);
        DBLib::SetFavorite(u"MARTINI"_s, true);
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_main = std::make_unique<frmMain>(m_folder->path());
        QVERIFY(m_main->Load());
        m_find = new frmFind(m_main.get(), m_main.get());
        connect(m_main.get(), &frmMain::drinksLoaded, m_find, &frmFind::drinkListLoaded);
        m_find->setAttribute(Qt::WA_DeleteOnClose);
        m_main->show();
        m_find->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_find));
    }
    void cleanup()
    {
        m_main.reset(); // the find window with it
        MessageBox::setAutoAnswer(false);
    }

    // Each category searches its own input within the main list; Enter searches; hits are replaced.
    void searchesTheMainList_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("favourites");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("name") << "Drinks" << "mar" << false << QStringList{u"MARGARITA"_s, u"MARTINI"_s};
        QTest::newRow("name, favourites") << "Drinks" << "mar" << true << QStringList{u"MARTINI"_s};
        QTest::newRow("directions") << "Description" << "neat" << false << QStringList{u"Gin"_s};
        QTest::newRow("ingredient") << "Ingredients" << "lime juice" << false << QStringList{u"GIN FIZZ"_s, u"MARGARITA"_s};
        QTest::newRow("not an ingredient") << "Ingredients" << "Lime" << false << QStringList{};
    }
    void searchesTheMainList()
    {
        QFETCH(QString, category);
        QFETCH(QString, text);
        QFETCH(bool, favourites);
        QFETCH(QStringList, expected);
        if (favourites)
            m_main->ShowFavorites(false);
        categories()->setCurrentIndex(categories()->findText(category));
        const bool byIngredient = category == QLatin1String("Ingredients");
        QCOMPARE(ingredients()->isEnabled(), byIngredient);
        QCOMPARE(textBox()->isEnabled(), !byIngredient);
        // Both inputs hold the text; only the category's own may be used.
        ingredients()->setEditText(text);
        textBox()->setText(text);
        QTest::keyClick(byIngredient ? ingredients()->lineEdit() : textBox(), Qt::Key_Return);
        QCOMPARE(hits(), expected);
        ingredients()->setEditText(u"Grenadine"_s);
        find(u"zzz"_s);
        QVERIFY(hits().isEmpty() && MessageBox::history().isEmpty());
    }

    // Without an ingredient nothing is searched: a message, and the status stays what it was.
    void noIngredientChosen()
    {
        find(u"mar"_s);
        categories()->setCurrentIndex(categories()->findText(u"Ingredients"_s));
        ingredients()->setEditText(QString());
        MessageBox::clearHistory();
        QTest::mouseClick(child<QPushButton>(m_find, "cmdFind"), Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(m_find->statusText(), u"Searching Completed"_s);
    }

    // A hit clicked or reached with the keys is selected in the main window, if it is still there.
    void hitsSelectInMainWindow()
    {
        find(u"gin"_s);
        clickHit(u"Gin"_s);
        QCOMPARE(m_main->selectedDrinkName(), u"Gin"_s); // letter case aside it sorts before GIN FIZZ
        find(u"mar"_s);
        clickHit(u"MARGARITA"_s);
        QCOMPARE(mainControl<QLabel>(m_main, "lblDrink")->text().trimmed(), u"MARGARITA"_s);
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(m_main->selectedDrinkName(), u"MARTINI"_s);
        m_main->ShowFavorites(false);
        m_main->selectDrinkAt(-1);
        clickHit(u"MARGARITA"_s);
        QCOMPARE(m_main->selectedPosition(), -1);
        QTest::mouseClick(child<QPushButton>(m_find, "Command1"), Qt::LeftButton);
        QTRY_VERIFY(m_find.isNull());
    }

    // Find pressed while the main list is being refilled searches the whole list once it is back.
    void findWhileMainListLoads()
    {
        Sql::Connection& db = DBLib::Database();
        Sql::Transaction tx(db);
        for (int i = 0; i < 1200; ++i)
            db.execute(u"INSERT INTO Drinks (ID, Name, GlassType) VALUES (?1, ?2, 1)"_s,
                       {1000 + i, Lib::EncodeText(u"ZOMBIE %1"_s.arg(i, 4, 10, QLatin1Char('0')))});
        tx.commit();
        bool pressedWhileBusy = false;
        m_main->setEventPacing(0, 0); // the window answers at once, as it does when the load is long
        QTimer::singleShot(0, this, [&] {
            pressedWhileBusy = m_main->isBusy();
            find(u"zombie 0"_s);
            QCOMPARE(m_find->statusText(), u"Searching Please Wait"_s);
        });
        m_main->ShowAllDrinks(false);
        QVERIFY(pressedWhileBusy);
        QCOMPARE(hits().size(), 1000);
        QCOMPARE(m_find->statusText(), u"Searching Completed"_s);
    }
};

QTEST_MAIN(TestFind)
#include "test_find.moc"
