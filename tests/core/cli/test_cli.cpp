#include "TestSupport.h"

#include "core/cli/CommandLine.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* t : texts)
        list << QString::fromUtf8(t);
    return list;
}

struct Result
{
    int status;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// The real program, without a display unless one is asked for; its exit code and what it printed.
std::pair<int, QByteArray> runProgram(const QStringList& arguments, const QString& configHome = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!configHome.isEmpty()) {
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"TUMBLERIX_EXIT_AFTER_LOAD"_s, u"1"_s); // quit once the list is shown
        env.insert(u"XDG_CONFIG_HOME"_s, configHome);
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TUMBLERIX_EXECUTABLE), arguments);
    if (!p.waitForFinished(60000))
        return {-1, {}};
    return {p.exitCode(), p.readAllStandardOutput()};
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;

    Result run(const QStringList& arguments)
    {
        DBLib::CloseRecipeDatabase();
        QString out, err;
        QTextStream o(&out), e(&err);
        const int status = CommandLine::Run(QStringList{u"tumblerix"_s, u"--data-dir"_s, m_dir->path()} + arguments, o, e);
        o.flush();
        e.flush();
        // The command closed the database it opened; the test reads what it left.
        const QString database = QDir(m_dir->path()).filePath(u"Tumblerix.dat"_s);
        if (!DBLib::IsOpen() && QFileInfo::exists(database))
            DBLib::OpenRecipeDatabase(database);
        return {status, out, err};
    }
    Result run(std::initializer_list<const char*> arguments) { return run(L(arguments)); }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        DBLib::CloseRecipeDatabase();
        m_dir.reset();
    }

    void consoleOrWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("console");
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("data folder only") << L({"--data-dir", "list"}) << false;
        QTest::newRow("a file to open") << L({"recipes.json"}) << false;
        QTest::newRow("help") << L({"--help"}) << true;
        QTest::newRow("version") << L({"-v"}) << true;
        QTest::newRow("report") << L({"--data-dir", "d", "--report"}) << true;
        QTest::newRow("command") << L({"--data-dir=d", "plan"}) << true;
    }
    void consoleOrWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, console);
        QCOMPARE(CommandLine::IsConsoleCommand(QStringList{u"tumblerix"_s} + arguments), console);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown command") << L({"dance"});
        QTest::newRow("unknown option") << L({"--colour"});
        QTest::newRow("bad view") << L({"list", "--view", "cheap"});
        QTest::newRow("show without name") << L({"show"});
        QTest::newRow("top not a number") << L({"plan", "--top", "many"});
        QTest::newRow("stock without action") << L({"stock"});
        QTest::newRow("stock add nothing") << L({"stock", "add"});
        QTest::newRow("bad format") << L({"export", "--format", "pdf"});
        QTest::newRow("import nothing") << L({"import"});
        QTest::newRow("check with an argument") << L({"check", "now"});
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const Result r = run(arguments);
        QCOMPARE(r.status, CommandLine::BadUsage);
        QVERIFY(r.err.contains(u"--help"_s));
        QVERIFY(r.out.isEmpty());
    }

    void checkOnDemand()
    {
        const Result r = run({"check"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(u"is intact."_s), qPrintable(r.out + r.err));
    }

    void listAndShow()
    {
        Result r = run({"list"});
        QCOMPARE(r.status, 0);
        const QStringList names = r.out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(names.size() > 100);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), Lib::ListLess); // accents and letter case aside
        QCOMPARE(names, sorted);
        r = run({"list", "--view", "stock"});
        QVERIFY(r.status == 0 && r.out.isEmpty() && r.err.contains(u"at least one ingredient"_s));

        r = run({"show", "gin and tonic", "--json"});
        QCOMPARE(r.status, 0);
        const QJsonObject drink = r.json();
        QCOMPARE(drink.value(u"name"_s).toString() + u'|' + drink.value(u"glass"_s).toString(),
                 u"GIN AND TONIC|Highball Glass"_s);
        const QJsonObject gin = drink.value(u"lines"_s).toArray().first().toObject();
        QCOMPARE(gin.value(u"amount"_s).toString() + u'|' + gin.value(u"ingredient"_s).toString(), u"2 oz|Gin"_s);
        QCOMPARE(qRound(gin.value(u"ml"_s).toDouble() * 10), 592);
        QCOMPARE(gin.value(u"strength"_s).toDouble(), 40.0);
        for (const char* key : {"volumeMl", "abv", "abvServed", "standardDrinks"})
            QVERIFY2(drink.contains(QLatin1String(key)), key);

        r = run({"show", "NO SUCH DRINK"});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.err.contains(u"NO SUCH DRINK"_s));
    }

    void stockAndPlan()
    {
        Result r = run({"stock", "add", "gin", "Nonesuch"});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.err.contains(u"Nonesuch"_s));
        r = run({"list", "--view", "stock"});
        QVERIFY(r.err.contains(u"at least one ingredient"_s)); // nothing was changed

        QCOMPARE(run({"stock", "add", "gin", "TONIC WATER", "Vodka", "lime juice", "Orange Juice"}).status, 0);
        QCOMPARE(run({"stock", "remove", "vodka"}).status, 0);
        QCOMPARE(DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true),
                 L({"Gin", "Lime Juice", "Orange Juice", "Tonic Water"}));

        r = run({"plan", "--json", "--top", "2"});
        QCOMPARE(r.status, 0);
        const QJsonObject plan = r.json();
        const QJsonArray buyNext = plan.value(u"buyNext"_s).toArray();
        QCOMPARE(buyNext.size(), 2);
        const auto first = [](const QJsonValue& list) { return list.toArray().first().toObject(); };
        QVERIFY(buyNext.first().toObject().value(u"drinks"_s).toInt() >= buyNext.last().toObject().value(u"drinks"_s).toInt());
        QCOMPARE(first(plan.value(u"oneMissing"_s)).value(u"ingredient"_s), buyNext.first().toObject().value(u"ingredient"_s));
        QVERIFY(!plan.value(u"sequence"_s).toArray().isEmpty());
        QCOMPARE(first(plan.value(u"twoMissing"_s)).value(u"ingredients"_s).toArray().size(), 2);
        QVERIFY(run({"plan"}).out.contains(u"Buy next:"_s));
    }

    void exportAndImport()
    {
        const QString file = m_dir->filePath(u"two.csv"_s);
        Result r = run(L({"export", "--format", "csv", "--drink", "margarita", "--drink", "Gin and Tonic", "--output"}) << file);
        QCOMPARE(r.status, 0);
        QCOMPARE(run({"export", "--drink", "nothing like it"}).status, CommandLine::Failure);
        r = run({u"import"_s, file});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(u"Drinks skipped because one of that name is stored: 2"_s));
        QFile bad(m_dir->filePath(u"bad.json"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("{") == 1);
        bad.close();
        r = run({u"import"_s, bad.fileName()});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.out.contains(u"bad.json: not imported"_s));
        QCOMPARE(run({u"import"_s, m_dir->filePath(u"missing.json"_s)}).status, CommandLine::Failure);
    }

    // The real program answers --version and --help without any display to show windows on.
    void noDisplayNeeded()
    {
        const auto [status, out] = runProgram({u"--help"_s});
        QCOMPARE(status, 0);
        QVERIFY(out.contains("plan [--substitutes]"));
    }

    // Files named for the window open it (their import follows); an unknown option is refused.
    void windowArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("a file") << L({"recipes.json"}) << 0;
        QTest::newRow("data folder given with =") << L({"--data-dir=DIR", "recipes.csv"}) << 0;
        QTest::newRow("unknown option") << L({"--colour", "recipes.json"}) << int(CommandLine::BadUsage);
    }
    void windowArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        arguments.replaceInStrings(u"DIR"_s, m_dir->path());
        if (!arguments.first().startsWith(u"--data-dir="_s))
            arguments = QStringList{u"--data-dir"_s, m_dir->path()} + arguments;
        const auto [exitCode, out] = runProgram(arguments, m_dir->path());
        QCOMPARE(exitCode, status);
        QCOMPARE(out.contains("first paint"), status == 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
