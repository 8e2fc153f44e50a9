#include "PreviewPrint.h"
#include "TestEnv.h"
#include "WidgetProbe.h"

#include "data/TextForms.h"
#include "platform/BandedReport.h"
#include "sales/Cart.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmPOS.h"
#include "sales/frmTotal.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>

namespace {

InitOptions shopOptions()
{
    InitOptions options = TestEnv::defaultOptions();
    options.company = QStringLiteral("Corner Shop & Sons");
    return options;
}

void stockShelf(TestEnv& env)
{
    const struct
    {
        const char* number;
        const char* name;
        const char* price;
    } items[] = {{"1001", "Drink", "25"}, {"1007", "Rice", "1250.5"}, {"5003", "Nail", "0.10"}};
    for (const auto& item : items) {
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                                "ItemBrand, ItemAvailability) VALUES (?, ?, ?, 'desc', 500, 'brand', 'Available')"),
                 {QString::fromLatin1(item.number), QString::fromLatin1(item.name), QString::fromLatin1(item.price)});
    }
}

// The three-line sale of these tests: 3 Drink (75.00), 1 Rice (1,250.50), 3 Nail (0.30).
const QList<std::pair<const char*, const char*>> kLines = {{"1001", "3"}, {"1007", "1"}, {"5003", "3"}};

// Rings up and pays a sale at `till` without windows (the three lines unless told otherwise);
// returns the stored sale.
SaleRef sellThreeLines(TestEnv& env, int till = 1, const QList<std::pair<const char*, const char*>>& lines = kLines)
{
    Cart cart(env.db, till);
    const QString sale = cart.nextSaleNumber();
    for (const auto& [number, quantity] : lines) {
        const AddResult added = cart.addLine(QString::fromLatin1(number), QString::fromLatin1(quantity), sale,
                                             QStringLiteral("Maria Santos"));
        if (added.outcome != AddOutcome::Added)
            qFatal("the test sale could not be rung up");
    }
    const SaleResult paid =
        cart.completeSale(cart.cartTotalText(), QStringLiteral("2000"), sale, QStringLiteral("Maria Santos"));
    if (paid.outcome != SaleOutcome::Completed)
        qFatal("the test sale could not be paid: %s", qPrintable(paid.error));
    return paid.sale;
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

// Answers the receipt preview by printing it, through the preview's own printer, to `path`.
TestEnv::ModalHandler printTo(const QString& path)
{
    return [path](QDialog& d) {
        printPreviewTo(d, path);
        return 0;
    };
}

// Pays the open payment window from the keyboard: the cash, Enter (Submit), Enter (Finish).
int payByKeyboard(QDialog& total, const QString& cash)
{
    auto* box = child<QLineEdit>(total, "tAmt");
    QTest::keyClicks(box, cash);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Return);
    return total.result();
}

// Opens the sales window, rings up the three lines by scanning and pays them with 2000; a
// receipt preview, should one open, is answered by `preview`.
void sellThroughWindows(TestEnv& env, const TestEnv::ModalHandler& preview = {})
{
    frmPOS pos(env.ctx);
    pos.show();
    for (const auto& [number, quantity] : kLines) {
        auto* quan = child<QLineEdit>(pos, "txtQuan");
        quan->setText(QString::fromLatin1(quantity));
        QTest::keyClicks(child<QLineEdit>(pos, "txtItem"), QString::fromLatin1(number));
        QTest::keyClick(quan, Qt::Key_Return);
    }
    env.onModal([](QDialog& d) { return payByKeyboard(d, QStringLiteral("2000")); });
    if (preview)
        env.onModal(preview);
    QTest::mouseClick(child<QPushButton>(pos, "cmdOrder"), Qt::LeftButton);
}

void reprint(TestEnv& env)
{
    frmPOS pos(env.ctx);
    pos.findChild<QAction*>(QStringLiteral("mnuReprint"))->trigger();
}

