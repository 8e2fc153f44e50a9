#pragma once

#include <QObject>
#include <QString>

// Who is signed in, as every window reads it. The main window sets it (sign-in, log out,
// start-up) and shows each field in one of its labels; other windows only read it.
class SessionState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    QString DisplayName() const { return m_displayName; }
    QString AccountType() const { return m_accountType; }
    QString DomainName() const { return m_domainName; }
    QString StartTime() const { return m_startTime; }
    QString ElapsedText() const { return m_elapsedText; }
    // Exactly "Administrator", letter case significant.
    bool IsAdministrator() const { return m_accountType == QLatin1String("Administrator"); }

    void setDisplayName(const QString& v) { set(m_displayName, v); }
    void setAccountType(const QString& v) { set(m_accountType, v); }
    void setDomainName(const QString& v) { set(m_domainName, v); }
    void setStartTime(const QString& v) { set(m_startTime, v); }
    void setElapsedText(const QString& v) { set(m_elapsedText, v); }

signals:
    void changed();

private:
    void set(QString& field, const QString& v)
    {
        if (field != v) {
            field = v;
            emit changed();
        }
    }

    QString m_displayName;
    QString m_accountType;
    QString m_domainName;
    QString m_startTime;
    QString m_elapsedText;
};
