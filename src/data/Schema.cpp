#include "data/Schema.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/TextForms.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace {

const char* const kTables = R"SQL(
CREATE TABLE tblMain (
    CompanyName   TEXT COLLATE NOCASE,
    BackupFolder  TEXT COLLATE NOCASE,
    TransactionID TEXT COLLATE NOCASE,
    ClientID      TEXT COLLATE NOCASE,
    ItemID        TEXT COLLATE NOCASE
);
CREATE TABLE tblClient (
    ClientKey INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName  TEXT COLLATE NOCASE,
    Password  TEXT COLLATE NOCASE,
    Account   TEXT COLLATE NOCASE,
    ClientReg TEXT COLLATE NOCASE
);
CREATE TABLE tblEmp (
    EmployeeID   TEXT COLLATE NOCASE,
    EmployeeName TEXT COLLATE NOCASE,
    Gender       TEXT COLLATE NOCASE,
    Position     TEXT COLLATE NOCASE,
    Password     TEXT COLLATE NOCASE,
    Registered   TEXT COLLATE NOCASE
);
CREATE TABLE tblStocks (
    ItemNumber       TEXT COLLATE NOCASE,
    ItemName         TEXT COLLATE NOCASE,
    ItemPrice        TEXT COLLATE NOCASE,
    ItemDescription  TEXT COLLATE NOCASE,
    ItemStocks       NUMERIC,
    ItemBrand        TEXT COLLATE NOCASE,
    ItemAvailability TEXT COLLATE NOCASE
);
CREATE TABLE tblPos (
    ItemNumber   TEXT COLLATE NOCASE,
    ItemName     TEXT COLLATE NOCASE,
    itemQuantity TEXT COLLATE NOCASE,
    itemAmount   NUMERIC,
    ItemPrice    TEXT COLLATE NOCASE,
    Dated        DATETIME,
    Till         INTEGER NOT NULL DEFAULT 1,
    SaleNumber   TEXT COLLATE NOCASE
);
CREATE TABLE tblSold (
    TransactionID TEXT COLLATE NOCASE,
    Dated         TEXT COLLATE NOCASE,
    ItemName      TEXT COLLATE NOCASE,
    ItemNumber    TEXT COLLATE NOCASE,
    Quantity      TEXT COLLATE NOCASE,
    PresentStock  TEXT COLLATE NOCASE,
    Cashier       TEXT COLLATE NOCASE,
    Amount        TEXT COLLATE NOCASE
);
CREATE TABLE tblSales (
    BusinessDate TEXT COLLATE NOCASE,
    BusinessTime TEXT COLLATE NOCASE,
    AmountDue    TEXT COLLATE NOCASE,
    Change       TEXT COLLATE NOCASE,
    Cash         TEXT COLLATE NOCASE,
    Cashier      TEXT COLLATE NOCASE
);
CREATE TABLE tblDaily (
    BusinessDate TEXT COLLATE NOCASE,
    Sales        TEXT COLLATE NOCASE,
    Transactions TEXT COLLATE NOCASE,
    TimeSave     DATETIME
);
CREATE TABLE tblNot (
    NoteDate     TEXT COLLATE NOCASE,
    NoteTime     TEXT COLLATE NOCASE,
    RE           TEXT COLLATE NOCASE,
    Notification TEXT COLLATE NOCASE
);
CREATE TABLE tblLogs (
    LogDate     TEXT COLLATE NOCASE,
    LogTime     TEXT COLLATE NOCASE,
    UserName    TEXT COLLATE NOCASE,
    Domain      TEXT COLLATE NOCASE,
    Name        TEXT COLLATE NOCASE,
    Position    TEXT COLLATE NOCASE,
    EndTime     TEXT COLLATE NOCASE,
    ElapsedTime TEXT COLLATE NOCASE
);
CREATE INDEX idxStocksNumber ON tblStocks (ItemNumber);
CREATE INDEX idxStocksName ON tblStocks (ItemName);
CREATE INDEX idxStocksStocks ON tblStocks (ItemStocks);
CREATE INDEX idxPosNumber ON tblPos (ItemNumber);
CREATE INDEX idxPosTill ON tblPos (Till, ItemNumber);
CREATE INDEX idxSoldDated ON tblSold (Dated, ItemNumber);
CREATE INDEX idxSoldAmount ON tblSold (Amount);
CREATE INDEX idxSalesDate ON tblSales (BusinessDate);
CREATE INDEX idxEmpId ON tblEmp (EmployeeID);
CREATE INDEX idxClientUser ON tblClient (UserName);
)SQL";

