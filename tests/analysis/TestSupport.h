#pragma once
// Helpers shared by the engine's tests: a private temporary folder and small image files.

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fs_analysis_XXXXXX").string();
        Path_ = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (Path_ / name).string(); }
    const std::filesystem::path& Path() const { return Path_; }

private:
    std::filesystem::path Path_;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// An image of the given size in one colour, saved in the format the name's suffix says.
inline void WriteImageFile(const std::string& path, int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    image.save(QString::fromStdString(path));
}
