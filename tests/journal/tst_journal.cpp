#include "TestEnv.h"

#include "data/DataControl.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "session/frmMain.h"

#include <QTest>

namespace {

// A posting window's own data control on the journal.
struct PostingWindow
{
    explicit PostingWindow(TestEnv& env) : adoNot(env.db)
    {
        adoNot.setRecordSource(QStringLiteral("Select * from tblNot"));
        adoNot.Refresh();
    }
    DataControl adoNot;
};

} // namespace

class tst_journal : public QObject
{
    Q_OBJECT

private slots:
    void sentence_data();
    void sentence();
    void detailsBlock();
    void storedRow_data();
    void storedRow();
    void twoInOneSecond();
    void failedPostingSaysSo();
    void postingReachesHiddenMain();
};

void tst_journal::sentence_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Admin"
                           << " removed a purchased Item using "
                           << "frontdesk"
                           << "Admin removed a purchased Item using frontdesk's domain!";
    QTest::newRow("no domain") << "Admin"
                               << " removed a purchased Item using "
                               << ""
                               << "Admin removed a purchased Item using 's domain!";
    QTest::newRow("two blanks kept") << "Admin"
                                     << " cleared the User Logs  using "
                                     << "pc"
                                     << "Admin cleared the User Logs  using pc's domain!";
    QTest::newRow("value in the phrase") << "Ana"
                                         << " changed the Company's Name to Jack's using "
                                         << "till"
                                         << "Ana changed the Company's Name to Jack's using till's domain!";
}

void tst_journal::sentence()
{
    QFETCH(QString, name);
    QFETCH(QString, phrase);
    QFETCH(QString, domain);
    QFETCH(QString, expected);
    QCOMPARE(NotificationSentence(name, phrase, domain), expected);
}

void tst_journal::detailsBlock()
{
    const DetailLines lines = {{QStringLiteral("Item Number: "), QStringLiteral("1001")},
                               {QStringLiteral("Item Name: "), QStringLiteral("Drink")}};
    const QString sentence = NotificationSentence(QStringLiteral("Admin"), QStringLiteral(" did it using "), {});
    // Exactly one empty line before DETAILS:, no line break after the last line.
    QCOMPARE(sentence + DetailsBlock(lines),
             sentence + QStringLiteral("\r\n\r\nDETAILS:\r\nItem Number: 1001\r\nItem Name: Drink"));
    QCOMPARE(DetailsBlock(lines, true), QStringLiteral("DETAILS:\r\nItem Number: 1001\r\nItem Name: Drink"));
    QCOMPARE(DetailsBlock({}, true), QStringLiteral("DETAILS:"));
}

void tst_journal::storedRow_data()
{
    QTest::addColumn<bool>("throughGrid");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const DetailLines item = {{QStringLiteral("Item Number: "), QStringLiteral("1002")},
                              {QStringLiteral("Quantity: "), QStringLiteral("3")}};
    // A window posts through its grid; a model posts on the database inside its transaction.
    for (const bool grid : {true, false}) {
        const char* way = grid ? "grid" : "model";
        QTest::addRow("sentence with details, %s", way)
            << grid << NoteTitle::ItemVoid
            << NotificationSentence(QStringLiteral("Admin"), QStringLiteral(" removed a purchased Item using "),
                                    QStringLiteral("frontdesk")) +
                   DetailsBlock(item);
        QTest::addRow("details only, %s", way)
            << grid << NoteTitle::ItemAvailabilityReturned << DetailsBlock(item, true);
        QTest::addRow("empty domain, %s", way)
            << grid << NoteTitle::LogsCleared
            << NotificationSentence(QStringLiteral("Admin"), QStringLiteral(" cleared the User Logs  using "), {});
    }
}

void tst_journal::storedRow()
{
    QFETCH(bool, throughGrid);
    QFETCH(QString, title);
    QFETCH(QString, message);
    TestEnv env;
    PostingWindow window(env);
    const QTime before = QTime::currentTime();
    if (throughGrid) {
        QVERIFY(PostNotification(window.adoNot, title, message));
        QCOMPARE(window.adoNot.totalRowCount(), 1); // the control was refreshed
    } else {
        QVERIFY(PostNotification(env.db, title, message));
    }

    const Recordset rs = env.db.query(QStringLiteral("SELECT NoteDate, NoteTime, RE, Notification FROM tblNot"));
    QCOMPARE(rs.rowCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("NoteDate")), DateText());
    const QTime stamped = QTime::fromString(rs.text(QStringLiteral("NoteTime")), QStringLiteral("h:mm:ss AP"));
    QVERIFY(stamped.isValid());
    QVERIFY(qAbs(stamped.secsTo(before)) <= 2);
    QCOMPARE(rs.text(QStringLiteral("RE")), title);
    QCOMPARE(rs.text(QStringLiteral("Notification")), message); // CR LF kept as stored

    QVERIFY(DeleteAllNotifications(env.db));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
}

void tst_journal::twoInOneSecond()
{
    TestEnv env;
    PostingWindow window(env);
    QVERIFY(PostNotification(window.adoNot, NoteTitle::ItemVoid, QStringLiteral("one")));
    QVERIFY(PostNotification(window.adoNot, NoteTitle::ItemVoid, QStringLiteral("two")));
    env.exec(QStringLiteral("UPDATE tblNot SET NoteTime = '9:00:00 AM'")); // same second for certain
    QCOMPARE(env.count(QStringLiteral("tblNot")), 2);

    window.adoNot.Refresh();
    window.adoNot.setCurrentRow(0);
    QVERIFY(window.adoNot.Delete());
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot")), QStringLiteral("two"));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 1);
}

void tst_journal::failedPostingSaysSo()
{
    TestEnv env;
    PostingWindow window(env);
    env.exec(QStringLiteral("CREATE TRIGGER noNotes BEFORE INSERT ON tblNot BEGIN SELECT RAISE(ABORT, 'full'); END"));
    QVERIFY(!PostNotification(window.adoNot, NoteTitle::DatabaseBackup, QStringLiteral("x")));
    QCOMPARE(window.adoNot.totalRowCount(), 0);
    QString error;
    QVERIFY(!PostNotification(env.db, NoteTitle::DatabaseBackup, QStringLiteral("x"), &error));
    QVERIFY2(error.contains(QLatin1String("full")), qPrintable(error));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
    QVERIFY(env.messages.isEmpty()); // posting itself never shows a message
}

void tst_journal::postingReachesHiddenMain()
{
    TestEnv env;
    frmMain& main = env.main();
    main.hide(); // as while the point-of-sale window is open
    PostingWindow window(env);
    QVERIFY(PostNotification(window.adoNot, NoteTitle::ItemOutOfStock, DetailsBlock({}, true)));
    env.ctx.notificationsChanged();
    auto* grid = main.findChild<DataGrid*>(QStringLiteral("DataGrid1"));
    QVERIFY(grid);
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 2).data().toString(), NoteTitle::ItemOutOfStock);
}

QTEST_MAIN(tst_journal)
#include "tst_journal.moc"
