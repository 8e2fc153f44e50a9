#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// The progress window of long work done on the window's own thread (a backup, the layout of
// a long report). It appears when the work has run for a moment, blocks input to the other
// windows while it is up, and each step() updates it and lets the event loop run, so no
// window freezes. Closed when it goes out of scope.
class WorkProgressDialog
{
public:
    WorkProgressDialog(QWidget* parent, const QString& label, bool cancellable);
    ~WorkProgressDialog();
    WorkProgressDialog(const WorkProgressDialog&) = delete;
    WorkProgressDialog& operator=(const WorkProgressDialog&) = delete;

    // Shows `done` of `total` (a total of 0 shows a busy bar) and processes pending events;
    // false once the user has pressed "Cancel".
    bool step(qint64 done, qint64 total);
    void setLabel(const QString& label);
    bool wasCanceled() const;
    QProgressDialog& dialog() { return *m_dialog; }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceEvents;
};
