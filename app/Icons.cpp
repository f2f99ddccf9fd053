// Each picture is a few paths in a 24 x 24 box, scaled to the requested rectangle when drawn:
// no bitmaps to blur, and no image-format plug-in needed at run time.

#include "app/Icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{
const QColor Ink(40, 48, 64);
const QColor Accent(30, 90, 170);

class TPaintedIconEngine : public QIconEngine
{
public:
    explicit TPaintedIconEngine(TIconKind kind) : Kind_(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 24.0, side / 24.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        Draw(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new TPaintedIconEngine(Kind_); }
    QString key() const override { return QStringLiteral("TPaintedIconEngine"); }

private:
    void Draw(QPainter& p) const
    {
        const QPen ink(Ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        const QPen white(Qt::white, 2.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        switch (Kind_)
        {
        case TIconKind::Settings:
            p.setPen(ink);
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(4, 6 + 6 * i), QPointF(20, 6 + 6 * i));
            p.setBrush(Accent);
            for (const QPointF& knob : {QPointF(15, 6), QPointF(8, 12), QPointF(13, 18)})
                p.drawEllipse(knob, 2.4, 2.4);
            break;
        case TIconKind::Save: {
            QPainterPath disk;
            disk.moveTo(4, 3);
            disk.lineTo(17, 3);
            disk.lineTo(21, 7);
            disk.lineTo(21, 21);
            disk.lineTo(4, 21);
            disk.closeSubpath();
            p.setPen(ink);
            p.setBrush(Accent);
            p.drawPath(disk);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7.5, 3.5, 8, 5));
            p.drawRect(QRectF(7, 13, 11, 7.5));
            break;
        }
        case TIconKind::Open: {
            QPainterPath back;
            back.moveTo(3, 19);
            back.lineTo(3, 5);
            back.lineTo(9, 5);
            back.lineTo(11, 7);
            back.lineTo(19, 7);
            back.lineTo(19, 10);
            QPainterPath front;
            front.moveTo(3, 19);
            front.lineTo(6.5, 10);
            front.lineTo(22, 10);
            front.lineTo(18.5, 19);
            front.closeSubpath();
            p.setPen(ink);
            p.setBrush(QColor(240, 200, 90));
            p.drawPath(back);
            p.setBrush(QColor(250, 215, 110));
            p.drawPath(front);
            break;
        }
        case TIconKind::Print:
            p.setPen(ink);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 3, 10, 6)); // the sheet going in
            p.setBrush(QColor(150, 160, 175));
            p.drawRoundedRect(QRectF(3, 9, 18, 8), 1.5, 1.5); // the body
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 14, 10, 7)); // the printed sheet
            p.drawLine(QPointF(9, 17), QPointF(15, 17));
            p.drawLine(QPointF(9, 19), QPointF(14, 19));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 170, 80));
            p.drawEllipse(QPointF(18, 12), 1.2, 1.2);
            break;
        case TIconKind::Maximise:
            p.setPen(white);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(2, 3, 20, 18));
            p.fillRect(QRectF(2, 2, 20, 5), Qt::white);
            break;
        case TIconKind::Close:
            p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 3), QPointF(21, 21));
            p.drawLine(QPointF(21, 3), QPointF(3, 21));
            break;
        case TIconKind::Minimise:
            p.fillRect(QRectF(2, 17, 20, 5), Qt::white);
            break;
        }
    }

    TIconKind Kind_;
};
} // namespace

QIcon PaintedIcon(TIconKind kind)
{
    return QIcon(new TPaintedIconEngine(kind));
}
