#include "admin/frmSetting.h"

#include "catalog/ShopOptions.h"

#include "admin/Accounts.h"
#include "admin/History.h"
#include "admin/TaxSettings.h"
#include "data/Backup.h"
#include "data/DataControl.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "platform/FlowLayout.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "platform/WorkProgressDialog.h"
#include "session/AppContext.h"
#include "session/Credentials.h"
#include "session/SessionLog.h"
#include "session/SessionState.h"
#include "session/ShopSettings.h"
#include "session/frmPassword.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>
#include <QValidator>

namespace {

const QString kTitleAdmin = QStringLiteral("Admin");
const QString kTitleConfirmChange = QStringLiteral("Confirm Change");
const QString kTitleConfirm = QStringLiteral("Confirm");
const QString kTitleDeleted = QStringLiteral("Deleted!");

// Why a change of the settings row was not stored, for the details of the message.
QString settingsFault(const ShopSettings::Change& change)
{
    return change.outcome == ShopSettings::Outcome::RowMissing
               ? QStringLiteral("The settings row is missing from tblMain.")
               : change.error;
}

// Discards every key pressed in a box whose value can only be picked from its list. Focus
// still moves on with Tab, and the list still opens from the keyboard (F4, Alt+Down).
class PickOnly : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool opensList =
                key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || opensList)
                return QObject::eventFilter(watched, event);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The company name is kept in capitals: what is typed is upper-cased where it is typed, the
// caret staying after it even where a letter becomes two ("ß" gives "SS"). An edit whose
// upper-case form would be longer than the box allows is refused, like any key in a full box.
class UpperCaseName : public QValidator
{
public:
    UpperCaseName(int limit, QObject* parent) : QValidator(parent), m_limit(limit) {}

    State validate(QString& input, int& pos) const override
    {
        const QString upper = input.toUpper();
        if (upper.size() > m_limit)
            return Invalid;
        pos = static_cast<int>(input.left(pos).toUpper().size());
        input = upper;
        return Acceptable;
    }

private:
    int m_limit;
};

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// A box's length that no typed or pasted text reaches (QLineEdit's own).
constexpr int kUncutLength = 32767;

QLineEdit* makeEdit(const QString& name, int maxLength, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QGroupBox* makeGroup(const QString& name, const QString& heading, QWidget* parent)
{
    auto* group = new QGroupBox(heading, parent);
    group->setObjectName(name);
    return group;
}

// A row of buttons pushed to the right, wrapping onto a second row where the column is too
// narrow for all of them.
FlowLayout* buttonRow(std::initializer_list<QWidget*> buttons)
{
    auto* row = new FlowLayout(Qt::AlignRight);
    for (QWidget* b : buttons)
        row->addWidget(b);
    return row;
}

} // namespace

frmSetting::frmSetting(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmSetting"));
    setWindowTitle(QStringLiteral("Settings"));

    m_Adodc1 = new DataControl(m_ctx.db, this);
    m_Adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_Adodc2 = new DataControl(m_ctx.db, this);
    m_Adodc2->setObjectName(QStringLiteral("Adodc2"));
    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoNot->setObjectName(QStringLiteral("adoNot"));

    auto* left = new QVBoxLayout;
    left->addWidget(buildCompany());
    left->addWidget(buildAccount());
    left->addWidget(buildBackup());
    left->addWidget(buildHistory());
    left->addWidget(buildTill());
    left->addWidget(new TaxSettings(m_ctx, this));
    left->addStretch(1);
    auto* cmdAccept = makeButton(QStringLiteral("cmdAccept"), QStringLiteral("Close"), this);
    connect(cmdAccept, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Accepted); });

    auto* right = new QVBoxLayout;
    right->addWidget(buildFolderChooser(), 2);
    right->addWidget(buildAccountsPanel(), 3);
    right->addWidget(buildLogPanel(), 3);
    m_placeholder = makeLabel(QStringLiteral("lblPanels"),
                              QStringLiteral("Press \"Show Admin and Guest User Accounts\" or \"Show User Accounts "
                                             "Log File Menu\" to open a list here."),
                              this);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_placeholder->setEnabled(false);
    right->addWidget(m_placeholder, 1);

    // The forms scroll when the screen is too short for all of them, with the window's Close
    // always in view below them; the lists beside them take the remaining width.
    auto* columns = new QHBoxLayout(this);
    auto* leftColumn = new QWidget;
    leftColumn->setObjectName(QStringLiteral("forms"));
    leftColumn->setLayout(left);
    left->setContentsMargins(0, 0, 6, 0);
    auto* leftScroll = new QScrollArea(this);
    leftScroll->setObjectName(QStringLiteral("formsScroll"));
    leftScroll->setFrameShape(QFrame::NoFrame);
    leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    leftScroll->setWidgetResizable(true);
    leftScroll->setWidget(leftColumn);
    leftScroll->setFixedWidth(420 + leftScroll->verticalScrollBar()->sizeHint().width());
    auto* leftSide = new QVBoxLayout;
    leftSide->addWidget(leftScroll, 1);
    leftSide->addLayout(buttonRow({cmdAccept}));
    columns->addLayout(leftSide);
    columns->addLayout(right, 1);

    m_Frame1->hide();
    m_Picture1->hide();
    m_Picture2->hide();
    updatePlaceholder();
    resizeToScreen(this, QSize(1100, 740));

    openDataControls();
    GetClient();
    GetClient6();
}

