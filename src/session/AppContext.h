#pragma once

#include "session/SessionState.h"

#include <QString>

#include <functional>
#include <memory>

class Database;
class Platform;
class WindowFactory;

// What every window is given: the database, the platform, the session state and the factory
// through which one window opens the windows of other folders. Created in app/ (or by a test)
// and passed by reference.
struct AppContext
{
    Database& db;
    Platform& platform;
    WindowFactory* windows = nullptr;
    // Which till this running copy is. On the database file: "1" for the first copy, "2" for a
    // second copy started while the first runs, and so on; on a server, the name each machine
    // is given (its host name unless set). Each till has its own cart.
    QString till = QStringLiteral("1");
    // Why this copy is no till and sells nothing (every till number held, a till name that
    // cannot be kept); empty when it sells as `till`.
    QString noTill{};
    // Who is signed in. The main window sets it; before a sign-in every field is empty.
    std::unique_ptr<SessionState> sessionState = std::make_unique<SessionState>();

    // What the main window does when another window changed what it shows. It sets these while
    // it is open; without a main window they are empty and the calls below do nothing.
    struct MainWindowHooks
    {
        std::function<void()> notificationsChanged;
        std::function<void()> companyNameChanged;
        std::function<void()> sessionLogReplaced;
    };
    MainWindowHooks mainWindow{};

    // The signed-in user, the account type and the computer's user name.
    SessionState& session() const { return *sessionState; }
    // After a notification was posted: the main window re-reads its list and redraws it.
    void notificationsChanged() const;
    // After the company name changed: the main window shows the new name.
    void companyNameChanged() const;
    // After the sign-in log was replaced (a restore): the running session writes a row of its own.
    void sessionLogReplaced() const;
};
