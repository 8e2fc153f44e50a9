#include "TestEnv.h"

#include "data/Backup.h"
#include "pricing/Pricing.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "WidgetProbe.h"
#include "platform/DataGrid.h"
#include "sales/Cart.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmPOS.h"
#include "till/TillSessions.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include <memory>

using namespace Pricing;

namespace {

// A shop whose items are named by their number; each line of a sale is "number x quantity".
struct Shop : TestEnv
{
    PricingStore store{db};

    void item(const QString& number, const QString& price, const QString& rate = {})
    {
        exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks, ItemAvailability) "
                            "VALUES (?, ?, ?, 100, 'Available')"),
             {number, QStringLiteral("Item ") + number, price});
        if (!rate.isEmpty())
            QCOMPARE(store.setItemRate(number, rateId(rate)).outcome, RateOutcome::Stored);
    }

    qint64 rateId(const QString& percent)
    {
        QVector<TaxRate> list;
        store.rates(list);
        for (const TaxRate& r : list) {
            if (percentText(r.rate) == percent)
                return r.id;
        }
        return store.addRate(QStringLiteral("Rate ") + percent, percent).id;
    }
};

DiscountSigner cashier()
{
    return {QStringLiteral("Maria"), QStringLiteral("Cashier"), {}, {}};
}

DiscountSigner administrator()
{
    return {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}};
}

// "2.30 5%" is a line of one at 2.30 with 5% off; "1.19*5 30%" five at 1.19; "8.40 0.40" an
// amount off; "@20" after the price gives the line that tax rate.
struct WantedLine
{
    QString quantity = QStringLiteral("1");
    QString price;
    QString rate;
    QString discount;
};

QVector<WantedLine> lines(const QString& text)
{
    QVector<WantedLine> out;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        WantedLine l;
        for (const QString& word : part.split(u' ', Qt::SkipEmptyParts)) {
            if (word.startsWith(u'@'))
                l.rate = word.mid(1);
            else if (l.price.isEmpty()) {
                const QStringList pq = word.split(u'*');
                l.price = pq.at(0);
                if (pq.size() > 1)
                    l.quantity = pq.at(1);
            } else
                l.discount = word;
        }
        out << l;
    }
    return out;
}

DiscountKind kindOf(const QString& d)
{
    return d.endsWith(u'%') ? DiscountKind::Percent : DiscountKind::Amount;
}

} // namespace

class TestPricing : public QObject
{
    Q_OBJECT

private slots:
    void spreading_data();
    void spreading();
    void sales_data();
    void sales();
    void badInput_data();
    void badInput();
    void approval_data();
    void approval();
    void rates();
    void throughWindows();
    void backupCarriesPricing();
};

void TestPricing::spreading_data()
{
    QTest::addColumn<QVector<qint64>>("amounts");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QVector<qint64>>("shares");
    QTest::newRow("three equal lines share 20.00")
        << QVector<qint64>{1000, 1000, 1000} << qint64(2000) << QVector<qint64>{667, 667, 666};
    QTest::newRow("leftover to the largest line first")
        << QVector<qint64>{100, 300, 200} << qint64(100) << QVector<qint64>{16, 51, 33};
    QTest::newRow("exact shares need no leftover")
        << QVector<qint64>{250, 750} << qint64(400) << QVector<qint64>{100, 300};
    QTest::newRow("nothing to share") << QVector<qint64>{500, 1} << qint64(0) << QVector<qint64>{0, 0};
    QTest::newRow("lines of nothing") << QVector<qint64>{0, 0} << qint64(3) << QVector<qint64>{2, 1};
}

void TestPricing::spreading()
{
    QFETCH(QVector<qint64>, amounts);
    QFETCH(qint64, total);
    QFETCH(QVector<qint64>, shares);
    QCOMPARE(spread(amounts, total), shares);
}

