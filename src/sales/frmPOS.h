#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Sales window.
class frmPOS : public FormDialog
{
    Q_OBJECT

public:
    explicit frmPOS(AppContext& ctx, QWidget* parent = nullptr);
    ~frmPOS() override;

private:
    AppContext& m_ctx;
};
