#include "registration/frmReg.h"

#include "catalog/BarcodeStore.h"
#include "catalog/frmLabels.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "pricing/PricingStore.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "platform/WorkProgressDialog.h"
#include "registration/RegistrationData.h"
#include "registration/frmImport.h"
#include "session/AppContext.h"
#include "session/Credentials.h"
#include "session/SessionState.h"
#include "session/frmPassword.h"

#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using RegistrationData::kDescriptionLimit;
using RegistrationData::kTextLimit;

const QString kCrLf = QStringLiteral("\r\n");

const QString kEditHint =
    QStringLiteral("To Edit: Click the Row of the Selected client and Edit thoroughly/directly. Refresh.");
const QString kDeleteHint = QStringLiteral("To Delete: Click a client and Press DEL on your Keyboard. Refresh.");

// A box's length that no typed or pasted text reaches (QLineEdit's own).
constexpr int kUncutLength = 32767;

QLineEdit* lineEdit(const QString& name, QWidget* parent, int limit = kTextLimit)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(limit);
    return edit;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Enter in a box must never press a button (least of all "Close"): no default buttons.
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setMinimumWidth(96);
    return b;
}

QLabel* hint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: palette(dark);"));
    return label;
}

QLabel* panelTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    label->setFont(f);
    return label;
}

} // namespace

frmReg::frmReg(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmReg"));
    setWindowTitle(QStringLiteral("Registration"));

    // The three data controls, in this order: employees, items, the journal.
    m_adoLog1 = new DataControl(m_ctx.db, this);
    m_adoLog1->setObjectName(QStringLiteral("adoLog1"));
    m_adoLog1->setRecordSource(RegistrationData::employeesStatement());
    m_adoLog1->setEditable(true);
    m_adoLog1->setEditCheck([this](qint64 rowId, const QString& column, const QVariant& value) {
        return RegistrationData::employeeEditRefusal(m_ctx.db, rowId, column, value);
    });
    m_adoLog1->Refresh();
    m_AdoLog2 = new DataControl(m_ctx.db, this);
    m_AdoLog2->setObjectName(QStringLiteral("AdoLog2"));
    m_AdoLog2->setRecordSource(itemsWithBarcodesSource());
    m_AdoLog2->setEditable(true);
    m_AdoLog2->setEditCheck([this](qint64 rowId, const QString& column, const QVariant& value) {
        return RegistrationData::itemEditRefusal(m_ctx.db, rowId, column, value);
    });
    m_AdoLog2->setEditForm(&RegistrationData::itemEditForm);
    m_AdoLog2->setEditFollow([this](qint64 rowId, const QString& column, const QVariant& value) {
        return RegistrationData::itemEditFollow(m_ctx.db, rowId, column, value);
    });
    m_AdoLog2->Refresh();
    m_AdoLog2->setReadOnlyColumn(m_AdoLog2->columnIndex(QStringLiteral("Barcodes")));
    m_AdoLog2->setUnsortedColumn(QStringLiteral("Barcodes"));
    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoNot->setObjectName(QStringLiteral("adoNot"));
    m_adoNot->setRecordSource(NotificationsStatement());
    m_adoNot->Refresh();

    buildWindow();
    fillTaxRates();

    // The registration date is the day the window was opened.
    m_txtClientReg->setText(DateText());
    GetClient();
    GetClient1();

    updateViewButtons();
    connect(&m_ctx.session(), &SessionState::changed, this, &frmReg::updateViewButtons);
}

frmReg::~frmReg() = default;

// ---------------------------------------------------------------------------------------------
// Layout

void frmReg::buildWindow()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(14, 14, 14, 12);
    root->setSpacing(10);

    m_pages = new QStackedWidget(this);
    auto* forms = new QWidget(m_pages);
    auto* halves = new QHBoxLayout(forms);
    halves->setContentsMargins(0, 0, 0, 0);
    halves->setSpacing(14);
    halves->addWidget(buildEmployeeHalf(), 1);
    halves->addWidget(buildItemHalf(), 1);
    m_pages->addWidget(forms);
    m_pages->addWidget(buildEmployeePanel());
    m_pages->addWidget(buildItemPanel());
    root->addWidget(m_pages, 1);

    m_lblNot = new QLabel(this);
    m_lblNot->setObjectName(QStringLiteral("lblNot"));
    m_lblNot->setStyleSheet(QStringLiteral("QLabel#lblNot { border: 1px solid palette(mid); border-radius: 3px;"
                                           " background: palette(base); padding: 3px 8px; }"));
    QFont statusFont = m_lblNot->font();
    statusFont.setBold(true);
    m_lblNot->setFont(statusFont);

    m_cmdAccept = button(QStringLiteral("cmdAccept"), QStringLiteral("Close"), this);
    connect(m_cmdAccept, &QPushButton::clicked, this, [this] { closeWindow(); });

    // The status line and the window's own Close belong to the forms; a list panel has its own
    // Close, so the row is out of the way while a panel is shown.
    m_statusRow = new QWidget(this);
    auto* bottom = new QHBoxLayout(m_statusRow);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(m_lblNot, 1);
    bottom->addSpacing(10);
    bottom->addWidget(m_cmdAccept);
    root->addWidget(m_statusRow);

    hidePanels();
    setMinimumSize(860, 460);
    resizeToScreen(this, QSize(940, 500));
}

