#include "reports/frmSales.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmSales::frmSales(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmSales"));
    setWindowTitle(QStringLiteral("Sales"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmSales::~frmSales() = default;
