#include "core/maths/PartyPlan.h"

#include "core/store/Catalogue.h"
#include "core/store/RecipeRepository.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace Maths {

PartyTotals Totals(const QList<PlannedDrink>& plan, const Settings& settings)
{
    PartyTotals totals;
    QHash<qint64, IngredientTotal> byIngredient;
    QHash<qint64, DBLib::Ingredient> catalogue;
    for (const DBLib::Ingredient& i : DBLib::IngredientCatalogue())
        catalogue.insert(i.id, i);

    for (const PlannedDrink& planned : plan) {
        const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(planned.name);
        if (!drink) {
            totals.missingDrinks << planned.name;
            continue;
        }
        totals.servings += planned.servings;
        for (const DBLib::RecipeLine& line : drink->lines) {
            if (line.ingredientMissing)
                continue;
            IngredientTotal& t = byIngredient[line.ingredientId];
            t.ingredientId = line.ingredientId;
            t.ingredient = line.ingredient;
            const DBLib::Ingredient known = catalogue.value(line.ingredientId);
            t.alcoholic = line.strength ? *line.strength > 0 : !known.nonAlcoholic;
            t.inStock = known.inStock;
            const Amount amount = ParseAmount(line.amount);
            if (amount.hasVolume()) {
                t.ml += amount.millilitres(settings.partMl) * planned.servings;
            } else if (amount.kind == Amount::Kind::Count) {
                t.count += amount.quantity() * planned.servings;
                if (t.countUnit.isEmpty())
                    t.countUnit = amount.unit;
            } else {
                t.unmeasured = true;
            }
        }
    }
    for (IngredientTotal t : std::as_const(byIngredient)) {
        if (t.ml > 0) {
            t.bottleMl = t.alcoholic ? 750 : 1000;
            t.bottles = int(std::ceil(t.ml / t.bottleMl - 1e-9));
        }
        totals.ingredients.append(t);
    }
    std::sort(totals.ingredients.begin(), totals.ingredients.end(), [](const IngredientTotal& a, const IngredientTotal& b) {
        const int c = a.ingredient.compare(b.ingredient, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.ingredientId < b.ingredientId;
    });
    return totals;
}

QByteArray WritePlan(const QList<PlannedDrink>& plan)
{
    QJsonArray drinks;
    for (const PlannedDrink& d : plan)
        drinks.append(QJsonObject{{QStringLiteral("name"), d.name}, {QStringLiteral("servings"), d.servings}});
    return QJsonDocument(QJsonObject{{QStringLiteral("drinks"), drinks}}).toJson(QJsonDocument::Indented);
}

std::optional<QList<PlannedDrink>> ReadPlan(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("The plan is not JSON: %1 (at byte %2).").arg(parseError.errorString()).arg(parseError.offset);
        return std::nullopt;
    }
    const QJsonValue drinks = document.object().value(QStringLiteral("drinks"));
    if (!document.isObject() || !drinks.isArray()) {
        *error = QStringLiteral("The plan has no list of drinks.");
        return std::nullopt;
    }
    QList<PlannedDrink> plan;
    int position = 0;
    for (const QJsonValue& value : drinks.toArray()) {
        ++position;
        const QJsonObject d = value.toObject();
        const QString name = d.value(QStringLiteral("name")).toString().trimmed();
        const double servings = d.value(QStringLiteral("servings")).toDouble(-1);
        if (name.isEmpty() || servings != std::floor(servings) || servings < 1 || servings > MaxServings) {
            *error = QStringLiteral("Drink %1 of the plan needs a name and from 1 to %2 servings.").arg(position).arg(MaxServings);
            return std::nullopt;
        }
        plan.append({name, int(servings)});
    }
    return plan;
}

} // namespace Maths
