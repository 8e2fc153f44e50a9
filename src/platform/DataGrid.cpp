#include "platform/DataGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

DataGrid::DataGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultSectionSize(130);
    // The list starts in its own order, without an arrow on any heading. A click on a heading
    // turns its arrow up, or over when it was already up (QHeaderView flips it), and that
    // order is asked of the model.
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        if (m_showingSort || !model())
            return;
        commitOpenEditor();
        model()->sort(column, order);
    });
}

void DataGrid::showSortOrder(int column, Qt::SortOrder order)
{
    m_showingSort = true;
    horizontalHeader()->setSortIndicator(column, order);
    m_showingSort = false;
}

void DataGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    if (!selectionModel())
        return;
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!m_settingRow)
                    emit currentRowChanged(current.isValid() ? current.row() : -1);
            });
}

int DataGrid::currentRowIndex() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void DataGrid::commitOpenEditor()
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    if (QWidget* editor = indexWidget(index)) {
        emit itemDelegate()->commitData(editor);
        emit itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DataGrid::setCurrentRow(int row)
{
    if (!model() || !selectionModel())
        return;
    // A Ctrl or Shift click that makes its row current keeps the rows it selects with it.
    if (m_extendingSelection && currentIndex().isValid() && currentIndex().row() == row)
        return;
    m_settingRow = true;
    if (row < 0 || row >= model()->rowCount()) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    } else {
        int column = currentIndex().isValid() ? currentIndex().column() : 0;
        while (column < model()->columnCount() - 1 && isColumnHidden(column))
            ++column;
        const QModelIndex index = model()->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_settingRow = false;
}

void DataGrid::mousePressEvent(QMouseEvent* event)
{
    m_extendingSelection = selectionMode() == QAbstractItemView::ExtendedSelection &&
                           (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
    QTableView::mousePressEvent(event);
    m_extendingSelection = false;
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
        if (m_deleteKey && currentRowIndex() >= 0)
            emit deleteRequested(currentRowIndex());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void setBoundText(QWidget* field, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(field))
        rich->setPlainText(text);
}
