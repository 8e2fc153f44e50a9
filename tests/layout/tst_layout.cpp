// Opens every window of the program on a small screen (1024x768 unless PEMVIX_TEST_SCREEN names
// another size) and checks that each lies wholly on the screen with every button and named
// control reachable: inside the window and not cut off by a parent, or inside a scroll area
// that can be scrolled to it. With PEMVIX_SCREENSHOTS set to a folder, every window is also
// saved there as a picture of the whole screen.

#include "TestEnv.h"

#include "app/AppWindowFactory.h"
#include "data/TextForms.h"
#include "inventory/frmInvent.h"
#include "platform/FlowLayout.h"
#include "reports/frmPrint.h"
#include "reports/frmSales.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmTotal.h"
#include "session/frmMain.h"
#include "startup/frmLoading.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QHeaderView>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QVBoxLayout>
#include <QTableView>
#include <QTemporaryFile>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace {

QSize configuredScreen()
{
    const QStringList parts = QString::fromLocal8Bit(qgetenv("PEMVIX_TEST_SCREEN")).split(QLatin1Char('x'));
    if (parts.size() == 2 && parts[0].toInt() > 0 && parts[1].toInt() > 0)
        return QSize(parts[0].toInt(), parts[1].toInt());
    return QSize(1024, 768);
}

bool isInternal(const QWidget* w, const QWidget* window)
{
    // The parts of item views (headers, the corner button, editors) belong to the view.
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(p))
            return true;
    }
    return false;
}

QString describe(const QWidget* w)
{
    QString name = w->objectName();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && !b->text().isEmpty())
        name += QStringLiteral(" \"%1\"").arg(b->text());
    return QStringLiteral("%1%2").arg(QString::fromLatin1(w->metaObject()->className()),
                                      name.isEmpty() ? QString() : QLatin1Char(' ') + name);
}

QString rectText(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool insideScrollArea(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QScrollArea*>(p))
            return true;
    }
    return false;
}

// Why `w` cannot be seen and reached whole in its window; empty when it can. Every parent must
// show all of it, except that a scroll area's viewport may hide what scrolling brings into view.
QString unreachable(const QWidget* w, const QWidget* window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        const QRect pr = p == window ? window->rect() : QRect(p->mapTo(window, QPoint(0, 0)), p->size());
        if (const auto* scroll = qobject_cast<const QScrollArea*>(p ? p->parentWidget() : nullptr);
            scroll && scroll->viewport() == p) {
            const QWidget* content = scroll->widget();
            const QRect cr(content->mapTo(window, QPoint(0, 0)), content->size());
            if (!cr.contains(r))
                return QStringLiteral("outside the scrolled area %1").arg(rectText(cr));
            r = QRect(scroll->mapTo(window, QPoint(0, 0)), scroll->size());
            p = scroll;
            continue;
        }
        if (!pr.contains(r))
            return QStringLiteral("at %1, cut off by %2 at %3").arg(rectText(r), describe(p), rectText(pr));
        if (p == window)
            break;
    }
    return {};
}

// A button too small for its caption shows a sliver, not a button.
QString squeezed(const QWidget* w)
{
    const auto* b = qobject_cast<const QAbstractButton*>(w);
    if (!b)
        return {};
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    if (const auto* tool = qobject_cast<const QToolButton*>(b);
        tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull())
        text.clear(); // an icon button shows no caption
    const QFontMetrics metrics(b->font());
    const int needWidth = text.isEmpty() ? 12 : metrics.horizontalAdvance(text) + (b->icon().isNull() ? 4 : 20);
    if (b->width() < needWidth || b->height() < qMin(metrics.height(), 12))
        return QStringLiteral("%1x%2, too small for its caption").arg(b->width()).arg(b->height());
    return {};
}

