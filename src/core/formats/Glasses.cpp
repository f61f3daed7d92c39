#include "core/formats/Glasses.h"

#include <QRegularExpression>

#include <vector>

namespace Formats {

const QStringList& StandardGlassNames()
{
    static const QStringList names = {
        QStringLiteral("Beer Mug"),           QStringLiteral("Beer Pilsner"),     QStringLiteral("Brandy Snifter"),
        QStringLiteral("Champagne Glass"),    QStringLiteral("Cocktail Glass"),   QStringLiteral("Collins Glass"),
        QStringLiteral("Cordial Glass"),      QStringLiteral("Coupette Glass"),   QStringLiteral("Fish Bowl"),
        QStringLiteral("Highball Glass"),     QStringLiteral("Hurricane Glass"),  QStringLiteral("Irish Coffee Cup"),
        QStringLiteral("Margarita Glass"),    QStringLiteral("Mason Jar"),        QStringLiteral("Old Fashioned Glass"),
        QStringLiteral("Parfait Glass"),      QStringLiteral("Pitcher"),          QStringLiteral("Pousse-Cafe Cup"),
        QStringLiteral("Punch Bowl"),         QStringLiteral("Red Wine Glass"),   QStringLiteral("Sherry Glass"),
        QStringLiteral("Shot Glass"),         QStringLiteral("Unknown Glass"),    QStringLiteral("Whiskey Sour Glass"),
        QStringLiteral("White Wine Glass"),
    };
    return names;
}

QString NearestGlass(const QString& name)
{
    const QString simple = name.simplified();
    for (const QString& standard : StandardGlassNames()) {
        if (standard.compare(simple, Qt::CaseInsensitive) == 0)
            return standard;
    }
    struct Rule
    {
        const char* words;
        const char* glass;
    };
    static const Rule rules[] = {
        {"flute|champagne|prosecco|tulip", "Champagne Glass"},
        {"coupe|coupette|saucer", "Coupette Glass"},
        {"margarita", "Margarita Glass"},
        {"hurricane|tiki|poco grande", "Hurricane Glass"},
        {"collins|chimney|zombie", "Collins Glass"},
        {"highball|tall", "Highball Glass"},
        {"old fashioned|old-fashioned|rocks|lowball|tumbler|julep", "Old Fashioned Glass"},
        {"martini|cocktail|nick and nora|nick & nora", "Cocktail Glass"},
        {"snifter|brandy|cognac", "Brandy Snifter"},
        {"sherry|copita|port", "Sherry Glass"},
        {"cordial|liqueur", "Cordial Glass"},
        {"pousse", "Pousse-Cafe Cup"},
        {"shot|shooter", "Shot Glass"},
        {"irish coffee|coffee|toddy|hot drink", "Irish Coffee Cup"},
        {"red wine", "Red Wine Glass"},
        {"wine|goblet", "White Wine Glass"},
        {"pilsner|pint|beer glass|weizen", "Beer Pilsner"},
        {"mug|tankard|stein", "Beer Mug"},
        {"mason jar|jar", "Mason Jar"},
        {"parfait", "Parfait Glass"},
        {"punch", "Punch Bowl"},
        {"pitcher|jug|carafe", "Pitcher"},
        {"fish bowl|bowl", "Fish Bowl"},
        {"whiskey sour|whisky sour|sour", "Whiskey Sour Glass"},
    };
    // Compiled once: an import asks this of every recipe.
    static const std::vector<QRegularExpression> patterns = [] {
        std::vector<QRegularExpression> compiled;
        for (const Rule& rule : rules)
            compiled.emplace_back(QStringLiteral("\\b(%1)\\b").arg(QLatin1String(rule.words)),
                                  QRegularExpression::CaseInsensitiveOption);
        return compiled;
    }();
    if (simple.isEmpty())
        return QStringLiteral("Unknown Glass");
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (patterns[i].match(simple).hasMatch())
            return QString::fromLatin1(rules[i].glass);
    }
    return QStringLiteral("Unknown Glass");
}

} // namespace Formats
