#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Glass pictures, slideshow pictures and the shipped replacements for missing ones.
namespace GlassPictures {

// The program's logo (an SVG) and the folder of the slides it ships.
QString logoPath();
QString slidesFolder();

// The file that shows a glass: "<GlassID>.gif" in the data folder's Images folder, then the same
// name in other picture formats, then the picture shipped with the program, then the
// "picture not found" picture. Never empty.
QString glassPicturePath(int glassId, const QString& dataFolder);

// The picture shown when a file is missing: "filenotfound.jpg" in the data folder's Images folder
// when there is one, otherwise the shipped one.
QString notFoundPicturePath(const QString& dataFolder);

// Loads a picture at most size (device-independent pixels; its own size when size is empty), drawn
// for a screen of the given pixel ratio: an SVG is rendered at that resolution, so it stays sharp
// at 2x and 3x. A null pixmap when the file is missing or not a readable picture.
QPixmap load(const QString& path, QSize size = QSize(), qreal devicePixelRatio = 1.0);

// The picture's own size in pixels, or an invalid size when it cannot be read.
QSize naturalSize(const QString& path);

} // namespace GlassPictures
