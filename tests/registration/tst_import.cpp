// Items imported from a CSV file in the registration window, and lists exported to CSV files.
#include "TestEnv.h"

#include "catalog/Barcode.h"
#include "catalog/BarcodeStore.h"
#include "data/TextForms.h"
#include "registration/ItemImport.h"
#include "platform/Csv.h"
#include "registration/frmImport.h"
#include "registration/frmReg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The registration window of a signed-in administrator on a fresh database whose item counter
// stands at 41.
struct Fixture
{
    Fixture()
    {
        env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"), QStringLiteral("frontdesk"));
        env.exec(QStringLiteral("UPDATE tblMain SET ItemID = '41'"));
        w = std::make_unique<frmReg>(env.ctx);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // Every file dialog answers with the file named here.
        env.platform.setFileHook([this](const QString&, const QString&) { return chosenFile; });
    }

    template <class T = QPushButton> T* get(const char* name)
    {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no child %s", name);
        return c;
    }
    void click(const char* name) { QTest::mouseClick(get(name), Qt::LeftButton); }

    // Writes `bytes` to a file of the test folder and chooses it in the next file dialog.
    void chooseFile(const QByteArray& bytes, const QString& name = QStringLiteral("items.csv"))
    {
        chosenFile = env.dir() + QLatin1Char('/') + name;
        QFile file(chosenFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Opens the item list and imports the chosen file; the summary window is answered with
    // `answer` after `look` has seen it.
    void import(int answer, const std::function<void(frmImport&)>& look = {})
    {
        env.onModal([=](QDialog& d) {
            if (look)
                look(static_cast<frmImport&>(d));
            return answer;
        });
        click("cmdItem");
        click("cmdImport");
    }

    int items() { return env.count(QStringLiteral("tblStocks")); }
    QString counter() { return env.scalar(QStringLiteral("SELECT ItemID FROM tblMain")); }

    TestEnv env;
    std::unique_ptr<frmReg> w;
    QString chosenFile;
};

// What a summary window lists: "line name result why" per row.
QStringList summaryRows(frmImport& d)
{
    auto* table = d.findChild<QTableWidget*>(QStringLiteral("lstRows"));
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << QStringLiteral("%1 %2 %3: %4")
                    .arg(table->item(r, 0)->text(), table->item(r, 1)->text(), table->item(r, 2)->text(),
                         table->item(r, 3)->text());
    return rows;
}

const QByteArray kMixed = "Name;PRICE;Stocks;brand;Description\r\n"
                          "Soap;10;5;Lux;Bar soap\r\n"
                          ";5;1;B;D\r\n"
                          "Cola;abc;1;B;D\r\n"
                          "Drink;30;0;B;D\r\n"
                          "\"Tin; Can\";\"1,500.50\";-3;B;\"two\r\nlines\"\r\n"
                          "soap;11;2;B;D\r\n"
                          "Jar;5;many;B;D\r\n"
                          "Cup;5;3;;D\r\n"
                          "Pan;5;3;Tefal;\"Non-stick, 24 cm\";;\r\n"
                          "Pot;5;3;Tefal;Steel;extra\r\n";

} // namespace

class tst_Import : public QObject
{
    Q_OBJECT

private slots:
    void goodRefusedAndDuplicateRows_data();
    void goodRefusedAndDuplicateRows();
    void cancelWritesNothing();
    void pricesAsCharged_data();
    void pricesAsCharged();
    void cancelDuringLargeImportStoresNothing();
    void refusedFiles_data();
    void refusedFiles();
    void failureHalfwayLeavesNothing_data();
    void failureHalfwayLeavesNothing();
    void importThroughRealDialogs();
    void updatesAndBarcodes_data();
    void updatesAndBarcodes();
    void exportRoundTrips();
    void exportFailureIsTold();
    void screenshots();
};

void tst_Import::goodRefusedAndDuplicateRows_data()
{
    QTest::addColumn<bool>("handNumber");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("counter only") << false << QStringList{"42", "43", "44", "45", "46"};
    // A number given by hand in the list is passed over, as registration passes over it.
    QTest::newRow("number 44 in use") << true << QStringList{"42", "43", "45", "46", "47"};
}

void tst_Import::goodRefusedAndDuplicateRows()
{
    QFETCH(bool, handNumber);
    QFETCH(QStringList, numbers);
    Fixture f;
    f.env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks) "
                              "VALUES ('7', 'Drink', '25', 3)"));
    if (handNumber)
        f.env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks) "
                                  "VALUES ('44', 'Hand', '1', 1)"));
    const int before = f.items();
    f.chooseFile(kMixed);
    QString summary;
    QStringList rows;
    f.import(QDialog::Accepted, [&](frmImport& d) {
        summary = d.findChild<QLabel*>(QStringLiteral("lblSummary"))->text();
        rows = summaryRows(d);
    });

    QCOMPARE(summary, QStringLiteral("5 items will be registered, under Item Numbers from 42 on.\n"
                                     "5 rows are refused and will not be registered."));
    QCOMPARE(rows, (QStringList{
                       "3  Refused: Enter Item name",
                       "4 Cola Refused: Set Item price (\"abc\"): it is not a number",
                       "9 Jar Refused: Enter Available Stocks (\"many\")",
                       "10 Cup Refused: Enter brand!",
                       "12 Pot Refused: Cell 6 holds a value, but the header row names no column there",
                       "5 Drink Registered: Registered as well; Item Number 7 has the same name",
                       "8 soap Registered: Registered as well; line 2 has the same name",
                   }));

    // The accepted rows, in file order, under consecutive numbers from the counter; the
    // availability follows the stock.
    QCOMPARE(f.items(), before + 5);
    const Recordset stored =
        f.env.db.query(QStringLiteral("SELECT ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, ItemBrand, "
                                      "ItemAvailability FROM tblStocks WHERE rowid > ? ORDER BY rowid"),
                       {before});
    QStringList shown;
    for (const auto& row : stored.rows()) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << v.toString();
        shown << cells.join(QLatin1Char('|'));
    }
    QCOMPARE(shown, (QStringList{
                        numbers[0] + "|Soap|10|Bar soap|5|Lux|Available",
                        numbers[1] + "|Drink|30|D|0|B|Out of Stock",
                        numbers[2] + "|Tin; Can|1,500.50|two\r\nlines|-3|B|Out of Stock",
                        numbers[3] + "|soap|11|D|2|B|Available",
                        numbers[4] + "|Pan|5|Non-stick, 24 cm|3|Tefal|Available",
                    }));
    QCOMPARE(f.counter(), numbers.last());
    QCOMPARE(f.get<QLineEdit>("txtItem")->text(), QString::number(numbers.last().toInt() + 1));

    // One journal entry for the whole import, naming the file and the count.
    QCOMPARE(f.env.count(QStringLiteral("tblNot")), 1);
    QCOMPARE(f.env.scalar(QStringLiteral("SELECT RE FROM tblNot")), QStringLiteral("Items Imported"));
    const QString note = f.env.scalar(QStringLiteral("SELECT Notification FROM tblNot"));
    QVERIFY2(note.startsWith(QStringLiteral("Admin imported new items from a file using frontdesk's domain!")),
             qPrintable(note));
    QVERIFY2(note.contains(QStringLiteral("File: items.csv\r\nItems Registered: 5\r\nItem Numbers: %1 to %2\r\n"
                                          "Rows Refused: 5")
                               .arg(numbers.first(), numbers.last())),
             qPrintable(note));
    QCOMPARE(f.env.lastMessage().text, QStringLiteral("5 new item(s) have been Registered, Item Numbers %1 to %2.")
                                           .arg(numbers.first(), numbers.last()));
    // The list shows them.
    QCOMPARE(f.get<QLabel>("Label21")->text(), QString::number(before + 5));
}

