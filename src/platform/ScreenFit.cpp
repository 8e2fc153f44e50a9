#include "platform/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// A title bar and thin borders, as common window managers draw them; used until the real frame
// of a window is known.
constexpr QMargins kExpectedFrame(4, 30, 4, 4);

// `start` moved as little as needed for `length` to lie within [low, low + room); `low` when it
// cannot.
int clampInto(int start, int length, int low, int room)
{
    return qMax(low, qMin(start, low + room - length));
}

bool hasNoFrame(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen ||
           window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

} // namespace

QRect screenArea(const QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QMargins windowFrame(const QWidget* window)
{
    if (hasNoFrame(window))
        return {};
    if (window->isVisible() && window->testAttribute(Qt::WA_WState_Created)) {
        const QRect outer = window->frameGeometry();
        const QRect inner = window->geometry();
        return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                outer.bottom() - inner.bottom()};
    }
    return kExpectedFrame;
}

QSize roomOnScreen(const QWidget* window)
{
    const QRect area = screenArea(window);
    if (area.isEmpty())
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QMargins frame = windowFrame(window);
    return area.size().shrunkBy(frame).expandedTo(QSize(1, 1));
}

void resizeToScreen(QWidget* window, QSize wanted)
{
    window->resize(wanted.boundedTo(roomOnScreen(window)).expandedTo(window->minimumSize()));
}

void moveOnScreen(QWidget* window, QPoint frameTopLeft)
{
    const QRect area = screenArea(window);
    if (area.isEmpty()) {
        window->move(frameTopLeft);
        return;
    }
    const QSize outer = window->size().grownBy(windowFrame(window));
    window->move(clampInto(frameTopLeft.x(), outer.width(), area.left(), area.width()),
                 clampInto(frameTopLeft.y(), outer.height(), area.top(), area.height()));
}

void keepOnScreen(QWidget* window)
{
    const QSize room = roomOnScreen(window);
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    moveOnScreen(window, window->frameGeometry().topLeft());
}

void placePopupBelow(QWidget* popup, const QWidget* anchor)
{
    const QRect area = screenArea(anchor->window());
    const QSize size = popup->size();
    const QPoint top = anchor->mapToGlobal(QPoint(0, 0));
    QPoint at(top.x(), top.y() + anchor->height());
    if (!area.isEmpty()) {
        if (at.y() + size.height() > area.bottom() + 1 && top.y() - size.height() >= area.top())
            at.setY(top.y() - size.height());
        at = QPoint(clampInto(at.x(), size.width(), area.left(), area.width()),
                    clampInto(at.y(), size.height(), area.top(), area.height()));
    }
    popup->move(at);
}
