#include "Workload.h"

#include "admin/frmSetting.h"
#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "inventory/frmInvent.h"
#include "platform/Platform.h"
#include "registration/frmReg.h"
#include "returns/Returns.h"
#include "sales/Cart.h"
#include "sales/frmTotal.h"
#include "session/AppContext.h"
#include "session/frmMain.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

class StateMark
{
public:
    explicit StateMark(const QString& path) : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600)) {}
    ~StateMark()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    void set(char value)
    {
        if (m_fd >= 0 && ::pwrite(m_fd, &value, 1, 0) != 1)
            std::perror("state mark");
    }

private:
    int m_fd;
};

bool isLocked(const QString& error)
{
    return error.contains(QLatin1String("locked"), Qt::CaseInsensitive) ||
           error.contains(QLatin1String("busy"), Qt::CaseInsensitive);
}

void setText(QWidget* window, const char* name, const QString& text)
{
    QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        rich->setPlainText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
}

// Adds one line of a random item to the cart; false when the write failed.
bool addRandomLine(Cart& cart, const QString& cashier, int items, std::mt19937& rng, WorkloadStats& stats)
{
    const QString number = QString::number(1001 + static_cast<int>(rng() % static_cast<unsigned>(items)));
    const AddResult r = cart.addLine(number, QString::number(1 + rng() % 3), cart.nextSaleNumber(), cashier);
    if (r.outcome == AddOutcome::WriteFailed) {
        ++stats.failedWrites;
        if (isLocked(r.error))
            ++stats.lockedFailures;
        return false;
    }
    return true;
}

// Pays for the cart through the payment window as a cashier does: the cash typed, Submit,
// Finish.
void payThroughWindow(AppContext& ctx, Cart& cart, const QString& cashier, std::mt19937& rng)
{
    const QString due = cart.cartTotalText();
    frmTotal total(ctx, due, cart.nextSaleNumber(), cashier);
    setText(&total, "tAmt", PlainNumber(NumberFromText(due) + static_cast<double>(rng() % 50)));
    if (auto* submit = total.findChild<QPushButton*>(QStringLiteral("cmdOrder")))
        submit->click();
    if (auto* finish = total.findChild<QPushButton*>(QStringLiteral("cmdCancel")))
        finish->click();
}

} // namespace

