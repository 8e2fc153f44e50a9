#include "startup/frmLoading.h"

#include "platform/Platform.h"
#include "session/AppContext.h"
#include "session/frmMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QRadialGradient>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int WindowWidth = 600;
constexpr int WindowHeight = 310;
constexpr int Margin = 36;
// Timer2's guard picks the restart interval from 0 to 54 ms.
constexpr int RestartFactor = 55;

} // namespace

ScanSource ScanSource::system()
{
    return ScanSource{SystemFacts::memory, SystemFacts::drives, SystemFacts::osVersion, SystemFacts::screenSize,
                      SystemFacts::loginName};
}

frmLoading::frmLoading(AppContext& ctx, std::function<frmMain*()> loadMain, QWidget* parent, ScanSource source)
    : QDialog(parent), m_ctx(ctx), m_loadMain(std::move(loadMain)), m_source(std::move(source))
{
    setObjectName(QStringLiteral("frmLoading"));
    setWindowTitle(QStringLiteral("Tolvenco System Solution"));
    // A splash screen: no frame and no close box. The screen closes itself when it hands over
    // to the main window; closed earlier, it would leave a running program with no window.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(WindowWidth, WindowHeight);
    buildWindow();
    fillDrives();
    // The never-seeded generator's first draw is always close to 0 (48271 / 2^31), which would
    // leave the first firing of Timer2 without a scan step and the bar at 0% for two seconds.
    // Passing over it keeps the sequence the same at every start, with the first step about
    // one second after the window opens.
    m_random.discard(1);

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(0); // not firing until Timer2 starts it
    connect(m_Timer1, &QTimer::timeout, this, &frmLoading::SystemScanStep);

    m_Timer2 = new QTimer(this);
    m_Timer2->setObjectName(QStringLiteral("Timer2"));
    m_Timer2->setInterval(1000);
    connect(m_Timer2, &QTimer::timeout, this, &frmLoading::RestartGuard);
}

frmLoading::~frmLoading() = default;

void frmLoading::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, 30);
    layout->setSpacing(10);
    layout->addStretch(1);

    m_Label1 = new QLabel(QStringLiteral("Preparing System..."), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    // Plain text always: a user name holding '<' must not be read as markup.
    m_Label1->setTextFormat(Qt::PlainText);
    m_Label1->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    QFont labelFont = m_Label1->font();
    labelFont.setPointSizeF(labelFont.pointSizeF() * 1.15);
    m_Label1->setFont(labelFont);
    m_Label1->setMinimumHeight(2 * QFontMetrics(labelFont).lineSpacing() + 4);
    m_Label1->setStyleSheet(QStringLiteral("color: #eaf2f8;"));
    layout->addWidget(m_Label1);

    m_XP_ProgressBar1 = new QProgressBar(this);
    m_XP_ProgressBar1->setObjectName(QStringLiteral("XP_ProgressBar1"));
    m_XP_ProgressBar1->setRange(0, 100);
    m_XP_ProgressBar1->setValue(0);
    m_XP_ProgressBar1->setTextVisible(true);
    m_XP_ProgressBar1->setFormat(QStringLiteral("%p%"));
    m_XP_ProgressBar1->setAlignment(Qt::AlignCenter);
    m_XP_ProgressBar1->setFixedHeight(22);
    m_XP_ProgressBar1->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid rgba(255, 255, 255, 110); border-radius: 7px;"
        " background: rgba(0, 0, 0, 70); color: white; font-weight: bold; }"
        "QProgressBar::chunk { border-radius: 6px; background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0,"
        " stop: 0 #f6ae2d, stop: 1 #f26419); }"));
    layout->addWidget(m_XP_ProgressBar1);

    // The drive list is where the scan counts the drives; the splash itself does not show it.
    m_Drive1 = new QComboBox(this);
    m_Drive1->setObjectName(QStringLiteral("Drive1"));
    m_Drive1->setVisible(false);
}

void frmLoading::fillDrives()
{
    m_Drive1->clear();
    if (m_source.drives)
        m_Drive1->addItems(m_source.drives());
}

