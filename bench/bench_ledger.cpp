// The sales ledger and the sales report at shop scale: a day picked in frmSales, a day and a
// one-year span shown in frmPrint, the one-year report rendered to PDF, and opening frmSales.
// The baselines run the same indexed statements (prepared once) and, for the PDF, the same
// rows painted as plain text on the same pages with nothing but QPainter.
#include "Baseline.h"
#include "BenchShop.h"
#include "Pairs.h"

#include "data/Schema.h"
#include "data/TextForms.h"
#include "reports/SalesQueries.h"
#include "reports/SalesReport.h"
#include "reports/frmPrint.h"
#include "reports/frmSales.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QRadioButton>

#include <memory>

namespace {

template <typename Window> std::shared_ptr<Window> open()
{
    auto window = std::make_shared<Window>(BenchShop::instance().ctx);
    window->show();
    QApplication::processEvents();
    return window;
}

std::string dayKey(const QString& dayText)
{
    return SalesDayKey(DateFromText(dayText)).toStdString();
}

// The least work of showing a selection of sales with its count and total: the grid's
// first page, the count, and every selected AmountDue added up.
struct Selection
{
    explicit Selection(const std::string& where)
        : page(BenchShop::instance().db.handle(),
               ("SELECT rowid, * FROM tblSales WHERE " + where + " LIMIT 256").c_str()),
          count(BenchShop::instance().db.handle(), ("SELECT count(*) FROM tblSales WHERE " + where).c_str()),
          amounts(BenchShop::instance().db.handle(), ("SELECT AmountDue FROM tblSales WHERE " + where).c_str())
    {
    }
    double run(const std::vector<std::string>& values)
    {
        for (Stmt* s : {&page, &count, &amounts})
            for (size_t i = 0; i < values.size(); ++i)
                s->bind(static_cast<int>(i + 1), values[i]);
        page.all();
        count.row();
        benchmark::DoNotOptimize(count.integer(0));
        count.reset();
        double total = 0;
        while (amounts.row())
            total += groupedNumber(amounts.text(0));
        amounts.reset();
        return total;
    }
    Stmt page, count, amounts;
};

std::string spanWhere()
{
    return SalesDayKeySql().toStdString() + " BETWEEN ? AND ?";
}

QString pdfPath()
{
    return QDir::temp().filePath(QStringLiteral("pemvix-bench-sales-report.pdf"));
}

// The same rows painted as plain text, one line per sale, on A4 pages with the report's
// margins and line height: the least work of turning them into a PDF.
void plainPdf(const Recordset& rows, double lineMillimetres)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath());
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPainter painter(&printer);
    const double dotsPerMm = printer.resolution() / 25.4;
    const double line = lineMillimetres * dotsPerMm;
    const double pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    const double columnWidth = printer.pageLayout().paintRectPixels(printer.resolution()).width() / 6.0;
    double y = 0;
    for (const auto& row : rows.rows()) {
        if (y + line > pageHeight) {
            printer.newPage();
            y = 0;
        }
        for (int c = 0; c < 6 && c < row.size(); ++c)
            painter.drawText(QRectF(c * columnWidth, y, columnWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                             row.at(c).toString());
        y += line;
    }
}

} // namespace

