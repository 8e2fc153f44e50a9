#include "catalog/ShopOptions.h"

#include "data/Database.h"

namespace ShopOptions {

std::optional<bool> flag(Database& db, const QString& name, bool fallback)
{
    const Recordset r = db.query(QStringLiteral("SELECT Value FROM tblSetting WHERE Name = ?"), {name});
    if (!r.State())
        return std::nullopt;
    return r.BOF() ? fallback : r.rows().first().first().toString() == QLatin1String("1");
}

bool setFlag(Database& db, const QString& name, bool on)
{
    Transaction tx(db);
    if (!tx.isActive() || db.ExecuteSql(QStringLiteral("DELETE FROM tblSetting WHERE Name = ?"), {name}) < 0 ||
        db.ExecuteSql(QStringLiteral("INSERT INTO tblSetting (Name, Value) VALUES (?, ?)"),
                      {name, on ? QStringLiteral("1") : QStringLiteral("0")}) != 1)
        return false;
    return tx.commit();
}

} // namespace ShopOptions