void TestPricing::sales_data()
{
    QTest::addColumn<QString>("rungUp");       // the cart's lines
    QTest::addColumn<QString>("saleDiscount"); // given in the payment window
    QTest::addColumn<bool>("includeTax");
    QTest::addColumn<QString>("charged"); // each line after its discounts
    QTest::addColumn<QString>("taxes");   // "rate:net/tax/gross" per rate
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("takenBack"); // returns, ";" between them: "100" the whole line, "100*2" two
    QTest::addColumn<QString>("refunded");  // "rate:net/tax/gross" given back per rate
    QTest::addColumn<QString>("owed");      // the session's tax less what its returns gave back

    QTest::newRow("2.30 at 5% off is 2.19") << "2.30 5%"
                                            << "" << true << "2.19"
                                            << ""
                                            << "2.19"
                                            << "100"
                                            << ""
                                            << "0.00";
    QTest::newRow("5 x 1.19 at 30% off is 4.17") << "1.19*5 30%"
                                                 << "" << true << "4.17"
                                                 << ""
                                                 << "4.17"
                                                 << "100"
                                                 << ""
                                                 << "0.00";
    QTest::newRow("3 x 10.00 less 10.00 on the sale") << "10.00;10.00;10.00"
                                                      << "10.00" << true << "6.67,6.67,6.66"
                                                      << ""
                                                      << "20.00"
                                                      << "100"
                                                      << ""
                                                      << "0.00";
    QTest::newRow("prices include 20%") << "12.00 @20;8.40 @20"
                                        << "" << true << "12.00,8.40"
                                        << "20:17.00/3.40/20.40"
                                        << "20.40"
                                        << "100"
                                        << "20:10.00/2.00/12.00"
                                        << "1.40";
    QTest::newRow("prices exclude 20%") << "12.00 @20;8.40 @20"
                                        << "" << false << "12.00,8.40"
                                        << "20:20.40/4.08/24.48"
                                        << "24.48"
                                        << "100"
                                        << "20:12.00/2.40/14.40"
                                        << "1.68";
    QTest::newRow("two rates, a taxed discounted line taken back") << "2.30 @20 5%;1.19*5 @5 30%;3.00"
                                                                   << "10%" << true << "1.97,3.76,2.69"
                                                                   << "20:1.64/0.33/1.97;5:3.58/0.18/3.76"
                                                                   << "8.42"
                                                                   << "100"
                                                                   << "20:1.64/0.33/1.97"
                                                                   << "0.18";
    QTest::newRow("an amount as large as the line leaves nothing") << "8.40 @20 8.40;1.00 @0"
                                                                   << "" << false << "0.00,1.00"
                                                                   << "20:0.00/0.00/0.00;0:1.00/0.00/1.00"
                                                                   << "1.00"
                                                                   << "100"
                                                                   << ""
                                                                   << "0.00";
    QTest::newRow("the whole sale taken back") << "12.00 @20;8.40 @20"
                                               << "" << true << "12.00,8.40"
                                               << "20:17.00/3.40/20.40"
                                               << "20.40"
                                               << "100,101"
                                               << "20:17.00/3.40/20.40"
                                               << "0.00";
    QTest::newRow("a line taken back in two returns") << "1.19*5 @5 30%;2.00 @20"
                                                      << "" << false << "4.17,2.00"
                                                      << "5:4.17/0.21/4.38;20:2.00/0.40/2.40"
                                                      << "6.78"
                                                      << "100*2;100*3"
                                                      << "5:4.17/0.21/4.38"
                                                      << "0.40";
}

