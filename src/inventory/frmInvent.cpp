#include "inventory/frmInvent.h"

#include "catalog/BarcodeStore.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "inventory/InventoryData.h"
#include "inventory/InventoryReport.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "platform/BandedReport.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "session/AppContext.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kQuantityInterval = 111; // ms between two per-item quantity reads at most
constexpr int kSoldFilterDelay = 300;  // ms of no typing before the sold lines are filtered
constexpr int kCountSliceMs = 8;       // ms of counting between events

template <class T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    b->setMinimumHeight(30);
    return b;
}

QLineEdit* readOnlyBox(QWidget* parent, const char* name)
{
    auto* box = named(new QLineEdit(parent), name);
    box->setReadOnly(true);
    return box;
}

// Columns as wide as their contents (of the rows read so far), within reason.
void fitColumns(DataGrid* grid)
{
    if (!grid->model())
        return;
    // The widths follow the first rows only: measuring every fetched row of a long list costs
    // more than reading it.
    grid->horizontalHeader()->setResizeContentsPrecision(20);
    grid->resizeColumnsToContents();
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        grid->setColumnWidth(c, std::clamp(grid->columnWidth(c) + 12, 70, 280));
}

// Shows `control` in `grid`, replacing whatever control the grid showed before.
void showInGrid(DataGrid* grid, DataControl* control)
{
    auto* old = qobject_cast<DataControl*>(grid->model());
    if (old == control) {
        grid->setCurrentRow(control->currentRow());
        return;
    }
    if (old)
        unbindGrid(grid, old);
    bindGrid(grid, control);
    fitColumns(grid);
}

// The number of rows a grid lists, or "..." while a large filtered list is still being counted.
QString shownRows(DataGrid* grid, bool* counting)
{
    auto* control = qobject_cast<DataControl*>(grid->model());
    const int rows = control ? control->knownRowCount() : 0;
    if (rows < 0)
        *counting = true;
    return rows < 0 ? QStringLiteral("...") : QString::number(rows);
}

} // namespace

