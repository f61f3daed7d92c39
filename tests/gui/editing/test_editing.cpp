#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "gui/common/MessageBox.h"
#include "gui/editing/frmAddDrink.h"
#include "gui/editing/frmModifyDrink.h"
#include "gui/editing/frmModifyIngredients.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

template <typename T = QWidget> T* in(QWidget& w, const QString& name)
{
    return child<T>(&w, name.toLatin1().constData());
}

// Fills the recipe rows from "amount|ingredient" texts, row 1 first.
void fillRows(QWidget& w, const QStringList& rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i) {
        typeInto(in(w, u"txtAmount%1"_s.arg(i + 1)), rows.at(i).section(u'|', 0, 0));
        typeInto(in(w, u"cmbIngredient%1"_s.arg(i + 1)), rows.at(i).section(u'|', 1));
    }
}

void showActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

void clickRow(QTableWidget* grid, const QString& name)
{
    const QTableWidgetItem* item = grid->findItems(name, Qt::MatchExactly).value(0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
}

const QStringList Martini = {u"2 oz|Gin"_s, u"1/2 oz|Dry Vermouth"_s};

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    MainWindowLink m_link;
    int m_reloads = 0;
    qint64 m_martini = 0;

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        m_martini = addTestDrink(u"Martini"_s, {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(u"Gimlet"_s, {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}});
        DBLib::AddIngredient(u"Absinthe"_s, QString(), u"False"_s); // unused, first by name
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_reloads = 0;
        m_link = MainWindowLink{};
        m_link.reloadDrinks = [this] { ++m_reloads; };
    }
    void cleanup()
    {
        MessageBox::clearHistory();
        m_folder.reset();
        m_settings.reset();
    }

    // ---- Add Drink ---------------------------------------------------------------------------

    // Both windows check the form alike: a refusal says what is missing and puts the focus there.
    void recipeChecks_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("field"); // the one field changed in a complete recipe
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result"); // the stored name, or the title of the refusal
        const QString name = u"txtName"_s;
        const QString directions = u"txtDescription"_s;
        QTest::newRow("add: blank name") << false << name << u"   "_s << u"Drink Name"_s;
        QTest::newRow("add: name of a stored drink") << false << name << u" martini"_s << u"Repeated drink name"_s;
        QTest::newRow("add: no glass") << false << u"cmbGlass"_s << QString() << u"Glass Type"_s;
        QTest::newRow("add: amount without ingredient") << false << u"cmbIngredient1"_s << u" "_s << u"Ingredient"_s;
        QTest::newRow("add: blank directions, answered No") << false << directions << QString() << u"Empty Decription"_s;
        QTest::newRow("modify: unchanged") << true << QString() << QString() << u"MARTINI"_s;
        QTest::newRow("modify: renamed") << true << name << u"dry martini"_s << u"DRY MARTINI"_s;
        QTest::newRow("modify: own name, other letter case") << true << name << u"Martini "_s << u"MARTINI"_s;
        QTest::newRow("modify: name of another drink") << true << name << u"gimlet"_s << u"Repeated drink name"_s;
        QTest::newRow("modify: blank name") << true << name << u" "_s << u"Drink Name"_s;
        QTest::newRow("modify: second row without ingredient") << true << u"cmbIngredient2"_s << QString() << u"Ingredient"_s;
        QTest::newRow("modify: blank directions, answered No") << true << directions << QString() << u"Empty Decription"_s;
    }
    void recipeChecks()
    {
        QFETCH(bool, modify);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, result);
        std::unique_ptr<RecipeWindow> w;
        if (modify)
            w = std::make_unique<frmModifyDrink>(nullptr, u"MARTINI"_s, m_link);
        else
            w = std::make_unique<frmAddDrink>(nullptr, m_link);
        showActive(*w);
        if (!modify) {
            typeInto(in(*w, u"txtName"_s), u"new"_s);
            if (field != u"cmbGlass"_s)
                QTest::keyClicks(in(*w, u"cmbGlass"_s), u"Cocktail Glass"_s); // the closed list's keyboard search
            fillRows(*w, {u"1 oz|Gin"_s});
            typeInto(in(*w, u"txtDescription"_s), u"Shake."_s);
        }
        if (!field.isEmpty() && field != u"cmbGlass"_s)
            retypeInto(in(*w, field), text);
        QWidget* save = in(*w, modify ? u"cmdUpdate"_s : u"cmdSave"_s);
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(DBLib::CountRecords(DBLib::Count::Drinks), 2);
        if (!MessageBox::history().isEmpty()) {
            QCOMPARE(MessageBox::history().size(), 1);
            QCOMPARE(MessageBox::history().value(0).title, result);
            QCOMPARE(QApplication::focusWidget(), field == u"txtDescription"_s ? save : in(*w, field));
            QVERIFY(w->isVisible());
            QCOMPARE(m_reloads, 0);
            QCOMPARE(DBLib::FindDrinkID(u"MARTINI"_s), m_martini);
            return;
        }
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QCOMPARE(m_reloads, 1);
        QCOMPARE(w->SavedName(), result);
        QCOMPARE(storedLines(result), Martini);
    }

    void addSaves_data()
    {
        QTest::addColumn<bool>("emptyCatalogue");
        QTest::addColumn<QString>("directions");
        QTest::newRow("no-break spaces in the directions are kept") << false << u"Build over\u00A0ice.\nStir."_s;
        QTest::newRow("empty catalogue, blank directions answered Yes") << true << QString();
    }
    void addSaves()
    {
        QFETCH(bool, emptyCatalogue);
        QFETCH(QString, directions);
        if (emptyCatalogue)
            DBLib::ExecuteSql(u"DELETE FROM Ingredients"_s);
        frmAddDrink w(nullptr, m_link);
        showActive(w);
        typeInto(in(w, u"txtName"_s), u" gin fizz"_s);
        QTest::keyClicks(in(w, u"cmbGlass"_s), u"Highball Glass"_s);
        // Gaps between rows; ingredients the catalogue lacks, one of them last by name.
        fillRows(w, {QString(), u"2 oz|Gin"_s, QString(), u"1 oz|zest syrup"_s, u"Fill with|elderflower cordial"_s});
        typeInto(in(w, u"txtDescription"_s), directions);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::keyClick(in(w, u"txtName"_s), Qt::Key_Return); // Enter saves
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(MessageBox::history().size(), directions.isEmpty() ? 1 : 0);
        QCOMPARE(m_reloads, 1);
        const auto drink = DBLib::ReadDrink(u"GIN FIZZ"_s);
        QVERIFY(drink);
        QCOMPARE(storedLines(u"GIN FIZZ"_s), (QStringList{u"2 oz|Gin"_s, u"1 oz|Zest Syrup"_s, u"Fill with|Elderflower Cordial"_s}));
        QCOMPARE(drink->glassName, u"Highball Glass"_s);
        QCOMPARE(drink->description, directions);
        // Typed here: the user's own drink, nothing to send.
        QCOMPARE(DBLib::Database().scalar(u"SELECT Submitted FROM Drinks WHERE ID = ?1"_s, {drink->id}).toInt(), 1);
        // The new ingredients joined every box in name order; the boxes still show what they showed.
        QCOMPARE(comboItems(in<QComboBox>(w, u"cmbIngredient12"_s)), DBLib::IngredientNames());
        QCOMPARE(in<QComboBox>(w, u"cmbIngredient1"_s)->currentText(), QString());
        QCOMPARE(in<QComboBox>(w, u"cmbIngredient2"_s)->currentText(), u"Gin"_s);
    }

    void addFailureKeepsTheWindowOpen()
    {
        DBLib::Database().exec(u"CREATE TRIGGER fail BEFORE INSERT ON Drinks BEGIN SELECT RAISE(ABORT, 'full'); END"_s);
        frmAddDrink w(nullptr, m_link);
        showActive(w);
        typeInto(in(w, u"txtName"_s), u"trouble"_s);
        QTest::keyClicks(in(w, u"cmbGlass"_s), u"Cocktail Glass"_s);
        fillRows(w, {u"1 oz|Brand New Bitters"_s});
        typeInto(in(w, u"txtDescription"_s), u"Stir."_s);
        QTest::mouseClick(in(w, u"cmdSave"_s), Qt::LeftButton);
        QCOMPARE(MessageBox::history().value(0).title, u"Add Drink"_s);
        QVERIFY(w.isVisible());
        QCOMPARE(m_reloads, 0);
        QCOMPARE(in<QComboBox>(w, u"cmbIngredient2"_s)->findText(u"Brand New Bitters"_s), -1);
    }

    // Escape leaves at once when nothing was typed; after typing it asks, and No (the default)
    // keeps the window and the typing.
    void escapeAsksBeforeThrowingTypingAway_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::newRow("add") << false;
        QTest::newRow("modify") << true;
    }
    void escapeAsksBeforeThrowingTypingAway()
    {
        QFETCH(bool, modify);
        const QStringList before = storedLines(u"MARTINI"_s);
        for (const bool typed : {false, true}) {
            MessageBox::clearHistory();
            std::unique_ptr<QDialog> w;
            if (modify)
                w = std::make_unique<frmModifyDrink>(nullptr, u"MARTINI"_s, m_link);
            else
                w = std::make_unique<frmAddDrink>(nullptr, m_link);
            showActive(*w);
            QLineEdit* name = in<QLineEdit>(*w, u"txtName"_s);
            if (typed)
                typeInto(name, u"x"_s);
            QTest::keyClick(name, Qt::Key_Escape);
            QCOMPARE(MessageBox::history().size(), int(typed));
            QCOMPARE(w->isVisible(), typed);
            if (!typed)
                continue;
            QVERIFY(name->text().endsWith(u'x'));
            MessageBox::setNextAnswer(QMessageBox::Yes);
            QTest::keyClick(name, Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(storedLines(u"MARTINI"_s), before);
        QCOMPARE(m_reloads, 0);
    }

    // Tab leaves the directions for the next control rather than typing a tab into them.
    void tabLeavesTheDirections()
    {
        frmAddDrink w(nullptr, m_link);
        showActive(w);
        auto* directions = in<QPlainTextEdit>(w, u"txtDescription"_s);
        directions->setFocus();
        QTest::keyClick(directions, Qt::Key_Tab);
        QVERIFY(!directions->hasFocus());
        QCOMPARE(directions->toPlainText(), QString());
    }

    // ---- Modify Drink ------------------------------------------------------------------------

    void modifyShowsTheStoredDrink_data()
    {
        QTest::addColumn<int>("glassId");
        QTest::addColumn<QString>("glass");
        QTest::newRow("usual glass") << 1 << u"Cocktail Glass"_s;
        QTest::newRow("glass not among the usual names: kept") << 77 << u"Tiki Mug"_s;
        QTest::newRow("glass number without a name: asked for") << 999 << QString();
    }
    void modifyShowsTheStoredDrink()
    {
        QFETCH(int, glassId);
        QFETCH(QString, glass);
        DBLib::ExecuteSql(u"INSERT INTO GlassTypes (GlassID, GlassType) VALUES (77, 'Tiki Mug')"_s);
        DBLib::ExecuteSql(u"UPDATE Drinks SET GlassType = ?1 WHERE ID = ?2"_s, {glassId, m_martini});
        frmModifyDrink w(nullptr, u"MARTINI"_s, m_link);
        QVERIFY(w.IsLoaded());
        QCOMPARE(in<QComboBox>(w, u"cmbGlass"_s)->currentText(), glass);
        QCOMPARE(in<QPlainTextEdit>(w, u"txtDescription"_s)->toPlainText(), u"Stir and serve."_s);
        showActive(w);
        QTest::mouseClick(in(w, u"cmdUpdate"_s), Qt::LeftButton);
        QCOMPARE(MessageBox::history().value(MessageBox::history().size() - 1).title, glass.isEmpty() ? u"Glass Type"_s : QString());
        QCOMPARE(DBLib::ReadDrink(u"MARTINI"_s)->glassName, glass);
    }

    void modifyOpen_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("message"); // a piece of the one message shown
        QTest::addColumn<bool>("opens");
        QTest::newRow("nothing selected") << u"  "_s << QString() << false;
        QTest::newRow("no such drink") << u"NOPE"_s << u"There is no drink named \"NOPE\""_s << false;
        QTest::newRow("ordinary drink") << u"GIMLET"_s << QString() << true;
        QTest::newRow("more than twelve lines") << u"PUNCH"_s << u"This drink has 14 recipe lines"_s << true;
        QTest::newRow("line without ingredient") << u"BROKEN"_s << u"no. 999"_s << true;
    }
    void modifyOpen()
    {
        QFETCH(QString, selected);
        QFETCH(QString, message);
        QFETCH(bool, opens);
        // Punch has 14 lines, two more than the window shows; Broken names an ingredient that is gone.
        QStringList punch;
        for (int i = 1; i <= 14; ++i) {
            DBLib::AddRecipeLine(90, DBLib::GetIngredientIDByName(u"Gin"_s), u"%1 oz"_s.arg(i));
            punch << u"%1 oz|Gin"_s.arg(i);
        }
        DBLib::AddDrink(90, u"PUNCH"_s, 1, u"Mix."_s, {}, {}, {}, {}, {});
        DBLib::AddRecipeLine(91, 999, u"1 oz"_s);
        DBLib::AddDrink(91, u"BROKEN"_s, 1, u"Mix."_s, {}, {}, {}, {}, {});
        int redisplayed = 0;
        QStringList chosen;
        m_link.redisplaySelection = [&] { ++redisplayed; };
        m_link.selectDrink = [&](const QString& name) { chosen << name; };
        const QString opened = whileModal([&] { frmModifyDrink::Open(nullptr, selected, m_link); });
        QCOMPARE(opened, opens ? u"Modify Drink"_s : QString());
        QCOMPARE(MessageBox::history().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(MessageBox::history().constFirst().text.contains(message), qPrintable(MessageBox::history().value(0).title));
        QCOMPARE(redisplayed, 1);
        QVERIFY(chosen.isEmpty()); // closed without an update
        if (selected != u"PUNCH"_s)
            return;
        // Lines beyond the twelve rows are written back with the edited ones.
        frmModifyDrink w(nullptr, selected, m_link);
        QCOMPARE(in<QLineEdit>(w, u"txtAmount12"_s)->text(), u"12 oz"_s);
        showActive(w);
        retypeInto(in(w, u"txtAmount1"_s), u"1 1/2 oz"_s);
        QTest::mouseClick(in(w, u"cmdUpdate"_s), Qt::LeftButton);
        punch[0] = u"1 1/2 oz|Gin"_s;
        QCOMPARE(storedLines(selected), punch);
    }

    // ---- Ingredient editor -------------------------------------------------------------------

    void ingredientMark_data()
    {
        QTest::addColumn<QString>("ingredient");
        QTest::addColumn<bool>("deletable");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored"); // -1: refused
        QTest::newRow("first row, unused: Yes") << u"Absinthe"_s << true << u"Yes"_s << 1;
        QTest::newRow("used: No") << u"Lime Juice"_s << false << u"No"_s << 0;
        QTest::newRow("any letter case") << u"Gin"_s << false << u"yes "_s << 1;
        QTest::newRow("anything else refused") << u"Grenadine"_s << true << u"maybe"_s << -1;
    }
    void ingredientMark()
    {
        QFETCH(QString, ingredient);
        QFETCH(bool, deletable);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        const QList<DBLib::Ingredient> catalogue = DBLib::IngredientCatalogue();
        frmModifyIngredients w(nullptr);
        auto* grid = in<QTableWidget>(w, u"MSFlexGrid1"_s);
        auto* combo = in<QComboBox>(w, u"ComboNonAlcoholic"_s);
        showActive(w);
        // Nothing is chosen until the user picks a row.
        QVERIFY(in<QLabel>(w, u"lblIngredient"_s)->text().isEmpty() && !in(w, u"CommandDelete"_s)->isEnabled());
        const int row = grid->findItems(ingredient, Qt::MatchExactly).value(0)->row();
        clickRow(grid, ingredient);
        const DBLib::Ingredient& chosen = catalogue.at(row);
        QCOMPARE(in<QLabel>(w, u"lblIngredient"_s)->text(), ingredient);
        QCOMPARE(in<QLineEdit>(w, u"txtID"_s)->text(), QString::number(chosen.id));
        QCOMPARE(combo->currentText(), chosen.nonAlcoholic ? u"Yes"_s : u"No"_s);
        QCOMPARE(in(w, u"CommandDelete"_s)->isEnabled(), deletable);
        retypeInto(combo, typed);
        QTest::mouseClick(in(w, u"CommandUpdate"_s), Qt::LeftButton);
        const bool now = DBLib::IngredientCatalogue().at(row).nonAlcoholic;
        if (stored < 0) {
            QCOMPARE(MessageBox::history().value(0).title, u"Non-Alcoholic"_s);
            QCOMPARE(QApplication::focusWidget(), combo);
            QCOMPARE(now, chosen.nonAlcoholic);
            return;
        }
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(now, stored == 1);
        QCOMPARE(grid->item(row, 1)->text(), stored ? u"Yes"_s : u"No"_s);
    }

    void ingredientDelete()
    {
        frmModifyIngredients w(nullptr);
        auto* grid = in<QTableWidget>(w, u"MSFlexGrid1"_s);
        auto* del = in<QPushButton>(w, u"CommandDelete"_s);
        auto* combo = in<QComboBox>(w, u"ComboNonAlcoholic"_s);
        showActive(w);
        const int rows = grid->rowCount();
        // Used by a recipe since it was chosen: refused, kept.
        clickRow(grid, u"Sugar Syrup"_s);
        QVERIFY(del->isEnabled());
        DBLib::AddRecipeLine(m_martini, DBLib::FindIngredientID(u"Sugar Syrup"_s), u"1 tsp"_s);
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(DBLib::FindIngredientID(u"Sugar Syrup"_s) > 0 && !del->isEnabled());
        QCOMPARE(grid->rowCount(), rows);
        // Unused: gone from the catalogue and the grid.
        clickRow(grid, u"Absinthe"_s);
        const int comboTop = combo->geometry().top();
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(DBLib::FindIngredientID(u"Absinthe"_s), qint64(-1));
        QCOMPARE(grid->rowCount(), rows - 1);
        QCOMPARE(grid->item(0, 0)->text(), u"Dry Vermouth"_s);
        // The edit area is emptied rather than showing the row that moved up, and keeps its layout.
        QCOMPARE(in<QLabel>(w, u"lblIngredient"_s)->text() + in<QLineEdit>(w, u"txtID"_s)->text(), QString());
        QCOMPARE(combo->currentText(), QString());
        QVERIFY(!del->isEnabled());
        w.layout()->activate();
        QCOMPARE(combo->geometry().top(), comboTop);
        // With nothing chosen, Update does nothing.
        QTest::mouseClick(in(w, u"CommandUpdate"_s), Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        // When the recipes cannot be read, Delete stays off.
        DBLib::ExecuteSql(u"ALTER TABLE DrinkInfo RENAME TO Spare"_s);
        clickRow(grid, u"Vodka"_s);
        QVERIFY(MessageBox::history().size() > 1 && !del->isEnabled());
    }

};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
