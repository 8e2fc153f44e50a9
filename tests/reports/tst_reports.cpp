#include "PreviewPrint.h"
#include "TestEnv.h"
#include "WidgetProbe.h"

#include "data/DataControl.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "reports/SalesQueries.h"
#include "reports/SalesReport.h"
#include "reports/frmPrint.h"
#include "reports/frmSales.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

namespace {

struct Sale
{
    QDate day;
    QString amountDue;
    QString time = QStringLiteral("9:15:00 AM");
    QString cashier = QStringLiteral("Maria");
};

void addSales(TestEnv& env, const QList<Sale>& sales)
{
    for (const Sale& s : sales) {
        env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue, Change, Cash, Cashier) "
                                "VALUES (?, ?, ?, '0.00', ?, ?)"),
                 {DateText(s.day), s.time, s.amountDue, s.amountDue, s.cashier});
    }
}

// Opens a calendar with its button and clicks a day in it, as a person would.
void pickDay(QWidget& w, const char* buttonName, const char* calendarName, const QDate& day)
{
    QTest::mouseClick(child<QPushButton>(w, buttonName), Qt::LeftButton);
    auto* calendar = child<QCalendarWidget>(w, calendarName);
    QVERIFY(calendar->isVisible());
    calendar->setSelectedDate(day);
    auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    QVERIFY(view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->currentIndex()).center());
    QVERIFY(!calendar->isVisible());
}

QString text(QWidget& w, const char* name)
{
    return child<QLineEdit>(w, name)->text();
}

QString lastNotification(TestEnv& env, QString* title = nullptr)
{
    if (title)
        *title = env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid DESC LIMIT 1"));
    return env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC LIMIT 1"));
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Answers the report preview by printing its pages to a PDF file, through the preview's own
// printer, and keeps the window title.
TestEnv::ModalHandler printToPdf(const QString& path, QString* title)
{
    return [path, title](QDialog& d) {
        if (const auto* preview = printPreviewTo(d, path))
            *title = preview->windowTitle();
        return 0;
    };
}

const QDate kDay(2026, 12, 8);

} // namespace

class tst_reports : public QObject
{
    Q_OBJECT

private slots:
    void dayKey_data();
    void dayKey();
    void spanUsesIndex_data();
    void spanUsesIndex();
    void sumInChunks();
    void dayPick_data();
    void dayPick();
    void save_data();
    void save();
    void saveTwiceAndEmptyDay();
    void saveFailure();
    void deleteSummary();
    void refresh();
    void printSettingsOpensPrint();
    void spans_data();
    void spans();
    void printByDate();
    void printAfterDayChange();
    void cutoffPrint();
    void printButtonsAcrossModeSwitch();
    void totalsNeverOverflowToZero_data();
    void totalsNeverOverflowToZero();
};

void tst_reports::dayKey_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("key");
    QTest::newRow("December") << "December 08, 2026"
                              << "2026-12-08";
    QTest::newRow("May") << "May 31, 2025"
                         << "2025-05-31";
    QTest::newRow("September") << "September 01, 2024"
                               << "2024-09-01";
    QTest::newRow("letter case") << "JANUARY 15, 2026"
                                 << "2026-01-15";
    QTest::newRow("unknown month") << "Smarch 01, 2026"
                                   << "";
    QTest::newRow("no day") << "December, 2026"
                            << "";
    QTest::newRow("not a date") << "yesterday"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_reports::dayKey()
{
    QFETCH(QString, stored);
    QFETCH(QString, key);
    TestEnv env;
    QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES (?)"), {stored}), 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT %1 FROM tblSales").arg(SalesDayKeySql())), key);
    // Every day text the program writes reads back as its own day.
    if (!key.isEmpty())
        QCOMPARE(SalesDayKey(QDate::fromString(key, Qt::ISODate)), key);
}

void tst_reports::spanUsesIndex_data()
{
    QTest::addColumn<QString>("sql");
    const QString key = SalesDayKeySql();
    QTest::newRow("span total") << QStringLiteral("SELECT AmountDue FROM tblSales WHERE %1 BETWEEN ? AND ?").arg(key);
    QTest::newRow("span rows by day")
        << QStringLiteral("SELECT rowid, * FROM tblSales WHERE (%1 BETWEEN ? AND ?) ORDER BY %1, rowid LIMIT 256")
               .arg(key);
}

