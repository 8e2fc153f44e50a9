// A catalogue of 200,000 items imported through the registration window, as an administrator
// does it: Import..., the plan accepted, the rows written. Reported: how long the whole import
// took and the longest the event loop was blocked meanwhile (a 1 ms timer's longest gap; the
// windows must keep answering, under 100 ms), and the same for an import canceled half way
// through its writing, which must leave nothing stored.

#include "data/Database.h"
#include "data/Schema.h"
#include "platform/Platform.h"
#include "registration/frmReg.h"
#include "session/AppContext.h"
#include "session/SessionState.h"
#include "session/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kRows = 200'000;

struct Shop
{
    QTemporaryDir dir;
    Database db;
    Platform platform;
    AppContext ctx{db, platform};
    std::unique_ptr<frmMain> main;
    QString file;
};

Shop& shop()
{
    static Shop* s = nullptr;
    if (!s) {
        s = new Shop;
        const QString path = s->dir.filePath(Database::fileName());
        InitOptions options;
        options.adminPassword = QStringLiteral("bench");
        QString error;
        if (!createDatabaseFile(path, options, &error) || !s->db.open(path))
            qFatal("cannot create the benchmark database: %s", qPrintable(error + s->db.lastError()));
        s->main = std::make_unique<frmMain>(s->ctx);
        s->main->session().setDisplayName(QStringLiteral("Admin"));
        s->main->session().setAccountType(QStringLiteral("Administrator"));
        s->main->session().setDomainName(QStringLiteral("frontdesk"));
        // A semicolon file as a spreadsheet with decimal commas writes it, read where the comma
        // is the decimal mark.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QByteArray bytes = "Name;Brand;Price;Stocks;Description\r\n";
        for (int i = 0; i < kRows; ++i)
            bytes += "Imported item " + QByteArray::number(i) + ";Maker " + QByteArray::number(i % 40) + ";" +
                     QByteArray::number(i % 900) + ",50;" + QByteArray::number(i % 300) + ";Catalogue line " +
                     QByteArray::number(i) + "\r\n";
        s->file = s->dir.filePath(QStringLiteral("catalogue.csv"));
        QFile out(s->file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write the catalogue");
        s->platform.setFileHook([file = s->file](const QString&, const QString&) { return file; });
        s->platform.setMessageHook([](const MessageRecord&) { return QMessageBox::Ok; });
        s->platform.setModalHook([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
    }
    return *s;
}

int items()
{
    return shop().db.query(QStringLiteral("SELECT count(*) FROM tblStocks")).rows().first().first().toInt();
}

// Clicks Import... and measures until the click's work has returned: the longest gap between
// two ticks of a 1 ms timer, in milliseconds, and the time taken, in seconds. `cancelAt`
// (thousandths of the writing, 0: never) presses Cancel in the progress window.
void importOnce(benchmark::State& state, int cancelAt)
{
    Shop& s = shop();
    frmReg window(s.ctx);
    window.show();
    QApplication::processEvents();
    window.findChild<QAbstractButton*>(QStringLiteral("cmdItem"))->click();
    QApplication::processEvents();
    auto* import = window.findChild<QAbstractButton*>(QStringLiteral("cmdImport"));
    const int before = items();
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
            if (cancelAt <= 0)
                return;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<QProgressDialog*>(w);
                if (progress && progress->isVisible() &&
                    progress->labelText().startsWith(QLatin1String("Registering")) && progress->value() >= cancelAt)
                    progress->cancel();
            }
        });
        clock.start();
        probe.start();
        import->click(); // returns when the import is done; the progress window runs the events
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        state.counters["blocked_ms"] = static_cast<double>(longest) / 1e6;
        state.counters["work_s"] = static_cast<double>(now) / 1e9;
    }
    state.counters["stored"] = items() - before;
    if (cancelAt > 0 && items() != before)
        state.SkipWithError("a canceled import stored items");
    if (cancelAt <= 0 && items() != before + kRows)
        state.SkipWithError("not every item was imported");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("blocked|import 200,000 items, canceled half way (frmReg Import...)",
                                 [](benchmark::State& state) { importOnce(state, 500); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("blocked|import 200,000 items (frmReg Import...)",
                                 [](benchmark::State& state) { importOnce(state, 0); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
