#pragma once

#include <sqlite3.h>

#include <cstdlib>
#include <string>

// The least SQLite work an operation needs: statements prepared once, values bound, rows
// stepped and their columns read as raw text, nothing converted that the operation does not
// need. A benchmark's baseline is written with these, on the program's own connection.
class Stmt
{
public:
    Stmt(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            std::abort();
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int column, const std::string& text)
    {
        sqlite3_bind_text(m_stmt, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bind(int column, double value)
    {
        sqlite3_bind_double(m_stmt, column, value);
        return *this;
    }
    bool row() { return sqlite3_step(m_stmt) == SQLITE_ROW; }
    // Steps to the end, touching every column of every row; returns the number of rows.
    long all()
    {
        long rows = 0;
        const int n = sqlite3_column_count(m_stmt);
        while (row()) {
            for (int c = 0; c < n; ++c)
                sqlite3_column_text(m_stmt, c);
            ++rows;
        }
        reset();
        return rows;
    }
    // Steps a statement that returns no rows.
    void run()
    {
        while (row()) {
        }
        reset();
    }
    const char* text(int column) { return reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)); }
    double number(int column) { return sqlite3_column_double(m_stmt, column); }
    long long integer(int column) { return sqlite3_column_int64(m_stmt, column); }
    void reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// A number written with thousands separators ("1,251"), read without any checks.
inline double groupedNumber(const char* text)
{
    if (!text)
        return 0;
    char plain[64];
    size_t n = 0;
    for (; *text && n + 1 < sizeof plain; ++text)
        if (*text != ',')
            plain[n++] = *text;
    plain[n] = 0;
    return std::strtod(plain, nullptr);
}

// Runs one statement without rows (BEGIN, COMMIT).
inline void exec(sqlite3* db, const char* sql)
{
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}
