#include "sales/frmPOS.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmPOS::frmPOS(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmPOS"));
    setWindowTitle(QStringLiteral("Sales"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmPOS::~frmPOS() = default;
