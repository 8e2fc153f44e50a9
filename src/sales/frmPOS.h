#pragma once

#include "platform/FormDialog.h"
#include "sales/Cart.h"

#include <QString>

#include <functional>
#include <memory>

struct AppContext;
class DataControl;
class DataGrid;
class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;

// The point of sale: item entry by number or name, the cart with its running total, voids,
// and the hand-over to payment. The cart lives in tblPos, so it survives closing the window.
class frmPOS : public FormDialog
{
    Q_OBJECT

public:
    explicit frmPOS(AppContext& ctx, QWidget* parent = nullptr);
    ~frmPOS() override;

    // Empties the name picker's text and has its list of every item name, in alphabetical
    // order, read again before the cashier next reaches for it.
    void GetClient();
    // Reads the sale number (the stored counter plus 1) into TID.
    void GetClient6();
    // Shows the cart's total in lblAmt.
    void ComputeCartTotal();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Reads the item names into the picker when they are due (see GetClient).
    void refreshNames();
    void buildLayout();
    void showLookedUpItem();
    void pickName(int index);
    // How an add was asked for: Enter in the item or quantity box (a scan), or the Add button.
    enum class AddBy { Enter, Button };
    void addItem(AddBy by);
    void selectLine(int row);
    void removeLine();
    // "Discount..." on the selected line.
    void discountLine();
    void clearCart();
    void closeSales();
    void processSale();
    void openInventory();
    void openSalesLedger();
    void reprintReceipt();
    void findSale();
    // The till's drawer: opening with a float, cash in and out, X and Z, the stored Zs.
    void tillCommand(const QString& command);
    // Hides this window while the window made by `create` is open (again while it asks to be
    // reopened), then shows this one as it was.
    void stepAsideFor(const std::function<std::unique_ptr<FormDialog>()>& create);
    // A key typed while the cart list has the focus; true when it was used here.
    bool cartGridKey(QKeyEvent* key);
    void updateReportGate();
    void reloadCart();
    // A key typed into the name picker of a large shop; true when it was used.
    bool typeIntoPicker(QKeyEvent* key);
    void listTypedNames();
    QString displayName() const;
    QString domainName() const;
    bool isAdministrator() const;

    AppContext& m_ctx;
    Cart m_cart;
    DataControl* m_adoLog1 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QStringListModel* m_names = nullptr;
    bool m_namesStale = true; // the names are to be read again before the picker is next used
    // A shop too large for a list of every name: the picker lists the names starting with the
    // letters typed into it.
    bool m_typedNames = false;
    QString m_typed;

    QLineEdit* m_txtItem = nullptr;
    QLineEdit* m_txtQuan = nullptr;
    QComboBox* m_Combo1 = nullptr;
    QLineEdit* m_Titem = nullptr;
    QLineEdit* m_Tavail = nullptr;
    QLineEdit* m_Tstock = nullptr;
    QLineEdit* m_Tdesc = nullptr;
    QLineEdit* m_Tprice = nullptr;
    QLineEdit* m_tAmt = nullptr;
    QLineEdit* m_TID = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QLineEdit* m_Text4 = nullptr;
    QLineEdit* m_Text5 = nullptr;
    QLabel* m_lblCashier = nullptr;
    QLabel* m_lblAmt = nullptr;
    QLabel* m_Label6 = nullptr;
    QLabel* m_Label7 = nullptr;
    QPushButton* m_cmdSearch = nullptr;
    QPushButton* m_cmdAccept = nullptr;
    QPushButton* m_cmdDiscount = nullptr;
    QLabel* m_lblPricing = nullptr; // the cart's discounts and tax, when it has any
    QPushButton* m_lvButtons_H2 = nullptr;
    QPushButton* m_cmdOrder = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QAction* m_sale = nullptr;
    QAction* m_inv = nullptr;
    QAction* m_reprint = nullptr;
    QAction* m_findSale = nullptr;
    QAction* m_zReports = nullptr;
    QLabel* m_lblSaleNo = nullptr;
    QLabel* m_lblCredit = nullptr;

    // The item name of the line last clicked; Remove refuses to run while it is empty.
    QString m_selectionMark;
    // The item box holds the number that selecting a cart line put there (not typed).
    bool m_itemFromLine = false;
    bool m_placed = false;
};
