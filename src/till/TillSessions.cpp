#include "till/TillSessions.h"

#include "pricing/Pricing.h"
#include "pricing/PricingStore.h"

#include "data/Database.h"
#include "data/TextForms.h"

#include <QDateTime>

#include <cmath>

namespace {

const QString kCash = QStringLiteral("Cash");
const QString kCard = QStringLiteral("Card");
const QString kCredit = QStringLiteral("Credit");
const QString kIn = QStringLiteral("In");
const QString kOut = QStringLiteral("Out");
const QString kRefund = QStringLiteral("Refund");
const QString kExchange = QStringLiteral("Exchange");

// A stored whole number; the server gives sums as numeric, which arrive as text.
qint64 whole(const QVariant& value)
{
    return value.isNull() ? 0 : std::llround(NumberFromText(value.toString()));
}

} // namespace

TillSessions::TillSessions(Database& db, const QString& till) : m_db(db), m_till(till)
{
}

bool TillSessions::readOpenSession(std::optional<qint64>& id)
{
    const Recordset r = m_db.query(QStringLiteral("SELECT rowid FROM tblTillSession WHERE OpenTill = ?"), {m_till});
    if (r.State() == 0)
        return false;
    id = r.BOF() ? std::nullopt : std::optional<qint64>(r.rows().first().first().toLongLong());
    return true;
}

std::optional<qint64> TillSessions::openSessionId()
{
    std::optional<qint64> id;
    readOpenSession(id);
    return id;
}

qint64 TillSessions::proposedFloat()
{
    const Recordset r = m_db.query(
        QStringLiteral("SELECT LeftInDrawer FROM tblZReport WHERE Till = ? ORDER BY ZNumber DESC LIMIT 1"), {m_till});
    return r.BOF() ? 0 : whole(r.rows().first().first());
}

std::optional<qint64> TillSessions::sessionForWrite(const QString& who)
{
    std::optional<qint64> open;
    if (!readOpenSession(open))
        return std::nullopt;
    if (open)
        return open;
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblTillSession (Till, OpenTill, OpenedAt, OpenedBy, Float) VALUES "
                                       "(?, ?, ?, ?, 0)"),
                        {m_till, m_till, DateTimeText(), who}) != 1)
        return std::nullopt;
    return m_db.lastInsertRowId();
}

bool TillSessions::linkSale(const QString& who, const QString& saleNumber, qint64 saleRow, qint64 amountDue,
                            qint64 card, qint64 credit)
{
    const auto session = sessionForWrite(who);
    if (!session)
        return false;
    const qint64 cash = amountDue - card - credit;
    const auto pay = [&](const QString& tender, qint64 amount) {
        return m_db.ExecuteSql(QStringLiteral("INSERT INTO tblPayment (SessionId, SaleNumber, SaleRow, Tender, Amount) "
                                              "VALUES (?, ?, ?, ?, ?)"),
                               {*session, saleNumber, saleRow, tender, amount}) == 1;
    };
    // Every sale has at least one payment row, so it is counted with its session.
    if ((cash != 0 || (card == 0 && credit == 0)) && !pay(kCash, cash))
        return false;
    if (card != 0 && !pay(kCard, card))
        return false;
    return credit == 0 || pay(kCredit, credit);
}

bool TillSessions::linkReturn(const QString& who, qint64 returnNumber, qint64 refund, bool exchange)
{
    const auto session = sessionForWrite(who);
    return session &&
           m_db.ExecuteSql(QStringLiteral("INSERT INTO tblCashMove (SessionId, Till, Kind, Amount, Reason, MovedBy, "
                                          "MovedAt, ReturnNumber) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                           {*session, m_till, exchange ? kExchange : kRefund, refund,
                            QStringLiteral("Return No. %1").arg(returnNumber), who, DateTimeText(), returnNumber}) == 1;
}

bool TillSessions::journal(const QString& title, const QString& text)
{
    return m_db.ExecuteSql(
               QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
               {DateText(), TimeText(), title, text}) == 1;
}

