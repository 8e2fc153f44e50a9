#include "platform/FlowLayout.h"

#include <QStyle>
#include <QWidget>

FlowLayout::FlowLayout(Qt::AlignmentFlag side, QWidget* parent) : QLayout(parent), m_side(side)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // The widest item alone on its row.
    QSize size;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    }
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // Every item on one row.
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        width += hint.width();
        height = qMax(height, hint.height());
        ++shown;
    }
    width += qMax(0, shown - 1) * gap();
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    const int styled = owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner) : -1;
    return styled >= 0 ? styled : 6;
}

int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int space = gap();
    int y = area.top();
    QList<QLayoutItem*> row;
    int rowWidth = 0;
    int rowHeight = 0;

    const auto placeRow = [&] {
        if (row.isEmpty())
            return;
        if (apply) {
            int x = area.left() + (m_side == Qt::AlignRight ? qMax(0, area.width() - rowWidth) : 0);
            for (QLayoutItem* item : row) {
                const QSize hint = item->sizeHint();
                const int width = qMin(hint.width(), area.width());
                item->setGeometry(QRect(QPoint(x, y + (rowHeight - hint.height()) / 2), QSize(width, hint.height())));
                x += width + space;
            }
        }
        y += rowHeight + space;
        row.clear();
        rowWidth = 0;
        rowHeight = 0;
    };

    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        const int widthWith = rowWidth + (row.isEmpty() ? 0 : space) + hint.width();
        if (!row.isEmpty() && widthWith > area.width())
            placeRow();
        rowWidth += (row.isEmpty() ? 0 : space) + hint.width();
        rowHeight = qMax(rowHeight, hint.height());
        row.append(item);
    }
    placeRow();
    const int used = y == area.top() ? 0 : y - space - area.top();
    const QMargins m = contentsMargins();
    return used + m.top() + m.bottom();
}