void tst_Import::cancelWritesNothing()
{
    Fixture f;
    f.chooseFile(kMixed);
    f.import(QDialog::Rejected);
    QCOMPARE(f.env.modalWindows, QStringList{QStringLiteral("frmImport")});
    QCOMPARE(f.items(), 0);
    QCOMPARE(f.counter(), QStringLiteral("41"));
    QCOMPARE(f.env.count(QStringLiteral("tblNot")), 0);
}

void tst_Import::pricesAsCharged_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("price");
    QTest::addColumn<QString>("outcome"); // the price charged, or why the row is refused
    const QString comma = QStringLiteral("a separator is out of place: the decimal mark is \".\" and \",\" only groups "
                                         "thousands (1,250.00)");
    // A semicolon file from a spreadsheet that writes decimal commas, read where the comma groups.
    QTest::newRow("us 1,50") << "en_US" << QByteArray("1,50") << "refused: " + comma;
    QTest::newRow("us 2,5") << "en_US" << QByteArray("2,5") << "refused: " + comma;
    QTest::newRow("us 239,85") << "en_US" << QByteArray("239,85") << "refused: " + comma;
    QTest::newRow("us 12.500,00") << "en_US" << QByteArray("12.500,00") << "refused: " + comma;
    QTest::newRow("us 1,250.00") << "en_US" << QByteArray("\"1,250.00\"") << "1,250.00";
    QTest::newRow("us 12,500") << "en_US" << QByteArray("12,500") << "12,500.00";
    QTest::newRow("us word") << "en_US" << QByteArray("cheap") << "refused: it is not a number";
    // Where the comma is the decimal mark, it is read as one.
    QTest::newRow("de 1,50") << "de_DE" << QByteArray("1,50") << "1.50";
    QTest::newRow("de 2,5") << "de_DE" << QByteArray("2,5") << "2.50";
    QTest::newRow("de 239,85") << "de_DE" << QByteArray("239,85") << "239.85";
    QTest::newRow("de 12.500,00") << "de_DE" << QByteArray("12.500,00") << "12,500.00";
    QTest::newRow("de 1,250") << "de_DE" << QByteArray("1,250") << "refused: it could mean 1.25 or 1250";
}

