#pragma once

#include "core/exchange/ExchangeDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

// Deterministic synthetic recipe collections for the benchmark: the same seed and size always give
// the same database, byte for byte in content, on any machine.
namespace Bench {

// Bump when the generated content changes, so cached databases of an older generator are not reused.
inline constexpr int GeneratorVersion = 3;
inline constexpr quint64 DefaultSeed = 0x7475'6d62'6c65'7269ULL;

// splitmix64: tiny, fast and fully specified, unlike the standard library's distributions.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next();
    // Uniform in [0, bound).
    quint64 below(quint64 bound);
    // Uniform in [low, high].
    int between(int low, int high);
    // True with the given probability.
    bool chance(double probability);
    double unit(); // [0, 1)
    template <typename List> const auto& pick(const List& list) { return list.at(qsizetype(below(quint64(list.size())))); }

private:
    quint64 m_state;
};

struct CatalogueEntry
{
    QString name; // as the ingredient adder stores it (proper case)
    bool nonAlcoholic = false;
    bool inStock = false;
    bool onShoppingList = false;
    QString substitute;
};

struct Options
{
    qint64 drinks = 1000;
    int ingredients = 3000;
    quint64 seed = DefaultSeed;
};

struct Summary
{
    qint64 drinks = 0;
    qint64 recipeLines = 0;
    qint64 ingredients = 0;
    qint64 inStock = 0;
    qint64 nonAlcoholic = 0;
    qint64 favorites = 0;
    qint64 nonAsciiNames = 0;
};

// The ingredient catalogue of a seed: about 30 % in stock, 25 % non-alcoholic; popular ingredients
// (low positions) are more often in stock, as in a real home bar.
QList<CatalogueEntry> Catalogue(const Options& options);

// Creates a recipe database at path (which must not exist) through one transaction on the store's
// own connection and closes it again. The derived flags are left stale, as after a stock edit.
Summary GenerateDatabase(const QString& path, const Options& options);

// count drinks for an exchange document: none of them is in the database of the same options,
// their lines name catalogue ingredients (sometimes in another letter case) and about 3 % name
// ingredients the catalogue lacks.
QList<Online::ExchangeDrink> ImportDrinks(const Options& options, int count);

// One drink document holding all drinks, each written by the program's own drink writer.
QByteArray WriteDrinksDocument(const QList<Online::ExchangeDrink>& drinks);

// A substring of directions that about one drink in twelve contains, as a user would type it.
QString DescriptionSearchText();

} // namespace Bench
