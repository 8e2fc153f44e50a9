#pragma once

#include "platform/Csv.h"
#include "platform/DataGrid.h"

#include <QHeaderView>
#include <QList>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Platform;

// "Export..." of a list: every row the list selects is written to a CSV file the user names.
namespace ListExport {

// The button every list panel carries, with the objectName given.
QPushButton* button(const QString& name, QWidget* parent);

// Asks for a file (suggesting `suggestedName`.csv), writes the headings, then lets `rows` give
// the rows, each through `write`; `rows` returns false (with `error`) when it could not read
// them. A progress window shows a long export, which can be cancelled. A failure is told with
// the write-failure message; nothing is left where the file would have been unless it was
// written whole. False when nothing was written (cancelled or failed).
using RowWrite = std::function<bool(const QStringList& fields)>; // false: stop
using RowSource = std::function<bool(const RowWrite& write, QString* error)>;
bool writeFile(QWidget* parent, Platform& platform, const QString& suggestedName, const QStringList& headings,
               qint64 expectedRows, const RowSource& rows);

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
    return writeFile(parent, platform, suggestedName, headings, control->knownRowCount(),
                     [&](const RowWrite& write, QString* error) {
                         QStringList fields;
                         const bool read = control->forEachRow([&](const QVector<QVariant>& row) {
                             fields.clear();
                             for (const int c : columns)
                                 fields << Control::displayText(row.value(c));
                             return write(fields);
                         });
                         if (!read)
                             *error = control->lastError();
                         return read;
                     });
}

// The list panel's button, wired to export `grid`'s list to a file suggested as `suggestedName`
// (the messages stand above `owner`).
template <class Control>
QPushButton* gridButton(const QString& name, QWidget* parent, QWidget* owner, Platform& platform, const DataGrid* grid,
                        Control* control, const QString& suggestedName)
{
    QPushButton* b = button(name, parent);
    QObject::connect(b, &QPushButton::clicked, owner,
                     [=, &platform] { exportGrid(owner, platform, grid, control, suggestedName); });
    return b;
}

} // namespace ListExport
