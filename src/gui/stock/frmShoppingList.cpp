#include "gui/stock/frmShoppingList.h"

frmShoppingList::frmShoppingList(QWidget* parent)
    : IngredientListEditor(parent, DBLib::IngredientList::ShoppingList,
                           {QStringLiteral("Shopping List"), QStringLiteral("Ingredients in Shopping List"),
                            QStringLiteral("Shopping List"), QString(), QString()},
                           TabOrder::ButtonsFirst)
{
    setObjectName(QStringLiteral("frmShoppingList"));
}

void frmShoppingList::saveList(const QStringList& onList)
{
    DBLib::SaveShoppingList(onList);
}
