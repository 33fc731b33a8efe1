// Renders an SVG mark into an icon set folder (every size macOS icons hold, at one and two pixels
// per point), for iconutil to pack into an .icns file.
//   panedeck_iconset <mark.svg> <Name.iconset>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: panedeck_iconset <mark.svg> <Name.iconset>\n", stderr);
        return 2;
    }
    QSvgRenderer mark(QString::fromLocal8Bit(argv[1]));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!mark.isValid() || !out.mkpath(QStringLiteral("."))) {
        std::fputs("panedeck_iconset: cannot read the mark or make the folder\n", stderr);
        return 1;
    }
    for (const int points : {16, 32, 128, 256, 512}) {
        for (const int scale : {1, 2}) {
            QImage image(points * scale, points * scale, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            mark.render(&painter);
            painter.end();
            const QString name = QStringLiteral("icon_%1x%1%2.png")
                                     .arg(points)
                                     .arg(scale == 2 ? QStringLiteral("@2x") : QString());
            if (!image.save(out.filePath(name))) {
                std::fputs("panedeck_iconset: cannot write an image\n", stderr);
                return 1;
            }
        }
    }
    return 0;
}