// One row per till: whether a receipt is printed when a sale is finished, on which paper, and
// the last sale completed there, for a reprint: its sale number, its tblSales row, and that
// row's date and time, which tell the row from a later one that took its place.
const char* const kReceiptTable = R"SQL(
CREATE TABLE tblReceipt (
    Till         TEXT COLLATE NOCASE,
    PrintReceipt INTEGER NOT NULL DEFAULT 0,
    Paper        TEXT COLLATE NOCASE,
    SaleNumber   TEXT COLLATE NOCASE,
    SaleRow      INTEGER,
    SaleDate     TEXT COLLATE NOCASE,
    SaleTime     TEXT COLLATE NOCASE
);
CREATE UNIQUE INDEX idxReceiptTill ON tblReceipt (Till);
)SQL";
// Taking sales back. Each completed sale gets a reference by its number: its tblSales row, till,
// day, time, cashier and amount (in cents). A return has its own number (from tblReturnCounter),
// names its sale, till, cashier and approver, and holds its refund in cents; its lines name the
// item, the whole units taken back, their refund and whether they went back to stock. The
// confirmation is made once per return window, so a return is stored once however often it is
// confirmed. An exchange leaves its refund as a credit for the next sale at its till
// (ExchangeTill) until that sale takes it (ExchangeSale). tblDailyRefund keeps a day's refunds beside its saved daily
// summary. A sale's sold-item lines are found by its number through idxSoldSale.
const char* const kReturnTables = R"SQL(
CREATE TABLE tblSaleRef (
    SaleNumber TEXT COLLATE NOCASE,
    SaleRow    INTEGER,
    Till       TEXT COLLATE NOCASE,
    SaleDate   TEXT COLLATE NOCASE,
    SaleTime   TEXT COLLATE NOCASE,
    Cashier    TEXT COLLATE NOCASE,
    Amount     INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX idxSaleRefNumber ON tblSaleRef (SaleNumber);
CREATE INDEX idxSaleRefDate ON tblSaleRef (SaleDate);
CREATE INDEX IF NOT EXISTS idxSoldSale ON tblSold (TransactionID);
CREATE TABLE tblReturn (
    ReturnNumber INTEGER NOT NULL,
    SaleNumber   TEXT COLLATE NOCASE,
    Till         TEXT COLLATE NOCASE,
    Cashier      TEXT COLLATE NOCASE,
    Approver     TEXT COLLATE NOCASE,
    ReturnDate   TEXT COLLATE NOCASE,
    ReturnDay    TEXT,
    ReturnTime   TEXT COLLATE NOCASE,
    Reason       TEXT COLLATE NOCASE,
    Refund       INTEGER NOT NULL DEFAULT 0,
    Confirmation TEXT,
    ExchangeTill TEXT COLLATE NOCASE,
    ExchangeSale TEXT COLLATE NOCASE
);
CREATE UNIQUE INDEX idxReturnNumber ON tblReturn (ReturnNumber);
CREATE UNIQUE INDEX idxReturnConfirmation ON tblReturn (Confirmation);
CREATE INDEX idxReturnSale ON tblReturn (SaleNumber);
CREATE INDEX idxReturnDay ON tblReturn (ReturnDay);
CREATE TABLE tblReturnLine (
    ReturnNumber INTEGER NOT NULL,
    SaleNumber   TEXT COLLATE NOCASE,
    ItemNumber   TEXT COLLATE NOCASE,
    ItemName     TEXT COLLATE NOCASE,
    Quantity     INTEGER NOT NULL,
    Refund       INTEGER NOT NULL,
    Restocked    INTEGER NOT NULL
);
CREATE INDEX idxReturnLineSale ON tblReturnLine (SaleNumber, ItemNumber);
CREATE INDEX idxReturnLineNumber ON tblReturnLine (ReturnNumber);
CREATE TABLE tblReturnCounter (
    LastNumber INTEGER NOT NULL
);
CREATE TABLE tblDailyRefund (
    BusinessDate TEXT COLLATE NOCASE,
    Refunds      INTEGER NOT NULL,
    Returns      INTEGER NOT NULL,
    TimeSave     DATETIME
);
)SQL";
// Barcodes on items (any number per item, each barcode on one item) and the shop's settings that
// the settings row does not hold, one named value per row.
const char* const kCatalogTables = R"SQL(
CREATE TABLE tblBarcode (
    Barcode    TEXT NOT NULL,
    ItemNumber TEXT COLLATE NOCASE
);
CREATE UNIQUE INDEX idxBarcode ON tblBarcode (Barcode);
CREATE INDEX idxBarcodeItem ON tblBarcode (ItemNumber);
CREATE TABLE tblSetting (
    Name  TEXT NOT NULL,
    Value TEXT
);
CREATE UNIQUE INDEX idxSettingName ON tblSetting (Name);
)SQL";
// Discounts and tax. Rates have a number, a name and a percentage in hundredths; an item has at
// most one rate. The discounts of sales still open at a till wait in tblOpenDiscount (an empty
// item number is the sale's own discount) until the sale is paid; a paid sale keeps each line as
// it was priced (amounts in cents, the rate's name and percentage as sold), each rate's figures
// and each discount with who gave and who approved it.
const char* const kPricingTables = R"SQL(
CREATE TABLE tblTaxRate (
    RateID  INTEGER NOT NULL,
    Name    TEXT COLLATE NOCASE,
    Rate    INTEGER NOT NULL,
    Retired INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX idxTaxRateId ON tblTaxRate (RateID);
CREATE TABLE tblItemTax (
    ItemNumber TEXT COLLATE NOCASE,
    RateID     INTEGER NOT NULL
);
CREATE UNIQUE INDEX idxItemTaxItem ON tblItemTax (ItemNumber);
CREATE INDEX idxItemTaxRate ON tblItemTax (RateID);
CREATE TABLE tblOpenDiscount (
    Till       TEXT COLLATE NOCASE,
    SaleNumber TEXT COLLATE NOCASE,
    ItemNumber TEXT COLLATE NOCASE,
    Kind       TEXT,
    Value      INTEGER NOT NULL,
    GivenBy    TEXT COLLATE NOCASE,
    Approver   TEXT COLLATE NOCASE
);
CREATE INDEX idxOpenDiscountSale ON tblOpenDiscount (Till, SaleNumber);
CREATE TABLE tblSoldPrice (
    SaleNumber   TEXT COLLATE NOCASE,
    ItemNumber   TEXT COLLATE NOCASE,
    ItemName     TEXT COLLATE NOCASE,
    Amount       INTEGER NOT NULL,
    LineDiscount INTEGER NOT NULL,
    SaleDiscount INTEGER NOT NULL,
    Charged      INTEGER NOT NULL,
    RateName     TEXT COLLATE NOCASE,
    Rate         INTEGER,
    Tax          INTEGER NOT NULL,
    Paid         INTEGER NOT NULL
);
CREATE INDEX idxSoldPriceSale ON tblSoldPrice (SaleNumber);
CREATE TABLE tblSaleTax (
    SaleNumber TEXT COLLATE NOCASE,
    SaleDate   TEXT COLLATE NOCASE,
    RateName   TEXT COLLATE NOCASE,
    Rate       INTEGER NOT NULL,
    Net        INTEGER NOT NULL,
    Tax        INTEGER NOT NULL,
    Gross      INTEGER NOT NULL
);
CREATE INDEX idxSaleTaxSale ON tblSaleTax (SaleNumber);
CREATE INDEX idxSaleTaxDate ON tblSaleTax (SaleDate);
CREATE TABLE tblSaleDiscount (
    SaleNumber TEXT COLLATE NOCASE,
    SaleDate   TEXT COLLATE NOCASE,
    ItemNumber TEXT COLLATE NOCASE,
    Kind       TEXT,
    Value      INTEGER NOT NULL,
    Cents      INTEGER NOT NULL,
    GivenBy    TEXT COLLATE NOCASE,
    Approver   TEXT COLLATE NOCASE
);
CREATE INDEX idxSaleDiscountSale ON tblSaleDiscount (SaleNumber);
CREATE INDEX idxSaleDiscountDate ON tblSaleDiscount (SaleDate);
)SQL";
// The till's drawer. A session runs from a till's opening to its Z: the till, its float (in
// cents) and who opened and closed it; OpenTill holds the till while the session is open and is
// emptied at its close, so its unique index allows one open session per till. A sale's payments
// are kept per tender (Cash: the cash kept, the amount due less the card part and any exchange
// credit; Card; Credit), the cash movements of the drawer (In, Out, a return's Refund, and an
// Exchange, whose refund stays in the till as credit) each with their session. A Z keeps its
// figures as they were at the close; its number comes from tblZCounter.
const char* const kTillTables = R"SQL(
CREATE TABLE tblTillSession (
    Till     TEXT COLLATE NOCASE,
    OpenTill TEXT COLLATE NOCASE,
    OpenedAt DATETIME,
    OpenedBy TEXT COLLATE NOCASE,
    Float    INTEGER NOT NULL DEFAULT 0,
    ClosedAt DATETIME,
    ClosedBy TEXT COLLATE NOCASE,
    ZNumber  INTEGER
);
CREATE UNIQUE INDEX idxTillSessionOpen ON tblTillSession (OpenTill);
CREATE INDEX idxTillSessionTill ON tblTillSession (Till);
CREATE TABLE tblPayment (
    SessionId  INTEGER NOT NULL,
    SaleNumber TEXT COLLATE NOCASE,
    SaleRow    INTEGER,
    Tender     TEXT NOT NULL,
    Amount     INTEGER NOT NULL
);
CREATE INDEX idxPaymentSession ON tblPayment (SessionId);
CREATE INDEX idxPaymentSale ON tblPayment (SaleNumber);
CREATE TABLE tblCashMove (
    SessionId    INTEGER NOT NULL,
    Till         TEXT COLLATE NOCASE,
    Kind         TEXT NOT NULL,
    Amount       INTEGER NOT NULL,
    Reason       TEXT COLLATE NOCASE,
    MovedBy      TEXT COLLATE NOCASE,
    MovedAt      DATETIME,
    ReturnNumber INTEGER
);
CREATE INDEX idxCashMoveSession ON tblCashMove (SessionId);
CREATE TABLE tblZReport (
    ZNumber      INTEGER NOT NULL,
    SessionId    INTEGER NOT NULL,
    Till         TEXT COLLATE NOCASE,
    ClosedAt     DATETIME,
    ClosedBy     TEXT COLLATE NOCASE,
    Expected     INTEGER NOT NULL,
    Counted      INTEGER NOT NULL,
    Difference   INTEGER NOT NULL,
    LeftInDrawer INTEGER NOT NULL,
    Figures      TEXT
);
CREATE UNIQUE INDEX idxZNumber ON tblZReport (ZNumber);
CREATE UNIQUE INDEX idxZSession ON tblZReport (SessionId);
CREATE TABLE tblZCounter (
    LastNumber INTEGER NOT NULL
);
)SQL";
// A stored Z stays as it was taken: the database itself refuses to change or delete one.
const char* const kZGuardFile = R"SQL(
CREATE TRIGGER IF NOT EXISTS trgZReportKept BEFORE UPDATE ON tblZReport
BEGIN SELECT RAISE(ABORT, 'a Z report is never changed'); END;
CREATE TRIGGER IF NOT EXISTS trgZReportNotDeleted BEFORE DELETE ON tblZReport
BEGIN SELECT RAISE(ABORT, 'a Z report is never deleted'); END;
)SQL";
const char* const kZGuardServer = R"SQL(
CREATE OR REPLACE FUNCTION pemvix_z_kept() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'a Z report is never changed or deleted';
END
$$;
CREATE TRIGGER trgZReportKept BEFORE UPDATE OR DELETE ON tblZReport
    FOR EACH ROW EXECUTE FUNCTION pemvix_z_kept();
)SQL";
// Figures the windows show of the large tables, kept beside them instead of counted again at
// every opening: the rows of each counted table, and the sold-item lines by amount text (the
// inventory window's total of every sold line reads a few thousand amounts instead of every
// line). Triggers keep them in the writing transaction itself, so a row written at any till,
// or rolled back with its transaction, moves them exactly as it moves the table.
constexpr const char* kCountedTables[] = {"tblStocks", "tblSold", "tblSales", "tblLogs", "tblNot"};

