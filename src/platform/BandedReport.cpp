#include "platform/BandedReport.h"

#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "platform/WorkProgressDialog.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

namespace {

struct PagePlan
{
    int firstRow = 0;
    int rowCount = 0;
    bool reportHeader = false;
    bool reportFooter = false;
};

// Splits the rows over pages: the report header opens the first page, the page header and page
// footer stand on every page, and the report footer follows the last row (on a page of its own
// when the last page has no room for it).
QVector<PagePlan> planPages(const BandedReport& r, int rows, double pageHeight)
{
    QVector<PagePlan> pages;
    const double body = pageHeight - r.pageHeader.height - r.pageFooter.height;
    int row = 0;
    bool footerDone = false;
    while (pages.isEmpty() || row < rows || !footerDone) {
        PagePlan page;
        page.firstRow = row;
        double room = body;
        if (pages.isEmpty()) {
            page.reportHeader = true;
            room -= r.reportHeader.height;
        }
        const double detail = std::max(r.detail.height, 0.1);
        int fit = static_cast<int>(std::max(0.0, room) / detail);
        // A page that holds neither a row nor the footer would loop forever; print one row anyway.
        if (fit == 0 && row < rows && room < r.reportFooter.height)
            fit = 1;
        page.rowCount = std::min(fit, rows - row);
        row += page.rowCount;
        room -= page.rowCount * detail;
        if (row >= rows && room >= r.reportFooter.height) {
            page.reportFooter = true;
            footerDone = true;
        }
        pages.push_back(page);
        if (pages.size() > 100000)
            break;
    }
    return pages;
}

int columnOf(const QStringList& columns, const QString& name)
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

ReportItem& ReportBand::addLabel(const QString& name, const QString& caption, const QRectF& rect, double pointSize,
                                 bool bold, Qt::Alignment align)
{
    items.push_back(ReportItem{ReportItem::Label, name, caption, rect, align, pointSize, bold});
    return items.last();
}

ReportItem& ReportBand::addField(const QString& column, const QRectF& rect, double pointSize, Qt::Alignment align)
{
    items.push_back(ReportItem{ReportItem::Field, column, QString(), rect, align, pointSize, false});
    return items.last();
}

ReportItem& ReportBand::addRule(double y, double x, double width)
{
    items.push_back(
        ReportItem{ReportItem::Rule, QString(), QString(), QRectF(x, y, width, 0), Qt::AlignLeft, 10, false});
    return items.last();
}

ReportItem& ReportBand::addPicture(const QString& name, const QRectF& rect,
                                   std::function<void(QPainter& painter, const QRectF& rect)> paint)
{
    ReportItem item;
    item.kind = ReportItem::Picture;
    item.name = name;
    item.rect = rect;
    item.paint = std::move(paint);
    items.push_back(item);
    return items.last();
}

BandedReport::BandedReport(QString windowTitle) : m_title(std::move(windowTitle))
{
}

bool BandedReport::setCaption(const QString& labelName, const QString& caption)
{
    bool found = false;
    for (ReportBand* band : {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter}) {
        for (ReportItem& item : band->items) {
            if (item.kind == ReportItem::Label && item.name == labelName) {
                item.caption = caption;
                found = true;
            }
        }
    }
    return found;
}

QString BandedReport::caption(const QString& labelName) const
{
    for (const ReportBand* band : {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter}) {
        for (const ReportItem& item : band->items) {
            if (item.kind == ReportItem::Label && item.name == labelName)
                return item.caption;
        }
    }
    return {};
}

void BandedReport::setPaper(const QPageSize& size, const QMarginsF& margins)
{
    m_pageSize = size;
    m_margins = margins;
    m_rollWidth = 0;
}

void BandedReport::setRollPaper(double width, const QMarginsF& margins)
{
    m_margins = margins;
    m_rollWidth = width;
}

QPageLayout BandedReport::pageLayout() const
{
    QPageSize size = m_pageSize;
    if (isRoll()) {
        // Every band once and every row, with a few millimetres to spare for the rounding of
        // the page to the printer's units.
        const double bands = reportHeader.height + pageHeader.height + rowCount() * detail.height +
                             reportFooter.height + pageFooter.height;
        const double length = m_margins.top() + m_margins.bottom() + bands + 3;
        size = QPageSize(QSizeF(m_rollWidth, length), QPageSize::Millimeter, m_title + QStringLiteral(" roll"),
                         QPageSize::ExactMatch);
    }
    return QPageLayout(size, QPageLayout::Portrait, m_margins, QPageLayout::Millimeter);
}

void BandedReport::setRows(const QStringList& columns, const QVector<QVector<QVariant>>& rows)
{
    m_columns = columns;
    m_rows = rows;
}

int BandedReport::render(QPrinter& printer, const PageProgress& progress) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const double mm = printer.resolution() / 25.4;
    const QRectF paint = printer.pageLayout().paintRectPixels(printer.resolution());
    const double pageWidth = paint.width() / mm;
    const double pageHeight = paint.height() / mm;
    const QVector<PagePlan> pages = planPages(*this, rowCount(), pageHeight);

