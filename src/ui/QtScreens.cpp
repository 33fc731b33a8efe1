#include "ui/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

double QtScreens::primaryBottom()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}

QRectF QtScreens::toBottomLeft(const QRectF& r)
{
    return QRectF(r.x(), primaryBottom() - r.bottom(), r.width(), r.height());
}

QRectF QtScreens::toTopLeft(const QRectF& r)
{
    return QRectF(r.x(), primaryBottom() - r.bottom(), r.width(), r.height());
}

QList<Screens::Screen> QtScreens::screens()
{
    QList<Screen> list;
    QList<QScreen*> all = QGuiApplication::screens();
    // The primary display comes first: it defines the origin of the bottom-left space.
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        all.removeAll(primary);
        all.prepend(primary);
    }
    for (const QScreen* s : all)
        list.append({toBottomLeft(s->geometry()), toBottomLeft(s->availableGeometry())});
    return list;
}

std::optional<Screens::Screen> QtScreens::mainScreen()
{
    const QList<Screen> list = screens();
    return list.isEmpty() ? std::nullopt : std::optional<Screen>(list.first());
}

QPointF QtScreens::pointerLocation()
{
    const QPoint p = QCursor::pos();
    return QPointF(p.x(), primaryBottom() - p.y());
}

void QtScreens::warpPointer(const QPointF& displayPoint)
{
    QCursor::setPos(displayPoint.toPoint());
}
