#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

// A name quoted for a statement: in double quotes, a double quote within doubled.
inline QString quotedIdentifier(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// "<column> contains the bound pattern", as a LIKE with the escape character \.
inline QString likeContainsSql(const QString& quotedColumn)
{
    return quotedColumn + QStringLiteral(" LIKE ? ESCAPE '\\'");
}

// One kind of database behind Database: the SQLCipher file or a PostgreSQL server. Statements
// are written once, in the file's dialect with ? marks; an engine runs them as they are or
// translated to its own dialect. Values are always bound, never pasted into a statement.
class Engine
{
public:
    // Told each row of a statement's result; returning false stops reading (not a failure).
    using RowSink = std::function<bool(const QVector<QVariant>& row)>;

    virtual ~Engine() = default;

    virtual bool isServer() const = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual QString lastError() const = 0;

    // Why the last failure happened, when it was the connection to a server rather than the
    // statement: the server could not be reached (or the connection to it was lost), or it
    // answered and refused the password, or refused the connection for another reason.
    enum class ConnectFault { None, Unreachable, PasswordRefused, Refused };
    virtual ConnectFault connectFault() const { return ConnectFault::None; }

    // Runs one statement. `columns` (when given) receives the result's column names before the
    // first row, `sink` (when given) each row as it is read, `changes` the number of rows an
    // action statement affected. False (and lastError) when the statement failed.
    virtual bool run(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
                     qint64* changes) = 0;
    // Runs statements without parameters; false on the first failure.
    virtual bool executeScript(const QString& sql) = 0;

    // The outermost transaction: one writer at a time, taken at the start.
    virtual bool beginOuter() = 0;
    virtual bool commitOuter() = 0;
    virtual void rollbackOuter() = 0;
    // False (and lastError) when a write must not start now.
    virtual bool readyToWrite() { return true; }

    // A running copy's hold on its till's name, kept while its connection lives, so that no
    // other copy sells into the same cart. Only a server holds names (the file's tills are
    // numbered with lock files beside it).
    enum class NameHold {
        Held,   // this copy holds the name (now, or already)
        Taken,  // another running copy holds it
        Failed, // it could not be asked (lastError)
    };
    // Holds `name` in place of the name held so far.
    virtual NameHold holdTillName(const QString& name)
    {
        Q_UNUSED(name);
        return NameHold::Failed;
    }

    virtual qint64 lastInsertRowId() const = 0;
    // A column name quoted for a statement of this engine.
    virtual QString quoteIdentifier(const QString& name) const { return quotedIdentifier(name); }
    // "<column> contains the bound pattern": a LIKE with the escape character \ that ignores
    // letter case, whatever the column's type.
    virtual QString containsSql(const QString& quotedColumn) const { return likeContainsSql(quotedColumn); }
    // A column's values as plain text, for grouping where letter case cannot matter (amounts,
    // numbers): the engine then needs no case-blind comparison per row.
    virtual QString plainText(const QString& quotedColumn) const { return quotedColumn; }
};
