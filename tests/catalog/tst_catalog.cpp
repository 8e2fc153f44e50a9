#include "TestEnv.h"

#include "catalog/Barcode.h"
#include "catalog/BarcodeStore.h"
#include "catalog/LabelSheet.h"
#include "catalog/Labels.h"
#include "catalog/ShopOptions.h"
#include "sales/frmPOS.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

// Barcodes on items: the codes a shop registers, the item a scan finds, the cart at the
// scanner's pace, and labels printed with real symbols.
class tst_Catalog : public QObject
{
    Q_OBJECT

private slots:
    void codes_data();
    void codes();
    void storeRules_data();
    void storeRules();
    void scanAtScannerPace();
    void labels_data();
    void labels();
};

namespace {

void addItem(TestEnv& env, const QString& number, const QString& name, const QString& price, int stock)
{
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                            "ItemBrand, ItemAvailability) VALUES (?, ?, ?, 'd', ?, 'b', 'Available')"),
             {number, name, price, QString::number(stock)});
}

bool addBarcode(TestEnv& env, const QString& code, const QString& item)
{
    BarcodeStore store(env.db);
    return store.add(store.check(code, item), item);
}

void scan(const QString& code)
{
    for (const QChar c : code) {
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::qWait(2);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void tst_Catalog::codes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("stored"); // the form kept; for a refused text, unused
    const auto ok = static_cast<int>(Barcode::Problem::None);
    const auto check = static_cast<int>(Barcode::Problem::BadCheckDigit);
    const auto blank = static_cast<int>(Barcode::Problem::NotPrintable);
    QTest::newRow("EAN-13") << "4006381333931" << ok << "4006381333931";
    QTest::newRow("EAN-13, check digit wrong") << "4006381333932" << check << "";
    QTest::newRow("UPC-A is its EAN-13") << "036000291452" << ok << "0036000291452";
    QTest::newRow("UPC-A, check digit wrong") << "036000291453" << check << "";
    QTest::newRow("EAN-8") << "96385074" << ok << "96385074";
    QTest::newRow("UPC-E is its EAN-13") << "04252614" << ok << "0042100005264";
    QTest::newRow("8 digits, EAN-8 and UPC-E: EAN-8") << "01234565" << ok << "01234565";
    QTest::newRow("8 digits, neither") << "96385075" << check << "";
    QTest::newRow("Code 128 as typed") << "AB-12/x" << ok << "AB-12/x";
    QTest::newRow("item number as Code 128") << "1001" << ok << "1001";
    QTest::newRow("48 characters") << QString(48, u'7') << ok << QString(48, u'7');
    QTest::newRow("49 characters") << QString(49, u'7') << static_cast<int>(Barcode::Problem::TooLong) << "";
    QTest::newRow("3 characters") << "ABC" << static_cast<int>(Barcode::Problem::TooShort) << "";
    QTest::newRow("a blank") << "4006 381333931" << blank << "";
    QTest::newRow("a tab") << "ABCD\tE" << blank << "";
    QTest::newRow("a letter beyond ASCII") << QStringLiteral("CAFÉ1") << blank << "";
    QTest::newRow("empty") << "" << static_cast<int>(Barcode::Problem::Empty) << "";
}

// The check digit of the retail codes; other codes as typed, 4 to 48 printable characters.
void tst_Catalog::codes()
{
    QFETCH(QString, text);
    QFETCH(int, problem);
    QFETCH(QString, stored);
    const Barcode::Checked checked = Barcode::check(text);
    QCOMPARE(static_cast<int>(checked.problem), problem);
    if (checked.ok())
        QCOMPARE(checked.code, stored);
    QCOMPARE(Barcode::problemText(checked.problem).isEmpty(), checked.ok());
}

void tst_Catalog::storeRules_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("forItem");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("named"); // the item a refusal names
    const auto accepted = static_cast<int>(BarcodeStore::Outcome::Accepted);
    const auto other = static_cast<int>(BarcodeStore::Outcome::OnOtherItem);
    QTest::newRow("a new code") << "96385074"
                                << "1002" << accepted << "";
    QTest::newRow("the item's own code again") << "4006381333931"
                                               << "1001" << accepted << "";
    QTest::newRow("on another item") << "4006381333931"
                                     << "1002" << other << "1001 (Milk)";
    QTest::newRow("its UPC-A form on another item") << "036000291452"
                                                    << "1001" << other << "1002 (Bread)";
    QTest::newRow("another item's number")
        << "1001"
        << "1002" << static_cast<int>(BarcodeStore::Outcome::IsItemNumber) << "1001 (Milk)";
    QTest::newRow("not a code") << "4006381333930"
                                << "1002" << static_cast<int>(BarcodeStore::Outcome::Invalid) << "";
}

