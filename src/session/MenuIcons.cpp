#include "session/MenuIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

struct Palette
{
    QColor base;   // the badge colour
    QColor accent; // a second colour for details
};

Palette paletteFor(MenuIcon icon)
{
    switch (icon) {
    case MenuIcon::Purchase:
        return {QColor(0x2e, 0x7d, 0x32), QColor(0xff, 0xc1, 0x07)};
    case MenuIcon::Settings:
        return {QColor(0x45, 0x5a, 0x64), QColor(0x90, 0xa4, 0xae)};
    case MenuIcon::Register:
        return {QColor(0x15, 0x65, 0xc0), QColor(0xff, 0xb3, 0x00)};
    case MenuIcon::LogOut:
        return {QColor(0xc6, 0x28, 0x28), QColor(0xff, 0xcd, 0xd2)};
    }
    return {Qt::darkGray, Qt::lightGray};
}

// A shopping cart: basket, handle, two wheels.
void drawCart(QPainter& p, const QColor& fg, const QColor& accent)
{
    QPen pen(fg, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath handle;
    handle.moveTo(20, 30);
    handle.lineTo(30, 30);
    handle.lineTo(38, 64);
    handle.lineTo(74, 64);
    p.drawPath(handle);
    QPainterPath basket;
    basket.moveTo(32, 38);
    basket.lineTo(80, 38);
    basket.lineTo(74, 58);
    basket.lineTo(37, 58);
    basket.closeSubpath();
    p.setBrush(accent);
    p.drawPath(basket);
    p.setPen(QPen(fg, 3));
    p.drawLine(QPointF(46, 40), QPointF(48, 56));
    p.drawLine(QPointF(58, 40), QPointF(58, 56));
    p.drawLine(QPointF(70, 40), QPointF(67, 56));
    p.setPen(Qt::NoPen);
    p.setBrush(fg);
    p.drawEllipse(QPointF(42, 74), 6, 6);
    p.drawEllipse(QPointF(70, 74), 6, 6);
}

// A cog wheel with eight teeth and a hole.
void drawGear(QPainter& p, const QColor& fg, const QColor& accent)
{
    const QPointF c(50, 50);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * M_PI / teeth;
        const double a1 = (i + 0.5) * M_PI / teeth;
        const double r = (i % 2 == 0) ? 33 : 25;
        const QPointF p0 = c + QPointF(r * qCos(a0), r * qSin(a0));
        const QPointF p1 = c + QPointF(r * qCos(a1), r * qSin(a1));
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 11, 11);
    p.setPen(QPen(fg.darker(130), 2));
    p.setBrush(fg);
    p.drawPath(gear.subtracted(hole));
    p.setPen(QPen(accent, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 18, 18);
}

// A clipboard with lines and a plus sign: a new entry.
void drawClipboard(QPainter& p, const QColor& fg, const QColor& accent)
{
    p.setPen(QPen(fg, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(24, 22, 46, 60), 5, 5);
    p.setBrush(fg);
    p.drawRoundedRect(QRectF(36, 16, 22, 12), 3, 3);
    p.setPen(QPen(fg, 4, Qt::SolidLine, Qt::RoundCap));
    for (int y : {40, 52, 64})
        p.drawLine(QPointF(32, y), QPointF(56, y));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QPointF(70, 70), 14, 14);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(70, 62), QPointF(70, 78));
    p.drawLine(QPointF(62, 70), QPointF(78, 70));
}

// An open door with an arrow leaving through it.
void drawExit(QPainter& p, const QColor& fg, const QColor& accent)
{
    p.setPen(QPen(fg, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(accent);
    p.drawRect(QRectF(22, 18, 36, 64));
    QPainterPath leaf;
    leaf.moveTo(22, 18);
    leaf.lineTo(44, 26);
    leaf.lineTo(44, 88);
    leaf.lineTo(22, 82);
    leaf.closeSubpath();
    p.setBrush(fg);
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QPointF(39, 55), 3, 3);
    p.setPen(QPen(fg, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(56, 50), QPointF(82, 50));
    QPainterPath head;
    head.moveTo(72, 40);
    head.lineTo(83, 50);
    head.lineTo(72, 60);
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);
}

} // namespace

QPixmap menuIconPixmap(MenuIcon icon, bool highlighted, int size, qreal devicePixelRatio)
{
    QPixmap pixmap(qRound(size * devicePixelRatio), qRound(size * devicePixelRatio));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0); // every picture is drawn on a 100 x 100 square

    const Palette colours = paletteFor(icon);
    // The badge: a soft disc at rest; a brighter disc with a ring under the mouse.
    if (highlighted) {
        QRadialGradient glow(QPointF(50, 50), 50);
        glow.setColorAt(0.80, colours.base.lighter(170));
        glow.setColorAt(1.0, Qt::transparent);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(50, 50), 50, 50);
        p.setBrush(QColor(255, 255, 255));
        p.setPen(QPen(colours.base, 4));
        p.drawEllipse(QPointF(50, 50), 44, 44);
    } else {
        p.setPen(QPen(QColor(0, 0, 0, 40), 2));
        p.setBrush(QColor(0xf4, 0xf6, 0xf8));
        p.drawEllipse(QPointF(50, 50), 44, 44);
    }

    const QColor fg = highlighted ? colours.base : colours.base.darker(115);
    const QColor accent = highlighted ? colours.accent : colours.accent.darker(105);
    p.save();
    // The drawings are laid out on the same square, a little smaller inside the disc.
    p.translate(50, 50);
    p.scale(0.78, 0.78);
    p.translate(-50, -50);
    switch (icon) {
    case MenuIcon::Purchase:
        drawCart(p, fg, accent);
        break;
    case MenuIcon::Settings:
        drawGear(p, fg, accent);
        break;
    case MenuIcon::Register:
        drawClipboard(p, fg, accent);
        break;
    case MenuIcon::LogOut:
        drawExit(p, fg, accent);
        break;
    }
    p.restore();
    return pixmap;
}
