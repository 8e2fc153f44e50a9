#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Registration window.
class frmReg : public FormDialog
{
    Q_OBJECT

public:
    explicit frmReg(AppContext& ctx, QWidget* parent = nullptr);
    ~frmReg() override;

private:
    AppContext& m_ctx;
};
