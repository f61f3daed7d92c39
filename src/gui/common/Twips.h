#pragma once

#include <QSize>
#include <QWidget>

// Sizes given in twips (1/1440 inch), converted at the widget's logical resolution and rounded to
// the nearest pixel.
inline int twipsToPixels(const QWidget* widget, int twips)
{
    const int dpi = widget && widget->logicalDpiX() > 0 ? widget->logicalDpiX() : 96;
    return qRound(twips * dpi / 1440.0);
}

inline QSize twipsToPixels(const QWidget* widget, QSize twips)
{
    return {twipsToPixels(widget, twips.width()), twipsToPixels(widget, twips.height())};
}
