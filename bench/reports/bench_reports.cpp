// The sales ledger at shop scale: a million sales over about three years, and the day and
// span selections the report window makes on it.

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "reports/SalesQueries.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSales = 1'000'000;
constexpr int kSalesPerDay = 1000;
const QDate kFirstDay(2024, 1, 1);

// One database for every benchmark: built once, with the same schema (and indexes) as a
// shop's file.
Database& ledger()
{
    static QTemporaryDir dir;
    static Database db;
    if (!db.isOpen()) {
        const QString path = dir.filePath(Database::fileName());
        InitOptions options;
        options.adminPassword = QStringLiteral("bench");
        QString error;
        if (!createDatabaseFile(path, options, &error) || !db.open(path))
            qFatal("cannot create the benchmark database: %s", qPrintable(error + db.lastError()));
        Transaction tx(db);
        for (int i = 0; i < kSales; ++i) {
            const QDate day = kFirstDay.addDays(i / kSalesPerDay);
            const double due = 20 + (i * 37 % 2000) / 2.0;
            db.ExecuteSql(QStringLiteral("INSERT INTO tblSales VALUES (?, ?, ?, '0.00', ?, 'Maria')"),
                          {DateText(day), TimeText(QTime(8, 0).addSecs(i % kSalesPerDay * 30)),
                           FormatNumber(due, NumberPattern::Plain2), FormatNumber(due, NumberPattern::Plain2)});
        }
        tx.commit();
    }
    return db;
}

const QString kYearFrom = QStringLiteral("January 01, 2025");
const QString kYearTo = QStringLiteral("December 31, 2025");

void BM_SumSalesForRange_Year(benchmark::State& state)
{
    Database& db = ledger();
    for (auto _ : state)
        benchmark::DoNotOptimize(SumSalesForRange(db, kYearFrom, kYearTo));
}
BENCHMARK(BM_SumSalesForRange_Year)->Unit(benchmark::kMillisecond);

// What "Show" by cut-off does for a year: the grid's first page, its row count and the total.
void BM_ShowByCutoff_Year(benchmark::State& state)
{
    Database& db = ledger();
    DataControl grid(db);
    for (auto _ : state) {
        ShowSalesForRange(grid, kYearFrom, kYearTo);
        benchmark::DoNotOptimize(grid.totalRowCount());
        benchmark::DoNotOptimize(SumSalesForRange(db, kYearFrom, kYearTo));
    }
    state.counters["rows"] = grid.totalRowCount();
}
BENCHMARK(BM_ShowByCutoff_Year)->Unit(benchmark::kMillisecond);

// What "Show" by date (and the ledger's day pick) does for one day.
void BM_ShowByDate_Day(benchmark::State& state)
{
    Database& db = ledger();
    DataControl grid(db);
    const QString day = DateText(kFirstDay.addDays(500));
    for (auto _ : state) {
        ShowSalesForDate(grid, day);
        benchmark::DoNotOptimize(grid.totalRowCount());
        benchmark::DoNotOptimize(SumSalesForDate(db, day));
    }
}
BENCHMARK(BM_ShowByDate_Day)->Unit(benchmark::kMillisecond);

// The rows a month's report prints, read in full.
void BM_SelectSalesForRange_Month(benchmark::State& state)
{
    Database& db = ledger();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            SelectSalesForRange(db, QStringLiteral("March 01, 2025"), QStringLiteral("March 31, 2025")).rowCount());
}
BENCHMARK(BM_SelectSalesForRange_Month)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
