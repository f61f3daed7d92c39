#include "TestSupport.h"

#include "gui/common/MessageBox.h"
#include "gui/editing/frmAddDrink.h"
#include "gui/editing/frmModifyDrink.h"
#include "gui/editing/frmModifyIngredients.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace DBLib;

namespace {

const QStringList GlassOrder = {
    QStringLiteral("Beer Mug"),         QStringLiteral("Beer Pilsner"),    QStringLiteral("Brandy Snifter"),
    QStringLiteral("Champagne Glass"),  QStringLiteral("Cocktail Glass"),  QStringLiteral("Collins Glass"),
    QStringLiteral("Cordial Glass"),    QStringLiteral("Coupette Glass"),  QStringLiteral("Fish Bowl"),
    QStringLiteral("Highball Glass"),   QStringLiteral("Hurricane Glass"), QStringLiteral("Irish Coffee Cup"),
    QStringLiteral("Margarita Glass"),  QStringLiteral("Mason Jar"),       QStringLiteral("Old Fashioned Glass"),
    QStringLiteral("Parfait Glass"),    QStringLiteral("Pitcher"),         QStringLiteral("Pousse-Cafe Cup"),
    QStringLiteral("Punch Bowl"),       QStringLiteral("Red Wine Glass"),  QStringLiteral("Sherry Glass"),
    QStringLiteral("Shot Glass"),       QStringLiteral("Unknown Glass"),   QStringLiteral("Whiskey Sour Glass"),
    QStringLiteral("White Wine Glass")};

// Typing as a user does: plain keys for ASCII, an input-method commit for anything else.
void typeText(QWidget* widget, const QString& text)
{
    QWidget* target = widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        target = combo->lineEdit();
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(target, Qt::Key_Return);
        } else if (c.unicode() < 128) {
            QTest::keyClick(target, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(target, &commit);
        }
    }
}

// Replaces a box's text: select all, delete, type.
void retype(QWidget* widget, const QString& text)
{
    QWidget* target = widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        target = combo->lineEdit();
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    typeText(target, text);
}

// Picks a glass by typing its name into the closed list, as the keyboard search does.
void chooseGlass(QComboBox* glass, const QString& name)
{
    QTest::keyClicks(glass, name);
    QCOMPARE(glass->currentText(), name);
}

struct Form
{
    QLineEdit* name;
    QComboBox* glass;
    QList<QLineEdit*> amounts;
    QList<QComboBox*> ingredients;
    QPlainTextEdit* description;
    QPushButton* save;
    QPushButton* exit;
};

Form formOf(QWidget& w, const char* saveName)
{
    Form f{w.findChild<QLineEdit*>(QStringLiteral("txtName")),
           w.findChild<QComboBox*>(QStringLiteral("cmbGlass")),
           {},
           {},
           w.findChild<QPlainTextEdit*>(QStringLiteral("txtDescription")),
           w.findChild<QPushButton*>(QLatin1String(saveName)),
           w.findChild<QPushButton*>(QStringLiteral("cmdExit"))};
    for (int i = 1; i <= 12; ++i) {
        f.amounts << w.findChild<QLineEdit*>(QStringLiteral("txtAmount%1").arg(i));
        f.ingredients << w.findChild<QComboBox*>(QStringLiteral("cmbIngredient%1").arg(i));
    }
    return f;
}

// Fills rows from "amount|ingredient" texts; the index in the list is the row (0 = row 1).
void fillRows(const Form& f, const QStringList& rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList parts = rows.at(i).split(QLatin1Char('|'));
        if (!parts.value(0).isEmpty())
            typeText(f.amounts.at(i), parts.value(0));
        if (!parts.value(1).isEmpty())
            typeText(f.ingredients.at(i), parts.value(1));
    }
}

