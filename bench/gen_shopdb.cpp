// pemvix-bench-gen: creates an encrypted shop database at a chosen scale for the benchmarks.
// The file is made by the same code as pemvix-initdb and then filled with plain prepared
// INSERTs in a few large transactions: items, employees, three years of sales with their
// sold-item lines, daily summaries, notifications and sign-in log rows. The data is
// deterministic for a given seed, so two runs of the benchmarks see the same shop.
// With --server it copies such a file into an empty PostgreSQL database instead, so the same
// shop can be measured on the server.
#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct Scale
{
    int items = 100000;
    int employees = 50;
    int soldLines = 1000000;
    int sales = 300000;
    int notifications = 2000;
    int logs = 50000;
    int years = 3;
    QDate lastDay = QDate::currentDate();
    quint64 seed = 20261209;
};

// A prepared INSERT that is bound and stepped again and again.
class Insert
{
public:
    Insert(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "pemvix-bench-gen: cannot prepare %s: %s\n", sql, sqlite3_errmsg(db));
            m_stmt = nullptr;
        }
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    Insert& text(int column, const std::string& value)
    {
        sqlite3_bind_text(m_stmt, column, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& text(int column, const QString& value) { return text(column, value.toStdString()); }
    Insert& number(int column, double value)
    {
        sqlite3_bind_double(m_stmt, column, value);
        return *this;
    }
    Insert& integer(int column, qint64 value)
    {
        sqlite3_bind_int64(m_stmt, column, value);
        return *this;
    }
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE;
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

const char* const kBrands[] = {
    "Sunny",     "Seaside",    "Bakehouse",  "Highland",   "Golden Field", "Riverbend",   "Northstar", "Bluebell",
    "Maple Row", "Harbor",     "Greenleaf",  "Silver Oak", "Red Barn",     "Cloudy Peak", "Lakeview",  "Sunrise",
    "Meadow",    "Ironwood",   "Pine Hill",  "Coral Bay",  "Stonebridge",  "Wildflower",  "Brightway", "Orchard",
    "Evergreen", "Clearwater", "Fox Glen",   "Summit",     "Old Mill",     "Willow",      "Rosewood",  "Copperline",
    "Amber",     "Valley",     "Kingfisher", "Tidewater",  "Oakridge",     "Hearth",      "Saffron",   "Juniper"};
const char* const kProducts[] = {"Orange Drink",
                                 "Sardines",
                                 "White Bread",
                                 "Ground Coffee",
                                 "Rice",
                                 "Cooking Oil",
                                 "Sugar",
                                 "Salt",
                                 "Flour",
                                 "Milk",
                                 "Butter",
                                 "Cheese",
                                 "Eggs",
                                 "Noodles",
                                 "Soy Sauce",
                                 "Vinegar",
                                 "Corned Beef",
                                 "Tuna",
                                 "Soap",
                                 "Shampoo",
                                 "Toothpaste",
                                 "Detergent",
                                 "Candles",
                                 "Matches",
                                 "Biscuits",
                                 "Crackers",
                                 "Chocolate",
                                 "Candy",
                                 "Peanuts",
                                 "Tea",
                                 "Cocoa",
                                 "Oats",
                                 "Cereal",
                                 "Jam",
                                 "Honey",
                                 "Ketchup",
                                 "Mayonnaise",
                                 "Mustard",
                                 "Pepper",
                                 "Garlic",
                                 "Onions",
                                 "Potatoes",
                                 "Tomato Sauce",
                                 "Pasta",
                                 "Beans",
                                 "Corn",
                                 "Peas",
                                 "Mango Juice",
                                 "Apple Juice",
                                 "Mineral Water",
                                 "Soda",
                                 "Batteries",
                                 "Light Bulb",
                                 "Tissue",
                                 "Napkins",
                                 "Foil",
                                 "Cling Wrap",
                                 "Trash Bags",
                                 "Sponges",
                                 "Bleach",
                                 "Lotion",
                                 "Deodorant",
                                 "Razor",
                                 "Cotton Buds",
                                 "Baby Wipes",
                                 "Diapers",
                                 "Dog Food",
                                 "Cat Food",
                                 "Charcoal",
                                 "Lighter",
                                 "Notebook",
                                 "Ballpen",
                                 "Glue",
                                 "Tape",
                                 "Envelope",
                                 "Rubber Bands",
                                 "Coffee Creamer",
                                 "Evaporated Milk",
                                 "Condensed Milk",
                                 "Vermicelli",
                                 "Cornstarch",
                                 "Baking Soda",
                                 "Yeast",
                                 "Raisins",
                                 "Dried Fish",
                                 "Shrimp Paste",
                                 "Fish Sauce",
                                 "Hot Sauce",
                                 "Chips",
                                 "Popcorn",
                                 "Ice Cream",
                                 "Yogurt",
                                 "Sausage",
                                 "Bacon",
                                 "Ham",
                                 "Meat Loaf",
                                 "Spam",
                                 "Pork and Beans",
                                 "Fruit Cocktail",
                                 "Peaches"};
const char* const kSizes[] = {"100 g",       "250 g",       "500 g",     "1 kg",       "2 kg",       "330 ml", "500 ml",
                              "1 L",         "1.5 L",       "Pack of 6", "Pack of 12", "Small",      "Medium", "Large",
                              "Family Size", "Travel Size", "Twin Pack", "Refill",     "Value Pack", "Single"};
const char* const kFirstNames[] = {"Maria", "Jose",  "Ana",    "Juan",   "Rosa",  "Pedro", "Carmen", "Luis",
                                   "Elena", "Mario", "Teresa", "Carlos", "Lucia", "Ramon", "Sofia",  "Miguel"};
const char* const kLastNames[] = {"Santos",  "Reyes",      "Cruz",      "Bautista", "Garcia", "Mendoza",
                                  "Torres",  "Flores",     "Ramos",     "Rivera",   "Aquino", "Castro",
                                  "Navarro", "Villanueva", "Dela Cruz", "Lim"};
const char* const kPositions[] = {"Attendant", "Cashier", "Employee", "Manager", "Supervisor"};
const char* const kNoteTitles[] = {"Item Out of Stock",     "Item Void",          "Item Availabilty Returned",
                                   "New Item Registration", "Sales Report Saved", "Sales Report Date Print"};

struct Item
{
    std::string number;
    std::string name;
    std::string price; // as typed at registration
    double priceValue;
};

QString amountText(double value)
{
    return FormatNumber(value, NumberPattern::Grouped0);
}

class Generator
{
public:
    Generator(Database& db, const Scale& scale) : m_db(db), m_scale(scale), m_rng(scale.seed) {}

    bool run()
    {
        return step("items", [this] { return items(); }) && step("employees", [this] { return employees(); }) &&
               step("sales and sold items", [this] { return sales(); }) &&
               step("daily summaries", [this] { return daily(); }) &&
               step("notifications", [this] { return notifications(); }) &&
               step("sign-in log", [this] { return logs(); }) && step("counters", [this] { return counters(); }) &&
               step("statistics", [this] { return m_db.executeScript(QStringLiteral("ANALYZE")); });
    }

private:
    template <typename F> bool step(const char* what, F work)
    {
        QElapsedTimer timer;
        timer.start();
        Transaction tx(m_db);
        const bool ok = tx.isActive() && work() && tx.commit();
        if (!ok)
            std::fprintf(stderr, "pemvix-bench-gen: %s failed: %s\n", what, qPrintable(m_db.lastError()));
        else
            std::printf("  %-22s %7.1f s\n", what, static_cast<double>(timer.elapsed()) / 1000.0);
        std::fflush(stdout);
        return ok;
    }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    template <typename T, size_t N> const char* pick(T (&list)[N]) { return list[uniform(0, N - 1)]; }

    bool items()
    {
        Insert ins(m_db.handle(),
                   "INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                   "ItemBrand, ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)");
        if (!ins.ok())
            return false;
        // Every brand/product/size combination once, in a shuffled order, so names are unique.
        constexpr int brands = std::size(kBrands), products = std::size(kProducts), sizes = std::size(kSizes);
        std::vector<int> combos(brands * products * sizes);
        for (size_t i = 0; i < combos.size(); ++i)
            combos[i] = static_cast<int>(i);
        std::shuffle(combos.begin(), combos.end(), m_rng);
        m_items.reserve(m_scale.items);
        for (int i = 0; i < m_scale.items; ++i) {
            const int combo = combos[i % combos.size()];
            const int b = combo / (products * sizes), p = combo / sizes % products, s = combo % sizes;
            Item item;
            item.number = std::to_string(1001 + i);
            item.name = std::string(kBrands[b]) + ' ' + kProducts[p] + ' ' + kSizes[s];
            if (i >= static_cast<int>(combos.size())) // more items than combinations: number the repeats
                item.name += " #" + std::to_string(i / combos.size() + 1);
            const int cents = uniform(5, 2500) * 25;
            item.priceValue = cents / 100.0;
            item.price = PlainNumber(item.priceValue).toStdString();
            const int stocks = uniform(0, 999);
            const char* availability = stocks == 0 ? "Out of Stock" : (uniform(0, 99) == 0 ? "Reserved" : "Available");
            const std::string description = std::string(kProducts[p]) + ", " + kSizes[s] + ", by " + kBrands[b];
            ins.text(1, item.number).text(2, item.name).text(3, item.price).text(4, description);
            ins.integer(5, stocks).text(6, std::string(kBrands[b])).text(7, std::string(availability));
            if (!ins.step())
                return false;
            m_items.push_back(std::move(item));
        }
        return true;
    }

    bool employees()
    {
        Insert ins(m_db.handle(), "INSERT INTO tblEmp (EmployeeID, EmployeeName, Gender, Position, Password, "
                                  "Registered) VALUES (?, ?, ?, ?, ?, ?)");
        if (!ins.ok())
            return false;
        const QString registered = DateText(m_scale.lastDay.addYears(-m_scale.years));
        for (int i = 1; i <= m_scale.employees; ++i) {
            const std::string name = std::string(pick(kFirstNames)) + ' ' + pick(kFirstNames) + ' ' + pick(kLastNames);
            ins.text(1, std::to_string(i)).text(2, name).text(3, std::string(i % 2 ? "Female" : "Male"));
            ins.text(4, std::string(pick(kPositions))).text(5, "cashier" + std::to_string(i)).text(6, registered);
            if (!ins.step())
                return false;
            m_cashiers.push_back(name);
        }
        if (m_cashiers.empty())
            m_cashiers.push_back("Maria Santos");
        return true;
    }

    // Sales are spread evenly over the days of the span; each sale gets its share of the sold
    // lines (at least one), and its amount due is the sum of its lines.
    bool sales()
    {
        Insert sale(m_db.handle(),
                    "INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue, Change, Cash, Cashier) "
                    "VALUES (?, ?, ?, ?, ?, ?)");
        Insert sold(m_db.handle(), "INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, "
                                   "PresentStock, Cashier, Amount) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        if (!sale.ok() || !sold.ok() || m_items.empty())
            return false;
        const QDate first = m_scale.lastDay.addYears(-m_scale.years).addDays(1);
        const qint64 days = first.daysTo(m_scale.lastDay) + 1;
        const qint64 sales = std::max(1, m_scale.sales);
        qint64 linesWritten = 0;
        for (qint64 n = 0; n < sales; ++n) {
            const qint64 day = n * days / sales;
            const std::string dated = DateText(first.addDays(day)).toStdString();
            // seconds from 8:00 to 20:00, rising through the day
            const qint64 firstOfDay = (day * sales + days - 1) / days, nextDay = ((day + 1) * sales + days - 1) / days;
            const qint64 perDay = std::max<qint64>(1, nextDay - firstOfDay);
            const int seconds = 8 * 3600 + static_cast<int>((n - firstOfDay) * 12 * 3600 / perDay);
            const std::string time = TimeText(QTime(0, 0).addSecs(seconds)).toStdString();
            const std::string& cashier = m_cashiers[uniform(0, static_cast<int>(m_cashiers.size()) - 1)];
            const qint64 linesEnd = (n + 1) * m_scale.soldLines / sales;
            const qint64 lines = std::max<qint64>(1, linesEnd - linesWritten);
            double due = 0;
            for (qint64 l = 0; l < lines; ++l) {
                const Item& item = m_items[uniform(0, static_cast<int>(m_items.size()) - 1)];
                const int quantity = uniform(1, 4) == 1 ? uniform(2, 6) : 1;
                const double amount = quantity * item.priceValue;
                due += amount;
                sold.integer(1, n + 1).text(2, dated).text(3, item.name).text(4, item.number);
                sold.text(5, std::to_string(quantity)).text(6, std::to_string(uniform(quantity, 1000)));
                sold.text(7, cashier).text(8, amountText(amount));
                if (!sold.step())
                    return false;
            }
            linesWritten += lines;
            const double cash = std::ceil(due / 100.0) * 100.0;
            sale.text(1, dated).text(2, time).text(3, FormatNumber(due, NumberPattern::Plain2));
            sale.text(4, FormatNumber(cash - due, NumberPattern::Plain2)).text(5, PlainNumber(cash)).text(6, cashier);
            if (!sale.step())
                return false;
        }
        return true;
    }

    // The daily summaries of the first two thirds of the span, as if saved every evening.
    bool daily()
    {
        const char* sql = "INSERT INTO tblDaily (BusinessDate, Sales, Transactions, TimeSave) "
                          "SELECT BusinessDate, rtrim(rtrim(printf('%.2f', total(AmountDue)), '0'), '.'), count(*), ? "
                          "FROM tblSales GROUP BY BusinessDate "
                          "LIMIT ?";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db.handle(), sql, -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        const QByteArray saved = DateTimeText(m_scale.lastDay.startOfDay()).toUtf8();
        sqlite3_bind_text(stmt, 1, saved.constData(), static_cast<int>(saved.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 2, m_scale.years * 365 * 2 / 3);
        const bool ok = sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_finalize(stmt);
        return ok;
    }

    bool notifications()
    {
        Insert ins(m_db.handle(), "INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)");
        if (!ins.ok())
            return false;
        const qint64 days = static_cast<qint64>(m_scale.years) * 365;
        for (int i = 0; i < m_scale.notifications; ++i) {
            const QDate day = m_scale.lastDay.addDays(-days + i * days / std::max(1, m_scale.notifications));
            const Item& item = m_items[uniform(0, static_cast<int>(m_items.size()) - 1)];
            const std::string message = "DETAILS:\r\nItem Number: " + item.number + "\r\nItem Name: " + item.name +
                                        "\r\nPrice: " + item.price +
                                        "\r\nQuantity: 1\r\nAmount: " + amountText(item.priceValue).toStdString();
            ins.text(1, DateText(day)).text(2, TimeText(QTime(9, 0).addSecs(uniform(0, 36000))));
            ins.text(3, std::string(pick(kNoteTitles))).text(4, message);
            if (!ins.step())
                return false;
        }
        return true;
    }

    bool logs()
    {
        Insert ins(m_db.handle(), "INSERT INTO tblLogs (LogDate, LogTime, UserName, Domain, Name, Position, EndTime, "
                                  "ElapsedTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        if (!ins.ok())
            return false;
        const qint64 days = static_cast<qint64>(m_scale.years) * 365;
        for (int i = 0; i < m_scale.logs; ++i) {
            const QDate day = m_scale.lastDay.addDays(-days + i * days / std::max(1, m_scale.logs));
            const QTime start = QTime(7, 0).addSecs(uniform(0, 36000));
            const int elapsed = uniform(60, 4 * 3600);
            const std::string& name = m_cashiers[uniform(0, static_cast<int>(m_cashiers.size()) - 1)];
            const std::string duration = std::to_string(elapsed / 3600) + " Hr " + std::to_string(elapsed / 60 % 60) +
                                         " Min " + std::to_string(elapsed % 60) + " Sec";
            ins.text(1, DateText(day)).text(2, TimeText(start)).text(3, name).text(4, std::string("frontdesk"));
            ins.text(5, name).text(6, std::string("Cashier")).text(7, TimeText(start.addSecs(elapsed)));
            ins.text(8, duration);
            if (!ins.step())
                return false;
        }
        return true;
    }

    bool counters()
    {
        return m_db.ExecuteSql(QStringLiteral("UPDATE tblMain SET TransactionID = ?, ClientID = ?, ItemID = ?"),
                               {QString::number(m_scale.sales), QString::number(m_scale.employees),
                                QString::number(1000 + m_scale.items)}) == 1;
    }

    Database& m_db;
    Scale m_scale;
    std::mt19937_64 m_rng;
    std::vector<Item> m_items;
    std::vector<std::string> m_cashiers;
};

// One text value in COPY's text format: backslash, tab, line feed and carriage return escaped.
void appendCopyValue(std::string& line, const char* value)
{
    for (const char* c = value; *c; ++c) {
        switch (*c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += *c;
        }
    }
}

bool serverOk(PGconn* conn, PGresult* result, const char* what)
{
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN;
    if (!ok)
        std::fprintf(stderr, "pemvix-bench-gen: %s: %s", what, PQerrorMessage(conn));
    PQclear(result);
    return ok;
}

// Copies every row of one table of the file into the server's table of that name (emptied
// first), with COPY: the rows stream in without a round trip each. The server's own row
// identity is given in the file's row order.
bool copyTable(sqlite3* file, PGconn* conn, const std::string& table)
{
    sqlite3_stmt* stmt = nullptr;
    const std::string select = "SELECT * FROM " + table + " ORDER BY rowid";
    if (sqlite3_prepare_v2(file, select.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "pemvix-bench-gen: %s: %s\n", select.c_str(), sqlite3_errmsg(file));
        return false;
    }
    const int columns = sqlite3_column_count(stmt);
    std::string names;
    for (int c = 0; c < columns; ++c)
        names += (c ? ", " : "") + std::string(sqlite3_column_name(stmt, c));
    const std::string copy = "COPY " + table + " (" + names + ") FROM STDIN";
    bool ok = serverOk(conn, PQexec(conn, ("DELETE FROM " + table).c_str()), "emptying a table") &&
              serverOk(conn, PQexec(conn, copy.c_str()), copy.c_str());
    std::string buffer;
    int rc = SQLITE_ROW;
    while (ok && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (c)
                buffer += '\t';
            if (sqlite3_column_type(stmt, c) == SQLITE_NULL)
                buffer += "\\N";
            else
                appendCopyValue(buffer, reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        }
        buffer += '\n';
        if (buffer.size() > (1 << 20)) {
            ok = PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
            buffer.clear();
        }
    }
    sqlite3_finalize(stmt);
    if (ok && rc != SQLITE_DONE) {
        std::fprintf(stderr, "pemvix-bench-gen: reading %s: %s\n", table.c_str(), sqlite3_errmsg(file));
        ok = false;
    }
    if (ok && !buffer.empty())
        ok = PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
    // Ends the copy (or abandons it after a failure) and reads its outcome.
    if (PQputCopyEnd(conn, ok ? nullptr : "abandoned") != 1)
        ok = false;
    for (PGresult* result; (result = PQgetResult(conn));)
        ok = serverOk(conn, result, copy.c_str()) && ok;
    return ok;
}

// Copies the shop in `file` into the empty server database `conninfo`: the tables as
// pemvix-initdb --server makes them, then every table's rows, all in one transaction, then the
// planner's statistics.
int copyToServer(const QString& file, const QString& conninfo)
{
    QElapsedTimer timer;
    timer.start();
    Database source;
    if (!source.open(file)) {
        std::fprintf(stderr, "pemvix-bench-gen: %s\n", qPrintable(source.lastError()));
        return 1;
    }
    {
        Database target;
        InitOptions options;
        options.adminPassword = QStringLiteral("admin-pass");
        QString why;
        if (!target.openServer(conninfo)) {
            std::fprintf(stderr, "pemvix-bench-gen: %s\n", qPrintable(target.lastError()));
            return 1;
        }
        if (!createServerDatabase(target, options, &why)) {
            std::fprintf(stderr, "pemvix-bench-gen: %s\n", qPrintable(why));
            return 1;
        }
    }
    PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "pemvix-bench-gen: %s", PQerrorMessage(conn));
        PQfinish(conn);
        return 1;
    }
    // The kept counts and amount tallies are not copied: the server's triggers write them as the
    // rows arrive. Nor is the file's index of item texts: the server has its own.
    std::vector<std::string> tables;
    const Recordset names = source.query(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'tbl%' "
        "AND name NOT IN ('tblRowCount', 'tblSoldAmount', 'tblStocksGram', 'tblGramSeq') ORDER BY name"));
    for (const auto& row : names.rows())
        tables.push_back(row.first().toString().toStdString());
    std::printf("Copying %s to the server (%zu tables)\n", qPrintable(file), tables.size());
    // The trigram indexes are made once over all the rows, after the copy, instead of growing
    // row by row through it.
    bool ok = serverOk(conn, PQexec(conn, "BEGIN"), "BEGIN");
    PGresult* trigram = PQexec(conn, "SELECT string_agg(quote_ident(indexname), ', ') FROM pg_indexes WHERE "
                                     "schemaname = current_schema() AND indexname LIKE 'idx%trgm'");
    const std::string dropped = PQresultStatus(trigram) == PGRES_TUPLES_OK && !PQgetisnull(trigram, 0, 0)
                                    ? std::string(PQgetvalue(trigram, 0, 0))
                                    : std::string();
    PQclear(trigram);
    if (!dropped.empty())
        ok = ok && serverOk(conn, PQexec(conn, ("DROP INDEX " + dropped).c_str()), "dropping the search indexes");
    for (const std::string& table : tables) {
        QElapsedTimer step;
        step.start();
        ok = ok && copyTable(source.handle(), conn, table);
        if (ok)
            std::printf("  %-22s %7.1f s\n", table.c_str(), static_cast<double>(step.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    ok = ok && serverOk(conn, PQexec(conn, "COMMIT"), "COMMIT");
    if (ok) {
        QElapsedTimer step;
        step.start();
        Database target;
        ok = target.openServer(conninfo) && upgradeServerSchema(target);
        if (!ok)
            std::fprintf(stderr, "pemvix-bench-gen: the search indexes: %s\n", qPrintable(target.lastError()));
        else
            std::printf("  %-22s %7.1f s\n", "search indexes", static_cast<double>(step.elapsed()) / 1000.0);
    }
    for (const std::string& table : tables) // the planner's statistics of the shop's own tables
        ok = ok && serverOk(conn, PQexec(conn, ("ANALYZE " + table).c_str()), "ANALYZE");
    PQfinish(conn);
    if (ok)
        std::printf("Copied to the server in %.1f s\n", static_cast<double>(timer.elapsed()) / 1000.0);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pemvix-bench-gen"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates a Pemvix database filled at shop scale."));
    parser.addHelpOption();
    const Scale defaults;
    auto option = [&](const char* name, const char* what, int value) {
        parser.addOption(
            {QString::fromLatin1(name), QString::fromLatin1(what), QStringLiteral("N"), QString::number(value)});
    };
    option("items", "Items in stock.", defaults.items);
    option("employees", "Employees.", defaults.employees);
    option("sold", "Sold-item lines.", defaults.soldLines);
    option("sales", "Completed sales.", defaults.sales);
    option("notifications", "Notifications.", defaults.notifications);
    option("logs", "Sign-in log rows.", defaults.logs);
    option("years", "Years the sales are spread over, ending today.", defaults.years);
    parser.addOption({QStringLiteral("scale"), QStringLiteral("Multiplies every row count (e.g. 0.1)."),
                      QStringLiteral("F"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("last-day"), QStringLiteral("The last sale day, yyyy-MM-dd (default today)."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("server"),
                      QStringLiteral("Copies FILE, made before, into the empty PostgreSQL database CONNINFO "
                                     "(a libpq connection string, e.g. \"service=shop\") instead."),
                      QStringLiteral("CONNINFO")});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The database file to create."));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        std::fprintf(stderr, "usage: pemvix-bench-gen [options] FILE (see --help)\n");
        return 1;
    }
    if (parser.isSet(QStringLiteral("server")))
        return copyToServer(files.first(), parser.value(QStringLiteral("server")));
    bool ok = true;
    auto count = [&](const char* name) {
        bool good = false;
        const int n = parser.value(QString::fromLatin1(name)).toInt(&good);
        if (!good || n < 0) {
            std::fprintf(stderr, "pemvix-bench-gen: --%s needs a whole number of at least 0\n", name);
            ok = false;
        }
        return n;
    };
    Scale scale;
    scale.items = count("items");
    scale.employees = count("employees");
    scale.soldLines = count("sold");
    scale.sales = count("sales");
    scale.notifications = count("notifications");
    scale.logs = count("logs");
    scale.years = std::max(1, count("years"));
    bool good = false;
    const double factor = parser.value(QStringLiteral("scale")).toDouble(&good);
    if (!good || factor <= 0) {
        std::fprintf(stderr, "pemvix-bench-gen: --scale needs a number above 0\n");
        ok = false;
    }
    if (parser.isSet(QStringLiteral("last-day"))) {
        scale.lastDay = QDate::fromString(parser.value(QStringLiteral("last-day")), QStringLiteral("yyyy-MM-dd"));
        if (!scale.lastDay.isValid()) {
            std::fprintf(stderr, "pemvix-bench-gen: --last-day needs a date as yyyy-MM-dd\n");
            ok = false;
        }
    }
    if (!ok)
        return 1;
    for (int* n : {&scale.items, &scale.soldLines, &scale.sales, &scale.notifications, &scale.logs})
        *n = static_cast<int>(*n * factor);
    scale.items = std::max(1, scale.items);
    scale.employees = std::max(1, scale.employees);

    const QString file = files.first();
    if (QFileInfo::exists(file)) {
        std::fprintf(stderr, "pemvix-bench-gen: %s already exists; it is never overwritten\n", qPrintable(file));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    InitOptions options;
    options.adminPassword = QStringLiteral("admin-pass");
    options.company = QStringLiteral("BENCHMARK SHOP");
    QString error;
    if (!createDatabaseFile(file, options, &error)) {
        std::fprintf(stderr, "pemvix-bench-gen: %s\n", qPrintable(error));
        return 1;
    }
    Database db;
    if (!db.open(file)) {
        std::fprintf(stderr, "pemvix-bench-gen: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    // The file is new and is thrown away if the generator fails, so it need not survive a crash
    // half-way: no fsync while filling.
    db.executeScript(QStringLiteral("PRAGMA synchronous = OFF"));
    std::printf("Filling %s: %d items, %d employees, %d sales with %d sold-item lines over %d years up to %s, "
                "%d notifications, %d log rows\n",
                qPrintable(file), scale.items, scale.employees, scale.sales, scale.soldLines, scale.years,
                qPrintable(DateText(scale.lastDay)), scale.notifications, scale.logs);
    Generator generator(db, scale);
    if (!generator.run()) {
        db.close();
        QFile::remove(file);
        return 1;
    }
    db.close();
    std::printf("Created %s in %.1f s (%.0f MiB)\n", qPrintable(file), static_cast<double>(timer.elapsed()) / 1000.0,
                static_cast<double>(QFileInfo(file).size()) / (1024.0 * 1024.0));
    return 0;
}
