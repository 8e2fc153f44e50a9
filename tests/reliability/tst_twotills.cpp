#include "Invariants.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

// Two real copies of the program, each a till driven through its own windows, selling from one
// database file at the same time.
namespace {

constexpr double kStock = 100000;

struct Sale
{
    QString number;
    QString due;
    QString items; // "ITEMxQTY,..." in the order rung up
};

// What one till's journal says it did.
struct Journal
{
    int till = 0;
    QList<Sale> paid;
    Sale open;
    bool done = false;
    QString adopted; // the cart found at the last start
    QStringList problems; // mismatches and writes reported as not saved

    static Journal read(const QString& path)
    {
        Journal j;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return j;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList w = line.split(u' ');
            if (w.first() == QLatin1String("till"))
                j.till = w.value(1).toInt();
            else if (w.first() == QLatin1String("paid"))
                j.paid << Sale{w.value(1), w.value(2), w.value(3)};
            else if (w.first() == QLatin1String("open"))
                j.open = Sale{w.value(1), {}, w.value(2)};
            else if (w.first() == QLatin1String("done"))
                j.done = true;
            else if (w.first() == QLatin1String("adopted"))
                j.adopted = w.value(1);
            else
                j.problems << line;
        }
        return j;
    }
};

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

class Shop
{
public:
    Shop()
    {
        // The program keeps its database beside itself, so each shop gets its own copy of it.
        const QString bin = qEnvironmentVariable("PEMVIX_BIN_DIR") + QStringLiteral("/pemvix");
        if (!QFile::copy(bin, program()))
            qFatal("cannot copy %s", qPrintable(bin));
        InitOptions options;
        options.adminPassword = QStringLiteral("admin-pass");
        QString error;
        if (!createDatabaseFile(db(), options, &error))
            qFatal("%s", qPrintable(error));
        Database d;
        if (!d.open(db()) || !seedItems(d, 20, kStock) ||
            d.ExecuteSql(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Position, Password) VALUES "
                                        "('1', 'Ann One', 'Cashier', 'one'), ('2', 'Ben Two', 'Cashier', 'two')")) != 2)
            qFatal("cannot seed the shop: %s", qPrintable(d.lastError()));
    }
    QString program() const { return m_dir.filePath(QStringLiteral("pemvix")); }
    QString db() const { return m_dir.filePath(Database::fileName()); }
    QString journal(int n) const { return m_dir.filePath(QStringLiteral("journal%1").arg(n)); }

    // Starts a copy signed in as employee `user`, selling for `seconds`.
    std::unique_ptr<QProcess> start(int user, int seconds)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path()); // this shop's own locks
        env.insert(QStringLiteral("PEMVIX_TILL_DRIVER"), journal(user));
        env.insert(QStringLiteral("PEMVIX_DRIVER_USER"), QString::number(user));
        env.insert(QStringLiteral("PEMVIX_DRIVER_PASSWORD"), user == 1 ? QStringLiteral("one") : QStringLiteral("two"));
        env.insert(QStringLiteral("PEMVIX_DRIVER_SECONDS"), QString::number(seconds));
        env.insert(QStringLiteral("PEMVIX_DRIVER_SEED"), QString::number(envInt("PEMVIX_TILLS_SEED", 1)));
        p->setProcessEnvironment(env);
        // The offscreen platform's chatter stays out of the test log; the journal says what happened.
        p->setStandardOutputFile(m_dir.filePath(QStringLiteral("out%1").arg(user)));
        p->setStandardErrorFile(m_dir.filePath(QStringLiteral("err%1").arg(user)));
        p->start(program(), {});
        if (!p->waitForStarted())
            qFatal("pemvix did not start");
        // The till number is taken at start; wait for it before another copy starts.
        for (int i = 0; i < 500 && Journal::read(journal(user)).till == 0; ++i)
            QTest::qWait(20);
        return p;
    }

private:
    QTemporaryDir m_dir;
};

