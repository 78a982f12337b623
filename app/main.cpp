// VornReader: unpacks a Vorn archive into the working directory and lists its entries.
#include <cstdio>

#include "app/pause.h"
#include "archive/listing/listing.h"

static const char kAuthorLine[] = "Quenby\n";
static const char kHomepageLine[] = "Homepage: https://quenby.example.net/vorn/\n";
static const char kTitleLines[] = "Ulvenholt - Vorn Viewer v1.1\n\n";
static const char kUsageLine[] = "VornReader <path>\n";

// Exit statuses: the archive was unpacked whole; the archive was opened but its
// directory is damaged or an entry was not written in full; no archive was read.
enum { kExitUnpacked = 0, kExitIncomplete = 1, kExitNoArchive = 2 };

int main(int argc, char **argv) {
    printf("%s", kAuthorLine);
    printf("%s", kHomepageLine);
    printf("%s", kTitleLines);
    // argv[1] only when given: argc may even be 0 when a caller passes no arguments.
    const char *path = argc > 1 ? argv[1] : nullptr;
    bool intact = true;
    int status = kExitUnpacked;
    if (!ListArchive(path, &intact)) {
        printf("%s", kUsageLine);
        status = kExitNoArchive;
    } else if (!intact) {
        status = kExitIncomplete;
    }
    Pause();
    return status;
}
