#include "core/store/StarterData.h"

#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"
#include "core/store/StoreInternal.h"
#include "core/store/DerivedFlags.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <stdexcept>

namespace StarterData {

void populate(const Content& content)
{
    Sql::Connection& db = DBLib::Database();
    Sql::Transaction tx(db);

    for (const Glass& glass : content.glasses)
        db.execute(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (?1, ?2)"), {glass.id, glass.name});

    for (const Ingredient& ingredient : content.ingredients) {
        const qint64 id = DBLib::AddIngredient(ingredient.name, ingredient.substituteGroup,
                                               ingredient.nonAlcoholic ? QStringLiteral("True") : QStringLiteral("False"));
        DBLib::SetIngredientStrength(id, ingredient.strength);
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
