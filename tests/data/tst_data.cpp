#include "ServerDoor.h"
#include "TestEnv.h"

#include "data/Backup.h"
#include "data/DataControl.h"
#include "data/Database.h"
#include "data/PgEngine.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "session/SessionLog.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

class tst_Data : public QObject
{
    Q_OBJECT

private slots:
    void numberFromText_data();
    void numberFromText();
    void columnNumber_data();
    void columnNumber();
    void typedPrice_data();
    void typedPrice();
    void patterns_data();
    void patterns();
    void plainNumber_data();
    void plainNumber();
    void dateAndTimeIgnoreLocale();
    void dataControlAppendUpdateDelete();
    void dataControlFilterIsLiteral_data();
    void dataControlFilterIsLiteral();
    void dataControlPagesLargeTables();
    void dataControlGathersFilteredPagesInSlices();
    void dataControlFindsFewRowsThroughTheIndex_data();
    void dataControlFindsFewRowsThroughTheIndex();
    void dataControlCountsManyRowsInSteps_data();
    void dataControlCountsManyRowsInSteps();
    void dataControlPageEndsInsideASlice_data();
    void dataControlPageEndsInsideASlice();
    void textComparisonIgnoresCase();
    void quotesAreOrdinaryCharacters();
    void wrongPasswordFails();
    void plainFileRefused();
    void missingFileNotCreated();
    void initRefusesExistingFileAndEncrypts();
    void transactionRollsBack();
    void backupRemovesOnlyItsLitter();
    void datedCopiesKeepTheLastTen();
    void shopDataIsNeverLost_data();
    void shopDataIsNeverLost();
    void exportTargetsRefused_data();
    void exportTargetsRefused();
    void logRowAfterRestore_data();
    void logRowAfterRestore();
    void deletedFileRefusesWrites_data();
    void deletedFileRefusesWrites();
    void serverStatements_data();
    void serverStatements();
    void serverTablesFollowTheFile();
    void starHidesTheServersRowid();
    void storedValuesReadBackAlike_data();
    void storedValuesReadBackAlike();
    void salesDayKeyAlike_data();
    void salesDayKeyAlike();
    void readsNestInsideRowFunctions();
    void manyStatementTextsStayBounded();
    void serverSchemaRefusesAFilledDatabase();
    void serverRefusesNulCharacters();
    void lostConnectionFailsTheWholeSale();
    void serverFoundAgain_data();
    void serverFoundAgain();
};

void tst_Data::numberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("plain") << "45" << 45.0;
    QTest::newRow("decimal") << "12.5" << 12.5;
    QTest::newRow("trailing letters") << "12abc" << 12.0;
    QTest::newRow("thousands stop") << "1,500" << 1.0;
    QTest::newRow("blanks inside") << " 1 2\t3\n" << 123.0;
    QTest::newRow("negative") << "-7" << -7.0;
    QTest::newRow("plus") << "+7.25" << 7.25;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("exponent E") << "1.5E2" << 150.0;
    QTest::newRow("exponent D") << "2d3" << 2000.0;
    QTest::newRow("exponent negative") << "25e-1" << 2.5;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("hex") << "&HFF" << 255.0;
    QTest::newRow("hex lower") << "&hff" << 255.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("slash") << "1/2" << 1.0;
    QTest::newRow("lone slash") << "/" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("overflow") << "1e99999" << 0.0;
    QTest::newRow("carriage return stops") << "12\r3" << 12.0;
}

void tst_Data::numberFromText()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(NumberFromText(text), expected);
}

void tst_Data::columnNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "100" << true << 100.0;
    QTest::newRow("separator") << "1,251" << true << 1251.0;
    QTest::newRow("grouped decimals") << "1,234.50" << true << 1234.5;
    QTest::newRow("blanks") << " 49 " << true << 49.0;
    QTest::newRow("negative") << "-3.5" << true << -3.5;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("word") << "abc" << false << 0.0;
    QTest::newRow("trailing letters") << "12abc" << false << 0.0;
    QTest::newRow("separator in fraction") << "1.2,3" << false << 0.0;
    QTest::newRow("leading separator") << ",5" << false << 0.0;
    QTest::newRow("decimal comma") << "12,50" << false << 0.0;
    QTest::newRow("long group") << "1,2345" << false << 0.0;
    QTest::newRow("group led by 0") << "0,125" << false << 0.0;
}

void tst_Data::columnNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, expected);
    const auto value = ColumnNumber(text);
    QCOMPARE(value.has_value(), ok);
    if (ok)
        QCOMPARE(*value, expected);
}

void tst_Data::typedPrice_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected"); // -1: refused
    QTest::addColumn<QString>("why");     // a part of the reason given when refused
    const QString misplaced = QStringLiteral("separator is out of place");
    QTest::newRow("us 12,50") << "en_US"
                              << "12,50" << -1.0 << misplaced;
    QTest::newRow("us 1,50") << "en_US"
                             << "1,50" << -1.0 << misplaced;
    QTest::newRow("us 2,5") << "en_US"
                            << "2,5" << -1.0 << misplaced;
    QTest::newRow("us 239,85") << "en_US"
                               << "239,85" << -1.0 << misplaced;
    QTest::newRow("us 12.500,00") << "en_US"
                                  << "12.500,00" << -1.0 << misplaced;
    QTest::newRow("us 1,2,3") << "en_US"
                              << "1,2,3" << -1.0 << misplaced;
    QTest::newRow("us 1,250.00") << "en_US"
                                 << "1,250.00" << 1250.0 << QString();
    QTest::newRow("us 12,500") << "en_US"
                               << "12,500" << 12500.0 << QString();
    QTest::newRow("us 1,234,567.5") << "en_US"
                                    << "1,234,567.5" << 1234567.5 << QString();
    QTest::newRow("us blanks") << "en_US"
                               << " 12.50 " << 12.5 << QString();
    QTest::newRow("us word") << "en_US"
                             << "12abc" << -1.0 << "not a number";
    QTest::newRow("us empty") << "en_US"
                              << "" << -1.0 << "empty";
    QTest::newRow("us negative") << "en_US"
                                 << "-5" << -1.0 << "0 or more";
    QTest::newRow("us too dear") << "en_US"
                                 << "1,000,000,000" << -1.0 << "below 1,000,000,000";
    QTest::newRow("de 12,50") << "de_DE"
                              << "12,50" << 12.5 << QString();
    QTest::newRow("de 1,50") << "de_DE"
                             << "1,50" << 1.5 << QString();
    QTest::newRow("de 2,5") << "de_DE"
                            << "2,5" << 2.5 << QString();
    QTest::newRow("de 239,85") << "de_DE"
                               << "239,85" << 239.85 << QString();
    QTest::newRow("de 12.500,00") << "de_DE"
                                  << "12.500,00" << 12500.0 << QString();
    QTest::newRow("de 0,125") << "de_DE"
                              << "0,125" << 0.125 << QString();
    // What the program shows ("12.5") reads as shown; a text both forms read differently is refused.
    QTest::newRow("de program form") << "de_DE"
                                     << "12.5" << 12.5 << QString();
    QTest::newRow("de 1,250") << "de_DE"
                              << "1,250" << -1.0 << "could mean 1.25 or 1250";
    QTest::newRow("de 1.250") << "de_DE"
                              << "1.250" << -1.0 << "could mean 1250 or 1.25";
    QTest::newRow("de 12,5,0") << "de_DE"
                               << "12,5,0" << -1.0 << misplaced;
    QTest::newRow("fr 1 250,50") << "fr_FR"
                                 << "1 250,50" << 1250.5 << QString();
}

