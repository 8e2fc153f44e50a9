#pragma once

#include <QString>

class Database;

// Copies the open database into `destinationPath` as a consistent snapshot, keyed with the
// same database password. The copy is made with SQLite's online backup into a temporary file
// beside the destination, reopened with the password and checked (PRAGMA integrity_check),
// and only then renamed over the destination. On any failure the temporary file is removed,
// an earlier file at the destination is left as it was, false is returned and `error` says
// why. The destination may not be the database's own file.
bool backupDatabase(Database& source, const QString& destinationPath, QString* error);
