#include "Invariants.h"

#include "TestEnv.h"

#include "admin/frmSetting.h"
#include "data/DataControl.h"
#include "data/TextForms.h"
#include "inventory/frmInvent.h"
#include "platform/DataGrid.h"
#include "registration/frmReg.h"
#include "sales/Cart.h"
#include "sales/frmPOS.h"
#include "sales/frmTotal.h"
#include "session/frmMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>

namespace {

constexpr double kStock = 100000;

// Texts a careless or hostile user might type: quotes and statement fragments, LIKE
// wildcards, control characters, right-to-left and emoji characters, a NUL, and a long text.
QStringList hostileTexts()
{
    return {QStringLiteral("'"),
            QStringLiteral("' or ''='"),
            QStringLiteral("%"),
            QStringLiteral("_"),
            QStringLiteral("1;-- DROP TABLE tblStocks"),
            QStringLiteral("a\tb\nc"),
            QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u200Fabc"),
            QStringLiteral("\U0001F6D2\U0001F4A5"),
            QString(QChar(0)) + QStringLiteral("x"),
            QString(10000, QLatin1Char('7'))};
}

// Every row of every table, by table and rowid.
using Snapshot = QMap<QString, QMap<qint64, QString>>;

Snapshot snapshot(Database& db)
{
    Snapshot shot;
    const Recordset tables =
        db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'tbl%'"));
    for (const auto& t : tables.rows()) {
        const QString table = t.first().toString();
        // The counts and the items' search index the database keeps follow every row written; they
        // are not rows an action changes.
        if (table == u"tblRowCount" || table == u"tblSoldAmount" || table == u"tblStocksGram" || table == u"tblGramSeq")
            continue;
        const Recordset rows = db.query(QStringLiteral("SELECT rowid, * FROM %1").arg(table));
        for (const auto& row : rows.rows()) {
            QStringList values;
            for (qsizetype c = 1; c < row.size(); ++c)
                values << row.at(c).toString();
            shot[table].insert(row.first().toLongLong(), values.join(QChar(0x1f)));
        }
    }
    return shot;
}

// The rows an action changed or removed (appending is what most actions do).
QStringList touched(const Snapshot& before, const Snapshot& after)
{
    QStringList changes;
    for (auto t = before.cbegin(); t != before.cend(); ++t) {
        const auto& now = after.value(t.key());
        for (auto r = t.value().cbegin(); r != t.value().cend(); ++r) {
            if (!now.contains(r.key()))
                changes << QStringLiteral("%1 row %2 removed").arg(t.key()).arg(r.key());
            else if (now.value(r.key()) != r.value())
                changes << QStringLiteral("%1 row %2 changed").arg(t.key()).arg(r.key());
        }
    }
    return changes;
}

void typeInto(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->clear();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->clear();
    } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
        rich->clear();
    }
    // Printable ASCII goes as ordinary key clicks; control characters, non-Latin text and
    // emoji go as key events that carry their text, as an input method would send them.
    // A long text arrives in one event, as a paste from a scanner's buffer or an input method would.
    if (text.size() > 200) {
        QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, text, Qt::NoModifier);
        return;
    }
    const QList<uint> points = text.toUcs4();
    for (const uint cp : points) {
        if (cp >= 32 && cp < 127) {
            QTest::keyClick(box, static_cast<char>(cp));
            continue;
        }
        const Qt::Key key = cp == '\t' ? Qt::Key_Tab : cp == '\n' ? Qt::Key_Return : Qt::Key_unknown;
        const QString chars = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
        QTest::sendKeyEvent(QTest::Press, box, key, chars, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, key, chars, Qt::NoModifier);
    }
}

} // namespace

class tst_BadInput : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data();
    void sweep();
    void cashSweep_data();
    void cashSweep();
    void prices_data();
    void prices();
};

void tst_BadInput::sweep_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("actions");
    QTest::newRow("frmMain") << "frmMain" << QStringList{QStringLiteral("Login")};
    QTest::newRow("frmPOS") << "frmPOS" << QStringList{QStringLiteral("Add")};
    QTest::newRow("frmReg") << "frmReg" << QStringList{QStringLiteral("Register")};
    QTest::newRow("frmInvent") << "frmInvent" << QStringList{QStringLiteral("Add Stock"), QStringLiteral("Edit Stock")};
    QTest::newRow("frmSetting") << "frmSetting"
                                << QStringList{QStringLiteral("Update"), QStringLiteral("Register"),
                                               QStringLiteral("Set")};
}

