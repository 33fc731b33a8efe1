#pragma once

#include <QMargins>
#include <QRect>
#include <QString>
#include <functional>

class QPainter;
class QRectF;

// Painting a shape whose middle is uniform (a rounded card, an outline) at any size from one small
// rendering of it. The rendering is `ends` wide on each side plus one middle row and column; the
// ends are drawn as they are and the middle is stretched. Panels repaint their cards for every
// frame of an animation passing over them; a stretched copy costs a fraction of rasterising the
// shape again.
namespace NinePatch {

using Paint = std::function<void(QPainter&, const QRectF&)>;

// Draws what `paint` draws over `target`. `key` names the shape and everything its look depends
// on, except the size: renderings are kept under it. Targets too small to hold the ends are painted
// directly.
void draw(QPainter& painter, const QRect& target, const QMargins& ends, const QString& key,
          const Paint& paint);

} // namespace NinePatch
