#pragma once

#include <QString>

#include <exception>

// How a failure caught at a window operation or a command is put into words: what failed, why,
// and what the user can do. The statement that failed goes to the log, never into a message.
namespace DBLib {

// The reason in words: the store's or the text coding's message, or the exception's own words.
QString FailureReason(const std::exception& error);
// What the user can do about it, by the kind of failure; empty when the reason already says.
QString FailureAdvice(const std::exception& error);
// The whole message: the step that failed, the reason, the advice, each in a paragraph.
QString FailureMessage(const QString& step, const std::exception& error);
// Writes the step, the reason and the statement that failed to the log (standard error).
void LogFailure(const QString& step, const std::exception& error);

} // namespace DBLib
