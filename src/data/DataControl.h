#pragma once

#include "data/ContainsIndex.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QSet>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <optional>
#include <utility>

class Database;
class QTimer;

// A window-owned view of the rows of one table: a record source (one SELECT on one table),
// a current row, appending (AddNew, field assignment, Update), deleting, a literal
// contains-filter on one column, and optional in-place edits. Rows are identified by their
// SQLite rowid, which is selected with them and never shown. Large tables are fetched in
// pages as a view scrolls (canFetchMore / fetchMore); totalRowCount() is the true count.
// A filter over a large table in rowid order cannot use an index, so its pages are gathered a
// slice of rowids at a time between events: the rows are inserted (rowsInserted) as they are
// found, canFetchMore() is false meanwhile, and the page is complete when isFilling() is false.
// A small table is read at once, as before.
// A list can be sorted by any of its columns (sort()), by the database: the order is the
// column's sort key (SortKeySql) and then the rowid, and pages follow on from the last row's
// (key, rowid). Where that order cannot come from an index (or a filter must read every row)
// on a large table, each page is gathered a slice of rowids at a time between events, as a
// filtered page is, keeping the best rows of every slice.
class DataControl : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DataControl(Database& db, QObject* parent = nullptr);

    // "Select * from tblNot", "select a, b from tblX where ... order by ...". The columns may
    // be "*" or a list of column names of the table. Refresh() runs it. `params` are bound to
    // the ? marks of the where clause, in order.
    void setRecordSource(const QString& select, const QVariantList& params = {});
    QString recordSource() const { return m_source; }
    QString tableName() const { return m_table; }

    // Runs the record source again (the filter is cleared), makes the first row current and
    // redraws everything bound. False when the query failed; the control then has no rows.
    bool Refresh();
    // Keeps only the rows whose `column` contains `text` (letter case ignored). The text is
    // matched literally: %, _ and quotes are ordinary characters. An empty text clears the
    // filter. The column must be one of the record source's columns.
    bool setFilter(const QString& column, const QString& text);
    QString filterColumn() const { return m_filterColumn; }
    QString filterText() const { return m_filterText; }

    // The true number of rows the record source (and filter) selects, fetched or not.
    int totalRowCount() const;
    // The true count when it costs nothing to give (known already, every row fetched, or no
    // filter, which an index counts at once); -1 while the count is still to be made, which
    // countStep() does a slice at a time, so a window can count a large table between events.
    // A database server reads every row to count a whole table: that count is made so too.
    int knownRowCount() const;
    // Counts the filtered rows of the next slices of rowids, for about `budgetMs`; true once
    // the count is complete (knownRowCount() then gives it). Called between events: while a
    // page is still being gathered, and in the pass of the event loop that gathered its last
    // rows, it reads nothing and returns false.
    bool countStep(int budgetMs);
    // True while a page of a filtered large table is still being gathered between events.
    bool isFilling() const { return m_filling; }
    // How long one step of gathering may read before events are processed again (at least
    // one slice of rowids is read a step, however short this is).
    void setFillStepMs(int ms) { m_fillStepMs = ms; }

    // Sorts the list by a column (its position among the columns), or back to the record
    // source's own order when `column` is -1. The filter stays, and the first row becomes
    // current, as after Refresh(). Refresh() and a new record source keep the sort as long as
    // the column is there.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The column the list is sorted by, or -1 when it is in the record source's order.
    int sortColumn() const { return m_sortColumn.isEmpty() ? -1 : columnIndex(m_sortColumn); }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int currentRow() const { return m_current; }
    // A valid index into the fetched rows (fetching more when needed), or -1.
    void setCurrentRow(int row);
    // The value of a column of the current row (empty when there is none).
    QVariant Fields(const QString& column) const;
    QString fieldText(const QString& column) const { return Fields(column).toString(); }
    QVariant value(int row, int column) const;
    QVariant value(int row, const QString& column) const;
    qint64 rowId(int row) const;
    int columnIndex(const QString& column) const;
    QStringList columnNames() const { return m_columns; }

    // Appending a row: AddNew, then setField for each column, then Update.
    void AddNew();
    // Sets a column of the new row (after AddNew) or of the current row.
    void setField(const QString& column, const QVariant& value);
    // Saves the new or changed row. False (and lastError) when the table refused it.
    bool Update();
    // Discards a pending AddNew or changes.
    void cancelUpdate();
    // Deletes the current row from the table at once.
    bool Delete();
    bool deleteRow(int row);

    // In-place edits from a bound grid, written straight to the table.
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }
    void setReadOnlyColumn(int column, bool readOnly = true);
    // A column worked out by the record source (not one of its table's) cannot be sorted by.
    void setUnsortedColumn(const QString& column) { m_unsorted.insert(column); }

    // Rules the stored rows must keep. An in-place edit (or a deletion) runs its check inside
    // the transaction that writes it, so the check sees the rows as stored at that moment. A
    // check returns why the change is refused, in the user's words, or an empty text; a refused
    // change writes nothing, is announced through writeRefused and the row shows its stored
    // values again.
    using EditCheck = std::function<QString(qint64 rowId, const QString& column, const QVariant& value)>;
    using DeleteCheck = std::function<QString(qint64 rowId)>;
    void setEditCheck(EditCheck check) { m_editCheck = std::move(check); }
    void setDeleteCheck(DeleteCheck check) { m_deleteCheck = std::move(check); }
    // The form in which an edited value is stored (a number typed with the system's decimal
    // mark is stored in the program's own form); the check sees the value as it will be stored.
    using EditForm = std::function<QVariant(const QString& column, const QVariant& value)>;
    void setEditForm(EditForm form) { m_editForm = std::move(form); }
    // Writes that go with an accepted in-place edit, in its transaction before the cell is
    // stored (the rows that name the edited value); false fails the edit, and nothing is stored.
    using EditFollow = std::function<bool(qint64 rowId, const QString& column, const QVariant& value)>;
    void setEditFollow(EditFollow follow) { m_editFollow = std::move(follow); }

    // Reads one fetched row again from the table, so it shows what is stored now. False when
    // the row could not be read (it is then left as it was).
    bool reloadRow(int row);

    // Reads every row the record source and filter select, fetched or not, in the list's order
    // (without their rowids), and gives each to `row` as it is read, so a list of any length is
    // written out without being held: what an export writes. `row` returns false to stop.
    // False (and lastError) when the rows could not be read.
    bool forEachRow(const std::function<bool(const QVector<QVariant>&)>& row);
    // A value as the list shows it: an empty text for no value, "Too large" for a number
    // beyond what a number can hold.
    static QString displayText(const QVariant& value);

    QString lastError() const { return m_lastError; }
    // True when the last failed edit or deletion was refused by a check rather than by the table.
    bool lastWriteRefused() const { return m_refused; }

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

    static constexpr int kPageSize = 256;
    // A filtered table whose rowids reach beyond this is gathered in slices of rowids.
    static constexpr qint64 kSlicedSpan = 65536;
    static constexpr int kFillStepMs = 10;
    // A sorted page gathered in slices keeps this many rows of every pass over the table.
    static constexpr int kPassRows = 4 * kPageSize;

