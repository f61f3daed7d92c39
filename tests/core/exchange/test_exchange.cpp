// The exchange without windows: documents, indexes, encoders, dates, file names, adding and
// exporting drinks, settings, the bounded GETs, the submission sender, the reference service, and
// whole update runs against a scripted service on 127.0.0.1.

#include "ExchangeService.h"
#include "ExchangeTestSupport.h"
#include "TestSupport.h"
#include "core/exchange/DrinkSubmission.h"
#include "core/exchange/ExchangeClient.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateFiles.h"
#include "core/exchange/UpdateRun.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeRepository.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

using namespace Online;
using namespace Qt::StringLiterals;
using Reply = ScriptedService::Reply;
// Replies are written with designated initializers that leave the other members at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
Q_DECLARE_METATYPE(ScriptedService::Reply)
Q_DECLARE_METATYPE(Online::ExchangeDrink)

namespace {

ExchangeIngredient line(const char* amount, const char* type, bool noAlcohol = false, const char* sub = "")
{
    return {QString::fromUtf8(amount), QString::fromUtf8(type), noAlcohol, QString::fromUtf8(sub)};
}

ExchangeDrink drink(const char* name, const char* glass = "1",
                    const QList<ExchangeIngredient>& lines = {line("1", "G")})
{
    return {QString::fromUtf8(name), u"Stir."_s, QString::fromUtf8(glass), lines};
}

// A drink in one line: name|directions|glass|amount/type/Y or N/substitute; ...
QString flat(const ExchangeDrink& d)
{
    QString out = d.name + u'|' + d.directions + u'|' + d.glassType + u'|';
    for (const ExchangeIngredient& l : d.ingredients)
        out += l.amount + u'/' + l.type + u'/' + (l.noAlcohol ? u'Y' : u'N') + u'/' + l.substitute + u';';
    return out;
}

QString lineXml(const char* amount, const char* type, const char* noAlcohol, const char* sub = "")
{
    return QString::fromUtf8("<ingredient><amount>%1</amount><type>%2</type><noAlcohol>%3</noAlcohol>"
                             "<substitute>%4</substitute></ingredient>")
        .arg(QString::fromUtf8(amount), QString::fromUtf8(type), QString::fromUtf8(noAlcohol),
             QString::fromUtf8(sub));
}

QString drinkXml(const QString& name, const QString& directions, const QString& glass, const QString& lines)
{
    return u"<?xml version=\"1.0\" encoding=\"utf-8\" ?><drinks><drink><name>%1</name><directions>%2"
           "</directions><glassType>%3</glassType><ingredients>%4</ingredients></drink></drinks>"_s
        .arg(name, directions, glass, lines);
}

// All a service answers to one request, until it closes the connection.
QByteArray exchangeRaw(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, Patience))
        return "(the service kept the connection open)";
    return answer + socket.readAll();
}

// One update run: what the service answers, and what the run should make of it.
struct RunCase
{
    QByteArray check = "0";
    Reply index{.body = exchangeIndex({u"2/1/2024 one"_s})};
    Reply one{.body = exchangeDocument({drink("Fine")})};
    Reply two{.body = exchangeDocument({drink("Two")})};
    Reply version{.body = "Tumblerix 8.5"};
    bool wanted = false; // the answer when another version is offered
    QString since = u"1/1/2024"_s;
    QString abandonAt; // "row state" reached, or "two" while two.xml is on its way
    QString events = u"queued 1\nfinished"_s;
    QString states, status;
    int added = 0;
    int maxDocuments = MaxRunDocuments;
    qint64 maxBytes = MaxRunBytes;
    QString mark; // the date of the last update afterwards, when not the default
};

} // namespace

Q_DECLARE_METATYPE(RunCase)

class TestExchange : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<TestDataFolder> m_data;
    QStringList m_events; // what an update run reported, but its status and row changes

    void startRun(UpdateRun& run)
    {
        m_events.clear();
        const auto note = [this](const QString& what) { m_events << what; };
        const auto list = [](const QStringList& l) { return l.join(u" | "_s); };
        using R = UpdateRun;
        connect(&run, &R::connectionFailed, this, [=] { note(u"connectionFailed"_s); });
        connect(&run, &R::newerVersionChosen, this, [=](const QUrl& u) { note(u"newer "_s + u.toString()); });
        connect(&run, &R::indexUnavailable, this, [=] { note(u"indexUnavailable"_s); });
        connect(&run, &R::indexUnreadable, this, [=](const QString& s) { note(u"indexUnreadable "_s + s); });
        connect(&run, &R::entriesSkipped, this, [=](const QStringList& l) { note(u"skipped "_s + list(l)); });
        connect(&run, &R::itemsQueued, this, [=, &run] { note(u"queued %1"_s.arg(run.items().size())); });
        connect(&run, &R::incomplete, this, [=](const QStringList& l) { note(u"incomplete "_s + list(l)); });
        connect(&run, &R::documentsRefused, this, [=](const QStringList& l) { note(u"refused "_s + list(l)); });
        connect(&run, &R::finished, this, [=] { note(u"finished"_s); });
        run.setStartDelay(0);
        run.start();
    }

