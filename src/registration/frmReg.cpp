#include "registration/frmReg.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmReg::frmReg(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmReg"));
    setWindowTitle(QStringLiteral("Registration"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmReg::~frmReg() = default;
