#include "platform/ListExport.h"

#include "platform/Csv.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QPushButton>
#include <QSaveFile>

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
               const RowWriter& rows)
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Csv::Writer writer(file);
    writer.write(headings);
    QString error;
    const bool read = rows(writer, &error);
    const bool written = read && writer.ok() && file.commit();
    QApplication::restoreOverrideCursor();
    if (!written) {
        if (read)
            error = file.errorString();
        file.cancelWriting();
        platform.writeFailed(parent, notWritten, error);
        return false;
    }
    return true;
}

} // namespace ListExport
