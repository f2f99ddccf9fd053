#include "imaging/TLumarcRaster.h"

#include "platform/TBitmap.h"

#include <QImage>

// Interim: decodes through QImage until the project's own decoders are in place.
TLumarcRaster::TLumarcRaster(const std::string& fileName)
{
    LoadFile(fileName);
}

TLumarcRaster::TLumarcRaster(int width, int height) : Bitmap(new TBitmap(width, height)) {}

TLumarcRaster::~TLumarcRaster()
{
    delete Bitmap;
    Bitmap = nullptr;
}

void TLumarcRaster::LoadFile(const std::string& fileName)
{
    FileName = fileName;
    delete Bitmap;
    Bitmap = new TBitmap;
    Bitmap->Assign(QImage(QString::fromStdString(fileName)));
    Scale = 1.0f;
    Origin = TPoint2D();
}

void TLumarcRaster::LoadPng(const std::string& fileName)
{
    LoadFile(fileName);
}

void TLumarcRaster::DrawFit(QPainter*, int, int, int, int) {}
