// How long the windows stop answering during the program's longest work at shop scale: a
// backup of the whole file, the preview of a one-year sales report and a search in the
// sold-items panel. Each runs once from inside a running event loop, as a click does, while a
// 1 ms timer ticks; the longest gap between two ticks is the longest the event loop was
// blocked (what a user sees as a frozen window). Target: under 100 ms each.
#include "BenchShop.h"
#include "Pairs.h"

#include "admin/frmSetting.h"
#include "data/Backup.h"
#include "data/DataControl.h"
#include "inventory/frmInvent.h"
#include "platform/DataGrid.h"
#include "reports/frmPrint.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrintPreviewWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// Runs `work` from inside a running event loop and keeps the loop running until `finished`
// says the work is complete (work that timers finish), checked every 5 ms. Returns the longest
// gap between two ticks of a 1 ms timer over that whole time, in milliseconds; `took`
// receives the time until the work was complete, in seconds.
double longestBlock(const std::function<void()>& work, const std::function<bool()>& finished, double* took)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    auto tick = [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    };
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, tick);
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (finished()) {
            *took = clock.nsecsElapsed() / 1e9;
            loop.quit();
        }
    });
    QTimer::singleShot(0, &loop, [&] {
        work();
        check.start();
    });
    clock.start();
    probe.start();
    loop.exec();
    tick();
    return longest / 1e6;
}

bool always()
{
    return true;
}

void record(benchmark::State& state, double blockedMs, double tookSeconds)
{
    state.counters["blocked_ms"] = blockedMs;
    state.counters["work_s"] = tookSeconds;
}