QWidget* frmReg::buildEmployeeHalf()
{
    auto* group = new QGroupBox(QStringLiteral("Employee Registration"), this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(9);

    m_txtLast = lineEdit(QStringLiteral("txtLast"), group);
    m_txtFirst = lineEdit(QStringLiteral("txtFirst"), group);
    m_txtMid = lineEdit(QStringLiteral("txtMid"), group);

    // Gender and position can only be picked from their lists: typed keys are discarded.
    m_txtGen = new QComboBox(group);
    m_txtGen->setObjectName(QStringLiteral("txtGen"));
    m_txtGen->addItems({QStringLiteral("Male"), QStringLiteral("Female")});
    m_txtGen->setCurrentIndex(-1);
    m_txtGen->installEventFilter(this);
    m_txtPos = new QComboBox(group);
    m_txtPos->setObjectName(QStringLiteral("txtPos"));
    m_txtPos->addItems({QStringLiteral("Attendant"), QStringLiteral("Cashier"), QStringLiteral("Employee"),
                        QStringLiteral("Manager"), QStringLiteral("Supervisor")});
    m_txtPos->setCurrentIndex(-1);
    m_txtPos->installEventFilter(this);

    m_txtEmpId = lineEdit(QStringLiteral("txtEmpId"), group);
    m_txtEmpId->setReadOnly(true);
    m_txtEmpId->setFocusPolicy(Qt::ClickFocus);
    // Never cut short: a password longer than a row takes is refused on registering.
    m_txtPass = lineEdit(QStringLiteral("txtPass"), group, kUncutLength);
    m_txtPass->setEchoMode(QLineEdit::Password);
    m_txtClientReg = new QLineEdit(group);
    m_txtClientReg->setObjectName(QStringLiteral("txtClientReg"));
    m_txtClientReg->setReadOnly(true);
    m_txtClientReg->hide();

    form->addRow(QStringLiteral("Employee ID"), m_txtEmpId);
    form->addRow(QStringLiteral("Last Name"), m_txtLast);
    form->addRow(QStringLiteral("First Name"), m_txtFirst);
    form->addRow(QStringLiteral("Middle Name"), m_txtMid);
    form->addRow(QStringLiteral("Gender"), m_txtGen);
    form->addRow(QStringLiteral("Position"), m_txtPos);
    form->addRow(QStringLiteral("Password:"), m_txtPass);

    m_cmdClientReg = button(QStringLiteral("cmdClientReg"), QStringLiteral("Register"), group);
    m_cmdClient = button(QStringLiteral("cmdClient"), QStringLiteral("View"), group);
    connect(m_cmdClientReg, &QPushButton::clicked, this, &frmReg::cmdClientReg_Click);
    connect(m_cmdClient, &QPushButton::clicked, this, &frmReg::cmdClient_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdClient);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdClientReg);

    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(14, 16, 14, 12);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch(1);
    layout->addWidget(m_txtClientReg);

    setTabOrder(m_txtLast, m_txtFirst);
    setTabOrder(m_txtFirst, m_txtMid);
    setTabOrder(m_txtMid, m_txtGen);
    setTabOrder(m_txtGen, m_txtPos);
    setTabOrder(m_txtPos, m_txtPass);
    setTabOrder(m_txtPass, m_cmdClientReg);
    return group;
}

QWidget* frmReg::buildItemHalf()
{
    auto* group = new QGroupBox(QStringLiteral("Item Registration"), this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(9);

    m_txtItem = lineEdit(QStringLiteral("txtItem"), group);
    m_txtItem->setReadOnly(true);
    m_txtItem->setFocusPolicy(Qt::ClickFocus);
    m_txtItemname = lineEdit(QStringLiteral("txtItemname"), group);
    m_txtPrice = lineEdit(QStringLiteral("txtPrice"), group);
    m_txtDesc = new QPlainTextEdit(group);
    m_txtDesc->setObjectName(QStringLiteral("txtDesc"));
    m_txtDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtDesc->setTabChangesFocus(true);
    m_txtDesc->setFixedHeight(m_txtDesc->fontMetrics().lineSpacing() * 4 + 12);
    connect(m_txtDesc, &QPlainTextEdit::textChanged, this, &frmReg::txtDesc_Change);
    m_txtBrand = lineEdit(QStringLiteral("txtBrand"), group);
    m_txtStocks = lineEdit(QStringLiteral("txtStocks"), group);
    // Availability may be typed or picked; registration replaces it by the stock rule anyway.
    m_txtAvail = new QComboBox(group);
    m_txtAvail->setObjectName(QStringLiteral("txtAvail"));
    m_txtAvail->setEditable(true);
    m_txtAvail->setInsertPolicy(QComboBox::NoInsert);
    m_txtAvail->addItems({QStringLiteral("Available"), QStringLiteral("Out of Stock"), QStringLiteral("Reserved")});
    m_txtAvail->setCurrentIndex(-1);
    m_txtAvail->lineEdit()->setMaxLength(kTextLimit);

    form->addRow(QStringLiteral("Item Number"), m_txtItem);
    form->addRow(QStringLiteral("Item Name"), m_txtItemname);
    form->addRow(QStringLiteral("Price"), m_txtPrice);
    form->addRow(QStringLiteral("Description"), m_txtDesc);
    form->addRow(QStringLiteral("Brand"), m_txtBrand);
    form->addRow(QStringLiteral("Stocks"), m_txtStocks);
    form->addRow(QStringLiteral("Availability"), m_txtAvail);
    m_cboTaxRate = new QComboBox(group);
    m_cboTaxRate->setObjectName(QStringLiteral("cboTaxRate"));
    m_lblTaxRate = new QLabel(QStringLiteral("Tax rate"), group);
    form->addRow(m_lblTaxRate, m_cboTaxRate);
    // The maker's barcode, when the item has one: the till finds the item by it as by its number.
    m_txtBarcode = lineEdit(QStringLiteral("txtBarcode"), group);
    m_txtBarcode->setMaxLength(Barcode::kMaxLength + 1);
    form->addRow(QStringLiteral("Barcode"), m_txtBarcode);

    m_cmdItemReg = button(QStringLiteral("cmdItemReg"), QStringLiteral("Register"), group);
    m_cmdItem = button(QStringLiteral("cmdItem"), QStringLiteral("View"), group);
    connect(m_cmdItemReg, &QPushButton::clicked, this, &frmReg::cmdItemReg_Click);
    connect(m_cmdItem, &QPushButton::clicked, this, &frmReg::cmdItem_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdItem);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdItemReg);

    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(14, 16, 14, 12);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch(1);

    setTabOrder(m_txtItemname, m_txtPrice);
    setTabOrder(m_txtPrice, m_txtDesc);
    setTabOrder(m_txtDesc, m_txtBrand);
    setTabOrder(m_txtBrand, m_txtStocks);
    setTabOrder(m_txtStocks, m_txtAvail);
    setTabOrder(m_txtAvail, m_txtBarcode);
    setTabOrder(m_txtBarcode, m_cmdItemReg);
    return group;
}

