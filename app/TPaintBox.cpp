#include "app/TPaintBox.h"

#include <QMouseEvent>
#include <QPainter>

void TPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (OnPaint)
        OnPaint(&painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}
