#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps top-level windows wholly on the usable area of their screen (the screen less its
// panels), so that a small shop screen (1024x768) shows every window and every button of it.

// The usable area of the screen the window is on, or will be shown on.
QRect screenArea(const QWidget* window);

// The space the window frame adds around the window: the real frame once the window is shown,
// until then the frame a common window manager draws (a title bar and thin borders). Popups,
// splash screens and frameless windows have none.
QMargins windowFrame(const QWidget* window);

// The largest window size whose frame fits the usable area.
QSize roomOnScreen(const QWidget* window);

// Resizes the window to `wanted`, made smaller where its frame would not fit the usable area
// (never below the window's minimum size).
void resizeToScreen(QWidget* window, QSize wanted);

// Moves the window so that its frame's top-left corner is at `frameTopLeft`, shifted as little
// as needed to keep the whole frame on the usable area (the top-left corner stays on it when the
// frame is larger than the area).
void moveOnScreen(QWidget* window, QPoint frameTopLeft);

// Brings back a window that hangs over an edge of the usable area, making it smaller first if
// it is larger than the area.
void keepOnScreen(QWidget* window);

// Shows a popup (a calendar under its button) below `anchor`, or above it when there is no room
// below, always wholly on the screen.
void placePopupBelow(QWidget* popup, const QWidget* anchor);