QWidget* frmReg::buildEmployeePanel()
{
    m_Picture1 = new QFrame(this);
    m_Picture1->setObjectName(QStringLiteral("Picture1"));

    m_txtSearch1 = new QLineEdit(m_Picture1);
    m_txtSearch1->setObjectName(QStringLiteral("txtSearch1"));
    m_txtSearch1->setClearButtonEnabled(true);
    m_Label16 = new QLabel(QStringLiteral("0"), m_Picture1);
    m_Label16->setObjectName(QStringLiteral("Label16"));
    m_Label16->setMinimumWidth(48);

    m_DataGrid1 = new DataGrid(m_Picture1);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));

    m_Check1 = new QCheckBox(QStringLiteral("Show user password"), m_Picture1);
    m_Check1->setObjectName(QStringLiteral("Check1"));
    m_Text1 = new QLineEdit(m_Picture1);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setReadOnly(true);
    m_Text1->setEchoMode(QLineEdit::Password);
    m_Text1->setMinimumWidth(200);
    m_Text1->hide();

    auto* password = button(QStringLiteral("cmdChangePassword"), QStringLiteral("Change Password..."), m_Picture1);
    auto* refresh = button(QStringLiteral("lvButtons_H4"), QStringLiteral("Refresh"), m_Picture1);
    auto* close = button(QStringLiteral("lvButtons_H1"), QStringLiteral("Close"), m_Picture1);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("SEARCH CLIENT NAME:"), m_Picture1));
    search->addWidget(m_txtSearch1, 1);
    search->addSpacing(24);
    search->addWidget(new QLabel(QStringLiteral("Client(s):"), m_Picture1));
    search->addWidget(m_Label16);

    auto* exportList = ListExport::gridButton(QStringLiteral("cmdExport1"), m_Picture1, this, m_ctx.platform,
                                              m_DataGrid1, m_adoLog1, QStringLiteral("Employees"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_Check1);
    bottom->addWidget(m_Text1);
    bottom->addStretch(1);
    bottom->addWidget(password);
    bottom->addWidget(exportList);
    bottom->addWidget(refresh);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(m_Picture1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panelTitle(QStringLiteral("Registered Employees"), m_Picture1));
    layout->addLayout(search);
    layout->addWidget(m_DataGrid1, 1);
    layout->addWidget(hint(kEditHint, m_Picture1));
    layout->addWidget(hint(kDeleteHint, m_Picture1));
    layout->addLayout(bottom);

    bindGrid(m_DataGrid1, m_adoLog1, true, [this](const QString& error) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The employee was not deleted."), error);
    });
    connect(m_adoLog1, &DataControl::writeFailed, this, [this](const QString& error) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The change to the employee was not saved."), error);
    });
    connect(m_adoLog1, &DataControl::writeRefused, this, &frmReg::editRefused, Qt::QueuedConnection);
    bindField(m_Text1, m_adoLog1, QStringLiteral("Password"));
    connect(m_adoLog1, &QAbstractItemModel::modelReset, this, &frmReg::updateEmployeeList);
    connect(m_adoLog1, &QAbstractItemModel::rowsInserted, this, &frmReg::updateEmployeeList);
    connect(m_adoLog1, &QAbstractItemModel::rowsRemoved, this, &frmReg::updateEmployeeList);
    // A deletion settles the row count only when it announces the new current row.
    connect(m_adoLog1, &DataControl::currentRowChanged, this, &frmReg::updateEmployeeList);
    updateEmployeeList();

    connect(m_txtSearch1, &QLineEdit::textChanged, this, &frmReg::txtSearch1_Change);
    connect(m_Check1, &QCheckBox::toggled, this, &frmReg::Check1_Click);
    connect(password, &QPushButton::clicked, this, &frmReg::changeEmployeePassword);
    connect(refresh, &QPushButton::clicked, this, &frmReg::lvButtons_H4_Click);
    connect(close, &QPushButton::clicked, this, &frmReg::hidePanels);
    return m_Picture1;
}

