#include "app/DatabaseChoice.h"

#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QSysInfo>

#include <algorithm>

namespace {

// The value of `key` in `[section]` of the ini file `path`, as written on its line (the last
// such line counts). Settings read through QSettings turn a comma into a list and drop quotes,
// which would make another name of a till name. `undecodable` tells whether the file's bytes
// are not UTF-8.
QString literalSetting(const QString& path, QStringView section, QStringView key, bool* undecodable)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QString value;
    bool found = false;
    bool inSection = false;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.endsWith(u']') && QStringView(line).mid(1, line.size() - 2).trimmed() == section;
            continue;
        }
        if (!inSection || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || QStringView(line).left(equals).trimmed() != key)
            continue;
        value = line.mid(equals + 1).trimmed();
        found = true;
    }
    *undecodable = found && value.contains(QChar::ReplacementCharacter);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"') &&
        !QStringView(value).mid(1, value.size() - 2).contains(u'"'))
        value = value.mid(1, value.size() - 2).trimmed();
    return value;
}

// Why `name` cannot be a till's name (empty when it can): it must survive being stored and
// shown as it was written.
QString tillNameProblem(const QString& name, const QString& origin, bool undecodable)
{
    if (undecodable)
        return QStringLiteral("The till name in %1 is not written in UTF-8.").arg(origin);
    if (std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("The till name in %1 holds a control character (such as a tab).").arg(origin);
    return {};
}

} // namespace

DatabaseChoice DatabaseChoice::choose(const QString& programDir, const QProcessEnvironment& env)
{
    DatabaseChoice choice;
    const QDir dir(programDir);
    QString confTill;
    bool confTillUndecodable = false;
    const QString conf = dir.filePath(confName());
    if (QFileInfo::exists(conf)) {
        const QSettings settings(conf, QSettings::IniFormat);
        choice.service = settings.value(QStringLiteral("server/service")).toString().trimmed();
        confTill = literalSetting(conf, u"server", u"till", &confTillUndecodable);
    }
    if (choice.service.isEmpty())
        choice.service = env.value(QStringLiteral("PGSERVICE")).trimmed();
    if (!choice.onServer()) {
        choice.filePath = dir.filePath(Database::fileName());
        return choice;
    }
    choice.connection = Database::serviceConnection(choice.service);
    choice.till = env.value(QStringLiteral("PEMVIX_TILL")).trimmed();
    if (!choice.till.isEmpty()) {
        choice.tillRefused = tillNameProblem(choice.till, QStringLiteral("PEMVIX_TILL"), false);
    } else if (!confTill.isEmpty() || confTillUndecodable) {
        choice.till = confTill;
        choice.tillRefused = tillNameProblem(confTill, QStringLiteral("till= of %1").arg(conf), confTillUndecodable);
    }
    if (!choice.tillRefused.isEmpty()) {
        choice.till.clear();
        return choice;
    }
    if (choice.till.isEmpty())
        choice.till = QSysInfo::machineHostName();
    if (choice.till.isEmpty())
        choice.till = QStringLiteral("1");
    return choice;
}