void tst_reports::spanUsesIndex()
{
    QFETCH(QString, sql);
    if (TestEnv::onServer())
        QSKIP("reads the file's query plan; the server indexes the same day key (tst_data checks its statements)");
    TestEnv env;
    const Recordset plan = env.db.query(QStringLiteral("EXPLAIN QUERY PLAN ") + sql,
                                        {QStringLiteral("2026-01-01"), QStringLiteral("2026-12-31")});
    QStringList details;
    for (const auto& row : plan.rows())
        details << row.last().toString();
    const QString text = details.join(u' ');
    // A range search of the day index, already in day order: no scan, no sort.
    static const QRegularExpression search(QStringLiteral("SEARCH (TABLE )?tblSales USING INDEX idxSalesDay"));
    QVERIFY2(search.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("TEMP B-TREE")), qPrintable(text));
}

void tst_reports::sumInChunks()
{
    // 10,000 sales of 0.10: summed a chunk at a time, told the progress between chunks, exact.
    QVector<QVector<QVariant>> lines(10000, QVector<QVariant>{QStringLiteral("x"), QStringLiteral("0.10")});
    const Recordset rows(QStringList{QStringLiteral("Cashier"), QStringLiteral("AmountDue")}, lines);
    QVector<qint64> told;
    const QString total = SumAmountDue(rows, [&told](qint64 done, qint64 all) {
        told << done << all;
        return true;
    });
    QCOMPARE(told, (QVector<qint64>{4096, 10000, 8192, 10000}));
    QCOMPARE(total, SumAmountDue(rows));
    QCOMPARE(total, QStringLiteral("1000"));
    // Stopped: no total at all rather than the total of part of the rows.
    QVERIFY(SumAmountDue(rows, [](qint64, qint64) { return false; }).isNull());

    // A span's sales read from the database, added up and counted in one reading, told as well.
    TestEnv env;
    QVERIFY(env.db.begin());
    addSales(env, QList<Sale>(5000, Sale{QDate(2026, 12, 1), QStringLiteral("0.10")}));
    QVERIFY(env.db.commit());
    const QString from = DateText(QDate(2026, 11, 1)), to = DateText(QDate(2026, 12, 31));
    QVector<qint64> read;
    const auto span = SumSalesForRange(env.db, from, to, [&read](qint64 n) {
        read << n;
        return true;
    });
    QVERIFY(span);
    QCOMPARE(read, (QVector<qint64>{2048, 4096}));
    QCOMPARE(span->total, QStringLiteral("500"));
    QCOMPARE(span->total, SumSalesForRange(env.db, from, to));
    QCOMPARE(span->sales, 5000);
    QVERIFY(!SumSalesForRange(env.db, from, to, [](qint64) { return false; }));
}

void tst_reports::dayPick_data()
{
    QTest::addColumn<QStringList>("amounts"); // of the picked day
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("total");
    QTest::newRow("two sales") << QStringList{"250.00", "1000.50"} << "2"
                               << "1250.5";
    QTest::newRow("no sale shows 0") << QStringList{} << "0"
                                     << "0";
    QTest::newRow("thousands and a non-number") << QStringList{"1,251", "abc", "0.1", "0.2"} << "4"
                                                << "1251.3";
}

void tst_reports::dayPick()
{
    QFETCH(QStringList, amounts);
    QFETCH(QString, count);
    QFETCH(QString, total);
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    QList<Sale> sales{{kDay.addDays(-1), QStringLiteral("999.00")}, {kDay.addDays(1), QStringLiteral("5.00")}};
    for (const QString& a : amounts)
        sales << Sale{kDay, a};
    addSales(env, sales);

    frmSales w(env.ctx);
    w.show();
    auto* ledger = child<DataGrid>(w, "DataGrid2");
    QVERIFY(ledger->isColumnHidden(1));
    QCOMPARE(text(w, "Text1"), QString::number(sales.size()));

    // A day with sales first, so a day without them must not keep its total.
    pickDay(w, "lvButtons_H1", "Calendar1", kDay.addDays(-1));
    QCOMPARE(text(w, "txtSales"), QStringLiteral("999"));
    pickDay(w, "lvButtons_H1", "Calendar1", kDay);
    QCOMPARE(text(w, "txtSearch"), QStringLiteral("December 08, 2026"));
    QCOMPARE(text(w, "Text1"), count);
    QCOMPARE(text(w, "txtSales"), total);
    QCOMPARE(ledger->model()->rowCount(), amounts.size());
    QVERIFY(ledger->isColumnHidden(1));
}

