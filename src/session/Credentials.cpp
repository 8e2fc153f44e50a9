#include "session/Credentials.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "journal/Journal.h"

namespace Credentials {

namespace {

QString tableOf(Kind kind)
{
    return kind == Kind::Account ? QStringLiteral("tblClient") : QStringLiteral("tblEmp");
}

// Writes the password and the journal entry inside the caller's transaction.
bool writePassword(Database& db, Identity who, const QString& password, const Note& note, QString* error)
{
    if (const QString refused = passwordRefusal(who.kind, password, QStringLiteral("The password"));
        !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    const int changed = db.ExecuteSql(
        QStringLiteral("UPDATE %1 SET Password = ? WHERE rowid = ?").arg(tableOf(who.kind)), {password, who.rowId});
    if (changed != 1) {
        *error = changed < 0 ? db.lastError() : QStringLiteral("The row is no longer in %1.").arg(tableOf(who.kind));
        return false;
    }
    return PostNotification(db, note.title, note.message, error);
}

// The change in one transaction; with `current`, only when it is the row's stored password,
// compared as signing in compares it.
Outcome change(Database& db, Identity who, const QString* current, const QString& password, const Note& note,
               QString* error)
{
    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return Outcome::Failed;
    }
    if (current) {
        const Recordset r =
            db.query(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ? AND Password = ?").arg(tableOf(who.kind)),
                     {who.rowId, *current});
        if (r.State() == 0) {
            *error = db.lastError();
            return Outcome::Failed;
        }
        if (r.BOF())
            return Outcome::WrongCurrent;
    }
    if (!writePassword(db, who, password, note, error))
        return Outcome::Failed;
    if (!tx.commit()) {
        *error = db.lastError();
        return Outcome::Failed;
    }
    return Outcome::Changed;
}

} // namespace

int passwordLength(Kind kind)
{
    return kind == Kind::Account ? kAccountPasswordLength : kEmployeePasswordLength;
}

QString passwordRefusal(Kind kind, const QString& password, const QString& box)
{
    if (password.isEmpty())
        return QStringLiteral("%1 is empty.").arg(box);
    if (password.size() > passwordLength(kind))
        return QStringLiteral("%1 holds %2 characters; a password may hold %3 at most. Nothing was stored.")
            .arg(box)
            .arg(password.size())
            .arg(passwordLength(kind));
    return {};
}

namespace {

Lookup lookupFailed(Database& db)
{
    QString why = db.connectFaultSentence();
    if (why.isEmpty())
        why = QStringLiteral("The accounts could not be read.");
    return {Lookup::Result::ReadFailed, {}, QStringLiteral("Nobody can sign in now. %1").arg(why), db.lastError()};
}

} // namespace

Lookup findAccount(Database& db, const QString& user, const QString& password)
{
    const Recordset rs = db.query(QStringLiteral("SELECT rowid, UserName, Account FROM tblClient WHERE UserName = ? "
                                                 "AND Password = ? ORDER BY rowid LIMIT 1"),
                                  {user, password});
    if (rs.State() == 0)
        return lookupFailed(db);
    if (rs.BOF())
        return {Lookup::Result::NoMatch, {}, {}, {}};
    const QString stored = rs.text(QStringLiteral("UserName"));
    return {Lookup::Result::Found,
            {{Kind::Account, rs.rows().first().at(0).toLongLong()}, stored, stored, rs.text(QStringLiteral("Account"))},
            {},
            {}};
}

Lookup findEmployee(Database& db, const QString& employeeId, const QString& password)
{
    const Recordset rs =
        db.query(QStringLiteral("SELECT rowid, EmployeeID, EmployeeName, Position FROM tblEmp WHERE EmployeeID "
                                "= ? AND Password = ? ORDER BY rowid LIMIT 1"),
                 {employeeId, password});
    if (rs.State() == 0)
        return lookupFailed(db);
    if (rs.BOF())
        return {Lookup::Result::NoMatch, {}, {}, {}};
    return {Lookup::Result::Found,
            {{Kind::Employee, rs.rows().first().at(0).toLongLong()},
             rs.text(QStringLiteral("EmployeeID")),
             rs.text(QStringLiteral("EmployeeName")),
             rs.text(QStringLiteral("Position"))},
            {},
            {}};
}

Outcome changePassword(Database& db, Identity who, const QString& password, const QString& changedBy,
                       const QString& domain, QString* error)
{
    const bool account = who.kind == Kind::Account;
    const Recordset r =
        db.query(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                     .arg(account ? QStringLiteral("UserName, Account") : QStringLiteral("EmployeeID, EmployeeName"),
                          tableOf(who.kind)),
                 {who.rowId});
    if (r.BOF()) {
        *error = r.State() == 0 ? db.lastError() : QStringLiteral("The row is no longer in %1.").arg(tableOf(who.kind));
        return Outcome::Failed;
    }
    const QString whose =
        QStringLiteral("%1 (%2)").arg(r.rows().first().at(0).toString(), r.rows().first().at(1).toString());
    const Note note{NoteTitle::PasswordChanged,
                    NotificationSentence(changedBy,
                                         QStringLiteral(" changed the password of %1%2 using ")
                                             .arg(account ? QString() : QStringLiteral("employee "), whose),
                                         domain)};
    return change(db, who, nullptr, password, note, error);
}

Outcome changeOwnPassword(Database& db, Identity who, const QString& current, const QString& password, const Note& note,
                          QString* error)
{
    return change(db, who, &current, password, note, error);
}

} // namespace Credentials
