// The data layer as the windows use it: lookups through OpenRecordset, list panels opened
// through DataControl with their true row counts, contains-searches, and
// the number reading every window applies to typed text.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/DataControl.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <cstdlib>
#include <memory>

namespace {

std::string utf8(const QString& s)
{
    return s.toStdString();
}

// An item looked up by one column and all its fields read, as the sales window does.
void lookupPair(const std::string& operation, const char* column, bool byName)
{
    const QString sql = QStringLiteral("Select * from tblStocks where %1=?").arg(QLatin1String(column));
    auto key = [byName](size_t i) -> const QString& {
        BenchShop& shop = BenchShop::instance();
        return byName ? shop.itemNames()[i % shop.itemNames().size()]
                      : shop.itemNumbers()[i % shop.itemNumbers().size()];
    };
    registerPair("lookup", operation, {[=](benchmark::State& state) -> Operation {
                     return [=, &state, i = size_t(0)]() mutable {
                         Recordset& rs = BenchShop::instance().db.OpenRecordset(sql, {key(i++)});
                         if (rs.BOF())
                             state.SkipWithError("item not found");
                         benchmark::DoNotOptimize(rs.text(QStringLiteral("ItemName")));
                         benchmark::DoNotOptimize(rs.text(QStringLiteral("ItemPrice")));
                     };
                 }},
                 {[=](benchmark::State& state) -> Operation {
                     auto stmt = std::make_shared<Stmt>(BenchShop::instance().db.handle(), sql.toUtf8().constData());
                     return [=, &state, i = size_t(0)]() mutable {
                         const std::string k = utf8(key(i++));
                         stmt->bind(1, k);
                         if (stmt->all() != 1)
                             state.SkipWithError("item not found");
                     };
                 }});
}

// A list panel opened on a table: its first page fetched and its true count known.
void listPair(const std::string& operation, const QString& table)
{
    registerPair("window", operation, {[=](benchmark::State&) -> Operation {
                     return [=] {
                         DataControl control(BenchShop::instance().db);
                         control.setRecordSource(QStringLiteral("Select * from %1").arg(table));
                         control.Refresh();
                         benchmark::DoNotOptimize(control.totalRowCount());
                     };
                 }},
                 {[=](benchmark::State&) -> Operation {
                     sqlite3* db = BenchShop::instance().db.handle();
                     auto rows = std::make_shared<Stmt>(
                         db, ("SELECT rowid, * FROM " + utf8(table) + " ORDER BY rowid LIMIT 256").c_str());
                     auto total = std::make_shared<Stmt>(db, ("SELECT count(*) FROM " + utf8(table)).c_str());
                     return [=] {
                         benchmark::DoNotOptimize(rows->all());
                         total->row();
                         benchmark::DoNotOptimize(total->integer(0));
                         total->reset();
                     };
                 }});
}

// A contains-search on one column of a list, with the count of what it found.
void searchPair(const std::string& operation, const QString& table, const QString& column, const QString& text)
{
    registerPair("lookup", operation, {[=](benchmark::State&) -> Operation {
                     auto control = std::make_shared<DataControl>(BenchShop::instance().db);
                     control->setRecordSource(QStringLiteral("Select * from %1").arg(table));
                     control->Refresh();
                     return [=] {
                         control->setFilter(column, text);
                         // A large table's page is gathered between events: read it here at once,
                         // as the baseline reads its page.
                         control->setCurrentRow(0);
                         benchmark::DoNotOptimize(control->totalRowCount());
                     };
                 }},
                 {[=](benchmark::State&) -> Operation {
                     sqlite3* db = BenchShop::instance().db.handle();
                     const std::string where = " WHERE " + utf8(column) + " LIKE ? ESCAPE '\\'";
                     auto rows = std::make_shared<Stmt>(
                         db, ("SELECT rowid, * FROM " + utf8(table) + where + " ORDER BY rowid LIMIT 256").c_str());
                     auto total = std::make_shared<Stmt>(db, ("SELECT count(*) FROM " + utf8(table) + where).c_str());
                     const std::string pattern = "%" + utf8(text) + "%";
                     return [=] {
                         rows->bind(1, pattern);
                         benchmark::DoNotOptimize(rows->all());
                         total->bind(1, pattern);
                         total->row();
                         benchmark::DoNotOptimize(total->integer(0));
                         total->reset();
                     };
                 }});
}

// A list sorted by a click on a column heading: the first page in the column's order and the
// true count. The list is put back in its own order untimed after each sort.
void sortedPair(const std::string& operation, const QString& table, const QString& column, Qt::SortOrder order)
{
    auto control = std::make_shared<DataControl>(BenchShop::instance().db);
    registerPair("window", operation,
                 {[=](benchmark::State&) -> Operation {
                      control->setRecordSource(QStringLiteral("Select * from %1").arg(table));
                      control->Refresh();
                      return [=] {
                          control->sort(control->columnIndex(column), order);
                          benchmark::DoNotOptimize(control->totalRowCount());
                      };
                  },
                  [=] { control->sort(-1); }},
                 {[=](benchmark::State&) -> Operation {
                     sqlite3* db = BenchShop::instance().db.handle();
                     const std::string key = utf8(SortKeySql(table, column));
                     const std::string direction = order == Qt::DescendingOrder ? " DESC" : "";
                     auto rows =
                         std::make_shared<Stmt>(db, ("SELECT rowid, " + key + ", * FROM " + utf8(table) + " ORDER BY " +
                                                     key + direction + ", rowid" + direction + " LIMIT 256")
                                                        .c_str());
                     auto total = std::make_shared<Stmt>(db, ("SELECT count(*) FROM " + utf8(table)).c_str());
                     return [=] {
                         benchmark::DoNotOptimize(rows->all());
                         total->row();
                         benchmark::DoNotOptimize(total->integer(0));
                         total->reset();
                     };
                 }});
}

// The least work of the reading NumberFromText defines: the text copied without its blanks,
// then its leading number read (no hexadecimal or octal prefixes, no D exponent).
double plainReading(const char* text)
{
    char kept[64];
    size_t n = 0;
    for (; *text && n + 1 < sizeof kept; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n')
            kept[n++] = *text;
    kept[n] = 0;
    return std::strtod(kept, nullptr);
}

} // namespace

void registerDataBenchmarks()
{
    lookupPair("item by number (OpenRecordset)", "ItemNumber", false);
    lookupPair("item by name (OpenRecordset)", "ItemName", true);

    listPair("items list with count", QStringLiteral("tblStocks"));
    listPair("employees list with count", QStringLiteral("tblEmp"));
    listPair("accounts list with count", QStringLiteral("tblClient"));
    listPair("logs list with count", QStringLiteral("tblLogs"));
    listPair("notifications list with count", QStringLiteral("tblNot"));
    listPair("sold items list with count", QStringLiteral("tblSold"));
    listPair("sales ledger with count", QStringLiteral("tblSales"));

    searchPair("items search by name", QStringLiteral("tblStocks"), QStringLiteral("ItemName"),
               QStringLiteral("coffee"));
    searchPair("logs search by user", QStringLiteral("tblLogs"), QStringLiteral("UserName"), QStringLiteral("santos"));
    searchPair("employees search by name", QStringLiteral("tblEmp"), QStringLiteral("EmployeeName"),
               QStringLiteral("maria"));

    sortedPair("items list sorted by price", QStringLiteral("tblStocks"), QStringLiteral("ItemPrice"),
               Qt::AscendingOrder);
    sortedPair("items list sorted by price, descending", QStringLiteral("tblStocks"), QStringLiteral("ItemPrice"),
               Qt::DescendingOrder);
    sortedPair("items list sorted by name", QStringLiteral("tblStocks"), QStringLiteral("ItemName"),
               Qt::AscendingOrder);
    sortedPair("sold items list sorted by amount, descending", QStringLiteral("tblSold"), QStringLiteral("Amount"),
               Qt::DescendingOrder);
    sortedPair("sold items list sorted by day, descending", QStringLiteral("tblSold"), QStringLiteral("Dated"),
               Qt::DescendingOrder);

    static const QString texts[] = {QStringLiteral("1250.5"), QStringLiteral(" 12 abc"), QStringLiteral("1,500"),
                                    QStringLiteral("-3.5E2")};
    static const char* const plain[] = {"1250.5", " 12 abc", "1,500", "-3.5E2"};
    registerPair("helper", "NumberFromText", {[](benchmark::State&) -> Operation {
                     return [i = size_t(0)]() mutable { benchmark::DoNotOptimize(NumberFromText(texts[i++ % 4])); };
                 }},
                 {[](benchmark::State&) -> Operation {
                     return [i = size_t(0)]() mutable { benchmark::DoNotOptimize(plainReading(plain[i++ % 4])); };
                 }},
                 benchmark::kNanosecond);
}

namespace {
const Registration registration(1, registerDataBenchmarks);
} // namespace