void tst_reports::save_data()
{
    QTest::addColumn<bool>("pickDay");
    QTest::addColumn<int>("answer");
    QTest::newRow("no day") << false << int(QMessageBox::Yes);
    QTest::newRow("No") << true << int(QMessageBox::No);
    QTest::newRow("Yes") << true << int(QMessageBox::Yes);
}

void tst_reports::save()
{
    QFETCH(bool, pickDay);
    QFETCH(int, answer);
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("250.00")}, {kDay, QStringLiteral("1000.50")}, {kDay.addDays(1), "7"}});
    frmSales w(env.ctx);
    w.show();
    if (pickDay)
        ::pickDay(w, "lvButtons_H1", "Calendar1", kDay);
    env.answer(static_cast<QMessageBox::StandardButton>(answer));
    const int notes = env.count(QStringLiteral("tblNot"));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H3"), Qt::LeftButton);

    if (!pickDay) {
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(env.count(QStringLiteral("tblDaily")), 0);
        return;
    }
    QCOMPARE(env.messages.first().text, QStringLiteral("Save Sales report for December 08, 2026?"));
    QCOMPARE(env.messages.first().title, QStringLiteral("Confirm"));
    QCOMPARE(env.messages.first().icon, QMessageBox::Question);
    if (answer == QMessageBox::No) {
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.count(QStringLiteral("tblDaily")), 0);
        QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
        QCOMPARE(text(w, "txtSearch"), QStringLiteral("December 08, 2026"));
        return;
    }
    const Recordset row =
        env.db.query(QStringLiteral("SELECT BusinessDate, Sales, Transactions, TimeSave FROM tblDaily"));
    QCOMPARE(row.rowCount(), 1);
    QCOMPARE(row.text(QStringLiteral("BusinessDate")), QStringLiteral("December 08, 2026"));
    QCOMPARE(row.text(QStringLiteral("Sales")), QStringLiteral("1250.5"));
    QCOMPARE(row.text(QStringLiteral("Transactions")), QStringLiteral("2"));
    QVERIFY(
        QDateTime::fromString(row.text(QStringLiteral("TimeSave")), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(env.messages.size(), 2);
    QCOMPARE(env.messages.last().text, QStringLiteral("Report Saved!"));
    QCOMPARE(env.messages.last().title, QStringLiteral("Pemvix"));
    QString title;
    QCOMPARE(lastNotification(env, &title),
             QStringLiteral("Admin Saved Sales Report using frontdesk's domain!\r\n\r\nDETAILS:\r\nDate: December 08, "
                            "2026\r\nSales: 1250.5\r\nTransactions:2"));
    QCOMPARE(title, QStringLiteral("Sales Report Saved"));
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes + 1);
    // The day and its total are cleared; the ledger lists (and counts) every sale again.
    QCOMPARE(text(w, "txtSearch"), QString());
    QCOMPARE(text(w, "txtSales"), QString());
    QCOMPARE(text(w, "Text1"), QStringLiteral("3"));
    QCOMPARE(child<DataGrid>(w, "DataGrid1")->model()->rowCount(), 1);
    QCOMPARE(text(w, "Text4"), QStringLiteral("December 08, 2026"));
    QCOMPARE(text(w, "Text3"), QStringLiteral("1,250.50"));
    QCOMPARE(text(w, "Text2"), QStringLiteral("2"));
}