frmSetting::~frmSetting() = default;

// --- building the window -------------------------------------------------------------------

QWidget* frmSetting::buildCompany()
{
    auto* group = makeGroup(QStringLiteral("fraCompany"), QStringLiteral(" Company Name"), this);
    m_txtCompany = makeEdit(QStringLiteral("txtCompany"), kCompanyLength, group);
    m_txtCompany->setValidator(new UpperCaseName(kCompanyLength, m_txtCompany));
    m_Label7 = makeLabel(QStringLiteral("Label7"), QString::number(kCompanyLength), group);
    m_Label7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_Label7->setMinimumWidth(m_Label7->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    auto* update = makeButton(QStringLiteral("lvButtons_H1"), QStringLiteral("Update"), group);
    auto* cancel = makeButton(QStringLiteral("lvButtons_H2"), QStringLiteral("Cancel"), group);

    auto* row = new QHBoxLayout;
    row->addWidget(m_txtCompany, 1);
    row->addWidget(m_Label7);
    row->addWidget(new QLabel(QStringLiteral("Chrs"), group));
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(row);
    layout->addLayout(buttonRow({update, cancel}));

    connect(m_txtCompany, &QLineEdit::textChanged, this, [this] { txtCompany_Change(); });
    connect(update, &QPushButton::clicked, this, [this] { updateCompany(); });
    connect(cancel, &QPushButton::clicked, this, [this] { GetClient6(); });
    return group;
}

QWidget* frmSetting::buildTill()
{
    // Shop-wide settings of every till, stored as soon as they are changed.
    auto* group = makeGroup(QStringLiteral("fraTill"), QStringLiteral(" Till"), this);
    auto* scanAddsOne = new QCheckBox(QStringLiteral("Scanning an item already in the cart adds one"), group);
    scanAddsOne->setObjectName(QStringLiteral("chkScanAddsOne"));
    scanAddsOne->setChecked(ShopOptions::flag(m_ctx.db, ShopOptions::ScanAddsOne).value_or(false));
    auto* blindCount = new QCheckBox(QStringLiteral("Blind count at the Z"), group);
    blindCount->setToolTip(QStringLiteral("The Z hides the expected cash until the counted cash is typed"));
    blindCount->setObjectName(QStringLiteral("chkBlindCount"));
    blindCount->setChecked(ShopOptions::flag(m_ctx.db, ShopOptions::BlindCount).value_or(false));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(scanAddsOne);
    layout->addWidget(blindCount);
    for (const auto& [box, name] :
         {std::pair{scanAddsOne, ShopOptions::ScanAddsOne}, std::pair{blindCount, ShopOptions::BlindCount}}) {
        connect(box, &QCheckBox::toggled, this, [this, box, name](bool on) {
            if (ShopOptions::setFlag(m_ctx.db, name, on))
                return;
            m_ctx.platform.writeFailed(this, QStringLiteral("The till setting was not saved."), m_ctx.db.lastError());
            const QSignalBlocker quiet(box);
            box->setChecked(!on);
        });
    }
    return group;
}

QWidget* frmSetting::buildAccount()
{
    auto* group = makeGroup(QStringLiteral("fraAccount"), QStringLiteral(" Register Account"), this);
    m_Text1 = makeEdit(QStringLiteral("Text1"), 40, group);
    // The password boxes never cut a password short: a longer one is refused on registering.
    m_Text2 = makeEdit(QStringLiteral("Text2"), kUncutLength, group);
    m_Text2->setEchoMode(QLineEdit::Password);
    m_Text3 = makeEdit(QStringLiteral("Text3"), kUncutLength, group);
    m_Text3->setEchoMode(QLineEdit::Password);
    m_Combo1 = new QComboBox(group);
    m_Combo1->setObjectName(QStringLiteral("Combo1"));
    m_Combo1->addItems({QStringLiteral("Administrator"), QStringLiteral("Guest")});
    m_Combo1->setCurrentIndex(-1);
    m_Combo1->installEventFilter(new PickOnly(m_Combo1));
    auto* registerButton = makeButton(QStringLiteral("lvButtons_H12"), QStringLiteral("Register"), group);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Enter Username:"), m_Text1);
    form->addRow(QStringLiteral("Enter Password:"), m_Text2);
    form->addRow(QStringLiteral("Verify Password:"), m_Text3);
    form->addRow(QStringLiteral("Account Type:"), m_Combo1);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(form);
    layout->addLayout(buttonRow({registerButton}));

    connect(registerButton, &QPushButton::clicked, this, [this] { registerAccount(); });
    return group;
}

QWidget* frmSetting::buildBackup()
{
    auto* group = makeGroup(QStringLiteral("fraBackup"), QStringLiteral(" Database Back - up Settings"), this);
    m_txtDatabase = makeEdit(QStringLiteral("txtDatabase"), 200, group);
    auto* setFolder = makeButton(QStringLiteral("lvButtons_H3"), QStringLiteral("Set Save Folder"), group);
    auto* cancel = makeButton(QStringLiteral("lvButtons_H4"), QStringLiteral("Cancel"), group);
    auto* backup = makeButton(QStringLiteral("lvButtons_H5"), QStringLiteral("Backup Database"), group);
    auto* restore = makeButton(QStringLiteral("cmdRestore"), QStringLiteral("Restore"), group);
    restore->setToolTip(QStringLiteral("Replace the shop's data with a backup's"));

    auto* layout = new QVBoxLayout(group);
    auto* caption = new QLabel(QStringLiteral("Back-up Database Folder"), group);
    caption->setBuddy(m_txtDatabase);
    layout->addWidget(caption);
    layout->addWidget(m_txtDatabase);
    layout->addLayout(buttonRow({setFolder, cancel, backup, restore}));

    connect(setFolder, &QPushButton::clicked, this, [this] {
        m_Frame1->show();
        updatePlaceholder();
    });
    // "Cancel" beside the folder box has nothing to undo: the box is saved only through "Set".
    connect(backup, &QPushButton::clicked, this, [this] { backupNow(); });
    connect(restore, &QPushButton::clicked, this, [this] { restoreBackup(); });
    return group;
}

QWidget* frmSetting::buildHistory()
{
    auto* group = makeGroup(QStringLiteral("fraHistory"), QStringLiteral(" Accounts, Logs and History"), this);
    auto* accounts =
        makeButton(QStringLiteral("lvButtons_H16"), QStringLiteral("Show Admin and Guest User Accounts"), group);
    auto* logs = makeButton(QStringLiteral("lvButtons_H10"), QStringLiteral("Show User Accounts Log File Menu"), group);
    auto* clearSold = makeButton(QStringLiteral("lvButtons_H14"), QStringLiteral("Clear Transaction Database"), group);
    auto* clearSales = makeButton(QStringLiteral("lvButtons_H17"), QStringLiteral("Clear Sales Database"), group);

    auto* layout = new QGridLayout(group);
    layout->addWidget(accounts, 0, 0, 1, 2);
    layout->addWidget(logs, 1, 0, 1, 2);
    layout->addWidget(clearSold, 2, 0);
    layout->addWidget(clearSales, 2, 1);

    connect(accounts, &QPushButton::clicked, this, [this] { showAccountsPanel(true); });
    connect(logs, &QPushButton::clicked, this, [this] { showLogPanel(true); });
    connect(clearSold, &QPushButton::clicked, this, [this] {
        clearTable(QStringLiteral("tblSold"), QStringLiteral("Clear Transaction Database?"),
                   QStringLiteral("Transaction Database been deleted!"), NoteTitle::TransactionDatabaseDeletion,
                   QStringLiteral(" deleted all the Transaction Information using "),
                   QStringLiteral("The transaction database was not cleared."));
    });
    connect(clearSales, &QPushButton::clicked, this, [this] {
        clearTable(QStringLiteral("tblSales"), QStringLiteral("Clear Sales Database?"),
                   QStringLiteral("Sales Database been deleted!"), NoteTitle::SalesDatabaseDeletion,
                   QStringLiteral(" deleted all the Sales Information using "),
                   QStringLiteral("The sales database was not cleared."));
    });
    return group;
}

QWidget* frmSetting::buildFolderChooser()
{
    m_Frame1 = makeGroup(QStringLiteral("Frame1"), QStringLiteral("Set Database Backup Folder"), this);
    m_Drive1 = new QComboBox(m_Frame1);
    m_Drive1->setObjectName(QStringLiteral("Drive1"));
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setRootPath(QDir::rootPath());
    m_Dir1 = new QTreeView(m_Frame1);
    m_Dir1->setObjectName(QStringLiteral("Dir1"));
    m_Dir1->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c)
        m_Dir1->hideColumn(c);
    m_Dir1->setHeaderHidden(true);
    m_Dir1->setMinimumHeight(160);
    m_Label9 = makeLabel(QStringLiteral("Label9"), QString(), m_Frame1);
    m_Label9->setFrameShape(QFrame::StyledPanel);
    m_Label9->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_Label9->setMinimumHeight(m_Label9->fontMetrics().height() + 8);
    m_Label9->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* set = makeButton(QStringLiteral("lvButtons_H8"), QStringLiteral("Set"), m_Frame1);
    auto* cancel = makeButton(QStringLiteral("lvButtons_H9"), QStringLiteral("Cancel"), m_Frame1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Drive:"), m_Drive1);
    auto* layout = new QVBoxLayout(m_Frame1);
    layout->addLayout(form);
    layout->addWidget(m_Dir1, 1);
    auto* chosen = new QFormLayout;
    chosen->addRow(QStringLiteral("Folder:"), m_Label9);
    layout->addLayout(chosen);
    layout->addLayout(buttonRow({set, cancel}));

    fillDrives();
    connect(m_Drive1, &QComboBox::currentIndexChanged, this, [this](int index) { driveChanged(index); });
    connect(m_Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { folderChanged(); });
    connect(m_Dir1, &QTreeView::clicked, this, [this] { folderChanged(); });
    connect(set, &QPushButton::clicked, this, [this] { setBackupFolder(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_Frame1->hide();
        updatePlaceholder();
    });
    return m_Frame1;
}

QWidget* frmSetting::buildAccountsPanel()
{
    m_Picture2 = makeGroup(QStringLiteral("Picture2"), QStringLiteral(" ADMIN AND GUEST ACCOUNTS:"), this);
    m_txtSearch2 = makeEdit(QStringLiteral("txtSearch2"), 40, m_Picture2);
    m_DataGrid2 = new DataGrid(m_Picture2);
    m_DataGrid2->setObjectName(QStringLiteral("DataGrid2"));
    m_Label16 = makeLabel(QStringLiteral("Label16"), QStringLiteral("0"), m_Picture2);
    m_Text4 = makeEdit(QStringLiteral("Text4"), 40, m_Picture2);
    m_Text4->setReadOnly(true);
    m_Text5 = makeEdit(QStringLiteral("Text5"), kUncutLength, m_Picture2);
    m_Text5->setReadOnly(true);
    m_Text5->setEchoMode(QLineEdit::Password);
    m_Check1 = new QCheckBox(QStringLiteral("Show Password"), m_Picture2);
    m_Check1->setObjectName(QStringLiteral("Check1"));
    auto* password = makeButton(QStringLiteral("cmdChangePassword"), QStringLiteral("Change Password..."), m_Picture2);
    auto* refresh = makeButton(QStringLiteral("lvButtons_H13"), QStringLiteral("Refresh"), m_Picture2);
    auto* close = makeButton(QStringLiteral("lvButtons_H15"), QStringLiteral("Close"), m_Picture2);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("Search Username:"), m_Picture2));
    search->addWidget(m_txtSearch2, 1);
    search->addSpacing(12);
    search->addWidget(new QLabel(QStringLiteral("Accounts:"), m_Picture2));
    search->addWidget(m_Label16);

    auto* current = new QHBoxLayout;
    current->addWidget(new QLabel(QStringLiteral("Username:"), m_Picture2));
    current->addWidget(m_Text4, 1);
    current->addWidget(new QLabel(QStringLiteral("Password:"), m_Picture2));
    current->addWidget(m_Text5, 1);
    current->addWidget(m_Check1);

    auto* hints = new QLabel(QStringLiteral("To Edit: Click the Row of the Selected client and Edit "
                                            "thoroughly/directly. Refresh.\nTo Delete: Click a client and Press DEL "
                                            "on your Keyboard. Refresh."),
                             m_Picture2);
    hints->setObjectName(QStringLiteral("lblAccountHints"));
    hints->setWordWrap(true);

    auto* layout = new QVBoxLayout(m_Picture2);
    layout->addLayout(search);
    layout->addWidget(m_DataGrid2, 1);
    layout->addLayout(current);
    layout->addWidget(hints);
    auto* exportList = ListExport::gridButton(QStringLiteral("cmdExportAccounts"), m_Picture2, this, m_ctx.platform,
                                              m_DataGrid2, m_Adodc2, QStringLiteral("Accounts"));
    layout->addLayout(buttonRow({password, exportList, refresh, close}));

    connect(password, &QPushButton::clicked, this, [this] { changeAccountPassword(); });
    connect(m_txtSearch2, &QLineEdit::textChanged, this, [this](const QString& text) { searchAccounts(text); });
    connect(m_Check1, &QCheckBox::toggled, this, [this](bool shown) { showPassword(shown); });
    connect(refresh, &QPushButton::clicked, this, [this] { refreshAccounts(); });
    connect(close, &QPushButton::clicked, this, [this] { showAccountsPanel(false); });
    return m_Picture2;
}

