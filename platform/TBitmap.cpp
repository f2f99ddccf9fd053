#include "platform/TBitmap.h"

#include <cassert>

TBitmap::TBitmap(int width, int height)
{
    SetSize(width, height);
}

void TBitmap::SetSize(int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        Image_ = QImage();
        return;
    }
    Image_ = QImage(width, height, QImage::Format_BGR888);
    Image_.fill(Qt::black);
}

std::uint8_t* TBitmap::ScanLine(int y)
{
    assert(y >= 0 && y < Height());
    return Image_.scanLine(y);
}

const std::uint8_t* TBitmap::ScanLine(int y) const
{
    assert(y >= 0 && y < Height());
    return Image_.constScanLine(y);
}

void TBitmap::Assign(const QImage& image)
{
    Image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_BGR888);
}
