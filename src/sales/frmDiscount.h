#pragma once

#include "platform/FormDialog.h"

#include <QString>

struct AppContext;
class QLabel;
class QLineEdit;
class QRadioButton;

// A discount on one cart line, or on the whole sale (no item number), as a percentage or an
// amount. Above the largest percentage an employee may give alone, an administrator types a
// user name and password here. Closes Accepted once the discount is stored (or taken away
// with 0), Rejected when cancelled; a refused entry keeps the window open with what was typed.
class frmDiscount : public FormDialog
{
    Q_OBJECT

public:
    frmDiscount(AppContext& ctx, const QString& saleNumber, const QString& itemNumber, const QString& what,
                QWidget* parent = nullptr);

private:
    void give();

    AppContext& m_ctx;
    QString m_saleNumber;
    QString m_itemNumber;
    QRadioButton* m_optPercent = nullptr;
    QRadioButton* m_optAmount = nullptr;
    QLineEdit* m_txtDiscount = nullptr;
    QLineEdit* m_txtApprover = nullptr;
    QLineEdit* m_txtApproverPassword = nullptr;
    QLabel* m_lblLimit = nullptr;
};
