#include "session/frmMain.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "platform/FormDialog.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "session/AppContext.h"
#include "session/MenuIcons.h"
#include "session/SessionLog.h"
#include "session/ShopSettings.h"
#include "session/WindowFactory.h"
#include "session/frmPassword.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 112;

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette pal = widget->palette();
    if (pal.color(QPalette::WindowText) == colour)
        return;
    pal.setColor(QPalette::WindowText, colour);
    widget->setPalette(pal);
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setMinimumSize(110, 34);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// Shows a multi-line message on one line in a grid cell; the full text is in the box below.
class OneLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        QString text = QStyledItemDelegate::displayText(value, locale);
        text.replace(QLatin1String("\r\n"), QLatin1String("  "));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(QChar::LineSeparator, QLatin1Char(' '));
        return text;
    }
};

const char* const kStyle = R"CSS(
#topBar { background: #ffffff; border-bottom: 1px solid #c5d0dc; }
#menuArea, #Picture1, #Picture3, #Picture4 {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f3f7fb, stop:1 #d6e2ee);
}
#sessionBar { background: #27384a; }
#sessionBar QLabel { color: #e8eef4; }
#sessionBar QLabel[caption="true"] { color: #9fb3c8; }
#sessionBar QPushButton {
    color: #e8eef4; background: #3a5068; border: 1px solid #6f8aa6; border-radius: 4px; padding: 3px 12px;
}
#sessionBar QPushButton:hover, #sessionBar QPushButton:focus { background: #4d6a88; border-color: #ffffff; }
#loginCard, #notificationCard, #aboutCard {
    background: #ffffff; border: 1px solid #b8c6d4; border-radius: 8px;
}
#Label2, #Label13, #notificationHeading {
    background: #2f5d8a; color: #ffffff; border-top-left-radius: 8px; border-top-right-radius: 8px;
    padding: 10px 14px; font-weight: bold;
}
#subTitle { color: #607080; }
)CSS";

} // namespace

frmMain::frmMain(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx), m_session(ctx.session())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Zarel's Customized Sales and Inventory System"));
    DisableXbutton(this);
    setStyleSheet(QString::fromUtf8(kStyle));

    m_background = new QWidget(this);
    m_background->setObjectName(QStringLiteral("background"));
    auto* outer = new QVBoxLayout(m_background);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(buildTopBar());

    // The menu and the three panels share one cell: a shown panel lies over the menu.
    auto* area = new QWidget(m_background);
    area->setObjectName(QStringLiteral("menuArea"));
    area->setAttribute(Qt::WA_StyledBackground);
    area->setMouseTracking(true);
    area->installEventFilter(this);
    auto* stack = new QGridLayout(area);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(buildMenu(), 0, 0);
    stack->addWidget(buildNotificationCentre(), 0, 0);
    stack->addWidget(buildSignInPanel(), 0, 0);
    stack->addWidget(buildAboutPanel(), 0, 0);
    outer->addWidget(area, 1);
    outer->addWidget(buildSessionBar());
    setCentralWidget(m_background);
    m_background->setMouseTracking(true);
    m_background->installEventFilter(this);
    setMouseTracking(true);
    installEventFilter(this); // leaving the window ends the hover effect

    resizeToScreen(this, QSize(980, 650));
    setMinimumSize(900, 620);

    connect(&m_session, &SessionState::changed, this, &frmMain::showSessionState);
    m_ctx.mainWindow = {[this] {
                            noti();
                            redrawNotificationGrid();
                        },
                        [this] { GetClient6(); }, [this] { keepOwnLogRow(); }};

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1000);
    connect(m_Timer1, &QTimer::timeout, this, &frmMain::SessionTick);

    m_tmLoad = new QTimer(this);
    m_tmLoad->setObjectName(QStringLiteral("tmLoad"));
    m_tmLoad->setSingleShot(true);
    m_tmLoad->setInterval(10);
    connect(m_tmLoad, &QTimer::timeout, this, [this] {
        // 400 twips at 1440 twips per inch (400 / 15 = about 27 pixels at 96 dpi), never
        // letting the window hang over the bottom of a small screen.
        const int top = qRound(400.0 * logicalDpiY() / 1440.0);
        const QRect area = screenArea(this);
        int left = frameGeometry().left();
        if (!m_placedOnce) {
            left = area.left() + qMax(0, (area.width() - frameGeometry().width()) / 2);
            m_placedOnce = true;
        }
        moveOnScreen(this, QPoint(left, area.top() + top));
    });

    // Load: the session log, the company name, the notifications and their count, the help.
    m_Adodc1 = new DataControl(m_ctx.db, this);
    m_Adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_Adodc1->setRecordSource(SessionLog::listStatement());
    m_Adodc1->Refresh();
    GetClient6();
    noti();
    setCountText(QStringLiteral("Notification"));
    m_Text5->setPlainText(AboutText());
    showSessionState();
    m_txtUsername->setFocus();
    m_tmLoad->start();
}

