#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

// Every message the program shows goes through here, so tests can answer in advance and read what
// the user would have seen.
namespace MessageBox {

using Button = QMessageBox::StandardButton;
using Buttons = QMessageBox::StandardButtons;

Button show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            Buttons buttons = QMessageBox::Ok, Button defaultButton = QMessageBox::NoButton);

Button information(QWidget* parent, const QString& title, const QString& text, Buttons buttons = QMessageBox::Ok);
Button warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons = QMessageBox::Ok);
Button critical(QWidget* parent, const QString& title, const QString& text, Buttons buttons = QMessageBox::Ok);
Button question(QWidget* parent, const QString& title, const QString& text,
                Buttons buttons = QMessageBox::Yes | QMessageBox::No);

// Tests: the answers queued here are given, in order, instead of showing a box. When the queue is
// empty and answering is on, the box's default (or first) button is taken without showing.
void setNextAnswer(Button answer);
void setAutoAnswer(bool on);

struct Shown
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
    Buttons buttons;
    Button answer;
};
// What was shown (or answered) since the last clear, oldest first.
const QList<Shown>& history();
void clearHistory();

} // namespace MessageBox
