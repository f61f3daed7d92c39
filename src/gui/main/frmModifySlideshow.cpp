#include "gui/main/frmModifySlideshow.h"

#include "gui/main/GlassPictures.h"
#include "core/slideshow/PictureList.h"
#include "gui/appearance/ColorSchemes.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "core/store/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmModifySlideshow::frmModifySlideshow(const QString& dataFolder, std::function<void()> reloadPictureList,
                                       QWidget* parent)
    : QDialog(parent), m_dataFolder(dataFolder), m_reload(std::move(reloadPictureList))
{
    setObjectName(QStringLiteral("frmModifySlideshow"));
    setWindowTitle(QStringLiteral("Add Custom Pictures"));
    setModal(true);

    lstAddCustom = new QListWidget(this);
    lstAddCustom->setObjectName(QStringLiteral("lstAddCustom"));
    lstAddCustom->installEventFilter(this);
    Label1 = new QLabel(QStringLiteral("Press \"Del\" to remove a picture "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmdAddCustom = new QPushButton(QStringLiteral("Add Picture"), this);
    cmdAddCustom->setObjectName(QStringLiteral("cmdAddCustom"));
    cmdAddCustom->setAutoDefault(false);
    cmdExit = new QPushButton(QStringLiteral("Save/Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddCustom);
    buttons->addStretch();
    buttons->addWidget(cmdExit);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstAddCustom, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    resize(560, 360);

    connect(cmdAddCustom, &QPushButton::clicked, this, &frmModifySlideshow::cmdAddCustom_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmModifySlideshow::cmdExit_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject); // Escape does the same

    // Colours: the buttons take the background colour here, not the button colour.
    const ColorSchemes::Scheme& s = ColorSchemes::current();
    ColorSchemes::applyWindow(this, s);
    ColorSchemes::applyInput(lstAddCustom, s);
    ColorSchemes::applyHeading(Label1, s);
    for (QPushButton* b : {cmdAddCustom, cmdExit, cmdCancel})
        ColorSchemes::setRoles(b, {{QPalette::Button, s.Background}});

    // Entries are shown as stored: relative ones stay relative.
    lstAddCustom->addItems(PictureList::read(listPath()));
}

QString frmModifySlideshow::listPath() const
{
    return QDir(m_dataFolder).filePath(DataFolder::PictureListFileName);
}

void frmModifySlideshow::cmdAddCustom_Click()
{
    const QString file = FileDialog::getOpenFileName(
        this, QStringLiteral("Add Picture"), QDir::homePath(),
        QStringLiteral("Picture Files (*.bmp *.gif *.jpg *.jpeg *.png *.svg *.ico *.cur)"));
    if (!file.isEmpty())
        lstAddCustom->addItem(QDir::cleanPath(QFileInfo(file).absoluteFilePath()));
}

void frmModifySlideshow::cmdExit_Click()
{
    QStringList entries;
    for (int i = 0; i < lstAddCustom->count(); ++i)
        entries << lstAddCustom->item(i)->text();
    QString error;
    if (!PictureList::write(listPath(), entries, &error)) {
        MessageBox::critical(this, QStringLiteral("Add Custom Pictures"),
                             QStringLiteral("The picture list could not be saved to %1.\n\n%2").arg(listPath(), error));
        return;
    }
    if (m_reload)
        m_reload();
    accept();
}

bool frmModifySlideshow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstAddCustom && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        QListWidgetItem* item = lstAddCustom->currentItem();
        if (item && !item->text().isEmpty())
            delete lstAddCustom->takeItem(lstAddCustom->row(item));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmModifySlideshow::InstallStarterPictures(const QString& dataFolder)
{
    const QDir slides(GlassPictures::slidesFolder());
    const QDir images(QDir(dataFolder).filePath(QStringLiteral("Images")));
    if (!images.exists() && !QDir().mkpath(images.path()))
        return;
    QStringList entries;
    for (const QString& name : slides.entryList(QDir::Files, QDir::Name)) {
        const QString target = images.filePath(name);
        if (!QFileInfo::exists(target)) {
            if (!QFile::copy(slides.filePath(name), target))
                continue;
            QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        entries << PictureList::RelativePrefix + name;
    }
    PictureList::write(QDir(dataFolder).filePath(DataFolder::PictureListFileName), entries);
}