// Checks a receipt's text against the stored sale: every figure printed is the stored one, and
// they agree with each other.
void checkReceiptText(TestEnv& env, const QString& text, const SaleRef& sale)
{
    const auto stored = [&](const char* column) {
        return env.scalar(QStringLiteral("SELECT %1 FROM tblSales WHERE rowid = ?").arg(QLatin1String(column)),
                          {sale.salesRow});
    };
    const auto shows = [&](const QString& pattern) {
        QVERIFY2(text.contains(QRegularExpression(pattern)), qPrintable(pattern + QStringLiteral("\n") + text));
    };
    for (const QString& line :
         {QStringLiteral("Corner Shop & Sons"), QStringLiteral("Sale No.: ") + sale.saleNumber,
          QStringLiteral("Date: ") + stored("BusinessDate"), QStringLiteral("Time: ") + stored("BusinessTime"),
          QStringLiteral("Cashier: Maria Santos"), QStringLiteral("Thank you for shopping with us!")})
        QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n") + text));

    // Name, quantity, price and amount of each stored line, in the order sold.
    const Recordset lines = env.db.query(
        QStringLiteral("SELECT ItemName, Quantity, Amount FROM tblSold WHERE TransactionID = ? ORDER BY rowid"),
        {sale.saleNumber});
    QCOMPARE(lines.rowCount(), 3);
    const QStringList prices{"25.00", "1,250.50", "0.10"};
    double printedSum = 0;
    for (int i = 0; i < lines.rowCount(); ++i) {
        const auto& row = lines.rows().at(i);
        shows(QRegularExpression::escape(row.at(0).toString()) + QStringLiteral("\\s+") + row.at(1).toString() +
              QStringLiteral("\\s+(x\\s+)?") + QRegularExpression::escape(prices.at(i)) + QStringLiteral("\\s+") +
              QRegularExpression::escape(row.at(2).toString()));
        printedSum += *ColumnNumber(row.at(2).toString());
    }
    const auto figure = [&](const QString& caption) {
        const auto m = QRegularExpression(caption + QStringLiteral("\\s+([0-9,.]+)")).match(text);
        return m.hasMatch() ? ColumnNumber(m.captured(1)).value_or(-1) : -1.0;
    };
    QCOMPARE(figure(QStringLiteral("TOTAL")), *ColumnNumber(stored("AmountDue")));
    QCOMPARE(figure(QStringLiteral("CASH")), NumberFromText(stored("Cash")));
    QCOMPARE(figure(QStringLiteral("CHANGE")), *ColumnNumber(stored("Change")));
    QCOMPARE(FormatNumber(printedSum, NumberPattern::Plain2), stored("AmountDue"));
    shows(QStringLiteral("TOTAL\\s+1,325.80"));
    shows(QStringLiteral("CASH\\s+2,000.00"));
    shows(QStringLiteral("CHANGE\\s+674.20"));
}

void saveScreenshots(const QString& pdf, const QString& name)
{
    const QString dir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("110"), pdf, dir + QLatin1Char('/') + name});
}

} // namespace

class tst_receipts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layoutOnBothPapers_data();
    void layoutOnBothPapers();
    void unitPrice_data();
    void unitPrice();
    void settingsRememberedPerTill();
    void finishPrintsAndReprints_data();
    void finishPrintsAndReprints();
    void printFailureKeepsSale();
    void reprintRefusals_data();
    void reprintRefusals();
    void throughRealDialogLoops();
    void olderFileGetsReceiptTable();
};

void tst_receipts::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
}

void tst_receipts::layoutOnBothPapers_data()
{
    QTest::addColumn<ReceiptPaper>("paper");
    QTest::addColumn<double>("widthPt");
    QTest::newRow("80 mm roll") << ReceiptPaper::Roll80 << 80 / 25.4 * 72;
    QTest::newRow("A4") << ReceiptPaper::A4 << 210 / 25.4 * 72;
}

