#include "TestSupport.h"

#include "core/exchange/OnlineSettings.h"
#include "core/settings/Preferences.h"
#include "core/store/DerivedFlags.h"
#include "core/store/ModuleRegistry.h"

#include <QTest>

using namespace Preferences;
using namespace Qt::StringLiterals;

class TestSettings_ : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The addresses themselves are read by OnlineSettings::ParseServiceAddress (test_exchange).
    void validation_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("grams");
        QTest::addColumn<int>("field"); // -1: valid
        using F = Problem::Field;
        const struct
        {
            const char *name, *address, *company;
            int timeout, grams, field;
        } rows[] = {{"defaults", "http://127.0.0.1:8080", "Brimvale", 30, 14, -1},
                    {"longest timeout, 8 g", "https://drinks.example", "B", 300, 8, -1},
                    {"shortest timeout, 10 g", "drinks.example:81", "B", 1, 10, -1},
                    {"ftp", "ftp://drinks.example", "B", 30, 14, int(F::ServiceAddress)},
                    {"blank company", "http://a.example", "  ", 30, 14, int(F::CompanyName)},
                    {"timeout 0", "http://a.example", "B", 0, 14, int(F::Timeout)},
                    {"timeout 301", "http://a.example", "B", 301, 14, int(F::Timeout)},
                    {"12 g", "http://a.example", "B", 30, 12, int(F::StandardDrink)}};
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.address) << QString::fromLatin1(r.company) << r.timeout << r.grams
                                  << r.field;
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
        v.supportAddress = u"help@example.org"_s;
        v.timeoutSeconds = timeout;
        v.standardDrinkGrams = grams;
        const std::optional<Problem> problem = Validate(v);
        QCOMPARE(problem ? int(problem->field) : -1, field);
        QVERIFY(!problem || !problem->message.isEmpty());
        // Valid but for a blank support address.
        v.supportAddress = u" "_s;
        QVERIFY(field >= 0 || (Validate(v) && Validate(v)->field == Problem::Field::SupportAddress));
    }

    void savedValuesComeBack()
    {
        TestSettings settings;
        TestDataFolder folder;
        folder.createSmallDatabase();
        Values v = Load();
        QCOMPARE(v.serviceAddress, OnlineSettings::DefaultServiceAddress);
        QVERIFY(v.standardDrinkGrams == 14 && !v.ouncesFirst && !v.countSubstitutes);
        DBLib::DrinksAvailableWithCurrentStock();
        v.serviceAddress = u"  https://bar.example:8443 "_s;
        v.timeoutSeconds = 12;
        v.ouncesFirst = true;
        v.standardDrinkGrams = 8;
        v.countSubstitutes = true;
        Save(v);
        const Values back = Load();
        QCOMPARE(back.serviceAddress, u"https://bar.example:8443"_s);
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 12000);
        QVERIFY(back.ouncesFirst && back.standardDrinkGrams == 8 && back.countSubstitutes);
        QVERIFY(!DBLib::IsViewCacheValid(DBLib::DrinkFlag::CurrentStock));
        // Invalid values are never written.
        v.timeoutSeconds = 0;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Save(v));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 12000);
    }
};

QTEST_GUILESS_MAIN(TestSettings_)
#include "test_settings.moc"
