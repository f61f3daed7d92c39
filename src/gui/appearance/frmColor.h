#pragma once

#include "gui/appearance/ColorSchemes.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QFrame;
class QPushButton;

// "Color Scheme": the user picks the five program-wide colours, resets them to the default scheme
// and stores them. The swatches are the working state; nothing changes until OK. Opened modally.
class frmColor : public QDialog
{
    Q_OBJECT

public:
    // applyToMainWindow redraws the main window in the current scheme (called after OK stored it).
    frmColor(QWidget* parent, std::function<void()> applyToMainWindow);

    // The colours the five swatches show now.
    ColorSchemes::Scheme swatchScheme() const;

private:
    void pick(QFrame* swatch, const QString& what);
    void showScheme(const ColorSchemes::Scheme& scheme);
    void CommandResetToDefault_Click();
    void cmdOk_Click();

    std::function<void()> m_applyToMainWindow;

    QPushButton* cmdTitles;
    QPushButton* cmdText;
    QPushButton* cmdButton;
    QPushButton* cmdListTextBox;
    QPushButton* cmdBackGround;
    QFrame* picTitles;
    QFrame* picText;
    QFrame* picButton;
    QFrame* picListTextBox;
    QFrame* picBackground;
    QPushButton* CommandResetToDefault;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    QComboBox* ComboColorSchemes;
};
