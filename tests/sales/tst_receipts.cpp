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
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using Lines = QList<std::pair<const char*, const char*>>; // item number, quantity
// The three-line sale of these tests: 3 Drink (75.00), 1 Rice (1,250.50), 3 Nail (0.30).
const Lines kLines = {{"1001", "3"}, {"1007", "1"}, {"5003", "3"}};

// A shop with a name and the three items.
struct Shop : TestEnv
{
    Shop()
        : TestEnv([] {
              InitOptions options = TestEnv::defaultOptions();
              options.company = QStringLiteral("Corner Shop & Sons");
              return options;
          }())
    {
        exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks, ItemAvailability) "
                            "VALUES ('1001', 'Drink', '25', 500, 'Available'), ('1007', 'Rice', '1250.5', 500, "
                            "'Available'), ('5003', 'Nail', '0.10', 500, 'Available')"));
        setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    }
};

// Rings up and pays a sale at `till` without windows, with 2,000 cash (typed with its thousands
// separator); returns the stored sale.
SaleRef sell(TestEnv& env, int till = 1, const Lines& lines = kLines)
{
    Cart cart(env.db, QString::number(till));
    const QString sale = cart.nextSaleNumber();
    for (const auto& [number, quantity] : lines) {
        if (cart.addLine(QString::fromLatin1(number), QString::fromLatin1(quantity), sale,
                         QStringLiteral("Maria Santos"))
                .outcome != AddOutcome::Added)
            qFatal("the test sale could not be rung up");
    }
    return cart.completeSale(cart.cartTotalText(), QStringLiteral("2,000"), sale, QStringLiteral("Maria Santos")).sale;
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

TestEnv::ModalHandler printTo(const QString& path)
{
    return [path](QDialog& d) {
        printPreviewTo(d, path);
        return 0;
    };
}

// Pays the open payment window from the keyboard: the cash, Enter (Submit), Enter (Finish).
void payByKeyboard(QWidget& total)
{
    auto* box = child<QLineEdit>(total, "tAmt");
    QTest::keyClicks(box, QStringLiteral("2,000"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Return);
}

// Scans the three lines into the sales window and pays them; a receipt preview, should one
// open, is answered by `preview`.
void sellThroughWindows(TestEnv& env, const TestEnv::ModalHandler& preview = {})
{
    frmPOS pos(env.ctx);
    pos.show();
    for (const auto& [number, quantity] : kLines) {
        child<QLineEdit>(pos, "txtQuan")->setText(QString::fromLatin1(quantity));
        QTest::keyClicks(child<QLineEdit>(pos, "txtItem"), QString::fromLatin1(number));
        QTest::keyClick(child<QLineEdit>(pos, "txtItem"), Qt::Key_Return);
    }
    env.onModal([](QDialog& d) {
        payByKeyboard(d);
        return d.result();
    });
    if (preview)
        env.onModal(preview);
    QTest::mouseClick(child<QPushButton>(pos, "cmdOrder"), Qt::LeftButton);
}

void reprint(TestEnv& env)
{
    frmPOS pos(env.ctx);
    pos.findChild<QAction*>(QStringLiteral("mnuReprint"))->trigger();
}

SaleRef lastSale(TestEnv& env)
{
    return ReceiptStore(env.db, env.ctx.till).lastSale().value_or(SaleRef{});
}

// The first page's size in points, from pdfinfo's report; invalid when it names none.
QSizeF pageSize(const QString& info)
{
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    return size.hasMatch() ? QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()) : QSizeF();
}

// Checks a receipt's text against the stored three-line sale: particulars, each line, and the
// totals, which are the stored ones and agree with the lines.
void checkReceipt(TestEnv& env, const QString& text, const SaleRef& sale)
{
    QCOMPARE(env.scalar(QStringLiteral("SELECT AmountDue || '|' || Cash || '|' || Change FROM tblSales WHERE rowid = "
                                       "?"),
                        {sale.salesRow}),
             QStringLiteral("1325.80|2,000|674.20"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(Amount, '|') FROM tblSold WHERE TransactionID = ?"),
                        {sale.saleNumber}),
             QStringLiteral("75.00|1,250.50|0.30"));
    const QStringList expected{"Corner Shop & Sons", "Sale No.: " + sale.saleNumber, "Date: " + sale.date,
                               "Time: " + sale.time, "Cashier: Maria Santos",
                               // Name, quantity, price and amount of each line, on one line (A4) or two (roll).
                               "Drink\\s+3\\s+(x\\s+)?25.00\\s+75.00", "Rice\\s+1\\s+(x\\s+)?1,250.50\\s+1,250.50",
                               "Nail\\s+3\\s+(x\\s+)?0.10\\s+0.30", "TOTAL\\s+1,325.80", "CASH\\s+2,000.00",
                               "CHANGE\\s+674.20", "Thank you for shopping with us!",
                               // zint's text of the sale number's Code 128 symbol, under the thanks
                               "shopping with us!\\s+" + sale.saleNumber + "\\n"};
    for (const QString& pattern : expected)
        QVERIFY2(text.contains(QRegularExpression(pattern)), qPrintable(pattern + QStringLiteral("\n") + text));
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
    void finish_data();
    void finish();
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
    QTest::newRow("roll") << ReceiptPaper::Roll80 << 80 / 25.4 * 72;
    QTest::newRow("a4") << ReceiptPaper::A4 << 210 / 25.4 * 72;
}

void tst_receipts::layoutOnBothPapers()
{
    QFETCH(ReceiptPaper, paper);
    QFETCH(double, widthPt);
    Shop env;
    const SaleRef sale = sell(env);
    ReceiptData receipt;
    QCOMPARE(ReceiptStore(env.db, 1).read(lastSale(env), receipt), ReceiptStore::ReadOutcome::Read);
    const QString pdf = env.dir() + QStringLiteral("/receipt.pdf");
    QVERIFY(ReceiptReport(receipt, paper).exportPdf(pdf));
    checkReceipt(env, pdfText(pdf), sale);

    // One page of the paper's width: a roll is cut to the receipt's length.
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const QSizeF size = pageSize(info);
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))) && size.isValid(), qPrintable(info));
    QVERIFY2(qAbs(size.width() - widthPt) < 1.5, qPrintable(info));
    QVERIFY(paper == ReceiptPaper::A4 || size.height() < 160 / 25.4 * 72);

    // A shop without a name: the receipt begins with the sale's particulars, and a roll is
    // shorter by the name's lines, not blank there.
    ReceiptData unnamed = receipt;
    unnamed.company = QStringLiteral("  ");
    const QString bare = env.dir() + QStringLiteral("/unnamed.pdf");
    QVERIFY(ReceiptReport(unnamed, paper).exportPdf(bare));
    QVERIFY(pdfText(bare).trimmed().startsWith(QStringLiteral("Sale No.: ") + sale.saleNumber));
    if (paper == ReceiptPaper::Roll80)
        QVERIFY(size.height() - pageSize(run(QStringLiteral("pdfinfo"), {bare})).height() > 20);

    // A long company name wraps whole, and the largest figures print whole.
    ReceiptData large = receipt;
    large.company = QStringLiteral("ROSA'S CORNER STORE AND CAFE OF THE NORTH");
    large.lines.push_back({QStringLiteral("Wall clock"), QStringLiteral("125"), QStringLiteral("999,999,999.99"),
                           QStringLiteral("124,999,999,998.75")});
    const QString wide = env.dir() + QStringLiteral("/large.pdf");
    QVERIFY(ReceiptReport(large, paper).exportPdf(wide));
    const QString wideText = pdfText(wide).simplified();
    for (const QString& whole : {large.company, QStringLiteral("999,999,999.99"), QStringLiteral("124,999,999,998.75")})
        QVERIFY2(wideText.contains(whole), qPrintable(whole + QStringLiteral(" in ") + wideText));
    if (const QString dir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR"); !dir.isEmpty())
        for (const QString& file : {pdf, wide})
            run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("110"), file,
                 dir + QStringLiteral("/receipt-") + QTest::currentDataTag() + QFileInfo(file).baseName()});
}

