// Crash injection for the recipe database: a child process writes through the store's own
// procedures while this process kills it with SIGKILL at pseudo-random moments, then checks that
// what is left on disk is whole.
//
//   crashtool [--scenario import|file|upgrade|edit|all] [--kills N] [--drinks N] [--seed S] [--short] [--keep DIR]
//
// Scenario "import": a fresh copy of a base database per kill; the child adds a drink document of
// --drinks drinks (default 10,000) with AddNewRecordsToDatabase. Afterwards the database holds the
// base alone or the base plus every new drink of the document, each equal to its source.
// Scenario "file": the same, with the document imported as a recipe file (what File > Import
// Recipes and `tumblerix import` do): the file is added whole or not at all.
// Scenario "upgrade": a copy of the base as the first release wrote it (no strength table) per
// kill; the child opens it, which upgrades it. Afterwards the file has the old layout or the new
// one with every known strength, never a mix, and the recipes are the base's.
// Scenario "edit": one copy of the base for the whole scenario; each child resumes where the last
// one was killed and loops over ReplaceDrink, SaveCurrentStock and the stock view's recomputation.
// Every drink name carries its number and version, from which its full content follows.
//
// The master seed is printed; the same seed gives the same documents, the same edits and the same
// kill delays (the moment the kill lands still depends on the machine's speed).

#include "core/exchange/ExchangeDocument.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/formats/Importer.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Lib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/StoreInternal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <unistd.h>

using namespace Qt::StringLiterals;

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


// Ingredient names with the characters that SQL or markup would trip over.
QString ingredientSeedName(int i)
{
    // A few names of the starter catalogue, whose strengths an upgrade fills in.
    static const QStringList starter = {u"Gin"_s, u"Vodka"_s, u"Triple Sec"_s};
    if (i >= 1 && i <= int(starter.size()))
        return starter.at(i - 1);
    static const QStringList flavours = {QString(),       u" 'Aged'"_s,       u" \"Dry\""_s,     u" Crème"_s,
                                         u" № 7"_s,       u" 50% Abv"_s,      u" Under_Score"_s, u" Back\\Slash"_s,
                                         u" Semi;Colon"_s, u" -- Dash"_s,     u" <Tag>"_s,       u" & Co"_s,
                                         u" Pipe|Line"_s, u" 🍋"_s};
    return u"Ingredient %1"_s.arg(i, 2, 10, QChar(u'0')) + flavours.at(i % flavours.size());
}

QString amountText(quint64 h)
{
    static const QStringList amounts = {u"1 oz"_s, u"1 1/2 oz"_s,      u"½ oz"_s,        QString(),
                                        u"2 dashes 'Ango'"_s, u"Fill with \"soda\""_s, u"10 %"_s,
                                        u"1 cl; chilled"_s,   u"a <splash> & more"_s,  u"3 🧊"_s};
    return amounts.at(int(h % quint64(amounts.size())));
}

// Drink b at version v of the edit scenario. Version 0 is the base.
DBLib::DrinkEntry editEntry(int b, int v, const QStringList& catalogue)
{
    const quint64 h = mix(quint64(b) * 1000003ULL + quint64(v));
    DBLib::DrinkEntry e;
    e.name = u"Crash %1 v%2 l'été №%3"_s.arg(b, 4, 10, QChar(u'0')).arg(v).arg(h % 100);
    e.glass = u"Glass %1"_s.arg(1 + int(h % GlassCount));
    const int rows = 1 + int((h >> 8) % 14);
    for (int k = 0; k < rows; ++k) {
        const quint64 hk = mix(h + quint64(k));
        e.lines.append({amountText(hk >> 20), catalogue.at(int(hk % quint64(catalogue.size()))), QString(), false, std::nullopt});
    }
    if ((h >> 40) % 10 == 0)
        e.lines.append({u"1 pinch"_s, u"Novelty %1 %2"_s.arg(b).arg(v), QString(), false, std::nullopt});
    if ((h >> 48) % 17 != 0)
        e.description = u"Version %1 of drink %2.\nShake \"hard\" & strain < 5 s; 100% 🍸"_s.arg(v).arg(b);
    return e;
}

// The drink document of the import scenario, in the exchange's own form.
QList<Online::ExchangeDrink> importDrinks(int count, quint64 seed, const QStringList& catalogue)
{
    QList<Online::ExchangeDrink> drinks;
    for (int n = 0; n < count; ++n) {
        const quint64 h = mix(seed ^ mix(quint64(n)));
        Online::ExchangeDrink d;
        // Now and then a drink the base already has, named in another letter case.
        d.name = n % DuplicateEvery == 7 ? editEntry(int(h % BaseDrinkCount), 0, catalogue).name.toLower()
                                         : u"Imported %1 « %2 » \"№\" & <b> 🍹"_s.arg(n, 5, 10, QChar(u'0')).arg(h % 1000);
        if ((h >> 12) % 23 != 0)
            d.directions = u"Directions %1:\n\tmix & pour <gently>; 'ice' 🧊 -- 50%"_s.arg(n);
        d.glassType = QString::number(1 + int((h >> 20) % GlassCount));
        const int rows = 1 + int((h >> 28) % 8);
        for (int k = 0; k < rows; ++k) {
            const quint64 hk = mix(h + quint64(k) + 77);
            const QString name = catalogue.at(int(hk % quint64(catalogue.size())));
            // The catalogue is searched without regard to letter case; the marks of known ingredients are ignored.
            d.ingredients.append({amountText(hk >> 24), k % 3 == 1 ? name.toLower() : (k % 3 == 2 ? name.toUpper() : name),
                                  (hk >> 40) % 2 == 0, u"ignored"_s});
        }
        if (const int kind = (n / NoveltyEvery) % NoveltyKinds; n % NoveltyEvery == 3)
            d.ingredients.append({u"1 twist"_s, u"Import Novelty %1"_s.arg(kind), kind % 2 == 0, u"Sub %1 'x'"_s.arg(kind)});
        drinks.append(d);
    }
    return drinks;
}

