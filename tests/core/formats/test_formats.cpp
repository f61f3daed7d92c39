#include "TestSupport.h"

#include "core/formats/Glasses.h"
#include "core/formats/Importer.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Formats;

namespace {

// A recipe of one Gin line, in the JSON form.
QByteArray gin(const char* name)
{
    return R"({"name":")" + QByteArray(name) + R"(","ingredients":[{"name":"Gin","amount":1}]})";
}

// A cocktail with the awkward characters a real collection has.
const QByteArray Tricky =
    "[\n"
    " {\"name\": \"Café \\\"No\\u00A0№ 5\\\" & Co 🍸\", \"instructions\": \"1. Shake < 10 s\\n2. Strain\",\n"
    "  \"glass\": \"Nick & Nora\", \"garnish\": \"Lemon twist\", \"method\": \"shake\",\n"
    "  \"ingredients\": [\n"
    "   {\"name\": \"Crème de Cassis\", \"amount\": 1, \"amount_max\": 2, \"units\": \"dashes\", \"strength\": 20, \"sort\": 2},\n"
    "   {\"name\": \"Gin\", \"amount\": \"45\", \"units\": \"ml\", \"strength\": 40, \"sort\": 1, \"optional\": true, \"note\": \"chilled\"},\n"
    "   {\"name\": \"Soda\", \"units\": \"top up\", \"strength\": 0, \"sort\": 3},\n"
    "   {\"name\": \"Mint\", \"amount\": 6, \"units\": \"leaves\", \"sort\": 4}\n"
    "  ]},\n"
    " {\"name\": \"No Ingredients\", \"ingredients\": []},\n"
    " {\"name\": \"Bad Amount\", \"ingredients\": [{\"name\": \"Gin\", \"amount\": \"lots\"}]},\n"
    " {\"instructions\": \"nameless\", \"ingredients\": [{\"name\": \"Gin\", \"amount\": 1}]},\n"
    " {\"name\": \"Blank Line\", \"ingredients\": [{\"name\": \"Gin\", \"amount\": 1}, {\"name\": \" \"}]}\n"
    "]\n";

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;