frmInvent::frmInvent(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmInvent"));
    setWindowTitle(QStringLiteral("Inventory"));

    adoLog2 = new DataControl(m_ctx.db, this);
    adoLog2->setObjectName(QStringLiteral("adoLog2"));
    Adodc1 = new DataControl(m_ctx.db, this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_dayLines = new DataControl(m_ctx.db, this);
    m_dayLines->setObjectName(QStringLiteral("dayLines"));
    m_watchRows = new DataControl(m_ctx.db, this);
    m_watchRows->setObjectName(QStringLiteral("watchRows"));

    Timer2 = named(new QTimer(this), "Timer2");
    Timer2->setSingleShot(true);
    Timer2->setInterval(kQuantityInterval);
    connect(Timer2, &QTimer::timeout, this, &frmInvent::updateItemQuantity);
    m_soldFilterDelay = new QTimer(this);
    m_soldFilterDelay->setSingleShot(true);
    m_soldFilterDelay->setInterval(kSoldFilterDelay);
    connect(m_soldFilterDelay, &QTimer::timeout, this, &frmInvent::applySoldFilter);
    m_countTimer = new QTimer(this);
    m_countTimer->setInterval(0);
    connect(m_countTimer, &QTimer::timeout, this, &frmInvent::countSome);

    // The left area holds the stock list; the two overlays take its place when open. The
    // item details and the commands stay at the right.
    auto* area = new QWidget(this);
    auto* areaLayout = new QGridLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    buildMainView(area);
    buildSoldPanel(area);
    buildStockWatch(area);
    areaLayout->addWidget(m_mainView, 0, 0);
    areaLayout->addWidget(Picture1, 0, 0);
    areaLayout->addWidget(Frame1, 0, 0);

    auto* side = new QWidget(this);
    buildDetails(side);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(area, 1);
    layout->addWidget(side, 0);
    resizeToScreen(this, QSize(1180, 700));

    // Counters follow the data controls: a refresh, a filter, a deletion.
    for (DataControl* control : {adoLog2, Adodc1, m_dayLines, m_watchRows}) {
        connect(control, &QAbstractItemModel::modelReset, this, &frmInvent::updateCounters);
        connect(control, &QAbstractItemModel::rowsRemoved, this, &frmInvent::updateCounters);
        auto fitGrids = [this, control] {
            for (DataGrid* grid : {DataGrid1, DataGrid2, DataGrid3}) {
                if (grid->model() == control)
                    fitColumns(grid);
            }
        };
        connect(control, &QAbstractItemModel::modelReset, this, fitGrids);
        // A filtered list gathered between events starts empty: fit its first rows when they come.
        connect(control, &QAbstractItemModel::rowsInserted, this, [fitGrids](const QModelIndex&, int first) {
            if (first == 0)
                fitGrids();
        });
    }
    connect(DataGrid1->horizontalHeader(), &QHeaderView::sectionCountChanged, this, &frmInvent::keepFirstColumnHidden);

    // Opening: the stock source, the sold source, and the total of all sold lines.
    adoLog2->setRecordSource(itemsWithBarcodesSource());
    adoLog2->setUnsortedColumn(QStringLiteral("Barcodes"));
    adoLog2->Refresh();
    Adodc1->setRecordSource(InventoryData::soldLinesStatement());
    Adodc1->Refresh();
    bindGrid(DataGrid2, adoLog2);
    bindGrid(DataGrid1, Adodc1);
    bindGrid(DataGrid3, Adodc1); // the sold lines, until the first stock-watch button
    keepFirstColumnHidden();
    for (DataGrid* grid : {DataGrid1, DataGrid2, DataGrid3})
        fitColumns(grid);
    for (auto [box, column] :
         {std::pair{txtNum, "ItemNumber"}, std::pair{txtName, "ItemName"}, std::pair{txtPrice, "ItemPrice"},
          std::pair{txtDesc, "ItemDescription"}, std::pair{txtBrand, "ItemBrand"}, std::pair{txtStocks, "ItemStocks"},
          std::pair{txtAvail, "ItemAvailability"}})
        bindField(box, adoLog2, QLatin1String(column));
    connect(adoLog2, &QAbstractItemModel::dataChanged, this, &frmInvent::refreshDetails);
    SumAllSoldAmounts();
    updateCounters();
}

frmInvent::~frmInvent() = default;

void frmInvent::exportList(DataGrid* grid, const QString& name)
{
    // The grids change controls (the sold lines of a day, a stock watch): the one shown is written.
    if (auto* control = qobject_cast<DataControl*>(grid->model()))
        ListExport::exportGrid(this, m_ctx.platform, grid, control, name);
}

void frmInvent::buildMainView(QWidget* area)
{
    m_mainView = new QWidget(area);
    auto* layout = new QVBoxLayout(m_mainView);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("Search "), m_mainView));
    txtSearching = named(new QLineEdit(m_mainView), "txtSearching");
    txtSearching->setMinimumWidth(160);
    txtSearching->setClearButtonEnabled(true);
    searchRow->addWidget(txtSearching, 1);
    m_options = new QButtonGroup(m_mainView);
    Option1 = named(new QRadioButton(QStringLiteral("Name"), m_mainView), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Item Number"), m_mainView), "Option2");
    Option3 = named(new QRadioButton(QStringLiteral("Availability"), m_mainView), "Option3");
    Option4 = named(new QRadioButton(QStringLiteral("Brand"), m_mainView), "Option4");
    for (QRadioButton* option : {Option1, Option2, Option3, Option4}) {
        m_options->addButton(option);
        searchRow->addWidget(option);
    }
    Option1->setChecked(true);
    layout->addLayout(searchRow);

    DataGrid2 = named(new DataGrid(m_mainView), "DataGrid2");
    layout->addWidget(DataGrid2, 1);

    auto* foundRow = new QHBoxLayout;
    foundRow->addWidget(new QLabel(QStringLiteral("Item Found:"), m_mainView));
    lblFound = named(new QLabel(QStringLiteral("0"), m_mainView), "lblFound");
    lblFound->setMinimumWidth(90);
    QFont bold = lblFound->font();
    bold.setBold(true);
    lblFound->setFont(bold);
    foundRow->addWidget(lblFound);
    foundRow->addStretch(1);
    auto* exportStock = ListExport::button(QStringLiteral("cmdExportStock"), m_mainView);
    connect(exportStock, &QPushButton::clicked, this, [this] { exportList(DataGrid2, QStringLiteral("Stock")); });
    foundRow->addWidget(exportStock);
    layout->addLayout(foundRow);

    connect(txtSearching, &QLineEdit::textChanged, this, &frmInvent::txtSearching_Change);
    // A click on an item makes it current and gets the stock box ready for an adjustment.
    connect(DataGrid2, &QAbstractItemView::clicked, this, [this] { txtAdd->setFocus(Qt::MouseFocusReason); });
}