// One document holding every drink; each drink element is written by the exchange's writer.
QByteArray drinkDocument(const QList<Online::ExchangeDrink>& drinks)
{
    const QString head = u"<?xml version=\"1.0\" encoding=\"utf-8\" ?><drinks>"_s;
    const QString tail = u"</drinks>"_s;
    QString doc = head;
    for (const Online::ExchangeDrink& d : drinks) {
        const QString one = Online::WriteDrinkDocument(d);
        if (!one.startsWith(head) || !one.endsWith(tail))
            throw std::runtime_error("the drink document writer changed its frame");
        doc += QStringView(one).mid(head.size(), one.size() - head.size() - tail.size());
    }
    return (doc + tail).toUtf8();
}


using Line = std::pair<QString, QString>; // amount, ingredient

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
    Expected x{e.glass.mid(6).toInt(), hasText(e.description) ? e.description : QString(), {}, submitted};
    for (const DBLib::DrinkEntry::Line& r : e.lines)
        x.lines.append({hasText(r.amount) ? r.amount : QString(), DBLib::ProperCase(r.ingredient.trimmed())});
    return x;
}

struct FoundIngredient
{
    QString name, substitute;
    bool noAlcohol = false, inStock = false;
};

struct FoundDrink
{
    qint64 id = 0, glass = 0;
    QString name, description;
    bool favorite = false, submitted = false, nonAlcoholic = false, currentStock = false, stockNonAlcoholic = false;
    QList<qint64> ingredientIds;
    QList<QString> amounts;
};

struct Found
{
    QHash<qint64, FoundIngredient> ingredients;
    QList<FoundDrink> drinks;
    QString settings, glassesAndTips; // the validity flags (stock, non-alcoholic, both) of each Settings row
};

QString glassesAndTips(Sql::Connection& db)
{
    QStringList rows;
    Sql::Statement st(db, u"SELECT GlassID, GlassType, NULL FROM GlassTypes UNION ALL SELECT * FROM Tips"_s);
    while (st.step())
        rows << st.text(0) + u'|' + st.text(1) + u'|' + st.text(2);
    return rows.join(u'\n');
}

// Reads what the checks need; texts that cannot be decoded become problems.
Found readDatabase(Sql::Connection& db, QStringList* problems)
{
    Found f;
    Sql::Statement ing(db, u"SELECT ID, Ingredient, Substitute, NonAlcohol, CurrentStock FROM Ingredients"_s);
    while (ing.step())
        f.ingredients.insert(ing.int64(0), {ing.text(1), ing.text(2), ing.int64(3) == 1, ing.int64(4) == 1});
    QHash<qint64, int> position;
    Sql::Statement drinks(db, u"SELECT ID, Name, GlassType, Description, Favorite, Submitted, NonAlcoholic, "
                              "CurrentStock, CurrentStockNonAlcoholic FROM Drinks ORDER BY ID"_s);
    while (drinks.step()) {
        FoundDrink d;
        d.id = drinks.int64(0);
        try {
            d.name = Lib::DecodeText(drinks.value(1));
            d.description = Lib::DecodeText(drinks.value(3));
        } catch (const Lib::TextCodingError& e) {
            problems->append(u"drink %1: %2"_s.arg(d.id).arg(e.message()));
        }
        d.glass = drinks.int64(2);
        bool* marks[] = {&d.favorite, &d.submitted, &d.nonAlcoholic, &d.currentStock, &d.stockNonAlcoholic};
        for (int c = 0; c < 5; ++c)
            *marks[c] = drinks.int64(c + 4) != 0;
        position.insert(d.id, int(f.drinks.size()));
        f.drinks.append(d);
    }
    Sql::Statement lines(db, u"SELECT DrinkID, IngID, Amount FROM DrinkInfo ORDER BY rowid"_s);
    while (lines.step()) {
        const auto it = position.constFind(lines.int64(0));
        if (it == position.constEnd())
            continue; // reported by the orphan check
        FoundDrink& d = f.drinks[it.value()];
        d.ingredientIds.append(lines.int64(1));
        try {
            d.amounts.append(Lib::DecodeText(lines.value(2)));
        } catch (const Lib::TextCodingError& e) {
            problems->append(u"a recipe line of drink %1: %2"_s.arg(d.id).arg(e.message()));
            d.amounts.append(QString());
        }
    }
    f.settings = db.scalar(u"SELECT group_concat(CurrentStockUpdate || NonAlcoholicUpdate || "
                           "CurrentStockNonAlcoholicUpdate, ',') FROM Settings"_s).toString();
    f.glassesAndTips = glassesAndTips(db);
    return f;
}