void tst_Data::typedPrice()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    QFETCH(QString, why);
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const TypedReading reading = ReadTypedPrice(text);
    QLocale::setDefault(saved);
    QCOMPARE(reading.value.value_or(-1), expected);
    QVERIFY2(reading.why.contains(why), qPrintable(reading.why));
    if (reading.value) // stored in the program's own form, which reads back as the same price
        QCOMPARE(PriceFromText(StoredNumberText(text, *reading.value)), reading.value);
}

void tst_Data::patterns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QString>("expected");
    const int g2 = int(NumberPattern::Grouped2), g0 = int(NumberPattern::Grouped0), p2 = int(NumberPattern::Plain2);
    QTest::newRow("total") << "1234.5" << g2 << "1,234.50";
    QTest::newRow("already formatted") << "1,234.50" << g2 << "1,234.50";
    QTest::newRow("zero") << "0" << g2 << "0.00";
    QTest::newRow("millions") << "1234567.891" << g2 << "1,234,567.89";
    QTest::newRow("half up 2dp") << "2.675" << g2 << "2.68";
    QTest::newRow("half up 0dp") << "1250.5" << g0 << "1,251";
    QTest::newRow("half below") << "1250.49" << g0 << "1,250";
    QTest::newRow("negative half away") << "-2.5" << g0 << "-3";
    QTest::newRow("carry") << "999.995" << g2 << "1,000.00";
    QTest::newRow("plain no separator") << "1234.5" << p2 << "1234.50";
    QTest::newRow("plain small") << "0.125" << p2 << "0.13";
    QTest::newRow("negative tiny is zero") << "-0.001" << p2 << "0.00";
    QTest::newRow("empty stays empty") << "" << g2 << "";
    QTest::newRow("word unchanged") << "Out of Stock" << g0 << "Out of Stock";
}

void tst_Data::patterns()
{
    QFETCH(QString, text);
    QFETCH(int, pattern);
    QFETCH(QString, expected);
    QCOMPARE(FormatText(text, NumberPattern(pattern)), expected);
}

void tst_Data::plainNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sum") << (250.00 + 1000.50) << "1250.5";
    QTest::newRow("binary noise") << (0.1 + 0.2) << "0.3";
    QTest::newRow("whole") << 45.0 << "45";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("minus zero") << -0.0 << "0";
    QTest::newRow("negative") << -12.5 << "-12.5";
    QTest::newRow("large") << 123456789012.0 << "123456789012";
    QTest::newRow("arithmetic noise") << (0.1 + 0.2 - 0.3) << "0";
    QTest::newRow("small") << 0.000125 << "0.000125";
    QTest::newRow("fifteen digits") << 1234.56789012345678 << "1234.56789012346";
}

void tst_Data::plainNumber()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(PlainNumber(value), expected);
}

void tst_Data::dateAndTimeIgnoreLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(DateText(QDate(2011, 3, 5)), QStringLiteral("March 05, 2011"));
    QCOMPARE(TimeText(QTime(14, 5, 7)), QStringLiteral("2:05:07 PM"));
    QCOMPARE(TimeText(QTime(0, 0, 9)), QStringLiteral("12:00:09 AM"));
    QCOMPARE(DateFromText(QStringLiteral("December 01, 2026")), QDate(2026, 12, 1));
    QVERIFY(!DateFromText(QStringLiteral("Dezember 01, 2026")).isValid());
    QLocale::setDefault(saved);
}

void tst_Data::dataControlAppendUpdateDelete()
{
    TestEnv env;
    DataControl ctl(env.db);
    QAbstractItemModelTester tester(&ctl, QAbstractItemModelTester::FailureReportingMode::QtTest);
    ctl.setRecordSource(QStringLiteral("Select * from tblNot"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.totalRowCount(), 0);
    QCOMPARE(ctl.currentRow(), -1);
    QCOMPARE(ctl.columnNames(), (QStringList{"NoteDate", "NoteTime", "RE", "Notification"}));

    for (int i = 0; i < 3; ++i) {
        ctl.AddNew();
        ctl.setField(QStringLiteral("RE"), QStringLiteral("Title %1").arg(i));
        ctl.setField(QStringLiteral("NoteDate"), QStringLiteral("December 09, 2026"));
        QVERIFY(ctl.Update());
    }
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.totalRowCount(), 3);
    QCOMPARE(ctl.currentRow(), 0);
    QCOMPARE(ctl.fieldText(QStringLiteral("RE")), QStringLiteral("Title 0"));

    ctl.setCurrentRow(1);
    ctl.setField(QStringLiteral("RE"), QStringLiteral("Changed"));
    QVERIFY(ctl.Update());
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblNot WHERE RE = 'Changed'")), QStringLiteral("1"));

    // Deleting the current row deletes that row only, even when others share its values.
    QVERIFY(ctl.Delete());
    QCOMPARE(env.count(QStringLiteral("tblNot")), 2);
    QCOMPARE(ctl.totalRowCount(), 2);
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblNot WHERE RE = 'Changed'")), QStringLiteral("0"));

    // In-place edits only where allowed.
    const QModelIndex cell = ctl.index(0, 2);
    QVERIFY(!ctl.setData(cell, QStringLiteral("edited")));
    ctl.setEditable(true);
    ctl.setReadOnlyColumn(0);
    QVERIFY(!ctl.setData(ctl.index(0, 0), QStringLiteral("x")));
    QVERIFY(ctl.setData(cell, QStringLiteral("edited")));
    QCOMPARE(env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid LIMIT 1")), QStringLiteral("edited"));

    // Without a current row nothing is deleted.
    ctl.setFilter(QStringLiteral("RE"), QStringLiteral("no such"));
    QCOMPARE(ctl.currentRow(), -1);
    QVERIFY(!ctl.Delete());
    QCOMPARE(env.count(QStringLiteral("tblNot")), 2);
}

void tst_Data::dataControlFilterIsLiteral_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("contains") << "in" << QStringList{"Drink", "Tin Can"};
    QTest::newRow("letter case") << "DRINK" << QStringList{"Drink"};
    QTest::newRow("quote") << "'" << QStringList{"Jack's"};
    QTest::newRow("percent") << "%" << QStringList{"100% Juice"};
    QTest::newRow("underscore") << "_" << QStringList{"snake_case"};
    QTest::newRow("injection") << "' or ''='" << QStringList{};
    QTest::newRow("backslash") << "\\" << QStringList{};
    QTest::newRow("empty clears") << "" << QStringList{"Drink", "Tin Can", "Jack's", "100% Juice", "snake_case"};
}

void tst_Data::dataControlFilterIsLiteral()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    TestEnv env;
    for (const char* name : {"Drink", "Tin Can", "Jack's", "100% Juice", "snake_case"})
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemName) VALUES (?)"), {QString::fromUtf8(name)});
    DataControl ctl(env.db);
    QAbstractItemModelTester tester(&ctl, QAbstractItemModelTester::FailureReportingMode::QtTest);
    ctl.setRecordSource(QStringLiteral("select * from tblStocks"));
    QVERIFY(ctl.Refresh());
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), filter));
    QStringList names;
    for (int r = 0; r < ctl.rowCount(); ++r)
        names << ctl.value(r, QStringLiteral("ItemName")).toString();
    QCOMPARE(names, expected);
    QCOMPARE(ctl.totalRowCount(), int(expected.size()));
}