// The plan of a one-item file: the row is refused with its reason, or planned at the price the
// till charges for it once stored.
void tst_Import::pricesAsCharged()
{
    QFETCH(QString, locale);
    QFETCH(QByteArray, price);
    QFETCH(QString, outcome);
    TestEnv env;
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const ItemImport::Plan plan = ItemImport::plan(env.db, "name;price;stocks\r\nSoap;" + price + ";4\r\n");
    QLocale::setDefault(saved);
    QVERIFY2(plan.error.isEmpty(), qPrintable(plan.error));
    QCOMPARE(plan.items.size() + plan.refused.size(), 1);
    if (!plan.refused.isEmpty()) {
        QCOMPARE(plan.refused.first().line, 2);
        QCOMPARE("refused: " + plan.refused.first().text.section(QStringLiteral("): "), 1), outcome);
        return;
    }
    const QVector<ItemImport::Shown> shown = ItemImport::firstItems(plan, 5);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(FormatNumber(shown.first().price, NumberPattern::Grouped2), outcome);
    // What is stored reads back, at the till, as the price shown.
    QStringList numbers;
    QString error;
    QVERIFY2(RegistrationData::registerItems(env.db, plan.items, &numbers, &error), qPrintable(error));
    const QString stored = env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks"));
    QCOMPARE(FormatNumber(PriceFromText(stored).value_or(-1), NumberPattern::Grouped2), outcome);
}

