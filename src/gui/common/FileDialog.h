#pragma once

#include <QString>

class QWidget;

// Open-file dialogs go through here so tests can answer them in advance.
namespace FileDialog {

// The chosen file, or an empty text when the user cancelled.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);

// Tests: the next dialog answers this instead of showing (an empty text answers "cancelled").
void setNextFileName(const QString& fileName);

} // namespace FileDialog
