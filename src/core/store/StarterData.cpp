#include "core/store/StarterData.h"

#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/StoreInternal.h"
#include "core/store/DerivedFlags.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <stdexcept>

// Resources of a static library must be registered by hand.
static void registerStarterResources()
{
    Q_INIT_RESOURCE(starter);
}

namespace StarterData {

namespace {

[[noreturn]] void fail(const char* file, int line, const QString& why)
{
    throw std::runtime_error(QStringLiteral("%1, line %2: %3").arg(QLatin1String(file)).arg(line).arg(why).toStdString());
}

bool skipped(const QString& line)
{
    const QString t = line.trimmed();
    return t.isEmpty() || t.startsWith(QLatin1Char('#'));
}

QString readResource(const QString& name)
{
    static const bool registered = (registerStarterResources(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/starter/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("The starter file %1 is missing from the program.").arg(name).toStdString());
    return QString::fromUtf8(file.readAll());
}

// Splits "== Heading" blocks; body lines are kept with their line numbers.
struct Block
{
    int line = 0;
    QString heading;
    QList<QPair<int, QString>> body;
};

QList<Block> blocks(const QString& text, const char* file)
{
    QList<Block> result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i);
        if (line.startsWith(QLatin1String("== "))) {
            result.append({i + 1, line.mid(3).trimmed(), {}});
        } else if (!skipped(line)) {
            if (result.isEmpty())
                fail(file, i + 1, QStringLiteral("text before the first \"== \" heading"));
            result.last().body.append({i + 1, line.trimmed()});
        }
    }
    return result;
}

} // namespace

QList<Glass> parseGlasses(const QString& text)
{
    QList<Glass> glasses;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (skipped(lines.at(i)))
            continue;
        const QStringList parts = lines.at(i).split(QLatin1Char('|'));
        bool ok = false;
        const int id = parts.value(0).trimmed().toInt(&ok);
        if (parts.size() != 2 || !ok || id < 1 || parts.at(1).trimmed().isEmpty())
            fail("glasses.txt", i + 1, QStringLiteral("expected \"number|glass name\""));
        glasses.append({id, parts.at(1).trimmed()});
    }
    return glasses;
}

QList<Ingredient> parseIngredients(const QString& text)
{
    QList<Ingredient> ingredients;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (skipped(lines.at(i)))
            continue;
        const QStringList parts = lines.at(i).split(QLatin1Char('|'));
        if (parts.size() != 3 || parts.at(0).trimmed().isEmpty())
            fail("ingredients.txt", i + 1, QStringLiteral("expected \"name|Yes or No|group\""));
        const QString mark = parts.at(1).trimmed();
        if (mark != QLatin1String("Yes") && mark != QLatin1String("No"))
            fail("ingredients.txt", i + 1, QStringLiteral("the non-alcoholic mark must be Yes or No"));
        const QString group = parts.at(2).trimmed();
        bool ok = true;
        if (!group.isEmpty() && group.toInt(&ok) < 1)
            ok = false;
        if (!ok)
            fail("ingredients.txt", i + 1, QStringLiteral("the substitute group must be a positive number"));
        ingredients.append({parts.at(0).trimmed(), mark == QLatin1String("Yes"), group});
    }
    return ingredients;
}

QList<Drink> parseDrinks(const QString& text)
{
    QList<Drink> drinks;
    for (const Block& block : blocks(text, "drinks.txt")) {
        Drink drink;
        drink.name = block.heading;
        QStringList directions;
        for (const auto& [number, line] : block.body) {
            if (line.startsWith(QLatin1String("glass:"))) {
                drink.glass = line.mid(6).trimmed();
            } else if (line.startsWith(QLatin1String("favorite:"))) {
                drink.favorite = line.mid(9).trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
            } else if (line.startsWith(QLatin1String("line:"))) {
                const QString rest = line.mid(5);
                const qsizetype bar = rest.indexOf(QLatin1Char('|'));
                if (bar < 0 || rest.mid(bar + 1).trimmed().isEmpty())
                    fail("drinks.txt", number, QStringLiteral("expected \"line: amount | ingredient\""));
                drink.lines.append({rest.left(bar).trimmed(), rest.mid(bar + 1).trimmed()});
            } else {
                directions.append(line);
            }
        }
        if (drink.name.isEmpty() || drink.glass.isEmpty() || drink.lines.isEmpty() || directions.isEmpty())
            fail("drinks.txt", block.line, QStringLiteral("a drink needs a name, a glass, recipe lines and directions"));
        drink.directions = directions.join(QLatin1Char(' '));
        drinks.append(drink);
    }
    return drinks;
}

