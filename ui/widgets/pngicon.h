#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

/// A PNG file (a resource) read by Qt's own PNG reader only: a reader left to guess the format
/// loads every image format plugin, the SVG one among them, to ask each whether it reads the file.
QPixmap BuiltInPng(const QString &file);

/// The icon of this name that the build drew into the resources as ":/icons/NAME.png", and as
/// NAME@2x.png for a doubled-density screen: the one that suits pixelRatio.
QIcon PngIcon(const QString &name, qreal pixelRatio);
