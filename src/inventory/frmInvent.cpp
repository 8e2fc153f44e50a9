#include "inventory/frmInvent.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmInvent::frmInvent(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmInvent"));
    setWindowTitle(QStringLiteral("Inventory"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmInvent::~frmInvent() = default;
