#include "core/store/StarterContent.h"

#include "core/store/ProgramData.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <stdexcept>

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
    QFile file(ProgramData::path(QStringLiteral("starter/") + name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("The starter file %1 cannot be read: %2. Is the program installed "
                                                "completely?")
                                     .arg(QDir::toNativeSeparators(file.fileName()), file.errorString())
                                     .toStdString());
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
        if (parts.size() < 3 || parts.size() > 4 || parts.at(0).trimmed().isEmpty())
            fail("ingredients.txt", i + 1, QStringLiteral("expected \"name|Yes or No|group|strength\""));
        const QString mark = parts.at(1).trimmed();
        if (mark != QLatin1String("Yes") && mark != QLatin1String("No"))
            fail("ingredients.txt", i + 1, QStringLiteral("the non-alcoholic mark must be Yes or No"));
        const QString group = parts.at(2).trimmed();
        bool ok = true;
        if (!group.isEmpty() && group.toInt(&ok) < 1)
            ok = false;
        if (!ok)
            fail("ingredients.txt", i + 1, QStringLiteral("the substitute group must be a positive number"));
        std::optional<double> strength;
        if (parts.size() == 4 && !parts.at(3).trimmed().isEmpty()) {
            const double abv = parts.at(3).trimmed().toDouble(&ok);
            if (!ok || abv < 0 || abv > 100)
                fail("ingredients.txt", i + 1, QStringLiteral("the strength must be a percentage from 0 to 100"));
            strength = abv;
        }
        ingredients.append({parts.at(0).trimmed(), mark == QLatin1String("Yes"), group, strength});
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

} // namespace StarterData
