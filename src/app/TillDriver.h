#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <random>
#include <utility>
#include <vector>

struct AppContext;
class QWidget;

// A cashier in a box, for tests that run several real copies of the program on one file. It works
// the program through its windows with real key and mouse events: it answers the start-up warning,
// signs in, opens the sales window and then adds, voids, clears and pays at random for the given
// time, answering every message box through the box's own buttons. It keeps its own record of the
// cart (what the window showed at its first look, then what it added and voided) and checks before
// every step that the window shows exactly that cart and total, and that the payment window asks
// for that total.
//
// Each step is posted to the event loop, never run from the tick itself, because most steps open a
// modal window whose loop the next ticks run inside. A step runs only if the window it was posted
// for is still the one in front.
//
// The journal, one line per event: "till N", "paid SALE DUE ITEMxQTY,...", "failed TEXT" for a
// write the program reported as not saved, "mismatch TEXT" when a window disagreed with the
// record, "adopted ITEMxQTY,..." for the cart found at the start, and at the end "open SALE
// ITEMxQTY,..." and "done OPS".
class TillDriver : public QObject
{
    Q_OBJECT

public:
    // Set up by the environment: PEMVIX_TILL_DRIVER (journal path), PEMVIX_DRIVER_USER and
    // PEMVIX_DRIVER_PASSWORD (an employee's sign-in), PEMVIX_DRIVER_SECONDS (the selling time,
    // from the first look at the sales window; default 60), PEMVIX_DRIVER_SEED. Returns nullptr
    // when PEMVIX_TILL_DRIVER is not set.
    static TillDriver* fromEnvironment(AppContext& ctx, QObject* parent);

private:
    TillDriver(AppContext& ctx, const QString& journal, QObject* parent);
    void tick();
    void post(std::function<void()> step);
    void write(const QString& line);
    bool answerMessageBox();
    void pay(QWidget* total);
    void sell(QWidget* pos);
    void adopt(QWidget* pos);
    void checkWindow(QWidget* pos);
    void finish(QWidget* pos);
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }
    qint64 cartCents() const;
    QString cartText() const;

    AppContext& m_ctx;
    QFile m_journal;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::mt19937 m_rng;
    QString m_user;
    QString m_password;
    qint64 m_seconds = 60;
    bool m_pending = false;
    bool m_adopted = false;
    int m_ops = 0;
    // The cart as this cashier rang it up: item number, quantity, line amount in cents.
    struct Line
    {
        QString item;
        int quantity;
        qint64 cents;
    };
    std::vector<Line> m_cart;
    QString m_saleNumber; // the number the sales window showed when Process was pressed
};
