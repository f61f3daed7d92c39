#pragma once

#include <QList>
#include <QString>

// The glasses, ingredients, drinks and tips a new recipe database starts with. They are kept as
// reviewable text (data/starter/*.txt, compiled in as resources) and written through the store's
// own adders.
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

// Writes content into the open (empty) database, in one transaction.
void populate(const Content& content);

// Creates the database file at path from the built-in content and leaves it open. The file appears
// only when it is complete: it is built beside the target and renamed into place. An existing file
// is never touched.
void CreateStarterDatabase(const QString& path);

} // namespace StarterData
