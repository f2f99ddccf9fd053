// The borderless window's own chrome: the shaped outline, the title-bar drag, and minimise,
// maximise/restore and close through the three flat buttons of TOP.

#include "analysis/AnalysisGeometry.h"
#include "app/TMainForm.h"
#include "videograbber/TVideoGrabber.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPolygon>
#include <QScreen>
#include <QWindow>

QRegion TMainForm::WindowOutline(int W, int H)
{
    QRegion a(QRect(QPoint(20, 0), QPoint(349, 19)));                       // top tab
    const QRegion b(QRect(QPoint(0, 20), QPoint(W - 1, H - 21)));           // body
    const QRegion c(QRect(QPoint(W - 350, H - 20), QPoint(W - 21, H - 1))); // bottom tab
    const QRegion d(QRect(QPoint(-1, -1), QPoint(39, 39)), QRegion::Ellipse);
    const QRegion e(QRect(QPoint(W - 40, H - 40), QPoint(W + 1, H + 1)), QRegion::Ellipse);
    const QRegion f(QPolygon({QPoint(350, 0), QPoint(370, 20), QPoint(350, 20)}), Qt::WindingFill);
    const QRegion g(QPolygon({QPoint(W - 370, H - 20), QPoint(W - 350, H - 20), QPoint(W - 350, H)}),
                    Qt::WindingFill);
    a = a.united(b).united(c).united(d).united(e).united(f).united(g);
    return a;
}

void TMainForm::ApplyWindowRegion()
{
    setMask(WindowOutline(width(), height()));
}

bool TMainForm::UsesSystemMove(const QString& platformName)
{
    // A native Wayland session ignores a window's own move(); elsewhere the window moves itself.
    return platformName.startsWith(QLatin1String("wayland"));
}

void TMainForm::TOPMouseDown(const QPoint& globalPos)
{
    if (MouseDragging_)
        return;
    // The compositor moves the window until the button is released; no drag of our own.
    if (UsesSystemMove(QGuiApplication::platformName()) && windowHandle() &&
        windowHandle()->startSystemMove())
        return;
    MouseDragging_ = true;
    DragOrigin_ = globalPos;
}

void TMainForm::TOPMouseMove(const QPoint& globalPos)
{
    if (!MouseDragging_)
        return;
    move(x() + globalPos.x() - DragOrigin_.x(), y() + globalPos.y() - DragOrigin_.y());
    DragOrigin_ = globalPos;
}

void TMainForm::TOPMouseUp()
{
    MouseDragging_ = false;
}

// The available area stands in for "screen width, top of the task bar": it also copes with a
// task bar at the top or a side, and with none at all.
QRect TMainForm::MaximisedBounds(const QRect& available, int frameHeight, int rightWidth)
{
    const int sw = available.width();
    const int ty = available.height();
    // Each size is rounded to single precision and then truncated.
    auto widthFor = [&](int h) {
        return static_cast<int>(static_cast<float>((h - frameHeight) * 640.0 / 480.0 + rightWidth));
    };
    auto heightFor = [&](int w) {
        return static_cast<int>(static_cast<float>((w - rightWidth) * 0.75 + frameHeight));
    };
    int W = 0;
    int H = 0;
    if (sw >= ty)
    {
        H = ty;
        W = widthFor(H);
        if (W > sw)
        {
            W = sw;
            H = heightFor(W);
        }
    }
    else
    {
        W = sw;
        H = heightFor(W);
        if (H > ty)
        {
            H = ty;
            W = widthFor(H);
        }
    }
    return QRect(available.left() + (sw - W) / 2, available.top() + (ty - H) / 2, W, H);
}

void TMainForm::SpeedButton4Click()
{
    if (Maximized_)
    {
        Maximized_ = false;
        setGeometry(RestoreGeometry_);
    }
    else
    {
        Maximized_ = true;
        RestoreGeometry_ = QRect(x(), y(), width(), height());
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect bounds =
            MaximisedBounds(s->availableGeometry(), TOP->height() + BOTTOM->height(), RIGHT->width());
        // The size constraints have the last word, as they would for any resize.
        resize(bounds.size());
        move(bounds.topLeft());
    }
    // The caution is for a live picture that is too small, not for every maximise.
    const bool live = VIDEO->IsPreviewing();
    if (Scope_.WiFiMode)
    {
        const QSize size = VIDEO->FrameSize();
        FitVideoWindow(size.isEmpty() ? AnalysisWidth : size.width(),
                       size.isEmpty() ? AnalysisHeight : size.height(), live);
    }
    else
    {
        const int i = VIDEO->VideoSize();
        FitVideoWindow(VIDEO->GetVideoWidthFromIndex(i), VIDEO->GetVideoHeightFromIndex(i), live);
    }
}

void TMainForm::SpeedButton5Click()
{
    close();
}

void TMainForm::SpeedButton6Click()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}
