#include "sales/frmPOS.h"

#include "data/DataControl.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "sales/NumericKeyFilter.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmFindSale.h"
#include "sales/frmDiscount.h"
#include "sales/frmTotal.h"
#include "till/frmCashMove.h"
#include "till/frmOpenTill.h"
#include "till/frmTillReport.h"
#include "till/frmZReports.h"
#include "session/AppContext.h"
#include "session/SessionState.h"
#include "session/WindowFactory.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLineEdit* display(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    // Buttons never take the keyboard focus: Space and Enter belong to the window's
    // shortcuts and to the item entry, whatever was last clicked.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setMinimumHeight(44);
    return b;
}

QLineEdit* hiddenBox(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setVisible(false);
    return field;
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

frmPOS::frmPOS(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx), m_cart(ctx.db, ctx.till)
{
    setObjectName(QStringLiteral("frmPOS"));
    setWindowTitle(QStringLiteral("Sales"));

    m_adoLog1 = new DataControl(m_ctx.db, this);
    m_adoLog1->setObjectName(QStringLiteral("adoLog1"));
    m_adoLog1->setRecordSource(m_cart.cartSource(), {m_cart.till()});

    buildLayout();

    bindGrid(m_DataGrid1, m_adoLog1);
    bindField(m_Text1, m_adoLog1, QStringLiteral("itemNumber"));
    bindField(m_Text2, m_adoLog1, QStringLiteral("itemName"));
    bindField(m_Text4, m_adoLog1, QStringLiteral("itemQuantity"));
    bindField(m_Text5, m_adoLog1, QStringLiteral("Dated"));

    connect(m_txtItem, &QLineEdit::textChanged, this, &frmPOS::showLookedUpItem);
    connect(m_txtQuan, &QLineEdit::textChanged, this, &frmPOS::showLookedUpItem);
    connect(m_Combo1, &QComboBox::activated, this, &frmPOS::pickName);
    // A click selects its line even when that line is already the current one; moving with the
    // arrow keys selects too.
    connect(m_DataGrid1, &DataGrid::clicked, this, [this](const QModelIndex& index) { selectLine(index.row()); });
    connect(m_DataGrid1, &DataGrid::currentRowChanged, this, &frmPOS::selectLine);
    connect(m_cmdSearch, &QPushButton::clicked, this, [this] { addItem(AddBy::Button); });
    // Once the cashier types in the item box, the number there is the cashier's own.
    connect(m_txtItem, &QLineEdit::textEdited, this, [this] { m_itemFromLine = false; });
    connect(m_cmdAccept, &QPushButton::clicked, this, &frmPOS::removeLine);
    connect(m_cmdDiscount, &QPushButton::clicked, this, &frmPOS::discountLine);
    // Alt+D from anywhere in the window, the cart list included.
    auto* discountKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_D), this);
    connect(discountKey, &QShortcut::activated, m_cmdDiscount, &QPushButton::click);
    connect(m_lvButtons_H2, &QPushButton::clicked, this, &frmPOS::clearCart);
    connect(m_cmdOrder, &QPushButton::clicked, this, &frmPOS::processSale);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmPOS::closeSales);
    connect(m_sale, &QAction::triggered, this, &frmPOS::openSalesLedger);
    connect(m_inv, &QAction::triggered, this, &frmPOS::openInventory);
    connect(m_reprint, &QAction::triggered, this, &frmPOS::reprintReceipt);
    connect(m_findSale, &QAction::triggered, this, &frmPOS::findSale);
    connect(&m_ctx.session(), &SessionState::changed, this, &frmPOS::updateReportGate);

    // The entry fields filter their own keys; the window sees every key first (its filter is
    // installed after theirs, so it runs before them).
    NumericKeyFilter::install(m_txtItem);
    NumericKeyFilter::install(m_txtQuan);
    for (QLineEdit* field : findChildren<QLineEdit*>())
        field->installEventFilter(this);
    m_Combo1->installEventFilter(this);
    m_Combo1->view()->installEventFilter(this);
    m_DataGrid1->installEventFilter(this);

    // Opening: the cart and its total, the names, the sale number and the cashier.
    reloadCart();
    GetClient();
    refreshNames(); // the list is ready when the window shows
    GetClient6();
    m_lblCashier->setText(displayName());
    updateReportGate();
    showLookedUpItem();
    m_txtItem->setFocus();
}

