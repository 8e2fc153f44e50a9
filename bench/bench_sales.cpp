// The point of sale at shop scale, driven through its widgets as a cashier would: typing an
// item number, picking a name, Add, Remove, Process with payment, and opening the window.
// Each baseline is the least SQLite work the operation needs: the same indexed statements,
// prepared once, the writes of one operation in one transaction.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "sales/Cart.h"
#include "sales/frmPOS.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

// A key typed into a widget as the keyboard would (a press and a release).
void typeInto(QWidget* widget, QChar c, int key = 0)
{
    const QString text = c.isNull() ? QString() : QString(c);
    const int code = key ? key : (c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space);
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &release);
}

std::string utf8(const QString& s)
{
    return s.toStdString();
}

// A sales window opened as the main window opens it, on an empty cart.
std::shared_ptr<frmPOS> openPOS()
{
    auto pos = std::make_shared<frmPOS>(BenchShop::instance().ctx);
    pos->show();
    QApplication::processEvents();
    return pos;
}

// Puts the shop back after an add: the cart emptied, the sold line gone, the stock returned.
struct AddUndo
{
    qint64 soldBefore = 0;
    QString number;
    void mark(const QString& item)
    {
        Database& db = BenchShop::instance().db;
        const Recordset r = db.query(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM tblSold"));
        soldBefore = r.rows().first().first().toLongLong();
        number = item;
    }
    void undo() const
    {
        Database& db = BenchShop::instance().db;
        Transaction tx(db);
        db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE Till = ?"), {QVariant(BenchShop::instance().ctx.till)});
        db.ExecuteSql(QStringLiteral("DELETE FROM tblSold WHERE rowid > ?"), {soldBefore});
        db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ItemStocks + 1, ItemAvailability = "
                                     "'Available' WHERE ItemNumber = ?"),
                      {number});
        tx.commit();
    }
};

// The statements a minimal point of sale runs, prepared once.
struct PosStatements
{
    sqlite3* db = BenchShop::instance().db.handle();
    Stmt item{db, "SELECT * FROM tblStocks WHERE ItemNumber = ?"};
    Stmt numberForName{db, "SELECT ItemNumber FROM tblStocks WHERE ItemName = ? LIMIT 1"};
    Stmt listed{db, "SELECT 1 FROM tblPos WHERE Till = 1 AND ItemNumber = ?"};
    Stmt addLine{db, "INSERT INTO tblPos (ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, Dated, Till, "
                     "SaleNumber) VALUES (?, ?, ?, ?, ?, ?, 1, '300001')"};
    Stmt addSold{db, "INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, PresentStock, "
                     "Cashier, Amount) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"};
    Stmt lowerStock{db, "UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE ItemNumber = ?"};
    Stmt cartPage{db, "SELECT rowid, * FROM tblPos WHERE Till = 1 ORDER BY rowid LIMIT 256"};
    Stmt cartTotal{db, "SELECT itemAmount FROM tblPos WHERE Till = 1"};
    Stmt firstLine{db, "SELECT rowid, ItemNumber, itemQuantity FROM tblPos WHERE Till = 1 ORDER BY rowid LIMIT 1"};
    Stmt dropLine{db, "DELETE FROM tblPos WHERE rowid = ?"};
    Stmt dropSold{db, "DELETE FROM tblSold WHERE rowid = (SELECT max(rowid) FROM tblSold WHERE Dated = ? AND "
                      "ItemNumber = ? AND TransactionID = ?)"};
    Stmt note{db, "INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"};
    Stmt notePage{db, "SELECT rowid, * FROM tblNot ORDER BY rowid LIMIT 256"};
    Stmt names{db, "SELECT ItemName FROM tblStocks ORDER BY ItemName"};
    Stmt counter{db, "SELECT TransactionID FROM tblMain"};
    Stmt sale{db, "INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue, Change, Cash, Cashier) "
                  "VALUES (?, ?, ?, ?, ?, ?)"};
    Stmt setCounter{db, "UPDATE tblMain SET TransactionID = ?"};
    Stmt emptyCart{db, "DELETE FROM tblPos WHERE Till = 1"};