QStringList faultsOf(QWidget* window)
{
    QStringList faults;
    const QRect area = window->screen()->availableGeometry();
    if (!area.contains(window->frameGeometry()))
        faults << QStringLiteral("%1: frame %2 is not wholly on the screen %3")
                      .arg(window->objectName(), rectText(window->frameGeometry()), rectText(area));
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window) || isInternal(w, window))
            continue;
        const bool named = !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
        if (!qobject_cast<QAbstractButton*>(w) && !named)
            continue;
        QString why = unreachable(w, window);
        if (why.isEmpty())
            why = squeezed(w);
        const QRect onScreen(w->mapToGlobal(QPoint(0, 0)), w->size());
        if (why.isEmpty() && !area.contains(onScreen) && !insideScrollArea(w, window))
            why = QStringLiteral("at %1, off the screen").arg(rectText(onScreen));
        if (!why.isEmpty())
            faults << QStringLiteral("%1: %2 %3").arg(window->objectName(), describe(w), why);
    }
    return faults;
}

// The screen as the user sees it: the windows at their places, each frame outlined.
void saveScreenshot(const QString& name, const QList<QWidget*>& windows)
{
    const QString folder = QString::fromLocal8Bit(qgetenv("PEMVIX_SCREENSHOTS"));
    if (folder.isEmpty() || windows.isEmpty())
        return;
    const QRect screen = windows.first()->screen()->geometry();
    QImage image(screen.size(), QImage::Format_RGB32);
    image.fill(QColor(0x3a, 0x45, 0x50));
    QPainter p(&image);
    for (QWidget* w : windows) {
        const QRect frame = w->frameGeometry().translated(-screen.topLeft());
        p.fillRect(frame, QColor(0xa0, 0xa8, 0xb0));
        p.drawPixmap(w->geometry().topLeft() - screen.topLeft(), w->grab());
        p.setPen(Qt::red);
        p.drawRect(frame.adjusted(0, 0, -1, -1));
    }
    p.end();
    QDir().mkpath(folder);
    QString file = name;
    file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    image.save(
        QDir(folder).filePath(QStringLiteral("%1x%2-%3.png").arg(screen.width()).arg(screen.height()).arg(file)));
}

template <class T> T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no child %s in %s", name, qPrintable(w->objectName()));
    return c;
}

void click(QWidget* w, const char* name)
{
    QTest::mouseClick(child<QWidget>(w, name), Qt::LeftButton);
}

// Clicks the heading of a grid's column, as a user sorting the list does.
void clickHeading(QWidget* w, const char* grid, const QString& column)
{
    auto* view = child<QAbstractItemView>(w, grid);
    auto* header = static_cast<QTableView*>(view)->horizontalHeader();
    int section = -1;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        if (view->model()->headerData(c, Qt::Horizontal).toString() == column)
            section = c;
    QVERIFY2(section >= 0, qPrintable(column));
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Prices, stocks and names that differ from item to item, so a sorted list shows its order.
void varyItems(TestEnv& env)
{
    env.exec(QStringLiteral("UPDATE tblStocks SET ItemPrice = CAST((rowid * 37) % 1500 AS TEXT) || '.50', "
                            "ItemStocks = (rowid * 13) % 90, ItemName = 'Item ' || CAST((rowid * 7) % 41 AS TEXT)"));
}

void seed(TestEnv& env)
{
    const QString today = DateText();
    env.exec(QStringLiteral("BEGIN"));
    for (int i = 1; i <= 40; ++i) {
        const QString number = QString::number(1000 + i);
        const QString name = QStringLiteral("Ballpoint pen, blue, box of %1").arg(i);
        env.exec(QStringLiteral("INSERT INTO tblStocks VALUES (?, ?, '1250.50', 'Office supplies', ?, 'Acme', "
                                "'Available')"),
                 {number, name, i * 17});
        env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, "
                                "PresentStock, Cashier, Amount) VALUES (?, ?, ?, ?, '2', '100', 'Maria', '2501')"),
                 {QString::number(i), today, name, number});
        env.exec(QStringLiteral("INSERT INTO tblSales VALUES (?, '9:01:02 AM', '2501', '499', '3000', 'Maria')"),
                 {today});
        env.exec(QStringLiteral("INSERT INTO tblEmp VALUES (?, 'Maria Santos', 'Female', 'Cashier', 'pw', ?)"),
                 {QString::number(i), today});
        env.exec(QStringLiteral("INSERT INTO tblNot VALUES (?, '9:01:02 AM', 'Item Out of Stock', "
                                "'Ballpoint pen is out of stock.\r\n\r\nDETAILS:\r\nItem Number: 1001')"),
                 {today});
    }
    env.exec(QStringLiteral("COMMIT"));
}