// Each vector is rung up at the till, discounted through the store, paid, and the first line
// taken back: the cart, the stored sale and the refund agree to the cent.
void TestPricing::sales()
{
    QFETCH(QString, rungUp);
    QFETCH(QString, saleDiscount);
    QFETCH(bool, includeTax);
    QFETCH(QString, charged);
    QFETCH(QString, taxes);
    QFETCH(QString, due);

    Shop shop;
    QVERIFY(shop.store.setPricesIncludeTax(includeTax));
    const QVector<WantedLine> wanted = lines(rungUp);
    Cart cart(shop.db);
    const QString sale = cart.nextSaleNumber();
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        const QString number = QString::number(100 + i);
        shop.item(number, wanted.at(i).price, wanted.at(i).rate);
        QCOMPARE(cart.addLine(number, wanted.at(i).quantity, sale, QStringLiteral("Maria")).outcome, AddOutcome::Added);
        const QString d = wanted.at(i).discount;
        if (!d.isEmpty())
            QCOMPARE(shop.store.giveDiscount(sale, number, kindOf(d), d, administrator()).outcome,
                     DiscountOutcome::Given);
    }
    if (!saleDiscount.isEmpty())
        QCOMPARE(shop.store.giveDiscount(sale, {}, kindOf(saleDiscount), saleDiscount, administrator()).outcome,
                 DiscountOutcome::Given);

    const auto open = shop.store.openSale(sale);
    QVERIFY(open);
    QStringList lineTexts;
    for (const Line& l : open->lines)
        lineTexts << plainCents(l.charged);
    QCOMPARE(lineTexts.join(u','), charged);
    QCOMPARE(FormatText(cart.cartTotalText(), NumberPattern::Plain2), due);

    const SaleResult paid =
        cart.completeSale(cart.cartTotalText(), QStringLiteral("1000"), sale, QStringLiteral("Maria"));
    QCOMPARE(paid.outcome, SaleOutcome::Completed);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT AmountDue FROM tblSales")), due);
    const auto sold = shop.store.soldSale(sale);
    QVERIFY(sold);
    QStringList rateTexts;
    for (const RateTotal& r : sold->rates)
        rateTexts << QStringLiteral("%1:%2/%3/%4")
                         .arg(percentText(r.rate), plainCents(r.net), plainCents(r.tax), plainCents(r.gross));
    QCOMPARE(rateTexts.join(u';'), taxes);
    QCOMPARE(plainCents(sold->due), due);
    // The receipt reads the sale back, adding up as it was priced.
    ReceiptData receipt;
    QCOMPARE(ReceiptStore(shop.db, QStringLiteral("1")).read(paid.sale, receipt), ReceiptStore::ReadOutcome::Read);
    QCOMPARE(receipt.total, FormatText(due, NumberPattern::Grouped2));
    QCOMPARE(shop.count(QStringLiteral("tblOpenDiscount")), 0);

    // The till's X shows the same discounts and tax per rate.
    const TillResult x = TillSessions(shop.db, QStringLiteral("1")).xReport();
    QCOMPARE(x.outcome, TillOutcome::Done);
    QCOMPARE(x.figures.discountTotal, sold->discounts);
    QStringList xRates;
    for (const TillFigures::TaxLine& t : x.figures.taxes)
        xRates << QStringLiteral("%1/%2/%3").arg(plainCents(t.net), plainCents(t.tax), plainCents(t.gross));
    QStringList soldRates;
    for (const RateTotal& r : sold->rates)
        soldRates << QStringLiteral("%1/%2/%3").arg(plainCents(r.net), plainCents(r.tax), plainCents(r.gross));
    xRates.sort();
    soldRates.sort();
    QCOMPARE(xRates, soldRates);
    QCOMPARE(TillFigures::fromStored(x.figures.toStored())->lines(), x.figures.lines());

    // The lines taken back refund what they were charged, tax included, and give back each
    // rate's share of tax as the lines carried it; the X and the day's figures show it.
    QFETCH(QString, takenBack);
    QFETCH(QString, refunded);
    QFETCH(QString, owed);
    Returns returns(shop.db);
    qint64 refunds = 0;
    QSet<QString> items;
    for (const QString& one : takenBack.split(u';')) {
        ReturnRequest back{sale, {}, {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}}, {}, {}, false};
        for (const QString& line : one.split(u',')) {
            const QStringList iq = line.split(u'*');
            const QString quantity = iq.size() > 1 ? iq.at(1) : wanted.at(iq.at(0).toInt() - 100).quantity;
            back.lines.push_back({iq.at(0), quantity, true});
            items.insert(iq.at(0));
        }
        const ReturnResult r = returns.store(back);
        QCOMPARE(r.outcome, ReturnOutcome::Stored);
        refunds += r.refund;
    }
    qint64 paidForThem = 0;
    for (const auto& l : sold->lines)
        paidForThem += items.contains(l.itemNumber) ? l.paid : 0;
    QCOMPARE(refunds, paidForThem);

    const TillResult after = TillSessions(shop.db, QStringLiteral("1")).xReport();
    QCOMPARE(after.outcome, TillOutcome::Done);
    const auto day = shop.store.figuresForDays({DateText()});
    QVERIFY(day);
    QStringList xRefunded, dayRefunded;
    for (const TillFigures::TaxLine& t : after.figures.refundTaxes)
        xRefunded << QStringLiteral("%1:%2/%3/%4")
                         .arg(t.name.section(u' ', -1).chopped(1), plainCents(t.net), plainCents(t.tax),
                              plainCents(t.gross));
    for (const RateTotal& r : day->refunds)
        dayRefunded << QStringLiteral("%1:%2/%3/%4")
                           .arg(percentText(r.rate), plainCents(r.net), plainCents(r.tax), plainCents(r.gross));
    QCOMPARE(xRefunded.join(u';'), refunded);
    QCOMPARE(dayRefunded.join(u';'), refunded);
    qint64 xOwed = 0, dayOwed = 0;
    for (const TillFigures::TaxLine& t : after.figures.owedTaxes())
        xOwed += t.tax;
    for (const RateTotal& r : day->owed())
        dayOwed += r.tax;
    QCOMPARE(plainCents(xOwed), owed);
    QCOMPARE(plainCents(dayOwed), owed);
    QCOMPARE(TillFigures::fromStored(after.figures.toStored())->lines(), after.figures.lines());
}

