// The counts and the sold-item total the database keeps beside its large tables, checked
// against a fresh count(*) and a line-by-line sum after every kind of write, and the text
// searches that indexes serve, checked against the plain LIKE they replace.
#include "TestEnv.h"

#include "data/ContainsIndex.h"
#include "data/DataControl.h"
#include "data/Schema.h"
#include "inventory/InventoryData.h"
#include "registration/RegistrationData.h"
#include "returns/Returns.h"
#include "sales/Cart.h"

#include <QtTest>

#include <thread>

namespace {

const QStringList kCounted = {QStringLiteral("tblStocks"), QStringLiteral("tblSold"), QStringLiteral("tblSales"),
                              QStringLiteral("tblLogs"), QStringLiteral("tblNot")};

// Every way the kept figures differ from the rows themselves, one line each.
QStringList differences(Database& db)
{
    QStringList found;
    for (const QString& table : kCounted) {
        const Recordset r = db.query(QStringLiteral("SELECT count(*) FROM %1").arg(table));
        const qint64 counted = r.BOF() ? -1 : r.rows().first().first().toLongLong();
        const auto kept = keptRowCount(db, table);
        if (!kept || *kept != counted)
            found << QStringLiteral("%1: kept %2, counted %3").arg(table).arg(kept ? *kept : -1).arg(counted);
    }
    MoneyTotal fresh;
    int lines = 0;
    db.forEachRow(QStringLiteral("SELECT Amount FROM tblSold"), {}, [&](const QVector<QVariant>& row) {
        ++lines;
        fresh.add(row.first());
        return true;
    });
    if (!db.isServer()) {
        // The file's index of item texts: every three letters of each name and number, capitals
        // as small letters, ending in two letters of code 1; '' for a text beyond 1000 letters.
        QSet<QString> expected, kept;
        db.forEachRow(QStringLiteral("SELECT rowid, ItemName, ItemNumber FROM tblStocks"), {},
                      [&](const QVector<QVariant>& row) {
                          for (int column : {1, 2}) {
                              if (row.at(column).isNull())
                                  continue;
                              QString text = row.at(column).toString();
                              QString folded;
                              for (const QChar c : text)
                                  folded += c.unicode() < 128 ? c.toLower() : c;
                              folded += QStringLiteral("\x01\x01");
                              const auto key = [&](const QString& gram) {
                                  return QStringLiteral("%1|%2|%3").arg(column).arg(gram, row.first().toString());
                              };
                              if (text.size() > 1000)
                                  expected << key({});
                              for (qsizetype i = 0; i < std::min<qsizetype>(text.size(), 1000); ++i)
                                  expected << key(folded.mid(i, 3));
                          }
                          return true;
                      });
        db.forEachRow(
            QStringLiteral("SELECT Col, Gram, ItemRow FROM tblStocksGram"), {}, [&](const QVector<QVariant>& row) {
                kept
                    << QStringLiteral("%1|%2|%3").arg(row.at(0).toString(), row.at(1).toString(), row.at(2).toString());
                return true;
            });
        if (kept != expected)
            found << QStringLiteral("item grams: %1 kept, %2 expected, %3 in common")
                         .arg(kept.size())
                         .arg(expected.size())
                         .arg(QSet<QString>(kept).intersect(expected).size());
    }
    const InventoryData::SoldSum kept = InventoryData::sumAllSold(db);
    if (kept.lines != lines || kept.total.text() != fresh.text())
        found << QStringLiteral("sold total: kept %1 in %2 lines, summed %3 in %4")
                     .arg(kept.total.text())
                     .arg(kept.lines)
                     .arg(fresh.text())
                     .arg(lines);
    return found;
}

// A sale of two lines at `till`, paid; its number.
QString sell(Database& db, const QString& till, const QString& cashier)
{
    Cart cart(db, till);
    const QString sale = cart.nextSaleNumber();
    cart.addLine(QStringLiteral("1001"), QStringLiteral("2"), sale, cashier);
    cart.addLine(QStringLiteral("1002"), QStringLiteral("1"), sale, cashier);
    const QString due = cart.cartTotalText();
    const SaleResult paid = cart.completeSale(due, QStringLiteral("100000"), sale, cashier);
    return paid.outcome == SaleOutcome::Completed ? sale : QString();
}

// Makes the database as one made before it kept any figure: the upgrade must count it all.
void forgetKeptFigures(TestEnv& env)
{
    if (env.db.isServer()) {
        env.exec(QStringLiteral("DROP FUNCTION pemvix_count_added, pemvix_count_removed, pemvix_count_emptied, "
                                "pemvix_sold_added, pemvix_sold_removed CASCADE"));
        env.exec(QStringLiteral("DROP TABLE tblrowcount, tblsoldamount"));
        env.exec(QStringLiteral("DROP INDEX idxstocksnameprefix, idxstocksnametrgm"));
        return;
    }
    const Recordset triggers = env.db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger'"));
    for (const auto& row : triggers.rows())
        env.exec(QStringLiteral("DROP TRIGGER %1").arg(row.first().toString()));
    env.exec(QStringLiteral("DROP TABLE tblRowCount"));
    env.exec(QStringLiteral("DROP TABLE tblSoldAmount"));
    env.exec(QStringLiteral("DROP TABLE tblStocksGram"));
    env.exec(QStringLiteral("DROP TABLE tblGramSeq"));
}

} // namespace

