#include "gui/stock/frmCurrentStock.h"

frmCurrentStock::frmCurrentStock(QWidget* parent)
    : IngredientListEditor(parent, DBLib::IngredientList::CurrentStock,
                           {QStringLiteral("Current Stock"), QStringLiteral("Ingredients in Stock:"),
                            QStringLiteral("Current Stock List"), QStringLiteral("Add to Stock"),
                            QStringLiteral("Remove from Stock")},
                           TabOrder::ListsFirst)
{
    setObjectName(QStringLiteral("frmCurrentStock"));
}

void frmCurrentStock::saveList(const QStringList& onList)
{
    DBLib::SaveCurrentStock(onList, stockChanged());
}
