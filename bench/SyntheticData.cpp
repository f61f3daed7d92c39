#include "SyntheticData.h"

#include "core/store/DBLib.h"
#include "core/store/StoreInternal.h"
#include "core/store/Lib.h"
#include "core/store/StarterData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Bench {

namespace {

// ---- Word lists -------------------------------------------------------------------------------

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char('|'));
}

const QStringList& adjectives()
{
    static const QStringList list = words(
        "AMBER|ANCIENT|ARCTIC|AUTUMN|BITTER|BLACK|BLAZING|BLUE|BOLD|BRASS|BRIGHT|BROKEN|BURNT|CALM|CANDIED|"
        "CHERRY|CLOUDY|COPPER|CRIMSON|CRYSTAL|DARK|DEEP|DIZZY|DOUBLE|DRY|DUSTY|ELECTRIC|EMERALD|FADED|FIERY|"
        "FLYING|FOGGY|FROZEN|GENTLE|GILDED|GOLDEN|GREEN|HAZY|HIDDEN|HOLLOW|HONEYED|ICY|IRON|IVORY|JADE|JOLLY|"
        "JUMPING|KINGLY|KNOTTED|LAZY|LEMON|LITTLE|LONELY|LOST|LUCKY|MAD|MIDNIGHT|MISTY|MOLTEN|NAKED|NAUGHTY|"
        "NEON|NOBLE|OLD|ORANGE|PALE|PINK|PURPLE|QUIET|QUICK|RAGGED|RED|ROYAL|RUSTY|SALTY|SCARLET|SECRET|"
        "SILVER|SMOKY|SOUR|SPICED|STORMY|SUNNY|SWEET|TANGLED|TIPSY|TROPICAL|UNDERCOVER|UPTOWN|VELVET|VIOLET|"
        "WANDERING|WICKED|WILD|WINTER|YELLOW|YOUNG|ZESTY|ZEALOUS");
    return list;
}

const QStringList& places()
{
    static const QStringList list = words(
        "ACAPULCO|ALPINE|AMALFI|BAHAMA|BALTIC|BANGKOK|BAYOU|BERLIN|BOMBAY|BOURBON STREET|BRONX|CAPE COD|"
        "CARIBBEAN|CASABLANCA|CUBAN|DUBLIN|FLORIDA|GEORGIA|HAVANA|HAWAIIAN|HIGHLAND|HOLLYWOOD|ISLAND|ITALIAN|"
        "JAMAICAN|JERSEY|KENTUCKY|KINGSTON|KYOTO|LISBON|LONDON|MALIBU|MANHATTAN|MARSEILLE|MEXICAN|MIAMI|"
        "MONTEGO|MOSCOW|NAPLES|NEVADA|NORDIC|OAXACA|OSAKA|PANAMA|PARIS|PERUVIAN|PUERTO|QUEBEC|RIO|SAVOY|"
        "SEVILLE|SHANGHAI|SONORA|TAHITI|TEXAS|TIJUANA|TOKYO|TUSCAN|VENETIAN|VIENNA|WAIKIKI|YUKON|ZANZIBAR|"
        "ZURICH");
    return list;
}

const QStringList& nouns()
{
    static const QStringList list = words(
        "ANCHOR|ANGEL|APPLE|ARROW|BANDIT|BARON|BEE|BELL|BIRD|BLOSSOM|BREEZE|BRIDGE|BULL|CACTUS|CANARY|CAPTAIN|"
        "CASTLE|CLOUD|COMET|CORAL|COWBOY|CROWN|DAISY|DANCER|DAWN|DEVIL|DIAMOND|DRAGON|DREAM|EAGLE|ECHO|EMBER|"
        "EXPRESS|FALCON|FEATHER|FIREFLY|FLAME|FOX|GARDEN|GHOST|GIANT|GONDOLA|HARBOR|HAWK|HEART|HORIZON|"
        "HURRICANE|ICEBERG|IDOL|JACKAL|JESTER|JUNGLE|KISS|KNIGHT|LAGOON|LANTERN|LEGEND|LION|MAGNOLIA|MERMAID|"
        "MONK|MOON|MULE|NIGHTINGALE|NOMAD|OASIS|ORCHID|OWL|PALM|PANTHER|PARROT|PEARL|PIRATE|PRINCESS|QUEEN|"
        "QUILL|RAVEN|REBEL|RIVER|ROSE|SAILOR|SHADOW|SPARROW|STAR|SUNRISE|SUNSET|TEMPEST|THUNDER|TIGER|TORNADO|"
        "UMBRELLA|UNICORN|VALLEY|VOLCANO|VOYAGER|WAVE|WHISPER|WIDOW|WILLOW|WOLF|XYLOPHONE|YACHT|YETI|ZEBRA|"
        "ZEPHYR");
    return list;
}

