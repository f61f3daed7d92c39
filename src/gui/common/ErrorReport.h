#pragma once

#include <QString>

#include <exception>

class QWidget;

namespace ErrorReport {

// The one way a window tells of a failure: a message box with the step that failed, the reason
// and what the user can do; the statement that failed goes to the log.
void show(QWidget* parent, const QString& title, const QString& step, const std::exception& error);

} // namespace ErrorReport
