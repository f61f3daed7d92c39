#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The slideshow's picture list ("custom.dat"): one path per line, read back as comma-separated
// fields.
namespace PictureList {

// A relative entry starts with this and is taken from the data folder.
inline const QString RelativePrefix = QStringLiteral("\\Images\\");

// The stored entries, in file order, empty ones skipped. Blanks around an entry are dropped, a comma
// ends an entry, and an entry between double quotes loses them. A missing or unreadable file gives
// an empty list; a file larger than MaxFileSize is not read. Inside quotes, a doubled quote is one.
QStringList read(const QString& path);
QStringList parse(const QByteArray& content);
inline constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

// Writes one line per entry, CRLF line ends, replacing the file in one step. An entry with a comma,
// a double quote or blanks at either end is written between double quotes, its quotes doubled.
bool write(const QString& path, const QStringList& entries, QString* error = nullptr);

// The file path of an entry: relative entries are resolved in the data folder.
QString resolve(const QString& entry, const QString& dataFolder);

// The area limits of the picture box, in 1/1440 inch.
inline constexpr int MaxWidthTwips = 3735;
inline constexpr int MaxHeightTwips = 2295;
// Shrinks both sides by 5 per cent until the size fits the area.
QSize shrinkToFit(QSize size);

} // namespace PictureList