void tst_Data::dataControlPagesLargeTables()
{
    TestEnv env;
    QVERIFY(env.db.begin());
    for (int i = 0; i < 1000; ++i)
        env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, ItemName) VALUES (?, ?)"),
                 {i, QStringLiteral("item %1").arg(i)});
    QVERIFY(env.db.commit());
    for (const QString& source : {QStringLiteral("Select * from tblSold"),
                                  QStringLiteral("select ItemName from tblSold order by ItemName desc")}) {
        // (No model tester here: it fetches more rows itself, which would defeat the paging check.)
        DataControl ctl(env.db);
        ctl.setRecordSource(source);
        QVERIFY(ctl.Refresh());
        QCOMPARE(ctl.rowCount(), DataControl::kPageSize);
        QCOMPARE(ctl.totalRowCount(), 1000);
        ctl.setCurrentRow(700); // fetches what it needs
        QCOMPARE(ctl.currentRow(), 700);
        while (ctl.canFetchMore())
            ctl.fetchMore();
        QCOMPARE(ctl.rowCount(), 1000);
        QSet<qint64> ids;
        for (int r = 0; r < ctl.rowCount(); ++r)
            ids.insert(ctl.rowId(r));
        QCOMPARE(ids.size(), 1000);
    }
}

void tst_Data::dataControlPageEndsInsideASlice_data()
{
    QTest::addColumn<QString>("filter");
    QTest::newRow("every line") << QStringLiteral("a");
    QTest::newRow("every other line") << QStringLiteral("cola");
    QTest::newRow("one line, past the dense rows") << QStringLiteral("Bread 3001");
    QTest::newRow("none") << QStringLiteral("milk");
}

// Dense rowids, where one slice of rowids holds many pages of matches: a page ends on its last
// row inside the slice, and the count and the next pages go on from that row, so the rows
// listed and counted are exactly those of the plain LIKE, in rowid order.
void tst_Data::dataControlPageEndsInsideASlice()
{
    QFETCH(QString, filter);
    TestEnv env;
    QVERIFY(env.db.begin());
    for (int i = 1; i <= 3000; ++i)
        env.exec(QStringLiteral("INSERT INTO tblSold (rowid, TransactionID, ItemName) VALUES (?, ?, ?)"),
                 {i, i, (i % 2 ? QStringLiteral("Bread %1") : QStringLiteral("Cola %1")).arg(i)});
    env.exec(
        QStringLiteral("INSERT INTO tblSold (rowid, TransactionID, ItemName) VALUES (100000, 3001, 'Bread 3001')"));
    QVERIFY(env.db.commit());
    const Recordset r = env.db.query(QStringLiteral("SELECT rowid FROM tblSold WHERE ItemName LIKE ? ORDER BY rowid"),
                                     {u'%' + filter + u'%'});
    QVector<qint64> matching;
    for (const QVariantList& row : r.rows())
        matching << row.first().toLongLong();
    DataControl ctl(env.db);
    ctl.setRecordSource(QStringLiteral("Select * from tblSold"));
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), filter));
    QTRY_VERIFY(!ctl.isFilling());
    const int page = std::min<int>(DataControl::kPageSize, int(matching.size()));
    QCOMPARE(ctl.rowCount(), page);
    while (!ctl.countStep(5)) {
    }
    QCOMPARE(ctl.knownRowCount(), int(matching.size()));
    if (!matching.isEmpty()) {
        ctl.setCurrentRow(int(matching.size()) - 1);
        QCOMPARE(ctl.currentRow(), int(matching.size()) - 1);
    }
    QVector<qint64> shown;
    for (int row = 0; row < ctl.rowCount(); ++row)
        shown << ctl.rowId(row);
    QCOMPARE(shown, matching);
    QVERIFY(!ctl.canFetchMore());
}

void tst_Data::dataControlGathersFilteredPagesInSlices()
{
    // 1,200 lines spread over rowids up to 600,000: a filtered list of them is gathered in
    // slices between events. A step of 0 ms reads one slice of 1,024 rowids (two lines) a step.
    TestEnv env;
    QVERIFY(env.db.begin());
    for (int i = 1; i <= 1200; ++i)
        env.exec(QStringLiteral("INSERT INTO tblSold (rowid, TransactionID, ItemName) VALUES (?, ?, ?)"),
                 {i * 500, i, (i % 2 ? QStringLiteral("Bread %1") : QStringLiteral("Cola %1")).arg(i)});
    QVERIFY(env.db.commit());
    auto matching = [&env](const QString& text) {
        QVector<qint64> ids;
        const Recordset r =
            env.db.query(QStringLiteral("SELECT rowid FROM tblSold WHERE ItemName LIKE ? ORDER BY rowid"),
                         {QLatin1Char('%') + text + QLatin1Char('%')});
        for (const QVariantList& row : r.rows())
            ids << row.first().toLongLong();
        return ids;
    };
    auto shown = [](const DataControl& ctl) {
        QVector<qint64> ids;
        for (int r = 0; r < ctl.rowCount(); ++r)
            ids << ctl.rowId(r);
        return ids;
    };
    DataControl ctl(env.db);
    ctl.setFillStepMs(0);
    ctl.setRecordSource(QStringLiteral("Select * from tblSold"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.rowCount(), DataControl::kPageSize); // no filter: an ordinary page at once
    // The count of the whole table is the one the database keeps, known at once on either engine.
    QCOMPARE(ctl.knownRowCount(), 1200);
    // (The model tester fetches more on a reset before it counts the reset as finished, which
    // only the filtered resets, whose pages come by themselves, leave alone: it watches those.)
    auto tester =
        std::make_unique<QAbstractItemModelTester>(&ctl, QAbstractItemModelTester::FailureReportingMode::QtTest);

    // A new filter mid-fill abandons the old one: only the new one's rows arrive.
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), QStringLiteral("cola")));
    QVERIFY(ctl.isFilling());
    QVERIFY(!ctl.canFetchMore());
    QCOMPARE(ctl.knownRowCount(), -1); // a half-gathered page is not the count
    QVERIFY(ctl.rowCount() < 10);
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), QStringLiteral("Bread 7")));
    QTRY_VERIFY(!ctl.isFilling());
    QCOMPARE(shown(ctl), matching(QStringLiteral("Bread 7")));
    QCOMPARE(ctl.knownRowCount(), int(matching(QStringLiteral("Bread 7")).size()));
    QCOMPARE(ctl.currentRow(), 0);

    // A page of matches, in rowid order; the count goes on from where the page stopped.
    const QVector<qint64> cola = matching(QStringLiteral("cola"));
    QCOMPARE(cola.size(), 600);
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), QStringLiteral("COLA")));
    QTRY_VERIFY(!ctl.isFilling());
    QVERIFY(ctl.rowCount() >= DataControl::kPageSize && ctl.rowCount() < 300);
    QCOMPARE(shown(ctl), cola.mid(0, ctl.rowCount()));
    QVERIFY(ctl.canFetchMore());
    while (!ctl.countStep(5)) {
    }
    QCOMPARE(ctl.knownRowCount(), 600);
    ctl.fetchMore(); // the next page, gathered between events too
    QVERIFY(ctl.isFilling());
    QTRY_VERIFY(!ctl.isFilling());
    QCOMPARE(shown(ctl), cola.mid(0, ctl.rowCount()));
    ctl.setCurrentRow(599); // a row asked for by number is fetched at once
    QCOMPARE(ctl.currentRow(), 599);
    QCOMPARE(shown(ctl), cola);
    QVERIFY(!ctl.canFetchMore());

    // A refresh mid-fill lists every line again, and nothing of the old fill arrives after.
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), QStringLiteral("Bread")));
    QVERIFY(ctl.isFilling());
    tester.reset();
    QVERIFY(ctl.Refresh());
    QVERIFY(!ctl.isFilling());
    QTest::qWait(20);
    QCOMPARE(ctl.rowCount(), DataControl::kPageSize);
    QCOMPARE(ctl.rowId(0), 500);
    QCOMPARE(ctl.totalRowCount(), 1200);
}

