#pragma once

#include <QDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

// Prints what a report preview shows to the PDF file `path`, through the preview's own printer
// and its own paint request, as its Print would. Null when `dialog` is not a preview.
inline QPrintPreviewDialog* printPreviewTo(QDialog& dialog, const QString& path)
{
    auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog);
    if (!preview)
        return nullptr;
    QPrinter* printer = preview->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    emit preview->paintRequested(printer);
    return preview;
}
