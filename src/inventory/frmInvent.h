#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Inventory window.
class frmInvent : public FormDialog
{
    Q_OBJECT

public:
    explicit frmInvent(AppContext& ctx, QWidget* parent = nullptr);
    ~frmInvent() override;

private:
    AppContext& m_ctx;
};
