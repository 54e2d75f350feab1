// Renders an SVG icon into a square PNG at build time: the application icon's sizes that icon
// themes and menus without an SVG loader look up, and the window's toolbar and window icons at the
// sizes it shows them, so the program needs no SVG renderer when it starts.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

/// Writes the picture as 8-bit RGBA with no row filter: the window reads its icons at every start,
/// and undoing a filter costs more there than the few hundred bytes it saves on disk.
bool WritePng(const QImage &picture, const char *path)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) { // libpng's errors come back here
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, rgba.width(), rgba.height(), 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < rgba.height(); ++y)
        png_write_row(png, rgba.constScanLine(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

} // namespace

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
    if (!WritePng(image, argv[3])) {
        std::fprintf(stderr, "sigcfg-rendericon: %s: can not write the file\n", argv[3]);
        return 1;
    }
    return 0;
}
