#include "TestEnv.h"

#include "data/TextForms.h"
#include "returns/Returns.h"
#include "inventory/InventoryData.h"
#include "inventory/InventoryReport.h"
#include "reports/SalesQueries.h"
#include "reports/SalesReport.h"
#include "reports/frmSales.h"
#include "sales/Cart.h"
#include "sales/ReceiptStore.h"
#include "sales/frmTotal.h"
#include "sales/frmFindSale.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QThread>

#include <functional>

namespace {

// A shop with item A at 12.50 (stock 10) and item B at 10.00 for three (stock 10).
struct Shop : TestEnv
{
    Shop()
    {
        exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks, ItemAvailability) "
                            "VALUES ('100', 'A', '12.50', 10, 'Available'), ('200', 'B', '3.3333', 10, "
                            "'Available')"));
    }

    // Rings up and pays one sale without windows; its number.
    QString sell(const QList<std::pair<QString, QString>>& lines, const QString& till = QStringLiteral("1"))
    {
        Cart cart(db, till);
        const QString sale = cart.nextSaleNumber();
        for (const auto& [item, quantity] : lines) {
            if (cart.addLine(item, quantity, sale, QStringLiteral("Maria")).outcome != AddOutcome::Added)
                qFatal("the test sale could not be rung up");
        }
        const SaleResult paid =
            cart.completeSale(cart.cartTotalText(), QStringLiteral("1000"), sale, QStringLiteral("Maria"));
        if (paid.outcome != SaleOutcome::Completed)
            qFatal("the test sale could not be paid");
        return sale;
    }

    // Everything a refused return must leave as it was.
    QString state()
    {
        return QStringList{scalar(QStringLiteral("SELECT count(*) FROM tblReturn")),
                           scalar(QStringLiteral("SELECT count(*) FROM tblReturnLine")),
                           scalar(QStringLiteral("SELECT count(*) FROM tblNot")),
                           scalar(QStringLiteral("SELECT group_concat(ItemStocks) FROM tblStocks")),
                           scalar(QStringLiteral("SELECT group_concat(Quantity || '/' || Amount) FROM tblSold")),
                           scalar(QStringLiteral("SELECT group_concat(AmountDue) FROM tblSales"))}
            .join(u'|');
    }
};

// The caption of a report's footer label.
QString footer(const BandedReport& report, const char* label)
{
    for (const ReportItem& item : report.reportFooter.items) {
        if (item.name == QLatin1String(label))
            return item.caption;
    }
    return QStringLiteral("(no %1)").arg(QLatin1String(label));
}

ReturnSigner admin()
{
    return {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}};
}

ReturnRequest request(const QString& sale, const QString& item, const QString& quantity, bool restock = true)
{
    return {sale, {{item, quantity, restock}}, admin(), QStringLiteral("changed mind"), {}};
}

} // namespace

class tst_returns : public QObject
{
    Q_OBJECT

private slots:
    void refused_data();
    void refused();
    void refundsAddUpToTheCharge_data();
    void refundsAddUpToTheCharge();
    void twoTillsNeverReturnMoreThanSold();
    void booksAddRefundsAndNet();
    void returnThroughTheWindows();
    void olderDatabaseGetsReturnTables();
    void exchangeSettlesTheDifference_data();
    void exchangeSettlesTheDifference();
};

