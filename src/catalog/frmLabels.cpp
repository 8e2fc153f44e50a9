#include "catalog/frmLabels.h"

#include "catalog/LabelSheet.h"
#include "catalog/Labels.h"
#include "data/Database.h"
#include "platform/BandedReport.h"
#include "platform/Platform.h"
#include "session/AppContext.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

frmLabels::frmLabels(AppContext& ctx, const QStringList& itemNumbers, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_items(itemNumbers)
{
    setObjectName(QStringLiteral("frmLabels"));
    setWindowTitle(QStringLiteral("Print Labels"));
    resize(640, 420);

    m_list = new QTableWidget(this);
    m_list->setObjectName(QStringLiteral("lstLabels"));
    m_list->setColumnCount(4);
    m_list->setHorizontalHeaderLabels({QStringLiteral("Item Number"), QStringLiteral("Item Name"),
                                       QStringLiteral("Price"), QStringLiteral("Barcode")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    QVector<ShelfLabel> labels;
    if (!Labels::forItems(m_ctx.db, m_items, 1, labels))
        m_ctx.platform.writeFailed(this, QStringLiteral("The items could not be read."), m_ctx.db.lastError());
    m_list->setRowCount(static_cast<int>(labels.size()));
    for (int row = 0; row < labels.size(); ++row) {
        const ShelfLabel& label = labels.at(row);
        const QStringList cells{label.number, label.name, label.price, label.code};
        for (int column = 0; column < cells.size(); ++column)
            m_list->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_list->resizeColumnsToContents();

    m_txtCopies = new QLineEdit(QStringLiteral("1"), this);
    m_txtCopies->setObjectName(QStringLiteral("txtCopies"));
    m_txtCopies->setMaximumWidth(80);
    m_optSheet = new QRadioButton(QStringLiteral("A4 sheet, 3 x 8 labels of 70 x 37 mm"), this);
    m_optSheet->setObjectName(QStringLiteral("optSheet"));
    m_optSheet->setChecked(true);
    m_optPrinter = new QRadioButton(QStringLiteral("Label printer, one 58 x 40 mm label a page"), this);
    m_optPrinter->setObjectName(QStringLiteral("optPrinter"));

    auto* print = new QPushButton(QStringLiteral("&Preview..."), this);
    print->setObjectName(QStringLiteral("cmdPreview"));
    print->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));

    auto* copies = new QHBoxLayout;
    copies->addWidget(new QLabel(QStringLiteral("Copies of each:"), this));
    copies->addWidget(m_txtCopies);
    copies->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 item(s)").arg(labels.size()), this));
    layout->addWidget(m_list, 1);
    layout->addLayout(copies);
    layout->addWidget(m_optSheet);
    layout->addWidget(m_optPrinter);
    layout->addLayout(buttons);

    connect(print, &QPushButton::clicked, this, &frmLabels::preview);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

void frmLabels::preview()
{
    const auto copies = Labels::copies(m_txtCopies->text());
    if (!copies) {
        m_ctx.platform.message(
            this, QStringLiteral("Copies of each: enter a whole number from 1 to %L1.").arg(Labels::kMaxCopies),
            Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        m_txtCopies->setFocus();
        m_txtCopies->selectAll();
        return;
    }
    QVector<ShelfLabel> labels;
    if (!Labels::forItems(m_ctx.db, m_items, *copies, labels)) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The items could not be read."), m_ctx.db.lastError());
        return;
    }
    const LabelSheet sheet(labels, m_optSheet->isChecked() ? LabelPaper::A4Sheet : LabelPaper::LabelPrinter);
    if (!showReportPreview(sheet, m_ctx.platform, this))
        m_ctx.platform.writeFailed(this, QStringLiteral("The labels were not printed."));
}