QString describe(const QList<Line>& lines)
{
    QStringList parts;
    for (const Line& l : lines)
        parts << l.first + u" / "_s + l.second;
    return u'[' + parts.join(u"; "_s) + u']';
}

void compareDrink(const FoundDrink& d, const Found& f, const Expected& x, QStringList* problems)
{
    QList<Line> lines;
    for (qsizetype i = 0; i < d.ingredientIds.size(); ++i)
        lines.append({d.amounts.at(i), f.ingredients.value(d.ingredientIds.at(i)).name});
    if (d.glass != x.glass)
        problems->append(u"%1: glass %2, expected %3"_s.arg(d.name).arg(d.glass).arg(x.glass));
    if (d.description != x.description)
        problems->append(u"%1: directions differ from the source"_s.arg(d.name));
    if (lines != x.lines)
        problems->append(u"%1: recipe %2, expected %3"_s.arg(d.name, describe(lines), describe(x.lines)));
    if (d.submitted != x.submitted || d.favorite)
        problems->append(u"%1: favourite/submitted marks are wrong"_s.arg(d.name));
}

// The checks every state must pass, whatever the scenario.
void checkCommon(Sql::Connection& db, const Found& f, const QString& baseGlassesAndTips, QStringList* problems)
{
    QStringList integrity;
    Sql::Statement check(db, u"PRAGMA integrity_check"_s);
    while (check.step())
        integrity << check.text(0);
    if (integrity != QStringList{u"ok"_s})
        problems->append(u"integrity_check: "_s + integrity.mid(0, 5).join(u"; "_s));
    const std::pair<const char*, const char*> orphans[] = {
        {"drink(s) without recipe lines",
         "SELECT COUNT(*) FROM Drinks d WHERE NOT EXISTS (SELECT 1 FROM DrinkInfo l WHERE l.DrinkID = d.ID)"},
        {"recipe line(s) of a missing drink",
         "SELECT COUNT(*) FROM DrinkInfo l WHERE NOT EXISTS (SELECT 1 FROM Drinks d WHERE d.ID = l.DrinkID)"},
        {"recipe line(s) naming a missing ingredient",
         "SELECT COUNT(*) FROM DrinkInfo l WHERE NOT EXISTS (SELECT 1 FROM Ingredients i WHERE i.ID = l.IngID)"}};
    for (const auto& [what, sql] : orphans) {
        if (const qint64 n = db.scalar(QString::fromLatin1(sql)).toLongLong(); n != 0)
            problems->append(u"%1 %2"_s.arg(n).arg(QLatin1String(what)));
    }
    const bool settingsWhole = QRegularExpression(u"^[01]{3}$"_s).match(f.settings).hasMatch();
    if (!settingsWhole)
        problems->append(u"Settings is not one row of 0s and 1s: \"%1\""_s.arg(f.settings));
    if (f.glassesAndTips != baseGlassesAndTips)
        problems->append(u"the glasses or tips changed"_s);
    // The derived flags: the non-alcoholic one is written with every drink; the stock ones are
    // only promised while their validity flag is set.
    const bool stockValid = settingsWhole && f.settings.at(0) == u'1';
    const bool bothValid = settingsWhole && f.settings.at(2) == u'1';
    for (const FoundDrink& d : f.drinks) {
        const auto all = [&](bool nonAlcoholic, bool inStock) {
            return !d.ingredientIds.isEmpty() && std::all_of(d.ingredientIds.begin(), d.ingredientIds.end(), [&](qint64 id) {
                       const FoundIngredient i = f.ingredients.value(id);
                       return (i.noAlcohol || !nonAlcoholic) && (i.inStock || !inStock);
                   });
        };
        if (d.nonAlcoholic != all(true, false))
            problems->append(u"%1: non-alcoholic flag is wrong"_s.arg(d.name));
        if (stockValid && d.currentStock != all(false, true))
            problems->append(u"%1: stock flag is wrong while marked valid"_s.arg(d.name));
        if (bothValid && d.stockNonAlcoholic != all(true, true))
            problems->append(u"%1: stock non-alcoholic flag is wrong while marked valid"_s.arg(d.name));
    }
}


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
    Base base{path, {}, {}, {}};
    DBLib::CreateRecipeDatabase(path);
    Sql::Connection& db = DBLib::Database();
    {
        Sql::Transaction tx(db);
        for (int g = 1; g <= GlassCount; ++g)
            db.execute(u"INSERT INTO GlassTypes (GlassID, GlassType) VALUES (?1, ?2)"_s, {g, u"Glass %1"_s.arg(g)});
        db.execute(u"INSERT INTO Tips (ID, Title, Description) VALUES (1, 'Ice', ?1)"_s,
                   {Lib::EncodeText(u"Use plenty of it."_s)});
        for (int i = 0; i < IngredientCount; ++i)
            DBLib::AddIngredient(ingredientSeedName(i), QString(), i % 3 == 0 ? u"True"_s : u"False"_s);
        tx.commit();
    }
    for (qint64 id = 1; id <= IngredientCount; ++id)
        base.catalogue << DBLib::GetIngredientName(id);
    DBLib::SaveCurrentStock(stockWindow(base.catalogue, 0), true);
    for (int b = 0; b < BaseDrinkCount; ++b) {
        DBLib::DrinkEntry entry = editEntry(b, 0, base.catalogue);
        entry.submitted = true;
        DBLib::WriteNewDrink(entry);
    }
    // The views computed once, so their cached flags are valid at the start.
    DBLib::DrinksAvailableWithCurrentStock();
    DBLib::AllNonAlcoholicDrinks();
    DBLib::NonAlcoholicDrinksAvailableWithCurrentStock();
    Sql::Statement all(db, u"SELECT ID, Ingredient FROM Ingredients"_s);
    while (all.step())
        base.ingredients.insert(all.int64(0), all.text(1));
    base.glassesAndTips = glassesAndTips(db);
    DBLib::CloseRecipeDatabase();
    return base;
}


