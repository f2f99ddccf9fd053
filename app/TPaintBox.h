#pragma once
// A bare widget that hands its paint and mouse events to its owner's handlers, so the owner
// keeps the form's handler names (PBPaint, PBMouseDown, ...).

#include <QWidget>
#include <functional>

class QPainter;

class TPaintBox : public QWidget
{
public:
    explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}

    std::function<void(QPainter*)> OnPaint;
    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void(int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
