#include "ui/widgets/arrowstyle.h"

#include "ui/widgets/pngicon.h"

#include <QGuiApplication>
#include <QStyleOption>

#include <array>

using namespace Qt::StringLiterals;

QIcon TArrowStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    const bool horizontal = which == SP_ToolBarHorizontalExtensionButton;
    if ((!horizontal && which != SP_ToolBarVerticalExtensionButton) ||
        baseStyle()->name().compare(u"fusion"_s, Qt::CaseInsensitive) != 0)
        return QProxyStyle::standardIcon(which, option, widget);
    // The files and sizes of Qt's common style, which Fusion uses for these two.
    const bool rightToLeft = option ? option->direction == Qt::RightToLeft : QGuiApplication::isRightToLeft();
    const QString stem = u":/qt-project.org/styles/commonstyle/images/toolbar-ext-"_s + (!horizontal   ? u"v-"_s
                                                                                         : rightToLeft ? u"h-rtl-"_s
                                                                                                       : u"h-"_s);
    const std::array<int, 3> sizes = horizontal ? std::array{8, 16, 32} : std::array{5, 10, 20};
    QIcon icon;
    for (const int size : sizes) {
        const QPixmap picture = BuiltInPng(stem + QString::number(size) + u".png"_s);
        if (picture.isNull()) // another Qt's files: its own way, then
            return QProxyStyle::standardIcon(which, option, widget);
        icon.addPixmap(picture);
    }
    return icon;
}