QWidget* frmReg::buildItemPanel()
{
    m_Picture2 = new QFrame(this);
    m_Picture2->setObjectName(QStringLiteral("Picture2"));

    m_txtSearch2 = new QLineEdit(m_Picture2);
    m_txtSearch2->setObjectName(QStringLiteral("txtSearch2"));
    m_txtSearch2->setClearButtonEnabled(true);
    m_Label21 = new QLabel(QStringLiteral("0"), m_Picture2);
    m_Label21->setObjectName(QStringLiteral("Label21"));
    m_Label21->setMinimumWidth(48);

    m_DataGrid2 = new DataGrid(m_Picture2);
    m_DataGrid2->setObjectName(QStringLiteral("DataGrid2"));

    auto* refresh = button(QStringLiteral("lvButtons_H3"), QStringLiteral("Refresh"), m_Picture2);
    auto* close = button(QStringLiteral("lvButtons_H2"), QStringLiteral("Close"), m_Picture2);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("SEARCH ITEM NAME:"), m_Picture2));
    search->addWidget(m_txtSearch2, 1);
    search->addSpacing(24);
    search->addWidget(new QLabel(QStringLiteral("Item(s):"), m_Picture2));
    search->addWidget(m_Label21);

    m_cmdImport = button(QStringLiteral("cmdImport"), QStringLiteral("Import..."), m_Picture2);
    m_cmdImport->setToolTip(QStringLiteral("Register the items of a CSV file saved from a spreadsheet"));
    connect(m_cmdImport, &QPushButton::clicked, this, &frmReg::cmdImport_Click);
    auto* exportList = ListExport::gridButton(QStringLiteral("cmdExport2"), m_Picture2, this, m_ctx.platform,
                                              m_DataGrid2, m_AdoLog2, QStringLiteral("Items"));

    // Labels for the items selected in the list (Ctrl or Shift and a click select several).
    m_DataGrid2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* labels = button(QStringLiteral("cmdLabels"), QStringLiteral("Print Labels..."), m_Picture2);
    labels->setToolTip(QStringLiteral("Print shelf labels with barcodes for the selected items"));
    connect(labels, &QPushButton::clicked, this, &frmReg::cmdLabels_Click);
    m_cmdItemRate = button(QStringLiteral("cmdItemRate"), QStringLiteral("Give Tax Rate"), m_Picture2);
    m_cmdItemRate->setToolTip(QStringLiteral("Give the selected items the rate chosen in the Tax rate box"));
    connect(m_cmdItemRate, &QPushButton::clicked, this, &frmReg::cmdItemRate_Click);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cmdImport);
    bottom->addWidget(exportList);
    bottom->addWidget(labels);
    bottom->addWidget(m_cmdItemRate);
    bottom->addStretch(1);
    bottom->addWidget(refresh);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(m_Picture2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panelTitle(QStringLiteral("Registered Items"), m_Picture2));
    layout->addLayout(search);
    layout->addWidget(m_DataGrid2, 1);
    layout->addWidget(hint(kEditHint, m_Picture2));
    layout->addWidget(hint(kDeleteHint, m_Picture2));
    layout->addLayout(bottom);

    bindGrid(m_DataGrid2, m_AdoLog2, true, [this](const QString& error) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The item was not deleted."), error);
    });
    connect(m_AdoLog2, &DataControl::writeFailed, this, [this](const QString& error) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The change to the item was not saved."), error);
    });
    connect(m_AdoLog2, &DataControl::writeRefused, this, &frmReg::editRefused, Qt::QueuedConnection);
    connect(m_AdoLog2, &QAbstractItemModel::modelReset, this, &frmReg::updateItemList);
    connect(m_AdoLog2, &QAbstractItemModel::rowsInserted, this, &frmReg::updateItemList);
    connect(m_AdoLog2, &QAbstractItemModel::rowsRemoved, this, &frmReg::updateItemList);
    connect(m_AdoLog2, &DataControl::currentRowChanged, this, &frmReg::updateItemList);
    updateItemList();

    connect(m_txtSearch2, &QLineEdit::textChanged, this, &frmReg::txtSearch2_Change);
    connect(refresh, &QPushButton::clicked, this, &frmReg::lvButtons_H3_Click);
    connect(close, &QPushButton::clicked, this, &frmReg::hidePanels);
    return m_Picture2;
}

// ---------------------------------------------------------------------------------------------
// Typing rules

bool frmReg::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_txtGen || watched == m_txtPos) && event->type() == QEvent::KeyPress) {
        // Character keys would type into (or search) the list: discard them. Keys without a
        // character (arrows, F4, Alt+Down) still pick from the list; Tab still moves on.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool focusKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!key->text().isEmpty() && !focusKey)
            return true;
    }
    return FormDialog::eventFilter(watched, event);
}