void frmInvent::buildDetails(QWidget* side)
{
    side->setMinimumWidth(300);
    side->setMaximumWidth(360);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* details = new QGroupBox(QStringLiteral("Item Details"), side);
    auto* form = new QFormLayout(details);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtNum = readOnlyBox(details, "txtNum");
    txtName = readOnlyBox(details, "txtName");
    txtPrice = readOnlyBox(details, "txtPrice");
    txtDesc = readOnlyBox(details, "txtDesc");
    txtBrand = readOnlyBox(details, "txtBrand");
    txtStocks = readOnlyBox(details, "txtStocks");
    txtAvail = readOnlyBox(details, "txtAvail");
    form->addRow(QStringLiteral("Item Number:"), txtNum);
    form->addRow(QStringLiteral("Item Name:"), txtName);
    form->addRow(QStringLiteral("Price:"), txtPrice);
    form->addRow(QStringLiteral("Description:"), txtDesc);
    form->addRow(QStringLiteral("Brand:"), txtBrand);
    form->addRow(QStringLiteral("Stocks:"), txtStocks);
    form->addRow(QStringLiteral("Availability:"), txtAvail);
    layout->addWidget(details);

    auto* adjust = new QGroupBox(QStringLiteral("Stock Management"), side);
    auto* adjustLayout = new QGridLayout(adjust);
    adjustLayout->addWidget(new QLabel(QStringLiteral("Number of stocks:"), adjust), 0, 0);
    txtAdd = named(new QLineEdit(adjust), "txtAdd");
    adjustLayout->addWidget(txtAdd, 0, 1);
    lvButtons_H6 = button(adjust, "lvButtons_H6", QStringLiteral("Add Stock"));
    lvButtons_H7 = button(adjust, "lvButtons_H7", QStringLiteral("Edit Stock"));
    adjustLayout->addWidget(lvButtons_H6, 1, 0);
    adjustLayout->addWidget(lvButtons_H7, 1, 1);
    layout->addWidget(adjust);

    auto* views = new QGroupBox(QStringLiteral("Views"), side);
    auto* viewLayout = new QGridLayout(views);
    lvButtons_H1 = button(views, "lvButtons_H1", QStringLiteral("Sold Items"));
    lvButtons_H12 = button(views, "lvButtons_H12", QStringLiteral("Stock Watch"));
    viewLayout->addWidget(lvButtons_H1, 0, 0);
    viewLayout->addWidget(lvButtons_H12, 0, 1);
    layout->addWidget(views);

    layout->addStretch(1);
    auto* commands = new QHBoxLayout;
    lvButtons_H8 = button(side, "lvButtons_H8", QStringLiteral("Refresh"));
    cmdAccept = button(side, "cmdAccept", QStringLiteral("Close"));
    commands->addWidget(lvButtons_H8);
    commands->addWidget(cmdAccept);
    layout->addLayout(commands);

    connect(lvButtons_H6, &QPushButton::clicked, this, &frmInvent::addStock);
    connect(lvButtons_H7, &QPushButton::clicked, this, &frmInvent::editStock);
    connect(lvButtons_H1, &QPushButton::clicked, this, &frmInvent::openSoldItems);
    connect(lvButtons_H12, &QPushButton::clicked, this, &frmInvent::openStockWatch);
    connect(lvButtons_H8, &QPushButton::clicked, this, [this] { closeWindow(FormDialog::Reopen); });
    connect(cmdAccept, &QPushButton::clicked, this, [this] { closeWindow(); });
}

