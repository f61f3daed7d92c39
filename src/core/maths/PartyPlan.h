#pragma once

#include "core/maths/DrinkMaths.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How much of each ingredient a party needs, and how many bottles that is.
namespace Maths {

struct PlannedDrink
{
    QString name;
    int servings = 1;
};

struct IngredientTotal
{
    qint64 ingredientId = 0;
    QString ingredient;
    double ml = 0;          // the lines with a volume
    double count = 0;       // counted things ("2 slices")
    QString countUnit;      // the word they are counted in, when one is written
    bool unmeasured = false; // some line gives no quantity ("Top up")
    bool alcoholic = false;
    bool inStock = false;
    // Bottles to buy: 750 ml for spirits, liqueurs and wine, 1 litre for mixers; 0 for counted things.
    int bottles = 0;
    int bottleMl = 0;
};

struct PartyTotals
{
    QList<IngredientTotal> ingredients; // in name order
    QStringList missingDrinks;          // planned drinks the database does not have
    int servings = 0;
};

// Adds up the recipes of the planned drinks, each times its servings (drinks read from the open
// database by name).
PartyTotals Totals(const QList<PlannedDrink>& plan, const Settings& settings = {});

// A plan as a small JSON file: {"drinks": [{"name": ..., "servings": n}, ...]}.
QByteArray WritePlan(const QList<PlannedDrink>& plan);
// Nothing, with the reason, for a text that is not such a plan.
std::optional<QList<PlannedDrink>> ReadPlan(const QByteArray& json, QString* error);

inline constexpr int MaxServings = 500;

} // namespace Maths
