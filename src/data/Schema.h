#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Database;

// The SQL expression that turns a tblSales BusinessDate ("December 08, 2026") into the
// sortable day "2026-12-08", or NULL when the text is not such a date. It uses built-in
// functions only, so SQLite can index it; queries must use this very text to use the index.
QString SalesDayKeySql();

// The SQL expression a list of `table` is ordered by when it is sorted by `column`: numbers
// as numbers (thousands separators ignored, a text that is no number counts as 0), the
// "MMMM DD, YYYY" days as "yyyymmdd", the "h:mm:ss AM" times by the time of day, and any other
// text with letter case ignored. The key is never NULL, so (key, rowid) orders every row of
// the table one way. It is built from plain SQL (COALESCE, CAST, CASE, substr, replace, lower);
// the indexes that serve sorted lists are made on these very texts. `server` gives the
// PostgreSQL form of the same key.
QString SortKeySql(const QString& table, const QString& column, bool server = false);

// Brings a file made by an earlier version up to the current tables, in one transaction:
// tblPos gains the till of each cart line (the old cart becomes till 1's) and the number of
// the open sale it belongs to, and the receipt table (tblReceipt) is added. Indexes missing from
// the file (those of sorted lists, added later) are made as well. False (with the database's
// lastError) when it failed.
bool upgradeSchema(Database& db);

// Adds the tables of returns to a shop's server database made before them, in one
// transaction; a database without the shop's tables is left alone. False when it failed.
bool upgradeServerSchema(Database& db);

// The number of rows of the whole `table` as the database keeps it (kept in the writing
// transaction of every row, so it is always that of the committed rows), or nothing when the
// database keeps no count of that table.
std::optional<qint64> keptRowCount(Database& db, const QString& table);

// The statement that empties a history table (tblLogs, tblSold, tblSales) from the settings
// window. Emptying tblSold keeps the sold-item lines of sales still open at a till.
QString clearHistorySql(const QString& table);

// What a new database file holds at the start.
struct InitOptions
{
    QString adminUser = QStringLiteral("Admin");
    QString adminPassword; // required
    QString company;       // empty unless given
    bool demo = false;     // a handful of items and one employee to try a sale with
};

// Creates the tables (and their indexes) in an empty, open database, with one tblMain row
// and the first administrator account. Everything runs in one transaction.
bool createSchema(Database& db, const InitOptions& options);

// Adds the demonstration items and employee (part of createSchema when options.demo is set).
bool addDemoData(Database& db);

// Creates the tables, their indexes, the functions its statements use and the settings row on
// an empty PostgreSQL database, in one transaction. It refuses a database that already has
// tables. `why` says why it failed.
bool createServerSchema(Database& db, QString* why, const QString& company = {});
// What pemvix-initdb --server writes: the server's tables and the first administrator (and
// the demonstration rows when asked), all or nothing.
bool createServerDatabase(Database& db, const InitOptions& options, QString* why);
// The server's statements for the tables and indexes, made from the file's definitions.
QStringList serverSchemaStatements();
// One statement per table of the shop's data, reading every column the earliest version wrote
// (none rows): each fails on a file that lacks that table or one of those columns.
QStringList shopTableProbes();
// A column name as the tables spell it ("ItemNumber" for "itemnumber"); others as given.
QString schemaColumnName(const QString& name);

// Creates FILE: refuses an existing path, keys it, writes the schema and checks that what
// reached the disk is encrypted. `error` says why it failed.
bool createDatabaseFile(const QString& path, const InitOptions& options, QString* error);

// True when the file starts with the plain SQLite header, i.e. it is not encrypted.
bool hasPlainHeader(const QString& path);
