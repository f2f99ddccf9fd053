#pragma once
// Pictures of multi-fibre (MT) ferrules for the analyser's tests: bright claddings with a core at
// the ferrule's 250 um pitch on a darker ferrule, at a chosen scale, optionally with one defect.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct MtFace
{
    float UmPerPixel = 0.9f;
    float FirstX = 181.0f; // centre of the leftmost fibre, pixels
    int Fibres = 2;
    // A dark defect in zone B of one fibre (0 the leftmost): its diameter, 20 um off the centre.
    int DefectFibre = -1;
    float DefectUm = 8.0f;
};

inline QString WriteMtFace(const QTemporaryDir& dir, const QString& name, const MtFace& face)
{
    QImage image(640, 480, QImage::Format_RGB888);
    image.fill(QColor(70, 70, 70));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const float px = 1.0f / face.UmPerPixel;
    for (int i = 0; i < face.Fibres; ++i)
    {
        const QPointF centre(face.FirstX + static_cast<float>(i) * 250.0f * px, 240.0);
        painter.setBrush(QColor(200, 200, 200));
        painter.drawEllipse(centre, 62.5 * px, 62.5 * px);
        painter.setBrush(QColor(185, 185, 185));
        painter.drawEllipse(centre, 4.5 * px, 4.5 * px);
        if (i == face.DefectFibre)
        {
            painter.setBrush(QColor(30, 30, 30));
            const double r = 0.5 * face.DefectUm * px;
            painter.drawEllipse(centre + QPointF(20.0 * px, 0.0), r, r);
        }
    }
    painter.end();
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

// Two whole fibres at 0.9 um a pixel, the second with an 8 um defect in zone B (over the 5 um
// that zone allows none of); nothing else of the row reaches the frame.
inline MtFace TwoFibresSecondFails()
{
    MtFace face;
    face.DefectFibre = 1;
    return face;
}

// A row of twelve at 5 um a pixel.
inline MtFace MtOverview()
{
    MtFace face;
    face.UmPerPixel = 5.0f;
    face.FirstX = 45.0f;
    face.Fibres = 12;
    return face;
}
