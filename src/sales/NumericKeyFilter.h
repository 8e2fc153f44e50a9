#pragma once

#include <QObject>

// A key filter for fields that take numbers only: a typed character passes when its code is
// 47 to 57 (the slash and the digits) or 8 (backspace); every other character is discarded.
// Keys that type nothing (arrows, Home, End, Delete, Tab) pass, and pasting is refused, so
// the field can only ever hold what the filter lets through.
class NumericKeyFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether a typed character passes the filter.
    static bool passes(QChar c);
    // Installs the filter on a line edit and turns off the routes around it (context-menu
    // paste, dropping text).
    static void install(class QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
