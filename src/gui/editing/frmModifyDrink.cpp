#include "gui/editing/frmModifyDrink.h"

#include "gui/common/MessageBox.h"
#include "core/store/DBLib.h"
#include "core/store/Failure.h"
#include "core/store/RecipeRepository.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

frmModifyDrink::frmModifyDrink(QWidget* parent, const QString& drinkName, const MainWindowLink& link)
    : RecipeWindow(parent, link, QStringLiteral("Modify Drink"), QStringLiteral("Update"),
                   QStringLiteral("cmdUpdate")),
      m_loadedName(drinkName)
{
    connect(m_saveButton, &QPushButton::clicked, this, &frmModifyDrink::cmdUpdate_Click);
    try {
        FillIngredientLists();
        LoadDrink();
    } catch (const std::exception& e) {
        const QString step = QStringLiteral("The drink \"%1\" could not be loaded.").arg(drinkName);
        DBLib::LogFailure(step, e);
        m_loadError = DBLib::FailureMessage(step, e);
    }
    setStatus(QString());
}

void frmModifyDrink::LoadDrink()
{
    txtName->setText(m_loadedName);
    const std::optional<DBLib::Drink> stored = DBLib::ReadDrink(m_loadedName);
    if (!stored) {
        m_loadError =
            QStringLiteral("There is no drink named \"%1\" in the recipe database.").arg(m_loadedName);
        return;
    }
    m_oldDrinkId = stored->id;
    txtDescription->setPlainText(stored->description);

    // A stored glass that is not one of the usual names is shown as it is, so an Update keeps it.
    if (!stored->glassName.isEmpty()) {
        int index = cmbGlass->findText(stored->glassName, Qt::MatchFixedString);
        if (index < 0) {
            cmbGlass->addItem(stored->glassName);
            index = cmbGlass->count() - 1;
        }
        cmbGlass->setCurrentIndex(index);
    }

    m_missingIngredients = stored->missingIngredientsText();
    for (qsizetype r = 0; r < stored->lines.size(); ++r) {
        const DBLib::RecipeLine& row = stored->lines.at(r);
        if (r >= RowCount) {
            m_hiddenRows.append({row.amount, row.ingredient, row.substitute, row.nonAlcoholic, row.strength});
            continue;
        }
        txtAmount[size_t(r)]->setText(row.amount);
        QComboBox* box = cmbIngredient[size_t(r)];
        const int index = box->findText(row.ingredient, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index >= 0)
            box->setCurrentIndex(index);
        else
            box->setEditText(row.ingredient);
    }
}

void frmModifyDrink::Open(QWidget* parent, const QString& selectedName, const MainWindowLink& link)
{
    if (!selectedName.trimmed().isEmpty()) {
        if (link.showStatus)
            link.showStatus(QStringLiteral("Loading Please Wait....."));
        frmModifyDrink window(parent, selectedName, link);
        if (!window.IsLoaded()) {
            MessageBox::warning(parent, QStringLiteral("Modify Drink"), window.LoadError());
        } else {
            if (window.HiddenLineCount() > 0) {
                MessageBox::information(
                    parent, QStringLiteral("Modify Drink"),
                    QStringLiteral("This drink has %1 recipe lines; the window shows the first %2. The other "
                                   "lines are kept unchanged when you update the drink.")
                        .arg(window.HiddenLineCount() + RowCount)
                        .arg(RowCount));
            }
            if (!window.MissingIngredients().isEmpty()) {
                MessageBox::warning(parent, QStringLiteral("Modify Drink"),
                                    window.MissingIngredients() +
                                        QStringLiteral("\n\nSuch a line shows its amount without an ingredient: "
                                                       "choose one for it, or clear its amount to leave it out."));
            }
            window.exec();
            // The reload left the list without a selection; show the drink as it now is rather
            // than the recipe from before the update.
            if (!window.SavedName().isEmpty() && link.selectDrink)
                link.selectDrink(window.SavedName());
        }
    }
    if (link.redisplaySelection)
        link.redisplaySelection();
}

void frmModifyDrink::cmdUpdate_Click()
{
    DBLib::SavedDrink saved;
    try {
        if (!CheckNameEntered())
            return;
        // Only a changed name can clash, and only with another drink: the name differing from the
        // loaded one in letter case or blanks alone still names this drink.
        if (txtName->text() != m_loadedName) {
            const qint64 found = DBLib::FindDrinkID(txtName->text().trimmed());
            if (found != -1 && found != m_oldDrinkId) {
                RefuseRepeatedName();
                return;
            }
        }
        if (!CheckGlassEntered())
            return;
        if (!CheckRows())
            return;
        if (!ConfirmBlankDescription())
            return;
        DBLib::DrinkEntry entry = Entry();
        entry.lines.append(m_hiddenRows);
        saved = DBLib::ReplaceDrink(m_oldDrinkId, entry);
    } catch (const std::exception& e) {
        ShowWriteFailure(QStringLiteral("The drink was not updated; the stored drink is unchanged."), e);
        return;
    }
    FinishSave(saved);
}
