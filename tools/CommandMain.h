#pragma once
// The main() of the command-line tools: --version anywhere before a "--" answers alone, as GNU
// programs do (the rest of the command line is not read); otherwise the command runs on the
// arguments, and a standard output that could not be written is an error, said once.

#include "platform/BuildInfo.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

using TCommandRunner = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

inline int RunCommandLine(int argc, char** argv, const char* name, TCommandRunner run, int done, int error)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--version")
        {
            std::cout << name << ' ' << FS_VERSION << '\n';
            return std::fflush(stdout) == 0 ? done : error;
        }
    }
    const int status = run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    // The stream may not see an error the C library met while writing its buffer.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        if (status != error)
            std::cerr << name << ": could not write to standard output\n";
        return error;
    }
    return status;
}
