// The registration model on a test database, without windows: new employees and items are
// stored under the number their counter issues, inside one transaction with the counter.
#include "TestEnv.h"

#include "registration/RegistrationData.h"

#include <QTest>

namespace {

// Replaces the tblMain rows by one row per counter value (the other counter as given).
void setCounters(TestEnv& env, bool employee, const QStringList& counters)
{
    env.exec(QStringLiteral("DELETE FROM tblMain"));
    for (const QString& counter : counters) {
        const QVariant value = counter.isNull() ? QVariant() : QVariant(counter);
        env.exec(QStringLiteral("INSERT INTO tblMain (CompanyName, ItemID, ClientID) VALUES ('SHOP', ?, ?)"),
                 {employee ? QVariant(QStringLiteral("41")) : value, employee ? value : QVariant(QStringLiteral("7"))});
    }
}

RegistrationData::Stored store(TestEnv& env, bool employee, const QString& barcode = {})
{
    if (employee)
        return RegistrationData::storeEmployee(env.db, {QStringLiteral("Ann  Cruz"), QStringLiteral("Female"),
                                                        QStringLiteral("Cashier"), QStringLiteral("June 1, 2026"),
                                                        QStringLiteral("pw")});
    return RegistrationData::storeItem(env.db,
                                       {QStringLiteral("Drink"), QStringLiteral("25.00"), QStringLiteral("Orange"),
                                        QStringLiteral("Sunny"), QStringLiteral("12"), QStringLiteral("Available")},
                                       barcode);
}

QString counter(TestEnv& env, bool employee)
{
    return env.scalar(employee ? QStringLiteral("SELECT ClientID FROM tblMain")
                               : QStringLiteral("SELECT ItemID FROM tblMain"));
}

} // namespace

class tst_RegistrationData : public QObject
{
    Q_OBJECT

private slots:
    void storedUnderNextFreeNumber_data();
    void storedUnderNextFreeNumber();
    void refusedWriteStoresNothing_data();
    void refusedWriteStoresNothing();
};

void tst_RegistrationData::storedUnderNextFreeNumber_data()
{
    QTest::addColumn<bool>("employee");
    QTest::addColumn<QStringList>("counters"); // one tblMain row each
    QTest::addColumn<QStringList>("taken");    // numbers another copy, or a list edit, already stored
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QString>("issued");
    QTest::newRow("item after 41") << false << QStringList{"41"} << QStringList{} << ""
                                   << "42";
    QTest::newRow("item, empty counter") << false << QStringList{""} << QStringList{} << ""
                                         << "1";
    QTest::newRow("item, no counter value") << false << QStringList{QString()} << QStringList{} << ""
                                            << "1";
    QTest::newRow("item, counter no number") << false << QStringList{"abc"} << QStringList{} << ""
                                             << "1";
    QTest::newRow("item, last row's counter") << false << QStringList{"100", "41"} << QStringList{} << ""
                                              << "42";
    QTest::newRow("item, numbers taken meanwhile") << false << QStringList{"41"} << QStringList{"42", "43"} << ""
                                                   << "44";
    QTest::newRow("item with barcode") << false << QStringList{"41"} << QStringList{"42"} << "96385074"
                                       << "43";
    QTest::newRow("employee after 7") << true << QStringList{"7"} << QStringList{} << ""
                                      << "8";
    QTest::newRow("employee, number taken meanwhile") << true << QStringList{"7"} << QStringList{"8"} << ""
                                                      << "9";
}

void tst_RegistrationData::storedUnderNextFreeNumber()
{
    QFETCH(bool, employee);
    QFETCH(QStringList, counters);
    QFETCH(QStringList, taken);
    QFETCH(QString, barcode);
    QFETCH(QString, issued);
    TestEnv env;
    setCounters(env, employee, counters);
    for (const QString& number : taken)
        env.exec(employee ? QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName) VALUES (?, 'Other')")
                          : QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES (?, 'Other')"),
                 {number});

    const RegistrationData::Stored stored = store(env, employee, barcode);
    QVERIFY2(stored.number, qPrintable(stored.error));
    QCOMPARE(*stored.number, issued);
    if (employee)
        QCOMPARE(env.scalar(QStringLiteral("SELECT EmployeeName || '|' || Gender || '|' || Position || '|' || "
                                           "Registered || '|' || Password FROM tblEmp WHERE EmployeeID = ?"),
                            {issued}),
                 QStringLiteral("Ann  Cruz|Female|Cashier|June 1, 2026|pw"));
    else
        QCOMPARE(env.scalar(QStringLiteral("SELECT ItemName || '|' || ItemDescription || '|' || ItemBrand || '|' || "
                                           "ItemAvailability FROM tblStocks WHERE ItemNumber = ?"),
                            {issued}),
                 QStringLiteral("Drink|Orange|Sunny|Available"));
    // Every settings row holds the number issued; the barcode names the item stored.
    QCOMPARE(env.scalar(employee ? QStringLiteral("SELECT count(*) FROM tblMain WHERE ClientID = ?")
                                 : QStringLiteral("SELECT count(*) FROM tblMain WHERE ItemID = ?"),
                        {issued}),
             QString::number(counters.size()));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemNumber FROM tblBarcode WHERE Barcode = ?"), {barcode}),
             barcode.isEmpty() ? QString() : issued);
    QVERIFY(!env.db.inTransaction());
}

void tst_RegistrationData::refusedWriteStoresNothing_data()
{
    QTest::addColumn<bool>("employee");
    QTest::addColumn<QString>("when");
    QTest::newRow("employee row") << true << "BEFORE INSERT ON tblEmp";
    QTest::newRow("employee counter") << true << "BEFORE UPDATE ON tblMain";
    QTest::newRow("item row") << false << "BEFORE INSERT ON tblStocks";
    QTest::newRow("item barcode") << false << "BEFORE INSERT ON tblBarcode";
    QTest::newRow("item counter") << false << "BEFORE UPDATE ON tblMain";
}

// A write the database refuses at any step leaves no row, no barcode and the counter as it was.
void tst_RegistrationData::refusedWriteStoresNothing()
{
    QFETCH(bool, employee);
    QFETCH(QString, when);
    TestEnv env;
    setCounters(env, employee, {employee ? QStringLiteral("7") : QStringLiteral("41")});
    env.refuseWrites(QStringLiteral("refuse"), when, QStringLiteral("disk refused"));

    const RegistrationData::Stored stored = store(env, employee, QStringLiteral("96385074"));
    QVERIFY(!stored.number);
    QVERIFY2(stored.error.contains(QLatin1String("disk refused")), qPrintable(stored.error));
    QCOMPARE(env.count(QStringLiteral("tblEmp")) + env.count(QStringLiteral("tblStocks")), 0);
    QCOMPARE(env.count(QStringLiteral("tblBarcode")), 0);
    QCOMPARE(counter(env, employee), employee ? QStringLiteral("7") : QStringLiteral("41"));
    QVERIFY(!env.db.inTransaction());
}

QTEST_MAIN(tst_RegistrationData)
#include "tst_registrationdata.moc"