QWidget* frmSetting::buildLogPanel()
{
    m_Picture1 = makeGroup(QStringLiteral("Picture1"), QStringLiteral(" System Log"), this);
    m_DataGrid1 = new DataGrid(m_Picture1);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("0"), m_Picture1);
    auto* refresh = makeButton(QStringLiteral("lvButtons_H6"), QStringLiteral("Refresh"), m_Picture1);
    auto* clear = makeButton(QStringLiteral("lvButtons_H7"), QStringLiteral("Clear Logs"), m_Picture1);
    auto* close = makeButton(QStringLiteral("lvButtons_H11"), QStringLiteral("Close"), m_Picture1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("LOG(s):"), m_Picture1));
    bottom->addWidget(m_Label6);
    bottom->addStretch(1);
    auto* exportList = ListExport::gridButton(QStringLiteral("cmdExportLogs"), m_Picture1, this, m_ctx.platform,
                                              m_DataGrid1, m_Adodc1, QStringLiteral("Logs"));
    bottom->addWidget(exportList);
    bottom->addWidget(refresh);
    bottom->addWidget(clear);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(m_Picture1);
    layout->addWidget(m_DataGrid1, 1);
    layout->addLayout(bottom);

    connect(refresh, &QPushButton::clicked, this, [this] { refreshLogs(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        clearTable(QStringLiteral("tblLogs"), QStringLiteral("Are you sure you want to delete the Log Information?"),
                   QStringLiteral("Logs Deleted!"), NoteTitle::LogsCleared,
                   QStringLiteral(" cleared the User Logs  using "), QStringLiteral("The logs were not cleared."));
    });
    connect(close, &QPushButton::clicked, this, [this] { showLogPanel(false); });
    return m_Picture1;
}

