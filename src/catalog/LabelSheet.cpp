#include "catalog/LabelSheet.h"

#include "catalog/BarcodePainter.h"
#include "catalog/BarcodeSymbol.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {

constexpr double kSheetLabelWidth = 70;
constexpr double kSheetLabelHeight = 37;
constexpr double kSheetTop = (297 - LabelSheet::kRows * kSheetLabelHeight) / 2;
constexpr double kRollWidth = 58;
constexpr double kRollHeight = 40;

// Paints one label into `box` (device units; `mm` of them to a millimetre).
void paintLabel(QPainter& painter, const ShelfLabel& label, const QRectF& box, double mm)
{
    const QRectF inner = box.adjusted(3 * mm, 2.5 * mm, -3 * mm, -2 * mm);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPointSizeF(8.5);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF nameMetrics(font, painter.device());
    const QRectF nameBox(inner.left(), inner.top(), inner.width(), nameMetrics.height());
    painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     nameMetrics.elidedText(label.name, Qt::ElideRight, nameBox.width()));
    font.setPointSizeF(13);
    painter.setFont(font);
    const QFontMetricsF priceMetrics(font, painter.device());
    const QRectF priceBox(inner.left(), nameBox.bottom() + 0.5 * mm, inner.width(), priceMetrics.height());
    painter.drawText(priceBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label.price);

    // The symbol takes the room that is left, drawn at one scale so every module keeps its width.
    const BarcodeSymbol symbol = label.codeIsNumber ? encodeCode128(label.code) : encodeBarcode(label.code);
    const QRectF room(inner.left(), priceBox.bottom() + 1 * mm, inner.width(), inner.bottom() - priceBox.bottom() - mm);
    if (!symbol.ok() || room.height() <= 0) {
        font.setBold(false);
        font.setPointSizeF(8);
        painter.setFont(font);
        painter.drawText(room, Qt::AlignCenter, label.code);
        return;
    }
    paintBarcode(painter, symbol, room);
}

} // namespace

LabelSheet::LabelSheet(QVector<ShelfLabel> labels, LabelPaper paper) : m_labels(std::move(labels)), m_paper(paper)
{
}

QString LabelSheet::windowTitle() const
{
    return QStringLiteral("Labels");
}

QPageLayout LabelSheet::pageLayout() const
{
    if (m_paper == LabelPaper::A4Sheet)
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                           QPageLayout::Millimeter);
    return QPageLayout(QPageSize(QSizeF(kRollWidth, kRollHeight), QPageSize::Millimeter, QStringLiteral("Label"),
                                 QPageSize::ExactMatch),
                       QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int LabelSheet::pageCount() const
{
    const int perPage = m_paper == LabelPaper::A4Sheet ? kColumns * kRows : 1;
    return std::max(1, static_cast<int>((m_labels.size() + perPage - 1) / perPage));
}

int LabelSheet::render(QPrinter& printer, const PageProgress& progress) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const double mm = printer.resolution() / 25.4;
    // The paint rectangle starts at the page's corner (no margins), but a printer may keep its own.
    const QPointF corner = -printer.pageLayout().paintRectPixels(printer.resolution()).topLeft();
    const int pages = pageCount();
    const int perPage = m_paper == LabelPaper::A4Sheet ? kColumns * kRows : 1;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        for (int i = 0; i < perPage; ++i) {
            const qsizetype n = static_cast<qsizetype>(page) * perPage + i;
            if (n >= m_labels.size())
                break;
            QRectF box;
            if (m_paper == LabelPaper::A4Sheet)
                box = QRectF((i % kColumns) * kSheetLabelWidth * mm,
                             (kSheetTop + (i / kColumns) * kSheetLabelHeight) * mm, kSheetLabelWidth * mm,
                             kSheetLabelHeight * mm);
            else
                box = QRectF(0, 0, kRollWidth * mm, kRollHeight * mm);
            paintLabel(painter, m_labels.at(n), box.translated(corner), mm);
        }
        if (progress && !progress(page + 1, pages)) {
            painter.end();
            return -1;
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return 0;
    return pages;
}
