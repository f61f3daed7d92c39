#include "gui/common/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace FileDialog {

namespace {

struct Answer
{
    QString fileName;
    QString filter;
};
std::optional<Answer> next;

std::optional<Answer> takeAnswer()
{
    std::optional<Answer> answer = next;
    next.reset();
    return answer;
}

} // namespace

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter)
{
    if (const std::optional<Answer> answer = takeAnswer())
        return answer->fileName;
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QStringList getOpenFileNames(QWidget* parent, const QString& caption, const QString& directory, const QString& filter)
{
    if (const std::optional<Answer> answer = takeAnswer())
        return answer->fileName.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return QFileDialog::getOpenFileNames(parent, caption, directory, filter);
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        QString* selectedFilter)
{
    if (const std::optional<Answer> answer = takeAnswer()) {
        if (selectedFilter)
            *selectedFilter = answer->filter;
        return answer->fileName;
    }
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, selectedFilter);
}

void setNextFileName(const QString& fileName, const QString& filter)
{
    next = Answer{fileName, filter};
}

} // namespace FileDialog
