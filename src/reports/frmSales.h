#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Sales window.
class frmSales : public FormDialog
{
    Q_OBJECT

public:
    explicit frmSales(AppContext& ctx, QWidget* parent = nullptr);
    ~frmSales() override;

private:
    AppContext& m_ctx;
};
