#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/common/MessageBox.h"
#include "core/store/DBLib.h"
#include "gui/tools/frmBAL.h"
#include "gui/tools/frmConversionCalc.h"
#include "gui/tools/frmMeasurement.h"
#include "gui/tools/frmSubs.h"
#include "gui/tools/frmTips.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

namespace {

// Clicks the first entry with that text, as a user would.
void clickEntry(QListWidget* list, const QString& text, int occurrence = 0)
{
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() > occurrence, qPrintable(text));
    QListWidgetItem* item = items.at(occurrence);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

const QString BobsBourbon = QStringLiteral("Bob's \"Best\" Bourbon");

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestDataFolder> m_data;
    TestSettings m_settings;

private Q_SLOTS:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearHistory();
        m_data = std::make_unique<TestDataFolder>();
        m_data->createEmptyDatabase();
        Sql::Connection& db = DBLib::Database();
        // Written directly so the names keep their exact spelling; Null means no group.
        const auto ingredient = [&db](int id, const QString& name, const QVariant& group) {
            db.execute(
                QStringLiteral("INSERT INTO Ingredients (ID, Ingredient, Substitute) VALUES (?1, ?2, ?3)"),
                {id, name, group});
        };
        ingredient(1, QStringLiteral("White Rum"), QStringLiteral("7"));
        ingredient(2, QStringLiteral("Water"), QVariant());
        ingredient(3, QStringLiteral("Light Rum"), QStringLiteral("7"));
        ingredient(4, QStringLiteral("Bourbon"), QStringLiteral("8"));
        ingredient(5, QStringLiteral("Absinthe"), QStringLiteral("9"));
        ingredient(6, QStringLiteral("Silver Rum"), QStringLiteral("7"));
        ingredient(7, QStringLiteral("rye whiskey"), QStringLiteral("8"));
        ingredient(8, BobsBourbon, QStringLiteral("8"));
        const auto tip = [&db](int id, const QString& title, const QString& text) {
            db.execute(QStringLiteral("INSERT INTO Tips (ID, Title, Description) VALUES (?1, ?2, ?3)"),
                       {id, title, text});
        };
        tip(3, QStringLiteral("Zest"), QStringLiteral("Twist over the glass."));
        tip(1, QStringLiteral("Ice"), QStringLiteral("Use plenty of ice."));
        tip(4, QStringLiteral("Say \"When\""), QStringLiteral("Ask before topping up."));
        tip(2, QStringLiteral("Ice"), QStringLiteral("A second tip under the same title."));
    }
    void cleanup()
    {
        m_data.reset();
        MessageBox::setAutoAnswer(false);
    }

    void substitutesListIsAlphabeticalAndOnlyGrouped()
    {
        frmSubs window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Ingredient Substitutes"));
        auto* list = child<QListWidget>(&window, "List1");
        const QStringList expected = {QStringLiteral("Absinthe"),    BobsBourbon,
                                      QStringLiteral("Bourbon"),     QStringLiteral("Light Rum"),
                                      QStringLiteral("rye whiskey"), QStringLiteral("Silver Rum"),
                                      QStringLiteral("White Rum")};
        QCOMPARE(listTexts(list), expected);
        QVERIFY(child<QPlainTextEdit>(&window, "txtDescription")->toPlainText().isEmpty());
    }

    void substitutesOfClickedIngredient_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("shown");
        QTest::newRow("three-member group")
            << QStringLiteral("White Rum") << QStringLiteral("Light Rum\nSilver Rum\n");
        QTest::newRow("name with quotes") << BobsBourbon << QStringLiteral("Bourbon\nrye whiskey\n");
        QTest::newRow("others include quotes")
            << QStringLiteral("Bourbon") << QStringLiteral("rye whiskey\n") + BobsBourbon + QLatin1Char('\n');
        QTest::newRow("alone in its group") << QStringLiteral("Absinthe") << QString();
    }
    void substitutesOfClickedIngredient()
    {
        QFETCH(QString, clicked);
        QFETCH(QString, shown);
        frmSubs window;
        window.show();
        auto* list = child<QListWidget>(&window, "List1");
        auto* text = child<QPlainTextEdit>(&window, "txtDescription");
        // A previous click's result must not linger.
        clickEntry(list, QStringLiteral("Light Rum"));
        QVERIFY(!text->toPlainText().isEmpty());
        clickEntry(list, clicked);
        QCOMPARE(text->toPlainText(), shown);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void substitutesFollowTheKeyboard()
    {
        frmSubs window;
        window.show();
        auto* list = child<QListWidget>(&window, "List1");
        clickEntry(list, QStringLiteral("Light Rum"));
        QTest::keyClick(list, Qt::Key_Down); // rye whiskey
        QCOMPARE(child<QPlainTextEdit>(&window, "txtDescription")->toPlainText(),
                 QStringLiteral("Bourbon\n") + BobsBourbon + QLatin1Char('\n'));
    }

    void listsFilledOncePerOpening()
    {
        frmSubs subs;
        frmTips tips;
        for (QWidget* w : std::initializer_list<QWidget*>{&subs, &tips}) {
            w->show();
            auto* list = child<QListWidget>(w, "List1");
            const int count = list->count();
            QVERIFY(count > 0);
            // Leaving for another window and coming back.
            w->hide();
            w->show();
            QApplication::setActiveWindow(w);
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(w, &activate);
            QCOMPARE(list->count(), count);
        }
    }

    void tipsInIdOrder()
    {
        frmTips window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Bartending Tips"));
        const QStringList expected = {QStringLiteral("Ice"), QStringLiteral("Ice"), QStringLiteral("Zest"),
                                      QStringLiteral("Say \"When\"")};
        QCOMPARE(listTexts(child<QListWidget>(&window, "List1")), expected);
    }

    void tipText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << QStringLiteral("Zest") << 0 << QStringLiteral("Twist over the glass.");
        QTest::newRow("title with quotes")
            << QStringLiteral("Say \"When\"") << 0 << QStringLiteral("Ask before topping up.");
        // A title stored twice shows the first stored tip's text for either entry.
        QTest::newRow("duplicate title, second entry")
            << QStringLiteral("Ice") << 1 << QStringLiteral("Use plenty of ice.");
    }
    void tipText()
    {
        QFETCH(QString, title);
        QFETCH(int, occurrence);
        QFETCH(QString, shown);
        frmTips window;
        window.show();
        clickEntry(child<QListWidget>(&window, "List1"), title, occurrence);
        QCOMPARE(child<QPlainTextEdit>(&window, "txtDescription")->toPlainText(), shown);
    }

    void balOpensWithItsStartingContents()
    {
        frmBAL window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Calculate Blood Alcohol Level"));
        QCOMPARE(child<QLineEdit>(&window, "txtWeight")->text(), QStringLiteral("90"));
        QCOMPARE(child<QLineEdit>(&window, "txtDrinks")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>(&window, "txtHours")->text(), QStringLiteral("1"));
        QCOMPARE(child<QComboBox>(&window, "cmbSex")->currentText(), QStringLiteral("Female"));
        QVERIFY(child<QLineEdit>(&window, "txtBAL")->text().isEmpty());
        QVERIFY(child<QLabel>(&window, "lblDescription")->text().isEmpty());
        auto* bar = child<QScrollBar>(&window, "VScroll1");
        QCOMPARE(bar->minimum(), 90);
        QCOMPARE(bar->maximum(), 350);
        QCOMPARE(bar->value(), 90);
        QCOMPARE(child<QLabel>(&window, "Label7")->text(),
                 QStringLiteral("This should be used only as an estimate.  If you drink, don\u2019t drive."));
    }

    void balCalculatesAndGrades()
    {
        frmBAL window;
        window.show();
        auto* weight = child<QLineEdit>(&window, "txtWeight");
        auto* drinks = child<QLineEdit>(&window, "txtDrinks");
        auto* bal = child<QLineEdit>(&window, "txtBAL");
        auto* description = child<QLabel>(&window, "lblDescription");
        auto* calculate = child<QPushButton>(&window, "cmdCalculate");

        // The scroll bar steps the weight by 5 and leaves the result alone.
        auto* bar = child<QScrollBar>(&window, "VScroll1");
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(weight->text(), QStringLiteral("95"));
        QVERIFY(bal->text().isEmpty());

        weight->clear();
        QTest::keyClicks(weight, QStringLiteral("180"));
        drinks->clear();
        QTest::keyClicks(drinks, QStringLiteral("3"));
        calculate->click();
        QCOMPARE(bal->text(), QStringLiteral("0.093")); // "Female" as the window opens
        QCOMPARE(description->text(),
                 QStringLiteral("Legally drunk, deterioration of reaction time and control."));

        auto* sex = child<QComboBox>(&window, "cmbSex");
        sex->setCurrentIndex(sex->findText(QStringLiteral("Male")));
        calculate->click();
        QCOMPARE(bal->text(), QStringLiteral("0.072"));
        QCOMPARE(description->text(), QStringLiteral("Slight mood changes"));

        bar->setValue(200);
        QCOMPARE(bal->text(), QStringLiteral("0.072"));

        // Below 0.02 the description stays as it was.
        weight->setText(QStringLiteral("180"));
        drinks->setText(QStringLiteral("1"));
        calculate->click();
        QCOMPARE(bal->text(), QStringLiteral("0.016"));
        QCOMPARE(description->text(), QStringLiteral("Slight mood changes"));

        child<QLineEdit>(&window, "txtHours")->setText(QStringLiteral("10"));
        calculate->click();
        QCOMPARE(bal->text(), QStringLiteral("0.0000"));
        QCOMPARE(description->text(), QStringLiteral("You are completely sober"));
        QVERIFY(MessageBox::history().isEmpty());
    }

    void balRefusesInput_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("weight zero") << QStringLiteral("txtWeight") << QStringLiteral("0");
        QTest::newRow("weight not a number") << QStringLiteral("txtWeight") << QStringLiteral("heavy");
        QTest::newRow("drinks not a number") << QStringLiteral("txtDrinks") << QStringLiteral("3 beers");
        QTest::newRow("hours empty") << QStringLiteral("txtHours") << QString();
    }
    void balRefusesInput()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        frmBAL window;
        window.show();
        auto* calculate = child<QPushButton>(&window, "cmdCalculate");
        calculate->click(); // a result to be cleared
        QVERIFY(!child<QLineEdit>(&window, "txtBAL")->text().isEmpty());

        auto* box = child<QLineEdit>(&window, qPrintable(field));
        box->setText(text);
        calculate->click();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history().first().title, QStringLiteral("Invalid Input"));
        QVERIFY(child<QLineEdit>(&window, "txtBAL")->text().isEmpty());
        QVERIFY(child<QLabel>(&window, "lblDescription")->text().isEmpty());
        QCOMPARE(window.focusWidget(), box);
    }

    void conversionOpensAndConverts()
    {
        frmConversionCalc window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Conversion Calculator"));
        auto* in = child<QLineEdit>(&window, "txtIn");
        auto* out = child<QLineEdit>(&window, "txtOut");
        auto* from = child<QComboBox>(&window, "cmbIn");
        auto* to = child<QComboBox>(&window, "cmbOut");
        auto* convert = child<QPushButton>(&window, "cmdConvert");
        QCOMPARE(in->text(), QStringLiteral("750"));
        QCOMPARE(from->currentText(), QStringLiteral("Milliliter"));
        QCOMPARE(to->currentText(), QStringLiteral("Ounce"));
        QCOMPARE(from->count(), 22);
        QCOMPARE(to->count(), 22);
        QVERIFY(out->text().isEmpty());

        convert->click();
        QCOMPARE(out->text(), QStringLiteral("25.35"));

        from->setCurrentIndex(from->findText(QStringLiteral("Dash")));
        to->setCurrentIndex(to->findText(QStringLiteral("Teaspoon")));
        in->setText(QStringLiteral("1"));
        QTest::keyClick(in, Qt::Key_Return); // the default button
        QCOMPARE(out->text(), QStringLiteral("0.188"));

        // An empty quantity leaves the result as it was.
        in->clear();
        convert->click();
        QCOMPARE(out->text(), QStringLiteral("0.188"));
        QVERIFY(MessageBox::history().isEmpty());
    }

    void conversionRefusesNonNumbers()
    {
        frmConversionCalc window;
        window.show();
        auto* in = child<QLineEdit>(&window, "txtIn");
        auto* out = child<QLineEdit>(&window, "txtOut");
        child<QPushButton>(&window, "cmdConvert")->click();
        in->setText(QStringLiteral("7 5 0"));
        child<QPushButton>(&window, "cmdConvert")->click();
        QCOMPARE(MessageBox::history().size(), 1);
        const MessageBox::Shown& shown = MessageBox::history().first();
        QCOMPARE(shown.title, QStringLiteral("Invalid Input"));
        QCOMPARE(shown.text, QStringLiteral("Non-numeric character entered"));
        QCOMPARE(shown.buttons, MessageBox::Buttons(QMessageBox::Ok | QMessageBox::Cancel));
        QVERIFY(in->text().isEmpty());
        QCOMPARE(window.focusWidget(), in);
        QCOMPARE(out->text(), QStringLiteral("25.35"));
    }

    void conversionRefusesUnknownUnit()
    {
        frmConversionCalc window;
        window.show();
        auto* to = child<QComboBox>(&window, "cmbOut");
        to->lineEdit()->clear();
        QTest::keyClicks(to->lineEdit(), QStringLiteral("Bucket"));
        child<QPushButton>(&window, "cmdConvert")->click();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::history().first().title, QStringLiteral("Invalid Input"));
        QVERIFY(child<QLineEdit>(&window, "txtOut")->text().isEmpty());
        QCOMPARE(to->count(), 22); // typing never adds a unit
        QCOMPARE(window.focusWidget(), to);
    }

    void measurementChart()
    {
        frmMeasurement window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Measurement Chart"));
        auto* grid = child<QTableWidget>(&window, "MSFlexGrid1");
        QCOMPARE(grid->rowCount(), 21);
        QCOMPARE(grid->columnCount(), 3);
        QVERIFY(grid->horizontalHeaderItem(0)->text().isEmpty());
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Standard"));
        QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Metric"));
        const auto row = [grid](int r) {
            return QStringList{grid->item(r, 0)->text(), grid->item(r, 1)->text(), grid->item(r, 2)->text()};
        };
        QCOMPARE(row(0),
                 (QStringList{QStringLiteral("Dash"), QStringLiteral("1/32 oz"), QStringLiteral(".9 ml")}));
        QCOMPARE(row(7), (QStringList{QStringLiteral("Quarter cup"), QStringLiteral("2 oz"),
                                      QStringLiteral("59.2 ml")}));
        QCOMPARE(row(16), (QStringList{QStringLiteral("Imperial Quart"), QStringLiteral("38.4 oz"),
                                       QStringLiteral("1.137 liter")}));
        QCOMPARE(row(20), (QStringList{QStringLiteral("Gallon"), QStringLiteral("128 oz"),
                                       QStringLiteral("3.789 liter")}));
        // Nothing in the chart can be edited.
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(grid->columnWidth(0), qRound(2000.0 / 1440.0 * grid->logicalDpiX()));
    }
};

QTEST_MAIN(TestTools)
#include "test_tools.moc"
