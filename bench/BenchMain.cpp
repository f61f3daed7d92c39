// The benchmark runner: generates the synthetic databases, measures the program's own procedures
// against the naive and set-based baselines, and writes the results.
//
// Each database size is measured in a child process of its own, so the peak memory reported for a
// size is that size's alone.

#include "Baselines.h"
#include "SyntheticData.h"

#include "core/tools/DrinkListSearch.h"
#include "core/exchange/UpdateFiles.h"
#include "core/store/DBLib.h"
#include "core/store/StoreInternal.h"
#include "core/store/DerivedFlags.h"
#include "core/store/DrinkSearch.h"
#include "core/tools/FindSearch.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/Catalogue.h"
#include "core/store/RecipeIndex.h"
#include "core/planner/BarPlanner.h"
#include "core/formats/Importer.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStringListModel>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

void note(const QString& text)
{
    err() << text << Qt::endl;
}

// ---- Timing -------------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Processor time of the whole process (user and system), in milliseconds. On a shared machine the
// wall clock also counts time spent waiting for a core; this does not.
double cpuMs(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Timing
{
    double ms = 0; // wall clock, median
    int reps = 0;
    double min = 0;
    double max = 0;
    double cpu = -1; // processor time, median; -1 when not measured
};

// setup runs before each repetition and is not timed.
template <typename Setup, typename Work> Timing measure(int reps, Setup setup, Work work)
{
    std::vector<double> samples, cpu;
    for (int i = 0; i < reps; ++i) {
        setup();
        const double cpuStart = cpuMs();
        const auto start = Clock::now();
        work();
        samples.push_back(msSince(start));
        cpu.push_back(cpuMs() - cpuStart);
    }
    return {median(samples), reps, *std::min_element(samples.begin(), samples.end()),
            *std::max_element(samples.begin(), samples.end()), median(cpu)};
}

QJsonObject toJson(const Timing& t, qint64 rows = -1, const QString& remark = {})
{
    QJsonObject o{{QStringLiteral("ms"), t.ms},
                  {QStringLiteral("reps"), t.reps},
                  {QStringLiteral("min"), t.min},
                  {QStringLiteral("max"), t.max},
                  {QStringLiteral("cpu"), t.cpu}};
    if (rows >= 0)
        o.insert(QStringLiteral("rows"), rows);
    if (!remark.isEmpty())
        o.insert(QStringLiteral("remark"), remark);
    return o;
}

double peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// ---- Files --------------------------------------------------------------------------------------

void removeDatabase(const QString& path)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

void copyDatabase(const QString& from, const QString& to)
{
    removeDatabase(to);
    if (!QFile::copy(from, to))
        throw std::runtime_error(QStringLiteral("%1 cannot be copied to %2.").arg(from, to).toStdString());
    QFile(to).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString databaseFile(const QString& dataDir, qint64 n)
{
    return QDir(dataDir).filePath(QStringLiteral("drinks-%1-v%2.dat").arg(n).arg(Bench::GeneratorVersion));
}

QString importFile(const QString& dataDir, qint64 n, int count)
{
    return QDir(dataDir).filePath(
        QStringLiteral("import-%1-%2-v%3.xml").arg(n).arg(count).arg(Bench::GeneratorVersion));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path + QStringLiteral(".part"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error(QStringLiteral("%1 cannot be written.").arg(path).toStdString());
    f.close();
    QFile::remove(path);
    if (!f.rename(path))
        throw std::runtime_error(QStringLiteral("%1 cannot be written.").arg(path).toStdString());
}

// ---- What each size's child measures ------------------------------------------------------------

constexpr int ImportCount = 10000;

void pump()
{
    QCoreApplication::processEvents();
}

// The window's list: entries, the model the list view shows, the letter index.
struct DrinkList
{
    QStringList entries;
    QStringListModel model;
    Lib::LetterIndex index{};

    void fill(const QStringList& names)
    {
        entries = names;
        model.setStringList(entries);
        index = Lib::BuildLetterIndex(entries);
    }
};

const DBLib::ViewProgress viewProgress{[](qint64) {}, [](qint64) { pump(); }};

// The same drinks: the lists order names with the user's collation, the baselines as SQL or the first
// version of the program did, so the names are compared as sets.
QStringList checkSame(const QString& what, const QStringList& ours, const QStringList& other, QJsonArray& problems)
{
    QStringList a = ours;
    QStringList b = other;
    a.sort();
    b.sort();
    if (a != b) {
        problems.append(QStringLiteral("%1: %2 names against %3").arg(what).arg(ours.size()).arg(other.size()));
        note(QStringLiteral("MISMATCH ") + problems.last().toString());
    }
    return ours;
}

// The find window's search as the window runs it: the store's scan narrowed to the main list.
QStringList findLikeTheWindow(const QString& text, const DrinkList& main)
{
    return FindSearch::Search({FindSearch::Category::Description, text, QString()}, main.entries, main.index);
}

// A keystroke takes microseconds: many repetitions give a stable median.
constexpr int KeystrokeReps = 201;

QJsonObject measureSize(qint64 n, const QString& dataDir, int reps, int importSlice, bool oursOnly)
{
    const QString source = databaseFile(dataDir, n);
    const QString work = QDir(dataDir).filePath(QStringLiteral("work-%1.dat").arg(n));
    const QString importWork = QDir(dataDir).filePath(QStringLiteral("import-work-%1.dat").arg(n));
    const QString document = importFile(dataDir, n, ImportCount);
    const QString slice = importFile(dataDir, n, importSlice);
    QJsonObject r;
    QJsonArray problems;

    copyDatabase(source, work);
    DBLib::OpenRecipeDatabase(work);
    r.insert(QStringLiteral("drinks"), qint64(DBLib::CountRecords(DBLib::Count::Drinks)));
    r.insert(QStringLiteral("lines"), qint64(DBLib::CountRecords(DBLib::Count::RecipeLines)));
    r.insert(QStringLiteral("ingredients"), qint64(DBLib::CountRecords(DBLib::Count::Ingredients)));

    // ---- ours ----
    note(QStringLiteral("[%1] ours: all drinks").arg(n));
    DrinkList all;
    // Read from the file each time: the list kept in memory is forgotten first.
    const Timing allOurs = measure(reps, [] { DBLib::RecipeIndex::invalidate(); }, [&] {
        DBLib::CountRecords(DBLib::Count::Drinks);
        all.fill(DBLib::AllDrinkNames([](qint64) { pump(); }));
    });
    r.insert(QStringLiteral("all.ours"), toJson(allOurs, all.entries.size()));
    // Again, unchanged: the kept list.
    const Timing allKept = measure(reps, [] {}, [&] {
        if (std::optional<QStringList> known = DBLib::KnownDrinkNames())
            all.fill(*known);
        else
            all.fill(DBLib::AllDrinkNames());
    });
    r.insert(QStringLiteral("allKept.ours"), toJson(allKept, all.entries.size()));

    note(QStringLiteral("[%1] ours: stock view, stale cache").arg(n));
    DrinkList view;
    const Timing stockStale = measure(reps, [] { DBLib::InvalidateStockViews(); }, [&] {
        view.fill(DBLib::DrinksAvailableWithCurrentStock(viewProgress).names);
    });
    const QStringList stockNames = view.entries;
    r.insert(QStringLiteral("stockStale.ours"), toJson(stockStale, stockNames.size()));

    // A stale cache after a real stock edit: one everyday ingredient leaves the stock and comes
    // back, turn about, through the stock editor's own save, so the flags of many drinks change.
    note(QStringLiteral("[%1] ours: stock view after a stock edit").arg(n));
    const QStringList stockBefore = DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true);
    const QString toggled = DBLib::Database()
                                .scalar(QStringLiteral("SELECT i.Ingredient FROM Ingredients i JOIN DrinkInfo l "
                                                       "ON l.IngID = i.ID WHERE i.CurrentStock = 1 GROUP BY i.ID "
                                                       "ORDER BY COUNT(*) DESC, i.ID LIMIT 1"))
                                .toString();
    int edits = 0;
    qint64 changed = 0;
    const Timing stockEdited = measure(
        reps,
        [&] {
            QStringList stock = stockBefore;
            if (edits++ % 2 == 0)
                stock.removeAll(toggled);
            DBLib::SaveCurrentStock(stock, true);
        },
        [&] { view.fill(DBLib::DrinksAvailableWithCurrentStock(viewProgress).names); });
    {
        // How many drinks change their flag with that ingredient.
        DBLib::SaveCurrentStock(stockBefore, true);
        const qsizetype with = DBLib::DrinksAvailableWithCurrentStock().names.size();
        QStringList without = stockBefore;
        without.removeAll(toggled);
        DBLib::SaveCurrentStock(without, true);
        const qsizetype withoutCount = DBLib::DrinksAvailableWithCurrentStock().names.size();
        DBLib::SaveCurrentStock(stockBefore, true);
        changed = with - withoutCount;
    }
    checkSame(QStringLiteral("stock view after restoring the stock"),
              DBLib::DrinksAvailableWithCurrentStock(viewProgress).names, stockNames, problems);
    r.insert(QStringLiteral("stockEdited.ours"),
             toJson(stockEdited, changed, QStringLiteral("\"%1\" out of and back into stock").arg(toggled)));

    // The bar planner after a stock change, as its window follows it: the stock marks are read
    // again, the drinks that use the changed ingredient are looked at again, and the whole answer
    // (missing one, missing two, buy next, the sequence) is made again.
    note(QStringLiteral("[%1] ours: bar planner after a stock change").arg(n));
    int planEdits = 0;
    Planner::Analysis plan;
    Planner::Tracker tracker; // as the planner window keeps one
    plan = tracker.analyse(Planner::Options{});
    const Timing planner = measure(
        reps,
        [&] {
            QStringList stock = stockBefore;
            if (planEdits++ % 2 == 0)
                stock.removeAll(toggled);
            DBLib::SaveCurrentStock(stock, true);
        },
        [&] { plan = tracker.analyse(Planner::Options{}); });
    DBLib::SaveCurrentStock(stockBefore, true);
    const auto oneMissingOf = [](const Planner::Analysis& a) {
        qint64 drinks = 0;
        for (const Planner::OneMissing& g : a.oneMissing)
            drinks += g.drinks.size();
        return drinks;
    };
    const qint64 followed = oneMissingOf(tracker.analyse(Planner::Options{}));
    plan = Planner::Analyse(Planner::Options{});
    const qint64 oneMissingDrinks = oneMissingOf(plan);
    if (followed != oneMissingDrinks)
        problems.append(QStringLiteral("bar planner: %1 drinks miss one ingredient as followed, %2 worked out afresh")
                            .arg(followed)
                            .arg(oneMissingDrinks));
    r.insert(QStringLiteral("planner.ours"),
             toJson(planner, oneMissingDrinks, QStringLiteral("%1 buy-next entries").arg(plan.buyNext.size())));
    r.insert(QStringLiteral("planner.indexMiB"), double(DBLib::RecipeIndex::current().memoryUse()) / 1048576.0);
    // The same missing-one question as one SQL statement.
    qint64 setOneMissing = 0;
    const Timing plannerSet = measure(reps, [] {}, [&] {
        setOneMissing = DBLib::Database()
                            .scalar(QStringLiteral(
                                "SELECT COUNT(*) FROM (SELECT l.DrinkID FROM DrinkInfo l LEFT JOIN Ingredients i "
                                "ON i.ID = l.IngID GROUP BY l.DrinkID "
                                "HAVING COUNT(DISTINCT CASE WHEN COALESCE(i.CurrentStock, 0) <> 1 THEN l.IngID END) = 1)"))
                            .toLongLong();
    });
    r.insert(QStringLiteral("planner.set"), toJson(plannerSet, setOneMissing));
    if (setOneMissing != oneMissingDrinks)
        problems.append(QStringLiteral("bar planner: %1 drinks miss one ingredient, the SQL statement counts %2")
                            .arg(oneMissingDrinks)
                            .arg(setOneMissing));

    note(QStringLiteral("[%1] ours: stock view, valid cache").arg(n));
    const Timing stockCached = measure(reps, [] {}, [&] {
        view.fill(DBLib::DrinksAvailableWithCurrentStock(viewProgress).names);
    });
    checkSame(QStringLiteral("stock view from the cache"), view.entries, stockNames, problems);
    r.insert(QStringLiteral("stockCached.ours"), toJson(stockCached, view.entries.size()));

    note(QStringLiteral("[%1] ours: non-alcoholic view, stale cache").arg(n));
    const Timing naStale = measure(reps, [] { DBLib::InvalidateNonAlcoholicViews(); }, [&] {
        view.fill(DBLib::AllNonAlcoholicDrinks(viewProgress).names);
    });
    const QStringList naNames = view.entries;
    r.insert(QStringLiteral("naStale.ours"), toJson(naStale, naNames.size()));

    // A prefix near the end of the list, so the letter index matters.
    QString prefix;
    for (qsizetype p = all.entries.size() * 9 / 10; p < all.entries.size(); ++p) {
        const QString& e = all.entries.at(p);
        if (e.size() >= 3 && e.at(0) >= u'A' && e.at(0) <= u'Z') {
            prefix = e.left(3);
            break;
        }
    }
    note(QStringLiteral("[%1] ours: keystroke \"%2\"").arg(n).arg(prefix));
    int found = -1;
    Lib::IncrementalSearch(all.entries, all.index, prefix); // warm
    const Timing key = measure(KeystrokeReps, [] {}, [&] { found = Lib::IncrementalSearch(all.entries, all.index, prefix); });
    r.insert(QStringLiteral("key.ours"), toJson(key, found, QStringLiteral("prefix \"%1\"").arg(prefix)));
    const QString lower = prefix.toLower();
    int foundLower = -1;
    const Timing keyLower =
        measure(KeystrokeReps, [] {}, [&] { foundLower = Lib::IncrementalSearch(all.entries, all.index, lower); });
    r.insert(QStringLiteral("keyLower.ours"), toJson(keyLower, foundLower, QStringLiteral("prefix \"%1\"").arg(lower)));

    const QString needle = Bench::DescriptionSearchText();
    note(QStringLiteral("[%1] ours: find \"%2\" in the directions").arg(n).arg(needle));
    DBLib::FindResult storeHits;
    const Timing findStore = measure(reps, [] {}, [&] {
        storeHits = DBLib::DrinksWithDescriptionContaining(needle, [](qint64) {});
    });
    r.insert(QStringLiteral("findStore.ours"), toJson(findStore, storeHits.names.size()));
    QStringList findHits;
    const Timing find = measure(reps, [] {}, [&] { findHits = findLikeTheWindow(needle, all); });
    r.insert(QStringLiteral("find.ours"), toJson(find, findHits.size()));

    DBLib::CloseRecipeDatabase();
    note(QStringLiteral("[%1] ours: import of %2 drinks").arg(n).arg(ImportCount));
    qint64 added = 0;
    qint64 created = 0;
    const Timing import = measure(
        reps,
        [&] {
            DBLib::CloseRecipeDatabase();
            copyDatabase(source, importWork);
            DBLib::OpenRecipeDatabase(importWork);
        },
        [&] {
            QString error;
            const std::optional<Online::AddRecordsResult> result = Online::AddNewRecordsToDatabase(document, &error);
            if (!result)
                throw std::runtime_error(error.toStdString());
            added = result->added;
            created = result->ingredientsCreated;
        });
    if (added != ImportCount)
        problems.append(QStringLiteral("import added %1 of %2 drinks").arg(added).arg(ImportCount));
    // Every imported drink's stored flags must equal what the set-based question answers.
    for (const char* flagCheck :
         {"SELECT COUNT(*) FROM Drinks d WHERE d.ID > ?1 AND d.CurrentStock <> (EXISTS (SELECT 1 FROM DrinkInfo l "
          "WHERE l.DrinkID = d.ID) AND NOT EXISTS (SELECT 1 FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
          "WHERE l.DrinkID = d.ID AND i.CurrentStock IS NOT 1))",
          "SELECT COUNT(*) FROM Drinks d WHERE d.ID > ?1 AND d.NonAlcoholic <> (EXISTS (SELECT 1 FROM DrinkInfo l "
          "WHERE l.DrinkID = d.ID) AND NOT EXISTS (SELECT 1 FROM DrinkInfo l LEFT JOIN Ingredients i ON i.ID = l.IngID "
          "WHERE l.DrinkID = d.ID AND i.NonAlcohol IS NOT 1))"}) {
        const qint64 wrong = DBLib::Database().scalar(QString::fromLatin1(flagCheck), {n}).toLongLong();
        if (wrong != 0)
            problems.append(QStringLiteral("%1 imported drinks carry a wrong flag").arg(wrong));
    }
    r.insert(QStringLiteral("import.ours"),
             toJson(import, added, QStringLiteral("%1 ingredients created").arg(created)));

    // The same drinks as a Bar Assistant JSON array, written once from the imported drinks, and the
    // first drinks of it for the naive import.
    QList<Online::ExchangeDrink> documentDrinks;
    {
        QFile f(document);
        QString error;
        if (f.open(QIODevice::ReadOnly))
            documentDrinks = Online::ReadDrinkDocument(f.readAll(), &error).value_or(QList<Online::ExchangeDrink>{});
    }
    const QString json = QString(document).replace(QStringLiteral(".xml"), QStringLiteral(".json"));
    const QString jsonSlice = QString(slice).replace(QStringLiteral(".xml"), QStringLiteral(".json"));
    if (!QFileInfo::exists(json) || !QFileInfo::exists(jsonSlice)) {
        QStringList names;
        for (const Online::ExchangeDrink& d : std::as_const(documentDrinks))
            names << d.name;
        QString error;
        if (!Formats::Export(json, Formats::Format::BarAssistantJson, names, &error) ||
            !Formats::Export(jsonSlice, Formats::Format::BarAssistantJson, names.mid(0, importSlice), &error))
            problems.append(QStringLiteral("the JSON documents could not be written: %1").arg(error));
    }
    note(QStringLiteral("[%1] ours: import of %2 drinks from JSON").arg(n).arg(ImportCount));
    qint64 jsonAdded = 0;
    const Timing importJson = measure(
        reps,
        [&] {
            DBLib::CloseRecipeDatabase();
            copyDatabase(source, importWork);
            DBLib::OpenRecipeDatabase(importWork);
        },
        [&] { jsonAdded = Formats::Import({json}).added(); });
    if (jsonAdded != ImportCount)
        problems.append(QStringLiteral("JSON import added %1 of %2 drinks").arg(jsonAdded).arg(ImportCount));
    r.insert(QStringLiteral("importJson.ours"),
             toJson(importJson, jsonAdded, QStringLiteral("%1 bytes").arg(QFileInfo(json).size())));
    DBLib::CloseRecipeDatabase();
    r.insert(QStringLiteral("rss.ours"), peakResidentMiB());
    if (oursOnly) {
        removeDatabase(importWork);
        removeDatabase(work);
        r.insert(QStringLiteral("rss.all"), peakResidentMiB());
        r.insert(QStringLiteral("problems"), problems);
        return r;
    }

    // ---- baselines, on the same copy ----
    DBLib::OpenRecipeDatabase(work);
    note(QStringLiteral("[%1] naive: all drinks").arg(n));
    QStringList naive;
    DrinkList naiveList;
    const Timing allNaive = measure(reps, [] {}, [&] {
        naiveList.fill(Bench::Naive::AllDrinks(pump));
    });
    checkSame(QStringLiteral("all drinks, naive"), all.entries, naiveList.entries, problems);
    r.insert(QStringLiteral("all.naive"), toJson(allNaive, naiveList.entries.size()));

    note(QStringLiteral("[%1] naive: stock view, stale cache").arg(n));
    const Timing stockStaleNaive = measure(reps, [] { DBLib::InvalidateStockViews(); }, [&] {
        naiveList.fill(Bench::Naive::DrinksAvailableWithCurrentStock(pump));
    });
    checkSame(QStringLiteral("stock view, naive"), stockNames, naiveList.entries, problems);
    r.insert(QStringLiteral("stockStale.naive"), toJson(stockStaleNaive, naiveList.entries.size()));

    note(QStringLiteral("[%1] naive: stock view, valid cache").arg(n));
    const Timing stockCachedNaive = measure(reps, [] {}, [&] {
        naiveList.fill(Bench::Naive::DrinksAvailableWithCurrentStockCached(pump));
    });
    checkSame(QStringLiteral("stock view from the cache, naive"), stockNames, naiveList.entries, problems);
    r.insert(QStringLiteral("stockCached.naive"), toJson(stockCachedNaive, naiveList.entries.size()));

    note(QStringLiteral("[%1] set-based: stock").arg(n));
    const Timing stockSet = measure(reps, [] {}, [&] { naive = Bench::SetBased::DrinksAvailableWithCurrentStock(); });
    checkSame(QStringLiteral("stock view, set-based"), stockNames, naive, problems);
    r.insert(QStringLiteral("stock.set"), toJson(stockSet, naive.size()));
    const Timing stockSetGrouped =
        measure(reps, [] {}, [&] { naive = Bench::SetBased::DrinksAvailableWithCurrentStockGrouped(); });
    checkSame(QStringLiteral("stock view, set-based grouped"), stockNames, naive, problems);
    r.insert(QStringLiteral("stock.setGrouped"), toJson(stockSetGrouped, naive.size()));

    note(QStringLiteral("[%1] naive: non-alcoholic view, stale cache").arg(n));
    const Timing naNaive = measure(reps, [] { DBLib::InvalidateNonAlcoholicViews(); }, [&] {
        naiveList.fill(Bench::Naive::AllNonAlcoholicDrinks(pump));
    });
    checkSame(QStringLiteral("non-alcoholic view, naive"), naNames, naiveList.entries, problems);
    r.insert(QStringLiteral("naStale.naive"), toJson(naNaive, naiveList.entries.size()));
    const Timing naSet = measure(reps, [] {}, [&] { naive = Bench::SetBased::AllNonAlcoholicDrinks(); });
    checkSame(QStringLiteral("non-alcoholic view, set-based"), naNames, naive, problems);
    r.insert(QStringLiteral("na.set"), toJson(naSet, naive.size()));

    note(QStringLiteral("[%1] naive: keystroke").arg(n));
    int naiveFound = -1;
    const Timing keyNaive =
        measure(KeystrokeReps, [] {}, [&] { naiveFound = Bench::Naive::IncrementalSearch(all.entries, prefix); });
    if (naiveFound != found)
        problems.append(QStringLiteral("keystroke: position %1 against %2").arg(found).arg(naiveFound));
    r.insert(QStringLiteral("key.naive"), toJson(keyNaive, naiveFound));
    const Timing keyLowerNaive =
        measure(KeystrokeReps, [] {}, [&] { naiveFound = Bench::Naive::IncrementalSearch(all.entries, lower); });
    if (naiveFound != foundLower)
        problems.append(QStringLiteral("lower-case keystroke: position %1 against %2").arg(foundLower).arg(naiveFound));
    r.insert(QStringLiteral("keyLower.naive"), toJson(keyLowerNaive, naiveFound));

    note(QStringLiteral("[%1] naive: find").arg(n));
    const Timing findNaive = measure(reps, [] {}, [&] {
        naive = Bench::Naive::FindByDescription(needle, all.entries, all.index);
    });
    checkSame(QStringLiteral("find, naive"), findHits, naive, problems);
    r.insert(QStringLiteral("find.naive"), toJson(findNaive, naive.size()));
    DBLib::CloseRecipeDatabase();

    note(QStringLiteral("[%1] naive: import of %2 drinks (scaled to %3)").arg(n).arg(importSlice).arg(ImportCount));
    QList<Online::ExchangeDrink> sliceDrinks;
    qint64 naiveAdded = 0;
    const Timing importNaive = measure(
        reps,
        [&] {
            DBLib::CloseRecipeDatabase();
            copyDatabase(source, importWork);
            DBLib::OpenRecipeDatabase(importWork);
        },
        [&] {
            QFile f(slice);
            if (!f.open(QIODevice::ReadOnly))
                throw std::runtime_error("The import slice cannot be read.");
            QString error;
            const auto drinks = Online::ReadDrinkDocument(f.readAll(), &error);
            if (!drinks)
                throw std::runtime_error(error.toStdString());
            naiveAdded = Bench::Naive::AddNewRecordsToDatabase(*drinks).added;
        });
    if (naiveAdded != importSlice)
        problems.append(QStringLiteral("naive import added %1 of %2 drinks").arg(naiveAdded).arg(importSlice));
    const double scale = double(ImportCount) / double(importSlice);
    Timing scaled = importNaive;
    scaled.ms *= scale;
    scaled.min *= scale;
    scaled.max *= scale;
    scaled.cpu *= scale;
    r.insert(QStringLiteral("import.naive"),
             toJson(scaled, naiveAdded,
                    QStringLiteral("%1 drinks measured, scaled by %2").arg(importSlice).arg(scale)));

    // The JSON slice read by our reader, each recipe added by the naive writer (the glass number
    // carried over from the generated drinks: the records name glasses, the writer wants numbers).
    note(QStringLiteral("[%1] naive: import of %2 drinks from JSON (scaled to %3)").arg(n).arg(importSlice).arg(ImportCount));
    qint64 naiveJsonAdded = 0;
    Timing importJsonNaive = measure(
        reps,
        [&] {
            DBLib::CloseRecipeDatabase();
            copyDatabase(source, importWork);
            DBLib::OpenRecipeDatabase(importWork);
        },
        [&] {
            const Formats::ParsedFile parsed = Formats::ReadFile(jsonSlice);
            QList<Online::ExchangeDrink> drinks;
            for (qsizetype i = 0; i < parsed.records.size(); ++i) {
                const DBLib::DrinkEntry& e = parsed.records.at(i).entry;
                Online::ExchangeDrink d{e.name, e.description, documentDrinks.value(i).glassType, {}};
                for (const DBLib::DrinkEntry::Line& line : e.lines)
                    d.ingredients.append({line.amount, line.ingredient, line.nonAlcoholic, line.substitute});
                drinks.append(d);
            }
            naiveJsonAdded = Bench::Naive::AddNewRecordsToDatabase(drinks).added;
        });
    if (naiveJsonAdded != importSlice)
        problems.append(QStringLiteral("naive JSON import added %1 of %2 drinks").arg(naiveJsonAdded).arg(importSlice));
    importJsonNaive.ms *= scale;
    importJsonNaive.min *= scale;
    importJsonNaive.max *= scale;
    importJsonNaive.cpu *= scale;
    r.insert(QStringLiteral("importJson.naive"),
             toJson(importJsonNaive, naiveJsonAdded,
                    QStringLiteral("%1 drinks measured, scaled by %2").arg(importSlice).arg(scale)));
    DBLib::CloseRecipeDatabase();
    removeDatabase(importWork);
    removeDatabase(work);

    r.insert(QStringLiteral("rss.all"), peakResidentMiB());
    r.insert(QStringLiteral("problems"), problems);
    return r;
}

// ---- What the user waits for: the real program driven through its menus -----------------------

QString fmt(double ms);

// The steps each run takes (TUMBLERIX_DRIVE) and the rows of the table, by the label each logged
// line gets: a view's name, with "stale" when the steps marked it out of date just before.
const char* const PerceivedSteps = "stale,stock,all,stock,stale,nonalcoholic,stock-nonalcoholic,favorites,all,"
                                   "type:MAR,clear,type:SIN";
// Find and the planner hold their answers and their lists: they run on their own, so the peak
// memory above is that of the views.
QString perceivedWindowSteps()
{
    return QStringLiteral("find:%1,planner").arg(Bench::DescriptionSearchText());
}
const char* const PerceivedRows[][2] = {
    {"startup", "start-up (main() to the full list painted)"},
    {"stock stale", "\"Search Drinks Available With Current Stock\", stale"},
    {"all", "\"Show All Drinks\" again"},
    {"stock", "stock view, cache valid"},
    {"nonalcoholic stale", "\"Search All Non-Alcoholic Drinks\", stale"},
    {"stock-nonalcoholic", "non-alcoholic stock view (after the non-alcoholic one)"},
    {"favorites", "favourites"},
    {"all again", "\"Show All Drinks\" after the other views"},
    {"key", "a typed letter in the search box (median per run; rows: letters typed)"},
    {"find", "Find Drink, a word of the directions (Find button to the hits painted; rows: hits)"},
    {"planner", "opening the Bar Planner (menu command to its lists painted; rows: buy-next entries)"},
};

struct PerceivedResult
{
    QMap<QString, std::vector<double>> ms; // by label, every run's figures
    QMap<QString, qint64> rows;
    double peakMiB = 0;
    QString problem;
};

PerceivedResult measurePerceived(const QString& program, const QString& database, const QString& dataDir, qint64 n,
                                 int reps)
{
    PerceivedResult result;
    const QString folder = QDir(dataDir).filePath(QStringLiteral("perceived-%1").arg(n));
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("Tumblerix.dat"));
    copyDatabase(database, target);
    QTemporaryDir config;
    const QString log = QDir(config.path()).filePath(QStringLiteral("timings.jsonl"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("TUMBLERIX_TIMINGS"), log);
    env.remove(QStringLiteral("TUMBLERIX_DATA_DIR"));
    // Runs the program through the steps reps times after one unmeasured run (it writes the
    // first-start preferences and warms the file cache), each measured run's log to `read`.
    // Empty, or what went wrong.
    const auto drive = [&](const QString& steps, const std::function<void(const QList<QJsonObject>&)>& read) -> QString {
        env.insert(QStringLiteral("TUMBLERIX_DRIVE"), steps);
        for (int i = -1; i < reps; ++i) {
            QFile::remove(log);
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, {QStringLiteral("--data-dir"), folder});
            if (!p.waitForFinished(600000) || p.exitCode() != 0) {
                p.kill();
                p.waitForFinished();
                return QStringLiteral("%1 did not finish the steps %2 (exit %3)").arg(program, steps).arg(p.exitCode());
            }
            if (i < 0)
                continue;
            QFile f(log);
            if (!f.open(QIODevice::ReadOnly))
                return QStringLiteral("%1 wrote no timings").arg(program);
            QList<QJsonObject> lines;
            for (const QByteArray& line : f.readAll().split('\n')) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                if (!o.value(QStringLiteral("what")).toString().isEmpty())
                    lines.append(o);
            }
            read(lines);
        }
        return QString();
    };
    const auto add = [&](const QString& label, const QJsonObject& o) {
        result.ms[label].push_back(o.value(QStringLiteral("ms")).toDouble());
        result.rows[label] = qint64(o.value(QStringLiteral("rows")).toDouble());
    };

    result.problem = drive(QString::fromLatin1(PerceivedSteps), [&](const QList<QJsonObject>& lines) {
        // The lines other than keystrokes come in the order of the steps.
        static const char* const order[] = {"startup", "stock stale", "all", "stock", "nonalcoholic stale",
                                            "stock-nonalcoholic", "favorites", "all again"};
        size_t next = 0;
        std::vector<double> keys;
        for (const QJsonObject& o : lines) {
            const QString what = o.value(QStringLiteral("what")).toString();
            if (what == QLatin1String("key"))
                keys.push_back(o.value(QStringLiteral("ms")).toDouble());
            else if (what == QLatin1String("memory")) // the program's own peak, written as it quits
                result.peakMiB = std::max(result.peakMiB, o.value(QStringLiteral("peakKiB")).toDouble() / 1024.0);
            else if (next < std::size(order))
                add(QString::fromLatin1(order[next++]), o);
        }
        if (!keys.empty()) {
            result.rows[QStringLiteral("key")] = qint64(keys.size());
            result.ms[QStringLiteral("key")].push_back(median(keys));
        }
    });
    if (result.problem.isEmpty()) {
        result.problem = drive(perceivedWindowSteps(), [&](const QList<QJsonObject>& lines) {
            for (const QJsonObject& o : lines) {
                if (o.value(QStringLiteral("what")).toString() == QLatin1String("window"))
                    add(o.value(QStringLiteral("view")).toString(), o);
            }
        });
    }
    removeDatabase(target);
    return result;
}

