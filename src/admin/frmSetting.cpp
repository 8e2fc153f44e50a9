#include "admin/frmSetting.h"

#include "session/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

frmSetting::frmSetting(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmSetting"));
    setWindowTitle(QStringLiteral("Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

frmSetting::~frmSetting() = default;
