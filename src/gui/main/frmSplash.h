#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// Shown while the main window loads the drink list for the first time.
class frmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return ProgressBar1; }
    void UnloadSplashScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* Label1;
    QLabel* lblProductName;
    QLabel* lblVersion;
    QLabel* lblPlatform;
    QLabel* imgLogo;
    QProgressBar* ProgressBar1;
};
