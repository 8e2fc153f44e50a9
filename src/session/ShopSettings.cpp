#include "session/ShopSettings.h"

#include "data/Database.h"

namespace ShopSettings {

namespace {

std::optional<QString> lastValue(Database& db, const QString& column)
{
    Recordset rs = db.query(QStringLiteral("Select * from tblMain"));
    if (rs.State() == 0 || rs.BOF())
        return std::nullopt;
    QString value;
    while (!rs.EndOfFile()) {
        value = rs.text(column);
        rs.MoveNext();
    }
    return value;
}

Change store(Database& db, const QString& statement, const QString& value)
{
    Transaction tx(db);
    if (!tx.isActive())
        return {Outcome::Failed, db.lastError()};
    const int changed = db.ExecuteSql(statement, {value});
    if (changed < 0)
        return {Outcome::Failed, db.lastError()};
    if (changed == 0)
        return {Outcome::RowMissing, {}};
    if (!tx.commit())
        return {Outcome::Failed, db.lastError()};
    return {Outcome::Saved, {}};
}

} // namespace

std::optional<QString> companyName(Database& db)
{
    return lastValue(db, QStringLiteral("CompanyName"));
}

std::optional<QString> backupFolder(Database& db)
{
    return lastValue(db, QStringLiteral("BackupFolder"));
}

Change setCompanyName(Database& db, const QString& name)
{
    return store(db, QStringLiteral("Update tblMain set CompanyName=?"), name);
}

Change setBackupFolder(Database& db, const QString& folder)
{
    return store(db, QStringLiteral("Update tblMain set BackupFolder=?"), folder);
}

} // namespace ShopSettings
