#pragma once

#include "core/store/Sqlite.h"

#include <QString>
#include <QVariant>

#include <optional>

// The recipe store: one open database for the life of the process and the procedures every window
// uses to read and change it. Values always travel as bound parameters. Failures are thrown as
// Sql::Error (or Lib::TextCodingError for a text that cannot be stored) and caught by the window
// operation that started the work.
namespace DBLib {

// Opens the recipe database file and keeps it as the process's open database. The file must exist
// and be a recipe database; it is never replaced or changed when it is not.
void OpenRecipeDatabase(const QString& path);
// Creates a new, empty recipe database at path (the file must not exist) and opens it.
void CreateRecipeDatabase(const QString& path);
void CloseRecipeDatabase();
bool IsOpen();
// The open database; throws Sql::Error when none is open.
Sql::Connection& Database();

// A read-only, forward-only result. It stands on its first row when it opens.
class Snapshot
{
public:
    Snapshot(Sql::Connection& db, const QString& sql, const QVariantList& params);

    // End of data: no current row.
    bool atEnd() const { return !m_hasRow; }
    // Beginning of data: true only for an empty result.
    bool isEmpty() const { return m_empty; }
    QVariant field(int position) const;
    QVariant field(const QString& column) const;
    void moveNext();
    void close();

private:
    std::optional<Sql::Statement> m_statement;
    bool m_hasRow = false;
    bool m_empty = true;
};

Snapshot OpenSnapshot(const QString& sql, const QVariantList& params = {});
void ExecuteSql(const QString& sql, const QVariantList& params = {});

QString GetGlassTypeName(int glassId);
int GetGlassTypeID(const QString& glassName);
QString GetIngredientName(qint64 ingredientId);
qint64 GetIngredientIDByName(const QString& name);
// -1 when no ingredient has that name (compared without regard to letter case).
qint64 FindIngredientID(const QString& name);
// -1 when no drink has that name, in any letter case.
qint64 FindDrinkID(const QString& name);

// The statement CountRecords runs for a table and field name; throws for names that are not
// tables or columns of the recipe database.
QString CountRecordsStatement(const QString& table, const QString& field);
double CountRecords(const QString& table, const QString& field);

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