void tst_returns::refused_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<qint64>("returnable");

    const auto row = [](const char* name, const char* what, ReturnOutcome outcome, qint64 returnable = 0) {
        QTest::newRow(name) << QString::fromLatin1(what) << static_cast<int>(outcome) << returnable;
    };
    row("unknown sale", "unknown", ReturnOutcome::UnknownSale);
    row("lines cleared", "cleared", ReturnOutcome::LinesGone);
    row("sale still open", "open", ReturnOutcome::StillOpen);
    row("zero", "0", ReturnOutcome::BadQuantity);
    row("negative", "-1", ReturnOutcome::BadQuantity);
    row("not whole", "1.5", ReturnOutcome::BadQuantity);
    row("not a number", "two", ReturnOutcome::BadQuantity);
    row("item not in the sale", "other item", ReturnOutcome::BadQuantity);
    row("above returnable", "3", ReturnOutcome::TooMany, 2);
    row("nothing selected", "", ReturnOutcome::NothingSelected);
    row("guest", "guest", ReturnOutcome::GuestRefused);
    row("employee without approval", "employee", ReturnOutcome::ApprovalNeeded);
    row("employee, wrong password", "wrong password", ReturnOutcome::ApprovalNeeded);
    row("employee, guest approves", "guest approver", ReturnOutcome::ApprovalNeeded);
    row("item gone, back to stock", "item gone", ReturnOutcome::ItemGone);
    row("the same confirmation twice", "twice", ReturnOutcome::AlreadyStored);
}

void tst_returns::refused()
{
    QFETCH(QString, what);
    QFETCH(int, outcome);
    QFETCH(qint64, returnable);

    Shop shop;
    shop.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) VALUES ('guest', 'g', 'Guest')"));
    const QString sale = shop.sell({{QStringLiteral("100"), QStringLiteral("3")}});
    Returns returns(shop.db);
    // One unit already taken back, so 2 can still be returned.
    QCOMPARE(returns.store(request(sale, QStringLiteral("100"), QStringLiteral("1"))).outcome, ReturnOutcome::Stored);

    ReturnRequest r = request(sale, QStringLiteral("100"), what);
    if (what == QLatin1String("unknown")) {
        r = request(QStringLiteral("999"), QStringLiteral("100"), QStringLiteral("1"));
    } else if (what == QLatin1String("cleared")) {
        shop.exec(QStringLiteral("DELETE FROM tblSold"));
        r.lines.first().quantity = QStringLiteral("1");
    } else if (what == QLatin1String("open")) {
        Cart cart(shop.db, QStringLiteral("2"));
        const QString open = cart.nextSaleNumber();
        QCOMPARE(cart.addLine(QStringLiteral("100"), QStringLiteral("1"), open, QStringLiteral("Maria")).outcome,
                 AddOutcome::Added);
        r = request(open, QStringLiteral("100"), QStringLiteral("1"));
    } else if (what == QLatin1String("other item")) {
        r = request(sale, QStringLiteral("200"), QStringLiteral("1"));
    } else if (what == QLatin1String("guest")) {
        r = request(sale, QStringLiteral("100"), QStringLiteral("1"));
        r.signer = {QStringLiteral("guest"), QStringLiteral("Guest"), QStringLiteral("Admin"),
                    TestEnv::adminPassword()};
    } else if (what == QLatin1String("employee") || what == QLatin1String("wrong password") ||
               what == QLatin1String("guest approver")) {
        r = request(sale, QStringLiteral("100"), QStringLiteral("1"));
        r.signer = {QStringLiteral("Maria"), QStringLiteral("Cashier"), {}, {}};
        if (what == QLatin1String("wrong password"))
            r.signer.approverUser = QStringLiteral("Admin"), r.signer.approverPassword = QStringLiteral("nope");
        if (what == QLatin1String("guest approver"))
            r.signer.approverUser = QStringLiteral("guest"), r.signer.approverPassword = QStringLiteral("g");
    } else if (what == QLatin1String("item gone")) {
        shop.exec(QStringLiteral("DELETE FROM tblStocks WHERE ItemNumber = '100'"));
        r.lines.first().quantity = QStringLiteral("1");
    } else if (what == QLatin1String("twice")) {
        r = request(sale, QStringLiteral("100"), QStringLiteral("1"));
        r.confirmation = QStringLiteral("confirmation-1");
        QCOMPARE(returns.store(r).outcome, ReturnOutcome::Stored);
    }

    const QString before = shop.state();
    const ReturnResult result = returns.store(r);
    QCOMPARE(static_cast<int>(result.outcome), outcome);
    QCOMPARE(shop.state(), before);
    QCOMPARE(result.returnable, returnable);
    if (result.outcome == ReturnOutcome::AlreadyStored)
        QCOMPARE(result.returnNumber, qint64(2));
}

