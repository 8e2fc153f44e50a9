#pragma once

#include <QString>

class Database;
class Platform;
class SessionState;
class WindowFactory;
class frmMain;

// What every window is given: the database, the platform, the main window (for the session
// state, noti and GetClient6) and the factory through which the main window opens the
// windows of other folders. Created in app/ (or by a test) and passed by reference.
struct AppContext
{
    Database& db;
    Platform& platform;
    frmMain* main = nullptr;
    WindowFactory* windows = nullptr;
    // Which till this running copy is. On the database file: "1" for the first copy, "2" for a
    // second copy started while the first runs, and so on; on a server, the name each machine
    // is given (its host name unless set). Each till has its own cart.
    QString till = QStringLiteral("1");
    // Why this copy is no till and sells nothing (every till number held, a till name that
    // cannot be kept); empty when it sells as `till`.
    QString noTill{};

    // The signed-in user, the account type and the computer's user name.
    SessionState& session() const;
    // After a notification was posted: the main window re-reads its list and redraws it.
    void notificationsChanged() const;
    // After the company name changed: the main window shows the new name.
    void companyNameChanged() const;
    // After the sign-in log was replaced (a restore): the running session writes a row of its own.
    void sessionLogReplaced() const;
};