frmPOS::~frmPOS() = default;

void frmPOS::buildLayout()
{
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    // Alt+M opens the menu and R its reports, so the reports are reached without the mouse.
    QMenu* menu = menuBar->addMenu(QStringLiteral("&Menu"));
    menu->setObjectName(QStringLiteral("mnuMenu"));
    QMenu* reports = menu->addMenu(QStringLiteral("&Reports"));
    reports->setObjectName(QStringLiteral("mnuReports"));
    m_sale = reports->addAction(QStringLiteral("Sales"));
    m_sale->setObjectName(QStringLiteral("sale"));
    m_inv = reports->addAction(QStringLiteral("Inventory"));
    m_inv->setObjectName(QStringLiteral("inv"));
    m_reprint = menu->addAction(QStringLiteral("Reprint Last Receipt"));
    m_reprint->setObjectName(QStringLiteral("mnuReprint"));
    m_findSale = menu->addAction(QStringLiteral("Find Sale..."));
    m_findSale->setObjectName(QStringLiteral("mnuFindSale"));
    m_zReports = reports->addAction(QStringLiteral("Z Reports"));
    m_zReports->setObjectName(QStringLiteral("mnuZReports"));
    connect(m_zReports, &QAction::triggered, this, [this] { tillCommand(QStringLiteral("zlist")); });
    menu->addSeparator();
    for (const auto& [name, caption] : {std::pair{"open", "Open Till..."}, std::pair{"cash", "Cash In/Out..."},
                                        std::pair{"x", "X Report..."}, std::pair{"z", "Z Close..."}}) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        const QString command = QString::fromLatin1(name);
        action->setObjectName(QStringLiteral("mnuTill_") + command);
        connect(action, &QAction::triggered, this, [this, command] { tillCommand(command); });
    }

    QFont entryFont = font();
    entryFont.setPointSize(entryFont.pointSize() + 4);
    QFont displayFont = font();
    displayFont.setPointSize(displayFont.pointSize() + 2);

    // Left: item entry and the looked-up item.
    auto* entry = new QGroupBox(QStringLiteral("Item entry"), this);
    entry->setObjectName(QStringLiteral("grpEntry"));
    auto* entryForm = new QFormLayout;
    entryForm->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtItem = new QLineEdit(entry);
    m_txtItem->setObjectName(QStringLiteral("txtItem"));
    m_txtItem->setFont(entryFont);
    m_txtItem->setPlaceholderText(QStringLiteral("Scan or type a number"));
    m_txtQuan = new QLineEdit(QStringLiteral("1"), entry);
    m_txtQuan->setObjectName(QStringLiteral("txtQuan"));
    m_txtQuan->setFont(entryFont);
    m_txtQuan->setMaximumWidth(120);
    m_Combo1 = new QComboBox(entry);
    m_Combo1->setObjectName(QStringLiteral("Combo1"));
    m_Combo1->setEditable(false);
    m_Combo1->setFont(displayFont);
    // With a hundred thousand names the combo must not measure every one of them.
    m_Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_Combo1->setMinimumContentsLength(18);
    m_Combo1->setMaxVisibleItems(20);
    // A drop-down list below the box rather than a menu over it: the menu form measures every
    // item each time it opens, which takes a third of a second with 100,000 names.
    m_Combo1->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    auto* listView = new QListView(m_Combo1);
    listView->setUniformItemSizes(true);
    m_Combo1->setView(listView);
    m_names = new QStringListModel(this);
    m_Combo1->setModel(m_names);
    m_Combo1->setPlaceholderText(QStringLiteral("Pick an item by name"));
    m_cmdSearch = button(entry, "cmdSearch", QStringLiteral("Add"));
    m_cmdSearch->setFont(entryFont);
    entryForm->addRow(QStringLiteral("Item #:"), m_txtItem);
    entryForm->addRow(QStringLiteral("Quantity:"), m_txtQuan);
    entryForm->addRow(QStringLiteral("Name:"), m_Combo1);
    auto* entryBox = new QVBoxLayout(entry);
    entryBox->addLayout(entryForm);
    entryBox->addWidget(m_cmdSearch);

    auto* item = new QGroupBox(QStringLiteral("Item"), this);
    item->setObjectName(QStringLiteral("grpItem"));
    auto* itemForm = new QFormLayout(item);
    itemForm->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_Titem = display(item, "Titem");
    m_Tavail = display(item, "Tavail");
    m_Tstock = display(item, "Tstock");
    m_Tdesc = display(item, "Tdesc");
    m_Tprice = display(item, "Tprice");
    m_tAmt = display(item, "tAmt");
    for (QLineEdit* field : {m_Titem, m_Tavail, m_Tstock, m_Tdesc, m_Tprice, m_tAmt})
        field->setFont(displayFont);
    m_Tstock->setAlignment(Qt::AlignRight);
    m_Tprice->setAlignment(Qt::AlignRight);
    m_tAmt->setAlignment(Qt::AlignRight);
    itemForm->addRow(QStringLiteral("ITEM NAME:"), m_Titem);
    itemForm->addRow(QStringLiteral("AVAILABILITY:"), m_Tavail);
    itemForm->addRow(QStringLiteral("STOCKS:"), m_Tstock);
    itemForm->addRow(QStringLiteral("DESCRIPTION:"), m_Tdesc);
    itemForm->addRow(QStringLiteral("PRICE:"), m_Tprice);
    itemForm->addRow(QStringLiteral("Amount:"), m_tAmt);

    auto* left = new QVBoxLayout;
    left->addWidget(entry);
    left->addWidget(item);
    left->addStretch(1);

    // Right: cashier, the total, the cart and its buttons.
    auto* totalPanel = new QFrame(this);
    totalPanel->setObjectName(QStringLiteral("fraTotal"));
    totalPanel->setFrameShape(QFrame::StyledPanel);
    totalPanel->setStyleSheet(QStringLiteral("#fraTotal { background: #1f2d3d; border-radius: 6px; }"
                                             "#fraTotal QLabel { color: #e8eef5; }"
                                             "#fraTotal #lblAmt { color: #7CFC9A; }"));
    auto* cashierCaption = new QLabel(QStringLiteral("Cashier:"), totalPanel);
    m_lblCashier = new QLabel(QStringLiteral("Name Here"), totalPanel);
    m_lblCashier->setObjectName(QStringLiteral("lblCashier"));
    QFont bold = displayFont;
    bold.setBold(true);
    m_lblCashier->setFont(bold);
    cashierCaption->setFont(displayFont);
    auto* totalCaption = new QLabel(QStringLiteral("TOTAL"), totalPanel);
    totalCaption->setFont(bold);
    m_lblAmt = new QLabel(QStringLiteral("0.00"), totalPanel);
    m_lblAmt->setObjectName(QStringLiteral("lblAmt"));
    QFont big = font();
    big.setPointSize(40);
    big.setBold(true);
    m_lblAmt->setFont(big);
    m_lblAmt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_Label6 = new QLabel(QStringLiteral("(0 ITEM(S)"), totalPanel);
    m_Label6->setObjectName(QStringLiteral("Label6"));
    m_Label6->setFont(displayFont);
    m_Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* panel = new QGridLayout(totalPanel);
    panel->setContentsMargins(16, 10, 16, 10);
    auto* cashierRow = new QHBoxLayout;
    cashierRow->addWidget(cashierCaption);
    cashierRow->addWidget(m_lblCashier, 1);
    // The credit an exchange left for this till's next sale.
    m_lblCredit = new QLabel(totalPanel);
    m_lblCredit->setObjectName(QStringLiteral("lblCredit"));
    m_lblCredit->setFont(bold);
    m_lblCredit->setStyleSheet(QStringLiteral("color: #ffd166;"));
    cashierRow->addWidget(m_lblCredit);
    panel->addLayout(cashierRow, 0, 0, 1, 2);
    panel->addWidget(totalCaption, 1, 0, Qt::AlignLeft | Qt::AlignVCenter);
    panel->addWidget(m_lblAmt, 1, 1);
    panel->addWidget(m_Label6, 2, 1);
    // The open sale's number, as its receipt will carry it.
    m_lblSaleNo = new QLabel(totalPanel);
    m_lblSaleNo->setObjectName(QStringLiteral("lblSaleNo"));
    m_lblSaleNo->setFont(bold);
    panel->addWidget(m_lblSaleNo, 2, 0, Qt::AlignLeft | Qt::AlignVCenter);
    m_lblPricing = new QLabel(totalPanel);
    m_lblPricing->setObjectName(QStringLiteral("lblPricing"));
    m_lblPricing->setFont(displayFont);
    m_lblPricing->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblPricing->hide();
    panel->addWidget(m_lblPricing, 3, 0, 1, 2);
    panel->setColumnStretch(1, 1);

    m_DataGrid1 = new DataGrid(this);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_DataGrid1->setFont(displayFont);
    m_DataGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(displayFont).height() + 10);

    m_cmdAccept = button(this, "cmdAccept", QStringLiteral("Remove"));
    m_cmdDiscount = button(this, "cmdDiscount", QStringLiteral("Discount..."));
    m_cmdDiscount->setToolTip(QStringLiteral("Alt+D: a discount on the selected line"));
    m_lvButtons_H2 = button(this, "lvButtons_H2", QStringLiteral("Clear"));
    m_cmdOrder = button(this, "cmdOrder", QStringLiteral("Process"));
    m_cmdCancel = button(this, "cmdCancel", QStringLiteral("Close"));
    QFont buttonFont = displayFont;
    buttonFont.setBold(true);
    for (QPushButton* b : {m_cmdAccept, m_cmdDiscount, m_lvButtons_H2, m_cmdOrder, m_cmdCancel})
        b->setFont(buttonFont);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdAccept);
    buttons->addWidget(m_cmdDiscount);
    buttons->addWidget(m_lvButtons_H2);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOrder);
    buttons->addWidget(m_cmdCancel);

    auto* right = new QVBoxLayout;
    right->addWidget(totalPanel);
    right->addWidget(m_DataGrid1, 1);
    right->addLayout(buttons);

    m_Label7 = new QLabel(QStringLiteral("Shortcuts: Close = X        Process = Space Bar"), this);
    m_Label7->setObjectName(QStringLiteral("Label7"));

    m_TID = hiddenBox(this, "TID");
    m_Text1 = hiddenBox(this, "Text1");
    m_Text2 = hiddenBox(this, "Text2");
    m_Text4 = hiddenBox(this, "Text4");
    m_Text5 = hiddenBox(this, "Text5");

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 0);
    columns->addLayout(right, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(menuBar);
    outer->addLayout(columns, 1);
    outer->addWidget(m_Label7);

    resizeToScreen(this, QSize(1000, 680));
}

