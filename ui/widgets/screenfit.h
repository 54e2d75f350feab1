#pragma once

class QWidget;

/// Shrinks a window that would be larger than the available area of its screen (a 1366 x 768
/// laptop with a panel) to that area, allowing for a title bar, and moves it wholly onto it.
void FitToAvailableScreen(QWidget &window);