QString keptFiguresSql()
{
    QString script = QStringLiteral(
        "CREATE TABLE tblRowCount (TableName TEXT COLLATE NOCASE PRIMARY KEY, RowCount INTEGER NOT NULL);\n"
        "CREATE TABLE tblSoldAmount (Amount TEXT COLLATE NOCASE, Lines INTEGER NOT NULL);\n"
        "CREATE UNIQUE INDEX idxSoldAmountKept ON tblSoldAmount (Amount);\n"
        "INSERT INTO tblSoldAmount (Amount, Lines) SELECT Amount, count(*) FROM tblSold GROUP BY Amount;\n");
    for (const char* name : kCountedTables) {
        const QString table = QString::fromLatin1(name);
        script +=
            QStringLiteral("INSERT INTO tblRowCount (TableName, RowCount) VALUES ('%1', (SELECT count(*) FROM %1));\n"
                           "CREATE TRIGGER trgCount%1Added AFTER INSERT ON %1 BEGIN "
                           "UPDATE tblRowCount SET RowCount = RowCount + 1 WHERE TableName = '%1'; END;\n"
                           "CREATE TRIGGER trgCount%1Removed AFTER DELETE ON %1 BEGIN "
                           "UPDATE tblRowCount SET RowCount = RowCount - 1 WHERE TableName = '%1'; END;\n")
                .arg(table);
    }
    // An amount is counted once however its letter case is written, as GROUP BY Amount does.
    const QString add = QStringLiteral("INSERT INTO tblSoldAmount (Amount, Lines) SELECT NEW.Amount, 0 WHERE NOT "
                                       "EXISTS (SELECT 1 FROM tblSoldAmount WHERE Amount IS NEW.Amount); "
                                       "UPDATE tblSoldAmount SET Lines = Lines + 1 WHERE Amount IS NEW.Amount;");
    const QString remove = QStringLiteral("UPDATE tblSoldAmount SET Lines = Lines - 1 WHERE Amount IS OLD.Amount; "
                                          "DELETE FROM tblSoldAmount WHERE Amount IS OLD.Amount AND Lines <= 0;");
    script += QStringLiteral("CREATE TRIGGER trgSoldAmountAdded AFTER INSERT ON tblSold BEGIN %1 END;\n"
                             "CREATE TRIGGER trgSoldAmountRemoved AFTER DELETE ON tblSold BEGIN %2 END;\n"
                             "CREATE TRIGGER trgSoldAmountChanged AFTER UPDATE OF Amount ON tblSold BEGIN %2 %1 END;\n")
                  .arg(add, remove);
    return script;
}

// The file's index of the items' texts searched for a part of them (the name and the number):
// every three letters of each, as LIKE compares them (capitals as small letters), with the
// item's rowid. Two letters of code 1 end each text, so that every letter starts a gram and a
// search for one or two letters finds its items among the grams starting with them. A text
// longer than tblGramSeq counts has the gram '' instead, which every search asks for. Triggers
// keep it in the transaction that writes the item.
constexpr int kGramSpan = 1000;
constexpr std::pair<int, const char*> kGramColumns[] = {{1, "ItemName"}, {2, "ItemNumber"}};

// The gram of `value` that starts at its letter n (n from tblGramSeq).
QString gramAt(const QString& value)
{
    return QStringLiteral("lower(substr(%1 || char(1, 1), n, 3))").arg(value);
}

QString stocksGramSql()
{
    const auto grams = [](const std::pair<int, const char*>& column, const QString& row) {
        const QString value = row + u'.' + QString::fromLatin1(column.second);
        return QStringLiteral("SELECT %1, %2, %3.rowid FROM tblGramSeq WHERE n <= length(%4) UNION ALL "
                              "SELECT %1, '', %3.rowid WHERE length(%4) > %5")
            .arg(column.first)
            .arg(gramAt(value), row, value)
            .arg(kGramSpan);
    };
    const auto add = [&grams](const std::pair<int, const char*>& column) {
        return QStringLiteral("INSERT OR IGNORE INTO tblStocksGram (Col, Gram, ItemRow) %1;")
            .arg(grams(column, QStringLiteral("NEW")));
    };
    const auto remove = [](const std::pair<int, const char*>& column) {
        const QString value = QStringLiteral("OLD.") + QString::fromLatin1(column.second);
        return QStringLiteral("DELETE FROM tblStocksGram WHERE Col = %1 AND ItemRow = OLD.rowid AND Gram IN "
                              "(SELECT %2 FROM tblGramSeq WHERE n <= length(%3) UNION ALL SELECT '');")
            .arg(column.first)
            .arg(gramAt(value), value);
    };
    QString script =
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS idxStocksBrand ON tblStocks (ItemBrand);\n"
            "CREATE INDEX IF NOT EXISTS idxStocksAvailability ON tblStocks (ItemAvailability);\n"
            "CREATE TABLE tblGramSeq (n INTEGER PRIMARY KEY);\n"
            "WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < %1) "
            "INSERT INTO tblGramSeq (n) SELECT n FROM seq;\n"
            "CREATE TABLE tblStocksGram (Col INTEGER NOT NULL, Gram TEXT NOT NULL, ItemRow INTEGER NOT NULL, "
            "PRIMARY KEY (Col, Gram, ItemRow)) WITHOUT ROWID;\n")
            .arg(kGramSpan);
    // The items there already, in the index's own order (each item's grams first, then the
    // whole sorted once), instead of a gram at a time.
    QStringList existing;
    for (const auto& [number, name] : kGramColumns)
        existing << QStringLiteral("SELECT %1, %2, s.rowid FROM tblStocks s CROSS JOIN tblGramSeq WHERE n <= "
                                   "length(s.%3) UNION ALL SELECT %1, '', rowid FROM tblStocks WHERE length(%3) > %4")
                        .arg(number)
                        .arg(gramAt(QStringLiteral("s.") + QString::fromLatin1(name)), QString::fromLatin1(name))
                        .arg(kGramSpan);
    script += QStringLiteral("INSERT OR IGNORE INTO tblStocksGram (Col, Gram, ItemRow) %1 ORDER BY 1, 2, 3;\n")
                  .arg(existing.join(QStringLiteral(" UNION ALL ")));
    QString added, removed;
    for (const auto& column : kGramColumns) {
        added += add(column);
        removed += remove(column);
        script += QStringLiteral("CREATE TRIGGER trgStocksGram%1 AFTER UPDATE OF %1 ON tblStocks "
                                 "WHEN OLD.%1 IS NOT NEW.%1 BEGIN %2 %3 END;\n")
                      .arg(QString::fromLatin1(column.second), remove(column), add(column));
    }
    script += QStringLiteral("CREATE TRIGGER trgStocksGramAdded AFTER INSERT ON tblStocks BEGIN %1 END;\n"
                             "CREATE TRIGGER trgStocksGramRemoved AFTER DELETE ON tblStocks BEGIN %2 END;\n")
                  .arg(added, removed);
    return script;
}

