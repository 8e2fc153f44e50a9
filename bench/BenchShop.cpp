#include "BenchShop.h"

#include "data/Schema.h"
#include "data/TextForms.h"
#include "session/frmMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

QString& BenchShop::path()
{
    static QString p;
    return p;
}

void BenchShop::setPath(const QString& file)
{
    path() = file;
}

QString& BenchShop::server()
{
    static QString conninfo;
    return conninfo;
}

void BenchShop::setServer(const QString& conninfo)
{
    server() = conninfo;
}

bool BenchShop::openShop(Database& db)
{
    return server().isEmpty() ? db.open(path()) : db.openServer(server());
}

std::unique_ptr<BenchShop>& BenchShop::holder()
{
    static std::unique_ptr<BenchShop> shop;
    return shop;
}

BenchShop& BenchShop::instance()
{
    if (!holder())
        holder().reset(new BenchShop);
    return *holder();
}

void BenchShop::shutdown()
{
    if (BenchShop* shop = holder().get()) {
        shop->onModal = nullptr;
        shop->m_main.reset();
        shop->db.close();
    }
    holder().reset();
}

BenchShop::BenchShop()
{
    if (!openShop(db)) {
        std::fprintf(stderr, "pemvix-bench: %s\n", qPrintable(db.lastError()));
        std::exit(2);
    }
    platform.setMessageHook([](const MessageRecord& record) {
        return record.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    platform.setModalHook(
        [this](QDialog& dialog) { return onModal ? onModal(dialog) : static_cast<int>(QDialog::Rejected); });
    m_main = std::make_unique<frmMain>(ctx);
    SessionState& s = m_main->session();
    s.setDisplayName(QStringLiteral("Admin"));
    s.setAccountType(QStringLiteral("Administrator"));
    s.setDomainName(QStringLiteral("frontdesk"));

    // Items that can be sold: available and with enough stock for the write benchmarks. Every
    // n-th row is read, about 8,000 of them, so a shop of a million items is not held here
    // (that alone would make the process's peak memory, not the windows measured).
    const Recordset counted = db.query(QStringLiteral("SELECT max(rowid) FROM tblStocks"));
    const qint64 stride = std::max<qint64>(1, (counted.BOF() ? 0 : counted.rows().first().first().toLongLong()) / 8192);
    const Recordset items = db.query(QStringLiteral("SELECT ItemNumber, ItemName FROM tblStocks "
                                                    "WHERE ItemAvailability = 'Available' AND ItemStocks >= 100 "
                                                    "AND rowid % ? = 0 ORDER BY rowid"),
                                     {stride});
    for (const auto& row : items.rows()) {
        m_numbers.push_back(row.at(0).toString());
        m_names.push_back(row.at(1).toString());
    }
    std::vector<size_t> order(m_numbers.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    order.resize(std::min<size_t>(order.size(), 4096));
    std::vector<QString> numbers, names;
    for (size_t i : order) {
        numbers.push_back(m_numbers[i]);
        names.push_back(m_names[i]);
    }
    m_numbers = std::move(numbers);
    m_names = std::move(names);
    if (m_numbers.empty()) {
        std::fprintf(stderr, "pemvix-bench: %s holds no item to sell\n",
                     qPrintable(server().isEmpty() ? path() : server()));
        std::exit(2);
    }
    // The last sale day: the BusinessDate of the last sale row.
    const Recordset last = db.query(QStringLiteral("SELECT BusinessDate FROM tblSales ORDER BY rowid DESC LIMIT 1"));
    const QDate lastDate = last.BOF() ? QDate::currentDate() : DateFromText(last.rows().first().first().toString());
    m_lastDay = DateText(lastDate);
    m_yearStart = DateText(lastDate.addYears(-1).addDays(1));
}

struct BenchShop::Empty
{
    QTemporaryDir dir;
    Database db;
    Platform platform;
    AppContext ctx{db, platform};
    std::unique_ptr<frmMain> main;
};

BenchShop::~BenchShop()
{
    if (m_empty) {
        m_empty->main.reset();
        m_empty->db.close();
    }
}

AppContext& BenchShop::emptyShop()
{
    if (!m_empty) {
        m_empty = std::make_unique<Empty>();
        const QString file = m_empty->dir.filePath(Database::fileName());
        InitOptions options;
        options.adminPassword = QStringLiteral("admin-pass");
        QString error;
        if (!createDatabaseFile(file, options, &error) || !m_empty->db.open(file)) {
            std::fprintf(stderr, "pemvix-bench: cannot create an empty shop: %s\n", qPrintable(error));
            std::exit(2);
        }
        m_empty->main = std::make_unique<frmMain>(m_empty->ctx);
        m_empty->main->session().setDisplayName(QStringLiteral("Admin"));
        m_empty->main->session().setAccountType(QStringLiteral("Administrator"));
    }
    return m_empty->ctx;
}

void BenchShop::resetCart()
{
    db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE Till = ?"), {QVariant(ctx.till)});
}

namespace {

double statusMiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

} // namespace

double peakResidentMiB()
{
    return statusMiB("VmHWM");
}

double residentMiB()
{
    return statusMiB("VmRSS");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
