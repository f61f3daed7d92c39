#include "TestSupport.h"

#include "core/formats/Glasses.h"
#include "core/formats/Importer.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Formats;

namespace {

QString write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

QStringList lines(const QString& drink)
{
    QStringList out;
    const std::optional<DBLib::Drink> stored = DBLib::ReadDrink(drink);
    for (const DBLib::RecipeLine& l : stored->lines)
        out << l.amount + QLatin1Char('|') + l.ingredient;
    return out;
}

qint64 count(const char* sql)
{
    return DBLib::Database().scalar(QString::fromLatin1(sql)).toLongLong();
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
    " {\"instructions\": \"nameless\", \"ingredients\": [{\"name\": \"Gin\", \"amount\": 1}]}\n"
    "]\n";

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDataFolder> m_folder;

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestDataFolder>();
        m_folder->createSmallDatabase();
        DBLib::Database().exec(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (4, 'Unknown Glass'), "
                                              "(5, 'Coupette Glass'), (6, 'Highball Glass 2')"));
    }
    void cleanup() { m_folder.reset(); }

    void barAssistantMapping()
    {
        const ImportSummary s = Import({write(m_folder->file(QStringLiteral("tricky.json")), Tricky)});
        QCOMPARE(s.added(), 1);
        QCOMPARE(s.files.first().refused.size(), 3);
        QVERIFY(s.text().contains(QStringLiteral("record 2: the recipe of No Ingredients has no ingredients")));
        QVERIFY(s.text().contains(QStringLiteral("record 3")));
        QVERIFY(s.text().contains(QStringLiteral("record 4: the recipe has no name")));
        const QString name = QStringLiteral("CAFÉ \"NO\u00A0№ 5\" & CO 🍸");
        const auto drink = DBLib::ReadDrink(name);
        QVERIFY(drink);
        QCOMPARE(drink->glassName, QStringLiteral("Cocktail Glass"));
        QCOMPARE(drink->description, QStringLiteral("1. Shake < 10 s\n2. Strain\nGarnish: Lemon twist"));
        // In the order of "sort"; ranges, notes and "optional" kept in the amount text.
        QCOMPARE(lines(name), (QStringList{QStringLiteral("45 ml (optional, chilled)|Gin"),
                                           QStringLiteral("1-2 dashes|Crème De Cassis"), QStringLiteral("Top up|Soda"),
                                           QStringLiteral("6 leaves|Mint")}));
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
        QTest::newRow("standard name") << QStringLiteral("collins glass") << QStringLiteral("Collins Glass");
        QTest::newRow("coupe") << QStringLiteral("Coupe") << QStringLiteral("Coupette Glass");
        QTest::newRow("rocks") << QStringLiteral("Double rocks") << QStringLiteral("Old Fashioned Glass");
        QTest::newRow("red before wine") << QStringLiteral("Red wine glass") << QStringLiteral("Red Wine Glass");
        QTest::newRow("word, not part") << QStringLiteral("Portland mug") << QStringLiteral("Beer Mug");
        QTest::newRow("unknown") << QStringLiteral("Skull") << QStringLiteral("Unknown Glass");
        QTest::newRow("none") << QString() << QStringLiteral("Unknown Glass");
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
        const ImportSummary s = Import({write(m_folder->file(QStringLiteral("sour.csv")), csv)});
        QCOMPARE(s.added(), 1);
        const auto drink = DBLib::ReadDrink(QStringLiteral("SOUR"));
        QCOMPARE(drink->glassName, QStringLiteral("Coupette Glass"));
        QCOMPARE(drink->description, QStringLiteral("Shake, \"hard\"\nthen strain"));
        QCOMPARE(lines(QStringLiteral("SOUR")), (QStringList{QStringLiteral("2 oz|Gin"), QStringLiteral("3/4 oz|Lime Juice")}));
    }

    // The non_alcoholic column marks the ingredients an import creates; a value that is neither yes
    // nor no refuses that drink.
    void csvNonAlcoholicColumn()
    {
        const QStringList values{u"yes"_s, u"Y"_s, u"1"_s, u"TRUE"_s, u"no"_s, u"n"_s, u"0"_s, QString(), u"maybe"_s};
        QByteArray csv = "drink,glass,directions,amount,ingredient,non_alcoholic\n";
        for (qsizetype i = 0; i < values.size(); ++i)
            csv += u"Drink %1,,,1 oz,Mixer %1,%2\n"_s.arg(i).arg(values.at(i)).toUtf8();
        const ImportSummary s = Import({write(m_folder->file(u"marks.csv"_s), csv)});
        QCOMPARE(s.added(), int(values.size()) - 1);
        QCOMPARE(s.files.value(0).refused.size(), 1);
        QVERIFY(s.files.value(0).refused.constFirst().startsWith(u"line 10"_s));
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
        const qint64 drinks = count("SELECT COUNT(*) FROM Drinks");
        const ImportSummary s = Import({write(m_folder->file(file), bytes)});
        QVERIFY(!s.files.first().error.isEmpty());
        QVERIFY2(s.files.first().error.contains(reason), qPrintable(s.files.first().error));
        QCOMPARE(count("SELECT COUNT(*) FROM Drinks"), drinks);
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
        DBLib::Database().exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Drinks WHEN NEW.ID = 3 "
                                              "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"));
        const QByteArray three = R"([{"name":"A","ingredients":[{"name":"New One","amount":1}]},
                                     {"name":"B","ingredients":[{"name":"Gin","amount":1}]},
                                     {"name":"C","ingredients":[{"name":"Gin","amount":1}]}])";
        const QString good = write(m_folder->file(QStringLiteral("good.json")),
                                   R"({"name":"Good","ingredients":[{"name":"Gin","amount":1}]})");
        const QString bad = write(m_folder->file(QStringLiteral("z.json")), three);
        const ImportSummary s = Import({good, bad});
        QCOMPARE(s.files.at(0).added, 1);
        QVERIFY2(s.files.at(1).error.contains(QStringLiteral("disk trouble")), qPrintable(s.text()));
        QCOMPARE(count("SELECT COUNT(*) FROM Drinks"), 1);
        QCOMPARE(DBLib::FindIngredientID(QStringLiteral("New One")), -1);
    }

    void cancelLeavesTheFileInProgressOut()
    {
        const QString a = write(m_folder->file(QStringLiteral("a.json")),
                                R"({"name":"First","ingredients":[{"name":"Gin","amount":1}]})");
        const QString b = write(m_folder->file(QStringLiteral("b.json")),
                                R"([{"name":"Second","ingredients":[{"name":"Gin","amount":1}]},
                                    {"name":"Third","ingredients":[{"name":"Gin","amount":1}]}])");
        const ImportSummary s = Import({a, b}, [](qint64 done, qint64 total) {
            Q_ASSERT(total == 3);
            return done < 2;
        });
        QVERIFY(s.cancelled);
        QCOMPARE(DBLib::AllDrinkNames(), QStringList{QStringLiteral("FIRST")});
    }

    void foldersAndDuplicates()
    {
        const QByteArray one = R"({"name":"Pack Drink","ingredients":[{"name":"Gin","amount":2,"units":"oz"}]})";
        write(m_folder->file(QStringLiteral("pack/pack-drink/data.json")), one);
        write(m_folder->file(QStringLiteral("pack/other/data.json")),
              R"({"recipe":{"name":"Split Layout","ingredients":[{"_id":"v","amount":1,"units":"oz"}]},
                  "ingredients":[{"_id":"v","name":"Vodka","strength":40}]})");
        write(m_folder->file(QStringLiteral("pack/readme.txt")), "not a recipe");
        ImportSummary s = Import({m_folder->file(QStringLiteral("pack"))});
        QCOMPARE(s.added(), 2);
        QCOMPARE(lines(QStringLiteral("SPLIT LAYOUT")), QStringList{QStringLiteral("1 oz|Vodka")});
        s = Import({m_folder->file(QStringLiteral("pack"))});
        QCOMPARE(s.added(), 0);
        QCOMPARE(s.duplicates(), 2);
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
        addTestDrink(QStringLiteral("Curly “Quotes” & <Co>"),
                     {{"1 1/2 oz", "Gin"}, {"", "Lime Juice"}, {"2-3 dashes", "Grenadine"}});
        DBLib::Database().execute(QStringLiteral("UPDATE Drinks SET Description = ?1"),
                                  {Lib::EncodeText(QStringLiteral("Line one,\n\"two\"; é\u00A0ü"))});
        addTestDrink(QStringLiteral("Plain"), {{"2 oz", "Vodka"}});
        const auto before = [] {
            QStringList all;
            for (const QString& name : DBLib::AllDrinkNames()) {
                const auto d = DBLib::ReadDrink(name);
                all << d->name + QLatin1Char('|') + d->glassName + QLatin1Char('|') + d->description +
                           QLatin1Char('|') + lines(name).join(QLatin1Char(';'));
            }
            return all;
        };
        const QStringList original = before();
        const QString path = m_folder->file(QStringLiteral("out.") + DefaultExtension(Format(format)));
        QString error;
        QVERIFY2(Export(path, Format(format), {}, &error), qPrintable(error));
        TestDataFolder empty;
        empty.createSmallDatabase();
        QCOMPARE(Import({path}).added(), 2);
        QCOMPARE(before(), original);
    }

    void exportRefusesUnknownDrinksAndWritesNothing()
    {
        const QString path = m_folder->file(QStringLiteral("never.json"));
        QString error;
        QVERIFY(!Export(path, Format::BarAssistantJson, {QStringLiteral("NO SUCH DRINK")}, &error));
        QVERIFY(error.contains(QStringLiteral("NO SUCH DRINK")));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "test_formats.moc"
