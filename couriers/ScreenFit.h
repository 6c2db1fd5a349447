#pragma once

class QSize;
class QWidget;

// Gives a top-level window the client size `wanted`, or less where the available area
// of its screen (less the window's frame) is smaller, and centres it over `over` (or on
// the screen) without letting its frame leave that area: a window larger than the
// screen would put its buttons and close box out of reach.
void FitOnScreen(QWidget* window, const QSize& wanted, QWidget* over);
