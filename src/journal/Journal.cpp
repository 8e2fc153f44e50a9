#include "journal/Journal.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"

QString NotificationSentence(const QString& displayName, const QString& phrase, const QString& domainName)
{
    return displayName + phrase + domainName + QStringLiteral("'s domain!");
}

QString DetailsBlock(const DetailLines& lines, bool standalone)
{
    QString text = standalone ? QStringLiteral("DETAILS:") : QStringLiteral("\r\n\r\nDETAILS:");
    for (const auto& [label, value] : lines)
        text += QStringLiteral("\r\n") + label + value;
    return text;
}

bool PostNotification(DataControl& adoNot, const QString& title, const QString& message)
{
    adoNot.AddNew();
    adoNot.setField(QStringLiteral("NoteDate"), DateText());
    adoNot.setField(QStringLiteral("NoteTime"), TimeText());
    adoNot.setField(QStringLiteral("RE"), title);
    adoNot.setField(QStringLiteral("Notification"), message);
    const bool stored = adoNot.Update();
    adoNot.Refresh();
    return stored;
}

bool PostNotification(Database& db, const QString& title, const QString& message, QString* error)
{
    Transaction tx(db);
    const bool stored =
        tx.isActive() &&
        db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
                      {DateText(), TimeText(), title, message}) == 1 &&
        tx.commit();
    if (stored)
        return true;
    if (error)
        *error = db.lastError();
    return false;
}

QString NotificationsStatement()
{
    return QStringLiteral("Select * from tblNot");
}

bool DeleteAllNotifications(Database& db)
{
    Transaction tx(db);
    return tx.isActive() && db.ExecuteSql(QStringLiteral("DELETE FROM tblNot")) >= 0 && tx.commit();
}
