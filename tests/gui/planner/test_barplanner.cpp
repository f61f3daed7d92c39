#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "gui/planner/frmBarPlanner.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

class TestBarPlanner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<frmMain> m_main;

    frmBarPlanner* openPlanner()
    {
        m_main->findChild<QAction*>(QStringLiteral("mnuBarPlanner"))->trigger();
        auto* planner = m_main->findChild<frmBarPlanner*>();
        if (!planner)
            qFatal("the planner did not open");
        return planner;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        MessageBox::setAutoAnswer(true);
        m_main = std::make_unique<frmMain>(m_folder->path());
        QVERIFY(m_main->Load());
        DBLib::SaveCurrentStock({QStringLiteral("Gin"), QStringLiteral("Tonic Water"), QStringLiteral("Vodka"),
                                 QStringLiteral("Orange Juice")},
                                true);
    }
    void cleanup()
    {
        m_main.reset();
        m_folder.reset();
        m_settings.reset();
    }

    void showsTheAnalysisAndOneInstance()
    {
        frmBarPlanner* planner = openPlanner();
        QCOMPARE(planner->windowTitle(), QStringLiteral("Bar Planner"));
        QVERIFY(!planner->isModal());
        QCOMPARE(openPlanner(), planner);
        auto* buyNext = child<QListWidget>(planner, "lstBuyNext");
        const Planner::Analysis a = planner->analysis();
        QVERIFY(!a.buyNext.isEmpty());
        QCOMPARE(buyNext->count(), a.buyNext.size());
        QCOMPARE(buyNext->item(0)->text(), QStringLiteral("%1 \u2014 %2 drinks").arg(a.buyNext.first().ingredient.name)
                                               .arg(a.buyNext.first().drinks));
        QCOMPARE(child<QListWidget>(planner, "lstBuySequence")->count(), a.sequence.size());
        // Choosing an ingredient lists the drinks it completes.
        buyNext->setCurrentRow(0);
        QCOMPARE(child<QListWidget>(planner, "lstUnlocked")->count(), a.buyNext.first().drinks);
        auto* tree = child<QTreeWidget>(planner, "treeOneMissing");
        QCOMPARE(tree->topLevelItemCount(), a.oneMissing.size());
        QCOMPARE(tree->topLevelItem(0)->childCount(), a.oneMissing.first().drinks.size());
        QCOMPARE(child<QTreeWidget>(planner, "treeTwoMissing")->topLevelItemCount(), a.twoMissing.size());
        // Non-alcoholic only: every drink listed is non-alcoholic.
        child<QCheckBox>(planner, "chkNonAlcoholic")->setChecked(true);
        QVERIFY(planner->analysis().oneMissing.size() < a.oneMissing.size());
    }

    void markInStockChangesTheStockAndTheViews()
    {
        // The stock view is shown; buying the top ingredient adds its drinks to it.
        m_main->findChild<QAction*>(QStringLiteral("mnuView_SearchDrinksAvailableWithCurrentStock"))->trigger();
        const int before = int(m_main->drinkListEntries().size());
        frmBarPlanner* planner = openPlanner();
        const Planner::BuyNext top = planner->analysis().buyNext.first();
        child<QListWidget>(planner, "lstBuyNext")->setCurrentRow(0);
        QTest::mouseClick(child<QPushButton>(planner, "cmdMarkInStock"), Qt::LeftButton);
        QVERIFY(DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true).contains(top.ingredient.name));
        QCOMPARE(int(m_main->drinkListEntries().size()), before + top.drinks);
        QVERIFY(planner->analysis().makeableNow > 0);
        QVERIFY(!planner->analysis().buyNext.isEmpty() && planner->analysis().buyNext.first().ingredient.id != top.ingredient.id);

        // Two Missing: a group puts both of its ingredients on the shopping list.
        planner->findChild<QTabWidget*>(QStringLiteral("tabPlanner"))->setCurrentIndex(2);
        auto* two = child<QTreeWidget>(planner, "treeTwoMissing");
        two->setCurrentItem(two->topLevelItem(0));
        const Planner::TwoMissing pair = planner->analysis().twoMissing.first();
        QTest::mouseClick(child<QPushButton>(planner, "cmdAddToShoppingList"), Qt::LeftButton);
        const QStringList shopping = DBLib::IngredientNamesOnList(DBLib::IngredientList::ShoppingList, true);
        QVERIFY(shopping.contains(pair.first.name) && shopping.contains(pair.second.name));
    }

    void openingADrinkShowsItInTheMainWindow()
    {
        m_main->findChild<QAction*>(QStringLiteral("mnuView_ShowFavorites"))->trigger();
        frmBarPlanner* planner = openPlanner();
        auto* tree = child<QTreeWidget>(planner, "treeOneMissing");
        QTreeWidgetItem* drink = tree->topLevelItem(0)->child(0);
        const QString name = planner->analysis().oneMissing.first().drinks.first().name.toString();
        Q_EMIT tree->itemActivated(drink, 0);
        QVERIFY(m_main->findChild<QAction*>(QStringLiteral("mnuView_ShowAllDrinks"))->isChecked());
        QCOMPARE(m_main->selectedDrinkName(), name);
    }

    void substitutesMenuFollowsThePreference()
    {
        auto* entry = m_main->findChild<QAction*>(QStringLiteral("mnuView_CountSubstitutes"));
        QVERIFY(entry->isCheckable() && !entry->isChecked());
        entry->trigger();
        QVERIFY(DBLib::CountSubstitutesAsStock());
        QVERIFY(!DBLib::IsViewCacheValid(DBLib::DrinkFlag::CurrentStock));
        frmMain again(m_folder->path());
        QVERIFY(again.Load());
        QVERIFY(again.findChild<QAction*>(QStringLiteral("mnuView_CountSubstitutes"))->isChecked());
    }
};

QTEST_MAIN(TestBarPlanner)
#include "test_barplanner.moc"
