#pragma once

#include <QDialog>

#include <functional>

struct AppContext;
class frmMain;

// The start-up screen: the single-instance warning, then a timed system scan that hands the
// computer's user name to the main window and shows it.
class frmLoading : public QDialog
{
    Q_OBJECT

public:
    // `loadMain` creates (loads) the main window; it is called once, at scan step 90.
    frmLoading(AppContext& ctx, std::function<frmMain*()> loadMain, QWidget* parent = nullptr);
    ~frmLoading() override;

    // The load routine: warns when another copy runs, then lets the scan start.
    void start();

private:
    AppContext& m_ctx;
    std::function<frmMain*()> m_loadMain;
};
