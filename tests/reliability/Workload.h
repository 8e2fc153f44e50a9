#pragma once

#include <QHash>
#include <QString>

// A shop's day in fast motion, run by a child process against a database file: adds to the
// cart, removals, clears, completed sales and item registrations, through the program's own
// operations. Before each operation it marks a one-byte state file (WorkloadMark) and after it
// 0, so a parent that kills it can tell whether and where the kill landed inside an operation.
enum WorkloadMark : char {
    Idle = 0,
    InsideOperation = 1,
    InsidePayment = 2, // the payment window storing a sale
    InsideBackup = 3,  // the settings window writing a backup and its dated copy
    InsideReturn = 4,  // a return of part of a completed sale
};

// What the workload spends its time on: the shop's mixed day, or mostly one operation (so a
// kill at a random moment lands inside it).
enum class WorkloadFocus {
    Mixed,
    Payments, // a cart line, then the payment window: cash typed, Submit, Finish
    Backups,  // a cart line, then a backup through the settings window into backupFolder
    Returns,  // a cart line, its sale paid, then one unit of a completed sale taken back
};

struct WorkloadOptions
{
    QString dbPath;
    QString statePath;
    quint32 seed = 1;
    int opsPerSecond = 0; // 0: as fast as it can
    int maxOps = 1000000;
    int items = 20; // seeded items numbered from 1001
    bool registrations = true;
    // Also registers employees and adds stock through the real windows, as an administrator
    // at a second till would, with the registration and inventory windows kept open.
    bool adminWork = false;
    WorkloadFocus focus = WorkloadFocus::Mixed;
    QString backupFolder; // for WorkloadFocus::Backups
};

struct WorkloadStats
{
    int ops = 0;
    int failedWrites = 0;              // writes the program reported as not saved
    int lockedFailures = 0;            // of those, the ones that said the database was busy or locked
    QHash<QString, double> stockAdded; // by item number, the stock additions reported as saved
};

// Runs in a process with a QApplication (registrations use the real window). Prints one line
// "ops N failed F locked L" to stdout at the end, then "added" and the stock added to each
// item as "number=amount" words.
WorkloadStats runWorkload(const WorkloadOptions& options);
