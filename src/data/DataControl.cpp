#include "data/DataControl.h"

#include "data/ContainsIndex.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 kFirstSlice = 4096;

// A server's plan that reads a filter's rows through an index is run at once (not in slices) when
// it expects at most this many rows, each index read estimated at most this cost: on a million
// rows a few milliseconds. Tables beyond a few million rows are not asked: there the trigram
// index alone costs a tenth of a second for a long text, and even planning a search through it
// can take that long on a connection's first search (ten million sold lines).
constexpr qint64 kIndexedRows = 4096;
constexpr double kIndexReadCost = 2000;
constexpr qint64 kIndexedTableRows = 2000000;

// The next slice of rowids for a step of `budgetMs`, after one of `slice` rowids took `spent`
// (timed to the microsecond: a slice read in 1.9 ms is not taken for one of 1 ms): about a
// quarter of the budget each, whatever a row costs to read; a slice grows at most twofold at
// a time, so one slow read cannot make the next one long.
qint64 nextSlice(qint64 slice, int budgetMs, const QElapsedTimer& spent)
{
    const qint64 budgetUs = std::min<qint64>(budgetMs, 1 << 20) * 1000;
    const qint64 spentUs = std::max<qint64>(1, spent.nsecsElapsed() / 1000);
    return std::clamp<qint64>(slice * budgetUs / (4 * spentUs), 1024, slice * 2);
}

// Orders two sort keys as SQLite does: numbers by value, texts by their UTF-8 bytes (the
// keys carry no collation), NULL before numbers before texts.
int compareKeys(const QVariant& a, const QVariant& b)
{
    auto rank = [](const QVariant& v) {
        if (v.isNull())
            return 0;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Double:
            return 1;
        default:
            return 2;
        }
    };
    const int ra = rank(a), rb = rank(b);
    if (ra != rb || ra == 0)
        return ra - rb;
    if (ra == 1) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const QByteArray x = a.toString().toUtf8(), y = b.toString().toUtf8();
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

DataControl::DataControl(Database& db, QObject* parent) : QAbstractTableModel(parent), m_db(db)
{
    m_fillTimer = new QTimer(this);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, [this] {
        if (fillStepDue())
            fillStep(m_fillStepMs);
    });
}

