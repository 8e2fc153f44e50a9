// Importing a catalogue of 10,000 items from a CSV file into the shop: the file read and every
// row checked (with its name looked up among the stored items), then the items, the counter
// and the journal entry written in one transaction, as the registration window does.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/DataControl.h"
#include "journal/Journal.h"
#include "platform/Csv.h"
#include "platform/ListExport.h"
#include "registration/ItemImport.h"
#include "registration/RegistrationData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRows = 10000;

// A spreadsheet's export: six columns in the order a shop might keep them, a few quoted cells.
QByteArray catalogue()
{
    QString text =
        Csv::record({QStringLiteral("Name"), QStringLiteral("Brand"), QStringLiteral("Price"), QStringLiteral("Stocks"),
                     QStringLiteral("Description"), QStringLiteral("Availability")});
    for (int i = 1; i <= kRows; ++i)
        text += Csv::record({QStringLiteral("Imported item %1, size %2").arg(i).arg(i % 5),
                             QStringLiteral("Maker %1").arg(i % 40), QStringLiteral("%1.50").arg(i % 900),
                             QString::number(i % 300), QStringLiteral("Catalogue line %1").arg(i),
                             QStringLiteral("Available")});
    return text.toUtf8();
}

// Puts the shop back as the import found it: the items, the journal entry and the counter.
struct Undo
{
    qint64 lastItem = 0;
    qint64 lastNote = 0;
    QString counter;
    void remember()
    {
        Database& db = BenchShop::instance().db;
        lastItem = db.query(QStringLiteral("SELECT max(rowid) FROM tblStocks")).rows().first().first().toLongLong();
        lastNote = db.query(QStringLiteral("SELECT max(rowid) FROM tblNot")).rows().first().first().toLongLong();
        counter = db.query(QStringLiteral("SELECT ItemID FROM tblMain")).rows().first().first().toString();
    }
    void restore() const
    {
        Database& db = BenchShop::instance().db;
        db.ExecuteSql(QStringLiteral("DELETE FROM tblStocks WHERE rowid > ?"), {lastItem});
        db.ExecuteSql(QStringLiteral("DELETE FROM tblNot WHERE rowid > ?"), {lastNote});
        db.ExecuteSql(QStringLiteral("UPDATE tblMain SET ItemID = ?"), {counter});
    }
};

void registerImportBenchmarks()
{
    auto undo = std::make_shared<Undo>();
    auto bytes = std::make_shared<QByteArray>();
    registerPair(
        "write", "import 10,000 items from CSV (frmReg Import...)",
        {[=](benchmark::State& state) -> Operation {
             *bytes = catalogue();
             undo->remember();
             auto adoNot = std::make_shared<DataControl>(BenchShop::instance().db);
             adoNot->setRecordSource(QStringLiteral("Select * from tblNot"));
             adoNot->Refresh();
             return [=, &state] {
                 Database& db = BenchShop::instance().db;
                 const ItemImport::Plan plan = ItemImport::plan(db, *bytes);
                 QStringList numbers;
                 QString error;
                 Transaction tx(db);
                 if (plan.items.size() != kRows || !RegistrationData::registerItems(db, plan.items, &numbers, &error) ||
                     !PostNotification(*adoNot, NoteTitle::ItemsImported, QStringLiteral("10,000 items")) ||
                     !tx.commit())
                     state.SkipWithError("the import failed");
             };
         },
         [=] { undo->restore(); }},
        {[=](benchmark::State&) -> Operation {
             *bytes = catalogue();
             undo->remember();
             sqlite3* db = BenchShop::instance().db.handle();
             auto insert = std::make_shared<Stmt>(
                 db, "INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, ItemBrand, "
                     "ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)");
             auto counter = std::make_shared<Stmt>(db, "UPDATE tblMain SET ItemID = ?");
             auto named = std::make_shared<Stmt>(db, "SELECT ItemNumber FROM tblStocks WHERE ItemName = ? LIMIT 1");
             auto inUse = std::make_shared<Stmt>(db, "SELECT 1 FROM tblStocks WHERE ItemNumber = ? LIMIT 1");
             return [=] {
                 // The file split into rows and cells, each name looked up among the stored items,
                 // the rows stored under free numbers past the counter.
                 const Csv::Table table = Csv::parse(*bytes);
                 exec(db, "BEGIN IMMEDIATE");
                 long long number = 1000000000;
                 for (qsizetype r = 1; r < table.records.size(); ++r) {
                     const QStringList& f = table.records.at(r).fields;
                     named->bind(1, f.at(0).toStdString()).all();
                     inUse->bind(1, std::to_string(++number)).all();
                     insert->bind(1, std::to_string(number))
                         .bind(2, f.at(0).toStdString())
                         .bind(3, f.at(2).toStdString())
                         .bind(4, f.at(4).toStdString())
                         .bind(5, f.at(3).toStdString())
                         .bind(6, f.at(1).toStdString())
                         .bind(7, std::string("Available"))
                         .run();
                 }
                 counter->bind(1, std::to_string(number)).run();
                 exec(db, "COMMIT");
             };
         },
         [=] { undo->restore(); }},
        benchmark::kMillisecond);
}

// The sold-items list of the inventory window exported whole (every sold line of the shop),
// against the bare reading of the rows and writing of their text.
void registerExportBenchmarks()
{
    auto folder = std::make_shared<QTemporaryDir>();
    const QString path = folder->filePath(QStringLiteral("sold.csv"));
    registerPair(
        "write", "export every sold line to CSV (frmInvent Export...)",
        {[=](benchmark::State& state) -> Operation {
             BenchShop::instance().platform.setFileHook([path](const QString&, const QString&) { return path; });
             auto control = std::make_shared<DataControl>(BenchShop::instance().db);
             control->setRecordSource(QStringLiteral("Select * from tblSold"));
             control->Refresh();
             auto grid = std::make_shared<DataGrid>();
             bindGrid(grid.get(), control.get());
             auto said = std::make_shared<QString>();
             BenchShop::instance().platform.setMessageHook([said](const MessageRecord& m) {
                 *said = m.text + QLatin1Char(' ') + m.details;
                 return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
             });
             return [=, &state] {
                 if (!ListExport::exportGrid(nullptr, BenchShop::instance().platform, grid.get(), control.get(),
                                             QStringLiteral("Sold Items")))
                     state.SkipWithError(("the export failed: " + said->toStdString()).c_str());
             };
         },
         {},
         [folder] { BenchShop::instance().platform.setFileHook({}); }},
        {[=](benchmark::State&) -> Operation {
            auto rows =
                std::make_shared<Stmt>(BenchShop::instance().db.handle(), "SELECT * FROM tblSold ORDER BY rowid");
            return [=] {
                std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
                const int n = 8;
                while (rows->row()) {
                    for (int c = 0; c < n; ++c) {
                        const char* text = rows->text(c);
                        std::fputs(text ? text : "", out);
                        std::fputc(c + 1 < n ? ',' : '\n', out);
                    }
                }
                rows->reset();
                std::fclose(out);
            };
        }},
        benchmark::kMillisecond, true);
}

void registerImportExportBenchmarks()
{
    registerImportBenchmarks();
    registerExportBenchmarks();
}

const Registration registration(7, registerImportExportBenchmarks);

} // namespace