void frmInvent::buildSoldPanel(QWidget* area)
{
    Picture1 = named(new QWidget(area), "Picture1");
    Picture1->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(Picture1);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* title = new QLabel(QStringLiteral("SOLD ITEMS"), Picture1);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* searchRows = new QGridLayout;
    searchRows->addWidget(new QLabel(QStringLiteral("Search Date:"), Picture1), 0, 0);
    txtSearch1 = named(new QLineEdit(Picture1), "txtSearch1");
    txtSearch1->setPlaceholderText(QStringLiteral("MMMM DD, YYYY"));
    searchRows->addWidget(txtSearch1, 0, 1);
    lvButtons_H5 = button(Picture1, "lvButtons_H5", QStringLiteral("Date"));
    searchRows->addWidget(lvButtons_H5, 0, 2);
    searchRows->addWidget(new QLabel(QStringLiteral("Search Item Number:"), Picture1), 1, 0);
    txtSearch = named(new QLineEdit(QStringLiteral("Item Name"), Picture1), "txtSearch");
    searchRows->addWidget(txtSearch, 1, 1);
    searchRows->addWidget(new QLabel(QStringLiteral("Stocks:"), Picture1), 1, 2, Qt::AlignRight);
    Text2 = readOnlyBox(Picture1, "Text2");
    Text2->setMaximumWidth(90);
    searchRows->addWidget(Text2, 1, 3);
    searchRows->setColumnMinimumWidth(1, 200);
    searchRows->setColumnStretch(4, 1);
    layout->addLayout(searchRows);

    DataGrid1 = named(new DataGrid(Picture1), "DataGrid1");
    layout->addWidget(DataGrid1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Transactions:"), Picture1));
    Text1 = readOnlyBox(Picture1, "Text1");
    Text1->setMaximumWidth(110);
    bottom->addWidget(Text1);
    bottom->addSpacing(12);
    bottom->addWidget(new QLabel(QStringLiteral("Sales:"), Picture1));
    txtSales = readOnlyBox(Picture1, "txtSales");
    txtSales->setMaximumWidth(160);
    bottom->addWidget(txtSales);
    bottom->addStretch(1);
    lvButtons_H3 = button(Picture1, "lvButtons_H3", QStringLiteral("Refresh"));
    lvButtons_H4 = button(Picture1, "lvButtons_H4", QStringLiteral("Print"));
    lvButtons_H2 = button(Picture1, "lvButtons_H2", QStringLiteral("Close"));
    auto* exportSold = ListExport::button(QStringLiteral("cmdExportSold"), Picture1);
    connect(exportSold, &QPushButton::clicked, this, [this] { exportList(DataGrid1, QStringLiteral("Sold Items")); });
    for (QPushButton* b : {exportSold, lvButtons_H3, lvButtons_H4, lvButtons_H2}) {
        b->setMinimumWidth(90);
        bottom->addWidget(b);
    }
    layout->addLayout(bottom);

    // The calendar floats over the panel, under the Date button, until a day is picked.
    Calendar1 = named(new QCalendarWidget(Picture1), "Calendar1");
    Calendar1->setGridVisible(true);
    Calendar1->setAutoFillBackground(true);
    Calendar1->resize(Calendar1->sizeHint().expandedTo(QSize(320, 220)));
    Calendar1->hide();
    Picture1->hide();

    // A click into either box empties it, ready for a new day or item number.
    txtSearch1->installEventFilter(this);
    txtSearch->installEventFilter(this);

    connect(lvButtons_H5, &QPushButton::clicked, this, &frmInvent::showCalendar);
    connect(Calendar1, &QCalendarWidget::clicked, this, &frmInvent::Calendar1_Click);
    connect(Calendar1, &QCalendarWidget::activated, this, &frmInvent::Calendar1_Click);
    connect(txtSearch, &QLineEdit::textChanged, this, &frmInvent::txtSearch_Change);
    connect(txtSearch1, &QLineEdit::textChanged, Timer2, [this] {
        if (!Timer2->isActive())
            Timer2->start();
    });
    connect(lvButtons_H2, &QPushButton::clicked, this, &frmInvent::closeSoldItems);
    connect(lvButtons_H3, &QPushButton::clicked, this, &frmInvent::refreshSoldPanel);
    connect(lvButtons_H4, &QPushButton::clicked, this, &frmInvent::printReport);
}

void frmInvent::buildStockWatch(QWidget* area)
{
    Frame1 = named(new QGroupBox(QStringLiteral("STOCK WATCH"), area), "Frame1");
    Frame1->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(Frame1);

    auto* buttons = new QHBoxLayout;
    const struct
    {
        const char* name;
        const char* caption;
        int threshold;
    } watches[] = {
        {"lvButtons_H9", "Critical Items", 50},     {"lvButtons_H10", "Running out Items", 100},
        {"lvButtons_H11", "Items to Monitor", 200}, {"lvButtons_H14", "Average Items", 300},
        {"lvButtons_H15", "Watch List", 500},
    };
    for (const auto& watch : watches) {
        QPushButton* b = button(Frame1, watch.name, QString::fromLatin1(watch.caption));
        const int threshold = watch.threshold;
        connect(b, &QPushButton::clicked, this, [this, threshold] { runStockWatch(threshold); });
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    DataGrid3 = named(new DataGrid(Frame1), "DataGrid3");
    layout->addWidget(DataGrid3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Registered Items:"), Frame1));
    lblWatch = named(new QLabel(QStringLiteral("0"), Frame1), "lblWatch");
    lblWatch->setMinimumWidth(90);
    QFont bold = lblWatch->font();
    bold.setBold(true);
    lblWatch->setFont(bold);
    bottom->addWidget(lblWatch);
    bottom->addStretch(1);
    auto* exportWatch = ListExport::button(QStringLiteral("cmdExportWatch"), Frame1);
    connect(exportWatch, &QPushButton::clicked, this, [this] { exportList(DataGrid3, QStringLiteral("Stock Watch")); });
    bottom->addWidget(exportWatch);
    auto* close = button(Frame1, "lvButtons_H13", QStringLiteral("Close"));
    close->setMinimumWidth(90);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    Frame1->hide();

    connect(close, &QPushButton::clicked, this, &frmInvent::closeStockWatch);
}

bool frmInvent::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == txtSearch1 || watched == txtSearch))
        static_cast<QLineEdit*>(watched)->clear();
    return FormDialog::eventFilter(watched, event);
}

