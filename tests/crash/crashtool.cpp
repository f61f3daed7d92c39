// Crash injection for the recipe database: a child process writes through the store's own
// procedures while this process kills it with SIGKILL at pseudo-random moments, then checks that
// what is left on disk is whole.
//
//   crashtool [--scenario import|edit|all] [--kills N] [--drinks N] [--seed S] [--short] [--keep DIR]
//
// Scenario "import": a fresh copy of a base database per kill; the child adds a drink document of
// --drinks drinks (default 10,000) with AddNewRecordsToDatabase. Afterwards the database holds the
// base alone or the base plus every new drink of the document, each equal to its source.
// Scenario "edit": one copy of the base for the whole scenario; each child resumes where the last
// one was killed and loops over ReplaceDrink, SaveCurrentStock and the stock view's recomputation.
// Every drink name carries its number and version, from which its full content follows.
//
// The master seed is printed; the same seed gives the same documents, the same edits and the same
// kill delays (the moment the kill lands still depends on the machine's speed).

#include "core/exchange/ExchangeDocument.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Catalogue.h"
#include "core/store/RecipeRepository.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/store/Sqlite.h"
#include "core/store/StoreInternal.h"
#include "core/store/Catalogue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int GlassCount = 25;
constexpr int IngredientCount = 60;
constexpr int BaseDrinkCount = 400;
constexpr int StockWindow = 10;
// Every this many document drinks one names a drink of the base (and is skipped as a duplicate),
// and one uses an ingredient the catalogue lacks.
constexpr int DuplicateEvery = 500;
constexpr int NoveltyEvery = 50;
constexpr int NoveltyKinds = 150;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

