#include "session/AppContext.h"

#include "session/frmMain.h"

SessionState& AppContext::session() const
{
    return main->session();
}

void AppContext::notificationsChanged() const
{
    if (main) {
        main->noti();
        main->redrawNotificationGrid();
    }
}

void AppContext::companyNameChanged() const
{
    if (main)
        main->GetClient6();
}

void AppContext::sessionLogReplaced() const
{
    if (main)
        main->keepOwnLogRow();
}