void frmSetting::openDataControls()
{
    m_Adodc1->setRecordSource(SessionLog::listStatement());
    m_Adodc1->Refresh();
    bindGrid(m_DataGrid1, m_Adodc1);

    m_Adodc2->setRecordSource(Accounts::listStatement());
    m_Adodc2->setEditable(true);
    // The last administrator account can be neither deleted nor given another type.
    m_Adodc2->setDeleteCheck([this](qint64 rowId) { return Accounts::deleteRefusal(m_ctx.db, rowId); });
    m_Adodc2->setEditCheck([this](qint64 rowId, const QString& column, const QVariant& value) {
        return Accounts::editRefusal(m_ctx.db, rowId, column, value);
    });
    m_Adodc2->Refresh();
    bindGrid(m_DataGrid2, m_Adodc2, true, [this](const QString& why) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The account was not deleted."), why);
    });
    bindField(m_Text4, m_Adodc2, QStringLiteral("UserName"));
    bindField(m_Text5, m_Adodc2, QStringLiteral("Password"));
    // A refused edit is reported once the grid's editor has closed, not from inside its commit.
    connect(
        m_Adodc2, &DataControl::writeFailed, this,
        [this](const QString& why) {
            m_ctx.platform.writeFailed(this, QStringLiteral("The change to the account was not saved."), why);
        },
        Qt::QueuedConnection);
    connect(
        m_Adodc2, &DataControl::writeRefused, this,
        [this](const QString& why) {
            m_ctx.platform.message(this, why, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        },
        Qt::QueuedConnection);
    // A reset of the model shows every column again, so the column rules follow each reload.
    connect(m_Adodc2, &QAbstractItemModel::modelReset, this, [this] { applyAccountColumns(); });
    applyAccountColumns();

    for (DataControl* control : {m_Adodc1, m_Adodc2}) {
        connect(control, &QAbstractItemModel::modelReset, this, [this] { updateCounters(); });
        connect(control, &QAbstractItemModel::rowsInserted, this, [this] { updateCounters(); });
        connect(control, &QAbstractItemModel::rowsRemoved, this, [this] { updateCounters(); });
    }
    updateCounters();

    m_adoNot->setRecordSource(NotificationsStatement());
    m_adoNot->Refresh();
}