QString frmPOS::displayName() const
{
    return m_ctx.session().DisplayName();
}

QString frmPOS::domainName() const
{
    return m_ctx.session().DomainName();
}

bool frmPOS::isAdministrator() const
{
    return m_ctx.session().IsAdministrator();
}

void frmPOS::showEvent(QShowEvent* event)
{
    FormDialog::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    QTimer::singleShot(10, this, [this] {
        // 400 twips from the top of the screen (1440 twips to the inch), or higher where the
        // window would otherwise hang over the bottom of a small screen.
        const QRect area = screenArea(this);
        moveOnScreen(this, QPoint(frameGeometry().left(), area.top() + qRound(400.0 * logicalDpiY() / 1440.0)));
    });
}

void frmPOS::GetClient()
{
    // A shop may hold a hundred thousand names: they are read when the cashier reaches for the
    // picker (its focus, a click, a key, the wheel), not after every line rung up or voided.
    m_Combo1->setCurrentIndex(-1);
    m_namesStale = true;
}

void frmPOS::refreshNames()
{
    if (!m_namesStale)
        return;
    m_typedNames = m_cart.manyItems();
    if (m_typedNames) {
        m_typed.clear();
        listTypedNames();
        return;
    }
    QStringList names;
    if (!m_cart.itemNames(names) || names.isEmpty())
        return; // the list keeps what it held, and is asked for again next time
    m_namesStale = false;
    // Resetting the model costs time with a hundred thousand names; the list rarely changes.
    if (names != m_names->stringList())
        m_names->setStringList(names);
    m_Combo1->setCurrentIndex(-1);
}