void tst_Data::dataControlFindsFewRowsThroughTheIndex_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("indexed"); // a server finds these through the trigram index
    QTest::newRow("a page and more of a rare name") << QStringLiteral("seaside") << true;
    QTest::newRow("accent, other letter case") << QStringLiteral("CAFÉ CRÈME") << false;
    QTest::newRow("quote") << QStringLiteral("jack's") << true;
    QTest::newRow("one line") << QStringLiteral("seaside butter 6000 #") << true;
    QTest::newRow("none") << QStringLiteral("nowhere") << true;
    QTest::newRow("percent") << QStringLiteral("100%") << false;
    QTest::newRow("underscore") << QStringLiteral("snake_c") << false;
    QTest::newRow("backslash") << QStringLiteral("\\n") << false;
    QTest::newRow("most lines") << QStringLiteral("bread") << false;
}

// A search that few of many lines pass is answered from the server's trigram index at once, with
// its count; whichever way a list finds its rows, they are exactly those of the plain LIKE, in
// rowid order, page after page.
void tst_Data::dataControlFindsFewRowsThroughTheIndex()
{
    QFETCH(QString, filter);
    QFETCH(bool, indexed);
    TestEnv env;
    // 100,000 lines, one in a hundred of three rare kinds (a third of them more than a page).
    QVERIFY(env.db.executeScript(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "INSERT INTO tblSold (rowid, TransactionID, ItemName) SELECT i * 10, i, CASE WHEN i % 100 <> 0 THEN "
        "'Bread ' || i WHEN i / 100 % 3 = 0 THEN 'Seaside Butter ' || i || ' #' WHEN i / 100 % 3 = 1 THEN "
        "'Café Crème ' || i ELSE 'Jack''s 100% snake_case \\n ' || i END FROM n")));
    QVERIFY(env.db.executeScript(QStringLiteral("ANALYZE tblSold")));
    QString pattern;
    for (const QChar c : filter)
        pattern += (c == u'%' || c == u'_' || c == u'\\' ? QStringLiteral("\\") : QString()) + c;
    QVector<qint64> matching;
    const Recordset r = env.db.query(QStringLiteral("SELECT rowid FROM tblSold WHERE %1 ORDER BY rowid")
                                         .arg(env.db.containsSql(QStringLiteral("ItemName"))),
                                     {QLatin1Char('%') + pattern + QLatin1Char('%')});
    for (const QVariantList& row : r.rows())
        matching << row.first().toLongLong();
    DataControl ctl(env.db);
    ctl.setRecordSource(QStringLiteral("Select * from tblSold"));
    QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), filter));
    QTRY_VERIFY(!ctl.isFilling());
    QCOMPARE(ctl.rowCount(), std::min<int>(DataControl::kPageSize, int(matching.size())));
    if (indexed && env.db.isServer())
        QCOMPARE(ctl.knownRowCount(), int(matching.size())); // counted with the page, not in steps
    while (!ctl.countStep(5)) {
    }
    QCOMPARE(ctl.knownRowCount(), int(matching.size()));
    while (ctl.canFetchMore() || ctl.isFilling()) {
        if (!ctl.isFilling())
            ctl.fetchMore();
        QTest::qWait(1);
    }
    QVector<qint64> shown;
    for (int row = 0; row < ctl.rowCount(); ++row)
        shown << ctl.rowId(row);
    QCOMPARE(shown, matching);
}

void tst_Data::dataControlCountsManyRowsInSteps_data()
{
    QTest::addColumn<int>("below");
    QTest::addColumn<bool>("inSteps"); // on a server
    QTest::newRow("most lines") << 90000 << true;
    QTest::newRow("a page and more") << 400 << false;
    QTest::newRow("none") << 0 << false;
}

// A condition of the record source (a stock watch) is counted at once through its index, unless a
// server expects many rows: those are counted in steps between events, to the same count.
void tst_Data::dataControlCountsManyRowsInSteps()
{
    QFETCH(int, below);
    QFETCH(bool, inSteps);
    TestEnv env;
    QVERIFY(env.db.executeScript(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                       "INSERT INTO tblStocks (ItemName, ItemStocks) SELECT 'Bread', i FROM n")));
    QVERIFY(env.db.executeScript(QStringLiteral("ANALYZE tblStocks")));
    DataControl ctl(env.db);
    ctl.setRecordSource(QStringLiteral("Select * from tblStocks where ItemStocks < ?"), {below});
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.rowCount(), std::min(DataControl::kPageSize, std::max(below - 1, 0)));
    QCOMPARE(ctl.knownRowCount(), inSteps && env.db.isServer() ? -1 : std::max(below - 1, 0));
    while (!ctl.countStep(5)) {
    }
    QCOMPARE(ctl.knownRowCount(), std::max(below - 1, 0));
}

void tst_Data::textComparisonIgnoresCase()
{
    TestEnv env;
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblClient WHERE UserName = ?"), {QStringLiteral("aDMIN")}),
             QStringLiteral("1"));
    QCOMPARE(
        env.scalar(QStringLiteral("SELECT count(*) FROM tblClient WHERE UserName LIKE ?"), {QStringLiteral("%DMI%")}),
        QStringLiteral("1"));
}

void tst_Data::quotesAreOrdinaryCharacters()
{
    TestEnv env;
    QCOMPARE(env.db.ExecuteSql(QStringLiteral("UPDATE tblMain SET CompanyName = ?"), {QStringLiteral("JACK'S")}), 1);
    Recordset& rs = env.db.OpenRecordset(QStringLiteral("Select * from tblMain"));
    QCOMPARE(rs.State(), 1);
    QVERIFY(!rs.BOF());
    QCOMPARE(rs.text(QStringLiteral("companyname")), QStringLiteral("JACK'S"));
    rs.MoveNext();
    QVERIFY(rs.EndOfFile());
    Recordset& none = env.db.OpenRecordset(QStringLiteral("select * from tblClient where Username=? and Password=?"),
                                           {QStringLiteral("' or ''='"), QStringLiteral("' or ''='")});
    QVERIFY(none.BOF());
    // A malformed statement leaves the shared recordset closed.
    QCOMPARE(env.db.OpenRecordset(QStringLiteral("select * from nowhere")).State(), 0);
    QCOMPARE(env.db.ExecuteSql(QStringLiteral("delete from nowhere")), -1);
}

void tst_Data::wrongPasswordFails()
{
    if (TestEnv::onServer())
        QSKIP("inspects the database file, which a server does not have");
    TestEnv env;
    env.db.close();
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open_v2(env.dbPath().toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_key(raw, "wrong", 5), SQLITE_OK);
    QVERIFY(sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK);
    sqlite3_close(raw);
    QVERIFY(env.db.open(env.dbPath())); // the right password still opens it
}

void tst_Data::plainFileRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Database::fileName());
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw, "CREATE TABLE tblMain (CompanyName TEXT); INSERT INTO tblMain VALUES ('X');", nullptr,
                          nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(raw);
    QVERIFY(hasPlainHeader(path));
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(!db.isOpen());
    QVERIFY(db.OpenRecordset(QStringLiteral("Select * from tblMain")).BOF());
}

void tst_Data::missingFileNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Database::fileName());
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(!QFile::exists(path));
    QVERIFY(db.lastError().contains(path));
}

