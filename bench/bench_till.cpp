// The till's X and Z at shop scale: a session of 2,000 sales (cash, card and split) with
// refunds and cash in and out. The X reads the session's figures; the Z reads them and writes
// the Z, its number and the session's close in one transaction (taken back untimed after each
// run). Each baseline is the same indexed statements in bare SQLite, prepared once.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/Schema.h"
#include "data/TextForms.h"
#include "till/TillSessions.h"

#include <memory>

namespace {

const QString kTill = QStringLiteral("bench-till");

// The bench till's session, made once: 2,000 sales and a few drawer movements.
bool seedSession()
{
    Database& db = BenchShop::instance().db;
    if (!BenchShop::onServer() && !upgradeSchema(db))
        return false;
    TillSessions till(db, kTill);
    if (till.openSessionId()) {
        const Recordset n =
            db.query(QStringLiteral("SELECT count(*) FROM tblPayment WHERE SessionId = ?"), {*till.openSessionId()});
        if (!n.BOF() && n.rows().first().first().toLongLong() >= 2000)
            return true;
    }
    Transaction tx(db);
    const auto session = till.sessionForWrite(QStringLiteral("Bench"));
    if (!session)
        return false;
    for (int sale = 0; sale < 2000; ++sale) {
        const qint64 due = 500 + (sale * 37) % 10000;
        const qint64 card = sale % 3 == 0 ? due : sale % 3 == 1 ? 0 : due / 2;
        if (!till.linkSale(QStringLiteral("Bench"), QStringLiteral("B%1").arg(sale), 1000000 + sale, due, card, 0))
            return false;
    }
    for (int i = 0; i < 20; ++i) {
        if (!till.linkReturn(QStringLiteral("Bench"), 1000000 + i, 250, false) ||
            db.ExecuteSql(QStringLiteral("INSERT INTO tblCashMove (SessionId, Till, Kind, Amount, Reason, MovedBy, "
                                         "MovedAt) VALUES (?, ?, ?, 500, 'bench', 'Bench', ?)"),
                          {*session, kTill, i % 2 ? QStringLiteral("In") : QStringLiteral("Out"), DateTimeText()}) != 1)
            return false;
    }
    return tx.commit();
}

// After a Z: the bench till's sales and movements move on to a new open session, so the next
// run closes the same 2,000 sales. (A Z is never deleted; the bench's Zs stay.)
void reopenSession()
{
    Database& db = BenchShop::instance().db;
    TillSessions till(db, kTill);
    if (till.openSessionId())
        return;
    const Recordset last = db.query(
        QStringLiteral("SELECT rowid FROM tblTillSession WHERE Till = ? ORDER BY rowid DESC LIMIT 1"), {kTill});
    Transaction tx(db);
    const auto session = till.sessionForWrite(QStringLiteral("Bench"));
    if (last.BOF() || !session)
        return;
    const QVariant closed = last.rows().first().first();
    db.ExecuteSql(QStringLiteral("UPDATE tblPayment SET SessionId = ? WHERE SessionId = ?"), {*session, closed});
    db.ExecuteSql(QStringLiteral("UPDATE tblCashMove SET SessionId = ? WHERE SessionId = ?"), {*session, closed});
    tx.commit();
}

struct TillStatements
{
    sqlite3* db = BenchShop::instance().db.handle();
    Stmt open{db, "SELECT rowid FROM tblTillSession WHERE OpenTill = ?"};
    Stmt head{db, "SELECT Till, OpenedAt, OpenedBy, Float, ClosedAt, ClosedBy FROM tblTillSession WHERE rowid = ?"};
    Stmt tenders{db, "SELECT Tender, count(*), sum(Amount) FROM tblPayment WHERE SessionId = ? GROUP BY Tender"};
    Stmt sales{db, "SELECT count(DISTINCT SaleNumber), sum(Amount) FROM tblPayment WHERE SessionId = ?"};
    Stmt moves{db, "SELECT Kind, count(*), sum(Amount) FROM tblCashMove WHERE SessionId = ? GROUP BY Kind"};
    Stmt cart{db, "SELECT count(*) FROM tblPos WHERE Till = ?"};
    Stmt counter{db, "SELECT LastNumber FROM tblZCounter"};
    Stmt highest{db, "SELECT max(ZNumber) FROM tblZReport"};
    Stmt setCounter{db, "UPDATE tblZCounter SET LastNumber = ?"};
    Stmt addCounter{db, "INSERT INTO tblZCounter (LastNumber) VALUES (?)"};
    Stmt addZ{db,
              "INSERT INTO tblZReport (ZNumber, SessionId, Till, ClosedAt, ClosedBy, Expected, Counted, "
              "Difference, LeftInDrawer, Figures) VALUES (?, ?, ?, '2026-12-10 07:00:00', 'Bench', 0, 0, 0, 0, '')"};
    Stmt close{db, "UPDATE tblTillSession SET OpenTill = NULL, ClosedAt = '2026-12-10 07:00:00', ClosedBy = 'Bench', "
                   "ZNumber = ? WHERE rowid = ?"};
    Stmt note{db, "INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES ('', '', 'Z Report', 'bench')"};
    Stmt begin{db, "BEGIN IMMEDIATE"};
    Stmt commit{db, "COMMIT"};

    double figures()
    {
        open.bind(1, kTill.toStdString());
        const double session = open.row() ? open.number(0) : -1;
        open.reset();
        head.bind(1, session).all();
        tenders.bind(1, session).all();
        sales.bind(1, session).all();
        moves.bind(1, session).all();
        return session;
    }
};

void registerTillBenchmarks()
{
    registerPair("report", "X of a 2,000-sale session (TillSessions::xReport)",
                 {[](benchmark::State& state) -> Operation {
                     if (!seedSession())
                         state.SkipWithError("the session could not be made");
                     return [&state] {
                         const TillResult x = TillSessions(BenchShop::instance().db, kTill).xReport();
                         if (x.outcome != TillOutcome::Done || x.figures.salesCount != 2000)
                             state.SkipWithError("the X is wrong");
                     };
                 }},
                 {[](benchmark::State&) -> Operation {
                     seedSession();
                     auto s = std::make_shared<TillStatements>();
                     return [s] { s->figures(); };
                 }});
    registerPair("report", "Z of a 2,000-sale session (TillSessions::closeZ)",
                 {[](benchmark::State& state) -> Operation {
                      if (!seedSession())
                          state.SkipWithError("the session could not be made");
                      return [&state] {
                          const TillResult z =
                              TillSessions(BenchShop::instance().db, kTill).closeZ(100000, 0, QStringLiteral("Bench"));
                          if (z.outcome != TillOutcome::Done)
                              state.SkipWithError("the Z was not taken");
                      };
                  },
                  reopenSession},
                 {[](benchmark::State&) -> Operation {
                      seedSession();
                      auto s = std::make_shared<TillStatements>();
                      return [s] {
                          s->begin.run();
                          const double session = s->figures();
                          s->cart.bind(1, kTill.toStdString()).all();
                          s->counter.all();
                          const double next = (s->highest.row() ? s->highest.number(0) : 0) + 1;
                          s->highest.reset();
                          s->setCounter.bind(1, next).run();
                          s->addZ.bind(1, next).bind(2, session).bind(3, kTill.toStdString()).run();
                          s->close.bind(1, next).bind(2, session).run();
                          s->note.run();
                          s->commit.run();
                      };
                  },
                  reopenSession});
}

} // namespace

namespace {
const Registration registration(10, registerTillBenchmarks);
} // namespace