void frmPOS::listTypedNames()
{
    QStringList names;
    if (!m_cart.itemNamesStartingWith(m_typed, Cart::kTypedNameList, names))
        return; // the list keeps what it held
    m_namesStale = false;
    m_names->setStringList(names);
    m_Combo1->setCurrentIndex(-1);
    m_Combo1->setPlaceholderText(m_typed.isEmpty() ? QStringLiteral("Pick an item by name") : m_typed);
}

bool frmPOS::typeIntoPicker(QKeyEvent* key)
{
    const QString text = key->text();
    // A space before any letter is still the key that takes the sale to payment.
    if (text == QLatin1String(" ") && m_typed.isEmpty())
        return false;
    if (key->key() == Qt::Key_Backspace && !m_typed.isEmpty())
        m_typed.chop(1);
    else if (key->key() == Qt::Key_Escape && !m_typed.isEmpty())
        m_typed.clear();
    else if (!text.isEmpty() && text.at(0).isPrint() && m_typed.size() < 100)
        m_typed += text;
    else
        return false;
    listTypedNames();
    if (!m_Combo1->view()->isVisible())
        m_Combo1->showPopup();
    return true;
}

void frmPOS::GetClient6()
{
    const QString next = m_cart.nextSaleNumber();
    if (!next.isEmpty())
        m_TID->setText(next);
    m_lblSaleNo->setText(m_TID->text().isEmpty() ? QString() : QStringLiteral("Sale No. ") + m_TID->text());
    const Credit credit = Returns(m_ctx.db, m_cart.till()).pendingCredit();
    m_lblCredit->setText(
        credit.amount > 0
            ? QStringLiteral("Credit of return No. %1: %2").arg(credit.returnsText(), Cents::text(credit.amount))
            : QString());
}

