#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The position of a column name in a list, letter case ignored; -1 when absent.
int indexOfColumn(const QStringList& columns, const QString& name);

// The rows of one query, read in full, with the cursor operations the windows use:
// State (0 when closed), BOF, EOF, Fields(column) and MoveNext. A failed query leaves a
// closed recordset, which reads as "no rows".
class Recordset
{
public:
    Recordset() = default;
    Recordset(QStringList columns, QVector<QVector<QVariant>> rows);

    // 0 when closed (no query yet, or the query failed), 1 when open.
    int State() const { return m_open ? 1 : 0; }
    // True when there is no current row before the first (an open recordset without rows
    // is at BOF and EOF at once; a closed one too).
    bool BOF() const { return !m_open || m_rows.isEmpty(); }
    // "EOF" itself is a C library macro, hence the longer name.
    bool EndOfFile() const { return !m_open || m_pos >= m_rows.size(); }
    // The value of a column of the current row, by name (letter case ignored).
    QVariant Fields(const QString& column) const;
    QString text(const QString& column) const { return Fields(column).toString(); }
    void MoveNext();

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const QStringList& columns() const { return m_columns; }
    const QVector<QVector<QVariant>>& rows() const { return m_rows; }

private:
    bool m_open = false;
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_pos = 0;
};
