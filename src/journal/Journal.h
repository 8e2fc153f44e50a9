#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class Database;
class DataControl;

// The fixed titles of the notification journal.
namespace NoteTitle {
inline const QString ItemOutOfStock = QStringLiteral("Item Out of Stock");
inline const QString ItemVoid = QStringLiteral("Item Void");
inline const QString ItemAvailabilityReturned = QStringLiteral("Item Availabilty Returned");
inline const QString NewClientRegistration = QStringLiteral("New Client Registration");
inline const QString NewItemRegistration = QStringLiteral("New Item Registration");
inline const QString ItemsImported = QStringLiteral("Items Imported");
inline const QString CompanyNameChanged = QStringLiteral("Company Name Changed");
inline const QString AccountRegistration = QStringLiteral("Admin/Guest Account Registration");
inline const QString PasswordChanged = QStringLiteral("Password Changed");
inline const QString DatabaseBackup = QStringLiteral("Database Backup");
inline const QString DatabaseBackupSettings = QStringLiteral("Database Backup Settings");
inline const QString DatabaseRestore = QStringLiteral("Database Restore");
inline const QString LogsCleared = QStringLiteral("Logs Cleared");
inline const QString TransactionDatabaseDeletion = QStringLiteral("Transaction Database Deletion");
inline const QString SalesDatabaseDeletion = QStringLiteral("Sales Database Deletion");
inline const QString SalesReportSaved = QStringLiteral("Sales Report Saved");
inline const QString SalesReportDatePrint = QStringLiteral("Sales Report Date Print");
inline const QString SalesReportCutoffPrint = QStringLiteral("Sales Report Cutoff Print");
} // namespace NoteTitle

// "<DisplayName><phrase><DomainName>'s domain!". The phrase begins with a blank and ends
// with " using ", e.g. " removed a purchased Item using ".
QString NotificationSentence(const QString& displayName, const QString& phrase, const QString& domainName);

// A details block: CR LF, CR LF, "DETAILS:", then one "label value" line per entry, lines
// separated by CR LF, no CR LF after the last. With `standalone` the block stands alone and
// begins with "DETAILS:" (the two cart notifications).
using DetailLines = std::vector<std::pair<QString, QString>>;
QString DetailsBlock(const DetailLines& lines, bool standalone = false);

// Appends one journal row, stamped with today's DateText and the current TimeText, without a
// grid: a model posts inside its own transaction this way. False when the row could not be
// stored (`error` then says why).
bool PostNotification(Database& db, const QString& title, const QString& message, QString* error = nullptr);

// The statement of the journal's list, as the windows' notification grids show it.
QString NotificationsStatement();

// Deletes every journal row, in one transaction. False when they could not be deleted (the
// database's lastError says why).
bool DeleteAllNotifications(Database& db);

// Appends one journal row through the window's data control on tblNot, stamped with today's
// DateText and the current TimeText, and refreshes the control. False when the row could not
// be stored. The posting window then calls the main window's noti().
bool PostNotification(DataControl& adoNot, const QString& title, const QString& message);
