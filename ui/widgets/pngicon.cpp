#include "ui/widgets/pngicon.h"

#include <QImageReader>

using namespace Qt::StringLiterals;

QPixmap BuiltInPng(const QString &file)
{
    QImageReader reader(file, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon PngIcon(const QString &name, qreal pixelRatio)
{
    const bool doubled = pixelRatio > 1;
    QPixmap picture = BuiltInPng(u":/icons/"_s + name + (doubled ? u"@2x.png"_s : u".png"_s));
    picture.setDevicePixelRatio(doubled ? 2 : 1);
    return QIcon(picture);
}
