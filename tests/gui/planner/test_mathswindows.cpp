#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "gui/common/FileDialog.h"
#include "gui/common/InputDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/editing/frmModifyIngredients.h"
#include "gui/main/frmMain.h"
#include "gui/planner/frmPartyPlanner.h"
#include "gui/tools/frmBAL.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

// The drink maths where the user sees them: the recipe display, scaling, the blood alcohol
// calculator's drink, the ingredient editor's strength, the party planner.
class TestMathsWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;

    QStringList ingredientLines() { return listTexts(mainControl<QListWidget>(m_main, "lstIngredients")); }

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

    void recipeDisplayShowsTheFiguresAndScales()
    {
        m_main->selectDrinkNamed(QStringLiteral("MARGARITA"));
        // 1 1/2 oz tequila (40 %) + 1/2 oz triple sec + 1 oz lime juice + salt: 88.8 ml, about.
        const QString figures = mainControl<QLabel>(m_main, "lblMaths")->text();
        QVERIFY2(figures.startsWith(QStringLiteral("About 88.8 ml (3.0 oz)")), qPrintable(figures));
        QVERIFY(figures.contains(QStringLiteral("shaken")));
        InputDialog::setNextAnswer(4);
        m_main->findChild<QAction*>(QStringLiteral("mnuScaleRecipe"))->trigger();
        QCOMPARE(ingredientLines().first(), QStringLiteral("6 oz Tequila"));
        QCOMPARE(mainControl<QLabel>(m_main, "Label3")->text(), QStringLiteral("Ingredients (for 4)"));
        InputDialog::setNextAnswer(std::nullopt); // cancelled: stays as it is
        m_main->findChild<QAction*>(QStringLiteral("mnuScaleRecipe"))->trigger();
        QCOMPARE(ingredientLines().first(), QStringLiteral("6 oz Tequila"));
        // The same drink shown again after its editor was closed unsaved: still scaled.
        whileModal([&] { m_main->findChild<QAction*>(QStringLiteral("mnuModifyDrink"))->trigger(); });
        QCOMPARE(ingredientLines().first(), QStringLiteral("6 oz Tequila"));
        // Another drink is shown for one again.
        m_main->selectDrinkNamed(QStringLiteral("MOJITO"));
        m_main->selectDrinkNamed(QStringLiteral("MARGARITA"));
        QCOMPARE(ingredientLines().first(), QStringLiteral("1 1/2 oz Tequila"));
        QCOMPARE(mainControl<QLabel>(m_main, "Label3")->text(), QStringLiteral("Ingredients"));
    }

    void bloodAlcoholTakesTheSelectedDrink()
    {
        m_main->findChild<QAction*>(QStringLiteral("mnuBAL"))->trigger();
        auto* bal = m_main->findChild<frmBAL*>();
        QVERIFY(bal);
        child<QPushButton>(bal, "cmdUseDrink")->click(); // nothing selected yet
        QVERIFY(MessageBox::history().last().text.contains(QStringLiteral("Select a drink")));
        QCOMPARE(child<QLineEdit>(bal, "txtDrinks")->text(), QStringLiteral("1"));
        m_main->selectDrinkNamed(QStringLiteral("MARGARITA"));
        child<QPushButton>(bal, "cmdUseDrink")->click();
        // 1 1/2 oz at 40 % + 1/2 oz at 30 % = 22.19 ml ethanol = 17.5 g: 1.3 US standard drinks.
        QCOMPARE(child<QLineEdit>(bal, "txtDrinks")->text(), QStringLiteral("1.3"));
    }

    void ingredientEditorKeepsTheStrength()
    {
        frmModifyIngredients editor(m_main.get());
        auto* grid = child<QTableWidget>(&editor, "MSFlexGrid1");
        const auto selectIngredient = [&](const QString& name) {
            for (int row = 0; row < grid->rowCount(); ++row) {
                if (grid->item(row, 0)->text() == name)
                    grid->setCurrentCell(row, 0);
            }
        };
        selectIngredient(QStringLiteral("Gin"));
        auto* strength = child<QLineEdit>(&editor, "txtStrength");
        QCOMPARE(strength->text(), QStringLiteral("40"));
        for (const char* bad : {"101", "strong", "-1"}) {
            strength->setText(QString::fromLatin1(bad));
            child<QPushButton>(&editor, "CommandUpdate")->click();
            QCOMPARE(MessageBox::history().last().title, QStringLiteral("Strength"));
        }
        strength->setText(QStringLiteral("41,5"));
        child<QPushButton>(&editor, "CommandUpdate")->click();
        selectIngredient(QStringLiteral("Vodka"));
        QCOMPARE(strength->text(), QStringLiteral("40"));
        selectIngredient(QStringLiteral("Gin"));
        QCOMPARE(strength->text(), QStringLiteral("41.5"));
        const qint64 gin = DBLib::FindIngredientID(QStringLiteral("Gin"));
        for (const DBLib::Ingredient& i : DBLib::IngredientCatalogue()) {
            if (i.id == gin)
                QCOMPARE(i.strength, std::optional<double>(41.5));
        }
    }

    void partyPlanner()
    {
        m_main->findChild<QAction*>(QStringLiteral("mnuPartyPlanner"))->trigger();
        auto* party = m_main->findChild<frmPartyPlanner*>();
        QVERIFY(party);
        auto* drink = child<QComboBox>(party, "cmbPartyDrink");
        for (const char* name : {"margarita", "Gin and Tonic", "margarita", "Nothing Like It"}) {
            drink->setEditText(QString::fromLatin1(name));
            child<QPushButton>(party, "cmdPartyAdd")->click();
        }
        QVERIFY(MessageBox::history().last().text.contains(QStringLiteral("Nothing Like It")));
        auto* drinks = child<QTableWidget>(party, "lstPartyDrinks");
        QCOMPARE(drinks->rowCount(), 2);
        QCOMPARE(qobject_cast<QSpinBox*>(drinks->cellWidget(0, 1))->value(), 2); // added twice
        qobject_cast<QSpinBox*>(drinks->cellWidget(0, 1))->setValue(20);
        auto* totals = child<QTableWidget>(party, "gridPartyTotals");
        const auto row = [&](const QString& ingredient) {
            for (int r = 0; r < totals->rowCount(); ++r) {
                if (totals->item(r, 0)->text().startsWith(ingredient))
                    return r;
            }
            return -1;
        };
        // 20 x 1 1/2 oz tequila = 887.6 ml: two 750 ml bottles.
        const int tequila = row(QStringLiteral("Tequila"));
        QCOMPARE(totals->item(tequila, 1)->text(), QStringLiteral("888 ml"));
        QCOMPARE(totals->item(tequila, 2)->text(), QStringLiteral("2 \u00D7 750 ml"));
        QCOMPARE(totals->item(row(QStringLiteral("Salt")), 1)->text(), QStringLiteral("as needed"));

        // Nothing is in stock: every ingredient goes on the shopping list.
        child<QPushButton>(party, "cmdPartyShopping")->click();
        QCOMPARE(DBLib::IngredientNamesOnList(DBLib::IngredientList::ShoppingList, true).size(), totals->rowCount());

        // Saved and opened again.
        const QString path = m_folder->file(QStringLiteral("party"));
        FileDialog::setNextFileName(path);
        child<QPushButton>(party, "cmdPartySave")->click();
        party->setPlan({});
        QCOMPARE(drinks->rowCount(), 0);
        FileDialog::setNextFileName(path + QStringLiteral(".json"));
        child<QPushButton>(party, "cmdPartyOpen")->click();
        QCOMPARE(drinks->rowCount(), 2);
        QCOMPARE(party->plan().first().servings, 20);
    }
};

QTEST_MAIN(TestMathsWindows)
#include "test_mathswindows.moc"