// Every editable box of the window gets each hostile text through real key events, then the
// window's main actions are pressed with every question answered Yes: nothing crashes, no
// statement touches more than the one row it is meant for, the file stays sound and the
// boxes keep their length limits.
void tst_BadInput::sweep()
{
    QFETCH(QString, window);
    QFETCH(QStringList, actions);
    TestEnv env;
    QVERIFY(seedItems(env.db, 5, kStock));
    env.setSession(TestEnv::adminUser(), QStringLiteral("Administrator"));
    env.answerYesToAll();
    std::unique_ptr<QWidget> owned;
    QWidget* w = nullptr;
    if (window == QLatin1String("frmMain"))
        w = &env.main();
    else if (window == QLatin1String("frmPOS"))
        owned = std::make_unique<frmPOS>(env.ctx);
    else if (window == QLatin1String("frmReg"))
        owned = std::make_unique<frmReg>(env.ctx);
    else if (window == QLatin1String("frmInvent"))
        owned = std::make_unique<frmInvent>(env.ctx);
    else
        owned = std::make_unique<frmSetting>(env.ctx);
    if (!w)
        w = owned.get();
    w->show();

    QList<QWidget*> boxes;
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) {
        if (!e->isReadOnly() && e->isEnabled() && !qobject_cast<QComboBox*>(e->parentWidget()))
            boxes << e;
    }
    for (QPlainTextEdit* e : w->findChildren<QPlainTextEdit*>()) {
        if (!e->isReadOnly())
            boxes << e;
    }
    int tried = 0;
    for (const QString& text : hostileTexts()) {
        for (QWidget* box : boxes) {
            typeInto(box, text);
            ++tried;
            if (auto* line = qobject_cast<QLineEdit*>(box))
                QVERIFY2(line->text().size() <= line->maxLength(), qPrintable(line->objectName()));
        }
        for (const QString& caption : actions) {
            for (QAbstractButton* button : w->findChildren<QAbstractButton*>()) {
                if (button->text() != caption || !button->isEnabled())
                    continue;
                const Snapshot before = snapshot(env.db);
                button->click();
                const QStringList changes = touched(before, snapshot(env.db));
                // An intended action updates one row at most (a counter, a stock, a setting).
                QVERIFY2(changes.size() <= 1,
                         qPrintable(caption + QStringLiteral(": ") + changes.join(QStringLiteral("; "))));
            }
        }
    }
    const QStringList broken = checkShopInvariants(env.db, kStock, true);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
    const Recordset check = env.db.query(QStringLiteral("PRAGMA integrity_check"));
    QCOMPARE(check.rows().first().first().toString(), QStringLiteral("ok"));
    qInfo("%s: %d inputs tried in %lld boxes", qPrintable(window), tried, static_cast<long long>(boxes.size()));
}

void tst_BadInput::cashSweep_data()
{
    QTest::addColumn<QString>("cash");
    QTest::addColumn<bool>("byEnter");
    const QStringList texts = hostileTexts();
    for (int i = 0; i < texts.size(); ++i) {
        QTest::addRow("text %d alone", i) << texts.at(i) << false;
        // A covering amount first, so that Submit and Finish run with the hostile rest in the box.
        QTest::addRow("text %d after 500", i) << QStringLiteral("500") + texts.at(i) << true;
    }
}

// Hostile text typed into the payment window's cash box, then Submit, more typing, and Finish
// (or Enter): nothing crashes, and a stored sale holds exactly the cash and the change the
// cashier saw at the last Submit, for the amount due shown.
void tst_BadInput::cashSweep()
{
    QFETCH(QString, cash);
    QFETCH(bool, byEnter);
    TestEnv env;
    QVERIFY(seedItems(env.db, 5, kStock));
    Cart cart(env.db);
    QCOMPARE(cart.addLine(QStringLiteral("1001"), QStringLiteral("2"), cart.nextSaleNumber(), QStringLiteral("Admin"))
                 .outcome,
             AddOutcome::Added);
    const QString due = FormatText(cart.cartTotalText(), NumberPattern::Grouped2);
    frmTotal total(env.ctx, due, cart.nextSaleNumber(), QStringLiteral("Admin"));
    total.show();
    auto* box = total.findChild<QLineEdit*>(QStringLiteral("tAmt"));
    auto* submit = total.findChild<QPushButton*>(QStringLiteral("cmdOrder"));
    auto* finish = total.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    auto* change = total.findChild<QLabel*>(QStringLiteral("lblChange"));
    QVERIFY(box && submit && finish && change);

    typeInto(box, cash);
    QString seenCash, seenChange;
    if (submit->isEnabled()) {
        submit->click();
        seenCash = box->text();
        seenChange = change->text();
        QVERIFY2(ColumnNumber(seenChange).value_or(-1) >= 0, qPrintable(seenChange));
    }
    typeInto(box, QStringLiteral("9") + cash); // typed after Submit, never submitted
    const bool settled = !seenChange.isEmpty() && cashCovers(box->text(), FormatText(due, NumberPattern::Plain2));
    if (byEnter && finish->text() == QLatin1String("Finish"))
        QTest::keyClick(box, Qt::Key_Return);
    else
        finish->click();

    const Recordset sales = env.db.query(QStringLiteral("SELECT AmountDue, Cash, Change FROM tblSales"));
    QCOMPARE(sales.rowCount(), settled ? 1 : 0);
    if (sales.rowCount() == 1) {
        QVERIFY2(!seenChange.isEmpty(), "a sale was stored without a Submit");
        QCOMPARE(sales.rows()[0][0].toString(), FormatText(due, NumberPattern::Plain2));
        QCOMPARE(sales.rows()[0][1].toString(), seenCash);
        QCOMPARE(sales.rows()[0][2].toString(), seenChange);
    }
    const QStringList broken = checkShopInvariants(env.db, kStock, true);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
}

