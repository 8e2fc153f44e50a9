#include "data/PgEngine.h"

#include "data/Schema.h"
#include "data/TextForms.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Type identities of the server's built-in types (pg_type.oid, fixed for every server).
constexpr Oid kBool = 16;
constexpr Oid kBytea = 17;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kOid = 26;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

struct ResultGuard
{
    PGresult* result;
    ~ResultGuard() { PQclear(result); }
};

QString serverText(const char* text)
{
    return QString::fromUtf8(text).trimmed();
}

// A number as SQLite turns a bound REAL into text: shortest round-trip digits, ".0" on a
// whole number, so a figure reads the same whichever engine stored it.
QByteArray realText(double v)
{
    if (std::isnan(v))
        return QByteArrayLiteral("NaN");
    if (std::isinf(v))
        return v > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
    QByteArray text = QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
    if (!text.contains('.') && !text.contains('e') && !text.contains('n'))
        text += ".0";
    return text;
}

double doubleFromServer(const QByteArray& text)
{
    if (text == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (text == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    return text.toDouble();
}

// A numeric as the file's NUMERIC columns give it back: a whole number that fits as an
// integer, anything else as a real.
QVariant numericValue(const QByteArray& text)
{
    static const QRegularExpression whole(QStringLiteral(R"(^-?\d+(\.0*)?$)"));
    if (whole.match(QString::fromLatin1(text)).hasMatch()) {
        bool ok = false;
        const qlonglong n = text.left(text.indexOf('.') < 0 ? text.size() : text.indexOf('.')).toLongLong(&ok);
        if (ok)
            return n;
    }
    return doubleFromServer(text);
}

QVariant fieldValue(const PGresult* result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return {};
    const char* raw = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (PQftype(result, column)) {
    case kBool:
        return QVariant::fromValue<qlonglong>(raw[0] == 't' ? 1 : 0);
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return QVariant::fromValue<qlonglong>(QByteArray::fromRawData(raw, length).toLongLong());
    case kFloat4:
    case kFloat8:
        return doubleFromServer(QByteArray(raw, length));
    case kNumeric:
        return numericValue(QByteArray(raw, length));
    case kBytea: {
        size_t size = 0;
        unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(raw), &size);
        QByteArray value(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
        PQfreemem(bytes);
        return value;
    }
    default:
        return QString::fromUtf8(raw, length);
    }
}

// The statement's ? marks as $1, $2, ... (a numbered ?N stays number N); marks inside quotes
// and comments are left alone.
QString numberMarks(const QString& sql, int* count)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? sql.size() - 1 : end;
            out += sql.mid(i, stop - i + 1);
            i = stop;
        } else if (c == u'-' && i + 1 < sql.size() && sql.at(i + 1) == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? sql.size() - 1 : end;
            out += sql.mid(i, stop - i + 1);
            i = stop;
        } else if (c == u'?') {
            qsizetype end = i + 1;
            while (end < sql.size() && sql.at(end).isDigit())
                ++end;
            const int number = end > i + 1 ? sql.mid(i + 1, end - i - 1).toInt() : n + 1;
            n = std::max(n, number);
            out += u'$' + QString::number(number);
            i = end - 1;
        } else {
            out += c;
        }
    }
    if (count)
        *count = n;
    return out;
}

// The end of the bracket that opens at `open`, skipping quoted text; -1 when it never closes.
qsizetype closingBracket(const QString& sql, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            if (end < 0)
                return -1;
            i = end;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            return i;
        }
    }
    return -1;
}