struct ImportSource
{
    QHash<QString, Expected> baseDrinks, newDrinks; // by stored name
    QHash<QString, Online::ExchangeIngredient> novelties; // by catalogue name
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
        Expected x{d.glassType.toLongLong(), hasText(d.directions) ? d.directions : QString(), {}, false};
        for (const Online::ExchangeIngredient& l : d.ingredients) {
            QString name = canonical.value(l.type.toLower());
            if (name.isEmpty()) {
                name = DBLib::ProperCase(l.type);
                canonical.insert(l.type.toLower(), name);
                s.novelties.insert(name, l);
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
            problems->append(u"a drink from nowhere: \"%1\""_s.arg(d.name));
        }
    }
    if (baseSeen != BaseDrinkCount)
        problems->append(u"%1 of the %2 base drinks are left"_s.arg(baseSeen).arg(BaseDrinkCount));
    if (newSeen != 0 && newSeen != source.newDrinks.size())
        problems->append(u"half an import: %1 of %2 new drinks"_s.arg(newSeen).arg(source.newDrinks.size()));
    // The catalogue: the base's entries unchanged, plus every new one of the document or none.
    int noveltiesSeen = 0;
    for (auto it = f.ingredients.constBegin(); it != f.ingredients.constEnd(); ++it) {
        if (base.ingredients.contains(it.key())) {
            if (it.value().name != base.ingredients.value(it.key()))
                problems->append(u"ingredient %1 was renamed"_s.arg(it.key()));
        } else if (const auto nv = source.novelties.constFind(it.value().name); nv != source.novelties.constEnd()) {
            ++noveltiesSeen;
            if (it.value().substitute != nv.value().substitute || it.value().noAlcohol != nv.value().noAlcohol)
                problems->append(u"%1 was added with the wrong details"_s.arg(it.value().name));
        } else {
            problems->append(u"an ingredient from nowhere: \"%1\""_s.arg(it.value().name));
        }
    }
    if (noveltiesSeen != (newSeen == 0 ? 0 : source.novelties.size()))
        problems->append(u"%1 new ingredients with %2 new drinks"_s.arg(noveltiesSeen).arg(newSeen));
    if (!problems->isEmpty())
        return ImportState::Broken;
    return newSeen == 0 ? ImportState::Before : ImportState::After;
}

const QRegularExpression& editNamePattern()
{
    static const QRegularExpression pattern(u"^CRASH (\\d{4}) V(\\d+) "_s);
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
            problems->append(u"a drink from nowhere: \"%1\""_s.arg(d.name));
            continue;
        }
        ++seen[b];
        const int v = m.captured(2).toInt();
        const DBLib::DrinkEntry e = editEntry(b, v, base.catalogue);
        if (e.name.trimmed().toUpper() != d.name)
            problems->append(u"\"%1\" is not the name of drink %2 version %3"_s.arg(d.name).arg(b).arg(v));
        compareDrink(d, f, expectedOf(e, v == 0), problems);
    }
    for (int b = 0; b < BaseDrinkCount; ++b) {
        if (seen.at(b) != 1)
            problems->append(u"drink %1 is there %2 times"_s.arg(b).arg(seen.at(b)));
    }
    // The stock is always one whole window of the catalogue, never a half-saved list.
    QList<qint64> stocked;
    for (auto it = f.ingredients.constBegin(); it != f.ingredients.constEnd(); ++it) {
        if (it.key() >= 1 && it.key() <= IngredientCount && it.value().name != base.catalogue.at(it.key() - 1))
            problems->append(u"ingredient %1 was renamed"_s.arg(it.key()));
        if (it.value().inStock)
            stocked.append(it.key());
    }
    // A window has exactly one member whose successor in the catalogue's circle is not in it.
    const auto ends = std::count_if(stocked.begin(), stocked.end(), [&](qint64 id) {
        return id > IngredientCount || !stocked.contains(id % IngredientCount + 1);
    });
    if (stocked.size() != StockWindow || ends != 1)
        problems->append(u"the stock holds %1 ingredients that are no saved list"_s.arg(stocked.size()));
}


void say(const char* text)
{
    const size_t n = std::strlen(text);
    if (::write(STDOUT_FILENO, text, n) != ssize_t(n))
        std::_Exit(3);
}