void DataControl::setRecordSource(const QString& select, const QVariantList& params)
{
    stopFill(); // a page being gathered belongs to the old source
    m_source = select;
    m_sourceParams = params;
    static const QRegularExpression shape(
        QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+(\w+)(?:\s+where\s+(.+?))?(?:\s+order\s+by\s+(.+?))?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto match = shape.match(select);
    if (!match.hasMatch()) {
        m_table.clear();
        m_lastError = QStringLiteral("Unsupported record source: %1").arg(select);
        return;
    }
    m_columnList = match.captured(1).trimmed();
    m_table = match.captured(2);
    m_where = match.captured(3).trimmed();
    m_orderBy = match.captured(4).trimmed();
}

QStringList DataControl::conditions(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows,
                                    bool narrow) const
{
    QStringList parts;
    if (!m_where.isEmpty()) {
        parts << QLatin1Char('(') + m_where + QLatin1Char(')');
        params << m_sourceParams;
    }
    if (!m_filterColumn.isEmpty()) {
        const ContainsNarrowing none;
        const ContainsNarrowing& narrowed = narrow ? narrowing() : none;
        if (!narrowed.replacesLike()) {
            parts << m_db.containsSql(m_db.quoteIdentifier(m_filterColumn));
            params << containsPattern(m_filterText);
        }
        if (!narrowed.isNone())
            parts << narrowed.condition(params, rows);
    }
    return parts;
}

QString DataControl::whereClause(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows,
                                 bool narrow) const
{
    const QStringList parts = conditions(params, rows, narrow);
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

bool DataControl::runQuery()
{
    stopFill(); // a page still being gathered for the last query is abandoned
    beginResetModel();
    m_rows.clear();
    m_listed.clear();
    m_best.clear();
    m_current = -1;
    m_total = -1;
    m_countedTo = -1;
    m_countWaits = false;
    m_countInSteps = false;
    m_atEnd = false;
    m_sliced = false;
    m_sortedPass = false;
    m_sortKey.clear();
    m_adding = false;
    m_pending.clear();
    bool ok = !m_table.isEmpty();
    // A search an index of the file can narrow reads only the rows the index gives; what the
    // index gives is asked when the rows are first read (for a list gathered in slices, between
    // events, so letters typed in a burst ask it only for the last text).
    m_narrowing.reset();
    if (ok) {
        // Learn the column names (and check the statement) without reading a row.
        QVariantList params;
        const QString sql =
            QStringLiteral("SELECT %1 FROM %2%3 LIMIT 0").arg(m_columnList, m_table, whereClause(params, {}, false));
        const Recordset none = m_db.query(sql, params);
        ok = none.State() != 0;
        if (ok)
            m_columns = none.columns();
        else
            m_lastError = m_db.lastError();
    }
    // A sort by a column the new record source lacks is dropped.
    const bool sortDropped = ok && !m_sortColumn.isEmpty() && columnIndex(m_sortColumn) < 0;
    if (sortDropped)
        m_sortColumn.clear();
    if (ok && !m_sortColumn.isEmpty())
        m_sortKey = SortKeySql(m_table, m_sortColumn, m_db.isServer());
    if (ok && (sorted() || (!m_filterColumn.isEmpty() && m_orderBy.isEmpty()))) {
        // The contains-filter reads every row it passes, and so does a sort that no index
        // serves: over a large table, in slices.
        const Recordset last = m_db.query(QStringLiteral("SELECT max(rowid) FROM %1").arg(m_table));
        m_scanEnd = last.BOF() ? 0 : last.rows().first().first().toLongLong();
        m_sliced = m_scanEnd > kSlicedSpan;
        if (m_sliced && sorted()) {
            QVariantList params;
            const QStringList where = conditions(params);
            m_sliced = readsManyRows(where, params);
            m_sortedPass = m_sliced;
        }
        m_scanTo = 0;
        m_fillSlice = kFirstSlice;
    }
    if (ok && !m_sliced) {
        QVector<Row> page;
        ok = fetchPage(page);
        m_rows = std::move(page);
        if (sorted()) {
            for (const Row& row : std::as_const(m_rows))
                m_listed.insert(row.id);
        }
        // A server counts a condition's rows through its index at once, unless it expects many
        // (a stock watch below 500 at ten times the shop: a tenth of a second): those are
        // counted in steps, as a filter's are.
        if (ok && !m_atEnd && m_db.isServer() && !m_where.isEmpty() && m_filterColumn.isEmpty()) {
            QVariantList params;
            const QString where = whereClause(params);
            const Recordset plan = m_db.query(QStringLiteral("EXPLAIN SELECT 1 FROM %1%2").arg(m_table, where), params);
            static const QRegularExpression expected(QStringLiteral(R"(rows=(\d+))"));
            const QRegularExpressionMatch top =
                plan.BOF() ? QRegularExpressionMatch() : expected.match(plan.rows().first().last().toString());
            m_countInSteps = !top.hasMatch() || top.captured(1).toLongLong() > kSlicedSpan;
        }
    }
    if (!ok) {
        m_rows.clear();
        m_atEnd = true;
        m_sliced = false;
        m_sortedPass = false;
        m_total = 0;
    }
    placeCurrent();
    // Filling before the reset is announced, so views fetching more on the reset wait for it.
    if (m_sliced)
        startFill();
    // Every step, the first included, runs between events (rows are shown as they are found):
    // letters typed faster than the event loop turns restart the search without reading rows,
    // and only the last one's are read.
    endResetModel();
    if (sortDropped)
        emit sortChanged(-1, m_sortOrder);
    emitCurrent();
    return ok;
}

bool DataControl::readRows(const QString& sql, const QVariantList& params, QVector<Row>& rows)
{
    // The rowid first, then the sort key when sorted, then the record source's columns.
    const int first = sorted() ? 2 : 1;
    const bool ok = m_db.forEachRow(sql, params, [&rows, first](const QVector<QVariant>& values) {
        Row row{values.first().toLongLong(), values.mid(first), {}};
        if (first == 2)
            row.key = values.at(1);
        rows.push_back(std::move(row));
        return true;
    });
    if (!ok)
        m_lastError = QStringLiteral("Reading %1 failed: %2").arg(m_table, m_db.lastError());
    return ok;
}

void DataControl::appendRows(QVector<Row>& rows)
{
    if (sorted()) {
        // A row edited since it was listed may come again further on: it stays where it is.
        rows.erase(std::remove_if(rows.begin(), rows.end(), [this](const Row& r) { return m_listed.contains(r.id); }),
                   rows.end());
        for (const Row& row : std::as_const(rows))
            m_listed.insert(row.id);
    }
    if (rows.isEmpty())
        return;
    const int before = static_cast<int>(m_rows.size());
    beginInsertRows({}, before, before + static_cast<int>(rows.size()) - 1);
    m_rows += rows;
    endInsertRows();
    rows.clear();
}

void DataControl::startFill()
{
    m_filling = true;
    m_indexTried = false;
    m_fillTarget = static_cast<int>(m_rows.size()) + kPageSize;
    if (m_sortedPass) { // every page of a sorted list is a pass over the whole table
        m_scanTo = 0;
        m_fillSlice = kFirstSlice;
        m_best.clear();
    }
    m_fillTimer->start();
}

void DataControl::stopFill()
{
    m_filling = false;
    m_fillTimer->stop();
}

bool DataControl::fillStep(int budgetMs)
{
    if (!m_filling)
        return true;
    if (!m_narrowing && !m_filterColumn.isEmpty()) {
        // The index is asked in a step of its own; the rows are read from the next one.
        narrowing();
        m_sinceFillStep.start();
        return false;
    }
    if (m_sortedPass)
        return passStep(budgetMs);
    QElapsedTimer clock;
    clock.start();
    QVector<Row> found;
    bool ok = true;
    // A server may find a page of few matches at once through an index.
    bool indexed = false;
    if (!m_indexTried && m_db.isServer() && m_scanEnd <= kIndexedTableRows) {
        m_indexTried = true;
        indexed = takeFromIndex(found);
    }
    // At least one slice a step, so the gathering moves on however loaded the machine is.
    for (bool first = true;
         !indexed && (first || (!m_atEnd && m_rows.size() + found.size() < m_fillTarget && clock.elapsed() < budgetMs));
         first = false) {
        QElapsedTimer slice;
        slice.start();
        const qint64 to = sliceEnd();
        const qsizetype wanted = m_fillTarget - (m_rows.size() + found.size());
        const qsizetype before = found.size();
        // A slice gives no more rows than the page still lacks: where most rows match, a slice
        // sized by time would otherwise read (and list) many times a page in one step.
        QVariantList params;
        const QString sql =
            QStringLiteral("SELECT rowid, %1 FROM %2%3 AND rowid > ? AND rowid <= ? ORDER BY rowid LIMIT ?")
                .arg(m_columnList, m_table, whereClause(params, std::pair{m_scanTo, to}));
        ok = readRows(sql, params + QVariantList{m_scanTo, to, wanted}, found);
        if (!ok)
            break;
        if (found.size() - before >= wanted) {
            // The page is complete inside the slice: every match up to its last row is listed,
            // and the next page (or the count) goes on from there.
            m_scanTo = found.last().id;
        } else {
            m_scanTo = to;
            m_atEnd = to == std::numeric_limits<qint64>::max();
        }
        m_fillSlice = nextSlice(m_fillSlice, budgetMs, slice);
    }
    if (!ok) {
        found.clear(); // the failed slice's rows would leave a gap behind m_scanTo
        m_atEnd = true;
    }
    // The rows are announced while still filling, so a view that fetches more on hearing of
    // them waits for the step to end.
    const bool complete = m_atEnd || m_rows.size() + found.size() >= m_fillTarget;
    appendRows(found);
    if (complete) {
        stopFill();
        m_countWaits = true;
    }
    m_sinceFillStep.start();
    if (placeCurrent())
        emitCurrent();
    return !m_filling;
}

// On a server, the rows a filter finds after the last one listed are taken from the column's
// trigram index at once when the planner reads them through an index and expects few of them
// (a search that most rows would fail, where slices of rowids would read much of the table for a
// page): their rowids first, all of them, which also counts them, then the page's rows by rowid.
// False, with nothing taken, when the planner would read the table or expects many rows, or a
// read failed: the page is then gathered in slices.
bool DataControl::takeFromIndex(QVector<Row>& found)
{
    QVariantList params;
    const QString where = whereClause(params);
    params << m_scanTo;
    // Without an order or a limit, so that a plan made for any text reads the index as well.
    const QString ids = QStringLiteral("SELECT rowid FROM %1%2 AND rowid > ?").arg(m_table, where);
    const Recordset plan = m_db.query(QStringLiteral("EXPLAIN ") + ids, params);
    if (plan.BOF())
        return false;
    // Each line of the plan ends with its estimates: "(cost=START..TOTAL rows=N width=W)".
    static const QRegularExpression estimate(QStringLiteral(R"(cost=[\d.]+\.\.([\d.]+) rows=(\d+))"));
    const QRegularExpressionMatch top = estimate.match(plan.rows().first().last().toString());
    if (!top.hasMatch() || top.captured(2).toLongLong() > kIndexedRows)
        return false;
    bool bitmap = false;
    for (const QVariantList& step : plan.rows()) {
        const QString detail = step.isEmpty() ? QString() : step.last().toString();
        if (detail.contains(QLatin1String("Seq Scan")))
            return false;
        if (detail.contains(QLatin1String("Bitmap Index Scan"))) {
            const QRegularExpressionMatch read = estimate.match(detail);
            if (!read.hasMatch() || read.captured(1).toDouble() > kIndexReadCost)
                return false;
            bitmap = true;
        }
    }
    if (!bitmap)
        return false;
    QVector<qint64> rowIds;
    const bool read = m_db.forEachRow(ids, params, [&rowIds](const QVector<QVariant>& row) {
        rowIds << row.first().toLongLong();
        return true;
    });
    if (!read)
        return false;
    std::sort(rowIds.begin(), rowIds.end());
    const qsizetype taken = std::min<qsizetype>(rowIds.size(), m_fillTarget - m_rows.size());
    if (taken > 0) {
        QStringList list;
        for (qsizetype i = 0; i < taken; ++i)
            list << QString::number(rowIds.at(i));
        QVariantList rowParams;
        const QString sql =
            QStringLiteral("SELECT rowid, %1 FROM %2%3 AND rowid = ANY(CAST(? AS bigint[])) ORDER BY rowid")
                .arg(m_columnList, m_table, whereClause(rowParams));
        rowParams << QLatin1Char('{') + list.join(QLatin1Char(',')) + QLatin1Char('}');
        if (!readRows(sql, rowParams, found)) {
            found.clear();
            return false;
        }
    }
    if (taken == rowIds.size()) {
        m_scanTo = std::numeric_limits<qint64>::max();
        m_atEnd = true;
    } else {
        // Every match up to the page's last row is listed; the rest are counted already.
        m_scanTo = rowIds.at(taken - 1);
        m_total = static_cast<int>(m_rows.size() + found.size() + (rowIds.size() - taken));
    }
    return true;
}

// One step of a pass over the table for the next rows of a sorted list: every slice of rowids
// gives its best rows after the last row listed, and the pass keeps the best kPassRows of
// them (asking each slice only for rows that beat the worst one kept, once it has them all).
// The rows are listed when the whole table has been passed.
bool DataControl::passStep(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto before = [this](const Row& a, const Row& b) { return rowBefore(a, b); };
    bool ok = true;
    do {
        QElapsedTimer slice;
        slice.start();
        const qint64 to = sliceEnd();
        QVariantList params;
        QStringList where = conditions(params, std::pair{m_scanTo, to});
        where << QStringLiteral("rowid > ? AND rowid <= ?");
        params << m_scanTo << to;
        if (!m_rows.isEmpty())
            where << keysetCondition(m_rows.last(), true, params);
        if (m_best.size() >= kPassRows)
            where << keysetCondition(m_best.last(), false, params);
        QVector<Row> found;
        ok = readRows(sortedSelect(where, kPassRows), params, found);
        if (!ok)
            break;
        const qsizetype kept = m_best.size();
        m_best += found;
        std::inplace_merge(m_best.begin(), m_best.begin() + kept, m_best.end(), before);
        if (m_best.size() > kPassRows)
            m_best.resize(kPassRows);
        m_scanTo = to;
        m_fillSlice = nextSlice(m_fillSlice, budgetMs, slice);
    } while (m_scanTo != std::numeric_limits<qint64>::max() && clock.elapsed() < budgetMs);
    m_sinceFillStep.start();
    if (ok && m_scanTo != std::numeric_limits<qint64>::max())
        return false;
    // A failed slice ends the list where it stands: its rows would leave a gap.
    m_atEnd = !ok || m_best.size() < kPassRows;
    QVector<Row> rows = ok ? std::move(m_best) : QVector<Row>();
    m_best.clear();
    stopFill();
    m_countWaits = true;
    appendRows(rows);
    if (placeCurrent())
        emitCurrent();
    return true;
}

// The end of the next slice of rowids to read; the last slice has no upper end, so rows added
// since the query ran are found too.
qint64 DataControl::sliceEnd() const
{
    return m_scanEnd - m_scanTo <= m_fillSlice ? std::numeric_limits<qint64>::max() : m_scanTo + m_fillSlice;
}

// The ORDER BY of a sorted list: the sort key, then the rowid, both the chosen way.
QString DataControl::sortedOrder() const
{
    const QString direction = m_sortOrder == Qt::DescendingOrder ? QStringLiteral(" DESC") : QString();
    return QStringLiteral("%1%2, rowid%2").arg(m_sortKey, direction);
}

QString DataControl::sortedSelect(const QStringList& where, int limit) const
{
    return QStringLiteral("SELECT rowid, %1, %2 FROM %3%4 ORDER BY %5 LIMIT %6")
        .arg(m_sortKey, m_columnList, m_table,
             where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")),
             sortedOrder(), QString::number(limit));
}

// The rows after `row` in the list's order (or before it, when `after` is false), written so
// that an index on the sort key finds where they start.
QString DataControl::keysetCondition(const Row& row, bool after, QVariantList& params) const
{
    const QString op = after == (m_sortOrder == Qt::AscendingOrder) ? QStringLiteral(">") : QStringLiteral("<");
    params << row.key << row.key << row.id;
    return QStringLiteral("%1 %2= ? AND (%1 %2 ? OR rowid %2 ?)").arg(m_sortKey, op);
}

bool DataControl::rowBefore(const Row& a, const Row& b) const
{
    int c = compareKeys(a.key, b.key);
    if (c == 0)
        c = a.id < b.id ? -1 : (a.id > b.id ? 1 : 0);
    return m_sortOrder == Qt::DescendingOrder ? c > 0 : c < 0;
}

// True when the first sorted page of a large table would read more rows than a slice: when no
// index finds the rows and either a condition filters them (a walk of the sort key's index
// could pass the whole table before it has a page) or all of them must be sorted first; or
// when an index finds them but too many to sort at once.
bool DataControl::readsManyRows(const QStringList& where, const QVariantList& params) const
{
    // Each engine tells its plan in its own words: SQLite's "SEARCH" and "TEMP B-TREE", the
    // server's "Index Cond" and "Sort" lines.
    const bool server = m_db.isServer();
    const Recordset plan = m_db.query((server ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) +
                                          sortedSelect(where, kPageSize),
                                      params);
    if (plan.BOF())
        return true;
    bool searches = false;
    bool sorts = false;
    for (const QVariantList& step : plan.rows()) {
        const QString detail = step.isEmpty() ? QString() : step.last().toString().trimmed();
        if (server) {
            searches = searches || detail.startsWith(QLatin1String("Index Cond"));
            sorts = sorts || detail.contains(QLatin1String("Sort  ")) || detail.startsWith(QLatin1String("Sort "));
        } else {
            searches = searches || detail.startsWith(QLatin1String("SEARCH"));
            sorts = sorts || detail.contains(QLatin1String("TEMP B-TREE"));
        }
    }
    // The items an index of their texts gives are read a slice of rowids at a time, as cheaply
    // as all of them at once, but between events.
    if (narrowing().kind == ContainsNarrowing::Kind::Grams)
        return true;
    if (!searches)
        return sorts || !where.isEmpty();
    if (!sorts)
        return false;
    // The rows the index finds are counted through the index, up to a slice's worth.
    const Recordset found =
        m_db.query(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 WHERE %2 LIMIT %3)")
                       .arg(m_table, where.join(QStringLiteral(" AND ")), QString::number(kSlicedSpan + 1)),
                   params);
    return found.BOF() || found.rows().first().first().toLongLong() > kSlicedSpan;
}

// Makes the first row current once there are rows; true when it did.
bool DataControl::placeCurrent()
{
    if (m_current >= 0 || m_rows.isEmpty())
        return false;
    m_current = 0;
    return true;
}

// The page's timer and a count asked for between events both move the gathering on; a step
// that ended less than a millisecond ago means this pass of the event loop has had its step.
bool DataControl::fillStepDue() const
{
    return !m_sinceFillStep.isValid() || m_sinceFillStep.nsecsElapsed() >= 1000000;
}

// Fetches the next page at once, however long it takes (a row asked for by number).
void DataControl::fetchNow()
{
    if (!m_sliced) {
        fetchMore();
        return;
    }
    if (!m_filling)
        startFill();
    fillStep(std::numeric_limits<int>::max());
}

bool DataControl::fetchPage(QVector<Row>& page)
{
    if (m_atEnd)
        return true;
    QVariantList params;
    QString sql;
    if (sorted()) {
        // Keyset paging in the sorted order: the rows after the last one listed.
        QStringList where = conditions(params);
        if (!m_rows.isEmpty())
            where << keysetCondition(m_rows.last(), true, params);
        sql = sortedSelect(where, kPageSize);
    } else if (m_orderBy.isEmpty()) {
        QString where = whereClause(params);
        // Keyset paging in rowid order: each page costs the same, however deep.
        if (!m_rows.isEmpty()) {
            where +=
                (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + QStringLiteral("rowid > ?");
            params << m_rows.last().id;
        }
        sql = QStringLiteral("SELECT rowid, %1 FROM %2%3 ORDER BY rowid LIMIT %4")
                  .arg(m_columnList, m_table, where)
                  .arg(kPageSize);
    } else {
        sql = QStringLiteral("SELECT rowid, %1 FROM %2%3 ORDER BY %4 LIMIT %5 OFFSET %6")
                  .arg(m_columnList, m_table, whereClause(params), m_orderBy)
                  .arg(kPageSize)
                  .arg(m_rows.size());
    }
    const qsizetype before = page.size();
    if (!readRows(sql, params, page)) {
        m_atEnd = true;
        return false;
    }
    if (page.size() - before < kPageSize)
        m_atEnd = true;
    return true;
}

void DataControl::sort(int column, Qt::SortOrder order)
{
    const QString name = column >= 0 && column < m_columns.size() ? m_columns.at(column) : QString();
    if (m_unsorted.contains(name)) {
        emit sortChanged(sortColumn(), m_sortOrder); // the heading shows the order that stays
        return;
    }
    if (name == m_sortColumn && (name.isEmpty() || order == m_sortOrder))
        return;
    m_sortColumn = name;
    m_sortOrder = order;
    runQuery();
    emit sortChanged(sortColumn(), m_sortOrder);
}

bool DataControl::Refresh()
{
    m_filterColumn.clear();
    m_filterText.clear();
    return runQuery();
}

bool DataControl::setFilter(const QString& column, const QString& text)
{
    if (text.isEmpty())
        return Refresh();
    if (!m_columns.isEmpty() && indexOfColumn(m_columns, column) < 0 && m_columnList != u"*") {
        m_lastError = QStringLiteral("No column %1 in %2").arg(column, m_table);
        return false;
    }
    m_filterColumn = column;
    m_filterText = text;
    return runQuery();
}

int DataControl::totalRowCount() const
{
    if (m_total < 0) {
        if (m_atEnd) {
            m_total = static_cast<int>(m_rows.size());
        } else {
            const auto kept = wholeTable() ? keptRowCount(m_db, m_table) : std::nullopt;
            if (kept) {
                m_total = static_cast<int>(*kept);
            } else {
                QVariantList params;
                const QString where = whereClause(params);
                const Recordset r = m_db.query(QStringLiteral("SELECT count(*) FROM %1%2").arg(m_table, where), params);
                m_total = r.BOF() ? static_cast<int>(m_rows.size()) : r.rows().first().first().toInt();
            }
        }
    }
    return m_total;
}

const ContainsNarrowing& DataControl::narrowing() const
{
    if (!m_narrowing)
        m_narrowing = m_filterColumn.isEmpty() ? ContainsNarrowing{}
                                               : narrowContains(m_db, m_table, m_filterColumn, m_filterText);
    return *m_narrowing;
}

bool DataControl::wholeTable() const
{
    return m_where.isEmpty() && m_filterColumn.isEmpty();
}

int DataControl::knownRowCount() const
{
    // A server reads every row of a table to count it whole; a condition of the record source
    // (a stock watch) it counts through its index, in steps when it expects many rows.
    // A table whose count the database keeps is answered from that count.
    const bool wholeTableOnServer = m_db.isServer() && m_where.isEmpty();
    if (m_total >= 0 || m_atEnd || (m_filterColumn.isEmpty() && !wholeTableOnServer && !m_countInSteps))
        return totalRowCount();
    if (wholeTable()) {
        if (const auto kept = keptRowCount(m_db, m_table)) {
            m_total = static_cast<int>(*kept);
            return m_total;
        }
    }
    return -1;
}

bool DataControl::countStep(int budgetMs)
{
    if (knownRowCount() >= 0)
        return true;
    // One step of reading a pass of the event loop: while a page is gathered (which counts the
    // rows it passes) the page's own timer reads, and the first count step after it waits for
    // the next pass, so that the two never run back to back.
    if (m_filling)
        return false;
    if (m_countWaits) {
        m_countWaits = false;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    if (m_countedTo < 0) {
        const Recordset last = m_db.query(QStringLiteral("SELECT max(rowid) FROM %1").arg(m_table));
        m_countEnd = last.BOF() ? 0 : last.rows().first().first().toLongLong();
        // Rows gathered in slices are every match up to m_scanTo: the count goes on from there.
        const bool gathered = m_sliced && !m_sortedPass;
        m_countedTo = gathered ? m_scanTo : 0;
        m_counted = gathered ? static_cast<int>(m_rows.size()) : 0;
        m_countSlice = kFirstSlice;
    }
    // At least one slice a step, so even a step with no time to spare moves the count on.
    for (bool first = true; m_countedTo < m_countEnd && (first || clock.elapsed() < budgetMs); first = false) {
        QElapsedTimer slice;
        slice.start();
        const qint64 to = std::min(m_countEnd, m_countedTo + m_countSlice);
        QVariantList params;
        QString where = whereClause(params, std::pair{m_countedTo, to});
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                 QStringLiteral("rowid > ? AND rowid <= ?");
        const Recordset r = m_db.query(QStringLiteral("SELECT count(*) FROM %1%2").arg(m_table, where),
                                       params + QVariantList{m_countedTo, to});
        if (r.BOF()) { // the count failed: give the rows fetched, as totalRowCount() does
            m_total = static_cast<int>(m_rows.size());
            return true;
        }
        m_counted += r.rows().first().first().toInt();
        m_countedTo = to;
        m_countSlice = nextSlice(m_countSlice, budgetMs, slice);
    }
    if (m_countedTo < m_countEnd)
        return false;
    m_total = m_counted;
    return true;
}

void DataControl::emitCurrent()
{
    emit currentRowChanged(m_current);
}

void DataControl::setCurrentRow(int row)
{
    if (m_removing)
        return;
    while (row >= m_rows.size() && !m_atEnd)
        fetchNow();
    if (row < 0 || row >= m_rows.size())
        row = m_rows.isEmpty() ? -1 : static_cast<int>(m_rows.size()) - 1;
    if (row == m_current)
        return;
    m_current = row;
    m_adding = false;
    m_pending.clear();
    emitCurrent();
}

int DataControl::columnIndex(const QString& column) const
{
    return indexOfColumn(m_columns, column);
}

QVariant DataControl::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.at(row).values.at(column);
}

QVariant DataControl::value(int row, const QString& column) const
{
    return value(row, columnIndex(column));
}

QVariant DataControl::Fields(const QString& column) const
{
    return value(m_current, column);
}

qint64 DataControl::rowId(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : -1;
}

void DataControl::AddNew()
{
    m_adding = true;
    m_pending.clear();
}

void DataControl::setField(const QString& column, const QVariant& value)
{
    m_pending.insert(column, value);
}

void DataControl::cancelUpdate()
{
    m_adding = false;
    m_pending.clear();
}

bool DataControl::Update()
{
    if (m_table.isEmpty() || m_pending.isEmpty()) {
        m_lastError = QStringLiteral("Nothing to save in %1").arg(m_table);
        cancelUpdate();
        return false;
    }
    QStringList names;
    QVariantList values;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        names << m_db.quoteIdentifier(it.key());
        values << it.value();
    }
    int affected;
    if (m_adding) {
        QStringList marks;
        for (qsizetype i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        affected =
            m_db.ExecuteSql(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(m_table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                            values);
    } else {
        if (m_current < 0) {
            m_lastError = QStringLiteral("No current row in %1").arg(m_table);
            cancelUpdate();
            return false;
        }
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral(" = ?");
        values << m_rows.at(m_current).id;
        affected = m_db.ExecuteSql(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(m_table, sets.join(QStringLiteral(", "))), values);
        if (affected > 0) {
            for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
                const int c = columnIndex(it.key());
                if (c >= 0)
                    m_rows[m_current].values[c] = it.value();
            }
            emit dataChanged(index(m_current, 0), index(m_current, columnCount() - 1));
        }
    }
    cancelUpdate();
    if (affected <= 0) {
        m_lastError = m_db.lastError();
        return false;
    }
    if (m_total >= 0 && m_atEnd)
        m_total = -1;
    return true;
}

bool DataControl::Delete()
{
    return deleteRow(m_current);
}

bool DataControl::deleteRow(int row)
{
    m_refused = false;
    if (row < 0 || row >= m_rows.size()) {
        m_lastError = QStringLiteral("No row selected in %1").arg(m_table);
        return false;
    }
    const qint64 id = m_rows.at(row).id;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        m_lastError = m_db.lastError();
        return false;
    }
    if (m_deleteCheck) {
        const QString refused = m_deleteCheck(id);
        if (!refused.isEmpty()) {
            m_lastError = refused;
            m_refused = true;
            emit writeRefused(refused);
            return false;
        }
    }
    const int affected = m_db.ExecuteSql(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(m_table), {id});
    if (affected <= 0 || !tx.commit()) {
        m_lastError =
            affected == 0 ? QStringLiteral("The row was already gone from %1").arg(m_table) : m_db.lastError();
        return false;
    }
    m_removing = true;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    if (m_total > 0)
        --m_total; // before the views hear of it, so counts read on rowsRemoved are right
    else if (m_total < 0)
        m_countedTo = -1; // a count under way starts again
    endRemoveRows();
    m_removing = false;
    // The current row stays on its record; when it was the removed one, the row that followed
    // takes its place (the last row when it was last).
    if (m_current > row)
        --m_current;
    else if (m_current == row)
        m_current = std::min(row, static_cast<int>(m_rows.size()) - 1);
    emitCurrent();
    return true;
}

void DataControl::setReadOnlyColumn(int column, bool readOnly)
{
    if (readOnly)
        m_readOnly.insert(column);
    else
        m_readOnly.remove(column);
}

int DataControl::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DataControl::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataControl::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariant v = value(index.row(), index.column());
    if (role == Qt::DisplayRole && v.typeId() == QMetaType::Double && !std::isfinite(v.toDouble()))
        return displayText(v);
    return v.isNull() ? QVariant(QString()) : v;
}