const QStringList& kinds()
{
    static const QStringList list = words(
        "SOUR|FIZZ|COLLINS|SMASH|PUNCH|SLING|JULEP|FLIP|COOLER|HIGHBALL|MARTINI|SPRITZ|COBBLER|RICKEY|TODDY|"
        "SHOOTER|NOG|SANGAREE|SWIZZLE|COLADA|CRUSTA|FIX|BUCK|SHRUB|SLUSH|MARGARITA|MOJITO|OLD FASHIONED|"
        "NEGRONI|LEMONADE");
    return list;
}

// Names outside ASCII exercise the decoding paths the way imported recipe books do.
const QStringList& accentedNouns()
{
    static const QStringList list =
        words("CAFÉ|PIÑATA|SEÑORITA|FRÄULEIN|NOËL|CRÈME|DÉJÀ VU|BLÅBÄR|ÉCLAIR|SOIRÉE|MAÑANA|CRÊPE");
    return list;
}

const QStringList& numberPrefixes()
{
    static const QStringList list = words("151|24 KARAT|7|3|1920|99|57|12");
    return list;
}

struct Base
{
    QString name;
    bool nonAlcoholic;
};

// Everyday ingredients first: the catalogue lists them before the rarer qualified ones.
const std::vector<Base>& bases()
{
    static const std::vector<Base> list = [] {
        std::vector<Base> out;
        const QStringList spirits = words(
            "Gin|London Dry Gin|Old Tom Gin|Genever|Vodka|Citrus Vodka|Vanilla Vodka|Light Rum|Dark Rum|Gold Rum|"
            "Spiced Rum|Overproof Rum|Coconut Rum|Cachaca|Tequila|Reposado Tequila|Anejo Tequila|Mezcal|Bourbon|"
            "Rye Whiskey|Scotch Whisky|Irish Whiskey|Canadian Whisky|Japanese Whisky|Brandy|Cognac|Apricot Brandy|"
            "Cherry Brandy|Apple Brandy|Calvados|Pisco|Grappa|Absinthe|Pastis|Ouzo|Sambuca|Triple Sec|Cointreau|"
            "Grand Marnier|Blue Curacao|Orange Curacao|Amaretto|Frangelico|Kahlua|Coffee Liqueur|Irish Cream|"
            "Creme De Cacao|White Creme De Cacao|Creme De Menthe|Green Creme De Menthe|Creme De Cassis|"
            "Creme De Banane|Creme De Violette|Chambord|Midori|Melon Liqueur|Peach Schnapps|Peppermint Schnapps|"
            "Butterscotch Schnapps|Cinnamon Schnapps|Sloe Gin|Maraschino Liqueur|Green Chartreuse|"
            "Yellow Chartreuse|Benedictine|Drambuie|Galliano|Strega|Limoncello|Elderflower Liqueur|Aperol|Campari|"
            "Sweet Vermouth|Dry Vermouth|Blanc Vermouth|Lillet Blanc|Dubonnet|Cynar|Fernet Branca|Amaro Nonino|"
            "Jagermeister|Southern Comfort|Goldschlager|Tia Maria|Advocaat|Pimm's No. 1|Falernum|Allspice Dram|"
            "Port|Sherry|Dry Sherry|Cream Sherry|Madeira|Champagne|Prosecco|Cava|Red Wine|White Wine|Rose Wine|"
            "Sake|Lager|Stout|Pale Ale|Hard Cider|Grain Alcohol|Aquavit|Slivovitz|Kirschwasser|Poire Williams|"
            "Tuaca|Licor 43|Ginger Liqueur|Hazelnut Liqueur|Raspberry Liqueur|Blackberry Brandy|Peach Brandy|"
            "Applejack|Root Beer Schnapps|Sour Apple Schnapps|Banana Liqueur|Passion Fruit Liqueur|"
            "Pomegranate Liqueur|Angostura Bitters|Orange Bitters|Peychaud's Bitters|Crème De Pêche");
        const QStringList soft = words(
            "Lime Juice|Lemon Juice|Orange Juice|Pineapple Juice|Cranberry Juice|Grapefruit Juice|Tomato Juice|"
            "Apple Juice|Simple Syrup|Grenadine|Orgeat Syrup|Honey Syrup|Maple Syrup|Agave Nectar|Club Soda|"
            "Tonic Water|Ginger Ale|Ginger Beer|Cola|Lemon-Lime Soda|Sparkling Water|Coconut Cream|Heavy Cream|"
            "Milk|Egg White|Mint Leaves|Sugar Cube|Salt|Nutmeg|Cinnamon Stick|Coffee|Espresso|Hot Chocolate|"
            "Iced Tea|Passion Fruit Purée|Mango Purée|Strawberry Purée|Raspberry Syrup|Vanilla Ice Cream|"
            "Worcestershire Sauce|Tabasco Sauce|Celery Salt|Cucumber Slices|Peach Nectar|Lemonade");
        // Interleaved so both kinds appear among the everyday ingredients.
        qsizetype s = 0, n = 0;
        while (s < spirits.size() || n < soft.size()) {
            for (int k = 0; k < 3 && s < spirits.size(); ++k, ++s)
                out.push_back({spirits.at(s), false});
            if (n < soft.size())
                out.push_back({soft.at(n++), true});
        }
        return out;
    }();
    return list;
}

