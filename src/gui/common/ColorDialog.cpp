#include "gui/common/ColorDialog.h"

#include <QColorDialog>

#include <utility>

namespace ColorDialog {

namespace {

QColor lastColour = Qt::black;
bool answerQueued = false;
std::optional<QColor> queuedAnswer;

} // namespace

std::optional<QColor> choose(QWidget* parent, const QString& title)
{
    std::optional<QColor> answer;
    if (answerQueued) {
        answerQueued = false;
        answer = std::exchange(queuedAnswer, std::nullopt);
    } else {
        const QColor picked = QColorDialog::getColor(lastColour, parent, title);
        if (picked.isValid())
            answer = picked;
    }
    if (answer && answer->isValid()) {
        lastColour = *answer;
        return answer;
    }
    return std::nullopt;
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
