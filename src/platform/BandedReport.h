#pragma once

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class Platform;
class QPainter;
class QPrinter;
class QWidget;

// One thing printed in a band: a label (fixed caption, which can be set by name before
// printing), a field (the value of one column of the current row, detail band only) or a
// horizontal rule. Positions are millimetres from the band's top-left corner inside the margins.
struct ReportItem
{
    enum Kind { Label, Field, Rule, Picture };
    Kind kind = Label;
    QString name;    // label name, or the column a field shows
    QString caption; // label text
    QRectF rect;     // millimetres
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    double pointSize = 10;
    bool bold = false;
    QColor color = Qt::black; // text colour of a label or field
    bool wrap = false;        // a long text breaks between words within the rectangle, else it is cut with "..."
    // A picture paints itself into its rectangle (given in the printer's units).
    std::function<void(QPainter& painter, const QRectF& rect)> paint = {};
};

struct ReportBand
{
    double height = 0; // millimetres; a band of height 0 is not printed
    QVector<ReportItem> items;

    ReportItem& addLabel(const QString& name, const QString& caption, const QRectF& rect, double pointSize = 10,
                         bool bold = false, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    ReportItem& addField(const QString& column, const QRectF& rect, double pointSize = 10,
                         Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    ReportItem& addRule(double y, double x = 0, double width = -1); // width -1: the full band
    ReportItem& addPicture(const QString& name, const QRectF& rect,
                           std::function<void(QPainter& painter, const QRectF& rect)> paint);
};

// Anything printed page by page: a report, a sheet of labels. The preview below shows it.
class PrintableDocument
{
public:
    virtual ~PrintableDocument() = default;
    // Told after each page is laid out: pages done and pages in all; false stops the work.
    using PageProgress = std::function<bool(int done, int pages)>;

    virtual QString windowTitle() const = 0;
    // The page the document is laid out on, margins in millimetres.
    virtual QPageLayout pageLayout() const = 0;
    // Paints every page on a printer (a real one, or a PDF file). Returns the number of pages,
    // 0 when the printer cannot be painted on, -1 when `progress` stopped the work.
    virtual int render(QPrinter& printer, const PageProgress& progress = {}) const = 0;
    // Writes the document as a PDF file on its paper. False when the file cannot be written or
    // `progress` stopped the work.
    virtual bool exportPdf(const QString& path, const PageProgress& progress = {}) const;
};

// A banded report: the report header once at the top of the first page, the page header on
// every page, one detail band per row across as many pages as it takes, the page footer at the
// bottom of every page, and the report footer once after the last row. Page footer labels may
// use the placeholders {page} and {pages}.
class BandedReport : public PrintableDocument
{
public:
    explicit BandedReport(QString windowTitle);

    QString windowTitle() const override { return m_title; }

    ReportBand reportHeader;
    ReportBand pageHeader;
    ReportBand detail;
    ReportBand pageFooter;
    ReportBand reportFooter;

    // Sets the caption of every label of that name, in any band. False when there is none.
    bool setCaption(const QString& labelName, const QString& caption);
    QString caption(const QString& labelName) const;

    // The paper: A4 portrait with margins of 15 mm unless set otherwise. Sizes in millimetres.
    void setPaper(const QPageSize& size, const QMarginsF& margins);
    // A roll `width` millimetres wide: each print is cut as long as the report, on one page.
    void setRollPaper(double width, const QMarginsF& margins);
    bool isRoll() const { return m_rollWidth > 0; }
    // The page the report is laid out on, margins in millimetres; a roll's page holds every band.
    QPageLayout pageLayout() const override;

    // The rows the detail band prints; fields find their values by column name (case ignored).
    void setRows(const QStringList& columns, const QVector<QVector<QVariant>>& rows);
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    // Paints every page on a printer (a real one, or a PDF file). Returns the number of pages,
    // 0 when the printer cannot be painted on, -1 when `progress` stopped the work.
    int render(QPrinter& printer, const PageProgress& progress = {}) const override;
    // Writes the report as a PDF file on its paper. False when the file cannot be written or
    // `progress` stopped the work.
    using PrintableDocument::exportPdf;

private:
    QString m_title;
    QPageSize m_pageSize{QPageSize::A4};
    QMarginsF m_margins{15, 15, 15, 15};
    double m_rollWidth = 0; // millimetres; 0 for cut sheets
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
};

// Shows the report's pages in a print preview (zoom, page view, printing) with an "Export PDF"
// action, as a modal window titled with the report's window title, through the platform (so
// tests see the window instead of a nested event loop). While the pages are laid out a
// progress window shows how far it has come and keeps the windows alive; "Cancel" there
// closes the preview before it opens. With `enterPrints`, Enter in the preview prints (through
// the print dialog), so a cashier need not reach for the mouse. False when pages could not be
// painted on a printer (the preview's own or the one printed to), for example a printer that
// failed or a file that could not be written.
bool showReportPreview(const PrintableDocument& report, Platform& platform, QWidget* parent, bool enterPrints = false);