QString perceivedTable(const QMap<qint64, PerceivedResult>& results)
{
    QString md = QStringLiteral("| operation |");
    QString rule = QStringLiteral("|---|");
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        md += QStringLiteral(" %1 drinks | rows |").arg(it.key());
        rule += QStringLiteral("---:|---:|");
    }
    md += QLatin1Char('\n') + rule + QLatin1Char('\n');
    for (const auto& [key, text] : PerceivedRows) {
        md += QStringLiteral("| %1 |").arg(QString::fromUtf8(text));
        for (auto it = results.cbegin(); it != results.cend(); ++it) {
            const std::vector<double> v = it.value().ms.value(QString::fromLatin1(key));
            md += v.empty() ? QStringLiteral(" – | – |")
                            : QStringLiteral(" %1 | %2 |").arg(fmt(median(v))).arg(it.value().rows.value(QString::fromLatin1(key), -1));
        }
        md += QLatin1Char('\n');
    }
    md += QStringLiteral("| peak resident memory of the program |");
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        md += QStringLiteral(" %1 MiB | |").arg(it.value().peakMiB, 0, 'f', 0);
    md += QLatin1Char('\n');
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        if (!it.value().problem.isEmpty())
            md += QStringLiteral("\n%1 drinks: %2\n").arg(it.key()).arg(it.value().problem);
    }
    return md;
}

