#include "app/AppWindowFactory.h"
#ifdef PEMVIX_TILL_DRIVER
#include "app/TillDriver.h"
#endif
#include "data/Database.h"
#include "platform/Platform.h"
#include "session/AppContext.h"
#include "session/frmMain.h"
#include "startup/frmLoading.h"

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Platform::applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false); // only "Exit" ends the program

    Platform platform;
    Database db;
    const QString path = QDir(QApplication::applicationDirPath()).filePath(Database::fileName());
    const bool opened = db.open(path);

    AppContext ctx{db, platform};
    // Each running copy on this file is a till with its own cart. Should every number be
    // taken, the copy still sells as till 1, as a single copy would.
    ctx.till = std::max(1, platform.claimTill(path));
    AppWindowFactory windows(ctx);
    ctx.windows = &windows;

    std::unique_ptr<frmMain> main;
    frmLoading loading(ctx, [&] {
        main = std::make_unique<frmMain>(ctx);
        ctx.main = main.get();
        return main.get();
    });
    if (!opened) {
        // Said once; the program then goes on, and every read finds no rows.
        platform.message(nullptr,
                         QStringLiteral("The database %1 could not be opened.\n\nNothing can be read or saved "
                                        "until this file is in place.")
                             .arg(QDir::toNativeSeparators(path)),
                         Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, db.lastError());
    }
#ifdef PEMVIX_TILL_DRIVER
    TillDriver::fromEnvironment(ctx, &app);
#endif
    loading.start();
    return app.exec();
}
