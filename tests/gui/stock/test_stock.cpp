#include "TestSupport.h"
#include "gui/common/MessageBox.h"
#include "gui/printing/PrintService.h"
#include "gui/stock/frmCurrentStock.h"
#include "gui/stock/frmShoppingList.h"
#include "core/store/DBLib.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Kind
{
    Stock,
    Shopping
};

std::unique_ptr<IngredientListEditor> openWindow(Kind kind)
{
    std::unique_ptr<IngredientListEditor> w;
    if (kind == Kind::Stock)
        w = std::make_unique<frmCurrentStock>();
    else
        w = std::make_unique<frmShoppingList>();
    w->show();
    return w;
}

QString column(Kind kind)
{
    return kind == Kind::Stock ? u"CurrentStock"_s : u"ShoppingList"_s;
}

QStringList onListInDatabase(Kind kind)
{
    QStringList names;
    DBLib::Snapshot s = DBLib::OpenSnapshot(
        u"SELECT Ingredient FROM Ingredients WHERE %1 = 1 ORDER BY Ingredient"_s.arg(column(kind)));
    for (; !s.atEnd(); s.moveNext())
        names << s.field(0).toString();
    return names;
}

QList<int> settingsFlags()
{
    DBLib::Snapshot s = DBLib::OpenSnapshot(QStringLiteral(
        "SELECT CurrentStockUpdate, NonAlcoholicUpdate, CurrentStockNonAlcoholicUpdate FROM Settings"));
    return {s.field(0).toInt(), s.field(1).toInt(), s.field(2).toInt()};
}

