#pragma once

#include <QString>

#include <optional>

class Database;

// The saved summary of one day's sales (tblDaily): one row per day. Saving a day that has a
// row already replaces it only when asked to, so the same day is never counted twice.
class DailySummary
{
public:
    enum class Outcome {
        Saved,
        AlreadySaved, // the day has a row and replacing was not asked for: nothing was written
        Failed,       // nothing was written; lastError() says why
    };

    explicit DailySummary(Database& db) : m_db(db) {}

    // The statement of the saved summaries' list.
    static QString listStatement() { return QStringLiteral("Select * from tblDaily"); }

    // How many summaries of the day are stored; -1 when they could not be read.
    int savedCount(const QString& day);
    // Stores the day's figures as they are shown (sales and transactions as text) with the
    // current date and time, in one transaction: with `replace`, every earlier row of the day
    // goes in the same write.
    Outcome save(const QString& day, const QString& sales, const QString& transactions, bool replace);
    // The refunds (in cents) kept beside the day's summary saved at `savedAt`; none for a
    // summary saved without them (before returns were taken) or when they could not be read.
    std::optional<qint64> savedRefunds(const QString& day, const QString& savedAt);
    QString lastError() const { return m_lastError; }

private:
    Database& m_db;
    QString m_lastError;
};
