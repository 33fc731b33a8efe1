#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// What a test sees in the picture of a widget tree (a grab of `root`): the colour at a point of one
// of its parts, and whether a part shows any ink (text or symbols: pixels darker than any of the design's
// fills and hairlines).
namespace Picture {

inline QColor colourAt(const QImage& picture, const QWidget* root, const QWidget* part, QPoint inPart)
{
    return picture.pixelColor(part->mapTo(root, inPart));
}

inline bool hasInk(const QImage& picture, const QWidget* root, const QWidget* part)
{
    const QRect area = QRect(part->mapTo(root, QPoint()), part->size()) & picture.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 180)
                return true;
    return false;
}

} // namespace Picture
