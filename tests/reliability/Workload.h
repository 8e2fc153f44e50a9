#pragma once

#include <QHash>
#include <QString>

// A shop's day in fast motion, run by a child process against a database file: adds to the
// cart, removals, clears, completed sales and item registrations, through the program's own
// operations. Before each operation it marks a one-byte state file 1 and after it 0, so a
// parent that kills it can tell whether the kill landed inside an operation.
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
};

struct WorkloadStats
{
    int ops = 0;
    int failedWrites = 0;   // writes the program reported as not saved
    int lockedFailures = 0; // of those, the ones that said the database was busy or locked
    QHash<QString, double> stockAdded; // by item number, the stock additions reported as saved
};

// Runs in a process with a QApplication (registrations use the real window). Prints one line
// "ops N failed F locked L" to stdout at the end, then "added" and the stock added to each
// item as "number=amount" words.
WorkloadStats runWorkload(const WorkloadOptions& options);
