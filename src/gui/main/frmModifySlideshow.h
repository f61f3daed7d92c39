#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// Edits the slideshow's picture list ("Add Custom Pictures").
class frmModifySlideshow : public QDialog
{
    Q_OBJECT

public:
    // reloadPictureList is called after the list was saved (the main window's loading rule).
    frmModifySlideshow(const QString& dataFolder, std::function<void()> reloadPictureList, QWidget* parent = nullptr);

    // Gives a new data folder the pictures shipped with the program and a list naming them.
    static void InstallStarterPictures(const QString& dataFolder);

    QListWidget* lstAddCustom = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdAddCustom = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdAddCustom_Click();
    void cmdExit_Click();
    QString listPath() const;

    QString m_dataFolder;
    std::function<void()> m_reload;
};
