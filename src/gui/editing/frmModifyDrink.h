#pragma once

#include "gui/editing/RecipeWindow.h"

// The Modify Drink window: edits the selected drink and replaces it, under a new ID, as one change.
class frmModifyDrink : public RecipeWindow
{
    Q_OBJECT

public:
    // Loads the drink stored under exactly drinkName. When it cannot be loaded, LoadError() says
    // why and the window must not be shown.
    frmModifyDrink(QWidget* parent, const QString& drinkName, const MainWindowLink& link = {});

    // The "&Modify Drink" menu command for the drink selected in the main list (an empty name opens
    // nothing). Afterwards the selection is redisplayed and the main progress bar hidden.
    static void Open(QWidget* parent, const QString& selectedName, const MainWindowLink& link);

    bool IsLoaded() const { return m_loadError.isEmpty(); }
    const QString& LoadError() const { return m_loadError; }
    // Recipe lines beyond the twelve rows; they are not shown and are written back unchanged.
    qsizetype HiddenLineCount() const { return m_hiddenRows.size(); }
    qint64 OldDrinkID() const { return m_oldDrinkId; }
    // Says which lines name an ingredient the catalogue lacks; empty when none does.
    const QString& MissingIngredients() const { return m_missingIngredients; }

private:
    void LoadDrink();
    void cmdUpdate_Click();

    QString m_loadedName;
    qint64 m_oldDrinkId = -1;
    QList<DBLib::DrinkEntry::Line> m_hiddenRows;
    QString m_loadError;
    QString m_missingIngredients;
};