QString DataControl::displayText(const QVariant& value)
{
    // A number beyond what a number can hold (left by an older version) never shows as "inf".
    if (value.typeId() == QMetaType::Double && !std::isfinite(value.toDouble()))
        return QStringLiteral("Too large");
    return value.isNull() ? QString() : value.toString();
}

bool DataControl::forEachRow(const std::function<bool(const QVector<QVariant>&)>& row)
{
    if (m_table.isEmpty()) // no record source yet: a list without rows
        return true;
    QVariantList params;
    const QString where = whereClause(params);
    // The rows come in the order shown: the clicked column's, else the record source's.
    const QString order = sorted() ? sortedOrder() : m_orderBy.isEmpty() ? QStringLiteral("rowid") : m_orderBy;
    const bool ok = m_db.forEachRow(
        QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4").arg(m_columnList, m_table, where, order), params, row);
    if (!ok)
        m_lastError = QStringLiteral("Reading %1 failed: %2").arg(m_table, m_db.lastError());
    return ok;
}

QVariant DataControl::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? QVariant(m_columns.at(section)) : QVariant();
    return section + 1;
}

Qt::ItemFlags DataControl::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_editable && !m_readOnly.contains(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataControl::setData(const QModelIndex& index, const QVariant& edited, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    m_refused = false;
    const int row = index.row();
    const qint64 id = m_rows.at(row).id;
    const QString column = m_columns.at(index.column());
    const QVariant value = m_editForm ? m_editForm(column, edited) : edited;
    int affected = -1;
    {
        Transaction tx(m_db);
        if (tx.isActive() && m_editCheck) {
            const QString refused = m_editCheck(id, column, value);
            if (!refused.isEmpty()) {
                m_lastError = refused;
                m_refused = true;
            }
        }
        if (tx.isActive() && !m_refused && (!m_editFollow || m_editFollow(id, column, value))) {
            affected = m_db.ExecuteSql(
                QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?").arg(m_table, m_db.quoteIdentifier(column)),
                {value, id});
            if (affected > 0 && !tx.commit())
                affected = -1;
        }
    }
    if (m_refused) {
        reloadRow(row);
        emit writeRefused(m_lastError);
        return false;
    }
    if (affected <= 0) {
        m_lastError = affected < 0 ? m_db.lastError() : QStringLiteral("The row is no longer in %1").arg(m_table);
        emit writeFailed(m_lastError);
        return false;
    }
    // Read the row back, so the grid shows what the column's type made of the value.
    if (!reloadRow(row)) {
        m_rows[row].values[index.column()] = value;
        emit dataChanged(index, index);
        if (row == m_current)
            emitCurrent();
    }
    return true;
}

bool DataControl::reloadRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    const Recordset r =
        m_db.query(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(m_columnList, m_table), {m_rows.at(row).id});
    if (r.BOF() || r.rows().first().size() != m_rows.at(row).values.size())
        return false;
    m_rows[row].values = r.rows().first();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    if (row == m_current)
        emitCurrent();
    return true;
}

bool DataControl::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_atEnd && !m_filling; // a page being gathered comes by itself
}

void DataControl::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_atEnd || m_filling)
        return;
    if (m_sliced) {
        startFill();
        fillStep(m_fillStepMs);
        return;
    }
    QVector<Row> page;
    if (fetchPage(page))
        appendRows(page);
}
