#include "app/TillDriver.h"

#include "data/DataControl.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "platform/FormDialog.h"
#include "session/AppContext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <cstdlib>

namespace {

template <class T> T* child(QWidget* w, const char* name)
{
    return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Types into a field as a person would: the field's old text selected, then the keys.
void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

qint64 centsOf(const QString& shownAmount)
{
    return std::llround(ColumnNumber(shownAmount).value_or(-1) * 100);
}

QWidget* visibleTopLevel(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == QLatin1String(name))
            return w;
    }
    return nullptr;
}

} // namespace

TillDriver* TillDriver::fromEnvironment(AppContext& ctx, QObject* parent)
{
    const QString journal = qEnvironmentVariable("PEMVIX_TILL_DRIVER");
    return journal.isEmpty() ? nullptr : new TillDriver(ctx, journal, parent);
}

TillDriver::TillDriver(AppContext& ctx, const QString& journal, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_journal(journal)
{
    if (!m_journal.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        qFatal("till driver: cannot write %s", qPrintable(journal));
    m_user = qEnvironmentVariable("PEMVIX_DRIVER_USER");
    m_password = qEnvironmentVariable("PEMVIX_DRIVER_PASSWORD");
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("PEMVIX_DRIVER_SECONDS", &ok);
    m_seconds = ok ? seconds : 60;
    m_rng.seed(static_cast<unsigned>(qEnvironmentVariableIntValue("PEMVIX_DRIVER_SEED")) + qHash(ctx.till));
    write(QStringLiteral("till %1").arg(ctx.till));
    connect(&m_timer, &QTimer::timeout, this, &TillDriver::tick);
    m_timer.start(10);
}

void TillDriver::write(const QString& line)
{
    m_journal.write(line.toUtf8() + '\n');
    m_journal.flush();
}

void TillDriver::post(std::function<void()> step)
{
    // A step belongs to the window in front when it was posted, and is dropped when another is in
    // front by the time it runs. A tick can fall between the payment window's closing and the
    // sales window's (a paid sale closes it for a fresh one): the old sales window is in front
    // for that moment, still showing the paid cart, and no cashier ever works in it.
    m_pending = true;
    const QPointer<QWidget> front = QApplication::activeModalWidget();
    const bool modal = front;
    QTimer::singleShot(0, this, [this, front, modal, step = std::move(step)] {
        m_pending = false; // the step may open a modal window whose loop runs the next ticks
        if (modal ? front != QApplication::activeModalWidget() : QApplication::activeModalWidget() != nullptr)
            return;
        step();
        ++m_ops;
    });
}

void TillDriver::tick()
{
    if (m_pending || answerMessageBox())
        return;
    QWidget* modal = QApplication::activeModalWidget();
    const QPointer<QWidget> window = modal;
    if (modal && modal->objectName() == QLatin1String("frmTotal")) {
        post([this, window] { pay(window); });
        return;
    }
    if (modal && modal->objectName() == QLatin1String("frmPOS")) {
        if (!m_adopted)
            adopt(modal);
        if (m_clock.elapsed() > m_seconds * 1000)
            post([this, window] { finish(window); });
        else
            post([this, window] { sell(window); });
        return;
    }
    QWidget* main = modal ? nullptr : visibleTopLevel("frmMain");
    if (!main)
        return; // still starting
    QWidget* signIn = child<QWidget>(main, "Picture1");
    if (signIn && signIn->isVisible()) {
        post([this, w = QPointer<QWidget>(main)] {
            if (!w)
                return;
            QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
            typeInto(child<QLineEdit>(w, "txtUsername"), m_user);
            typeInto(child<QLineEdit>(w, "txtPassword"), m_password);
            QTest::mouseClick(child<QPushButton>(w, "cmdCancel"), Qt::LeftButton);
        });
    } else {
        post([w = QPointer<QWidget>(main)] {
            if (w)
                QTest::mouseClick(child<QLabel>(w, "cmdPos"), Qt::LeftButton);
        });
    }
}

bool TillDriver::answerMessageBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return false;
    if (box->icon() == QMessageBox::Warning || box->icon() == QMessageBox::Critical)
        write(QStringLiteral("failed ") + box->text().simplified());
    QAbstractButton* button = box->button(QMessageBox::Yes);
    if (!button)
        button = box->button(QMessageBox::Ok);
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().first();
    post([b = QPointer<QAbstractButton>(button)] {
        if (b)
            QTest::mouseClick(b, Qt::LeftButton);
    });
    return true;
}

qint64 TillDriver::cartCents() const
{
    qint64 cents = 0;
    for (const Line& line : m_cart)
        cents += line.cents;
    return cents;
}

QString TillDriver::cartText() const
{
    QStringList lines;
    for (const Line& line : m_cart)
        lines << QStringLiteral("%1x%2").arg(line.item).arg(line.quantity);
    return lines.join(u',');
}

void TillDriver::adopt(QWidget* pos)
{
    // A till's cart waits for it across restarts: what the sales window shows at the first look
    // is this till's open sale, rung up before this copy started. The selling time starts now.
    m_adopted = true;
    m_clock.start();
    auto* cart = child<DataControl>(pos, "adoLog1");
    for (int row = 0; row < cart->totalRowCount(); ++row) {
        m_cart.push_back({cart->value(row, QStringLiteral("ItemNumber")).toString(),
                          cart->value(row, QStringLiteral("itemQuantity")).toInt(),
                          std::llround(cart->value(row, QStringLiteral("itemAmount")).toDouble() * 100)});
    }
    write(QStringLiteral("adopted %1").arg(cartText()));
}

void TillDriver::checkWindow(QWidget* pos)
{
    auto* cart = child<DataControl>(pos, "adoLog1");
    QStringList shown;
    for (int row = 0; cart && row < cart->totalRowCount(); ++row) {
        shown << QStringLiteral("%1x%2").arg(cart->value(row, QStringLiteral("ItemNumber")).toString(),
                                             cart->value(row, QStringLiteral("itemQuantity")).toString());
    }
    const QString total = child<QLabel>(pos, "lblAmt")->text();
    if (shown.join(u',') != cartText() || centsOf(total) != cartCents()) {
        write(QStringLiteral("mismatch sales window shows %1 = %2, rung up %3 = %4")
                  .arg(shown.join(u','), total, cartText())
                  .arg(cartCents()));
    }
}

void TillDriver::sell(QWidget* window)
{
    const QPointer<QWidget> pos = window;
    if (!pos)
        return;
    auto* cart = child<DataControl>(pos, "adoLog1");
    checkWindow(pos);
    const int roll = pick(100);
    if (roll < 50 || m_cart.empty()) {
        QString item;
        for (int tries = 0; tries < 5 && item.isEmpty(); ++tries) {
            item = QString::number(1001 + pick(20));
            for (const Line& line : m_cart)
                if (line.item == item)
                    item.clear();
        }
        if (item.isEmpty())
            return;
        const int quantity = 1 + pick(3);
        auto* txtItem = child<QLineEdit>(pos, "txtItem");
        auto* txtQuan = child<QLineEdit>(pos, "txtQuan");
        QTest::mouseClick(txtQuan, Qt::LeftButton); // a click empties the quantity
        QTest::keyClicks(txtQuan, QString::number(quantity));
        typeInto(txtItem, item);
        const auto price = PriceFromText(child<QLineEdit>(pos, "Tprice")->text());
        const int before = cart->totalRowCount();
        QTest::keyClick(txtItem, Qt::Key_Return); // as a scanner ends a number
        if (pos && cart->totalRowCount() == before + 1)
            m_cart.push_back({item, quantity, std::llround(quantity * price.value_or(0) * 100)});
    } else if (roll < 65) {
        const int row = pick(static_cast<int>(m_cart.size()));
        auto* grid = child<DataGrid>(pos, "DataGrid1");
        const QString item = cart->value(row, QStringLiteral("ItemNumber")).toString();
        const QModelIndex index = grid->model()->index(row, 1);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
        const int before = cart->totalRowCount();
        QTest::mouseClick(child<QPushButton>(pos, "cmdAccept"), Qt::LeftButton); // "Remove ...?" is answered Yes
        if (pos && cart->totalRowCount() == before - 1)
            std::erase_if(m_cart, [&](const Line& line) { return line.item == item; });
    } else if (roll < 72) {
        QTest::mouseClick(child<QPushButton>(pos, "lvButtons_H2"), Qt::LeftButton); // "Clear Menu?" Yes
        if (pos && static_cast<QDialog*>(pos.data())->result() == FormDialog::Reopen)
            m_cart.clear();
    } else {
        m_saleNumber = child<QLineEdit>(pos, "TID")->text();
        QTest::mouseClick(child<QPushButton>(pos, "cmdOrder"), Qt::LeftButton); // the payment window
    }
}

void TillDriver::pay(QWidget* window)
{
    const QPointer<QWidget> total = window;
    if (!total)
        return;
    const QString due = child<QLabel>(total, "lblAmt")->text();
    if (centsOf(due) != cartCents())
        write(QStringLiteral("mismatch payment window asks %1, rung up %2 = %3").arg(due, cartText()).arg(cartCents()));
    auto* cash = child<QLineEdit>(total, "tAmt");
    typeInto(cash, QString::number(cartCents() / 100 + 1 + pick(50)));
    QTest::mouseClick(child<QPushButton>(total, "cmdOrder"), Qt::LeftButton); // Submit
    if (pick(2) == 0)
        QTest::mouseClick(child<QPushButton>(total, "cmdCancel"), Qt::LeftButton); // Finish
    else
        QTest::keyClick(cash, Qt::Key_Return);
    if (total && static_cast<QDialog*>(total.data())->result() == QDialog::Accepted) {
        write(QStringLiteral("paid %1 %2 %3").arg(m_saleNumber, due, cartText()));
        m_cart.clear();
    } else {
        write(QStringLiteral("mismatch the sale %1 was not stored").arg(m_saleNumber));
    }
}

void TillDriver::finish(QWidget* pos)
{
    if (!pos)
        return;
    checkWindow(pos);
    write(QStringLiteral("open %1 %2").arg(child<QLineEdit>(pos, "TID")->text(), cartText()));
    write(QStringLiteral("done %1").arg(m_ops));
    m_journal.close();
    // Leave at once, from inside the windows' loops; no write is under way between steps.
    std::_Exit(0);
}