// One piece of work from "ready" to "done": a drink document added, a recipe file imported, or an
// opening (which upgrades a first-release file, so the database is opened after "ready").
int childOnce(const QString& kind, const QString& dbPath, const QString& docPath)
{
    std::optional<QList<Online::ExchangeDrink>> drinks;
    if (kind == u"import"_s) {
        QFile file(docPath);
        QString error;
        drinks = file.open(QIODevice::ReadOnly) ? Online::ReadDrinkDocument(file.readAll(), &error) : std::nullopt;
        if (!drinks)
            throw std::runtime_error("the document was refused: " + error.toStdString());
    }
    if (kind != u"upgrade"_s)
        DBLib::OpenRecipeDatabase(dbPath);
    say("ready\n");
    if (kind == u"upgrade"_s) {
        DBLib::OpenRecipeDatabase(dbPath);
    } else if (drinks) {
        Online::AddNewRecordsToDatabase(*drinks);
    } else if (const Formats::ImportSummary summary = Formats::Import({docPath}); summary.added() == 0) {
        throw std::runtime_error("nothing was imported: " + summary.text().toStdString());
    }
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
        if (r % 10 < 6) {
            const int b = int((r >> 8) % BaseDrinkCount);
            const qint64 id = DBLib::FindDrinkID(editEntry(b, version.at(b), catalogue).name.trimmed().toUpper());
            DBLib::ReplaceDrink(id, editEntry(b, version.at(b) + 1, catalogue));
            ++version[b];
        } else if (r % 10 < 9) {
            DBLib::SaveCurrentStock(stockWindow(catalogue, int((r >> 8) % IngredientCount)), true);
        } else {
            DBLib::DrinksAvailableWithCurrentStock();
            DBLib::NonAlcoholicDrinksAvailableWithCurrentStock();
        }
        say("."); // one committed operation
    }
}


struct Options
{
    QString scenario = u"all"_s;
    int kills = 100, drinks = 10000;
    quint64 seed = 0;
    QString keep;
};

struct RunResult
{
    bool killed = false; // the SIGKILL reached a live child (else it ended on its own first)
    int exitCode = -1;
    qint64 operations = 0, workMs = 0; // operations the child reported committed; from "ready" to its end
};

// Starts the child, waits for it to be ready, lets it work for delayMs and kills it.
RunResult runChild(const QStringList& arguments, int delayMs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QByteArray said;
    QElapsedTimer clock;
    clock.start();
    // A loaded machine may take seconds to start the child; only an exit or a minute ends the wait.
    while (!said.contains("ready\n") && clock.elapsed() < 60000 && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(1000);
        said += child.readAllStandardOutput();
    }
    if (!said.contains("ready\n"))
        throw std::runtime_error("the child never became ready");
    clock.restart();
    RunResult result;
    if (!child.waitForFinished(std::max(delayMs, 1))) {
        child.kill();
        child.waitForFinished(-1);
        result.killed = child.exitStatus() == QProcess::CrashExit;
    }
    result.workMs = clock.elapsed();
    said += child.readAllStandardOutput();
    result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    result.operations = said.count('.');
    return result;
}

void copyDatabase(const QString& from, const QString& to)
{
    for (const QString& suffix : {QString(), u"-wal"_s, u"-shm"_s}) {
        QFile::remove(to + suffix);
        if (QFile::exists(from + suffix) && !QFile::copy(from + suffix, to + suffix))
            throw std::runtime_error("cannot copy the database");
    }
}

QStringList checked(const std::function<void(Sql::Connection&, QStringList*)>& check, const QString& path)
{
    QStringList problems;
    try {
        // Opened as the program's next start opens it: the journal is recovered here.
        Sql::Connection db(path, Sql::Connection::Mode::ReadWrite);
        check(db, &problems);
    } catch (const std::exception& e) {
        problems.append(u"cannot be read: "_s + QString::fromUtf8(e.what()));
    }
    return problems;
}

void printProblems(const QStringList& problems)
{
    for (const QString& problem : problems.mid(0, 12))
        out() << "      " << problem << Qt::endl;
    if (problems.size() > 12)
        out() << "      ... and " << problems.size() - 12 << " more" << Qt::endl;
}

// One line per run; a database that fails its checks is kept, with its journal files, for a closer
// look. True when the kill counts.
bool report(const Options& o, const QString& what, int attempt, quint64 seed, const RunResult& r, const QString& state,
            const QStringList& problems, const QString& path)
{
    out() << what << " run " << attempt + 1 << " seed " << seed << ": " << (r.killed ? "killed" : "ended by itself")
          << " after " << r.workMs << " ms, " << r.operations << " operation(s), " << (problems.isEmpty() ? state : u"BROKEN"_s)
          << Qt::endl;
    if (!problems.isEmpty()) {
        printProblems(problems);
        const QString folder = o.keep.isEmpty() ? QDir::tempPath() + u"/crashtool-failures"_s : o.keep;
        QDir().mkpath(folder);
        copyDatabase(path, QDir(folder).filePath(u"%1-%2.dat"_s.arg(what).arg(seed)));
        out() << "      kept in " << folder << Qt::endl;
    }
    return r.killed;
}