frmMain::~frmMain()
{
    m_ctx.mainWindow = {};
}

QWidget* frmMain::buildTopBar()
{
    auto* bar = new QWidget(m_background);
    bar->setObjectName(QStringLiteral("topBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setMouseTracking(true);
    bar->installEventFilter(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(24, 14, 24, 14);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    m_lblTitle = makeLabel(QStringLiteral("lblTitle"), QString(), bar);
    QFont big = m_lblTitle->font();
    big.setPointSize(24);
    big.setBold(true);
    m_lblTitle->setFont(big);
    m_lblTitle->setMinimumHeight(QFontMetrics(big).height());
    // A long company name takes a smaller size to fit the bar (fitTitle) instead of widening the
    // window.
    m_lblTitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lblTitle->installEventFilter(this);
    auto* subtitle = makeLabel(QStringLiteral("subTitle"), QStringLiteral("Sales and Inventory System"), bar);
    titles->addWidget(m_lblTitle);
    titles->addWidget(subtitle);
    row->addLayout(titles, 1);

    QFont linkFont = font();
    linkFont.setPointSize(11);
    linkFont.setUnderline(true);
    m_Label11 = makeLabel(QStringLiteral("Label11"), QStringLiteral("About/Help"), bar);
    m_Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("Notifications(0)"), bar);
    for (QLabel* link : {m_Label11, m_Label6}) {
        link->setFont(linkFont);
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->setAttribute(Qt::WA_NoMousePropagation);
        link->installEventFilter(this);
        setTextColour(link, Qt::black);
    }
    row->addWidget(m_Label11, 0, Qt::AlignTop);
    row->addSpacing(24);
    row->addWidget(m_Label6, 0, Qt::AlignTop);

    // Whoever is signed in may change their own password; Alt+P or Tab from the menu reach it.
    // It sits up here, where a long till or account name in the session bar cannot crowd it.
    m_cmdPassword = new QPushButton(QStringLiteral("Change &Password..."), bar);
    m_cmdPassword->setObjectName(QStringLiteral("cmdPassword"));
    m_cmdPassword->setCursor(Qt::PointingHandCursor);
    m_cmdPassword->setAutoDefault(false);
    m_cmdPassword->hide();
    m_cmdPassword->installEventFilter(this);
    row->addSpacing(24);
    row->addWidget(m_cmdPassword, 0, Qt::AlignTop);
    connect(m_cmdPassword, &QPushButton::clicked, this, &frmMain::changeOwnPassword);
    return bar;
}

QWidget* frmMain::buildMenu()
{
    auto* menu = new QWidget;
    menu->setObjectName(QStringLiteral("menu"));
    menu->setMouseTracking(true);
    menu->installEventFilter(this);
    auto* row = new QHBoxLayout(menu);
    row->setContentsMargins(40, 30, 40, 30);
    row->addStretch(1);

    struct Def
    {
        const char* img;
        const char* cmd;
        const char* label;
        const char* caption;
        MenuIcon icon;
    };
    static const Def defs[EntryCount] = {
        {"imgPos", "cmdPos", "lblPos", "Purchase Items", MenuIcon::Purchase},
        {"imgAdm", "cmdAdm", "lblAdm", "Admin Settings", MenuIcon::Settings},
        {"imgRep", "cmdRep", "lblRep", "Register", MenuIcon::Register},
        {"imgOut", "cmdOut", "lblOut", "Log Out", MenuIcon::LogOut},
    };
    QFont captionFont = font();
    captionFont.setPointSize(12);
    captionFont.setBold(true);
    const qreal dpr = devicePixelRatioF();
    for (int i = 0; i < EntryCount; ++i) {
        const Def& def = defs[i];
        auto* entry = new QWidget(menu);
        entry->setMinimumWidth(kIconSize + 70);
        auto* column = new QVBoxLayout(entry);
        column->setSpacing(10);
        // The highlighted twin is a child of the resting picture, exactly over it.
        m_img[i] = makeLabel(QString::fromLatin1(def.img), QString(), entry);
        m_img[i]->setPixmap(menuIconPixmap(def.icon, false, kIconSize, dpr));
        m_cmd[i] = makeLabel(QString::fromLatin1(def.cmd), QString(), m_img[i]);
        m_cmd[i]->setPixmap(menuIconPixmap(def.icon, true, kIconSize, dpr));
        m_cmd[i]->setCursor(Qt::PointingHandCursor);
        m_cmd[i]->setGeometry(0, 0, kIconSize, kIconSize);
        m_cmd[i]->hide();
        for (QLabel* picture : {m_img[i], m_cmd[i]}) {
            picture->setFixedSize(kIconSize, kIconSize);
            picture->setMouseTracking(true);
            picture->setAttribute(Qt::WA_NoMousePropagation);
            picture->installEventFilter(this);
        }
        column->addWidget(m_img[i], 0, Qt::AlignHCenter);
        m_caption[i] = makeLabel(QString::fromLatin1(def.label), QString::fromLatin1(def.caption), entry);
        m_caption[i]->setFont(captionFont);
        m_caption[i]->setAlignment(Qt::AlignCenter);
        m_caption[i]->setMouseTracking(true);
        m_caption[i]->setAttribute(Qt::WA_NoMousePropagation);
        setTextColour(m_caption[i], Qt::black);
        column->addWidget(m_caption[i]);
        row->addWidget(entry, 0, Qt::AlignVCenter);
        row->addStretch(1);
    }
    return menu;
}

QWidget* frmMain::buildSignInPanel()
{
    m_Picture1 = new QWidget;
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    m_Picture1->setAttribute(Qt::WA_StyledBackground);
    auto* centre = new QGridLayout(m_Picture1);

    auto* card = new QFrame(m_Picture1);
    card->setObjectName(QStringLiteral("loginCard"));
    card->setFixedWidth(420);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(14);

    auto* heading = makeLabel(QStringLiteral("Label2"), QStringLiteral("  LOGIN"), card);
    QFont headingFont = heading->font();
    headingFont.setPointSize(13);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    column->addWidget(heading);

    auto* form = new QGridLayout;
    form->setContentsMargins(24, 6, 24, 0);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(12);
    m_txtUsername = new QLineEdit(card);
    m_txtUsername->setObjectName(QStringLiteral("txtUsername"));
    m_txtPassword = new QLineEdit(card);
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    for (QLineEdit* field : {m_txtUsername, m_txtPassword})
        field->setMinimumHeight(30);
    form->addWidget(makeLabel(QStringLiteral("Label10"), QStringLiteral("Username:"), card), 0, 0);
    form->addWidget(m_txtUsername, 0, 1);
    form->addWidget(makeLabel(QStringLiteral("Label1"), QStringLiteral("Password:"), card), 1, 0);
    form->addWidget(m_txtPassword, 1, 1);

    auto* options = new QHBoxLayout;
    m_Option1 = new QRadioButton(QStringLiteral("Admin/Guest"), card);
    m_Option1->setObjectName(QStringLiteral("Option1"));
    m_Option2 = new QRadioButton(QStringLiteral("Client"), card);
    m_Option2->setObjectName(QStringLiteral("Option2"));
    m_Option2->setChecked(true);
    options->addWidget(m_Option1);
    options->addSpacing(20);
    options->addWidget(m_Option2);
    options->addStretch(1);
    form->addLayout(options, 2, 1);
    column->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(24, 6, 24, 0);
    auto* login = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("Login"), card);
    auto* exit = makeButton(QStringLiteral("cmdOrder"), QStringLiteral("Exit"), card);
    buttons->addStretch(1);
    buttons->addWidget(login);
    buttons->addWidget(exit);
    column->addLayout(buttons);

    centre->addWidget(card, 0, 0, Qt::AlignCenter);

    connect(m_txtUsername, &QLineEdit::returnPressed, m_txtPassword, [this] { m_txtPassword->setFocus(); });
    connect(m_txtPassword, &QLineEdit::returnPressed, this, &frmMain::SignIn);
    connect(login, &QPushButton::clicked, this, &frmMain::SignIn);
    connect(exit, &QPushButton::clicked, this, &frmMain::exitProgram);
    for (QRadioButton* option : {m_Option1, m_Option2})
        connect(option, &QRadioButton::clicked, m_txtUsername, [this] { m_txtUsername->setFocus(); });
    return m_Picture1;
}

QWidget* frmMain::buildNotificationCentre()
{
    m_Picture3 = new QWidget;
    m_Picture3->setObjectName(QStringLiteral("Picture3"));
    m_Picture3->setAttribute(Qt::WA_StyledBackground);
    m_Picture3->hide();
    auto* margins = new QVBoxLayout(m_Picture3);
    margins->setContentsMargins(24, 18, 24, 18);

    auto* card = new QFrame(m_Picture3);
    card->setObjectName(QStringLiteral("notificationCard"));
    margins->addWidget(card);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(0, 0, 0, 14);
    column->setSpacing(10);
    column->addWidget(makeLabel(QStringLiteral("notificationHeading"), QStringLiteral("NOTIFICATIONS"), card));

    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoNot->setObjectName(QStringLiteral("adoNot"));
    m_DataGrid1 = new DataGrid(card);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_DataGrid1->setItemDelegate(new OneLineDelegate(m_DataGrid1));
    m_DataGrid1->setWordWrap(false);
    m_DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    bindGrid(m_DataGrid1, m_adoNot);
    auto* gridBox = new QVBoxLayout;
    gridBox->setContentsMargins(14, 0, 14, 0);
    gridBox->addWidget(m_DataGrid1);
    column->addLayout(gridBox, 3);

    auto* details = new QHBoxLayout;
    details->setContentsMargins(14, 0, 14, 0);
    details->setSpacing(16);
    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(8);
    struct FieldDef
    {
        const char* label;
        const char* caption;
        const char* box;
        const char* column;
    };
    static const FieldDef defs[] = {
        {"Label7", "Date:", "Text1", "NoteDate"},
        {"Label8", "Time:", "Text2", "NoteTime"},
        {"Label9", "RE:", "Text4", "RE"},
    };
    int r = 0;
    for (const FieldDef& def : defs) {
        auto* box = new QLineEdit(card);
        box->setObjectName(QString::fromLatin1(def.box));
        box->setReadOnly(true);
        box->setMinimumWidth(250);
        fields->addWidget(makeLabel(QString::fromLatin1(def.label), QString::fromLatin1(def.caption), card), r, 0);
        fields->addWidget(box, r, 1);
        bindField(box, m_adoNot, QString::fromLatin1(def.column));
        ++r;
    }
    fields->setRowStretch(r, 1);
    details->addLayout(fields);
    auto* message = new QPlainTextEdit(card);
    message->setObjectName(QStringLiteral("Text3"));
    message->setReadOnly(true);
    message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bindField(message, m_adoNot, QStringLiteral("Notification"));
    details->addWidget(message, 1);
    column->addLayout(details, 2);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(14, 0, 14, 0);
    auto* remove = makeButton(QStringLiteral("lvButtons_H1"), QStringLiteral("Delete"), card);
    auto* removeAll = makeButton(QStringLiteral("lvButtons_H3"), QStringLiteral("Delete All"), card);
    auto* close = makeButton(QStringLiteral("lvButtons_H2"), QStringLiteral("Close"), card);
    buttons->addWidget(remove);
    buttons->addWidget(removeAll);
    auto* exportList = ListExport::gridButton(QStringLiteral("cmdExportNotes"), card, this, m_ctx.platform, m_DataGrid1,
                                              m_adoNot, QStringLiteral("Notifications"));
    exportList->setMinimumSize(110, 34);
    buttons->addWidget(exportList);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);

    connect(remove, &QPushButton::clicked, this, &frmMain::deleteNotification);
    connect(removeAll, &QPushButton::clicked, this, &frmMain::deleteAllNotifications);
    connect(close, &QPushButton::clicked, m_Picture3, &QWidget::hide);
    return m_Picture3;
}

