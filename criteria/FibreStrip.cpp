#include "criteria/FibreStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace
{
constexpr int Pad = 4;
constexpr int Gap = 3;
constexpr int RowHeight = 26;

QColor VerdictColour(TFibreVerdict verdict)
{
    switch (verdict)
    {
    case TFibreVerdict::Pass:
        return QColor(0, 150, 0);
    case TFibreVerdict::Fail:
        return QColor(215, 0, 0);
    case TFibreVerdict::NotJudged:
        break;
    }
    return QColor(105, 105, 105);
}
} // namespace

TFibreStrip::TFibreStrip(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Click a fibre to see its zones as last judged"));
}

void TFibreStrip::SetFibres(std::vector<Cell> cells, int perRow)
{
    Cells_ = std::move(cells);
    PerRow_ = std::max(perRow, 1);
    update();
}

int TFibreStrip::HeightFor(int rows)
{
    return 2 * Pad + rows * RowHeight + std::max(rows - 1, 0) * Gap;
}

QRect TFibreStrip::CellRect(int number) const
{
    const int count = static_cast<int>(Cells_.size());
    const int index = number - 1;
    if (index < 0 || index >= count)
        return QRect();
    const int rows = (count + PerRow_ - 1) / PerRow_;
    const int width = (this->width() - 2 * Pad - (PerRow_ - 1) * Gap) / PerRow_;
    const int height = (this->height() - 2 * Pad - (rows - 1) * Gap) / std::max(rows, 1);
    const int row = index / PerRow_;
    const int column = index % PerRow_;
    return QRect(Pad + column * (width + Gap), Pad + row * (height + Gap), width, height);
}

int TFibreStrip::FibreAt(const QPoint& point) const
{
    for (const Cell& c : Cells_)
        if (CellRect(c.Number).contains(point))
            return c.Number;
    return 0;
}

void TFibreStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 190));
    QFont number = font();
    number.setBold(true);
    number.setPixelSize(std::clamp(height() / 2 - 2, 10, 14));
    QFont mark = font();
    mark.setPixelSize(9);
    mark.setBold(true);
    for (const Cell& c : Cells_)
    {
        const QRect r = CellRect(c.Number);
        p.fillRect(r, VerdictColour(c.Verdict));
        if (c.InLastView)
        {
            // The fibres the last view saw, outlined so the operator sees where the view lay.
            p.setPen(QPen(QColor(255, 212, 0), 2));
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
        p.setPen(Qt::white);
        p.setFont(number);
        p.drawText(r, Qt::AlignCenter, QString::number(c.Number));
        if (c.Times > 1)
        {
            // Judged again: the last verdict holds, and how often it was judged is in the corner.
            p.setFont(mark);
            p.drawText(r.adjusted(0, 1, -3, 0), Qt::AlignRight | Qt::AlignTop,
                       QStringLiteral("\u00D7%1").arg(c.Times));
        }
    }
}

void TFibreStrip::mousePressEvent(QMouseEvent* event)
{
    const int number = FibreAt(event->position().toPoint());
    if (number > 0 && event->button() == Qt::LeftButton && OnFibreClicked)
        OnFibreClicked(number);
}
