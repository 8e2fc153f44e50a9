#include "admin/History.h"

#include "data/Database.h"
#include "data/Schema.h"

namespace History {

bool clear(Database& db, const QString& table, QString* error)
{
    Transaction tx(db);
    if (tx.isActive() && db.ExecuteSql(clearHistorySql(table)) >= 0 && tx.commit())
        return true;
    *error = db.lastError();
    return false;
}

} // namespace History
