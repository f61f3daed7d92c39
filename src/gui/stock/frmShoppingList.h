#pragma once

#include "gui/stock/IngredientListEditor.h"

// "Shopping List": which ingredients to buy. No cached view depends on it.
class frmShoppingList : public IngredientListEditor
{
    Q_OBJECT

public:
    explicit frmShoppingList(QWidget* parent = nullptr);

protected:
    void saveList(const QStringList& onList) override;
};