// The same on the server, where a statement's triggers see all the rows it wrote at once: a
// COPY or a DELETE of millions of lines moves each figure once. Every name is folded to lower
// case there, as the server folds the unquoted names of the tables.
QStringList serverKeptFiguresStatements()
{
    QStringList statements{
        QStringLiteral("CREATE TABLE tblrowcount (tablename text PRIMARY KEY, rowcount bigint NOT NULL)"),
        QStringLiteral("CREATE TABLE tblsoldamount (amount text, lines bigint NOT NULL, "
                       "CONSTRAINT tblsoldamount_amount UNIQUE NULLS NOT DISTINCT (amount))"),
        QStringLiteral("INSERT INTO tblsoldamount (amount, lines) "
                       "SELECT CAST(amount AS text), count(*) FROM tblsold GROUP BY 1"),
        QStringLiteral("CREATE FUNCTION pemvix_count_added() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "UPDATE tblrowcount SET rowcount = rowcount + (SELECT count(*) FROM added) "
                       "WHERE tablename = TG_TABLE_NAME; RETURN NULL; END $$"),
        QStringLiteral("CREATE FUNCTION pemvix_count_removed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "UPDATE tblrowcount SET rowcount = rowcount - (SELECT count(*) FROM removed) "
                       "WHERE tablename = TG_TABLE_NAME; RETURN NULL; END $$"),
        QStringLiteral("CREATE FUNCTION pemvix_count_emptied() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "UPDATE tblrowcount SET rowcount = 0 WHERE tablename = TG_TABLE_NAME; "
                       "IF TG_TABLE_NAME = 'tblsold' THEN DELETE FROM tblsoldamount; END IF; RETURN NULL; END $$"),
        QStringLiteral("CREATE FUNCTION pemvix_sold_added() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "INSERT INTO tblsoldamount AS k (amount, lines) "
                       "SELECT CAST(amount AS text), count(*) FROM added GROUP BY 1 "
                       "ON CONFLICT ON CONSTRAINT tblsoldamount_amount DO UPDATE SET lines = k.lines + "
                       "excluded.lines; RETURN NULL; END $$"),
        QStringLiteral("CREATE FUNCTION pemvix_sold_removed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "UPDATE tblsoldamount k SET lines = k.lines - r.lines FROM "
                       "(SELECT CAST(amount AS text) AS amount, count(*) AS lines FROM removed GROUP BY 1) r "
                       "WHERE k.amount IS NOT DISTINCT FROM r.amount; "
                       "DELETE FROM tblsoldamount WHERE lines <= 0; RETURN NULL; END $$"),
    };
    for (const char* name : kCountedTables) {
        const QString table = QString::fromLatin1(name).toLower();
        statements
            << QStringLiteral("INSERT INTO tblrowcount (tablename, rowcount) SELECT '%1', count(*) FROM %1").arg(table)
            << QStringLiteral("CREATE TRIGGER %1_count_added AFTER INSERT ON %1 REFERENCING NEW TABLE AS "
                              "added FOR EACH STATEMENT EXECUTE FUNCTION pemvix_count_added()")
                   .arg(table)
            << QStringLiteral("CREATE TRIGGER %1_count_removed AFTER DELETE ON %1 REFERENCING OLD TABLE AS "
                              "removed FOR EACH STATEMENT EXECUTE FUNCTION pemvix_count_removed()")
                   .arg(table)
            << QStringLiteral("CREATE TRIGGER %1_count_emptied AFTER TRUNCATE ON %1 "
                              "FOR EACH STATEMENT EXECUTE FUNCTION pemvix_count_emptied()")
                   .arg(table);
    }
    // An update of amounts takes the old texts off, then adds the new ones.
    statements << QStringLiteral("CREATE TRIGGER tblsold_amount_added AFTER INSERT ON tblsold REFERENCING NEW TABLE "
                                 "AS added FOR EACH STATEMENT EXECUTE FUNCTION pemvix_sold_added()")
               << QStringLiteral("CREATE TRIGGER tblsold_amount_removed AFTER DELETE ON tblsold REFERENCING OLD "
                                 "TABLE AS removed FOR EACH STATEMENT EXECUTE FUNCTION pemvix_sold_removed()")
               << QStringLiteral("CREATE TRIGGER tblsold_amount_changed_a AFTER UPDATE ON tblsold REFERENCING OLD "
                                 "TABLE AS removed FOR EACH STATEMENT EXECUTE FUNCTION pemvix_sold_removed()")
               << QStringLiteral("CREATE TRIGGER tblsold_amount_changed_b AFTER UPDATE ON tblsold REFERENCING NEW "
                                 "TABLE AS added FOR EACH STATEMENT EXECUTE FUNCTION pemvix_sold_added()");
    return statements;
}

// The columns searched for a part of their text over tables of up to millions of rows. On the
// server a trigram index (pg_trgm) finds the rows holding the searched text without reading the
// others; the searches compare the columns' text forms case-blind, so the indexes are made on
// those very forms.
struct SearchIndex
{
    const char* name;
    const char* table;
    const char* column;
};
constexpr SearchIndex kSearchIndexes[] = {
    {"idxstocksnametrgm", "tblstocks", "itemname"},   {"idxstocksnumbertrgm", "tblstocks", "itemnumber"},
    {"idxstocksbrandtrgm", "tblstocks", "itembrand"}, {"idxstocksavailabilitytrgm", "tblstocks", "itemavailability"},
    {"idxsoldnametrgm", "tblsold", "itemname"},       {"idxlogsusertrgm", "tbllogs", "username"},
};

