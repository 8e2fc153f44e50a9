#pragma once

#include <QDialog>

class QEventLoop;
class QWidget;

// Removes a window's close box: no window of the program can be closed from its title bar;
// each closes only through its own buttons.
void DisableXbutton(QWidget* window);

// The base of every window of the program except the start-up screen: no close box, and a
// close request that the window did not make itself (title bar, Escape, window manager) is
// ignored. The window closes through closeWindow(), from its own buttons.
class FormDialog : public QDialog
{
    Q_OBJECT

public:
    // Result of a window that asks its opener to open it afresh (a cleared cart, a
    // completed sale, a refreshed inventory).
    static constexpr int Reopen = 2;

    explicit FormDialog(QWidget* parent = nullptr);

    // Closes the window with `result` (Accepted, Rejected or Reopen).
    void closeWindow(int result = QDialog::Rejected);

    // Shows the window modally until it closes itself. Unlike QDialog::exec(), hiding the
    // window does not end the wait: a window that steps aside for another one (the till while
    // the inventory is open) is still open, and is shown again when the other one closes.
    int exec() override;
    void done(int result) override;

    void reject() override; // Escape and the window manager's close: ignored

protected:
    void closeEvent(QCloseEvent* event) override;
    // A window never opens hanging over an edge of the screen.
    void showEvent(QShowEvent* event) override;

private:
    bool m_closing = false;
    QEventLoop* m_loop = nullptr;
};