// ---- Memory of a command-line import ------------------------------------------------------------

// The peak resident memory (KiB) of the program run with the arguments in a new data folder, as
// GNU time reports it; -1 when it cannot be measured.
qint64 peakOfCommand(const QString& program, const QStringList& arguments)
{
    const QString time = QStringLiteral("/usr/bin/time");
    if (!QFileInfo(time).isExecutable())
        return -1;
    QTemporaryDir folder;
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(time, QStringList{QStringLiteral("-f"), QStringLiteral("peak %M"), program, QStringLiteral("--data-dir"),
                              folder.path()} + arguments);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    static const QRegularExpression peak(QStringLiteral("peak (\\d+)"));
    const QRegularExpressionMatch m = peak.match(QString::fromLocal8Bit(p.readAllStandardError()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// ---- Start-up of the real program ---------------------------------------------------------------

struct StartupResult
{
    bool measured = false;
    QString how;
    Timing outside;   // spawn to exit
    Timing inside;    // main() to the first paint, as the program reports it
    qint64 rows = -1; // list entries the program reports
    QString problem;
};

bool hasExitHook(const QString& program)
{
    QFile f(program);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains("TUMBLERIX_EXIT_AFTER_LOAD");
}

StartupResult measureStartup(const QString& program, const QString& how, const QString& database, const QString& dataDir,
                             qint64 n, int reps)
{
    StartupResult result;
    result.how = how;
    const QString folder = QDir(dataDir).filePath(QStringLiteral("startup-%1").arg(n));
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("Tumblerix.dat"));
    copyDatabase(database, target);
    QTemporaryDir config; // the program's preferences stay out of the user's own
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("TUMBLERIX_EXIT_AFTER_LOAD"), QStringLiteral("1"));
    env.remove(QStringLiteral("TUMBLERIX_DATA_DIR"));
    static const QRegularExpression reported(QStringLiteral("first paint after (\\d+) ms, (\\d+) drinks"));

    std::vector<double> outside, inside, cpu;
    // One start first: it writes the first-start preferences, as any installed program has.
    for (int i = -1; i < reps; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        const double cpuStart = cpuMs(RUSAGE_CHILDREN);
        const auto start = Clock::now();
        p.start(program, {QStringLiteral("--data-dir"), folder});
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            result.problem = QStringLiteral("%1 did not exit within 120 s").arg(program);
            return result;
        }
        const double wall = msSince(start);
        const double childCpu = cpuMs(RUSAGE_CHILDREN) - cpuStart;
        const QString text = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QRegularExpressionMatch m = reported.match(text);
        if (p.exitCode() != 0 || !m.hasMatch()) {
            result.problem = QStringLiteral("%1 exited with %2 and printed \"%3\" %4")
                                 .arg(program)
                                 .arg(p.exitCode())
                                 .arg(text.trimmed(), QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
            return result;
        }
        result.rows = m.captured(2).toLongLong();
        if (i >= 0) {
            outside.push_back(wall);
            cpu.push_back(childCpu);
            inside.push_back(m.captured(1).toDouble());
        }
    }
    result.measured = true;
    result.outside = {median(outside), reps, *std::min_element(outside.begin(), outside.end()),
                      *std::max_element(outside.begin(), outside.end()), median(cpu)};
    result.inside = {median(inside), reps, *std::min_element(inside.begin(), inside.end()),
                     *std::max_element(inside.begin(), inside.end())};
    removeDatabase(target);
    return result;
}

// ---- Report -------------------------------------------------------------------------------------

QString fmt(double ms)
{
    if (ms < 0)
        return QStringLiteral("–");
    if (ms < 0.01)
        return QString::number(ms * 1000.0, 'f', 2) + QStringLiteral(" µs");
    if (ms < 0.1)
        return QString::number(ms * 1000.0, 'f', 1) + QStringLiteral(" µs");
    if (ms < 10)
        return QString::number(ms, 'f', 2) + QStringLiteral(" ms");
    if (ms < 10000)
        return QString::number(ms, 'f', 0) + QStringLiteral(" ms");
    return QString::number(ms / 1000.0, 'f', 1) + QStringLiteral(" s");
}

QString ratio(double other, double ours)
{
    if (other < 0 || ours <= 0)
        return QStringLiteral("–");
    const double r = other / ours;
    return r >= 100 ? QString::number(r, 'f', 0) + QStringLiteral("×") : QString::number(r, 'f', 1) + QStringLiteral("×");
}

double msOf(const QJsonObject& r, const char* key)
{
    const QJsonValue v = r.value(QLatin1String(key));
    return v.isObject() ? v.toObject().value(QStringLiteral("ms")).toDouble() : -1.0;
}

qint64 rowsOf(const QJsonObject& r, const char* key)
{
    return r.value(QLatin1String(key)).toObject().value(QStringLiteral("rows")).toInteger(-1);
}

struct Target
{
    QString text;
    bool met = false;
};

struct RowSpec
{
    const char* number;
    const char* name;
    const char* ours;
    const char* naive;
    const char* set;
    const char* rowsLabel;
};

const RowSpec rowSpecs[] = {
    {"1", "All-drinks view (query → filled list model)", "all.ours", "all.naive", nullptr, "drinks"},
    {"1b", "All-drinks view again, nothing changed (kept list → filled list model)", "allKept.ours", nullptr, nullptr,
     "drinks"},
    {"2", "Stock view, stale cache (incl. writing flags)", "stockStale.ours", "stockStale.naive", "stock.set", "drinks"},
    {"2b", "Stock view after a stock edit (flags of many drinks change)", "stockEdited.ours", nullptr, nullptr,
     "drinks change"},
    {"3", "Stock view, valid cache", "stockCached.ours", "stockCached.naive", "stock.set", "drinks"},
    {"4", "Non-alcoholic view, stale cache", "naStale.ours", "naStale.naive", "na.set", "drinks"},
    {"5", "Keystroke, 3-letter upper-case prefix", "key.ours", "key.naive", nullptr, "position"},
    {"5b", "Keystroke, same prefix in lower case", "keyLower.ours", "keyLower.naive", nullptr, "position"},
    {"6", "Find by description (store search + window's list test)", "find.ours", "find.naive", nullptr, "hits"},
    {"6a", "  of which the store's search alone", "findStore.ours", nullptr, nullptr, "matches"},
    {"7", "Import of 10,000 drinks (read, parse, add)", "import.ours", "import.naive", nullptr, "added"},
    {"7b", "Import of the same 10,000 drinks from a Bar Assistant JSON file", "importJson.ours", "importJson.naive",
     nullptr, "added"},
    {"9", "Bar planner after a stock change (whole analysis)", "planner.ours", nullptr, "planner.set",
     "drinks miss one"},
};

// How the store-level figures grow with the collection: time and memory per drink at each size, so
// a change in growth shows, not only one in the constant.
QString growthTable(const QMap<qint64, QJsonObject>& results, const QMap<qint64, PerceivedResult>& perceived);

QString sizeTable(qint64 n, const QJsonObject& r)
{
    QString t;
    t += QStringLiteral("| # | operation | ours | ours, CPU | naive | naive / ours | set-based | set-based / ours | rows |\n");
    t += QStringLiteral("|---|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const RowSpec& s : rowSpecs) {
        const double ours = msOf(r, s.ours);
        const double naive = s.naive ? msOf(r, s.naive) : -1.0;
        const double set = s.set ? msOf(r, s.set) : -1.0;
        QString naiveText = fmt(naive);
        if (s.naive && QLatin1String(s.naive).startsWith(QLatin1String("import")) && naive >= 0)
            naiveText += QStringLiteral(" (est.)");
        const double cpu = r.value(QLatin1String(s.ours)).toObject().value(QStringLiteral("cpu")).toDouble(-1);
        t += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |\n")
                 .arg(QString::fromUtf8(s.number), QString::fromUtf8(s.name), fmt(ours),
                      cpu >= 1 ? fmt(cpu) : QStringLiteral("–"), naiveText, ratio(naive, ours), fmt(set),
                      ratio(set, ours))
                 .arg(QStringLiteral("%1 %2").arg(rowsOf(r, s.ours)).arg(QString::fromUtf8(s.rowsLabel)));
    }
    t += QStringLiteral("| 8 | Peak resident memory of the runner | %1 MiB | | | | | | all work: %2 MiB |\n")
             .arg(r.value(QStringLiteral("rss.ours")).toDouble(), 0, 'f', 0)
             .arg(r.value(QStringLiteral("rss.all")).toDouble(), 0, 'f', 0);
    t += QStringLiteral("| 9b | Recipe index in memory (views and planner) | %1 MiB | | | | | | |\n")
             .arg(r.value(QStringLiteral("planner.indexMiB")).toDouble(), 0, 'f', 1);
    t += QStringLiteral("\nSet-based stock question written with GROUP BY … HAVING instead of NOT EXISTS: %1 (%2 of ours). "
                        "Naive import: %3. Database: %4 drinks, %5 recipe lines, %6 ingredients.\n")
             .arg(fmt(msOf(r, "stock.setGrouped")), ratio(msOf(r, "stock.setGrouped"), msOf(r, "stockStale.ours")),
                  r.value(QStringLiteral("import.naive")).toObject().value(QStringLiteral("remark")).toString())
             .arg(r.value(QStringLiteral("drinks")).toInteger())
             .arg(r.value(QStringLiteral("lines")).toInteger())
             .arg(r.value(QStringLiteral("ingredients")).toInteger());
    const QJsonArray problems = r.value(QStringLiteral("problems")).toArray();
    for (const QJsonValue& p : problems)
        t += QStringLiteral("\n**Answers differ:** ") + p.toString() + QLatin1Char('\n');
    Q_UNUSED(n);
    return t;
}

QList<Target> targets(const QJsonObject& r, const StartupResult& startup)
{
    const double stale = msOf(r, "stockStale.ours");
    const double naive = msOf(r, "stockStale.naive");
    const double set = std::min(msOf(r, "stock.set"), msOf(r, "stock.setGrouped"));
    const double rss = r.value(QStringLiteral("rss.ours")).toDouble();
    QList<Target> t;
    t.append({QStringLiteral("stock view, stale cache ≤ 150 ms: %1").arg(fmt(stale)), stale <= 150});
    t.append({QStringLiteral("stock view ≥ 50× faster than naive: %1").arg(ratio(naive, stale)), naive / stale >= 50});
    t.append({QStringLiteral("stock view no slower than the faster set-based statement: %1 against %2")
                  .arg(fmt(stale), fmt(set)),
              stale <= set});
    t.append({QStringLiteral("all-drinks view ≤ 300 ms: %1").arg(fmt(msOf(r, "all.ours"))), msOf(r, "all.ours") <= 300});
    t.append({QStringLiteral("keystroke ≤ 2 ms: %1 (lower case, from the top: %2)")
                  .arg(fmt(msOf(r, "key.ours")), fmt(msOf(r, "keyLower.ours"))),
              std::max(msOf(r, "key.ours"), msOf(r, "keyLower.ours")) <= 2});
    t.append({QStringLiteral("find ≤ 150 ms: %1").arg(fmt(msOf(r, "find.ours"))), msOf(r, "find.ours") <= 150});
    t.append({QStringLiteral("import of 10,000 drinks ≤ 3 s: %1").arg(fmt(msOf(r, "import.ours"))),
              msOf(r, "import.ours") <= 3000});
    t.append({QStringLiteral("import of 10,000 drinks from a Bar Assistant JSON file ≤ 2 s: %1").arg(fmt(msOf(r, "importJson.ours"))),
              msOf(r, "importJson.ours") >= 0 && msOf(r, "importJson.ours") <= 2000});
    t.append({QStringLiteral("peak memory ≤ 300 MB: %1 MiB").arg(rss, 0, 'f', 0), rss * 1.048576 <= 300});
    const double plan = msOf(r, "planner.ours");
    const double planSet = msOf(r, "planner.set");
    const double index = r.value(QStringLiteral("planner.indexMiB")).toDouble();
    t.append({QStringLiteral("bar planner after a stock change ≤ 50 ms: %1").arg(fmt(plan)), plan <= 50});
    t.append({QStringLiteral("bar planner ≥ 20× faster than the set-based missing-one statement: %1").arg(ratio(planSet, plan)),
              planSet / plan >= 20});
    t.append({QStringLiteral("recipe index ≤ 64 MB: %1 MiB").arg(index, 0, 'f', 1), index * 1.048576 <= 64});
    if (startup.measured)
        t.append({QStringLiteral("start-up to the full list ≤ 1.5 s: %1").arg(fmt(startup.outside.ms)),
                  startup.outside.ms <= 1500});
    else
        t.append({QStringLiteral("start-up to the full list ≤ 1.5 s: not measured (%1)").arg(startup.problem), false});
    return t;
}

QString readFirstLine(const QString& path, const QString& key)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QString l = QString::fromUtf8(line);
        if (l.startsWith(key))
            return l.mid(l.indexOf(QLatin1Char(key.endsWith(QLatin1Char('=')) ? '=' : ':')) + 1).trimmed().remove(
                QLatin1Char('"'));
    }
    return {};
}

