#pragma once

#include "data/Engine.h"

#include <QString>
#include <QVector>

struct sqlite3;
struct sqlite3_stmt;

// The encrypted SQLCipher file: opened once, keyed with the database password.
class SqliteEngine final : public Engine
{
public:
    SqliteEngine() = default;
    ~SqliteEngine() override;

    // Opens an existing file (create=false) or creates a new one, keys it and verifies key and
    // cipher.
    bool open(const QString& path, bool create);

    bool isServer() const override { return false; }
    bool isOpen() const override { return m_db != nullptr; }
    void close() override;
    QString lastError() const override { return m_lastError; }
    bool run(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
             qint64* changes) override;
    bool executeScript(const QString& sql) override;
    bool beginOuter() override;
    bool commitOuter() override;
    void rollbackOuter() override;
    bool readyToWrite() override;
    qint64 lastInsertRowId() const override;

    sqlite3* handle() const { return m_db; }

private:
    bool keyAndVerify();
    void setError(const QString& what);
    sqlite3_stmt* prepare(const QString& sql, const QVariantList& params);
    // Gives a statement from prepare() back: a kept one is reset for its next use, any other
    // is finalized.
    void release(sqlite3_stmt* stmt);
    void dropKeptStatements();

    // The statements used most recently, kept prepared (compiling a statement costs more than
    // running it). One in use is not handed out again: a statement run while another with the
    // same text is stepping gets a fresh one of its own.
    struct KeptStatement
    {
        QString sql;
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };
    QVector<KeptStatement> m_kept; // most recently used first

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_lastError;
};
