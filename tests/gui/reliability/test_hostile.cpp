// Names that SQL, markup, search patterns or text handling could trip over, taken through the whole
// life of a drink as a user drives it: added, listed, searched, found, made a favourite, modified,
// exported, imported elsewhere and deleted.

#include "TestSupport.h"

#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/exchange/ExchangeRecords.h"
#include "gui/tools/frmFind.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QStringList ExtraGlasses = {QStringLiteral("Beer Mug"),         QStringLiteral("Beer Pilsner"),
                                  QStringLiteral("Brandy Snifter"),   QStringLiteral("Champagne Glass"),
                                  QStringLiteral("Collins Glass"),    QStringLiteral("Cordial Glass"),
                                  QStringLiteral("Coupette Glass"),   QStringLiteral("Fish Bowl"),
                                  QStringLiteral("Hurricane Glass"),  QStringLiteral("Irish Coffee Cup"),
                                  QStringLiteral("Margarita Glass"),  QStringLiteral("Mason Jar"),
                                  QStringLiteral("Parfait Glass"),    QStringLiteral("Pitcher"),
                                  QStringLiteral("Pousse-Cafe Cup"),  QStringLiteral("Punch Bowl"),
                                  QStringLiteral("Red Wine Glass"),   QStringLiteral("Sherry Glass"),
                                  QStringLiteral("Shot Glass"),       QStringLiteral("Unknown Glass"),
                                  QStringLiteral("Whiskey Sour Glass"), QStringLiteral("White Wine Glass")};

const QStringList BaseDrinks = {QStringLiteral("MARTINI"), QStringLiteral("SCREWDRIVER"), QStringLiteral("ZOMBIE")};

// Typing on a keyboard: every character is a key press and release carrying its text, as a
// keyboard layout or compose key delivers it (the search box acts on key releases).
void typeText(QWidget* widget, const QString& text)
{
    QWidget* target = widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        target = combo->lineEdit();
    const QList<uint> points = text.toUcs4();
    for (const uint cp : points) {
        if (cp == '\n') {
            QTest::keyClick(target, Qt::Key_Return);
        } else if (cp < 128) {
            QTest::keyClick(target, char(cp));
        } else {
            const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
        }
    }
}

// Runs trigger, which opens a modal window, and act on that window once it is up.
bool onModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act)
{
    bool acted = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || acted)
            return;
        acted = true;
        timer.stop();
        act(modal);
        // A failed check leaves the window open; close it so the test goes on to report.
        if (modal->isVisible())
            modal->close();
    });
    timer.start();
    trigger();
    return acted;
}

QString recipeLine(const QString& amount, const QString& ingredient)
{
    // The main window shows "amount ingredient" without the "|" that separates printed columns.
    QString line = amount + QLatin1Char(' ') + ingredient;
    return line.remove(QLatin1Char('|'));
}

QStringList listItems(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList shownEntries(const frmMain& w)
{
    QStringList shown;
    const QAbstractItemModel* model = mainControl<QListView>(&w, "lstDrinks")->model();
    for (int r = 0; r < model->rowCount(); ++r)
        shown << model->index(r, 0).data().toString();
    return shown;
}

// The list's order: the stored (shifted) names compared byte by byte, as the engine sorts them.
void sortAsStored(QStringList& names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return Lib::EncodeText(a).toUtf8() < Lib::EncodeText(b).toUtf8();
    });
}

qint64 scalar(const QString& sql, const QVariantList& params = {})
{
    return DBLib::Database().scalar(sql, params).toLongLong();
}

// Every message shown since the last look, as "title: text".
QStringList messages()
{
    QStringList shown;
    for (const MessageBox::Shown& m : MessageBox::history())
        shown << m.title + QStringLiteral(": ") + m.text;
    MessageBox::clearHistory();
    return shown;
}

