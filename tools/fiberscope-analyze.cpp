#include "tools/AnalyzeCommand.h"
#include "tools/CommandMain.h"

int main(int argc, char** argv)
{
    return RunCommandLine(argc, argv, "fiberscope-analyze", RunAnalyzeCommand, ExitPass, ExitError);
}