signals:
    // The current row changed, or its values did (refresh, edit, delete).
    void currentRowChanged(int row);
    // An in-place edit or a deletion from a bound grid could not be written.
    void writeFailed(const QString& message);
    // An in-place edit or a deletion was refused by a check; `reason` says why.
    void writeRefused(const QString& reason);
    // The sort changed (sort(), or a new record source without the sorted column).
    void sortChanged(int column, Qt::SortOrder order);

private:
    // No condition of the record source and no filter: the list is the whole table.
    bool wholeTable() const;

    struct Row
    {
        qint64 id;
        QVector<QVariant> values;
        QVariant key; // the sort key, when sorted
    };
    // The list's conditions; with `rows`, for the rowids (first, second] alone; without
    // `narrow`, the filter's LIKE alone, without asking an index.
    QStringList conditions(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows = {},
                           bool narrow = true) const;
    QString whereClause(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows = {},
                        bool narrow = true) const;
    const ContainsNarrowing& narrowing() const;
    bool fetchPage(QVector<Row>& page);
    bool readRows(const QString& sql, const QVariantList& params, QVector<Row>& rows);
    bool sorted() const { return !m_sortKey.isEmpty(); }
    QString sortedSelect(const QStringList& where, int limit) const;
    QString sortedOrder() const;
    qint64 sliceEnd() const;
    QString keysetCondition(const Row& row, bool after, QVariantList& params) const;
    bool rowBefore(const Row& a, const Row& b) const;
    bool readsManyRows(const QStringList& where, const QVariantList& params) const;
    bool passStep(int budgetMs);
    bool placeCurrent();
    void appendRows(QVector<Row>& rows);
    void startFill();
    void stopFill();
    bool fillStep(int budgetMs);
    bool takeFromIndex(QVector<Row>& found);
    bool fillStepDue() const;
    void fetchNow();
    bool runQuery();
    void emitCurrent();

    Database& m_db;
    QString m_source;
    QString m_table;
    QString m_columnList; // as written in the record source
    QString m_where;      // without the WHERE keyword
    QString m_orderBy;    // without the ORDER BY keyword
    QVariantList m_sourceParams;
    QStringList m_columns;
    QString m_filterColumn;
    QString m_filterText;
    mutable std::optional<ContainsNarrowing> m_narrowing; // how an index narrows the filter, once asked
    QString m_sortColumn;                                 // empty: the record source's order
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_sortKey; // the sort key's SQL while sorted
    // Gathering a sorted page in passes over slices of rowids: the best rows found so far.
    bool m_sortedPass = false;
    QVector<Row> m_best;
    QSet<qint64> m_listed; // rowids of a sorted list, so an edited row that moved is not listed twice
    QVector<Row> m_rows;
    bool m_atEnd = true;
    mutable int m_total = -1;
    // A filter's count made a slice of rowids at a time: rows counted up to m_countedTo.
    qint64 m_countedTo = -1;
    qint64 m_countEnd = -1;
    qint64 m_countSlice = 0;
    int m_counted = 0;
    bool m_countWaits = false; // a page was just gathered: the next count step waits a pass
    // Gathering rows a slice of rowids at a time: every matching row up to m_scanTo is
    // fetched; m_fillTarget is the row count at which the page being gathered is complete.
    bool m_sliced = false;
    bool m_filling = false;
    qint64 m_scanTo = 0;
    qint64 m_scanEnd = 0;
    qint64 m_fillSlice = 0;
    int m_fillTarget = 0;
    bool m_indexTried = false;   // this page has asked a server whether an index finds its rows
    bool m_countInSteps = false; // a server's count of a condition's many rows is made in steps
    int m_fillStepMs = kFillStepMs;
    QTimer* m_fillTimer = nullptr;
    QElapsedTimer m_sinceFillStep;
    int m_current = -1;
    // While a row is removed, views move their own current row; the row after the removed one
    // becomes current once the removal is done.
    bool m_removing = false;
    QSet<QString> m_unsorted;
    bool m_adding = false;
    QVariantMap m_pending;
    bool m_editable = false;
    QSet<int> m_readOnly;
    EditCheck m_editCheck;
    EditForm m_editForm;
    EditFollow m_editFollow;
    DeleteCheck m_deleteCheck;
    QString m_lastError;
    bool m_refused = false;
};