// --- company name --------------------------------------------------------------------------

void frmSetting::GetClient6()
{
    if (const std::optional<QString> name = ShopSettings::companyName(m_ctx.db)) {
        m_txtCompany->clear();
        // A stored name is shown as typing would have made it (setText bypasses the validator).
        m_txtCompany->setText(name->toUpper());
    }
    m_Label7->setText(QString::number(kCompanyLength - m_txtCompany->text().size()));
}

void frmSetting::txtCompany_Change()
{
    // The validator keeps the text in capitals; only the characters left need showing.
    m_Label7->setText(QString::number(kCompanyLength - m_txtCompany->text().size()));
}

void frmSetting::updateCompany()
{
    if (!m_ctx.platform.ask(this, QStringLiteral("Change the name of the company?"), kTitleConfirmChange))
        return;
    const QString name = m_txtCompany->text();
    const ShopSettings::Change changed = ShopSettings::setCompanyName(m_ctx.db, name);
    if (changed.outcome != ShopSettings::Outcome::Saved) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The company name was not changed."), settingsFault(changed));
        return;
    }
    m_ctx.companyNameChanged();
    m_ctx.platform.message(this, QStringLiteral("Company Name has been Changed to %1!").arg(name),
                           QStringLiteral("Company Name"));
    notify(NoteTitle::CompanyNameChanged,
           sentence(QStringLiteral(" changed the Company's Name to ") + name + QStringLiteral(" using ")));
}

// --- accounts ------------------------------------------------------------------------------

