#include "TestSupport.h"
#include "WidgetTestSupport.h"

#include "gui/common/MessageBox.h"
#include "gui/stock/frmCurrentStock.h"
#include "gui/stock/frmShoppingList.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// The small database has these in stock; every window here opens with them on its list.
const QStringList InStock = {u"Dry Vermouth"_s, u"Gin"_s, u"Ginger Ale"_s, u"Lime Juice"_s, u"Orange Juice"_s};
const QStringList Everything = {u"Dry Vermouth"_s, u"Gin"_s, u"Ginger Ale"_s, u"Grenadine"_s,
                                u"Lime Juice"_s, u"Orange Juice"_s, u"Sugar Syrup"_s, u"Vodka"_s};

QStringList stored(bool stock)
{
    const QString sql = u"SELECT group_concat(Ingredient, '|') FROM (SELECT Ingredient FROM Ingredients "
                        "WHERE %1 = 1 ORDER BY Ingredient)"_s.arg(stock ? u"CurrentStock"_s : u"ShoppingList"_s);
    const QString names = DBLib::Database().scalar(sql).toString();
    return names.isEmpty() ? QStringList() : names.split(u'|');
}

QString chosen(const QListWidget* list)
{
    return list->selectedItems().isEmpty() ? QString() : list->selectedItems().constFirst()->text();
}

void click(QListWidget* list, const QString& text, bool twice = false)
{
    const QPoint at = list->visualItemRect(list->findItems(text, Qt::MatchExactly).value(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestStock : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<IngredientListEditor> m_w;
    QListWidget* lstList = nullptr;
    QListWidget* lstStock = nullptr;

    void open(bool stock)
    {
        m_w.reset(stock ? static_cast<IngredientListEditor*>(new frmCurrentStock) : new frmShoppingList);
        m_w->show();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        lstList = child<QListWidget>(m_w.get(), "lstList");
        lstStock = child<QListWidget>(m_w.get(), "lstStock");
    }
    QPushButton* button(const char* name) { return child<QPushButton>(m_w.get(), name); }
    void bothWindows()
    {
        QTest::addColumn<bool>("stock");
        QTest::newRow("current stock") << true;
        QTest::newRow("shopping list") << false;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        DBLib::ExecuteSql(u"UPDATE Ingredients SET ShoppingList = CurrentStock"_s);
        DBLib::ExecuteSql(u"UPDATE Settings SET CurrentStockUpdate = 1"_s);
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        m_w.reset();
        MessageBox::clearHistory();
        m_folder.reset();
        m_settings.reset();
    }

    void opening_data() { bothWindows(); }
    void opening()
    {
        QFETCH(bool, stock);
        // Each window reads its own list.
        DBLib::ExecuteSql(u"UPDATE Ingredients SET ShoppingList = (Ingredient = 'Vodka')"_s);
        open(stock);
        const QStringList on = stock ? InStock : QStringList{u"Vodka"_s};
        QStringList off = Everything;
        off.removeIf([&](const QString& name) { return on.contains(name); });
        QCOMPARE(listTexts(lstStock), on);
        QCOMPARE(listTexts(lstList), off);
        QCOMPARE(chosen(lstList), off.first());
        QCOMPARE(chosen(lstStock), on.first());
        QVERIFY(!m_w->isChanged());
        // Both start at the list of what can be added, so typing and Enter work at once.
        QCOMPARE(QApplication::focusWidget()->objectName(), u"lstList"_s);
    }

    void moving_data() { bothWindows(); }
    void moving()
    {
        QFETCH(bool, stock);
        open(stock);
        // The left list's first entry, chosen at opening, goes just after the right list's choice.
        click(lstStock, u"Gin"_s);
        button("cmdAdd")->click();
        QCOMPARE(listTexts(lstStock), (QStringList{u"Dry Vermouth"_s, u"Gin"_s, u"Grenadine"_s, u"Ginger Ale"_s,
                                                   u"Lime Juice"_s, u"Orange Juice"_s}));
        QCOMPARE(listTexts(lstList), (QStringList{u"Sugar Syrup"_s, u"Vodka"_s}));
        QVERIFY(lstList->selectedItems().isEmpty() && m_w->isChanged());
        button("cmdAdd")->click(); // nothing chosen on the left
        QCOMPARE(lstStock->count(), 6);
        // Back to the left at its place by name; nothing stays chosen on the right.
        click(lstStock, u"Dry Vermouth"_s);
        button("cmdRemove")->click();
        QCOMPARE(listTexts(lstList), (QStringList{u"Dry Vermouth"_s, u"Sugar Syrup"_s, u"Vodka"_s}));
        button("cmdRemove")->click();
        QCOMPARE(lstStock->count(), 5);
        // A double-click moves too: to the top when nothing is chosen on the right, back to the end by name.
        click(lstList, u"Vodka"_s, true);
        QCOMPARE(lstStock->item(0)->text(), u"Vodka"_s);
        click(lstStock, u"Vodka"_s, true);
        QCOMPARE(listTexts(lstList), (QStringList{u"Dry Vermouth"_s, u"Sugar Syrup"_s, u"Vodka"_s}));
    }

    void finishing_data()
    {
        QTest::addColumn<bool>("stock");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("key"); // 0: the button named by "change"
        QTest::addColumn<QStringList>("after");
        QStringList withoutGin = InStock;
        withoutGin.removeOne(u"Gin"_s);
        QTest::newRow("stock: remove, save") << true << u"cmdRemove"_s << 0 << withoutGin;
        QTest::newRow("stock: Enter without a change") << true << QString() << int(Qt::Key_Return) << InStock;
        QTest::newRow("stock: clear, save") << true << u"cmdClearList"_s << 0 << QStringList();
        QTest::newRow("stock: clear, Escape") << true << u"cmdClearList"_s << int(Qt::Key_Escape) << InStock;
        QTest::newRow("shopping: remove, save") << false << u"cmdRemove"_s << 0 << withoutGin;
        QTest::newRow("shopping: Enter without a change") << false << QString() << int(Qt::Key_Return) << InStock;
    }
    void finishing()
    {
        QFETCH(bool, stock);
        QFETCH(QString, change);
        QFETCH(int, key);
        QFETCH(QStringList, after);
        open(stock);
        click(lstStock, u"Gin"_s);
        if (!change.isEmpty())
            button(change.toLatin1().constData())->click();
        if (change == u"cmdClearList"_s)
            QVERIFY(lstStock->count() == 0 && listTexts(lstList) == Everything);
        QCOMPARE(m_w->isChanged(), !change.isEmpty());
        if (key)
            QTest::keyClick(lstList, Qt::Key(key));
        else
            button("cmdSave")->click();
        QVERIFY(!m_w->isVisible());
        QCOMPARE(stored(stock), after);
        QCOMPARE(stored(!stock), InStock);
        // A changed and saved stock makes the lists of makeable drinks stale.
        const bool staled = stock && !change.isEmpty() && key != Qt::Key_Escape;
        QCOMPARE(DBLib::Database().scalar(u"SELECT CurrentStockUpdate FROM Settings"_s).toInt(), staled ? 0 : 1);
    }

    void unreadableListCannotBeSaved()
    {
        // Saving what could not be read would take every ingredient off the list.
        DBLib::ExecuteSql(u"ALTER TABLE Ingredients RENAME TO Spare"_s);
        open(true);
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(lstStock->count() == 0 && !button("cmdSave")->isEnabled());
    }

};

QTEST_MAIN(TestStock)
#include "test_stock.moc"
