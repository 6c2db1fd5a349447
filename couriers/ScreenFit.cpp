#include "ScreenFit.h"

#include "Controls.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

QMargins frameMargins(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
        return handle->frameMargins();
    // Before the window manager has framed the window its frame is unknown; leave room
    // for a common title bar and border.
    return {8, 32, 8, 8};
}

} // namespace

void FitOnScreen(QWidget* window, const QSize& wanted, QWidget* over)
{
    QScreen* screen = over && over->isVisible() ? over->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window->resize(wanted);
        CentreOn(window, over);
        return;
    }
    const QRect available = screen->availableGeometry();
    const QMargins frame = frameMargins(window);
    window->resize(wanted.boundedTo(available.size().shrunkBy(frame)));
    CentreOn(window, over);
    // Centred over a main window near the screen's edge, it could still stick out.
    const QSize outer = window->size().grownBy(frame);
    window->move(qBound(available.left(), window->x(), available.right() + 1 - outer.width()),
                 qBound(available.top(), window->y(), available.bottom() + 1 - outer.height()));
}