void tst_receipts::layoutOnBothPapers()
{
    QFETCH(ReceiptPaper, paper);
    QFETCH(double, widthPt);
    TestEnv env(shopOptions());
    stockShelf(env);
    const SaleRef sale = sellThreeLines(env);
    ReceiptStore store(env.db, 1);
    QCOMPARE(store.lastSale()->saleNumber, sale.saleNumber);
    ReceiptData receipt;
    QCOMPARE(store.read(sale, receipt), ReceiptStore::ReadOutcome::Read);
    const QString pdf = env.dir() + QStringLiteral("/receipt.pdf");
    QVERIFY(ReceiptReport(receipt, paper).exportPdf(pdf));
    checkReceiptText(env, pdfText(pdf), sale);

    // One page of the paper's width: a roll is cut to the receipt's length.
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    QVERIFY(size.hasMatch());
    QVERIFY2(qAbs(size.captured(1).toDouble() - widthPt) < 1.5, qPrintable(info));
    if (paper == ReceiptPaper::Roll80)
        QVERIFY(size.captured(2).toDouble() < 160 / 25.4 * 72);
    saveScreenshots(pdf, paper == ReceiptPaper::A4 ? QStringLiteral("receipt-a4") : QStringLiteral("receipt-roll"));
}

void tst_receipts::unitPrice_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("itemPrice");
    QTest::addColumn<QString>("shown");
    QTest::newRow("registered price") << "3"
                                      << "75.00"
                                      << "25"
                                      << "25.00";
    QTest::newRow("grouped price") << "2"
                                   << "3,000.00"
                                   << "1,500"
                                   << "1,500.00";
    QTest::newRow("price below a cent") << "3"
                                        << "1.00"
                                        << "0.333"
                                        << "0.33";
    QTest::newRow("price changed since") << "3"
                                         << "75.00"
                                         << "30"
                                         << "25.00";
    QTest::newRow("item gone") << "4"
                               << "10.00"
                               << ""
                               << "2.50";
    QTest::newRow("amount of an older version") << "2"
                                                << "2501"
                                                << "1250.50"
                                                << "1,250.50";
    QTest::newRow("no quantity") << "0"
                                 << "0.00"
                                 << ""
                                 << "";
}

void tst_receipts::unitPrice()
{
    QFETCH(QString, quantity);
    QFETCH(QString, amount);
    QFETCH(QString, itemPrice);
    QFETCH(QString, shown);
    QCOMPARE(receiptUnitPrice(quantity, amount, itemPrice), shown);
}

void tst_receipts::settingsRememberedPerTill()
{
    TestEnv env;
    const auto open = [&](int till) {
        env.ctx.till = till;
        return std::make_unique<frmTotal>(env.ctx, QStringLiteral("10.00"), QStringLiteral("1"),
                                          QStringLiteral("Maria Santos"));
    };
    auto one = open(1);
    auto* box = child<QCheckBox>(*one, "chkReceipt");
    auto* paper = child<QComboBox>(*one, "cboPaper");
    QCOMPARE(box->text(), QStringLiteral("Print receipt"));
    QVERIFY(!box->isChecked()); // off by default
    QCOMPARE(paper->currentText(), QStringLiteral("80 mm roll"));
    one->show();
    QVERIFY(QTest::qWaitForWindowExposed(one.get()));
    QApplication::setActiveWindow(one.get());
    QTest::mouseClick(box, Qt::LeftButton);
    paper->setCurrentIndex(1);
    emit paper->activated(1);
    QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(*one, "tAmt")); // the cash box keeps the keyboard
    one.reset();

    auto two = open(2);
    QVERIFY(!child<QCheckBox>(*two, "chkReceipt")->isChecked());
    QCOMPARE(child<QComboBox>(*two, "cboPaper")->currentText(), QStringLiteral("80 mm roll"));
    two->show();
    QVERIFY(QTest::qWaitForWindowExposed(two.get()));
    QApplication::setActiveWindow(two.get());
    QTest::keyClick(two.get(), Qt::Key_P, Qt::AltModifier); // ticks the box from the keyboard
    QVERIFY(child<QCheckBox>(*two, "chkReceipt")->isChecked());
    QTest::keyClick(two.get(), Qt::Key_P, Qt::AltModifier);
    QVERIFY(!child<QCheckBox>(*two, "chkReceipt")->isChecked());
    two.reset();

    one = open(1);
    QVERIFY(child<QCheckBox>(*one, "chkReceipt")->isChecked());
    QCOMPARE(child<QComboBox>(*one, "cboPaper")->currentText(), QStringLiteral("A4"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(Till || ':' || PrintReceipt || ':' || Paper, ' ') FROM "
                                       "(SELECT * FROM tblReceipt ORDER BY Till)")),
             QStringLiteral("1:1:A4 2:0:80mm"));
    QVERIFY(env.messages.isEmpty());
}

