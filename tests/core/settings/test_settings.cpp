#include "TestSupport.h"

#include "core/exchange/OnlineSettings.h"
#include "core/settings/Preferences.h"
#include "core/store/DerivedFlags.h"
#include "core/store/ModuleRegistry.h"

#include <QTest>

using namespace Preferences;

class TestSettings_ : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validation_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("grams");
        QTest::addColumn<int>("field"); // -1: valid
        using F = Problem::Field;
        QTest::newRow("defaults") << QStringLiteral("http://127.0.0.1:8080") << QStringLiteral("Brimvale") << 30 << 14 << -1;
        QTest::newRow("https, no port") << QStringLiteral("https://drinks.example") << QStringLiteral("B") << 300 << 8 << -1;
        QTest::newRow("no scheme means http") << QStringLiteral("drinks.example:81") << QStringLiteral("B") << 1 << 10 << -1;
        QTest::newRow("ftp") << QStringLiteral("ftp://drinks.example") << QStringLiteral("B") << 30 << 14 << int(F::ServiceAddress);
        QTest::newRow("no host") << QStringLiteral("http://") << QStringLiteral("B") << 30 << 14 << int(F::ServiceAddress);
        QTest::newRow("blank company") << QStringLiteral("http://a.example") << QStringLiteral("  ") << 30 << 14 << int(F::CompanyName);
        QTest::newRow("timeout 0") << QStringLiteral("http://a.example") << QStringLiteral("B") << 0 << 14 << int(F::Timeout);
        QTest::newRow("timeout 301") << QStringLiteral("http://a.example") << QStringLiteral("B") << 301 << 14 << int(F::Timeout);
        QTest::newRow("12 g") << QStringLiteral("http://a.example") << QStringLiteral("B") << 30 << 12 << int(F::StandardDrink);
    }
    void validation()
    {
        QFETCH(QString, address);
        QFETCH(QString, company);
        QFETCH(int, timeout);
        QFETCH(int, grams);
        QFETCH(int, field);
        Values v;
        v.serviceAddress = address;
        v.companyName = company;
        v.supportAddress = QStringLiteral("help@example.org");
        v.timeoutSeconds = timeout;
        v.standardDrinkGrams = grams;
        const std::optional<Problem> problem = Validate(v);
        QCOMPARE(problem ? int(problem->field) : -1, field);
        if (problem)
            QVERIFY(!problem->message.isEmpty());
    }

    void savedValuesComeBack()
    {
        TestSettings settings;
        TestDataFolder folder;
        folder.createSmallDatabase();
        Values v = Load();
        QCOMPARE(v.serviceAddress, OnlineSettings::DefaultServiceAddress);
        QCOMPARE(v.standardDrinkGrams, 14);
        QVERIFY(!v.ouncesFirst && !v.countSubstitutes);
        DBLib::DrinksAvailableWithCurrentStock();
        v.serviceAddress = QStringLiteral("  https://bar.example:8443 ");
        v.timeoutSeconds = 12;
        v.ouncesFirst = true;
        v.standardDrinkGrams = 8;
        v.countSubstitutes = true;
        Save(v);
        const Values back = Load();
        QCOMPARE(back.serviceAddress, QStringLiteral("https://bar.example:8443"));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 12000);
        QVERIFY(back.ouncesFirst);
        QCOMPARE(back.standardDrinkGrams, 8);
        QVERIFY(back.countSubstitutes);
        QVERIFY(!DBLib::IsViewCacheValid(DBLib::DrinkFlag::CurrentStock));
        // Invalid values are never written.
        v.timeoutSeconds = 0;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Save(v));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 12000);
    }
};

QTEST_GUILESS_MAIN(TestSettings_)
#include "test_settings.moc"
