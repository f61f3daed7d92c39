#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Catalogue.h"
#include "core/store/DrinkSearch.h"
#include "core/store/Lib.h"
#include "gui/tools/frmFind.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QStringList comboTexts(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// A drink stored with its name exactly as given (the adders' callers upper-case it; data from
// elsewhere may not be) and its directions; an empty description is stored as Null.
qint64 addDrink(const QString& name, const QString& description, std::initializer_list<TestLine> lines,
                bool favorite = false)
{
    const qint64 id =
        DBLib::Database().scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Drinks")).toLongLong();
    for (const TestLine& line : lines)
        DBLib::AddRecipeLine(id, DBLib::GetIngredientIDByName(QString::fromUtf8(line.ingredient)),
                             QString::fromUtf8(line.amount));
    DBLib::AddDrink(id, name, 1, description, favorite ? QStringLiteral("True") : QString(), QString(),
                    QString(), QString(), QString());
    DBLib::UpdateDrinkFlags(id);
    return id;
}

const QString Martini = QStringLiteral("MARTINI");
const QString Margarita = QStringLiteral("MARGARITA");
const QString SunriseFizz = QStringLiteral("SUNRISE FIZZ");
const QString GinFizz = QStringLiteral("GIN FIZZ");
const QString SevenSeas = QStringLiteral("7 SEAS");
const QString Kir = QStringLiteral("KIR");
const QString MixedCaseGin = QStringLiteral("Gin"); // stored without upper-casing

} // namespace

