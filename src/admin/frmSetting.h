#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// Settings window.
class frmSetting : public FormDialog
{
    Q_OBJECT

public:
    explicit frmSetting(AppContext& ctx, QWidget* parent = nullptr);
    ~frmSetting() override;

private:
    AppContext& m_ctx;
};
