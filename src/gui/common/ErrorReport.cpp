#include "gui/common/ErrorReport.h"

#include "core/store/Failure.h"
#include "gui/common/MessageBox.h"

namespace ErrorReport {

void show(QWidget* parent, const QString& title, const QString& step, const std::exception& error)
{
    DBLib::LogFailure(step, error);
    MessageBox::critical(parent, title, DBLib::FailureMessage(step, error));
}

} // namespace ErrorReport
