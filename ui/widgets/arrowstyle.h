#pragma once

#include <QProxyStyle>

/// The application's style as Qt chooses it, except that Fusion's arrows of a menu bar or tool bar
/// too narrow for its items are read with Qt's own PNG reader: Fusion reads them in a way that
/// loads every image format plugin, and every window with a menu bar asks for them when built.
/// The arrows are the same pictures; other styles are left as they are.
class TArrowStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
