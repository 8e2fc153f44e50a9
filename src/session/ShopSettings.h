#pragma once

#include <QString>

#include <optional>

class Database;

// The shop's settings row (tblMain) as the main window and the administration read and change
// it: the company name and the backup folder.
namespace ShopSettings {

// The company name of the last settings row; no value when tblMain cannot be read or holds
// no row.
std::optional<QString> companyName(Database& db);
// The backup folder of the last settings row; no value as for the company name.
std::optional<QString> backupFolder(Database& db);

enum class Outcome {
    Saved,      // every settings row holds the new value
    RowMissing, // tblMain holds no row, so nothing was written
    Failed,     // the write failed; `error` says why in the engine's words
};
struct Change
{
    Outcome outcome = Outcome::Failed;
    QString error;
};

// Stores the company name, or the backup folder, in every settings row, in one transaction.
Change setCompanyName(Database& db, const QString& name);
Change setBackupFolder(Database& db, const QString& folder);

} // namespace ShopSettings
