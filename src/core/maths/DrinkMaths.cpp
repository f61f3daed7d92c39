#include "core/maths/DrinkMaths.h"

#include "core/store/ModuleRegistry.h"
#include "core/store/RecipeRepository.h"

#include <QRegularExpression>

#include <cmath>

namespace Maths {

QString MethodName(Method method)
{
    switch (method) {
    case Method::Shake:
        return QStringLiteral("shaken");
    case Method::Stir:
        return QStringLiteral("stirred");
    case Method::Blend:
        return QStringLiteral("blended");
    case Method::Layer:
        return QStringLiteral("layered");
    case Method::Build:
        return QStringLiteral("built");
    case Method::None:
        return QStringLiteral("no method");
    }
    Q_UNREACHABLE();
}

double Dilution(Method method)
{
    switch (method) {
    case Method::Shake:
    case Method::Blend:
        return 0.25;
    case Method::Stir:
        return 0.20;
    case Method::Build:
        return 0.10;
    case Method::Layer:
    case Method::None:
        return 0.0;
    }
    Q_UNREACHABLE();
}

Method MethodOf(const QString& directions)
{
    if (directions.trimmed().isEmpty())
        return Method::None;
    // Words that begin so: "Shake", "shaken", "stirring", "blended", "layer", "built", "pour", "top".
    static const std::pair<Method, QRegularExpression> words[] = {
        {Method::Shake, QRegularExpression(QStringLiteral("\\bshak"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Stir, QRegularExpression(QStringLiteral("\\bstir"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Blend, QRegularExpression(QStringLiteral("\\bblend"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Layer, QRegularExpression(QStringLiteral("\\blayer"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Build, QRegularExpression(QStringLiteral("\\bbuil"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Build, QRegularExpression(QStringLiteral("\\bpour"), QRegularExpression::CaseInsensitiveOption)},
        {Method::Build, QRegularExpression(QStringLiteral("\\btop"), QRegularExpression::CaseInsensitiveOption)},
    };
    for (const auto& [method, word] : words) {
        if (word.match(directions).hasMatch())
            return method;
    }
    return Method::Build;
}

DrinkMaths Compute(const DBLib::Drink& drink, const Settings& settings)
{
    DrinkMaths maths;
    for (const DBLib::RecipeLine& line : drink.lines) {
        LineMaths lm;
        lm.amount = ParseAmount(line.amount);
        lm.strength = line.strength;
        if (lm.amount.hasVolume()) {
            lm.ml = lm.amount.millilitres(settings.partMl);
            maths.volumeMl += *lm.ml;
            if (line.strength)
                maths.alcoholMl += *lm.ml * *line.strength / 100.0;
            else
                maths.approximate = true;
        } else {
            maths.approximate = true;
        }
        maths.lines.append(lm);
    }
    maths.method = MethodOf(drink.description);
    if (maths.volumeMl > 0) {
        maths.abv = 100.0 * maths.alcoholMl / maths.volumeMl;
        maths.abvServed = *maths.abv / (1.0 + Dilution(maths.method));
        maths.standardDrinks = maths.alcoholMl * EthanolDensity / double(int(settings.standard));
    }
    return maths;
}

StandardDrink StandardDrinkPreference()
{
    switch (ModuleRegistry::ReadNumber(ModuleRegistry::StandardDrinkGrams).value_or(14)) {
    case 8:
        return StandardDrink::UK;
    case 10:
        return StandardDrink::Australia;
    default:
        return StandardDrink::US;
    }
}

bool OuncesFirstPreference()
{
    return ModuleRegistry::ReadText(ModuleRegistry::UnitsFirst).trimmed() == QLatin1String("oz");
}

QString StandardDrinkName(StandardDrink standard)
{
    switch (standard) {
    case StandardDrink::US:
        return QStringLiteral("US 14 g");
    case StandardDrink::UK:
        return QStringLiteral("UK 8 g");
    case StandardDrink::Australia:
        return QStringLiteral("Australia 10 g");
    }
    Q_UNREACHABLE();
}

QString Summary(const DrinkMaths& maths, const Settings& settings, bool ouncesFirst)
{
    if (!maths.abv)
        return QString();
    const QString ml = OneDecimal(maths.volumeMl) + QStringLiteral(" ml");
    const QString oz = OneDecimal(maths.volumeOunces()) + QStringLiteral(" oz");
    QString text = (maths.approximate ? QStringLiteral("About ") : QString()) +
                   (ouncesFirst ? oz + QStringLiteral(" (") + ml : ml + QStringLiteral(" (") + oz) +
                   QStringLiteral("), ") + OneDecimal(*maths.abv) + QStringLiteral(" % ABV");
    if (maths.method != Method::None)
        text += QStringLiteral("; ") + MethodName(maths.method) + QStringLiteral(": ") + OneDecimal(*maths.abvServed) +
                QStringLiteral(" % as served");
    text += QStringLiteral("; ") + OneDecimal(*maths.standardDrinks) + QStringLiteral(" standard drinks (") +
            StandardDrinkName(settings.standard) + QLatin1Char(')');
    return text;
}

QString OneDecimal(double value)
{
    return QString::number(std::round(value * 10.0) / 10.0, 'f', 1);
}

} // namespace Maths
