#include "ui/NinePatch.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace NinePatch {

namespace {

// A shape rendered small: its corners as a pixmap, and the colours across its sides and of its
// middle, which are filled line by line (a fill is far cheaper than a stretched pixmap, and clear
// lines cost nothing).
struct Rendering {
    QPixmap pixmap;
    QList<QColor> top, bottom, left, right; // from the outer edge inwards, in device pixels
    QColor middle;
};

Rendering render(const QSize& small, const QMargins& ends, qreal ratio, const Paint& paint)
{
    QImage image(small * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paint(p, QRectF(QPointF(0, 0), small));
    p.end();

    Rendering r;
    const int middleX = qFloor((ends.left() + 0.5) * ratio);
    const int middleY = qFloor((ends.top() + 0.5) * ratio);
    const int firstBottom = qFloor((ends.top() + 1) * ratio);
    const int firstRight = qFloor((ends.left() + 1) * ratio);
    for (int y = 0; y < qFloor(ends.top() * ratio); ++y)
        r.top << image.pixelColor(middleX, y);
    for (int y = image.height() - 1; y >= firstBottom; --y)
        r.bottom << image.pixelColor(middleX, y);
    for (int x = 0; x < qFloor(ends.left() * ratio); ++x)
        r.left << image.pixelColor(x, middleY);
    for (int x = image.width() - 1; x >= firstRight; --x)
        r.right << image.pixelColor(x, middleY);
    r.middle = image.pixelColor(middleX, middleY);
    r.pixmap = QPixmap::fromImage(std::move(image));
    return r;
}

} // namespace

void draw(QPainter& painter, const QRect& target, const QMargins& ends, const QString& key,
          const Paint& paint)
{
    const QSize small(ends.left() + 1 + ends.right(), ends.top() + 1 + ends.bottom());
    if (target.width() < small.width() || target.height() < small.height()) {
        paint(painter, QRectF(target));
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QString cacheKey = key + u'@' + QString::number(ratio) + u'/' + QString::number(ends.left()) +
                             u',' + QString::number(ends.top()) + u',' + QString::number(ends.right()) +
                             u',' + QString::number(ends.bottom());
    // A handful of shapes in a handful of colours: kept for the life of the application.
    static QHash<QString, Rendering> renderings;
    auto found = renderings.constFind(cacheKey);
    if (found == renderings.constEnd())
        found = renderings.insert(cacheKey, render(small, ends, ratio, paint));
    const Rendering& r = *found;

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRectF middle = QRectF(target).marginsRemoved(ends.toMarginsF());
    const qreal line = 1 / ratio;
    const auto fill = [&](const QRectF& area, const QColor& colour) {
        if (colour.alpha() > 0)
            painter.fillRect(area, colour);
    };
    for (int i = 0; i < int(r.top.size()); ++i)
        fill({middle.left(), target.top() + i * line, middle.width(), line}, r.top[i]);
    for (int i = 0; i < int(r.bottom.size()); ++i)
        fill({middle.left(), target.top() + target.height() - (i + 1) * line, middle.width(), line},
             r.bottom[i]);
    for (int i = 0; i < int(r.left.size()); ++i)
        fill({target.left() + i * line, middle.top(), line, middle.height()}, r.left[i]);
    for (int i = 0; i < int(r.right.size()); ++i)
        fill({target.left() + target.width() - (i + 1) * line, middle.top(), line, middle.height()},
             r.right[i]);
    fill(middle, r.middle);

    // The corners as they were rendered.
    const qreal right = (ends.left() + 1) * ratio, bottom = (ends.top() + 1) * ratio;
    const QRectF source(QPointF(0, 0), QSizeF(r.pixmap.size()));
    painter.drawPixmap(QRectF(target.topLeft(), QSizeF(ends.left(), ends.top())), r.pixmap,
                       QRectF(0, 0, ends.left() * ratio, ends.top() * ratio));
    painter.drawPixmap(QRectF(middle.right(), target.top(), ends.right(), ends.top()), r.pixmap,
                       QRectF(right, 0, source.width() - right, ends.top() * ratio));
    painter.drawPixmap(QRectF(target.left(), middle.bottom(), ends.left(), ends.bottom()), r.pixmap,
                       QRectF(0, bottom, ends.left() * ratio, source.height() - bottom));
    painter.drawPixmap(QRectF(middle.right(), middle.bottom(), ends.right(), ends.bottom()), r.pixmap,
                       QRectF(right, bottom, source.width() - right, source.height() - bottom));
    painter.restore();
}

} // namespace NinePatch