void tst_receipts::finishPrintsAndReprints_data()
{
    QTest::addColumn<bool>("printOnFinish");
    QTest::addColumn<ReceiptPaper>("paper");
    QTest::newRow("box off") << false << ReceiptPaper::Roll80;
    QTest::newRow("roll") << true << ReceiptPaper::Roll80;
    QTest::newRow("A4") << true << ReceiptPaper::A4;
}

void tst_receipts::finishPrintsAndReprints()
{
    QFETCH(bool, printOnFinish);
    QFETCH(ReceiptPaper, paper);
    TestEnv env(shopOptions());
    stockShelf(env);
    env.setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    QVERIFY(ReceiptStore(env.db, env.ctx.till).saveSettings({printOnFinish, paper}));
    const QString printed = env.dir() + QStringLiteral("/printed.pdf");
    const QString reprinted = env.dir() + QStringLiteral("/reprinted.pdf");

    sellThroughWindows(env, printTo(printed));
    QCOMPARE(env.count(QStringLiteral("tblSales")), 1);
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    const SaleRef sale = *ReceiptStore(env.db, env.ctx.till).lastSale();
    QCOMPARE(sale.saleNumber, QStringLiteral("1"));
    if (printOnFinish) {
        QCOMPARE(env.modalWindows, (QStringList{"frmTotal", "reportPreview"}));
        checkReceiptText(env, pdfText(printed), sale);
    } else {
        QCOMPARE(env.modalWindows, QStringList{"frmTotal"}); // nothing more than a sale
        env.modalHandlers.clear();
    }

    env.onModal(printTo(reprinted));
    reprint(env);
    checkReceiptText(env, pdfText(reprinted), sale);
    if (printOnFinish)
        QCOMPARE(pdfText(reprinted), pdfText(printed));
    QVERIFY2(env.messages.isEmpty(), qPrintable(env.messageTexts().join(u'\n')));
}

void tst_receipts::printFailureKeepsSale()
{
    TestEnv env(shopOptions());
    stockShelf(env);
    env.setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    QVERIFY(ReceiptStore(env.db, env.ctx.till).saveSettings({true, ReceiptPaper::Roll80}));
    // The printer cannot be written to: a file in a folder that does not exist.
    sellThroughWindows(env, printTo(env.dir() + QStringLiteral("/no such folder/receipt.pdf")));

    QCOMPARE(env.modalWindows, (QStringList{"frmTotal", "reportPreview"}));
    QCOMPARE(env.messages.size(), 1);
    QCOMPARE(env.lastMessage().text,
             QStringLiteral("The receipt of sale 1 was not printed.\nThe sale is stored; \"Reprint Last Receipt\" in "
                            "the Menu of the sales window prints it again."));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QCOMPARE(env.scalar(QStringLiteral("SELECT AmountDue || '|' || Cash || '|' || Change FROM tblSales")),
             QStringLiteral("1325.80|2000|674.20"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("1"));
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(env.count(QStringLiteral("tblSold")), 3);

    // The reprint, on a printer that works, gives the receipt.
    const QString pdf = env.dir() + QStringLiteral("/reprint.pdf");
    env.onModal(printTo(pdf));
    reprint(env);
    checkReceiptText(env, pdfText(pdf), *ReceiptStore(env.db, env.ctx.till).lastSale());
}

void tst_receipts::reprintRefusals_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("message");
    QTest::newRow("no sale yet") << QString() << "No sale has been completed at this till yet.";
    QTest::newRow("sales emptied") << "DELETE FROM tblSales"
                                   << "The receipt of sale 1 cannot be printed: the sale is no longer in the sales "
                                      "history.";
    QTest::newRow("sold lines emptied") << "DELETE FROM tblSold"
                                        << "The receipt of sale 1 cannot be printed: the sale is no longer in the "
                                           "sales history.";
    // The history was emptied and a sale of the same amount took the row the receipt pointed at.
    QTest::newRow("row reused") << "DELETE FROM tblSales; INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue) "
                                   "SELECT SaleDate, '1:02:03 AM', '1325.80' FROM tblReceipt"
                                << "The receipt of sale 1 cannot be printed: the sale is no longer in the sales "
                                   "history.";
}