class TestFind : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;
    QPointer<frmFind> m_find;

    frmFind& find() { return *m_find; }

    // Picks the category, enters the text or the ingredient and presses Find, as a user does.
    void search(const QString& category, const QString& text)
    {
        auto* categories = child<QComboBox>(m_find, "cmbFind");
        categories->setCurrentIndex(categories->findText(category));
        if (category == QLatin1String("Ingredients")) {
            auto* ingredients = child<QComboBox>(m_find, "cmbIngredients");
            ingredients->clearEditText();
            QTest::keyClicks(ingredients->lineEdit(), text);
            // Leave what was typed, not what the completer offered.
            ingredients->setEditText(text);
        } else {
            auto* box = child<QLineEdit>(m_find, "TextSearch");
            box->clear();
            QTest::keyClicks(box, text);
        }
        QTest::mouseClick(child<QPushButton>(m_find, "cmdFind"), Qt::LeftButton);
    }

    QStringList hits() { return listTexts(child<QListWidget>(m_find, "lstFind")); }

    void clickHit(const QString& text)
    {
        auto* list = child<QListWidget>(m_find, "lstFind");
        const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
        QVERIFY2(items.size() == 1, qPrintable(text));
        list->scrollToItem(items.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
    }

    void showView(int view)
    {
        switch (view) {
        case frmMain::Favorites:
            m_main->ShowFavorites(false);
            break;
        case frmMain::NonAlcoholic:
            m_main->ShowNonAlcoholic(false);
            break;
        default:
            m_main->ShowAllDrinks(false);
            break;
        }
    }

private Q_SLOTS:
    void init()
    {
        // The text test needs no database and no windows.
        const QByteArray function(QTest::currentTestFunction());
        if (function == "textTest" || function == "storedTextThatDecodesToNothing")
            return;
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        DBLib::AddIngredient(QStringLiteral("crème de cassis"), QString(), QStringLiteral("False"));
        addDrink(Martini, QStringLiteral("Stir with ice and strain. Garnish with an olive."),
                 {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}}, true);
        addDrink(Margarita, QStringLiteral("Shake with ice; salt the rim."),
                 {{"1 1/2 oz", "Vodka"}, {"", "Lime Juice"}});
        addDrink(SunriseFizz, QStringLiteral("Pour over ice, then add grenadine."),
                 {{"4 oz", "Orange Juice"}, {"1 dash", "Grenadine"}, {"Fill with", "Ginger Ale"}});
        // Lime juice on two lines.
        addDrink(
            GinFizz, QStringLiteral("SHAKE HARD. TOP WITH SODA."),
            {{"2 oz", "Gin"}, {"1/2 oz", "Lime Juice"}, {"1 tsp", "Sugar Syrup"}, {"1 wedge", "Lime Juice"}});
        addDrink(SevenSeas, QString(), {{"1 oz", "Vodka"}});
        addDrink(Kir, QStringLiteral("Float crème de cassis on white wine."),
                 {{"1/2 oz", "Crème De Cassis"}});
        addDrink(MixedCaseGin, QStringLiteral("Neat."), {{"2 oz", "Gin"}});
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
        delete m_find;
        m_main.reset();
        MessageBox::clearHistory();
        m_folder.reset();
        m_settings.reset();
    }

    void textTest_data()
    {
        QTest::addColumn<QString>("haystack");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("found");
        QTest::newRow("empty in empty") << QString() << QString() << false;
        QTest::newRow("empty in text") << QStringLiteral("a") << QString() << true;
        QTest::newRow("upper in lower") << QStringLiteral("salt the rim") << QStringLiteral("SALT") << true;
        QTest::newRow("lower in upper")
            << QStringLiteral("TOP WITH SODA") << QStringLiteral("with soda") << true;
        QTest::newRow("accented") << QStringLiteral("Float crème") << QStringLiteral("CRÈME") << true;
        QTest::newRow("wildcard is a character") << QStringLiteral("abc") << QStringLiteral("%") << false;
        QTest::newRow("longer than text") << QStringLiteral("ice") << QStringLiteral("ices") << false;
        QTest::newRow("letters from J to Z")
            << QStringLiteral("jazz sour") << QStringLiteral("JAZZ SOUR") << true;
        QTest::newRow("backquote is no letter") << QStringLiteral("a`b") << QStringLiteral("A@B") << false;
        QTest::newRow("brace is no letter") << QStringLiteral("{z}") << QStringLiteral("[Z]") << false;
        QTest::newRow("digits and blanks") << QStringLiteral("1 1/2 oz") << QStringLiteral("1/2 OZ") << true;
        QTest::newRow("sharp s in the text") << QStringLiteral("Straße") << QStringLiteral("strasse") << true;
        QTest::newRow("sharp s in the search")
            << QStringLiteral("STRASSE") << QStringLiteral("straße") << true;
        QTest::newRow("dotless i has a plain capital")
            << QStringLiteral("ıce") << QStringLiteral("ICE") << true;
        QTest::newRow("accent searched in plain text")
            << QStringLiteral("creme") << QStringLiteral("crème") << false;
        QTest::newRow("beyond the basic plane") << QStringLiteral("a 🍸 b") << QStringLiteral("🍸 B") << true;
    }
    // The same answer for the plain text and, as the search reads it, for its stored form.
    void textTest()
    {
        QFETCH(QString, haystack);
        QFETCH(QString, needle);
        QFETCH(bool, found);
        QCOMPARE(DBLib::ContainsTextIgnoringCase(haystack, needle), found);
        QCOMPARE(DBLib::StoredTextContains(Lib::EncodeText(haystack), needle), found);
    }
    void storedTextThatDecodesToNothing()
    {
        QVERIFY_THROWS_EXCEPTION(Lib::TextCodingError,
                                 DBLib::StoredTextContains(QStringLiteral("\x05stu"), QStringLiteral("A")));
    }

    void opensReady()
    {
        QCOMPARE(find().windowTitle(), QStringLiteral("Find"));
        QVERIFY(find().isWindow());
        QCOMPARE(find().windowModality(), Qt::NonModal);
        QCOMPARE(child<QLabel>(m_find, "Label1")->text(), QStringLiteral("Search In:"));
        QCOMPARE(child<QLabel>(m_find, "Label2")->text(), QStringLiteral("Click on Drink:"));
        QCOMPARE(child<QLabel>(m_find, "Label3")->text(), QStringLiteral("Ingredients:"));
        QCOMPARE(child<QPushButton>(m_find, "cmdFind")->text(), QStringLiteral("Find"));
        QCOMPARE(child<QPushButton>(m_find, "Command1")->text(), QStringLiteral("Close"));

        auto* categories = child<QComboBox>(m_find, "cmbFind");
        QVERIFY(!categories->isEditable());
        QCOMPARE(comboTexts(categories), (QStringList{QStringLiteral("Drinks"), QStringLiteral("Description"),
                                                      QStringLiteral("Ingredients")}));
        QCOMPARE(categories->currentText(), QStringLiteral("Drinks"));
        QVERIFY(child<QListWidget>(m_find, "lstFind")->count() == 0);
        QVERIFY(child<QLineEdit>(m_find, "TextSearch")->text().isEmpty());

        // Every ingredient, alphabetically without regard to case, nothing chosen yet.
        auto* ingredients = child<QComboBox>(m_find, "cmbIngredients");
        QVERIFY(ingredients->isEditable());
        QCOMPARE(
            comboTexts(ingredients),
            (QStringList{QStringLiteral("Crème De Cassis"), QStringLiteral("Dry Vermouth"),
                         QStringLiteral("Gin"), QStringLiteral("Ginger Ale"), QStringLiteral("Grenadine"),
                         QStringLiteral("Lime Juice"), QStringLiteral("Orange Juice"),
                         QStringLiteral("Sugar Syrup"), QStringLiteral("Vodka")}));
        QVERIFY(ingredients->currentText().isEmpty());

        // The scheme's colours.
        const ColorSchemes::Scheme& scheme = ColorSchemes::current();
        QCOMPARE(child<QLabel>(m_find, "Label2")->palette().color(QPalette::WindowText), scheme.Title);
        QCOMPARE(child<QListWidget>(m_find, "lstFind")->palette().color(QPalette::Base), scheme.TextListBox);
        QCOMPARE(child<QListWidget>(m_find, "lstFind")->palette().color(QPalette::Text), scheme.Text);
        QCOMPARE(child<QPushButton>(m_find, "cmdFind")->palette().color(QPalette::Button), scheme.Button);
        QCOMPARE(find().palette().color(QPalette::Window), scheme.Background);
    }

    void inputFieldsFollowCategory_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("byIngredient");
        QTest::newRow("Ingredients") << QStringLiteral("Ingredients") << true;
        QTest::newRow("Description") << QStringLiteral("Description") << false;
        QTest::newRow("back to Drinks") << QStringLiteral("Drinks") << false;
    }
    void inputFieldsFollowCategory()
    {
        QFETCH(QString, category);
        QFETCH(bool, byIngredient);
        auto* categories = child<QComboBox>(m_find, "cmbFind");
        categories->setCurrentIndex(categories->findText(QStringLiteral("Ingredients")));
        categories->setCurrentIndex(categories->findText(category));
        auto* text = child<QLineEdit>(m_find, "TextSearch");
        auto* ingredients = child<QComboBox>(m_find, "cmbIngredients");
        const QColor white(255, 255, 255);
        const QColor grey(192, 192, 192);
        QCOMPARE(ingredients->isEnabled(), byIngredient);
        QCOMPARE(text->isEnabled(), !byIngredient);
        QCOMPARE(ingredients->palette().color(QPalette::Disabled, QPalette::Base),
                 byIngredient ? white : grey);
        QCOMPARE(ingredients->palette().color(QPalette::Active, QPalette::Base), byIngredient ? white : grey);
        QCOMPARE(text->palette().color(QPalette::Disabled, QPalette::Base), byIngredient ? grey : white);
        QCOMPARE(text->palette().color(QPalette::Active, QPalette::Base), byIngredient ? grey : white);
    }

    void search_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const int all = frmMain::AllDrinks;
        const int favourites = frmMain::Favorites;
        const int nonAlcoholic = frmMain::NonAlcoholic;
        const QString drinks = QStringLiteral("Drinks");
        const QString description = QStringLiteral("Description");
        const QString ingredients = QStringLiteral("Ingredients");

        QTest::newRow("name, lower-case text")
            << all << drinks << QStringLiteral("mar") << QStringList{Margarita, Martini};
        QTest::newRow("name, outside the favourites")
            << favourites << drinks << QStringLiteral("MAR") << QStringList{Martini};
        QTest::newRow("name, empty text lists the whole view")
            << all << drinks << QString()
            << QStringList{SevenSeas, GinFizz, MixedCaseGin, Kir, Margarita, Martini, SunriseFizz};
        // Names that do not begin with a capital are looked for from the top of the main list.
        QTest::newRow("name, mixed-case name")
            << all << drinks << QStringLiteral("in") << QStringList{GinFizz, MixedCaseGin, Martini};
        QTest::newRow("name, digit initial")
            << all << drinks << QStringLiteral("7") << QStringList{SevenSeas};
        QTest::newRow("name, no hit") << all << drinks << QStringLiteral("zzz") << QStringList{};
        QTest::newRow("name, a wildcard is just a character")
            << all << drinks << QStringLiteral("%") << QStringList{};
        QTest::newRow("name, underscore is just a character")
            << all << drinks << QStringLiteral("_") << QStringList{};
        QTest::newRow("name, quote") << all << drinks << QStringLiteral("\"") << QStringList{};

        // Letters from J to Z are where the stored form and the engine's own case rules part.
        QTest::newRow("description, capitals find lower case")
            << all << description << QStringLiteral("SALT THE RIM") << QStringList{Margarita};
        QTest::newRow("description, lower case finds capitals")
            << all << description << QStringLiteral("top with soda") << QStringList{GinFizz};
        QTest::newRow("description, accented letters")
            << all << description << QStringLiteral("CRÈME") << QStringList{Kir};
        QTest::newRow("description, several")
            << all << description << QStringLiteral("Ice") << QStringList{Margarita, Martini, SunriseFizz};
        QTest::newRow("description, outside the non-alcoholic view")
            << nonAlcoholic << description << QStringLiteral("ice") << QStringList{SunriseFizz};
        QTest::newRow("description, empty text skips drinks without directions")
            << all << description << QString()
            << QStringList{GinFizz, MixedCaseGin, Kir, Margarita, Martini, SunriseFizz};
        QTest::newRow("description, the name is not searched")
            << all << description << QStringLiteral("MARTINI") << QStringList{};

        QTest::newRow("ingredient, two lines give one hit")
            << all << ingredients << QStringLiteral("Lime Juice") << QStringList{GinFizz, Margarita};
        QTest::newRow("ingredient, typed in lower case")
            << all << ingredients << QStringLiteral("lime juice") << QStringList{GinFizz, Margarita};
        QTest::newRow("ingredient, accented")
            << all << ingredients << QStringLiteral("CRÈME DE CASSIS") << QStringList{Kir};
        QTest::newRow("ingredient, outside the favourites")
            << favourites << ingredients << QStringLiteral("Gin") << QStringList{Martini};
        QTest::newRow("ingredient, all views")
            << all << ingredients << QStringLiteral("Gin") << QStringList{GinFizz, MixedCaseGin, Martini};
        QTest::newRow("ingredient, not in the catalogue")
            << all << ingredients << QStringLiteral("Unobtainium") << QStringList{};
        QTest::newRow("ingredient, a part of a name is not a name")
            << all << ingredients << QStringLiteral("Lime") << QStringList{};
        QTest::newRow("ingredient, one drink")
            << all << ingredients << QStringLiteral("Dry Vermouth") << QStringList{Martini};
    }
    void search()
    {
        QFETCH(int, view);
        QFETCH(QString, category);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        showView(view);
        QCOMPARE(m_main->checkedView(), view);
        MessageBox::clearHistory();

        search(category, text);
        QCOMPARE(hits(), expected);
        QCOMPARE(find().statusText(), QStringLiteral("Searching Completed"));
        QCOMPARE(child<QProgressBar>(m_find, "ProgressBar1")->value(), 1);
        QVERIFY(MessageBox::history().isEmpty());
    }

    // A new search replaces the hits of the one before; Enter in the text box searches too.
    void searchAgainReplacesHits()
    {
        search(QStringLiteral("Drinks"), QStringLiteral("fizz"));
        QCOMPARE(hits(), (QStringList{GinFizz, SunriseFizz}));
        auto* box = child<QLineEdit>(m_find, "TextSearch");
        box->clear();
        QTest::keyClicks(box, QStringLiteral("kir"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(hits(), QStringList{Kir});
    }

    void clickSelectsInMainWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hit");
        QTest::addColumn<QString>("selected");
        QTest::newRow("the drink itself") << QStringLiteral("mar") << Martini << Martini;
        QTest::newRow("other hit") << QStringLiteral("mar") << Margarita << Margarita;
        // "Gin" stands after "GIN FIZZ", which begins with the same letters.
        QTest::newRow("an earlier name begins with the hit")
            << QStringLiteral("gin") << MixedCaseGin << GinFizz;
    }
    void clickSelectsInMainWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, hit);
        QFETCH(QString, selected);
        search(QStringLiteral("Drinks"), text);
        clickHit(hit);
        QCOMPARE(m_main->selectedDrinkName(), selected);
        QCOMPARE(m_main->drinkListEntries().at(m_main->selectedPosition()), selected);
        // The main window shows that drink's recipe.
        QCOMPARE(child<QLabel>(m_main.get(), "lblDrink")->text().trimmed(), selected);
    }

    void keyboardMoveSelects()
    {
        search(QStringLiteral("Drinks"), QStringLiteral("mar"));
        auto* list = child<QListWidget>(m_find, "lstFind");
        clickHit(Margarita);
        QCOMPARE(m_main->selectedDrinkName(), Margarita);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(m_main->selectedDrinkName(), Martini);
    }

    // A hit that left the main list (the view changed) selects nothing new.
    void clickAfterViewChanged()
    {
        search(QStringLiteral("Drinks"), QStringLiteral("mar"));
        m_main->ShowFavorites(false);
        m_main->selectDrinkAt(-1);
        clickHit(Margarita);
        QCOMPARE(m_main->selectedPosition(), -1);
        clickHit(Martini);
        QCOMPARE(m_main->selectedDrinkName(), Martini);
    }

    void noCategoryChosen()
    {
        search(QStringLiteral("Drinks"), QStringLiteral("mar"));
        QCOMPARE(hits().size(), 2);
        MessageBox::clearHistory();
        child<QComboBox>(m_find, "cmbFind")->setCurrentIndex(-1);
        QTest::mouseClick(child<QPushButton>(m_find, "cmdFind"), Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history().first().title, QStringLiteral("Category to Search not Selected"));
        QCOMPARE(MessageBox::history().first().text, QStringLiteral("Please Enter Category to Search"));
        QCOMPARE(MessageBox::history().first().buttons, MessageBox::Buttons(QMessageBox::Ok));
        QVERIFY(hits().isEmpty());
        QCOMPARE(find().statusText(), QStringLiteral("Searching Completed"));
    }

    void noIngredientChosen()
    {
        search(QStringLiteral("Drinks"), QStringLiteral("mar"));
        MessageBox::clearHistory();
        search(QStringLiteral("Ingredients"), QString());
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history().first().title, QStringLiteral("Ingredient to Search not Selected"));
        QCOMPARE(MessageBox::history().first().text, QStringLiteral("Please Select Ingredient to Search"));
        QCOMPARE(MessageBox::history().first().buttons, MessageBox::Buttons(QMessageBox::Ok));
        // Nothing was searched: the status is what it was before.
        QVERIFY(hits().isEmpty());
        QCOMPARE(find().statusText(), QStringLiteral("Searching Completed"));
    }

    // Find pressed while the main list is being refilled searches the whole list once it is back.
    void findWhileMainListLoads()
    {
        Sql::Connection& db = DBLib::Database();
        {
            Sql::Transaction tx(db);
            for (int i = 0; i < 1200; ++i) {
                db.execute(
                    QStringLiteral(
                        "INSERT INTO Drinks (ID, Name, GlassType, Description) VALUES (?1, ?2, 1, ?3)"),
                    {1000 + i, Lib::EncodeText(QStringLiteral("ZOMBIE %1").arg(i, 4, 10, QLatin1Char('0'))),
                     Lib::EncodeText(QStringLiteral("Blend."))});
            }
            tx.commit();
        }
        child<QComboBox>(m_find, "cmbFind")->setCurrentIndex(0);
        QTest::keyClicks(child<QLineEdit>(m_find, "TextSearch"), QStringLiteral("zombie 0"));
        bool pressedWhileBusy = false;
        QTimer::singleShot(0, this, [&] {
            pressedWhileBusy = m_main->isBusy();
            QTest::mouseClick(child<QPushButton>(m_find, "cmdFind"), Qt::LeftButton);
        });
        m_main->ShowAllDrinks(false);
        QVERIFY(pressedWhileBusy);
        QCOMPARE(m_main->drinkListEntries().size(), 1207);
        QCOMPARE(hits().size(), 1000);
        QCOMPARE(hits().first(), QStringLiteral("ZOMBIE 0000"));
        QCOMPARE(find().statusText(), QStringLiteral("Searching Completed"));
    }

    void closeButton()
    {
        QTest::mouseClick(child<QPushButton>(m_find, "Command1"), Qt::LeftButton);
        QTRY_VERIFY(m_find.isNull());
        QVERIFY(m_main->isVisible());
    }
};

QTEST_MAIN(TestFind)
#include "test_find.moc"
