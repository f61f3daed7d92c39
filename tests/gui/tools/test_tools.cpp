#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/common/MessageBox.h"
#include "gui/tools/frmBAL.h"
#include "gui/tools/frmConversionCalc.h"
#include "gui/tools/frmMeasurement.h"
#include "core/maths/Amount.h"
#include "gui/tools/frmSubs.h"
#include "gui/tools/frmTips.h"

#include <QtWidgets>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestTools : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_data;

private Q_SLOTS:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearHistory();
        m_data = std::make_unique<TestDataFolder>();
        m_data->createEmptyDatabase();
        Sql::Connection& db = DBLib::Database();
        const QString ingredient = u"INSERT INTO Ingredients (ID, Ingredient, Substitute) VALUES (?1, ?2, ?3)"_s;
        db.execute(ingredient, {1, u"White Rum"_s, u"7"_s});
        db.execute(ingredient, {2, u"Water"_s, QVariant()}); // in no substitute group
        db.execute(ingredient, {3, u"Light Rum"_s, u"7"_s});
        db.execute(ingredient, {4, u"Absinthe"_s, u"9"_s});
        const QString tip = u"INSERT INTO Tips (ID, Title, Description) VALUES (?1, ?2, ?3)"_s;
        db.execute(tip, {2, u"Zest"_s, u"Twist over the glass."_s});
        db.execute(tip, {1, u"Ice"_s, u"Use plenty of ice."_s});
    }
    void cleanup() { MessageBox::setAutoAnswer(false); }

    // A selected entry shows its text (the last answer goes); the list is filled once per opening.
    void listWindows()
    {
        frmSubs subs;
        frmTips tips;
        const std::pair<QDialog*, QStringList> windows[] = {
            {&subs, {u"Absinthe"_s, u"Light Rum"_s, u"White Rum"_s, u"Light Rum\n"_s, u"White Rum\n"_s, QString()}},
            {&tips, {u"Ice"_s, u"Zest"_s, u"Twist over the glass."_s, u"Use plenty of ice."_s}}};
        for (const auto& [window, expected] : windows) {
            window->show();
            auto* list = child<QListWidget>(window, "List1");
            QStringList seen = listTexts(list);
            for (int row = list->count() - 1; row >= 0; --row) {
                list->setCurrentRow(row);
                seen << child<QPlainTextEdit>(window, "txtDescription")->toPlainText();
            }
            QCOMPARE(seen, expected);
            window->hide();
            window->show();
            QCOMPARE(list->count(), int(expected.size()) / 2);
        }
    }

    void balCalculates()
    {
        frmBAL window;
        window.show();
        auto* weight = child<QLineEdit>(&window, "txtWeight");
        auto* bal = child<QLineEdit>(&window, "txtBAL");
        auto* description = child<QLabel>(&window, "lblDescription");
        // Opens on 90 lb, 1 drink, 1 hour, female; Enter calculates.
        QTest::keyClick(weight, Qt::Key_Return);
        QCOMPARE(bal->text(), u"0.058"_s);
        QCOMPARE(description->text(), u"Slight mood changes"_s);
        weight->setText(u"180"_s);
        auto* sex = child<QComboBox>(&window, "cmbSex");
        sex->setCurrentIndex(sex->findText(u"Male"_s));
        child<QPushButton>(&window, "cmdCalculate")->click();
        QCOMPARE(bal->text(), u"0.016"_s);
        QCOMPARE(description->text(), u"Slight mood changes"_s); // below 0.02 the text stays

        // Refused input: a message, no result left behind, the focus on the culprit.
        for (const char* field : {"txtWeight", "txtDrinks", "txtHours"}) {
            child<QPushButton>(&window, "cmdCalculate")->click();
            QVERIFY(!bal->text().isEmpty());
            const QString before = child<QLineEdit>(&window, field)->text();
            child<QLineEdit>(&window, field)->setText(u"x"_s);
            child<QPushButton>(&window, "cmdCalculate")->click();
            QVERIFY(bal->text().isEmpty() && description->text().isEmpty());
            QCOMPARE(window.focusWidget()->objectName(), QLatin1String(field));
            child<QLineEdit>(&window, field)->setText(before);
        }
        QCOMPARE(MessageBox::history().size(), 3);
    }

    // Enter converts; a refused quantity is cleared, an unknown unit not added; the focus goes there.
    void conversion()
    {
        frmConversionCalc window;
        window.show();
        auto* in = child<QLineEdit>(&window, "txtIn");
        auto* out = child<QLineEdit>(&window, "txtOut");
        auto* to = child<QComboBox>(&window, "cmbOut");
        QTest::keyClick(in, Qt::Key_Return);
        QCOMPARE(out->text(), u"25.35"_s);
        to->setCurrentIndex(to->findText(u"Liter"_s));
        child<QPushButton>(&window, "cmdConvert")->click();
        QCOMPARE(out->text(), u"0.75"_s);

        in->setText(u"7 5 0"_s);
        child<QPushButton>(&window, "cmdConvert")->click();
        QCOMPARE(window.focusWidget(), in);
        QVERIFY(in->text().isEmpty());
        for (const char* unit : {"cmbOut", "cmbIn"}) {
            in->setText(u"1"_s);
            child<QComboBox>(&window, unit)->setEditText(u"Bucket"_s);
            child<QPushButton>(&window, "cmdConvert")->click();
            QCOMPARE(window.focusWidget()->objectName(), QLatin1String(unit));
            QCOMPARE(child<QComboBox>(&window, unit)->count(), 22);
        }
        QCOMPARE(MessageBox::history().size(), 3);
        QCOMPARE(out->text(), u"0.75"_s);
    }

    // Each row's millilitres are its ounces at the calculator's 29.57 ml to the ounce, as loosely as
    // the chart rounds (within 4 %, or the last digit shown).
    void measurementChartAgreesWithItself()
    {
        frmMeasurement window;
        auto* grid = child<QTableWidget>(&window, "MSFlexGrid1");
        for (int row = 0; row < grid->rowCount(); ++row) {
            const Maths::Amount ounces = Maths::ParseAmount(grid->item(row, 1)->text());
            const Maths::Amount ml = Maths::ParseAmount(grid->item(row, 2)->text().replace(u"liter"_s, u"l"_s));
            QVERIFY2(ounces.hasVolume() && ml.hasVolume(), qPrintable(grid->item(row, 0)->text()));
            QVERIFY2(qAbs(ounces.millilitres() - ml.millilitres()) <= qMax(0.04 * ml.millilitres(), 0.05),
                     qPrintable(grid->item(row, 0)->text() + u": "_s + grid->item(row, 2)->text()));
        }
    }

    void measurementChartFillsTheWindow()
    {
        frmMeasurement window;
        window.show();
        auto* grid = child<QTableWidget>(&window, "MSFlexGrid1");
        window.resize(window.width() + 300, window.height());
        QTRY_COMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
    }
};

QTEST_MAIN(TestTools)
#include "test_tools.moc"
