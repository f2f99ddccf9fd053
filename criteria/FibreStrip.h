#pragma once
// The connector's fibres at a glance, under the picture: one cell per fibre, row by row as the
// ferrule holds them, each with its number; grey not judged yet, green Pass, red Fail, a mark for
// a fibre judged more than once, an outline around the fibres the last view saw. A click on a
// cell names its fibre (OnFibreClicked).

#include "ferrule/MtInspection.h"

#include <QCoreApplication>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

class TFibreStrip : public QWidget
{
    Q_DECLARE_TR_FUNCTIONS(TFibreStrip)

public:
    struct Cell
    {
        int Number = 0;
        TFibreVerdict Verdict = TFibreVerdict::NotJudged;
        int Times = 0;           // judgements so far
        bool InLastView = false; // located by the last view
    };

    explicit TFibreStrip(QWidget* parent = nullptr);

    // The cells in fibre order, perRow of them a row.
    void SetFibres(std::vector<Cell> cells, int perRow);
    const std::vector<Cell>& Fibres() const { return Cells_; }
    // The height that shows rows rows of cells.
    static int HeightFor(int rows);
    // Where the cell of fibre number lies; empty for a number it does not hold.
    QRect CellRect(int number) const;
    // The fibre whose cell holds point, 0 for none.
    int FibreAt(const QPoint& point) const;

    std::function<void(int number)> OnFibreClicked;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<Cell> Cells_;
    int PerRow_ = 1;
};