quint64 mix(quint64 x)
{
    // splitmix64: a cheap, well-spread function of one number.
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// ---- The generated content ------------------------------------------------------------------

QString glassName(int id)
{
    return QStringLiteral("Glass %1").arg(id);
}

// Ingredient names with the characters that SQL or markup would trip over.
QString ingredientSeedName(int i)
{
    static const QStringList flavours = {
        QString(), QStringLiteral(" 'Aged'"), QStringLiteral(" \"Dry\""), QStringLiteral(" Crème"),
        QStringLiteral(" № 7"), QStringLiteral(" 50% Abv"), QStringLiteral(" Under_Score"),
        QStringLiteral(" Back\\Slash"), QStringLiteral(" Semi;Colon"), QStringLiteral(" -- Dash"),
        QStringLiteral(" <Tag>"), QStringLiteral(" & Co"), QStringLiteral(" Pipe|Line"), QStringLiteral(" 🍋")};
    return QStringLiteral("Ingredient %1").arg(i, 2, 10, QLatin1Char('0')) + flavours.at(i % flavours.size());
}

QString amountText(quint64 h)
{
    static const QStringList amounts = {
        QStringLiteral("1 oz"),  QStringLiteral("1 1/2 oz"),       QStringLiteral("½ oz"),
        QString(),               QStringLiteral("2 dashes 'Ango'"), QStringLiteral("Fill with \"soda\""),
        QStringLiteral("10 %"),  QStringLiteral("1 cl; chilled"),  QStringLiteral("a <splash> & more"),
        QStringLiteral("3 🧊")};
    return amounts.at(int(h % quint64(amounts.size())));
}

// Drink b at version v of the edit scenario. Version 0 is the base.
DBLib::DrinkEntry editEntry(int b, int v, const QStringList& catalogue)
{
    const quint64 h = mix(quint64(b) * 1000003ULL + quint64(v));
    DBLib::DrinkEntry e;
    e.name = QStringLiteral("Crash %1 v%2 l'été №%3").arg(b, 4, 10, QLatin1Char('0')).arg(v).arg(h % 100);
    e.glass = glassName(1 + int(h % GlassCount));
    const int rows = 1 + int((h >> 8) % 14);
    for (int k = 0; k < rows; ++k) {
        const quint64 hk = mix(h + quint64(k));
        e.lines.append({amountText(hk >> 20), catalogue.at(int(hk % quint64(catalogue.size()))), QString(), false, std::nullopt});
    }
    if ((h >> 40) % 10 == 0)
        e.lines.append({QStringLiteral("1 pinch"), QStringLiteral("Novelty %1 %2").arg(b).arg(v), QString(), false, std::nullopt});
    if ((h >> 48) % 17 != 0)
        e.description = QStringLiteral("Version %1 of drink %2.\nShake \"hard\" & strain < 5 s; 100% 🍸").arg(v).arg(b);
    return e;
}

int glassIdOf(const DBLib::DrinkEntry& e)
{
    return e.glass.mid(6).toInt();
}

struct Novelty
{
    QString name;
    QString substitute;
    bool noAlcohol = false;
};

Novelty importNovelty(int kind)
{
    return {QStringLiteral("Import Novelty %1").arg(kind), QStringLiteral("Sub %1 'x'").arg(kind), kind % 2 == 0};
}

// The drink document of the import scenario, in the exchange's own form.
QList<Online::ExchangeDrink> importDrinks(int count, quint64 seed, const QStringList& catalogue)
{
    QList<Online::ExchangeDrink> drinks;
    drinks.reserve(count);
    for (int n = 0; n < count; ++n) {
        const quint64 h = mix(seed ^ mix(quint64(n)));
        Online::ExchangeDrink d;
        if (n % DuplicateEvery == 7) {
            // A drink the base already has, named in another letter case.
            d.name = editEntry(int(h % BaseDrinkCount), 0, catalogue).name.toLower();
        } else {
            d.name = QStringLiteral("Imported %1 « %2 » \"№\" & <b> 🍹").arg(n, 5, 10, QLatin1Char('0')).arg(h % 1000);
        }
        d.directions = (h >> 12) % 23 == 0
                           ? QString()
                           : QStringLiteral("Directions %1:\n\tmix & pour <gently>; 'ice' 🧊 -- 50%").arg(n);
        d.glassType = QString::number(1 + int((h >> 20) % GlassCount));
        const int rows = 1 + int((h >> 28) % 8);
        for (int k = 0; k < rows; ++k) {
            const quint64 hk = mix(h + quint64(k) + 77);
            Online::ExchangeIngredient line;
            line.amount = amountText(hk >> 24);
            const QString name = catalogue.at(int(hk % quint64(catalogue.size())));
            // The catalogue is searched without regard to letter case.
            line.type = k % 3 == 1 ? name.toLower() : (k % 3 == 2 ? name.toUpper() : name);
            line.noAlcohol = (hk >> 40) % 2 == 0; // ignored for known ingredients
            line.substitute = QStringLiteral("ignored");
            d.ingredients.append(line);
        }
        if (n % NoveltyEvery == 3) {
            const Novelty nv = importNovelty((n / NoveltyEvery) % NoveltyKinds);
            d.ingredients.append({QStringLiteral("1 twist"), nv.name, nv.noAlcohol, nv.substitute});
        }
        drinks.append(d);
    }
    return drinks;
}

// One document holding every drink; each drink element is written by the exchange's writer.
QByteArray drinkDocument(const QList<Online::ExchangeDrink>& drinks)
{
    const QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?><drinks>");
    const QString tail = QStringLiteral("</drinks>");
    QString doc = head;
    for (const Online::ExchangeDrink& d : drinks) {
        const QString one = Online::WriteDrinkDocument(d);
        if (!one.startsWith(head) || !one.endsWith(tail))
            throw std::runtime_error("the drink document writer changed its frame");
        doc += QStringView(one).mid(head.size(), one.size() - head.size() - tail.size());
    }
    doc += tail;
    return doc.toUtf8();
}

// ---- Expected and found ---------------------------------------------------------------------

struct Line
{
    QString amount;
    QString ingredient;
    bool operator==(const Line&) const = default;
};

struct Expected
{
    qint64 glass = 0;
    QString description;
    QList<Line> lines;
    bool submitted = false;
};

bool hasText(const QString& s)
{
    return !s.trimmed().isEmpty();
}

Expected expectedOf(const DBLib::DrinkEntry& e, bool submitted)
{
    Expected x;
    x.glass = glassIdOf(e);
    x.description = hasText(e.description) ? e.description : QString();
    for (const DBLib::DrinkEntry::Line& r : e.lines)
        x.lines.append({hasText(r.amount) ? r.amount : QString(), DBLib::ProperCase(r.ingredient.trimmed())});
    x.submitted = submitted;
    return x;
}

struct FoundIngredient
{
    QString name;
    QString substitute;
    bool noAlcohol = false;
    bool inStock = false;
};

struct FoundDrink
{
    qint64 id = 0;
    QString name;
    qint64 glass = 0;
    QString description;
    bool favorite = false, submitted = false, nonAlcoholic = false, currentStock = false, stockNonAlcoholic = false;
    QList<qint64> ingredientIds;
    QList<QString> amounts;
};

struct Found
{
    QHash<qint64, FoundIngredient> ingredients;
    QList<FoundDrink> drinks;
    QList<QList<qint64>> settings;
    QString glassesAndTips;
};

QString dumpRows(Sql::Connection& db, const QString& sql)
{
    QStringList rows;
    Sql::Statement st(db, sql);
    while (st.step()) {
        QStringList cols;
        for (int c = 0; c < st.columnCount(); ++c)
            cols << (st.isNull(c) ? QStringLiteral("NULL") : st.text(c));
        rows << cols.join(QLatin1Char('|'));
    }
    return rows.join(QLatin1Char('\n'));
}

QString glassesAndTips(Sql::Connection& db)
{
    return dumpRows(db, QStringLiteral("SELECT * FROM GlassTypes ORDER BY GlassID")) + QLatin1Char('\n') +
           dumpRows(db, QStringLiteral("SELECT * FROM Tips ORDER BY rowid"));
}

// Reads what the checks need; texts that cannot be decoded become problems.
Found readDatabase(Sql::Connection& db, QStringList* problems)
{
    Found f;
    Sql::Statement ing(db, QStringLiteral("SELECT ID, Ingredient, Substitute, NonAlcohol, CurrentStock FROM Ingredients"));
    while (ing.step())
        f.ingredients.insert(ing.int64(0), {ing.text(1), ing.text(2), ing.int64(3) == 1, ing.int64(4) == 1});

    QHash<qint64, int> position;
    Sql::Statement drinks(db, QStringLiteral("SELECT ID, Name, GlassType, Description, Favorite, Submitted, NonAlcoholic, "
                                             "CurrentStock, CurrentStockNonAlcoholic FROM Drinks ORDER BY ID"));
    while (drinks.step()) {
        FoundDrink d;
        d.id = drinks.int64(0);
        try {
            d.name = Lib::DecodeText(drinks.value(1));
            d.description = Lib::DecodeText(drinks.value(3));
        } catch (const Lib::TextCodingError& e) {
            problems->append(QStringLiteral("drink %1: %2").arg(d.id).arg(e.message()));
        }
        d.glass = drinks.int64(2);
        d.favorite = drinks.int64(4) != 0;
        d.submitted = drinks.int64(5) != 0;
        d.nonAlcoholic = drinks.int64(6) != 0;
        d.currentStock = drinks.int64(7) != 0;
        d.stockNonAlcoholic = drinks.int64(8) != 0;
        position.insert(d.id, int(f.drinks.size()));
        f.drinks.append(d);
    }
    Sql::Statement lines(db, QStringLiteral("SELECT DrinkID, IngID, Amount FROM DrinkInfo ORDER BY rowid"));
    while (lines.step()) {
        const auto it = position.constFind(lines.int64(0));
        if (it == position.constEnd())
            continue; // reported by the orphan check
        FoundDrink& d = f.drinks[it.value()];
        d.ingredientIds.append(lines.int64(1));
        try {
            d.amounts.append(Lib::DecodeText(lines.value(2)));
        } catch (const Lib::TextCodingError& e) {
            problems->append(QStringLiteral("a recipe line of drink %1: %2").arg(d.id).arg(e.message()));
            d.amounts.append(QString());
        }
    }
    Sql::Statement settings(db, QStringLiteral("SELECT CurrentStockUpdate, NonAlcoholicUpdate, "
                                               "CurrentStockNonAlcoholicUpdate FROM Settings"));
    while (settings.step())
        f.settings.append({settings.int64(0), settings.int64(1), settings.int64(2)});
    f.glassesAndTips = glassesAndTips(db);
    return f;
}

QList<Line> linesOf(const FoundDrink& d, const Found& f)
{
    QList<Line> lines;
    for (qsizetype i = 0; i < d.ingredientIds.size(); ++i)
        lines.append({d.amounts.at(i), f.ingredients.value(d.ingredientIds.at(i)).name});
    return lines;
}

QString describe(const QList<Line>& lines)
{
    QStringList parts;
    for (const Line& l : lines)
        parts << l.amount + QStringLiteral(" / ") + l.ingredient;
    return QLatin1Char('[') + parts.join(QStringLiteral("; ")) + QLatin1Char(']');
}

void compareDrink(const FoundDrink& d, const Found& f, const Expected& x, QStringList* problems)
{
    const QList<Line> lines = linesOf(d, f);
    if (d.glass != x.glass)
        problems->append(QStringLiteral("%1: glass %2, expected %3").arg(d.name).arg(d.glass).arg(x.glass));
    if (d.description != x.description)
        problems->append(QStringLiteral("%1: directions differ from the source").arg(d.name));
    if (lines != x.lines)
        problems->append(QStringLiteral("%1: recipe %2, expected %3").arg(d.name, describe(lines), describe(x.lines)));
    if (d.submitted != x.submitted || d.favorite)
        problems->append(QStringLiteral("%1: favourite/submitted marks are wrong").arg(d.name));
}

// The checks every state must pass, whatever the scenario.
void checkCommon(Sql::Connection& db, const Found& f, const QString& baseGlassesAndTips, QStringList* problems)
{
    QStringList integrity;
    Sql::Statement check(db, QStringLiteral("PRAGMA integrity_check"));
    while (check.step())
        integrity << check.text(0);
    if (integrity != QStringList{QStringLiteral("ok")})
        problems->append(QStringLiteral("integrity_check: ") + integrity.mid(0, 5).join(QStringLiteral("; ")));

    const qint64 bare = db.scalar(QStringLiteral("SELECT COUNT(*) FROM Drinks d WHERE NOT EXISTS "
                                                 "(SELECT 1 FROM DrinkInfo l WHERE l.DrinkID = d.ID)"))
                            .toLongLong();
    if (bare != 0)
        problems->append(QStringLiteral("%1 drink(s) without recipe lines").arg(bare));
    const qint64 noDrink = db.scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo l WHERE NOT EXISTS "
                                                    "(SELECT 1 FROM Drinks d WHERE d.ID = l.DrinkID)"))
                               .toLongLong();
    if (noDrink != 0)
        problems->append(QStringLiteral("%1 recipe line(s) of a missing drink").arg(noDrink));
    const qint64 noIngredient = db.scalar(QStringLiteral("SELECT COUNT(*) FROM DrinkInfo l WHERE NOT EXISTS "
                                                         "(SELECT 1 FROM Ingredients i WHERE i.ID = l.IngID)"))
                                    .toLongLong();
    if (noIngredient != 0)
        problems->append(QStringLiteral("%1 recipe line(s) naming a missing ingredient").arg(noIngredient));

    if (f.settings.size() != 1) {
        problems->append(QStringLiteral("Settings has %1 rows").arg(f.settings.size()));
    } else {
        for (const qint64 v : f.settings.first()) {
            if (v != 0 && v != 1)
                problems->append(QStringLiteral("Settings holds %1").arg(v));
        }
    }
    if (f.glassesAndTips != baseGlassesAndTips)
        problems->append(QStringLiteral("the glasses or tips changed"));

    // The derived flags: the non-alcoholic one is written with every drink; the stock ones are
    // only promised while their validity flag is set.
    const bool stockValid = f.settings.size() == 1 && f.settings.first().at(0) == 1;
    const bool bothValid = f.settings.size() == 1 && f.settings.first().at(2) == 1;
    for (const FoundDrink& d : f.drinks) {
        bool allNon = !d.ingredientIds.isEmpty(), allStock = allNon, allBoth = allNon;
        for (const qint64 id : d.ingredientIds) {
            const FoundIngredient i = f.ingredients.value(id);
            allNon = allNon && i.noAlcohol;
            allStock = allStock && i.inStock;
            allBoth = allBoth && i.noAlcohol && i.inStock;
        }
        if (d.nonAlcoholic != allNon)
            problems->append(QStringLiteral("%1: non-alcoholic flag is wrong").arg(d.name));
        if (stockValid && d.currentStock != allStock)
            problems->append(QStringLiteral("%1: stock flag is wrong while marked valid").arg(d.name));
        if (bothValid && d.stockNonAlcoholic != allBoth)
            problems->append(QStringLiteral("%1: stock non-alcoholic flag is wrong while marked valid").arg(d.name));
    }
}