void TestPricing::badInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("percent");
    QTest::addColumn<int>("problem");
    QTest::newRow("above 100%") << "100.01" << true << int(InputProblem::OutOfRange);
    QTest::newRow("below 0%") << "-5" << true << int(InputProblem::OutOfRange);
    QTest::newRow("three decimals") << "12.125" << true << int(InputProblem::TooManyDecimals);
    QTest::newRow("amount with three decimals") << "0.125" << false << int(InputProblem::TooManyDecimals);
    QTest::newRow("amount above the line") << "2.31" << false << int(InputProblem::AboveAmount);
    QTest::newRow("text") << "ten" << true << int(InputProblem::NotNumber);
    QTest::newRow("NaN") << "NaN" << false << int(InputProblem::NotNumber);
    QTest::newRow("exponent") << "1e1" << true << int(InputProblem::NotNumber);
    QTest::newRow("empty") << "  " << false << int(InputProblem::Empty);
}

// A refused discount names its box and stores nothing: no discount, no journal entry.
void TestPricing::badInput()
{
    QFETCH(QString, text);
    QFETCH(bool, percent);
    QFETCH(int, problem);
    Shop shop;
    shop.item(QStringLiteral("100"), QStringLiteral("2.30"));
    Cart cart(shop.db);
    const QString sale = cart.nextSaleNumber();
    QCOMPARE(cart.addLine(QStringLiteral("100"), QStringLiteral("1"), sale, QStringLiteral("Maria")).outcome,
             AddOutcome::Added);
    const int notes = shop.count(QStringLiteral("tblNot"));
    const DiscountResult r = shop.store.giveDiscount(
        sale, QStringLiteral("100"), percent ? DiscountKind::Percent : DiscountKind::Amount, text, administrator());
    QCOMPARE(r.outcome, DiscountOutcome::BadInput);
    QCOMPARE(int(r.problem), problem);
    QVERIFY(problemText(r.problem, QStringLiteral("Discount")).contains(QLatin1String("Discount box")));
    QCOMPARE(shop.count(QStringLiteral("tblOpenDiscount")), 0);
    QCOMPARE(shop.count(QStringLiteral("tblNot")), notes);
    QCOMPARE(FormatText(cart.cartTotalText(), NumberPattern::Plain2), QStringLiteral("2.30"));
}

