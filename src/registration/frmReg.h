#pragma once

#include "platform/FormDialog.h"
#include "registration/ItemImport.h"
#include "registration/RegistrationData.h"

struct AppContext;
class DataControl;
class DataGrid;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

// Registration window: employees on the left, items on the right, each under the next number
// of its counter in tblMain. Administrators can open an editable list of either table.
class frmReg : public FormDialog
{
    Q_OBJECT

public:
    explicit frmReg(AppContext& ctx, QWidget* parent = nullptr);
    ~frmReg() override;

    // Proposes the next employee number in txtEmpId.
    void GetClient();
    // Proposes the next item number in txtItem.
    void GetClient1();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QWidget* buildEmployeeHalf();
    QWidget* buildItemHalf();
    QWidget* buildEmployeePanel();
    QWidget* buildItemPanel();

    // Handlers.
    void cmdClientReg_Click();
    void cmdItemReg_Click();
    void cmdClient_Click();
    void cmdItem_Click();
    void lvButtons_H4_Click();
    void lvButtons_H3_Click();
    void hidePanels();
    void Check1_Click();
    // Sets a new password for the employee selected in the list.
    void changeEmployeePassword();
    void txtSearch1_Change(const QString& text);
    void txtSearch2_Change(const QString& text);
    void cmdLabels_Click();
    void txtDesc_Change();
    void cmdImport_Click();
    // Gives the items selected in the list the rate chosen in the Tax rate box.
    void cmdItemRate_Click();
    void fillTaxRates();

    // The administrator gate on both "View" buttons.
    void updateViewButtons();
    // The row counters of both lists and the hidden password column.
    void updateEmployeeList();
    void updateItemList();

    // Database work.
    void nextNumber(RegistrationData::Counter counter, QLineEdit* box);
    void postNotification(const QString& title, const QString& message);

    void prompt(const QString& text, QWidget* focus);
    // An edit in a list that breaks a registration rule: the cell already shows the stored value.
    void editRefused(const QString& reason);
    QString displayName() const;
    QString domainName() const;
    bool isAdministrator() const;

    AppContext& m_ctx;

    DataControl* m_adoLog1 = nullptr;
    DataControl* m_AdoLog2 = nullptr;
    DataControl* m_adoNot = nullptr;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_statusRow = nullptr;
    QLabel* m_lblNot = nullptr;
    QPushButton* m_cmdAccept = nullptr;

    // Employee half.
    QLineEdit* m_txtLast = nullptr;
    QLineEdit* m_txtFirst = nullptr;
    QLineEdit* m_txtMid = nullptr;
    QComboBox* m_txtGen = nullptr;
    QComboBox* m_txtPos = nullptr;
    QLineEdit* m_txtEmpId = nullptr;
    QLineEdit* m_txtPass = nullptr;
    QLineEdit* m_txtClientReg = nullptr;
    QPushButton* m_cmdClientReg = nullptr;
    QPushButton* m_cmdClient = nullptr;

    // Item half.
    QLineEdit* m_txtItem = nullptr;
    QLineEdit* m_txtItemname = nullptr;
    QLineEdit* m_txtPrice = nullptr;
    QPlainTextEdit* m_txtDesc = nullptr;
    QLineEdit* m_txtBrand = nullptr;
    QLineEdit* m_txtBarcode = nullptr;
    QLineEdit* m_txtStocks = nullptr;
    QComboBox* m_txtAvail = nullptr;
    QComboBox* m_cboTaxRate = nullptr; // shown once the shop has tax rates
    QLabel* m_lblTaxRate = nullptr;
    QPushButton* m_cmdItemRate = nullptr;
    QPushButton* m_cmdItemReg = nullptr;
    QPushButton* m_cmdItem = nullptr;

    // Employee list panel.
    QWidget* m_Picture1 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QLineEdit* m_txtSearch1 = nullptr;
    QLabel* m_Label16 = nullptr;
    QCheckBox* m_Check1 = nullptr;
    QLineEdit* m_Text1 = nullptr;

    // Item list panel.
    QWidget* m_Picture2 = nullptr;
    DataGrid* m_DataGrid2 = nullptr;
    QLineEdit* m_txtSearch2 = nullptr;
    QLabel* m_Label21 = nullptr;
    QPushButton* m_cmdImport = nullptr;
};