// ---- The base database ----------------------------------------------------------------------

struct Base
{
    QString path;
    QStringList catalogue; // ingredient names by ID - 1
    QHash<qint64, QString> ingredients; // the whole catalogue, with the base drinks' own additions
    QString glassesAndTips;
};

QStringList stockWindow(const QStringList& catalogue, int offset)
{
    QStringList names;
    for (int k = 0; k < StockWindow; ++k)
        names << catalogue.at((offset + k) % catalogue.size());
    return names;
}

Base createBase(const QString& path)
{
    Base base;
    base.path = path;
    DBLib::CreateRecipeDatabase(path);
    Sql::Connection& db = DBLib::Database();
    {
        Sql::Transaction tx(db);
        for (int g = 1; g <= GlassCount; ++g)
            db.execute(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (?1, ?2)"), {g, glassName(g)});
        db.execute(QStringLiteral("INSERT INTO Tips (ID, Title, Description) VALUES (1, 'Ice', ?1)"),
                   {Lib::EncodeText(QStringLiteral("Use plenty of it."))});
        for (int i = 0; i < IngredientCount; ++i)
            DBLib::AddIngredient(ingredientSeedName(i), QString(), i % 3 == 0 ? QStringLiteral("True") : QStringLiteral("False"));
        tx.commit();
    }
    for (qint64 id = 1; id <= IngredientCount; ++id)
        base.catalogue << DBLib::GetIngredientName(id);
    DBLib::SaveCurrentStock(stockWindow(base.catalogue, 0), true);
    for (int b = 0; b < BaseDrinkCount; ++b)
        {
            DBLib::DrinkEntry entry = editEntry(b, 0, base.catalogue);
            entry.submitted = true;
            DBLib::WriteNewDrink(entry);
        }
    // The views computed once, so their cached flags are valid at the start.
    DBLib::DrinksAvailableWithCurrentStock();
    DBLib::AllNonAlcoholicDrinks();
    DBLib::NonAlcoholicDrinksAvailableWithCurrentStock();
    Sql::Statement all(db, QStringLiteral("SELECT ID, Ingredient FROM Ingredients"));
    while (all.step())
        base.ingredients.insert(all.int64(0), all.text(1));
    base.glassesAndTips = glassesAndTips(db);
    DBLib::CloseRecipeDatabase();
    return base;
}

// ---- Checks per scenario --------------------------------------------------------------------

struct ImportSource
{
    QHash<QString, Expected> baseDrinks;   // by stored name
    QHash<QString, Expected> newDrinks;    // by stored name
    QHash<QString, Novelty> novelties;     // by catalogue name
};

ImportSource importSource(const Base& base, const QList<Online::ExchangeDrink>& drinks)
{
    ImportSource s;
    for (int b = 0; b < BaseDrinkCount; ++b) {
        const DBLib::DrinkEntry e = editEntry(b, 0, base.catalogue);
        s.baseDrinks.insert(e.name.trimmed().toUpper(), expectedOf(e, true));
    }
    QHash<QString, QString> canonical; // lower-case name -> catalogue name
    for (const QString& name : base.catalogue)
        canonical.insert(name.toLower(), name);
    for (const Online::ExchangeDrink& d : drinks) {
        const QString stored = d.name.toUpper();
        if (s.baseDrinks.contains(stored) || s.newDrinks.contains(stored))
            continue;
        Expected x;
        x.glass = d.glassType.toLongLong();
        x.description = hasText(d.directions) ? d.directions : QString();
        for (const Online::ExchangeIngredient& l : d.ingredients) {
            QString name = canonical.value(l.type.toLower());
            if (name.isEmpty()) {
                name = DBLib::ProperCase(l.type);
                canonical.insert(l.type.toLower(), name);
                s.novelties.insert(name, {name, l.substitute, l.noAlcohol});
            }
            x.lines.append({hasText(l.amount) ? l.amount : QString(), name});
        }
        s.newDrinks.insert(stored, x);
    }
    return s;
}

enum class ImportState { Before, After, Broken };

ImportState checkImport(Sql::Connection& db, const Base& base, const ImportSource& source, QStringList* problems)
{
    const Found f = readDatabase(db, problems);
    checkCommon(db, f, base.glassesAndTips, problems);
    int baseSeen = 0, newSeen = 0;
    for (const FoundDrink& d : f.drinks) {
        if (const auto it = source.baseDrinks.constFind(d.name); it != source.baseDrinks.constEnd()) {
            ++baseSeen;
            compareDrink(d, f, it.value(), problems);
        } else if (const auto nt = source.newDrinks.constFind(d.name); nt != source.newDrinks.constEnd()) {
            ++newSeen;
            compareDrink(d, f, nt.value(), problems);
        } else {
            problems->append(QStringLiteral("a drink from nowhere: \"%1\"").arg(d.name));
        }
    }
    if (baseSeen != BaseDrinkCount)
        problems->append(QStringLiteral("%1 of the %2 base drinks are left").arg(baseSeen).arg(BaseDrinkCount));
    if (newSeen != 0 && newSeen != source.newDrinks.size())
        problems->append(QStringLiteral("half an import: %1 of %2 new drinks").arg(newSeen).arg(source.newDrinks.size()));

    // The catalogue: the base's entries unchanged, plus every new one of the document or none.
    int noveltiesSeen = 0;
    for (auto it = f.ingredients.constBegin(); it != f.ingredients.constEnd(); ++it) {
        if (base.ingredients.contains(it.key())) {
            if (it.value().name != base.ingredients.value(it.key()))
                problems->append(QStringLiteral("ingredient %1 was renamed").arg(it.key()));
        } else if (const auto nv = source.novelties.constFind(it.value().name); nv != source.novelties.constEnd()) {
            ++noveltiesSeen;
            if (it.value().substitute != nv.value().substitute || it.value().noAlcohol != nv.value().noAlcohol)
                problems->append(QStringLiteral("%1 was added with the wrong details").arg(it.value().name));
        } else {
            problems->append(QStringLiteral("an ingredient from nowhere: \"%1\"").arg(it.value().name));
        }
    }
    if (noveltiesSeen != (newSeen == 0 ? 0 : source.novelties.size()))
        problems->append(QStringLiteral("%1 new ingredients with %2 new drinks").arg(noveltiesSeen).arg(newSeen));
    if (!problems->isEmpty())
        return ImportState::Broken;
    return newSeen == 0 ? ImportState::Before : ImportState::After;
}

const QRegularExpression& editNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^CRASH (\\d{4}) V(\\d+) "));
    return pattern;
}

