#include "sales/NumericKeyFilter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>

bool NumericKeyFilter::passes(QChar c)
{
    const char16_t code = c.unicode();
    return (code >= 47 && code <= 57) || code == 8;
}

void NumericKeyFilter::install(QLineEdit* field)
{
    field->installEventFilter(new NumericKeyFilter(field));
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setAcceptDrops(false);
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Paste))
        return true;
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll))
        return false;
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return false;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!passes(c))
            return true;
    }
    return false;
}