    auto drawBand = [&](const ReportBand& band, double top, const QVector<QVariant>* row, int pageNo) {
        for (const ReportItem& item : band.items) {
            if (item.kind == ReportItem::Rule) {
                const double width = item.rect.width() < 0 ? pageWidth - item.rect.x() : item.rect.width();
                painter.setPen(QPen(Qt::black, 0.3 * mm));
                painter.drawLine(QPointF(item.rect.x() * mm, (top + item.rect.y()) * mm),
                                 QPointF((item.rect.x() + width) * mm, (top + item.rect.y()) * mm));
                continue;
            }
            if (item.kind == ReportItem::Picture) {
                if (item.paint) {
                    painter.save();
                    item.paint(painter, QRectF(item.rect.x() * mm, (top + item.rect.y()) * mm, item.rect.width() * mm,
                                               item.rect.height() * mm));
                    painter.restore();
                }
                continue;
            }
            QString text = item.caption;
            if (item.kind == ReportItem::Field) {
                const int c = columnOf(m_columns, item.name);
                text = row && c >= 0 && c < row->size() ? row->at(c).toString() : QString();
            } else {
                text.replace(QStringLiteral("{page}"), QString::number(pageNo + 1));
                text.replace(QStringLiteral("{pages}"), QString::number(pages.size()));
            }
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPointSizeF(item.pointSize);
            font.setBold(item.bold);
            painter.setFont(font);
            painter.setPen(item.color);
            const QRectF rect(item.rect.x() * mm, (top + item.rect.y()) * mm, item.rect.width() * mm,
                              item.rect.height() * mm);
            if (item.wrap) {
                painter.drawText(rect, static_cast<int>(item.align) | Qt::TextWordWrap, text);
                continue;
            }
            const QString shown = QFontMetricsF(font, &printer).elidedText(text, Qt::ElideRight, rect.width());
            painter.drawText(rect, static_cast<int>(item.align) | Qt::TextSingleLine, shown);
        }
    };

    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0)
            printer.newPage();
        const PagePlan& page = pages.at(p);
        double y = 0;
        if (page.reportHeader) {
            drawBand(reportHeader, y, nullptr, p);
            y += reportHeader.height;
        }
        drawBand(pageHeader, y, nullptr, p);
        y += pageHeader.height;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            drawBand(detail, y, &m_rows.at(r), p);
            y += detail.height;
        }
        if (page.reportFooter)
            drawBand(reportFooter, y, nullptr, p);
        drawBand(pageFooter, pageHeight - pageFooter.height, nullptr, p);
        if (progress && !progress(p + 1, static_cast<int>(pages.size()))) {
            painter.end();
            return -1;
        }
    }
    // A printer that fails while the pages are sent (or a file that cannot be finished) says so here.
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return 0;
    return static_cast<int>(pages.size());
}

bool PrintableDocument::exportPdf(const QString& path, const PageProgress& progress) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(pageLayout());
    printer.setDocName(windowTitle());
    printer.setCreator(Platform::applicationTitle());
    const int pages = render(printer, progress);
    if (pages < 0)
        QFile::remove(path); // a cancelled export leaves no half-written file
    return pages > 0 && QFileInfo::exists(path);
}