void tst_receipts::unitPrice_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("itemPrice");
    QTest::addColumn<QString>("shown");
    const char* const rows[][5] = {{"registered price", "3", "75.00", "25", "25.00"},
                                   {"grouped price", "2", "3,000.00", "1,500", "1,500.00"},
                                   {"price below a cent", "3", "1.00", "0.333", "0.33"},
                                   {"price changed since", "3", "75.00", "30", "25.00"},
                                   {"item gone", "4", "10.00", "", "2.50"},
                                   {"amount of an older version", "2", "2501", "1250.50", "1,250.50"},
                                   {"no quantity", "0", "0.00", "", ""}};
    for (const auto& r : rows)
        QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2]) << QString::fromLatin1(r[3])
                            << QString::fromLatin1(r[4]);
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
        env.ctx.till = QString::number(till);
        auto total = std::make_unique<frmTotal>(env.ctx, QStringLiteral("10.00"), QStringLiteral("1"), QString());
        total->show();
        if (!QTest::qWaitForWindowExposed(total.get()))
            qFatal("the payment window did not show");
        QApplication::setActiveWindow(total.get());
        return total;
    };
    auto one = open(1);
    QCOMPARE(child<QCheckBox>(*one, "chkReceipt")->text(), QStringLiteral("Print receipt"));
    QVERIFY(!child<QCheckBox>(*one, "chkReceipt")->isChecked()); // off by default, on the roll
    QCOMPARE(child<QComboBox>(*one, "cboPaper")->currentText(), QStringLiteral("80 mm roll"));
    QTest::mouseClick(child<QCheckBox>(*one, "chkReceipt"), Qt::LeftButton);
    child<QComboBox>(*one, "cboPaper")->setCurrentIndex(1);
    emit child<QComboBox>(*one, "cboPaper")->activated(1);
    QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(*one, "tAmt")); // the cash box keeps the keyboard
    one.reset();

    auto two = open(2); // another till keeps its own
    QVERIFY(!child<QCheckBox>(*two, "chkReceipt")->isChecked());
    QTest::keyClick(two.get(), Qt::Key_P, Qt::AltModifier);
    QVERIFY(child<QCheckBox>(*two, "chkReceipt")->isChecked());
    QTest::keyClick(two.get(), Qt::Key_P, Qt::AltModifier);
    two.reset();

    one = open(1);
    QVERIFY(child<QCheckBox>(*one, "chkReceipt")->isChecked());
    QCOMPARE(child<QComboBox>(*one, "cboPaper")->currentText(), QStringLiteral("A4"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(Till || ':' || PrintReceipt || ':' || Paper, ' ') FROM "
                                       "(SELECT * FROM tblReceipt ORDER BY Till)")),
             QStringLiteral("1:1:A4 2:0:80mm"));
    QVERIFY(env.messages.isEmpty());
}

