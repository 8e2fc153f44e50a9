#pragma once

#include "platform/FormDialog.h"

#include <QStringList>

class AppContext;
class QLineEdit;
class QRadioButton;
class QTableWidget;

// Prints shelf and product labels for chosen items: a number of copies of each, on an A4 sheet
// of 3 x 8 labels or one label per page for a label printer, through the report preview (print,
// PDF).
class frmLabels : public FormDialog
{
    Q_OBJECT

public:
    frmLabels(AppContext& ctx, const QStringList& itemNumbers, QWidget* parent = nullptr);

private:
    void preview();

    AppContext& m_ctx;
    QStringList m_items;
    QTableWidget* m_list = nullptr;
    QLineEdit* m_txtCopies = nullptr;
    QRadioButton* m_optSheet = nullptr;
    QRadioButton* m_optPrinter = nullptr;
};