void checkEdit(Sql::Connection& db, const Base& base, QStringList* problems)
{
    const Found f = readDatabase(db, problems);
    checkCommon(db, f, base.glassesAndTips, problems);
    QList<int> seen(BaseDrinkCount, 0);
    for (const FoundDrink& d : f.drinks) {
        const QRegularExpressionMatch m = editNamePattern().match(d.name);
        const int b = m.hasMatch() ? m.captured(1).toInt() : -1;
        if (b < 0 || b >= BaseDrinkCount) {
            problems->append(QStringLiteral("a drink from nowhere: \"%1\"").arg(d.name));
            continue;
        }
        ++seen[b];
        const int v = m.captured(2).toInt();
        const DBLib::DrinkEntry e = editEntry(b, v, base.catalogue);
        if (e.name.trimmed().toUpper() != d.name)
            problems->append(QStringLiteral("\"%1\" is not the name of drink %2 version %3").arg(d.name).arg(b).arg(v));
        compareDrink(d, f, expectedOf(e, v == 0), problems);
    }
    for (int b = 0; b < BaseDrinkCount; ++b) {
        if (seen.at(b) != 1)
            problems->append(QStringLiteral("drink %1 is there %2 times").arg(b).arg(seen.at(b)));
    }
    // The stock is always one whole window of the catalogue, never a half-saved list.
    QList<qint64> stocked;
    for (auto it = f.ingredients.constBegin(); it != f.ingredients.constEnd(); ++it) {
        if (it.key() >= 1 && it.key() <= IngredientCount && it.value().name != base.catalogue.at(it.key() - 1))
            problems->append(QStringLiteral("ingredient %1 was renamed").arg(it.key()));
        if (it.value().inStock)
            stocked.append(it.key());
    }
    std::sort(stocked.begin(), stocked.end());
    bool whole = false;
    for (int offset = 0; offset < IngredientCount && !whole; ++offset) {
        QList<qint64> window;
        for (int k = 0; k < StockWindow; ++k)
            window.append((offset + k) % IngredientCount + 1);
        std::sort(window.begin(), window.end());
        whole = window == stocked;
    }
    if (!whole)
        problems->append(QStringLiteral("the stock holds %1 ingredients that are no saved list").arg(stocked.size()));
}