void TestPricing::approval_data()
{
    QTest::addColumn<QString>("discount");
    QTest::addColumn<bool>("giverIsAdmin");
    QTest::addColumn<QString>("approverType"); // of the account found, empty when none
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("approver");
    QTest::newRow("at the limit") << "10%" << false << "" << int(DiscountOutcome::Given) << "";
    QTest::newRow("an amount at the limit") << "1.00" << false << "" << int(DiscountOutcome::Given) << "";
    QTest::newRow("one cent above the limit") << "1.01" << false << "" << int(DiscountOutcome::ApprovalNeeded) << "";
    QTest::newRow("above, a guest approves") << "15%" << false << "Guest" << int(DiscountOutcome::ApprovalNeeded) << "";
    QTest::newRow("above, an administrator approves")
        << "15%" << false << "Administrator" << int(DiscountOutcome::Given) << "Boss";
    QTest::newRow("an administrator gives it") << "50%" << true << "" << int(DiscountOutcome::Given) << "";
}

// Above the largest percentage, a discount needs an administrator; who approved it is kept with
// the sale.
void TestPricing::approval()
{
    QFETCH(QString, discount);
    QFETCH(bool, giverIsAdmin);
    QFETCH(QString, approverType);
    QFETCH(int, outcome);
    QFETCH(QString, approver);
    Shop shop;
    QCOMPARE(shop.store.setDiscountLimit(QStringLiteral("10")), InputProblem::None);
    shop.item(QStringLiteral("100"), QStringLiteral("10.00"));
    Cart cart(shop.db);
    const QString sale = cart.nextSaleNumber();
    cart.addLine(QStringLiteral("100"), QStringLiteral("1"), sale, QStringLiteral("Maria"));
    DiscountSigner signer = giverIsAdmin ? administrator() : cashier();
    if (!approverType.isEmpty())
        signer.approver = QStringLiteral("Boss"), signer.approverType = approverType;
    const DiscountResult r = shop.store.giveDiscount(sale, QStringLiteral("100"), kindOf(discount), discount, signer);
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(shop.count(QStringLiteral("tblOpenDiscount")), outcome == int(DiscountOutcome::Given) ? 1 : 0);
    if (r.outcome != DiscountOutcome::Given)
        return;
    QVERIFY(shop.scalar(QStringLiteral("SELECT Notification FROM tblNot WHERE RE = 'Discount'"))
                .startsWith(signer.giver + QStringLiteral(" gave a discount")));
    QCOMPARE(cart.completeSale(cart.cartTotalText(), QStringLiteral("100"), sale, QStringLiteral("Maria")).outcome,
             SaleOutcome::Completed);
    QCOMPARE(shop.scalar(QStringLiteral("SELECT GivenBy || '/' || COALESCE(Approver, '') FROM tblSaleDiscount")),
             signer.giver + u'/' + approver);
}

