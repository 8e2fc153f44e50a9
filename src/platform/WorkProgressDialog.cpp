#include "platform/WorkProgressDialog.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {

// Work shorter than this shows no window at all.
constexpr int kShowAfterMs = 400;
// Events are processed at least this often while the work goes on.
constexpr int kEventsEveryMs = 10;

} // namespace

WorkProgressDialog::WorkProgressDialog(QWidget* parent, const QString& label, bool cancellable)
    : m_dialog(std::make_unique<QProgressDialog>(parent))
{
    m_dialog->setObjectName(QStringLiteral("workProgress"));
    m_dialog->setWindowTitle(Platform::applicationTitle());
    m_dialog->setLabelText(label);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(kShowAfterMs);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumWidth(360);
    if (!cancellable)
        m_dialog->setCancelButton(nullptr);
    m_dialog->setRange(0, 0);
    m_dialog->setValue(0); // starts the clock of the minimum duration
    m_sinceEvents.start();
}

WorkProgressDialog::~WorkProgressDialog() = default;

bool WorkProgressDialog::step(qint64 done, qint64 total)
{
    if (total <= 0) {
        if (m_dialog->maximum() != 0)
            m_dialog->setRange(0, 0);
    } else {
        // The bar counts in thousandths, so any total fits its int range.
        if (m_dialog->maximum() != 1000)
            m_dialog->setRange(0, 1000);
        m_dialog->setValue(static_cast<int>(std::clamp<qint64>(done * 1000 / total, 0, 1000)));
    }
    if (m_sinceEvents.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_dialog->wasCanceled();
}

void WorkProgressDialog::setLabel(const QString& label)
{
    m_dialog->setLabelText(label);
}

bool WorkProgressDialog::wasCanceled() const
{
    return m_dialog->wasCanceled();
}
