#pragma once

#include <QLayout>
#include <QList>

// A row of widgets (buttons) that wraps onto further rows when its space is too narrow for all
// of them, instead of squeezing them or pushing the last ones past the window's edge. Each row
// keeps to the left, or to the right for a row of commands.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(Qt::AlignmentFlag side = Qt::AlignLeft, QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (only measures when `apply` is false); returns the height used.
    int arrange(const QRect& rect, bool apply) const;
    int gap() const;

    QList<QLayoutItem*> m_items;
    Qt::AlignmentFlag m_side;
};
