#include "gui/about/frmAbout.h"

#include "core/about/SystemInfo.h"
#include "gui/about/frmSystemInfo.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"
#include "gui/main/GlassPictures.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace {

const QString ProgramTitle = QStringLiteral("Tumblerix");

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

frmAbout::frmAbout(QWidget* parent, QString dataFolder) : QDialog(parent), m_dataFolder(std::move(dataFolder))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + ProgramTitle);

    Image1 = named(new QLabel(this), "Image1");
    Image1->setPixmap(GlassPictures::load(GlassPictures::logoPath(), QSize(96, 96), devicePixelRatioF()));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    Image1->setAccessibleName(ProgramTitle + QStringLiteral(" logo"));

    lblTitle = named(new QLabel(ProgramTitle + QStringLiteral(" Version ") + VersionText(), this), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblNotice = named(new QLabel(QStringLiteral("Copyright \u00A9 2003\u20132025 Brimvale. All rights reserved.\n"
                                                "Tumblerix keeps your drink recipes and tells you what you can pour."),
                                 this),
                      "lblNotice");
    lblNotice->setWordWrap(true);

    lblWarning = named(
        new QLabel(QStringLiteral("Warning: this program and its recipe collection are protected by copyright law. "
                                  "Copying, selling or passing on any part of them without written permission "
                                  "from Brimvale is not allowed and may lead to civil and criminal penalties."),
                   this),
        "lblWarning");
    lblWarning->setWordWrap(true);

    Line1 = named(new QFrame(this), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    cmdSysInfo = named(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo");
    cmdSysInfo->setAutoDefault(false);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblNotice);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(16);
    bottom->addWidget(lblWarning, 1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line1);
    layout->addLayout(bottom);

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    // The window and every control on the Background, the three texts in Title, the buttons Button.
    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyBackgroundToAll(this, scheme);
    for (QLabel* label : {lblTitle, lblNotice, lblWarning})
        ColorSchemes::applyHeading(label, scheme);
    for (QPushButton* button : {cmdOK, cmdSysInfo})
        ColorSchemes::applyButton(button, scheme);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    resize(520, sizeHint().height());
}

QString frmAbout::VersionText()
{
    QVersionNumber version = QVersionNumber::fromString(QApplication::applicationVersion());
    if (version.isNull())
        version = QVersionNumber::fromString(QStringLiteral(TUMBLERIX_VERSION));
    return QStringLiteral("%1.%2.%3").arg(version.majorVersion()).arg(version.minorVersion()).arg(version.microVersion());
}

void frmAbout::cmdSysInfo_Click()
{
    if (m_systemInfo) {
        m_systemInfo->raise();
        m_systemInfo->activateWindow();
        return;
    }
    QList<SystemInfo::Line> lines;
    try {
        lines = SystemInfo::Collect(m_dataFolder, VersionText());
    } catch (const std::exception&) {
        MessageBox::show(this, QMessageBox::NoIcon, ProgramTitle,
                         QStringLiteral("System Information Is Unavailable At This Time"), QMessageBox::Ok);
        return;
    }
    m_systemInfo = new frmSystemInfo(this, lines);
    m_systemInfo->setAttribute(Qt::WA_DeleteOnClose);
    // Over the about box, which waits until it is closed; the call itself returns at once.
    m_systemInfo->open();
}

frmSystemInfo* frmAbout::systemInfoWindow() const
{
    return m_systemInfo;
}