// A file of many rows is read and written in steps behind a progress window; Cancel pressed in
// it while the rows are written rolls the whole import back.
void tst_Import::cancelDuringLargeImportStoresNothing()
{
    Fixture f;
    constexpr int kRows = 150000;
    QByteArray bytes = "name,price,stocks\r\n";
    for (int i = 0; i < kRows; ++i)
        bytes += "Item " + QByteArray::number(i) + "," + QByteArray::number(i % 500) + ".25,3\r\n";
    f.chooseFile(bytes);
    QStringList labels;
    bool pressed = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (!progress || progress->objectName() != QLatin1String("workProgress") || !progress->isVisible())
                continue;
            if (!labels.contains(progress->labelText()))
                labels << progress->labelText();
            // Cancel is pressed once the window shows the writing half done.
            if (!pressed && progress->labelText().startsWith(QLatin1String("Registering")) &&
                progress->value() >= 500) {
                auto* cancel = progress->findChild<QPushButton*>();
                QVERIFY(cancel && cancel->isVisible());
                QTest::mouseClick(cancel, Qt::LeftButton);
                pressed = true;
            }
        }
    });
    watch.start();
    f.import(QDialog::Accepted);
    watch.stop();
    QVERIFY2(pressed, qPrintable(labels.join(QLatin1String(" | "))));
    QCOMPARE(f.env.modalWindows, QStringList{QStringLiteral("frmImport")});
    QCOMPARE(f.items(), 0);
    QCOMPARE(f.counter(), QStringLiteral("41"));
    QCOMPARE(f.env.count(QStringLiteral("tblNot")), 0);
    QCOMPARE(
        f.env.lastMessage().text,
        QStringLiteral("The items of items.csv were not imported. The import was canceled; nothing was registered."));
}

void tst_Import::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown column") << QByteArray("name,price,colour,size\nA,1,red,5\n")
                                    << "The header row names columns that items do not have: colour, size.";
    QTest::newRow("no price column") << QByteArray("name,brand\nA,B\n")
                                     << "The header row must name at least the columns name and price";
    QTest::newRow("column named twice") << QByteArray("name,Name,price\n")
                                        << "The column \"Name\" is named twice in the header row.";
    QTest::newRow("unclosed quote") << QByteArray("name,price\n\"A,1\n") << "Line 2 opens a quote";
    QTest::newRow("not UTF-8") << QByteArray("name,price\nCaf\xE9,1\n") << "The file is not UTF-8 text.";
    QTest::newRow("empty") << QByteArray("\xEF\xBB\xBF\r\n") << "The file is empty.";
}

void tst_Import::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    Fixture f;
    f.chooseFile(bytes);
    f.import(QDialog::Accepted);
    QVERIFY(f.env.modalWindows.isEmpty()); // no summary: the file as a whole is refused
    const MessageRecord shown = f.env.lastMessage();
    QVERIFY2(shown.text.startsWith(QStringLiteral("The items of items.csv were not imported.\n\n")),
             qPrintable(shown.text));
    QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(f.items(), 0);
    f.env.modalHandlers.clear();
}

void tst_Import::failureHalfwayLeavesNothing_data()
{
    // Real refusals by the database: the third item, or the journal entry after every item.
    QTest::addColumn<QString>("trigger");
    QTest::newRow("third item") << "CREATE TRIGGER refuse BEFORE INSERT ON tblStocks WHEN NEW.ItemName = 'Tin; Can' "
                                   "BEGIN SELECT RAISE(ABORT, 'no room for this item'); END";
    QTest::newRow("journal entry") << "CREATE TRIGGER refuse BEFORE INSERT ON tblNot "
                                      "BEGIN SELECT RAISE(ABORT, 'no room for this item'); END";
}

void tst_Import::failureHalfwayLeavesNothing()
{
    QFETCH(QString, trigger);
    Fixture f;
    f.env.exec(trigger);
    f.chooseFile(kMixed);
    f.import(QDialog::Accepted);
    const MessageRecord shown = f.env.lastMessage();
    QCOMPARE(shown.text, QStringLiteral("The items of items.csv were not imported. Nothing was registered."));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QVERIFY2(shown.details.contains(QStringLiteral("no room for this item")), qPrintable(shown.details));
    QCOMPARE(f.items(), 0);
    QCOMPARE(f.counter(), QStringLiteral("41"));
    QCOMPARE(f.env.count(QStringLiteral("tblNot")), 0);
    QVERIFY(!f.env.db.inTransaction());
    QCOMPARE(f.get<QLineEdit>("txtItem")->text(), QStringLiteral("42"));

    // The cause gone, the same file imports whole.
    f.env.exec(QStringLiteral("DROP TRIGGER refuse"));
    f.import(QDialog::Accepted);
    QCOMPARE(f.items(), 5);
    QCOMPARE(f.counter(), QStringLiteral("46"));
}

