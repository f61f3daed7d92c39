#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// File dialogs go through here so tests can answer them in advance.
namespace FileDialog {

// The chosen file, or an empty text when the user cancelled.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);
// The chosen files, none when the user cancelled.
QStringList getOpenFileNames(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);
// The file to write, or an empty text when the user cancelled; *selectedFilter says which filter
// was chosen.
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        QString* selectedFilter);

// Tests: the next dialog answers this instead of showing (an empty text answers "cancelled"; for
// several files, the names are separated by a newline; a save dialog answers the filter too).
void setNextFileName(const QString& fileName, const QString& filter = QString());

} // namespace FileDialog