void frmPOS::ComputeCartTotal()
{
    m_lblAmt->setText(FormatText(m_cart.cartTotalText(), NumberPattern::Grouped2));
    // Discounts and tax beside the total, for a cart that has them.
    const QString summary = PricingStore(m_ctx.db, m_ctx.till).openSaleSummary(m_cart.nextSaleNumber());
    m_lblPricing->setText(summary);
    m_lblPricing->setVisible(!summary.isEmpty());
}

void frmPOS::reloadCart()
{
    m_adoLog1->setRecordSource(m_cart.cartSource(), {m_cart.till()});
    m_adoLog1->Refresh();
    ComputeCartTotal();
    m_Label6->setText(QStringLiteral("%1 ITEM(S)").arg(m_adoLog1->totalRowCount()));
    // Every column as wide as its contents; the name takes the room that is left.
    QHeaderView* header = m_DataGrid1->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    const int name = m_adoLog1->columnIndex(QStringLiteral("ItemName"));
    if (name >= 0)
        header->setSectionResizeMode(name, QHeaderView::Stretch);
    // The entry time matters to nobody at the till; a clicked line shows it on the name picker.
    const int dated = m_adoLog1->columnIndex(QStringLiteral("Dated"));
    if (dated >= 0)
        m_DataGrid1->hideColumnAt(dated);
}

void frmPOS::showLookedUpItem()
{
    const StockItem item = m_cart.lookupItem(m_txtItem->text());
    if (item.found()) {
        m_Titem->setText(item.name);
        m_Tavail->setText(item.availability);
        m_Tstock->setText(item.stocks);
        m_Tdesc->setText(item.description);
        m_Tprice->setText(item.price);
        m_tAmt->setText(lineAmountText(m_txtQuan->text(), item.price));
    } else {
        for (QLineEdit* field : {m_Titem, m_Tavail, m_Tstock, m_Tdesc, m_Tprice, m_tAmt})
            field->clear();
    }
    for (QLineEdit* field : {m_Titem, m_Tdesc})
        field->setCursorPosition(0);
}

void frmPOS::pickName(int index)
{
    const QString name = m_names->index(index).data().toString();
    m_txtItem->setText(index < 0 ? QString() : m_cart.itemNumberForName(name));
    m_txtQuan->setFocus();
    // The next name is typed afresh.
    if (m_typedNames) {
        m_typed.clear();
        m_namesStale = true;
    }
}