namespace {

// Keeps Enter in a field of the preview's tool bar (the zoom factor, the page number) for the
// field itself, where it applies what was typed, instead of the window's Enter-prints shortcut.
class EnterStaysInField : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                event->accept(); // the key goes to the field, not to a shortcut
        }
        return QObject::eventFilter(watched, event);
    }
};

// Shows each laid-out page in the progress window; false once it was cancelled.
PrintableDocument::PageProgress pageProgress(WorkProgressDialog& dialog)
{
    return [&dialog](int done, int pages) {
        dialog.setLabel(QStringLiteral("Preparing page %1 of %2...").arg(done).arg(pages));
        return dialog.step(done, pages);
    };
}

} // namespace

bool showReportPreview(const PrintableDocument& report, Platform& platform, QWidget* parent, bool enterPrints)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report.pageLayout());
    printer.setDocName(report.windowTitle());
    bool painted = true;
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("reportPreview"));
    preview.setWindowTitle(report.windowTitle());
    resizeToScreen(&preview, QSize(900, 1000));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report, &preview, parent, &painted](QPrinter* target) {
                         // The first layout runs before the preview is shown; the progress stands above its opener.
                         const bool opening = !preview.isVisible();
                         WorkProgressDialog progress(opening ? parent : &preview,
                                                     QStringLiteral("Preparing the report..."), true);
                         const int pages = report.render(*target, pageProgress(progress));
                         if (pages == 0)
                             painted = false;
                         if (pages < 0 && opening)
                             QMetaObject::invokeMethod(&preview, &QDialog::reject, Qt::QueuedConnection);
                     });
    if (auto* toolbar = preview.findChild<QToolBar*>()) {
        // The preview's own Print action (its first action named so) opens the print dialog. The
        // dialog starts from the report's own paper (a printer's usual one is often Letter) and
        // the pages go out on that paper, as the preview showed them.
        QAction* print = nullptr;
        for (QAction* action : toolbar->actions()) {
            if (action->text() == QLatin1String("Print")) {
                print = action;
                break;
            }
        }
        if (print) {
            print->setObjectName(QStringLiteral("actionPrint"));
            QObject::disconnect(print, &QAction::triggered, &preview, nullptr);
            QObject::connect(print, &QAction::triggered, &preview, [&report, &platform, &preview, &printer] {
                printer.setPageLayout(report.pageLayout());
                QPrintDialog dialog(&printer, &preview);
                dialog.setObjectName(QStringLiteral("printDialog"));
                if (platform.showModal(dialog) != QDialog::Accepted)
                    return;
                printer.setPageLayout(report.pageLayout());
                if (auto* pages = preview.findChild<QPrintPreviewWidget*>())
                    pages->print();
                preview.accept();
            });
        }
        if (enterPrints && print) {
            print->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
            print->setShortcutContext(Qt::WindowShortcut);
            auto* keepEnter = new EnterStaysInField(&preview);
            for (QLineEdit* field : toolbar->findChildren<QLineEdit*>())
                field->installEventFilter(keepEnter);
        }
        toolbar->addSeparator();
        QAction* exportPdf = toolbar->addAction(QStringLiteral("Export PDF"));
        exportPdf->setObjectName(QStringLiteral("actionExportPdf"));
        QObject::connect(exportPdf, &QAction::triggered, &preview, [&report, &platform, &preview] {
            const QString path = platform.saveFileName(&preview, QStringLiteral("Export PDF"),
                                                       report.windowTitle() + QStringLiteral(".pdf"),
                                                       QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf"));
            if (path.isEmpty())
                return;
            WorkProgressDialog progress(&preview, QStringLiteral("Saving the report..."), true);
            if (!report.exportPdf(path, pageProgress(progress)) && !progress.wasCanceled())
                platform.writeFailed(&preview, QStringLiteral("The report was not saved as %1.").arg(path));
        });
    }
    platform.showModal(preview);
    return painted;
}
