#pragma once

#include <QColor>
#include <QPalette>

#include <initializer_list>
#include <utility>

class QWidget;

// The five program-wide colours and the one way every window applies them.
namespace ColorSchemes {

struct Scheme
{
    QColor Background;
    QColor Text;
    QColor Title;
    QColor Button;
    QColor TextListBox;
};

// Preference numbers hold red in the low byte, green in the middle byte, blue in the high byte.
QColor fromColorRef(qint64 value);
qint64 toColorRef(const QColor& colour);

// White backgrounds, dark blue headings, the palette's button, window-text and base colours.
Scheme DefaultScheme(const QPalette& palette);

// The scheme in force for this run; windows read it when they open.
Scheme& current();

// Reads the five preferences into current(); a value that is missing or not a number keeps that
// colour of the default scheme.
void LoadFromPreferences();
// Writes the five values (Background, Text, Title, Button, TextListBox) and makes them current.
void SaveToPreferences(const Scheme& scheme);

// The one place a widget's colours are set: each role in the active and inactive groups (and the
// disabled one when asked), everything else left as the palette has it.
using Roles = std::initializer_list<std::pair<QPalette::ColorRole, QColor>>;
void setRoles(QWidget* widget, Roles roles, bool alsoDisabled = false);

// Applying the scheme. The window's own background:
void applyWindow(QWidget* window, const Scheme& scheme = current());
// Every child control gets the Background colour behind it (the main window's first pass).
void applyBackgroundToAll(QWidget* window, const Scheme& scheme = current());
// Heading labels: Title text on the Background.
void applyHeading(QWidget* label, const Scheme& scheme = current());
// Data labels: Text on the Background.
void applyDataLabel(QWidget* label, const Scheme& scheme = current());
// Buttons: the Button face.
void applyButton(QWidget* button, const Scheme& scheme = current());
// Lists, combo boxes and text boxes: Text on TextListBox.
void applyInput(QWidget* input, const Scheme& scheme = current());
// The common rule for a window opened after start-up: window background, headings (labels whose
// objectName starts with "Label"), data labels, buttons and inputs found among its children.
void applyStandard(QWidget* window, const Scheme& scheme = current());

} // namespace ColorSchemes