void tst_BadInput::prices_data()
{
    QTest::addColumn<bool>("inList");
    QTest::newRow("at registration") << false;
    QTest::newRow("in the item list") << true;
}

// Prices typed at registration and into the administrator's item list: every price that is
// stored reads as a price the till can charge; any other is refused, writes nothing and the
// list shows the stored price again.
void tst_BadInput::prices()
{
    QFETCH(bool, inList);
    TestEnv env;
    QVERIFY(seedItems(env.db, 5, kStock));
    env.setSession(TestEnv::adminUser(), QStringLiteral("Administrator"));
    env.answerYesToAll();
    frmReg reg(env.ctx);
    reg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reg));
    const QStringList texts = hostileTexts() + QStringList{QStringLiteral("1,500"),        QStringLiteral("-25"),
                                                           QStringLiteral("1e308"),        QStringLiteral("inf"),
                                                           QStringLiteral("nan"),          QStringLiteral("&H10"),
                                                           QStringLiteral("1,5,0,0"),      QStringLiteral("12.50"),
                                                           QStringLiteral("999999999.99"), QStringLiteral("1000000000"),
                                                           QStringLiteral("\u0661\u0662"), QStringLiteral("0"),
                                                           QStringLiteral("-0"),           QStringLiteral(" 7 ")};
    auto* grid = reg.findChild<DataGrid*>(QStringLiteral("DataGrid2"));
    const int priceColumn = 2;
    int stored = 0;
    for (const QString& text : texts) {
        const Snapshot before = snapshot(env.db);
        const qsizetype messages = env.messages.size();
        if (!inList) {
            for (const auto& [name, value] :
                 {std::pair{"txtItemname", "Priced"}, std::pair{"txtBrand", "Brand"}, std::pair{"txtStocks", "5"}})
                reg.findChild<QLineEdit*>(QLatin1String(name))->setText(QLatin1String(value));
            reg.findChild<QPlainTextEdit*>(QStringLiteral("txtDesc"))->setPlainText(QStringLiteral("d"));
            reg.findChild<QComboBox*>(QStringLiteral("txtAvail"))->setCurrentIndex(0);
            auto* price = reg.findChild<QLineEdit*>(QStringLiteral("txtPrice"));
            typeInto(price, text);
            const QString held = price->text();
            reg.findChild<QPushButton*>(QStringLiteral("cmdItemReg"))->click();
            const QStringList changes = touched(before, snapshot(env.db));
            QVERIFY2(changes.size() <= 1, qPrintable(changes.join(QStringLiteral("; "))));
            if (PriceFromText(held)) {
                ++stored;
                QCOMPARE(env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks ORDER BY rowid DESC")), held);
            } else {
                QCOMPARE(reg.findChild<QLabel*>(QStringLiteral("lblNot"))->text(), QStringLiteral("Set Item price"));
                QCOMPARE(reg.focusWidget(), price);
                QCOMPARE(env.messages.size(), messages);
            }
            continue;
        }
        if (!grid->isVisible())
            reg.findChild<QPushButton*>(QStringLiteral("cmdItem"))->click();
        // The text arrives in the cell's editor in one key event, as a paste or an input method
        // would bring it, and Enter writes it.
        const QModelIndex cell = grid->model()->index(1, priceColumn);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
        QVERIFY(editor);
        editor->clear();
        QTest::sendKeyEvent(QTest::Press, editor, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, editor, Qt::Key_unknown, text, Qt::NoModifier);
        const QString held = editor->text();
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!grid->indexWidget(cell)); // Enter writes the cell once the key is handled
        const QStringList changes = touched(before, snapshot(env.db));
        QVERIFY2(changes.size() <= 1, qPrintable(changes.join(QStringLiteral("; "))));
        const QString now = env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks WHERE ItemNumber = '1002'"));
        QCOMPARE(grid->model()->index(1, priceColumn).data().toString(), now);
        if (PriceFromText(held)) {
            ++stored;
            QCOMPARE(now, held);
        } else {
            QTRY_COMPARE(env.messages.size(), messages + 1);
            QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
        }
    }
    // Whatever was typed, every stored price is one the till can charge.
    const Recordset prices = env.db.query(QStringLiteral("SELECT ItemPrice FROM tblStocks"));
    for (const auto& row : prices.rows())
        QVERIFY2(PriceFromText(row.first().toString()), qPrintable(row.first().toString()));
    QVERIFY(stored > 0 && stored < texts.size());
    const QStringList broken = checkShopInvariants(env.db, kStock, true);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
    qInfo("prices %s: %lld typed, %d stored", inList ? "in the list" : "at registration",
          static_cast<long long>(texts.size()), stored);
}

QTEST_MAIN(tst_BadInput)
#include "tst_badinput.moc"
