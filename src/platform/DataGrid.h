#pragma once

#include <QTableView>

#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QTextEdit;

// The program's grid: a table view whose current row is one row, shown selected; a click
// makes the clicked row current. Columns can be hidden by their position. Where the owning
// window allows it, DEL deletes the current row (through deleteRequested). A click on a column
// heading asks the model to sort by that column (again: the other way round); the heading
// shows the order the model reports through showSortOrder().
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void hideColumnAt(int column) { setColumnHidden(column, true); }
    void setDeleteKeyEnabled(bool enabled) { m_deleteKey = enabled; }

    int currentRowIndex() const;
    // Writes the editor that is open in the grid (if any) to its model and closes it, so that
    // a cell being typed into is saved before the list is read again.
    void commitOpenEditor();

public slots:
    // Makes `row` current and visible (or clears the current row when -1).
    void setCurrentRow(int row);
    // Shows the model's order on the headings: sorted by `column` (none when -1).
    void showSortOrder(int column, Qt::SortOrder order);

signals:
    void currentRowChanged(int row);
    void deleteRequested(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_deleteKey = false;
    bool m_settingRow = false;
    bool m_extendingSelection = false; // a Ctrl or Shift click is under way
    bool m_showingSort = false;
};

// Binds a grid and a data control (any model with the current-row signals and slots of
// DataControl) both ways: the clicked row becomes the control's current row, and the control's
// current row is shown in the grid. With `deleteKey`, DEL deletes the current row through
// the control; `onDeleteFailed` hears of a deletion the table refused (one that the control's
// own check refused is announced by the control itself).
template <class Control>
void bindGrid(DataGrid* grid, Control* control, bool deleteKey = false,
              std::function<void(const QString&)> onDeleteFailed = {})
{
    grid->setModel(control);
    QObject::connect(grid, &DataGrid::currentRowChanged, control, &Control::setCurrentRow);
    QObject::connect(control, &Control::currentRowChanged, grid, &DataGrid::setCurrentRow);
    QObject::connect(control, &Control::sortChanged, grid, &DataGrid::showSortOrder);
    grid->showSortOrder(control->sortColumn(), control->sortOrder());
    grid->setDeleteKeyEnabled(deleteKey);
    if (deleteKey) {
        QObject::connect(grid, &DataGrid::deleteRequested, control, [control, onDeleteFailed](int row) {
            if (!control->deleteRow(row) && onDeleteFailed && !control->lastWriteRefused())
                onDeleteFailed(control->lastError());
        });
    }
    grid->setCurrentRow(control->currentRow());
}

// Undoes bindGrid's connections between a grid and the control it showed until now.
template <class Control> void unbindGrid(DataGrid* grid, Control* control)
{
    QObject::disconnect(grid, &DataGrid::currentRowChanged, control, &Control::setCurrentRow);
    QObject::disconnect(control, &Control::currentRowChanged, grid, &DataGrid::setCurrentRow);
    QObject::disconnect(control, &Control::sortChanged, grid, &DataGrid::showSortOrder);
}

// A text box that shows one column of a data control's current row.
void setBoundText(QWidget* field, const QString& text);
template <class Control> void bindField(QWidget* field, Control* control, const QString& column)
{
    auto update = [field, control, column] { setBoundText(field, control->fieldText(column)); };
    QObject::connect(control, &Control::currentRowChanged, field, update);
    update();
}