void tst_receipts::finish_data()
{
    QTest::addColumn<bool>("printOnFinish");
    QTest::addColumn<ReceiptPaper>("paper");
    QTest::addColumn<QString>("file"); // printed to, in the test's folder
    QTest::addColumn<QString>("message");
    const QString none;
    QTest::newRow("box off") << false << ReceiptPaper::Roll80 << none << none;
    QTest::newRow("roll") << true << ReceiptPaper::Roll80 << QStringLiteral("printed.pdf") << none;
    QTest::newRow("A4") << true << ReceiptPaper::A4 << QStringLiteral("printed.pdf") << none;
    QTest::newRow("printer fails") << true << ReceiptPaper::Roll80 << "no such folder/printed.pdf"
                                   << "The receipt of sale 1 was not printed.\nThe sale is stored; \"Reprint Last "
                                      "Receipt\" in the Menu of the sales window prints it again.";
}

void tst_receipts::finish()
{
    QFETCH(bool, printOnFinish);
    QFETCH(ReceiptPaper, paper);
    QFETCH(QString, file);
    QFETCH(QString, message);
    Shop env;
    QVERIFY(ReceiptStore(env.db, env.ctx.till).saveSettings({printOnFinish, paper}));
    const QString printed = env.dir() + QLatin1Char('/') + file;
    sellThroughWindows(env, file.isEmpty() ? TestEnv::ModalHandler() : printTo(printed));

    // The sale is stored whatever became of its receipt; with the box off nothing else happens.
    const QStringList windows = printOnFinish ? QStringList{"frmTotal", "reportPreview"} : QStringList{"frmTotal"};
    QCOMPARE(env.modalWindows, windows);
    QCOMPARE(env.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("1"));
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    const SaleRef sale = lastSale(env);
    if (message.isEmpty() && printOnFinish)
        checkReceipt(env, pdfText(printed), sale);

    // The reprint gives the same receipt.
    const QString reprinted = env.dir() + QStringLiteral("/reprinted.pdf");
    env.onModal(printTo(reprinted));
    reprint(env);
    checkReceipt(env, pdfText(reprinted), sale);
    if (message.isEmpty() && printOnFinish)
        QCOMPARE(pdfText(reprinted), pdfText(printed));
}

