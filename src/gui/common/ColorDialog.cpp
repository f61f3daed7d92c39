#include "gui/common/ColorDialog.h"

#include <QColorDialog>

#include <utility>

namespace ColorDialog {

namespace {

QColor lastColour = Qt::black;
QColor openedAt;
bool answerQueued = false;
std::optional<QColor> queuedAnswer;

} // namespace

std::optional<QColor> choose(QWidget* parent, const QString& title, const QColor& initial)
{
    std::optional<QColor> answer;
    openedAt = initial.isValid() ? initial : lastColour;
    if (answerQueued) {
        answerQueued = false;
        answer = std::exchange(queuedAnswer, std::nullopt);
    } else {
        const QColor picked = QColorDialog::getColor(openedAt, parent, title);
        if (picked.isValid())
            answer = picked;
    }
    if (answer && answer->isValid()) {
        lastColour = *answer;
        return answer;
    }
    return std::nullopt;
}

QColor lastOpenedAt()
{
    return openedAt;
}

QColor lastChosen()
{
    return lastColour;
}

void setNextAnswer(std::optional<QColor> answer)
{
    answerQueued = true;
    queuedAnswer = answer;
}

void reset()
{
    lastColour = Qt::black;
    answerQueued = false;
    queuedAnswer.reset();
}

} // namespace ColorDialog
