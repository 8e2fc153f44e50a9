#include "platform/BandedReport.h"
#include "platform/Platform.h"

#include <QDialog>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

BandedReport sampleReport(int rows)
{
    BandedReport report(QStringLiteral("Sample Report"));
    report.reportHeader.height = 20;
    report.reportHeader.addLabel(QStringLiteral("lblTitle"), QStringLiteral("SAMPLE TITLE"), {0, 0, 180, 10}, 16, true);
    report.pageHeader.height = 10;
    report.pageHeader.addLabel(QStringLiteral("lblHead"), QStringLiteral("NUMBER"), {0, 0, 60, 8}, 10, true);
    report.pageHeader.addRule(9);
    report.detail.height = 7;
    report.detail.addField(QStringLiteral("Num"), {0, 0, 60, 7});
    report.detail.addField(QStringLiteral("name"), {60, 0, 60, 7});
    report.pageFooter.height = 8;
    report.pageFooter.addLabel(QStringLiteral("lblPage"), QStringLiteral("Page {page} of {pages}"), {0, 0, 180, 8});
    report.reportFooter.height = 10;
    report.reportFooter.addLabel(QStringLiteral("lblTotal"), QStringLiteral("x"), {0, 0, 180, 8});
    QVector<QVector<QVariant>> data;
    for (int i = 0; i < rows; ++i)
        data.push_back({QStringLiteral("row-%1").arg(i), QStringLiteral("Name %1").arg(i)});
    report.setRows({QStringLiteral("NUM"), QStringLiteral("Name")}, data);
    return report;
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class tst_Report : public QObject
{
    Q_OBJECT

private slots:
    void bandsAcrossPages_data();
    void bandsAcrossPages();
    void captionsByName();
    void longLayoutCanBeCancelled();
};

void tst_Report::bandsAcrossPages_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty") << 0;
    QTest::newRow("one page") << 5;
    QTest::newRow("many pages") << 150;
}

void tst_Report::bandsAcrossPages()
{
    QFETCH(int, rows);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    BandedReport report = sampleReport(rows);
    report.setCaption(QStringLiteral("lblTotal"), QStringLiteral("TOTAL ROWS %1").arg(rows));
    const QString path = dir.filePath(QStringLiteral("r.pdf"));
    QVERIFY(report.exportPdf(path));
    const QString text = pdfText(path);
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    const int pageCount = static_cast<int>(pages.size());
    QVERIFY(pageCount >= 1);
    if (rows > 100)
        QVERIFY(pageCount >= 3);
    QCOMPARE(text.count(QStringLiteral("SAMPLE TITLE")), 1);
    QVERIFY(pages.first().contains(QStringLiteral("SAMPLE TITLE")));
    QCOMPARE(text.count(QStringLiteral("NUMBER")), pageCount);
    QCOMPARE(text.count(QStringLiteral("TOTAL ROWS %1").arg(rows)), 1);
    QVERIFY(pages.last().contains(QStringLiteral("TOTAL ROWS")));
    for (int p = 0; p < pageCount; ++p)
        QVERIFY(pages.at(p).contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pageCount)));
    for (int i = 0; i < rows; ++i) {
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("row-%1\\s+Name %1\\b").arg(i))),
                 qPrintable(QString::number(i)));
    }
}

void tst_Report::captionsByName()
{
    BandedReport report = sampleReport(1);
    QVERIFY(report.setCaption(QStringLiteral("lblHead"), QStringLiteral("ITEM")));
    QCOMPARE(report.caption(QStringLiteral("lblHead")), QStringLiteral("ITEM"));
    QVERIFY(!report.setCaption(QStringLiteral("nothing"), QStringLiteral("x")));
}

// A long report is laid out page by page with a progress window: stopping it stops the work,
// a PDF stopped half way is not left behind, and "Cancel" in the progress window closes the
// preview before it opens (through the real dialog loop).
void tst_Report::longLayoutCanBeCancelled()
{
    const BandedReport report = sampleReport(20000);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
    int seen = 0;
    int total = 0;
    QVERIFY(!report.exportPdf(pdf, [&](int done, int pages) {
        seen = done;
        total = pages;
        return done < 3;
    }));
    QCOMPARE(seen, 3);
    QVERIFY(total > 500);
    QVERIFY(!QFile::exists(pdf));

    Platform platform;
    QWidget opener;
    int result = -1;
    int laidOut = -1;
    platform.setModalHook([&](QDialog& preview) {
        // Pressed as soon as the progress window processes events.
        QTimer::singleShot(0, &opener, [&opener] {
            if (auto* progress = opener.findChild<QProgressDialog*>())
                progress->cancel();
        });
        QTimer::singleShot(20000, &preview, &QDialog::accept); // a preview that stays open fails below
        result = preview.exec();
        laidOut = preview.findChild<QPrintPreviewWidget*>()->pageCount();
        return result;
    });
    showReportPreview(report, platform, &opener);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY2(laidOut >= 0 && laidOut < total, qPrintable(QString::number(laidOut)));
}

QTEST_MAIN(tst_Report)
#include "tst_report.moc"