// Runs the child again and again from a fresh file, each run killed at the delay its seed gives,
// until o.kills kills landed (runs that finished first are not counted). check() gives the problems
// of the file left and whether it holds the state before the work (else the state after it). Says
// the tally in words and returns whether every kill left a whole file.
struct KillStates
{
    QString before, after; // "left the base untouched", ...
};
bool killRuns(const Options& o, const QString& what, quint64 stream, int attemptsPerKill, const QStringList& arguments,
              const QString& dbPath, const std::function<void()>& fresh, const std::function<int(quint64)>& delayOf,
              const std::function<QStringList(bool* before)>& check, const KillStates& says)
{
    int run = 0, survived = 0, finishedFirst = 0, before = 0, after = 0;
    // The work is timed once; on a busy machine later runs may be quicker. A run that finishes
    // before its kill makes the next delays shorter.
    double scale = 1.0;
    for (int attempt = 0; run < o.kills && attempt < o.kills * attemptsPerKill; ++attempt) {
        const quint64 seed = mix(o.seed ^ mix((stream << 32) + quint64(attempt)));
        fresh();
        const RunResult r = runChild(arguments, int(delayOf(seed) * scale));
        bool untouched = false;
        const QStringList problems = check(&untouched);
        if (!report(o, what, attempt, seed, r, u"ok ("_s + (untouched ? says.before : says.after) + u')', problems, dbPath)) {
            ++finishedFirst;
            scale *= 0.8;
            continue;
        }
        ++run;
        if (problems.isEmpty()) {
            ++survived;
            ++(untouched ? before : after);
        }
    }
    out() << what << ": " << survived << " of " << run << " kills survived (" << before << " " << says.before << ", "
          << after << " " << says.after << "; " << finishedFirst
          << " run(s) finished before the kill and were not counted)" << Qt::endl;
    return run >= o.kills && survived == run;
}

bool importScenario(const Options& o, const Base& base, const QString& work, bool asFile)
{
    const QString what = asFile ? u"file"_s : u"import"_s;
    const QList<Online::ExchangeDrink> drinks = importDrinks(o.drinks, o.seed, base.catalogue);
    const QString docPath = QDir(work).filePath(u"import.xml"_s);
    {
        const QByteArray doc = drinkDocument(drinks);
        QString error;
        const auto read = Online::ReadDrinkDocument(doc, &error);
        if (!read || read->size() != drinks.size())
            throw std::runtime_error("the generated document does not read back: " + error.toStdString());
        QFile file(docPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(doc) != doc.size())
            throw std::runtime_error("cannot write the document");
        out() << what << ": document of " << drinks.size() << " drinks, " << doc.size() / 1024 << " KiB" << Qt::endl;
    }
    const ImportSource source = importSource(base, drinks);
    const QString dbPath = QDir(work).filePath(u"import.dat"_s);
    const QStringList arguments = {u"--child"_s, asFile ? u"importfile"_s : u"import"_s, dbPath, docPath};
    const auto check = [&](ImportState* state, const QString& path) {
        return checked([&](Sql::Connection& db, QStringList* p) { *state = checkImport(db, base, source, p); }, path);
    };

    // One uninterrupted import: how long it takes, and that the checks accept the finished state.
    copyDatabase(base.path, dbPath);
    const RunResult whole = runChild(arguments, 3600 * 1000);
    ImportState state = ImportState::Broken;
    const QStringList wholeProblems = check(&state, dbPath);
    if (whole.exitCode != 0 || state != ImportState::After) {
        out() << what << ": the uninterrupted import did not give the full result (exit " << whole.exitCode << ")" << Qt::endl;
        printProblems(wholeProblems);
        return false;
    }
    // The checks must see an import that stopped half way.
    const QString half = QDir(work).filePath(u"half.dat"_s);
    copyDatabase(dbPath, half);
    Sql::Connection(half).exec(u"DELETE FROM DrinkInfo WHERE DrinkID = (SELECT MAX(ID) FROM Drinks); "
                               "DELETE FROM Drinks WHERE ID = (SELECT MAX(ID) FROM Drinks)"_s);
    if (check(&state, half).isEmpty()) {
        out() << what << ": the checks missed an import that stopped half way" << Qt::endl;
        return false;
    }
    out() << what << ": uninterrupted import of " << source.newDrinks.size() << " new drinks and "
          << source.novelties.size() << " new ingredients took " << whole.workMs << " ms" << Qt::endl;

    // Most kills anywhere in the work, some close to its end where the commit and the checkpoint run.
    const auto delayOf = [&](quint64 seed) {
        const double at = double(seed >> 8 & 0xFFFF) / 65536.0;
        return int((seed % 10 < 7 ? at : 0.85 + 0.2 * at) * double(whole.workMs));
    };
    return killRuns(o, what, 1, 3, arguments, dbPath, [&] { copyDatabase(base.path, dbPath); }, delayOf,
                    [&](bool* untouched) {
                        const QStringList problems = check(&state, dbPath);
                        *untouched = state == ImportState::Before;
                        return problems;
                    },
                    {u"nothing imported"_s, u"all imported"_s});
}

