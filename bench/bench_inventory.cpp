// The inventory window at shop scale, driven through its widgets: opening it, the stock
// search by each of its four fields, the five stock-watch lists, and a day picked in the
// sold-items panel with its total. The baselines run the same statements, prepared once.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/TextForms.h"
#include "inventory/InventoryData.h"
#include "inventory/frmInvent.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <memory>

namespace {

std::shared_ptr<frmInvent> openInvent()
{
    auto window = std::make_shared<frmInvent>(BenchShop::instance().ctx);
    window->show();
    QApplication::processEvents();
    return window;
}

// The least work of a list shown with its count: the first page and count(*).
struct Listing
{
    Listing(const std::string& from, const std::string& where)
        : page(BenchShop::instance().db.handle(),
               ("SELECT rowid, * FROM " + from + where + " ORDER BY rowid LIMIT 256").c_str()),
          count(BenchShop::instance().db.handle(), ("SELECT count(*) FROM " + from + where).c_str())
    {
    }
    void run(const std::string& value = {})
    {
        if (!value.empty()) {
            page.bind(1, value);
            count.bind(1, value);
        }
        page.all();
        count.row();
        benchmark::DoNotOptimize(count.integer(0));
        count.reset();
    }
    Stmt page, count;
};

double sumAmounts(Stmt& stmt)
{
    double total = 0;
    while (stmt.row())
        total += groupedNumber(stmt.text(0));
    stmt.reset();
    return total;
}

void searchPair(const char* option, const char* field, const char* column, QString first, QString second)
{
    registerPair(
        "lookup", std::string("stock search by ") + field + " (frmInvent)", {[=](benchmark::State& state) -> Operation {
            auto invent = openInvent();
            child<QRadioButton>(*invent, option)->click();
            auto* search = child<QLineEdit>(*invent, "txtSearching");
            auto* found = child<QLabel>(*invent, "lblFound");
            return [=, window = invent, &state, i = 0]() mutable {
                search->setText(i++ % 2 ? second : first);
                // A large list is counted in steps between events: until the count shows.
                while (found->text() == QLatin1String("..."))
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                if (found->text().toInt() <= 0)
                    state.SkipWithError("the search found nothing");
            };
        }},
        {[=](benchmark::State&) -> Operation {
            auto list = std::make_shared<Listing>("tblStocks", std::string(" WHERE ") + column + " LIKE ? ESCAPE '\\'");
            const std::string a = "%" + first.toStdString() + "%", b = "%" + second.toStdString() + "%";
            return [=, i = 0]() mutable { list->run(i++ % 2 ? b : a); };
        }});
}

void watchPair(const char* button, int threshold)
{
    registerPair("lookup", "stock watch below " + std::to_string(threshold) + " (frmInvent)",
                 {[=](benchmark::State& state) -> Operation {
                     auto invent = openInvent();
                     child<QAbstractButton>(*invent, "lvButtons_H12")->click();
                     auto* press = child<QAbstractButton>(*invent, button);
                     auto* count = child<QLabel>(*invent, "lblWatch");
                     return [=, window = invent, &state] {
                         press->click();
                         // A server counts many rows in steps between events: until the count shows.
                         while (count->text() == QLatin1String("..."))
                             QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                         if (count->text().toInt() <= 0)
                             state.SkipWithError("the list is empty");
                     };
                 }},
                 {[=](benchmark::State&) -> Operation {
                     auto list =
                         std::make_shared<Listing>("tblStocks", " WHERE ItemStocks < " + std::to_string(threshold));
                     return [=] { list->run(); };
                 }});
}

} // namespace

void registerInventoryBenchmarks()
{
    registerPair("window", "opening frmInvent",
                 {[](benchmark::State&) -> Operation { return [] { benchmark::DoNotOptimize(openInvent()); }; }},
                 {[](benchmark::State&) -> Operation {
                     // the stock list and the sold lines with their counts, and the total of all sold lines
                     auto stock = std::make_shared<Listing>("tblStocks", "");
                     auto sold = std::make_shared<Listing>("tblSold", "");
                     auto all = std::make_shared<Stmt>(BenchShop::instance().db.handle(), "SELECT Amount FROM tblSold");
                     return [=] {
                         stock->run();
                         sold->run();
                         benchmark::DoNotOptimize(sumAmounts(*all));
                     };
                 }},
                 benchmark::kMillisecond);

    searchPair("Option1", "name", "ItemName", QStringLiteral("coffee"), QStringLiteral("cocoa"));
    searchPair("Option2", "item number", "ItemNumber", QStringLiteral("123"), QStringLiteral("456"));
    searchPair("Option3", "availability", "ItemAvailability", QStringLiteral("out"), QStringLiteral("reserved"));
    searchPair("Option4", "brand", "ItemBrand", QStringLiteral("sun"), QStringLiteral("harbor"));

    watchPair("lvButtons_H9", 50);
    watchPair("lvButtons_H10", 100);
    watchPair("lvButtons_H11", 200);
    watchPair("lvButtons_H14", 300);
    watchPair("lvButtons_H15", 500);

    // A day picked in the sold-items panel: its lines listed, counted and totalled.
    const QDate last = DateFromText(BenchShop::instance().lastDay());
    const QList<QDate> days = {last, last.addDays(-1)};
    registerPair(
        "report", "day's sold items and total (frmInvent date pick)", {[=](benchmark::State& state) -> Operation {
            auto invent = openInvent();
            child<QAbstractButton>(*invent, "lvButtons_H1")->click();
            auto* calendar = child<QCalendarWidget>(*invent, "Calendar1");
            auto* total = child<QLineEdit>(*invent, "txtSales");
            return [=, window = invent, &state, i = 0]() mutable {
                emit calendar->clicked(days[i++ % 2]);
                if (total->text().isEmpty())
                    state.SkipWithError("no total shown");
            };
        }},
        {[=](benchmark::State&) -> Operation {
            auto list = std::make_shared<Listing>("tblSold", " WHERE Dated = ?");
            auto amounts =
                std::make_shared<Stmt>(BenchShop::instance().db.handle(), "SELECT Amount FROM tblSold WHERE Dated = ?");
            const std::vector<std::string> texts = {DateText(days[0]).toStdString(), DateText(days[1]).toStdString()};
            return [=, i = 0]() mutable {
                const std::string& day = texts[i++ % 2];
                list->run(day);
                amounts->bind(1, day);
                benchmark::DoNotOptimize(sumAmounts(*amounts));
            };
        }},
        benchmark::kMillisecond);

    registerPair("report", "day's sold-item total (frmInvent SumSoldAmountForDate)",
                 {[=](benchmark::State& state) -> Operation {
                     auto invent = openInvent();
                     child<QLineEdit>(*invent, "txtSearch1")->setText(DateText(days[0]));
                     auto* total = child<QLineEdit>(*invent, "txtSales");
                     return [=, window = invent, &state] {
                         invent->SumSoldAmountForDate();
                         if (total->text().isEmpty())
                             state.SkipWithError("no total shown");
                     };
                 }},
                 {[=](benchmark::State&) -> Operation {
                     auto amounts = std::make_shared<Stmt>(BenchShop::instance().db.handle(),
                                                           "SELECT Amount FROM tblSold WHERE Dated = ?");
                     const std::string day = DateText(days[0]).toStdString();
                     return [=] {
                         amounts->bind(1, day);
                         benchmark::DoNotOptimize(sumAmounts(*amounts));
                     };
                 }},
                 benchmark::kMillisecond);
}

namespace {
const Registration registration(3, registerInventoryBenchmarks);
} // namespace