QWidget* frmMain::buildAboutPanel()
{
    m_Picture4 = new QWidget;
    m_Picture4->setObjectName(QStringLiteral("Picture4"));
    m_Picture4->setAttribute(Qt::WA_StyledBackground);
    m_Picture4->hide();
    auto* margins = new QVBoxLayout(m_Picture4);
    margins->setContentsMargins(24, 18, 24, 18);

    auto* card = new QFrame(m_Picture4);
    card->setObjectName(QStringLiteral("aboutCard"));
    margins->addWidget(card);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(0, 0, 0, 14);
    column->setSpacing(10);
    column->addWidget(makeLabel(QStringLiteral("Label13"), QStringLiteral("ABOUT AND HELP MENU"), card));

    m_Text5 = new QPlainTextEdit(card);
    m_Text5->setObjectName(QStringLiteral("Text5"));
    m_Text5->setReadOnly(true);
    m_Text5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont textFont = m_Text5->font();
    textFont.setPointSize(11);
    m_Text5->setFont(textFont);
    auto* textBox = new QVBoxLayout;
    textBox->setContentsMargins(14, 0, 14, 0);
    textBox->addWidget(m_Text5);
    column->addLayout(textBox, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(14, 0, 14, 0);
    auto* close = makeButton(QStringLiteral("lvButtons_H5"), QStringLiteral("Close"), card);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);
    connect(close, &QPushButton::clicked, m_Picture4, &QWidget::hide);
    return m_Picture4;
}

