#pragma once

#include "gui/stock/IngredientListEditor.h"

// "Current Stock": which ingredients are in the bar. Saving after any move marks the views of
// drinks makeable from stock stale, so they are computed again the next time they are shown.
class frmCurrentStock : public IngredientListEditor
{
    Q_OBJECT

public:
    explicit frmCurrentStock(QWidget* parent = nullptr);

    // The stock-changed flag.
    bool stockChanged() const { return isChanged(); }

protected:
    void saveList(const QStringList& onList) override;
};