void tst_returns::refundsAddUpToTheCharge_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("sold");
    QTest::addColumn<QStringList>("returned"); // "quantity:restock"
    QTest::addColumn<QStringList>("refunds");
    QTest::addColumn<QString>("stock");

    QTest::newRow("3 for 10.00, one at a time")
        << "200"
        << "3" << QStringList{"1:y", "1:y", "1:y"} << QStringList{"3.33", "3.33", "3.34"} << "10";
    QTest::newRow("3 for 10.00, two then one")
        << "200"
        << "3" << QStringList{"2:n", "1:y"} << QStringList{"6.66", "3.34"} << "8";
    QTest::newRow("12.50 each, price changed since")
        << "100"
        << "3" << QStringList{"1:y", "2:n"} << QStringList{"12.50", "25.00"} << "8";
    QTest::newRow("all at once") << "100"
                                 << "3" << QStringList{"3:y"} << QStringList{"37.50"} << "10";
}

void tst_returns::refundsAddUpToTheCharge()
{
    QFETCH(QString, item);
    QFETCH(QString, sold);
    QFETCH(QStringList, returned);
    QFETCH(QStringList, refunds);
    QFETCH(QString, stock);

    Shop shop;
    const QString sale = shop.sell({{item, sold}});
    const QString charged = shop.scalar(QStringLiteral("SELECT AmountDue FROM tblSales"));
    // Today's price is not what the customer paid.
    shop.exec(QStringLiteral("UPDATE tblStocks SET ItemPrice = '15.00'"));
    Returns returns(shop.db);
    qint64 total = 0;
    for (qsizetype i = 0; i < returned.size(); ++i) {
        const QStringList step = returned.at(i).split(u':');
        const ReturnResult r = returns.store(request(sale, item, step.at(0), step.at(1) == QLatin1String("y")));
        QCOMPARE(r.outcome, ReturnOutcome::Stored);
        QCOMPARE(r.returnNumber, qint64(i + 1));
        QCOMPARE(Cents::plainText(r.refund), refunds.at(i));
        total += r.refund;
    }
    QCOMPARE(Cents::plainText(total), FormatText(charged, NumberPattern::Plain2));
    QCOMPARE(shop.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE ItemNumber = ?"), {item}), stock);
    // Nothing is left to take back, and the sale's own rows are as they were.
    QCOMPARE(returns.store(request(sale, item, QStringLiteral("1"))).outcome, ReturnOutcome::TooMany);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT Quantity FROM tblSold")), sold);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT AmountDue FROM tblSales")), charged);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT count(*) FROM tblNot WHERE RE = 'Item Return'")),
             QString::number(returned.size()));
}

void tst_returns::twoTillsNeverReturnMoreThanSold()
{
    // Two tills on their own connections take back 2 of the 3 units of one sale at the same
    // moment, many times over: the check inside each return's transaction lets one through.
    Shop shop;
    for (int round = 0; round < 5; ++round) {
        const QString sale = shop.sell({{QStringLiteral("100"), QStringLiteral("3")}});
        QAtomicInt stored;
        const auto till = [&](const QString& name) {
            return QThread::create([&, name] {
                Database db;
                if (!shop.openAnother(db))
                    return;
                Returns returns(db, name);
                if (returns.store(request(sale, QStringLiteral("100"), QStringLiteral("2"))).outcome ==
                    ReturnOutcome::Stored)
                    stored.ref();
            });
        };
        std::unique_ptr<QThread> one(till(QStringLiteral("1"))), two(till(QStringLiteral("2")));
        one->start();
        two->start();
        QVERIFY(one->wait(30000) && two->wait(30000));
        QCOMPARE(stored.loadRelaxed(), 1);
        QCOMPARE(shop.scalar(QStringLiteral("SELECT sum(Quantity) FROM tblReturnLine WHERE SaleNumber = ?"), {sale}),
                 QStringLiteral("2"));
    }
}