bool upgradeScenario(const Options& o, const Base& base, const QString& work)
{
    const QString old = QDir(work).filePath(u"first-release.dat"_s);
    copyDatabase(base.path, old);
    Sql::Connection(old).exec(u"DROP TABLE IngredientStrength"_s);
    const QString dbPath = QDir(work).filePath(u"upgrade.dat"_s);
    const QStringList arguments = {u"--child"_s, u"upgrade"_s, dbPath};
    const ImportSource nothing = importSource(base, {});
    const auto layout = [](Sql::Connection& db) {
        if (!db.scalar(u"SELECT 1 FROM sqlite_schema WHERE name = 'IngredientStrength'"_s).isValid())
            return u"old"_s;
        QStringList rows;
        Sql::Statement s(db, u"SELECT IngredientID, Abv FROM IngredientStrength ORDER BY IngredientID"_s);
        while (s.step())
            rows << s.text(0) + u'=' + s.text(1);
        return rows.join(u' ');
    };
    QString upgraded; // the new layout, from an uninterrupted upgrade
    const auto check = [&](QString* state, const QString& path) {
        return checked([&](Sql::Connection& db, QStringList* p) {
            if (checkImport(db, base, nothing, p) != ImportState::Before)
                p->append(u"the recipes are not the base's"_s);
            *state = layout(db);
            if (*state != u"old"_s && *state != upgraded)
                p->append(u"a layout between the two: "_s + state->left(200));
        }, path);
    };
    const auto fresh = [&] {
        copyDatabase(old, dbPath);
        QFile::remove(dbPath + u".bak-1"_s);
        QFile::remove(dbPath + u".bak-1.part"_s);
    };
    fresh();
    const RunResult whole = runChild(arguments, 3600 * 1000);
    Sql::Connection(dbPath).exec(u"PRAGMA wal_checkpoint"_s);
    {
        Sql::Connection db(dbPath);
        upgraded = layout(db);
    }
    QString state;
    if (whole.exitCode != 0 || upgraded == u"old"_s || upgraded.isEmpty() || !check(&state, dbPath).isEmpty()) {
        out() << "upgrade: the uninterrupted upgrade did not give the new layout (exit " << whole.exitCode << ")" << Qt::endl;
        return false;
    }
    out() << "upgrade: uninterrupted upgrade took " << whole.workMs << " ms" << Qt::endl;
    const auto delayOf = [&](quint64 seed) { return int(double(seed >> 8 & 0xFFFF) / 65536.0 * double(whole.workMs)); };
    return killRuns(o, u"upgrade"_s, 3, 5, arguments, dbPath, fresh, delayOf,
                    [&](bool* untouched) {
                        const QStringList problems = check(&state, dbPath);
                        *untouched = state == u"old"_s;
                        return problems;
                    },
                    {u"old layout"_s, u"new layout"_s});
}

bool editScenario(const Options& o, const Base& base, const QString& work)
{
    const QString dbPath = QDir(work).filePath(u"edit.dat"_s);
    copyDatabase(base.path, dbPath);
    int run = 0, survived = 0;
    qint64 operations = 0;
    for (int attempt = 0; run < o.kills && attempt < o.kills * 3; ++attempt) {
        const quint64 seed = mix(o.seed ^ mix((quint64(2) << 32) + quint64(attempt)));
        const RunResult r = runChild({u"--child"_s, u"edit"_s, dbPath, QString::number(seed)}, int(seed % 400));
        const QStringList problems = checked([&](Sql::Connection& db, QStringList* p) { checkEdit(db, base, p); }, dbPath);
        operations += r.operations;
        if (report(o, u"edit"_s, attempt, seed, r, u"ok"_s, problems, dbPath)) {
            ++run;
            survived += problems.isEmpty() ? 1 : 0;
        }
        // The next child would work on a broken file; start again from the base.
        if (!problems.isEmpty())
            copyDatabase(base.path, dbPath);
    }
    out() << "edit: " << survived << " of " << run << " kills survived (" << operations
          << " operations committed in all)" << Qt::endl;
    return run >= o.kills && survived == run;
}

