#include "startup/frmLoading.h"

#include "session/AppContext.h"
#include "session/frmMain.h"

#include <QTimer>

frmLoading::frmLoading(AppContext& ctx, std::function<frmMain*()> loadMain, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_loadMain(std::move(loadMain))
{
    setObjectName(QStringLiteral("frmLoading"));
    setWindowTitle(QStringLiteral("Tolvenco System Solution"));
}

frmLoading::~frmLoading() = default;

void frmLoading::start()
{
    show();
    QTimer::singleShot(0, this, [this] {
        frmMain* main = m_loadMain();
        close();
        main->show();
    });
}
