#include "session/AppContext.h"

void AppContext::notificationsChanged() const
{
    if (mainWindow.notificationsChanged)
        mainWindow.notificationsChanged();
}

void AppContext::companyNameChanged() const
{
    if (mainWindow.companyNameChanged)
        mainWindow.companyNameChanged();
}

void AppContext::sessionLogReplaced() const
{
    if (mainWindow.sessionLogReplaced)
        mainWindow.sessionLogReplaced();
}