void frmSetting::registerAccount()
{
    Platform& platform = m_ctx.platform;
    if (m_Text1->text().isEmpty()) {
        platform.message(this, QStringLiteral("Enter Username!"), kTitleAdmin);
        m_Text1->setFocus();
        return;
    }
    if (m_Text2->text().isEmpty()) {
        platform.message(this, QStringLiteral("Enter Password!"), kTitleAdmin);
        m_Text2->setFocus();
        return;
    }
    if (m_Text3->text().isEmpty()) {
        platform.message(this, QStringLiteral("Verify your password!"), kTitleAdmin);
        return;
    }
    if (m_Text2->text() != m_Text3->text()) { // exact: letter case counts here
        platform.message(this, QStringLiteral("Password didn't matched!"), kTitleAdmin, QMessageBox::Ok,
                         QMessageBox::Warning);
        m_Text2->clear();
        m_Text3->clear();
        m_Text2->setFocus();
        return;
    }
    if (const QString refused =
            Credentials::passwordRefusal(Credentials::Kind::Account, m_Text2->text(), QStringLiteral("The password"));
        !refused.isEmpty()) {
        // What was typed stays, so it can be shortened.
        platform.message(this, refused, kTitleAdmin, QMessageBox::Ok, QMessageBox::Warning);
        m_Text2->setFocus();
        return;
    }
    if (m_Combo1->currentText().isEmpty()) {
        platform.message(this, QStringLiteral("Select Account Type"), kTitleAdmin);
        m_Combo1->setFocus();
        return;
    }

    const QString user = m_Text1->text();
    const QString account = m_Combo1->currentText();
    const Accounts::Added added = Accounts::add(m_ctx.db, {user, m_Text2->text(), account, DateText()});
    if (!added.stored) {
        platform.writeFailed(this, QStringLiteral("The new account was not registered."), added.error);
        return; // the typed values stay, so nothing is lost
    }
    refreshAccounts();
    notify(NoteTitle::AccountRegistration, sentence(QStringLiteral(" Registered ") + user + QStringLiteral(" as ") +
                                                    account + QStringLiteral(" using ")));
    m_Text1->clear();
    m_Text2->clear();
    m_Text3->clear();
    m_Combo1->setCurrentIndex(-1);
    platform.message(this, QStringLiteral("New account has been registered!"), kTitleAdmin);
}

void frmSetting::changeAccountPassword()
{
    const int row = m_Adodc2->currentRow();
    if (row < 0) {
        m_ctx.platform.message(this, QStringLiteral("Select an account in the list first."), kTitleAdmin);
        return;
    }
    const qint64 rowId = m_Adodc2->rowId(row);
    const QString user = m_Adodc2->fieldText(QStringLiteral("UserName"));
    const QString whose = QStringLiteral("Account: %1 (%2)").arg(user, m_Adodc2->fieldText(QStringLiteral("Account")));
    const SessionState* session = &m_ctx.session();
    frmPassword dialog(
        m_ctx.platform, whose, Credentials::Kind::Account, false,
        [&](const QString&, const QString& password, QString* error) {
            return Credentials::changePassword(m_ctx.db, {Credentials::Kind::Account, rowId}, password,
                                               session ? session->DisplayName() : QString(),
                                               session ? session->DomainName() : QString(), error);
        },
        this);
    if (m_ctx.platform.showModal(dialog) != QDialog::Accepted)
        return;
    m_Adodc2->reloadRow(row); // the password box shows the stored password
    m_adoNot->Refresh();
    m_ctx.notificationsChanged();
    m_ctx.platform.message(this, QStringLiteral("The password of %1 has been changed!").arg(user), kTitleAdmin);
}

void frmSetting::refreshAccounts()
{
    // The list shows every account again, so the search box must not suggest a filter.
    {
        const QSignalBlocker quiet(m_txtSearch2);
        m_txtSearch2->clear();
    }
    m_Adodc2->Refresh();
}

void frmSetting::searchAccounts(const QString& text)
{
    if (text.isEmpty())
        m_Adodc2->Refresh();
    else
        m_Adodc2->setFilter(QStringLiteral("UserName"), text);
}

void frmSetting::applyAccountColumns()
{
    // The record key and the password are not shown; the password is read through Text5.
    for (const QString& hidden : {QStringLiteral("ClientKey"), QStringLiteral("Password")}) {
        const int c = m_Adodc2->columnIndex(hidden);
        if (c >= 0)
            m_DataGrid2->hideColumnAt(c);
    }
    const int registered = m_Adodc2->columnIndex(QStringLiteral("ClientReg"));
    if (registered >= 0)
        m_Adodc2->setReadOnlyColumn(registered);
}

void frmSetting::showPassword(bool shown)
{
    m_Text5->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
}

// --- backup --------------------------------------------------------------------------------

void frmSetting::GetClient()
{
    const std::optional<QString> folder = ShopSettings::backupFolder(m_ctx.db);
    if (!folder)
        return;
    m_txtDatabase->clear();
    m_txtDatabase->setText(*folder);
}

void frmSetting::fillDrives()
{
    const QString here = QStorageInfo(QDir::currentPath()).rootPath();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    if (!roots.contains(QDir::rootPath()))
        roots << QDir::rootPath();
    roots.sort();
    for (const QString& root : roots)
        m_Drive1->addItem(QDir::toNativeSeparators(root), root);
    m_Drive1->setCurrentIndex(qMax(0, m_Drive1->findData(here)));
    // The list opens on the current drive with the current folder picked; Label9 stays empty
    // until the user picks a folder.
    m_Dir1->setRootIndex(m_folders->index(m_Drive1->currentData().toString()));
    const QModelIndex current = m_folders->index(QDir::currentPath());
    for (QModelIndex up = current.parent(); up.isValid(); up = up.parent())
        m_Dir1->expand(up);
    m_Dir1->setCurrentIndex(current);
    m_Dir1->scrollTo(current);
}

