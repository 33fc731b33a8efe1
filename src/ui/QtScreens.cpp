#include "ui/QtScreens.h"

#include "ui/Pointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QRect QtScreens::primaryGeometry()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

// Both directions are the same reflection about the primary display's bottom edge.
QRectF QtScreens::toBottomLeft(const QRectF& r, const QRect& primary)
{
    const double bottom = primary.y() + primary.height();
    return QRectF(r.x() - primary.x(), bottom - (r.y() + r.height()), r.width(), r.height());
}

QRectF QtScreens::toDesktop(const QRectF& r, const QRect& primary)
{
    const double bottom = primary.y() + primary.height();
    return QRectF(r.x() + primary.x(), bottom - (r.y() + r.height()), r.width(), r.height());
}

QPointF QtScreens::toDesktop(const QPointF& p, const QRect& primary)
{
    return QPointF(p.x() + primary.x(), primary.y() + primary.height() - p.y());
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
    const QRect primary = primaryGeometry();
    for (const QScreen* s : all)
        list.append({toBottomLeft(s->geometry(), primary), toBottomLeft(s->availableGeometry(), primary)});
    return list;
}

std::optional<Screens::Screen> QtScreens::mainScreen()
{
    const QList<Screen> list = screens();
    return list.isEmpty() ? std::nullopt : std::optional<Screen>(list.first());
}

QPointF QtScreens::pointerLocation()
{
    const QRect primary = primaryGeometry();
    const QPoint p = QCursor::pos();
    return QPointF(p.x() - primary.x(), primary.y() + primary.height() - p.y());
}

void QtScreens::warpPointer(const QPointF& topLeftPoint)
{
    const QPoint origin = primaryGeometry().topLeft();
    Pointer::warp(QPoint(qRound(topLeftPoint.x()) + origin.x(), qRound(topLeftPoint.y()) + origin.y()));
}
