#pragma once

#include <QString>

#include <optional>

class QWidget;

// Questions that want a number go through here, so tests can answer them in advance.
namespace InputDialog {

// The whole number the user chose between minimum and maximum, or nothing when cancelled.
std::optional<int> getInt(QWidget* parent, const QString& title, const QString& label, int value, int minimum,
                          int maximum);

// Tests: the next question answers this instead of showing; nothing answers "cancelled".
void setNextAnswer(std::optional<int> answer);

} // namespace InputDialog
