#include "app/DatabaseChoice.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

// Which database a copy of the program opens, from pemvix.conf beside it and its environment.
class tst_Choice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
};

void tst_Choice::choice_data()
{
    QTest::addColumn<QString>("conf");    // pemvix.conf, or none when empty
    QTest::addColumn<QStringList>("env"); // NAME=VALUE
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("till"); // "<host>" for the machine's host name
    QTest::newRow("no setting: the file") << "" << QStringList{} << ""
                                          << "";
    QTest::newRow("till alone is no server") << "[server]\ntill=Front\n"
                                             << QStringList{} << ""
                                             << "";
    QTest::newRow("PEMVIX_TILL alone is no server") << "" << QStringList{"PEMVIX_TILL=Front"} << ""
                                                    << "";
    QTest::newRow("conf service and till") << "[server]\nservice=shop\ntill=Front counter\n"
                                           << QStringList{} << "service='shop'"
                                           << "Front counter";
    QTest::newRow("host name by default") << "[server]\nservice=shop\n"
                                          << QStringList{} << "service='shop'"
                                          << "<host>";
    QTest::newRow("PGSERVICE") << "" << QStringList{"PGSERVICE=shop"} << "service='shop'"
                               << "<host>";
    QTest::newRow("conf before PGSERVICE") << "[server]\nservice=shop\n"
                                           << QStringList{"PGSERVICE=other"} << "service='shop'"
                                           << "<host>";
    QTest::newRow("PEMVIX_TILL overrides the conf") << "[server]\nservice=shop\ntill=Front\n"
                                                    << QStringList{"PEMVIX_TILL=Back"} << "service='shop'"
                                                    << "Back";
    // The conf's till is the text after "=" as written; one that cannot be kept is refused (no
    // till, and a reason), never made into another name.
    QTest::newRow("comma, semicolon and quotes are the name's")
        << "[server]\nservice=shop\ntill=Counter 1, left; \"new\" one\n"
        << QStringList{} << "service='shop'"
        << "Counter 1, left; \"new\" one";
    QTest::newRow("blanks and quotes around the name") << "[server]\r\nservice=shop\r\ntill = \"Back office\" \r\n"
                                                       << QStringList{} << "service='shop'"
                                                       << "Back office";
    QTest::newRow("the server section's last till") << "[other]\ntill=X\n[server]\nservice=shop\ntill=A\ntill=B\n"
                                                    << QStringList{} << "service='shop'"
                                                    << "B";
    QTest::newRow("a tab is refused") << "[server]\nservice=shop\ntill=Front\tleft\n"
                                      << QStringList{} << "service='shop'"
                                      << "";
    QTest::newRow("not UTF-8 is refused") << "[server]\nservice=shop\ntill=Caf<FF>\n"
                                          << QStringList{} << "service='shop'"
                                          << "";
    QTest::newRow("a quote cannot add a setting")
        << "" << QStringList{"PGSERVICE=x' sslmode='disable"} << "service='x\\' sslmode=\\'disable'"
        << "<host>";
}

void tst_Choice::choice()
{
    QFETCH(QString, conf);
    QFETCH(QStringList, env);
    QFETCH(QString, connection);
    QFETCH(QString, till);
    QTemporaryDir dir;
    if (!conf.isEmpty()) {
        QFile f(QDir(dir.path()).filePath(DatabaseChoice::confName()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(conf.toUtf8().replace("<FF>", "\xff"));
    }
    QProcessEnvironment environment;
    for (const QString& pair : env)
        environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    const DatabaseChoice choice = DatabaseChoice::choose(dir.path(), environment);
    QCOMPARE(choice.connection, connection);
    QCOMPARE(choice.onServer(), !connection.isEmpty());
    QCOMPARE(choice.filePath,
             connection.isEmpty() ? QDir(dir.path()).filePath(QStringLiteral("dbZarel.mdb")) : QString());
    QCOMPARE(choice.till, till == u"<host>" ? QSysInfo::machineHostName() : till);
    QCOMPARE(!choice.tillRefused.isEmpty(), choice.onServer() && till.isEmpty());
}

QTEST_MAIN(tst_Choice)
#include "tst_choice.moc"
