// VornReader: unpacks a Vorn archive into the working directory and lists its entries.
#include "app/console.h"
#include "archive/listing/listing.h"
#include "archive/report/output.h"
#include "archive/report/report.h"

static const char kAuthorLine[] = "Quenby\n";
static const char kHomepageLine[] = "Homepage: https://quenby.example.net/vorn/\n";
static const char kTitleLines[] = "Ulvenholt - Vorn Viewer v" VORN_VERSION "\n\n";
static const char kUsageLine[] = "VornReader <path>\n";

enum { kExitUnpacked = 0, kExitIncomplete = 1, kExitNoArchive = 2 };

// A run whose listing was lost did not deliver everything it owes, even if every entry
// was written.
static int ExitStatus(ArchiveResult result, bool outputDelivered) {
    if (result == kArchiveNotRead)
        return kExitNoArchive;
    if (result == kArchiveIncomplete || !outputDelivered)
        return kExitIncomplete;
    return kExitUnpacked;
}

int main(int argc, char **argv) {
    PrepareProcess();
    PrintOutput("%s", kAuthorLine);
    PrintOutput("%s", kHomepageLine);
    PrintOutput("%s", kTitleLines);
    // argv[1] only when given: argc may even be 0 when a caller passes no arguments.
    const char *path = argc > 1 ? argv[1] : nullptr;
    if (argc > 2)
        ReportUnusedArguments(path, argc - 2, argv[2]);
    ArchiveResult result = ListArchive(path);
    if (result == kArchiveNotRead)
        PrintOutput("%s", kUsageLine);
    Pause();
    // After the pause, whose prompt is part of the output too.
    bool outputDelivered = CheckOutputDelivered();
    return ExitStatus(result, outputDelivered);
}
