#include "sales/frmTotal.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmTotal::frmTotal(AppContext& ctx, const QString& amountDue, const QString& saleNumber, const QString& cashier,
                   QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_amountDue(amountDue), m_saleNumber(saleNumber), m_cashier(cashier)
{
    setObjectName(QStringLiteral("frmTotal"));
    setWindowTitle(QStringLiteral("AMOUNT DUE"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmTotal::~frmTotal() = default;