void tst_Import::importThroughRealDialogs()
{
    // The file dialog, the summary window and the message box as the user meets them.
    Fixture f;
    f.env.platform.setFileHook({});
    f.env.platform.setModalHook({});
    f.env.platform.setMessageHook({});
    f.chooseFile("name,price,stocks\nKettle,899.00,4\n\"Mug, blue\",45,0\n", QStringLiteral("kitchen.csv"));
    QStringList seen;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen << QStringLiteral("file dialog");
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(f.chosenFile);
            QTest::keyClick(name, Qt::Key_Return);
        } else if (modal->objectName() == u"frmImport") {
            seen << modal->findChild<QLabel*>(QStringLiteral("lblSummary"))->text();
            QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("cmdRegister")), Qt::LeftButton);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    driver.start();
    f.click("cmdItem");
    f.click("cmdImport");
    driver.stop();
    QCOMPARE(seen, (QStringList{"file dialog", "2 items will be registered, under Item Numbers from 42 on.",
                                "2 new item(s) have been Registered, Item Numbers 42 to 43."}));
    QStringList stored;
    const Recordset rows = f.env.db.query(
        QStringLiteral("SELECT ItemNumber, ItemName, ItemPrice, ItemAvailability FROM tblStocks ORDER BY rowid"));
    for (const auto& row : rows.rows())
        stored << row.at(0).toString() + QLatin1Char('|') + row.at(1).toString() + QLatin1Char('|') +
                      row.at(2).toString() + QLatin1Char('|') + row.at(3).toString();
    QCOMPARE(stored, (QStringList{"42|Kettle|899.00|Available", "43|Mug, blue|45|Out of Stock"}));
}

void tst_Import::updatesAndBarcodes_data()
{
    QTest::addColumn<QByteArray>("row"); // under "item number,barcode,name,price"
    QTest::addColumn<int>("added");
    QTest::addColumn<QString>("updated"); // the item the row updates
    QTest::addColumn<QString>("refused"); // why the row is refused
    QTest::newRow("by number") << QByteArray("7,,Milk 1L,1.30") << 0 << "7"
                               << "";
    QTest::newRow("by barcode") << QByteArray(",4006381333931,Milk 1L,1.30") << 0 << "7"
                                << "";
    QTest::newRow("by its UPC-A form") << QByteArray(",036000291452,Bread,2.10") << 0 << "8"
                                       << "";
    QTest::newRow("number and its own barcode") << QByteArray("7,4006381333931,Milk,1") << 0 << "7"
                                                << "";
    QTest::newRow("new, with a barcode") << QByteArray(",96385074,Tea,3") << 1 << ""
                                         << "";
    QTest::newRow("new, an unknown number") << QByteArray("99,,Tea,3") << 1 << ""
                                            << "";
    QTest::newRow("barcode on another item") << QByteArray("7,0036000291452,Milk,1") << 0 << ""
                                             << "Barcode 0036000291452 is on item 8, not on item 7";
    QTest::newRow("unknown number, known barcode")
        << QByteArray("99,4006381333931,Milk,1") << 0 << ""
        << "Item Number 99 is not registered, but barcode 4006381333931 is on item 7";
    QTest::newRow("check digit") << QByteArray(",4006381333932,Milk,1") << 0 << ""
                                 << "Barcode \"4006381333932\": " +
                                        Barcode::problemText(Barcode::Problem::BadCheckDigit);
    QTest::newRow("one barcode on two lines") << QByteArray(",96385074,Tea,3\r\n,96385074,Coffee,4") << 1 << ""
                                              << "Barcode 96385074 is on line 2 as well";
}

