// The settings row and the histories on a test database, without windows: what the main
// window and the administration store there, on both engines.
#include "TestEnv.h"

#include "admin/History.h"
#include "session/ShopSettings.h"

#include <QTest>

class tst_SettingsData : public QObject
{
    Q_OBJECT

private slots:
    void settingsRow_data();
    void settingsRow();
    void clearHistory_data();
    void clearHistory();
};

void tst_SettingsData::settingsRow_data()
{
    QTest::addColumn<bool>("company"); // else the backup folder
    QTest::addColumn<int>("rows");     // settings rows before the change
    QTest::addColumn<bool>("refused"); // the database refuses the write
    QTest::addColumn<int>("outcome");
    for (const bool company : {true, false}) {
        const char* what = company ? "company name" : "backup folder";
        QTest::addRow("%s, one row", what) << company << 1 << false << int(ShopSettings::Outcome::Saved);
        QTest::addRow("%s, two rows", what) << company << 2 << false << int(ShopSettings::Outcome::Saved);
        QTest::addRow("%s, no row", what) << company << 0 << false << int(ShopSettings::Outcome::RowMissing);
        QTest::addRow("%s, refused", what) << company << 1 << true << int(ShopSettings::Outcome::Failed);
    }
}

// The value goes into every settings row, or into none; what is read back is the last row's.
void tst_SettingsData::settingsRow()
{
    QFETCH(bool, company);
    QFETCH(int, rows);
    QFETCH(bool, refused);
    QFETCH(int, outcome);
    TestEnv env;
    env.exec(QStringLiteral("DELETE FROM tblMain"));
    for (int i = 0; i < rows; ++i)
        env.exec(QStringLiteral("INSERT INTO tblMain (CompanyName, BackupFolder) VALUES (?, ?)"),
                 {QStringLiteral("SHOP %1").arg(i), QStringLiteral("/backup/%1").arg(i)});
    const auto read = [&] { return company ? ShopSettings::companyName(env.db) : ShopSettings::backupFolder(env.db); };
    const std::optional<QString> before = read();
    QCOMPARE(before.has_value(), rows > 0);
    if (rows > 0)
        QCOMPARE(*before,
                 company ? QStringLiteral("SHOP %1").arg(rows - 1) : QStringLiteral("/backup/%1").arg(rows - 1));
    if (refused)
        env.refuseWrites(QStringLiteral("refuse"), QStringLiteral("BEFORE UPDATE ON tblMain"),
                         QStringLiteral("disk refused"));

    const QString value = company ? QStringLiteral("CORNER STORE") : QStringLiteral("/srv/copies");
    const ShopSettings::Change change =
        company ? ShopSettings::setCompanyName(env.db, value) : ShopSettings::setBackupFolder(env.db, value);
    QCOMPARE(int(change.outcome), outcome);
    QCOMPARE(change.error.contains(QLatin1String("disk refused")), refused);
    QVERIFY(!env.db.inTransaction());
    const QString column = company ? QStringLiteral("CompanyName") : QStringLiteral("BackupFolder");
    const int holding =
        env.scalar(QStringLiteral("SELECT count(*) FROM tblMain WHERE %1 = ?").arg(column), {value}).toInt();
    QCOMPARE(holding, change.outcome == ShopSettings::Outcome::Saved ? rows : 0);
    if (change.outcome == ShopSettings::Outcome::Saved)
        QCOMPARE(read().value_or(QString()), value);
}

void tst_SettingsData::clearHistory_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<int>("left");
    for (const bool refused : {false, true}) {
        const char* how = refused ? "refused" : "cleared";
        QTest::addRow("tblLogs %s", how) << "tblLogs" << refused << (refused ? 2 : 0);
        // A line of a sale still open at a till stays with its cart line.
        QTest::addRow("tblSold %s", how) << "tblSold" << refused << (refused ? 3 : 1);
        QTest::addRow("tblSales %s", how) << "tblSales" << refused << (refused ? 2 : 0);
    }
}

void tst_SettingsData::clearHistory()
{
    QFETCH(QString, table);
    QFETCH(bool, refused);
    QFETCH(int, left);
    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO tblLogs (LogDate, UserName) VALUES ('today', 'ann'), ('today', 'bob')"));
    env.exec(
        QStringLiteral("INSERT INTO tblSold (TransactionID, ItemNumber) VALUES ('1', '7'), ('2', '7'), ('3', '8')"));
    env.exec(QStringLiteral("INSERT INTO tblPos (SaleNumber, ItemNumber) VALUES ('3', '8')"));
    env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES ('d1'), ('d2')"));
    if (refused)
        env.refuseWrites(QStringLiteral("refuse"), QStringLiteral("BEFORE DELETE ON %1").arg(table),
                         QStringLiteral("disk refused"));

    QString error;
    QCOMPARE(History::clear(env.db, table, &error), !refused);
    QCOMPARE(error.contains(QLatin1String("disk refused")), refused);
    QCOMPARE(env.count(table), left);
    QVERIFY(!env.db.inTransaction());
}

QTEST_MAIN(tst_SettingsData)
#include "tst_settingsdata.moc"
