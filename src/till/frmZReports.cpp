#include "till/frmZReports.h"

#include "platform/BandedReport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/Pricing.h"
#include "session/AppContext.h"
#include "till/TillReport.h"
#include "till/TillSessions.h"
#include "till/TillWidgets.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace TillWidgets;

frmZReports::frmZReports(AppContext& ctx, bool roll, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmZReports"));
    setWindowTitle(QStringLiteral("Z Reports"));
    m_txtTill = new QLineEdit(this);
    m_txtTill->setObjectName(QStringLiteral("txtTill"));
    m_txtTill->setPlaceholderText(QStringLiteral("every till"));
    auto* find = button(this, "cmdFind", QStringLiteral("Find"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Till:"), this));
    top->addWidget(m_txtTill, 1);
    top->addWidget(find);
    m_list = new QTableWidget(0, 7, this);
    m_list->setObjectName(QStringLiteral("lstZ"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Z No."), QStringLiteral("Till"), QStringLiteral("Closed"),
                                       QStringLiteral("By"), QStringLiteral("Expected"), QStringLiteral("Counted"),
                                       QStringLiteral("Difference")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_cboPaper = paperBox(this, roll);
    auto* reprint = button(this, "cmdReprint", QStringLiteral("Reprint..."));
    auto* close = button(this, "cmdClose", QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Paper:"), this));
    buttons->addWidget(m_cboPaper);
    buttons->addStretch(1);
    buttons->addWidget(reprint);
    buttons->addWidget(close);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(m_list, 1);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(760, 480));
    connect(find, &QPushButton::clicked, this, &frmZReports::load);
    connect(m_txtTill, &QLineEdit::returnPressed, this, &frmZReports::load);
    connect(reprint, &QPushButton::clicked, this, &frmZReports::reprint);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &frmZReports::reprint);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Accepted); });
    load();
}

void frmZReports::load()
{
    QVector<ZSummary> list;
    QString error;
    if (!TillSessions::zReports(m_ctx.db, list, m_txtTill->text().trimmed(), &error)) {
        m_ctx.platform.message(this, QStringLiteral("The Z reports could not be read."), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning, error);
        return;
    }
    m_list->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < list.size(); ++row) {
        const ZSummary& z = list.at(row);
        const QStringList cells{QString::number(z.zNumber),
                                z.till,
                                z.closedAt,
                                z.closedBy,
                                Pricing::centsText(z.expected),
                                Pricing::centsText(z.counted),
                                Pricing::centsText(z.difference)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (column >= 4 || column == 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_list->setItem(row, column, item);
        }
    }
    m_list->resizeColumnsToContents();
    if (!list.isEmpty())
        m_list->selectRow(0);
}

void frmZReports::reprint()
{
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->item(row, 0))
        return;
    const qint64 number = m_list->item(row, 0)->text().toLongLong();
    const auto z = TillSessions::storedZ(m_ctx.db, number);
    if (!z) {
        m_ctx.platform.message(this, QStringLiteral("Z %1 could not be read.").arg(number),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    showReportPreview(TillReport(*z, TillSessions::companyName(m_ctx.db), m_cboPaper->currentData().toBool()),
                      m_ctx.platform, this, true);
}