class tst_KeptFigures : public QObject
{
    Q_OBJECT

private slots:
    void keptFiguresMatchTheRows_data();
    void keptFiguresMatchTheRows();
    void indexedSearchFindsTheLikeRows_data();
    void indexedSearchFindsTheLikeRows();
    void namesStartingWithTyped_data();
    void namesStartingWithTyped();
};

void tst_KeptFigures::keptFiguresMatchTheRows_data()
{
    QTest::addColumn<QString>("work");
    QTest::newRow("sales") << "sales";
    QTest::newRow("void of a line") << "void";
    QTest::newRow("cart cleared") << "clear";
    QTest::newRow("return") << "return";
    QTest::newRow("histories cleared, an open sale kept") << "history";
    QTest::newRow("import of items") << "import";
    QTest::newRow("items renamed, renumbered, deleted") << "items";
    QTest::newRow("amounts rewritten") << "rewrite";
    QTest::newRow("rolled back") << "rollback";
    QTest::newRow("two tills at once") << "tills";
    QTest::newRow("older database upgraded") << "upgrade";
}

void tst_KeptFigures::keptFiguresMatchTheRows()
{
    QFETCH(QString, work);
    TestEnv env;
    const QString cashier = QStringLiteral("Maria Santos");
    for (int i = 0; i < 4; ++i)
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemStocks, ItemAvailability) "
                                "VALUES (?, ?, ?, 1000, 'Available')"),
                 {QString::number(1001 + i), QStringLiteral("Item %1").arg(i), QStringLiteral("12.5")});
    env.exec(QStringLiteral("INSERT INTO tblLogs (LogDate, UserName) VALUES ('December 09, 2026', 'Admin')"));
    QVERIFY2(differences(env.db).isEmpty(), qPrintable(differences(env.db).join(u'\n')));

    if (work == u"sales") {
        for (int i = 0; i < 3; ++i)
            QVERIFY(!sell(env.db, QStringLiteral("1"), cashier).isEmpty());
    } else if (work == u"void") {
        Cart cart(env.db);
        const QString sale = cart.nextSaleNumber();
        QVERIFY(cart.addLine(QStringLiteral("1001"), QStringLiteral("3"), sale, cashier).outcome == AddOutcome::Added);
        QVERIFY(cart.addLine(QStringLiteral("1003"), QStringLiteral("1"), sale, cashier).outcome == AddOutcome::Added);
        const qint64 line = env.scalar(QStringLiteral("SELECT min(rowid) FROM tblPos")).toLongLong();
        QVERIFY(cart.removeLine(line, sale, cashier, QStringLiteral("frontdesk")).outcome == RemoveOutcome::Removed);
    } else if (work == u"clear") {
        Cart cart(env.db);
        const QString sale = cart.nextSaleNumber();
        QVERIFY(cart.addLine(QStringLiteral("1001"), QStringLiteral("3"), sale, cashier).outcome == AddOutcome::Added);
        QVERIFY(cart.addLine(QStringLiteral("1002"), QStringLiteral("2"), sale, cashier).outcome == AddOutcome::Added);
        QVERIFY(cart.clearCart(sale));
    } else if (work == u"return") {
        const QString sale = sell(env.db, QStringLiteral("1"), cashier);
        ReturnRequest request;
        request.saleNumber = sale;
        request.lines = {{QStringLiteral("1001"), QStringLiteral("1"), true}};
        request.signer = {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}};
        request.reason = QStringLiteral("damaged");
        request.confirmation = QStringLiteral("kept-figures-1");
        QCOMPARE(Returns(env.db).store(request).outcome, ReturnOutcome::Stored);
    } else if (work == u"history") {
        sell(env.db, QStringLiteral("1"), cashier);
        Cart open(env.db, QStringLiteral("2"));
        QVERIFY(open.addLine(QStringLiteral("1004"), QStringLiteral("1"), open.nextSaleNumber(), cashier).outcome ==
                AddOutcome::Added);
        for (const QString& table : {QStringLiteral("tblSold"), QStringLiteral("tblSales"), QStringLiteral("tblLogs")})
            QVERIFY(env.db.ExecuteSql(clearHistorySql(table)) >= 0);
        QCOMPARE(env.count(QStringLiteral("tblSold")), 1); // the open sale's line stays
    } else if (work == u"import") {
        QVector<RegistrationData::NewItem> items;
        for (int i = 0; i < 300; ++i)
            items.append({QStringLiteral("Imported %1").arg(i), QStringLiteral("5"), {}, {}, QStringLiteral("7"), {}});
        QStringList numbers;
        QString error;
        QVERIFY2(RegistrationData::registerItems(env.db, items, &numbers, &error), qPrintable(error));
        QCOMPARE(numbers.size(), 300);
    } else if (work == u"items") {
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES ('77', ?)"),
                 {QString(1100, u'a') + QStringLiteral("Long")});
        env.exec(
            QStringLiteral("UPDATE tblStocks SET ItemName = 'Caf\u00e9 CR\u00c8ME 1 L' WHERE ItemNumber = '1001'"));
        env.exec(QStringLiteral("UPDATE tblStocks SET ItemName = 'ITEM 1' WHERE ItemNumber = '1002'"));
        env.exec(QStringLiteral("UPDATE tblStocks SET ItemNumber = '5005', ItemName = NULL WHERE ItemNumber = '1003'"));
        env.exec(QStringLiteral("UPDATE tblStocks SET ItemName = 'Short' WHERE ItemNumber = '77'"));
        env.exec(QStringLiteral("DELETE FROM tblStocks WHERE ItemNumber = '1004'"));
    } else if (work == u"rewrite") {
        sell(env.db, QStringLiteral("1"), cashier);
        sell(env.db, QStringLiteral("1"), cashier);
        // Two lines to one new amount, one to a text that is no number, one to nothing.
        env.exec(QStringLiteral("UPDATE tblSold SET Amount = '1,250.50' WHERE ItemNumber = '1001'"));
        env.exec(QStringLiteral("UPDATE tblSold SET Amount = 'n/a' WHERE rowid = (SELECT min(rowid) FROM tblSold "
                                "WHERE ItemNumber = '1002')"));
        env.exec(QStringLiteral("UPDATE tblSold SET Amount = NULL WHERE rowid = (SELECT max(rowid) FROM tblSold)"));
    } else if (work == u"rollback") {
        sell(env.db, QStringLiteral("1"), cashier);
        Transaction tx(env.db);
        QVERIFY(tx.isActive());
        env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, Amount) VALUES ('99', '10')"));
        env.exec(QStringLiteral("DELETE FROM tblSales"));
        env.exec(QStringLiteral("INSERT INTO tblNot (RE) VALUES ('gone')"));
        // never committed: the transaction ends with nothing of it stored
    } else if (work == u"tills") {
        // Till 2 sells on its own connection while till 1 sells here: the triggers of both run
        // in their own transactions against the same kept rows.
        bool opened = false;
        std::thread other([&] {
            Database second;
            opened = env.openAnother(second);
            for (int i = 0; opened && i < 15; ++i)
                sell(second, QStringLiteral("2"), QStringLiteral("Jose Reyes"));
        });
        for (int i = 0; i < 15; ++i)
            sell(env.db, QStringLiteral("1"), cashier);
        other.join();
        QVERIFY(opened);
        QCOMPARE(env.count(QStringLiteral("tblSales")), 30);
    } else if (work == u"upgrade") {
        sell(env.db, QStringLiteral("1"), cashier);
        forgetKeptFigures(env);
        sell(env.db, QStringLiteral("1"), cashier);
        QVERIFY2(env.db.isServer() ? upgradeServerSchema(env.db) : upgradeSchema(env.db),
                 qPrintable(env.db.lastError()));
        if (env.db.isServer())
            QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname IN "
                                               "('idxstocksnameprefix', 'idxstocksnametrgm')")),
                     QStringLiteral("2"));
        sell(env.db, QStringLiteral("1"), cashier);
    }
    const QStringList found = differences(env.db);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void tst_KeptFigures::indexedSearchFindsTheLikeRows_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("a word") << "ItemName"
                            << "juice";
    QTest::newRow("percent") << "ItemName"
                             << "%";
    QTest::newRow("percent in a word") << "ItemName"
                                       << "100%";
    QTest::newRow("underscore") << "ItemName"
                                << "_";
    QTest::newRow("underscore in a word") << "ItemName"
                                          << "50_50";
    QTest::newRow("quote") << "ItemName"
                           << "O'B";
    QTest::newRow("two quotes") << "ItemName"
                                << "''";
    QTest::newRow("backslash") << "ItemName"
                               << "\\";
    QTest::newRow("accent") << "ItemName"
                            << "café";
    QTest::newRow("accent in capitals") << "ItemName"
                                        << "CAFÉ";
    QTest::newRow("umlaut") << "ItemBrand"
                            << "ärger";
    QTest::newRow("availability") << "ItemAvailability"
                                  << "vailab";
    QTest::newRow("item number") << "ItemNumber"
                                 << "10";
    QTest::newRow("nothing like it") << "ItemName"
                                     << "zzqx";
    QTest::newRow("one letter") << "ItemName"
                                << "j";
    QTest::newRow("two letters ending names") << "ItemName"
                                              << "39";
    QTest::newRow("a number's last digit") << "ItemNumber"
                                           << "7";
    QTest::newRow("far into a long name") << "ItemName"
                                          << "needle";
    QTest::newRow("a brand") << "ItemBrand"
                             << "sun";
    QTest::newRow("no brand holds it") << "ItemBrand"
                                       << "zz";
}

