// Taking a sale back at shop scale: finding a sale by its number, and storing a one-line
// return. Each baseline is the least SQLite work the operation needs: the same indexed
// statements, prepared once, the writes of the return in one transaction.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/TextForms.h"
#include "returns/Returns.h"

#include <memory>
#include <vector>

namespace {

// Completed sales of the shop (number and one of its items), in a fixed order.
struct Sales
{
    std::vector<std::pair<QString, QString>> lines;
    size_t next = 0;

    // Read when first needed: the shop is open by then.
    void load()
    {
        const Recordset r = BenchShop::instance().db.query(
            QStringLiteral("SELECT TransactionID, ItemNumber FROM tblSold WHERE TransactionID NOT IN (SELECT "
                           "coalesce(SaleNumber, '') FROM tblPos) ORDER BY rowid DESC LIMIT 500"));
        for (const auto& row : r.rows())
            lines.emplace_back(row.at(0).toString(), row.at(1).toString());
    }
    const std::pair<QString, QString>& pick()
    {
        if (lines.empty())
            load();
        if (lines.empty())
            lines.emplace_back(QStringLiteral("none"), QString());
        return lines[next++ % lines.size()];
    }
};

// Takes the returns stored by the benchmark away again, with the stock they gave back.
void undoReturns()
{
    Database& db = BenchShop::instance().db;
    Transaction tx(db);
    const Recordset lines =
        db.query(QStringLiteral("SELECT ItemNumber, Quantity FROM tblReturnLine WHERE Restocked <> 0"));
    for (const auto& row : lines.rows())
        db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ItemStocks - ? WHERE ItemNumber = ?"),
                      {row.at(1), row.at(0)});
    for (const char* table : {"tblReturn", "tblReturnLine", "tblReturnCounter"})
        db.ExecuteSql(QStringLiteral("DELETE FROM %1").arg(QString::fromLatin1(table)));
    db.ExecuteSql(QStringLiteral("DELETE FROM tblNot WHERE RE = 'Item Return'"));
    tx.commit();
}

struct ReturnStatements
{
    sqlite3* db = BenchShop::instance().db.handle();
    Stmt open{db, "SELECT 1 FROM tblPos WHERE SaleNumber = ? LIMIT 1"};
    Stmt sold{db, "SELECT ItemNumber, ItemName, Quantity, Amount, Dated, Cashier FROM tblSold WHERE TransactionID = ?"};
    Stmt ref{db, "SELECT SaleRow, Till, SaleDate, SaleTime, Amount, Cashier FROM tblSaleRef WHERE SaleNumber = ? "
                 "ORDER BY rowid DESC LIMIT 1"};
    Stmt returned{db, "SELECT ItemNumber, sum(Quantity), sum(Refund) FROM tblReturnLine WHERE SaleNumber = ? GROUP BY "
                      "ItemNumber"};
    Stmt item{db, "SELECT rowid, ItemStocks, ItemAvailability FROM tblStocks WHERE ItemNumber = ? LIMIT 1"};
    Stmt counter{db, "SELECT LastNumber FROM tblReturnCounter"};
    Stmt setCounter{db, "UPDATE tblReturnCounter SET LastNumber = ?"};
    Stmt addReturn{db, "INSERT INTO tblReturn (ReturnNumber, SaleNumber, Till, Cashier, Approver, ReturnDate, "
                       "ReturnDay, ReturnTime, Reason, Refund, Confirmation) VALUES (?, ?, '1', 'Admin', 'Admin', ?, "
                       "?, ?, '', ?, ?)"};
    Stmt addLine{db, "INSERT INTO tblReturnLine (ReturnNumber, SaleNumber, ItemNumber, ItemName, Quantity, Refund, "
                     "Restocked) VALUES (?, ?, ?, ?, 1, ?, 1)"};
    Stmt stock{db, "UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = 'Available' WHERE rowid = ?"};
    Stmt note{db, "INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, 'Item Return', ?)"};
    Stmt begin{db, "BEGIN IMMEDIATE"};
    Stmt commit{db, "COMMIT"};

    // What finding a sale reads: whether it is open, its lines, its reference, its returns.
    long find(const std::string& number)
    {
        open.bind(1, number).all();
        const long lines = sold.bind(1, number).all();
        ref.bind(1, number).all();
        returned.bind(1, number).all();
        return lines;
    }
};

void registerReturnBenchmarks()
{
    auto sales = std::make_shared<Sales>();
    registerPair("lookup", "sale by number (Returns::find)", {[sales](benchmark::State& state) -> Operation {
                     auto returns = std::make_shared<Returns>(BenchShop::instance().db);
                     return [returns, sales, &state] {
                         if (returns->find(sales->pick().first).outcome != FindOutcome::Found)
                             state.SkipWithError("sale not found");
                     };
                 }},
                 {[sales](benchmark::State& state) -> Operation {
                     auto s = std::make_shared<ReturnStatements>();
                     return [s, sales, &state] {
                         if (s->find(sales->pick().first.toStdString()) == 0)
                             state.SkipWithError("sale not found");
                     };
                 }});

    // One unit of one line back to stock, approved by the administrator signed in.
    auto serial = std::make_shared<qint64>(0);
    registerPair("write", "one-line return (Returns::store)",
                 {[sales, serial](benchmark::State& state) -> Operation {
                      auto returns = std::make_shared<Returns>(BenchShop::instance().db);
                      return [returns, sales, serial, &state] {
                          const auto& [sale, item] = sales->pick();
                          const ReturnResult r =
                              returns->store({sale,
                                              {{item, QStringLiteral("1"), true}},
                                              {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}},
                                              {},
                                              QStringLiteral("bench-%1").arg(++*serial)});
                          if (r.outcome != ReturnOutcome::Stored && r.outcome != ReturnOutcome::TooMany)
                              state.SkipWithError("the return was not stored");
                      };
                  },
                  undoReturns},
                 {[sales, serial](benchmark::State&) -> Operation {
                      auto s = std::make_shared<ReturnStatements>();
                      return [s, sales, serial] {
                          const auto& [sale, item] = sales->pick();
                          const std::string number = sale.toStdString();
                          s->begin.run();
                          s->find(number);
                          s->item.bind(1, item.toStdString());
                          const bool found = s->item.row();
                          const long long row = found ? s->item.integer(0) : -1;
                          const double stock = found ? s->item.number(1) : 0;
                          s->item.reset();
                          s->counter.all();
                          const std::string day = DateText().toStdString();
                          const std::string time = TimeText().toStdString();
                          const std::string confirmation = "base-" + std::to_string(++*serial);
                          s->setCounter.bind(1, static_cast<double>(*serial)).run();
                          s->addReturn.bind(1, static_cast<double>(*serial))
                              .bind(2, number)
                              .bind(3, day)
                              .bind(4, std::string("2026-01-01"))
                              .bind(5, time)
                              .bind(6, 1250.0)
                              .bind(7, confirmation)
                              .run();
                          s->addLine.bind(1, static_cast<double>(*serial))
                              .bind(2, number)
                              .bind(3, item.toStdString())
                              .bind(4, std::string("Item"))
                              .bind(5, 1250.0)
                              .run();
                          s->stock.bind(1, stock + 1).bind(2, static_cast<double>(row)).run();
                          s->note.bind(1, day).bind(2, time).bind(3, std::string("returned")).run();
                          s->commit.run();
                      };
                  },
                  undoReturns});
}

} // namespace

namespace {
const Registration registration(8, registerReturnBenchmarks);
} // namespace