QStringList serverSearchStatements()
{
    // pg_trgm is a trusted extension: the shop's own role may create it in its database.
    QStringList statements{QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm")};
    // The sales window's name picker reads the names that start with the letters typed, in
    // the order of their lower-case bytes. A day's sold lines are listed in rowid order: the
    // server then reads them from the day's own rows instead of walking every line by rowid.
    statements << QStringLiteral("CREATE INDEX IF NOT EXISTS idxstocksnameprefix ON tblstocks "
                                 "((lower(CAST(itemname AS text)) COLLATE \"C\"), rowid)")
               << QStringLiteral("CREATE INDEX IF NOT EXISTS idxsolddatedrow ON tblsold (dated, rowid)");
    for (const SearchIndex& index : kSearchIndexes)
        statements << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 USING gin ((CAST(%3 AS text)) gin_trgm_ops)")
                          .arg(QString::fromLatin1(index.name), QString::fromLatin1(index.table),
                               QString::fromLatin1(index.column));
    return statements;
}

// The sorted lists of the large tables that an index serves: the first page of such a list is
// read from its index instead of from a sort of the whole table.
struct SortIndex
{
    const char* name;
    const char* table;
    const char* column;
};
constexpr SortIndex kSortIndexes[] = {
    {"idxStocksPriceKey", "tblStocks", "ItemPrice"},
    {"idxStocksNameKey", "tblStocks", "ItemName"},
    {"idxStocksNumberKey", "tblStocks", "ItemNumber"},
    {"idxSoldAmountKey", "tblSold", "Amount"},
    {"idxSoldDayKey", "tblSold", "Dated"},
};

QString sortIndexSql(const SortIndex& index, bool server = false)
{
    const QString table = QString::fromLatin1(index.table);
    // The server takes an expression in an index only inside its own parentheses, and its
    // indexes do not end with the row's identity as the file's do: the rowid that breaks ties
    // is named.
    return (server ? QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 ((%3), rowid);")
                   : QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3);"))
        .arg(QString::fromLatin1(index.name), table, SortKeySql(table, QString::fromLatin1(index.column), server));
}

bool createSortIndexes(Database& db)
{
    QString script;
    for (const SortIndex& index : kSortIndexes)
        script += sortIndexSql(index);
    return db.executeScript(script);
}

bool hasSortIndexes(Database& db)
{
    QStringList marks;
    QVariantList names;
    for (const SortIndex& index : kSortIndexes) {
        marks << QStringLiteral("?");
        names << QString::fromLatin1(index.name);
    }
    const Recordset r =
        db.query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN (%1)")
                     .arg(marks.join(u',')),
                 names);
    return !r.BOF() && r.rows().first().first().toInt() == static_cast<int>(names.size());
}

enum class SortKind { Text, Number, Day, Time, Elapsed };

SortKind sortKind(const QString& table, const QString& column)
{
    static const QStringList numbers = {
        QStringLiteral("ClientKey"),     QStringLiteral("EmployeeID"), QStringLiteral("ItemNumber"),
        QStringLiteral("ItemPrice"),     QStringLiteral("ItemStocks"), QStringLiteral("itemQuantity"),
        QStringLiteral("itemAmount"),    QStringLiteral("Till"),       QStringLiteral("SaleNumber"),
        QStringLiteral("TransactionID"), QStringLiteral("Quantity"),   QStringLiteral("PresentStock"),
        QStringLiteral("Amount"),        QStringLiteral("AmountDue"),  QStringLiteral("Change"),
        QStringLiteral("Cash"),          QStringLiteral("Sales"),      QStringLiteral("Transactions"),
        QStringLiteral("ClientID"),      QStringLiteral("ItemID")};
    static const QStringList days = {QStringLiteral("BusinessDate"), QStringLiteral("NoteDate"),
                                     QStringLiteral("LogDate"),      QStringLiteral("Registered"),
                                     QStringLiteral("ClientReg"),    QStringLiteral("Dated")};
    static const QStringList times = {QStringLiteral("BusinessTime"), QStringLiteral("NoteTime"),
                                      QStringLiteral("LogTime"), QStringLiteral("EndTime")};
    if (numbers.contains(column, Qt::CaseInsensitive))
        return SortKind::Number;
    // The cart's Dated is a "yyyy-mm-dd hh:mm:ss" text, which sorts as it stands.
    if (days.contains(column, Qt::CaseInsensitive) && table.compare(u"tblPos", Qt::CaseInsensitive) != 0)
        return SortKind::Day;
    if (times.contains(column, Qt::CaseInsensitive))
        return SortKind::Time;
    if (column.compare(u"ElapsedTime", Qt::CaseInsensitive) == 0)
        return SortKind::Elapsed;
    return SortKind::Text;
}

