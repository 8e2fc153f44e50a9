#include "app/AppWindowFactory.h"
#include "app/DatabaseChoice.h"
#ifdef PEMVIX_TILL_DRIVER
#include "app/TillDriver.h"
#endif
#include "data/Backup.h"
#include "data/Database.h"
#include "platform/Platform.h"
#include "session/AppContext.h"
#include "session/frmMain.h"
#include "startup/frmLoading.h"

#include <QApplication>
#include <QDir>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Platform::applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false); // only "Exit" ends the program

    Platform platform;
    Database db;
    const DatabaseChoice choice = DatabaseChoice::choose(QApplication::applicationDirPath());
    const bool opened = choice.onServer() ? db.openServer(choice.connection) : db.open(choice.filePath);

    AppContext ctx{db, platform};
    // No export or PDF is written over the shop's database, its companions or a backup copy.
    platform.setTargetGuard([&db](const QString& path) { return shopFileRefusal(db, path); });
    if (choice.onServer() && !choice.tillRefused.isEmpty()) {
        ctx.till.clear();
        ctx.noTill = QStringLiteral("This copy of the program sells nothing: %1\n\nGive this computer a till name "
                                    "without it (till= in pemvix.conf, or PEMVIX_TILL) and start the program again.")
                         .arg(choice.tillRefused);
        platform.message(nullptr, ctx.noTill, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
    } else if (choice.onServer()) {
        // Each running copy holds its till's name on the server; a copy given a name that another
        // one holds sells as "NAME 2" (and so on), so two copies never share a cart. Should no
        // name be held, the copy sells under the name it was given, and says so when the server
        // was reached (an unreachable one has its own message below, and the name is asked for
        // once it connects: nothing is written while another copy holds it).
        const QString held = db.claimTillName(choice.till);
        ctx.till = held.isEmpty() ? choice.till : held;
        if (opened && held.isEmpty())
            platform.message(nullptr,
                             QStringLiteral("The till name \"%1\" could not be held on the database server.\n\n"
                                            "Another running copy may be selling under it, into the same cart: "
                                            "close that copy, or give this computer a till name of its own "
                                            "(till= in pemvix.conf).")
                                 .arg(choice.till),
                             Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, db.lastError());
    } else {
        // Each running copy on this file is a till with its own cart, numbered by the lock files
        // beside it. With every number held, this copy would sell into a running till's cart.
        const int till = platform.claimTill(choice.filePath);
        if (till > 0) {
            ctx.till = QString::number(till);
        } else {
            ctx.till.clear();
            ctx.noTill = QStringLiteral("This copy of the program sells nothing: every till number of %1 is held "
                                        "by a running copy.\n\nClose a copy you do not use and start this one "
                                        "again.")
                             .arg(QDir::toNativeSeparators(choice.filePath));
            platform.message(nullptr, ctx.noTill, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        }
    }
    AppWindowFactory windows(ctx);
    ctx.windows = &windows;

    std::unique_ptr<frmMain> main;
    frmLoading loading(ctx, [&] {
        main = std::make_unique<frmMain>(ctx);
        return main.get();
    });
    if (!opened) {
        // Said once; the program then goes on, and every read finds no rows.
        const QString text =
            choice.onServer()
                ? QStringLiteral("Service %1: %2\n\nNothing can be read or saved until the program can connect; "
                                 "it tries again at each action.")
                      .arg(choice.service, db.connectFaultSentence())
                : QStringLiteral("The database %1 could not be opened.\n\nNothing can be read or saved until this "
                                 "file is in place.")
                      .arg(QDir::toNativeSeparators(choice.filePath));
        platform.message(nullptr, text, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning,
                         db.lastError());
    }
#ifdef PEMVIX_TILL_DRIVER
    TillDriver::fromEnvironment(ctx, &app);
#endif
    loading.start();
    return app.exec();
}
