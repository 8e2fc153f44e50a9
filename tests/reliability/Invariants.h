#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class Database;

// What must hold in a shop's database whatever happened to the program: checked after a
// crash, a fault or two copies running at once. Each broken rule is one line of the result.
// `initialStock` is the stock every sold item started with; `oneTill` adds the rules that hold
// while one copy of the program sells. `added` is the stock added to each item (by number)
// through "Add Stock".
QStringList checkShopInvariants(Database& db, double initialStock, bool oneTill,
                                const QHash<QString, double>& added = {});

// Opens the file with the database password, runs the integrity check and the invariants.
QStringList checkShopFile(const QString& path, double initialStock, bool oneTill,
                          const QHash<QString, double>& added = {});

// Adds `count` items numbered from 1001 with the given stock, for the workloads to sell.
bool seedItems(Database& db, int count, double stock);
