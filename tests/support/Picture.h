#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLabel>
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

// Where a test leaves a picture for people to look at: its build folder.
inline QString snapshotPath(const QString& name)
{
    return QDir(QStringLiteral(QT_TESTCASE_BUILDDIR)).filePath(name);
}

// Every text under `root`: what its labels and buttons show, and every tooltip and accessible name.
inline QStringList texts(const QWidget& root)
{
    QStringList all;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(w))
            all << label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            all << button->text();
        all << w->toolTip() << w->accessibleName();
    }
    return all;
}

} // namespace Picture