void tst_Data::initRefusesExistingFileAndEncrypts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Database::fileName());
    InitOptions options = TestEnv::defaultOptions();
    options.demo = true;
    QString error;
    QVERIFY2(createDatabaseFile(path, options, &error), qPrintable(error));
    QVERIFY(!hasPlainHeader(path));
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY(!createDatabaseFile(path, options, &error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    Database db;
    QVERIFY(db.open(path));
    const Recordset tables =
        db.query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 'tbl%'"));
    // The ten of the first version, tblReceipt, the five of returns, the two of the catalog, the
    // five of the till's drawer, the six of discounts and tax, the two of the kept counts and the
    // two of the items' search index.
    QCOMPARE(tables.rows().first().first().toInt(), 33);
    QCOMPARE(db.query(QStringLiteral("SELECT count(*) FROM tblMain")).rows().first().first().toInt(), 1);
    QVERIFY(db.query(QStringLiteral("SELECT count(*) FROM tblStocks")).rows().first().first().toInt() >= 5);
    QCOMPARE(db.query(QStringLiteral("SELECT Account FROM tblClient")).rows().first().first().toString(),
             QStringLiteral("Administrator"));
}

void tst_Data::transactionRollsBack()
{
    TestEnv env;
    {
        Transaction tx(env.db);
        QVERIFY(tx.isActive());
        env.exec(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('a')"));
        {
            Transaction inner(env.db);
            env.exec(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('b')"));
        } // inner rolled back
        QCOMPARE(env.count(QStringLiteral("tblNot")), 1);
    } // outer rolled back
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
    QVERIFY(!env.db.inTransaction());
}

void tst_Data::deletedFileRefusesWrites_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("deleted") << false;
    QTest::newRow("replaced") << true;
}

void tst_Data::deletedFileRefusesWrites()
{
    QFETCH(bool, replace);
    if (TestEnv::onServer())
        QSKIP("inspects the database file, which a server does not have");
    TestEnv env;
    QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('before')")), 1);
    QVERIFY(QFile::remove(env.dbPath()));
    if (replace) {
        QFile f(env.dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    QCOMPARE(env.db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('lost')")), -1);
    QVERIFY(env.db.lastError().contains(QStringLiteral("deleted or replaced")));
    Transaction tx(env.db);
    QVERIFY(!tx.isActive());
}

// What a killed backup leaves (its hidden temporary copy and journal) is removed by the next
// backup into that folder; a copy a running backup still holds, and every other file, stay.
void tst_Data::backupRemovesOnlyItsLitter()
{
    if (TestEnv::onServer())
        QSKIP("inspects the database file, which a server does not have");
    TestEnv env;
    QTemporaryDir folder;
    auto touch = [&](const QString& name) {
        QFile f(folder.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("left here");
    };
    const QStringList litter{QStringLiteral(".dbZarel.mdb.tmp-a1B2c3"),
                             QStringLiteral(".dbZarel.mdb.tmp-a1B2c3-journal"),
                             QStringLiteral(".dbZarel.mdb.tmp-Zz9Zz9-journal")};
    const QStringList others{QStringLiteral("notes.txt"),
                             QStringLiteral(".dbZarel.mdb.tmp-short"),
                             QStringLiteral(".dbZarel.mdb.tmp-a1B2c3.txt"),
                             QStringLiteral("dbZarel.mdb.x1y2z3"),
                             QStringLiteral(".dbZarel.mdb.tmp-Held01"),
                             QStringLiteral("dbZarel-2026-01-02-030405.mdb")};
    for (const QString& name : litter + others)
        touch(name);
    // Another running backup holds its temporary copy.
    const int held =
        ::open(QFile::encodeName(folder.filePath(QStringLiteral(".dbZarel.mdb.tmp-Held01"))).constData(), O_RDONLY);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);

    QString error;
    QVERIFY2(backupDatabase(env.db, folder.filePath(Database::fileName()), &error), qPrintable(error));
    ::close(held);

    QStringList expected = others;
    expected << Database::fileName();
    expected.sort();
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    QFile kept(folder.filePath(QStringLiteral("notes.txt")));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("left here"));
}

// Each backup keeps a dated copy beside it; only the newest ten dated copies stay, and files
// that merely look similar are never removed.
void tst_Data::datedCopiesKeepTheLastTen()
{
    if (TestEnv::onServer())
        QSKIP("inspects the database file, which a server does not have");
    TestEnv env;
    QTemporaryDir folder;
    const QString backup = folder.filePath(Database::fileName());
    const QStringList strangers{QStringLiteral("dbZarel-before-restore-2020-01-01-000000.mdb"),
                                QStringLiteral("dbZarel-2020-01-01.mdb"), QStringLiteral("dbZarel-old.mdb")};
    for (const QString& name : strangers) {
        QFile f(folder.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QDateTime first(QDate(2026, 12, 1), QTime(8, 30, 0));
    const int salesBefore = env.scalar(QStringLiteral("SELECT count(*) FROM tblSales")).toInt();
    QString error;
    for (int day = 0; day < 12; ++day) {
        env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES (?)"), {QString::number(day)});
        QVERIFY2(backupDatabase(env.db, backup, &error), qPrintable(error));
        QVERIFY2(DatedBackups::keep(backup, first.addDays(day), &error), qPrintable(error));
    }
    const QStringList copies = DatedBackups::list(backup);
    QCOMPARE(copies.size(), DatedBackups::kKept);
    QCOMPARE(QFileInfo(copies.first()).fileName(), QStringLiteral("dbZarel-2026-12-12-083000.mdb"));
    QCOMPARE(QFileInfo(copies.last()).fileName(), QStringLiteral("dbZarel-2026-12-03-083000.mdb"));
    QCOMPARE(DatedBackups::writtenAt(copies.first()), first.addDays(11));
    for (const QString& name : strangers)
        QVERIFY2(QFileInfo::exists(folder.filePath(name)), qPrintable(name));
    // The newest dated copy is the backup as it was written, and it opens and passes the check.
    QVERIFY2(checkBackupFile(copies.first(), &error), qPrintable(error));
    Database copy;
    QVERIFY(copy.open(copies.first()));
    QCOMPARE(copy.query(QStringLiteral("SELECT count(*) FROM tblSales")).rows().first().first().toInt(),
             salesBefore + 12);
}

// The server runs the file's statements in its own dialect; what each one becomes.
void tst_Data::shopDataIsNeverLost_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("restore of an empty file") << "empty";
    QTest::newRow("restore of other tables keyed like the shop") << "foreign";
    QTest::newRow("restore of the shop's tables without the settings row") << "no settings";
    QTest::newRow("restore of a file with another key") << "other key";
    QTest::newRow("dated copies named later than today") << "clock ahead";
}

// A restore takes only a file of this shop's program and otherwise leaves the shop as it was,
// still opening at the next start; a backup's dated copy is never removed at once because
// older copies carry later dates.
void tst_Data::shopDataIsNeverLost()
{
    if (TestEnv::onServer())
        QSKIP("a server's database is restored on the server, not by a till");
    QFETCH(QString, kind);
    TestEnv env;
    QTemporaryDir folder;
    const QString backup = folder.filePath(Database::fileName());
    QString error;

    if (kind == u"clock ahead") {
        // Ten copies from a time the clock was a few years ahead, written days ago.
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = 0; i < DatedBackups::kKept; ++i) {
            QFile copy(DatedBackups::pathFor(backup, QDateTime(QDate(2031, 1, 1 + i), QTime(9, 0))));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            QVERIFY(copy.setFileTime(now.addDays(-20 + i), QFileDevice::FileModificationTime));
        }
        const QString oldest = DatedBackups::pathFor(backup, QDateTime(QDate(2031, 1, 1), QTime(9, 0)));
        QVERIFY2(backupDatabase(env.db, backup, &error), qPrintable(error));
        QVERIFY2(DatedBackups::keep(backup, now, &error), qPrintable(error));
        const QStringList copies = DatedBackups::list(backup);
        QCOMPARE(copies.size(), DatedBackups::kKept);
        QVERIFY(copies.contains(DatedBackups::pathFor(backup, now)));
        QVERIFY(!copies.contains(oldest)); // the one written first goes
        return;
    }

    if (kind == u"empty") {
        QFile file(backup);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == u"foreign") {
        Database other;
        QVERIFY(other.create(backup));
        QVERIFY(other.executeScript(QStringLiteral("CREATE TABLE tblMain (Name TEXT); CREATE TABLE notes (x);"
                                                   "INSERT INTO tblMain VALUES ('someone else');")));
    } else if (kind == u"no settings") {
        QVERIFY2(backupDatabase(env.db, backup, &error), qPrintable(error));
        Database copy;
        QVERIFY(copy.open(backup));
        QCOMPARE(copy.ExecuteSql(QStringLiteral("DELETE FROM tblMain")), 1);
    } else {
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(backup).constData(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_key(raw, "another key", 11), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "CREATE TABLE tblMain (CompanyName TEXT); INSERT INTO tblMain VALUES ('X');",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(raw);
    }
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES ('42', 'still here')"));
    const QString settings = env.scalar(QStringLiteral("SELECT count(*) FROM tblMain"));

    QVERIFY(!checkBackupFile(backup, &error));
    QVERIFY2(error.contains(backup), qPrintable(error));
    // Refused by the restore itself too, should the file have been swapped after the check.
    QVERIFY(!restoreDatabase(env.db, backup, &error));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemName FROM tblStocks WHERE ItemNumber = '42'")),
             QStringLiteral("still here"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblMain")), settings);
    env.db.close();
    Database again;
    QVERIFY2(again.open(env.dbPath()), qPrintable(again.lastError()));
    QCOMPARE(
        again.query(QStringLiteral("SELECT count(*) FROM tblStocks WHERE ItemNumber = '42'")).rows().first().first(),
        QVariant(1));
}

void tst_Data::exportTargetsRefused_data()
{
    QTest::addColumn<QString>("where"); // "db": beside the database; "backup": in the backup folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("the database") << "db"
                                  << "dbZarel.mdb" << true;
    QTest::newRow("its journal") << "db"
                                 << "dbZarel.mdb-journal" << true;
    QTest::newRow("a till's lock") << "db"
                                   << "dbZarel.mdb.till-1.lock" << true;
    QTest::newRow("the copy kept at a restore") << "db"
                                                << "dbZarel-before-restore-2026-12-09-101010.mdb" << true;
    QTest::newRow("a link to the database") << "link"
                                            << "shop.csv" << true;
    QTest::newRow("the backup") << "backup"
                                << "dbZarel.mdb" << true;
    QTest::newRow("a dated copy") << "backup"
                                  << "dbZarel-2026-12-09-153000.mdb" << true;
    QTest::newRow("a backup's temporary copy") << "backup"
                                               << ".dbZarel.mdb.tmp-AbC123" << true;
    QTest::newRow("a list beside the database") << "db"
                                                << "Stocks.csv" << false;
    QTest::newRow("a list in the backup folder") << "backup"
                                                 << "Sales.pdf" << false;
    QTest::newRow("the database's name elsewhere") << "elsewhere"
                                                   << "dbZarel.mdb" << false;
}

// No export or PDF is written over the shop's database, the files the program keeps beside it
// or a backup copy: the save dialog says so and gives no file.
void tst_Data::exportTargetsRefused()
{
    QFETCH(QString, where);
    QFETCH(QString, name);
    QFETCH(bool, refused);
    TestEnv env;
    QTemporaryDir backups;
    QTemporaryDir elsewhere;
    QCOMPARE(env.db.ExecuteSql(QStringLiteral("UPDATE tblMain SET BackupFolder = ?"), {backups.path()}), 1);
    if (TestEnv::onServer() && (where == u"db" || where == u"link"))
        QSKIP("a server has no database file");
    QString target = QDir(where == u"db"       ? env.dir()
                          : where == u"backup" ? backups.path()
                                               : elsewhere.path())
                         .filePath(name);
    if (where == u"link") {
        target = elsewhere.filePath(name);
        QVERIFY(QFile::link(env.dbPath(), target));
    }
    env.platform.setFileHook([&](const QString&, const QString&) { return target; });
    const QString chosen = env.platform.saveFileName(nullptr, QStringLiteral("Export"), name,
                                                     QStringLiteral("All files (*)"), QStringLiteral("csv"));
    QCOMPARE(chosen.isEmpty(), refused);
    QCOMPARE(env.messages.size(), refused ? 1 : 0);
    if (refused)
        QVERIFY2(env.lastMessage().text.contains(QDir::toNativeSeparators(target)), qPrintable(env.lastMessage().text));
}

void tst_Data::logRowAfterRestore_data()
{
    QTest::addColumn<QString>("restored"); // what another till's restore left at the session's row id
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("the session's own row") << "own" << false;
    QTest::newRow("another person's session") << "other" << true;
    QTest::newRow("no row") << "none" << true;
}

// A running session keeps writing its own log row; when a restore (on this till or another)
// replaced the log, it writes a new row of its own and leaves the rows of others alone.
void tst_Data::logRowAfterRestore()
{
    QFETCH(QString, restored);
    QFETCH(bool, rewritten);
    TestEnv env;
    Database otherTill;
    QVERIFY(env.openAnother(otherTill));
    const SessionLogEntry entry{QStringLiteral("December 09, 2026"), QStringLiteral("8:15:00 AM"),
                                QStringLiteral("Admin"), QStringLiteral("frontdesk"), QStringLiteral("Administrator")};
    qint64 row = SessionLog::append(env.db, entry);
    QVERIFY(row >= 0);
    const qint64 signedIn = row;
    if (restored == u"other")
        QCOMPARE(otherTill.ExecuteSql(QStringLiteral("UPDATE tblLogs SET UserName = 'Maria', LogTime = '7:00:00 AM', "
                                                     "EndTime = '7:30:00 AM' WHERE rowid = ?"),
                                      {row}),
                 1);
    else if (restored == u"none")
        QCOMPARE(otherTill.ExecuteSql(QStringLiteral("DELETE FROM tblLogs")), 1);

    QCOMPARE(SessionLog::update(env.db, &row, entry, QStringLiteral("9:00:00 AM"), QStringLiteral("0 Hr 45 Min 0 Sec")),
             rewritten ? SessionLog::Kept::Rewritten : SessionLog::Kept::Updated);
    if (restored == u"other")
        QVERIFY(row != signedIn);
    QCOMPARE(
        env.scalar(QStringLiteral("SELECT LogTime || UserName || Position || EndTime FROM tblLogs WHERE rowid = ?"),
                   {row}),
        QStringLiteral("8:15:00 AMAdminAdministrator9:00:00 AM"));
    if (restored == u"other")
        QCOMPARE(env.scalar(QStringLiteral("SELECT UserName || EndTime FROM tblLogs WHERE rowid = ?"), {signedIn}),
                 QStringLiteral("Maria7:30:00 AM"));
    // Later ticks keep to the new row.
    const int rows = env.count(QStringLiteral("tblLogs"));
    QCOMPARE(SessionLog::update(env.db, &row, entry, QStringLiteral("9:00:01 AM"), QStringLiteral("0 Hr 45 Min 1 Sec")),
             SessionLog::Kept::Updated);
    QCOMPARE(env.count(QStringLiteral("tblLogs")), rows);
}

void tst_Data::serverStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("marks");
    QTest::newRow("marks") << "SELECT a FROM t WHERE b = ? AND c = ?"
                           << "SELECT a FROM t WHERE b = $1 AND c = $2" << 2;
    QTest::newRow("marks in quotes stay") << "SELECT '?', \"a?\" FROM t WHERE b = ? -- c = ?\n"
                                          << "SELECT '?', \"a?\" FROM t WHERE b = $1 -- c = ?\n"
                                          << 1;
    QTest::newRow("numbered marks") << "SELECT ?1 || ?1 || ?"
                                    << "SELECT $1 || $1 || $2" << 2;
    QTest::newRow("insert returns its rowid") << "INSERT INTO tblNot (RE) VALUES (?);"
                                              << "INSERT INTO tblNot (RE) VALUES ($1) RETURNING rowid" << 1;
    QTest::newRow("case-sensitive comparison")
        << "SELECT count(*) FROM tblClient WHERE Account = ? COLLATE BINARY AND rowid <> ?"
        << "SELECT count(*) FROM tblClient WHERE CAST(Account AS text) = CAST($1 AS text) AND rowid <> $2" << 2;
    QTest::newRow("subqueries in FROM get a name")
        << "SELECT count(*) FROM (SELECT a FROM t WHERE b IN (SELECT c FROM (SELECT c FROM u))) WHERE d = ?"
        << "SELECT count(*) FROM (SELECT a FROM t WHERE b IN (SELECT c FROM (SELECT c FROM u) AS pemvix_from_2)) AS "
           "pemvix_from_1 WHERE d = $1"
        << 1;
    QTest::newRow("a named subquery keeps its name") << "SELECT x FROM (SELECT 1 AS x) s ORDER BY x"
                                                     << "SELECT x FROM (SELECT 1 AS x) s ORDER BY x" << 0;
    QTest::newRow("sales day key")
        << "SELECT 1 FROM tblSales WHERE " + SalesDayKeySql() + " BETWEEN ? AND ?"
        << "SELECT 1 FROM tblSales WHERE pemvix_sales_day_key(BusinessDate) BETWEEN $1 AND $2" << 2;
}

void tst_Data::serverStatements()
{
    QFETCH(QString, sql);
    QFETCH(QString, server);
    QFETCH(int, marks);
    int counted = -1;
    QCOMPARE(PgEngine::translate(sql, &counted), server);
    QCOMPARE(counted, marks);
}

// Every table of the file reaches the server, with the same columns in the same order and the
// rowid last; case-blind texts stay case-blind and a till is a name.
void tst_Data::serverTablesFollowTheFile()
{
    const QStringList statements = serverSchemaStatements();
    const QStringList tables = statements.filter(QRegularExpression(QStringLiteral("^CREATE TABLE")));
    QCOMPARE(tables.size(), 29);
    for (const QString& table : tables) {
        QVERIFY2(table.endsWith(QStringLiteral("rowid bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY\n)")),
                 qPrintable(table));
        QVERIFY2(!table.contains(QStringLiteral("COLLATE")) && !table.contains(QStringLiteral("DATETIME")),
                 qPrintable(table));
    }
    const QString pos = tables.filter(QStringLiteral("tblPos")).first();
    QVERIFY(pos.contains(QStringLiteral("Till         text NOT NULL DEFAULT '1'")));
    QVERIFY(pos.contains(QStringLiteral("ItemName     citext")));
    QVERIFY(tables.filter(QStringLiteral("tblClient"))
                .first()
                .contains(QStringLiteral("ClientKey bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE")));
    QVERIFY(statements.contains(
        QStringLiteral("CREATE INDEX idxSalesDay ON tblSales (pemvix_sales_day_key(BusinessDate))")));
    QCOMPARE(schemaColumnName(QStringLiteral("itemnumber")), QStringLiteral("ItemNumber"));
    QCOMPARE(schemaColumnName(QStringLiteral("count")), QStringLiteral("count"));
}

void tst_Data::starHidesTheServersRowid()
{
    TestEnv env;
    const QStringList main{"CompanyName", "BackupFolder", "TransactionID", "ClientID", "ItemID"};
    QCOMPARE(env.db.query(QStringLiteral("Select * from tblMain")).columns(), main);
    QCOMPARE(env.db.query(QStringLiteral("SELECT rowid, * FROM tblMain")).columns(), QStringList{"rowid"} + main);
    QCOMPARE(env.db.query(QStringLiteral("SELECT ItemID, rowid FROM tblMain")).columns(),
             (QStringList{"ItemID", "rowid"}));
    DataControl ctl(env.db);
    ctl.setRecordSource(QStringLiteral("Select * from tblMain"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.columnNames(), main);
    QVERIFY(ctl.rowId(0) > 0);
}

// A value reads back as the same type and value whichever engine stored it.
void tst_Data::storedValuesReadBackAlike_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("read");
    QTest::newRow("whole number in a number column")
        << "ItemStocks" << QVariant(QStringLiteral("12")) << QVariant(qlonglong(12));
    QTest::newRow("whole real in a number column") << "ItemStocks" << QVariant(12.0) << QVariant(qlonglong(12));
    QTest::newRow("real in a number column") << "ItemStocks" << QVariant(12.5) << QVariant(12.5);
    QTest::newRow("text of a real in a number column")
        << "ItemStocks" << QVariant(QStringLiteral("0.1")) << QVariant(0.1);
    QTest::newRow("negative") << "ItemStocks" << QVariant(-3) << QVariant(qlonglong(-3));
    QTest::newRow("empty in a number column") << "ItemStocks" << QVariant() << QVariant();
    QTest::newRow("text") << "ItemPrice" << QVariant(QStringLiteral("45.50")) << QVariant(QStringLiteral("45.50"));
    QTest::newRow("number in a text column") << "ItemPrice" << QVariant(7) << QVariant(QStringLiteral("7"));
    QTest::newRow("real in a text column") << "ItemPrice" << QVariant(7.0) << QVariant(QStringLiteral("7.0"));
    QTest::newRow("unicode") << "ItemName" << QVariant(QStringLiteral("Caf\u00e9 \u20ac"))
                             << QVariant(QStringLiteral("Caf\u00e9 \u20ac"));
}

void tst_Data::storedValuesReadBackAlike()
{
    QFETCH(QString, column);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, read);
    TestEnv env;
    QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblStocks (%1) VALUES (?)").arg(column), {stored}), 1);
    const qint64 id = env.db.lastInsertRowId();
    QVERIFY(id > 0);
    const Recordset r = env.db.query(QStringLiteral("SELECT %1 FROM tblStocks WHERE rowid = ?").arg(column), {id});
    QCOMPARE(r.rowCount(), 1);
    const QVariant value = r.rows().first().first();
    QCOMPARE(value.typeId(), read.typeId());
    QCOMPARE(value, read);
}

void tst_Data::salesDayKeyAlike_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("key");
    QTest::newRow("day") << "December 08, 2026"
                         << "2026-12-08";
    QTest::newRow("letter case") << "mAY 31, 2027"
                                 << "2027-05-31";
    QTest::newRow("not a month") << "Smarch 01, 2026"
                                 << "";
    QTest::newRow("no day") << ", 2026"
                            << "";
    QTest::newRow("not a date") << "yesterday"
                                << "";
}

// The server's day key is the file's, row for row, and spans select through it.
void tst_Data::salesDayKeyAlike()
{
    QFETCH(QString, stored);
    QFETCH(QString, key);
    TestEnv env;
    QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES (?)"), {stored}), 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT %1 FROM tblSales").arg(SalesDayKeySql())), key);
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblSales WHERE %1 BETWEEN ? AND ?").arg(SalesDayKeySql()),
                        {QStringLiteral("2026-01-01"), QStringLiteral("2027-12-31")}),
             key.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
}