private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_data = std::make_unique<TestDataFolder>();
        m_data->createSmallDatabase();
    }

    void encoders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("amp");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("html");
        const QString a = u"&"_s, p = u"\"'?/+%;#*]>~"_s;
        QTest::newRow("empty") << QString() << a << QString() << QString();
        QTest::newRow("blanks only stay") << u"  "_s << a << u"  "_s << u"  "_s;
        QTest::newRow("markup") << u" A & <B>"_s << a << u" A &amp; &lt;B>"_s << u"%20A%20&amp;%20<B>"_s;
        QTest::newRow("punctuation") << p << a << p << p;
        QTest::newRow("controls, 127") << u"\t\r\n\u007f"_s << a << u"&#9;&#13;&#10;\u007f"_s
                                       << u"&#9;&#13;&#10;\u007f"_s;
        // One reference for a whole character, also beyond 16 bits.
        QTest::newRow("beyond ASCII") << u"\u0080\U0001F378"_s << a << u"&#128;&#127864;"_s
                                      << u"&#128;&#127864;"_s;
        QTest::newRow("other ampersand") << u"a&b< \u00e9"_s << u"*"_s << u"a*amp;b*lt; *#233;"_s
                                         << u"a*amp;b<%20*#233;"_s;
    }
    void encoders()
    {
        QFETCH(QString, text);
        QFETCH(QString, amp);
        QFETCH(QString, xml);
        QFETCH(QString, html);
        QCOMPARE(XMLEncodeEx(text, false, amp), xml);
        QCOMPARE(HTMLEncodeEx(text, false, amp), html);
    }

    void writeDrinkDocument_data()
    {
        QTest::addColumn<ExchangeDrink>("drink");
        QTest::addColumn<QString>("expected");
        // Every text is encoded; characters XML cannot carry are left out.
        QTest::newRow("every text")
            << ExchangeDrink{u"Caf\u00e9 & Co"_s, u"Pour <over> ice.\r\n\u00c9t\u00e9!"_s, u"2"_s,
                             {line("2 & \u00bd", "Gin <Old>"), line("4", "Cr\u00e8me", true, "Soda & <l>")}}
            << drinkXml(u"Caf&#233; &amp; Co"_s, u"Pour &lt;over> ice.&#13;&#10;&#201;t&#233;!"_s, u"2"_s,
                        lineXml("2 &amp; &#189;", "Gin &lt;Old>", "N") +
                            lineXml("4", "Cr&#232;me", "Y", "Soda &amp; &lt;l>"));
        QTest::newRow("characters XML cannot carry")
            << ExchangeDrink{u"A\u0001B\uFFFE"_s, u"x\ty\u001Fz"_s, u"2"_s,
                             {line("1\u0000", "G\uFFFFin", false, "\u0007S")}}
            << drinkXml(u"AB"_s, u"x&#9;yz"_s, u"2"_s, lineXml("1", "Gin", "N", "S"));
        QTest::newRow("no glass, no lines") << ExchangeDrink{u"  "_s, {}, {}, {}}
                                            << drinkXml(u"  "_s, {}, {}, {});
    }
    void writeDrinkDocument()
    {
        QFETCH(ExchangeDrink, drink);
        QFETCH(QString, expected);
        QCOMPARE(WriteDrinkDocument(drink), expected);
    }

    void readerTakesLayoutAndAbsentParts()
    {
        const QByteArray doc =
            "<?xml version=\"1.0\"?>\n<any>\n <drink>\n  <name>\n Sun  </name>\n  <directions/>\n"
            "  <glassType> 32767 </glassType>\n  <ingredients>\n"
            "   <i><amount>2 oz</amount><type><![CDATA[Orange & Juice]]></type></i>\n"
            "   <x><type>Syrup</type><amount/><noAlcohol>Y</noAlcohol><substitute>S</substitute></x>\n"
            "  </ingredients>\n </drink>\n <b><name>B</name><directions>d</directions>"
            "<glassType>-32768</glassType><ingredients/></b>\n</any>\n";
        QString error;
        const auto drinks = ReadDrinkDocument(doc, &error);
        QVERIFY2(drinks && drinks->size() == 2, qPrintable(error));
        QCOMPARE(flat(drinks->at(0)), u"Sun||32767|2 oz/Orange & Juice/N/;/Syrup/Y/S;"_s);
        QCOMPARE(flat(drinks->at(1)), u"B|d|-32768|"_s);
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<QString>("reason");
        const QByteArray ok = "<d><drink><name>A%2</name><directions>d</directions><glassType>1</glassType>"
                              "<ingredients><i><amount>1</amount><type>Gin</type></i></ingredients>"
                              "</drink></d>";
        const auto with = [&](const char* from, const char* to) { return QByteArray(ok).replace(from, to); };
        const QString named = u"drink 1 (\"A%2\") (line 1) has no "_s;
        QTest::newRow("not xml") << "update pending"_ba << u"line 1, column 1: *"_s;
        QTest::newRow("no name") << with("<name>A%2</name>", "") << u"drink 1 (line 1) has no \"name\"*"_s;
        QTest::newRow("blank name") << with(">A%2<", ">  <") << u"drink 1 (line 1) has no name."_s;
        QTest::newRow("no directions") << with("<directions>d</directions>", "")
                                       << named + u"\"directions\" element."_s;
        QTest::newRow("glass not a number") << with(">1</g", ">tall</g") << u"*\"tall\" is not a glass*"_s;
        QTest::newRow("glass beyond 16 bits") << with(">1</g", ">32768</g") << u"*not a glass number."_s;
        QTest::newRow("no ingredients") << with("<ingredients>", "<x>").replace("</ingredients>", "</x>")
                                        << named + u"\"ingredients\" element."_s;
        QTest::newRow("line without type") << with("<type>Gin</type>", "") << u"*recipe line 1*\"type\"*"_s;
        QTest::newRow("entity expansion")
            << "<!DOCTYPE d [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;\">]>" + with(">A%2<", ">&b;<")
            << u"line 1: document type declarations are not accepted."_s;
        QTest::newRow("nested too deeply") << "<d>" + "<a>"_ba.repeated(16) << u"line 1: elements are*"_s;
        QTest::newRow("too large") << QByteArray(MaxDocumentBytes + 1, ' ')
                                   << u"the document is larger than 32 MiB."_s;
    }
    void readerRefuses()
    {
        QFETCH(QByteArray, doc);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!ReadDrinkDocument(doc, &error));
        QVERIFY2(matchesPattern(error, reason), qPrintable(error));
    }

    void updateIndex()
    {
        QString error;
        const auto items = ReadUpdateIndex("<x> <y><date>7/1/03</date><file>d</file><count> 12 </count></y>\n"
                                           " <z><file>b</file><date>2003-07-02</date></z>\n</x>",
                                           &error);
        QCOMPARE(items.value_or(QList<UpdateIndexItem>()).size(), 2);
        const UpdateIndexItem &a = items->at(0), &b = items->at(1);
        QCOMPARE(a.date + u'|' + a.file + u'|' + a.count + u'|' + b.count, u"7/1/03|d|12|"_s);
        QVERIFY(!ReadUpdateIndex("<x><y><date>7/1/03</date></y></x>", &error));
        QCOMPARE(error, u"item 1 (line 1) has no \"file\" element."_s);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("shipped release date") << u"6/30/03"_s << QDate(2003, 6, 30);
        QTest::newRow("four-digit year, blanks") << u" 12/1/2024 "_s << QDate(2024, 12, 1);
        QTest::newRow("29 is 2029") << u"01/05/29"_s << QDate(2029, 1, 5);
        QTest::newRow("30 is 1930") << u"1/5/30"_s << QDate(1930, 1, 5);
        QTest::newRow("iso") << u"2024-02-29"_s << QDate(2024, 2, 29);
        QTest::newRow("no such day") << u"2/30/2024"_s << QDate();
        QTest::newRow("iso, no such day") << u"2023-02-29"_s << QDate();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(ParseExchangeDate(text).value_or(QDate()), date);
        if (date.isValid())
            QCOMPARE(ParseExchangeDate(FormatExchangeDate(date)).value_or(QDate()), date);
    }

    // Only documents released after the last update, each once, under a name that cannot leave the
    // data folder or stand for a file of the program: 1 to 64 letters, digits, "_" or "-".
    void selectUpdates()
    {
        const QString longest(64, u'a'), tooLong(65, u'a');
        const QList<UpdateIndexItem> items{
            {u"1/5/2024"_s, u"same_day"_s, u"4"_s}, {u"1/6/2024"_s, u"next_day"_s, u"2"_s},
            {u"2023-12-31"_s, u"older"_s, {}},      {u"soon"_s, u"undated"_s, {}},
            {u"2024-01-07"_s, u"../evil"_s, {}},    {u"2024-01-08"_s, u"NEXT_DAY"_s, {}},
            {u" 2024-01-09"_s, u" iso "_s, u"x"_s}, {u"1/7/2024"_s, u"Tumblerix.dat"_s, {}},
            {u"1/7/2024"_s, tooLong, {}},          {u"1/7/2024"_s, longest, {}},
        };
        QStringList problems;
        QStringList queued;
        for (const QueuedUpdate& q : SelectUpdates(items, QDate(2024, 1, 5), &problems))
            queued << u"%1 %2 %3"_s.arg(q.date, q.stem).arg(q.count);
        QCOMPARE(queued, (QStringList{u"1/6/2024 next_day 2"_s, u"1/7/2024 "_s + longest + u" 0"_s,
                                      u"2024-01-09 iso 0"_s})); // oldest first
        QCOMPARE(problems, (QStringList{u"\"undated\": the date \"soon\" cannot be read."_s,
                                        u"\"../evil\" is not an acceptable file name."_s,
                                        u"\"NEXT_DAY\" is listed more than once."_s,
                                        u"\"Tumblerix.dat\" is not an acceptable file name."_s,
                                        u'"' + tooLong + u"\" is not an acceptable file name."_s}));
    }

    // The last update remembers which documents of its day it took: one released later that day is
    // still offered. Settings written before the names were kept offer nothing of that day, as before.
    void updateMark()
    {
        const auto stems = [](const QList<QueuedUpdate>& queue) {
            QStringList out;
            for (const QueuedUpdate& q : queue)
                out << q.stem;
            return out;
        };
        const QList<UpdateIndexItem> items{{u"1/6/2024"_s, u"c"_s, {}}, {u"1/5/2024"_s, u"a"_s, {}},
                                           {u"2024-01-05"_s, u"b"_s, {}}};
        QStringList problems;
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, u"1/5/2024"_s);
        std::optional<UpdateMark> mark = ReadUpdateMark();
        QVERIFY(mark && !mark->stems);
        QCOMPARE(stems(SelectUpdates(items, *mark, &problems)), QStringList{u"c"_s});
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdateFiles, u"1/5/2024|a,../x"_s);
        mark = ReadUpdateMark();
        QVERIFY(mark && mark->stems == QStringList{u"a"_s});
        const QList<QueuedUpdate> queue = SelectUpdates(items, *mark, &problems);
        QCOMPARE(stems(queue), (QStringList{u"b"_s, u"c"_s}));
        QCOMPARE(problems, QStringList());
        // Nothing taken keeps the mark; the first taken adds its name; all taken moves to today.
        const QDate today(2024, 1, 9);
        QCOMPARE(NextUpdateMark(*mark, queue, 0, false, today).stems, mark->stems);
        WriteUpdateMark(NextUpdateMark(*mark, queue, 1, false, today));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::LastUpdateFiles), u"1/5/2024|a,b"_s);
        QCOMPARE(stems(SelectUpdates(items, *ReadUpdateMark(), &problems)), QStringList{u"c"_s});
        WriteUpdateMark(NextUpdateMark(*ReadUpdateMark(), queue.mid(1), 1, true, today));
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::LastUpdate), u"1/9/2024"_s);
        QCOMPARE(stems(SelectUpdates(items, *ReadUpdateMark(), &problems)), QStringList());
        // Names kept for another day (the date set back by an older version) are not this day's.
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, u"1/5/2024"_s);
        QVERIFY(!ReadUpdateMark()->stems);
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same, line end") << u"Tumblerix " TUMBLERIX_VERSION "\r\n"_s << false;
        QTest::newRow("same, shorter") << u"8.5"_s << false;
        QTest::newRow("older") << u"8.4.9"_s << false;
        QTest::newRow("older, more digits") << u"7.99"_s << false;
        QTest::newRow("newer patch") << u"8.5.1"_s << true;
        QTest::newRow("newer, two digits") << u"8.10"_s << true;
        QTest::newRow("no number") << u"soon"_s << false;
        QTest::newRow("empty") << QString() << false;
    }
    void versionCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, newer);
        QCOMPARE(OnlineSettings::IsNewerVersion(text), newer);
    }

    void writeFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        QTest::newRow("over a longer file") << u"longer"_s << true;
        QTest::newRow("over a link, not through it") << u"link"_s << true;
        QTest::newRow("folder missing") << u"missing/doc"_s << false;
        QTest::newRow("a folder in the way") << u"folder"_s << false;
    }
    void writeFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, written);
        QTemporaryDir dir;
        ::writeFile(dir.filePath(u"longer"_s), QByteArray(100, 'x'));
        ::writeFile(dir.filePath(u"target"_s), "keep me");
        QVERIFY(QFile::link(dir.filePath(u"target"_s), dir.filePath(u"link"_s)));
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        QString error;
        QCOMPARE(WriteFile(dir.filePath(name), "new", &error), written);
        QCOMPARE(fileBytes(dir.filePath(u"target"_s)), "keep me"_ba);
        if (written)
            QCOMPARE(fileBytes(dir.filePath(name)), "new"_ba);
        else
            QVERIFY2(error.startsWith(dir.filePath(name) + u" cannot be written: "_s), qPrintable(error));
    }

    void destroyFileBlanksThenRemoves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"doc"_s), second = dir.filePath(u"second name"_s);
        ::writeFile(path, QByteArray(5000, 'q'));
        // A second name for the same file shows what was written over the content.
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(second).constData()), 0);
        DestroyFile(path);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(fileBytes(second), QByteArray(8192, ' '));
        QVERIFY(QFile::link(second, path));
        DestroyFile(path); // a link goes, what it points to stays
        QVERIFY(!QFileInfo(path).isSymLink() && QFileInfo(second).size() == 8192);
    }

    void addingDrinks()
    {
        addTestDrink(u"Gin Fizz"_s, {{"2 oz", "Gin"}});
        const qint64 ingredients = queryNumber("SELECT COUNT(*) FROM Ingredients");
        const QList<ExchangeDrink> drinks{
            {u"Sunny Day"_s, u"Shake.\r\n"_s, u"2"_s, {line("1 oz", "lime juice"), line("3", "Grenadine")}},
            drink("gin fizz"),
            drink("Garden", "1", {line("1 oz", "Gin"), line("2 oz", "Elder", true, "Lime cordial")}),
            drink("Meadow", "3", {line("4 oz", "ELDER", false, "other")}),
        };
        const AddRecordsResult result = AddNewRecordsToDatabase(drinks);
        QCOMPARE(u"%1 %2 %3"_s.arg(result.added).arg(result.duplicates).arg(result.ingredientsCreated),
                 u"3 1 1"_s);
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Ingredients"), ingredients + 1);
        // The new ingredient takes the first line's substitute and mark; the later line finds it.
        const qint64 elder = DBLib::FindIngredientID(u"Elder"_s);
        QCOMPARE(DBLib::Database().scalar(u"SELECT NonAlcohol || Substitute FROM Ingredients WHERE ID = ?1"_s,
                                          {elder}),
                 QVariant(u"1Lime cordial"_s));
        QCOMPARE(queryNumber("SELECT MAX(DrinkID) FROM DrinkInfo WHERE IngID = ?1", {elder}), 4);
        // The next IDs; the glass, the directions and the lines as the document has them.
        const std::optional<DBLib::Drink> sunny = DBLib::ReadDrinkById(2);
        QVERIFY(sunny && sunny->name == u"SUNNY DAY"_s && sunny->glassType == 2);
        QCOMPARE(sunny->description, u"Shake.\r\n"_s);
        QCOMPARE(recipeLines(*sunny), (QStringList{u"1 oz|Lime Juice"_s, u"3|Grenadine"_s}));
        QCOMPARE(AddNewRecordsToDatabase(drinks).duplicates, 4);
    }

    void exportDrink()
    {
        DBLib::ExecuteSql(u"UPDATE Ingredients SET Substitute = 'S & l' WHERE Ingredient = 'Ginger Ale'"_s);
        const qint64 id = addTestDrink(u"G & A"_s, {{"2", "Gin"}, {"4 \u00e9", "Ginger Ale"}, {"", "Vodka"}},
                                       u"Highball Glass"_s);
        DBLib::ExecuteSql(u"UPDATE Drinks SET Description=?1 WHERE ID=?2"_s, {Lib::EncodeText(u"<\n"_s), id});
        const QString lines = lineXml("2", "Gin", "N") + lineXml("4 &#233;", "Ginger Ale", "Y", "S &amp; l") +
                              lineXml("", "Vodka", "N");
        QCOMPARE(ExportDrink(id), drinkXml(u"G &amp; A"_s, u"&lt;&#10;"_s, u"2"_s, lines));
        const qint64 bare = addTestDrink(u"Nothing"_s, {});
        DBLib::ExecuteSql(u"UPDATE Drinks SET GlassType = NULL, Description = NULL WHERE ID = ?1"_s, {bare});
        QCOMPARE(ExportDrink(bare), drinkXml(u"NOTHING"_s, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(Sql::Error, ExportDrink(999));
        DBLib::ExecuteSql(u"INSERT INTO DrinkInfo (DrinkID, IngID) VALUES (?1, 4242)"_s, {bare});
        QVERIFY_THROWS_EXCEPTION(Sql::Error, ExportDrink(bare));
    }

    void submissionRequest()
    {
        QCOMPARE(SubmissionBody(u"<?xml version=\"1.0\" ?><n>Gin &amp; It&#10;Cr\u00e8me+x</n>"_s),
                 "xml_doc=<?xml%20version=\"1.0\"%20?><n>Gin%20*amp;%20It*#10;Cr&#232;me+x</n>");
        QCOMPARE(BuildSubmissionRequest(QUrl(u"https://h:8443"_s), u"<a>b</a>"_s),
                 "POST https://h:8443/QZ/SubmitDrink.asp? HTTP/1.0\r\nContent-Type: application/x-www-form-"
                 "urlencoded\r\nContent-Length: 16\r\nConnection: Keep-Alive\r\n\r\nxml_doc=<a>b</a>");
    }

    void serviceAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("root");
        QTest::newRow("http") << u"http://drinks.example.com"_s << u"http://drinks.example.com"_s;
        QTest::newRow("host and port") << u"127.0.0.1:8080"_s << u"http://127.0.0.1:8080"_s;
        QTest::newRow("http's own port") << u"http://h:80"_s << u"http://h"_s;
        QTest::newRow("https's own port, path") << u" HTTPS://h:443/QZ/x?y "_s << u"https://h"_s;
        QTest::newRow("https, http's port") << u"https://h:80"_s << u"https://h:80"_s;
        QTest::newRow("other scheme") << u"ftp://h"_s << QString();
        QTest::newRow("no host") << u"http://"_s << QString();
        QTest::newRow("bad port") << u"http://h:port"_s << QString();
    }
    void serviceAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, root);
        QCOMPARE(OnlineSettings::ParseServiceAddress(text).toString(), root);
    }

    void timeout_data()
    {
        QTest::addColumn<qint64>("seconds"); // -1: not set
        QTest::addColumn<int>("ms");
        for (const auto& [s, ms] : {std::pair{-1, 30000}, {0, 30000}, {1, 1000}, {600, 600000}, {601, 30000}})
            QTest::addRow("%d", s) << qint64(s) << ms;
    }
    void timeout()
    {
        QFETCH(qint64, seconds);
        QFETCH(int, ms);
        if (seconds >= 0)
            ModuleRegistry::WriteRegistryValue(OnlineSettings::ServiceTimeoutName, seconds);
        QCOMPARE(OnlineSettings::RequestTimeoutMs(), ms);
    }

    void client_data()
    {
        QTest::addColumn<QString>("root"); // empty: the scripted service
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text"); // the body, or the reason
        const QByteArray head = "HTTP/1.0 200 OK\r\n\r\n";
        const QString big = u"The answer is larger than the 10 bytes allowed."_s, none;
        const QString closed = u"http://127.0.0.1:1"_s, ten = u"0123456789"_s;
        QTest::newRow("exactly the limit") << none << Reply{.raw = head + ten.toLatin1()} << true << ten;
        QTest::newRow("over the limit, unsaid") << none << Reply{.raw = head + "0123456789A"} << false << big;
        QTest::newRow("length over the limit") << none << Reply{.body = "0123456789A"} << false << big;
        QTest::newRow("299") << none << Reply{.status = 299, .body = "x"} << true << u"x"_s;
        QTest::newRow("199") << none << Reply{.status = 199} << false << u"The service answered 199*"_s;
        QTest::newRow("never answers") << none << Reply{.hang = true} << false << u"The service did not*"_s;
        QTest::newRow("nobody listening") << closed << Reply{} << false << u"Connection refused"_s;
        QTest::newRow("no address") << u"-"_s << Reply{} << false
                                    << u"The address of the drink exchange service is not valid."_s;
    }
    void client()
    {
        QFETCH(QString, root);
        QFETCH(Reply, reply);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        ScriptedService service;
        service.replies[u"/a"_s] = reply;
        ExchangeClient client(root.isEmpty() ? service.start() : QUrl(root == u"-" ? QString() : root), 500);
        std::optional<FetchResult> result;
        client.get(u"/a?b=1/2"_s, 10, [&](const FetchResult& r) { result = r; });
        QVERIFY(!result); // the answer comes later, always
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), Patience);
        QVERIFY(result->ok == ok && !client.busy());
        const QString got = ok ? QString::fromUtf8(result->body) : result->error;
        QVERIFY2(matchesPattern(got, text), qPrintable(got));
        if (root.isEmpty())
            QVERIFY(service.requests.value(0).startsWith("GET /a?b=1/2 HTTP/1.1\r\n"));
    }

    void sender_data()
    {
        QTest::addColumn<QString>("root"); // empty: the scripted service
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<QString>("error");
        const QString unreadable = u"The service's answer cannot be read."_s, none;
        const QString closed = u"http://127.0.0.1:1"_s;
        const auto answer = [](const QByteArray& bytes) { return Reply{.raw = bytes}; };
        const QString refused = u"The service refused the drink: "_s;
        QTest::newRow("200, no reason") << none << answer("HTTP/1.1 200\r\n\r\nThanks") << true << none;
        QTest::newRow("299") << none << answer("HTTP/1.0 299 Fine\r\n\r\n") << true << none;
        QTest::newRow("199") << none << answer("HTTP/1.0 199 Early\r\n") << false << refused + u"199 Early"_s;
        QTest::newRow("500") << none << answer("HTTP/1.0 500 Down\r\n") << false << refused + u"500 Down"_s;
        QTest::newRow("not HTTP") << none << answer("FTP/1.0 200 OK\r\n\r\n") << false << unreadable;
        QTest::newRow("no status") << none << answer("HTTP/1.0 OK\r\n\r\n") << false << unreadable;
        QTest::newRow("empty first line") << none << answer("\r\nHTTP/1.0 200 OK\r\n") << false << unreadable;
        QTest::newRow("first line past 4096 bytes") << none << answer(QByteArray(5000, 'x') + "\r\n") << false
                                                    << unreadable;
        QTest::newRow("status, then a long answer")
            << none << answer("HTTP/1.0 200 OK\r\n" + QByteArray(5000, 'x')) << true << none;
        QTest::newRow("closes without answering") << none << answer("") << true << none;
        QTest::newRow("says nothing, stays open") << none << Reply{.hang = true} << true << none;
        QTest::newRow("nobody listening") << closed << Reply{} << false << u"Connection refused"_s;
    }
    void sender()
    {
        QFETCH(QString, root);
        QFETCH(Reply, reply);
        QFETCH(bool, delivered);
        QFETCH(QString, error);
        ScriptedService service;
        service.replies[u"/QZ/SubmitDrink.asp"_s] = reply;
        const QUrl url = root.isEmpty() ? service.start() : QUrl(root);
        const QByteArray request = BuildSubmissionRequest(url, WriteDrinkDocument(drink("Sent")));
        SubmissionSender sender(500);
        QSignalSpy done(&sender, &SubmissionSender::finished);
        sender.SendDrink(url, request);
        QVERIFY(sender.busy());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, Patience);
        QTest::qWait(20); // one report only
        QCOMPARE(done, (QList<QVariantList>{{delivered, error}}));
        QVERIFY(!sender.busy());
        if (root.isEmpty())
            QCOMPARE(service.requests.value(0), request);
    }

    void serviceAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("stored"); // submissions kept before
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("body");
        const auto get = [](const char* path, const char* method = "GET") -> QByteArray {
            return QByteArray(method) + ' ' + path + " HTTP/1.0\r\n\r\n";
        };
        const auto post = [](const QByteArray& body) -> QByteArray {
            return "POST /QZ/SubmitDrink.asp HTTP/1.0\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\n\r\n" + body;
        };
        const QByteArray sent = SubmissionBody(WriteDrinkDocument(drink("Kept & Sent")));
        // The paths and the query an update run uses.
        QTest::newRow("index") << get("/QZ/GetDrinkUpdates.asp?hash_code=x&last_update=1/1/2024") << 0
                               << "200"_ba << u"*<file>feb1</file><count>1</count>*"_s;
        QTest::newRow("document") << get("/QZ/feb1.xml") << 0 << "200"_ba << u"<drinks><drink><name>F*"_s;
        QTest::newRow("check by HEAD") << get("/QZ/CheckInternet.asp", "HEAD") << 0 << "200"_ba << u"0"_s;
        QTest::newRow("check by DELETE") << get("/QZ/CheckInternet.asp", "DELETE") << 0 << "405"_ba
                                         << u"Only GET*"_s;
        QTest::newRow("dotted document name") << get("/QZ/a.b.xml") << 0 << "404"_ba << u"No such drink*"_s;
        QTest::newRow("submission") << post(sent) << 1 << "200"_ba << u"Thank you for your submission.\n"_s;
        QTest::newRow("submissions full") << post(sent) << 2 << "503"_ba << u"No more submissions*"_s;
        QTest::newRow("too large") << post(sent + QByteArray(4096, 'x')) << 0 << "413"_ba << u"*large.\n"_s;
        QTest::newRow("no drink") << post("xml_doc=<drinks/>") << 0 << "400"_ba << u"*holds no drink.\n"_s;
        QTest::newRow("stray ampersand") << post("xml_doc=<a>&x</a>") << 0 << "400"_ba << u"*on 11.\n"_s;
    }
    void serviceAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, stored);
        QFETCH(QByteArray, status);
        QFETCH(QString, body);
        QTemporaryDir dir;
        ::writeFile(dir.filePath(u"a.b.xml"_s), exchangeDocument({drink("F")}));
        QFile feb1(::writeFile(dir.filePath(u"feb1.xml"_s), exchangeDocument({drink("F")})));
        QVERIFY(feb1.open(QIODevice::ReadWrite) &&
                feb1.setFileTime(QDateTime(QDate(2024, 2, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
        QDir(dir.path()).mkdir(u"in"_s);
        for (int i = 0; i < stored; ++i)
            ::writeFile(dir.filePath(u"in/earlier%1.xml"_s.arg(i)), "x");
        ExchangeService service({dir.path(), dir.filePath(u"in"_s), 4096, 1 << 20, 2, 2000});
        const QByteArray answer = exchangeRaw(service.start(QHostAddress::LocalHost, 0, nullptr), request);
        QVERIFY2(answer.startsWith("HTTP/1.") && answer.mid(9, 3) == status, answer.constData());
        const QString got = QString::fromUtf8(answer.mid(answer.indexOf("\r\n\r\n") + 4));
        QVERIFY2(matchesPattern(got, body), answer.constData());
        const QStringList kept = QDir(dir.filePath(u"in"_s)).entryList({u"submission-*.xml"_s});
        QCOMPARE(kept.size(), int(request.startsWith("POST") && status == "200"));
    }

    // A submitted name cannot start a line of its own in the service's log.
    void serviceLogKeepsOneLinePerEntry()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(u"in"_s);
        ExchangeService service({dir.path(), dir.filePath(u"in"_s), 4096, 1 << 20, 2, 2000});
        QStringList lines;
        service.setLog([&](const QString& line) { lines << line; });
        const QByteArray body =
            SubmissionBody(WriteDrinkDocument(drink("Evil\r\n127.0.0.1 GET /forged 200\u2028\\x{a}")));
        const QByteArray answer = exchangeRaw(service.start(QHostAddress::LocalHost, 0, nullptr),
                                              "POST /QZ/SubmitDrink.asp HTTP/1.0\r\nContent-Length: " +
                                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QVERIFY2(answer.mid(9, 3) == "200", answer.constData());
        const QString all = lines.join(u'\n');
        QCOMPARE(all.count(u'\n'), lines.size() - 1);
        QVERIFY(!all.contains(u'\r') && !all.contains(QChar(0x2028)));
        QVERIFY2(all.contains(u"(Evil\\x{d}\\x{a}127.0.0.1 GET /forged 200\\x{2028}\\\\x{a})"_s), qPrintable(all));
    }

    // Whole update runs. Whatever goes wrong, nothing of a failed document is kept, the date of
    // the last update moves only when every document was added, and no file is left behind.
    void run_data()
    {
        QTest::addColumn<RunCase>("c");
        const Reply oldAndNew{.body = exchangeIndex({u"6/30/03 one"_s, u"7/1/03 two"_s})};
        const Reply two{.body = exchangeIndex({u"2/1/2024 one"_s, u"2/2/2024 two"_s})};
        const QString added = u"Drink Update Completed"_s, incomplete = u"The drink update is not*"_s;
        const QString notFound = u"Error transferring *one.xml - server replied: Scripted"_s;
        const QString failed = u"queued 1\nincomplete one"_s, notAdded = u"Not added"_s;
        // Every document added: the date of the last update becomes today.
        const auto succeeds = [&](RunCase c, int drinks = 1) {
            c.states = c.states.isEmpty() ? added : c.states;
            c.status = u"Drink Database Completed.  Enjoy!"_s + c.status;
            c.added = drinks;
            return c;
        };
        QTest::newRow("new drinks") << succeeds({.one = {.body = exchangeDocument({drink("A"), drink("B")})}},
                                                2);
        QTest::newRow("first run") << succeeds({.index = oldAndNew, .since = {}});
        QTest::newRow("last update unreadable")
            << succeeds({.index = oldAndNew, .since = u"someday"_s,
                         .events = u"queued 1\nskipped The date of the last update, \"someday\", cannot be "
                                   "read; updates since 6/30/03 were asked for.\nfinished"_s});
        QTest::newRow("check fails") << RunCase{.check = "1", .since = {}, .events = u"connectionFailed*"_s};
        QTest::newRow("index not XML") << RunCase{.index = {.body = "<updates><update>"},
                                                  .events = u"indexUnreadable line 1*\nfinished"_s,
                                                  .status = u"The list of updates cannot be read."_s};
        QTest::newRow("index not fetched")
            << RunCase{.index = {.status = 503}, .events = u"indexUnavailable\nfinished"_s,
                       .status = u"The list of updates could not be fetched: Error transferring *"_s};
        QTest::newRow("blank index") << RunCase{.index = {.body = " \r\n"}, .events = u"indexUnavailable*"_s,
                                                .status = u"Checking*"_s};
        QTest::newRow("unsafe names")
            << RunCase{.index = {.body = exchangeIndex({u"2/1/2024 ../x"_s, u"2/1/2024 /tmp/y"_s})},
                       .events = u"queued 0\nskipped \"../x\" is not an acceptable file name. | \"/tmp/y*"_s,
                       .status = u"You have the latest update."_s};
        QTest::newRow("document error status")
            << RunCase{.one = {.status = 500}, .events = failed + u": "_s + notFound + u"\nfinished"_s,
                       .states = u"Download failed"_s, .status = incomplete};
        // A document that cannot be read is passed over for good, and the date moves past it.
        QTest::newRow("document not XML")
            << RunCase{.one = {.body = "<drinks>"}, .events = u"queued 1\nrefused one (released 2/1/2024): line 1*"_s,
                       .states = notAdded,
                       .status = u"Drink Database Completed.  Enjoy!  1 document could not be read and was passed over."_s};
        // A glass number this program does not know is kept with the drink.
        const QList<ExchangeIngredient> fresh{line("1", "New")};
        QTest::newRow("glass that names no glass")
            << succeeds({.one = {.body = exchangeDocument({drink("F", "1", fresh), drink("Odd", "77")})},
                         .status = u"* 1 new drink names a glass this program does not know."_s},
                        2);
        QTest::newRow("name with no stored form")
            << RunCase{.one = {.body = exchangeDocument({drink("F", "1", fresh), drink("\U0010FFF5")})},
                       .events = failed + u" (released 2/1/2024): *"_s, .states = notAdded,
                       .status = incomplete};
        QTest::newRow("one of two")
            << RunCase{.index = two, .one = {.status = 404},
                       .events = u"queued 2\nincomplete one: "_s + notFound + u'*',
                       .states = u"Download failed, "_s + added, .status = incomplete, .added = 1};
        // Another version of the program is offered only when its text was fetched and differs.
        const Reply newer{.body = "Tumblerix 9.0"};
        QTest::newRow("same version") << succeeds({.wanted = true});
        QTest::newRow("no version text") << succeeds({.version = {}, .wanted = true});
        QTest::newRow("version not fetched")
            << succeeds({.version = {.status = 404, .body = newer.body}, .wanted = true});
        QTest::newRow("newer, not wanted")
            << succeeds({.version = newer, .events = u"asked Tumblerix 9.0\nqueued 1\nfinished"_s});
        QTest::newRow("newer, wanted")
            << RunCase{.version = newer, .wanted = true,
                       .events = u"asked Tumblerix 9.0\nnewer http://127.0.0.1:*/download.asp\nfinished"_s,
                       .status = u"Checking*"_s};
        // A run the user walks away from fetches and adds nothing more.
        const QString walkedAway = u"queued 2\nfinished"_s;
        QTest::newRow("abandoned in the second download")
            << RunCase{.index = two, .two = {.hang = true}, .abandonAt = u"two"_s, .events = walkedAway,
                       .states = u"Download complete, Downloading drink file"_s, .status = u"Downloading*"_s};
        QTest::newRow("abandoned after the first download")
            << RunCase{.index = two, .abandonAt = u"0 Download complete"_s, .events = walkedAway,
                       .states = u"Download complete, Queued For Download"_s, .status = u"Downloading*"_s};
        // What one run takes at most; the date moves over what it took, the next check asks for the rest.
        const QString rest = u"Drink updates added; the next check fetches the rest."_s;
        QTest::newRow("more documents than a run takes")
            << RunCase{.index = two,
                       .events = u"queued 1\nskipped The service offers 2 documents; this check takes the first "
                                 "1 (up to 2/1/2024), the next check the rest.\nfinished"_s,
                       .states = added, .status = rest, .added = 1, .maxDocuments = 1, .mark = u"2/1/2024"_s};
        QTest::newRow("more bytes than a run takes")
            << RunCase{.index = two,
                       .events = u"queued 2\nskipped This check has downloaded 0 MiB, as much as one check takes; "
                                 "the next check fetches the rest.\nfinished"_s,
                       .states = added + u", Left for the next check"_s, .status = rest, .added = 1,
                       .maxBytes = exchangeDocument({drink("Fine")}).size() + 1, .mark = u"2/1/2024"_s};
        QTest::newRow("abandoned after adding the first")
            << RunCase{.index = two, .abandonAt = u"0 "_s + added, .events = walkedAway,
                       .states = added + u", Download complete"_s, .status = u"Adding*"_s, .added = 1};
    }
    // Downloads go into a folder of the run's own, whatever the service calls them: files of the
    // data folder (in portable use the program's own folder) with the same names stay untouched,
    // and the run's folder is gone at the end.
    void downloadsStayInTheRunsFolder()
    {
        QTemporaryDir temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const QStringList stems{u"Tumblerix"_s, u"print"_s, u"custom"_s, program};
        ScriptedService service;
        service.replies[u"/QZ/CheckInternet.asp"_s] = {.body = "0"};
        QStringList index;
        for (const QString& stem : stems) {
            ::writeFile(m_data->file(stem), "mine " + stem.toUtf8());
            index << u"2/1/2024 "_s + stem;
            service.replies[u"/QZ/%1.xml"_s.arg(stem)] = {.body = exchangeDocument({drink(qPrintable(stem))})};
        }
        service.replies[u"/QZ/GetDrinkUpdates.asp"_s] = {.body = exchangeIndex(index)};
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, u"1/1/2024"_s);
        UpdateRun run(service.start(), 1000);
        QStringList seen; // the run's folder while a document waits in it
        connect(&run, &UpdateRun::itemChanged, this, [&](int row) {
            if (run.items()[row].state != u"Download complete")
                return;
            const QStringList folders = QDir(temp.path()).entryList({u"tumblerix-update-*"_s}, QDir::Dirs);
            if (folders.size() == 1)
                seen << QDir(temp.filePath(folders[0])).entryList(QDir::Files);
        });
        startRun(run);
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(u"finished"_s), Patience);
        qputenv("TMPDIR", oldTemp);
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Drinks"), stems.size());
        QVERIFY2(seen.contains(u"print.xml"_s) && seen.contains(program + u".xml"_s), qPrintable(seen.join(u' ')));
        for (const QString& stem : stems)
            QCOMPARE(fileBytes(m_data->file(stem)), "mine " + stem.toUtf8());
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void run()
    {
        QFETCH(RunCase, c);
        ScriptedService service;
        service.replies[u"/QZ/CheckInternet.asp"_s] = {.body = c.check};
        service.replies[u"/QZ/GetDrinkUpdates.asp"_s] = c.index;
        service.replies[u"/QZ/QZversion.txt"_s] = c.version;
        service.replies[u"/QZ/one.xml"_s] = c.one;
        service.replies[u"/QZ/two.xml"_s] = c.two;
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, c.since);
        const qint64 ingredients = queryNumber("SELECT COUNT(*) FROM Ingredients");

        UpdateRun run(service.start(), 1000);
        run.setLimits(c.maxDocuments, c.maxBytes);
        run.setNewerVersionQuestion([&](const QString& version) {
            m_events << u"asked "_s + version;
            return c.wanted;
        });
        // Whoever takes the user to the download page may close everything: the run has ended by then.
        connect(&run, &UpdateRun::newerVersionChosen, &run, &UpdateRun::abandon);
        connect(&run, &UpdateRun::itemChanged, this, [&](int row) {
            if (u"%1 %2"_s.arg(row).arg(run.items()[row].state) == c.abandonAt)
                run.abandon();
        });
        startRun(run);
        if (c.abandonAt == u"two") {
            QTRY_COMPARE_WITH_TIMEOUT(service.count(u"/QZ/two.xml"_s), 1, Patience);
            QCOMPARE(strayFiles(m_data->path()), QStringList()); // downloads wait outside the data folder
            run.abandon();
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(u"finished"_s), Patience);
        run.start(); // once only
        QTest::qWait(20); // nothing more may follow the end
        QVERIFY2(matchesPattern(m_events.join(u'\n'), c.events), qPrintable(m_events.join(u'\n')));
        QCOMPARE(service.count(u"/QZ/CheckInternet.asp"_s), 1);
        QVERIFY2(matchesPattern(run.status(), c.status), qPrintable(run.status()));
        QStringList states;
        for (const UpdateRun::Item& item : run.items())
            states << item.state;
        QCOMPARE(states.join(u", "_s), c.states);
        QCOMPARE(QList<bool>({run.running(), run.updatesFound(), run.addedAny()}),
                 QList<bool>({false, !c.states.isEmpty(), c.added > 0}));
        QCOMPARE(queryNumber("SELECT COUNT(*) FROM Drinks"), c.added);
        if (!c.added)
            QCOMPARE(queryNumber("SELECT COUNT(*) FROM Ingredients"), ingredients);
        QCOMPARE(strayFiles(m_data->path()), QStringList());
        // Asked with the kept installation code and the date as stored; the date moves on success only.
        const QString since = c.since.isEmpty() ? u"6/30/03"_s : c.since;
        const bool dated = c.status.startsWith(u"Drink Database Completed"_s);
        QCOMPARE(ModuleRegistry::ReadText(ModuleRegistry::LastUpdate),
                 !c.mark.isEmpty() ? c.mark : dated ? FormatExchangeDate(QDate::currentDate()) : since);
        const QByteArray query = "GET /QZ/GetDrinkUpdates.asp?hash_code=" +
                                 OnlineSettings::InstallationCode().toUtf8() + "&last_update=" +
                                 since.toUtf8();
        QCOMPARE(service.requests.value(1).startsWith(QByteArray(query + " HTTP")), c.check == "0");
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