QWidget* frmMain::buildSessionBar()
{
    auto* bar = new QWidget(m_background);
    bar->setObjectName(QStringLiteral("sessionBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setMouseTracking(true);
    bar->installEventFilter(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 8, 20, 8);
    row->setSpacing(6);

    m_lblUsername = makeLabel(QStringLiteral("lblUsername"), QString(), bar);
    m_lblType = makeLabel(QStringLiteral("lblType"), QString(), bar);
    m_Label5 = makeLabel(QStringLiteral("Label5"), QString(), bar);
    m_lblStart = makeLabel(QStringLiteral("lblStart"), QString(), bar);
    m_lblEnd = makeLabel(QStringLiteral("lblEnd"), QString(), bar);
    m_Label4 = makeLabel(QStringLiteral("Label4"), QString(), bar);
    // Which till this copy of the program is; each till sells into its own cart.
    m_lblTill = makeLabel(QStringLiteral("lblTill"), m_ctx.till, bar);
    const std::pair<const char*, QLabel*> fields[] = {
        {"Till:", m_lblTill},   {"User:", m_lblUsername}, {"Account:", m_lblType}, {"Domain:", m_Label5},
        {"Start:", m_lblStart}, {"End:", m_lblEnd},       {"Elapsed:", m_Label4},
    };
    bool first = true;
    for (const auto& [caption, label] : fields) {
        if (!first)
            row->addSpacing(18);
        first = false;
        auto* captionLabel = new QLabel(QString::fromLatin1(caption), bar);
        captionLabel->setProperty("caption", true);
        row->addWidget(captionLabel);
        row->addWidget(label);
    }
    row->addStretch(1);

    // The elapsed hours, minutes and seconds, kept as decimal text.
    m_h = new QPushButton(QStringLiteral("0"), bar);
    m_h->setObjectName(QStringLiteral("h"));
    m_m = new QPushButton(QStringLiteral("0"), bar);
    m_m->setObjectName(QStringLiteral("m"));
    m_s = new QPushButton(QStringLiteral("0"), bar);
    m_s->setObjectName(QStringLiteral("s"));
    for (QPushButton* counter : {m_h, m_m, m_s})
        counter->hide();
    return bar;
}

void frmMain::setDomainName(const QString& domain)
{
    m_session.setDomainName(domain);
}

void frmMain::showSessionState()
{
    m_lblUsername->setText(m_session.DisplayName());
    m_lblType->setText(m_session.AccountType());
    m_Label5->setText(m_session.DomainName());
    m_lblStart->setText(m_session.StartTime());
    m_Label4->setText(m_session.ElapsedText());
}

void frmMain::GetClient6()
{
    const std::optional<QString> name = ShopSettings::companyName(m_ctx.db);
    if (!name)
        return;
    m_lblTitle->clear();
    m_lblTitle->setText(*name);
    fitTitle();
}

void frmMain::noti()
{
    m_adoNot->setRecordSource(NotificationsStatement());
    m_adoNot->Refresh();
    redrawNotificationGrid();
}

void frmMain::redrawNotificationGrid()
{
    QHeaderView* header = m_DataGrid1->horizontalHeader();
    const int widths[] = {150, 100, 230};
    for (int c = 0; c < 3 && c < m_adoNot->columnCount(); ++c)
        header->resizeSection(c, widths[c]);
    m_DataGrid1->viewport()->update();
}

void frmMain::placeWindow()
{
    m_tmLoad->start();
}

void frmMain::setCountText(const QString& word)
{
    m_Label6->setText(word + QLatin1Char('(') + QString::number(m_adoNot->totalRowCount()) + QLatin1Char(')'));
}

void frmMain::SignIn()
{
    const QString user = m_txtUsername->text();
    const QString password = m_txtPassword->text();
    Credentials::Lookup found;
    if (m_Option1->isChecked())
        found = Credentials::findAccount(m_ctx.db, user, password);
    else if (m_Option2->isChecked())
        found = Credentials::findEmployee(m_ctx.db, user, password);
    else
        return;

    if (found.result == Credentials::Lookup::Result::ReadFailed) {
        // Nothing was checked: what was typed stays, to sign in again once it can be read.
        m_ctx.platform.message(this, found.error, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning,
                               found.detail);
        return;
    }
    if (found.result == Credentials::Lookup::Result::NoMatch) {
        m_ctx.platform.message(this, QStringLiteral("Incorrect username/password"));
        m_txtUsername->clear();
        m_txtPassword->clear();
        m_txtUsername->setFocus();
        return;
    }

    m_session.setStartTime(TimeText());
    m_Picture1->hide();
    // The keyboard goes to the menu, not to the hidden password box.
    setMenuReachable(true);
    m_img[Pos]->setFocus(Qt::OtherFocusReason);
    m_signedIn = found.who;
    m_cmdPassword->show();
    m_session.setDisplayName(found.who.displayName);
    m_session.setAccountType(found.who.type);
    m_logFailureReported = false;
    appendLogRow();
    m_Timer1->start();
}

bool frmMain::appendLogRow()
{
    m_logEntry = {DateText(), m_session.StartTime(), m_session.DisplayName(), m_session.DomainName(),
                  m_session.AccountType()};
    m_logRowId = SessionLog::append(m_ctx.db, m_logEntry);
    if (m_logRowId < 0) {
        m_logFailureReported = true;
        m_ctx.platform.writeFailed(this, QStringLiteral("The sign-in could not be written to the session log."),
                                   m_ctx.db.lastError());
        return false;
    }
    m_Adodc1->Refresh();
    return true;
}

void frmMain::keepOwnLogRow()
{
    if (m_logRowId < 0)
        return;
    const SessionLog::Kept kept =
        SessionLog::update(m_ctx.db, &m_logRowId, m_logEntry, m_lblEnd->text(), m_session.ElapsedText());
    if (kept == SessionLog::Kept::Rewritten)
        m_Adodc1->Refresh();
    // A failure is said once per session; later ticks keep trying.
    if (kept == SessionLog::Kept::Failed && !m_logFailureReported) {
        m_logFailureReported = true;
        m_ctx.platform.writeFailed(this, QStringLiteral("The session log could not be updated."), m_ctx.db.lastError());
    }
}

void frmMain::SessionTick()
{
    auto addOne = [](QPushButton* counter) { counter->setText(PlainNumber(NumberFromText(counter->text()) + 1)); };
    addOne(m_s);
    if (m_s->text() == QLatin1String("60")) {
        addOne(m_m);
        m_s->setText(QStringLiteral("0"));
    } else if (m_m->text() == QLatin1String("60")) {
        addOne(m_h);
        m_m->setText(QStringLiteral("0"));
    }
    m_session.setElapsedText(m_h->text() + QStringLiteral(" Hr ") + m_m->text() + QStringLiteral(" Min ") +
                             m_s->text() + QStringLiteral(" Sec"));
    const QString endTime = TimeText();
    m_lblEnd->setText(endTime);

    // The session's own row, found by the identity kept at sign-in (a session past midnight
    // still finds it); after a restore on any till, a new row of its own.
    keepOwnLogRow();
    setCountText(QStringLiteral("Notifications"));
}

void frmMain::SignOut()
{
    if (!m_ctx.platform.ask(this, QStringLiteral("Log out?"), QStringLiteral("Log out")))
        return;
    m_Picture3->hide();
    m_Picture1->show();
    m_Picture1->raise();
    if (m_Picture4->isVisible())
        m_Picture4->raise();
    m_txtUsername->clear();
    m_txtPassword->clear();
    setMenuReachable(false);
    m_txtUsername->setFocus();
    m_session.setDisplayName(QString());
    m_session.setAccountType(QString());
    m_signedIn = {};
    m_cmdPassword->hide();
    m_lblEnd->setText(TimeText());
    m_Timer1->stop();
    m_logRowId = -1;
    for (QPushButton* counter : {m_m, m_s, m_h})
        counter->setText(QStringLiteral("0"));
    resetHover();
}

void frmMain::exitProgram()
{
    // At once: no question, no log write, no window closed in order.
    m_Timer1->stop();
    emit exitRequested();
    QCoreApplication::exit(0);
}

void frmMain::openEntry(Entry entry)
{
    switch (entry) {
    case Pos:
        openPurchaseItems();
        break;
    case Adm:
        openAdminSettings();
        break;
    case Rep:
        openRegister();
        break;
    case Out:
        SignOut();
        break;
    case EntryCount:
        break;
    }
}

void frmMain::openPurchaseItems()
{
    if (!m_ctx.windows)
        return;
    if (!m_ctx.noTill.isEmpty()) {
        m_ctx.platform.message(this, m_ctx.noTill, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    hide();
    int result;
    do {
        const auto window = m_ctx.windows->createPOS(this);
        result = m_ctx.platform.showModal(*window);
    } while (result == FormDialog::Reopen);
    show();
    activateWindow();
    m_img[Pos]->setFocus(Qt::OtherFocusReason);
    placeWindow();
}

void frmMain::openRegister()
{
    if (!m_ctx.windows)
        return;
    const auto window = m_ctx.windows->createReg(this);
    m_ctx.platform.showModal(*window);
}

void frmMain::openAdminSettings()
{
    if (!m_session.IsAdministrator()) {
        m_ctx.platform.message(this, QStringLiteral("For Admin used only!"), QStringLiteral("Admin"));
        return;
    }
    if (!m_ctx.windows)
        return;
    const auto window = m_ctx.windows->createSetting(this);
    // 4000 twips below this window's top edge, kept on the screen.
    const int offset = qRound(4000.0 * logicalDpiY() / 1440.0);
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const int left = frameGeometry().center().x() - window->frameGeometry().width() / 2;
    moveOnScreen(window.get(), QPoint(left, frameGeometry().top() + offset));
    m_ctx.platform.showModal(*window);
}

void frmMain::openNotifications()
{
    if (m_txtUsername->text().isEmpty() || m_txtPassword->text().isEmpty()) {
        m_ctx.platform.message(this, QStringLiteral("Login first before you access Notifications!"),
                               QStringLiteral("Admin"));
        return;
    }
    if (!m_session.IsAdministrator()) {
        m_ctx.platform.message(this, QStringLiteral("For Admin use only"), QStringLiteral("Admin"));
        return;
    }
    noti();
    m_Picture3->show();
    m_Picture3->raise();
    redrawNotificationGrid();
}

void frmMain::changeOwnPassword()
{
    if (!m_signedIn.who.isValid())
        return;
    const bool employee = m_signedIn.who.kind == Credentials::Kind::Employee;
    const QString whose =
        employee
            ? QStringLiteral("Employee ID %1: %2 (%3)").arg(m_signedIn.login, m_signedIn.displayName, m_signedIn.type)
            : QStringLiteral("Account: %1 (%2)").arg(m_signedIn.login, m_signedIn.type);
    const DetailLines details = employee ? DetailLines{{QStringLiteral("Employee ID: "), m_signedIn.login},
                                                       {QStringLiteral("Name: "), m_signedIn.displayName}}
                                         : DetailLines{{QStringLiteral("Account: "), m_signedIn.login},
                                                       {QStringLiteral("Type: "), m_signedIn.type}};
    const Credentials::Note note{NoteTitle::PasswordChanged,
                                 NotificationSentence(m_session.DisplayName(),
                                                      QStringLiteral(" changed their own password using "),
                                                      m_session.DomainName()) +
                                     DetailsBlock(details)};
    frmPassword dialog(
        m_ctx.platform, whose, m_signedIn.who.kind, true,
        [&](const QString& current, const QString& password, QString* error) {
            return Credentials::changeOwnPassword(m_ctx.db, m_signedIn.who, current, password, note, error);
        },
        this);
    const bool changed = m_ctx.platform.showModal(dialog) == QDialog::Accepted;
    noti();
    if (!changed)
        return;
    // The sign-in boxes keep what the session was opened with, now the new password.
    m_txtPassword->setText(dialog.storedPassword());
    m_ctx.platform.message(this, QStringLiteral("Your password has been changed!"), QStringLiteral("Change Password"));
}

void frmMain::deleteNotification()
{
    if (m_adoNot->currentRow() < 0) {
        m_ctx.platform.message(this, QStringLiteral("No notification is selected."));
        return;
    }
    if (m_ctx.platform.ask(this, QStringLiteral("Delete this Message?"), QStringLiteral("Confirm Delete"))) {
        // The current row only, by its own identity.
        if (m_adoNot->Delete())
            m_ctx.platform.message(this, QStringLiteral("Note has been deleted!"), QStringLiteral("Deleted!"));
        else
            m_ctx.platform.writeFailed(this, QStringLiteral("The notification could not be deleted."),
                                       m_adoNot->lastError());
    }
    noti();
}

void frmMain::deleteAllNotifications()
{
    if (m_ctx.platform.ask(this, QStringLiteral("Delete all Messages?"), QStringLiteral("Confirm Delete"))) {
        if (DeleteAllNotifications(m_ctx.db))
            m_ctx.platform.message(this, QStringLiteral("All Notifications deleted!"), QStringLiteral("Deleted!"));
        else
            m_ctx.platform.writeFailed(this, QStringLiteral("The notifications could not be deleted."),
                                       m_ctx.db.lastError());
    }
    noti();
}

void frmMain::fitTitle()
{
    // The company name is shown whole: the largest size from 24 points down to 12 at which it
    // fits the bar's width (a name too long even then is cut at the edge).
    QFont font = m_lblTitle->font();
    const int width = m_lblTitle->contentsRect().width();
    int size = 24;
    for (; size > 12; --size) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(m_lblTitle->text()) <= width)
            break;
    }
    font.setPointSize(size);
    if (font != m_lblTitle->font())
        m_lblTitle->setFont(font);
}

void frmMain::resetHover()
{
    for (QLabel* picture : m_cmd)
        picture->hide();
    for (QLabel* label : {m_Label6, m_Label11, m_caption[Out], m_caption[Rep], m_caption[Adm], m_caption[Pos]})
        setTextColour(label, Qt::black);
}

void frmMain::showFocusedEntry()
{
    // The entry with the keyboard focus takes the hover look; the mouse over the background
    // ends it as for any hover.
    resetHover();
    for (int i = 0; i < EntryCount; ++i) {
        if (m_img[i]->hasFocus() || m_img[i]->underMouse()) {
            m_cmd[i]->show();
            setTextColour(m_caption[i], Qt::red);
        }
    }
}

void frmMain::setMenuReachable(bool reachable)
{
    // Only a signed-in user reaches the menu; the sign-in panel covers it otherwise. The keyboard
    // reaches an entry by Tab; a click or a tap opens it at once without moving the focus first.
    for (QLabel* picture : m_img)
        picture->setFocusPolicy(reachable ? Qt::TabFocus : Qt::NoFocus);
}

bool frmMain::menuKey(int entry, const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openEntry(static_cast<Entry>(entry));
        return true;
    case Qt::Key_Tab:
        // Tab goes on from the last entry to the session bar's button, and from there back
        // to the first entry; the arrow keys stay within the four.
        if (entry == EntryCount - 1 && m_cmdPassword->isVisible()) {
            m_cmdPassword->setFocus(Qt::TabFocusReason);
            return true;
        }
        [[fallthrough]];
    case Qt::Key_Right:
    case Qt::Key_Down:
        m_img[(entry + 1) % EntryCount]->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Backtab:
        if (entry == 0 && m_cmdPassword->isVisible()) {
            m_cmdPassword->setFocus(Qt::BacktabFocusReason);
            return true;
        }
        [[fallthrough]];
    case Qt::Key_Left:
    case Qt::Key_Up:
        m_img[(entry + EntryCount - 1) % EntryCount]->setFocus(Qt::BacktabFocusReason);
        return true;
    default:
        return false;
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool over = type == QEvent::Enter || type == QEvent::MouseMove;
    const bool click =
        type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        static_cast<QWidget*>(watched)->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());

    if (watched == m_lblTitle && type == QEvent::Resize)
        fitTitle();
    for (int i = 0; i < EntryCount; ++i) {
        if (watched == m_img[i] && (type == QEvent::FocusIn || type == QEvent::FocusOut)) {
            showFocusedEntry();
            return false;
        }
        if (watched == m_img[i] && type == QEvent::KeyPress)
            return menuKey(i, static_cast<QKeyEvent*>(event));
        if (watched == m_img[i]) {
            if (over)
                m_cmd[i]->show();
            else if (click)
                openEntry(static_cast<Entry>(i));
            return over || click;
        }
        if (watched == m_cmd[i]) {
            if (over)
                setTextColour(m_caption[i], Qt::red);
            else if (click)
                openEntry(static_cast<Entry>(i));
            return over || click;
        }
    }
    if (watched == m_cmdPassword && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            m_img[key == Qt::Key_Tab ? Pos : Out]->setFocus(key == Qt::Key_Tab ? Qt::TabFocusReason
                                                                               : Qt::BacktabFocusReason);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            changeOwnPassword();
            return true;
        }
        return false;
    }
    if (watched == m_Label6 || watched == m_Label11) {
        if (over) {
            setTextColour(static_cast<QWidget*>(watched), Qt::red);
        } else if (click) {
            if (watched == m_Label6) {
                openNotifications();
            } else {
                m_Picture4->show();
                m_Picture4->raise();
            }
        }
        return over || click;
    }
    if ((over && type == QEvent::MouseMove) || (watched == this && type == QEvent::Leave))
        resetHover(); // the window background, or the mouse left the window
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // No close box: the program ends only through "Exit".
    event->ignore();
}