// Every subquery in FROM gets a name, which the server requires and the file does not.
QString nameSubqueries(QString sql)
{
    static const QRegularExpression from(QStringLiteral(R"(\bFROM\s*\()"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression named(
        QStringLiteral(
            R"(^\s*(?!(?:WHERE|GROUP|ORDER|LIMIT|OFFSET|HAVING|UNION|EXCEPT|INTERSECT|JOIN|LEFT|RIGHT|INNER|)"
            R"(CROSS|ON|WINDOW)\b)[A-Za-z_])"),
        QRegularExpression::CaseInsensitiveOption);
    int count = 0;
    qsizetype at = 0;
    QRegularExpressionMatch match;
    while ((match = from.match(sql, at)).hasMatch()) {
        const qsizetype close = closingBracket(sql, match.capturedEnd() - 1);
        if (close < 0)
            break;
        at = match.capturedEnd();
        if (named.match(sql.mid(close + 1)).hasMatch())
            continue;
        sql.insert(close + 1, QStringLiteral(" AS pemvix_from_%1").arg(++count));
    }
    return sql;
}

// What every connection sets first, and again once it is made anew. A till that hangs inside a
// transaction must not hold the other tills' writes for ever: a writer waits for another at most
// as long as the file waits for its lock. A till whose computer went away (power, network) is
// noticed by the server within about a minute and a half, which frees its till name for the copy
// started in its place.
QString sessionSettings()
{
    return QStringLiteral("SET lock_timeout = '5s'; SET idle_in_transaction_session_timeout = '60s'; "
                          "SET tcp_keepalives_idle = 60; SET tcp_keepalives_interval = 10; "
                          "SET tcp_keepalives_count = 3");
}

} // namespace

PgEngine::~PgEngine()
{
    close();
}

void PgEngine::setError(const QString& what)
{
    m_lastError = what;
    if (m_conn) {
        const QString server = serverText(PQerrorMessage(m_conn));
        if (!server.isEmpty())
            m_lastError += QStringLiteral(": ") + server;
    }
}

bool PgEngine::open(const QString& conninfo)
{
    close();
    m_conninfo = conninfo;
    return connect();
}

namespace {

// Why a connection could not be made: the server refused it (it answered), or it could not be
// reached. The server's message is in its own language, so its words are looked at only to tell
// a refused password from a refusal after the password was taken (no such database).
Engine::ConnectFault connectFaultOf(PGconn* conn)
{
    const QString message = serverText(PQerrorMessage(conn));
    if (PQconnectionNeedsPassword(conn))
        return Engine::ConnectFault::PasswordRefused;
    if (PQconnectionUsedPassword(conn))
        return message.contains(QLatin1String("password"), Qt::CaseInsensitive) ? Engine::ConnectFault::PasswordRefused
                                                                                : Engine::ConnectFault::Refused;
    // A refusal before any password (no pg_hba.conf line for this computer) is the server's
    // FATAL message; anything else never got an answer.
    return message.contains(QLatin1String("FATAL")) ? Engine::ConnectFault::Refused : Engine::ConnectFault::Unreachable;
}

QString connectFaultText(Engine::ConnectFault fault)
{
    switch (fault) {
    case Engine::ConnectFault::PasswordRefused:
        return QStringLiteral("The database server refused the password");
    case Engine::ConnectFault::Refused:
        return QStringLiteral("The database server refused the connection");
    case Engine::ConnectFault::Unreachable:
    case Engine::ConnectFault::None:
        break;
    }
    return QStringLiteral("The database server cannot be reached");
}

} // namespace

bool PgEngine::connect()
{
    QElapsedTimer took;
    took.start();
    const bool connected = connectNow();
    // A server whose computer does not answer costs each attempt its whole wait: the other
    // statements of the same action fail at once instead of each waiting as long again.
    if (!connected && took.elapsed() > kSlowConnectMs)
        m_nextAttempt.setRemainingTime(kHoldBackMs);
    return connected;
}

bool PgEngine::connectNow()
{
    dropConnection();
    const QByteArray info = m_conninfo.toUtf8();
    // The string is expanded in place of dbname; only what it leaves unsaid is added, so it may
    // ask for more (sslmode=verify-full) but is never lowered. A server whose computer is off
    // is given up on after a few seconds (the string may say otherwise), as each action of a
    // till that cannot reach it tries again.
    const char* keys[] = {"connect_timeout", "dbname", "fallback_application_name", "client_encoding", nullptr};
    const char* values[] = {"5", info.constData(), "pemvix", "UTF8", nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (!m_conn) {
        m_fault = ConnectFault::Unreachable;
        m_lastError = QStringLiteral("Out of memory connecting to %1").arg(m_conninfo);
        return false;
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_fault = connectFaultOf(m_conn);
        setError(QStringLiteral("%1 (%2)").arg(connectFaultText(m_fault), m_conninfo));
        dropConnection();
        return false;
    }
    m_fault = ConnectFault::None;
    // The server's notices ("already exists, skipping") are no news to a cashier.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    // A password that crossed without TLS must not have been readable on the way: the server
    // then has to keep SCRAM verifiers, which its authentication uses in place of md5.
    if (PQconnectionUsedPassword(m_conn) && !PQsslInUse(m_conn)) {
        QString encryption;
        if (PGresult* r = PQexec(m_conn, "SHOW password_encryption")) {
            if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1)
                encryption = QString::fromUtf8(PQgetvalue(r, 0, 0));
            PQclear(r);
        }
        if (encryption != u"scram-sha-256") {
            m_fault = ConnectFault::Refused;
            m_lastError = QStringLiteral("%1 keeps passwords as %2, not scram-sha-256, and the connection is not "
                                         "encrypted: refused so that no password crosses the network readable.")
                              .arg(m_conninfo, encryption.isEmpty() ? QStringLiteral("unknown") : encryption);
            dropConnection();
            return false;
        }
    }
    if (!executeScript(sessionSettings())) {
        m_fault = connectionLost() ? ConnectFault::Unreachable : ConnectFault::Refused;
        dropConnection();
        return false;
    }
    // The server let go of the till name with any earlier connection, and another copy may have
    // taken it meanwhile (or, on a first connection, holds it already): then this copy must not
    // write into that copy's cart.
    if (!m_tillName.isEmpty())
        m_tillNameLost = tillNameLock("pg_try_advisory_lock", m_tillName) != NameHold::Held;
    return true;
}

void PgEngine::dropConnection()
{
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
    m_prepared.clear();
    m_inTransaction = false;
    m_reading = nullptr;
}

void PgEngine::close()
{
    dropConnection();
    m_conninfo.clear();
    m_nextAttempt = QDeadlineTimer();
    m_tillName.clear();
    m_tillNameLost = false;
}

bool PgEngine::connectionLost() const
{
    return !m_conn || PQstatus(m_conn) != CONNECTION_OK;
}

// True when the server closed this idle connection (it was restarted, or ended the session):
// what it sent before closing is read now, so that no statement goes into a connection that is
// already gone. A connection with nothing to read costs one poll.
bool PgEngine::idleConnectionClosed()
{
    for (int i = 0; i < 4 && PQstatus(m_conn) == CONNECTION_OK; ++i) {
        pollfd waiting{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&waiting, 1, 0) <= 0)
            break;
        if (!PQconsumeInput(m_conn))
            break;
    }
    return PQstatus(m_conn) != CONNECTION_OK;
}