std::optional<TillFigures> TillSessions::figures(qint64 sessionId)
{
    TillFigures f;
    const Recordset head = m_db.query(
        QStringLiteral(
            "SELECT Till, OpenedAt, OpenedBy, Float, ClosedAt, ClosedBy FROM tblTillSession WHERE rowid = ?"),
        {sessionId});
    if (head.BOF())
        return std::nullopt;
    const auto& h = head.rows().first();
    f.sessionId = sessionId;
    f.till = h.at(0).toString();
    f.openedAt = h.at(1).toString();
    f.openedBy = h.at(2).toString();
    f.floatAmount = whole(h.at(3));
    f.closedAt = h.at(4).toString();
    f.closedBy = h.at(5).toString();

    // Two grouped reads by the session's index: the payments by tender, the drawer's movements
    // by kind; and the number of sales and their amounts due.
    const Recordset tenders = m_db.query(
        QStringLiteral("SELECT Tender, count(*), sum(Amount) FROM tblPayment WHERE SessionId = ? GROUP BY Tender"),
        {sessionId});
    const Recordset sales =
        m_db.query(QStringLiteral("SELECT count(DISTINCT SaleNumber), sum(Amount) FROM tblPayment WHERE SessionId = ?"),
                   {sessionId});
    const Recordset moves = m_db.query(
        QStringLiteral("SELECT Kind, count(*), sum(Amount) FROM tblCashMove WHERE SessionId = ? GROUP BY Kind"),
        {sessionId});
    // The discounts and tax of the session's sales, as they were priced.
    const Recordset numbers =
        m_db.query(QStringLiteral("SELECT DISTINCT SaleNumber FROM tblPayment WHERE SessionId = ?"), {sessionId});
    QStringList saleNumbers;
    for (const auto& row : numbers.rows())
        saleNumbers << row.at(0).toString();
    const auto priced = PricingStore(m_db, m_till).figuresForSales(saleNumbers);
    // The tax its returns gave back, refunded in cash or left as credit alike.
    const Recordset returns = m_db.query(
        QStringLiteral("SELECT ReturnNumber FROM tblCashMove WHERE SessionId = ? AND ReturnNumber IS NOT NULL"),
        {sessionId});
    QVector<qint64> returnNumbers;
    for (const auto& row : returns.rows())
        returnNumbers << row.at(0).toLongLong();
    const auto refunded = PricingStore(m_db, m_till).refundsOfReturns(returnNumbers);
    if (numbers.State() == 0 || !priced || returns.State() == 0 || !refunded)
        return std::nullopt;
    f.discountCount = priced->discountCount;
    f.discountTotal = priced->discounts;
    const auto label = [](const Pricing::RateTotal& r) { return TaxRate{-1, r.name, r.rate, false}.label(); };
    for (const Pricing::RateTotal& r : priced->rates)
        f.taxes.push_back({label(r), r.net, r.tax, r.gross});
    for (const Pricing::RateTotal& r : *refunded)
        f.refundTaxes.push_back({label(r), r.net, r.tax, r.gross});
    if (tenders.State() == 0 || sales.BOF() || moves.State() == 0)
        return std::nullopt;
    // Each grouped row gives a count and a total to the pair of figures its tender or kind names.
    using Pair = std::pair<qint64 TillFigures::*, qint64 TillFigures::*>;
    const auto spread = [&f](const Recordset& rows, std::initializer_list<std::pair<QString, Pair>> pairs) {
        for (const auto& row : rows.rows())
            for (const auto& [name, pair] : pairs)
                if (row.at(0).toString() == name) {
                    f.*pair.first = whole(row.at(1));
                    f.*pair.second = whole(row.at(2));
                }
    };
    spread(tenders, {{kCash, {&TillFigures::cashCount, &TillFigures::cashKept}},
                     {kCard, {&TillFigures::cardCount, &TillFigures::cardTotal}},
                     {kCredit, {&TillFigures::creditCount, &TillFigures::creditTotal}}});
    f.salesCount = whole(sales.rows().first().at(0));
    f.salesTotal = whole(sales.rows().first().at(1));
    spread(moves, {{kIn, {&TillFigures::cashInCount, &TillFigures::cashInTotal}},
                   {kOut, {&TillFigures::cashOutCount, &TillFigures::cashOutTotal}},
                   {kRefund, {&TillFigures::refundCount, &TillFigures::refundTotal}},
                   {kExchange, {&TillFigures::exchangeCount, &TillFigures::exchangeTotal}}});
    return f;
}

