#include "platform/ImageWriter.h"

#include "platform/AtomicWrite.h"

#include <QBuffer>
#include <QByteArray>
#include <stdexcept>
#include <string_view>

namespace
{
bool IsJpegName(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    const QByteArray ext = QByteArray::fromStdString(path.substr(dot + 1)).toLower();
    return ext == "jpg" || ext == "jpeg";
}
} // namespace

void WriteImageFile(const std::string& path, const QImage& image)
{
    const bool jpeg = IsJpegName(path);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    // 32-bit window images would keep a fourth byte in a BMP; every saved picture is 24-bit.
    const QImage rgb =
        image.hasAlphaChannel() || image.depth() == 32 ? image.convertToFormat(QImage::Format_RGB888) : image;
    if (image.isNull() || !rgb.save(&buffer, jpeg ? "JPEG" : "BMP", jpeg ? 95 : -1))
        throw std::runtime_error("Cannot write " + path + ": the image could not be encoded");
    std::string error;
    if (!WriteFileAtomically(
            path, std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())), error))
        throw std::runtime_error(error);
}