// A statement run from a row function while the outer read is still going (a server reads one
// statement at a time on a connection) sees its own rows, and the outer read goes on whole.
void tst_Data::readsNestInsideRowFunctions()
{
    TestEnv env;
    for (int i = 0; i < 50; ++i)
        QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblNot (RE) VALUES (?)"), {QString::number(i)}), 1);
    int outer = 0;
    bool innerOk = true;
    QVERIFY(env.db.forEachRow(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid"), {},
                              [&](const QVector<QVariant>& row) {
                                  innerOk = innerOk && row.first().toInt() == outer &&
                                            env.scalar(QStringLiteral("SELECT count(*) FROM tblNot WHERE RE = ?"),
                                                       {row.first()}) == QStringLiteral("1");
                                  ++outer;
                                  return true;
                              }));
    QCOMPARE(outer, 50);
    QVERIFY(innerOk);
    // Stopping early is no failure, and the connection is free for the next statement.
    int seen = 0;
    QVERIFY(env.db.forEachRow(QStringLiteral("SELECT RE FROM tblNot"), {},
                              [&](const QVector<QVariant>&) { return ++seen < 3; }));
    QCOMPARE(seen, 3);
    QCOMPARE(env.count(QStringLiteral("tblNot")), 50);
}

// Statements with a number written in (pages at every OFFSET) keep working however many there
// are, and a server holds no more than a bounded number of them prepared.
void tst_Data::manyStatementTextsStayBounded()
{
    TestEnv env;
    for (int i = 0; i < 1200; ++i) {
        const QString got = env.scalar(QStringLiteral("SELECT count(*) + %1 FROM tblMain WHERE rowid > ?").arg(i), {0});
        if (got != QString::number(i + 1))
            QFAIL(qPrintable(QStringLiteral("statement %1 gave %2: %3").arg(i).arg(got, env.db.lastError())));
    }
    if (env.db.isServer())
        QVERIFY(env.scalar(QStringLiteral("SELECT count(*) FROM pg_prepared_statements")).toInt() <= 500);
}

