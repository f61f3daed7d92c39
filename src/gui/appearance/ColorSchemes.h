#pragma once

#include <QColor>
#include <QPalette>
#include <QStringList>

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

// White backgrounds, dark blue headings, the palette's button, window-text and base colours. Under
// a dark palette (its window darker than its text) the palette's own background instead, with
// light blue headings, so nothing is light text on white.
Scheme DefaultScheme(const QPalette& palette);
bool IsDark(const QPalette& palette);

// The contrast ratio of two colours, 1 (the same) to 21 (black on white), as accessibility
// guidelines count it.
double ContrastRatio(const QColor& a, const QColor& b);
// Pairs of the scheme whose contrast is under 3:1, in words ("Text on Background"); empty when all read well.
QStringList HardToRead(const Scheme& scheme);

// The scheme in force for this run; windows read it when they open.
Scheme& current();

// Reads the five preferences into current(); a value that is missing or not a number keeps that
// colour of the default scheme. Until the user has chosen colours, the default scheme of the
// desktop's palette now is used, so a dark desktop theme stays readable.
void LoadFromPreferences();
// Writes the five values (Background, Text, Title, Button, TextListBox), notes that the user chose
// them, and makes them current.
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
// An input field on a background of its own (Find's white field in use, grey one not): the
// scheme's text where it reads on it, else black or white (also when disabled).
void applyFieldBackground(QWidget* field, const QColor& background, const Scheme& scheme = current());
// The common rule for a window opened after start-up: window background, headings (labels whose
// objectName starts with "Label"), data labels, buttons and inputs found among its children.
void applyStandard(QWidget* window, const Scheme& scheme = current());

} // namespace ColorSchemes