void frmReg::txtDesc_Change()
{
    // The description holds at most 100 characters: what goes beyond is dropped from what
    // was just typed or pasted (just before the cursor), so the text already there stays.
    const QString text = m_txtDesc->toPlainText();
    const qsizetype excess = text.size() - kDescriptionLimit;
    if (excess <= 0)
        return;
    QTextCursor cursor = m_txtDesc->textCursor();
    int end = cursor.position();
    int start = end - static_cast<int>(excess);
    if (start < 0) {
        start = kDescriptionLimit;
        end = static_cast<int>(text.size());
    }
    if (start > 0 && text.at(start).isLowSurrogate())
        --start; // never split a character in two
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_txtDesc->setTextCursor(cursor);
}

// ---------------------------------------------------------------------------------------------
// Counters

void frmReg::GetClient()
{
    nextNumber(RegistrationData::Counter::Employee, m_txtEmpId);
}

void frmReg::GetClient1()
{
    nextNumber(RegistrationData::Counter::Item, m_txtItem);
}

void frmReg::nextNumber(RegistrationData::Counter counter, QLineEdit* box)
{
    // A proposal only: the number is issued again when the row is stored. When tblMain cannot
    // be read the box keeps what it shows.
    if (const auto number = RegistrationData::nextNumber(m_ctx.db, counter))
        box->setText(*number);
}

// ---------------------------------------------------------------------------------------------
// Employee registration

void frmReg::cmdClientReg_Click()
{
    if (m_txtLast->text().isEmpty())
        return prompt(QStringLiteral("Input Last Name"), m_txtLast);
    if (m_txtFirst->text().isEmpty())
        return prompt(QStringLiteral("Input First Name"), m_txtFirst);
    if (m_txtGen->currentText().isEmpty())
        return prompt(QStringLiteral("Select Gender"), m_txtGen);
    if (m_txtPos->currentText().isEmpty())
        return prompt(QStringLiteral("Select Employee Position"), m_txtPos);
    if (m_txtPass->text().isEmpty())
        return prompt(QStringLiteral("Input Password"), m_txtPass);
    if (const QString refused = Credentials::passwordRefusal(Credentials::Kind::Employee, m_txtPass->text(),
                                                             QStringLiteral("The Password"));
        !refused.isEmpty())
        return prompt(refused, m_txtPass);

    const QString id = m_txtEmpId->text();
    const QString name =
        m_txtFirst->text() + QLatin1Char(' ') + m_txtMid->text() + QLatin1Char(' ') + m_txtLast->text();
    const QStringList confirmation{QStringLiteral("Is this entry Correct?"),
                                   QString(),
                                   QStringLiteral("DETAILS"),
                                   QStringLiteral("Name: ") + name,
                                   QStringLiteral("ID: ") + id,
                                   QStringLiteral("Gender: ") + m_txtGen->currentText(),
                                   QStringLiteral("Position: ") + m_txtPos->currentText()};
    if (!m_ctx.platform.ask(this, confirmation.join(kCrLf), QStringLiteral("Verify"), QMessageBox::Information))
        return;

    const RegistrationData::Stored stored = RegistrationData::storeEmployee(
        m_ctx.db, {name, m_txtGen->currentText(), m_txtPos->currentText(), m_txtClientReg->text(), m_txtPass->text()});
    if (!stored.number) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The employee was not registered."), stored.error);
        return;
    }
    const QString issued = *stored.number;
    m_adoLog1->Refresh();

    postNotification(
        NoteTitle::NewClientRegistration,
        NotificationSentence(displayName(), QStringLiteral(" registered a new employee using "), domainName()) +
            DetailsBlock({{QStringLiteral("ID: "), issued}, {QStringLiteral("Name: "), name}}));

    m_ctx.platform.message(this, QStringLiteral("Client has been registered successfully!"),
                           QStringLiteral("Registered!"), QMessageBox::Ok, QMessageBox::Information);

    // The password stays, so several employees can be given the same first password.
    m_txtEmpId->clear();
    m_txtLast->clear();
    m_txtFirst->clear();
    m_txtMid->clear();
    m_txtGen->setCurrentIndex(-1);
    m_txtPos->setCurrentIndex(-1);
    GetClient();
    m_txtLast->setFocus();
    // Another copy may have taken the number shown meanwhile: then the one used is said.
    m_lblNot->setText(issued == id ? QStringLiteral("Client Registered!")
                                   : QStringLiteral("Client Registered under Employee ID %1!").arg(issued));
}

// ---------------------------------------------------------------------------------------------
// Item registration

