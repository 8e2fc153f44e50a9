#pragma once

#include "till/TillFigures.h"

#include <QString>
#include <QVector>

#include <optional>

class Database;

enum class TillOutcome {
    Done,
    AlreadyOpen,  // an explicit opening while the till's session is open
    NoSession,    // nothing to report or close: no session is open at the till
    CartNotEmpty, // a Z while the till's cart holds lines
    BadReason,    // a cash movement without a reason, or one longer than 100 characters
    BadAmount,    // cash in or out of 0.00, or a count or amount left in the drawer below 0
    LeftAboveCounted,
    AboveExpected, // a cash out larger than the expected cash in the drawer
    Failed,        // the read or the write failed (error says why)
};

struct TillResult
{
    TillOutcome outcome = TillOutcome::Failed;
    TillFigures figures; // the session's figures (X), or the stored Z
    QString error;
};

// One stored Z as the list of Z reports shows it.
struct ZSummary
{
    qint64 zNumber = 0;
    QString till;
    QString closedAt;
    QString closedBy;
    qint64 expected = 0;
    qint64 counted = 0;
    qint64 difference = 0;
};

// The drawer of one till, without any window. A till (a number on a file, a name on a server)
// always works in one open session: it opens by itself, with a float of 0.00, when the till
// first sells, takes a return or moves cash after its last close, or is opened explicitly with
// a float. Every write runs in one transaction under the writers' lock; the link* calls run
// inside the caller's (a sale's, a return's).
class TillSessions
{
public:
    static constexpr int kMaxReason = 100;

    explicit TillSessions(Database& db, const QString& till);

    // The open session of the till; none when there is none (or it could not be read).
    std::optional<qint64> openSessionId();
    // The float proposed for the next opening: what the till's last Z left in the drawer.
    qint64 proposedFloat();

    TillResult open(qint64 floatCents, const QString& who);
    // Cash put into (in) or taken out of the drawer, with its reason; journaled.
    TillResult moveCash(bool in, qint64 cents, const QString& reason, const QString& who);
    // The open session's figures so far; changes nothing.
    TillResult xReport();
    // Closes the open session with the counted cash and what stays in the drawer: the Z gets
    // the next shop-wide number, and Z, counter and session are written in one transaction.
    TillResult closeZ(qint64 counted, qint64 leftInDrawer, const QString& who);

    // Within the caller's transaction: the till's open session, opened with a float of 0.00 when
    // there is none. None when the read or write failed.
    std::optional<qint64> sessionForWrite(const QString& who);
    // Within a sale's transaction: its payments by tender, linked to the open session. The cash
    // kept is the amount due less the card part and the credit (negative when credit is paid out).
    bool linkSale(const QString& who, const QString& saleNumber, qint64 saleRow, qint64 amountDue, qint64 card,
                  qint64 credit);
    // Within a return's transaction: its refund, out of the drawer unless it stays as credit.
    bool linkReturn(const QString& who, qint64 returnNumber, qint64 refund, bool exchange);

    // A stored Z by its number; none when there is no such Z.
    static std::optional<TillFigures> storedZ(Database& db, qint64 zNumber);
    // The stored Zs, newest first; `till` empty for every till.
    static bool zReports(Database& db, QVector<ZSummary>& list, const QString& till = {}, QString* error = nullptr);

    // What a completed sale had paid by card (cents); 0 for a sale paid in cash.
    static qint64 cardPaid(Database& db, const QString& saleNumber, qint64 saleRow);

    // The shop's name as the settings row holds it, for the printed X and Z.
    static QString companyName(Database& db);

    // The journal titles of the drawer's entries.
    static QString cashInTitle() { return QStringLiteral("Cash In"); }
    static QString cashOutTitle() { return QStringLiteral("Cash Out"); }
    static QString openTitle() { return QStringLiteral("Till Opened"); }
    static QString zTitle() { return QStringLiteral("Z Report"); }

private:
    // Reads the till's open session into `id` (none when the till has none); false when the read
    // failed.
    bool readOpenSession(std::optional<qint64>& id);
    std::optional<TillFigures> figures(qint64 sessionId);
    bool journal(const QString& title, const QString& text);

    Database& m_db;
    QString m_till;
};
