#pragma once

#include <QString>

class Database;

// The histories the administration clears: the sign-in log (tblLogs), the sold lines (tblSold)
// and the sales (tblSales).
namespace History {

// Deletes every row of one of those tables, in one transaction. False when nothing was deleted;
// `error` then says why in the engine's words.
bool clear(Database& db, const QString& table, QString* error);

} // namespace History
