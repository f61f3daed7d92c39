// Drink documents, encoders, index reading, dates and file names, the store's side of updates and
// submissions, the submission request, the settings, and the reference service's decoding.

#include "ExchangeService.h"
#include "TestSupport.h"
#include "core/exchange/DrinkSubmission.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateFiles.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/store/RecipeRepository.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

using namespace Online;

Q_DECLARE_METATYPE(QList<Online::ExchangeIngredient>)
Q_DECLARE_METATYPE(Online::ExchangeDrink)

namespace {

const QString Declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>");

ExchangeIngredient line(const char* amount, const char* type, bool noAlcohol = false,
                        const QString& substitute = {})
{
    return {QString::fromUtf8(amount), QString::fromUtf8(type), noAlcohol, substitute};
}

QString ingredientXml(const char* amount, const char* type, const char* noAlcohol, const QString& substitute)
{
    return QStringLiteral("<ingredient><amount>%1</amount><type>%2</type><noAlcohol>%3</noAlcohol>"
                          "<substitute>%4</substitute></ingredient>")
        .arg(QString::fromUtf8(amount), QString::fromUtf8(type), QString::fromUtf8(noAlcohol), substitute);
}

QString drinkXml(const QString& name, const QString& directions, const QString& glass, const QString& lines)
{
    return Declaration + QStringLiteral("<drinks><drink><name>") + name +
           QStringLiteral("</name><directions>") + directions + QStringLiteral("</directions><glassType>") +
           glass + QStringLiteral("</glassType><ingredients>") + lines +
           QStringLiteral("</ingredients></drink></drinks>");
}

qint64 scalar(const char* sql, const QVariantList& params = {})
{
    return DBLib::Database().scalar(QString::fromUtf8(sql), params).toLongLong();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encoders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("html");
        QTest::newRow("empty") << QString() << QString() << QString();
        QTest::newRow("blanks only stay")
            << QStringLiteral("   ") << QStringLiteral("   ") << QStringLiteral("   ");
        QTest::newRow("blanks around")
            << QStringLiteral(" a b ") << QStringLiteral(" a b ") << QStringLiteral("%20a%20b%20");
        QTest::newRow("ampersand") << QStringLiteral("Gin & It") << QStringLiteral("Gin &amp; It")
                                   << QStringLiteral("Gin%20&amp;%20It");
        QTest::newRow("less and greater")
            << QStringLiteral("<b>") << QStringLiteral("&lt;b>") << QStringLiteral("<b>");
        QTest::newRow("other punctuation")
            << QStringLiteral("\"x\"='y'?/+%;#*") << QStringLiteral("\"x\"='y'?/+%;#*")
            << QStringLiteral("\"x\"='y'?/+%;#*");
        QTest::newRow("233") << QStringLiteral("Caf\u00e9") << QStringLiteral("Caf&#233;")
                             << QStringLiteral("Caf&#233;");
        QTest::newRow("line break") << QStringLiteral("a\r\nb") << QStringLiteral("a&#13;&#10;b")
                                    << QStringLiteral("a&#13;&#10;b");
        QTest::newRow("tab only is not blank")
            << QStringLiteral("\t") << QStringLiteral("&#9;") << QStringLiteral("&#9;");
        QTest::newRow("127 stays") << QStringLiteral("~\u007f") << QStringLiteral("~\u007f")
                                   << QStringLiteral("~\u007f");
        QTest::newRow("128 and up") << QStringLiteral("\u0080\u20ac") << QStringLiteral("&#128;&#8364;")
                                    << QStringLiteral("&#128;&#8364;");
        // One reference for the whole character, not one per UTF-16 half.
        QTest::newRow("outside the BMP")
            << QStringLiteral("\U0001F378") << QStringLiteral("&#127864;") << QStringLiteral("&#127864;");
    }
    void encoders()
    {
        QFETCH(QString, text);
        QFETCH(QString, xml);
        QFETCH(QString, html);
        QCOMPARE(XMLEncodeEx(text, false, QStringLiteral("&")), xml);
        QCOMPARE(HTMLEncodeEx(text, false, QStringLiteral("&")), html);
        QCOMPARE(XMLEncodeEx(text, true, QStringLiteral("&")), xml);
    }

    void ampCharPrefixesEveryEntity()
    {
        QCOMPARE(XMLEncodeEx(QStringLiteral("a&b<\u00e9"), false, QStringLiteral("*")),
                 QStringLiteral("a*amp;b*lt;*#233;"));
        QCOMPARE(HTMLEncodeEx(QStringLiteral("a&b \u00e9"), false, QStringLiteral("*")),
                 QStringLiteral("a*amp;b%20*#233;"));
    }

