#include "gui/common/InputDialog.h"

#include <QInputDialog>

namespace InputDialog {

namespace {
bool answerQueued = false;
std::optional<int> queued;
} // namespace

std::optional<int> getInt(QWidget* parent, const QString& title, const QString& label, int value, int minimum,
                          int maximum)
{
    if (answerQueued) {
        answerQueued = false;
        return queued;
    }
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
    return ok ? std::optional<int>(chosen) : std::nullopt;
}

void setNextAnswer(std::optional<int> answer)
{
    answerQueued = true;
    queued = answer;
}

} // namespace InputDialog
