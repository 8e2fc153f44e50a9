#include "app/DatabaseChoice.h"

#include "data/Database.h"

#include <QDir>
#include <QSettings>
#include <QSysInfo>

DatabaseChoice DatabaseChoice::choose(const QString& programDir, const QProcessEnvironment& env)
{
    DatabaseChoice choice;
    const QDir dir(programDir);
    QString confTill;
    const QString conf = dir.filePath(confName());
    if (QFileInfo::exists(conf)) {
        const QSettings settings(conf, QSettings::IniFormat);
        choice.service = settings.value(QStringLiteral("server/service")).toString().trimmed();
        confTill = settings.value(QStringLiteral("server/till")).toString().trimmed();
    }
    if (choice.service.isEmpty())
        choice.service = env.value(QStringLiteral("PGSERVICE")).trimmed();
    if (!choice.onServer()) {
        choice.filePath = dir.filePath(Database::fileName());
        return choice;
    }
    choice.connection = Database::serviceConnection(choice.service);
    choice.till = env.value(QStringLiteral("PEMVIX_TILL")).trimmed();
    if (choice.till.isEmpty())
        choice.till = confTill;
    if (choice.till.isEmpty())
        choice.till = QSysInfo::machineHostName();
    if (choice.till.isEmpty())
        choice.till = QStringLiteral("1");
    return choice;
}