const QStringList& qualifiers()
{
    static const QStringList list = words(
        "Fresh|Homemade|Organic|Aged|Premium|Spiced|Smoked|Barrel-Aged|Chilled|Infused|Small Batch|Imported|"
        "Local|Reserve|Blood Orange|Honey|Vanilla|Cinnamon|Ginger|Chili|Lavender|Rosemary|Cucumber|"
        "Toasted Coconut|Cherry|Black Pepper");
    return list;
}

// Ingredients only an import brings: qualifiers the catalogue never uses.
const QStringList& importQualifiers()
{
    static const QStringList list =
        words("Yuzu|Sudachi|Calamansi|Tamarind|Ube|Pandan|Hibiscus|Sorrel|Shiso|Matcha|Saffron|Sumac");
    return list;
}

const QStringList& amounts()
{
    static const QStringList list = words(
        "1 oz|1 1/2 oz|2 oz|3/4 oz|1/2 oz|1/4 oz|2 1/2 oz|3 oz|4 oz|1 tsp|2 tsp|1 tbsp|2 dashes|3 dashes|"
        "1 dash|1 splash|Fill with|Top with|1 wedge|1 slice|2 cl|4 cl|1 cup|1/2 cup|6 leaves|1 pinch|1 part|"
        "2 parts|1 shot|1 jigger");
    return list;
}

const QStringList& garnishes()
{
    static const QStringList list = words(
        "lime wheel|lemon twist|orange peel|maraschino cherry|sprig of mint|pineapple wedge|olive|cocktail onion|"
        "cinnamon stick|grated nutmeg|celery stalk|strawberry|brandied cherry|dehydrated orange wheel");
    return list;
}

