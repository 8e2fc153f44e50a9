#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Print window.
class frmPrint : public FormDialog
{
    Q_OBJECT

public:
    explicit frmPrint(AppContext& ctx, QWidget* parent = nullptr);
    ~frmPrint() override;

private:
    AppContext& m_ctx;
};