WorkloadStats runWorkload(const WorkloadOptions& options)
{
    WorkloadStats stats;
    Platform platform;
    QString lastFailure;
    bool stockSaved = false;
    platform.setMessageHook([&](const MessageRecord& m) {
        if (m.title == QLatin1String("Successfully Updated"))
            stockSaved = true;
        if (m.icon == QMessageBox::Warning || m.icon == QMessageBox::Critical) {
            ++stats.failedWrites;
            lastFailure = m.text;
            if (isLocked(m.text))
                ++stats.lockedFailures;
        }
        return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    platform.setModalHook([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    Database db;
    if (!db.open(options.dbPath)) {
        std::fprintf(stderr, "workload: %s\n", qPrintable(db.lastError()));
        return stats;
    }
    AppContext ctx{db, platform};
    frmMain main(ctx);
    main.session().setDisplayName(QStringLiteral("Night Cashier"));
    main.session().setAccountType(QStringLiteral("Cashier"));
    main.session().setDomainName(QStringLiteral("till2"));

    Cart cart(db);
    StateMark mark(options.statePath);
    std::unique_ptr<frmSetting> settings;
    if (options.focus == WorkloadFocus::Backups) {
        settings = std::make_unique<frmSetting>(ctx);
        setText(settings.get(), "txtDatabase", options.backupFolder);
    }
    // An administrator keeps these windows open between registrations, as a person would: the
    // numbers they propose go stale while the other till registers.
    std::unique_ptr<frmReg> reg;
    std::unique_ptr<frmInvent> inventory;
    if (options.adminWork) {
        reg = std::make_unique<frmReg>(ctx);
        inventory = std::make_unique<frmInvent>(ctx);
    }
    std::mt19937 rng(options.seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::printf("ready\n");
    std::fflush(stdout);

    QElapsedTimer clock;
    clock.start();
    for (; stats.ops < options.maxOps; ++stats.ops) {
        if (options.opsPerSecond > 0) {
            const qint64 due = qint64(stats.ops) * 1000 / options.opsPerSecond;
            if (clock.elapsed() < due)
                QThread::msleep(static_cast<unsigned long>(due - clock.elapsed()));
        }
        const QString cashier = main.session().DisplayName();
        if (options.focus == WorkloadFocus::Payments) {
            mark.set(InsideOperation);
            addRandomLine(cart, cashier, options.items, rng, stats);
            if (cart.lineCount() > 0) {
                mark.set(InsidePayment);
                payThroughWindow(ctx, cart, cashier, rng);
            }
            mark.set(Idle);
            continue;
        }
        if (options.focus == WorkloadFocus::Returns) {
            mark.set(InsideOperation);
            addRandomLine(cart, cashier, options.items, rng, stats);
            if (cart.lineCount() > 0)
                cart.completeSale(cart.cartTotalText(), QStringLiteral("100000"), cart.nextSaleNumber(), cashier);
            // One unit of a line of a recent sale, back to stock or not.
            const Recordset lines =
                db.query(QStringLiteral("SELECT TransactionID, ItemNumber FROM tblSold ORDER BY rowid DESC LIMIT 20"));
            if (!lines.BOF()) {
                const auto& line = lines.rows().at(pick(lines.rowCount()));
                mark.set(InsideReturn);
                const ReturnResult r =
                    Returns(db).store({line.at(0).toString(),
                                       {{line.at(1).toString(), QStringLiteral("1"), pick(2) == 0}},
                                       {QStringLiteral("Admin"), QStringLiteral("Administrator"), {}, {}},
                                       QStringLiteral("workload"),
                                       QString::number(stats.ops) + QLatin1Char('-') + QString::number(options.seed)});
                if (r.outcome == ReturnOutcome::WriteFailed) {
                    ++stats.failedWrites;
                    if (isLocked(r.error))
                        ++stats.lockedFailures;
                }
            }
            mark.set(Idle);
            continue;
        }
        if (options.focus == WorkloadFocus::Backups) {
            mark.set(InsideOperation);
            addRandomLine(cart, cashier, options.items, rng, stats);
            mark.set(InsideBackup);
            if (auto* backup = settings->findChild<QPushButton*>(QStringLiteral("lvButtons_H5")))
                backup->click();
            mark.set(Idle);
            continue;
        }
        // With administrator work, three operations in ten are an employee registration, a stock
        // addition or an item registration; the rest sell as before.
        const int admin = options.adminWork && pick(10) < 3 ? 1 + pick(3) : 0;
        const int roll = admin ? 100 : pick(100);
        mark.set(InsideOperation);
        if (admin == 1) {
            setText(reg.get(), "txtLast", QStringLiteral("Staff %1").arg(stats.ops));
            setText(reg.get(), "txtFirst", QStringLiteral("Night"));
            reg->findChild<QComboBox*>(QStringLiteral("txtGen"))->setCurrentIndex(pick(2));
            reg->findChild<QComboBox*>(QStringLiteral("txtPos"))->setCurrentIndex(pick(5));
            setText(reg.get(), "txtPass", QStringLiteral("pw"));
            reg->findChild<QPushButton*>(QStringLiteral("cmdClientReg"))->click();
        } else if (admin == 2) {
            auto* items = inventory->findChild<DataControl*>(QStringLiteral("adoLog2"));
            const QString number = QString::number(1001 + pick(options.items));
            for (int row = 0; row < items->rowCount(); ++row) {
                if (items->value(row, QStringLiteral("ItemNumber")).toString() != number)
                    continue;
                items->setCurrentRow(row);
                const int added = 1 + pick(9);
                setText(inventory.get(), "txtAdd", QString::number(added));
                stockSaved = false;
                inventory->findChild<QPushButton*>(QStringLiteral("lvButtons_H6"))->click();
                if (stockSaved)
                    stats.stockAdded[number] += added;
                break;
            }
        } else if (roll < 55) {
            addRandomLine(cart, cashier, options.items, rng, stats);
        } else if (roll < 70) {
            const Recordset lines = db.query(QStringLiteral("SELECT rowid FROM tblPos"));
            if (!lines.BOF()) {
                const qint64 id = lines.rows().at(pick(lines.rowCount())).first().toLongLong();
                const RemoveResult r = cart.removeLine(id, cart.nextSaleNumber(), main.session().DisplayName(),
                                                       main.session().DomainName());
                if (r.outcome == RemoveOutcome::WriteFailed) {
                    ++stats.failedWrites;
                    if (isLocked(r.error))
                        ++stats.lockedFailures;
                }
            }
        } else if (roll < 88) {
            if (cart.lineCount() > 0) {
                const QString due = cart.cartTotalText();
                const QString cash = PlainNumber(NumberFromText(due) + pick(50));
                const SaleResult r = cart.completeSale(due, cash, cart.nextSaleNumber(), main.session().DisplayName());
                if (r.outcome == SaleOutcome::WriteFailed) {
                    ++stats.failedWrites;
                    if (isLocked(r.error))
                        ++stats.lockedFailures;
                }
            }
        } else if (roll < 92) {
            QString error;
            if (cart.lineCount() > 0 && !cart.clearCart(cart.nextSaleNumber(), &error)) {
                ++stats.failedWrites;
                if (isLocked(error))
                    ++stats.lockedFailures;
            }
        } else if (options.registrations) {
            std::unique_ptr<frmReg> once;
            frmReg* window = reg.get();
            if (!window) {
                once = std::make_unique<frmReg>(ctx);
                window = once.get();
            }
            setText(window, "txtItemname", QStringLiteral("Registered %1").arg(stats.ops));
            setText(window, "txtPrice", QString::number(5 + pick(100)));
            setText(window, "txtDesc", QStringLiteral("registered by the workload"));
            setText(window, "txtBrand", QStringLiteral("Crash"));
            setText(window, "txtStocks", QString::number(pick(40)));
            setText(window, "txtAvail", QStringLiteral("Available"));
            if (auto* button = window->findChild<QPushButton*>(QStringLiteral("cmdItemReg")))
                button->click();
        }
        mark.set(Idle);
    }
    std::printf("ops %d failed %d locked %d\n", stats.ops, stats.failedWrites, stats.lockedFailures);
    std::printf("added");
    for (auto it = stats.stockAdded.cbegin(); it != stats.stockAdded.cend(); ++it)
        std::printf(" %s=%s", qPrintable(it.key()), qPrintable(PlainNumber(it.value())));
    std::printf("\n");
    if (!lastFailure.isEmpty())
        std::printf("last failure: %s\n", qPrintable(lastFailure.simplified()));
    std::fflush(stdout);
    return stats;
}