// A rate an item has cannot be deleted, only retired; a sale keeps the rate it was sold at.
void TestPricing::rates()
{
    Shop shop;
    const RateResult bad = shop.store.addRate(QStringLiteral("Odd"), QStringLiteral("12.345"));
    QCOMPARE(bad.outcome, RateOutcome::BadInput);
    QCOMPARE(bad.problem, InputProblem::TooManyDecimals);
    const qint64 standard = shop.store.addRate(QStringLiteral("Standard"), QStringLiteral("20")).id;
    QCOMPARE(shop.store.addRate(QStringLiteral("standard"), QStringLiteral("5")).outcome, RateOutcome::NameTaken);
    shop.item(QStringLiteral("100"), QStringLiteral("12.00"), QStringLiteral("20"));
    QCOMPARE(shop.store.deleteRate(standard).outcome, RateOutcome::InUse);
    QCOMPARE(shop.store.setRetired(standard, true).outcome, RateOutcome::Stored);
    shop.item(QStringLiteral("200"), QStringLiteral("1.00"));
    QCOMPARE(shop.store.setItemRate(QStringLiteral("200"), standard).outcome, RateOutcome::InUse);

    Cart cart(shop.db);
    const QString sale = cart.nextSaleNumber();
    cart.addLine(QStringLiteral("100"), QStringLiteral("1"), sale, QStringLiteral("Maria"));
    QCOMPARE(cart.completeSale(cart.cartTotalText(), QStringLiteral("12"), sale, QStringLiteral("Maria")).outcome,
             SaleOutcome::Completed);
    shop.exec(QStringLiteral("UPDATE tblTaxRate SET Rate = 2500"));
    QCOMPARE(shop.store.soldSale(sale)->rates.first().tax, qint64(200));
    // A long span is read in slices: today is in the second.
    QStringList days;
    for (int back = 600; back >= 0; --back)
        days << DateText(QDate::currentDate().addDays(-back));
    QCOMPARE(shop.store.figuresForDays(days)->tax, qint64(200));
    QCOMPARE(shop.store.setItemRate(QStringLiteral("100"), -1).outcome, RateOutcome::Stored);
    QCOMPARE(shop.store.deleteRate(standard).outcome, RateOutcome::Stored);
}

