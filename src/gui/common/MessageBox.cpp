#include "gui/common/MessageBox.h"

#include <QQueue>

namespace MessageBox {

namespace {

QQueue<Button> answers;
bool autoAnswer = false;
QList<Shown> shown;

Button firstButton(Buttons buttons)
{
    for (const Button b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel,
                           QMessageBox::Retry, QMessageBox::Ignore, QMessageBox::Abort}) {
        if (buttons.testFlag(b))
            return b;
    }
    return QMessageBox::NoButton;
}

} // namespace

Button show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text, Buttons buttons,
            Button defaultButton)
{
    Button answer = QMessageBox::NoButton;
    if (!answers.isEmpty()) {
        answer = answers.dequeue();
    } else if (autoAnswer) {
        answer = defaultButton != QMessageBox::NoButton ? defaultButton : firstButton(buttons);
    } else {
        QMessageBox box(icon, title, text, buttons, parent);
        if (defaultButton != QMessageBox::NoButton)
            box.setDefaultButton(defaultButton);
        answer = Button(box.exec());
    }
    shown.append({icon, title, text, buttons, answer});
    return answer;
}

Button information(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return show(parent, QMessageBox::Information, title, text, buttons);
}

Button warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return show(parent, QMessageBox::Warning, title, text, buttons);
}

Button critical(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return show(parent, QMessageBox::Critical, title, text, buttons);
}

Button question(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return show(parent, QMessageBox::Question, title, text, buttons);
}

void setNextAnswer(Button answer)
{
    answers.enqueue(answer);
}

void setAutoAnswer(bool on)
{
    autoAnswer = on;
}

const QList<Shown>& history()
{
    return shown;
}

void clearHistory()
{
    shown.clear();
    answers.clear();
}

} // namespace MessageBox
