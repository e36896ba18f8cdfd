#pragma once

#include <QPointer>
#include <QWidget>

// Every window is modeless and there is one of each: choosing a window that
// is open brings it to the front as it is.
inline void bringToFront(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

// Opens the window the first time (make() builds it), afterwards brings the
// open one to the front unchanged.
template <class Window, class Make>
Window *openOrBringToFront(QPointer<Window> &slot, Make make)
{
    if (!slot)
        slot = make();
    bringToFront(slot);
    return slot;
}
