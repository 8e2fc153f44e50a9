#pragma once

#include "data/Database.h"
#include "platform/Platform.h"
#include "session/AppContext.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class frmMain;

// The shop the benchmarks run against: the generated database opened once through the
// program's own connection, a platform whose message boxes answer Yes without showing
// anything, the main window (for the session state) and an administrator signed in.
// Values the benchmarks look up (item numbers and names, sale days) are read from the file
// once, so every run of a benchmark touches a different, real row.
class BenchShop
{
public:
    // The file given with --db, or the server database given with --server (a libpq
    // connection string); set before the first call of instance().
    static void setPath(const QString& path);
    static void setServer(const QString& conninfo);
    static bool onServer() { return !server().isEmpty(); }
    // Opens a connection to the shop's database, on the file or on the server.
    static bool openShop(Database& db);
    static BenchShop& instance();
    // Closes the main window and the database before the application object goes.
    static void shutdown();

    Database db;
    Platform platform;
    AppContext ctx{db, platform};
    frmMain& main() { return *m_main; }

    // A few thousand real item numbers and names, in a fixed shuffled order.
    const std::vector<QString>& itemNumbers() const { return m_numbers; }
    const std::vector<QString>& itemNames() const { return m_names; }
    // The last sale day of the file (today when it was generated today) and the year
    // that ends on it, as DateText.
    QString lastDay() const { return m_lastDay; }
    QString yearStart() const { return m_yearStart; }

    // Round-robin pick from the sample lists.
    const QString& nextNumber() { return m_numbers[m_next++ % m_numbers.size()]; }

    // A second context on a new, empty database (the tables and the first account only):
    // the same windows opened there cost what the widgets cost, whatever the data.
    AppContext& emptyShop();

    // Empties the cart (without giving stock back: the benchmarks that add put it back).
    void resetCart();

    // How modal windows are run: the handler is given each window that would be shown
    // modally and returns its result; without one a modal window is rejected at once.
    std::function<int(QDialog&)> onModal;

private:
    BenchShop();
    ~BenchShop();
    friend struct std::default_delete<BenchShop>;
    static QString& path();
    static QString& server();
    static std::unique_ptr<BenchShop>& holder();

    std::unique_ptr<frmMain> m_main;
    struct Empty;
    std::unique_ptr<Empty> m_empty;
    std::vector<QString> m_numbers;
    std::vector<QString> m_names;
    QString m_lastDay;
    QString m_yearStart;
    size_t m_next = 0;
};

// A named child widget of a window; the run stops when the window has none, since the
// benchmark would otherwise measure nothing.
template <typename T> T* child(QWidget& window, const char* name)
{
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("%s has no %s", qPrintable(window.objectName()), name);
    return w;
}

// Peak resident memory of this process so far (VmHWM), in MiB.
double peakResidentMiB();
// Current resident memory (VmRSS), in MiB.
double residentMiB();
// User plus system CPU time of this process so far, in seconds.
double cpuSeconds();