void showAndActivate(QWidget& w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Every row of every table, for checking that a refused or failed write changed nothing.
QStringList dumpDatabase()
{
    QStringList out;
    for (const char* sql : {"SELECT * FROM Drinks ORDER BY ID", "SELECT rowid, * FROM DrinkInfo ORDER BY rowid",
                            "SELECT * FROM Ingredients ORDER BY ID", "SELECT * FROM Settings",
                            "SELECT * FROM GlassTypes ORDER BY GlassID"}) {
        Sql::Statement st(Database(), QString::fromLatin1(sql));
        while (st.step()) {
            QStringList cols;
            for (int c = 0; c < st.columnCount(); ++c)
                cols << (st.isNull(c) ? QStringLiteral("NULL") : st.text(c));
            out << cols.join(QLatin1Char('|'));
        }
    }
    return out;
}

// The drink's recipe lines as "amount|ingredient", in written order; a Null amount shows as empty.
QStringList recipeLines(qint64 drinkId)
{
    QStringList lines;
    Sql::Statement st(Database(), QStringLiteral("SELECT d.Amount, i.Ingredient FROM DrinkInfo d LEFT JOIN Ingredients i "
                                                 "ON i.ID = d.IngID WHERE d.DrinkID = ?1 ORDER BY d.rowid"));
    st.bind(1, drinkId);
    while (st.step())
        lines << Lib::DecodeText(st.value(0)) + QLatin1Char('|') + st.text(1);
    return lines;
}

qint64 drinkId(const QString& storedName)
{
    return Database()
        .scalar(QStringLiteral("SELECT ID FROM Drinks WHERE Name = ?1"), {Lib::EncodeText(storedName)})
        .toLongLong();
}

QVariant drinkColumn(qint64 id, const char* column)
{
    return Database().scalar(QStringLiteral("SELECT %1 FROM Drinks WHERE ID = ?1").arg(QLatin1String(column)), {id});
}

qint64 scalar(const QString& sql, const QVariantList& params = {})
{
    return Database().scalar(sql, params).toLongLong();
}

MessageBox::Shown lastMessage()
{
    return MessageBox::history().isEmpty() ? MessageBox::Shown{} : MessageBox::history().constLast();
}

// Closes the modal window a static Open() runs, once it is up (loading lets events run before).
void closeModalWhenShown()
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// The offscreen platform cannot raise or grab for the ingredient suggestion popups; its notices
// about that are noise here.
QtMessageHandler defaultHandler = nullptr;
void quietPlatformNotices(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    defaultHandler(type, context, message);
}

int buttonsValue(MessageBox::Buttons b)
{
    return int(b.toInt());
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    int m_reloads = 0;
    MainWindowLink m_link;

private Q_SLOTS:
    void initTestCase() { defaultHandler = qInstallMessageHandler(quietPlatformNotices); }
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        // The small database has three glasses; the windows offer all 25.
        for (const QString& glass : GlassOrder) {
            if (scalar(QStringLiteral("SELECT COUNT(*) FROM GlassTypes WHERE GlassType = ?1"), {glass}) == 0)
                ExecuteSql(QStringLiteral("INSERT INTO GlassTypes (GlassType) VALUES (?1)"), {glass});
        }
        addTestDrink(QStringLiteral("Martini"), {{"2 oz", "Gin"}, {"1/2 oz", "Dry Vermouth"}});
        addTestDrink(QStringLiteral("Gimlet"), {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}});
        addTestDrink(QStringLiteral("Screwdriver"), {{"2 oz", "Vodka"}, {"Fill with", "Orange Juice"}});
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        m_reloads = 0;
        m_link = MainWindowLink{};
        m_link.reloadDrinks = [this] { ++m_reloads; };
    }
    void cleanup()
    {
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(false);
        m_folder.reset();
        m_settings.reset();
    }

    // ---- Add Drink -------------------------------------------------------------------------

    void addWindowShowsItsControls()
    {
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        QCOMPARE(w.windowTitle(), QStringLiteral("Add Drink"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("Drink Name:"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("Glasstype:"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Amount") + QString(7, QLatin1Char(' ')) + QStringLiteral("Ingredients") +
                     QString(44, QLatin1Char(' ')) + QStringLiteral("Description"));
        QStringList glasses;
        for (int i = 0; i < f.glass->count(); ++i)
            glasses << f.glass->itemText(i);
        QCOMPARE(glasses, GlassOrder);
        QVERIFY(!f.glass->isEditable());
        QCOMPARE(f.glass->currentText(), QString());
        QCOMPARE(f.save->text(), QStringLiteral("Save"));
        QVERIFY(f.save->isDefault());
        QCOMPARE(f.exit->text(), QStringLiteral("Exit"));
        QCOMPARE(f.description->toolTip(), QStringLiteral("Enter Description (Order of ingredients, Shaken not Stirred, etc)"));
        const QStringList catalogue = IngredientNames();
        QCOMPARE(catalogue.size(), 8);
        for (int i = 0; i < 12; ++i) {
            QVERIFY2(f.amounts.at(i) && f.ingredients.at(i), "a recipe row is missing");
            QCOMPARE(f.amounts.at(i)->toolTip(), QStringLiteral("Enter Amount (ex. 1/2 oz)"));
            QVERIFY(f.ingredients.at(i)->isEditable());
            QCOMPARE(f.ingredients.at(i)->currentText(), QString());
            QStringList items;
            for (int r = 0; r < f.ingredients.at(i)->count(); ++r)
                items << f.ingredients.at(i)->itemText(r);
            QCOMPARE(items, catalogue);
        }
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::newRow("add") << false;
        QTest::newRow("modify") << true;
    }
    void tabOrder()
    {
        QFETCH(bool, modify);
        std::unique_ptr<QDialog> w;
        if (modify)
            w = std::make_unique<frmModifyDrink>(nullptr, QStringLiteral("MARTINI"), m_link);
        else
            w = std::make_unique<frmAddDrink>(nullptr, m_link);
        QStringList expected = {QStringLiteral("txtName"), QStringLiteral("cmbGlass")};
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("txtAmount%1").arg(i) << QStringLiteral("cmbIngredient%1").arg(i);
        expected << QStringLiteral("txtDescription") << (modify ? QStringLiteral("cmdUpdate") : QStringLiteral("cmdSave"))
                 << QStringLiteral("cmdExit");
        showAndActivate(*w);
        w->findChild<QLineEdit*>(QStringLiteral("txtName"))->setFocus();
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
    }

    void addRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("glass");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("nameAfter");

        const int ok = buttonsValue(QMessageBox::Ok);
        const int okCancel = buttonsValue(QMessageBox::Ok | QMessageBox::Cancel);
        const int yesNo = buttonsValue(QMessageBox::Yes | QMessageBox::No);
        const QStringList oneRow = {QStringLiteral("1 oz|Gin")};
        const QString desc = QStringLiteral("Shake.");

        QTest::newRow("blank name") << QStringLiteral("   ") << QStringLiteral("Cocktail Glass") << oneRow << desc
                                    << "Drink Name" << "Please Enter Drink Name" << ok << "txtName" << "   ";
        QTest::newRow("repeated name, any case and blanks")
            << QStringLiteral("  martini ") << QStringLiteral("Cocktail Glass") << oneRow << desc << "Repeated drink name"
            << "Drink Name already choosen, Please select another" << okCancel << "txtName" << "MARTINI";
        QTest::newRow("blank glass") << QStringLiteral("new one") << QString() << oneRow << desc << "Glass Type"
                                     << "Please Enter Glass Type" << ok << "cmbGlass" << "NEW ONE";
        QTest::newRow("amount without ingredient")
            << QStringLiteral("new one") << QStringLiteral("Cocktail Glass")
            << QStringList{QStringLiteral("1 oz|Gin"), QString(), QStringLiteral("2 oz|   ")} << desc << "Ingredient"
            << "Please Enter Ingredient" << okCancel << "cmbIngredient3" << "NEW ONE";
        QTest::newRow("name checked before glass") << QStringLiteral("GIMLET") << QString() << oneRow << desc
                                                   << "Repeated drink name"
                                                   << "Drink Name already choosen, Please select another" << okCancel
                                                   << "txtName" << "GIMLET";
        QTest::newRow("glass checked before rows")
            << QStringLiteral("new one") << QString() << QStringList{QStringLiteral("1 oz|")} << desc << "Glass Type"
            << "Please Enter Glass Type" << ok << "cmbGlass" << "NEW ONE";
        QTest::newRow("first bad row wins")
            << QStringLiteral("new one") << QStringLiteral("Cocktail Glass")
            << QStringList{QString(), QStringLiteral("1 oz|"), QStringLiteral("2 oz|")} << QString() << "Ingredient"
            << "Please Enter Ingredient" << okCancel << "cmbIngredient2" << "NEW ONE";
        QTest::newRow("blank description answered No")
            << QStringLiteral("new one") << QStringLiteral("Cocktail Glass") << oneRow << QStringLiteral("  ")
            << "Empty Decription" << "Description Is Blank Do You Wish To Continue" << yesNo << "cmdSave" << "NEW ONE";
    }
    void addRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, glass);
        QFETCH(QStringList, rows);
        QFETCH(QString, description);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, buttons);
        QFETCH(QString, focus);
        QFETCH(QString, nameAfter);

        const QStringList before = dumpDatabase();
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, name);
        if (!glass.isEmpty())
            chooseGlass(f.glass, glass);
        fillRows(f, rows);
        typeText(f.description, description);
        MessageBox::setNextAnswer(title == QLatin1String("Empty Decription") ? QMessageBox::No : QMessageBox::Ok);
        QTest::mouseClick(f.save, Qt::LeftButton);

        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(lastMessage().title, title);
        QCOMPARE(lastMessage().text, text);
        QCOMPARE(buttonsValue(lastMessage().buttons), buttons);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(f.name->text(), nameAfter);
        QVERIFY(w.isVisible());
        QCOMPARE(m_reloads, 0);
        QCOMPARE(dumpDatabase(), before);
    }

    void addSaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("newIngredients");
        QTest::addColumn<bool>("nonAlcoholic");

        QTest::newRow("trimmed and upper-cased, gaps vanish")
            << QStringLiteral("  gin fizz ")
            << QStringList{QString(), QStringLiteral("2 oz|Gin"), QString(), QString(), QStringLiteral("1 oz|lime juice"),
                           QString(), QString(), QString(), QStringLiteral("Fill with|Ginger Ale")}
            << QStringLiteral("GIN FIZZ")
            << QStringList{QStringLiteral("2 oz|Gin"), QStringLiteral("1 oz|Lime Juice"), QStringLiteral("Fill with|Ginger Ale")}
            << QStringList{} << false;
        QTest::newRow("empty amount, blank rows skipped")
            << QStringLiteral("Sunny")
            << QStringList{QStringLiteral("  |  "), QStringLiteral("|Orange Juice"), QStringLiteral("1 dash|Grenadine")}
            << QStringLiteral("SUNNY") << QStringList{QStringLiteral("|Orange Juice"), QStringLiteral("1 dash|Grenadine")}
            << QStringList{} << true;
        QTest::newRow("new ingredient typed twice is added once")
            << QStringLiteral("Elder Spritz")
            << QStringList{QStringLiteral("1 oz|elderflower cordial"), QStringLiteral("2 oz|Gin"),
                           QStringLiteral("1 tsp|ELDERFLOWER CORDIAL  ")}
            << QStringLiteral("ELDER SPRITZ")
            << QStringList{QStringLiteral("1 oz|Elderflower Cordial"), QStringLiteral("2 oz|Gin"),
                           QStringLiteral("1 tsp|Elderflower Cordial")}
            << QStringList{QStringLiteral("Elderflower Cordial")} << false;
        QTest::newRow("same ingredient in two rows")
            << QStringLiteral("Double Juice")
            << QStringList{QStringLiteral("2 oz|Orange Juice"), QStringLiteral("2 oz|Orange Juice")}
            << QStringLiteral("DOUBLE JUICE")
            << QStringList{QStringLiteral("2 oz|Orange Juice"), QStringLiteral("2 oz|Orange Juice")} << QStringList{} << true;
        QTest::newRow("quotes, apostrophes and Unicode")
            << QStringLiteral("l'éte \"Ćevapi\" 🍹")
            << QStringList{QStringLiteral("½ oz|crème de cassis"), QStringLiteral("1 oz|O'Neil's \"Best\"")}
            << QStringLiteral("L'ÉTE \"ĆEVAPI\" 🍹")
            << QStringList{QStringLiteral("½ oz|Crème De Cassis"), QStringLiteral("1 oz|O'neil's \"best\"")}
            << QStringList{QStringLiteral("Crème De Cassis"), QStringLiteral("O'neil's \"best\"")} << false;
    }
    void addSaves()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, rows);
        QFETCH(QString, storedName);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, newIngredients);
        QFETCH(bool, nonAlcoholic);

        const qint64 expectedId = scalar(QStringLiteral("SELECT MAX(ID) FROM Drinks")) + 1;
        const qint64 ingredientsBefore = scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients"));
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, name);
        chooseGlass(f.glass, QStringLiteral("Highball Glass"));
        fillRows(f, rows);
        typeText(f.description, QStringLiteral("Build over\u00A0ice.\nStir \"gently\"."));
        QTest::mouseClick(f.save, Qt::LeftButton);

        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(lastMessage().text));
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(m_reloads, 1);
        QCOMPARE(f.name->text(), storedName);
        const qint64 id = drinkId(storedName);
        QCOMPARE(id, expectedId);
        QCOMPARE(recipeLines(id), lines);
        QCOMPARE(drinkColumn(id, "GlassType").toInt(), GetGlassTypeID(QStringLiteral("Highball Glass")));
        QCOMPARE(Lib::DecodeText(drinkColumn(id, "Description")), QStringLiteral("Build over\u00A0ice.\nStir \"gently\"."));
        QCOMPARE(drinkColumn(id, "Submitted").toInt(), 1);
        QCOMPARE(drinkColumn(id, "Favorite").toInt(), 0);
        QCOMPARE(drinkColumn(id, "NonAlcoholic").toInt(), nonAlcoholic ? 1 : 0);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Ingredients")), ingredientsBefore + newIngredients.size());
        // New ingredients are in the catalogue and in every list box, in name order.
        for (const QString& ingredient : newIngredients) {
            QVERIFY2(FindIngredientID(ingredient) > 0, qPrintable(ingredient));
            QVERIFY(f.ingredients.at(11)->findText(ingredient, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0);
        }
        QStringList listed;
        for (int r = 0; r < f.ingredients.at(11)->count(); ++r)
            listed << f.ingredients.at(11)->itemText(r);
        QCOMPARE(listed, IngredientNames());
    }

    void addBlankDescriptionYesLeavesItUnset()
    {
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, QStringLiteral("plain"));
        chooseGlass(f.glass, QStringLiteral("Shot Glass"));
        fillRows(f, {QStringLiteral("1 oz|Vodka")});
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::keyClick(f.name, Qt::Key_Return); // Enter presses Save
        QCOMPARE(lastMessage().title, QStringLiteral("Empty Decription"));
        const qint64 id = drinkId(QStringLiteral("PLAIN"));
        QVERIFY(id > 0);
        QVERIFY(drinkColumn(id, "Description").isNull());
        QCOMPARE(drinkColumn(id, "GlassType").toInt(), GetGlassTypeID(QStringLiteral("Shot Glass")));
    }

    void addNewIdRule_data()
    {
        QTest::addColumn<bool>("emptyTable");
        QTest::addColumn<qint64>("highest");
        QTest::newRow("one more than the highest") << false << qint64(57);
        QTest::newRow("first drink") << true << qint64(0);
    }
    void addNewIdRule()
    {
        QFETCH(bool, emptyTable);
        QFETCH(qint64, highest);
        if (emptyTable) {
            ExecuteSql(QStringLiteral("DELETE FROM Drinks"));
            ExecuteSql(QStringLiteral("DELETE FROM DrinkInfo"));
        } else {
            AddDrink(highest, QStringLiteral("FAR AWAY"), 1, QString(), {}, {}, {}, {}, {});
        }
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, QStringLiteral("next"));
        chooseGlass(f.glass, QStringLiteral("Cocktail Glass"));
        typeText(f.description, QStringLiteral("Pour."));
        fillRows(f, {QStringLiteral("1 oz|Gin Fizz Mix")});
        const int listed = f.ingredients.at(0)->count();
        // Enter in an ingredient box presses Save; the typed name is not slipped into the list.
        QTest::keyClick(f.ingredients.at(0), Qt::Key_Return);
        QCOMPARE(drinkId(QStringLiteral("NEXT")), highest + 1);
        QCOMPARE(f.ingredients.at(0)->count(), listed + 1); // the new catalogue entry, once
        QCOMPARE(FindIngredientID(QStringLiteral("Gin Fizz Mix")) > 0, true);
    }

    void addFailureWritesNothing_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("glass");
        QTest::addColumn<QString>("step");

        const QStringList rows = {QStringLiteral("1 oz|Brand New Bitters"), QStringLiteral("2 oz|Gin"),
                                  QStringLiteral("1 oz|Lime Juice")};
        QTest::newRow("glass missing from the database")
            << QStringLiteral("DELETE FROM GlassTypes WHERE GlassType = 'Pitcher'") << rows << QStringLiteral("Pitcher")
            << QStringLiteral("Looking up the glass \"Pitcher\"");
        QTest::newRow("drink row refused")
            << QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Drinks BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")
            << rows << QStringLiteral("Pitcher") << QStringLiteral("Writing the drink \"TROUBLE\"");
        QTest::newRow("third recipe line refused")
            << QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON DrinkInfo WHEN (SELECT COUNT(*) FROM DrinkInfo "
                              "WHERE DrinkID = NEW.DrinkID) = 2 BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")
            << rows << QStringLiteral("Pitcher") << QStringLiteral("Writing the recipe line \"1 oz Lime Juice\"");
        QTest::newRow("amount that cannot be stored")
            << QString() << QStringList{QStringLiteral("1 oz|Gin"), QStringLiteral("2 \U0010FFF5|New Thing")}
            << QStringLiteral("Pitcher") << QStringLiteral("Writing the recipe line");
    }
    void addFailureWritesNothing()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, rows);
        QFETCH(QString, glass);
        QFETCH(QString, step);
        if (!setup.isEmpty())
            Database().exec(setup);
        const QStringList before = dumpDatabase();

        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, QStringLiteral("trouble"));
        chooseGlass(f.glass, glass);
        fillRows(f, rows);
        typeText(f.description, QStringLiteral("Stir."));
        QTest::mouseClick(f.save, Qt::LeftButton);

        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(lastMessage().icon, QMessageBox::Critical);
        QCOMPARE(lastMessage().title, QStringLiteral("Add Drink"));
        QVERIFY2(lastMessage().text.startsWith(QStringLiteral("The drink was not saved;")), qPrintable(lastMessage().text));
        QVERIFY2(lastMessage().text.contains(step), qPrintable(lastMessage().text));
        QVERIFY(w.isVisible());
        QCOMPARE(m_reloads, 0);
        QCOMPARE(dumpDatabase(), before);
        // A new ingredient of the failed save did not join the lists either.
        QCOMPARE(f.ingredients.at(0)->findText(QStringLiteral("Brand New Bitters")), -1);
        QVERIFY(!Database().inTransaction());
    }

    void addExitWritesNothing()
    {
        const QStringList before = dumpDatabase();
        frmAddDrink w(nullptr, m_link);
        const Form f = formOf(w, "cmdSave");
        showAndActivate(w);
        typeText(f.name, QStringLiteral("never"));
        chooseGlass(f.glass, QStringLiteral("Cocktail Glass"));
        fillRows(f, {QStringLiteral("1 oz|Gin")});
        // Escape asks first; No (the default) keeps the typing.
        QTest::keyClick(f.name, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QCOMPARE(f.name->text(), QStringLiteral("never"));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::keyClick(f.name, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(dumpDatabase(), before);
        QCOMPARE(m_reloads, 0);
    }

    // ---- Modify Drink ----------------------------------------------------------------------

    void modifyShowsStoredDrink()
    {
        frmModifyDrink w(nullptr, QStringLiteral("MARTINI"), m_link);
        QVERIFY2(w.IsLoaded(), qPrintable(w.LoadError()));
        const Form f = formOf(w, "cmdUpdate");
        QCOMPARE(w.windowTitle(), QStringLiteral("Modify Drink"));
        QCOMPARE(f.save->text(), QStringLiteral("Update"));
        QVERIFY(f.save->isDefault());
        QCOMPARE(f.name->text(), QStringLiteral("MARTINI"));
        QCOMPARE(f.glass->currentText(), QStringLiteral("Cocktail Glass"));
        QCOMPARE(f.glass->count(), 25);
        QCOMPARE(f.amounts.at(0)->text(), QStringLiteral("2 oz"));
        QCOMPARE(f.ingredients.at(0)->currentText(), QStringLiteral("Gin"));
        QCOMPARE(f.amounts.at(1)->text(), QStringLiteral("1/2 oz"));
        QCOMPARE(f.ingredients.at(1)->currentText(), QStringLiteral("Dry Vermouth"));
        QCOMPARE(f.ingredients.at(2)->currentText(), QString());
        QCOMPARE(f.description->toPlainText(), QStringLiteral("Stir and serve."));
    }

    void modifyUpdate_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("newName");  // empty: the name is not touched
        QTest::addColumn<QString>("storedName");

        QTest::newRow("unchanged") << QStringLiteral("MARTINI") << QString() << QStringLiteral("MARTINI");
        QTest::newRow("renamed, trimmed and upper-cased")
            << QStringLiteral("MARTINI") << QStringLiteral("  dry martini ") << QStringLiteral("DRY MARTINI");
        QTest::newRow("own name in other letter case") << QStringLiteral("MARTINI") << QStringLiteral("Martini ")
                                                       << QStringLiteral("MARTINI");
        QTest::newRow("lower-case stored name, untouched")
            << QStringLiteral("Mojito'S «Best»") << QString() << QStringLiteral("MOJITO'S «BEST»");
    }
    void modifyUpdate()
    {
        QFETCH(QString, loaded);
        QFETCH(QString, newName);
        QFETCH(QString, storedName);
        if (loaded != QLatin1String("MARTINI")) {
            const qint64 id = scalar(QStringLiteral("SELECT MAX(ID) FROM Drinks")) + 1;
            AddRecipeLine(id, GetIngredientIDByName(QStringLiteral("Gin")), QStringLiteral("2 oz"));
            AddRecipeLine(id, GetIngredientIDByName(QStringLiteral("Dry Vermouth")), QStringLiteral("1/2 oz"));
            AddDrink(id, loaded, GetGlassTypeID(QStringLiteral("Cocktail Glass")), QStringLiteral("Stir and serve."), {},
                     {}, {}, {}, {});
        }
        // Marked favourite and submitted: an update drops both marks.
        const qint64 oldId = drinkId(loaded);
        ExecuteSql(QStringLiteral("UPDATE Drinks SET Favorite = 1, Submitted = 1 WHERE ID = ?1"), {oldId});
        // Keep the edited drink below the highest ID so the new ID is visibly new.
        AddDrink(200, QStringLiteral("LAST ONE"), 1, QString(), {}, {}, {}, {}, {});
        const qint64 drinksBefore = scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks"));

        frmModifyDrink w(nullptr, loaded, m_link);
        QVERIFY2(w.IsLoaded(), qPrintable(w.LoadError()));
        const Form f = formOf(w, "cmdUpdate");
        showAndActivate(w);
        if (!newName.isEmpty())
            retype(f.name, newName);
        QTest::mouseClick(f.save, Qt::LeftButton);

        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(lastMessage().text));
        QVERIFY(!w.isVisible());
        QCOMPARE(m_reloads, 1);
        const qint64 id = drinkId(storedName);
        QCOMPARE(id, qint64(201));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks")), drinksBefore);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE ID = ?1"), {oldId}), qint64(0));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1"), {oldId}), qint64(0));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks WHERE Name = ?1"), {Lib::EncodeText(loaded)}),
                 qint64(loaded == storedName ? 1 : 0));
        QCOMPARE(recipeLines(id), (QStringList{QStringLiteral("2 oz|Gin"), QStringLiteral("1/2 oz|Dry Vermouth")}));
        QCOMPARE(drinkColumn(id, "Favorite").toInt(), 1); // a favourite stays one
        QCOMPARE(drinkColumn(id, "Submitted").toInt(), 0);
        QCOMPARE(drinkColumn(id, "CurrentStock").toInt(), 1); // Gin and Dry Vermouth are in stock
        QCOMPARE(Lib::DecodeText(drinkColumn(id, "Description")), QStringLiteral("Stir and serve."));
    }

    void modifyEditsRecipe()
    {
        frmModifyDrink w(nullptr, QStringLiteral("SCREWDRIVER"), m_link);
        const Form f = formOf(w, "cmdUpdate");
        showAndActivate(w);
        chooseGlass(f.glass, QStringLiteral("Highball Glass"));
        retype(f.amounts.at(0), QStringLiteral("1 1/2 oz"));
        retype(f.ingredients.at(1), QStringLiteral("fresh orange juice"));
        typeText(f.amounts.at(5), QStringLiteral("1 dash"));
        typeText(f.ingredients.at(5), QStringLiteral("grenadine"));
        retype(f.description, QStringLiteral("Build."));
        QTest::mouseClick(f.save, Qt::LeftButton);
        const qint64 id = drinkId(QStringLiteral("SCREWDRIVER"));
        QCOMPARE(recipeLines(id), (QStringList{QStringLiteral("1 1/2 oz|Vodka"), QStringLiteral("Fill with|Fresh Orange Juice"),
                                               QStringLiteral("1 dash|Grenadine")}));
        QCOMPARE(drinkColumn(id, "GlassType").toInt(), GetGlassTypeID(QStringLiteral("Highball Glass")));
        QCOMPARE(Lib::DecodeText(drinkColumn(id, "Description")), QStringLiteral("Build."));
    }

    void modifyRefusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");

        QTest::newRow("blank name") << "txtName" << "  " << "Drink Name" << "Please Enter Drink Name" << "txtName";
        QTest::newRow("name of another drink") << "txtName" << "gimlet" << "Repeated drink name"
                                               << "Drink Name already choosen, Please select another" << "txtName";
        QTest::newRow("amount without ingredient") << "cmbIngredient2" << "" << "Ingredient" << "Please Enter Ingredient"
                                                   << "cmbIngredient2";
        QTest::newRow("blank description, No") << "txtDescription" << "" << "Empty Decription"
                                               << "Description Is Blank Do You Wish To Continue" << "cmdUpdate";
    }
    void modifyRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const QStringList before = dumpDatabase();
        frmModifyDrink w(nullptr, QStringLiteral("MARTINI"), m_link);
        showAndActivate(w);
        QWidget* box = w.findChild<QWidget*>(field);
        retype(box, text);
        MessageBox::setNextAnswer(title == QLatin1String("Empty Decription") ? QMessageBox::No : QMessageBox::Ok);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdUpdate")), Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(lastMessage().title, title);
        QCOMPARE(lastMessage().text, message);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QVERIFY(w.isVisible());
        QCOMPARE(dumpDatabase(), before);
        // The name box is not trimmed or upper-cased by a refused update.
        if (field == QLatin1String("txtName"))
            QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtName"))->text(), text);
    }

    void modifyFailureKeepsOldDrink_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("step");
        QTest::newRow("drink row refused")
            << QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Drinks BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")
            << QStringLiteral("Writing the drink \"MARTINI\"");
        QTest::newRow("second recipe line refused")
            << QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON DrinkInfo WHEN (SELECT COUNT(*) FROM DrinkInfo "
                              "WHERE DrinkID = NEW.DrinkID) = 1 BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")
            << QStringLiteral("Writing the recipe line \"1/2 oz Dry Vermouth\"");
        QTest::newRow("flags cannot be written")
            << QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON Drinks BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")
            << QStringLiteral("Working out which lists the drink belongs to");
        QTest::newRow("glass gone from the database")
            << QStringLiteral("DELETE FROM GlassTypes WHERE GlassType = 'Cocktail Glass'")
            << QStringLiteral("Looking up the glass");
    }
    void modifyFailureKeepsOldDrink()
    {
        QFETCH(QString, setup);
        QFETCH(QString, step);
        ExecuteSql(QStringLiteral("UPDATE Drinks SET Favorite = 1 WHERE Name = ?1"), {Lib::EncodeText(QStringLiteral("MARTINI"))});
        const qint64 oldId = drinkId(QStringLiteral("MARTINI"));
        frmModifyDrink w(nullptr, QStringLiteral("MARTINI"), m_link);
        const Form f = formOf(w, "cmdUpdate");
        showAndActivate(w);
        typeText(f.amounts.at(2), QStringLiteral("1"));
        typeText(f.ingredients.at(2), QStringLiteral("Olive Brine"));
        Database().exec(setup);
        const QStringList before = dumpDatabase();
        QTest::mouseClick(f.save, Qt::LeftButton);

        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(lastMessage().title, QStringLiteral("Modify Drink"));
        QVERIFY2(lastMessage().text.startsWith(QStringLiteral("The drink was not updated;")), qPrintable(lastMessage().text));
        QVERIFY2(lastMessage().text.contains(step), qPrintable(lastMessage().text));
        QVERIFY(lastMessage().text.contains(QStringLiteral("the stored drink is unchanged")));
        QVERIFY(w.isVisible());
        QCOMPARE(m_reloads, 0);
        QCOMPARE(dumpDatabase(), before);
        QCOMPARE(drinkId(QStringLiteral("MARTINI")), oldId);
        QCOMPARE(recipeLines(oldId), (QStringList{QStringLiteral("2 oz|Gin"), QStringLiteral("1/2 oz|Dry Vermouth")}));
        QCOMPARE(FindIngredientID(QStringLiteral("Olive Brine")), qint64(-1));
    }

    void modifyMoreThanTwelveLinesKeepsAll()
    {
        const qint64 id = 90;
        QStringList expected;
        const QStringList names = {QStringLiteral("Gin"), QStringLiteral("Vodka"), QStringLiteral("Lime Juice")};
        for (int i = 1; i <= 14; ++i) {
            const QString ingredient = names.at(i % 3);
            AddRecipeLine(id, GetIngredientIDByName(ingredient), QStringLiteral("%1 oz").arg(i));
            expected << QStringLiteral("%1 oz|%2").arg(i).arg(ingredient);
        }
        AddDrink(id, QStringLiteral("PUNCH"), 1, QStringLiteral("Mix."), {}, {}, {}, {}, {});

        frmModifyDrink w(nullptr, QStringLiteral("PUNCH"), m_link);
        const Form f = formOf(w, "cmdUpdate");
        QCOMPARE(w.HiddenLineCount(), qsizetype(2));
        QCOMPARE(f.amounts.at(11)->text(), QStringLiteral("12 oz"));
        showAndActivate(w);
        retype(f.amounts.at(0), QStringLiteral("1 1/2 oz"));
        QTest::mouseClick(f.save, Qt::LeftButton);
        expected[0] = QStringLiteral("1 1/2 oz|Vodka");
        QCOMPARE(recipeLines(drinkId(QStringLiteral("PUNCH"))), expected);

        // The menu command tells the user that the window shows only twelve of them.
        MessageBox::clearHistory();
        closeModalWhenShown();
        frmModifyDrink::Open(nullptr, QStringLiteral("PUNCH"), m_link);
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(lastMessage().text.contains(QStringLiteral("14 recipe lines")));
    }

    void modifyKeepsAndReportsLinesWithoutIngredient()
    {
        const qint64 id = drinkId(QStringLiteral("GIMLET"));
        ExecuteSql(QStringLiteral("UPDATE DrinkInfo SET IngID = 999 WHERE DrinkID = ?1 AND Amount = ?2"),
                   {id, Lib::EncodeText(QStringLiteral("2 oz"))});
        frmModifyDrink w(nullptr, QStringLiteral("GIMLET"), m_link);
        const Form f = formOf(w, "cmdUpdate");
        QCOMPARE(f.amounts.at(0)->text(), QStringLiteral("2 oz"));
        QCOMPARE(f.ingredients.at(0)->currentText(), QString());
        QCOMPARE(f.ingredients.at(1)->currentText(), QStringLiteral("Lime Juice"));
        QVERIFY(w.MissingIngredients().contains(QStringLiteral("no. 999")));
    }

    void modifyUnusualGlassIsShownAndKept()
    {
        ExecuteSql(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (77, 'Tiki Mug')"));
        ExecuteSql(QStringLiteral("UPDATE Drinks SET GlassType = 77 WHERE Name = ?1"), {Lib::EncodeText(QStringLiteral("GIMLET"))});
        frmModifyDrink w(nullptr, QStringLiteral("GIMLET"), m_link);
        const Form f = formOf(w, "cmdUpdate");
        QCOMPARE(f.glass->currentText(), QStringLiteral("Tiki Mug"));
        showAndActivate(w);
        QTest::mouseClick(f.save, Qt::LeftButton);
        QCOMPARE(drinkColumn(drinkId(QStringLiteral("GIMLET")), "GlassType").toInt(), 77);

        // A glass number the database does not know leaves the box empty; the check then asks for one.
        ExecuteSql(QStringLiteral("UPDATE Drinks SET GlassType = 999 WHERE Name = ?1"), {Lib::EncodeText(QStringLiteral("GIMLET"))});
        frmModifyDrink w2(nullptr, QStringLiteral("GIMLET"), m_link);
        QVERIFY(w2.IsLoaded());
        QCOMPARE(formOf(w2, "cmdUpdate").glass->currentText(), QString());
    }

    void modifyOpen_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing selected") << QStringLiteral("  ") << QString();
        QTest::newRow("name no drink has") << QStringLiteral("NO SUCH DRINK")
                                           << QStringLiteral("There is no drink named \"NO SUCH DRINK\" in the recipe database.");
    }
    void modifyOpen()
    {
        QFETCH(QString, selected);
        QFETCH(QString, message);
        const QStringList before = dumpDatabase();
        int redisplayed = 0;
        QStringList statuses;
        m_link.redisplaySelection = [&] { ++redisplayed; };
        m_link.showStatus = [&](const QString& s) { statuses << s; };
        frmModifyDrink::Open(nullptr, selected, m_link);
        QCOMPARE(redisplayed, 1);
        if (message.isEmpty()) {
            QVERIFY(MessageBox::history().isEmpty());
            QVERIFY(statuses.isEmpty());
        } else {
            QCOMPARE(MessageBox::history().size(), 1);
            QCOMPARE(lastMessage().text, message);
            QCOMPARE(statuses.value(0), QStringLiteral("Loading Please Wait....."));
            QCOMPARE(statuses.value(statuses.size() - 1), QString());
        }
        QCOMPARE(dumpDatabase(), before);
    }

    // ---- Modify Ingredients ----------------------------------------------------------------

    void ingredientGrid()
    {
        ExecuteSql(QStringLiteral("INSERT INTO Ingredients (ID, Ingredient, NonAlcohol) VALUES (50, 'apricot brandy', 0), "
                                  "(51, 'Éclair Syrup', 1)"));
        frmModifyIngredients w(nullptr);
        auto* grid = w.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Modify Ingredients"));
        QCOMPARE(grid->columnCount(), 3);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Non-Alcoholic"));
        QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("ID"));
        QVERIFY(grid->isColumnHidden(2));
        QVERIFY(!grid->isColumnHidden(0) && !grid->isColumnHidden(1));
        QStringList rows;
        for (int r = 0; r < grid->rowCount(); ++r)
            rows << grid->item(r, 0)->text() + QLatin1Char('|') + grid->item(r, 1)->text();
        // Letter case does not count; an accented first letter sorts after the plain alphabet.
        QCOMPARE(rows, (QStringList{QStringLiteral("apricot brandy|No"), QStringLiteral("Dry Vermouth|No"),
                                    QStringLiteral("Gin|No"), QStringLiteral("Ginger Ale|Yes"),
                                    QStringLiteral("Grenadine|Yes"), QStringLiteral("Lime Juice|Yes"),
                                    QStringLiteral("Orange Juice|Yes"), QStringLiteral("Sugar Syrup|Yes"),
                                    QStringLiteral("Vodka|No"), QStringLiteral("Éclair Syrup|Yes")}));
        QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("50"));
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CommandDelete"))->isEnabled());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblIngredient"))->text(), QString());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LabelInstructions"))->text(),
                 QStringLiteral("In order to delete an ingredient it can not exist in any existing drink recipe.\n\n"
                                "Tip: Use Find (CTRL+F) feature to find drinks that contain a particular ingredient."));

        ExecuteSql(QStringLiteral("DELETE FROM DrinkInfo"));
        ExecuteSql(QStringLiteral("DELETE FROM Ingredients"));
        frmModifyIngredients empty(nullptr);
        QCOMPARE(empty.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"))->rowCount(), 0);
    }

    void ingredientSelectionEnablesDelete_data()
    {
        QTest::addColumn<QString>("ingredient");
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<bool>("deletable");
        QTest::addColumn<QString>("mark");
        QTest::newRow("used, mouse") << QStringLiteral("Gin") << false << false << QStringLiteral("No");
        QTest::newRow("unused, mouse") << QStringLiteral("Sugar Syrup") << false << true << QStringLiteral("Yes");
        QTest::newRow("used, keyboard") << QStringLiteral("Lime Juice") << true << false << QStringLiteral("Yes");
        QTest::newRow("unused, keyboard") << QStringLiteral("Grenadine") << true << true << QStringLiteral("Yes");
    }
    void ingredientSelectionEnablesDelete()
    {
        QFETCH(QString, ingredient);
        QFETCH(bool, byKeyboard);
        QFETCH(bool, deletable);
        QFETCH(QString, mark);
        frmModifyIngredients w(nullptr);
        auto* grid = w.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        showAndActivate(w);
        const int row = grid->findItems(ingredient, Qt::MatchExactly).value(0)->row();
        if (byKeyboard) {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
            for (int i = 0; i < row; ++i)
                QTest::keyClick(grid, Qt::Key_Down);
        } else {
            grid->scrollToItem(grid->item(row, 0));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 0)).center());
        }
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblIngredient"))->text(), ingredient);
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtID"))->text(),
                 QString::number(FindIngredientID(ingredient)));
        QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("ComboNonAlcoholic"))->currentText(), mark);
        QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("CommandDelete"))->isEnabled(), deletable);
    }

    void ingredientUpdate_data()
    {
        QTest::addColumn<QString>("ingredient");
        QTest::addColumn<QString>("typed"); // empty: pick the item from the list
        QTest::addColumn<QString>("pick");
        QTest::addColumn<int>("stored");    // -1: refused
        QTest::newRow("Yes chosen") << QStringLiteral("Gin") << QString() << QStringLiteral("Yes") << 1;
        QTest::newRow("No chosen") << QStringLiteral("Lime Juice") << QString() << QStringLiteral("No") << 0;
        QTest::newRow("same mark again") << QStringLiteral("Lime Juice") << QString() << QStringLiteral("Yes") << 1;
        QTest::newRow("typed yes") << QStringLiteral("Vodka") << QStringLiteral("yes") << QString() << 1;
        QTest::newRow("typed nonsense refused") << QStringLiteral("Vodka") << QStringLiteral("maybe") << QString() << -1;
    }
    void ingredientUpdate()
    {
        QFETCH(QString, ingredient);
        QFETCH(QString, typed);
        QFETCH(QString, pick);
        QFETCH(int, stored);
        ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 1, NonAlcoholicUpdate = 1, "
                                  "CurrentStockNonAlcoholicUpdate = 1"));
        const QStringList before = dumpDatabase();
        frmModifyIngredients w(nullptr);
        auto* grid = w.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("ComboNonAlcoholic"));
        showAndActivate(w);
        const int row = grid->findItems(ingredient, Qt::MatchExactly).value(0)->row();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 1)).center());
        if (typed.isEmpty())
            combo->setCurrentIndex(combo->findText(pick));
        else
            retype(combo, typed);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CommandUpdate")), Qt::LeftButton);

        const qint64 id = FindIngredientID(ingredient);
        if (stored < 0) {
            QCOMPARE(lastMessage().title, QStringLiteral("Non-Alcoholic"));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo));
            QCOMPARE(dumpDatabase(), before);
            return;
        }
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(scalar(QStringLiteral("SELECT NonAlcohol FROM Ingredients WHERE ID = ?1"), {id}), qint64(stored));
        QCOMPARE(grid->item(row, 1)->text(), stored ? QStringLiteral("Yes") : QStringLiteral("No"));
        QCOMPARE(scalar(QStringLiteral("SELECT NonAlcoholicUpdate FROM Settings")), qint64(0));
        QCOMPARE(scalar(QStringLiteral("SELECT CurrentStockNonAlcoholicUpdate FROM Settings")), qint64(0));
        QCOMPARE(scalar(QStringLiteral("SELECT CurrentStockUpdate FROM Settings")), qint64(1));
    }

    void ingredientDelete()
    {
        frmModifyIngredients w(nullptr);
        auto* grid = w.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        auto* del = w.findChild<QPushButton*>(QStringLiteral("CommandDelete"));
        auto* update = w.findChild<QPushButton*>(QStringLiteral("CommandUpdate"));
        showAndActivate(w);
        // Nothing is in the edit area until a row is chosen, even with the grid focused, and
        // Update then does nothing.
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblIngredient"))->text(), QString());
        const QStringList untouched = dumpDatabase();
        w.findChild<QComboBox*>(QStringLiteral("ComboNonAlcoholic"))->setCurrentIndex(1);
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(dumpDatabase(), untouched);

        const int rows = grid->rowCount();
        const int row = grid->findItems(QStringLiteral("Grenadine"), Qt::MatchExactly).value(0)->row();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 0)).center());
        QVERIFY(del->isEnabled());
        QTest::mouseClick(del, Qt::LeftButton);

        QCOMPARE(FindIngredientID(QStringLiteral("Grenadine")), qint64(-1));
        QCOMPARE(grid->rowCount(), rows - 1);
        QVERIFY(grid->findItems(QStringLiteral("Grenadine"), Qt::MatchExactly).isEmpty());
        // The edit area is emptied and Delete cannot be pressed again on the row that moved up.
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblIngredient"))->text(), QString());
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtID"))->text(), QString());
        QVERIFY(!del->isEnabled());
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(grid->rowCount(), rows - 1);
        // Update with nothing selected does nothing either.
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void ingredientDeleteRefusedWhenUsedSinceSelection()
    {
        frmModifyIngredients w(nullptr);
        auto* grid = w.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        auto* del = w.findChild<QPushButton*>(QStringLiteral("CommandDelete"));
        showAndActivate(w);
        const int row = grid->findItems(QStringLiteral("Sugar Syrup"), Qt::MatchExactly).value(0)->row();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 0)).center());
        QVERIFY(del->isEnabled());
        AddRecipeLine(drinkId(QStringLiteral("GIMLET")), FindIngredientID(QStringLiteral("Sugar Syrup")), QStringLiteral("1 tsp"));
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(FindIngredientID(QStringLiteral("Sugar Syrup")) > 0);
        QCOMPARE(grid->item(row, 0)->text(), QStringLiteral("Sugar Syrup"));
        QVERIFY(!del->isEnabled());
    }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
