#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// Finding a window's named controls in tests; a missing control ends the test run at once.
template <class T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// The text a named box or label shows.
inline QString shownText(QWidget& w, const char* name)
{
    if (auto* line = w.findChild<QLineEdit*>(QString::fromLatin1(name)))
        return line->text();
    return child<QLabel>(w, name)->text();
}