// {1} {2} and {L}: ingredients of the drink (first, second, last); {G}: the glass; {X}: a garnish.
const QStringList& sentences()
{
    static const QStringList list = words(
        "Shake {1} and {2} with ice and strain into a chilled {G}.|"
        "Build over ice in a {G}.|"
        "Stir with cracked ice for about twenty seconds, then strain into a {G}.|"
        "Garnish with a {X}.|"
        "Top with {L} and serve at once.|"
        "Blend with a cup of crushed ice until smooth and pour into a {G}.|"
        "Rim the glass with salt before pouring.|"
        "Float {L} on top over the back of a spoon.|"
        "Serve with a straw.|"
        "Best enjoyed on a warm summer evening on the porch with good friends.|"
        "Pour all ingredients into a shaker half filled with ice, shake hard until the tin is frosted, then "
        "double strain.|"
        "Layer carefully in the order listed so the colours stay apart.|"
        "Flame an orange peel over the drink and drop it in.|"
        "Let the drink rest for a minute so the flavours can marry.|"
        "Muddle the {1} gently in the bottom of the glass before adding ice.|"
        "Add {2} slowly while stirring.|"
        "Chill the {G} in the freezer beforehand for the best result.|"
        "Dry shake first without ice to build the foam, then shake again with ice.|"
        "Pour the {1} into a warmed {G} and add the rest.|"
        "A crème of the old school: finish with a light dusting of cocoa and serve flambé.|"
        "Squeeze a wedge of lime over the top.|"
        "Mix in a pitcher for a crowd and keep it cold.|"
        "Strain over a single large ice cube.|"
        "Originally served at a seaside bar; the recipe travelled inland with the sailors.");
    return list;
}

// ---- Catalogue --------------------------------------------------------------------------------

struct CatalogueSource
{
    QString name;
    bool nonAlcoholic;
};

QList<CatalogueSource> catalogueSources(int count, Random& random)
{
    QList<CatalogueSource> out;
    // The catalogue never holds a name twice (the program looks a name up before adding it):
    // "Spiced" + "Rum" is the everyday "Spiced Rum" already.
    QSet<QString> names;
    for (const Base& b : bases()) {
        out.append({b.name, b.nonAlcoholic});
        names.insert(b.name.toLower());
    }
    // Qualified variants in a shuffled order, so rare ingredients of every kind are spread out.
    QList<CatalogueSource> variants;
    for (const QString& q : qualifiers()) {
        for (const Base& b : bases()) {
            const QString name = q + QLatin1Char(' ') + b.name;
            if (!names.contains(name.toLower())) {
                names.insert(name.toLower());
                variants.append({name, b.nonAlcoholic});
            }
        }
    }
    for (qsizetype i = variants.size() - 1; i > 0; --i)
        variants.swapItemsAt(i, qsizetype(random.below(quint64(i + 1))));
    out.append(variants);
    if (out.size() < count)
        throw std::runtime_error("The word lists give too few ingredient names.");
    out.resize(count);
    return out;
}

// Positions weighted towards the front: popular ingredients are used far more often.
int popularPosition(Random& random, int count)
{
    const double u = random.unit();
    return std::min(count - 1, int(double(count) * u * u * u));
}

// ---- Drink names ------------------------------------------------------------------------------

QString candidateName(Random& random)
{
    const int pattern = int(random.below(100));
    QString name;
    if (pattern < 2) {
        name = random.pick(accentedNouns()) + QLatin1Char(' ') + random.pick(kinds());
    } else if (pattern < 3) {
        name = random.pick(numberPrefixes()) + QLatin1Char(' ') + random.pick(nouns());
    } else if (pattern < 20) {
        name = random.pick(adjectives()) + QLatin1Char(' ') + random.pick(nouns());
    } else if (pattern < 32) {
        name = random.pick(places()) + QLatin1Char(' ') + random.pick(nouns());
    } else if (pattern < 42) {
        name = random.pick(nouns()) + QLatin1Char(' ') + random.pick(kinds());
    } else if (pattern < 70) {
        name = random.pick(adjectives()) + QLatin1Char(' ') + random.pick(nouns()) + QLatin1Char(' ') +
               random.pick(kinds());
    } else {
        name = random.pick(adjectives()) + QLatin1Char(' ') + random.pick(places()) + QLatin1Char(' ') +
               random.pick(nouns());
    }
    return name;
}

