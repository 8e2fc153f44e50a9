#pragma once

#include <QProcessEnvironment>
#include <QString>

// Which database this copy of the program uses, and which till it is there. With no setting it
// is the file dbZarel.mdb beside the program. A server is chosen with libpq's own conventions:
// a pemvix.conf beside the program with
//     [server]
//     service=shop
//     till=Counter 1
// or the environment variable PGSERVICE; the service is looked up in pg_service.conf (or
// PGSERVICEFILE), its password in .pgpass (or PGPASSFILE). The till's name comes from the
// conf's till, PEMVIX_TILL overrides it, and the machine's host name is the default. The conf's
// till is the text after "=" as written (commas, quotes and semicolons included; only blanks
// around it and one pair of double quotes around all of it are not part of it).
struct DatabaseChoice
{
    QString filePath;    // the file, when no server is chosen
    QString service;     // the chosen service, or empty
    QString connection;  // the libpq connection string for the service
    QString till;        // the till's name on a server; empty for the file (tills are numbered)
    QString tillRefused; // why the till name given cannot be kept (then `till` is empty)

    bool onServer() const { return !service.isEmpty(); }

    static QString confName() { return QStringLiteral("pemvix.conf"); }
    static DatabaseChoice choose(const QString& programDir,
                                 const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
};
