#pragma once

#include "platform/FormDialog.h"
#include "registration/ItemImport.h"

class QLabel;
class QPushButton;
class QTableWidget;

// What an import of items will do, shown before anything is written: how many rows will be
// registered and from which item number, the first of them with the price the till will
// charge, and every row that is refused (with its line and
// why) or registered under a name already in use. "Register" accepts, "Cancel" rejects.
class frmImport : public FormDialog
{
    Q_OBJECT

public:
    frmImport(const ItemImport::Plan& plan, const QString& fileName, const QString& firstNumber,
              QWidget* parent = nullptr);

private:
    QLabel* m_lblSummary = nullptr;
    QTableWidget* m_lstFirst = nullptr;
    QTableWidget* m_lstRows = nullptr;
    QPushButton* m_cmdRegister = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