void signIn(frmMain& main)
{
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    child<QAbstractButton>(&main, "Option1")->click();
    child<QLineEdit>(&main, "txtUsername")->setText(TestEnv::adminUser());
    child<QLineEdit>(&main, "txtPassword")->setText(TestEnv::adminPassword());
    main.SignIn();
    QVERIFY(main.session().IsAdministrator());
    // The main window has taken its place, 400 twips from the top or higher on a short screen:
    // the windows it opens are centred on it.
    const QRect area = main.screen()->availableGeometry();
    const int top =
        qMin(qRound(400.0 * main.logicalDpiY() / 1440.0), area.bottom() + 1 - main.frameGeometry().height());
    QTRY_COMPARE(main.frameGeometry().top(), qMax(area.top(), top));
    QTest::qWait(20);
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void checkerFindsFaults_data();
    void checkerFindsFaults();
    void flowWraps_data();
    void flowWraps();
    void fits_data();
    void fits();

private:
    // Shows a window, lets it settle (placement timers included) and checks it.
    void check(const QString& name, QWidget* window, const QList<QWidget*>& popups = {});
    // Runs `inside` on the window the main window's menu entry `picture` opens.
    void throughMenu(TestEnv& env, const char* picture, const std::function<void(QDialog&)>& inside);

    QStringList m_faults;
    int m_checked = 0;
};

void tst_Layout::initTestCase()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    QCOMPARE(screen->availableGeometry(), QRect(QPoint(0, 0), configuredScreen()));
}

void tst_Layout::check(const QString& name, QWidget* window, const QList<QWidget*>& popups)
{
    if (!window->isVisible())
        window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(60); // placement timers fire 10 ms after showing
    ++m_checked;
    m_faults << faultsOf(window);
    for (QWidget* popup : popups) {
        if (!popup->screen()->availableGeometry().contains(popup->frameGeometry()))
            m_faults << QStringLiteral("%1: popup %2 at %3 is not wholly on the screen")
                            .arg(name, popup->objectName(), rectText(popup->frameGeometry()));
    }
    saveScreenshot(name, QList<QWidget*>{window} + popups);
}

