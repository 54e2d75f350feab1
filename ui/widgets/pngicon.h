#pragma once

#include <QIcon>
#include <QString>

/// The icon of this name that the build drew into the resources as ":/icons/NAME.png", and as
/// NAME@2x.png for a doubled-density screen: the one that suits pixelRatio.
QIcon PngIcon(const QString &name, qreal pixelRatio);