void tst_returns::booksAddRefundsAndNet()
{
    Shop shop;
    const QString sale = shop.sell({{QStringLiteral("100"), QStringLiteral("3")}});
    Returns returns(shop.db);
    QCOMPARE(returns.store(request(sale, QStringLiteral("100"), QStringLiteral("1"))).outcome, ReturnOutcome::Stored);
    QCOMPARE(returns.store(request(sale, QStringLiteral("100"), QStringLiteral("2"), false)).outcome,
             ReturnOutcome::Stored);
    const QDate today = QDate::currentDate();
    const RefundTotal day = refundsForDay(shop.db, today);
    QVERIFY(day.ok);
    QCOMPARE(day.refunds, qint64(3750));
    QCOMPARE(day.returns, qint64(2));
    QCOMPARE(refundsForSpan(shop.db, today.addDays(-3), today).refunds, qint64(3750));
    QCOMPARE(refundsForSpan(shop.db, today.addDays(1), today.addDays(3)).refunds, qint64(0));
    QCOMPARE(refundsForDay(shop.db, today.addDays(-1)).refunds, qint64(0));
    // The printed sales report and sold-items report add them beneath their own totals.
    const BandedReport sales = SalesReport(SelectSalesForDate(shop.db, DateText(today)), {}, day.refunds);
    QCOMPARE(footer(sales, "Label7"), QStringLiteral("37.50"));
    QCOMPARE(footer(sales, "lblRefunds"), QStringLiteral("37.50"));
    QCOMPARE(footer(sales, "lblNet"), QStringLiteral("0.00"));
    const BandedReport sold =
        InventoryReport::build(InventoryData::soldLinesForDate(shop.db, DateText(today)), today, day.refunds);
    QCOMPARE(footer(sold, "lblRefunds"), QStringLiteral("37.50"));
    QCOMPARE(footer(sold, "lblNet"), QStringLiteral("0.00"));

    QVector<SaleSummary> listed;
    QVERIFY(returns.listDay(today, listed));
    QCOMPARE(listed.size(), qsizetype(1));
    QCOMPARE(listed.first().saleNumber, sale);
    QCOMPARE(listed.first().total, qint64(3750));
    QCOMPARE(listed.first().refunded, qint64(3750));
    QVERIFY(listed.first().salesRow >= 0);
}