// ---- The child ------------------------------------------------------------------------------

void say(const char* text)
{
    const size_t n = std::strlen(text);
    if (::write(STDOUT_FILENO, text, n) != ssize_t(n))
        std::_Exit(3);
}

int childImport(const QString& dbPath, const QString& docPath)
{
    QFile file(docPath);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    QString error;
    const std::optional<QList<Online::ExchangeDrink>> drinks = Online::ReadDrinkDocument(file.readAll(), &error);
    if (!drinks) {
        QTextStream(stderr) << "the document was refused: " << error << Qt::endl;
        return 2;
    }
    DBLib::OpenRecipeDatabase(dbPath);
    say("ready\n");
    Online::AddNewRecordsToDatabase(*drinks);
    DBLib::CloseRecipeDatabase();
    say("done\n");
    return 0;
}

int childEdit(const QString& dbPath, quint64 seed)
{
    DBLib::OpenRecipeDatabase(dbPath);
    QStringList catalogue;
    for (qint64 id = 1; id <= IngredientCount; ++id)
        catalogue << DBLib::GetIngredientName(id);
    // Where the last child left off: the version of every drink.
    QList<int> version(BaseDrinkCount, -1);
    for (const QString& name : DBLib::AllDrinkNames()) {
        const QRegularExpressionMatch m = editNamePattern().match(name);
        if (m.hasMatch())
            version[m.captured(1).toInt()] = m.captured(2).toInt();
    }
    std::mt19937_64 random(seed);
    say("ready\n");
    for (;;) {
        const quint64 r = random();
        const int what = int(r % 10);
        if (what < 6) {
            const int b = int((r >> 8) % BaseDrinkCount);
            const DBLib::DrinkEntry old = editEntry(b, version.at(b), catalogue);
            const qint64 id = DBLib::FindDrinkID(old.name.trimmed().toUpper());
            DBLib::ReplaceDrink(id, editEntry(b, version.at(b) + 1, catalogue));
            ++version[b];
        } else if (what < 9) {
            DBLib::SaveCurrentStock(stockWindow(catalogue, int((r >> 8) % IngredientCount)), true);
        } else {
            DBLib::DrinksAvailableWithCurrentStock();
            DBLib::NonAlcoholicDrinksAvailableWithCurrentStock();
        }
        say("."); // one committed operation
    }
}

