#include "TestSupport.h"

#include "core/store/ModuleRegistry.h"

#include <QSettings>
#include <QTest>

using namespace ModuleRegistry;

class TestPreferences : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;

    static QSettings raw() { return QSettings(QStringLiteral("Brimvale"), QStringLiteral("Tumblerix")); }

private Q_SLOTS:
    void init() { m_settings = std::make_unique<TestSettings>(); }
    void cleanup() { m_settings.reset(); }

    void firstStartWritesDefaultsInOrder()
    {
        QVERIFY(IsFirstStart());
        QVERIFY(!ReadRegistryValue(SaveDrinkListInExit).isValid());
        QCOMPARE(ReadText(SaveDrinkListSelection), QString());
        WriteFirstStartDefaults({15790320, 0, 16777215});
        QVERIFY(!IsFirstStart());
        const QList<QPair<QString, QString>> expected = {
            {SaveDrinkListInExit, QStringLiteral("0")}, {SaveDrinkListSelection, QStringLiteral("1")},
            {Background, QStringLiteral("16777215")},   {Button, QStringLiteral("15790320")},
            {Text, QStringLiteral("0")},                {TextListBox, QStringLiteral("16777215")},
            {Title, QStringLiteral("8388608")},
        };
        QSettings s = raw();
        QCOMPARE(s.allKeys().size(), expected.size());
        for (const auto& [name, value] : expected) {
            QCOMPARE(ReadText(name), value);
            // Kept as text, so any tool that reads the file sees the decimal digits.
            QCOMPARE(s.value(name).typeId(), QMetaType::QString);
        }
        // The submission and update values appear only when their windows first need them.
        QVERIFY(!ReadRegistryValue(NeverAsk).isValid());
        QVERIFY(!ReadRegistryValue(LastUpdate).isValid());
    }

    void numbersReadByConversion_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<qint64>("number");
        QTest::newRow("decimal text") << QVariant(QStringLiteral("8388608")) << true << qint64(8388608);
        QTest::newRow("blanks around") << QVariant(QStringLiteral(" 42 ")) << true << qint64(42);
        QTest::newRow("stored as a number") << QVariant(255) << true << qint64(255);
        QTest::newRow("not a number") << QVariant(QStringLiteral("blue")) << false << qint64(0);
        QTest::newRow("empty") << QVariant(QString()) << false << qint64(0);
    }
    void numbersReadByConversion()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, isNumber);
        QFETCH(qint64, number);
        raw().setValue(Title, stored);
        const std::optional<qint64> read = ReadNumber(Title);
        QCOMPARE(read.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*read, number);
    }

    void missingValueReadsEmpty()
    {
        QCOMPARE(ReadText(QStringLiteral("noSuchValue")), QString());
        QVERIFY(!ReadNumber(QStringLiteral("noSuchValue")).has_value());
    }

    void writtenValuesPersistAcrossInstances()
    {
        WriteRegistryValue(LastUpdate, QStringLiteral("12/6/26"));
        WriteRegistryValue(SaveDrinkListSelection, qint64(5));
        QSettings s = raw();
        s.sync();
        QCOMPARE(s.value(LastUpdate).toString(), QStringLiteral("12/6/26"));
        QCOMPARE(ReadNumber(SaveDrinkListSelection).value_or(0), 5);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
