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

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;

    Result run(QStringList arguments)
    {
        DBLib::CloseRecipeDatabase();
        arguments.prepend(m_dir->path());
        arguments.prepend(QStringLiteral("--data-dir"));
        arguments.prepend(QStringLiteral("tumblerix"));
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        const int status = CommandLine::Run(arguments, o, e);
        o.flush();
        e.flush();
        // The command closed the database it opened; the test reads what it left.
        const QString database = QDir(m_dir->path()).filePath(QStringLiteral("Tumblerix.dat"));
        if (!DBLib::IsOpen() && QFileInfo::exists(database))
            DBLib::OpenRecipeDatabase(database);
        return {status, out, err};
    }

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
        arguments.prepend(QStringLiteral("tumblerix"));
        QCOMPARE(CommandLine::IsConsoleCommand(arguments), console);
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
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const Result r = run(arguments);
        QCOMPARE(r.status, CommandLine::BadUsage);
        QVERIFY(r.err.contains(QStringLiteral("--help")));
        QVERIFY(r.out.isEmpty());
    }

    void checkOnDemand()
    {
        const Result r = run({QStringLiteral("check")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("is intact.")), qPrintable(r.out + r.err));
        QCOMPARE(run({QStringLiteral("check"), QStringLiteral("now")}).status, CommandLine::BadUsage);
    }

    void listAndShow()
    {
        Result r = run({QStringLiteral("list")});
        QCOMPARE(r.status, 0);
        const QStringList names = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(names.size() > 100);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), Lib::ListLess); // accents and letter case aside
        QCOMPARE(names, sorted);
        r = run({QStringLiteral("list"), QStringLiteral("--view"), QStringLiteral("stock")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains(QStringLiteral("at least one ingredient")));

        r = run({QStringLiteral("show"), QStringLiteral("gin and tonic"), QStringLiteral("--json")});
        QCOMPARE(r.status, 0);
        const QJsonObject drink = r.json();
        QCOMPARE(drink.value(QStringLiteral("name")).toString(), QStringLiteral("GIN AND TONIC"));
        QCOMPARE(drink.value(QStringLiteral("glass")).toString(), QStringLiteral("Highball Glass"));
        const QJsonObject gin = drink.value(QStringLiteral("lines")).toArray().first().toObject();
        QCOMPARE(gin.value(QStringLiteral("amount")).toString(), QStringLiteral("2 oz"));
        QCOMPARE(gin.value(QStringLiteral("ingredient")).toString(), QStringLiteral("Gin"));
        QCOMPARE(qRound(gin.value(QStringLiteral("ml")).toDouble() * 10), 592);
        QCOMPARE(gin.value(QStringLiteral("strength")).toDouble(), 40.0);
        for (const char* key : {"volumeMl", "abv", "abvServed", "standardDrinks"})
            QVERIFY2(drink.contains(QLatin1String(key)), key);

        r = run({QStringLiteral("show"), QStringLiteral("NO SUCH DRINK")});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.err.contains(QStringLiteral("NO SUCH DRINK")));
    }

    void stockAndPlan()
    {
        Result r = run({QStringLiteral("stock"), QStringLiteral("add"), QStringLiteral("gin"), QStringLiteral("Nonesuch")});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.err.contains(QStringLiteral("Nonesuch")));
        r = run({QStringLiteral("list"), QStringLiteral("--view"), QStringLiteral("stock")});
        QVERIFY(r.err.contains(QStringLiteral("at least one ingredient"))); // nothing was changed

        r = run({QStringLiteral("stock"), QStringLiteral("add"), QStringLiteral("gin"), QStringLiteral("TONIC WATER"),
                 QStringLiteral("Vodka"), QStringLiteral("lime juice"), QStringLiteral("Orange Juice")});
        QCOMPARE(r.status, 0);
        r = run({QStringLiteral("stock"), QStringLiteral("remove"), QStringLiteral("vodka")});
        QCOMPARE(r.status, 0);
        QCOMPARE(DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true),
                 (QStringList{QStringLiteral("Gin"), QStringLiteral("Lime Juice"), QStringLiteral("Orange Juice"),
                              QStringLiteral("Tonic Water")}));

        r = run({QStringLiteral("plan"), QStringLiteral("--json"), QStringLiteral("--top"), QStringLiteral("2")});
        QCOMPARE(r.status, 0);
        const QJsonObject plan = r.json();
        const QJsonArray buyNext = plan.value(QStringLiteral("buyNext")).toArray();
        QCOMPARE(buyNext.size(), 2);
        QVERIFY(buyNext.first().toObject().value(QStringLiteral("drinks")).toInt() >=
                buyNext.last().toObject().value(QStringLiteral("drinks")).toInt());
        const QJsonObject group = plan.value(QStringLiteral("oneMissing")).toArray().first().toObject();
        QCOMPARE(group.value(QStringLiteral("ingredient")), buyNext.first().toObject().value(QStringLiteral("ingredient")));
        QVERIFY(!plan.value(QStringLiteral("sequence")).toArray().isEmpty());
        QVERIFY(plan.value(QStringLiteral("twoMissing")).toArray().first().toObject().value(QStringLiteral("ingredients")).toArray().size() == 2);

        r = run({QStringLiteral("plan")});
        QVERIFY(r.out.contains(QStringLiteral("Buy next:")));
    }

    void exportAndImport()
    {
        const QString file = m_dir->filePath(QStringLiteral("two.csv"));
        Result r = run({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--drink"),
                        QStringLiteral("margarita"), QStringLiteral("--drink"), QStringLiteral("Gin and Tonic"),
                        QStringLiteral("--output"), file});
        QCOMPARE(r.status, 0);
        r = run({QStringLiteral("export"), QStringLiteral("--drink"), QStringLiteral("nothing like it")});
        QCOMPARE(r.status, CommandLine::Failure);
        r = run({QStringLiteral("import"), file});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("Drinks skipped because one of that name is stored: 2")));
        QFile bad(m_dir->filePath(QStringLiteral("bad.json")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{");
        bad.close();
        r = run({QStringLiteral("import"), bad.fileName()});
        QCOMPARE(r.status, CommandLine::Failure);
        QVERIFY(r.out.contains(QStringLiteral("bad.json: not imported")));
        r = run({QStringLiteral("import"), m_dir->filePath(QStringLiteral("missing.json"))});
        QCOMPARE(r.status, CommandLine::Failure);
    }

    // The real program answers --version and --help without any display to show windows on.
    void noDisplayNeeded()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TUMBLERIX_EXECUTABLE), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("plan [--substitutes]"));
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
        arguments.replaceInStrings(QStringLiteral("DIR"), m_dir->path());
        if (!arguments.first().startsWith(QStringLiteral("--data-dir=")))
            arguments = QStringList{QStringLiteral("--data-dir"), m_dir->path()} + arguments;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TUMBLERIX_EXIT_AFTER_LOAD"), QStringLiteral("1")); // quit once the list is shown
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TUMBLERIX_EXECUTABLE), arguments);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), status);
        QCOMPARE(p.readAllStandardOutput().contains("first paint"), status == 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