bool finished(QProcess& p, int seconds)
{
    return p.state() == QProcess::NotRunning || p.waitForFinished(seconds * 1000);
}

QString scalar(Database& db, const QString& sql, const QVariantList& params = {})
{
    const Recordset r = db.query(sql, params);
    return r.BOF() ? QString() : r.rows().first().first().toString();
}

QString soldItems(Database& db, const QString& sale)
{
    return scalar(db,
                  QStringLiteral("SELECT group_concat(ItemNumber || 'x' || Quantity) FROM (SELECT * FROM tblSold WHERE "
                                 "TransactionID = ? ORDER BY rowid)"),
                  {sale});
}

// Checks a till's journal against the file: each paid sale's sold lines are exactly what that
// cashier rang up, under its own number and name; the open cart is what the cashier left.
// `killed` is set for a till that was killed once: the journal may miss a sale it completed
// at the moment of the kill.
QStringList checkTill(Database& db, const Journal& j, const QString& cashier, bool killed = false)
{
    QStringList broken = j.problems;
    if (!j.done)
        broken << QStringLiteral("till %1 did not finish").arg(j.till);
    QStringList dues;
    for (const Sale& sale : j.paid) {
        if (soldItems(db, sale.number) != sale.items)
            broken << QStringLiteral("sale %1 of %2: rung up %3, sold lines %4")
                          .arg(sale.number, cashier, sale.items, soldItems(db, sale.number));
        const QString names =
            scalar(db, QStringLiteral("SELECT group_concat(DISTINCT Cashier) FROM tblSold WHERE TransactionID = ?"),
                   {sale.number});
        if (names != cashier)
            broken << QStringLiteral("sale %1 has lines of %2").arg(sale.number, names);
        dues << FormatText(sale.due, NumberPattern::Plain2);
    }
    const Recordset stored =
        db.query(QStringLiteral("SELECT AmountDue FROM tblSales WHERE Cashier = ? ORDER BY rowid"), {cashier});
    QStringList storedDues;
    for (const auto& row : stored.rows())
        storedDues << row.first().toString();
    QStringList unmatched = storedDues;
    for (const QString& due : dues)
        unmatched.removeOne(due);
    if (killed ? unmatched.size() > 1 || storedDues.size() != dues.size() + unmatched.size() : storedDues != dues)
        broken << QStringLiteral("%1's sales: paid %2, stored %3").arg(cashier, dues.join(u' '), storedDues.join(u' '));
    const QString cart = scalar(db,
                                QStringLiteral("SELECT group_concat(ItemNumber || 'x' || itemQuantity) FROM (SELECT * "
                                               "FROM tblPos WHERE Till = ? ORDER BY rowid)"),
                                {j.till});
    if (cart != j.open.items)
        broken << QStringLiteral("till %1 left %2 but its cart holds %3").arg(j.till).arg(j.open.items, cart);
    // Whatever a till's cart holds sits under one sale number with matching sold lines.
    const QString numbers =
        scalar(db, QStringLiteral("SELECT group_concat(DISTINCT SaleNumber) FROM tblPos WHERE Till = ?"), {j.till});
    if (!cart.isEmpty() && soldItems(db, numbers) != cart)
        broken << QStringLiteral("till %1's cart %2 under sale %3 with sold lines %4")
                      .arg(j.till)
                      .arg(cart, numbers, soldItems(db, numbers));
    if (!cart.isEmpty() && numbers != j.open.number)
        broken << QStringLiteral("till %1 showed sale %2 but its lines are under %3")
                      .arg(j.till)
                      .arg(j.open.number, numbers);
    return broken;
}

