#include "widgets/Glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace Glyphs {
namespace {

constexpr int S = 32;

QPixmap canvas()
{
    QPixmap p(S, S);
    p.fill(Qt::transparent);
    return p;
}

void computer(QPainter &g, int x, int y, const QColor &screen)
{
    g.setPen(QPen(QColor(60, 60, 60), 1));
    g.setBrush(QColor(200, 200, 200));
    g.drawRect(x, y, 12, 10);
    g.setBrush(screen);
    g.drawRect(x + 2, y + 2, 8, 6);
    g.setBrush(QColor(150, 150, 150));
    g.drawRect(x + 4, y + 10, 4, 2);
    g.drawRect(x + 1, y + 12, 10, 2);
}

void person(QPainter &g, int x, int y, const QColor &shirt)
{
    g.setPen(QPen(QColor(70, 50, 30), 1));
    g.setBrush(QColor(240, 200, 160));
    g.drawEllipse(QPoint(x, y), 3, 3);
    g.setBrush(shirt);
    QPainterPath body;
    body.moveTo(x - 5, y + 13);
    body.quadTo(x - 5, y + 4, x, y + 4);
    body.quadTo(x + 5, y + 4, x + 5, y + 13);
    body.closeSubpath();
    g.drawPath(body);
}

void box(QPainter &g, bool ticked)
{
    g.setPen(QPen(QColor(40, 40, 40), 1));
    g.setBrush(Qt::white);
    g.drawRect(18, 12, 12, 12);
    if (ticked) {
        g.setPen(QPen(QColor(0, 150, 0), 3, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(20, 18, 23, 22);
        g.drawLine(23, 22, 29, 13);
    } else {
        g.setPen(QPen(QColor(210, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(20, 14, 28, 22);
        g.drawLine(28, 14, 20, 22);
    }
}

void plug(QPainter &g, bool plugged)
{
    g.setPen(QPen(QColor(50, 50, 50), 1));
    g.setBrush(QColor(90, 90, 90));
    const int gap = plugged ? 0 : 5;
    g.drawRect(3, 12, 9, 8);            // socket
    g.drawRect(17 + gap, 11, 9, 10);    // plug body
    g.setBrush(QColor(210, 170, 60));
    g.drawRect(13 + gap, 13, 4, 2);     // pins
    g.drawRect(13 + gap, 17, 4, 2);
    g.setPen(QPen(QColor(50, 50, 50), 2));
    g.drawLine(26 + gap, 16, 31, 16);   // cable
    const QColor arrow = plugged ? QColor(0, 160, 0) : QColor(210, 0, 0);
    g.setPen(QPen(arrow, 2));
    g.setBrush(arrow);
    if (plugged) {
        g.drawLine(6, 5, 22, 5);
        g.drawPolygon(QPolygon({QPoint(22, 1), QPoint(27, 5), QPoint(22, 9)}));
    } else {
        g.drawLine(10, 27, 26, 27);
        g.drawPolygon(QPolygon({QPoint(10, 23), QPoint(5, 27), QPoint(10, 31)}));
    }
}

} // namespace

QPixmap networkFrame(int frame)
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor dark(30, 40, 70), lit(90, 200, 255);
    computer(g, 1, 4, frame >= 2 ? lit : dark);
    computer(g, 19, 4, frame >= 4 ? lit : dark);
    g.setPen(QPen(QColor(60, 60, 60), 1));
    g.drawLine(7, 18, 7, 26);
    g.drawLine(7, 26, 25, 26);
    g.drawLine(25, 26, 25, 18);
    // A packet travelling along the cable shows the frame.
    const QPoint packet[5] = {QPoint(7, 22), QPoint(10, 26), QPoint(16, 26), QPoint(22, 26), QPoint(25, 22)};
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(0, 170, 0));
    g.drawEllipse(packet[qBound(1, frame, 5) - 1], 3, 3);
    return p;
}

QPixmap networkOff()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    computer(g, 1, 4, QColor(30, 40, 70));
    computer(g, 19, 4, QColor(30, 40, 70));
    g.setPen(QPen(QColor(60, 60, 60), 1));
    g.drawLine(7, 18, 7, 26);
    g.drawLine(7, 26, 25, 26);
    g.drawLine(25, 26, 25, 18);
    g.setPen(QPen(QColor(220, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(3, 3, 29, 29);
    g.drawLine(29, 3, 3, 29);
    return p;
}

QPixmap personsTicked()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    person(g, 6, 10, QColor(40, 90, 200));
    person(g, 12, 16, QColor(60, 150, 60));
    box(g, true);
    return p;
}

QPixmap personsCrossed()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    person(g, 6, 10, QColor(40, 90, 200));
    person(g, 12, 16, QColor(60, 150, 60));
    box(g, false);
    return p;
}

QPixmap plugConnected()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    plug(g, true);
    return p;
}

QPixmap plugDisconnected()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    plug(g, false);
    return p;
}

QPixmap newRecord()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(80, 80, 80), 1));
    g.setBrush(Qt::white);
    g.drawRect(6, 3, 17, 24);
    g.setPen(QPen(QColor(160, 160, 160), 1));
    for (int y = 9; y < 24; y += 4)
        g.drawLine(9, y, 20, y);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(0, 160, 0));
    g.drawRect(20, 15, 10, 4);
    g.drawRect(23, 12, 4, 10);
    return p;
}

