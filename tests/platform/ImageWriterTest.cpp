// Image files are written whole or not at all, in the format their name asks for.

#include "platform/ImageWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>

namespace
{
QImage Picture()
{
    QImage image(640, 480, QImage::Format_BGR888);
    image.fill(QColor(10, 120, 230));
    return image;
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lowers the largest file this process may write, as a full disk would stop the write.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Old_);
        Handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = Old_;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, Handler_);
    }

private:
    rlimit Old_{};
    void (*Handler_)(int) = nullptr;
};
} // namespace

TEST(ImageWriter, TheNameChoosesBitmapOrJpeg)
{
    QTemporaryDir dir;
    const struct
    {
        const char* Name;
        QByteArray Head;
    } cases[] = {
        {"a.bmp", "BM"}, {"b.jpg", "\xFF\xD8"}, {"c.JPEG", "\xFF\xD8"}, {"d", "BM"}, {"e.png", "BM"}};
    for (const auto& c : cases)
    {
        const QString path = dir.filePath(c.Name);
        WriteImageFile(QFile::encodeName(path).toStdString(), Picture());
        EXPECT_EQ(Read(path).left(2), c.Head) << c.Name;
        const QImage back(path, c.Head == "BM" ? "BMP" : "JPEG");
        ASSERT_EQ(back.size(), QSize(640, 480)) << c.Name;
        EXPECT_EQ(back.depth(), 32) << c.Name; // Qt reads 24-bit files into 32-bit images
        if (c.Head == "BM")
        {
            EXPECT_EQ(back.pixelColor(5, 5), QColor(10, 120, 230)) << c.Name;
        }
    }
}

TEST(ImageWriter, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("20261210120000.bmp");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the image saved before");
    old.close();

    {
        FileSizeLimit full(4096); // the disk fills up during the write
        EXPECT_THROW(WriteImageFile(QFile::encodeName(path).toStdString(), Picture()), std::runtime_error);
    }
    try
    {
        WriteImageFile(QFile::encodeName(dir.filePath("missing/x.bmp")).toStdString(), Picture());
        FAIL() << "a write into a missing folder succeeded";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_NE(std::string(e.what()).find("missing/x.bmp"), std::string::npos) << e.what();
    }

    EXPECT_EQ(Read(path), "the image saved before");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"20261210120000.bmp"});
}