// ---- Stock list and search --------------------------------------------------------------

void frmInvent::txtSearching_Change(const QString& text)
{
    // The first selected option names the field; a new option applies from the next change.
    QString column = QStringLiteral("ItemName");
    if (Option1->isChecked())
        column = QStringLiteral("ItemName");
    else if (Option2->isChecked())
        column = QStringLiteral("ItemNumber");
    else if (Option3->isChecked())
        column = QStringLiteral("ItemAvailability");
    else if (Option4->isChecked())
        column = QStringLiteral("ItemBrand");
    adoLog2->setFilter(column, text); // an empty text lists every item again
}

void frmInvent::refreshDetails()
{
    for (auto [box, column] :
         {std::pair{txtNum, "ItemNumber"}, std::pair{txtName, "ItemName"}, std::pair{txtPrice, "ItemPrice"},
          std::pair{txtDesc, "ItemDescription"}, std::pair{txtBrand, "ItemBrand"}, std::pair{txtStocks, "ItemStocks"},
          std::pair{txtAvail, "ItemAvailability"}})
        setBoundText(box, adoLog2->fieldText(QLatin1String(column)));
}

void frmInvent::updateCounters()
{
    bool counting = false;
    lblFound->setText(shownRows(DataGrid2, &counting));
    lblWatch->setText(shownRows(DataGrid3, &counting));
    Text1->setText(shownRows(DataGrid1, &counting));
    if (counting)
        m_countTimer->start();
}

// Counts the next slices of a large filtered list between events, so the window stays alive:
// one list's step a pass of the event loop, however many lists are still counting.
void frmInvent::countSome()
{
    auto* first = qobject_cast<DataControl*>(DataGrid1->model());
    auto* second = qobject_cast<DataControl*>(DataGrid3->model());
    DataControl* next = nullptr;
    int counting = 0;
    for (DataControl* control : {first, second == first ? nullptr : second, adoLog2}) {
        if (control && control->knownRowCount() < 0) {
            next = next ? next : control;
            ++counting;
        }
    }
    const bool done = !next || (next->countStep(kCountSliceMs) && counting == 1);
    if (done) {
        m_countTimer->stop();
        updateCounters();
    }
}

void frmInvent::keepFirstColumnHidden()
{
    if (DataGrid1->model() && DataGrid1->model()->columnCount() > 0)
        DataGrid1->hideColumnAt(0);
}

// ---- Stock watch and overlays -----------------------------------------------------------

void frmInvent::runStockWatch(int threshold)
{
    m_watchRows->setRecordSource(InventoryData::watchStatement(threshold));
    m_watchRows->Refresh();
    showInGrid(DataGrid3, m_watchRows);
    updateCounters();
}

void frmInvent::openSoldItems()
{
    SumSoldAmountForDate();
    m_mainView->hide();
    Frame1->hide();
    Picture1->show();
    lvButtons_H12->setEnabled(false);
    lvButtons_H1->setEnabled(false);
}

void frmInvent::closeSoldItems()
{
    Calendar1->hide();
    Picture1->hide();
    m_mainView->show();
    lvButtons_H1->setEnabled(true);
    lvButtons_H12->setEnabled(true);
}