// The first `count` names of the seed's name sequence: unique, upper case. A collision after a few
// tries gets a number, as collectors do with "No. 2" variants.
QStringList namePool(quint64 seed, qint64 count)
{
    Random random(seed ^ 0x6e61'6d65'7300'0001ULL);
    QStringList names;
    names.reserve(count);
    QSet<QString> used;
    used.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        QString name;
        for (int attempt = 0; attempt < 4; ++attempt) {
            name = candidateName(random);
            if (!used.contains(name))
                break;
        }
        for (int number = 2; used.contains(name); ++number) {
            const QString numbered = name + QStringLiteral(" NO. %1").arg(number);
            if (!used.contains(numbered))
                name = numbered;
        }
        used.insert(name);
        names.append(name);
    }
    return names;
}

// ---- Recipes ----------------------------------------------------------------------------------

struct Line
{
    int ingredient; // catalogue position
    QString amount;
};

struct Recipe
{
    QList<Line> lines;
    int glass = 0; // position in the glass list
    QString directions;
    bool favorite = false;
};

class RecipeMaker
{
public:
    RecipeMaker(const QList<CatalogueEntry>& catalogue, const QList<StarterData::Glass>& glasses)
        : m_catalogue(catalogue), m_glasses(glasses)
    {
        for (int i = 0; i < catalogue.size(); ++i) {
            if (catalogue.at(i).nonAlcoholic)
                m_soft.append(i);
        }
    }

    Recipe make(Random& random) const
    {
        Recipe r;
        const int lineCount = random.between(2, 8);
        // About one drink in ten is made for people who do not drink alcohol.
        const bool mocktail = random.chance(0.10);
        QSet<int> chosen;
        while (r.lines.size() < lineCount) {
            const int position =
                mocktail ? m_soft.at(popularPosition(random, int(m_soft.size())))
                         : popularPosition(random, int(m_catalogue.size()));
            if (chosen.contains(position))
                continue;
            chosen.insert(position);
            r.lines.append({position, random.chance(0.05) ? QString() : random.pick(amounts())});
        }
        r.glass = int(random.below(quint64(m_glasses.size())));
        r.favorite = random.chance(0.02);
        if (!random.chance(0.01))
            r.directions = directions(random, r);
        return r;
    }

private:
    QString directions(Random& random, const Recipe& r) const
    {
        const auto ingredient = [&](int line) { return m_catalogue.at(r.lines.at(line).ingredient).name.toLower(); };
        QStringList parts;
        const int count = random.between(2, 5);
        for (int i = 0; i < count; ++i) {
            QString s = random.pick(sentences());
            s.replace(QLatin1String("{1}"), ingredient(0));
            s.replace(QLatin1String("{2}"), ingredient(1));
            s.replace(QLatin1String("{L}"), ingredient(int(r.lines.size()) - 1));
            s.replace(QLatin1String("{G}"), m_glasses.at(r.glass).name.toLower());
            s.replace(QLatin1String("{X}"), random.pick(garnishes()));
            parts.append(s);
        }
        return parts.join(QLatin1Char(' '));
    }

    const QList<CatalogueEntry>& m_catalogue;
    const QList<StarterData::Glass>& m_glasses;
    QList<int> m_soft;
};

constexpr quint64 DrinkStream = 0x6472'696e'6b73'0002ULL;
constexpr quint64 ImportStream = 0x696d'706f'7274'0003ULL;

} // namespace

// ---- Random -----------------------------------------------------------------------------------

