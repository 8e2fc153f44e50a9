// The list panels of the registration window (employees, items), the settings window (sign-in
// log, accounts) and the main window (notification centre), each opened as its window opens
// them: the lists read with their true counts. The baselines read the same first pages and
// counts with statements prepared once.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "admin/frmSetting.h"
#include "registration/frmReg.h"
#include "session/frmMain.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

namespace {

template <typename Window> void panelPair(const char* window, const char* lists, std::vector<std::string> tables)
{
    const std::string operation = std::string("opening ") + window + " (" + lists + ")";
    registerPair("window", operation, {[](benchmark::State&) -> Operation {
                     return [] {
                         auto window = std::make_unique<Window>(BenchShop::instance().ctx);
                         window->show();
                         QApplication::processEvents();
                     };
                 }},
                 {[tables](benchmark::State&) -> Operation {
                     sqlite3* db = BenchShop::instance().db.handle();
                     auto stmts = std::make_shared<std::vector<std::unique_ptr<Stmt>>>();
                     for (const std::string& table : tables) {
                         stmts->push_back(std::make_unique<Stmt>(
                             db, ("SELECT rowid, * FROM " + table + " ORDER BY rowid LIMIT 256").c_str()));
                         stmts->push_back(std::make_unique<Stmt>(db, ("SELECT count(*) FROM " + table).c_str()));
                     }
                     return [stmts] {
                         for (auto& s : *stmts)
                             s->all();
                     };
                 }},
                 benchmark::kMillisecond);
    // The same window on an empty database: what its widgets cost, whatever the data.
    benchmark::RegisterBenchmark(
        (std::string("info|opening ") + window + " on an empty shop (what its widgets cost)").c_str(),
        [](benchmark::State& state) {
            AppContext& ctx = BenchShop::instance().emptyShop();
            for (auto _ : state) {
                auto w = std::make_unique<Window>(ctx);
                w->show();
                QApplication::processEvents();
            }
        })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

void registerPanelBenchmarks()
{
    panelPair<frmReg>("frmReg", "employees and items lists", {"tblEmp", "tblStocks", "tblNot"});
    panelPair<frmSetting>("frmSetting", "logs and accounts lists", {"tblLogs", "tblClient", "tblNot"});
    panelPair<frmMain>("frmMain", "sign-in log, notification centre", {"tblLogs", "tblNot", "tblMain"});
}

const Registration registration(4, registerPanelBenchmarks);

} // namespace
