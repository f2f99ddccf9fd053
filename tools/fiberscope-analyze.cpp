#include "tools/AnalyzeCommand.h"

#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
    const int status =
        RunAnalyzeCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    // The stream may not see an error the C library met while writing its buffer.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        if (status != ExitError)
            std::cerr << "fiberscope-analyze: could not write the results to standard output\n";
        return ExitError;
    }
    return status;
}