void tst_reports::saveTwiceAndEmptyDay()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("10")}});
    frmSales w(env.ctx);
    w.show();
    // A day saved before is saved again only when the user says to replace it, and then it has
    // one row with the new figures.
    const auto save = [&](std::initializer_list<QMessageBox::StandardButton> answers) {
        pickDay(w, "lvButtons_H1", "Calendar1", kDay);
        for (const QMessageBox::StandardButton answer : answers)
            env.answer(answer);
        QTest::mouseClick(child<QPushButton>(w, "lvButtons_H3"), Qt::LeftButton);
        return env.scalar(QStringLiteral("SELECT group_concat(Sales || '/' || Transactions) FROM tblDaily "
                                         "WHERE BusinessDate = ?"),
                          {DateText(kDay)});
    };
    QCOMPARE(save({QMessageBox::Yes}), QStringLiteral("10/1"));
    addSales(env, {{kDay, QStringLiteral("5")}});
    QCOMPARE(save({QMessageBox::Yes, QMessageBox::No}), QStringLiteral("10/1"));
    QVERIFY(env.messages.last().text.contains(QStringLiteral("was saved before")));
    QCOMPARE(env.messages.last().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(env.messages.last().defaultButton, QMessageBox::No);
    QCOMPARE(save({QMessageBox::Yes, QMessageBox::Yes}), QStringLiteral("15/2"));
    QCOMPARE(env.messages.last().text, QStringLiteral("Report Saved!"));
    QCOMPARE(child<DataGrid>(w, "DataGrid1")->model()->rowCount(), 1);

    // A day without sales, picked after one with sales, saves 0 and 0.
    pickDay(w, "lvButtons_H1", "Calendar1", kDay);
    pickDay(w, "lvButtons_H1", "Calendar1", kDay.addDays(3));
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.scalar(QStringLiteral("SELECT Sales || '/' || Transactions FROM tblDaily WHERE BusinessDate = ?"),
                        {DateText(kDay.addDays(3))}),
             QStringLiteral("0/0"));
}

void tst_reports::saveFailure()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("10")}});
    env.refuseWrites(QStringLiteral("refuse"), QStringLiteral("BEFORE INSERT ON tblDaily"),
                     QStringLiteral("disk full"));
    frmSales w(env.ctx);
    w.show();
    pickDay(w, "lvButtons_H1", "Calendar1", kDay);
    env.answer(QMessageBox::Yes);
    const int notes = env.count(QStringLiteral("tblNot"));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.count(QStringLiteral("tblDaily")), 0);
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
    QVERIFY(!env.messageTexts().contains(QStringLiteral("Report Saved!")));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(env.lastMessage().text.contains(QStringLiteral("was not saved")));
    // Nothing typed or picked is lost: the day can be saved again.
    QCOMPARE(text(w, "txtSearch"), DateText(kDay));
    QCOMPARE(text(w, "txtSales"), QStringLiteral("10"));
}

void tst_reports::deleteSummary()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("10")}});
    for (const char* day : {"December 01, 2026", "December 02, 2026"})
        env.exec(QStringLiteral("INSERT INTO tblDaily (BusinessDate, Sales, Transactions) VALUES (?, '5', '1')"),
                 {QString::fromLatin1(day)});
    const int notes = env.count(QStringLiteral("tblNot"));
    frmSales w(env.ctx);
    w.show();
    auto* grid = child<DataGrid>(w, "DataGrid1");
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
    QCOMPARE(text(w, "Text4"), QStringLiteral("December 02, 2026"));
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(BusinessDate) FROM tblDaily")),
             QStringLiteral("December 01, 2026"));
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(text(w, "Text4"), QStringLiteral("December 01, 2026"));
    QCOMPARE(env.count(QStringLiteral("tblSales")), 1);
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
    QVERIFY(env.messages.isEmpty());
    // The ledger accepts no deletion.
    auto* ledger = child<DataGrid>(w, "DataGrid2");
    ledger->setFocus();
    QTest::keyClick(ledger, Qt::Key_Delete);
    QCOMPARE(env.count(QStringLiteral("tblSales")), 1);
}

void tst_reports::refresh()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("10")}, {kDay.addDays(1), QStringLiteral("20")}});
    frmSales w(env.ctx);
    w.show();
    pickDay(w, "lvButtons_H1", "Calendar1", kDay);
    QCOMPARE(text(w, "Text1"), QStringLiteral("1"));
    addSales(env, {{kDay.addDays(2), QStringLiteral("30")}});
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(text(w, "txtSearch"), QString());
    QCOMPARE(text(w, "txtSales"), QString());
    QCOMPARE(text(w, "Text1"), QStringLiteral("3"));
    QCOMPARE(child<DataGrid>(w, "DataGrid2")->model()->rowCount(), 3);
    QVERIFY(!child<QCalendarWidget>(w, "Calendar1")->isVisible());
}

void tst_reports::printSettingsOpensPrint()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    frmSales w(env.ctx);
    QString caption;
    env.onModal([&caption](QDialog& d) {
        caption = d.windowTitle();
        return 0;
    });
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H4"), Qt::LeftButton);
    QCOMPARE(env.modalWindows, QStringList{QStringLiteral("frmPrint")});
    QCOMPARE(caption, QStringLiteral("Print"));
}

