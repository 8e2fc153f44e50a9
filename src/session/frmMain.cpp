#include "session/frmMain.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "platform/DataGrid.h"
#include "session/AppContext.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

frmMain::frmMain(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx), m_session(this)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Zarel's Customized Sales and Inventory System"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_lblTitle = new QLabel(central);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    layout->addWidget(m_lblTitle);
    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoNot->setObjectName(QStringLiteral("adoNot"));
    m_DataGrid1 = new DataGrid(central);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    layout->addWidget(m_DataGrid1);
    setCentralWidget(central);
    bindGrid(m_DataGrid1, m_adoNot);
    GetClient6();
    noti();
}

frmMain::~frmMain() = default;

void frmMain::GetClient6()
{
    Recordset& rs = m_ctx.db.OpenRecordset(QStringLiteral("Select * from tblMain"));
    if (rs.State() == 0 || rs.BOF())
        return;
    m_lblTitle->clear();
    while (!rs.EndOfFile()) {
        m_lblTitle->setText(rs.text(QStringLiteral("CompanyName")));
        rs.MoveNext();
    }
}

void frmMain::noti()
{
    m_adoNot->setRecordSource(QStringLiteral("Select * from tblNot"));
    m_adoNot->Refresh();
    redrawNotificationGrid();
}

void frmMain::redrawNotificationGrid()
{
    m_DataGrid1->viewport()->update();
}

void frmMain::placeWindow()
{
    QTimer::singleShot(10, this, [this] {
        // 400 twips at 1440 twips per inch is 400 / 15 = about 27 pixels at 96 dpi.
        const int top = qRound(400.0 * logicalDpiY() / 1440.0);
        const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
        move(x(), screen.top() + top);
    });
}