// A barcode is on one item only and never another item's number; the refusal names the item.
void tst_Catalog::storeRules()
{
    QFETCH(QString, code);
    QFETCH(QString, forItem);
    QFETCH(int, outcome);
    QFETCH(QString, named);
    TestEnv env;
    addItem(env, QStringLiteral("1001"), QStringLiteral("Milk"), QStringLiteral("1.20"), 5);
    addItem(env, QStringLiteral("1002"), QStringLiteral("Bread"), QStringLiteral("2.50"), 5);
    QVERIFY(addBarcode(env, QStringLiteral("4006381333931"), QStringLiteral("1001")));
    QVERIFY(addBarcode(env, QStringLiteral("0036000291452"), QStringLiteral("1002")));
    BarcodeStore store(env.db);
    const BarcodeStore::Check check = store.check(code, forItem);
    QCOMPARE(static_cast<int>(check.outcome), outcome);
    if (!named.isEmpty())
        QVERIFY2(BarcodeStore::refusalText(check).contains(named), qPrintable(BarcodeStore::refusalText(check)));
    const int before = env.count(QStringLiteral("tblBarcode"));
    QCOMPARE(store.add(check, forItem), check.outcome == BarcodeStore::Outcome::Accepted);
    QCOMPARE(env.count(QStringLiteral("tblBarcode")),
             before + (check.outcome == BarcodeStore::Outcome::Accepted && code == QLatin1String("96385074")));
    // A UPC-A scan finds the item stored under its EAN-13, and the EAN-13 the one under its UPC-A.
    QCOMPARE(store.itemNumberFor(QStringLiteral("036000291452")), QStringLiteral("1002"));
    QCOMPARE(store.itemNumberFor(QStringLiteral("4006381333931")), QStringLiteral("1001"));
    QCOMPARE(store.itemNumberFor(QStringLiteral("12345670")), QString());
}

// A cashier scans the maker's barcodes into the real sales window at the scanner's pace: the
// item is found by its barcode, an unknown code is named, and with "Scanning an item already in
// the cart adds one" a second scan raises the line, its sold line and the stock in one write.
void tst_Catalog::scanAtScannerPace()
{
    TestEnv env;
    env.setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    addItem(env, QStringLiteral("1001"), QStringLiteral("Milk"), QStringLiteral("1.25"), 5);
    QVERIFY(addBarcode(env, QStringLiteral("4006381333931"), QStringLiteral("1001")));
    frmPOS pos(env.ctx);
    pos.show();
    pos.activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == &pos);
    auto* item = pos.findChild<QLineEdit*>(QStringLiteral("txtItem"));
    item->setFocus();

    scan(QStringLiteral("4006381333931"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemNumber || 'x' || itemQuantity FROM tblPos")),
             QStringLiteral("1001x1"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks")), QStringLiteral("4"));

    // Scanned again: the Parts' refusal while the setting is off.
    scan(QStringLiteral("4006381333931"));
    QCOMPARE(env.lastMessage().text, QStringLiteral("Item listed already!"));
    scan(QStringLiteral("5901234123457"));
    QCOMPARE(env.lastMessage().text, QStringLiteral("No item has number or barcode 5901234123457"));

    QVERIFY(ShopOptions::setFlag(env.db, ShopOptions::ScanAddsOne, true));
    const int messages = static_cast<int>(env.messages.size());
    item->setFocus();
    scan(QStringLiteral("4006381333931"));
    scan(QStringLiteral("1001"));
    QCOMPARE(env.messages.size(), messages);
    QCOMPARE(env.scalar(QStringLiteral("SELECT itemQuantity || '|' || itemAmount FROM tblPos")),
             QStringLiteral("3|3.75"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Quantity || '|' || Amount FROM tblSold")), QStringLiteral("3|3.75"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemStocks || '|' || ItemAvailability FROM tblStocks")),
             QStringLiteral("2|Available"));
}

void tst_Catalog::labels_data()
{
    QTest::addColumn<LabelPaper>("paper");
    QTest::addColumn<QString>("copies");
    QTest::addColumn<int>("pages"); // 0: the copies are refused
    QTest::newRow("A4 sheet, 25 labels") << LabelPaper::A4Sheet << "5" << 2;
    QTest::newRow("label printer, one a page") << LabelPaper::LabelPrinter << "2" << 10;
    QTest::newRow("no copies") << LabelPaper::A4Sheet << "0" << 0;
    QTest::newRow("more than a thousand") << LabelPaper::A4Sheet << "1001" << 0;
    QTest::newRow("a word") << LabelPaper::A4Sheet << "five" << 0;
}

// Labels carry the name, the price as charged and a real symbol: zint's digits stand under it.
void tst_Catalog::labels()
{
    QFETCH(LabelPaper, paper);
    QFETCH(QString, copies);
    QFETCH(int, pages);
    const auto count = Labels::copies(copies);
    QCOMPARE(count.has_value(), pages > 0);
    if (!count)
        return;
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    TestEnv env;
    const QStringList numbers{"1001", "1002", "1003", "1004", "1005"};
    for (const QString& number : numbers)
        addItem(env, number, QStringLiteral("Item ") + number, QStringLiteral("1250.5"), 5);
    QVERIFY(addBarcode(env, QStringLiteral("4006381333931"), QStringLiteral("1001")));
    QVERIFY(addBarcode(env, QStringLiteral("96385074"), QStringLiteral("1002")));
    QVector<ShelfLabel> labels;
    QVERIFY(Labels::forItems(env.db, numbers, *count, labels));
    QCOMPARE(labels.size(), numbers.size() * *count);
    const QString pdf = env.dir() + QStringLiteral("/labels.pdf");
    QVERIFY(LabelSheet(labels, paper).exportPdf(pdf));
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))), qPrintable(info));
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (const char* shown : {"Item 1001", "1,250.50", "4", "006381", "333931", "9638", "5074", "1003"})
        QVERIFY2(text.contains(QLatin1String(shown)),
                 qPrintable(QLatin1String(shown) + QStringLiteral(" missing in ") + text));
    if (const QString dir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR"); !dir.isEmpty())
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-l"),
             QStringLiteral("1"), pdf, dir + QStringLiteral("/labels-") + QTest::currentDataTag()});
}

QTEST_MAIN(tst_Catalog)
#include "tst_catalog.moc"
