// Making a file and guarding its name as one step: an ending signal that comes meanwhile waits,
// so that it never removes a name this run did not make (another run's, or the user's).
#include "archive/files/interrupt.h"

bool CreateGuarded(const char *name, FileHandle *file, int *error) {
    HoldEndingSignals();
    bool created = CreateNewFile(name, file, error);
    if (created)
        GuardFile(name);
    ReleaseEndingSignals();
    return created;
}

bool NameGuarded(FileHandle file, const char *name, int *error) {
    HoldEndingSignals();
    bool named = NameUnnamedFile(file, name, error);
    if (named)
        GuardFile(name);
    ReleaseEndingSignals();
    return named;
}
