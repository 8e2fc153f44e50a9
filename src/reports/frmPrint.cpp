#include "reports/frmPrint.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmPrint::frmPrint(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmPrint::~frmPrint() = default;
