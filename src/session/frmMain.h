#pragma once

#include "session/Credentials.h"
#include "session/SessionLog.h"
#include "session/SessionState.h"

#include <QMainWindow>

#include <array>

struct AppContext;
class DataControl;
class DataGrid;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

// The main window: the sign-in panel and the session it starts (state, log row, one-second
// tick), the menu of the four entries with its hover pictures, the notification centre and
// the About/Help panel. It lives from start-up until "Exit".
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    SessionState& session() { return m_session; }
    // The computer's user name, handed over once by the start-up screen.
    void setDomainName(const QString& domain);

    // Shows the company name (last tblMain row wins; unchanged when there is none).
    void GetClient6();
    // Re-reads the notification list.
    void noti();
    // Redraws the notification grid.
    void redrawNotificationGrid();
    // Places the window 400 twips below the top of the screen (once, shortly after).
    void placeWindow();

    // Writes the end and elapsed time into the session's log row, or a new row for the session
    // when that row is no longer its own (after a restore on this till or another).
    void keepOwnLogRow();

    // The About/Help text, every line ending with CR LF.
    static QString AboutText();

public slots:
    // Checks the typed name and password against the accounts (Admin/Guest) or the
    // employees (Client); on success uncovers the menu, writes the log row, starts the tick.
    void SignIn();
    // Asks "Log out?"; on Yes shows the sign-in panel again and stops the tick.
    void SignOut();
    // One second of the session: counters, elapsed text, the log row, the count link.
    void SessionTick();

signals:
    // "Exit" was pressed; the program ends at once.
    void exitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum Entry { Pos, Adm, Rep, Out, EntryCount };

    QWidget* buildTopBar();
    QWidget* buildMenu();
    QWidget* buildSignInPanel();
    QWidget* buildNotificationCentre();
    QWidget* buildAboutPanel();
    QWidget* buildSessionBar();

    void showSessionState();
    bool appendLogRow();
    void exitProgram();
    void openEntry(Entry entry);
    void openPurchaseItems();
    void openRegister();
    void openAdminSettings();
    void openNotifications();
    // The signed-in person changes their own password, after typing the current one.
    void changeOwnPassword();
    void deleteNotification();
    void deleteAllNotifications();
    void fitTitle();
    void resetHover();
    // Gives the hover look to the menu entry that has the keyboard focus (none when none has).
    void showFocusedEntry();
    // Lets Tab and the arrow keys reach the four menu entries (signed in) or not.
    void setMenuReachable(bool reachable);
    // Enter opens the focused entry; Tab and the arrow keys move between the four.
    bool menuKey(int entry, const QKeyEvent* key);
    void setCountText(const QString& word);

    AppContext& m_ctx;
    SessionState& m_session; // the context's

    DataControl* m_Adodc1 = nullptr;
    DataControl* m_adoNot = nullptr;
    QTimer* m_Timer1 = nullptr;
    QTimer* m_tmLoad = nullptr;
    bool m_placedOnce = false;

    // Session: the log row written at sign-in (what it says, and its id), and whether a failed
    // log write was reported.
    SessionLogEntry m_logEntry;
    qint64 m_logRowId = -1;
    bool m_logFailureReported = false;
    // The row the sign-in matched (invalid while nobody is signed in).
    Credentials::SignedIn m_signedIn;

    QWidget* m_background = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_Label11 = nullptr;
    QLabel* m_Label6 = nullptr;

    std::array<QLabel*, EntryCount> m_img{};
    std::array<QLabel*, EntryCount> m_cmd{};
    std::array<QLabel*, EntryCount> m_caption{};

    QWidget* m_Picture1 = nullptr;
    QLineEdit* m_txtUsername = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QRadioButton* m_Option1 = nullptr;
    QRadioButton* m_Option2 = nullptr;

    QLabel* m_lblUsername = nullptr;
    QLabel* m_lblType = nullptr;
    QLabel* m_Label5 = nullptr;
    QLabel* m_lblTill = nullptr;
    QLabel* m_lblStart = nullptr;
    QLabel* m_lblEnd = nullptr;
    QLabel* m_Label4 = nullptr;
    QPushButton* m_h = nullptr;
    QPushButton* m_m = nullptr;
    QPushButton* m_s = nullptr;
    QPushButton* m_cmdPassword = nullptr;

    QWidget* m_Picture3 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QWidget* m_Picture4 = nullptr;
    QPlainTextEdit* m_Text5 = nullptr;
};
