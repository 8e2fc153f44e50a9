#pragma once

#include <QString>

#include <optional>

class Database;

// The rows people sign in with: administrator and guest accounts (tblClient, by user name) and
// employees (tblEmp, by employee number), each with its password. Passwords are stored as
// typed, in the Password column, and compared as signing in compares them (letter case
// ignored). Every value is bound, never pasted into a statement.
namespace Credentials {

enum class Kind {
    Account,  // a tblClient row
    Employee, // a tblEmp row
};

// One sign-in row, by its own identity (two accounts may share a user name).
struct Identity
{
    Kind kind = Kind::Account;
    qint64 rowId = -1;
    bool isValid() const { return rowId >= 0; }
};

// Who a sign-in found: the row, the user name or employee number it holds, the name to show
// and the account type or position.
struct SignedIn
{
    Identity who;
    QString login;
    QString displayName;
    QString type;
};

// The longest password each kind of row takes, as its registration form allows.
constexpr int kAccountPasswordLength = 40;
constexpr int kEmployeePasswordLength = 200;
int passwordLength(Kind kind);
// Why `password` cannot be stored for a row of `kind`, naming the box it was typed in ("The New
// Password"); empty when it can. Boxes never cut a password short: a longer one is refused.
QString passwordRefusal(Kind kind, const QString& password, const QString& box);

// What a sign-in's look-up found. A read that failed (a server that cannot be reached) is not
// a wrong user name or password: the sign-in says why nothing could be checked.
struct Lookup
{
    enum class Result { Found, NoMatch, ReadFailed };
    Result result = Result::ReadFailed;
    SignedIn who;  // when Found
    QString error; // when ReadFailed: the sentence for the user, then the engine's detail
    QString detail;
};

// The first account (or employee) whose user name (or number) and password both match.
Lookup findAccount(Database& db, const QString& user, const QString& password);
Lookup findEmployee(Database& db, const QString& employeeId, const QString& password);

// The journal entry written with a password change. It names who changed whose password,
// never a password.
struct Note
{
    QString title;
    QString message;
};

enum class Outcome {
    Changed,
    WrongCurrent, // the current password typed is not the row's: nothing was changed
    Failed,       // nothing was changed; the error says why
};

// An administrator's change of another row's password: stores `password` and a journal entry
// naming who (`changedBy`, on `domain`) changed whose password, in one transaction: both are
// written or neither. False, with `error` saying why, when nothing was
// changed (an empty or too long password, a row that is gone, a failed write).
Outcome changePassword(Database& db, Identity who, const QString& password, const QString& changedBy,
                       const QString& domain, QString* error);

// A signed-in person's change of their own password: `current` is checked against the row as
// signing in checks it, inside the transaction that stores the new one.
Outcome changeOwnPassword(Database& db, Identity who, const QString& current, const QString& password, const Note& note,
                          QString* error);

} // namespace Credentials
