#include "journal/Journal.h"

#include "data/DataControl.h"
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