void registerLedgerBenchmarks()
{
    // The last day and the one before, picked in turn.
    const QString lastDay = BenchShop::instance().lastDay();
    const QStringList days = {lastDay, DateText(DateFromText(lastDay).addDays(-1))};
    registerPair("report", "day's sales selection and total (frmSales day pick)",
                 {[days](benchmark::State& state) -> Operation {
                     auto sales = open<frmSales>();
                     auto* day = child<QLineEdit>(*sales, "txtSearch");
                     auto* total = child<QLineEdit>(*sales, "txtSales");
                     return [sales, day, total, days, &state, i = 0]() mutable {
                         day->setText(days[i++ % 2]);
                         if (total->text().isEmpty())
                             state.SkipWithError("no total shown");
                     };
                 }},
                 {[days](benchmark::State&) -> Operation {
                     auto s = std::make_shared<Selection>("BusinessDate = ?");
                     const std::vector<std::string> texts = {days[0].toStdString(), days[1].toStdString()};
                     return [s, texts, i = 0]() mutable { benchmark::DoNotOptimize(s->run({texts[i++ % 2]})); };
                 }},
                 benchmark::kMillisecond);

    registerPair("report", "day's sales selection and total (frmPrint Show by date)",
                 {[](benchmark::State& state) -> Operation {
                     auto print = open<frmPrint>();
                     auto* day = child<QLineEdit>(*print, "txtDate");
                     auto* show = child<QAbstractButton>(*print, "lvButtons_H7");
                     auto* total = child<QLineEdit>(*print, "txtSales");
                     day->setText(BenchShop::instance().lastDay());
                     return [print, show, total, &state] {
                         show->click();
                         if (total->text().isEmpty())
                             state.SkipWithError("no total shown");
                     };
                 }},
                 {[](benchmark::State&) -> Operation {
                     auto s = std::make_shared<Selection>("BusinessDate = ?");
                     const std::string day = BenchShop::instance().lastDay().toStdString();
                     return [s, day] { benchmark::DoNotOptimize(s->run({day})); };
                 }},
                 benchmark::kMillisecond);

    registerPair("report", "one-year span selection and total (frmPrint Show by cut-off)",
                 {[](benchmark::State& state) -> Operation {
                     auto print = open<frmPrint>();
                     child<QRadioButton>(*print, "Option2")->click();
                     child<QLineEdit>(*print, "Text1")->setText(BenchShop::instance().yearStart());
                     child<QLineEdit>(*print, "Text2")->setText(BenchShop::instance().lastDay());
                     auto* show = child<QAbstractButton>(*print, "lvButtons_H6");
                     auto* total = child<QLineEdit>(*print, "Text3");
                     return [print, show, total, &state] {
                         show->click();
                         if (total->text().isEmpty())
                             state.SkipWithError("no total shown");
                     };
                 }},
                 {[](benchmark::State&) -> Operation {
                     auto s = std::make_shared<Selection>(spanWhere());
                     const std::vector<std::string> span = {dayKey(BenchShop::instance().yearStart()),
                                                            dayKey(BenchShop::instance().lastDay())};
                     return [s, span] { benchmark::DoNotOptimize(s->run(span)); };
                 }},
                 benchmark::kMillisecond);

    registerPair("report", "one-year sales report to PDF",
                 {[](benchmark::State&) -> Operation {
                      return [] {
                          BenchShop& shop = BenchShop::instance();
                          const Recordset rows = SelectSalesForRange(shop.db, shop.yearStart(), shop.lastDay());
                          SalesReport(rows).exportPdf(pdfPath());
                      };
                  },
                  {},
                  [] { QFile::remove(pdfPath()); }},
                 {[](benchmark::State&) -> Operation {
                      const double line = SalesReport(Recordset()).detail.height;
                      return [line] {
                          BenchShop& shop = BenchShop::instance();
                          const Recordset rows = SelectSalesForRange(shop.db, shop.yearStart(), shop.lastDay());
                          plainPdf(rows, line);
                      };
                  },
                  {},
                  [] { QFile::remove(pdfPath()); }},
                 benchmark::kSecond, true);

    registerPair("window", "opening frmSales",
                 {[](benchmark::State&) -> Operation { return [] { benchmark::DoNotOptimize(open<frmSales>()); }; }},
                 {[](benchmark::State&) -> Operation {
                     // the ledger, the notifications and the daily summaries: first pages and counts
                     sqlite3* db = BenchShop::instance().db.handle();
                     auto stmts = std::make_shared<std::vector<std::unique_ptr<Stmt>>>();
                     for (const char* table : {"tblSales", "tblNot", "tblDaily"}) {
                         stmts->push_back(std::make_unique<Stmt>(
                             db, (std::string("SELECT rowid, * FROM ") + table + " ORDER BY rowid LIMIT 256").c_str()));
                         stmts->push_back(
                             std::make_unique<Stmt>(db, (std::string("SELECT count(*) FROM ") + table).c_str()));
                     }
                     return [stmts] {
                         for (auto& s : *stmts)
                             s->all();
                     };
                 }},
                 benchmark::kMillisecond);
}

namespace {
const Registration registration(4, registerLedgerBenchmarks);
} // namespace