bool PgEngine::connectionUsable()
{
    if (!m_conn && m_conninfo.isEmpty()) {
        m_lastError = QStringLiteral("The database is not open.");
        return false;
    }
    // A lost connection inside a transaction took the transaction with it: that work fails.
    if (m_inTransaction) {
        if (!connectionLost())
            return true;
        m_fault = ConnectFault::Unreachable;
        setError(QStringLiteral("The connection to the database server was lost"));
        return false;
    }
    // Outside one, a connection never made, lost, or closed by the server while this copy was
    // idle is made again now, before the statement is sent.
    if (m_conn && !m_reading && !idleConnectionClosed()) {
        m_fault = ConnectFault::None;
        return true;
    }
    if (m_conn && m_reading && !connectionLost())
        return true;
    if (!m_nextAttempt.hasExpired()) {
        dropConnection();
        return false; // the last attempt's error and fault stand
    }
    return connect();
}

// Calls the server's advisory lock `function` on the lock of till name `name`: Held when it
// answered true.
PgEngine::NameHold PgEngine::tillNameLock(const char* function, const QString& name)
{
    if (m_reading)
        drainInto(*m_reading);
    const QByteArray text = name.toUtf8();
    if (text.contains('\0')) {
        m_lastError = QStringLiteral("A till name cannot hold a NUL character.");
        return NameHold::Failed;
    }
    const QByteArray sql =
        QStringLiteral("SELECT %1(%2, hashtext($1))").arg(QLatin1String(function)).arg(kTillNameLocks).toUtf8();
    const char* values[] = {text.constData()};
    PGresult* r = PQexecParams(m_conn, sql.constData(), 1, nullptr, values, nullptr, nullptr, 0);
    ResultGuard guard{r};
    if (PQresultStatus(r) != PGRES_TUPLES_OK || PQntuples(r) != 1) {
        m_lastError = QStringLiteral("Cannot ask the database server for the till name \"%1\": %2")
                          .arg(name, serverText(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn)));
        return NameHold::Failed;
    }
    return PQgetvalue(r, 0, 0)[0] == 't' ? NameHold::Held : NameHold::Taken;
}

