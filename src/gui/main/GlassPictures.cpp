#include "gui/main/GlassPictures.h"

#include "core/store/ProgramData.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace GlassPictures {

QString logoPath()
{
    return ProgramData::path(QStringLiteral("icons/tumblerix.svg"));
}

QString slidesFolder()
{
    return ProgramData::path(QStringLiteral("images/slides"));
}

QString glassPicturePath(int glassId, const QString& dataFolder)
{
    const QDir images(QDir(dataFolder).filePath(QStringLiteral("Images")));
    for (const char* extension : {".gif", ".png", ".jpg", ".jpeg", ".svg", ".bmp"}) {
        const QString path = images.filePath(QString::number(glassId) + QLatin1String(extension));
        if (QFileInfo(path).isFile())
            return path;
    }
    const QString shipped = ProgramData::path(QStringLiteral("images/glasses/%1.svg").arg(glassId));
    if (QFileInfo::exists(shipped))
        return shipped;
    return ProgramData::path(QStringLiteral("images/glasses/notfound.svg"));
}

QString notFoundPicturePath(const QString& dataFolder)
{
    const QString own = QDir(dataFolder).filePath(QStringLiteral("Images/filenotfound.jpg"));
    if (QFileInfo(own).isFile())
        return own;
    return ProgramData::path(QStringLiteral("images/glasses/notfound.svg"));
}

QPixmap load(const QString& path, QSize size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return QPixmap();
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer renderer(path);
        if (!renderer.isValid())
            return QPixmap();
        QSize target = renderer.defaultSize();
        if (size.isValid() && !size.isEmpty())
            target = target.scaled(size, Qt::KeepAspectRatio);
        QPixmap pixmap(target * ratio);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            renderer.render(&painter);
        }
        pixmap.setDevicePixelRatio(ratio);
        return pixmap;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(image);
    if (size.isValid() && !size.isEmpty()) {
        pixmap = pixmap.scaled(size * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(ratio);
    }
    return pixmap;
}

QSize naturalSize(const QString& path)
{
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer renderer(path);
        return renderer.isValid() ? renderer.defaultSize() : QSize();
    }
    return QImageReader(path).size();
}

} // namespace GlassPictures