QList<Tip> parseTips(const QString& text)
{
    QList<Tip> tips;
    for (const Block& block : blocks(text, "tips.txt")) {
        QStringList body;
        for (const auto& entry : block.body)
            body.append(entry.second);
        if (block.heading.isEmpty() || body.isEmpty())
            fail("tips.txt", block.line, QStringLiteral("a tip needs a title and a text"));
        tips.append({block.heading, body.join(QLatin1Char(' '))});
    }
    return tips;
}

Content builtIn()
{
    return {parseGlasses(readResource(QStringLiteral("glasses.txt"))),
            parseIngredients(readResource(QStringLiteral("ingredients.txt"))),
            parseDrinks(readResource(QStringLiteral("drinks.txt"))), parseTips(readResource(QStringLiteral("tips.txt")))};
}

void populate(const Content& content)
{
    Sql::Connection& db = DBLib::Database();
    Sql::Transaction tx(db);

    for (const Glass& glass : content.glasses)
        db.execute(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (?1, ?2)"), {glass.id, glass.name});

    for (const Ingredient& ingredient : content.ingredients) {
        DBLib::AddIngredient(ingredient.name, ingredient.substituteGroup,
                             ingredient.nonAlcoholic ? QStringLiteral("True") : QStringLiteral("False"));
    }

    qint64 drinkId = 0;
    for (const Drink& drink : content.drinks) {
        ++drinkId;
        if (DBLib::FindDrinkID(drink.name) >= 0)
            throw std::runtime_error(QStringLiteral("The starter drink %1 is listed twice.").arg(drink.name).toStdString());
        for (const RecipeLine& line : drink.lines) {
            const qint64 ingredientId = DBLib::FindIngredientID(line.ingredient);
            if (ingredientId < 0) {
                throw std::runtime_error(QStringLiteral("The starter drink %1 uses the unknown ingredient %2.")
                                             .arg(drink.name, line.ingredient)
                                             .toStdString());
            }
            DBLib::AddRecipeLine(drinkId, ingredientId, line.amount);
        }
        DBLib::AddDrink(drinkId, drink.name.trimmed().toUpper(), DBLib::GetGlassTypeID(drink.glass), drink.directions,
                        drink.favorite ? QStringLiteral("True") : QStringLiteral("False"), QStringLiteral("True"),
                        QString(), QString(), QString());
        DBLib::UpdateDrinkFlags(drinkId);
    }

    int order = 0;
    for (const Tip& tip : content.tips)
        db.execute(QStringLiteral("INSERT INTO Tips (ID, Title, Description) VALUES (?1, ?2, ?3)"),
                   {++order, tip.title, tip.text});

    tx.commit();
}

void CreateStarterDatabase(const QString& path)
{
    if (QFileInfo::exists(path))
        throw std::runtime_error(QStringLiteral("%1 already exists; it is not replaced.").arg(path).toStdString());
    const Content content = builtIn();
    const QString building = path + QStringLiteral(".new");
    for (const QString& leftover : QStringList{building, building + QStringLiteral("-wal"), building + QStringLiteral("-shm")})
        QFile::remove(leftover);
    try {
        DBLib::CreateRecipeDatabase(building);
        populate(content);
        DBLib::CloseRecipeDatabase(); // folds the write-ahead log into the file
    } catch (...) {
        DBLib::CloseRecipeDatabase();
        QFile::remove(building);
        throw;
    }
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        throw std::runtime_error(QStringLiteral("The new recipe database could not be moved to %1.").arg(path).toStdString());
    }
    DBLib::OpenRecipeDatabase(path);
}

} // namespace StarterData