// ---- The parent -----------------------------------------------------------------------------

struct Options
{
    QString scenario = QStringLiteral("all");
    int kills = 100;
    int drinks = 10000;
    quint64 seed = 0;
    bool seedGiven = false;
    QString keep;
};

struct RunResult
{
    bool killed = false;   // the SIGKILL reached a live child
    bool finished = false; // the child ended on its own first
    int exitCode = -1;
    qint64 operations = 0; // operations the child reported committed
    qint64 workMs = 0;     // from "ready" to the child's end
};

QString selfPath()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        throw std::runtime_error("cannot find this program's own path");
    return QString::fromLocal8Bit(buffer, n);
}

// Starts the child, waits for it to be ready, lets it work for delayMs and kills it.
RunResult runChild(const QStringList& arguments, int delayMs)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const QByteArray program = QFile::encodeName(selfPath());
    QList<QByteArray> args{program};
    for (const QString& a : arguments)
        args << a.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execv(program.constData(), argv.data());
        std::_Exit(127);
    }
    ::close(fds[1]);

    RunResult result;
    QByteArray received;
    bool ready = false;
    bool eof = false;
    QElapsedTimer clock;
    clock.start();
    // Reads what the child says until the deadline (from now, or from "ready").
    const auto pump = [&](qint64 deadlineMs) {
        while (!eof) {
            const qint64 left = deadlineMs - clock.elapsed();
            if (left <= 0)
                return;
            pollfd p{fds[0], POLLIN, 0};
            const int rc = ::poll(&p, 1, int(left));
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc <= 0)
                return;
            char buffer[4096];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                eof = true;
                return;
            }
            received.append(buffer, n);
            if (!ready && received.contains("ready\n")) {
                ready = true;
                return;
            }
        }
    };
    pump(60000);
    if (ready) {
        clock.restart();
        pump(delayMs);
    }
    const int killed = eof ? -1 : ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.workMs = clock.elapsed();
    // Whatever the child wrote before it died.
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, n);
    }
    ::close(fds[0]);
    if (!ready)
        throw std::runtime_error("the child never became ready");
    result.killed = killed == 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    result.finished = WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.operations = received.count('.');
    return result;
}

void copyDatabase(const QString& from, const QString& to)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(to + suffix);
        if (QFile::exists(from + suffix) && !QFile::copy(from + suffix, to + suffix))
            throw std::runtime_error("cannot copy the database");
    }
}

// Keeps a database that failed its checks, with its journal files, for a closer look.
QString keepFailure(const Options& o, const QString& path, const QString& label)
{
    const QString folder = o.keep.isEmpty() ? QDir::tempPath() + QStringLiteral("/crashtool-failures") : o.keep;
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(label + QStringLiteral(".dat"));
    copyDatabase(path, target);
    return target;
}

struct Tally
{
    int run = 0;
    int survived = 0;
    int finishedFirst = 0;
};

QStringList checked(const std::function<void(Sql::Connection&, QStringList*)>& check, const QString& path)
{
    QStringList problems;
    try {
        // Opened as the program's next start opens it: the journal is recovered here.
        Sql::Connection db(path, Sql::Connection::Mode::ReadWrite);
        check(db, &problems);
    } catch (const std::exception& e) {
        problems.append(QStringLiteral("cannot be read: ") + QString::fromUtf8(e.what()));
    }
    return problems;
}

void printProblems(const QStringList& problems)
{
    for (qsizetype i = 0; i < problems.size() && i < 12; ++i)
        out() << "      " << problems.at(i) << Qt::endl;
    if (problems.size() > 12)
        out() << "      ... and " << problems.size() - 12 << " more" << Qt::endl;
}

quint64 runSeed(quint64 master, quint64 scenario, int run)
{
    return mix(master ^ mix((scenario << 32) + quint64(run)));
}