TillResult TillSessions::open(qint64 floatCents, const QString& who)
{
    TillResult result;
    if (floatCents < 0) {
        result.outcome = TillOutcome::BadAmount;
        return result;
    }
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = TillOutcome::Failed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    std::optional<qint64> open;
    if (!readOpenSession(open))
        return failed();
    if (open) {
        result.outcome = TillOutcome::AlreadyOpen;
        return result;
    }
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblTillSession (Till, OpenTill, OpenedAt, OpenedBy, Float) VALUES "
                                       "(?, ?, ?, ?, ?)"),
                        {m_till, m_till, DateTimeText(), who, floatCents}) != 1)
        return failed();
    const qint64 id = m_db.lastInsertRowId();
    if (!journal(
            openTitle(),
            QStringLiteral("%1 opened till %2 with a float of %3.").arg(who, m_till, Pricing::centsText(floatCents))))
        return failed();
    const auto f = figures(id);
    if (!f || !tx.commit())
        return failed();
    result.figures = *f;
    result.outcome = TillOutcome::Done;
    return result;
}

TillResult TillSessions::moveCash(bool in, qint64 cents, const QString& reason, const QString& who)
{
    TillResult result;
    const QString why = reason.trimmed();
    if (why.isEmpty() || why.size() > kMaxReason) {
        result.outcome = TillOutcome::BadReason;
        return result;
    }
    if (cents <= 0) {
        result.outcome = TillOutcome::BadAmount;
        return result;
    }
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = TillOutcome::Failed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    const auto session = sessionForWrite(who);
    if (!session)
        return failed();
    auto f = figures(*session);
    if (!f)
        return failed();
    // The drawer cannot give more than it is expected to hold, as stored now.
    if (!in && cents > f->expectedCash()) {
        result.figures = *f;
        result.outcome = TillOutcome::AboveExpected;
        return result;
    }
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblCashMove (SessionId, Till, Kind, Amount, Reason, MovedBy, "
                                       "MovedAt) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                        {*session, m_till, in ? kIn : kOut, cents, why, who, DateTimeText()}) != 1)
        return failed();
    if (!journal(in ? cashInTitle() : cashOutTitle(),
                 QStringLiteral("%1 %2 %3 %4 till %5: %6")
                     .arg(who, in ? QStringLiteral("put") : QStringLiteral("took"), Pricing::centsText(cents),
                          in ? QStringLiteral("into") : QStringLiteral("out of"), m_till, why)))
        return failed();
    f = figures(*session);
    if (!f || !tx.commit())
        return failed();
    result.figures = *f;
    result.outcome = TillOutcome::Done;
    return result;
}

TillResult TillSessions::xReport()
{
    TillResult result;
    std::optional<qint64> open;
    if (!readOpenSession(open)) {
        result.error = m_db.lastError();
        return result;
    }
    if (!open) {
        result.outcome = TillOutcome::NoSession;
        return result;
    }
    const auto f = figures(*open);
    if (!f) {
        result.error = m_db.lastError();
        return result;
    }
    result.figures = *f;
    result.outcome = TillOutcome::Done;
    return result;
}

TillResult TillSessions::closeZ(qint64 counted, qint64 leftInDrawer, const QString& who)
{
    TillResult result;
    if (counted < 0 || leftInDrawer < 0) {
        result.outcome = TillOutcome::BadAmount;
        return result;
    }
    if (leftInDrawer > counted) {
        result.outcome = TillOutcome::LeftAboveCounted;
        return result;
    }
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = TillOutcome::Failed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    std::optional<qint64> open;
    const bool read = readOpenSession(open);
    const Recordset cart = m_db.query(QStringLiteral("SELECT count(*) FROM tblPos WHERE Till = ?"), {m_till});
    if (!read || cart.BOF())
        return failed();
    if (!open) {
        result.outcome = TillOutcome::NoSession;
        return result;
    }
    if (whole(cart.rows().first().first()) > 0) {
        result.outcome = TillOutcome::CartNotEmpty;
        return result;
    }
    const qint64 session = *open;
    auto f = figures(session);
    if (!f)
        return failed();

    // The next shop-wide number, never repeated and never skipped: the counter, read and
    // written under the writers' lock with the Z itself.
    const Recordset counter = m_db.query(QStringLiteral("SELECT LastNumber FROM tblZCounter"));
    const Recordset highest = m_db.query(QStringLiteral("SELECT max(ZNumber) FROM tblZReport"));
    if (counter.State() == 0 || highest.BOF())
        return failed();
    const qint64 last = counter.BOF() ? 0 : whole(counter.rows().first().first());
    const qint64 number = std::max(last, whole(highest.rows().first().first())) + 1;
    const int written =
        counter.BOF() ? m_db.ExecuteSql(QStringLiteral("INSERT INTO tblZCounter (LastNumber) VALUES (?)"), {number})
                      : m_db.ExecuteSql(QStringLiteral("UPDATE tblZCounter SET LastNumber = ?"), {number});
    if (written < 1)
        return failed();

    f->zNumber = number;
    f->counted = counted;
    f->leftInDrawer = leftInDrawer;
    f->closedAt = DateTimeText();
    f->closedBy = who;
    if (m_db.ExecuteSql(
            QStringLiteral("INSERT INTO tblZReport (ZNumber, SessionId, Till, ClosedAt, ClosedBy, Expected, "
                           "Counted, Difference, LeftInDrawer, Figures) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?)"),
            {number, session, m_till, f->closedAt, who, f->expectedCash(), counted, f->difference(), leftInDrawer,
             f->toStored()}) != 1)
        return failed();
    if (m_db.ExecuteSql(QStringLiteral("UPDATE tblTillSession SET OpenTill = NULL, ClosedAt = ?, ClosedBy = ?, ZNumber "
                                       "= ? WHERE rowid = ?"),
                        {f->closedAt, who, number, session}) != 1)
        return failed();
    if (!journal(zTitle(), QStringLiteral("%1 closed till %2 with Z No. %3: expected cash %4, counted %5, difference "
                                          "%6, left in drawer %7.")
                               .arg(who, m_till)
                               .arg(number)
                               .arg(Pricing::centsText(f->expectedCash()), Pricing::centsText(counted),
                                    Pricing::centsText(f->difference()), Pricing::centsText(leftInDrawer))))
        return failed();
    if (!tx.commit())
        return failed();
    result.figures = *f;
    result.outcome = TillOutcome::Done;
    return result;
}

std::optional<TillFigures> TillSessions::storedZ(Database& db, qint64 zNumber)
{
    const Recordset r = db.query(QStringLiteral("SELECT Figures FROM tblZReport WHERE ZNumber = ?"), {zNumber});
    if (r.BOF())
        return std::nullopt;
    return TillFigures::fromStored(r.rows().first().first().toString());
}

bool TillSessions::zReports(Database& db, QVector<ZSummary>& list, const QString& till, QString* error)
{
    const QString where = till.isEmpty() ? QString() : QStringLiteral(" WHERE Till = ?");
    const Recordset r = db.query(QStringLiteral("SELECT ZNumber, Till, ClosedAt, ClosedBy, Expected, Counted, "
                                                "Difference FROM tblZReport%1 ORDER BY ZNumber DESC")
                                     .arg(where),
                                 till.isEmpty() ? QVariantList{} : QVariantList{till});
    if (r.State() == 0) {
        if (error)
            *error = db.lastError();
        return false;
    }
    list.clear();
    for (const auto& row : r.rows())
        list.push_back({whole(row.at(0)), row.at(1).toString(), row.at(2).toString(), row.at(3).toString(),
                        whole(row.at(4)), whole(row.at(5)), whole(row.at(6))});
    return true;
}

QString TillSessions::companyName(Database& db)
{
    const Recordset r = db.query(QStringLiteral("SELECT CompanyName FROM tblMain"));
    return r.BOF() ? QString() : r.rows().last().first().toString();
}

qint64 TillSessions::cardPaid(Database& db, const QString& saleNumber, qint64 saleRow)
{
    const Recordset r = db.query(QStringLiteral("SELECT sum(Amount) FROM tblPayment WHERE SaleNumber = ? AND SaleRow = "
                                                "? AND Tender = ?"),
                                 {saleNumber, saleRow, kCard});
    return r.BOF() ? 0 : whole(r.rows().first().first());
}