void tst_returns::returnThroughTheWindows()
{
    // A cashier (an employee) finds the sale by its number and takes it back in two returns,
    // approved by the administrator; the day's ledger then shows sales, refunds and net.
    Shop shop;
    shop.setSession(QStringLiteral("Maria"), QStringLiteral("Cashier"));
    const QString sale = shop.sell({{QStringLiteral("100"), QStringLiteral("3")}});
    const auto stock = [&shop] {
        return shop.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE ItemNumber = '100'"));
    };
    QCOMPARE(stock(), QStringLiteral("7"));
    QCOMPARE(shop.scalar(QStringLiteral("SELECT AmountDue FROM tblSales")), QStringLiteral("37.50"));
    shop.exec(QStringLiteral("UPDATE tblStocks SET ItemPrice = '15.00' WHERE ItemNumber = '100'"));

    frmFindSale find(shop.ctx);
    auto* number = find.findChild<QLineEdit*>(QStringLiteral("txtSaleNumber"));
    QTest::keyClicks(number, sale);
    QTest::keyClick(number, Qt::Key_Return);
    auto* sales = find.findChild<QTableWidget*>(QStringLiteral("grdSales"));
    QCOMPARE(sales->rowCount(), 1);
    QCOMPARE(sales->item(0, 5)->text(), QStringLiteral("37.50"));

    QString shown;
    const auto returnWith = [&](const QString& quantity, bool restock) {
        shop.onModal([&, quantity, restock](QDialog& window) {
            auto* grid = window.findChild<QTableWidget*>(QStringLiteral("grdReturn"));
            if (grid->item(0, 6)->flags() & Qt::ItemIsEditable)
                grid->item(0, 6)->setText(quantity);
            grid->item(0, 7)->setCheckState(restock ? Qt::Checked : Qt::Unchecked);
            QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("txtApprover")), TestEnv::adminUser());
            QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("txtApproverPassword")),
                             TestEnv::adminPassword());
            shown = window.findChild<QLabel*>(QStringLiteral("lblRefund"))->text();
            auto* finish = window.findChild<QPushButton*>(QStringLiteral("cmdFinish"));
            QTest::mouseClick(finish, Qt::LeftButton);
            // A second press stores nothing more.
            QTest::mouseClick(finish, Qt::LeftButton);
            if (window.result() != QDialog::Accepted)
                QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
            return window.result();
        });
        QTest::mouseClick(find.findChild<QPushButton*>(QStringLiteral("cmdReturn")), Qt::LeftButton);
    };

    returnWith(QStringLiteral("1"), true);
    QCOMPARE(shown, QStringLiteral("Refund: 12.50"));
    QVERIFY(shop.lastMessage().text.contains(QStringLiteral("Hand over the refund: 12.50")));
    QCOMPARE(stock(), QStringLiteral("8"));
    QCOMPARE(sales->item(0, 6)->text(), QStringLiteral("12.50"));

    returnWith(QStringLiteral("3"), true);
    QVERIFY(shop.lastMessage().text.contains(QStringLiteral("2 can still be returned")));
    QCOMPARE(stock(), QStringLiteral("8"));

    returnWith(QStringLiteral("2"), false);
    QCOMPARE(shown, QStringLiteral("Refund: 25.00"));
    QVERIFY(shop.lastMessage().text.contains(QStringLiteral("Hand over the refund: 25.00")));
    QCOMPARE(stock(), QStringLiteral("8"));

    returnWith(QStringLiteral("1"), true);
    QVERIFY(shop.lastMessage().text.contains(QStringLiteral("Nothing is selected")));
    QCOMPARE(shop.scalar(QStringLiteral("SELECT count(*) FROM tblReturn")), QStringLiteral("2"));
    QCOMPARE(shop.scalar(QStringLiteral("SELECT approver FROM tblReturn WHERE ReturnNumber = 1")),
             TestEnv::adminUser());

    frmSales ledger(shop.ctx);
    ledger.findChild<QLineEdit*>(QStringLiteral("txtSearch"))->setText(DateText());
    QCOMPARE(Cents::fromText(ledger.findChild<QLineEdit*>(QStringLiteral("txtSales"))->text()), 3750);
    QCOMPARE(ledger.findChild<QLineEdit*>(QStringLiteral("txtRefunds"))->text(), QStringLiteral("37.50"));
    QCOMPARE(ledger.findChild<QLineEdit*>(QStringLiteral("txtNet"))->text(), QStringLiteral("0.00"));
}

void tst_returns::olderDatabaseGetsReturnTables()
{
    // A shop's database (file or server) from before returns gets their tables at first open.
    Shop shop;
    for (const char* table : {"tblSaleRef", "tblReturn", "tblReturnLine", "tblReturnCounter", "tblDailyRefund"})
        shop.exec(QStringLiteral("DROP TABLE %1").arg(QString::fromLatin1(table)));
    shop.db.close();
    QVERIFY2(TestEnv::onServer() ? shop.db.openServer(shop.connection()) : shop.db.open(shop.dbPath()),
             qPrintable(shop.db.lastError()));
    const QString sale = shop.sell({{QStringLiteral("100"), QStringLiteral("2")}});
    const ReturnResult r = Returns(shop.db).store(request(sale, QStringLiteral("100"), QStringLiteral("2")));
    QCOMPARE(r.outcome, ReturnOutcome::Stored);
    QCOMPARE(r.refund, qint64(2500));
}

