// VornWriter: makes a Vorn archive of files, one entry each. It has no options, and says
// nothing on success, like cp or tar -c: every problem is one line on standard error.
#include "app/console.h"
#include "archive/report/report.h"
#include "archive/write/write.h"

enum { kExitMade = 0, kExitNotMade = 1, kExitRefused = 2 };

int main(int argc, char **argv) {
    PrepareProcess();
    NameReportingProgram("VornWriter");
    if (argc < 2) {
        ReportWriterUsage();
        return kExitRefused;
    }
    WriteResult result = WriteArchive(argv[1], argv + 2, static_cast<size_t>(argc - 2));
    if (result == kArchiveMade)
        return kExitMade;
    return result == kArchiveRefused ? kExitRefused : kExitNotMade;
}