QString growthTable(const QMap<qint64, QJsonObject>& results, const QMap<qint64, PerceivedResult>& perceived)
{
    QList<qint64> sizes = results.keys();
    for (const qint64 n : perceived.keys())
        if (!sizes.contains(n))
            sizes.append(n);
    std::sort(sizes.begin(), sizes.end());
    QString md = QStringLiteral("| per drink |");
    QString rule = QStringLiteral("|---|");
    for (const qint64 n : sizes) {
        md += QStringLiteral(" %1 |").arg(n);
        rule += QStringLiteral("---:|");
    }
    md += QLatin1Char('\n') + rule + QLatin1Char('\n');
    const auto row = [&](const QString& name, const std::function<double(qint64)>& value, const char* unit) {
        md += QStringLiteral("| %1 |").arg(name);
        for (const qint64 n : sizes) {
            const double v = value(n);
            md += v < 0 ? QStringLiteral(" – |") : QStringLiteral(" %1 %2 |").arg(v, 0, 'f', 3).arg(QString::fromUtf8(unit));
        }
        md += QLatin1Char('\n');
    };
    const auto store = [&](const char* key) {
        return [&results, key](qint64 n) {
            return results.contains(n) ? msOf(results.value(n), key) * 1000.0 / double(n) : -1.0;
        };
    };
    const auto window = [&](const char* key) {
        return [&perceived, key](qint64 n) {
            const std::vector<double> v = perceived.value(n).ms.value(QString::fromLatin1(key));
            return v.empty() ? -1.0 : median(v) * 1000.0 / double(n);
        };
    };
    row(QStringLiteral("all-drinks view, store"), store("all.ours"), "µs");
    row(QStringLiteral("stock view, stale, store"), store("stockStale.ours"), "µs");
    row(QStringLiteral("non-alcoholic view, stale, store"), store("naStale.ours"), "µs");
    row(QStringLiteral("find by description, store"), store("find.ours"), "µs");
    row(QStringLiteral("start-up, window"), window("startup"), "µs");
    row(QStringLiteral("stock view, stale, window"), window("stock stale"), "µs");
    row(QStringLiteral("all drinks again, window"), window("all"), "µs");
    row(QStringLiteral("non-alcoholic view, stale, window"), window("nonalcoholic stale"), "µs");
    row(QStringLiteral("peak memory, store runner"), [&](qint64 n) {
        return results.contains(n) ? results.value(n).value(QStringLiteral("rss.ours")).toDouble() * 1024.0 / double(n) : -1.0;
    }, "KiB");
    row(QStringLiteral("peak memory, program"), [&](qint64 n) {
        return perceived.contains(n) ? perceived.value(n).peakMiB * 1024.0 / double(n) : -1.0;
    }, "KiB");
    return md;
}

