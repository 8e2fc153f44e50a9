#include "platform/ListExport.h"

#include "platform/Csv.h"
#include "platform/Platform.h"
#include "platform/WorkProgressDialog.h"

#include <QPushButton>
#include <QSaveFile>

#include <algorithm>

namespace ListExport {

QPushButton* button(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(QStringLiteral("Export..."), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setToolTip(QStringLiteral("Save the rows of this list as a CSV file for a spreadsheet"));
    return b;
}

QList<int> shownColumns(const DataGrid* grid, QStringList* headings)
{
    QList<int> columns;
    const QHeaderView* header = grid->horizontalHeader();
    const QAbstractItemModel* model = grid->model();
    for (int visual = 0; model && visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (grid->isColumnHidden(logical))
            continue;
        columns << logical;
        *headings << model->headerData(logical, Qt::Horizontal).toString();
    }
    return columns;
}

bool writeFile(QWidget* parent, Platform& platform, const QString& suggestedName, const QStringList& headings,
               qint64 expectedRows, const RowSource& rows)
{
    const QString path =
        platform.saveFileName(parent, QStringLiteral("Export"), suggestedName + QStringLiteral(".csv"),
                              QStringLiteral("CSV files (*.csv);;All files (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    const QString notWritten = QStringLiteral("The list was not exported to %1.").arg(path);
    // Written beside the file and put in its place only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        platform.writeFailed(parent, notWritten, file.errorString());
        return false;
    }
    Csv::Writer writer(file);
    // No cell of the shop's data may run as a formula where the file is opened.
    QStringList cells;
    auto cellsOf = [&cells](const QStringList& fields) -> const QStringList& {
        cells.clear();
        for (const QString& f : fields)
            cells << Csv::spreadsheetText(f);
        return cells;
    };
    writer.write(cellsOf(headings));
    WorkProgressDialog progress(parent, QStringLiteral("Exporting the list..."), true);
    qint64 done = 0;
    bool cancelled = false;
    QString error;
    const bool read = rows(
        [&](const QStringList& fields) {
            if (!writer.write(cellsOf(fields)))
                return false;
            if (++done % 512 == 0 && !progress.step(done, std::max<qint64>(expectedRows, 0))) {
                cancelled = true;
                return false;
            }
            return true;
        },
        &error);
    if (cancelled) {
        file.cancelWriting();
        return false;
    }
    if (!read || !writer.ok() || !file.commit()) {
        if (read)
            error = file.errorString();
        file.cancelWriting();
        platform.writeFailed(parent, notWritten, error);
        return false;
    }
    return true;
}

} // namespace ListExport