void tst_reports::spans_data()
{
    QTest::addColumn<QList<QDate>>("saleDays"); // one sale of 10 each
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("selected");
    const QList<QDate> turn{QDate(2026, 11, 30), QDate(2026, 12, 1), QDate(2026, 12, 2)};
    QTest::newRow("Nov 30 to Dec 01") << turn << QDate(2026, 11, 30) << QDate(2026, 12, 1) << 2;
    QTest::newRow("one day") << turn << QDate(2026, 12, 2) << QDate(2026, 12, 2) << 1;
    QTest::newRow("From after To") << turn << QDate(2026, 12, 2) << QDate(2026, 11, 30) << 0;
    QTest::newRow("year before is outside")
        << QList<QDate>{QDate(2025, 12, 15), QDate(2026, 12, 15), QDate(2026, 12, 31)} << QDate(2026, 12, 1)
        << QDate(2026, 12, 31) << 2;
    QTest::newRow("across the new year") << QList<QDate>{QDate(2025, 12, 31), QDate(2026, 1, 1), QDate(2026, 1, 2),
                                                         QDate(2026, 2, 1)}
                                         << QDate(2025, 12, 31) << QDate(2026, 1, 1) << 2;
    QTest::newRow("no sale shows 0") << turn << QDate(2027, 1, 1) << QDate(2027, 1, 31) << 0;
}

void tst_reports::spans()
{
    QFETCH(QList<QDate>, saleDays);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, selected);
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    QList<Sale> sales;
    for (const QDate& d : saleDays)
        sales << Sale{d, QStringLiteral("10")};
    addSales(env, sales);
    // A text that only looks like a day in December is in no span.
    env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate, AmountDue) VALUES ('Dec 05, 2026', '1000')"));

    frmPrint w(env.ctx);
    w.show();
    QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
    pickDay(w, "lvButtons_H4", "Calendar2", from);
    pickDay(w, "lvButtons_H5", "Calendar3", to);
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H6"), Qt::LeftButton);
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QString::number(selected));
    QCOMPARE(text(w, "Text3"), QString::number(selected * 10));
    QCOMPARE(child<DataGrid>(w, "DataGrid1")->model()->rowCount(), selected);
    QCOMPARE(child<QPushButton>(w, "lvButtons_H3")->isEnabled(), selected > 0);
    const Recordset rows = SelectSalesForRange(env.db, DateText(from), DateText(to));
    QCOMPARE(rows.rowCount(), selected);
    for (const auto& row : rows.rows()) {
        const QDate d = DateFromText(row.first().toString());
        QVERIFY(d >= from && d <= to);
    }
}

void tst_reports::printByDate()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("250.00"), QStringLiteral("9:01:02 AM"), QStringLiteral("Maria")},
                   {kDay, QStringLiteral("1000.50"), QStringLiteral("4:30:00 PM"), QStringLiteral("Jack's")},
                   {kDay.addDays(1), QStringLiteral("77.00")}});
    frmPrint w(env.ctx);
    w.show();
    auto* print = child<QPushButton>(w, "lvButtons_H1");
    QVERIFY(!print->isEnabled());
    pickDay(w, "lvButtons_H2", "Calendar1", kDay);
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H7"), Qt::LeftButton);
    QCOMPARE(text(w, "txtSales"), QStringLiteral("1250.5"));
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QStringLiteral("2"));
    QVERIFY(print->isEnabled());

    const QString pdf = env.dir() + QStringLiteral("/date.pdf");
    QString title;
    env.onModal(printToPdf(pdf, &title));
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(env.modalWindows, QStringList{QStringLiteral("reportPreview")});
    QCOMPARE(title, QStringLiteral("Zarel's Customized Sales Report"));
    QString note;
    QCOMPARE(
        lastNotification(env, &note),
        QStringLiteral("Admin accessed Sales Report by Date Print using frontdesk's domain!\r\n\r\nDETAILS:\r\nDate: "
                       "December 08, 2026\r\nSales: 1250.5"));
    QCOMPARE(note, QStringLiteral("Sales Report Date Print"));

    const QString t = pdfText(pdf);
    for (const char* expected :
         {"SALES REPORT", "Zarel's Customized Sales and Inventory System", "DATE", "TIME:", "AMOUNT DUE", "CASH",
          "CHANGE", "CASHIER", "TOLVENCO SYSTEM SOLUTION", "9:01:02 AM", "4:30:00 PM", "Jack's", "1000.50"})
        QVERIFY2(t.contains(QString::fromUtf8(expected)), expected);
    QCOMPARE(t.count(QStringLiteral("December 08, 2026")), 2);
    QVERIFY(!t.contains(QStringLiteral("77.00")));
    static const QRegularExpression footer(QStringLiteral("SALES:\\s+1,250\\.50"));
    QVERIFY2(footer.match(t).hasMatch(), qPrintable(t));
}

