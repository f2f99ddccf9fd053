#pragma once
// A 24-bit bitmap: rows of width x 3 bytes, each pixel blue, green, red, row 0 at the top.
// Held in a QImage of Format_BGR888, so the same pixels can be painted with a QPainter
// (the "canvas") and handed to Qt for display or saving.

#include <QImage>

#include <cstdint>

class TBitmap
{
public:
    TBitmap() = default;
    TBitmap(int width, int height);

    int Width() const { return Image_.width(); }
    int Height() const { return Image_.height(); }
    bool Empty() const { return Image_.isNull(); }

    // Resizes to width x height, 24 bits per pixel. Pixels are black afterwards; a size of 0 in
    // either direction leaves an empty bitmap.
    void SetSize(int width, int height);

    // Row y, 3 x Width() bytes of B G R. The row stride of the storage may be larger; never
    // step from one row to the next with pointer arithmetic, ask for the row.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;

    // The storage, for painting (QPainter p(&bitmap.Image())) and for handing to Qt.
    QImage& Image() { return Image_; }
    const QImage& Image() const { return Image_; }

    // Copies another image in, converted to 24-bit B G R.
    void Assign(const QImage& image);

private:
    QImage Image_;
};
