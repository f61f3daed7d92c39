#pragma once

#include <QList>
#include <QString>

#include <optional>

// The glasses, ingredients, drinks and tips a new recipe database starts with, kept as reviewable
// text (data/starter/*.txt, compiled in as resources), and their parsers.
namespace StarterData {

struct Glass
{
    int id = 0;
    QString name;
};

struct Ingredient
{
    QString name;
    bool nonAlcoholic = false;
    QString substituteGroup; // empty when the ingredient has no group
    std::optional<double> strength; // percent alcohol by volume
};

struct RecipeLine
{
    QString amount;
    QString ingredient;
};

struct Drink
{
    QString name;
    QString glass;
    bool favorite = false;
    QList<RecipeLine> lines;
    QString directions;
};

struct Tip
{
    QString title;
    QString text;
};

struct Content
{
    QList<Glass> glasses;
    QList<Ingredient> ingredients;
    QList<Drink> drinks;
    QList<Tip> tips;
};

// Parsers of the four text formats; they throw std::runtime_error naming the line of a bad entry.
QList<Glass> parseGlasses(const QString& text);
QList<Ingredient> parseIngredients(const QString& text);
QList<Drink> parseDrinks(const QString& text);
QList<Tip> parseTips(const QString& text);

// The content compiled into the program.
Content builtIn();

} // namespace StarterData
