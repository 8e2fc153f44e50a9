#pragma once

#include <QString>
#include <QVariant>

class Database;

// The rules of the administrator and guest accounts (tblClient).
namespace Accounts {

// The account type that opens the administration, letter case significant.
inline const QString Administrator = QStringLiteral("Administrator");

// The statement of the accounts' list in the administration.
QString listStatement();

// Why the account row (by its rowid) may not be deleted, or an empty text: the last
// administrator account is kept, or nobody could reach the administration again.
QString deleteRefusal(Database& db, qint64 rowId);
// The same for an in-place edit of one column: the last administrator keeps its type, and no
// account's user name or password is left empty.
QString editRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value);

// A new administrator or guest account, its texts stored as they are.
struct NewAccount
{
    QString user, password, type, registered;
};
struct Added
{
    bool stored = false;
    QString error; // why it was not stored, in the engine's words
};
// Stores a new account row, in one transaction.
Added add(Database& db, const NewAccount& account);

} // namespace Accounts
