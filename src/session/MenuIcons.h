#pragma once

#include <QPixmap>

// The pictures of the four main-menu entries, drawn with QPainter so the program carries no
// image files: a resting picture and a highlighted twin of the same size for each entry.
enum class MenuIcon { Purchase, Settings, Register, LogOut };

QPixmap menuIconPixmap(MenuIcon icon, bool highlighted, int size, qreal devicePixelRatio = 1.0);