quint64 Random::next()
{
    quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

quint64 Random::below(quint64 bound)
{
    // Rejection keeps every value equally likely.
    const quint64 limit = ~quint64(0) - (~quint64(0) % bound);
    quint64 v;
    do {
        v = next();
    } while (v >= limit);
    return v % bound;
}

int Random::between(int low, int high)
{
    return low + int(below(quint64(high - low + 1)));
}

double Random::unit()
{
    return double(next() >> 11) * (1.0 / 9007199254740992.0);
}

bool Random::chance(double probability)
{
    return unit() < probability;
}

// ---- Public -----------------------------------------------------------------------------------

QList<CatalogueEntry> Catalogue(const Options& options)
{
    Random random(options.seed ^ 0x696e'6772'6564'0004ULL);
    const QList<CatalogueSource> sources = catalogueSources(options.ingredients, random);
    QList<CatalogueEntry> out;
    const int count = int(sources.size());
    const int popular = std::min(count, 150);
    // 85 % of the everyday ingredients are in stock; the rest is filled up to 30 % overall.
    const double rest = count > popular ? std::max(0.0, (0.30 * count - 0.85 * popular) / (count - popular)) : 0.0;
    for (int i = 0; i < count; ++i) {
        CatalogueEntry e;
        e.name = DBLib::ProperCase(sources.at(i).name); // as the ingredient adder stores names
        e.nonAlcoholic = sources.at(i).nonAlcoholic;
        e.inStock = random.chance(i < popular ? 0.85 : rest);
        e.onShoppingList = !e.inStock && random.chance(0.03);
        if (random.chance(0.08))
            e.substitute = QStringLiteral("Group %1").arg(random.between(1, 40));
        out.append(e);
    }
    return out;
}

Summary GenerateDatabase(const QString& path, const Options& options)
{
    if (QFileInfo::exists(path))
        throw std::runtime_error(QStringLiteral("%1 exists already.").arg(path).toStdString());
    const QList<CatalogueEntry> catalogue = Catalogue(options);
    const QList<StarterData::Glass> glasses = StarterData::builtIn().glasses;
    const QStringList names = namePool(options.seed, options.drinks);
    const RecipeMaker maker(catalogue, glasses);
    Random random(options.seed ^ DrinkStream);

    // Built under another name and renamed when complete: an interrupted run leaves no file that
    // looks finished.
    const QString building = path + QStringLiteral(".building");
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(building + suffix);

    Summary summary;
    DBLib::CreateRecipeDatabase(building);
    try {
        Sql::Connection& db = DBLib::Database();
        Sql::Transaction tx(db);
        Sql::Statement glass(db, QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (?1, ?2)"));
        for (const StarterData::Glass& g : glasses) {
            glass.bind(1, qint64(g.id));
            glass.bind(2, g.name);
            glass.run();
        }
        Sql::Statement ingredient(db, QStringLiteral("INSERT INTO Ingredients (ID, Ingredient, Substitute, NonAlcohol, "
                                                     "CurrentStock, ShoppingList) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
        for (int i = 0; i < catalogue.size(); ++i) {
            const CatalogueEntry& e = catalogue.at(i);
            ingredient.bind(1, qint64(i + 1));
            ingredient.bind(2, e.name);
            ingredient.bind(3, e.substitute.isEmpty() ? QVariant() : QVariant(e.substitute));
            ingredient.bind(4, qint64(e.nonAlcoholic));
            ingredient.bind(5, qint64(e.inStock));
            ingredient.bind(6, qint64(e.onShoppingList));
            ingredient.run();
            summary.inStock += e.inStock;
            summary.nonAlcoholic += e.nonAlcoholic;
        }
        summary.ingredients = catalogue.size();

        // Stored forms exactly as the adders write them: encoded upper-case name, encoded
        // directions and amounts, Null for blank texts.
        Sql::Statement drink(db, QStringLiteral("INSERT INTO Drinks (ID, Name, GlassType, Description, Favorite, "
                                                "Submitted) VALUES (?1, ?2, ?3, ?4, ?5, 0)"));
        Sql::Statement line(db, QStringLiteral("INSERT INTO DrinkInfo (DrinkID, IngID, Amount) VALUES (?1, ?2, ?3)"));
        for (qint64 d = 0; d < options.drinks; ++d) {
            const Recipe r = maker.make(random);
            const qint64 id = d + 1;
            const QString& name = names.at(d);
            drink.bind(1, id);
            drink.bind(2, Lib::EncodeText(name));
            drink.bind(3, qint64(glasses.at(r.glass).id));
            drink.bind(4, r.directions.isEmpty() ? QVariant() : QVariant(Lib::EncodeText(r.directions)));
            drink.bind(5, qint64(r.favorite));
            drink.run();
            for (const Line& l : r.lines) {
                line.bind(1, id);
                line.bind(2, qint64(l.ingredient + 1));
                line.bind(3, l.amount.isEmpty() ? QVariant() : QVariant(Lib::EncodeText(l.amount)));
                line.run();
            }
            summary.recipeLines += r.lines.size();
            summary.favorites += r.favorite;
            summary.nonAsciiNames += std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() > 0x7f; });
        }
        summary.drinks = options.drinks;
        tx.commit();
    } catch (...) {
        DBLib::CloseRecipeDatabase();
        throw;
    }
    DBLib::CloseRecipeDatabase(); // the last connection folds the journal back into the file
    if (!QFile::rename(building, path))
        throw std::runtime_error(QStringLiteral("%1 cannot be renamed to %2.").arg(building, path).toStdString());
    return summary;
}

QList<Online::ExchangeDrink> ImportDrinks(const Options& options, int count)
{
    const QList<CatalogueEntry> catalogue = Catalogue(options);
    const QList<StarterData::Glass> glasses = StarterData::builtIn().glasses;
    // The names after the database's own: never in the database, unique among themselves.
    const QStringList names = namePool(options.seed, options.drinks + count).mid(options.drinks);
    const RecipeMaker maker(catalogue, glasses);
    Random random(options.seed ^ ImportStream);
    QList<Online::ExchangeDrink> drinks;
    drinks.reserve(count);
    for (int i = 0; i < count; ++i) {
        const Recipe r = maker.make(random);
        Online::ExchangeDrink drink;
        // Documents from other collectors are not always upper case.
        drink.name = random.chance(0.3) ? DBLib::ProperCase(names.at(i)) : names.at(i);
        drink.directions = r.directions;
        drink.glassType = QString::number(glasses.at(r.glass).id);
        for (const Line& l : r.lines) {
            const CatalogueEntry& e = catalogue.at(l.ingredient);
            Online::ExchangeIngredient x;
            x.amount = l.amount;
            x.noAlcohol = e.nonAlcoholic;
            x.substitute = e.substitute;
            if (random.chance(0.03)) {
                // An ingredient the catalogue lacks; the same name recurs in other drinks.
                x.type = random.pick(importQualifiers()) + QLatin1Char(' ') +
                         bases().at(random.below(40)).name;
                x.noAlcohol = false;
                x.substitute.clear();
            } else if (random.chance(0.2)) {
                x.type = e.name.toLower();
            } else {
                x.type = e.name;
            }
            drink.ingredients.append(x);
        }
        drinks.append(drink);
    }
    return drinks;
}

QByteArray WriteDrinksDocument(const QList<Online::ExchangeDrink>& drinks)
{
    // The drink writer makes one-drink documents; their drink elements are gathered under one root.
    static const QString open = QStringLiteral("<drinks>");
    static const QString close = QStringLiteral("</drinks>");
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<drinks>\n");
    for (const Online::ExchangeDrink& drink : drinks) {
        const QString single = Online::WriteDrinkDocument(drink);
        const qsizetype from = single.indexOf(open);
        const qsizetype to = single.lastIndexOf(close);
        if (from < 0 || to < from)
            throw std::runtime_error("The drink writer gave a document without a drinks element.");
        doc += QStringView(single).mid(from + open.size(), to - from - open.size());
        doc += QLatin1Char('\n');
    }
    doc += close + QLatin1Char('\n');
    return doc.toUtf8();
}

QString DescriptionSearchText()
{
    return QStringLiteral("muddle");
}

} // namespace Bench
