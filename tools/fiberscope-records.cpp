#include "tools/CommandMain.h"
#include "tools/RecordsCommand.h"

int main(int argc, char** argv)
{
    return RunCommandLine(argc, argv, "fiberscope-records", RunRecordsCommand, RecordsDone, RecordsError);
}
