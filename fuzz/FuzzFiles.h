#pragma once
// Harnesses whose entry point takes a path write each input to a file in a private folder of
// their own, on /dev/shm when there is one, so the file system costs next to nothing.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline const std::string& FuzzFolder()
{
    static const std::string folder = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/fsfuzz.XXXXXX" : "/tmp/fsfuzz.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

inline std::string WriteFuzzFile(const char* name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = FuzzFolder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    return path;
}
