#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class QLineEdit;

// "Open Till...": the float typed by the cashier, the last Z's "left in drawer" proposed.
class frmOpenTill : public FormDialog
{
    Q_OBJECT

public:
    frmOpenTill(AppContext& ctx, const QString& who, QWidget* parent = nullptr);

private:
    void openTill();

    AppContext& m_ctx;
    QString m_who;
    QLineEdit* m_txtFloat = nullptr;
};