void tst_Layout::throughMenu(TestEnv& env, const char* picture, const std::function<void(QDialog&)>& inside)
{
    bool opened = false;
    env.onModal([&](QDialog& d) {
        opened = true;
        d.show();
        inside(d);
        d.hide();
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(child<QWidget>(&env.main(), picture), Qt::LeftButton);
    QVERIFY2(opened, picture);
}

// The checks themselves: a button cut off by its window or its group, or a sliver, is found; a
// button that a scroll area can bring into view is not.
void tst_Layout::checkerFindsFaults_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("faulty");
    QTest::newRow("inside") << "inside" << false;
    QTest::newRow("past the window edge") << "window edge" << true;
    QTest::newRow("cut off by its group") << "group" << true;
    QTest::newRow("a sliver") << "sliver" << true;
    QTest::newRow("scrolled out of view") << "scrolled" << false;
    QTest::newRow("window off the screen") << "off screen" << true;
}

void tst_Layout::checkerFindsFaults()
{
    QFETCH(QString, layout);
    QFETCH(bool, faulty);
    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    window.resize(300, 200);
    window.move(40, 40);
    QWidget* parent = &window;
    if (layout == QLatin1String("group")) {
        parent = new QWidget(&window);
        parent->setGeometry(10, 10, 100, 60);
    } else if (layout == QLatin1String("scrolled")) {
        auto* scroll = new QScrollArea(&window);
        scroll->setGeometry(10, 10, 200, 100);
        parent = new QWidget;
        parent->resize(200, 600);
        scroll->setWidget(parent);
    } else if (layout == QLatin1String("off screen")) {
        window.move(configuredScreen().width() - 100, 40);
    }
    auto* button = new QPushButton(QStringLiteral("Close"), parent);
    button->setObjectName(QStringLiteral("cmdClose"));
    const QPoint at = layout == QLatin1String("window edge") ? QPoint(250, 10)
                      : layout == QLatin1String("group")     ? QPoint(60, 30)
                      : layout == QLatin1String("scrolled")  ? QPoint(10, 500)
                                                             : QPoint(10, 10);
    button->setGeometry(QRect(at, layout == QLatin1String("sliver") ? QSize(6, 30) : QSize(80, 30)));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList faults = faultsOf(&window);
    QCOMPARE(!faults.isEmpty(), faulty);
    if (faulty && layout != QLatin1String("off screen"))
        QVERIFY2(faults.first().contains(QLatin1String("cmdClose")), qPrintable(faults.join(QLatin1Char('\n'))));
}

// A row of buttons too wide for its column wraps onto further rows, each button whole and
// inside the column, kept to the side asked for.
void tst_Layout::flowWraps_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows");
    QTest::newRow("all on one row") << 600 << 1;
    QTest::newRow("two rows") << 300 << 2;
    QTest::newRow("one button a row") << 160 << 4;
}

void tst_Layout::flowWraps()
{
    QFETCH(int, width);
    QFETCH(int, rows);
    QWidget column;
    auto* outer = new QVBoxLayout(&column);
    auto* row = new FlowLayout(Qt::AlignRight);
    QList<QPushButton*> buttons;
    for (const char* caption : {"Set Save Folder", "Cancel", "Backup Database", "Restore"}) {
        buttons << new QPushButton(QString::fromLatin1(caption), &column);
        row->addWidget(buttons.last());
    }
    outer->addLayout(row);
    outer->addStretch(1);
    column.setFixedWidth(width);
    QVERIFY(column.layout()->hasHeightForWidth());
    column.resize(width, column.heightForWidth(width)); // as a scroll area sizes its contents
    column.show();
    QVERIFY(QTest::qWaitForWindowExposed(&column));
    QSet<int> tops;
    int rightmost = 0;
    for (QPushButton* b : buttons) {
        QVERIFY2(column.rect().contains(b->geometry()), qPrintable(b->text()));
        QVERIFY2(squeezed(b).isEmpty(), qPrintable(b->text()));
        tops << b->y();
        rightmost = qMax(rightmost, b->geometry().right());
    }
    QCOMPARE(int(tops.size()), rows);
    QVERIFY(rightmost >= column.width() - outer->contentsMargins().right() - 2); // kept to the right
}

