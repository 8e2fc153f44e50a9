#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class QComboBox;
class QLineEdit;
class QTableWidget;

// "Z Reports" (administrators): every stored Z, newest first, found by till and reprinted.
class frmZReports : public FormDialog
{
    Q_OBJECT

public:
    frmZReports(AppContext& ctx, bool roll, QWidget* parent = nullptr);

private:
    void load();
    void reprint();

    AppContext& m_ctx;
    QLineEdit* m_txtTill = nullptr;
    QTableWidget* m_list = nullptr;
    QComboBox* m_cboPaper = nullptr;
};