void tst_receipts::reprintRefusals_data()
{
    const QString gone =
        QStringLiteral("The receipt of sale 1 cannot be printed: the sale is no longer in the sales history.");
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("message");
    QTest::newRow("no sale yet") << QString() << "No sale has been completed at this till yet.";
    QTest::newRow("sales emptied") << "DELETE FROM tblSales" << gone; // till 2's sale then takes its row
    QTest::newRow("sold lines emptied") << "DELETE FROM tblSold" << gone;
    QTest::newRow("row reused") << "DELETE FROM tblSales; INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue) "
                                   "SELECT SaleDate, '1:02:03 AM', '1325.80' FROM tblReceipt"
                                << gone;
}

void tst_receipts::reprintRefusals()
{
    QFETCH(QString, history);
    QFETCH(QString, message);
    Shop env;
    if (!history.isEmpty()) {
        sell(env);
        QVERIFY(env.db.executeScript(history));
    }
    sell(env, 2, {{"1001", "1"}}); // another till's sale is not this till's receipt
    reprint(env);
    QCOMPARE(env.messageTexts(), QStringList{message});
    QVERIFY(env.modalWindows.isEmpty());
}

void tst_receipts::throughRealDialogLoops()
{
    // Each window in its own loop: the cashier pays with Enter, Enter; the preview opens with
    // Enter as its Print, prints to a file and is closed with Escape.
    Shop env;
    QVERIFY(ReceiptStore(env.db, env.ctx.till).saveSettings({true, ReceiptPaper::Roll80}));
    env.platform.setModalHook({});
    const QString pdf = env.dir() + QStringLiteral("/receipt.pdf");
    QStringList seen;
    QObject guard; // ends the polling with the test
    std::function<void()> drive = [&] {
        QTimer::singleShot(10, &guard, drive); // also drives the preview that paying opens
        auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible() || seen.contains(w->windowTitle()))
            return;
        seen << w->windowTitle();
        if (w->objectName() == u"frmTotal")
            return payByKeyboard(*w);
        if (!qobject_cast<QPrintPreviewDialog*>(w))
            return w->reject(); // no other window belongs here: `seen` names it
        const QList<QAction*> actions = w->findChild<QToolBar*>()->actions();
        QVERIFY(std::any_of(actions.begin(), actions.end(), [](QAction* a) {
            return a->text() == u"Print" && a->shortcuts().contains(QKeySequence(Qt::Key_Return));
        }));
        // Enter in the tool bar's fields (zoom, page number) applies them and prints nothing.
        QVERIFY(QTest::qWaitForWindowActive(w));
        for (QLineEdit* field : w->findChild<QToolBar*>()->findChildren<QLineEdit*>()) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
        }
        // Enter prints through the print dialog (accepted as it opens), which starts from the
        // receipt's own paper and prints on it, and the preview closes.
        QPrinter* printer = static_cast<QPrintPreviewDialog*>(w)->printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        QTest::keyClick(w, Qt::Key_Return);
    };
    std::function<void()> acceptPrintDialog = [&] {
        QTimer::singleShot(10, &guard, acceptPrintDialog);
        if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            seen << dialog->windowTitle();
            QCOMPARE(dialog->printer()->pageLayout().pageSize().size(QPageSize::Millimeter).width(), 80.0);
            dialog->accept();
        }
    };
    QTimer::singleShot(0, &guard, drive);
    QTimer::singleShot(0, &guard, acceptPrintDialog);
    sellThroughWindows(env);
    QCOMPARE(seen, (QStringList{"AMOUNT DUE", "Receipt 1", "Print"}));
    checkReceipt(env, pdfText(pdf), lastSale(env));
    QVERIFY(qAbs(pageSize(run(QStringLiteral("pdfinfo"), {pdf})).width() - 80 / 25.4 * 72) < 1.5);
}

void tst_receipts::olderFileGetsReceiptTable()
{
    if (TestEnv::onServer())
        QSKIP("upgrades a file made by an earlier version; a server starts with the current tables");
    Shop env;
    env.exec(QStringLiteral("DROP TABLE tblReceipt"));
    env.db.close();
    QVERIFY2(env.db.open(env.dbPath()), qPrintable(env.db.lastError()));
    const SaleRef sale = sell(env);
    QCOMPARE(lastSale(env).salesRow, sale.salesRow);
}

QTEST_MAIN(tst_receipts)
#include "tst_receipts.moc"
