#include "catalog/BarcodePainter.h"

#include "catalog/BarcodeSymbol.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

bool paintBarcode(QPainter& painter, const BarcodeSymbol& symbol, const QRectF& box)
{
    if (!symbol.ok() || box.isEmpty())
        return false;
    const double scale = std::min(box.width() / symbol.size.width(), box.height() / symbol.size.height());
    const QPointF origin(box.center().x() - symbol.size.width() * scale / 2, box.top());
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& bar : symbol.bars)
        painter.drawRect(QRectF(origin.x() + bar.x() * scale, origin.y() + bar.y() * scale, bar.width() * scale,
                                bar.height() * scale));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    for (const BarcodeSymbol::Text& text : symbol.texts) {
        QFont digits(QStringLiteral("DejaVu Sans"));
        digits.setPixelSize(std::max(1, qRound(text.size * scale * 0.9)));
        painter.setFont(digits);
        const double width = QFontMetricsF(digits, painter.device()).horizontalAdvance(text.text);
        double x = origin.x() + text.at.x() * scale;
        if (text.align & Qt::AlignHCenter)
            x -= width / 2;
        else if (text.align & Qt::AlignRight)
            x -= width;
        painter.drawText(QPointF(x, origin.y() + text.at.y() * scale), text.text);
    }
    painter.restore();
    return true;
}