void tst_reports::printAfterDayChange()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("250.00")},
                   {kDay.addDays(1), QStringLiteral("4000.25")},
                   {kDay.addDays(1), QStringLiteral("1.00")}});
    frmPrint w(env.ctx);
    w.show();
    pickDay(w, "lvButtons_H2", "Calendar1", kDay);
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H7"), Qt::LeftButton);
    QCOMPARE(text(w, "txtSales"), QStringLiteral("250"));
    pickDay(w, "lvButtons_H2", "Calendar1", kDay.addDays(1));
    const QString pdf = env.dir() + QStringLiteral("/changed.pdf");
    QString title;
    env.onModal(printToPdf(pdf, &title));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H1"), Qt::LeftButton);
    // The report prints the new day's rows with their own total, never the preview's.
    const QString t = pdfText(pdf);
    QVERIFY(t.contains(QStringLiteral("4000.25")));
    QVERIFY(!t.contains(QStringLiteral("250.00")));
    static const QRegularExpression footer(QStringLiteral("SALES:\\s+4,001\\.25"));
    QVERIFY2(footer.match(t).hasMatch(), qPrintable(t));
    QCOMPARE(text(w, "txtSales"), QStringLiteral("4001.25"));
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QStringLiteral("2"));
}

void tst_reports::cutoffPrint()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{QDate(2026, 11, 30), QStringLiteral("5.00")},
                   {QDate(2026, 12, 1), QStringLiteral("1200.00")},
                   {QDate(2026, 12, 31), QStringLiteral("300.00")}});
    frmPrint w(env.ctx);
    w.show();
    QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
    pickDay(w, "lvButtons_H4", "Calendar2", QDate(2026, 12, 1));
    pickDay(w, "lvButtons_H5", "Calendar3", QDate(2026, 12, 31));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H6"), Qt::LeftButton);
    const QString pdf = env.dir() + QStringLiteral("/cutoff.pdf");
    QString title;
    env.onModal(printToPdf(pdf, &title));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H3"), Qt::LeftButton);
    QString note;
    QCOMPARE(lastNotification(env, &note),
             QStringLiteral("Admin accessed Sales Report by Cutoff Print using frontdesk's domain!\r\n\r\nDETAILS:\r\n"
                            "Date: FromDecember 01, 2026 - December 31, 2026\r\nSales: 1500"));
    QCOMPARE(note, QStringLiteral("Sales Report Cutoff Print"));
    const QString t = pdfText(pdf);
    QVERIFY(t.contains(QStringLiteral("December 01, 2026")) && t.contains(QStringLiteral("December 31, 2026")));
    QVERIFY(!t.contains(QStringLiteral("November 30, 2026")));
    static const QRegularExpression footer(QStringLiteral("SALES:\\s+1,500\\.00"));
    QVERIFY2(footer.match(t).hasMatch(), qPrintable(t));
}