void tst_receipts::reprintRefusals()
{
    QFETCH(QString, history);
    QFETCH(QString, message);
    TestEnv env(shopOptions());
    stockShelf(env);
    if (!history.isEmpty()) {
        sellThreeLines(env);
        QVERIFY(env.db.executeScript(history));
    }
    // Another till's sale is not this till's receipt (after "sales emptied" it takes the row).
    sellThreeLines(env, 2, {{"1001", "1"}});
    reprint(env);
    QCOMPARE(env.messageTexts(), QStringList{message});
    QVERIFY(env.modalWindows.isEmpty());
}

void tst_receipts::throughRealDialogLoops()
{
    // The cashier scans, pays with Enter, Enter and the receipt preview opens in its own loop,
    // Enter there being its Print; it is printed to a file and closed with Escape.
    TestEnv env(shopOptions());
    stockShelf(env);
    env.setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    QVERIFY(ReceiptStore(env.db, env.ctx.till).saveSettings({true, ReceiptPaper::Roll80}));
    env.platform.setModalHook({});
    const QString pdf = env.dir() + QStringLiteral("/receipt.pdf");
    QStringList seen;
    std::function<void()> drive = [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) {
            QTimer::singleShot(10, drive);
            return;
        }
        if (w->objectName() == u"frmTotal" && seen.isEmpty()) {
            seen << w->objectName();
            // Paying opens the preview in its own loop, which this timer then drives.
            QTimer::singleShot(10, drive);
            payByKeyboard(*qobject_cast<QDialog*>(w), QStringLiteral("2000"));
            return;
        } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w)) {
            seen << preview->windowTitle();
            QAction* print = nullptr;
            for (QAction* a : preview->findChild<QToolBar*>()->actions())
                if (a->text() == u"Print")
                    print = a;
            QVERIFY(print && print->shortcuts().contains(QKeySequence(Qt::Key_Return)));
            printTo(pdf)(*preview);
            QTest::keyClick(preview, Qt::Key_Escape);
            return;
        }
        QTimer::singleShot(10, drive);
    };
    QTimer::singleShot(0, drive);
    sellThroughWindows(env);
    QCOMPARE(seen, (QStringList{"frmTotal", "Receipt 1"}));
    QCOMPARE(env.count(QStringLiteral("tblSales")), 1);
    checkReceiptText(env, pdfText(pdf), *ReceiptStore(env.db, env.ctx.till).lastSale());
}

void tst_receipts::olderFileGetsReceiptTable()
{
    TestEnv env(shopOptions());
    stockShelf(env);
    env.exec(QStringLiteral("DROP TABLE tblReceipt"));
    env.db.close();
    QVERIFY2(env.db.open(env.dbPath()), qPrintable(env.db.lastError()));
    QCOMPARE(ReceiptStore(env.db, 1).settings().printOnFinish, false);
    const SaleRef sale = sellThreeLines(env);
    QCOMPARE(ReceiptStore(env.db, 1).lastSale()->salesRow, sale.salesRow);
}

QTEST_MAIN(tst_receipts)
#include "tst_receipts.moc"
