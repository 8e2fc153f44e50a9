#pragma once

#include "platform/FormDialog.h"

struct AppContext;

// The payment window: amount due, cash tendered, change.
class frmTotal : public FormDialog
{
    Q_OBJECT

public:
    frmTotal(AppContext& ctx, const QString& amountDue, const QString& saleNumber, const QString& cashier,
             QWidget* parent = nullptr);
    ~frmTotal() override;

private:
    AppContext& m_ctx;
    QString m_amountDue;
    QString m_saleNumber;
    QString m_cashier;
};
