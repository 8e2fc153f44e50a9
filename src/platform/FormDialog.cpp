#include "platform/FormDialog.h"

#include "platform/ScreenFit.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>
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

int FormDialog::exec()
{
    if (m_loop) {
        qWarning("FormDialog::exec: %s is already open", qPrintable(objectName()));
        return -1;
    }
    const bool wasModal = testAttribute(Qt::WA_ShowModal);
    setAttribute(Qt::WA_ShowModal, true);
    setResult(QDialog::Rejected);
    show();
    QPointer<FormDialog> guard(this);
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (!guard)
        return QDialog::Rejected;
    m_loop = nullptr;
    setAttribute(Qt::WA_ShowModal, wasModal);
    // The keyboard goes back to the window that opened this one (not every platform hands it
    // back by itself when a window closes).
    if (QWidget* opener = parentWidget() ? parentWidget()->window() : nullptr; opener && opener->isVisible())
        opener->activateWindow();
    return result();
}

void FormDialog::done(int result)
{
    QDialog::done(result);
    if (m_loop)
        m_loop->exit();
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
