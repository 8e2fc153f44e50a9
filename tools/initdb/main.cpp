// pemvix-initdb: creates a new, encrypted database file with its tables, one settings row and
// the first administrator account. It never touches a file that already exists. With --server
// it writes the same into an empty PostgreSQL database instead.
#include "data/Database.h"
#include "data/Schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#include <sys/stat.h>

namespace {

QString randomPassword()
{
    // Letters and digits that cannot be mistaken for one another.
    static const QString alphabet = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz23456789");
    QString password;
    for (int i = 0; i < 12; ++i)
        password += alphabet.at(QRandomGenerator::system()->bounded(static_cast<int>(alphabet.size())));
    return password;
}

} // namespace

int main(int argc, char* argv[])
{
    // The database and the journal written while it is filled are private to the shop's user.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pemvix-initdb"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates a new Pemvix database file, encrypted, with its tables, one settings row and the first\n"
        "administrator (sign in with the \"Admin/Guest\" option). It never overwrites a file.\n"
        "The program reads the file named dbZarel.mdb in its own folder.\n"
        "With --server SERVICE it fills an empty PostgreSQL database instead, named by a service of\n"
        "pg_service.conf (the password from .pgpass), and refuses one that already has tables."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("admin-user"),
                      QStringLiteral("User name of the first administrator (default: Admin)."), QStringLiteral("NAME"),
                      QStringLiteral("Admin")});
    parser.addOption({QStringLiteral("admin-password"),
                      QStringLiteral("Password of the first administrator (default: 12 random letters and digits, "
                                     "printed once)."),
                      QStringLiteral("PASS")});
    parser.addOption({QStringLiteral("company"),
                      QStringLiteral("Company name, up to 40 characters, stored in capitals (default: empty)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("demo"),
                      QStringLiteral("Add a few items and employee number 1 (password cashier1, \"Client\" option) to "
                                     "try a sale (default: off).")});
    parser.addOption({QStringLiteral("server"),
                      QStringLiteral("Write into the empty database of this PostgreSQL service instead of a file."),
                      QStringLiteral("SERVICE")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The database file to create, e.g. ~/Pemvix/dbZarel.mdb."));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    const QString service = parser.value(QStringLiteral("server")).trimmed();
    if (parser.isSet(QStringLiteral("server")) ? (service.isEmpty() || !files.isEmpty()) : files.size() != 1) {
        std::fprintf(stderr, "usage: pemvix-initdb [--admin-user NAME] [--admin-password PASS] [--company NAME] "
                             "[--demo] FILE\n"
                             "       pemvix-initdb [--admin-user NAME] [--admin-password PASS] [--company NAME] "
                             "[--demo] --server SERVICE\n");
        return 1;
    }
    InitOptions options;
    options.adminUser = parser.value(QStringLiteral("admin-user"));
    options.adminPassword = parser.isSet(QStringLiteral("admin-password"))
                                ? parser.value(QStringLiteral("admin-password"))
                                : randomPassword();
    options.company = parser.value(QStringLiteral("company")).toUpper().left(40);
    options.demo = parser.isSet(QStringLiteral("demo"));
    if (options.adminUser.isEmpty() || options.adminPassword.isEmpty()) {
        std::fprintf(stderr, "pemvix-initdb: the administrator needs a user name and a password\n");
        return 1;
    }
    QString error;
    QString created;
    if (!service.isEmpty()) {
        Database db;
        if (!db.openServer(Database::serviceConnection(service))) {
            std::fprintf(stderr, "pemvix-initdb: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        if (!createServerDatabase(db, options, &error)) {
            std::fprintf(stderr, "pemvix-initdb: %s\n", qPrintable(error));
            return 1;
        }
        created = QStringLiteral("the tables of service %1").arg(service);
    }
    const QString file = service.isEmpty() ? files.first() : QString();
    if (!file.isEmpty() && QFileInfo::exists(file)) {
        std::fprintf(stderr, "pemvix-initdb: %s already exists; a shop's database is never overwritten\n",
                     qPrintable(file));
        return 1;
    }
    if (!file.isEmpty()) {
        if (!createDatabaseFile(file, options, &error)) {
            std::fprintf(stderr, "pemvix-initdb: %s\n", qPrintable(error));
            return 1;
        }
        created = file;
    }
    std::printf("Created %s\n", qPrintable(created));
    std::printf("Administrator user name: %s\n", qPrintable(options.adminUser));
    std::printf("Administrator password:  %s\n", qPrintable(options.adminPassword));
    std::printf("Sign in with the \"Admin/Guest\" option.\n");
    if (options.demo)
        std::printf("Demo employee: number 1, password cashier1 (\"Client\" option).\n");
    return 0;
}
