#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// How frames, points and sizes are written in diagnostic lines: "(0.0, 0.0, 1280.0, 775.0)".
// Every number is the shortest decimal that reads back to the same value, with at least one digit
// after the point.
namespace GeometryText {
QString number(double value);
QString describe(const QRectF& frame);
QString describe(const QPointF& point);
QString describe(const QSizeF& size);
} // namespace GeometryText