PgEngine::NameHold PgEngine::holdTillName(const QString& name)
{
    if (!m_conn && !m_conninfo.isEmpty() && m_tillName.isEmpty()) {
        // The server could not be reached at the start: the name is asked for at the first
        // connection, before anything is written under it.
        m_tillName = name;
        m_tillNameLost = true;
        return NameHold::Failed;
    }
    if (!connectionUsable())
        return NameHold::Failed;
    if (name == m_tillName && !m_tillNameLost)
        return NameHold::Held; // a lock taken twice would have to be let go of twice
    const NameHold hold = tillNameLock("pg_try_advisory_lock", name);
    if (hold != NameHold::Held)
        return hold;
    if (!m_tillName.isEmpty() && !m_tillNameLost)
        tillNameLock("pg_advisory_unlock", m_tillName);
    m_tillName = name;
    m_tillNameLost = false;
    return NameHold::Held;
}

// False (and lastError) while another copy holds the name this copy sells under. The name is
// asked for again each time, so this copy writes again once that copy has ended.
bool PgEngine::tillNameHeld()
{
    if (!m_tillNameLost)
        return true;
    const NameHold hold = tillNameLock("pg_try_advisory_lock", m_tillName);
    if (hold == NameHold::Held) {
        m_tillNameLost = false;
        return true;
    }
    if (hold == NameHold::Taken)
        m_lastError = QStringLiteral("Another copy of the program took the till name \"%1\" while this copy could "
                                     "not reach the database server. To keep the two copies' sales "
                                     "apart, this copy saves nothing while that one runs: close this copy and start "
                                     "it again, and it gets a till name of its own.")
                          .arg(m_tillName);
    return false;
}

