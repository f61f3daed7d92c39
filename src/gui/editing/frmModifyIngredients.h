#pragma once

#include <QHash>

#include <optional>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The ingredient catalogue editor: the non-alcoholic mark of an ingredient, and deleting ingredients
// that no recipe uses. Changes are written at once.
class frmModifyIngredients : public QDialog
{
    Q_OBJECT

public:
    explicit frmModifyIngredients(QWidget* parent);

    // The "Edit Ingredients" menu command: runs the window modally.
    static void Open(QWidget* parent);

    static QString YesNoText(bool value);
    static bool IsYesText(const QString& text);

private:
    void LoadIngredientGrid();
    void RowSelected();
    void ShowIngredient(qint64 id, const QString& name, const QString& nonAlcoholicText);
    void EnableDeleteIfUnused(qint64 id);
    void ClearEditArea();
    int RowOfIngredient(qint64 id) const;
    void CommandUpdate_Click();
    void CommandDelete_Click();

    int SelectedRow = -1;

    QTableWidget* MSFlexGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblIngredient = nullptr;
    QLabel* lblNonAlcoholic = nullptr;
    QComboBox* ComboNonAlcoholic = nullptr;
    QLabel* lblStrength = nullptr;
    QLineEdit* txtStrength = nullptr;
    QPushButton* CommandUpdate = nullptr;
    QPushButton* CommandDelete = nullptr;
    QLabel* LabelInstructions = nullptr;
    QLineEdit* txtID = nullptr;
    // The strengths of the catalogue's ingredients, by ID (nothing when unknown).
    QHash<qint64, std::optional<double>> m_strengths;
};
