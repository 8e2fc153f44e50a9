// The CSV reader and writer: the quoting, separators, line ends and encodings spreadsheets use.
#include "platform/Csv.h"

#include <QBuffer>
#include <QTest>

namespace {

// Records as one text: fields joined by "|", records by "/" (with their line as "N:").
QString shape(const Csv::Table& table)
{
    QStringList records;
    for (const Csv::Record& r : table.records)
        records << QString::number(r.line) + QLatin1Char(':') + r.fields.join(QLatin1Char('|'));
    return records.join(QLatin1Char('/'));
}

} // namespace

class tst_Csv : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void writtenFieldsReadBack_data();
    void writtenFieldsReadBack();
    void spreadsheetCells_data();
    void spreadsheetCells();
};

void tst_Csv::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("error");

    QTest::newRow("plain, LF") << QByteArray("a,b\n1,2\n") << ","
                               << "1:a|b/2:1|2"
                               << "";
    QTest::newRow("CRLF, no last line end") << QByteArray("a,b\r\n1,2") << ","
                                            << "1:a|b/2:1|2"
                                            << "";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFname,price\n") << ","
                                     << "1:name|price"
                                     << "";
    QTest::newRow("semicolon from the header") << QByteArray("a;b\n1,5;2\n") << ";"
                                               << "1:a|b/2:1,5|2"
                                               << "";
    QTest::newRow("comma wins a tie") << QByteArray("a;b,c\n") << ","
                                      << "1:a;b|c"
                                      << "";
    QTest::newRow("separator inside quotes of the header") << QByteArray("\"a;b;c\",d\n") << ","
                                                           << "1:a;b;c|d"
                                                           << "";
    QTest::newRow("quoted separator and doubled quote") << QByteArray("x,y\n\"1,5\",\"say \"\"hi\"\"\"\n") << ","
                                                        << "1:x|y/2:1,5|say \"hi\""
                                                        << "";
    QTest::newRow("line break inside quotes counts lines") << QByteArray("x,y\r\n\"two\r\nlines\",b\r\nc,d\r\n") << ","
                                                           << "1:x|y/2:two\r\nlines|b/4:c|d"
                                                           << "";
    QTest::newRow("blank lines are left out") << QByteArray("x\n\n\ny\n") << ","
                                              << "1:x/4:y"
                                              << "";
    QTest::newRow("empty fields kept") << QByteArray("a,,c,\n") << ","
                                       << "1:a||c|"
                                       << "";
    QTest::newRow("quoted empty field") << QByteArray("a,\"\",c\n") << ","
                                        << "1:a||c"
                                        << "";
    QTest::newRow("quote inside an unquoted field is a character") << QByteArray("5\" pipe,2\n") << ","
                                                                   << "1:5\" pipe|2"
                                                                   << "";
    QTest::newRow("blanks kept as they are") << QByteArray(" a , b \n") << ","
                                             << "1: a | b "
                                             << "";
    QTest::newRow("UTF-8 letters") << QByteArray("Jalape\xC3\xB1o,\xE2\x82\xAC"
                                                 "5\n")
                                   << ","
                                   << QString::fromUtf8("1:Jalape\xC3\xB1o|\xE2\x82\xAC"
                                                        "5")
                                   << "";
    QTest::newRow("formula-like text is data") << QByteArray("=1+2,@x,-3\n") << ","
                                               << "1:=1+2|@x|-3"
                                               << "";
    QTest::newRow("unclosed quote") << QByteArray("a,b\n1,\"open\n2,3\n") << ","
                                    << ""
                                    << "Line 2 opens a quote that is never closed.";
    QTest::newRow("not UTF-8") << QByteArray("caf\xE9,1\n") << ","
                               << ""
                               << "The file is not UTF-8 text. Save it from the spreadsheet as \"CSV UTF-8\".";
    QTest::newRow("empty") << QByteArray() << ","
                           << ""
                           << "";
}

void tst_Csv::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    QFETCH(QString, records);
    QFETCH(QString, error);
    const Csv::Table table = Csv::parse(bytes);
    QCOMPARE(table.error, error);
    QCOMPARE(shape(table), records);
    if (error.isEmpty())
        QCOMPARE(QString(table.separator), separator);
}

void tst_Csv::writtenFieldsReadBack_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("written");

    QTest::newRow("plain") << QStringList{"a", "12.50", ""} << ","
                           << "a,12.50,\r\n";
    QTest::newRow("separator quoted") << QStringList{"1,500", "x"} << ","
                                      << "\"1,500\",x\r\n";
    QTest::newRow("semicolon file") << QStringList{"1,500", "a;b"} << ";"
                                    << "1,500;\"a;b\"\r\n";
    QTest::newRow("quotes doubled") << QStringList{"Jack's \"best\""} << ","
                                    << "\"Jack's \"\"best\"\"\"\r\n";
    QTest::newRow("line breaks") << QStringList{"two\r\nlines", "b"} << ","
                                 << "\"two\r\nlines\",b\r\n";
    QTest::newRow("outer blanks") << QStringList{" pad "} << ","
                                  << "\" pad \"\r\n";
    QTest::newRow("formula-like values unchanged") << QStringList{"=SUM(A1)", "+1", "-2", "@x"} << ","
                                                   << "=SUM(A1),+1,-2,@x\r\n";
}

void tst_Csv::writtenFieldsReadBack()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, separator);
    QFETCH(QString, written);
    const QChar sep = separator.at(0);
    QCOMPARE(Csv::record(fields, sep), written);

    // Through the writer (with its byte-order mark) and back through the reader, after a
    // header row that settles the separator.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    Csv::Writer writer(buffer, sep);
    QStringList header;
    for (qsizetype i = 0; i < fields.size(); ++i)
        header << QStringLiteral("c%1").arg(i);
    QVERIFY(writer.write(header));
    QVERIFY(writer.write(fields));
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const Csv::Table table = Csv::parse(bytes);
    QVERIFY2(table.ok(), qPrintable(table.error));
    QCOMPARE(table.records.size(), 2);
    QCOMPARE(table.records.at(1).fields, fields);
}

void tst_Csv::spreadsheetCells_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");
    QTest::newRow("a formula") << "=HYPERLINK(\"http://x\",\"Open\")"
                               << "'=HYPERLINK(\"http://x\",\"Open\")";
    QTest::newRow("plus") << "+cmd|' /C calc'!A0"
                          << "'+cmd|' /C calc'!A0";
    QTest::newRow("minus text") << "-2+3"
                                << "'-2+3";
    QTest::newRow("tab first") << "\t=1+1"
                               << "'\t=1+1";
    QTest::newRow("negative amount") << "-5.00"
                                     << "-5.00";
    QTest::newRow("signed thousands") << "+1,250.50"
                                      << "+1,250.50";
    QTest::newRow("plain text") << "Tea = 5"
                                << "Tea = 5";
}

// An exported cell never runs as a formula where the file is opened; numbers stay numbers.
void tst_Csv::spreadsheetCells()
{
    QFETCH(QString, value);
    QFETCH(QString, written);
    QCOMPARE(Csv::spreadsheetText(value), written);
}

QTEST_MAIN(tst_Csv)
#include "tst_csv.moc"
