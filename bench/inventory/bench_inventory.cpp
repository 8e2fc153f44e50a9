// The inventory window at shop scale: 100,000 items and a million sold lines over 1,000 days,
// and what a user does there: open the window, search the stock, pick a day, read the totals.

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "inventory/InventoryData.h"
#include "inventory/frmInvent.h"
#include "platform/Platform.h"
#include "session/AppContext.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sqlite3.h>

namespace {

constexpr int kItems = 100'000;
constexpr int kSold = 1'000'000;
constexpr int kLinesPerDay = 1000;
const QDate kFirstDay(2024, 1, 1);

struct Shop
{
    QTemporaryDir dir;
    Database db;
    Platform platform;
    AppContext ctx{db, platform};
};

// Inserts many rows through one prepared statement, all in one transaction.
void fill(Database& db, const char* sql, int rows, const std::function<QStringList(int)>& values)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.handle(), sql, -1, &stmt, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QStringList v = values(i);
        for (int c = 0; c < v.size(); ++c) {
            const QByteArray utf8 = v.at(c).toUtf8();
            sqlite3_bind_text(stmt, c + 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

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
        Transaction tx(s->db);
        static const char* const brands[] = {"Sunny", "Highland", "Seaside", "Bakehouse", "Golden Field"};
        fill(s->db,
             "INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, ItemBrand, "
             "ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)",
             kItems, [](int i) {
                 const int stock = i * 7919 % 1000;
                 return QStringList{QString::number(100000 + i),
                                    QStringLiteral("Item %1").arg(i),
                                    QString::number(10 + i % 500),
                                    QStringLiteral("Description of item %1").arg(i),
                                    QString::number(stock),
                                    QString::fromLatin1(brands[i % 5]),
                                    stock > 0 ? QStringLiteral("Available") : QStringLiteral("Out of Stock")};
             });
        fill(s->db,
             "INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, PresentStock, Cashier, "
             "Amount) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
             kSold, [](int i) {
                 const int item = i * 31 % kItems;
                 const int quantity = 1 + i % 5;
                 return QStringList{QString::number(i / 3),
                                    DateText(kFirstDay.addDays(i / kLinesPerDay)),
                                    QStringLiteral("Item %1").arg(item),
                                    QString::number(100000 + item),
                                    QString::number(quantity),
                                    QStringLiteral("100"),
                                    QStringLiteral("Maria"),
                                    FormatNumber(quantity * (10 + item % 500) * 3, NumberPattern::Grouped0)};
             });
        tx.commit();
    }
    return *s;
}

QString dayText(int n)
{
    return DateText(kFirstDay.addDays(n % (kSold / kLinesPerDay)));
}

// Constructing the window: the stock list, the sold list, the counters and the total of all
// sold lines.
void BM_OpenWindow(benchmark::State& state)
{
    Shop& s = shop();
    for (auto _ : state) {
        frmInvent window(s.ctx);
        benchmark::DoNotOptimize(&window);
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

// One keystroke in the stock search: the filter, the first page and the found count.
void BM_StockSearch(benchmark::State& state)
{
    Shop& s = shop();
    frmInvent window(s.ctx);
    auto* search = window.findChild<QLineEdit*>(QStringLiteral("txtSearching"));
    const QString texts[] = {QStringLiteral("Item 4711"), QStringLiteral("Item 9"), QStringLiteral("zzz")};
    int n = 0;
    for (auto _ : state)
        search->setText(texts[n++ % 3]);
}
BENCHMARK(BM_StockSearch)->Unit(benchmark::kMillisecond);

// Picking a day in the calendar: the day's lines, their count and their total.
void BM_SwitchDay(benchmark::State& state)
{
    Shop& s = shop();
    frmInvent window(s.ctx);
    auto* calendar = window.findChild<QCalendarWidget*>(QStringLiteral("Calendar1"));
    int n = 0;
    for (auto _ : state)
        emit calendar->clicked(kFirstDay.addDays(n++ * 37 % (kSold / kLinesPerDay)));
}
BENCHMARK(BM_SwitchDay)->Unit(benchmark::kMillisecond);

// The sold-items name filter over the million lines, as the window applies it once typing
// pauses: the first page and the true count (Transactions).
void BM_SoldNameFilter(benchmark::State& state)
{
    Shop& s = shop();
    frmInvent window(s.ctx);
    auto* sold = window.findChild<DataControl*>(QStringLiteral("Adodc1"));
    const QString texts[] = {QStringLiteral("Item 4711"), QStringLiteral("Item 9"), QStringLiteral("zzz")};
    int n = 0;
    for (auto _ : state) {
        sold->setFilter(QStringLiteral("ItemName"), texts[n++ % 3]);
        benchmark::DoNotOptimize(sold->totalRowCount());
    }
}
BENCHMARK(BM_SoldNameFilter)->Unit(benchmark::kMillisecond);

// A stock-watch button: the items below the threshold and their count.
void BM_StockWatch(benchmark::State& state)
{
    Shop& s = shop();
    frmInvent window(s.ctx);
    const char* buttons[] = {"lvButtons_H9", "lvButtons_H15"};
    int n = 0;
    for (auto _ : state)
        window.findChild<QPushButton*>(QLatin1String(buttons[n++ % 2]))->click();
}
BENCHMARK(BM_StockWatch)->Unit(benchmark::kMillisecond);

void BM_SumAllSold(benchmark::State& state)
{
    Shop& s = shop();
    for (auto _ : state)
        benchmark::DoNotOptimize(InventoryData::sumAllSold(s.db));
}
BENCHMARK(BM_SumAllSold)->Unit(benchmark::kMillisecond);

void BM_SumSoldForDate(benchmark::State& state)
{
    Shop& s = shop();
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(InventoryData::sumSoldForDate(s.db, dayText(n++ * 37)));
}
BENCHMARK(BM_SumSoldForDate)->Unit(benchmark::kMicrosecond);

void BM_SoldQuantity(benchmark::State& state)
{
    Shop& s = shop();
    int n = 0;
    for (auto _ : state) {
        const int i = n++ * 7777 % kSold;
        benchmark::DoNotOptimize(
            InventoryData::soldQuantity(s.db, dayText(i / kLinesPerDay), QString::number(100000 + i * 31 % kItems)));
    }
}
BENCHMARK(BM_SoldQuantity)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
