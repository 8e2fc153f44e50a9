#pragma once

#include "session/SessionState.h"

#include <QMainWindow>

struct AppContext;
class DataControl;
class DataGrid;
class QLabel;

// The main window: sign-in panel, session state and log, menu, notification centre.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    SessionState& session() { return m_session; }

    // Shows the company name (last tblMain row wins; unchanged when there is none).
    void GetClient6();
    // Re-reads the notification list.
    void noti();
    // Redraws the notification grid.
    void redrawNotificationGrid();
    // Places the window 400 twips below the top of the screen (once, shortly after).
    void placeWindow();

private:
    AppContext& m_ctx;
    SessionState m_session;
    DataControl* m_adoNot = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QLabel* m_lblTitle = nullptr;
};