void frmInvent::openStockWatch()
{
    m_mainView->hide();
    Picture1->hide();
    Frame1->show();
    lvButtons_H1->setEnabled(false);
    lvButtons_H12->setEnabled(false);
}

void frmInvent::closeStockWatch()
{
    Frame1->hide();
    m_mainView->show();
    lvButtons_H12->setEnabled(true);
    lvButtons_H1->setEnabled(true);
}

// ---- Stock adjustment -------------------------------------------------------------------

bool frmInvent::haveCurrentItem()
{
    if (txtNum->text().isEmpty() || txtName->text().isEmpty() || adoLog2->currentRow() < 0) {
        m_ctx.platform.message(this, QStringLiteral("No valid Item Number or Item Name for Stock Management!"),
                               QStringLiteral("Message"), QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    return true;
}

void frmInvent::addStock()
{
    if (!haveCurrentItem())
        return;
    if (txtAdd->text().isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Set number of stocks to be added!"), QStringLiteral("Add"));
        return;
    }
    // The question shows the stock stored now, not the figure shown since the last load; the
    // write adds to the stock as stored when it writes.
    const int row = adoLog2->currentRow();
    const qint64 rowId = adoLog2->rowId(row);
    const auto stored = InventoryData::storedStock(m_ctx.db, rowId);
    if (!stored) {
        stockNotUpdated(true);
        return;
    }
    const double added = NumberFromText(txtAdd->text());
    const double future = added + *stored;
    if (!std::isfinite(future)) {
        m_ctx.platform.message(this,
                               QStringLiteral("The number of stocks to be added is too large. Nothing was changed."),
                               QStringLiteral("Add"), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    const QString question = QStringLiteral("Add ") + txtAdd->text() + QStringLiteral(" stock(s) to ") +
                             txtName->text() + QStringLiteral("?\n\nCurrent Stock: ") + PlainNumber(*stored) +
                             QStringLiteral("\nFuture Stock: ") + PlainNumber(future) +
                             QStringLiteral("\n\nConfirm additional stock(s)?");
    if (!m_ctx.platform.ask(this, question, QStringLiteral("Confirm")))
        return;
    const InventoryData::StockChange change = InventoryData::addToStock(m_ctx.db, rowId, added);
    if (!change.stock) {
        stockNotUpdated(change.itemGone, change.error);
        return;
    }
    adoLog2->reloadRow(row); // the list and the detail boxes show the stored result
    m_ctx.platform.message(this, QStringLiteral("Click Refresh to view updated result."),
                           QStringLiteral("Successfully Updated"));
}

void frmInvent::editStock()
{
    if (!haveCurrentItem())
        return;
    if (txtAdd->text().isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Set new remaining stocks!"), QStringLiteral("Add"));
        return;
    }
    const auto figure = ColumnNumber(txtAdd->text());
    if (!figure) {
        m_ctx.platform.message(this,
                               QStringLiteral("The new remaining stocks must be a number, such as 25. "
                                              "Nothing was changed."),
                               QStringLiteral("Add"), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    const auto stored = InventoryData::storedStock(m_ctx.db, adoLog2->rowId(adoLog2->currentRow()));
    if (!stored) {
        stockNotUpdated(true);
        return;
    }
    const QString question = QStringLiteral("Update ") + txtName->text() + QStringLiteral("'s Stock to ") +
                             txtAdd->text() + QStringLiteral("?\n\nCurrent Stock: ") + PlainNumber(*stored) +
                             QStringLiteral("\nConfirm Update of stock(s)?");
    if (!m_ctx.platform.ask(this, question, QStringLiteral("Confirm")))
        return;
    if (writeStock(*figure))
        m_ctx.platform.message(this, QStringLiteral("Click Refresh to view updated result."),
                               QStringLiteral("Successfully Updated"));
}

void frmInvent::stockNotUpdated(bool itemGone, const QString& detail)
{
    QString what = QStringLiteral("The stock of %1 was not updated.").arg(txtName->text());
    if (itemGone)
        what += QStringLiteral(" The item is no longer registered. Click Refresh.");
    m_ctx.platform.writeFailed(this, what, detail);
}

// Writes the new stock and its availability to the current item row only (by its rowid);
// the detail boxes and the list show the stored figures at once.
bool frmInvent::writeStock(double stock)
{
    const int row = adoLog2->currentRow();
    const InventoryData::StockChange change = InventoryData::setStock(m_ctx.db, adoLog2->rowId(row), stock);
    if (!change.stock) {
        stockNotUpdated(false, change.error);
        return false;
    }
    adoLog2->reloadRow(row);
    refreshDetails();
    return true;
}

// ---- Sold-items panel -------------------------------------------------------------------

void frmInvent::SumSoldAmountForDate()
{
    const QString day = txtSearch1->text();
    if (day.isEmpty())
        return;
    txtSales->setText(InventoryData::sumSoldForDate(m_ctx.db, day).total.text());
}

void frmInvent::SumAllSoldAmounts()
{
    txtSales->setText(InventoryData::sumAllSold(m_ctx.db).total.text());
}

void frmInvent::showCalendar()
{
    Calendar1->setSelectedDate(QDate::currentDate());
    const QPoint below = lvButtons_H5->mapTo(Picture1, QPoint(0, lvButtons_H5->height() + 2));
    Calendar1->move(qMin(below.x(), qMax(0, Picture1->width() - Calendar1->width())), below.y());
    Calendar1->show();
    Calendar1->raise();
    Calendar1->setFocus(Qt::OtherFocusReason);
}

void frmInvent::Calendar1_Click(const QDate& date)
{
    Calendar1->hide();
    txtSearch1->setText(DateText(date));
    showDayLines(txtSearch1->text());
    SumSoldAmountForDate();
}

// Lists the lines of one day in the sold-items grid.
void frmInvent::showDayLines(const QString& day)
{
    m_dayLines->setRecordSource(InventoryData::soldLinesOfDayStatement(), {day});
    m_dayLines->Refresh();
    showInGrid(DataGrid1, m_dayLines);
    keepFirstColumnHidden();
    updateCounters();
}

void frmInvent::txtSearch_Change(const QString& text)
{
    // The box is also the item number of the per-item quantity.
    if (!Timer2->isActive())
        Timer2->start();
    if (text.isEmpty()) {
        m_soldFilterDelay->stop();
        applySoldFilter(); // every line again, at once
    } else {
        m_soldFilterDelay->start();
    }
}

void frmInvent::applySoldFilter()
{
    // While neither grid shows the sold lines the filter could not be seen, and the only way
    // back to them (the panel's Refresh) reloads them unfiltered: spare the scan.
    if (DataGrid1->model() != Adodc1 && DataGrid3->model() != Adodc1)
        return;
    Adodc1->setFilter(QStringLiteral("ItemName"), txtSearch->text()); // an empty text lists every line again
}

void frmInvent::refreshSoldPanel()
{
    m_soldFilterDelay->stop();
    showInGrid(DataGrid1, Adodc1);
    adoLog2->Refresh();
    Adodc1->Refresh();
    keepFirstColumnHidden();
    SumAllSoldAmounts();
    updateCounters();
    Timer2->start();
}

void frmInvent::updateItemQuantity()
{
    const QString day = txtSearch1->text();
    const QString item = txtSearch->text();
    if (day.isEmpty() || item.isEmpty()) {
        Text2->clear();
        return;
    }
    const auto sold = InventoryData::soldQuantity(m_ctx.db, day, item);
    Text2->setText(sold.lines > 0 ? sold.total.text() : QString());
}

void frmInvent::printReport()
{
    if (txtSearch1->text().isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Set Date of Transaction!"), QStringLiteral("Message"));
        showCalendar();
        return;
    }
    const QString day = txtSearch1->text();
    showDayLines(day);
    const Recordset lines = InventoryData::soldLinesForDate(m_ctx.db, day);
    const RefundTotal refunds = refundsForDay(m_ctx.db, DateFromText(day));
    const auto pricing = PricingStore(m_ctx.db).figuresForDays({day});
    const BandedReport report = InventoryReport::build(
        lines, QDate::currentDate(), refunds.ok ? std::optional<qint64>(refunds.refunds) : std::nullopt,
        pricing ? &*pricing : nullptr);
    keepFirstColumnHidden();
    const QString question =
        QStringLiteral("Print Sold Items for ") + day + QStringLiteral("?\nClick Yes to Print\nClick No to See Result");
    if (m_ctx.platform.ask(this, question, QStringLiteral("Print")))
        showReportPreview(report, m_ctx.platform, this);
    SumSoldAmountForDate();
}
