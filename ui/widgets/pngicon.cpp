#include "ui/widgets/pngicon.h"

#include <QImageReader>
#include <QPixmap>

using namespace Qt::StringLiterals;

QIcon PngIcon(const QString &name, qreal pixelRatio)
{
    const bool doubled = pixelRatio > 1;
    // Qt's own PNG reader only: a reader left to guess would load every image format plugin (the
    // SVG one among them) to ask each whether it reads the file.
    QImageReader reader(u":/icons/"_s + name + (doubled ? u"@2x.png"_s : u".png"_s), "png");
    reader.setAutoDetectImageFormat(false);
    QPixmap picture = QPixmap::fromImage(reader.read());
    picture.setDevicePixelRatio(doubled ? 2 : 1);
    return QIcon(picture);
}
