#include "data/Recordset.h"

Recordset::Recordset(QStringList columns, QVector<QVector<QVariant>> rows)
    : m_open(true), m_columns(std::move(columns)), m_rows(std::move(rows))
{
}

int indexOfColumn(const QStringList& columns, const QString& name)
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QVariant Recordset::Fields(const QString& column) const
{
    if (EndOfFile())
        return {};
    const int index = indexOfColumn(m_columns, column);
    if (index < 0)
        return {};
    return m_rows.at(m_pos).at(index);
}

void Recordset::MoveNext()
{
    if (m_open && m_pos < m_rows.size())
        ++m_pos;
}