    void writerBytes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("directions");
        QTest::addColumn<QString>("glass");
        QTest::addColumn<QList<ExchangeIngredient>>("lines");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ampersand, less-than, quotes, line break")
            << QStringLiteral("Gin & Tonic") << QStringLiteral("Pour <over> ice.\r\nStir \"well\".")
            << QStringLiteral("2")
            << QList<ExchangeIngredient>{line("2 oz", "Gin"), line("4 oz", "Tonic Water", true)}
            << drinkXml(QStringLiteral("Gin &amp; Tonic"),
                        QStringLiteral("Pour &lt;over> ice.&#13;&#10;Stir \"well\"."), QStringLiteral("2"),
                        ingredientXml("2 oz", "Gin", "N", {}) +
                            ingredientXml("4 oz", "Tonic Water", "Y", {}));
        QTest::newRow("byte 233 in every encoded field")
            << QStringLiteral("Caf\u00e9 Royale") << QStringLiteral("Fl\u00e9") << QStringLiteral("1")
            << QList<ExchangeIngredient>{line("1 c\u00e9", "Cr\u00e8me")}
            << drinkXml(QStringLiteral("Caf&#233; Royale"), QStringLiteral("Fl&#233;"), QStringLiteral("1"),
                        ingredientXml("1 c&#233;", "Cr&#232;me", "N", {}));
        QTest::newRow("blanks-only name, empty directions")
            << QStringLiteral("   ") << QString() << QStringLiteral("3") << QList<ExchangeIngredient>{}
            << drinkXml(QStringLiteral("   "), QString(), QStringLiteral("3"), QString());
        QTest::newRow("empty name, no glass")
            << QString() << QStringLiteral("x") << QString() << QList<ExchangeIngredient>{}
            << drinkXml(QString(), QStringLiteral("x"), QString(), QString());
        QTest::newRow("substitute written raw")
            << QStringLiteral("Kir") << QStringLiteral("Build.") << QStringLiteral("4")
            << QList<ExchangeIngredient>{line("1/2 oz", "Cassis", false,
                                              QStringLiteral("Cr\u00e8me & <m\u00fbre>"))}
            << drinkXml(QStringLiteral("Kir"), QStringLiteral("Build."), QStringLiteral("4"),
                        ingredientXml("1/2 oz", "Cassis", "N", QStringLiteral("Cr\u00e8me & <m\u00fbre>")));
        QTest::newRow("three lines keep their order")
            << QStringLiteral("Trio") << QStringLiteral("Mix.") << QStringLiteral("1")
            << QList<ExchangeIngredient>{line("3", "C"), line("1", "A", true), line("2", "B")}
            << drinkXml(QStringLiteral("Trio"), QStringLiteral("Mix."), QStringLiteral("1"),
                        ingredientXml("3", "C", "N", {}) + ingredientXml("1", "A", "Y", {}) +
                            ingredientXml("2", "B", "N", {}));
    }
    void writerBytes()
    {
        QFETCH(QString, name);
        QFETCH(QString, directions);
        QFETCH(QString, glass);
        QFETCH(QList<ExchangeIngredient>, lines);
        QFETCH(QString, expected);
        const QString doc = WriteDrinkDocument({name, directions, glass, lines});
        QCOMPARE(doc, expected);
        QCOMPARE(doc.left(39), Declaration);
        QVERIFY(!doc.contains(QLatin1Char('\n')));
    }

    // What the writer makes, the reader gives back (names are trimmed, which the writer's
    // own drinks never need).
    void writerOutputReadsBack()
    {
        const ExchangeDrink drink{
            QStringLiteral("Gin & <It> \u00e9\U0001F378"),
            QStringLiteral("Line 1\r\nLine 2 & \"3\""),
            QStringLiteral("7"),
            {line("1 & 1/2 oz", "Gin"), line("<1 oz", "Sweet & Dry", true, QStringLiteral("Caf\u00e9"))}};
        QString error;
        const auto read = ReadDrinkDocument(WriteDrinkDocument(drink).toUtf8(), &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->size(), 1);
        const ExchangeDrink& back = read->constFirst();
        QCOMPARE(back.name, drink.name);
        QCOMPARE(back.directions, drink.directions);
        QCOMPARE(back.glassType, drink.glassType);
        QCOMPARE(back.ingredients.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(back.ingredients[i].amount, drink.ingredients[i].amount);
            QCOMPARE(back.ingredients[i].type, drink.ingredients[i].type);
            QCOMPARE(back.ingredients[i].noAlcohol, drink.ingredients[i].noAlcohol);
            QCOMPARE(back.ingredients[i].substitute, drink.ingredients[i].substitute);
        }
    }

    void readerAcceptsLayoutAndAbsentOptionals()
    {
        const QByteArray doc =
            "<?xml version=\"1.0\"?>\n<whatever>\n  <drink>\n    <name>\n  Sunrise  </name>\n"
            "    <directions/>\n    <glassType> 3 </glassType>\n    <ingredients>\n"
            "      <ingredient><amount>2 oz</amount><type><![CDATA[Orange & Juice]]></type></ingredient>\n"
            "      <x><type>Grenadine</type><amount></amount><noAlcohol>Y</noAlcohol>"
            "<substitute>Syrup</substitute></x>\n"
            "    </ingredients>\n  </drink>\n  <other><name>Second</name><directions>d</directions>"
            "<glassType>1</glassType><ingredients/></other>\n</whatever>\n";
        QString error;
        const auto drinks = ReadDrinkDocument(doc, &error);
        QVERIFY2(drinks, qPrintable(error));
        QCOMPARE(drinks->size(), 2);
        const ExchangeDrink& d = drinks->at(0);
        QCOMPARE(d.name, QStringLiteral("Sunrise"));
        QCOMPARE(d.directions, QString());
        QCOMPARE(d.glassType, QStringLiteral("3"));
        QCOMPARE(d.ingredients.size(), 2);
        QCOMPARE(d.ingredients[0].type, QStringLiteral("Orange & Juice"));
        QCOMPARE(d.ingredients[0].noAlcohol, false);
        QCOMPARE(d.ingredients[0].substitute, QString());
        QCOMPARE(d.ingredients[1].amount, QString());
        QCOMPARE(d.ingredients[1].noAlcohol, true);
        QCOMPARE(d.ingredients[1].substitute, QStringLiteral("Syrup"));
        QCOMPARE(drinks->at(1).name, QStringLiteral("Second"));
        QVERIFY(drinks->at(1).ingredients.isEmpty());
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<QString>("reason");
        const QByteArray ok =
            "<drinks><drink><name>A</name><directions>d</directions><glassType>1</glassType>"
            "<ingredients><ingredient><amount>1</amount><type>Gin</type></ingredient></ingredients>"
            "</drink></drinks>";
        auto without = [&](const char* part) { return QByteArray(ok).replace(part, ""); };
        auto replaced = [&](const char* from, const char* to) { return QByteArray(ok).replace(from, to); };
        QTest::newRow("not xml") << QByteArray("update pending") << QStringLiteral("line 1");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("line 1");
        QTest::newRow("cut short") << ok.left(ok.size() - 10) << QStringLiteral("line 1");
        QTest::newRow("no name") << without("<name>A</name>") << QStringLiteral("no \"name\"");
        QTest::newRow("blank name") << replaced("<name>A</name>", "<name>  </name>")
                                    << QStringLiteral("has no name");
        QTest::newRow("name holds elements")
            << replaced("<name>A</name>", "<name><b>A</b></name>") << QStringLiteral("holds elements");
        QTest::newRow("no directions")
            << without("<directions>d</directions>") << QStringLiteral("\"directions\"");
        QTest::newRow("no glass") << without("<glassType>1</glassType>") << QStringLiteral("\"glassType\"");
        QTest::newRow("glass not a number")
            << replaced(">1</glassType>", ">tall</glassType>") << QStringLiteral("not a glass number");
        QTest::newRow("glass beyond 16 bits")
            << replaced(">1</glassType>", ">40000</glassType>") << QStringLiteral("not a glass number");
        QTest::newRow("empty glass") << replaced(">1</glassType>", "></glassType>")
                                     << QStringLiteral("not a glass number");
        QTest::newRow("no ingredients")
            << replaced("<ingredients><ingredient><amount>1</amount><type>Gin</type>"
                        "</ingredient></ingredients>",
                        "")
            << QStringLiteral("\"ingredients\"");
        QTest::newRow("line without type") << without("<type>Gin</type>") << QStringLiteral("\"type\"");
        QTest::newRow("line with blank type")
            << replaced("<type>Gin</type>", "<type> </type>") << QStringLiteral("names no ingredient");
        QTest::newRow("line without amount") << without("<amount>1</amount>") << QStringLiteral("\"amount\"");
        QTest::newRow("entity expansion")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>") +
                   replaced("<name>A</name>", "<name>&b;</name>")
            << QStringLiteral("document type");
        QTest::newRow("unknown entity")
            << replaced("<name>A</name>", "<name>&nbsp;</name>") << QStringLiteral("line 1");
        QByteArray deep = "<drinks>";
        for (int i = 0; i < 40; ++i)
            deep += "<a>";
        QTest::newRow("nested too deeply") << deep << QStringLiteral("too deeply");
        QTest::newRow("too large") << QByteArray(MaxDocumentBytes + 1, ' ') << QStringLiteral("larger than");
    }
    void readerRefuses()
    {
        QFETCH(QByteArray, doc);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!ReadDrinkDocument(doc, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void errorNamesTheDrinkEvenWithPlaceholders()
    {
        const QByteArray doc =
            "<drinks><drink><name>100%2 Punch</name><directions>d</directions><glassType>1</glassType>"
            "</drink></drinks>";
        QString error;
        QVERIFY(!ReadDrinkDocument(doc, &error));
        QCOMPARE(error, QStringLiteral("drink 1 (\"100%2 Punch\") (line 1) has no \"ingredients\" element."));
    }

    void updateIndex()
    {
        QString error;
        const auto items =
            ReadUpdateIndex("<?xml version=\"1.0\"?>\n<x>\n <y><date>7/1/03</date><file>drinks0701</file>"
                            "<count>12</count></y>\n <z><file>b</file><date>2003-07-02</date></z>\n</x>",
                            &error);
        QVERIFY2(items, qPrintable(error));
        QCOMPARE(items->size(), 2);
        QCOMPARE(items->at(0).date, QStringLiteral("7/1/03"));
        QCOMPARE(items->at(0).file, QStringLiteral("drinks0701"));
        QCOMPARE(items->at(0).count, QStringLiteral("12"));
        QCOMPARE(items->at(1).count, QString());
        QVERIFY(!ReadUpdateIndex("<x><y><date>7/1/03</date></y></x>", &error));
        QVERIFY(error.contains(QLatin1String("\"file\"")));
        QVERIFY(!ReadUpdateIndex("<x><y><date>7/1/03", &error));
        // What the service writes, the program reads.
        const QList<UpdateIndexItem> written{
            {QStringLiteral("1/2/2024"), QStringLiteral("a_1"), QStringLiteral("3")}};
        const auto back = ReadUpdateIndex(WriteUpdateIndex(written), &error);
        QVERIFY(back);
        QCOMPARE(back->size(), 1);
        QCOMPARE(back->at(0).file, QStringLiteral("a_1"));
        QCOMPARE(back->at(0).date, QStringLiteral("1/2/2024"));
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("shipped release date") << QStringLiteral("6/30/03") << QDate(2003, 6, 30);
        QTest::newRow("four-digit year") << QStringLiteral("12/1/2024") << QDate(2024, 12, 1);
        QTest::newRow("blanks around") << QStringLiteral(" 1/5/2024 ") << QDate(2024, 1, 5);
        QTest::newRow("29 is 2029") << QStringLiteral("1/5/29") << QDate(2029, 1, 5);
        QTest::newRow("30 is 1930") << QStringLiteral("1/5/30") << QDate(1930, 1, 5);
        QTest::newRow("iso") << QStringLiteral("2024-02-29") << QDate(2024, 2, 29);
        QTest::newRow("no such day") << QStringLiteral("2/30/2024") << QDate();
        QTest::newRow("iso no such day") << QStringLiteral("2023-02-29") << QDate();
        QTest::newRow("day first is not read as month") << QStringLiteral("13/1/2024") << QDate();
        QTest::newRow("three-digit year") << QStringLiteral("1/1/203") << QDate();
        QTest::newRow("words") << QStringLiteral("June 30 2003") << QDate();
        QTest::newRow("empty") << QString() << QDate();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const std::optional<QDate> read = ParseExchangeDate(text);
        QCOMPARE(read.value_or(QDate()), date);
        if (date.isValid())
            QCOMPARE(ParseExchangeDate(FormatExchangeDate(date)).value_or(QDate()), date);
    }

    void fileStems_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << QStringLiteral("drinks_2003-07") << true;
        QTest::newRow("64 characters") << QString(64, QLatin1Char('a')) << true;
        QTest::newRow("65 characters") << QString(65, QLatin1Char('a')) << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << false;
        QTest::newRow("slash") << QStringLiteral("a/b") << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
        QTest::newRow("dot dot") << QStringLiteral("..") << false;
        QTest::newRow("parent path") << QStringLiteral("../x") << false;
        QTest::newRow("the database") << QStringLiteral("Tumblerix.dat") << false;
        QTest::newRow("hidden") << QStringLiteral(".config") << false;
        QTest::newRow("blank") << QStringLiteral("a b") << false;
        QTest::newRow("non-ascii") << QStringLiteral("caf\u00e9") << false;
    }
    void fileStems()
    {
        QFETCH(QString, stem);
        QFETCH(bool, safe);
        QCOMPARE(IsSafeFileStem(stem), safe);
    }

    void selectUpdates()
    {
        const QList<UpdateIndexItem> items{
            {QStringLiteral("1/5/2024"), QStringLiteral("same_day"), QStringLiteral("4")},
            {QStringLiteral("1/6/2024"), QStringLiteral("next_day"), QStringLiteral("2")},
            {QStringLiteral("2023-12-31"), QStringLiteral("older"), QStringLiteral("1")},
            {QStringLiteral("soon"), QStringLiteral("undated"), QStringLiteral("1")},
            {QStringLiteral("2024-01-07"), QStringLiteral("../evil"), QStringLiteral("1")},
            {QStringLiteral("2024-01-08"), QStringLiteral("NEXT_DAY"), QStringLiteral("1")},
            {QStringLiteral("2024-01-09"), QStringLiteral(" iso "), QStringLiteral("x")},
        };
        QStringList problems;
        const QList<QueuedUpdate> queued = SelectUpdates(items, QDate(2024, 1, 5), &problems);
        QCOMPARE(queued.size(), 2);
        QCOMPARE(queued[0].stem, QStringLiteral("next_day"));
        QCOMPARE(queued[0].date, QStringLiteral("1/6/2024"));
        QCOMPARE(queued[0].count, 2);
        QCOMPARE(queued[1].stem, QStringLiteral("iso"));
        QCOMPARE(queued[1].count, 0);
        QCOMPARE(problems.size(), 3);
        QVERIFY(problems[0].contains(QLatin1String("soon")));
        QVERIFY(problems[1].contains(QLatin1String("../evil")));
        QVERIFY(problems[2].contains(QLatin1String("NEXT_DAY")));
    }

    void destroyFileBlanksThenRemoves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc"));
        const QString link = dir.filePath(QStringLiteral("hardlink"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'q'));
        f.close();
        // A second name for the same file shows what was written over the content.
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
        DestroyFile(path);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(fileBytes(link), QByteArray(8192, ' '));

        DestroyFile(dir.filePath(QStringLiteral("absent")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("absent"))));

        const QString target = dir.filePath(QStringLiteral("target"));
        QFile t(target);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("keep me");
        t.close();
        const QString symlink = dir.filePath(QStringLiteral("symlink"));
        QVERIFY(QFile::link(target, symlink));
        DestroyFile(symlink);
        QVERIFY(!QFileInfo::exists(symlink) && !QFileInfo(symlink).isSymLink());
        QCOMPARE(fileBytes(target), QByteArray("keep me"));
    }

    void addingDrinks()
    {
        TestSettings settings;
        TestDataFolder folder;
        folder.createSmallDatabase();
        addTestDrink(QStringLiteral("Gin Fizz"), {{"2 oz", "Gin"}});
        const qint64 ingredientsBefore = scalar("SELECT COUNT(*) FROM Ingredients");
        const QList<ExchangeDrink> drinks{
            {QStringLiteral("Sunny Day"),
             QStringLiteral("Shake & strain."),
             QStringLiteral("2"),
             {line("1 oz", "lime juice"), line("3 oz", "Orange Juice")}},
            {QStringLiteral("gin fizz"), QStringLiteral("dup"), QStringLiteral("1"), {line("1", "Gin")}},
            {QStringLiteral("Garden Party"),
             QStringLiteral("Build."),
             QStringLiteral("1"),
             {line("1 oz", "Gin"),
              line("2 oz", "Elderflower Cordial", true, QStringLiteral("Lime cordial"))}},
            {QStringLiteral("Meadow"),
             QStringLiteral("Build."),
             QStringLiteral("3"),
             {line("4 oz", "ELDERFLOWER CORDIAL", false, QStringLiteral("other"))}},
        };
        const Online::AddRecordsResult result = Online::AddNewRecordsToDatabase(drinks);
        QCOMPARE(result.added, 3);
        QCOMPARE(result.duplicates, 1);
        QCOMPARE(result.ingredientsCreated, 1);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Ingredients"), ingredientsBefore + 1);

        // The new ingredient keeps the first document's substitute and mark; the second drink finds it.
        const qint64 elder = DBLib::FindIngredientID(QStringLiteral("Elderflower Cordial"));
        QVERIFY(elder > 0);
        QCOMPARE(scalar("SELECT NonAlcohol FROM Ingredients WHERE ID = ?1", {elder}), 1);
        QCOMPARE(DBLib::Database()
                     .scalar(QStringLiteral("SELECT Substitute FROM Ingredients WHERE ID = ?1"), {elder})
                     .toString(),
                 QStringLiteral("Lime cordial"));

        const qint64 sunny = DBLib::FindDrinkID(QStringLiteral("SUNNY DAY"));
        QCOMPARE(sunny, 2);
        QCOMPARE(Lib::DecodeText(DBLib::Database().scalar(
                     QStringLiteral("SELECT Name FROM Drinks WHERE ID = ?1"), {sunny})),
                 QStringLiteral("SUNNY DAY"));
        QCOMPARE(Lib::DecodeText(DBLib::Database().scalar(
                     QStringLiteral("SELECT Description FROM Drinks WHERE ID = ?1"), {sunny})),
                 QStringLiteral("Shake & strain."));
        QCOMPARE(scalar("SELECT GlassType FROM Drinks WHERE ID = ?1", {sunny}), 2);
        QCOMPARE(scalar("SELECT Favorite + Submitted FROM Drinks WHERE ID = ?1", {sunny}), 0);
        DBLib::Snapshot lines = DBLib::OpenSnapshot(
            QStringLiteral("SELECT Amount, IngID FROM DrinkInfo WHERE DrinkID = ?1 ORDER BY rowid"), {sunny});
        QCOMPARE(Lib::DecodeText(lines.field(0)), QStringLiteral("1 oz"));
        QCOMPARE(lines.field(1).toLongLong(), DBLib::FindIngredientID(QStringLiteral("Lime Juice")));
        lines.moveNext();
        QCOMPARE(Lib::DecodeText(lines.field(0)), QStringLiteral("3 oz"));
        lines.moveNext();
        QVERIFY(lines.atEnd());
        lines.close();

        // Flags: lime and orange juice are in stock and non-alcoholic; the cordial is not in stock.
        QCOMPARE(scalar("SELECT CurrentStock * 100 + NonAlcoholic * 10 + CurrentStockNonAlcoholic FROM "
                        "Drinks WHERE ID = ?1",
                        {sunny}),
                 111);
        const qint64 garden = DBLib::FindDrinkID(QStringLiteral("Garden Party"));
        QCOMPARE(scalar("SELECT CurrentStock * 100 + NonAlcoholic * 10 + CurrentStockNonAlcoholic FROM "
                        "Drinks WHERE ID = ?1",
                        {garden}),
                 0);
        const qint64 meadow = DBLib::FindDrinkID(QStringLiteral("Meadow"));
        QCOMPARE(scalar("SELECT NonAlcoholic FROM Drinks WHERE ID = ?1", {meadow}), 1);
        QCOMPARE(scalar("SELECT COUNT(*) FROM DrinkInfo WHERE DrinkID = ?1 AND IngID = ?2", {meadow, elder}),
                 1);

        // The same document again adds nothing.
        const Online::AddRecordsResult again = Online::AddNewRecordsToDatabase(drinks);
        QCOMPARE(again.added, 0);
        QCOMPARE(again.duplicates, 4);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), 4);
    }

    void refusedDocumentLeavesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("glass");
        QTest::newRow("glass that names no glass") << QStringLiteral("Odd Glass") << QStringLiteral("99");
        QTest::newRow("name with no stored form") << QStringLiteral("Bad \U0010FFF5") << QStringLiteral("1");
    }
    void refusedDocumentLeavesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, glass);
        TestSettings settings;
        TestDataFolder folder;
        folder.createSmallDatabase();
        const QList<ExchangeDrink> drinks{
            {QStringLiteral("First"),
             QStringLiteral("ok"),
             QStringLiteral("1"),
             {line("1", "Brand New Liqueur")}},
            {name, QStringLiteral("x"), glass, {line("1", "Gin")}},
        };
        bool refused = false;
        try {
            Online::AddNewRecordsToDatabase(drinks);
        } catch (const Sql::Error& e) {
            refused = true;
            QVERIFY2(e.message().contains(name), qPrintable(e.message()));
        } catch (const Lib::TextCodingError&) {
            refused = true;
        }
        QVERIFY(refused);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), 0);
        QCOMPARE(scalar("SELECT COUNT(*) FROM DrinkInfo"), 0);
        QCOMPARE(DBLib::FindIngredientID(QStringLiteral("Brand New Liqueur")), -1);
    }

    void addNewRecordsFromFile()
    {
        TestSettings settings;
        TestDataFolder folder;
        folder.createEmptyDatabase();
        DBLib::Database().exec(
            QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (5, 'Flute')"));
        const QString path = folder.file(QStringLiteral("upd"));
        QString error;
        QVERIFY(WriteFile(path,
                          WriteDrinkDocument({QStringLiteral("Mimosa"),
                                              QStringLiteral("Top up."),
                                              QStringLiteral("5"),
                                              {line("3 oz", "Sparkling Wine")}})
                              .toUtf8(),
                          &error));
        const auto result = AddNewRecordsToDatabase(path, &error);
        QVERIFY2(result, qPrintable(error));
        QCOMPARE(result->added, 1);
        // The first drink of an empty table gets ID 1.
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("Mimosa")), 1);

        QVERIFY(WriteFile(path, "<drinks><drink><name>Half</name></drink>", &error));
        QVERIFY(!AddNewRecordsToDatabase(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!AddNewRecordsToDatabase(folder.file(QStringLiteral("missing")), &error));
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks"), 1);
    }

    void exportDrink()
    {
        TestSettings settings;
        TestDataFolder folder;
        folder.createSmallDatabase();
        DBLib::Database().exec(QStringLiteral(
            "UPDATE Ingredients SET Substitute = 'Soda & lime' WHERE Ingredient = 'Ginger Ale'"));
        const qint64 id = addTestDrink(QStringLiteral("Gin & Ginger"),
                                       {{"2 oz", "Gin"}, {"4 oz \u00e9", "Ginger Ale"}, {"", "Lime Juice"}},
                                       QStringLiteral("Highball Glass"));
        DBLib::Database().execute(QStringLiteral("UPDATE Drinks SET Description = ?1 WHERE ID = ?2"),
                                  {Lib::EncodeText(QStringLiteral("Build <over> ice.\nServe.")), id});
        const QString expected =
            drinkXml(QStringLiteral("GIN &amp; GINGER"), QStringLiteral("Build &lt;over> ice.&#10;Serve."),
                     QStringLiteral("2"),
                     ingredientXml("2 oz", "Gin", "N", {}) +
                         ingredientXml("4 oz &#233;", "Ginger Ale", "Y", QStringLiteral("Soda & lime")) +
                         ingredientXml("", "Lime Juice", "Y", {}));
        QCOMPARE(Online::ExportDrink(id), expected);

        const qint64 bare = addTestDrink(QStringLiteral("Nothing"), {});
        DBLib::Database().execute(
            QStringLiteral(
                "UPDATE Drinks SET GlassType = NULL, Description = NULL, Submitted = 0 WHERE ID = ?1"),
            {bare});
        QCOMPARE(Online::ExportDrink(bare),
                 drinkXml(QStringLiteral("NOTHING"), QString(), QString(), QString()));

        QVERIFY_THROWS_EXCEPTION(Sql::Error, Online::ExportDrink(999));
        DBLib::Database().execute(
            QStringLiteral("INSERT INTO DrinkInfo (DrinkID, IngID, Amount) VALUES (?1, 4242, NULL)"), {bare});
        QVERIFY_THROWS_EXCEPTION(Sql::Error, Online::ExportDrink(bare));

        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {bare}), 0);
        DBLib::MarkSubmitted(bare);
        QCOMPARE(scalar("SELECT Submitted FROM Drinks WHERE ID = ?1", {bare}), 1);
        QCOMPARE(scalar("SELECT COUNT(*) FROM Drinks WHERE Submitted = 1"),
                 2); // the test drink adder marks its own
    }

    void submissionRequestBytes_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("plain") << QStringLiteral("http://drinks.example.com") << QStringLiteral("<a>b</a>")
                               << QByteArray("xml_doc=<a>b</a>");
        QTest::newRow("entity becomes asterisk, blanks become %20")
            << QStringLiteral("http://127.0.0.1:8080")
            << QStringLiteral("<?xml version=\"1.0\" ?><name>Gin &amp; It</name>")
            << QByteArray("xml_doc=<?xml%20version=\"1.0\"%20?><name>Gin%20*amp;%20It</name>");
        QTest::newRow("raw non-ascii becomes a reference")
            << QStringLiteral("https://drinks.example.com:8443") << QStringLiteral("<s>Cr\u00e8me+x</s>")
            << QByteArray("xml_doc=<s>Cr&#232;me+x</s>");
        QTest::newRow("character references keep their asterisk")
            << QStringLiteral("http://h") << QStringLiteral("<d>a&#13;&#10;b</d>")
            << QByteArray("xml_doc=<d>a*#13;*#10;b</d>");
    }
    void submissionRequestBytes()
    {
        QFETCH(QString, root);
        QFETCH(QString, document);
        QFETCH(QByteArray, body);
        const QUrl url = OnlineSettings::ParseServiceAddress(root);
        QCOMPARE(SubmissionBody(document), body);
        const QByteArray expected = "POST " + root.toLatin1() + "/QZ/SubmitDrink.asp? HTTP/1.0\r\n" +
                                    "Content-Type: application/x-www-form-urlencoded\r\n" +
                                    "Content-Length: " + QByteArray::number(body.size()) + "\r\n" +
                                    "Connection: Keep-Alive\r\n\r\n" + body;
        QCOMPARE(BuildSubmissionRequest(url, document), expected);
    }

    void serviceAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("root");
        QTest::newRow("http") << QStringLiteral("http://drinks.example.com")
                              << QStringLiteral("http://drinks.example.com");
        QTest::newRow("host only") << QStringLiteral("drinks.example.com")
                                   << QStringLiteral("http://drinks.example.com");
        QTest::newRow("host and port")
            << QStringLiteral("127.0.0.1:8080") << QStringLiteral("http://127.0.0.1:8080");
        QTest::newRow("default port dropped") << QStringLiteral("http://h:80") << QStringLiteral("http://h");
        QTest::newRow("https") << QStringLiteral(" HTTPS://h:443/ ") << QStringLiteral("https://h");
        QTest::newRow("https other port")
            << QStringLiteral("https://h:8443") << QStringLiteral("https://h:8443");
        QTest::newRow("path ignored") << QStringLiteral("http://h/QZ/x?y") << QStringLiteral("http://h");
        QTest::newRow("ipv6") << QStringLiteral("http://[::1]:81") << QStringLiteral("http://[::1]:81");
        QTest::newRow("other scheme") << QStringLiteral("ftp://h") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no host") << QStringLiteral("http://") << QString();
    }
    void serviceAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, root);
        QCOMPARE(OnlineSettings::ParseServiceAddress(text).toString(), root);
    }

    void settings()
    {
        TestSettings settings;
        QCOMPARE(OnlineSettings::ServiceRoot().toString(), QStringLiteral("http://127.0.0.1:8080"));
        QCOMPARE(OnlineSettings::CompanyName(), QStringLiteral("Brimvale"));
        QCOMPARE(OnlineSettings::LocalVersionText(), QStringLiteral("Tumblerix 8.5"));
        OnlineSettings::SetServiceAddress(QStringLiteral("https://exchange.example.org"));
        QCOMPARE(OnlineSettings::ServiceRoot().toString(), QStringLiteral("https://exchange.example.org"));
        ModuleRegistry::WriteRegistryValue(OnlineSettings::CompanyNameName, QStringLiteral("Quaffhaus"));
        QCOMPARE(OnlineSettings::CompanyName(), QStringLiteral("Quaffhaus"));

        QVERIFY(ModuleRegistry::ReadText(OnlineSettings::InstallationCodeName).isEmpty());
        const QString code = OnlineSettings::InstallationCode();
        QVERIFY(!code.isEmpty());
        QCOMPARE(ModuleRegistry::ReadText(OnlineSettings::InstallationCodeName), code);
        QCOMPARE(OnlineSettings::InstallationCode(), code);
        // A code that would break the query is replaced once and the new one kept.
        ModuleRegistry::WriteRegistryValue(OnlineSettings::InstallationCodeName,
                                           QStringLiteral("a&last_update=1"));
        const QString fresh = OnlineSettings::InstallationCode();
        QVERIFY(fresh != code && !fresh.contains(QLatin1Char('&')));
        QCOMPARE(OnlineSettings::InstallationCode(), fresh);

        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 30000);
        ModuleRegistry::WriteRegistryValue(OnlineSettings::ServiceTimeoutName, qint64(5));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 5000);
        ModuleRegistry::WriteRegistryValue(OnlineSettings::ServiceTimeoutName, qint64(0));
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), 30000);
    }

    // The service turns what the program sends back into the document it exported.
    void serviceDecodesSubmissions_data()
    {
        QTest::addColumn<ExchangeDrink>("drink");
        QTest::newRow("ampersand and less-than") << ExchangeDrink{QStringLiteral("Gin & <It>"),
                                                                  QStringLiteral("Stir."),
                                                                  QStringLiteral("1"),
                                                                  {line("1 oz", "Gin")}};
        QTest::newRow("asterisk of its own")
            << ExchangeDrink{QStringLiteral("Star*Bright *"), QStringLiteral("a*b"), QStringLiteral("1"), {}};
        QTest::newRow("line breaks and accents") << ExchangeDrink{
            QStringLiteral("Caf\u00e9"),
            QStringLiteral("One\r\nTwo %41"),
            QStringLiteral("2"),
            {line("1 \u00e9", "Cr\u00e8me", true, QStringLiteral("Cr\u00e8me fra\u00eeche"))}};
    }
    void serviceDecodesSubmissions()
    {
        QFETCH(ExchangeDrink, drink);
        const QString document = WriteDrinkDocument(drink);
        QString error;
        const std::optional<QString> decoded =
            ExchangeService::DecodeSubmissionBody(SubmissionBody(document), &error);
        QVERIFY2(decoded, qPrintable(error));
        QCOMPARE(*decoded, document);
    }

    void serviceRefusesBadBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no field name") << QByteArray("<drinks/>");
        QTest::newRow("other field") << QByteArray("doc=<drinks/>");
        QTest::newRow("stray ampersand") << QByteArray("xml_doc=<a>&x</a>");
        QTest::newRow("reference to a surrogate") << QByteArray("xml_doc=<a>&#55296;</a>");
    }
    void serviceRefusesBadBodies()
    {
        QFETCH(QByteArray, body);
        QString error;
        QVERIFY(!ExchangeService::DecodeSubmissionBody(body, &error));
        QVERIFY(!error.isEmpty());
    }

    void serviceIndex()
    {
        QTemporaryDir dir;
        const auto put = [&](const QString& name, const QByteArray& bytes, const QDate& date) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(date, QTime(12, 0)), QFileDevice::FileModificationTime));
        };
        const QByteArray two =
            WriteDrinkDocument({QStringLiteral("A"), {}, QStringLiteral("1"), {}})
                .replace(QStringLiteral("</drinks>"), QStringLiteral("<drink><name>B</name><directions/>"
                                                                     "<glassType>1</glassType><ingredients/>"
                                                                     "</drink></drinks>"))
                .toUtf8();
        put(QStringLiteral("jan10.xml"), two, QDate(2024, 1, 10));
        put(QStringLiteral("jan5.xml"),
            WriteDrinkDocument({QStringLiteral("C"), {}, QStringLiteral("1"), {}}).toUtf8(),
            QDate(2024, 1, 5));
        put(QStringLiteral("broken.xml"), "<drinks>", QDate(2024, 2, 1));
        put(QStringLiteral("not.a.stem.xml"), two, QDate(2024, 2, 1));
        put(QStringLiteral("notes.txt"), "hello", QDate(2024, 2, 1));

        ExchangeService service({dir.path(), dir.filePath(QStringLiteral("subs"))});
        QString error;
        auto items = ReadUpdateIndex(service.BuildIndex(QStringLiteral("1/5/2024")), &error);
        QVERIFY2(items, qPrintable(error));
        QCOMPARE(items->size(), 1);
        QCOMPARE(items->at(0).file, QStringLiteral("jan10"));
        QCOMPARE(items->at(0).date, QStringLiteral("1/10/2024"));
        QCOMPARE(items->at(0).count, QStringLiteral("2"));
        items = ReadUpdateIndex(service.BuildIndex(QString()), &error);
        QVERIFY(items);
        QCOMPARE(items->size(), 2);
        QCOMPARE(items->at(0).file, QStringLiteral("jan5")); // oldest first
        items = ReadUpdateIndex(service.BuildIndex(QStringLiteral("2024-01-10")), &error);
        QVERIFY(items);
        QVERIFY(items->isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
