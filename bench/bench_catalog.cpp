// Barcodes at shop scale: the bench shop gets 100,000 barcodes (made once, kept in the file),
// then a scan by barcode is timed against the bare indexed statements it needs, and an import
// of 10,000 rows that update registered items against the bare updates in one transaction.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "catalog/Barcode.h"
#include "catalog/BarcodeStore.h"
#include "registration/ItemImport.h"
#include "sales/Cart.h"

#include <memory>
#include <vector>

namespace {

constexpr int kBarcodes = 100000;
constexpr int kUpdatedRows = 10000;

// The EAN-13 of an in-store code ("20" and ten digits) made from an item's number.
QString ean13For(const QString& number)
{
    QString digits = QStringLiteral("20") + number.rightJustified(10, u'0').right(10);
    return digits + QString::number(Barcode::checkDigit(digits));
}

// The bench shop's items with barcodes (the first 100,000 by number), added once.
struct Barcodes
{
    std::vector<std::pair<QString, QString>> codes; // barcode, item number

    void load()
    {
        if (!codes.empty())
            return;
        Database& db = BenchShop::instance().db;
        const Recordset have = db.query(QStringLiteral("SELECT count(*) FROM tblBarcode"));
        if (have.rows().first().first().toLongLong() < kBarcodes) {
            Transaction tx(db);
            db.ExecuteSql(QStringLiteral("DELETE FROM tblBarcode"));
            const Recordset items =
                db.query(QStringLiteral("SELECT ItemNumber FROM tblStocks ORDER BY rowid LIMIT %1").arg(kBarcodes));
            for (const auto& row : items.rows())
                db.ExecuteSql(QStringLiteral("INSERT INTO tblBarcode (Barcode, ItemNumber) VALUES (?, ?)"),
                              {ean13For(row.first().toString()), row.first()});
            tx.commit();
        }
        const Recordset sample =
            db.query(QStringLiteral("SELECT Barcode, ItemNumber FROM tblBarcode ORDER BY ItemNumber DESC LIMIT 12000"));
        for (const auto& row : sample.rows())
            codes.emplace_back(row.at(0).toString(), row.at(1).toString());
    }
    size_t next = 0;
    const std::pair<QString, QString>& pick()
    {
        load();
        return codes[next++ % codes.size()];
    }
};

struct ScanStatements
{
    sqlite3* db = BenchShop::instance().db.handle();
    Stmt barcode{db, "SELECT ItemNumber FROM tblBarcode WHERE Barcode = ? LIMIT 1"};
    Stmt item{db, "SELECT * FROM tblStocks WHERE ItemNumber = ?"};
    Stmt begin{db, "BEGIN IMMEDIATE"};
    Stmt update{db, "UPDATE tblStocks SET ItemName = ?, ItemPrice = ?, ItemDescription = ?, ItemBrand = ?, "
                    "ItemStocks = ?, ItemAvailability = ? WHERE ItemNumber = ?"};
    Stmt rollback{db, "ROLLBACK"};
};

// A supplier's price list of the items that have barcodes: number, barcode, name, price, stock.
QByteArray priceList(Barcodes& barcodes)
{
    barcodes.load();
    QByteArray csv = "item number,barcode,name,price,stocks\r\n";
    for (int i = 0; i < kUpdatedRows; ++i) {
        const auto& [code, number] = barcodes.codes[static_cast<size_t>(i)];
        csv += number.toUtf8() + ',' + code.toUtf8() + ",Item " + number.toUtf8() + ",12.5," +
               QByteArray::number(i % 90) + "\r\n";
    }
    return csv;
}

void registerCatalogBenchmarks()
{
    auto barcodes = std::make_shared<Barcodes>();
    registerPair("lookup", "item by barcode (Cart::lookupItem)", {[barcodes](benchmark::State& state) -> Operation {
                     auto cart = std::make_shared<Cart>(BenchShop::instance().db);
                     barcodes->load();
                     return [cart, barcodes, &state] {
                         if (!cart->lookupItem(barcodes->pick().first).found())
                             state.SkipWithError("item not found");
                     };
                 }},
                 {[barcodes](benchmark::State& state) -> Operation {
                     auto s = std::make_shared<ScanStatements>();
                     barcodes->load();
                     return [s, barcodes, &state] {
                         s->barcode.bind(1, barcodes->pick().first.toStdString());
                         if (!s->barcode.row())
                             state.SkipWithError("barcode not found");
                         const std::string number = s->barcode.text(0);
                         s->barcode.reset();
                         s->item.bind(1, number);
                         if (s->item.all() != 1)
                             state.SkipWithError("item not found");
                     };
                 }});

    // The plan and the writes of a price list that updates 10,000 items, rolled back each time.
    registerPair("write", "import of 10,000 updating rows (plan and store)",
                 {[barcodes](benchmark::State& state) -> Operation {
                     const QByteArray csv = priceList(*barcodes);
                     return [csv, &state] {
                         Database& db = BenchShop::instance().db;
                         const ItemImport::Plan plan = ItemImport::plan(db, csv);
                         if (plan.updates.size() != kUpdatedRows)
                             state.SkipWithError("not every row updates an item");
                         Transaction tx(db);
                         QString error;
                         if (!ItemImport::storeUpdatesAndBarcodes(db, plan, {}, &error))
                             state.SkipWithError("the updates were not stored");
                     };
                 }},
                 {[barcodes](benchmark::State&) -> Operation {
                     auto s = std::make_shared<ScanStatements>();
                     auto rows = std::make_shared<std::vector<std::pair<QString, QString>>>();
                     barcodes->load();
                     for (int i = 0; i < kUpdatedRows; ++i)
                         rows->push_back(barcodes->codes[static_cast<size_t>(i)]);
                     return [s, rows] {
                         s->begin.run();
                         for (const auto& [code, number] : *rows) {
                             s->update.bind(1, "Item " + number.toStdString())
                                 .bind(2, std::string("12.5"))
                                 .bind(3, std::string())
                                 .bind(4, std::string())
                                 .bind(5, std::string("5"))
                                 .bind(6, std::string("Available"))
                                 .bind(7, number.toStdString())
                                 .run();
                         }
                         s->rollback.run();
                     };
                 }},
                 benchmark::kMillisecond);
}

} // namespace

namespace {
const Registration registration(9, registerCatalogBenchmarks);
} // namespace