void frmSetting::driveChanged(int index)
{
    const QString root = m_Drive1->itemData(index).toString();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return; // a drive that cannot be read leaves the list where it was
    m_Dir1->setRootIndex(m_folders->index(root));
    m_Dir1->selectionModel()->clearCurrentIndex();
    m_Label9->setText(QDir::toNativeSeparators(root));
}

void frmSetting::folderChanged()
{
    const QModelIndex current = m_Dir1->currentIndex();
    if (current.isValid())
        m_Label9->setText(QDir::toNativeSeparators(m_folders->filePath(current)));
}

void frmSetting::setBackupFolder()
{
    if (!m_ctx.platform.ask(this, QStringLiteral("Set this as your database backup folder?"), kTitleConfirmChange))
        return;
    const QString folder = m_Label9->text();
    const ShopSettings::Change changed = ShopSettings::setBackupFolder(m_ctx.db, folder);
    if (changed.outcome != ShopSettings::Outcome::Saved) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The backup folder was not changed."), settingsFault(changed));
        return;
    }
    m_txtDatabase->setText(folder);
    m_ctx.companyNameChanged();
    const QString title = NoteTitle::DatabaseBackupSettings;
    m_ctx.platform.message(this, QStringLiteral("Database Backup Folder has been Changed to %1!").arg(folder), title);
    notify(title,
           sentence(QStringLiteral(" changed the Backup Database folder to ") + folder + QStringLiteral(" using ")));
}

// A server's database is backed up on the server (pg_dump), not copied by a till.
bool frmSetting::saidServerBackups()
{
    if (!m_ctx.db.isServer())
        return false;
    m_ctx.platform.message(this,
                           QStringLiteral("The shop's database is on a database server. It is backed up and "
                                          "restored on the server (pg_dump and pg_restore), not from a till."),
                           kTitleAdmin, QMessageBox::Ok, QMessageBox::Information);
    return true;
}