void tst_KeptFigures::indexedSearchFindsTheLikeRows()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    TestEnv env;
    const QStringList names = {
        QStringLiteral("Orange Juice 1 L"), QStringLiteral("100% Juice"),    QStringLiteral("50_50 Mix"),
        QStringLiteral("5050 Mix"),         QStringLiteral("O'Brien's Tea"), QStringLiteral("Quote '' Twice"),
        QStringLiteral("Back\\slash"),      QStringLiteral("Café Noir"),     QStringLiteral("CAFÉ LATTE"),
        QStringLiteral("cafe plain"),       QStringLiteral("JUICE box"),     QStringLiteral("Tea")};
    const QStringList brands = {QStringLiteral("Ärger"), QStringLiteral("ärger"), QStringLiteral("Arger"),
                                QStringLiteral("Sunny")};
    // Rowids far apart, so the list is gathered a slice of rowids at a time.
    for (int i = 0; i < 240; ++i)
        env.exec(QStringLiteral("INSERT INTO tblStocks (rowid, ItemNumber, ItemName, ItemBrand, ItemStocks, "
                                "ItemAvailability) VALUES (?, ?, ?, ?, ?, ?)"),
                 {(i + 1) * 500, QString::number(1000 + i * 7),
                  names.at(i % names.size()) + QStringLiteral(" %1").arg(i), brands.at(i % brands.size()), i % 5,
                  i % 5 ? QStringLiteral("Available") : QStringLiteral("Out of Stock")});
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES ('9', ?)"),
             {QString(1200, u'x') + QStringLiteral("Needle")});
    if (env.db.isServer()) {
        // The planner reads a table this small whole; made to go through the indexes instead.
        env.exec(QStringLiteral("ANALYZE tblstocks"));
        QVERIFY(env.db.executeScript(QStringLiteral("SET enable_seqscan = off; SET enable_indexscan = off")));
    }
    // What the program's search finds, every page of it.
    DataControl list(env.db);
    list.setRecordSource(QStringLiteral("SELECT ItemNumber, ItemName FROM tblStocks"));
    QVERIFY(list.setFilter(column, text));
    QTRY_VERIFY(!list.isFilling());
    while (list.canFetchMore({})) {
        list.fetchMore({});
        QTRY_VERIFY(!list.isFilling());
    }
    QList<qint64> found;
    for (int row = 0; row < list.rowCount(); ++row)
        found << list.rowId(row);
    QCOMPARE(list.totalRowCount(), found.size());
    DataControl counted(env.db);
    counted.setRecordSource(QStringLiteral("SELECT ItemNumber FROM tblStocks"));
    QVERIFY(counted.setFilter(column, text));
    QTRY_VERIFY_WITH_TIMEOUT(counted.countStep(1), 20000);
    QCOMPARE(counted.knownRowCount(), found.size());
    // On the file the search went through the items' index.
    if (!env.db.isServer())
        QVERIFY(!narrowContains(env.db, QStringLiteral("tblStocks"), column, text).isNone());

    // What the plain LIKE of the file, or citext's LIKE on the server, finds read row by row.
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    if (env.db.isServer())
        QVERIFY(env.db.executeScript(QStringLiteral("SET enable_seqscan = on; SET enable_indexscan = on; "
                                                    "SET enable_bitmapscan = off")));
    const QString plain = env.db.isServer() ? QStringLiteral("CAST(%1 AS citext) LIKE ? ESCAPE '\\'")
                                            : QStringLiteral("%1 LIKE ? ESCAPE '\\'");
    const Recordset expected =
        env.db.query(QStringLiteral("SELECT rowid FROM tblStocks WHERE %1 ORDER BY rowid").arg(plain.arg(column)),
                     {QLatin1Char('%') + escaped + QLatin1Char('%')});
    QVERIFY(expected.State());
    QList<qint64> like;
    for (const auto& row : expected.rows())
        like << row.first().toLongLong();
    QCOMPARE(found, like);

    if (env.db.isServer()) {
        // The program's search of this column is one its trigram index serves.
        QVERIFY(env.db.executeScript(
            QStringLiteral("SET enable_bitmapscan = on; SET enable_seqscan = off; SET enable_indexscan = off")));
        const Recordset plan =
            env.db.query(QStringLiteral("EXPLAIN SELECT rowid FROM tblStocks WHERE %1 ORDER BY rowid")
                             .arg(env.db.containsSql(env.db.quoteIdentifier(column))),
                         {QStringLiteral("%abc%")});
        QString steps;
        for (const auto& row : plan.rows())
            steps += row.first().toString() + u'\n';
        QVERIFY2(steps.contains(QLatin1String("trgm")), qPrintable(steps));
    }
}

