#pragma once

#include "platform/Csv.h"
#include "platform/DataGrid.h"

#include <QHeaderView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Platform;
class QPushButton;

// "Export..." of a list: every row the list selects is written to a CSV file the user names.
namespace ListExport {

// The button every list panel carries, with the objectName given.
QPushButton* button(const QString& name, QWidget* parent);

// Asks for a file (suggesting `suggestedName`.csv), writes the headings, then lets `rows` write
// the rows. `rows` returns false with `error` set when it could not read them. A failure is
// told with the write-failure message; nothing is left where the file would have been.
// False when nothing was written (cancelled or failed).
using RowWriter = std::function<bool(Csv::Writer& writer, QString* error)>;
bool writeFile(QWidget* parent, Platform& platform, const QString& suggestedName, const QStringList& headings,
               const RowWriter& rows);

// The grid's shown columns, in the order shown: their positions in the model and headings.
QList<int> shownColumns(const DataGrid* grid, QStringList* headings);

// Exports the list of a grid bound to a data control: all rows of the control's query and
// filter (not only those fetched), the columns the grid shows (a hidden password never
// leaves), with the headings and values as the grid shows them.
template <class Control>
bool exportGrid(QWidget* parent, Platform& platform, const DataGrid* grid, Control* control,
                const QString& suggestedName)
{
    QStringList headings;
    const QList<int> columns = shownColumns(grid, &headings);
    return writeFile(parent, platform, suggestedName, headings, [&](Csv::Writer& writer, QString* error) {
        const auto rows = control->allRows();
        if (rows.State() == 0) {
            *error = control->lastError();
            return false;
        }
        for (const QVector<QVariant>& row : rows.rows()) {
            QStringList fields;
            fields.reserve(columns.size());
            for (const int c : columns)
                fields << Control::displayText(row.value(c));
            if (!writer.write(fields))
                return true; // the writer's failure is told as a write failure
        }
        return true;
    });
}

} // namespace ListExport
