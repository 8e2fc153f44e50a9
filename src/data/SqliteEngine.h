#pragma once

#include "data/Engine.h"

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

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_lastError;
};