    QString put(const QString& name, const QByteArray& bytes) { return writeFile(m_folder->file(name), bytes); }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        DBLib::Database().exec(u"INSERT INTO GlassTypes (GlassID, GlassType) VALUES (4, 'Unknown Glass'), "
                               "(5, 'Coupette Glass'), (6, 'Highball Glass 2')"_s);
    }
    void cleanup() { m_folder.reset(); }

    void barAssistantMapping()
    {
        const ImportSummary s = Import({put(u"tricky.json"_s, Tricky)});
        QVERIFY(s.added() == 1 && s.files.first().refused.size() == 4);
        for (const QString& refused : {u"record 2: the recipe of No Ingredients has no ingredients"_s, u"record 3"_s,
                                       u"record 4: the recipe has no name"_s,
                                       u"record 5: ingredient 2 of Blank Line has no name"_s})
            QVERIFY2(s.text().contains(refused), qPrintable(s.text()));
        const QString name = u"CAFÉ \"NO\u00A0№ 5\" & CO 🍸"_s;
        const auto drink = DBLib::ReadDrink(name);
        QCOMPARE(drink.value_or(DBLib::Drink{}).glassName + u'|' + drink->description,
                 u"Cocktail Glass|1. Shake < 10 s\n2. Strain\nGarnish: Lemon twist"_s);
        // In the order of "sort"; ranges, notes and "optional" kept in the amount text.
        QCOMPARE(storedLines(name), (QStringList{u"45 ml (optional, chilled)|Gin"_s, u"1-2 dashes|Crème De Cassis"_s,
                                                 u"Top up|Soda"_s, u"6 leaves|Mint"_s}));
        // New ingredients take the strength, and are non-alcoholic when it is 0.
        QCOMPARE(s.ingredientsCreated(), 3);
        for (const DBLib::Ingredient& i : DBLib::IngredientCatalogue()) {
            if (i.name == QLatin1String("Crème De Cassis"))
                QCOMPARE(i.strength, std::optional<double>(20));
            if (i.name == QLatin1String("Soda"))
                QVERIFY(i.nonAlcoholic);
            if (i.name == QLatin1String("Mint"))
                QVERIFY(!i.strength && !i.nonAlcoholic);
        }
    }

    void glasses_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("glass");
        QTest::newRow("standard name") << u"collins glass"_s << u"Collins Glass"_s;
        QTest::newRow("coupe") << u"Coupe"_s << u"Coupette Glass"_s;
        QTest::newRow("rocks") << u"Double rocks"_s << u"Old Fashioned Glass"_s;
        QTest::newRow("red before wine") << u"Red wine glass"_s << u"Red Wine Glass"_s;
        QTest::newRow("word, not part") << u"Portland mug"_s << u"Beer Mug"_s;
        QTest::newRow("unknown") << u"Skull"_s << u"Unknown Glass"_s;
        QTest::newRow("none") << QString() << u"Unknown Glass"_s;
    }
    void glasses()
    {
        QFETCH(QString, given);
        QFETCH(QString, glass);
        QCOMPARE(NearestGlass(given), glass);
    }

    void csvMapping_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("comma, BOM, CRLF, repeated fields")
            << QByteArray("\xEF\xBB\xBF" "drink,glass,directions,amount,ingredient,non_alcoholic\r\n"
                          "Sour,Coupe,\"Shake, \"\"hard\"\"\nthen strain\",2 oz,Gin,no\r\n"
                          "Sour,Coupe,\"Shake, \"\"hard\"\"\nthen strain\",3/4 oz,Lime Juice,yes\r\n");
        QTest::newRow("semicolon, later fields empty")
            << QByteArray("drink;glass;directions;amount;ingredient;non_alcoholic\n"
                          "Sour;Coupe;\"Shake, \"\"hard\"\"\nthen strain\";2 oz;Gin;no\n"
                          ";;;3/4 oz;Lime Juice;yes\n");
    }
    void csvMapping()
    {
        QFETCH(QByteArray, csv);
        QCOMPARE(Import({put(u"sour.csv"_s, csv)}).added(), 1);
        const auto drink = DBLib::ReadDrink(u"SOUR"_s);
        QCOMPARE(drink.value_or(DBLib::Drink{}).glassName + u'|' + drink->description,
                 u"Coupette Glass|Shake, \"hard\"\nthen strain"_s);
        QCOMPARE(storedLines(u"SOUR"_s), (QStringList{u"2 oz|Gin"_s, u"3/4 oz|Lime Juice"_s}));
    }

    // The non_alcoholic column marks the ingredients an import creates; a value that is neither yes
    // nor no refuses that drink.
    void csvNonAlcoholicColumn()
    {
        const QStringList values{u"yes"_s, u"Y"_s, u"1"_s, u"TRUE"_s, u"no"_s, u"n"_s, u"0"_s, QString(), u"maybe"_s};
        QByteArray csv = "drink,glass,directions,amount,ingredient,non_alcoholic\n";
        for (qsizetype i = 0; i < values.size(); ++i)
            csv += u"Drink %1,,,1 oz,Mixer %1,%2\n"_s.arg(i).arg(values.at(i)).toUtf8();
        const ImportSummary s = Import({put(u"marks.csv"_s, csv)});
        QCOMPARE(s.added(), int(values.size()) - 1);
        QVERIFY(s.files.value(0).refused.size() == 1 && s.files.value(0).refused.constFirst().startsWith(u"line 10"_s));
        QStringList marked;
        for (const DBLib::Ingredient& i : DBLib::IngredientCatalogue()) {
            if (i.name.startsWith(u"Mixer"_s) && i.nonAlcoholic)
                marked << i.name;
        }
        QCOMPARE(marked, (QStringList{u"Mixer 0"_s, u"Mixer 1"_s, u"Mixer 2"_s, u"Mixer 3"_s}));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("malformed JSON") << "a.json" << QByteArray("[{\"name\": ") << "malformed";
        QTest::newRow("not UTF-8") << "b.csv" << QByteArray("drink,ingredient\nCaf\xE9,Gin\n") << "not UTF-8";
        QTest::newRow("CSV without header") << "c.csv" << QByteArray("Sour,Gin\n") << "must name the columns";
        QTest::newRow("unclosed quote") << "d.csv" << QByteArray("drink,ingredient\n\"Sour,Gin\n") << "never ends";
        QTest::newRow("malformed XML") << "e.xml" << QByteArray("<drinks><drink>") << "";
        QTest::newRow("empty array") << "f.json" << QByteArray("[]") << "no recipes";
        const QByteArray sour = "{\"name\": \"Sour\", \"ingredients\": [{\"name\": \"Gin\"}]}";
        QTest::newRow("JSON, trailing comma") << "g.json" << "[" + sour + ",]" << "missing after the comma";
        QTest::newRow("JSON, comma missing") << "h.json" << "[" + sour + " " + sour + "]" << "a comma or ] is missing";
        QTest::newRow("JSON, text after") << "i.json" << "[" + sour + "] x" << "text after the array";
        QTest::newRow("JSON, array never ends") << "j.json" << "[" + sour + "," + sour << "malformed";
        QTest::newRow("JSON, empty file") << "k.json" << QByteArray(" \n") << "empty";
        QTest::newRow("JSON, a value missing") << "l.json" << QByteArray("[,]") << "a value is missing";
        QTest::newRow("JSON, not UTF-8 in a name") << "m.json" << QByteArray("[{\"name\": \"Caf\xE9\"}]") << "not UTF-8";
    }
    void refusedFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const qint64 drinks = queryNumber("SELECT COUNT(*) FROM Drinks");
        const ImportSummary s = Import({put(file, bytes)});
        QVERIFY2(!s.files.first().error.isEmpty() && s.files.first().error.contains(reason), qPrintable(s.files.first().error));
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Drinks"), drinks);
    }

    // A document larger than the reader's piece of input: every record read, and a fault far in
    // named at its byte.
    void largeJsonReadInPieces()
    {
        QByteArray json = "\xEF\xBB\xBF[";
        const QByteArray filler(700, 'x');
        for (int i = 0; i < 3000; ++i) {
            json += (i ? ",\n" : "") + QByteArray("{\"name\": \"Drink ") + QByteArray::number(i) +
                    "\", \"instructions\": \"" + filler + "\", \"ingredients\": [{\"name\": \"Gin\"}]}";
        }
        json += "]";
        const ParsedFile good = ReadBarAssistantJson(json);
        QVERIFY2(good.error.isEmpty(), qPrintable(good.error));
        QCOMPARE(good.records.size(), 3000);
        QCOMPARE(good.records.last().entry.name, u"Drink 2999"_s);
        const qsizetype fault = json.lastIndexOf("\"ingredients\"") - 2; // the comma before it
        json[fault] = ';';
        const ParsedFile bad = ReadBarAssistantJson(json);
        QVERIFY2(bad.error.contains(u"malformed"_s), qPrintable(bad.error));
        // Counted after the byte order mark; the parser names the byte at the fault or the one after.
        const qint64 named = bad.error.section(u' ', -1).toLongLong();
        QVERIFY2(named == fault - 3 || named == fault - 2, qPrintable(bad.error));
        QVERIFY(bad.records.isEmpty());
    }

    void aFailureHalfwayKeepsNothingOfTheFile()
    {
        DBLib::Database().exec(u"CREATE TRIGGER fail BEFORE INSERT ON Drinks WHEN NEW.ID = 3 "
                               "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"_s);
        const QByteArray three = R"([{"name":"A","ingredients":[{"name":"New One","amount":1}]},)" + gin("B") + "," +
                                 gin("C") + "]";
        const ImportSummary s = Import({put(u"good.json"_s, gin("Good")), put(u"z.json"_s, three)});
        QCOMPARE(s.files.at(0).added, 1);
        QVERIFY2(s.files.at(1).error.contains(u"disk trouble"_s), qPrintable(s.text()));
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Drinks"), 1);
        QCOMPARE(DBLib::FindIngredientID(u"New One"_s), -1);
    }

    void cancelLeavesTheFileInProgressOut()
    {
        const QString a = put(u"a.json"_s, gin("First")), b = put(u"b.json"_s, "[" + gin("Second") + "," + gin("Third") + "]");
        const ImportSummary s = Import({a, b}, [](qint64 done, qint64 total) {
            Q_ASSERT(total == 3);
            return done < 2;
        });
        QVERIFY(s.cancelled);
        QCOMPARE(DBLib::AllDrinkNames(), QStringList{u"FIRST"_s});
    }

    void foldersAndDuplicates()
    {
        put(u"pack/pack-drink/data.json"_s, gin("Pack Drink"));
        put(u"pack/other/data.json"_s, R"({"recipe":{"name":"Split Layout","ingredients":[{"_id":"v","amount":1,"units":"oz"}]},
                                           "ingredients":[{"_id":"v","name":"Vodka","strength":40}]})");
        put(u"pack/readme.txt"_s, "not a recipe");
        QCOMPARE(Import({m_folder->file(u"pack"_s)}).added(), 2);
        QCOMPARE(storedLines(u"SPLIT LAYOUT"_s), QStringList{u"1 oz|Vodka"_s});
        const ImportSummary again = Import({m_folder->file(u"pack"_s)});
        QVERIFY(again.added() == 0 && again.duplicates() == 2);
    }

    void roundTrips_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("json") << int(Format::BarAssistantJson);
        QTest::newRow("csv") << int(Format::Csv);
        QTest::newRow("xml") << int(Format::ExchangeXml);
    }
    void roundTrips()
    {
        QFETCH(int, format);
        addTestDrink(u"Curly “Quotes” & <Co>"_s, {{"1 1/2 oz", "Gin"}, {"", "Lime Juice"}, {"2-3 dashes", "Grenadine"}});
        DBLib::Database().execute(u"UPDATE Drinks SET Description = ?1"_s, {Lib::EncodeText(u"Line one,\n\"two\"; é\u00A0ü"_s)});
        addTestDrink(u"Plain"_s, {{"2 oz", "Vodka"}});
        const auto before = [] {
            QStringList all;
            for (const QString& name : DBLib::AllDrinkNames()) {
                const auto d = DBLib::ReadDrink(name);
                all << d->name + u'|' + d->glassName + u'|' + d->description + u'|' + storedLines(name).join(u';');
            }
            return all;
        };
        const QStringList original = before();
        const QString path = m_folder->file(u"out."_s + DefaultExtension(Format(format)));
        QString error;
        QVERIFY2(Export(path, Format(format), {}, &error), qPrintable(error));
        TestDataFolder empty;
        empty.createSmallDatabase();
        QCOMPARE(Import({path}).added(), 2);
        QCOMPARE(before(), original);
    }

    void exportRefusesUnknownDrinksAndWritesNothing()
    {
        const QString path = m_folder->file(u"never.json"_s);
        QString error;
        QVERIFY(!Export(path, Format::BarAssistantJson, {u"NO SUCH DRINK"_s}, &error));
        QVERIFY(error.contains(u"NO SUCH DRINK"_s) && !QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "test_formats.moc"