void frmSetting::backupNow()
{
    if (saidServerBackups())
        return;
    // The folder in the box is used as it stands, typed by hand or saved.
    const QString folder = m_txtDatabase->text();
    if (folder.isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Cannot save database to empty folder!"),
                               QStringLiteral("Set Database"));
        return;
    }
    const QString destination = folder + QDir::separator() + Database::fileName();
    QString error;
    bool copied;
    {
        WorkProgressDialog progress(this, QStringLiteral("Backing up the database..."), false);
        const WorkProgress step = [&progress](qint64 done, qint64 total) { progress.step(done, total); };
        copied = backupDatabase(m_ctx.db, destination, &error, step);
        if (copied) {
            progress.setLabel(QStringLiteral("Keeping a dated copy..."));
            if (!DatedBackups::keep(destination, QDateTime::currentDateTime(), &error, step))
                m_ctx.platform.writeFailed(this, QStringLiteral("The dated copy of the backup was not kept."), error);
        }
    }
    if (!copied) {
        m_ctx.platform.message(this, QStringLiteral("Backup Database Failed! Check the folder's availability"),
                               QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    m_ctx.platform.message(this, QStringLiteral("Database backup Successfull!"), kTitleAdmin);
    notify(NoteTitle::DatabaseBackup, sentence(QStringLiteral(" accessed backup Database command  using ")) +
                                          QStringLiteral("\r\nFolder: ") + folder);
}

// Asks for a backup file, starting in the backup folder; empty when none was picked.
QString frmSetting::pickBackupFile()
{
    QFileDialog chooser(this, QStringLiteral("Restore a Backup"), m_txtDatabase->text(),
                        QStringLiteral("Database backups (*.mdb);;All files (*)"));
    chooser.setObjectName(QStringLiteral("restoreChooser"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    if (m_ctx.platform.showModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return {};
    return chooser.selectedFiles().first();
}

void frmSetting::restoreBackup()
{
    if (saidServerBackups())
        return;
    const QString path = pickBackupFile();
    if (path.isEmpty())
        return;
    Platform& platform = m_ctx.platform;
    const QString shown = QDir::toNativeSeparators(path);
    QString error;
    bool sound;
    {
        WorkProgressDialog progress(this, QStringLiteral("Checking the backup..."), false);
        sound = checkBackupFile(path, &error, [&progress](qint64 done, qint64 total) { progress.step(done, total); });
    }
    if (!sound) {
        platform.writeFailed(
            this,
            QStringLiteral("Nothing was restored: %1 is not a backup of this shop, does not open with the "
                           "database password or is damaged.")
                .arg(shown),
            error);
        return;
    }
    const QDateTime written = DatedBackups::writtenAt(path);
    const QFileInfo live(m_ctx.db.filePath());
    const QString keptCopy = live.absolutePath() + QDir::separator() + live.completeBaseName() +
                             QStringLiteral("-before-restore-") +
                             QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd-HHmmss")) +
                             QStringLiteral(".") + live.suffix();
    // The sales the shop would lose are said; the question cannot be answered Yes by Enter alone.
    const qint64 newer = salesAfter(m_ctx.db, written);
    QString lost = QStringLiteral("%1 sales were made after this backup; they will be gone.").arg(newer);
    if (newer < 0)
        lost = QStringLiteral("The sales made since then could not be counted.");
    else if (newer == 0)
        lost = QStringLiteral("No sale was made after this backup.");
    else if (newer == 1)
        lost = QStringLiteral("1 sale was made after this backup; it will be gone.");
    const QString question =
        QStringLiteral("Restore the backup %1 of %2 %3?\n\nEvery record of the shop will be replaced by the "
                       "backup's. %4 The current data is kept as %5.")
            .arg(shown, DateText(written.date()), TimeText(written.time()), lost, QDir::toNativeSeparators(keptCopy));
    if (!platform.ask(this, question, QStringLiteral("Confirm Restore"), QMessageBox::Warning, QMessageBox::No))
        return;

    bool restored = false;
    {
        WorkProgressDialog progress(this, QStringLiteral("Keeping a copy of the current data..."), false);
        if (!backupDatabase(m_ctx.db, keptCopy, &error,
                            [&progress](qint64 done, qint64 total) { progress.step(done, total); })) {
            error = QStringLiteral("The current data could not be kept: ") + error;
        } else {
            progress.setLabel(QStringLiteral("Restoring the backup..."));
            progress.step(0, 0);
            restored = restoreDatabase(m_ctx.db, path, &error);
        }
    }
    if (!restored) {
        platform.writeFailed(this, QStringLiteral("Nothing was restored: the shop's data is as it was."), error);
        return;
    }
    refreshAfterRestore();
    platform.message(this, QStringLiteral("Database restored from %1!").arg(shown), kTitleAdmin);
    notify(NoteTitle::DatabaseRestore, sentence(QStringLiteral(" restored the database from a backup using ")) +
                                           QStringLiteral("\r\nBackup: ") + shown + QStringLiteral("\r\nKept: ") +
                                           QDir::toNativeSeparators(keptCopy));
}

// Every list of every open window reads the restored data again, and the main window its
// company name and notifications.
void frmSetting::refreshAfterRestore()
{
    // The restored log holds the backup's rows: the running session writes a row of its own
    // first, so the lists read it too.
    m_ctx.sessionLogReplaced();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (DataControl* control : window->findChildren<DataControl*>())
            control->Refresh();
    }
    GetClient();
    GetClient6();
    m_ctx.companyNameChanged();
    m_ctx.notificationsChanged();
}

// --- logs and history ----------------------------------------------------------------------

void frmSetting::refreshLogs()
{
    m_Adodc1->setRecordSource(SessionLog::listStatement());
    m_Adodc1->Refresh();
}

bool frmSetting::clearTable(const QString& table, const QString& question, const QString& done, const QString& title,
                            const QString& phrase, const QString& failed)
{
    if (!m_ctx.platform.ask(this, question, kTitleConfirm))
        return false;
    if (QString error; !History::clear(m_ctx.db, table, &error)) {
        m_ctx.platform.writeFailed(this, failed, error);
        return false;
    }
    if (table == m_Adodc1->tableName())
        refreshLogs();
    m_ctx.platform.message(this, done, kTitleDeleted);
    notify(title, sentence(phrase));
    return true;
}

// --- panels --------------------------------------------------------------------------------

void frmSetting::showAccountsPanel(bool shown)
{
    if (shown) {
        m_Picture1->hide();
        m_Picture2->show();
    } else {
        m_Picture2->hide();
    }
    updatePlaceholder();
}

void frmSetting::showLogPanel(bool shown)
{
    if (shown) {
        m_Picture2->hide();
        refreshLogs(); // the running session's row changes every second
        m_Picture1->show();
    } else {
        m_Picture1->hide();
    }
    updatePlaceholder();
}

void frmSetting::updatePlaceholder()
{
    m_placeholder->setVisible(m_Frame1->isHidden() && m_Picture1->isHidden() && m_Picture2->isHidden());
}

void frmSetting::updateCounters()
{
    m_Label6->setText(QString::number(m_Adodc1->totalRowCount()));
    m_Label16->setText(QString::number(m_Adodc2->totalRowCount()));
}

// --- notifications -------------------------------------------------------------------------

QString frmSetting::sentence(const QString& phrase) const
{
    return NotificationSentence(m_ctx.session().DisplayName(), phrase, m_ctx.session().DomainName());
}

void frmSetting::notify(const QString& title, const QString& message)
{
    // The change itself stands; a journal entry that could not be stored is said, not hidden
    // (for a clearing it is the only record that the rows were deleted).
    if (!PostNotification(*m_adoNot, title, message))
        m_ctx.platform.writeFailed(this, QStringLiteral("The notification \"%1\" was not saved.").arg(title),
                                   m_adoNot->lastError());
    m_ctx.notificationsChanged();
}