// No two sales share a number: neither two paid ones nor a paid one and an open cart.
QStringList checkNumbers(Database& db, const QList<Journal>& journals)
{
    QStringList broken;
    QHash<QString, int> seen;
    for (const Journal& j : journals) {
        for (const Sale& sale : j.paid) {
            if (seen.contains(sale.number))
                broken << QStringLiteral("sale number %1 used by till %2 and till %3")
                              .arg(sale.number)
                              .arg(seen[sale.number])
                              .arg(j.till);
            seen.insert(sale.number, j.till);
        }
    }
    const Recordset open = db.query(QStringLiteral("SELECT DISTINCT Till, SaleNumber FROM tblPos"));
    for (const auto& row : open.rows()) {
        const QString number = row.at(1).toString();
        if (seen.contains(number))
            broken << QStringLiteral("till %1's open sale %2 has the number of a sale of till %3")
                          .arg(row.at(0).toString(), number)
                          .arg(seen[number]);
    }
    const QString split = scalar(db, QStringLiteral("SELECT count(*) FROM (SELECT TransactionID FROM tblSold GROUP BY "
                                                    "TransactionID HAVING count(DISTINCT Cashier) > 1)"));
    if (split != QLatin1String("0"))
        broken << QStringLiteral("%1 sale numbers hold lines of both cashiers").arg(split);
    return broken;
}

} // namespace

class tst_TwoTills : public QObject
{
    Q_OBJECT

private slots:
    void sellAtOnce();
    void oneTillKilled();
};

// Both tills sell, void, clear and pay for PEMVIX_TILLS_SECONDS (60 by default).
void tst_TwoTills::sellAtOnce()
{
    Shop shop;
    const int seconds = envInt("PEMVIX_TILLS_SECONDS", 60);
    auto first = shop.start(1, seconds);
    auto second = shop.start(2, seconds);
    QVERIFY(finished(*first, seconds + 120));
    QVERIFY(finished(*second, 60));
    const Journal one = Journal::read(shop.journal(1));
    const Journal two = Journal::read(shop.journal(2));
    QCOMPARE(one.till, 1);
    QCOMPARE(two.till, 2);
    qInfo("till 1 paid %d sales, till 2 paid %d", int(one.paid.size()), int(two.paid.size()));
    QVERIFY(!one.paid.isEmpty() && !two.paid.isEmpty());

    QStringList broken = checkShopFile(shop.db(), kStock, false);
    Database db;
    QVERIFY(db.open(shop.db()));
    broken << checkTill(db, one, QStringLiteral("Ann One")) << checkTill(db, two, QStringLiteral("Ben Two"))
           << checkNumbers(db, {one, two});
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
}

// Till 2 is killed halfway while till 1 goes on selling (half of PEMVIX_TILLS_SECONDS each),
// then started again.
void tst_TwoTills::oneTillKilled()
{
    Shop shop;
    const int seconds = std::max(10, envInt("PEMVIX_TILLS_SECONDS", 60) / 2);
    auto first = shop.start(1, seconds * 2);
    auto second = shop.start(2, seconds * 2);
    QTest::qWait(seconds * 1000);
    QVERIFY(second->state() == QProcess::Running);
    ::kill(static_cast<pid_t>(second->processId()), SIGKILL);
    QVERIFY(finished(*second, 10));
    const Journal killed = Journal::read(shop.journal(2));
    QCOMPARE(killed.till, 2);
    QVERIFY(!killed.done);
    // Restarted, the cashier's copy is till 2 again and finds its cart as the kill left it.
    auto again = shop.start(2, seconds / 2);
    QVERIFY(finished(*first, seconds + 120));
    QVERIFY(finished(*again, 120));
    const Journal one = Journal::read(shop.journal(1));
    const Journal two = Journal::read(shop.journal(2)); // both runs of till 2
    QCOMPARE(two.till, 2);
    QVERIFY(two.done);
    QVERIFY(!one.paid.isEmpty());
    qInfo("till 2 found %s in its cart after the restart", qPrintable(two.adopted));

    QStringList broken = checkShopFile(shop.db(), kStock, false);
    Database db;
    QVERIFY(db.open(shop.db()));
    broken << checkTill(db, one, QStringLiteral("Ann One")) << checkTill(db, two, QStringLiteral("Ben Two"), true)
           << checkNumbers(db, {one, two});
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
}

QTEST_GUILESS_MAIN(tst_TwoTills)
#include "tst_twotills.moc"
