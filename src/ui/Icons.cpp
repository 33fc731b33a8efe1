#include "ui/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace Icons {
namespace {

// System-symbol names to files of the bundled icon set (style-name).
const QHash<QString, QString>& files()
{
    static const QHash<QString, QString> map{
        {QStringLiteral("arrow.up.left.and.arrow.down.right"), QStringLiteral("outline-arrows-maximize")},
        {QStringLiteral("bolt.fill"), QStringLiteral("filled-bolt")},
        {QStringLiteral("clock.fill"), QStringLiteral("filled-clock")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("filled-alert-triangle")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("filled-alert-circle")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("filled-circle-check")},
        {QStringLiteral("envelope.fill"), QStringLiteral("filled-mail")},
        {QStringLiteral("folder"), QStringLiteral("outline-folder")},
        {QStringLiteral("folder.fill"), QStringLiteral("filled-folder")},
        {QStringLiteral("link"), QStringLiteral("outline-link")},
        {QStringLiteral("list.bullet.rectangle"), QStringLiteral("outline-list-details")},
        {QStringLiteral("lock.shield"), QStringLiteral("outline-shield-lock")},
        {QStringLiteral("rectangle.stack"), QStringLiteral("outline-stack-2")},
        {QStringLiteral("square.dashed"), QStringLiteral("outline-square-dashed")},
        {QStringLiteral("server.rack"), QStringLiteral("outline-server")},
        {QStringLiteral("curlybraces.square"), QStringLiteral("outline-braces")},
        {QStringLiteral("transform.scale"), QStringLiteral("outline-resize")},
        {QStringLiteral("gearshape"), QStringLiteral("outline-settings")},
        {QStringLiteral("questionmark.circle"), QStringLiteral("outline-help-circle")},
        {QStringLiteral("terminal"), QStringLiteral("outline-terminal-2")},
        {QStringLiteral("safari"), QStringLiteral("outline-world")},
        {QStringLiteral("xmark"), QStringLiteral("outline-x")},
        {QStringLiteral("macwindow"), QStringLiteral("outline-app-window")},
        {QStringLiteral("ellipsis"), QStringLiteral("outline-dots")},
        {QStringLiteral("trash"), QStringLiteral("outline-trash")},
        {QStringLiteral("plus"), QStringLiteral("outline-plus")},
        {QStringLiteral("arrow.up.forward.square"), QStringLiteral("outline-external-link")},
        {QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("outline-brand-vscode")},
    };
    return map;
}

} // namespace

static QPixmap render(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio);

QString resourceFor(const QString& symbolName)
{
    const auto it = files().constFind(symbolName);
    if (it == files().constEnd())
        return {};
    const QString path = QStringLiteral(":/icons/") + *it + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

QPixmap symbol(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio)
{
    // Views draw the same few symbols over and over: each is rendered once.
    static QHash<QString, QPixmap> cache;
    const QString key = symbolName + u'|' + color.name(QColor::HexArgb) + u'|' + QString::number(size) +
                        u'|' + QString::number(devicePixelRatio);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    const QPixmap rendered = render(symbolName, color, size, devicePixelRatio);
    cache.insert(key, rendered);
    return rendered;
}

static QPixmap render(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QString resource = resourceFor(symbolName);
    QFile file(resource);
    if (!resource.isEmpty() && file.open(QIODevice::ReadOnly)) {
        // The icon set draws with "currentColor": give it the colour asked for.
        QByteArray svg = file.readAll();
        svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
        QSvgRenderer renderer(svg);
        if (renderer.isValid()) {
            painter.setOpacity(color.alphaF());
            renderer.render(&painter, QRectF(0, 0, size, size));
            return pixmap;
        }
    }
    painter.setPen(QPen(color, std::max(1.5, size / 10.0)));
    const qreal inset = size * 0.2;
    painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    return pixmap;
}

} // namespace Icons
