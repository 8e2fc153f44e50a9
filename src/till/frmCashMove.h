#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class QLineEdit;
class QRadioButton;

// "Cash In/Out...": an amount above 0.00 put into or taken out of the drawer, with its reason.
class frmCashMove : public FormDialog
{
    Q_OBJECT

public:
    frmCashMove(AppContext& ctx, const QString& who, QWidget* parent = nullptr);

private:
    void store();

    AppContext& m_ctx;
    QString m_who;
    QRadioButton* m_optIn = nullptr;
    QRadioButton* m_optOut = nullptr;
    QLineEdit* m_txtAmount = nullptr;
    QLineEdit* m_txtReason = nullptr;
};
