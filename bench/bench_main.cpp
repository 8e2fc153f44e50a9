// pemvix-bench: Google Benchmark programs over a generated shop database (see
// pemvix-bench-gen and bench.sh). Usage: pemvix-bench --db=FILE [benchmark options], or
// pemvix-bench --server=CONNINFO [benchmark options] for the same shop copied to a PostgreSQL
// database (the program's side of each pair only: the baselines are bare SQLite).
// The database is written to (carts, sales, notifications): run it on a copy.
#include "BenchShop.h"
#include "Pairs.h"

#include "admin/frmSetting.h"
#include "inventory/frmInvent.h"
#include "reports/frmPrint.h"
#include "reports/frmSales.h"
#include "sales/frmPOS.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Qt's own chatter (the offscreen platform's notes) would break up the benchmark table.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg || qEnvironmentVariableIsSet("PEMVIX_BENCH_VERBOSE"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Saves a picture of every window the benchmarks open, filled at shop scale, into `dir`.
template <typename Window> void screenshot(const QString& dir, const char* name)
{
    Window window(BenchShop::instance().ctx);
    window.show();
    QApplication::processEvents();
    const QString file = QDir(dir).filePath(QLatin1String(name) + QStringLiteral(".png"));
    window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

// Saves a picture of the progress window of a backup at this scale, caught while it runs.
void backupProgressScreenshot(const QString& dir)
{
    QTemporaryDir folder;
    frmSetting window(BenchShop::instance().ctx);
    window.show();
    QApplication::processEvents();
    window.findChild<QLineEdit*>(QStringLiteral("txtDatabase"))->setText(folder.path());
    const QString file = QDir(dir).filePath(QStringLiteral("backupProgress.png"));
    QTimer::singleShot(1500, &window, [file] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"workProgress" && w->isVisible()) {
                w->grab().save(file);
                std::printf("%s\n", qPrintable(file));
            }
        }
    });
    window.findChild<QAbstractButton*>(QStringLiteral("lvButtons_H5"))->click();
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char*> args;
    QString db, server, shots;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db=", 5) == 0)
            db = QString::fromLocal8Bit(argv[i] + 5);
        else if (std::strncmp(argv[i], "--server=", 9) == 0)
            server = QString::fromLocal8Bit(argv[i] + 9);
        else if (std::strncmp(argv[i], "--screenshots=", 14) == 0)
            shots = QString::fromLocal8Bit(argv[i] + 14);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (db.isEmpty() == server.isEmpty()) {
        std::fprintf(stderr, "usage: pemvix-bench --db=FILE | --server=CONNINFO [benchmark options]\n");
        return 1;
    }
    BenchShop::setPath(db);
    BenchShop::setServer(server);
    QApplication app(count, args.data());
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        screenshot<frmPOS>(shots, "frmPOS");
        screenshot<frmInvent>(shots, "frmInvent");
        screenshot<frmSales>(shots, "frmSales");
        screenshot<frmPrint>(shots, "frmPrint");
        screenshot<frmSetting>(shots, "frmSetting");
        backupProgressScreenshot(shots);
        BenchShop::shutdown();
        return 0;
    }
    auto groups = Registration::all();
    std::sort(groups.begin(), groups.end());
    for (const auto& group : groups)
        group.second();
    benchmark::RunSpecifiedBenchmarks();
    BenchShop::shutdown();
    benchmark::Shutdown();
    return 0;
}