void setAllFlagsValid()
{
    DBLib::ExecuteSql(QStringLiteral("UPDATE Settings SET CurrentStockUpdate = 1, NonAlcoholicUpdate = 1, "
                                     "CurrentStockNonAlcoholicUpdate = 1"));
}

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QString selectedText(const QListWidget* list)
{
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

QListWidgetItem* itemNamed(QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void clickItem(QListWidget* list, const QString& text)
{
    QListWidgetItem* item = itemNamed(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void doubleClickItem(QListWidget* list, const QString& text)
{
    QListWidgetItem* item = itemNamed(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The small database's stock: in stock Dry Vermouth, Gin, Ginger Ale, Lime Juice, Orange Juice;
// not in stock Grenadine, Sugar Syrup, Vodka. Nothing is on the shopping list.
const QStringList InStock = {u"Dry Vermouth"_s, u"Gin"_s, u"Ginger Ale"_s, u"Lime Juice"_s,
                             u"Orange Juice"_s};
const QStringList NotInStock = {u"Grenadine"_s, u"Sugar Syrup"_s, u"Vodka"_s};
const QStringList Everything = {u"Dry Vermouth"_s, u"Gin"_s,          u"Ginger Ale"_s,  u"Grenadine"_s,
                                u"Lime Juice"_s,   u"Orange Juice"_s, u"Sugar Syrup"_s, u"Vodka"_s};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestStock : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<IngredientListEditor> m_window;
    QListWidget* lstList = nullptr;
    QListWidget* lstStock = nullptr;

    QPushButton* button(const char* name) { return m_window->findChild<QPushButton*>(QLatin1String(name)); }

    void open(Kind kind)
    {
        m_window = openWindow(kind);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        lstList = m_window->findChild<QListWidget*>(u"lstList"_s);
        lstStock = m_window->findChild<QListWidget*>(u"lstStock"_s);
        QVERIFY(lstList && lstStock);
    }

    void addKindRows()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("current stock") << Kind::Stock;
        QTest::newRow("shopping list") << Kind::Shopping;
    }

    // Puts the shopping list in the same state as the stock, so both windows open alike.
    void mirrorStockToShopping()
    {
        DBLib::ExecuteSql(u"UPDATE Ingredients SET ShoppingList = CurrentStock"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
    }
    void cleanup()
    {
        m_window.reset();
        Printing::PrintService::setDialogHook({});
        MessageBox::setAutoAnswer(false);
        m_folder.reset();
        m_settings.reset();
    }

    void controls_data() { addKindRows(); }
    void controls()
    {
        QFETCH(Kind, kind);
        open(kind);
        const bool stock = kind == Kind::Stock;
        QCOMPARE(m_window->windowTitle(), stock ? u"Current Stock"_s : u"Shopping List"_s);
        QCOMPARE(m_window->findChild<QLabel*>(u"Label1"_s)->text(), u"Ingredients"_s);
        QCOMPARE(m_window->findChild<QLabel*>(u"Label2"_s)->text(),
                 stock ? u"Ingredients in Stock:"_s : u"Ingredients in Shopping List"_s);
        QCOMPARE(button("cmdAdd")->text(), u"----->"_s);
        QCOMPARE(button("cmdRemove")->text(), u"<-----"_s);
        QCOMPARE(button("cmdSave")->text(), u"&Save"_s);
        QCOMPARE(button("cmdCancel")->text(), u"Cancel"_s);
        QCOMPARE(button("cmdPrintList")->text(), u"Print List"_s);
        QCOMPARE(button("cmdClearList")->text(), u"Clear List"_s);
        QCOMPARE(button("cmdAdd")->toolTip(), stock ? u"Add to Stock"_s : QString());
        QCOMPARE(button("cmdRemove")->toolTip(), stock ? u"Remove from Stock"_s : QString());
        // Enter saves unless another button has the focus.
        lstList->setFocus();
        QVERIFY(button("cmdSave")->isDefault());
        QVERIFY(!button("cmdCancel")->isDefault());

        const QStringList expectedOrder =
            stock ? QStringList{u"lstList"_s, u"lstStock"_s,  u"cmdAdd"_s,       u"cmdRemove"_s,
                                u"cmdSave"_s, u"cmdCancel"_s, u"cmdPrintList"_s, u"cmdClearList"_s}
                  : QStringList{u"cmdClearList"_s, u"cmdPrintList"_s, u"cmdCancel"_s, u"cmdSave"_s,
                                u"cmdRemove"_s,    u"cmdAdd"_s,       u"lstStock"_s,  u"lstList"_s};
        QStringList order;
        QWidget* w = m_window->findChild<QWidget*>(expectedOrder.first());
        for (int i = 0; i < expectedOrder.size(); ++i) {
            order << w->objectName();
            do {
                w = w->nextInFocusChain();
            } while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty());
        }
        QCOMPARE(order, expectedOrder);

        // Left list first, arrows between, the button rows under the right list.
        QVERIFY(lstList->geometry().right() < button("cmdAdd")->geometry().left());
        QVERIFY(button("cmdAdd")->geometry().right() < lstStock->geometry().left());
        QVERIFY(button("cmdSave")->geometry().top() > button("cmdPrintList")->geometry().bottom());
    }

    void opening_data() { addKindRows(); }
    void opening()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        open(kind);
        QCOMPARE(texts(lstStock), InStock);
        QCOMPARE(texts(lstList), NotInStock);
        QCOMPARE(selectedText(lstList), u"Grenadine"_s);
        QCOMPARE(selectedText(lstStock), u"Dry Vermouth"_s);
        QVERIFY(!m_window->isChanged());
    }

    void emptyCatalogue_data() { addKindRows(); }
    void emptyCatalogue()
    {
        QFETCH(Kind, kind);
        m_folder.reset();
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createEmptyDatabase();
        open(kind);
        QCOMPARE(lstList->count(), 0);
        QCOMPARE(lstStock->count(), 0);
        button("cmdAdd")->click();
        button("cmdRemove")->click();
        QVERIFY(!m_window->isChanged());
    }

    void movingRight_data() { addKindRows(); }
    void movingRight()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        open(kind);
        // Just after the right list's selected entry, not at its alphabetical place.
        clickItem(lstStock, u"Gin"_s);
        clickItem(lstList, u"Vodka"_s);
        button("cmdAdd")->click();
        QCOMPARE(texts(lstStock), (QStringList{u"Dry Vermouth"_s, u"Gin"_s, u"Vodka"_s, u"Ginger Ale"_s,
                                               u"Lime Juice"_s, u"Orange Juice"_s}));
        QCOMPARE(texts(lstList), (QStringList{u"Grenadine"_s, u"Sugar Syrup"_s}));
        QVERIFY(lstList->selectedItems().isEmpty());
        QCOMPARE(selectedText(lstStock), u"Gin"_s);
        QVERIFY(m_window->isChanged());

        // Without a selection on the left the arrow does nothing.
        button("cmdAdd")->click();
        QCOMPARE(lstList->count(), 2);

        // With nothing selected on the right the entry goes to the top; double-click moves too.
        lstStock->setCurrentRow(-1);
        lstStock->clearSelection();
        doubleClickItem(lstList, u"Sugar Syrup"_s);
        QCOMPARE(lstStock->item(0)->text(), u"Sugar Syrup"_s);
        QCOMPARE(texts(lstList), QStringList{u"Grenadine"_s});
    }

    void movingLeft_data() { addKindRows(); }
    void movingLeft()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        open(kind);
        clickItem(lstStock, u"Lime Juice"_s);
        button("cmdRemove")->click();
        QCOMPARE(texts(lstList),
                 (QStringList{u"Grenadine"_s, u"Lime Juice"_s, u"Sugar Syrup"_s, u"Vodka"_s}));
        QVERIFY(lstStock->selectedItems().isEmpty());
        QVERIFY(m_window->isChanged());
        doubleClickItem(lstStock, u"Dry Vermouth"_s);
        QCOMPARE(lstList->item(0)->text(), u"Dry Vermouth"_s);
        QCOMPARE(texts(lstStock), (QStringList{u"Gin"_s, u"Ginger Ale"_s, u"Orange Juice"_s}));
        button("cmdRemove")->click(); // nothing selected: nothing happens
        QCOMPARE(lstStock->count(), 3);
    }

    void blankEntriesNeverMove()
    {
        DBLib::ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient) VALUES (60, '   ')"_s);
        open(Kind::Stock);
        QCOMPARE(lstList->item(0)->text(), u"   "_s);
        lstList->setCurrentRow(0);
        button("cmdAdd")->click();
        QCOMPARE(lstList->item(0)->text(), u"   "_s);
        QCOMPARE(lstStock->count(), InStock.size());
        QVERIFY(!m_window->isChanged());
    }

    void saveWritesTheRightList_data() { addKindRows(); }
    void saveWritesTheRightList()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        setAllFlagsValid();
        open(kind);
        clickItem(lstList, u"Vodka"_s);
        button("cmdAdd")->click();
        clickItem(lstStock, u"Gin"_s);
        button("cmdRemove")->click();
        button("cmdSave")->click();
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Accepted));
        QCOMPARE(onListInDatabase(kind), (QStringList{u"Dry Vermouth"_s, u"Ginger Ale"_s, u"Lime Juice"_s,
                                                      u"Orange Juice"_s, u"Vodka"_s}));
        // Only a changed stock makes the makeable-drink views stale; the other column is untouched.
        if (kind == Kind::Stock) {
            QCOMPARE(settingsFlags(), (QList<int>{0, 1, 0}));
        } else {
            QCOMPARE(settingsFlags(), (QList<int>{1, 1, 1}));
        }
        const Kind other = kind == Kind::Stock ? Kind::Shopping : Kind::Stock;
        QCOMPARE(onListInDatabase(other), InStock);
    }

    void saveWithoutMoving_data() { addKindRows(); }
    void saveWithoutMoving()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        setAllFlagsValid();
        open(kind);
        lstList->setFocus();
        QTest::keyClick(lstList, Qt::Key_Return); // Enter is Save
        QVERIFY(!m_window->isVisible());
        QCOMPARE(onListInDatabase(kind), InStock);
        QCOMPARE(settingsFlags(), (QList<int>{1, 1, 1}));
    }

    void clearList_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("save");
        QTest::newRow("stock, then Cancel") << Kind::Stock << false;
        QTest::newRow("stock, then Save") << Kind::Stock << true;
        QTest::newRow("shopping, then Cancel") << Kind::Shopping << false;
        QTest::newRow("shopping, then Save") << Kind::Shopping << true;
    }
    void clearList()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, save);
        mirrorStockToShopping();
        setAllFlagsValid();
        open(kind);
        button("cmdClearList")->click();
        QCOMPARE(lstStock->count(), 0);
        QCOMPARE(texts(lstList), Everything);
        QVERIFY(m_window->isChanged());
        button(save ? "cmdSave" : "cmdCancel")->click();
        QVERIFY(!m_window->isVisible());

        const Kind other = kind == Kind::Stock ? Kind::Shopping : Kind::Stock;
        QCOMPARE(onListInDatabase(kind), save ? QStringList() : InStock);
        QCOMPARE(onListInDatabase(other), InStock);
        if (save && kind == Kind::Stock)
            QCOMPARE(settingsFlags(), (QList<int>{0, 1, 0}));
        else
            QCOMPARE(settingsFlags(), (QList<int>{1, 1, 1}));
    }

    void escapeAndCloseBoxCancel_data() { addKindRows(); }
    void escapeAndCloseBoxCancel()
    {
        QFETCH(Kind, kind);
        mirrorStockToShopping();
        open(kind);
        clickItem(lstStock, u"Gin"_s);
        button("cmdRemove")->click();
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Rejected));
        QCOMPARE(onListInDatabase(kind), InStock);

        open(kind);
        button("cmdClearList")->click();
        m_window->close();
        QCOMPARE(onListInDatabase(kind), InStock);
    }

    void shoppingListFromElsewhere()
    {
        DBLib::ExecuteSql(u"UPDATE Ingredients SET ShoppingList = 1 WHERE Ingredient = 'Vodka'"_s);
        open(Kind::Shopping);
        QCOMPARE(texts(lstStock), QStringList{u"Vodka"_s});
        QCOMPARE(lstList->count(), Everything.size() - 1);
    }

    void quotesAndUnicode_data() { addKindRows(); }
    void quotesAndUnicode()
    {
        QFETCH(Kind, kind);
        const QString quoted = u"Baileys \"Irish\" Cream"_s;
        const QString accented = u"Crème de Cassis"_s;
        const QString apostrophe = u"Pimm's No. 1"_s;
        DBLib::ExecuteSql(u"INSERT INTO Ingredients (ID, Ingredient) VALUES (61, ?1), (62, ?2), (63, ?3)"_s,
                          {quoted, accented, apostrophe});
        open(kind);
        for (const QString& name : {quoted, accented, apostrophe}) {
            clickItem(lstList, name);
            button("cmdAdd")->click();
        }
        button("cmdSave")->click();
        QVERIFY(onListInDatabase(kind).contains(quoted));
        QVERIFY(onListInDatabase(kind).contains(accented));
        QVERIFY(onListInDatabase(kind).contains(apostrophe));
    }

    void saveFailureRollsBack()
    {
        setAllFlagsValid();
        // The engine refuses one entry half-way through the save.
        DBLib::Database().exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE UPDATE OF CurrentStock ON Ingredients WHEN NEW.Ingredient = "
            "'Vodka' "
            "AND NEW.CurrentStock = 1 BEGIN SELECT RAISE(ABORT, 'refused for the test'); END"));
        open(Kind::Stock);
        clickItem(lstList, u"Vodka"_s);
        button("cmdAdd")->click();
        button("cmdSave")->click();
        QVERIFY(m_window->isVisible());
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(MessageBox::history().first().text.contains(u"refused for the test"_s));
        QCOMPARE(onListInDatabase(Kind::Stock), InStock);
        QCOMPARE(settingsFlags(), (QList<int>{1, 1, 1}));
        // The window is still usable: take Vodka back out and save.
        clickItem(lstStock, u"Vodka"_s);
        button("cmdRemove")->click();
        button("cmdSave")->click();
        QVERIFY(!m_window->isVisible());
        QCOMPARE(settingsFlags(), (QList<int>{0, 1, 0}));
    }

    void printList_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("current stock") << Kind::Stock << u"Current Stock List"_s;
        QTest::newRow("shopping list") << Kind::Shopping << u"Shopping List"_s;
    }
    void printList()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, title);
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
            QFAIL("pdftotext (Debian package poppler-utils) is needed to read the printed PDF file.");
        mirrorStockToShopping();
        open(kind);
        // The right list as shown, in its order, including an entry placed out of order.
        lstStock->setCurrentRow(-1);
        lstStock->clearSelection();
        clickItem(lstList, u"Vodka"_s);
        button("cmdAdd")->click();
        const QString pdf = m_folder->file(u"list.pdf"_s);
        int asked = 0;
        Printing::PrintService::setDialogHook([&](QPrinter& printer) {
            ++asked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        button("cmdPrintList")->click();
        QCOMPARE(asked, 1);
        QProcess p;
        p.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(p.waitForFinished(30000));
        QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        for (QString& l : lines)
            l = l.trimmed();
        lines.removeAll(QString());
        QStringList expected = QStringList{title, u"Vodka"_s} + InStock;
        QCOMPARE(lines.mid(0, expected.size()), expected);
        QVERIFY(m_window->isVisible());
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(onListInDatabase(kind), InStock); // printing writes nothing
    }
};

QTEST_MAIN(TestStock)
#include "test_stock.moc"