void frmPOS::addItem(AddBy by)
{
    // Enter on an empty item box is a scanner's double Enter or a stray key: nothing to add.
    if (by == AddBy::Enter && m_txtItem->text().isEmpty())
        return;
    Platform& p = m_ctx.platform;
    const AddResult r = m_cart.addLine(m_txtItem->text(), m_txtQuan->text(), m_TID->text(), m_lblCashier->text());
    QWidget* focus = m_txtItem;
    switch (r.outcome) {
    case AddOutcome::Added:
    case AddOutcome::Raised:
        break;
    case AddOutcome::UnknownCode:
        p.message(this, QStringLiteral("No item has number or barcode %1").arg(m_txtItem->text()),
                  QStringLiteral("Item Number"));
        break;
    case AddOutcome::Reserved:
        p.message(this, QStringLiteral("Cannot sell reserved item!"), QStringLiteral("Message"));
        break;
    case AddOutcome::OutOfStock:
        p.message(this, QStringLiteral("Item is out of Stock!"), QStringLiteral("Message"));
        break;
    case AddOutcome::Exceeded:
        p.message(this, QStringLiteral("Item quantity exceeded the current stock!\r\nCheck the remaining item Stock"),
                  QStringLiteral("Exceeded!"));
        break;
    case AddOutcome::NoItem:
        p.message(this, QStringLiteral("Input Item Number"), QStringLiteral("Item Number"));
        break;
    case AddOutcome::NoQuantity:
        p.message(this, QStringLiteral("Input Quantity"));
        focus = m_txtQuan;
        break;
    case AddOutcome::BelowOne:
        break;
    case AddOutcome::Listed:
        p.message(this, QStringLiteral("Item listed already!"), Platform::applicationTitle(), QMessageBox::Ok,
                  QMessageBox::Warning);
        break;
    case AddOutcome::BadPrice:
        p.message(this,
                  QStringLiteral("%1 (item %2) cannot be sold: its price is not a valid price.\n"
                                 "Correct the item's price in Registration.")
                      .arg(r.item.name, r.item.number),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        break;
    case AddOutcome::TooLarge:
        p.message(this,
                  QStringLiteral("%1 (item %2) was not added: the amount, or the cart's total with it, is too large "
                                 "to be charged.\nCheck the quantity.")
                      .arg(r.item.name, r.item.number),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        focus = m_txtQuan;
        break;
    case AddOutcome::NoSettings:
        p.message(this,
                  QStringLiteral("The item was not added: the settings row is missing from tblMain, so no sale "
                                 "number can be issued."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        break;
    case AddOutcome::WriteFailed:
        p.writeFailed(this,
                      QStringLiteral("The item was not added: the cart, the stock and the sold items are unchanged."),
                      r.error);
        break;
    }
    if (r.outcome != AddOutcome::Added && r.outcome != AddOutcome::Raised) {
        showLookedUpItem(); // the refusal may rest on a stock changed since it was shown
        focus->setFocus();
        if (focus == m_txtItem)
            m_txtItem->selectAll(); // the next scan replaces the refused number
        return;
    }
    if (!r.noteError.isEmpty())
        p.writeFailed(this, r.noteError, r.noteDetail);
    if (r.ranOut)
        m_ctx.notificationsChanged();
    reloadCart();
    GetClient();
    GetClient6();
    m_txtItem->clear();
    // A scan is one unit unless the cashier says otherwise: the quantity typed for a line
    // added by Enter does not carry over to the next scan. The Add button keeps it.
    if (by == AddBy::Enter)
        m_txtQuan->setText(QStringLiteral("1"));
    showLookedUpItem();
    m_txtItem->setFocus();
}

void frmPOS::selectLine(int row)
{
    if (row < 0 || row >= m_adoLog1->rowCount())
        return;
    m_txtItem->setText(m_adoLog1->value(row, QStringLiteral("ItemNumber")).toString());
    m_itemFromLine = true;
    m_selectionMark = m_adoLog1->value(row, QStringLiteral("ItemName")).toString();
    m_Combo1->setToolTip(m_adoLog1->value(row, QStringLiteral("Dated")).toString());
}

void frmPOS::removeLine()
{
    Platform& p = m_ctx.platform;
    const int row = m_adoLog1->currentRow();
    if (m_selectionMark.isEmpty() || row < 0) {
        p.message(this, QStringLiteral("Select item to remove."), QStringLiteral("Select"));
        return;
    }
    const QString question = QStringLiteral("      Remove ") + m_Text2->text() + QStringLiteral("?      \r\n\r\n") +
                             QStringLiteral("      Quantity: ") + m_Text4->text() + QStringLiteral("\r\n") +
                             QStringLiteral("      Item Number:") + m_Text1->text();
    if (!p.ask(this, question, QStringLiteral("Remove")))
        return;
    const RemoveResult r = m_cart.removeLine(m_adoLog1->rowId(row), m_TID->text(), displayName(), domainName());
    if (r.outcome == RemoveOutcome::WriteFailed) {
        p.writeFailed(this,
                      QStringLiteral("The line was not removed: the cart, the stock and the sold items are unchanged."),
                      r.error);
        return;
    }
    if (r.outcome == RemoveOutcome::Gone)
        p.message(this, QStringLiteral("That line is no longer in the cart."), QStringLiteral("Remove"));
    if (!r.noteError.isEmpty())
        p.writeFailed(this, r.noteError, r.noteDetail);
    if (r.outcome == RemoveOutcome::Removed)
        m_ctx.notificationsChanged();
    reloadCart();
    GetClient();
    GetClient6();
    m_txtItem->clear();
    m_selectionMark.clear();
    m_Combo1->setToolTip(QString());
    showLookedUpItem();
    m_txtItem->setFocus();
}

void frmPOS::discountLine()
{
    const int row = m_adoLog1->currentRow();
    if (m_selectionMark.isEmpty() || row < 0) {
        m_ctx.platform.message(this, QStringLiteral("Select the line to discount."), QStringLiteral("Discount"));
        return;
    }
    const QString item = m_adoLog1->value(row, QStringLiteral("ItemNumber")).toString();
    const QString what =
        QStringLiteral("%1 x %2, %3")
            .arg(m_adoLog1->value(row, QStringLiteral("itemQuantity")).toString(),
                 m_adoLog1->value(row, QStringLiteral("ItemName")).toString(),
                 FormatText(m_adoLog1->value(row, QStringLiteral("itemAmount")).toString(), NumberPattern::Grouped2));
    frmDiscount discount(m_ctx, m_cart.nextSaleNumber(), item, what, this);
    if (m_ctx.platform.showModal(discount) == QDialog::Accepted)
        ComputeCartTotal();
    m_txtItem->setFocus();
}

void frmPOS::clearCart()
{
    if (m_ctx.platform.ask(this, QStringLiteral("Clear Menu?"), QStringLiteral("Confirm"))) {
        QString error;
        if (!m_cart.clearCart(m_TID->text(), &error)) {
            m_ctx.platform.writeFailed(this, QStringLiteral("The cart was not cleared: nothing was changed."), error);
            return;
        }
    }
    closeWindow(FormDialog::Reopen);
}

void frmPOS::closeSales()
{
    if (m_ctx.platform.ask(this, QStringLiteral("Close Sales Menu?"), QStringLiteral("Close")))
        closeWindow();
}

void frmPOS::processSale()
{
    if (m_adoLog1->totalRowCount() == 0) {
        m_ctx.platform.message(this, QStringLiteral("Cannot process empty list!"), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    // A total too large to add up, or below zero (only old lines can give one), is not paid.
    if (const TotalProblem problem = totalProblem(m_cart.cartTotalText()); problem != TotalProblem::None) {
        m_ctx.platform.message(this, totalProblemText(problem), Platform::applicationTitle(), QMessageBox::Ok,
                               QMessageBox::Warning);
        return;
    }
    frmTotal total(m_ctx, m_lblAmt->text(), m_TID->text(), m_lblCashier->text(), this);
    const int result = m_ctx.platform.showModal(total);
    if (result == QDialog::Accepted || result == FormDialog::Reopen) {
        closeWindow(FormDialog::Reopen);
        return;
    }
    m_txtItem->setFocus();
}

void frmPOS::openInventory()
{
    stepAsideFor([this] { return m_ctx.windows->createInventory(this); });
    // Stock may have been adjusted meanwhile.
    reloadCart();
    showLookedUpItem();
}

void frmPOS::openSalesLedger()
{
    if (!isAdministrator())
        return;
    stepAsideFor([this] { return m_ctx.windows->createSales(this); });
}

void frmPOS::reprintReceipt()
{
    ReceiptStore store(m_ctx.db, m_cart.till());
    if (const auto last = store.lastSale())
        printReceipt(m_ctx, this, *last, store.settings().paper);
    else
        m_ctx.platform.message(this, QStringLiteral("No sale has been completed at this till yet."),
                               QStringLiteral("Reprint Last Receipt"));
    m_txtItem->setFocus();
}

void frmPOS::findSale()
{
    stepAsideFor([this] { return std::make_unique<frmFindSale>(m_ctx, this); });
    // Goods taken back to stock change what the item boxes show; an exchange leaves a credit.
    showLookedUpItem();
    GetClient6();
}

void frmPOS::tillCommand(const QString& command)
{
    const bool roll = ReceiptStore(m_ctx.db, m_cart.till()).settings().paper == ReceiptPaper::Roll80;
    const QString who = m_lblCashier->text();
    if (command == u"open") {
        frmOpenTill window(m_ctx, who, this);
        m_ctx.platform.showModal(window);
    } else if (command == u"cash") {
        frmCashMove window(m_ctx, who, this);
        m_ctx.platform.showModal(window);
    } else if (command == u"zlist") {
        if (isAdministrator()) {
            frmZReports window(m_ctx, roll, this);
            m_ctx.platform.showModal(window);
        }
    } else if (command == u"z" && m_cart.lineCount() > 0) {
        m_ctx.platform.message(this, QStringLiteral("The cart holds lines: finish or clear the sale before the Z."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
    } else {
        frmTillReport window(m_ctx, command == u"x" ? frmTillReport::Kind::X : frmTillReport::Kind::Z, who, roll, this);
        if (window.ready())
            m_ctx.platform.showModal(window);
    }
    m_txtItem->setFocus();
}

void frmPOS::stepAsideFor(const std::function<std::unique_ptr<FormDialog>()>& create)
{
    // The window stays open while hidden (its wait goes on), so the sale in progress comes
    // back as it was: cart, total, sale number and the field the cashier was in.
    const QPointer<QWidget> focus = focusWidget();
    hide();
    int result;
    do {
        const std::unique_ptr<FormDialog> window = create();
        result = m_ctx.platform.showModal(*window);
    } while (result == FormDialog::Reopen);
    show();
    raise();
    activateWindow();
    (focus ? focus.data() : m_txtItem)->setFocus();
}

void frmPOS::updateReportGate()
{
    m_sale->setEnabled(isAdministrator());
    m_zReports->setEnabled(isAdministrator());
    m_inv->setEnabled(true);
}

void frmPOS::keyPressEvent(QKeyEvent* event)
{
    // Keys typed while no field has the focus; the fields' keys went through eventFilter.
    QWidget* focus = focusWidget();
    if (!focus || focus == this) {
        if (event->text() == QLatin1String(" "))
            processSale();
        else if (event->text() == QLatin1String("x") || event->text() == QLatin1String("X"))
            closeSales();
    }
    FormDialog::keyPressEvent(event);
}

bool frmPOS::cartGridKey(QKeyEvent* key)
{
    if (key->key() == Qt::Key_Delete) {
        removeLine();
        return true;
    }
    // A scan (or typed number) while the cart list has the focus belongs to the item box; it
    // replaces the number that selecting a line put there.
    const QString text = key->text();
    if (text.isEmpty() || !NumericKeyFilter::passes(text.at(0)) || text.at(0) == QChar(8))
        return false;
    if (m_itemFromLine) {
        m_txtItem->clear();
        m_itemFromLine = false;
    }
    m_txtItem->setFocus(Qt::OtherFocusReason);
    m_txtItem->deselect();
    m_txtItem->end(false);
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), text, key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(m_txtItem, &copy);
    return true;
}

bool frmPOS::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_Combo1) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::Wheel:
            refreshNames();
            break;
        default:
            break;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_txtQuan) {
        m_txtQuan->clear();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return FormDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // A scanner types the number and then Enter.
    if (isEnter(key) && (watched == m_txtItem || watched == m_txtQuan)) {
        addItem(AddBy::Enter);
        return true;
    }
    // A large shop's picker finds names by the letters typed into it (a space among them).
    if (m_typedNames && (watched == m_Combo1 || watched == m_Combo1->view()) && typeIntoPicker(key))
        return true;
    const QString text = key->text();
    if (text == QLatin1String(" "))
        processSale();
    else if (text == QLatin1String("x") || text == QLatin1String("X"))
        closeSales();
    else if (watched == m_DataGrid1)
        return cartGridKey(key);
    // The key goes on to the field. The name picker takes no typing: a name can only be picked.
    if ((watched == m_Combo1 || watched == m_Combo1->view()) && !text.isEmpty() && text.at(0).isPrint())
        return true;
    return false;
}