// A row names the item it updates by its number, else by a barcode; the others are new items.
void tst_Import::updatesAndBarcodes()
{
    QFETCH(QByteArray, row);
    QFETCH(int, added);
    QFETCH(QString, updated);
    QFETCH(QString, refused);
    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemBrand, "
                            "ItemStocks) VALUES ('7', 'Milk', '1.25', 'fresh', 'Dairy', '4'), ('8', 'Bread', '2', "
                            "'baked', 'Oven', '2')"));
    BarcodeStore barcodes(env.db);
    QVERIFY(barcodes.add(barcodes.check(QStringLiteral("4006381333931"), QStringLiteral("7")), QStringLiteral("7")));
    QVERIFY(barcodes.add(barcodes.check(QStringLiteral("0036000291452"), QStringLiteral("8")), QStringLiteral("8")));
    const ItemImport::Plan plan = ItemImport::plan(env.db, "item number,barcode,name,price\r\n" + row + "\r\n");
    QVERIFY2(plan.error.isEmpty(), qPrintable(plan.error));
    QCOMPARE(plan.items.size(), added);
    QCOMPARE(plan.updates.size(), updated.isEmpty() ? 0 : 1);
    QCOMPARE(plan.refused.isEmpty() ? QString() : plan.refused.first().text, refused);
    if (!updated.isEmpty()) {
        QCOMPARE(plan.updates.first().number, updated);
        // Columns the file lacks keep the item's own values.
        QCOMPARE(plan.updates.first().values.description,
                 updated == u"7" ? QStringLiteral("fresh") : QStringLiteral("baked"));
    }
    // Stored in one transaction: the plan's updates and barcodes, as planned, with the journal
    // entry that says so.
    QStringList numbers;
    QString error;
    QVERIFY2(ItemImport::apply(env.db, plan, QStringLiteral("items.csv"), QStringLiteral("Admin"),
                               QStringLiteral("frontdesk"), &numbers, &error),
             qPrintable(error));
    QVERIFY(!env.db.inTransaction());
    QCOMPARE(numbers.size(), added);
    QCOMPARE(env.count(QStringLiteral("tblStocks")), 2 + added);
    QVERIFY(env.scalar(QStringLiteral("SELECT Notification FROM tblNot"))
                .startsWith(QStringLiteral("Admin imported new items from a file using frontdesk's domain!\r\n\r\n"
                                           "DETAILS:\r\nFile: items.csv\r\nItems Registered: %1")
                                .arg(added)));
    if (!updated.isEmpty())
        QCOMPARE(env.scalar(QStringLiteral("SELECT ItemName || '|' || ItemPrice FROM tblStocks WHERE ItemNumber = ?"),
                            {updated}),
                 plan.updates.first().values.name + u'|' + plan.updates.first().values.price);
    QCOMPARE(env.count(QStringLiteral("tblBarcode")), 2 + (row.contains("96385074") ? 1 : 0));
}

