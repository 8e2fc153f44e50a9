#include "reports/DailySummary.h"

#include "data/Database.h"
#include "data/TextForms.h"
#include "returns/Returns.h"

int DailySummary::savedCount(const QString& day)
{
    const Recordset rows = m_db.query(QStringLiteral("SELECT count(*) FROM tblDaily WHERE BusinessDate = ?"), {day});
    if (!rows.State() || rows.rows().isEmpty()) {
        m_lastError = m_db.lastError();
        return -1;
    }
    return rows.rows().first().first().toInt();
}

DailySummary::Outcome DailySummary::save(const QString& day, const QString& sales, const QString& transactions,
                                         bool replace)
{
    Transaction tx(m_db);
    if (!tx.isActive()) {
        m_lastError = m_db.lastError();
        return Outcome::Failed;
    }
    // Read under the writers' lock: another copy saving the same day meanwhile is seen here.
    if (replace) {
        if (m_db.ExecuteSql(QStringLiteral("DELETE FROM tblDaily WHERE BusinessDate = ?"), {day}) < 0 ||
            m_db.ExecuteSql(QStringLiteral("DELETE FROM tblDailyRefund WHERE BusinessDate = ?"), {day}) < 0) {
            m_lastError = m_db.lastError();
            return Outcome::Failed;
        }
    } else {
        const int saved = savedCount(day);
        if (saved < 0)
            return Outcome::Failed;
        if (saved > 0)
            return Outcome::AlreadySaved;
    }
    // The day's refunds are kept beside its summary row, in the same write.
    const QString savedAt = DateTimeText();
    const RefundTotal refunds = refundsForDay(m_db, DateFromText(day));
    if (!refunds.ok ||
        m_db.ExecuteSql(QStringLiteral("INSERT INTO tblDaily (BusinessDate, Sales, Transactions, TimeSave) "
                                       "VALUES (?, ?, ?, ?)"),
                        {day, sales, transactions, savedAt}) != 1 ||
        !saveDailyRefunds(m_db, day, savedAt, refunds) || !tx.commit()) {
        m_lastError = m_db.lastError();
        return Outcome::Failed;
    }
    return Outcome::Saved;
}

std::optional<qint64> DailySummary::savedRefunds(const QString& day, const QString& savedAt)
{
    const Recordset r = m_db.query(QStringLiteral("SELECT Refunds FROM tblDailyRefund WHERE BusinessDate = ? AND "
                                                  "TimeSave = ? ORDER BY rowid DESC LIMIT 1"),
                                   {day, savedAt});
    if (r.BOF())
        return std::nullopt;
    return r.rows().first().first().toLongLong();
}