void tst_Data::serverSchemaRefusesAFilledDatabase()
{
    if (!TestEnv::onServer())
        QSKIP("needs PEMVIX_TEST_SERVER");
    TestEnv env;
    QString why;
    QVERIFY(!createServerSchema(env.db, &why));
    QVERIFY2(why.contains(QStringLiteral("already has tables")), qPrintable(why));
    QVERIFY(!createServerDatabase(env.db, TestEnv::defaultOptions(), &why));
    QCOMPARE(env.count(QStringLiteral("tblClient")), 1);
    QCOMPARE(env.count(QStringLiteral("tblMain")), 1);
}

void tst_Data::serverRefusesNulCharacters()
{
    if (!TestEnv::onServer())
        QSKIP("needs PEMVIX_TEST_SERVER");
    TestEnv env;
    QCOMPARE(env.db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (RE) VALUES (?)"),
                               {QStringLiteral("cut") + QChar(0) + QStringLiteral("here")}),
             -1);
    QVERIFY2(env.db.lastError().contains(QStringLiteral("NUL")), qPrintable(env.db.lastError()));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
}

// A connection lost in the middle of a sale fails that sale whole; the next action connects
// again by itself.
void tst_Data::lostConnectionFailsTheWholeSale()
{
    if (!TestEnv::onServer())
        QSKIP("needs PEMVIX_TEST_SERVER");
    TestEnv env;
    Database other;
    QVERIFY2(env.openAnother(other), qPrintable(other.lastError()));
    const QString pid = env.scalar(QStringLiteral("SELECT pg_backend_pid()"));
    {
        Transaction tx(env.db);
        QVERIFY(tx.isActive());
        QCOMPARE(env.db.ExecuteSql(QStringLiteral("INSERT INTO tblSales (AmountDue) VALUES ('10')")), 1);
        QVERIFY(other.query(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid.toLongLong()}).rowCount() == 1);
        QTest::qWait(100);
        QCOMPARE(env.db.ExecuteSql(QStringLiteral("UPDATE tblMain SET TransactionID = '1'")), -1);
        QVERIFY(!env.db.lastError().isEmpty());
        QVERIFY(!tx.commit());
    }
    QVERIFY(!env.db.inTransaction());
    // The next action connects again, and nothing of the sale was stored.
    QCOMPARE(env.count(QStringLiteral("tblSales")), 0);
    QCOMPARE(env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QString());
    QVERIFY(env.scalar(QStringLiteral("SELECT pg_backend_pid()")) != pid);
}

