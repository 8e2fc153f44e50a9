// What the program costs while nobody works with it, and how much memory its two largest
// windows take at shop scale. Each runs once; bench.sh starts every memory benchmark in a
// process of its own, so the peak it reads belongs to that window alone.
#include "BenchShop.h"
#include "Pairs.h"

#include "inventory/frmInvent.h"
#include "reports/frmSales.h"
#include "sales/frmPOS.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <string>

namespace {

constexpr int kIdleMilliseconds = 10000;

// Runs the event loop for the idle period with `window` shown and nobody typing; the CPU
// time used in that period, as a percentage of one core.
double idlePercent(QWidget& window)
{
    window.show();
    QApplication::processEvents();
    const double cpuBefore = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(kIdleMilliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds() - cpuBefore;
    window.hide();
    return 100.0 * used / (kIdleMilliseconds / 1000.0);
}

void clickIfThere(QWidget& window, const char* name)
{
    if (auto* button = window.findChild<QAbstractButton*>(QLatin1String(name)); button && button->isEnabled())
        button->click();
}

template <typename Window> void memory(benchmark::State& state, const char* button = nullptr)
{
    BenchShop& shop = BenchShop::instance();
    QApplication::processEvents();
    const double before = peakResidentMiB();
    for (auto _ : state) {
        auto window = std::make_unique<Window>(shop.ctx);
        window->show();
        if (button)
            clickIfThere(*window, button);
        QApplication::processEvents();
        state.counters["peak_MiB"] = peakResidentMiB();
        state.counters["before_MiB"] = before;
    }
}

} // namespace

template <typename Window> void emptyOpening(const char* name)
{
    benchmark::RegisterBenchmark(
        (std::string("info|opening ") + name + " on an empty shop (what its widgets cost)").c_str(),
        [](benchmark::State& state) {
            AppContext& ctx = BenchShop::instance().emptyShop();
            for (auto _ : state) {
                auto window = std::make_unique<Window>(ctx);
                window->show();
                QApplication::processEvents();
            }
        })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

void registerCostBenchmarks()
{
    emptyOpening<frmPOS>("frmPOS");
    emptyOpening<frmInvent>("frmInvent");
    emptyOpening<frmSales>("frmSales");

    benchmark::RegisterBenchmark("idle|frmPOS open, nobody typing",
                                 [](benchmark::State& state) {
                                     BenchShop& shop = BenchShop::instance();
                                     for (auto _ : state) {
                                         frmPOS window(shop.ctx);
                                         state.counters["cpu_percent"] = idlePercent(window);
                                     }
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("idle|frmInvent with the sold-items panel open",
                                 [](benchmark::State& state) {
                                     BenchShop& shop = BenchShop::instance();
                                     for (auto _ : state) {
                                         frmInvent window(shop.ctx);
                                         window.show();
                                         clickIfThere(window, "lvButtons_H1");
                                         state.counters["cpu_percent"] = idlePercent(window);
                                     }
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("memory|frmInvent",
                                 [](benchmark::State& state) { memory<frmInvent>(state, "lvButtons_H1"); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("memory|frmSales", [](benchmark::State& state) { memory<frmSales>(state); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

namespace {
const Registration registration(5, registerCostBenchmarks);
} // namespace