static QPixmap padlock(bool open)
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(120, 120, 120), 3));
    g.setBrush(Qt::NoBrush);
    if (open)
        g.drawArc(QRect(14, 3, 12, 16), 0, 180 * 16);
    else
        g.drawArc(QRect(10, 3, 12, 16), 0, 180 * 16);
    g.drawLine(open ? 26 : 22, 11, open ? 26 : 22, 15);
    if (!open)
        g.drawLine(10, 11, 10, 15);
    g.setPen(QPen(QColor(140, 100, 0), 1));
    g.setBrush(open ? QColor(120, 200, 90) : QColor(230, 180, 40));
    g.drawRoundedRect(6, 14, 20, 15, 2, 2);
    g.setBrush(QColor(60, 40, 0));
    g.drawEllipse(QPoint(16, 20), 2, 2);
    g.drawRect(15, 21, 2, 5);
    return p;
}

QPixmap lockClosed() { return padlock(false); }
QPixmap lockOpen() { return padlock(true); }

QPixmap save()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(20, 40, 90), 1));
    g.setBrush(QColor(50, 90, 180));
    g.drawRoundedRect(4, 4, 24, 24, 2, 2);
    g.setBrush(Qt::white);
    g.drawRect(9, 5, 14, 9);
    g.setBrush(QColor(200, 200, 200));
    g.drawRect(10, 19, 12, 8);
    g.setBrush(QColor(20, 40, 90));
    g.drawRect(18, 6, 3, 6);
    return p;
}

QPixmap floppy() { return save(); }

QPixmap deleteRecord()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(80, 80, 80), 1));
    g.setBrush(Qt::white);
    g.drawRect(5, 3, 17, 24);
    g.setPen(QPen(QColor(210, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(16, 14, 28, 26);
    g.drawLine(28, 14, 16, 26);
    return p;
}

QPixmap exitDoor()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(90, 60, 30), 1));
    g.setBrush(QColor(170, 110, 50));
    g.drawRect(5, 3, 14, 26);
    g.setBrush(QColor(240, 210, 80));
    g.drawEllipse(QPoint(16, 17), 1, 1);
    g.setPen(QPen(QColor(0, 120, 200), 3, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(18, 16, 29, 16);
    g.drawLine(29, 16, 25, 12);
    g.drawLine(29, 16, 25, 20);
    return p;
}

QPixmap database()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(40, 60, 100), 1));
    g.setBrush(QColor(120, 160, 220));
    g.drawRect(6, 8, 20, 18);
    g.drawEllipse(QRect(6, 22, 20, 7));
    g.drawEllipse(QRect(6, 4, 20, 7));
    g.setBrush(Qt::NoBrush);
    g.drawArc(QRect(6, 12, 20, 7), 180 * 16, 180 * 16);
    g.drawArc(QRect(6, 17, 20, 7), 180 * 16, 180 * 16);
    return p;
}

QPixmap script()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setPen(QPen(QColor(80, 80, 80), 1));
    g.setBrush(QColor(255, 250, 220));
    g.drawRect(6, 3, 20, 26);
    g.setPen(QPen(QColor(0, 90, 160), 2));
    const int lengths[5] = {14, 10, 12, 8, 13};
    for (int i = 0; i < 5; ++i)
        g.drawLine(9, 8 + 4 * i, 9 + lengths[i], 8 + 4 * i);
    return p;
}

QPixmap trigger()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(150, 100, 0), 1));
    g.setBrush(QColor(250, 200, 30));
    g.drawPolygon(QPolygon({QPoint(18, 2), QPoint(7, 18), QPoint(15, 18), QPoint(12, 30), QPoint(25, 12), QPoint(17, 12)}));
    return p;
}

QPixmap accentFree()
{
    QPixmap p = canvas();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    QFont f = g.font();
    f.setPixelSize(20);
    f.setBold(true);
    g.setFont(f);
    g.setPen(QColor(30, 30, 30));
    g.drawText(QRect(0, 4, 32, 28), Qt::AlignCenter, QStringLiteral("a"));
    g.setPen(QPen(QColor(210, 0, 0), 2));
    g.drawLine(14, 4, 20, 0);
    g.drawLine(10, 1, 24, 9);
    return p;
}

} // namespace Glyphs