void frmReg::cmdItemReg_Click()
{
    if (m_txtItemname->text().isEmpty())
        return prompt(QStringLiteral("Enter Item name"), m_txtItemname);
    // A price is a number the till can charge: 0 or more, below the price limit, read with the
    // system's number format; a separator out of place is refused, never read as another number.
    const std::optional<double> price = ReadTypedPrice(m_txtPrice->text()).value;
    if (!price)
        return prompt(QStringLiteral("Set Item price"), m_txtPrice);
    if (m_txtDesc->toPlainText().isEmpty())
        return prompt(QStringLiteral("Enter item description!"), m_txtDesc);
    if (m_txtBrand->text().isEmpty())
        return prompt(QStringLiteral("Enter brand!"), m_txtBrand);
    // A stocks text that is no number would be stored as text and counted as 0 later on.
    const std::optional<double> stocks = RegistrationData::stocksNumber(m_txtStocks->text());
    if (!stocks)
        return prompt(QStringLiteral("Enter Available Stocks"), m_txtStocks);
    if (m_txtAvail->currentText().isEmpty())
        return prompt(QStringLiteral("Select Availability"), m_txtAvail);

    if (!m_txtBarcode->text().isEmpty()) {
        const BarcodeStore::Check barcode = BarcodeStore(m_ctx.db).check(m_txtBarcode->text(), m_txtItem->text());
        if (barcode.outcome != BarcodeStore::Outcome::Accepted)
            return prompt(BarcodeStore::refusalText(barcode), m_txtBarcode);
    }

    // Availability follows the stock, whatever was chosen.
    m_txtAvail->setEditText(RegistrationData::availabilityFor(*stocks));

    const QString number = m_txtItem->text();
    QStringList confirmation{QStringLiteral("Is the Item Information correct?"),
                             QString(),
                             QStringLiteral("DETAILS"),
                             QStringLiteral("Item Name: ") + m_txtItemname->text(),
                             QStringLiteral("Item Number: ") + number,
                             QStringLiteral("Price: ") + m_txtPrice->text(),
                             QStringLiteral("Description: ") + m_txtDesc->toPlainText(),
                             QStringLiteral("Brand: ") + m_txtBrand->text(),
                             QStringLiteral("Availability:") + m_txtAvail->currentText()};
    // A price typed in the system's own form (a decimal comma) shows the amount it is charged as.
    if (PriceFromText(m_txtPrice->text()) != price)
        confirmation[5] += QStringLiteral(" (charged as %1)").arg(FormatNumber(*price, NumberPattern::Grouped2));
    if (!m_txtBarcode->text().isEmpty())
        confirmation << QStringLiteral("Barcode: ") + m_txtBarcode->text();
    if (!m_ctx.platform.ask(this, confirmation.join(kCrLf), QStringLiteral("Confirm")))
        return;

    const RegistrationData::Stored stored = RegistrationData::storeItem(
        m_ctx.db,
        {m_txtItemname->text(), StoredNumberText(m_txtPrice->text(), *price), m_txtDesc->toPlainText(),
         m_txtBrand->text(), m_txtStocks->text(), m_txtAvail->currentText(), m_cboTaxRate->currentData().toLongLong()},
        m_txtBarcode->text());
    if (!stored.number) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The new item was not registered."), stored.error);
        return;
    }
    const QString issued = *stored.number;
    m_AdoLog2->Refresh();

    postNotification(
        NoteTitle::NewItemRegistration,
        NotificationSentence(displayName(), QStringLiteral(" registered a new item using "), domainName()) +
            DetailsBlock({{QStringLiteral("Item Number: "), issued},
                          {QStringLiteral("Item Name: "), m_txtItemname->text()},
                          {QStringLiteral("Item Price: "), StoredNumberText(m_txtPrice->text(), *price)},
                          {QStringLiteral("Item Brand: "), m_txtBrand->text()},
                          {QStringLiteral("Stocks: "), m_txtStocks->text()},
                          {QStringLiteral("Availability: "), m_txtAvail->currentText()},
                          {QStringLiteral("Decription:  "), m_txtDesc->toPlainText()}}));

    m_ctx.platform.message(this, QStringLiteral("New item has been Registered!"), QStringLiteral("Registered!"),
                           QMessageBox::Ok, QMessageBox::Information);

    m_lblNot->setText(issued == number ? QStringLiteral("Item has been Registered")
                                       : QStringLiteral("Item has been Registered under Item Number %1").arg(issued));
    m_txtItem->clear();
    m_txtItemname->clear();
    m_txtPrice->clear();
    m_txtDesc->clear();
    m_txtStocks->clear();
    m_txtBrand->clear();
    m_txtAvail->setCurrentIndex(-1);
    m_txtAvail->clearEditText();
    m_txtBarcode->clear();
    m_cboTaxRate->setCurrentIndex(0);
    m_txtItemname->setFocus();
    GetClient1();
}

void frmReg::postNotification(const QString& title, const QString& message)
{
    // The journal entry follows the registration, which already stands; a journal that
    // cannot be written is said, not hidden.
    if (!PostNotification(*m_adoNot, title, message))
        m_ctx.platform.writeFailed(this, QStringLiteral("The notification of this registration was not saved."),
                                   m_adoNot->lastError());
    m_ctx.notificationsChanged();
}

// ---------------------------------------------------------------------------------------------
// Importing items