bool importScenario(const Options& o, const Base& base, const QString& work)
{
    const QList<Online::ExchangeDrink> drinks = importDrinks(o.drinks, o.seed, base.catalogue);
    const QString docPath = QDir(work).filePath(QStringLiteral("import.xml"));
    {
        const QByteArray doc = drinkDocument(drinks);
        QString error;
        const auto read = Online::ReadDrinkDocument(doc, &error);
        if (!read || read->size() != drinks.size())
            throw std::runtime_error("the generated document does not read back: " + error.toStdString());
        QFile file(docPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(doc) != doc.size())
            throw std::runtime_error("cannot write the document");
        out() << "import: document of " << drinks.size() << " drinks, " << doc.size() / 1024 << " KiB" << Qt::endl;
    }
    const ImportSource source = importSource(base, drinks);
    const QString dbPath = QDir(work).filePath(QStringLiteral("import.dat"));
    const auto check = [&](ImportState* state) {
        return checked(
            [&](Sql::Connection& db, QStringList* problems) { *state = checkImport(db, base, source, problems); },
            dbPath);
    };

    // One uninterrupted import: how long it takes, and that the checks accept the finished state.
    copyDatabase(base.path, dbPath);
    const RunResult whole = runChild({QStringLiteral("--child"), QStringLiteral("import"), dbPath, docPath}, 3600 * 1000);
    const qint64 importMs = whole.workMs;
    ImportState state = ImportState::Broken;
    const QStringList wholeProblems = check(&state);
    if (!whole.finished || whole.exitCode != 0 || state != ImportState::After) {
        out() << "import: the uninterrupted import did not give the full result (exit " << whole.exitCode << ")"
              << Qt::endl;
        printProblems(wholeProblems);
        return false;
    }
    {
        // The checks must see an import that stopped half way.
        const QString half = QDir(work).filePath(QStringLiteral("half.dat"));
        copyDatabase(dbPath, half);
        {
            Sql::Connection db(half);
            db.exec(QStringLiteral("DELETE FROM DrinkInfo WHERE DrinkID = (SELECT MAX(ID) FROM Drinks); "
                                   "DELETE FROM Drinks WHERE ID = (SELECT MAX(ID) FROM Drinks)"));
        }
        QStringList found;
        {
            Sql::Connection db(half);
            checkImport(db, base, source, &found);
        }
        if (found.isEmpty()) {
            out() << "import: the checks missed an import that stopped half way" << Qt::endl;
            return false;
        }
    }
    out() << "import: uninterrupted import of " << source.newDrinks.size() << " new drinks and "
          << source.novelties.size() << " new ingredients took " << importMs << " ms" << Qt::endl;

    Tally tally;
    int before = 0, after = 0;
    for (int attempt = 0; tally.run < o.kills && attempt < o.kills * 3; ++attempt) {
        const quint64 seed = runSeed(o.seed, 1, attempt);
        // Most kills anywhere in the work, some close to its end where the commit and the
        // checkpoint run.
        const double span = (seed % 10 < 7) ? (double(seed >> 8 & 0xFFFF) / 65536.0)
                                             : 0.85 + 0.2 * (double(seed >> 8 & 0xFFFF) / 65536.0);
        const int delayMs = int(span * double(importMs));
        copyDatabase(base.path, dbPath);
        const RunResult r = runChild({QStringLiteral("--child"), QStringLiteral("import"), dbPath, docPath}, delayMs);
        ImportState s = ImportState::Broken;
        const QStringList problems = check(&s);
        if (r.killed) {
            ++tally.run;
            if (problems.isEmpty())
                ++tally.survived;
            (s == ImportState::Before ? before : after) += problems.isEmpty() ? 1 : 0;
        } else {
            ++tally.finishedFirst;
        }
        out() << "import run " << attempt + 1 << " seed " << seed << " delay " << delayMs << " ms: "
              << (r.killed ? "killed" : "finished first") << ", "
              << (problems.isEmpty() ? (s == ImportState::Before ? "ok (nothing imported)" : "ok (all imported)")
                                     : "BROKEN")
              << Qt::endl;
        if (!problems.isEmpty()) {
            printProblems(problems);
            out() << "      kept as " << keepFailure(o, dbPath, QStringLiteral("import-%1").arg(seed)) << Qt::endl;
        }
    }
    out() << "import: " << tally.survived << " of " << tally.run << " kills survived (" << before
          << " left the base untouched, " << after << " left the whole import; " << tally.finishedFirst
          << " run(s) finished before the kill and were not counted)" << Qt::endl;
    return tally.run >= o.kills && tally.survived == tally.run;
}

bool editScenario(const Options& o, const Base& base, const QString& work)
{
    const QString dbPath = QDir(work).filePath(QStringLiteral("edit.dat"));
    copyDatabase(base.path, dbPath);
    Tally tally;
    qint64 operations = 0;
    for (int attempt = 0; tally.run < o.kills && attempt < o.kills * 3; ++attempt) {
        const quint64 seed = runSeed(o.seed, 2, attempt);
        const int delayMs = int(seed % 400);
        const RunResult r = runChild({QStringLiteral("--child"), QStringLiteral("edit"), dbPath, QString::number(seed)},
                                     delayMs);
        const QStringList problems =
            checked([&](Sql::Connection& db, QStringList* p) { checkEdit(db, base, p); }, dbPath);
        operations += r.operations;
        if (r.killed) {
            ++tally.run;
            if (problems.isEmpty())
                ++tally.survived;
        } else {
            ++tally.finishedFirst;
        }
        out() << "edit run " << attempt + 1 << " seed " << seed << " delay " << delayMs << " ms: "
              << (r.killed ? "killed" : "ended by itself") << " after " << r.operations << " operation(s), "
              << (problems.isEmpty() ? "ok" : "BROKEN") << Qt::endl;
        if (!problems.isEmpty()) {
            printProblems(problems);
            out() << "      kept as " << keepFailure(o, dbPath, QStringLiteral("edit-%1").arg(seed)) << Qt::endl;
            // The next child would work on a broken file; start again from the base.
            copyDatabase(base.path, dbPath);
        }
    }
    out() << "edit: " << tally.survived << " of " << tally.run << " kills survived (" << operations
          << " operations committed in all)" << Qt::endl;
    return tally.run >= o.kills && tally.survived == tally.run;
}