// The checks must see real damage; a checker that passes everything proves nothing.
bool selfTest(const Base& base, const QString& work)
{
    const QString path = QDir(work).filePath(u"selftest.dat"_s);
    const ImportSource noImport = importSource(base, {});
    // Whether the import checks, and the edit checks, find something wrong with the file.
    const auto found = [&](const QString& file) {
        ImportState state = ImportState::Broken;
        const bool import = !checked([&](Sql::Connection& db, QStringList* p) { state = checkImport(db, base, noImport, p); },
                                     file).isEmpty();
        return std::pair(import || state != ImportState::Before,
                         !checked([&](Sql::Connection& db, QStringList* p) { checkEdit(db, base, p); }, file).isEmpty());
    };
    // What, how, and whether the import scenario cares (the stock is a matter of the edits only).
    const std::tuple<const char*, const char*, bool> damages[] = {
        {"drink without lines", "DELETE FROM DrinkInfo WHERE DrinkID = (SELECT MIN(ID) FROM Drinks)", true},
        {"line of a missing drink", "INSERT INTO DrinkInfo (DrinkID, IngID, Amount) VALUES (99999, 1, NULL)", true},
        {"line naming a missing ingredient", "UPDATE DrinkInfo SET IngID = 99999 WHERE rowid = 5", true},
        {"Settings row gone", "DELETE FROM Settings", true},
        {"recipe line changed", "UPDATE DrinkInfo SET Amount = 'zzz' WHERE rowid = (SELECT MAX(rowid) FROM DrinkInfo)", true},
        {"drink lost", "DELETE FROM Drinks WHERE ID = 3; DELETE FROM DrinkInfo WHERE DrinkID = 3", true},
        {"stock half saved", "UPDATE Ingredients SET CurrentStock = 0 WHERE ID = 3", false},
        {"wrong non-alcoholic flag", "UPDATE Drinks SET NonAlcoholic = 1 - NonAlcoholic WHERE ID = 9", true},
        {"page zeroed", nullptr, false}};
    bool ok = true;
    for (const auto& [what, sql, importCares] : damages) {
        copyDatabase(base.path, path);
        if (sql) {
            Sql::Connection(path).exec(QString::fromLatin1(sql));
        } else {
            // Damage below the engine: a page overwritten with zeros.
            QFile file(path);
            if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() / 2) || file.write(QByteArray(4096, 0)) != 4096)
                throw std::runtime_error("cannot damage the self-test copy");
        }
        const auto [importFound, editFound] = found(path);
        if ((importCares && !importFound) || !editFound) {
            out() << "self-test: the checks missed \"" << what << "\"" << Qt::endl;
            ok = false;
        }
    }
    // And the untouched base passes both.
    if (found(base.path) != std::pair(false, false)) {
        out() << "self-test: the untouched base fails the checks" << Qt::endl;
        ok = false;
    }
    out() << "self-test: " << (ok ? "the checks catch all 9 kinds of damage" : "FAILED") << Qt::endl;
    return ok;
}

int usage()
{
    QTextStream(stderr) << "usage: crashtool [--scenario import|file|upgrade|edit|all] [--kills N] [--drinks N] [--seed S] "
                           "[--short] [--keep DIR]\n";
    return 2;
}


} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    try {
        if (args.value(0) == u"--child"_s) {
            const QString kind = args.value(1);
            if (args.size() == 4 && (kind == u"import"_s || kind == u"importfile"_s))
                return childOnce(kind, args.at(2), args.at(3));
            if (args.size() == 3 && kind == u"upgrade"_s)
                return childOnce(kind, args.at(2), QString());
            if (args.size() == 4 && kind == u"edit"_s)
                return childEdit(args.at(2), args.at(3).toULongLong());
            return usage();
        }
        Options o;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args.at(i);
            const QString value = args.value(i + 1);
            if (a == u"--short"_s) {
                // For the test suite: a few kills on a smaller document, well under a minute.
                o.kills = 10;
                o.drinks = 2000;
                continue;
            }
            if (a == u"--scenario"_s && QStringList({u"import"_s, u"file"_s, u"upgrade"_s, u"edit"_s, u"all"_s}).contains(value))
                o.scenario = value;
            else if (a == u"--kills"_s && value.toInt() > 0)
                o.kills = value.toInt();
            else if (a == u"--drinks"_s && value.toInt() > 0)
                o.drinks = value.toInt();
            else if (a == u"--seed"_s && !value.isEmpty())
                o.seed = value.toULongLong();
            else if (a == u"--keep"_s && !value.isEmpty())
                o.keep = value;
            else
                return usage();
            ++i;
        }
        if (!args.contains(u"--seed"_s))
            o.seed = mix(quint64(::time(nullptr)) ^ (quint64(::getpid()) << 32));
        QTemporaryDir work;
        if (!work.isValid())
            throw std::runtime_error("cannot create a work folder");
        out() << "crashtool: master seed " << o.seed << " (replay: crashtool --scenario " << o.scenario << " --kills "
              << o.kills << " --drinks " << o.drinks << " --seed " << o.seed << ")" << Qt::endl;
        const Base base = createBase(QDir(work.path()).filePath(u"base.dat"_s));
        out() << "base: " << BaseDrinkCount << " drinks, " << IngredientCount << " ingredients, " << GlassCount
              << " glasses" << Qt::endl;
        bool ok = selfTest(base, work.path());
        QElapsedTimer clock;
        clock.start();
        if (o.scenario == u"import"_s || o.scenario == u"all"_s)
            ok = importScenario(o, base, work.path(), false) && ok;
        if (o.scenario == u"file"_s || o.scenario == u"all"_s)
            ok = importScenario(o, base, work.path(), true) && ok;
        if (o.scenario == u"upgrade"_s || o.scenario == u"all"_s)
            ok = upgradeScenario(o, base, work.path()) && ok;
        if (o.scenario == u"edit"_s || o.scenario == u"all"_s)
            ok = editScenario(o, base, work.path()) && ok;
        out() << "crashtool: " << (ok ? "PASSED" : "FAILED") << " in " << clock.elapsed() / 1000 << " s" << Qt::endl;
        return ok ? 0 : 1;
    } catch (const std::exception& e) { // Sql::Error included: its what() is its message
        QTextStream(stderr) << "crashtool: " << e.what() << Qt::endl;
    }
    return 1;
}
