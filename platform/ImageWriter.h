#pragma once
// Writes an image file whole or not at all: encoded in memory, then handed to the atomic write,
// so a failed save (missing folder, no permission, full disk) leaves no partial file and an
// existing file of that name untouched.

#include <QImage>
#include <string>

// The format follows the name: ".jpg" or ".jpeg" (any case) gives JPEG, everything else a
// 24-bit Windows bitmap. Throws std::runtime_error naming the file and the reason.
void WriteImageFile(const std::string& path, const QImage& image);