void frmLoading::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();

    QLinearGradient sky(r.topLeft(), r.bottomRight());
    sky.setColorAt(0.0, QColor(0x0b, 0x25, 0x45));
    sky.setColorAt(0.55, QColor(0x13, 0x4b, 0x6e));
    sky.setColorAt(1.0, QColor(0x1d, 0x78, 0x74));
    p.fillRect(r, sky);

    // Soft rings in the lower right corner.
    for (int i = 0; i < 4; ++i) {
        const qreal radius = 120 + i * 55;
        QRadialGradient glow(QPointF(r.right() - 40, r.bottom() + 30), radius);
        glow.setColorAt(0.0, QColor(255, 255, 255, 0));
        glow.setColorAt(0.85, QColor(255, 255, 255, 10 + i * 4));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(r.right() - 40, r.bottom() + 30), radius, radius);
    }
    // A light diagonal band across the top.
    QPainterPath band;
    band.moveTo(r.width() * 0.45, 0);
    band.lineTo(r.width() * 0.70, 0);
    band.lineTo(r.width() * 0.40, r.height());
    band.lineTo(r.width() * 0.15, r.height());
    band.closeSubpath();
    p.fillPath(band, QColor(255, 255, 255, 12));

    // The emblem: rising bars in a rounded square.
    const QRectF emblem(Margin, Margin, 64, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawRoundedRect(emblem, 14, 14);
    const qreal barWidth = 9;
    const qreal heights[] = {18, 28, 38};
    for (int i = 0; i < 3; ++i) {
        QLinearGradient bar(0, emblem.bottom() - 12 - heights[i], 0, emblem.bottom() - 12);
        bar.setColorAt(0, QColor(0xf6, 0xae, 0x2d));
        bar.setColorAt(1, QColor(0xf2, 0x64, 0x19));
        p.setBrush(bar);
        p.drawRoundedRect(
            QRectF(emblem.left() + 14 + i * (barWidth + 5), emblem.bottom() - 12 - heights[i], barWidth, heights[i]), 2,
            2);
    }

    // Titles beside the emblem.
    const qreal textLeft = emblem.right() + 18;
    QFont maker = font();
    maker.setPointSizeF(font().pointSizeF() * 0.95);
    maker.setBold(true);
    maker.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    maker.setCapitalization(QFont::AllUppercase);
    p.setFont(maker);
    p.setPen(QColor(0xf6, 0xae, 0x2d));
    p.drawText(QRectF(textLeft, emblem.top() - 2, r.width() - textLeft - Margin, 20), Qt::AlignLeft | Qt::AlignTop,
               windowTitle());

    QFont product = font();
    product.setPointSizeF(font().pointSizeF() * 2.0);
    product.setBold(true);
    p.setFont(product);
    p.setPen(Qt::white);
    const QFontMetricsF productMetrics(product);
    p.drawText(QRectF(textLeft, emblem.top() + 20, r.width() - textLeft - Margin, productMetrics.height()),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Sales and Inventory System"));

    QFont tagline = font();
    tagline.setPointSizeF(font().pointSizeF() * 1.05);
    p.setFont(tagline);
    p.setPen(QColor(0xc9, 0xdd, 0xea));
    p.drawText(QRectF(textLeft, emblem.top() + 22 + productMetrics.height(), r.width() - textLeft - Margin, 24),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Point of sale, stock and sales records for your shop"));

    // A thin accent line under the titles.
    const qreal lineY = emblem.bottom() + 26;
    QLinearGradient accent(Margin, 0, r.width() - Margin, 0);
    accent.setColorAt(0, QColor(0xf6, 0xae, 0x2d, 220));
    accent.setColorAt(1, QColor(0xf6, 0xae, 0x2d, 0));
    p.fillRect(QRectF(Margin, lineY, r.width() - 2 * Margin, 2), accent);

    // A hairline frame, since the window has none of its own.
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void frmLoading::start(const QString& instanceLockName)
{
    const bool another = instanceLockName.isEmpty() ? m_ctx.platform.anotherInstanceRunning()
                                                    : m_ctx.platform.anotherInstanceRunning(instanceLockName);
    if (another) {
        // Only a warning: the second copy goes on with its own scan and main window. The
        // screen is not shown yet, so the box stands alone in the middle of the screen.
        m_ctx.platform.message(nullptr, QStringLiteral("System is already in used!"), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Information);
    }
    show();
    m_Timer2->start();
}

void frmLoading::RestartGuard()
{
    if (m_finished)
        return;
    if (m_Timer1->interval() == 0)
        setTimer1Interval(randomInterval(RestartFactor));
}

void frmLoading::SystemScanStep()
{
    if (m_finished)
        return;
    const int value = m_XP_ProgressBar1->value() + 1;
    m_XP_ProgressBar1->setValue(qMin(value, m_XP_ProgressBar1->maximum()));

    if (const int factor = scanIntervalFactor(value); factor > 0) {
        const ScanFacts facts = readFacts();
        m_Label1->setText(scanStepText(value, facts));
        if (value == HandOverStep)
            handOver(facts);
        setTimer1Interval(randomInterval(factor));
    }
    if (value >= FinalStep)
        finish();
}

ScanFacts frmLoading::readFacts() const
{
    ScanFacts facts;
    if (m_source.memory)
        facts.memory = m_source.memory();
    facts.driveCount = m_Drive1->count();
    if (m_source.osVersion)
        facts.os = m_source.osVersion();
    if (m_source.screenSize)
        facts.screen = m_source.screenSize();
    if (m_source.userName)
        facts.userName = m_source.userName();
    return facts;
}

void frmLoading::handOver(const ScanFacts& facts)
{
    if (!m_main)
        m_main = m_loadMain();
    // Without a user name the main window's domain stays empty for the whole run.
    if (m_main && facts.userName)
        m_main->session().setDomainName(*facts.userName);
}

void frmLoading::finish()
{
    m_finished = true;
    m_Timer1->stop();
    m_Timer2->stop();
    if (!m_main)
        m_main = m_loadMain();
    close();
    if (m_main) {
        m_main->show();
        m_main->activateWindow(); // the keyboard goes to the sign-in panel
        m_main->placeWindow();
    }
}

void frmLoading::setTimer1Interval(int ms)
{
    if (ms <= 0) {
        m_Timer1->stop();
        m_Timer1->setInterval(0);
    } else {
        m_Timer1->start(ms);
    }
}

int frmLoading::randomInterval(int factor)
{
    return int(nextFraction() * factor);
}

double frmLoading::nextFraction()
{
    if (m_fraction)
        return m_fraction();
    // (draw - min) / (max - min + 1) lies in [0, 1).
    const auto span = double(std::minstd_rand::max() - std::minstd_rand::min()) + 1.0;
    return double(m_random() - std::minstd_rand::min()) / span;
}

void frmLoading::closeEvent(QCloseEvent* event)
{
    if (m_finished)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void frmLoading::reject()
{
    // Escape does not end the scan; the screen closes only when it hands over.
    if (m_finished)
        QDialog::reject();
}
