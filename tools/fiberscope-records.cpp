#include "platform/BuildInfo.h"
#include "tools/RecordsCommand.h"

#include <cstdio>
#include <iostream>
#include <string_view>

namespace
{
// --version anywhere before a "--" answers alone, as GNU programs do.
bool AsksForVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return false;
        if (arg == "--version")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    if (AsksForVersion(argc, argv))
    {
        std::cout << "fiberscope-records " FS_VERSION "\n";
        return std::fflush(stdout) == 0 ? RecordsDone : RecordsError;
    }
    const int status =
        RunRecordsCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    // The stream may not see an error the C library met while writing its buffer.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        if (status != RecordsError)
            std::cerr << "fiberscope-records: could not write to standard output\n";
        return RecordsError;
    }
    return status;
}