    // The cart as the window shows it after a change: its lines and its total.
    void showCart()
    {
        cartPage.all();
        double total = 0;
        while (cartTotal.row())
            total += cartTotal.number(0);
        cartTotal.reset();
        benchmark::DoNotOptimize(total);
    }
    // What opening the window reads: the cart, the item names, the sale number.
    void open()
    {
        showCart();
        benchmark::DoNotOptimize(names.all());
        counter.all();
    }
    // One add: the item read, the duplicate check, the two lines and the stock in one transaction.
    void add(const std::string& number, const std::string& sale)
    {
        item.bind(1, number);
        item.row();
        const std::string name = item.text(1), price = item.text(2);
        const double stock = item.number(4);
        item.reset();
        exec(db, "BEGIN IMMEDIATE");
        listed.bind(1, number);
        const bool already = listed.row();
        listed.reset();
        if (!already) {
            const std::string day = "December 09, 2026", now = "2026-12-09 10:00:00";
            addLine.bind(1, number)
                .bind(2, name)
                .bind(3, std::string("1"))
                .bind(4, std::strtod(price.c_str(), nullptr));
            addLine.bind(5, price).bind(6, now).run();
            addSold.bind(1, sale).bind(2, day).bind(3, name).bind(4, number).bind(5, std::string("1"));
            addSold.bind(6, std::to_string(stock)).bind(7, std::string("Admin")).bind(8, price).run();
            lowerStock.bind(1, stock - 1).bind(2, std::string("Available")).bind(3, number).run();
        }
        exec(db, "COMMIT");
        showCart();
    }
};

// A second till on the same database: its own connection, with an open sale of five lines, while
// till 1 (the window measured) works.
struct SecondTill
{
    std::unique_ptr<Database> db;
    void open()
    {
        db = std::make_unique<Database>();
        if (!BenchShop::openShop(*db))
            return;
        Cart cart(*db, QStringLiteral("2"));
        for (int i = 0; i < 5; ++i)
            cart.addLine(BenchShop::instance().nextNumber(), QStringLiteral("1"), cart.nextSaleNumber(),
                         QStringLiteral("Till Two"));
    }
    void close()
    {
        if (db)
            Cart(*db, QStringLiteral("2")).clearCart({});
        db.reset();
    }
};

// Registers a write both as it is and with a second till open beside it.
void registerWrite(const std::string& operation, Side program, Side baseline)
{
    registerPair("write", operation, program, baseline, benchmark::kMillisecond);
    auto other = std::make_shared<SecondTill>();
    const auto beside = [other](Side side) {
        return Side{[other, setup = side.setup](benchmark::State& state) {
                        other->open();
                        return setup(state);
                    },
                    side.undo,
                    [other, teardown = side.teardown] {
                        if (teardown)
                            teardown();
                        other->close();
                    }};
    };
    registerPair("write", operation + ", two tills open", beside(program), beside(baseline), benchmark::kMillisecond);
}