void tst_KeptFigures::namesStartingWithTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("nothing yet") << "";
    QTest::newRow("a letter") << "s";
    QTest::newRow("capitals") << "SUN";
    QTest::newRow("with a space") << "sunny o";
    QTest::newRow("percent") << "100%";
    QTest::newRow("underscore") << "50_";
    QTest::newRow("quote") << "o'b";
    QTest::newRow("accent") << "caf\u00e9";
    QTest::newRow("last letter there is") << "z";
    QTest::newRow("none") << "qqq";
}

void tst_KeptFigures::namesStartingWithTyped()
{
    QFETCH(QString, typed);
    TestEnv env;
    const QStringList names = {
        QStringLiteral("Sunny Orange"), QStringLiteral("sunny oats"), QStringLiteral("SUNNY"),
        QStringLiteral("Sun"),          QStringLiteral("Sundae"),     QStringLiteral("100% Juice"),
        QStringLiteral("1000 Mix"),     QStringLiteral("50_50"),      QStringLiteral("5050"),
        QStringLiteral("O'Brien"),      QStringLiteral("Obrien"),     QStringLiteral("Café"),
        QStringLiteral("CAFÉ"),         QStringLiteral("Cafe"),       QStringLiteral("Zz"),
        QStringLiteral("zebra"),        QStringLiteral("Soap")};
    for (int i = 0; i < 120; ++i)
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES (?, ?)"),
                 {QString::number(1001 + i),
                  names.at(i % names.size()) + (i < names.size() ? QString() : QStringLiteral(" %1").arg(i))});
    Cart cart(env.db);
    QStringList found;
    QVERIFY(cart.itemNamesStartingWith(typed, Cart::kTypedNameList, found));

    // Every name read and compared here: those starting with the typed text, letter case
    // ignored as each engine ignores it, in the engine's name order, the first 50.
    QString escaped = typed;
    escaped.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    const QString sql =
        env.db.isServer() ? QStringLiteral("SELECT ItemName FROM tblStocks WHERE CAST(ItemName AS text) ILIKE ? ESCAPE "
                                           "'\\' ORDER BY lower(CAST(ItemName AS text)) COLLATE \"C\", rowid LIMIT 50")
                          : QStringLiteral("SELECT ItemName FROM tblStocks WHERE ItemName LIKE ? ESCAPE '\\' "
                                           "ORDER BY ItemName, rowid LIMIT 50");
    const Recordset like = env.db.query(sql, {escaped + QLatin1Char('%')});
    QVERIFY(like.State());
    QStringList expected;
    for (const auto& row : like.rows())
        expected << row.first().toString();
    QCOMPARE(found, expected);
}

QTEST_MAIN(tst_KeptFigures)
#include "tst_keptfigures.moc"