void tst_reports::printButtonsAcrossModeSwitch()
{
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    addSales(env, {{kDay, QStringLiteral("10.00")}, {QDate(2026, 12, 20), QStringLiteral("20.00")}});
    frmPrint w(env.ctx);
    w.show();
    auto* byDate = child<QPushButton>(w, "lvButtons_H1");
    auto* byCutoff = child<QPushButton>(w, "lvButtons_H3");
    QVERIFY(child<QRadioButton>(w, "Option1")->isChecked());
    QVERIFY(!child<QGroupBox>(w, "Frame2")->isEnabled());
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QStringLiteral("0"));
    QVERIFY(!byDate->isEnabled() && !byCutoff->isEnabled());

    // Show with no day chosen selects nothing.
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H7"), Qt::LeftButton);
    QVERIFY(!byDate->isEnabled());

    pickDay(w, "lvButtons_H2", "Calendar1", kDay);
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H7"), Qt::LeftButton);
    QVERIFY(byDate->isEnabled() && !byCutoff->isEnabled());

    // The grid keeps the date preview, so the cut-off Print is usable at once; the date one is not.
    QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
    QVERIFY(!child<QGroupBox>(w, "Frame1")->isEnabled());
    QVERIFY(byCutoff->isEnabled());
    QVERIFY(!byDate->isEnabled());
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QStringLiteral("1"));

    // Without both days it prints nothing; with them it prints the span.
    QTest::mouseClick(byCutoff, Qt::LeftButton);
    QVERIFY(env.modalWindows.isEmpty());
    pickDay(w, "lvButtons_H4", "Calendar2", QDate(2026, 12, 1));
    pickDay(w, "lvButtons_H5", "Calendar3", QDate(2026, 12, 31));
    QTest::mouseClick(byCutoff, Qt::LeftButton);
    QCOMPARE(env.modalWindows, QStringList{QStringLiteral("reportPreview")});
    QCOMPARE(text(w, "Text3"), QStringLiteral("30"));
    QCOMPARE(child<QLabel>(w, "Label7")->text(), QStringLiteral("2"));

    // A span with no sale leaves nothing to print.
    pickDay(w, "lvButtons_H4", "Calendar2", QDate(2027, 1, 1));
    pickDay(w, "lvButtons_H5", "Calendar3", QDate(2027, 1, 2));
    QTest::mouseClick(child<QPushButton>(w, "lvButtons_H6"), Qt::LeftButton);
    QVERIFY(!byCutoff->isEnabled());
    QCOMPARE(text(w, "Text3"), QStringLiteral("0"));
}

void tst_reports::totalsNeverOverflowToZero_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<QString>("total");
    const QString huge = FormatNumber(1e308, NumberPattern::Plain2); // as an old sale may hold it
    QTest::newRow("cents") << QStringList{"3037.80", "0.10", "0.20"} << "3038.1";
    QTest::newRow("beyond any number") << QStringList{huge, "5.00", huge} << "Total too large";
}

// The ledger's day total, both totals of the print window and the printed footer are the sum
// of the sales, or say that it is too large, never 0; a day too large to add up is not saved.
void tst_reports::totalsNeverOverflowToZero()
{
    QFETCH(QStringList, amounts);
    QFETCH(QString, total);
    TestEnv env;
    env.setSession(QStringLiteral("Admin"), QStringLiteral("Administrator"));
    QList<Sale> sales;
    for (const QString& amount : amounts)
        sales << Sale{kDay, amount};
    addSales(env, sales);
    const bool tooLarge = total == QLatin1String("Total too large");

    frmSales ledger(env.ctx);
    ledger.show();
    pickDay(ledger, "lvButtons_H1", "Calendar1", kDay);
    QCOMPARE(text(ledger, "txtSales"), total);
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(ledger, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.count(QStringLiteral("tblDaily")), tooLarge ? 0 : 1);
    if (tooLarge) {
        QCOMPARE(env.messageTexts(),
                 QStringList{"The sales report for December 08, 2026 cannot be saved: the day's sales are too large "
                             "to add up."});
        QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    }

    frmPrint print(env.ctx);
    print.show();
    pickDay(print, "lvButtons_H2", "Calendar1", kDay);
    QTest::mouseClick(child<QPushButton>(print, "lvButtons_H7"), Qt::LeftButton);
    QCOMPARE(text(print, "txtSales"), total);
    QTest::mouseClick(child<QRadioButton>(print, "Option2"), Qt::LeftButton);
    pickDay(print, "lvButtons_H4", "Calendar2", kDay.addDays(-1));
    pickDay(print, "lvButtons_H5", "Calendar3", kDay.addDays(1));
    QTest::mouseClick(child<QPushButton>(print, "lvButtons_H6"), Qt::LeftButton);
    QCOMPARE(text(print, "Text3"), total);
    const BandedReport report = SalesReport(SelectSalesForDate(env.db, DateText(kDay)));
    QCOMPARE(report.caption(QStringLiteral("Label7")), FormatText(total, NumberPattern::Grouped2));
}

QTEST_MAIN(tst_reports)
#include "tst_reports.moc"