template <typename Fn> void registerOnce(const char* name, Fn fn)
{
    benchmark::RegisterBenchmark(name, fn)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// A server's database is backed up and restored on the server (pg_dump), never by a till.
bool skippedOnServer(benchmark::State& state)
{
    if (!BenchShop::onServer())
        return false;
    state.SkipWithError("the server's database is backed up on the server, not by the program");
    return true;
}

void backup(benchmark::State& state)
{
    if (skippedOnServer(state))
        return;
    BenchShop& shop = BenchShop::instance();
    QTemporaryDir folder;
    frmSetting window(shop.ctx);
    window.show();
    QApplication::processEvents();
    child<QLineEdit>(window, "txtDatabase")->setText(folder.path());
    auto* button = child<QAbstractButton>(window, "lvButtons_H5");
    for (auto _ : state) {
        double took = 0;
        const double blocked = longestBlock([button] { button->click(); }, always, &took);
        record(state, blocked, took);
    }
    if (!QFileInfo::exists(QDir(folder.path()).filePath(Database::fileName())))
        state.SkipWithError("no backup written");
}

// What the restore question counts before it is asked: the sales made after the backup, here
// a backup a year old (midday of the first day of the year that ends on the last sale day).
void salesAfterBackup(benchmark::State& state)
{
    if (skippedOnServer(state))
        return;
    BenchShop& shop = BenchShop::instance();
    const QDateTime when(QLocale::c().toDate(shop.yearStart(), QStringLiteral("MMMM dd, yyyy")), QTime(12, 0));
    qint64 counted = -1;
    for (auto _ : state) {
        double took = 0;
        const double blocked = longestBlock([&] { counted = salesAfter(shop.db, when); }, always, &took);
        record(state, blocked, took);
    }
    state.counters["sales"] = static_cast<double>(counted);
    if (counted < 0)
        state.SkipWithError("the sales were not counted");
}

// The print window shown, with the span of the shop's last year chosen.
void chooseYear(frmPrint& window)
{
    BenchShop& shop = BenchShop::instance();
    window.show();
    QApplication::processEvents();
    child<QRadioButton>(window, "Option2")->click();
    child<QLineEdit>(window, "Text1")->setText(shop.yearStart());
    child<QLineEdit>(window, "Text2")->setText(shop.lastDay());
}

// The sales of a year shown in the print window (Show by cut-off): the grid, its count and the
// total; complete when the total is shown.
void yearShown(benchmark::State& state)
{
    frmPrint window(BenchShop::instance().ctx);
    chooseYear(window);
    auto* show = child<QAbstractButton>(window, "lvButtons_H6");
    auto* total = child<QLineEdit>(window, "Text3");
    for (auto _ : state) {
        total->clear();
        double took = 0;
        const double blocked =
            longestBlock([show] { show->click(); }, [total] { return !total->text().isEmpty(); }, &took);
        record(state, blocked, took);
    }
}

void yearPreview(benchmark::State& state)
{
    BenchShop& shop = BenchShop::instance();
    frmPrint window(shop.ctx);
    chooseYear(window);
    child<QAbstractButton>(window, "lvButtons_H6")->click(); // Show: the span's sales, which enables Print
    auto* print = child<QAbstractButton>(window, "lvButtons_H3");
    int pages = 0;
    // The preview lays out its pages when it is shown; it is closed as soon as it stands.
    shop.onModal = [&pages](QDialog& preview) {
        preview.show();
        if (auto* widget = preview.findChild<QPrintPreviewWidget*>())
            pages = widget->pageCount();
        preview.hide();
        return static_cast<int>(QDialog::Accepted);
    };
    for (auto _ : state) {
        double took = 0;
        const double blocked = longestBlock([print] { print->click(); }, always, &took);
        record(state, blocked, took);
    }
    shop.onModal = nullptr;
    state.counters["pages"] = pages;
    if (pages == 0)
        state.SkipWithError("no preview shown");
}

// Types `typed` into the search box a letter at a time, as a clerk does, and records the longest
// block until the count of what was found (`count`) is shown.
void typeSearch(benchmark::State& state, QLineEdit* search, const QString& typed, const std::function<QString()>& count)
{
    for (auto _ : state) {
        const QString everything = count();
        double took = 0;
        const double blocked = longestBlock(
            [search, typed] {
                search->clear();
                for (const QChar c : typed)
                    search->insert(QString(c));
            },
            [count, everything] { return count() != everything && count() != u"..."; }, &took);
        record(state, blocked, took);
        state.counters["found"] = count().toDouble();
    }
}

// Shows the window with its sold-items panel (a million lines) open.
void showSoldItems(frmInvent& window)
{
    window.show();
    QApplication::processEvents();
    child<QAbstractButton>(window, "lvButtons_H1")->click();
    QApplication::processEvents();
}

// `whole`: a whole item name, whose few lines lie scattered over the million; otherwise its first
// five letters, which many lines share.
void soldSearch(benchmark::State& state, bool whole)
{
    BenchShop& shop = BenchShop::instance();
    frmInvent window(shop.ctx);
    showSoldItems(window);
    auto* search = child<QLineEdit>(window, "txtSearch");
    auto* count = child<QLineEdit>(window, "Text1");
    // A few letters of a real item's name, as a clerk types them; the search is complete when
    // the count of the lines found is shown.
    const QString typed = whole ? shop.itemNames().front() : shop.itemNames().front().left(5);
    typeSearch(state, search, typed, [count] { return count->text(); });
}

// The rowids of the first page of items whose `column` holds `text`, as the plain contains
// comparison of the engine finds them in rowid order: what the stock list must show first.
QVector<qint64> plainFirstPage(Database& db, const QString& column, const QString& text)
{
    QVector<qint64> ids;
    db.forEachRow(QStringLiteral("SELECT rowid FROM tblStocks WHERE %1 ORDER BY rowid LIMIT %2")
                      .arg(db.containsSql(db.quoteIdentifier(column)))
                      .arg(DataControl::kPageSize),
                  {QLatin1Char('%') + text + QLatin1Char('%')}, [&ids](const QVector<QVariant>& row) {
                      ids << row.first().toLongLong();
                      return true;
                  });
    return ids;
}

// A search of the stock list (a million items at scale 10) by one of its options, typed a letter at
// a time; complete when the count of the items found is shown. Then the first page of the whole
// text given at once is timed, and checked against the plain comparison's first rows, in order.
void stockSearch(benchmark::State& state, const char* option, const char* column, const QString& typed)
{
    BenchShop& shop = BenchShop::instance();
    frmInvent window(shop.ctx);
    window.show();
    QApplication::processEvents();
    child<QRadioButton>(window, option)->click();
    auto* search = child<QLineEdit>(window, "txtSearching");
    auto* count = child<QLabel>(window, "lblFound");
    typeSearch(state, search, typed, [count] { return count->text(); });
    // Then the time from the whole text given at once (pasted, or scanned) to its first page of
    // items listed: the page's rows, or every item found when fewer.
    auto* control = qobject_cast<DataControl*>(child<DataGrid>(window, "DataGrid2")->model());
    search->clear();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    search->setText(typed);
    while (control->isFilling())
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    state.counters["first_page_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QVector<qint64> shown;
    for (int row = 0; row < std::min(control->rowCount(), DataControl::kPageSize); ++row)
        shown << control->rowId(row);
    if (shown != plainFirstPage(shop.db, QLatin1String(column), typed))
        state.SkipWithError("the first page is not the plain comparison's first rows");
}

// A stock watch that lists most of the million items (below 500), clicked in the inventory
// window; complete when the count of the items listed is shown.
void stockWatch(benchmark::State& state)
{
    BenchShop& shop = BenchShop::instance();
    frmInvent window(shop.ctx);
    window.show();
    QApplication::processEvents();
    child<QAbstractButton>(window, "lvButtons_H12")->click();
    QApplication::processEvents();
    auto* press = child<QAbstractButton>(window, "lvButtons_H15");
    auto* count = child<QLabel>(window, "lblWatch");
    for (auto _ : state) {
        double took = 0;
        const double blocked =
            longestBlock([press] { press->click(); }, [count] { return count->text() != QLatin1String("..."); }, &took);
        record(state, blocked, took);
        state.counters["found"] = count->text().toDouble();
    }
}

// A click on a heading of the sold-items panel (a million lines) sorting by a column that no
// index serves, optionally after a search; complete when the first rows sorted are shown.
void soldSort(benchmark::State& state, const char* column, const QString& search)
{
    BenchShop& shop = BenchShop::instance();
    frmInvent window(shop.ctx);
    showSoldItems(window);
    auto* grid = child<DataGrid>(window, "DataGrid1");
    auto* control = qobject_cast<DataControl*>(grid->model());
    if (!search.isEmpty()) {
        child<QLineEdit>(window, "txtSearch")->setText(search);
        while (control->filterText().isEmpty() || control->isFilling())
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const int section = control->columnIndex(QString::fromLatin1(column));
    for (auto _ : state) {
        double took = 0;
        QHeaderView* header = grid->horizontalHeader();
        const double blocked = longestBlock(
            // What a click on the heading does: its arrow set, the order asked of the list.
            [header, section] { header->setSortIndicator(section, Qt::AscendingOrder); },
            [control] { return !control->isFilling(); }, &took);
        record(state, blocked, took);
        state.counters["rows"] = control->rowCount();
    }
    if (control->sortColumn() != section)
        state.SkipWithError("not sorted");
}

// The floor of the measure on this machine at this moment: work in steps of 10 ms of plain
// arithmetic, one step a pass of the event loop, for 8 s, as a stepped search does. Its longest
// block is what the machine's other work adds to any step; a search's block is judged beside it.
void steppedReference(benchmark::State& state)
{
    QTimer step;
    step.setInterval(0);
    QElapsedTimer since;
    volatile quint64 sink = 0;
    QObject::connect(&step, &QTimer::timeout, [&] {
        QElapsedTimer clock;
        clock.start();
        while (clock.nsecsElapsed() < 10000000) {
            for (int i = 0; i < 1000; ++i)
                sink = sink * 6364136223846793005ULL + 1442695040888963407ULL;
        }
    });
    for (auto _ : state) {
        double took = 0;
        const double blocked = longestBlock(
            [&] {
                since.start();
                step.start();
            },
            [&] { return since.elapsed() >= 8000; }, &took);
        step.stop();
        record(state, blocked, took);
    }
}

void registerBlockingBenchmarks()
{
    registerOnce("blocked|reference: 10 ms steps of arithmetic for 8 s (the machine's own pauses)", steppedReference);
    registerOnce("blocked|backup of the shop's file (frmSetting Backup Database)", backup);
    registerOnce("blocked|sales newer than a backup counted (frmSetting Restore question)", salesAfterBackup);
    registerOnce("blocked|one-year span shown (frmPrint Show by cut-off)", yearShown);
    registerOnce("blocked|one-year sales report preview (frmPrint Print by cut-off)", yearPreview);
    registerOnce("blocked|search in the sold-items panel (frmInvent txtSearch, five letters)",
                 [](benchmark::State& state) { soldSearch(state, false); });
    registerOnce("blocked|search in the sold-items panel (frmInvent txtSearch, a whole item name)",
                 [](benchmark::State& state) { soldSearch(state, true); });
    registerOnce("blocked|sold-items panel sorted by cashier (frmInvent heading click, no index)",
                 [](benchmark::State& state) { soldSort(state, "Cashier", {}); });
    registerOnce("blocked|stock search by name (frmInvent txtSearching, \"coffee\")",
                 [](benchmark::State& state) { stockSearch(state, "Option1", "ItemName", QStringLiteral("coffee")); });
    registerOnce("blocked|stock search by availability (frmInvent txtSearching, \"out\")", [](benchmark::State& state) {
        stockSearch(state, "Option3", "ItemAvailability", QStringLiteral("out"));
    });
    registerOnce("blocked|stock search by brand (frmInvent txtSearching, \"harbor\")",
                 [](benchmark::State& state) { stockSearch(state, "Option4", "ItemBrand", QStringLiteral("harbor")); });
    registerOnce("blocked|stock search by name (frmInvent txtSearching, a whole item name)",
                 [](benchmark::State& state) {
                     stockSearch(state, "Option1", "ItemName", BenchShop::instance().itemNames().front());
                 });
    registerOnce("blocked|stock search by item number (frmInvent txtSearching, a whole number)",
                 [](benchmark::State& state) {
                     stockSearch(state, "Option2", "ItemNumber", BenchShop::instance().itemNumbers().front());
                 });
    registerOnce("blocked|stock watch below 500 (frmInvent lvButtons_H15)", stockWatch);
    registerOnce(
        "blocked|sold-items panel searched, then sorted by amount (frmInvent heading click)",
        [](benchmark::State& state) { soldSort(state, "Amount", BenchShop::instance().itemNames().front().left(5)); });
}

const Registration registration(6, registerBlockingBenchmarks);

} // namespace
