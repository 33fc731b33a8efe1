#include "ui/Pointer.h"

#include <QCursor>

void Pointer::warp(const QPoint& desktopPoint)
{
    QCursor::setPos(desktopPoint);
}