QString PgEngine::translate(const QString& sql, int* markCount, bool* addedRowId)
{
    QString text = sql;
    // The sales day key is the server's function of the same name, indexed like the file's.
    text.replace(SalesDayKeySql(), QStringLiteral("pemvix_sales_day_key(BusinessDate)"));
    // Case-blind columns (citext) compare with letter case only as plain text.
    static const QRegularExpression binaryEquals(QStringLiteral(R"(([\w.]+)\s*=\s*\?\s+COLLATE\s+BINARY\b)"),
                                                 QRegularExpression::CaseInsensitiveOption);
    text.replace(binaryEquals, QStringLiteral("CAST(\\1 AS text) = CAST(? AS text)"));
    static const QRegularExpression binary(QStringLiteral(R"(\bCOLLATE\s+BINARY\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    text.replace(binary, QStringLiteral("COLLATE \"C\""));
    static const QRegularExpression nocase(QStringLiteral(R"(\s+COLLATE\s+NOCASE\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    text.remove(nocase);
    text = nameSubqueries(text);
    static const QRegularExpression insert(QStringLiteral(R"(^\s*INSERT\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression returning(QStringLiteral(R"(\bRETURNING\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const bool addRowId = insert.match(text).hasMatch() && !returning.match(text).hasMatch();
    if (addedRowId)
        *addedRowId = addRowId;
    if (addRowId) {
        while (text.endsWith(u';') || text.endsWith(u' ') || text.endsWith(u'\n'))
            text.chop(1);
        text += QStringLiteral(" RETURNING rowid");
    }
    return numberMarks(text, markCount);
}

const PgEngine::Prepared* PgEngine::prepared(const QString& sql)
{
    const auto found = m_prepared.constFind(sql);
    if (found != m_prepared.cend())
        return &found.value();
    // Statements that differ only in a number written into them (a page's OFFSET) would pile up
    // on the server for as long as the till runs: past a few hundred, they are made afresh.
    if (m_prepared.size() >= kMostPrepared) {
        executeScript(QStringLiteral("DEALLOCATE ALL"));
        m_prepared.clear();
    }
    Prepared p;
    const QString text = translate(sql, &p.marks, &p.insert);
    // "*" alone or after other columns and expressions (a sorted page selects its sort key first).
    static const QRegularExpression star(QStringLiteral(R"(^\s*SELECT\s+(?:.*,\s*)?\*\s+FROM\b)"),
                                         QRegularExpression::CaseInsensitiveOption);
    p.star = star.match(text).hasMatch();
    static const QRegularExpression select(QStringLiteral(R"(^\s*SELECT\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    p.reads = select.match(text).hasMatch();
    p.name = "pemvix_" + QByteArray::number(++m_nextName);
    PGresult* r = PQprepare(m_conn, p.name.constData(), text.toUtf8().constData(), p.marks, nullptr);
    ResultGuard guard{r};
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        setError(QStringLiteral("Cannot prepare \"%1\"").arg(sql));
        return nullptr;
    }
    return &m_prepared.insert(sql, p).value();
}

PGresult* PgEngine::nextResult(Stream& stream)
{
    if (!stream.pending.empty()) {
        PGresult* r = stream.pending.front();
        stream.pending.pop_front();
        return r;
    }
    if (stream.done)
        return nullptr;
    PGresult* r = PQgetResult(m_conn);
    if (!r)
        stream.done = true;
    return r;
}

void PgEngine::drainInto(Stream& stream)
{
    while (!stream.done) {
        PGresult* r = PQgetResult(m_conn);
        if (!r)
            stream.done = true;
        else
            stream.pending.push_back(r);
    }
}

// A statement that failed before it was sent (or prepared): safe to send again when the
// connection was what failed.
PgEngine::RunEnd PgEngine::lostBeforeRunning()
{
    if (!connectionLost())
        return RunEnd::Failed;
    m_fault = ConnectFault::Unreachable;
    return RunEnd::FailedSafe;
}

bool PgEngine::run(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
                   qint64* changes)
{
    // A connection found gone before anything of the statement could take effect is made
    // again and the statement sent once more; inside a transaction the loss fails the
    // transaction instead, as its earlier statements went with the connection.
    const bool mayRetry = !m_inTransaction && !m_reading;
    const RunEnd end = runOnce(sql, params, columns, sink, changes);
    if (end == RunEnd::FailedSafe && mayRetry)
        return runOnce(sql, params, columns, sink, changes) == RunEnd::Done;
    return end == RunEnd::Done;
}

PgEngine::RunEnd PgEngine::runOnce(const QString& sql, const QVariantList& params, QStringList* columns,
                                   const RowSink& sink, qint64* changes)
{
    // A statement run while another's rows are being read (from its row function): the other's
    // remaining rows are taken off the connection first and read from memory afterwards.
    if (m_reading)
        drainInto(*m_reading);
    if (!connectionUsable())
        return RunEnd::Failed;
    const Prepared* p = prepared(sql);
    if (!p)
        return lostBeforeRunning();
    if (!p->reads && !m_inTransaction && !tillNameHeld())
        return RunEnd::Failed;
    if (params.size() != p->marks) {
        m_lastError = QStringLiteral("\"%1\" takes %2 values, not %3").arg(sql).arg(p->marks).arg(params.size());
        return RunEnd::Failed;
    }
    QList<QByteArray> texts;
    texts.reserve(params.size());
    QVector<const char*> values(params.size(), nullptr);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        if (v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Bool:
            texts << (v.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            texts << QByteArray::number(v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            texts << realText(v.toDouble());
            break;
        case QMetaType::QByteArray:
            texts << v.toByteArray();
            break;
        case QMetaType::QDateTime:
            texts << DateTimeText(v.toDateTime()).toUtf8();
            break;
        default:
            texts << v.toString().toUtf8();
        }
        // The server keeps no NUL in a text; cutting the value there would store another one.
        if (texts.last().contains('\0')) {
            m_lastError = QStringLiteral("Value %1 of \"%2\" holds a NUL character, which the database server "
                                         "cannot store.")
                              .arg(i + 1)
                              .arg(sql);
            return RunEnd::Failed;
        }
        values[i] = texts.last().constData();
    }
    if (!PQsendQueryPrepared(m_conn, p->name.constData(), static_cast<int>(params.size()), values.constData(), nullptr,
                             nullptr, 0)) {
        setError(QStringLiteral("Statement \"%1\" failed").arg(sql));
        return lostBeforeRunning();
    }
    // Rows are read as they come, so a large read never waits for, or holds, all of them.
    if (sink)
        PQsetSingleRowMode(m_conn);
    const bool star = p->star;
    const bool insert = p->insert;
    const bool reads = p->reads;
    Stream stream;
    Stream* outer = m_reading;
    m_reading = &stream;
    bool ok = true;
    bool stopped = false;
    bool delivered = false; // rows were given to the sink: the statement cannot be run again
    bool named = false;
    int shown = 0;
    qint64 affected = 0;
    while (PGresult* r = nextResult(stream)) {
        ResultGuard guard{r};
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            if (ok) {
                m_lastError =
                    QStringLiteral("Statement \"%1\" failed: %2").arg(sql, serverText(PQresultErrorMessage(r)));
                ok = false;
            }
            continue;
        }
        if (!ok || stopped)
            continue;
        const int n = PQnfields(r);
        if (!named && (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK)) {
            named = true;
            shown = n;
            // The rowid every server table ends with is not one of the file's columns of "*".
            if (star && n > 1 && qstrcmp(PQfname(r, n - 1), "rowid") == 0)
                shown = n - 1;
            if (columns && !insert) {
                columns->clear();
                for (int c = 0; c < shown; ++c)
                    *columns << schemaColumnName(QString::fromUtf8(PQfname(r, c)));
            }
        }
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            affected += QByteArray(PQcmdTuples(r)).toLongLong();
        for (int row = 0; row < PQntuples(r); ++row) {
            if (insert) {
                m_lastInsertId = QByteArray(PQgetvalue(r, row, 0)).toLongLong();
                continue;
            }
            if (!sink)
                continue;
            QVector<QVariant> values(shown);
            for (int c = 0; c < shown; ++c)
                values[c] = fieldValue(r, row, c);
            delivered = true;
            if (!sink(values)) {
                stopped = true;
                break;
            }
        }
    }
    m_reading = outer;
    if (!ok) {
        if (!connectionLost())
            return RunEnd::Failed;
        m_fault = ConnectFault::Unreachable;
        m_lastError += QStringLiteral(" (the connection to the database server was lost)");
        // A read that gave no row yet may be read again; a write may have been done.
        return reads && !delivered ? RunEnd::FailedSafe : RunEnd::Failed;
    }
    if (columns && !named && !insert)
        columns->clear();
    if (changes)
        *changes = affected;
    return RunEnd::Done;
}

bool PgEngine::executeScript(const QString& sql)
{
    if (m_reading)
        drainInto(*m_reading);
    if (!m_conn) {
        m_lastError = QStringLiteral("The database is not open.");
        return false;
    }
    PGresult* r = PQexec(m_conn, sql.toUtf8().constData());
    ResultGuard guard{r};
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        m_lastError = serverText(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn));
        return false;
    }
    return true;
}

bool PgEngine::readyToWrite()
{
    return connectionUsable() && tillNameHeld();
}

bool PgEngine::beginOuter()
{
    // One writer at a time, as the file's BEGIN IMMEDIATE: a sale's counter and stock are read
    // and written by one till while the others wait.
    const QString sql = QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1)").arg(kWriterLock);
    for (int attempt = 1;; ++attempt) {
        if (!connectionUsable() || !tillNameHeld())
            return false;
        if (executeScript(sql)) {
            m_inTransaction = true;
            return true;
        }
        const QString why = m_lastError;
        // Found gone at the transaction's first statement: nothing of it was done, so the
        // connection is made again and it begins once more.
        if (connectionLost()) {
            if (attempt == 1 && !m_reading)
                continue;
            m_fault = ConnectFault::Unreachable;
        } else {
            executeScript(QStringLiteral("ROLLBACK"));
        }
        m_lastError = QStringLiteral("Cannot begin a transaction: %1").arg(why);
        return false;
    }
}

bool PgEngine::commitOuter()
{
    // A COMMIT of a transaction that had failed is answered ROLLBACK; only a clean one counts.
    PGresult* r = PQexec(m_conn, "COMMIT");
    ResultGuard guard{r};
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK && qstrcmp(PQcmdStatus(r), "COMMIT") == 0;
    if (!ok) {
        QString why = serverText(PQresultErrorMessage(r));
        if (why.isEmpty())
            why = serverText(PQerrorMessage(m_conn));
        if (why.isEmpty())
            why = QStringLiteral("a statement in it had failed, so it was rolled back");
        m_lastError = QStringLiteral("The transaction was not stored: %1").arg(why);
        return false;
    }
    m_inTransaction = false;
    return true;
}

void PgEngine::rollbackOuter()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        PGresult* r = PQexec(m_conn, "ROLLBACK");
        PQclear(r);
    }
    m_inTransaction = false;
}

QString PgEngine::quoteIdentifier(const QString& name) const
{
    // The server's tables are made with unquoted names, which it keeps in lower case.
    return Engine::quoteIdentifier(name.toLower());
}

QString PgEngine::plainText(const QString& quotedColumn) const
{
    // citext compares through lower() on every row; its text form compares bytes.
    return QStringLiteral("CAST(%1 AS text)").arg(quotedColumn);
}

QString PgEngine::containsSql(const QString& quotedColumn) const
{
    // Any column, number or text, is searched as its text, letter case ignored. ILIKE on the text
    // is the very comparison citext's LIKE makes, and the form the trigram indexes are made on.
    return QStringLiteral("CAST(%1 AS text) ILIKE ? ESCAPE '\\'").arg(quotedColumn);
}
