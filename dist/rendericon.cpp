// Renders an SVG icon into a square PNG at build time: the application icon's sizes that icon
// themes and menus without an SVG loader look up, and the window's toolbar and window icons at the
// sizes it shows them, so the program needs no SVG renderer when it starts.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: sigcfg-rendericon ICON.svg SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    const int size = std::atoi(argv[2]);
    if (!renderer.isValid() || size <= 0) {
        std::fprintf(stderr, "sigcfg-rendericon: %s: not a valid SVG file or size\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "sigcfg-rendericon: %s: can not write the file\n", argv[3]);
        return 1;
    }
    return 0;
}
