#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QWidget;

// The program's one colour dialog. Like a single dialog kept for the whole run, it opens on the
// colour last chosen in it (black before the first pick), whichever window asks.
namespace ColorDialog {

// The chosen colour, or nullopt when the user cancelled (which is not an error). The dialog opens
// at initial when it is given, else at the colour chosen last.
std::optional<QColor> choose(QWidget* parent, const QString& title = QString(), const QColor& initial = QColor());
// The colour the last dialog opened at (tests).
QColor lastOpenedAt();

// The colour the next dialog opens with.
QColor lastChosen();

// Tests: the next dialog answers this instead of showing; nullopt answers "cancelled".
void setNextAnswer(std::optional<QColor> answer);
// Tests: forget the colour chosen so far (back to black) and any queued answer.
void reset();

} // namespace ColorDialog
