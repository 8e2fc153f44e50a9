#pragma once

#include "platform/FormDialog.h"

#include <QDate>

class DataControl;
class DataGrid;
class QButtonGroup;
class QCalendarWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;
struct AppContext;

// The inventory window: the stock list with its search and detail boxes, the stock watch,
// stock adjustment, and the sold-items panel with its printable report. "Refresh" closes the
// window with FormDialog::Reopen so that its opener opens a fresh one.
class frmInvent : public FormDialog
{
    Q_OBJECT

public:
    explicit frmInvent(AppContext& ctx, QWidget* parent = nullptr);
    ~frmInvent() override;

    // Puts the total Amount of the day in txtSearch1 into txtSales (0 for a day without
    // lines); an empty day box leaves txtSales as it is.
    void SumSoldAmountForDate();
    // Puts the total Amount of every sold line into txtSales.
    void SumAllSoldAmounts();

private:
    void buildMainView(QWidget* area);
    void buildDetails(QWidget* side);
    void buildSoldPanel(QWidget* area);
    void buildStockWatch(QWidget* area);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // "Export...": the rows of the list a grid shows, to a CSV file.
    void exportList(DataGrid* grid, const QString& name);

    // Stock list and search
    void txtSearching_Change(const QString& text);
    void refreshDetails();
    // Stock watch and overlays
    void runStockWatch(int threshold);
    void openSoldItems();
    void closeSoldItems();
    void openStockWatch();
    void closeStockWatch();
    // Stock adjustment
    bool haveCurrentItem();
    void addStock();
    void editStock();
    bool writeStock(double stock);
    // Says that the stock of the shown item was not written, and why.
    void stockNotUpdated(bool itemGone, const QString& detail = {});
    // Sold-items panel
    void showCalendar();
    void Calendar1_Click(const QDate& date);
    void showDayLines(const QString& day);
    void txtSearch_Change(const QString& text);
    void applySoldFilter();
    void refreshSoldPanel();
    void printReport();
    void updateItemQuantity();
    void updateCounters();
    void countSome();
    void keepFirstColumnHidden();

    AppContext& m_ctx;

    DataControl* adoLog2 = nullptr; // the stock source: every item
    DataControl* Adodc1 = nullptr;  // the sold source: every sold line
    DataControl* m_dayLines = nullptr;
    DataControl* m_watchRows = nullptr;

    // Main view
    QWidget* m_mainView = nullptr;
    DataGrid* DataGrid2 = nullptr;
    QLineEdit* txtSearching = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QButtonGroup* m_options = nullptr;
    QLabel* lblFound = nullptr;
    QLineEdit* txtNum = nullptr;
    QLineEdit* txtName = nullptr;
    QLineEdit* txtPrice = nullptr;
    QLineEdit* txtDesc = nullptr;
    QLineEdit* txtBrand = nullptr;
    QLineEdit* txtStocks = nullptr;
    QLineEdit* txtAvail = nullptr;
    QLineEdit* txtAdd = nullptr;
    QPushButton* lvButtons_H6 = nullptr;
    QPushButton* lvButtons_H7 = nullptr;
    QPushButton* lvButtons_H1 = nullptr;
    QPushButton* lvButtons_H12 = nullptr;
    QPushButton* lvButtons_H8 = nullptr;
    QPushButton* cmdAccept = nullptr;

    // Sold-items panel
    QWidget* Picture1 = nullptr;
    QLineEdit* txtSearch1 = nullptr;
    QPushButton* lvButtons_H5 = nullptr;
    QCalendarWidget* Calendar1 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* txtSales = nullptr;
    DataGrid* DataGrid1 = nullptr;
    QPushButton* lvButtons_H2 = nullptr;
    QPushButton* lvButtons_H3 = nullptr;
    QPushButton* lvButtons_H4 = nullptr;
    // Per-item quantity: started by a change of the day or the item number, so that the
    // query runs at most once per interval and never while nothing changes.
    QTimer* Timer2 = nullptr;
    // The name filter of the sold lines scans every line, so it is applied once typing pauses.
    QTimer* m_soldFilterDelay = nullptr;
    QTimer* m_countTimer = nullptr; // counts a large filtered list a slice at a time

    // Stock watch
    QGroupBox* Frame1 = nullptr;
    DataGrid* DataGrid3 = nullptr;
    QLabel* lblWatch = nullptr;
};