void tst_Layout::fits_data()
{
    QTest::addColumn<QString>("scenario");
    for (const char* name : {"frmLoading",
                             "frmMain sign-in",
                             "frmMain menu",
                             "frmMain notifications",
                             "frmMain about",
                             "frmPOS",
                             "frmTotal",
                             "frmPassword",
                             "frmPassword employee",
                             "frmReg",
                             "frmReg employees",
                             "frmReg items",
                             "frmReg items sorted",
                             "frmSetting",
                             "frmSetting folder and accounts",
                             "frmSetting folder and log",
                             "frmInvent",
                             "frmReg import summary",
                             "frmInvent sold items",
                             "frmInvent stock watch",
                             "frmInvent sorted",
                             "frmSales",
                             "frmSales calendar",
                             "frmPrint",
                             "frmPrint calendar",
                             "inventory report preview",
                             "sales report preview",
                             "receipt preview"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_Layout::fits()
{
    QFETCH(QString, scenario);
    m_faults.clear();
    m_checked = 0;
    TestEnv env;
    seed(env);
    if (scenario.endsWith(QLatin1String("sorted")))
        varyItems(env);
    AppWindowFactory windows(env.ctx);
    env.ctx.windows = &windows;
    env.setSession(QString(), QString());
    frmMain& main = env.main();

    if (scenario == QLatin1String("frmLoading")) {
        frmLoading loading(env.ctx, [] { return nullptr; });
        check(scenario, &loading);
    } else if (scenario == QLatin1String("frmMain sign-in")) {
        check(scenario, &main);
    } else if (scenario.startsWith(QLatin1String("frmMain"))) {
        signIn(main);
        if (scenario.endsWith(QLatin1String("notifications")))
            click(&main, "Label6");
        else if (scenario.endsWith(QLatin1String("about")))
            click(&main, "Label11");
        check(scenario, &main);
    } else if (scenario == QLatin1String("frmPOS")) {
        signIn(main);
        throughMenu(env, "imgPos", [&](QDialog& d) { check(scenario, &d); });
    } else if (scenario == QLatin1String("receipt preview")) {
        // The first seeded sale: one sold line of 2501, the amount due of the first sales row.
        signIn(main);
        env.onModal([&](QDialog& d) {
            check(scenario, &d);
            return int(QDialog::Rejected);
        });
        QVERIFY(printReceipt(env.ctx, &main, SaleRef{QStringLiteral("1"), 1, DateText(), QStringLiteral("9:01:02 AM")},
                             ReceiptPaper::Roll80));
    } else if (scenario == QLatin1String("frmTotal")) {
        signIn(main);
        frmTotal total(env.ctx, QStringLiteral("1,250.50"), QStringLiteral("41"), QStringLiteral("Admin"), &main);
        check(scenario, &total);
    } else if (scenario.startsWith(QLatin1String("frmPassword"))) {
        signIn(main);
        const auto checkPasswordWindow = [&] {
            env.onModal([&](QDialog& d) {
                check(scenario, &d);
                return int(QDialog::Rejected);
            });
        };
        if (scenario.endsWith(QLatin1String("employee"))) {
            throughMenu(env, "imgRep", [&](QDialog& d) {
                click(&d, "cmdClient");
                checkPasswordWindow();
                click(&d, "cmdChangePassword");
            });
        } else {
            checkPasswordWindow();
            click(&main, "cmdPassword");
        }
    } else if (scenario.startsWith(QLatin1String("frmReg"))) {
        signIn(main);
        throughMenu(env, "imgRep", [&](QDialog& d) {
            if (scenario.endsWith(QLatin1String("employees")))
                click(&d, "cmdClient");
            else if (scenario.contains(QLatin1String("items")))
                click(&d, "cmdItem");
            if (scenario.endsWith(QLatin1String("sorted")))
                clickHeading(&d, "DataGrid2", QStringLiteral("ItemName"));
            if (!scenario.endsWith(QLatin1String("import summary")))
                return check(scenario, &d);
            // The summary of a file with good and refused rows, over the item list.
            click(&d, "cmdItem");
            QFile file(env.dir() + QStringLiteral("/items.csv"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("name,price,stocks,brand\n");
            for (int i = 1; i <= 60; ++i)
                file.write(QStringLiteral("Notebook %1,%2,%3,Acme\n")
                               .arg(i)
                               .arg(i % 7 == 0 ? QStringLiteral("free") : QString::number(i * 12.5))
                               .arg(i % 11 == 0 ? QStringLiteral("a few") : QString::number(i))
                               .toUtf8());
            file.close();
            env.platform.setFileHook([&](const QString&, const QString&) { return file.fileName(); });
            env.onModal([&](QDialog& summary) {
                check(scenario, &summary);
                return int(QDialog::Rejected);
            });
            click(&d, "cmdImport");
        });
    } else if (scenario.startsWith(QLatin1String("frmSetting"))) {
        signIn(main);
        throughMenu(env, "imgAdm", [&](QDialog& d) {
            if (scenario.contains(QLatin1String("folder")))
                click(&d, "lvButtons_H3");
            if (scenario.endsWith(QLatin1String("accounts")))
                click(&d, "lvButtons_H16");
            else if (scenario.endsWith(QLatin1String("log")))
                click(&d, "lvButtons_H10");
            check(scenario, &d);
        });
    } else if (scenario.startsWith(QLatin1String("frmInvent")) ||
               scenario == QLatin1String("inventory report preview")) {
        signIn(main);
        frmInvent inventory(env.ctx, &main);
        inventory.show();
        if (scenario.endsWith(QLatin1String("watch"))) {
            click(&inventory, "lvButtons_H12");
            click(&inventory, "lvButtons_H9");
        } else if (scenario.endsWith(QLatin1String("sorted"))) {
            clickHeading(&inventory, "DataGrid2", QStringLiteral("ItemPrice"));
            clickHeading(&inventory, "DataGrid2", QStringLiteral("ItemPrice")); // the other way: dearest first
        } else if (scenario != QLatin1String("frmInvent")) {
            click(&inventory, "lvButtons_H1");
            click(&inventory, "lvButtons_H5"); // the calendar opens over the panel
        }
        if (scenario == QLatin1String("inventory report preview")) {
            child<QCalendarWidget>(&inventory, "Calendar1")->hide();
            child<QLineEdit>(&inventory, "txtSearch1")->setText(DateText());
            env.answer(QMessageBox::Yes);
            env.onModal([&](QDialog& d) {
                check(scenario, &d);
                return int(QDialog::Rejected);
            });
            click(&inventory, "lvButtons_H4");
        } else {
            check(scenario, &inventory);
        }
    } else if (scenario.startsWith(QLatin1String("frmSales"))) {
        signIn(main);
        frmSales sales(env.ctx, &main);
        QList<QWidget*> popups;
        if (scenario.endsWith(QLatin1String("calendar"))) {
            sales.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sales));
            click(&sales, "lvButtons_H1");
            popups << child<QCalendarWidget>(&sales, "Calendar1");
        }
        check(scenario, &sales, popups);
    } else if (scenario.startsWith(QLatin1String("frmPrint")) || scenario == QLatin1String("sales report preview")) {
        signIn(main);
        frmPrint print(env.ctx, &main);
        print.show();
        QVERIFY(QTest::qWaitForWindowExposed(&print));
        click(&print, "Option1");
        QList<QWidget*> popups;
        if (scenario != QLatin1String("frmPrint")) {
            click(&print, "lvButtons_H2");
            popups << child<QCalendarWidget>(&print, "Calendar1");
        }
        if (scenario == QLatin1String("sales report preview")) {
            auto* calendar = child<QCalendarWidget>(&print, "Calendar1");
            emit calendar->clicked(QDate::currentDate());
            click(&print, "lvButtons_H7");
            env.onModal([&](QDialog& d) {
                check(scenario, &d);
                return int(QDialog::Rejected);
            });
            click(&print, "lvButtons_H1");
        } else {
            check(scenario, &print, popups);
        }
    }
    QCOMPARE(m_checked, 1);
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

// The screen is configured before the application starts: the offscreen platform reads its
// screens from a file.
int main(int argc, char** argv)
{
    const QSize size = configuredScreen();
    QTemporaryFile config(QDir::tempPath() + QStringLiteral("/pemvix-screen-XXXXXX.json"));
    if (!config.open())
        qFatal("cannot write the screen configuration");
    config.write(QStringLiteral(R"({"screens": [{"name": "shop", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(size.width())
                     .arg(size.height())
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    tst_Layout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layout.moc"
