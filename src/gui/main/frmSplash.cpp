#include "gui/main/frmSplash.h"

#include "gui/appearance/ColorSchemes.h"

#include "gui/main/GlassPictures.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The splash has the program's own colours, not the user's scheme (not read yet).
    ColorSchemes::setRoles(this, {{QPalette::Window, Qt::white}, {QPalette::WindowText, QColor(0x1f, 0x3b, 0x63)}});
    setAutoFillBackground(true);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);

    imgLogo = new QLabel(frame);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(GlassPictures::load(GlassPictures::logoPath(), QSize(96, 96), devicePixelRatioF()));

    lblProductName = new QLabel(QStringLiteral("Tumblerix"), frame);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblProductName->setFont(big);

    lblVersion = new QLabel(QStringLiteral("Version ") + QApplication::applicationVersion(), frame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblPlatform = new QLabel(QStringLiteral("Linux"), frame);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    auto* company = new QLabel(QStringLiteral("Brimvale"), frame);
    company->setObjectName(QStringLiteral("lblCompany"));

    Label1 = new QLabel(QStringLiteral("Loading Drinks Please Wait"), frame);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(frame);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblProductName);
    texts->addWidget(lblVersion);
    texts->addWidget(lblPlatform);
    texts->addWidget(company);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo, 0, Qt::AlignTop);
    top->addSpacing(16);
    top->addLayout(texts, 1);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(20, 20, 20, 16);
    inner->addLayout(top);
    inner->addSpacing(12);
    inner->addWidget(Label1);
    inner->addWidget(ProgressBar1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(frame);
    resize(440, 230);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmSplash::UnloadSplashScreen()
{
    close();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    UnloadSplashScreen();
    event->accept();
}