// The checks must see real damage; a checker that passes everything proves nothing.
bool selfTest(const Base& base, const QString& work)
{
    const QString path = QDir(work).filePath(QStringLiteral("selftest.dat"));
    const ImportSource noImport = importSource(base, {});
    struct Damage
    {
        const char* what;
        const char* sql;
    };
    const Damage damages[] = {
        {"drink without lines", "DELETE FROM DrinkInfo WHERE DrinkID = (SELECT MIN(ID) FROM Drinks)"},
        {"line of a missing drink", "INSERT INTO DrinkInfo (DrinkID, IngID, Amount) VALUES (99999, 1, NULL)"},
        {"line naming a missing ingredient", "UPDATE DrinkInfo SET IngID = 99999 WHERE rowid = 5"},
        {"Settings row gone", "DELETE FROM Settings"},
        {"recipe line changed", "UPDATE DrinkInfo SET Amount = 'zzz' WHERE rowid = (SELECT MAX(rowid) FROM DrinkInfo)"},
        {"drink lost", "DELETE FROM Drinks WHERE ID = 3; DELETE FROM DrinkInfo WHERE DrinkID = 3"},
        {"stock half saved", "UPDATE Ingredients SET CurrentStock = 0 WHERE ID = 3"},
        {"wrong non-alcoholic flag", "UPDATE Drinks SET NonAlcoholic = 1 - NonAlcoholic WHERE ID = 9"},
    };
    bool ok = true;
    for (const Damage& d : damages) {
        copyDatabase(base.path, path);
        {
            Sql::Connection db(path);
            db.exec(QString::fromLatin1(d.sql));
        }
        QStringList importProblems, editProblems;
        {
            Sql::Connection db(path);
            checkImport(db, base, noImport, &importProblems);
        }
        {
            Sql::Connection db(path);
            checkEdit(db, base, &editProblems);
        }
        // The stock is a matter of the edit scenario only.
        const bool importConcerned = std::strcmp(d.what, "stock half saved") != 0;
        if ((importConcerned && importProblems.isEmpty()) || editProblems.isEmpty()) {
            out() << "self-test: the checks missed \"" << d.what << "\"" << Qt::endl;
            ok = false;
        }
    }
    // Damage below the engine: a page overwritten with zeros.
    copyDatabase(base.path, path);
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() / 2) || file.write(QByteArray(4096, '\0')) != 4096)
            throw std::runtime_error("cannot damage the self-test copy");
    }
    const QStringList pageProblems = checked(
        [&](Sql::Connection& db, QStringList* p) { checkEdit(db, base, p); }, path);
    if (pageProblems.isEmpty()) {
        out() << "self-test: the checks missed a zeroed page" << Qt::endl;
        ok = false;
    }
    // And the untouched base passes both.
    const QStringList clean = checked([&](Sql::Connection& db, QStringList* p) { checkEdit(db, base, p); }, base.path);
    ImportState s = ImportState::Broken;
    const QStringList cleanImport =
        checked([&](Sql::Connection& db, QStringList* p) { s = checkImport(db, base, noImport, p); }, base.path);
    if (!clean.isEmpty() || !cleanImport.isEmpty() || s != ImportState::Before) {
        out() << "self-test: the untouched base fails the checks" << Qt::endl;
        printProblems(clean + cleanImport);
        ok = false;
    }
    out() << "self-test: " << (ok ? "the checks catch all 9 kinds of damage" : "FAILED") << Qt::endl;
    return ok;
}

int usage()
{
    QTextStream(stderr) << "usage: crashtool [--scenario import|edit|all] [--kills N] [--drinks N] [--seed S] "
                           "[--short] [--keep DIR]\n";
    return 2;
}

int parent(const Options& o)
{
    QTemporaryDir work;
    if (!work.isValid())
        throw std::runtime_error("cannot create a work folder");
    out() << "crashtool: master seed " << o.seed << " (replay: crashtool --scenario " << o.scenario << " --kills "
          << o.kills << " --drinks " << o.drinks << " --seed " << o.seed << ")" << Qt::endl;
    const Base base = createBase(QDir(work.path()).filePath(QStringLiteral("base.dat")));
    out() << "base: " << BaseDrinkCount << " drinks, " << IngredientCount << " ingredients, " << GlassCount
          << " glasses" << Qt::endl;
    bool ok = selfTest(base, work.path());
    QElapsedTimer clock;
    clock.start();
    if (o.scenario == QLatin1String("import") || o.scenario == QLatin1String("all"))
        ok = importScenario(o, base, work.path()) && ok;
    if (o.scenario == QLatin1String("edit") || o.scenario == QLatin1String("all"))
        ok = editScenario(o, base, work.path()) && ok;
    out() << "crashtool: " << (ok ? "PASSED" : "FAILED") << " in " << clock.elapsed() / 1000 << " s" << Qt::endl;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.value(0) == QLatin1String("--child")) {
            if (args.value(1) == QLatin1String("import") && args.size() == 4)
                return childImport(args.at(2), args.at(3));
            if (args.value(1) == QLatin1String("edit") && args.size() == 4)
                return childEdit(args.at(2), args.at(3).toULongLong());
            return usage();
        }
        Options o;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args.at(i);
            const QString value = args.value(i + 1);
            if (a == QLatin1String("--short")) {
                // For the test suite: a few kills on a smaller document, well under a minute.
                o.kills = 10;
                o.drinks = 2000;
            } else if (a == QLatin1String("--scenario") && !value.isEmpty()) {
                o.scenario = value;
                ++i;
            } else if (a == QLatin1String("--kills") && value.toInt() > 0) {
                o.kills = value.toInt();
                ++i;
            } else if (a == QLatin1String("--drinks") && value.toInt() > 0) {
                o.drinks = value.toInt();
                ++i;
            } else if (a == QLatin1String("--seed") && !value.isEmpty()) {
                o.seed = value.toULongLong();
                o.seedGiven = true;
                ++i;
            } else if (a == QLatin1String("--keep") && !value.isEmpty()) {
                o.keep = value;
                ++i;
            } else {
                return usage();
            }
        }
        if (o.scenario != QLatin1String("import") && o.scenario != QLatin1String("edit") &&
            o.scenario != QLatin1String("all"))
            return usage();
        if (!o.seedGiven)
            o.seed = mix(quint64(::time(nullptr)) ^ (quint64(::getpid()) << 32));
        return parent(o);
    } catch (const Sql::Error& e) {
        QTextStream(stderr) << "crashtool: " << e.message() << Qt::endl;
    } catch (const std::exception& e) {
        QTextStream(stderr) << "crashtool: " << e.what() << Qt::endl;
    }
    return 1;
}
