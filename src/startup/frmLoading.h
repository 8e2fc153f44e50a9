#pragma once

#include "startup/ScanStep.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <random>

struct AppContext;
class frmMain;
class QComboBox;
class QLabel;
class QProgressBar;
class QTimer;

// Where the scan reads its facts. The system's own by default; tests give their own.
struct ScanSource
{
    std::function<MemoryStatus()> memory;
    std::function<QStringList()> drives;
    std::function<OsVersion()> osVersion;
    std::function<QSize()> screenSize;
    std::function<std::optional<QString>()> userName;

    static ScanSource system();
};

// The start-up screen: the single-instance warning, then a timed system scan that hands the
// computer's user name to the main window and shows it.
class frmLoading : public QDialog
{
    Q_OBJECT

public:
    // `loadMain` creates (loads) the main window; it is called once, at the hand-over step.
    frmLoading(AppContext& ctx, std::function<frmMain*()> loadMain, QWidget* parent = nullptr,
               ScanSource source = ScanSource::system());
    ~frmLoading() override;

    // The load routine: warns when another copy runs, shows the screen and lets the scan
    // start. `instanceLockName` names the lock of the single-instance test (empty: the
    // program's own).
    void start(const QString& instanceLockName = QString());

    // One step of the scan (each firing of Timer1).
    void SystemScanStep();
    // Timer2's guard: restarts a stopped Timer1 with a random interval from 0 to 54 ms.
    void RestartGuard();

    // The random fractions in [0, 1) behind the step intervals. By default an unseeded
    // generator, so the intervals follow the same sequence at every start.
    void setRandomSource(std::function<double()> fraction) { m_fraction = std::move(fraction); }

    // True once the scan has reached its end and the main window is shown.
    bool finished() const { return m_finished; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildWindow();
    void fillDrives();
    ScanFacts readFacts() const;
    // Sets Timer1's interval; 0 stops it, as a timer of interval 0 does not fire.
    void setTimer1Interval(int ms);
    int randomInterval(int factor);
    double nextFraction();
    void handOver(const ScanFacts& facts);
    void finish();

    AppContext& m_ctx;
    std::function<frmMain*()> m_loadMain;
    ScanSource m_source;
    std::minstd_rand m_random; // deliberately never seeded
    std::function<double()> m_fraction;
    frmMain* m_main = nullptr;
    bool m_finished = false;

    QLabel* m_Label1 = nullptr;
    QProgressBar* m_XP_ProgressBar1 = nullptr;
    QTimer* m_Timer1 = nullptr;
    QTimer* m_Timer2 = nullptr;
    QComboBox* m_Drive1 = nullptr;
};