void registerSalesBenchmarks()
{
    registerPair("lookup", "item by number (frmPOS txtItem)", {[](benchmark::State& state) -> Operation {
                     auto pos = openPOS();
                     auto* txtItem = child<QLineEdit>(*pos, "txtItem");
                     auto* Titem = child<QLineEdit>(*pos, "Titem");
                     return [pos, txtItem, Titem, &state] {
                         txtItem->setText(BenchShop::instance().nextNumber());
                         if (Titem->text().isEmpty())
                             state.SkipWithError("no item shown");
                     };
                 }},
                 {[](benchmark::State& state) -> Operation {
                     auto s = std::make_shared<PosStatements>();
                     return [s, &state] {
                         s->item.bind(1, utf8(BenchShop::instance().nextNumber()));
                         if (s->item.all() != 1)
                             state.SkipWithError("item not found");
                     };
                 }});

    // The named function the window's lookup calls, without the six boxes it fills.
    registerPair("lookup", "item by number (Cart::lookupItem)", {[](benchmark::State& state) -> Operation {
                     auto cart = std::make_shared<Cart>(BenchShop::instance().db);
                     return [cart, &state] {
                         if (!cart->lookupItem(BenchShop::instance().nextNumber()).found())
                             state.SkipWithError("item not found");
                     };
                 }},
                 {[](benchmark::State& state) -> Operation {
                     auto s = std::make_shared<PosStatements>();
                     return [s, &state] {
                         s->item.bind(1, utf8(BenchShop::instance().nextNumber()));
                         if (s->item.all() != 1)
                             state.SkipWithError("item not found");
                     };
                 }});

    registerPair("lookup", "item by name (frmPOS Combo1 pick)", {[](benchmark::State& state) -> Operation {
                     auto pos = openPOS();
                     auto* combo = child<QComboBox>(*pos, "Combo1");
                     auto* Titem = child<QLineEdit>(*pos, "Titem");
                     const auto& names = BenchShop::instance().itemNames();
                     if (Cart(BenchShop::instance().db).manyItems()) {
                         // A large shop's picker lists the names starting with what is typed:
                         // the name is typed whole, a key at a time, then picked.
                         combo->setFocus();
                         return [pos, combo, Titem, &names, &state, i = size_t(0)]() mutable {
                             const QString& name = names[i++ % names.size()];
                             for (const QChar c : name)
                                 typeInto(combo, c);
                             emit combo->activated(combo->findText(name));
                             if (Titem->text() != name)
                                 state.SkipWithError("the name typed was not picked");
                         };
                     }
                     // Where each sample name stands in the picker, found once.
                     auto rows = std::make_shared<std::vector<int>>();
                     QHash<QString, int> at;
                     for (int i = 0; i < combo->count(); ++i)
                         at.insert(combo->itemText(i), i);
                     for (const QString& name : names)
                         rows->push_back(at.value(name, -1));
                     return [pos, combo, Titem, rows, &state, i = size_t(0)]() mutable {
                         emit combo->activated((*rows)[i++ % rows->size()]);
                         if (Titem->text().isEmpty())
                             state.SkipWithError("no item shown");
                     };
                 }},
                 {[](benchmark::State&) -> Operation {
                     auto s = std::make_shared<PosStatements>();
                     // In a large shop the same name typed a key at a time: the first 50 names
                     // starting with each part of it are read, as the picker reads them.
                     std::shared_ptr<Stmt> prefix;
                     if (Cart(BenchShop::instance().db).manyItems())
                         prefix = std::make_shared<Stmt>(BenchShop::instance().db.handle(),
                                                         "SELECT ItemName FROM tblStocks WHERE ItemName >= ? AND "
                                                         "ItemName < ? ORDER BY ItemName LIMIT 50");
                     return [s, prefix, i = size_t(0)]() mutable {
                         BenchShop& shop = BenchShop::instance();
                         const QString& name = shop.itemNames()[i++ % shop.itemNames().size()];
                         for (qsizetype typed = 1; prefix && typed <= name.size(); ++typed) {
                             const std::string part = utf8(name.left(typed));
                             prefix->bind(1, part).bind(2, part + "\xF4\x8F\xBF\xBF");
                             benchmark::DoNotOptimize(prefix->all());
                         }
                         s->numberForName.bind(1, utf8(name));
                         s->numberForName.row();
                         const std::string number = s->numberForName.text(0);
                         s->numberForName.reset();
                         s->item.bind(1, number);
                         s->item.all();
                     };
                 }});

    // One add: the number typed, then Add, with every check, the writes and the redraw.
    auto addUndo = std::make_shared<AddUndo>();
    registerWrite("add to cart (frmPOS Add)",
                  {[addUndo](benchmark::State& state) -> Operation {
                       BenchShop::instance().resetCart();
                       auto pos = openPOS();
                       auto* txtItem = child<QLineEdit>(*pos, "txtItem");
                       auto* add = child<QPushButton>(*pos, "cmdSearch");
                       auto* label6 = child<QLabel>(*pos, "Label6");
                       return [=, window = pos, &state] {
                           const QString number = BenchShop::instance().nextNumber();
                           addUndo->mark(number);
                           txtItem->setText(number);
                           add->click();
                           if (!label6->text().startsWith(u'1'))
                               state.SkipWithError("the line was not added");
                       };
                   },
                   [addUndo] { addUndo->undo(); }},
                  {[addUndo](benchmark::State&) -> Operation {
                       BenchShop::instance().resetCart();
                       auto s = std::make_shared<PosStatements>();
                       return [=] {
                           const QString number = BenchShop::instance().nextNumber();
                           addUndo->mark(number);
                           s->add(utf8(number), "300001");
                       };
                   },
                   [addUndo] { addUndo->undo(); }});

    // One removal: the line clicked, Remove, the question answered Yes.
    auto removeUndo = std::make_shared<AddUndo>();
    auto pos = std::make_shared<std::shared_ptr<frmPOS>>();
    registerWrite(
        "remove from cart (frmPOS Remove)",
        {[=](benchmark::State& state) -> Operation {
             BenchShop::instance().resetCart();
             *pos = openPOS();
             auto* grid = child<DataGrid>(**pos, "DataGrid1");
             auto* remove = child<QPushButton>(**pos, "cmdAccept");
             auto* label6 = child<QLabel>(**pos, "Label6");
             child<QLineEdit>(**pos, "txtItem")->setText(BenchShop::instance().nextNumber());
             child<QPushButton>(**pos, "cmdSearch")->click();
             return [=, &state] {
                 emit grid->currentRowChanged(0);
                 remove->click();
                 if (!label6->text().startsWith(u'0'))
                     state.SkipWithError("the line was not removed");
             };
         },
         // the next line to remove is added through the window, untimed
         [=] {
             child<QLineEdit>(**pos, "txtItem")->setText(BenchShop::instance().nextNumber());
             child<QPushButton>(**pos, "cmdSearch")->click();
         },
         [=] {
             pos->reset();
             BenchShop::instance().resetCart();
         }},
        {[=](benchmark::State&) -> Operation {
             BenchShop::instance().resetCart();
             auto s = std::make_shared<PosStatements>();
             s->add(utf8(BenchShop::instance().nextNumber()), "300001");
             return [s] {
                 // the line, its item, and in one transaction: the line and its sold line
                 // deleted, the stock given back, the two notifications
                 sqlite3* db = s->db;
                 const long long row = sqlite3_last_insert_rowid(db);
                 (void)row;
                 Stmt first(db, "SELECT rowid, ItemNumber, itemQuantity FROM tblPos WHERE Till = 1 ORDER BY rowid "
                                "LIMIT 1");
                 first.row();
                 const long long id = first.integer(0);
                 const std::string number = first.text(1);
                 first.reset();
                 s->item.bind(1, number);
                 s->item.row();
                 const double stock = s->item.number(4);
                 s->item.reset();
                 exec(db, "BEGIN IMMEDIATE");
                 s->dropLine.bind(1, static_cast<double>(id)).run();
                 s->dropSold.bind(1, std::string("December 09, 2026")).bind(2, number).bind(3, std::string("300001"));
                 s->dropSold.run();
                 s->lowerStock.bind(1, stock + 1).bind(2, std::string("Available")).bind(3, number).run();
                 for (const char* title : {"Item Void", "Item Availabilty Returned"})
                     s->note.bind(1, std::string("December 09, 2026"))
                         .bind(2, std::string("10:00:00 AM"))
                         .bind(3, std::string(title))
                         .bind(4, std::string("DETAILS:"))
                         .run();
                 exec(db, "COMMIT");
                 s->showCart();
                 s->notePage.all();
             };
         },
         [] {
             PosStatements s;
             s.add(utf8(BenchShop::instance().nextNumber()), "300001");
         }});

    // One letter typed into the name picker of a large shop, then taken back: each asks the
    // database for the first names starting with what is typed.
    registerPair("lookup", "a letter typed into the name picker (frmPOS Combo1)",
                 {[](benchmark::State& state) -> Operation {
                     auto pos = openPOS();
                     auto* combo = child<QComboBox>(*pos, "Combo1");
                     if (!Cart(BenchShop::instance().db).manyItems())
                         state.SkipWithError("the shop's picker lists every name");
                     combo->setFocus();
                     typeInto(combo, QLatin1Char('S'));
                     typeInto(combo, QLatin1Char('u'));
                     return [pos, combo, i = 0]() mutable {
                         if (i++ % 2)
                             typeInto(combo, QChar(), Qt::Key_Backspace);
                         else
                             typeInto(combo, QLatin1Char('n'));
                     };
                 }},
                 {[](benchmark::State&) -> Operation {
                     auto s = std::make_shared<Stmt>(
                         BenchShop::instance().db.handle(),
                         "SELECT ItemName FROM tblStocks WHERE ItemName >= ? AND ItemName < ? ORDER BY ItemName "
                         "LIMIT 50");
                     return [s, i = 0]() mutable {
                         const std::string typed = i++ % 2 ? "Su" : "Sun";
                         s->bind(1, typed).bind(2, typed + "\xF4\x8F\xBF\xBF");
                         benchmark::DoNotOptimize(s->all());
                     };
                 }});

    registerPair("window", "opening frmPOS", {[](benchmark::State&) -> Operation {
                     BenchShop::instance().resetCart();
                     return [] { benchmark::DoNotOptimize(openPOS()); };
                 }},
                 {[](benchmark::State&) -> Operation {
                     auto s = std::make_shared<PosStatements>();
                     return [s] { s->open(); };
                 }},
                 benchmark::kMillisecond);

    // One sale completed: Process, the cash typed, Submit, Finish. The sales window then opens
    // afresh for the next customer, which "opening frmPOS" measures.
    auto insertLine = [] {
        Database& db = BenchShop::instance().db;
        const QVariant till(BenchShop::instance().ctx.till);
        db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE Till = ?"), {till});
        const Recordset item =
            db.query(QStringLiteral("SELECT ItemNumber, ItemName, ItemPrice FROM tblStocks WHERE ItemNumber = ?"),
                     {BenchShop::instance().nextNumber()});
        const auto& row = item.rows().first();
        db.ExecuteSql(
            QStringLiteral("INSERT INTO tblPos (ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, "
                           "Dated, Till) VALUES (?, ?, '1', ?, ?, ?, ?)"),
            {row.at(0), row.at(1), ColumnNumber(row.at(2).toString()).value_or(0), row.at(2), DateTimeText(), till});
    };
    auto salePos = std::make_shared<std::shared_ptr<frmPOS>>();
    registerWrite(
        "sale completion (Process, pay, Finish)",
        {[=](benchmark::State& state) -> Operation {
             BenchShop::instance().onModal = [](QDialog& total) {
                 child<QLineEdit>(total, "tAmt")->setText(QStringLiteral("100000"));
                 child<QPushButton>(total, "cmdOrder")->click();
                 child<QPushButton>(total, "cmdCancel")->click();
                 return total.result();
             };
             insertLine();
             *salePos = openPOS();
             return [=, &state] {
                 child<QPushButton>(**salePos, "cmdOrder")->click();
                 if ((*salePos)->result() != FormDialog::Reopen)
                     state.SkipWithError("the sale was not completed");
             };
         },
         [=] {
             insertLine();
             *salePos = openPOS();
         },
         [=] {
             salePos->reset();
             BenchShop::instance().onModal = nullptr;
             BenchShop::instance().resetCart();
         }},
        {[=](benchmark::State&) -> Operation {
             insertLine();
             auto s = std::make_shared<PosStatements>();
             return [s] {
                 exec(s->db, "BEGIN IMMEDIATE");
                 double total = 0;
                 while (s->cartTotal.row())
                     total += s->cartTotal.number(0);
                 s->cartTotal.reset();
                 s->counter.row();
                 const std::string number = std::to_string(std::atoll(s->counter.text(0)) + 1);
                 s->counter.reset();
                 s->sale.bind(1, std::string("December 09, 2026")).bind(2, std::string("10:00:00 AM"));
                 s->sale.bind(3, std::to_string(total)).bind(4, std::string("0.00")).bind(5, std::string("100000"));
                 s->sale.bind(6, std::string("Admin")).run();
                 s->setCounter.bind(1, number).run();
                 s->emptyCart.run();
                 exec(s->db, "COMMIT");
             };
         },
         insertLine});
}

} // namespace

void registerPosBenchmarks()
{
    registerSalesBenchmarks();
}

namespace {
const Registration registration(2, registerPosBenchmarks);
} // namespace
