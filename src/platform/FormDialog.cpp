#include "platform/FormDialog.h"

#include "platform/ScreenFit.h"

#include <QCloseEvent>
#include <QShowEvent>

void DisableXbutton(QWidget* window)
{
    Qt::WindowFlags flags = window->windowFlags();
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    flags &= ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    window->setWindowFlags(flags);
}

FormDialog::FormDialog(QWidget* parent) : QDialog(parent)
{
    DisableXbutton(this);
}

void FormDialog::closeWindow(int result)
{
    m_closing = true;
    done(result);
    m_closing = false;
}

void FormDialog::reject()
{
    if (m_closing)
        QDialog::reject();
}

void FormDialog::closeEvent(QCloseEvent* event)
{
    if (m_closing)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void FormDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(this);
}