void frmReg::cmdImport_Click()
{
    if (!isAdministrator())
        return;
    const QString path = m_ctx.platform.openFileName(this, QStringLiteral("Import Items"),
                                                     QStringLiteral("CSV files (*.csv *.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString notImported = QStringLiteral("The items of %1 were not imported.").arg(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_ctx.platform.message(this, notImported + QStringLiteral("\n\nThe file could not be read."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, file.errorString());
        return;
    }
    // A catalogue of many thousand items is a few megabytes; anything far larger is no item list.
    constexpr qint64 kLargestFile = 64 * 1024 * 1024;
    if (file.size() > kLargestFile) {
        m_ctx.platform.message(this,
                               notImported + QStringLiteral("\n\nThe file holds %1 MB; an item list may hold 64 MB "
                                                            "at most.")
                                                 .arg(file.size() / (1024 * 1024)),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    ItemImport::Plan plan;
    {
        // A large file is read and checked in steps, so the windows keep answering; Cancel
        // stops the reading and nothing is registered.
        WorkProgressDialog progress(this, QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()), true);
        const QByteArray bytes = file.readAll();
        file.close();
        plan = ItemImport::plan(m_ctx.db, bytes,
                                [&progress](qint64 done, qint64 total) { return progress.step(done, total); });
    }
    if (plan.canceled)
        return;
    if (!plan.error.isEmpty()) {
        m_ctx.platform.message(this, notImported + QStringLiteral("\n\n") + plan.error, Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning);
        return;
    }

    frmImport summary(
        plan, path,
        RegistrationData::nextNumber(m_ctx.db, RegistrationData::Counter::Item).value_or(QStringLiteral("1")), this);
    if (m_ctx.platform.showModal(summary) != QDialog::Accepted || (plan.items.isEmpty() && plan.updates.isEmpty()))
        return;

    QStringList numbers;
    QString error;
    bool imported = false;
    bool canceled = false;
    {
        // The rows are written in steps inside one transaction; Cancel rolls it back.
        WorkProgressDialog progress(
            this,
            QStringLiteral("Registering %1 items...")
                .arg(FormatNumber(static_cast<double>(plan.items.size()), NumberPattern::Grouped0)),
            true);
        const auto step = [&progress](qint64 done, qint64 total) { return progress.step(done, total); };
        imported = ItemImport::apply(m_ctx.db, plan, QFileInfo(path).fileName(), displayName(), domainName(), &numbers,
                                     &error, step);
        canceled = !imported && progress.wasCanceled();
    }
    {
        // The import is stored or rolled back by now: letting go of the rows cannot be canceled.
        WorkProgressDialog finishing(this, QStringLiteral("Finishing..."), false);
        ItemImport::release(plan, [&finishing](qint64 done, qint64 total) { return finishing.step(done, total); });
    }
    if (!imported) {
        m_adoNot->Refresh();
        if (canceled)
            m_ctx.platform.message(this,
                                   notImported + QStringLiteral(" The import was canceled; nothing was registered."),
                                   Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Information);
        else
            m_ctx.platform.writeFailed(this, notImported + QStringLiteral(" Nothing was registered."), error);
        return;
    }
    m_adoNot->Refresh();
    m_ctx.notificationsChanged();
    lvButtons_H3_Click(); // the list shows the new items, with the search kept
    GetClient1();
    QString done = numbers.isEmpty() ? QStringLiteral("No new item has been Registered.")
                                     : QStringLiteral("%1 new item(s) have been Registered, Item Numbers %2 to %3.")
                                           .arg(numbers.size())
                                           .arg(numbers.first(), numbers.last());
    if (!plan.updates.isEmpty())
        done += QStringLiteral("\n%1 registered item(s) have been updated.").arg(plan.updates.size());
    m_ctx.platform.message(this, done, QStringLiteral("Registered!"), QMessageBox::Ok, QMessageBox::Information);
}

// ---------------------------------------------------------------------------------------------
// List panels

void frmReg::cmdClient_Click()
{
    const QSignalBlocker block(m_txtSearch1);
    m_txtSearch1->clear();
    m_adoLog1->Refresh();
    m_pages->setCurrentWidget(m_Picture1);
    m_statusRow->hide();
    m_txtSearch1->setFocus();
}

void frmReg::cmdItem_Click()
{
    const QSignalBlocker block(m_txtSearch2);
    m_txtSearch2->clear();
    m_AdoLog2->Refresh();
    m_pages->setCurrentWidget(m_Picture2);
    m_statusRow->hide();
    m_txtSearch2->setFocus();
}

void frmReg::hidePanels()
{
    // The registration forms are the first page; a panel is hidden by showing them again.
    if (m_DataGrid1)
        m_DataGrid1->commitOpenEditor();
    if (m_DataGrid2)
        m_DataGrid2->commitOpenEditor();
    m_pages->setCurrentIndex(0);
    m_statusRow->show();
}

void frmReg::lvButtons_H4_Click()
{
    m_DataGrid1->commitOpenEditor();
    // Reload the list with the search that is shown.
    m_adoLog1->setFilter(QStringLiteral("EmployeeName"), m_txtSearch1->text());
    m_Check1->setChecked(false);
    Check1_Click();
}

void frmReg::lvButtons_H3_Click()
{
    m_DataGrid2->commitOpenEditor();
    m_AdoLog2->setFilter(QStringLiteral("ItemName"), m_txtSearch2->text());
}

void frmReg::changeEmployeePassword()
{
    if (!isAdministrator())
        return;
    m_DataGrid1->commitOpenEditor();
    const int row = m_adoLog1->currentRow();
    if (row < 0) {
        m_ctx.platform.message(this, QStringLiteral("Select an employee in the list first."));
        return;
    }
    const qint64 rowId = m_adoLog1->rowId(row);
    const QString id = m_adoLog1->fieldText(QStringLiteral("EmployeeID"));
    const QString whose = QStringLiteral("Employee ID %1: %2 (%3)")
                              .arg(id, m_adoLog1->fieldText(QStringLiteral("EmployeeName")),
                                   m_adoLog1->fieldText(QStringLiteral("Position")));
    frmPassword dialog(
        m_ctx.platform, whose, Credentials::Kind::Employee, false,
        [&](const QString&, const QString& password, QString* error) {
            return Credentials::changePassword(m_ctx.db, {Credentials::Kind::Employee, rowId}, password, displayName(),
                                               domainName(), error);
        },
        this);
    if (m_ctx.platform.showModal(dialog) != QDialog::Accepted)
        return;
    m_adoLog1->reloadRow(row); // "Show user password" shows the stored password
    m_adoNot->Refresh();
    m_ctx.notificationsChanged();
    m_ctx.platform.message(this, QStringLiteral("The password of employee %1 has been changed!").arg(id),
                           QStringLiteral("Change Password"));
}

void frmReg::Check1_Click()
{
    const bool show = m_Check1->isChecked();
    m_Text1->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
    m_Text1->setVisible(show);
}

void frmReg::txtSearch1_Change(const QString& text)
{
    // setFilter matches the text literally and refreshes the whole list when it is empty.
    m_adoLog1->setFilter(QStringLiteral("EmployeeName"), text);
}

void frmReg::fillTaxRates()
{
    // The rates new items can get; a shop without rates does not see the box.
    QVector<TaxRate> rates;
    PricingStore(m_ctx.db).rates(rates);
    m_cboTaxRate->clear();
    m_cboTaxRate->addItem(QStringLiteral("(none)"), qint64(-1));
    for (const TaxRate& r : std::as_const(rates)) {
        if (!r.retired)
            m_cboTaxRate->addItem(r.label(), r.id);
    }
    const bool shown = !rates.isEmpty();
    m_lblTaxRate->setVisible(shown);
    m_cboTaxRate->setVisible(shown);
    m_cmdItemRate->setVisible(shown);
}

void frmReg::cmdItemRate_Click()
{
    QStringList numbers;
    for (const QModelIndex& index : m_DataGrid2->selectionModel()->selectedRows())
        numbers << m_AdoLog2->value(index.row(), QStringLiteral("ItemNumber")).toString();
    if (numbers.isEmpty() && m_DataGrid2->currentRowIndex() >= 0)
        numbers << m_AdoLog2->value(m_DataGrid2->currentRowIndex(), QStringLiteral("ItemNumber")).toString();
    if (numbers.isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Select the items to give the tax rate in the list."));
        return;
    }
    QString refused;
    const RateResult r =
        PricingStore(m_ctx.db).setItemsRate(numbers, m_cboTaxRate->currentData().toLongLong(), &refused);
    if (r.outcome == RateOutcome::WriteFailed) {
        m_ctx.platform.writeFailed(this, QStringLiteral("No item was given the rate."), r.error);
        return;
    }
    if (r.outcome != RateOutcome::Stored) {
        m_ctx.platform.message(this, QStringLiteral("Item %1 cannot get that rate: it is retired.").arg(refused));
        return;
    }
    m_ctx.platform.message(
        this, QStringLiteral("%1 item(s) now have the rate %2.").arg(numbers.size()).arg(m_cboTaxRate->currentText()));
}

void frmReg::cmdLabels_Click()
{
    QStringList numbers;
    QList<int> rows;
    for (const QModelIndex& index : m_DataGrid2->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && m_DataGrid2->currentRowIndex() >= 0)
        rows << m_DataGrid2->currentRowIndex();
    std::sort(rows.begin(), rows.end());
    for (const int row : rows)
        numbers << m_AdoLog2->value(row, QStringLiteral("ItemNumber")).toString();
    if (numbers.isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Select the items to print labels for in the list."));
        return;
    }
    frmLabels labels(m_ctx, numbers, this);
    m_ctx.platform.showModal(labels);
}

void frmReg::txtSearch2_Change(const QString& text)
{
    m_AdoLog2->setFilter(QStringLiteral("ItemName"), text);
}

void frmReg::updateEmployeeList()
{
    m_Label16->setText(QString::number(m_adoLog1->totalRowCount()));
    // The list never shows passwords; "Show user password" shows the selected one.
    const int password = m_adoLog1->columnIndex(QStringLiteral("Password"));
    if (password >= 0)
        m_DataGrid1->hideColumnAt(password);
}

void frmReg::updateItemList()
{
    m_Label21->setText(QString::number(m_AdoLog2->totalRowCount()));
}

void frmReg::updateViewButtons()
{
    // Everyone may register; only administrators may list, edit and delete.
    const bool admin = isAdministrator();
    m_cmdClient->setVisible(admin);
    m_cmdItem->setVisible(admin);
    m_cmdImport->setVisible(admin);
    if (!admin)
        hidePanels();
}

// ---------------------------------------------------------------------------------------------
// Helpers

void frmReg::editRefused(const QString& reason)
{
    m_ctx.platform.message(this, reason, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

void frmReg::prompt(const QString& text, QWidget* focus)
{
    m_lblNot->setText(text);
    focus->setFocus();
}

QString frmReg::displayName() const
{
    return m_ctx.session().DisplayName();
}

QString frmReg::domainName() const
{
    return m_ctx.session().DomainName();
}

bool frmReg::isAdministrator() const
{
    return m_ctx.session().IsAdministrator();
}