QString frmMain::AboutText()
{
    static const char* const lines[] = {
        "Zarel's Customized Sales and Inventory System (Pemvix) V2",
        "",
        "SYSTEM FEATURES",
        "",
        "Pemvix V2 contains the following features:",
        "> Separate Account Registration for Admin, Guests, Employees, and Items",
        "> Real-time System Update via Notifications (Admin only)",
        "> Direct updates of Registered entries for the Access availability.",
        "> Encrypted Database and password Protection system.",
        "> Printable Sales Reports and Inventory Reports",
        "> Smooth Flow for Item Purchase Transactions with User-Friendly GUI",
        "> Easy to Use controls and System Navigation",
        "> Allows Database Back-up",
        "> Customized Company Name settings for the Business",
        "> Shows detailed Entries Count.",
        "> Security measures including Login account verification and user's Domain info for Log File Menu",
        "> Allows quick search for business information.",
        "",
        "MANUAL",
        "To Register Admin and Guest Account, you must be Logged as Administrator. Go To Admin Settings and "
        "complete the form.",
        "To Register Employee and Items, go to Registration Menu.",
        "To Backup and Set Database Backup Folder, you must be logged as Administrator. Go to Admin Settings and "
        "look for Database Settings.",
        "To View your Notifications, you must be logged as Administrator. Just Click the Notification Title on the "
        "Main form",
        "To Print and View Sales Report, you must be logged as Administrator. Go to Purchase Item Menu and Look for "
        "Sales in the Menu",
        "To Print and View Inventory Status, go to Purchase item Menu and look for Inventory in the Menu.",
        "To Clear the Transaction and Sales Information, you must be logged as Administrator. GO to Admin setting and "
        "look for the clear button.",
    };
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}