QString machine(const QString& dataDir)
{
    const qint64 memKb = readFirstLine(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal")).split(QLatin1Char(' ')).value(0).toLongLong();
    QStorageInfo storage(dataDir);
    QString m;
    m += QStringLiteral("- CPU: %1, %2 logical cores\n")
             .arg(readFirstLine(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")))
             .arg(QThread::idealThreadCount());
    m += QStringLiteral("- Memory: %1 GiB\n").arg(double(memKb) / 1024.0 / 1024.0, 0, 'f', 1);
    m += QStringLiteral("- OS: %1, kernel %2\n")
             .arg(readFirstLine(QStringLiteral("/etc/os-release"), QStringLiteral("PRETTY_NAME=")), QSysInfo::kernelVersion());
    m += QStringLiteral("- Storage of the databases: %1 (%2)\n")
             .arg(QString::fromUtf8(storage.fileSystemType()), QString::fromUtf8(storage.device()));
    m += QStringLiteral("- Qt %1, SQLite %2, compiler %3, build type %4\n")
             .arg(QString::fromLatin1(qVersion()), QString::fromLatin1(sqlite3_libversion()),
                  QStringLiteral(TUMBLERIX_BENCH_COMPILER), QStringLiteral(TUMBLERIX_BENCH_BUILD_TYPE));
    return m;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brimvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Tumblerix bench"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Tumblerix on synthetic recipe databases."));
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"), QStringLiteral("Drink counts, comma separated."),
                                         QStringLiteral("list"), QStringLiteral("1000,10000,100000"));
    const QCommandLineOption repsOption(QStringLiteral("reps"), QStringLiteral("Repetitions per measurement (>= 5)."),
                                        QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Folder for the generated databases."),
                                        QStringLiteral("folder"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Write the results as Markdown here."),
                                       QStringLiteral("file"));
    const QCommandLineOption programOption(QStringLiteral("program"),
                                           QStringLiteral("The tumblerix executable for the start-up measurement."),
                                           QStringLiteral("path"));
    const QCommandLineOption sliceOption(QStringLiteral("naive-import-slice"),
                                         QStringLiteral("Drinks of the naive import actually run (scaled up)."),
                                         QStringLiteral("n"), QStringLiteral("250"));
    const QCommandLineOption commandOption(QStringLiteral("command"),
                                           QStringLiteral("The command to print as how the results were made."),
                                           QStringLiteral("text"));
    const QCommandLineOption generateOption(QStringLiteral("generate-only"),
                                            QStringLiteral("Generate the databases and documents, then stop."));
    const QCommandLineOption oursOnlyOption(QStringLiteral("ours-only"),
                                            QStringLiteral("Skip the baselines (quick runs while profiling)."));
    const QCommandLineOption perceivedOption(QStringLiteral("perceived-sizes"),
                                             QStringLiteral("Drink counts for the real program driven through its views "
                                                            "(needs --program; empty: none)."),
                                             QStringLiteral("list"), QStringLiteral("100000,1000000"));
    const QCommandLineOption measureOption(QStringLiteral("measure"), QStringLiteral("(internal) Measure one size."),
                                           QStringLiteral("n"));
    parser.addOptions({sizesOption, repsOption, dataOption, outOption, programOption, sliceOption,
                       commandOption, generateOption, oursOnlyOption, perceivedOption, measureOption});
    parser.process(app);

    const QString dataDir = QDir(parser.isSet(dataOption) ? parser.value(dataOption)
                                                          : QDir::current().filePath(QStringLiteral("bench-data")))
                                .absolutePath();
    QDir().mkpath(dataDir);
    const int reps = std::max(5, parser.value(repsOption).toInt());
    const int slice = std::clamp(parser.value(sliceOption).toInt(), 1, ImportCount);

    try {
        if (parser.isSet(measureOption)) {
            const QJsonObject r = measureSize(parser.value(measureOption).toLongLong(), dataDir, reps, slice, parser.isSet(oursOnlyOption));
            out() << QJsonDocument(r).toJson(QJsonDocument::Compact) << Qt::endl;
            return 0;
        }

        QList<qint64> sizes;
        for (const QString& s : parser.value(sizesOption).split(QLatin1Char(','), Qt::SkipEmptyParts))
            sizes.append(s.trimmed().toLongLong());
        if (sizes.isEmpty() || std::any_of(sizes.begin(), sizes.end(), [](qint64 n) { return n < 10; })) {
            note(QStringLiteral("--sizes needs drink counts of at least 10."));
            return 2;
        }

        QList<qint64> perceivedSizes;
        for (const QString& s : parser.value(perceivedOption).split(QLatin1Char(','), Qt::SkipEmptyParts))
            perceivedSizes.append(s.trimmed().toLongLong());
        const QString program = parser.value(programOption);
        if (program.isEmpty() || !QFileInfo(program).isExecutable())
            perceivedSizes.clear();
        QList<qint64> generated = sizes;
        for (const qint64 n : perceivedSizes)
            if (!generated.contains(n))
                generated.append(n);

        // Databases and documents are generated once and reused; their names carry the generator version.
        QStringList generationNotes;
        for (const qint64 n : generated) {
            Bench::Options options;
            options.drinks = n;
            const QString db = databaseFile(dataDir, n);
            if (!QFileInfo::exists(db)) {
                const auto start = Clock::now();
                const Bench::Summary s = Bench::GenerateDatabase(db, options);
                generationNotes << QStringLiteral("generated %1: %2 drinks, %3 recipe lines, %4 ingredients (%5 in stock, %6 "
                                    "non-alcoholic), %7 favourites, %8 names outside ASCII, in %9")
                         .arg(QDir(dataDir).relativeFilePath(db))
                         .arg(s.drinks)
                         .arg(s.recipeLines)
                         .arg(s.ingredients)
                         .arg(s.inStock)
                         .arg(s.nonAlcoholic)
                         .arg(s.favorites)
                         .arg(s.nonAsciiNames)
                         .arg(fmt(msSince(start)));
                note(generationNotes.last());
            }
            const QString doc = importFile(dataDir, n, ImportCount);
            const QString part = importFile(dataDir, n, slice);
            if (!QFileInfo::exists(doc) || !QFileInfo::exists(part)) {
                const QList<Online::ExchangeDrink> drinks = Bench::ImportDrinks(options, ImportCount);
                writeFile(doc, Bench::WriteDrinksDocument(drinks));
                writeFile(part, Bench::WriteDrinksDocument(drinks.mid(0, slice)));
                note(QStringLiteral("generated %1 (%2 bytes)").arg(QDir(dataDir).relativeFilePath(doc)).arg(QFileInfo(doc).size()));
            }
        }
        if (parser.isSet(generateOption))
            return 0;

        QMap<qint64, QJsonObject> results;
        bool failed = false;
        for (const qint64 n : sizes) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QStringList arguments = {QStringLiteral("--measure"), QString::number(n), QStringLiteral("--data"), dataDir,
                                     QStringLiteral("--reps"), QString::number(reps),
                                     QStringLiteral("--naive-import-slice"), QString::number(slice)};
            if (parser.isSet(oursOnlyOption))
                arguments << QStringLiteral("--ours-only");
            child.start(QCoreApplication::applicationFilePath(), arguments);
            child.waitForFinished(-1);
            const QByteArray text = child.readAllStandardOutput().trimmed();
            const QJsonObject r = QJsonDocument::fromJson(text.split('\n').last()).object();
            if (child.exitCode() != 0 || r.isEmpty()) {
                note(QStringLiteral("measuring %1 drinks failed (exit code %2).").arg(n).arg(child.exitCode()));
                failed = true;
                continue;
            }
            results.insert(n, r);
            if (!r.value(QStringLiteral("problems")).toArray().isEmpty())
                failed = true;
            out() << QStringLiteral("\n### %1 drinks\n\n").arg(n) << sizeTable(n, r) << Qt::flush;
        }

        // Start-up of the real program on the largest database.
        const qint64 largest = sizes.last();
        StartupResult startup;
        if (!program.isEmpty() && QFileInfo(program).isExecutable() && hasExitHook(program)) {
            note(QStringLiteral("start-up of %1 on %2 drinks").arg(program).arg(largest));
            startup = measureStartup(program, QStringLiteral("the tumblerix executable"), databaseFile(dataDir, largest),
                                     dataDir, largest, reps);
        } else {
            startup.problem = program.isEmpty() ? QStringLiteral("no program given")
                                                : QStringLiteral("%1 is not a tumblerix executable with the start-up hook").arg(program);
        }
        QString startupText;
        if (startup.measured) {
            startupText = QStringLiteral("Start-up to the first painted full list, %1 drinks (%2 entries shown), "
                                         "QT_QPA_PLATFORM=offscreen, measured with %3: **%4** from spawn to exit "
                                         "(median of %5, %6 to %7; processor time %9); %8 from main() to the end of the first paint as "
                                         "the program reports it.\n")
                              .arg(largest)
                              .arg(startup.rows)
                              .arg(startup.how, fmt(startup.outside.ms))
                              .arg(reps)
                              .arg(fmt(startup.outside.min), fmt(startup.outside.max), fmt(startup.inside.ms), fmt(startup.outside.cpu));
        } else {
            startupText = QStringLiteral("Start-up not measured: %1.\n").arg(startup.problem);
        }
        out() << QLatin1Char('\n') << startupText << Qt::flush;

        // Memory of `tumblerix import` of the JSON file against a command that only lists.
        QString importMemoryText;
        const QString jsonFile = QString(importFile(dataDir, sizes.first(), ImportCount)).replace(QStringLiteral(".xml"), QStringLiteral(".json"));
        if (!program.isEmpty() && QFileInfo::exists(jsonFile)) {
            note(QStringLiteral("memory of %1 import %2").arg(program, jsonFile));
            const qint64 listing = peakOfCommand(program, {QStringLiteral("list")});
            const qint64 importing = peakOfCommand(program, {QStringLiteral("import"), jsonFile});
            const double fileMiB = double(QFileInfo(jsonFile).size()) / 1048576.0;
            if (listing > 0 && importing > 0) {
                const double beyond = double(importing - listing) / 1024.0;
                importMemoryText = QStringLiteral("Memory of `tumblerix --data-dir NEW import %1` (%2 MiB, 10,000 drinks): "
                                                  "peak %3 MiB against %4 MiB for `tumblerix --data-dir NEW list`, so "
                                                  "%5 MiB beyond the program's own = **%6× the file** (goal ≤ 3×; GNU time).\n")
                                       .arg(QFileInfo(jsonFile).fileName())
                                       .arg(fileMiB, 0, 'f', 1)
                                       .arg(double(importing) / 1024.0, 0, 'f', 1)
                                       .arg(double(listing) / 1024.0, 0, 'f', 1)
                                       .arg(beyond, 0, 'f', 1)
                                       .arg(beyond / fileMiB, 0, 'f', 2);
            } else {
                importMemoryText = QStringLiteral("Memory of a command-line import not measured (GNU time missing or the command failed).\n");
            }
            out() << QLatin1Char('\n') << importMemoryText << Qt::flush;
        }

        QMap<qint64, PerceivedResult> perceived;
        for (const qint64 n : perceivedSizes) {
            note(QStringLiteral("%1 driven through its views on %2 drinks").arg(program).arg(n));
            perceived.insert(n, measurePerceived(program, databaseFile(dataDir, n), dataDir, n, reps));
        }
        QString perceivedText;
        if (!perceived.isEmpty()) {
            perceivedText = QStringLiteral("The tumblerix executable (QT_QPA_PLATFORM=offscreen) started on a copy of the "
                                           "generated database and driven by TUMBLERIX_DRIVE=\"%1\"; each figure is "
                                           "the time from the menu command (or main()) to the list painted, as "
                                           "TUMBLERIX_TIMINGS logs it, median of %2 runs after one unmeasured run; "
                                           "Find and the planner run on their own (TUMBLERIX_DRIVE=\"%3\").\n\n")
                                .arg(QString::fromLatin1(PerceivedSteps))
                                .arg(reps)
                                .arg(perceivedWindowSteps()) +
                            perceivedTable(perceived);
            out() << QLatin1Char('\n') << perceivedText << Qt::flush;
        }
        const QString growthText = growthTable(results, perceived);
        out() << QLatin1Char('\n') << growthText << Qt::flush;

        QString targetsText;
        if (results.contains(100000)) {
            targetsText = QStringLiteral("\n## Targets at 100,000 drinks\n\n");
            for (const Target& t : targets(results.value(100000), startup))
                targetsText += QStringLiteral("- %1 %2\n").arg(t.met ? QStringLiteral("met:   ") : QStringLiteral("MISSED:"), t.text);
            out() << targetsText << Qt::flush;
        }

        if (parser.isSet(outOption)) {
            QString md = QStringLiteral("# Benchmark results\n\n");
            md += QStringLiteral("Run %1.\n\n").arg(QDateTime::currentDateTime().toString(Qt::ISODate));
            md += QStringLiteral("Command: `%1`\n\n")
                      .arg(parser.isSet(commandOption) ? parser.value(commandOption)
                                                       : QCoreApplication::arguments().join(QLatin1Char(' ')));
            md += QStringLiteral("## Machine\n\n") + machine(dataDir);
            md += QStringLiteral("- The machine was shared: other builds and test runs went on at the same time, and "
                                 "the benchmark ran under `nice -n 5`. Single numbers can be off by tens of per cent; "
                                 "the ratios measured in the same run and the processor times are the steadier figures. Baselines "
                                 "that commit every statement wait for the disk, and other programs' writes can "
                                 "slow them several-fold.\n\n");
            md += QStringLiteral("## How to read the tables\n\n"
                                 "Times are medians of %1 repetitions (keystrokes: %2), wall clock. *Ours* is the "
                                 "program's own procedure; *ours, CPU* is the processor time of the same repetitions, "
                                 "which waiting for a core or for the disk does not count (shown from 1 ms); *naive* is the same procedure as first written (one query per "
                                 "candidate drink, one UPDATE per listed name, every statement its own commit, "
                                 "sorted insertion into the list); *set-based* is one SQL statement answering the "
                                 "same question. Before each stale-cache repetition the views are marked stale "
                                 "(`InvalidateStockViews` / `InvalidateNonAlcoholicViews`). Each import repetition "
                                 "starts from a fresh copy of the database; the naive import runs on the first %3 "
                                 "drinks of the same document and is scaled to 10,000. Every baseline's answer is "
                                 "compared with ours; differences are listed under the table. Peak memory is that "
                                 "of the child process measuring one size: after our procedures, and after all "
                                 "work including the baselines.\n")
                          .arg(reps)
                          .arg(KeystrokeReps)
                          .arg(slice);
            for (auto it = results.cbegin(); it != results.cend(); ++it)
                md += QStringLiteral("\n## %1 drinks\n\n").arg(it.key()) + sizeTable(it.key(), it.value());
            md += QStringLiteral("\n## Start-up\n\n") + startupText;
            if (!importMemoryText.isEmpty())
                md += QStringLiteral("\n## Memory of an import\n\n") + importMemoryText;
            if (!perceivedText.isEmpty())
                md += QStringLiteral("\n## As the user sees it\n\n") + perceivedText;
            md += QStringLiteral("\n## Growth\n\n") + growthText;
            if (!generationNotes.isEmpty())
                md += QStringLiteral("\n## Databases generated in this run\n\n- ") + generationNotes.join(QStringLiteral("\n- ")) +
                      QLatin1Char('\n');
            md += targetsText;
            QFile f(parser.value(outOption));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(md.toUtf8()) < 0) {
                note(QStringLiteral("%1 cannot be written.").arg(parser.value(outOption)));
                return 1;
            }
            note(QStringLiteral("wrote %1").arg(parser.value(outOption)));
        }
        return failed ? 1 : 0;
    } catch (const Sql::Error& e) {
        note(e.message());
    } catch (const Lib::TextCodingError& e) {
        note(e.message());
    } catch (const std::exception& e) {
        note(QString::fromUtf8(e.what()));
    }
    return 1;
}