// The offscreen platform cannot raise or grab the ingredient suggestion popups.
QtMessageHandler defaultHandler = nullptr;
void quietPlatformNotices(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    defaultHandler(type, context, message);
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<TestDataFolder> m_elsewhere;

private Q_SLOTS:
    void initTestCase() { defaultHandler = qInstallMessageHandler(quietPlatformNotices); }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_elsewhere = std::make_unique<TestDataFolder>();
        m_elsewhere->createSmallDatabase();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        // The recipe windows offer every glass of the program.
        for (const QString& glass : ExtraGlasses)
            DBLib::ExecuteSql(QStringLiteral("INSERT INTO GlassTypes (GlassType) VALUES (?1)"), {glass});
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}});
        addTestDrink(QStringLiteral("Zombie"), {{"1 oz", "Gin"}, {"1 oz", "Lime Juice"}});
        MessageBox::clearHistory();
        // An unexpected question is answered with its default and shows up in the history.
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        MessageBox::clearHistory();
        m_folder.reset();
        m_elsewhere.reset();
        m_settings.reset();
    }

    void wholeLife_data()
    {
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("typedIngredient");
        QTest::addColumn<QString>("storedIngredient");
        QTest::addColumn<QString>("searchText");

        QTest::newRow("quotes") << QStringLiteral("O'Brien's \"Best\"") << QStringLiteral("O'BRIEN'S \"BEST\"")
                                << QStringLiteral("o'brien's \"house\" syrup")
                                << QStringLiteral("O'brien's \"house\" Syrup") << QStringLiteral("o'b");
        QTest::newRow("percent and underscore")
            << QStringLiteral("100% Proof_Punch") << QStringLiteral("100% PROOF_PUNCH") << QStringLiteral("50%_Bitters")
            << QStringLiteral("50%_bitters") << QStringLiteral("100%");
        QTest::newRow("backslash, semicolon, comment")
            << QStringLiteral("Back\\Slash; DROP TABLE Drinks; --") << QStringLiteral("BACK\\SLASH; DROP TABLE DRINKS; --")
            << QStringLiteral("x'); DELETE FROM Ingredients; --") << QStringLiteral("X'); Delete From Ingredients; --")
            << QStringLiteral("Back\\S");
        QTest::newRow("markup, ampersand, pipe, comma")
            << QStringLiteral("<b>Bold</b> & Co | Ltd, \"x\"") << QStringLiteral("<B>BOLD</B> & CO | LTD, \"X\"")
            << QStringLiteral("<i>Lime</i> & Pipe|Juice") << QStringLiteral("<i>lime</i> & Pipe|juice")
            << QStringLiteral("<b>");
        QTest::newRow("blanks around") << QStringLiteral("   Padded, Drink   ") << QStringLiteral("PADDED, DRINK")
                                       << QStringLiteral("  Padded Bitters  ") << QStringLiteral("Padded Bitters")
                                       << QStringLiteral("PADDED,");
        QTest::newRow("accents") << QStringLiteral("Crème Brûlée Martini") << QStringLiteral("CRÈME BRÛLÉE MARTINI")
                                 << QStringLiteral("crème de cacao") << QStringLiteral("Crème De Cacao")
                                 << QStringLiteral("crème br");
        QTest::newRow("no-break space inside")
            << QStringLiteral("No\u00A0Break Fizz") << QStringLiteral("NO\u00A0BREAK FIZZ")
            << QStringLiteral("nbsp\u00A0cordial") << QStringLiteral("Nbsp\u00A0Cordial") << QStringLiteral("No\u00A0B");
        QTest::newRow("no-break spaces around")
            << QStringLiteral("\u00A0Edge Sour\u00A0") << QStringLiteral("EDGE SOUR") << QStringLiteral("\u00A0edge mix\u00A0")
            << QStringLiteral("Edge Mix") << QStringLiteral("EDGE");
        QTest::newRow("numero sign") << QStringLiteral("№ 5 Fizz") << QStringLiteral("№ 5 FIZZ")
                                     << QStringLiteral("№ 9 gin") << QStringLiteral("№ 9 Gin") << QStringLiteral("№ 5");
        QTest::newRow("emoji") << QStringLiteral("Tiki 🍹 Time") << QStringLiteral("TIKI 🍹 TIME")
                               << QStringLiteral("🍍 pineapple juice") << QStringLiteral("🍍 Pineapple Juice")
                               << QStringLiteral("Tiki 🍹");
        QTest::newRow("all at once")
            << QStringLiteral(" 'É\"%_\\;--<>&|,№🍹\u00A0x ") << QStringLiteral("'É\"%_\\;--<>&|,№🍹\u00A0X")
            << QStringLiteral("'é\"%_\\;--<>&|,№🍹 mix") << QStringLiteral("'é\"%_\\;--<>&|,№🍹 Mix")
            << QStringLiteral("'É\"%");
    }
    void wholeLife()
    {
        QFETCH(QString, typedName);
        QFETCH(QString, storedName);
        QFETCH(QString, typedIngredient);
        QFETCH(QString, storedIngredient);
        QFETCH(QString, searchText);
        const QString amount = QStringLiteral("1 ½ oz 'neat' 50%");
        const QString description = QStringLiteral("Shake \"hard\" & strain; <b>don't</b> 100% | 50%_off\nServe. -- ✓ №1 🍸");

        frmMain main(m_folder->path());
        QVERIFY(main.Load());
        QCOMPARE(main.drinkListEntries(), BaseDrinks);
        const qint64 ingredientsBefore = scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients"));

        // ---- Add, through the menu, typing as a user -----------------------------------------
        const bool added = onModal([&] { mainControl<QAction>(&main, "mnuAdd")->trigger(); }, [&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Add Drink"));
            typeText(w->findChild<QLineEdit*>(QStringLiteral("txtName")), typedName);
            auto* glass = w->findChild<QComboBox*>(QStringLiteral("cmbGlass"));
            QTest::keyClicks(glass, QStringLiteral("Highball Glass"));
            QCOMPARE(glass->currentText(), QStringLiteral("Highball Glass"));
            typeText(w->findChild<QLineEdit*>(QStringLiteral("txtAmount1")), amount);
            typeText(w->findChild<QComboBox*>(QStringLiteral("cmbIngredient1")), typedIngredient);
            typeText(w->findChild<QLineEdit*>(QStringLiteral("txtAmount2")), QStringLiteral("2 oz"));
            typeText(w->findChild<QComboBox*>(QStringLiteral("cmbIngredient2")), QStringLiteral("Gin"));
            typeText(w->findChild<QPlainTextEdit*>(QStringLiteral("txtDescription")), description);
            QCOMPARE(w->findChild<QLineEdit*>(QStringLiteral("txtName"))->text(), typedName);
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        });
        QVERIFY(added);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(messages(), QStringList());

        const qint64 id = DBLib::FindDrinkID(storedName);
        QVERIFY2(id > 0, qPrintable(storedName));
        QCOMPARE(Lib::DecodeText(DBLib::Database().scalar(QStringLiteral("SELECT Name FROM Drinks WHERE ID = ?1"), {id})),
                 storedName);
        QCOMPARE(DBLib::FindIngredientID(storedIngredient) > 0, true);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients WHERE Ingredient = ?1"), {storedIngredient}), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients")), ingredientsBefore + 1);
        std::optional<DBLib::Drink> recipe = DBLib::ReadDrink(storedName);
        QVERIFY(recipe);
        QCOMPARE(recipe->description, description);
        QCOMPARE(recipe->glassName, QStringLiteral("Highball Glass"));

        // ---- Display: the list holds it in order, selecting it shows the recipe ------------------
        QStringList expectedList = BaseDrinks;
        expectedList << storedName;
        sortAsStored(expectedList);
        QCOMPARE(main.drinkListEntries(), expectedList);
        QCOMPARE(shownEntries(main), expectedList);
        const QStringList lines = {recipeLine(amount, storedIngredient), recipeLine(QStringLiteral("2 oz"), QStringLiteral("Gin"))};
        const auto showsDrink = [&](const frmMain& w, const QString& name, const QStringList& recipeLines,
                                    const QString& directions) {
            QCOMPARE(w.selectedDrinkName(), name);
            QCOMPARE(mainControl<QLabel>(&w, "lblDrink")->text(), QLatin1Char(' ') + name);
            QCOMPARE(listItems(mainControl<QListWidget>(&w, "lstIngredients")), recipeLines);
            QCOMPARE(mainControl<QPlainTextEdit>(&w, "lblDescription")->toPlainText(), directions);
            QCOMPARE(mainControl<QLabel>(&w, "lblGlassType")->text(), QStringLiteral("Highball Glass"));
        };

        // ---- Incremental search: typing the start of the name selects it ------------------------
        main.selectDrinkAt(int(expectedList.indexOf(QStringLiteral("ZOMBIE"))));
        typeText(mainControl<QLineEdit>(&main, "txtSearch"), searchText);
        showsDrink(main, storedName, lines, description);
        if (QTest::currentTestFailed())
            return;

        // ---- Find: by a piece of the name, of the directions, and by the ingredient ------------
        {
            main.selectDrinkAt(int(expectedList.indexOf(QStringLiteral("MARTINI"))));
            frmFind find(&main, &main);
            find.show();
            typeText(find.TextSearch, typedName.trimmed());
            QTest::mouseClick(find.cmdFind, Qt::LeftButton);
            QCOMPARE(listItems(find.lstFind), QStringList{storedName});
            QTest::mouseClick(find.lstFind->viewport(), Qt::LeftButton, {},
                              find.lstFind->visualItemRect(find.lstFind->item(0)).center());
            showsDrink(main, storedName, lines, description);

            main.selectDrinkAt(int(expectedList.indexOf(QStringLiteral("MARTINI"))));
            find.cmbFind->setCurrentIndex(find.cmbFind->findText(QStringLiteral("Description")));
            find.TextSearch->clear();
            typeText(find.TextSearch, QStringLiteral("100% | 50%_"));
            QTest::mouseClick(find.cmdFind, Qt::LeftButton);
            QCOMPARE(listItems(find.lstFind), QStringList{storedName});

            find.cmbFind->setCurrentIndex(find.cmbFind->findText(QStringLiteral("Ingredients")));
            QVERIFY(find.cmbIngredients->findText(storedIngredient, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0);
            typeText(find.cmbIngredients, storedIngredient);
            QTest::mouseClick(find.cmdFind, Qt::LeftButton);
            QCOMPARE(listItems(find.lstFind), QStringList{storedName});
            QCOMPARE(messages(), QStringList());
        }
        if (QTest::currentTestFailed())
            return;

        // ---- Favourites -----------------------------------------------------------------------
        main.selectDrinkAt(int(expectedList.indexOf(storedName)));
        mainControl<QAction>(&main, "mnuMarkAsFavorite")->trigger();
        QCOMPARE(scalar(QStringLiteral("SELECT Favorite FROM Drinks WHERE ID = ?1"), {id}), 1);
        mainControl<QAction>(&main, "mnuView_ShowFavorites")->trigger();
        QCOMPARE(main.drinkListEntries(), QStringList{storedName});
        QCOMPARE(shownEntries(main), QStringList{storedName});
        main.selectDrinkAt(0);
        showsDrink(main, storedName, lines, description);
        QVERIFY(mainControl<QAction>(&main, "mnuRemoveFromFavorites")->isVisible());
        mainControl<QAction>(&main, "mnuRemoveFromFavorites")->trigger();
        QCOMPARE(main.drinkListEntries(), QStringList());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE Favorite = 1")), 0);
        mainControl<QAction>(&main, "mnuView_ShowAllDrinks")->trigger();
        QCOMPARE(main.drinkListEntries(), expectedList);

        // ---- Modify: the window shows what was stored; a suffix and new directions are saved ----
        const QString suffix = QStringLiteral(" ½ №2 'b'");
        const QString modifiedName = storedName + QStringLiteral(" ½ №2 'B'");
        const QString modifiedDescription = description + QStringLiteral("\n\"Again\"; -- 🍸");
        main.selectDrinkAt(int(expectedList.indexOf(storedName)));
        const bool modified = onModal([&] { mainControl<QAction>(&main, "mnuModifyDrink")->trigger(); }, [&](QWidget* w) {
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("txtName"));
            QCOMPARE(name->text(), storedName);
            QCOMPARE(w->findChild<QLineEdit*>(QStringLiteral("txtAmount1"))->text(), amount);
            QCOMPARE(w->findChild<QComboBox*>(QStringLiteral("cmbIngredient1"))->currentText(), storedIngredient);
            QCOMPARE(w->findChild<QPlainTextEdit*>(QStringLiteral("txtDescription"))->toPlainText(), description);
            name->end(false);
            typeText(name, suffix);
            auto* directions = w->findChild<QPlainTextEdit*>(QStringLiteral("txtDescription"));
            directions->moveCursor(QTextCursor::End);
            typeText(directions, QStringLiteral("\n\"Again\"; -- 🍸"));
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdUpdate")), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        });
        QVERIFY(modified);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(messages(), QStringList());
        QCOMPARE(DBLib::FindDrinkID(storedName), qint64(-1));
        const qint64 newId = DBLib::FindDrinkID(modifiedName);
        QVERIFY(newId > 0);
        // The old lines went with the old drink: only the new drink's two remain beside the others'.
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1"), {newId}), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo")), 6 + 2);
        expectedList.removeOne(storedName);
        expectedList << modifiedName;
        sortAsStored(expectedList);
        QCOMPARE(main.drinkListEntries(), expectedList);
        main.selectDrinkAt(int(expectedList.indexOf(modifiedName)));
        showsDrink(main, modifiedName, lines, modifiedDescription);

        // ---- Export, and import of that document into a fresh database ------------------------
        const QString document = Online::ExportDrink(newId);
        QString error;
        const auto read = Online::ReadDrinkDocument(document.toUtf8(), &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->size(), 1);
        QCOMPARE(read->first().name, modifiedName);
        QCOMPARE(read->first().directions, modifiedDescription);
        QCOMPARE(read->first().ingredients.size(), 2);
        QCOMPARE(read->first().ingredients.at(0).amount, amount);
        QCOMPARE(read->first().ingredients.at(0).type, storedIngredient);

        DBLib::OpenRecipeDatabase(m_elsewhere->databasePath());
        const Online::AddRecordsResult imported = Online::AddNewRecordsToDatabase(*read);
        QCOMPARE(imported.added, 1);
        QCOMPARE(imported.ingredientsCreated, 1);
        QCOMPARE(DBLib::FindIngredientID(storedIngredient) > 0, true);
        {
            frmMain other(m_elsewhere->path());
            QVERIFY(other.Load());
            QCOMPARE(other.drinkListEntries(), QStringList{modifiedName});
            other.selectDrinkAt(0);
            showsDrink(other, modifiedName, lines, modifiedDescription);
        }
        // Importing the same document again adds nothing.
        QCOMPARE(Online::AddNewRecordsToDatabase(*read).duplicates, 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks")), 1);
        QCOMPARE(messages(), QStringList());
        if (QTest::currentTestFailed())
            return;

        // ---- Delete, confirmed ------------------------------------------------------------------
        DBLib::OpenRecipeDatabase(m_folder->databasePath());
        main.selectDrinkAt(int(expectedList.indexOf(modifiedName)));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        mainControl<QAction>(&main, "mnuDelete")->trigger();
        QCOMPARE(messages(), QStringList{QStringLiteral(
                                 "Delete Confirmation: Are you sure you want to permanately deleted this drink?")});
        QCOMPARE(main.drinkListEntries(), BaseDrinks);
        QCOMPARE(shownEntries(main), BaseDrinks);
        QCOMPARE(DBLib::FindDrinkID(modifiedName), qint64(-1));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1"), {newId}), 0);

        // Nothing else was touched: the other drinks, their lines, the catalogue and the file.
        QCOMPARE(DBLib::AllDrinkNames(), BaseDrinks);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo")), 6);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients")), ingredientsBefore + 1);
        QCOMPARE(DBLib::Database().scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
};

QTEST_MAIN(TestHostile)
#include "test_hostile.moc"