void tst_returns::exchangeSettlesTheDifference_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("cash");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("storedCash");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("discounted"); // shown after 1.00 off the sale

    QTest::newRow("the customer pays the rest") << "100"
                                                << "2"
                                                << "20"
                                                << "TO PAY: 12.50"
                                                << "32.50"
                                                << "7.50"
                                                << "TO PAY: 11.50";
    QTest::newRow("the shop pays back") << "200"
                                        << "1"
                                        << ""
                                        << "TO PAY BACK: 9.17"
                                        << "12.50"
                                        << "9.17"
                                        << "TO PAY BACK: 10.17";
    QTest::newRow("even") << "100"
                          << "1"
                          << ""
                          << "TO PAY: 0.00"
                          << "12.50"
                          << "0.00"
                          << "TO PAY BACK: 1.00";
}

void tst_returns::exchangeSettlesTheDifference()
{
    QFETCH(QString, item);
    QFETCH(QString, quantity);
    QFETCH(QString, cash);
    QFETCH(QString, shown);
    QFETCH(QString, storedCash);
    QFETCH(QString, change);
    QFETCH(QString, discounted);

    // A 12.50 item comes back in exchange; its refund pays for the next sale at the till.
    Shop shop;
    const QString first = shop.sell({{QStringLiteral("100"), QStringLiteral("1")}});
    ReturnRequest exchange = request(first, QStringLiteral("100"), QStringLiteral("1"));
    exchange.exchange = true;
    Returns returns(shop.db);
    QCOMPARE(returns.store(exchange).outcome, ReturnOutcome::Stored);
    QCOMPARE(returns.pendingCredit().amount, qint64(1250));

    Cart cart(shop.db);
    const QString sale = cart.nextSaleNumber();
    QCOMPARE(cart.addLine(item, quantity, sale, QStringLiteral("Maria")).outcome, AddOutcome::Added);
    {
        shop.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
        frmTotal payment(shop.ctx, cart.cartTotalText(), sale, QStringLiteral("Maria"));
        payment.show();
        QVERIFY(QTest::qWaitForWindowExposed(&payment));
        auto* toPay = payment.findChild<QLabel*>(QStringLiteral("lblToPay"));
        QCOMPARE(toPay->text(), shown);
        // A discount on the sale moves what is left to pay; Cancel takes the discount away again.
        shop.onModal([](QDialog& d) {
            d.findChild<QRadioButton*>(QStringLiteral("optAmount"))->click();
            QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("txtDiscount")), QStringLiteral("1.00"));
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
            return d.result();
        });
        QTest::mouseClick(payment.findChild<QPushButton*>(QStringLiteral("cmdDiscount")), Qt::LeftButton);
        QCOMPARE(toPay->text(), discounted);
        QTest::mouseClick(payment.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    }
    // A credit other than the one waiting is refused, and nothing is stored.
    QCOMPARE(cart.completeSale(cart.cartTotalText(), cash, sale, QStringLiteral("Maria"), 2000).outcome,
             SaleOutcome::CreditChanged);
    QCOMPARE(shop.count(QStringLiteral("tblSales")), 1);

    const SaleResult paid = cart.completeSale(cart.cartTotalText(), cash, sale, QStringLiteral("Maria"), 1250);
    QCOMPARE(paid.outcome, SaleOutcome::Completed);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT Cash FROM tblSales WHERE rowid = ?"), {paid.sale.salesRow}),
             storedCash);
    QCOMPARE(paid.change, change);
    // The credit is taken once, and the two documents name each other.
    QCOMPARE(returns.pendingCredit().amount, qint64(0));
    QCOMPARE(returns.record(1)->exchangeSale, sale);
    ReceiptData receipt;
    QCOMPARE(ReceiptStore(shop.db, QStringLiteral("1")).read(paid.sale, receipt), ReceiptStore::ReadOutcome::Read);
    QCOMPARE(receipt.exchange, QStringLiteral("Exchange for return No. 1, credit 12.50"));
}

QTEST_MAIN(tst_returns)
#include "tst_returns.moc"
