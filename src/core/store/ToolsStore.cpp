#include "core/store/ToolsStore.h"

#include "core/store/DBLib.h"

#include <limits>
#include <optional>

namespace DBLib {

namespace {

QStringList firstColumn(const QString& sql, const QVariantList& params = {})
{
    Sql::Statement select(Database(), sql);
    select.bindAll(params);
    QStringList values;
    while (select.step())
        values.append(select.text(0));
    return values;
}

// A group number is a whole number that fits in 16 bits; anything else names no group.
std::optional<int> groupNumber(const QString& stored)
{
    bool ok = false;
    const int value = stored.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return value;
}

} // namespace

QStringList SubstituteIngredientNames()
{
    return firstColumn(QStringLiteral(
        "SELECT Ingredient FROM Ingredients WHERE Substitute IS NOT NULL ORDER BY Ingredient, ID"));
}

QStringList SubstitutesFor(const QString& ingredient)
{
    const QVariant stored = Database().scalar(
        QStringLiteral("SELECT Substitute FROM Ingredients WHERE Ingredient = ?1 ORDER BY ID LIMIT 1"),
        {ingredient});
    if (stored.isNull())
        return {};
    const std::optional<int> group = groupNumber(stored.toString());
    if (!group)
        return {};
    // Groups are compared as numbers, so " 3" and "03" belong with "3". The catalogue is small and
    // this is one query, filtered here.
    Sql::Statement select(Database(), QStringLiteral("SELECT Ingredient, Substitute FROM Ingredients "
                                                     "WHERE Substitute IS NOT NULL ORDER BY ID"));
    QStringList others;
    while (select.step()) {
        const QString name = select.text(0);
        if (groupNumber(select.text(1)) == group && name != ingredient)
            others.append(name);
    }
    return others;
}

QStringList TipTitles()
{
    return firstColumn(QStringLiteral("SELECT Title FROM Tips ORDER BY ID, rowid"));
}

QString TipDescription(const QString& title)
{
    return Database()
        .scalar(QStringLiteral("SELECT Description FROM Tips WHERE Title = ?1 ORDER BY rowid LIMIT 1"),
                {title})
        .toString();
}

} // namespace DBLib