// The server's SQL functions for what the file's statements use of SQLite's own: the sales
// day key (indexed, so IMMUTABLE; a text that is no date gives NULL, as on the file), ifnull,
// instr and group_concat, and for sorted lists the number a text begins with (0 when none), as
// CAST(... AS REAL) reads it on the file.
const char* const kServerFunctions = R"SQL(
CREATE EXTENSION IF NOT EXISTS citext;
CREATE FUNCTION ifnull(anycompatible, anycompatible) RETURNS anycompatible
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT coalesce($1, $2)';
CREATE FUNCTION instr(text, text) RETURNS integer
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT strpos($1, $2)';
CREATE FUNCTION pemvix_concat_step(acc text, x anyelement, sep text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
    'SELECT CASE WHEN x IS NULL THEN acc WHEN acc IS NULL THEN x::text ELSE acc || sep || x::text END';
CREATE FUNCTION pemvix_concat_step(acc text, x anyelement) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT pemvix_concat_step(acc, x, '','')';
CREATE AGGREGATE group_concat(anyelement) (SFUNC = pemvix_concat_step, STYPE = text);
CREATE AGGREGATE group_concat(anyelement, text) (SFUNC = pemvix_concat_step, STYPE = text);
CREATE FUNCTION pemvix_sales_day_key(d text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN d ~ '^.+ [0-3][0-9], [0-9]{4}$' THEN
    right(d, 4) ||
    CASE lower(left(d, length(d) - 9))
    WHEN 'january' THEN '-01' WHEN 'february' THEN '-02' WHEN 'march' THEN '-03'
    WHEN 'april' THEN '-04' WHEN 'may' THEN '-05' WHEN 'june' THEN '-06'
    WHEN 'july' THEN '-07' WHEN 'august' THEN '-08' WHEN 'september' THEN '-09'
    WHEN 'october' THEN '-10' WHEN 'november' THEN '-11' WHEN 'december' THEN '-12' END ||
    '-' || substr(d, length(d) - 7, 2) END
$$;
CREATE FUNCTION pemvix_number(t text) RETURNS numeric
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT coalesce(substring(replace(t, ',', '') FROM '^\s*([-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]{1,4})?)')::numeric, 0)
$$;
)SQL";

bool hasColumn(Database& db, const QString& table, const QString& column)
{
    // The table's name comes from this program, never from a user.
    const Recordset r = db.query(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    for (const auto& row : r.rows()) {
        if (row.size() > 1 && row.at(1).toString().compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool hasTable(Database& db, const QString& table)
{
    return !db.query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {table}).BOF();
}

bool needsTills(Database& db)
{
    return !hasColumn(db, QStringLiteral("tblPos"), QStringLiteral("Till"));
}

bool needsReceipts(Database& db)
{
    return !hasTable(db, QStringLiteral("tblReceipt"));
}

bool needsReturns(Database& db)
{
    return !hasTable(db, QStringLiteral("tblReturn"));
}

bool needsCatalog(Database& db)
{
    return !hasTable(db, QStringLiteral("tblBarcode"));
}

bool needsPricing(Database& db)
{
    return !hasTable(db, QStringLiteral("tblTaxRate"));
}

bool needsTillSessions(Database& db)
{
    return !hasTable(db, QStringLiteral("tblTillSession"));
}

bool needsKeptFigures(Database& db)
{
    return !hasTable(db, QStringLiteral("tblRowCount"));
}

bool needsSearchGrams(Database& db)
{
    return !hasTable(db, QStringLiteral("tblStocksGram"));
}

bool addTills(Database& db)
{
    // The cart of a file from before tills belongs to till 1, and its lines to the sale that
    // was open then: the stored counter plus 1, the number its sold-item lines carry.
    const Recordset counter = db.query(QStringLiteral("SELECT TransactionID FROM tblMain"));
    const QString open =
        PlainNumber((counter.BOF() ? 0 : NumberFromText(counter.rows().last().first().toString())) + 1);
    if (!db.executeScript(QStringLiteral("ALTER TABLE tblPos ADD COLUMN Till INTEGER NOT NULL DEFAULT 1;"
                                         "ALTER TABLE tblPos ADD COLUMN SaleNumber TEXT COLLATE NOCASE;"
                                         "CREATE INDEX IF NOT EXISTS idxPosTill ON tblPos (Till, ItemNumber);")))
        return false;
    return db.ExecuteSql(QStringLiteral("UPDATE tblPos SET SaleNumber = ?"), {open}) >= 0;
}

// Adds what a new database holds besides its tables: the first administrator and, when asked,
// the demonstration rows.
bool addFirstRows(Database& db, const InitOptions& options)
{
    if (db.ExecuteSql(
            QStringLiteral(
                "INSERT INTO tblClient (UserName, Password, Account, ClientReg) VALUES (?, ?, 'Administrator', ?)"),
            {options.adminUser, options.adminPassword, DateText()}) != 1)
        return false;
    return !options.demo || addDemoData(db);
}

bool insertSettingsRow(Database& db, const QString& company)
{
    return db.ExecuteSql(QStringLiteral("INSERT INTO tblMain (CompanyName, BackupFolder, TransactionID, ClientID, "
                                        "ItemID) VALUES (?, '', '', '', '')"),
                         {company}) == 1;
}

} // namespace

QStringList serverSchemaStatements()
{
    // The same tables as the file's, in the server's types: a case-blind text is citext, a
    // number column numeric, a till's name text; every table ends with the rowid that
    // identifies its rows, as the file's implicit one does.
    static const QRegularExpression nocaseText(QStringLiteral(R"(\bTEXT\s+COLLATE\s+NOCASE\b)"));
    static const QRegularExpression autoKey(QStringLiteral(R"(\bINTEGER\s+PRIMARY\s+KEY\s+AUTOINCREMENT\b)"));
    static const QRegularExpression till(QStringLiteral(R"(^(\s*Till\s+)INTEGER(\s+NOT\s+NULL\s+DEFAULT\s+)(\d+))"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression integer(QStringLiteral(R"(\bINTEGER\b)"));
    static const QRegularExpression datetime(QStringLiteral(R"(\bDATETIME\b)"));
    static const QRegularExpression real(QStringLiteral(R"(\bREAL\b)"));
    static const QRegularExpression collate(QStringLiteral(R"(\s+COLLATE\s+NOCASE\b)"));
    static const QRegularExpression tableEnd(QStringLiteral(R"(\s*\)\s*$)"));
    QStringList statements;
    const QString definitions = QString::fromUtf8(kTables) + QString::fromUtf8(kReceiptTable) +
                                QString::fromUtf8(kReturnTables) + QString::fromUtf8(kCatalogTables) +
                                QString::fromUtf8(kPricingTables) + QString::fromUtf8(kTillTables);
    for (QString statement : definitions.split(u';', Qt::SkipEmptyParts)) {
        statement = statement.trimmed();
        if (statement.isEmpty())
            continue;
        if (statement.startsWith(QLatin1String("CREATE TABLE"), Qt::CaseInsensitive)) {
            statement.replace(nocaseText, QStringLiteral("citext"));
            statement.replace(autoKey, QStringLiteral("bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE"));
            statement.replace(till, QStringLiteral("\\1text\\2'\\3'"));
            statement.replace(integer, QStringLiteral("bigint"));
            statement.replace(datetime, QStringLiteral("text"));
            statement.replace(real, QStringLiteral("double precision"));
            statement.remove(collate);
            statement.replace(tableEnd,
                              QStringLiteral(",\n    rowid bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY\n)"));
        }
        statements << statement;
    }
    statements << QStringLiteral("CREATE INDEX idxSalesDay ON tblSales (pemvix_sales_day_key(BusinessDate))");
    for (const SortIndex& index : kSortIndexes)
        statements << sortIndexSql(index, true).chopped(1);
    return statements;
}

QStringList shopTableProbes()
{
    // The columns an upgrade adds (the cart's till and sale number) are not asked of a file.
    static const QStringList added{QStringLiteral("Till"), QStringLiteral("SaleNumber")};
    QStringList probes;
    static const QRegularExpression table(QStringLiteral(R"(CREATE TABLE (\w+) \(([^;]*)\);)"));
    static const QRegularExpression column(QStringLiteral(R"(^\s+(\w+)\s+[A-Z])"), QRegularExpression::MultilineOption);
    for (auto t = table.globalMatch(QString::fromUtf8(kTables)); t.hasNext();) {
        const QRegularExpressionMatch m = t.next();
        QStringList columns;
        for (auto c = column.globalMatch(m.captured(2)); c.hasNext();) {
            const QString name = c.next().captured(1);
            if (!(m.captured(1) == u"tblPos" && added.contains(name)))
                columns << quotedIdentifier(name);
        }
        probes << QStringLiteral("SELECT %1 FROM %2 LIMIT 0").arg(columns.join(QStringLiteral(", ")), m.captured(1));
    }
    return probes;
}

QString schemaColumnName(const QString& name)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> map;
        static const QRegularExpression column(QStringLiteral(R"(^\s+(\w+)\s+[A-Z])"),
                                               QRegularExpression::MultilineOption);
        for (auto it = column.globalMatch(QString::fromUtf8(kTables) + QString::fromUtf8(kReceiptTable) +
                                          QString::fromUtf8(kReturnTables) + QString::fromUtf8(kCatalogTables) +
                                          QString::fromUtf8(kPricingTables) + QString::fromUtf8(kTillTables));
             it.hasNext();) {
            const QString n = it.next().captured(1);
            map.insert(n.toLower(), n);
        }
        map.insert(QStringLiteral("rowid"), QStringLiteral("rowid"));
        return map;
    }();
    return names.value(name.toLower(), name);
}

bool createServerSchema(Database& db, QString* why, const QString& company)
{
    auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    if (!db.isServer())
        return fail(QStringLiteral("The database is not a server's."));
    const Recordset existing =
        db.query(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()"));
    if (existing.BOF())
        return fail(db.lastError());
    if (existing.rows().first().first().toLongLong() > 0)
        return fail(QStringLiteral("The database already has tables; a shop's database is never overwritten, so "
                                   "create an empty one (createdb) for the shop."));
    Transaction tx(db);
    if (!tx.isActive())
        return fail(db.lastError());
    if (!db.executeScript(QString::fromUtf8(kServerFunctions)))
        return fail(QStringLiteral("Cannot create the functions: %1").arg(db.lastError()));
    for (const QString& statement :
         serverSchemaStatements() + serverKeptFiguresStatements() + serverSearchStatements()) {
        if (!db.executeScript(statement))
            return fail(QStringLiteral("Cannot create the tables: %1").arg(db.lastError()));
    }
    if (!db.executeScript(QString::fromUtf8(kZGuardServer)))
        return fail(QStringLiteral("Cannot create the tables: %1").arg(db.lastError()));
    if (!insertSettingsRow(db, company) || !tx.commit())
        return fail(QStringLiteral("Cannot write the settings row: %1").arg(db.lastError()));
    return true;
}

bool createServerDatabase(Database& db, const InitOptions& options, QString* why)
{
    if (options.adminPassword.isEmpty()) {
        if (why)
            *why = QStringLiteral("The administrator needs a password.");
        return false;
    }
    Transaction tx(db);
    if (!tx.isActive()) {
        if (why)
            *why = db.lastError();
        return false;
    }
    if (!createServerSchema(db, why, options.company))
        return false;
    if (!addFirstRows(db, options) || !tx.commit()) {
        if (why)
            *why = QStringLiteral("Cannot write the first rows: %1").arg(db.lastError());
        return false;
    }
    return true;
}

bool upgradeSchema(Database& db)
{
    // Most opens find nothing to do; that is answered without taking the write lock.
    if (!needsTills(db) && !needsReceipts(db) && !needsReturns(db) && !needsCatalog(db) && !needsPricing(db) &&
        !needsTillSessions(db) && !needsKeptFigures(db) && !needsSearchGrams(db) && hasSortIndexes(db))
        return true;
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    // Another copy may have upgraded the file while this one waited for the lock.
    if (needsTills(db) && !addTills(db))
        return false;
    if (needsReceipts(db) && !db.executeScript(QString::fromUtf8(kReceiptTable)))
        return false;
    if (needsReturns(db) && !db.executeScript(QString::fromUtf8(kReturnTables)))
        return false;
    if (needsCatalog(db) && !db.executeScript(QString::fromUtf8(kCatalogTables)))
        return false;
    if (needsPricing(db) && !db.executeScript(QString::fromUtf8(kPricingTables)))
        return false;
    if (needsTillSessions(db) &&
        !(db.executeScript(QString::fromUtf8(kTillTables)) && db.executeScript(QString::fromUtf8(kZGuardFile))))
        return false;
    // Counted once here (a few seconds for tens of millions of lines), then kept by the triggers.
    if (needsKeptFigures(db) && !db.executeScript(keptFiguresSql()))
        return false;
    // Every item's grams once here (a minute for a million items), then kept by the triggers.
    if (needsSearchGrams(db) && !db.executeScript(stocksGramSql()))
        return false;
    // Indexes of sorted lists that the file lacks (added in a later version) are made as well.
    return createSortIndexes(db) && tx.commit();
}

bool upgradeServerSchema(Database& db)
{
    // A shop's server database made by an earlier version gets the tables of each later feature
    // once; a database without the shop's tables yet (about to be created) is left alone.
    struct Feature
    {
        const char* marker; // the feature's table that tells whether it is there
        const char* names;  // its tables and indexes, as statements name them
    };
    static const Feature features[] = {
        {"tblreturn", R"(\b(tblSaleRef|tblReturn|tblReturnLine|tblReturnCounter|tblDailyRefund|idxSoldSale)\b)"},
        {"tblbarcode", R"(\b(tblBarcode|tblSetting)\b)"},
        {"tbltaxrate", R"(\b(tblTaxRate|tblItemTax|tblOpenDiscount|tblSoldPrice|tblSaleTax|tblSaleDiscount)\b)"},
        {"tbltillsession", R"(\b(tblTillSession|tblPayment|tblCashMove|tblZReport|tblZCounter)\b)"},
    };
    const auto has = [&db](const char* table) {
        const Recordset r = db.query(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                                    "current_schema() AND tablename = ?"),
                                     {QString::fromLatin1(table)});
        return r.BOF() ? std::optional<bool>() : std::optional<bool>(r.rows().first().first().toLongLong() > 0);
    };
    const auto missing = [&]() -> std::optional<QVector<const Feature*>> {
        QVector<const Feature*> list;
        for (const Feature& feature : features) {
            const auto there = has(feature.marker);
            if (!there)
                return std::nullopt;
            if (!*there)
                list << &feature;
        }
        return list;
    };
    const auto searchIndexesMissing = [&db]() -> std::optional<bool> {
        const Recordset r = db.query(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_indexes WHERE schemaname = "
                                                    "current_schema() AND (indexname LIKE 'idx%trgm' OR "
                                                    "indexname IN ('idxstocksnameprefix', 'idxsolddatedrow'))"));
        if (r.BOF())
            return std::nullopt;
        return r.rows().first().first().toLongLong() < static_cast<qint64>(std::size(kSearchIndexes)) + 2;
    };
    const auto main = has("tblmain");
    const auto before = missing();
    const auto kept = has("tblrowcount");
    const auto searches = searchIndexesMissing();
    if (!main || !before || !kept || !searches)
        return false;
    if (!*main || (before->isEmpty() && *kept && !*searches))
        return true;
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    // Another till may have added them while this one waited for the lock.
    const auto now = missing();
    const auto keptNow = has("tblrowcount");
    if (!now || !keptNow)
        return false;
    // Counted once here, then kept by the triggers; the search indexes are made over what is there.
    const QStringList added = (*keptNow ? QStringList() : serverKeptFiguresStatements()) + serverSearchStatements();
    for (const QString& statement : added) {
        if (!db.executeScript(statement))
            return false;
    }
    const QStringList statements = serverSchemaStatements();
    for (const Feature* feature : *now) {
        const QRegularExpression names(QString::fromLatin1(feature->names));
        for (const QString& statement : statements) {
            if (names.match(statement).hasMatch() && !db.executeScript(statement))
                return false;
        }
        if (QLatin1String(feature->marker) == QLatin1String("tbltillsession") &&
            !db.executeScript(QString::fromUtf8(kZGuardServer)))
            return false;
    }
    return tx.commit();
}

QString SortKeySql(const QString& table, const QString& column, bool server)
{
    // The server folds unquoted names to lower case, and its number and text columns do not mix
    // in COALESCE or replace, so there every column is read as text first.
    const QString name =
        server ? quotedIdentifier(column.toLower()) + QStringLiteral("::text") : quotedIdentifier(column);
    const QString text = QStringLiteral("COALESCE(%1, '')").arg(name);
    switch (sortKind(table, column)) {
    case SortKind::Number:
        if (server)
            return QStringLiteral("pemvix_number(%1)").arg(name);
        return QStringLiteral("COALESCE(CAST(replace(%1, ',', '') AS REAL), 0.0)").arg(name);
    case SortKind::Day:
        // "December 08, 2026": the year is the last four characters, the day the two before the
        // comma, the month the name before the blank; an unknown month counts as month 00.
        // The server refuses a negative length where the file gives an empty text.
        return QStringLiteral("(substr(%1, length(%1) - 3, 4) || CASE lower(substr(%1, 1, %2)) "
                              "WHEN 'january' THEN '01' WHEN 'february' THEN '02' WHEN 'march' THEN '03' "
                              "WHEN 'april' THEN '04' WHEN 'may' THEN '05' WHEN 'june' THEN '06' "
                              "WHEN 'july' THEN '07' WHEN 'august' THEN '08' WHEN 'september' THEN '09' "
                              "WHEN 'october' THEN '10' WHEN 'november' THEN '11' WHEN 'december' THEN '12' "
                              "ELSE '00' END || substr(%1, length(%1) - 7, 2))")
            .arg(text, server ? QStringLiteral("greatest(length(%1) - 9, 0)").arg(text)
                              : QStringLiteral("length(%1) - 9").arg(text));
    case SortKind::Time: {
        // "9:05:07 AM" and "12:30:00 PM": AM before PM, the hour 12 first within each, then the
        // "hh:mm:ss" with the hour padded to two digits.
        const QString clock = QStringLiteral("substr('0' || %1, length(%1) - 9, 8)").arg(text);
        return QStringLiteral("(CASE upper(substr(%1, length(%1) - 1, 2)) WHEN 'PM' THEN 'P' ELSE 'A' END || "
                              "CASE substr(%2, 1, 2) WHEN '12' THEN '00' ELSE substr(%2, 1, 2) END || "
                              "substr(%2, 3, 6))")
            .arg(text, clock);
    }
    case SortKind::Elapsed: {
        // "2 Hr 5 Min 12 Sec": the seconds it stands for. Each number is the one leading the text
        // from its place on (none counts as 0), so a malformed text still sorts, just first.
        auto number = [server](const QString& from) {
            return server ? QStringLiteral("pemvix_number(%1)").arg(from)
                          : QStringLiteral("CAST(%1 AS REAL)").arg(from);
        };
        return QStringLiteral("(%1 * 3600 + %2 * 60 + %3)")
            .arg(number(text), number(QStringLiteral("substr(%1, instr(%1, 'Hr ') + 3)").arg(text)),
                 number(QStringLiteral("substr(%1, instr(%1, 'Min ') + 4)").arg(text)));
    }
    case SortKind::Text:
        break;
    }
    return QStringLiteral("lower(%1)").arg(text);
}

std::optional<qint64> keptRowCount(Database& db, const QString& table)
{
    const Recordset r =
        db.query(QStringLiteral("SELECT RowCount FROM tblRowCount WHERE TableName = ?"), {table.toLower()});
    if (r.BOF() || r.rows().first().first().isNull())
        return std::nullopt;
    return r.rows().first().first().toLongLong();
}

QString clearHistorySql(const QString& table)
{
    // The sold-item lines of sales still open at a till stay: their cart lines, the stock they
    // took off and the sale they are rung up under belong together until that sale is paid or
    // cleared.
    if (table.compare(QLatin1String("tblSold"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("DELETE FROM tblSold WHERE NOT EXISTS (SELECT 1 FROM tblPos p WHERE "
                              "p.SaleNumber = tblSold.TransactionID AND p.ItemNumber = tblSold.ItemNumber)");
    return QStringLiteral("DELETE FROM %1").arg(table);
}

QString SalesDayKeySql()
{
    // The text must look like "<month> dd, yyyy"; the month name is read without regard to
    // letter case. Nothing carries a COLLATE, so the key compares (and is indexed) as BINARY,
    // which is what a "yyyy-mm-dd" text needs.
    static const QString sql =
        QStringLiteral("(CASE WHEN BusinessDate GLOB '?* [0-3][0-9], [0-9][0-9][0-9][0-9]' THEN "
                       "substr(BusinessDate, -4) || "
                       "CASE lower(substr(BusinessDate, 1, length(BusinessDate) - 9)) "
                       "WHEN 'january' THEN '-01' WHEN 'february' THEN '-02' WHEN 'march' THEN '-03' "
                       "WHEN 'april' THEN '-04' WHEN 'may' THEN '-05' WHEN 'june' THEN '-06' "
                       "WHEN 'july' THEN '-07' WHEN 'august' THEN '-08' WHEN 'september' THEN '-09' "
                       "WHEN 'october' THEN '-10' WHEN 'november' THEN '-11' WHEN 'december' THEN '-12' END || "
                       "'-' || substr(BusinessDate, -8, 2) END)");
    return sql;
}

bool addDemoData(Database& db)
{
    struct Item
    {
        const char* name;
        const char* price;
        const char* description;
        int stocks;
        const char* brand;
        const char* availability;
    };
    static const Item items[] = {
        {"Drink", "25", "Orange drink 500 ml", 120, "Sunny", "Available"},
        {"Tin Can", "45.50", "Sardines in tomato sauce", 60, "Seaside", "Available"},
        {"Bread", "38", "Sliced white loaf", 30, "Bakehouse", "Available"},
        {"Coffee", "150", "Ground coffee 250 g", 0, "Highland", "Out of Stock"},
        {"Rice 5 kg", "320", "Long-grain rice", 25, "Golden Field", "Available"},
        {"Gift Box", "999", "Holiday gift box, held for a customer", 4, "Pemvix", "Reserved"},
    };
    int number = 1000;
    for (const Item& item : items) {
        ++number;
        if (db.ExecuteSql(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, "
                                         "ItemStocks, ItemBrand, ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                          {QString::number(number), QString::fromUtf8(item.name), QString::fromUtf8(item.price),
                           QString::fromUtf8(item.description), item.stocks, QString::fromUtf8(item.brand),
                           QString::fromUtf8(item.availability)}) != 1)
            return false;
    }
    if (db.ExecuteSql(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Gender, Position, Password, "
                                     "Registered) VALUES ('1', 'Maria  Santos', 'Female', 'Cashier', 'cashier1', ?)"),
                      {DateText()}) != 1)
        return false;
    return db.ExecuteSql(QStringLiteral("UPDATE tblMain SET ItemID = ?, ClientID = '1'"), {QString::number(number)}) >=
           0;
}

bool createSchema(Database& db, const InitOptions& options)
{
    Transaction tx(db);
    if (!tx.isActive() || !db.executeScript(QString::fromUtf8(kTables)) ||
        !db.executeScript(QString::fromUtf8(kReceiptTable)) || !db.executeScript(QString::fromUtf8(kReturnTables)) ||
        !db.executeScript(QString::fromUtf8(kCatalogTables)) || !db.executeScript(QString::fromUtf8(kPricingTables)) ||
        !db.executeScript(QString::fromUtf8(kTillTables)) || !db.executeScript(QString::fromUtf8(kZGuardFile)))
        return false;
    // Spans of sale days are selected by calendar day through this index.
    if (!db.executeScript(QStringLiteral("CREATE INDEX idxSalesDay ON tblSales (%1);").arg(SalesDayKeySql())) ||
        !createSortIndexes(db) || !db.executeScript(keptFiguresSql()) || !db.executeScript(stocksGramSql()))
        return false;
    if (!insertSettingsRow(db, options.company) || !addFirstRows(db, options))
        return false;
    return tx.commit();
}

bool hasPlainHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16).startsWith("SQLite format 3");
}

bool createDatabaseFile(const QString& path, const InitOptions& options, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (options.adminPassword.isEmpty())
        return fail(QStringLiteral("The administrator needs a password."));
    Database db;
    if (!db.create(path))
        return fail(db.lastError());
    // The shop's data is for its own user only, whatever the umask let the file be made with.
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)) {
        db.close();
        QFile::remove(path);
        return fail(QStringLiteral("Cannot make %1 private to its user.").arg(path));
    }
    if (!createSchema(db, options)) {
        const QString why = db.lastError();
        db.close();
        QFile::remove(path);
        return fail(QStringLiteral("Cannot write the tables: %1").arg(why));
    }
    db.close();
    if (hasPlainHeader(path)) {
        QFile::remove(path);
        return fail(QStringLiteral("%1 was written without encryption; removed.").arg(path));
    }
    return true;
}