void tst_Import::exportRoundTrips()
{
    Fixture f;
    // More rows than one page of the list, and values that need quoting.
    {
        Transaction tx(f.env.db);
        for (int i = 1; i <= 600; ++i)
            f.env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, "
                                      "ItemStocks, ItemBrand, ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                       {QString::number(i), QStringLiteral("Can %1").arg(i), QStringLiteral("1,250.50"),
                        QStringLiteral("12\" tall; \"steel\"\r\nsecond line"), i, QStringLiteral("=Brand"),
                        QStringLiteral("Available")});
        QVERIFY(tx.commit());
    }
    f.env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice) VALUES ('900', 'Soap', '3')"));
    f.click("cmdItem");
    QTest::keyClicks(f.get<QLineEdit>("txtSearch2"), QStringLiteral("can"));
    f.chosenFile = f.env.dir() + QStringLiteral("/cans.csv");
    f.click("cmdExport2");

    QFile file(f.chosenFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Csv::Table table = Csv::parse(file.readAll());
    QVERIFY2(table.ok(), qPrintable(table.error));
    QCOMPARE(table.records.size(), 601); // the heading and every matching row, fetched or not
    QCOMPARE(table.records.first().fields, (QStringList{"ItemNumber", "ItemName", "ItemPrice", "ItemDescription",
                                                        "ItemStocks", "ItemBrand", "ItemAvailability", "Barcodes"}));
    // A text a spreadsheet would run as a formula opens as text.
    QCOMPARE(table.records.at(600).fields,
             (QStringList{"600", "Can 600", "1,250.50", "12\" tall; \"steel\"\r\nsecond line", "600", "'=Brand",
                          "Available", ""}));

    // The export imports back as updates of the same items, none new; a price changed in the
    // file and a barcode added there are stored, every other value stays as it was.
    file.seek(0);
    QByteArray back = file.readAll();
    QVERIFY(back.replace("600,Can 600,\"1,250.50\"", "600,Can 600,99.95").contains("99.95"));
    back.replace("\r\n1,Can 1,", "\r\n1,Can One,");
    back.replace(",Available,\r\n2,", ",Available,036000291452\r\n2,");
    const QString before =
        f.env.scalar(QStringLiteral("SELECT group_concat(ItemDescription || ItemBrand || ItemStocks) "
                                    "FROM tblStocks"));
    f.chooseFile(back, QStringLiteral("back.csv"));
    QString planned;
    f.import(QDialog::Accepted, [&](frmImport& d) { planned = d.findChild<QLabel*>("lblSummary")->text(); });
    QVERIFY2(
        planned.startsWith(QStringLiteral("No new item will be registered.\n600 registered items will be updated")),
        qPrintable(planned));
    QCOMPARE(f.items(), 601);
    QCOMPARE(f.env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks WHERE ItemNumber = '600'")),
             QStringLiteral("99.95"));
    QCOMPARE(f.env.scalar(QStringLiteral("SELECT ItemName FROM tblStocks WHERE ItemNumber = '1'")),
             QStringLiteral("Can One"));
    QCOMPARE(f.env.scalar(QStringLiteral("SELECT ItemNumber FROM tblBarcode WHERE Barcode = '0036000291452'")),
             QStringLiteral("1"));
    QCOMPARE(
        f.env.scalar(QStringLiteral("SELECT group_concat(ItemDescription || ItemBrand || ItemStocks) FROM tblStocks")),
        before);
    QVERIFY(f.env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC LIMIT 1"))
                .contains(QStringLiteral("Items Updated: 600")));

    // The employee list never writes the passwords it does not show.
    f.env.exec(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Gender, Position, Registered, Password) "
                              "VALUES ('3', 'Ann  Cruz', 'Female', 'Cashier', 'May 01, 2026', 'secret-pw')"));
    f.click("lvButtons_H2");
    f.click("cmdClient");
    f.chosenFile = f.env.dir() + QStringLiteral("/employees.csv");
    f.click("cmdExport1");
    QFile employees(f.chosenFile);
    QVERIFY(employees.open(QIODevice::ReadOnly));
    const QByteArray written = employees.readAll();
    QVERIFY(!written.contains("secret-pw"));
    const Csv::Table staff = Csv::parse(written);
    QCOMPARE(staff.records.size(), 2);
    QVERIFY(!staff.records.first().fields.contains(QStringLiteral("Password")));
    QVERIFY(staff.records.at(1).fields.contains(QStringLiteral("Ann  Cruz")));
}

void tst_Import::exportFailureIsTold()
{
    Fixture f;
    f.click("cmdItem");
    f.chosenFile = f.env.dir() + QStringLiteral("/no such folder/items.csv");
    f.click("cmdExport2");
    const MessageRecord shown = f.env.lastMessage();
    QCOMPARE(shown.text, QStringLiteral("The list was not exported to %1.").arg(f.chosenFile));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QVERIFY(!shown.details.isEmpty());
}

void tst_Import::screenshots()
{
    // Pictures of the summary window and the item list with its buttons, when asked for.
    const QString dir = qEnvironmentVariable("PEMVIX_SHOT_DIR");
    if (dir.isEmpty())
        QSKIP("PEMVIX_SHOT_DIR not set");
    Fixture f;
    f.w->resize(1024 - 2, 768 - 40);
    f.chooseFile(kMixed);
    f.import(QDialog::Accepted, [&](frmImport& d) {
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(d.grab().save(dir + QStringLiteral("/frmImport.png")));
    });
    QVERIFY(f.w->grab().save(dir + QStringLiteral("/frmReg_items_import.png")));
}

QTEST_MAIN(tst_Import)
#include "tst_import.moc"
