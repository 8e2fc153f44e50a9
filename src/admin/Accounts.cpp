#include "admin/Accounts.h"

#include "data/Database.h"

namespace Accounts {

namespace {

// True when the row is an administrator account and no other row is one. The type is
// compared exactly, as signing in compares it (the column itself ignores letter case).
bool isLastAdministrator(Database& db, qint64 rowId)
{
    const Recordset r =
        db.query(QStringLiteral("SELECT (SELECT Account = ? COLLATE BINARY FROM tblClient WHERE rowid = ?), "
                                "(SELECT count(*) FROM tblClient WHERE Account = ? COLLATE BINARY AND rowid <> ?)"),
                 {Administrator, rowId, Administrator, rowId});
    if (r.BOF())
        return false;
    const QVector<QVariant>& row = r.rows().first();
    return row.at(0).toInt() == 1 && row.at(1).toInt() == 0;
}

QString lastAdministrator(Database& db, qint64 rowId)
{
    const Recordset r = db.query(QStringLiteral("SELECT UserName FROM tblClient WHERE rowid = ?"), {rowId});
    return QStringLiteral("%1 is the only Administrator account: without it nobody could open the administration "
                          "again.")
        .arg(r.BOF() ? QString() : r.text(QStringLiteral("UserName")));
}

} // namespace

QString deleteRefusal(Database& db, qint64 rowId)
{
    if (!isLastAdministrator(db, rowId))
        return {};
    return QStringLiteral("The account was not deleted.\n\n") + lastAdministrator(db, rowId);
}

QString editRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value)
{
    // Without a user name or a password nobody can sign in with the account, or anybody can.
    static const QList<std::pair<QString, QString>> required{
        {QStringLiteral("UserName"), QStringLiteral("The user name was not changed.\n\nAn account's Username cannot "
                                                    "be left empty.")},
        {QStringLiteral("Password"), QStringLiteral("The password was not changed.\n\nAn account's Password cannot "
                                                    "be left empty.")},
    };
    for (const auto& [name, refusal] : required) {
        if (column.compare(name, Qt::CaseInsensitive) == 0 && value.toString().isEmpty())
            return refusal;
    }
    if (column.compare(QLatin1String("Account"), Qt::CaseInsensitive) != 0 || value.toString() == Administrator ||
        !isLastAdministrator(db, rowId))
        return {};
    return QStringLiteral("The account type was not changed.\n\n") + lastAdministrator(db, rowId);
}

QString listStatement()
{
    return QStringLiteral("Select * from tblClient");
}

Added add(Database& db, const NewAccount& account)
{
    Added added;
    Transaction tx(db);
    added.stored = tx.isActive() &&
                   db.ExecuteSql(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account, ClientReg) "
                                                "VALUES (?, ?, ?, ?)"),
                                 {account.user, account.password, account.type, account.registered}) == 1 &&
                   tx.commit();
    if (!added.stored)
        added.error = db.lastError();
    return added;
}

} // namespace Accounts