// A till finds the server again at its next action: one started while the server could not be
// reached, and one whose idle connection the server ended (as its restart does). Until then a
// failure says it was the connection, and whether the server was not reached or refused the
// password, never an empty answer.
void tst_Data::serverFoundAgain_data()
{
    QTest::addColumn<QString>("how");    // "down" at the start, then up; "ended" while idle; "password" wrong
    QTest::addColumn<bool>("write");     // the next action writes (in a transaction) rather than reads
    QTest::addColumn<int>("startFault"); // Engine::ConnectFault after opening
    QTest::addColumn<bool>("done");      // the next action succeeds
    const int none = int(Engine::ConnectFault::None);
    const int unreachable = int(Engine::ConnectFault::Unreachable);
    const int password = int(Engine::ConnectFault::PasswordRefused);
    QTest::newRow("down at the start, then a read") << "down" << false << unreachable << true;
    QTest::newRow("down at the start, then a sale") << "down" << true << unreachable << true;
    QTest::newRow("ended while idle, then a read") << "ended" << false << none << true;
    QTest::newRow("ended while idle, then a sale") << "ended" << true << none << true;
    QTest::newRow("wrong password") << "password" << false << password << false;
}

void tst_Data::serverFoundAgain()
{
    if (!TestEnv::onServer())
        QSKIP("needs PEMVIX_TEST_SERVER");
    QFETCH(QString, how);
    QFETCH(bool, write);
    QFETCH(int, startFault);
    QFETCH(bool, done);
    TestEnv env;
    ServerDoor door(env.scalar(QStringLiteral("SHOW port")).toInt());
    QString connection = env.connection();
    if (how == QLatin1String("down")) {
        connection = door.connection(connection);
    } else if (how == QLatin1String("password"))
        connection += QStringLiteral(" password=not-the-password");

    Database till;
    QCOMPARE(till.openServer(connection), startFault == int(Engine::ConnectFault::None));
    QCOMPARE(int(till.connectFault()), startFault);
    if (startFault != int(Engine::ConnectFault::None)) {
        QVERIFY2(till.connectFaultSentence().contains(how == QLatin1String("down")
                                                          ? QStringLiteral("cannot be reached")
                                                          : QStringLiteral("refused the password")),
                 qPrintable(till.lastError()));
        // A read now fails for the same reason: it is not an empty answer.
        QCOMPARE(till.query(QStringLiteral("SELECT 1 FROM tblMain")).State(), 0);
        QCOMPARE(int(till.connectFault()), startFault);
    }
    if (how == QLatin1String("down")) {
        door.open();
    } else if (how == QLatin1String("ended")) {
        const QVariant pid = till.query(QStringLiteral("SELECT pg_backend_pid() AS pid")).Fields("pid");
        QCOMPARE(env.db.query(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid}).rowCount(), 1);
        QTRY_COMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = ?"), {pid}),
                     QStringLiteral("0"));
    }

    bool ok = false;
    if (write) {
        Transaction tx(till);
        ok = tx.isActive() && till.ExecuteSql(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('sold')")) == 1 &&
             tx.commit();
    } else {
        ok = till.query(QStringLiteral("SELECT TransactionID FROM tblMain")).State() == 1;
    }
    QVERIFY2(ok == done, qPrintable(till.lastError()));
    QCOMPARE(int(till.connectFault()), done ? int(Engine::ConnectFault::None) : startFault);
    QCOMPARE(env.count(QStringLiteral("tblNot")), write && done ? 1 : 0);
}

QTEST_MAIN(tst_Data)
#include "tst_data.moc"