// Three vectors as a cashier rings them up: a line discount given with "Discount..." in the sales
// window, a sale discount given in the payment window, and prices that exclude tax.
void TestPricing::throughWindows()
{
    Shop shop;
    shop.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    shop.item(QStringLiteral("100"), QStringLiteral("2.30"));
    for (const char* n : {"201", "202", "203"})
        shop.item(QString::fromLatin1(n), QStringLiteral("10.00"));
    std::unique_ptr<frmPOS> pos;
    const auto open = [&] {
        pos = std::make_unique<frmPOS>(shop.ctx);
        pos->show();
        pos->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pos.get()));
    };
    const auto add = [&](const QString& number) {
        auto* item = child<QLineEdit>(*pos, "txtItem");
        item->clear();
        QTest::keyClicks(item, number);
        QTest::mouseClick(child<QPushButton>(*pos, "cmdSearch"), Qt::LeftButton);
    };
    // The discount window: the kind, the figure typed, OK.
    const auto discount = [&](bool amount, const QString& text) {
        shop.onModal([amount, text](QDialog& d) {
            QTest::mouseClick(child<QRadioButton>(d, amount ? "optAmount" : "optPercent"), Qt::LeftButton);
            auto* box = child<QLineEdit>(d, "txtDiscount");
            box->clear();
            QTest::keyClicks(box, text);
            QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
            return d.result();
        });
    };
    QString dueShown;
    const auto pay = [&](const QString& cash, const std::function<void(QDialog&)>& before = {}) {
        shop.onModal([&, cash, before](QDialog& d) {
            if (before)
                before(d);
            dueShown = shownText(d, "lblAmt");
            QTest::keyClicks(child<QLineEdit>(d, "tAmt"), cash);
            QTest::mouseClick(child<QPushButton>(d, "cmdOrder"), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
            return d.result();
        });
        QTest::mouseClick(child<QPushButton>(*pos, "cmdOrder"), Qt::LeftButton);
    };
    const auto lastDue = [&] {
        return shop.scalar(QStringLiteral("SELECT AmountDue FROM tblSales ORDER BY rowid DESC"));
    };

    // 2.30 at 5% off is 2.19, in the cart, in the payment window and in the stored sale.
    open();
    add(QStringLiteral("100"));
    auto* grid = child<DataGrid>(*pos, "DataGrid1");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    discount(false, QStringLiteral("5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QCOMPARE(shownText(*pos, "lblAmt"), QStringLiteral("2.19"));
    pay(QStringLiteral("5"));
    QCOMPARE(dueShown, QStringLiteral("2.19"));
    QCOMPARE(lastDue(), QStringLiteral("2.19"));

    // 3 x 10.00 less 10.00 on the sale: 6.67 + 6.67 + 6.66.
    open();
    for (const char* n : {"201", "202", "203"})
        add(QString::fromLatin1(n));
    QCOMPARE(shownText(*pos, "lblAmt"), QStringLiteral("30.00"));
    pay(QStringLiteral("20"), [&](QDialog& d) {
        discount(true, QStringLiteral("10.00"));
        QTest::mouseClick(child<QPushButton>(d, "cmdDiscount"), Qt::LeftButton);
    });
    QCOMPARE(dueShown, QStringLiteral("20.00"));
    QCOMPARE(lastDue(), QStringLiteral("20.00"));
    QCOMPARE(shop.scalar(QStringLiteral("SELECT group_concat(Charged) FROM (SELECT Charged FROM tblSoldPrice WHERE "
                                        "ItemNumber LIKE '20%' ORDER BY rowid) c")),
             QStringLiteral("667,667,666"));

    // Prices that exclude 20% tax: 12.00 + 8.40 comes to 24.48.
    QVERIFY(shop.store.setPricesIncludeTax(false));
    shop.item(QStringLiteral("301"), QStringLiteral("12.00"), QStringLiteral("20"));
    shop.item(QStringLiteral("302"), QStringLiteral("8.40"), QStringLiteral("20"));
    open();
    add(QStringLiteral("301"));
    add(QStringLiteral("302"));
    QCOMPARE(shownText(*pos, "lblAmt"), QStringLiteral("24.48"));
    QCOMPARE(shownText(*pos, "lblPricing"), QStringLiteral("Tax: 4.08"));
    pay(QStringLiteral("30"));
    QCOMPARE(dueShown, QStringLiteral("24.48"));
    QCOMPARE(lastDue(), QStringLiteral("24.48"));
}

// A backup holds the rates, the items' rates and the priced sales; a restore brings back exactly
// those, and sales priced after the backup are gone with their sales.
void TestPricing::backupCarriesPricing()
{
    if (TestEnv::onServer())
        QSKIP("a server's backups are the server's own");
    Shop shop;
    shop.item(QStringLiteral("100"), QStringLiteral("12.00"), QStringLiteral("20"));
    const auto sell = [&] {
        Cart cart(shop.db);
        const QString sale = cart.nextSaleNumber();
        cart.addLine(QStringLiteral("100"), QStringLiteral("1"), sale, QStringLiteral("Maria"));
        shop.store.giveDiscount(sale, QStringLiteral("100"), DiscountKind::Percent, QStringLiteral("10"),
                                administrator());
        return cart.completeSale(cart.cartTotalText(), QStringLiteral("20"), sale, QStringLiteral("Maria")).outcome;
    };
    QCOMPARE(sell(), SaleOutcome::Completed);
    const auto state = [&] {
        return QStringList{
            shop.scalar(QStringLiteral("SELECT group_concat(Name || Rate) FROM tblTaxRate")),
            shop.scalar(QStringLiteral("SELECT group_concat(ItemNumber || '/' || RateID) FROM tblItemTax")),
            shop.scalar(QStringLiteral("SELECT group_concat(Paid) FROM tblSoldPrice")),
            shop.scalar(QStringLiteral("SELECT group_concat(Tax) FROM tblSaleTax")),
            shop.scalar(QStringLiteral("SELECT group_concat(Cents || GivenBy) FROM tblSaleDiscount"))}
            .join(u'|');
    };
    const QString before = state();
    QCOMPARE(before, QStringLiteral("Rate 202000|100/1|1080|180|120Admin"));
    const QString copy = shop.dir() + QStringLiteral("/copy.mdb");
    QString error;
    QVERIFY2(backupDatabase(shop.db, copy, &error), qPrintable(error));
    QCOMPARE(sell(), SaleOutcome::Completed);
    shop.store.addRate(QStringLiteral("Reduced"), QStringLiteral("5"));
    QVERIFY(state() != before);
    QVERIFY2(checkBackupFile(copy, &error) && restoreDatabase(shop.db, copy, &error), qPrintable(error));
    QCOMPARE(state(), before);
}

QTEST_MAIN(TestPricing)
#include "tst_pricing.moc"
