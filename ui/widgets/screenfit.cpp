#include "ui/widgets/screenfit.h"

#include <QScreen>
#include <QWidget>

void FitToAvailableScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    // The frame is not known before the window is shown: allow for a title bar and borders.
    constexpr int FrameWidth = 8, FrameHeight = 38;
    const QRect room = screen->availableGeometry();
    const QSize wanted = window.isVisible() ? window.size() : window.sizeHint().expandedTo(window.size());
    const QSize size = wanted.boundedTo(QSize(room.width() - FrameWidth, room.height() - FrameHeight));
    if (size == wanted)
        return; // it fits: Qt places it over its parent as usual
    window.resize(size);
    window.move(room.left() + (room.width() - size.width() - FrameWidth) / 2,
                room.top() + (room.height() - size.height() - FrameHeight) / 2);
}
