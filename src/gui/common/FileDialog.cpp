#include "gui/common/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace FileDialog {

namespace {
std::optional<QString> nextFileName;
}

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter)
{
    if (nextFileName) {
        const QString answer = *nextFileName;
        nextFileName.reset();
        return answer;
    }
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

void setNextFileName(const QString& fileName)
{
    nextFileName = fileName;
}

} // namespace FileDialog
