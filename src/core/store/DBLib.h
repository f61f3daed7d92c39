#pragma once

#include "core/store/Sqlite.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// The recipe store: one open database for the life of the process and the procedures every window
// uses to read and change it. Values always travel as bound parameters. Failures are thrown as
// Sql::Error (or Lib::TextCodingError for a text that cannot be stored) and caught by the window
// operation that started the work.
namespace DBLib {

// Opens the recipe database file and keeps it as the process's open database. The file must exist
// and be a recipe database; it is never replaced or changed when it is not. Every page is checked
// first unless this program closed the file cleanly and nothing has changed it since (same size,
// modification time and inode, no journal left): after a crash, or when another program wrote to
// it, the whole file is read.
void OpenRecipeDatabase(const QString& path);
// Creates a new, empty recipe database at path (the file must not exist) and opens it.
void CreateRecipeDatabase(const QString& path);
// Closes the open database; a clean close is remembered, so the next opening can skip the check.
void CloseRecipeDatabase();
// The full check on demand: every page, index and constraint of the open database. Empty when all
// is well, else up to 20 problems as the engine words them.
QStringList CheckRecipeDatabase();
bool IsOpen();
// The file of the open database; throws Sql::Error when none is open.
QString DatabasePath();

// Groups several of the store's writes into one transaction: all of them are kept or none. Rolls
// back when it ends without commit(), so an early return or an exception keeps nothing.
class WriteBatch
{
public:
    WriteBatch();
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;
    void commit();

private:
    std::unique_ptr<Sql::Transaction> m_transaction;
};

QString GetGlassTypeName(int glassId);
// Whether the glass list has the number.
bool GlassExists(int glassId);
int GetGlassTypeID(const QString& glassName);
QString GetIngredientName(qint64 ingredientId);
qint64 GetIngredientIDByName(const QString& name);
// -1 when no ingredient has that name (compared without regard to letter case).
qint64 FindIngredientID(const QString& name);

// The counts the program shows or sizes its work by.
enum class Count
{
    Drinks,
    FavoriteDrinks,
    SubmittedDrinks,
    CurrentStockDrinks,             // drinks whose CurrentStock flag is set
    NonAlcoholicDrinks,             // drinks whose NonAlcoholic flag is set
    CurrentStockNonAlcoholicDrinks, // drinks whose CurrentStockNonAlcoholic flag is set
    RecipeLines,
    InStockRecipeLines, // recipe lines of named drinks whose ingredient is in stock
    Ingredients,
    GlassTypes,
    Tips
};
qint64 CountRecords(Count what);

// Yes/No text as the engine converts it: "True"/"Yes"/"On" or a non-zero number give true,
// "False"/"No"/"Off" or 0 give false, anything else is refused.
std::optional<bool> ParseYesNo(const QString& text);
// First letter of every word upper case, all other letters lower case.
QString ProperCase(const QString& text);

// Appends an ingredient under the highest ID plus 1 (1 in an empty catalogue) and returns that ID.
qint64 AddIngredient(const QString& name, const QString& substitute, const QString& nonAlcoholic);
void AddRecipeLine(qint64 drinkId, qint64 ingredientId, const QString& amount);
void AddDrink(qint64 id, const QString& name, int glassType, const QString& description, const QString& favorite,
              const QString& submitted, const QString& nonAlcoholic, const QString& currentStock,
              const QString& currentStockNonAlcoholic);

} // namespace DBLib
