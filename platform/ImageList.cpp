#include "platform/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

ImageList::ImageList(QObject* parent, const QSize& size)
    : QObject(parent)
    , m_size(size)
{
}

QIcon ImageList::icon(int index) const
{
    if (index < 0 || index >= count())
        return QIcon();
    return m_icons.at(index);
}

QPixmap ImageList::pixmap(int index) const
{
    const QIcon i = icon(index);
    return i.isNull() ? QPixmap() : i.pixmap(m_size);
}

int ImageList::add(const QIcon& icon)
{
    m_icons << icon;
    emit changed();
    return count() - 1;
}

void ImageList::setIcon(int index, const QIcon& icon)
{
    if (index < 0)
        return;
    while (m_icons.size() <= index)
        m_icons << QIcon();
    m_icons[index] = icon;
    emit changed();
}

void ImageList::clear()
{
    m_icons.clear();
    emit changed();
}

namespace
{
// Each picture is drawn on a 16 x 16 grid and scaled to the list's size.
QPixmap canvas(const QSize& size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

void begin(QPainter& p, const QSize& size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 16.0, size.height() / 16.0);
}

QIcon arrow(const QSize& size, bool up)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    QPolygonF tri;
    if (up)
        tri << QPointF(8, 4) << QPointF(13, 11) << QPointF(3, 11);
    else
        tri << QPointF(3, 5) << QPointF(13, 5) << QPointF(8, 12);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(110, 110, 110));
    p.drawPolygon(tri);
    return QIcon(pm);
}

QIcon star(const QSize& size, const QColor& fill)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    QPolygonF s;
    const QPointF c(8, 8.5);
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? 7.0 : 3.0;
        const double a = -M_PI / 2 + i * M_PI / 5;
        s << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(fill);
    p.drawPolygon(s);
    return QIcon(pm);
}

QIcon medal(const QSize& size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawPolygon(QPolygonF() << QPointF(4, 0) << QPointF(7, 0) << QPointF(9, 6) << QPointF(6, 6));
    p.setBrush(QColor(200, 40, 40));
    p.drawPolygon(QPolygonF() << QPointF(9, 0) << QPointF(12, 0) << QPointF(10, 6) << QPointF(7, 6));
    p.setPen(QPen(QColor(150, 110, 0), 1));
    p.setBrush(QColor(250, 200, 30));
    p.drawEllipse(QPointF(8, 10.5), 4.5, 4.5);
    p.setPen(QPen(QColor(150, 110, 0), 1.4));
    p.drawLine(QPointF(8, 8), QPointF(8, 13));
    return QIcon(pm);
}

QIcon note(const QSize& size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(255, 250, 190));
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setPen(QPen(QColor(70, 70, 160), 1));
    for (double y = 4.5; y < 13; y += 2.5)
        p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    return QIcon(pm);
}

QIcon tick(const QSize& size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    QPen pen(QColor(0, 140, 0), 2.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath path;
    path.moveTo(2.5, 8.5);
    path.lineTo(6.5, 12.5);
    path.lineTo(13.5, 3.5);
    p.drawPath(path);
    return QIcon(pm);
}

QIcon letter(const QSize& size, const QString& text, const QColor& back)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    p.setPen(QPen(back.darker(150), 1));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    QFont f;
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, text);
    return QIcon(pm);
}

QIcon video(const QSize& size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    begin(p, size);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(80, 80, 80));
    p.drawRoundedRect(QRectF(1.5, 4.5, 9, 8), 1.5, 1.5);
    p.drawPolygon(QPolygonF() << QPointF(10.5, 8.5) << QPointF(14.5, 5) << QPointF(14.5, 12));
    return QIcon(pm);
}
} // namespace

ImageList* ImageList::gridRaceIcons(QObject* parent)
{
    auto* list = new ImageList(parent);
    const QSize s = list->iconSize();
    list->setIcon(IconSortDescending, arrow(s, false));
    list->setIcon(IconSortAscending, arrow(s, true));
    list->setIcon(IconRego, letter(s, QStringLiteral("R"), QColor(90, 90, 160)));
    list->setIcon(IconTrainer, letter(s, QStringLiteral("T"), QColor(40, 120, 60)));
    list->setIcon(IconBestPlaced, star(s, QColor(120, 170, 255)));
    list->setIcon(IconBestWin, medal(s));
    list->setIcon(IconComments, note(s));
    list->setIcon(IconConfirmed, tick(s));
    list->setIcon(IconRating, letter(s, QStringLiteral("%"), QColor(170, 110, 30)));
    list->setIcon(IconHorseForm, letter(s, QStringLiteral("H"), QColor(150, 60, 40)));
    list->setIcon(IconVideo, video(s));
    return list;
}
