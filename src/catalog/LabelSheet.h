#pragma once

#include "catalog/Labels.h"
#include "platform/BandedReport.h"

#include <QString>
#include <QVector>

enum class LabelPaper {
    A4Sheet,      // 3 x 8 labels of 70 x 37 mm on an A4 sheet
    LabelPrinter, // one 58 x 40 mm label per page
};

// Labels laid out on their paper, page after page, each label as many times as it is listed.
class LabelSheet : public PrintableDocument
{
public:
    LabelSheet(QVector<ShelfLabel> labels, LabelPaper paper);

    static constexpr int kColumns = 3;
    static constexpr int kRows = 8;

    QString windowTitle() const override;
    QPageLayout pageLayout() const override;
    int render(QPrinter& printer, const PageProgress& progress = {}) const override;
    int pageCount() const;

private:
    QVector<ShelfLabel> m_labels;
    LabelPaper m_paper;
};
