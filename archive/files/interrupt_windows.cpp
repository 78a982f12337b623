// Ctrl-C, Ctrl-Break and closing the console on Windows. The system calls a console control
// handler on a thread of its own while the program goes on; the handler removes the file marked
// for removal (opened shared for deletion, so a file still being written goes as soon as the
// process ends) and writes out the standard output held, then lets the system's default handling
// end the process, with its own exit status. The handler keeps ending signals deferred for good:
// the program makes no other file, and writes no other output, before it ends.
#include "archive/files/interrupt.h"

#include <atomic>
#include <windows.h>

static std::atomic<const char *> fileToRemove{nullptr}, fileRenamedTo{nullptr};
static std::atomic<const HeldOutput *> heldOutput{nullptr};
static CRITICAL_SECTION deferring;

// The program writes standard output only while ending signals are deferred (output.cpp), so the
// held bytes are written out here, by the same call (which on Windows writes all it is given),
// once the program's own write is over.
static void WriteOutHeld() {
    const HeldOutput *output = heldOutput.load();
    size_t held = output != nullptr ? output->held.load() : 0, written = 0;
    int error = 0;
    if (held > 0)
        WriteStandardStream(kStandardOutput, output->bytes, held, &written, &error);
}

static BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    EnterCriticalSection(&deferring);
    const char *name = fileToRemove.load(), *renamed = fileRenamedTo.load();
    if (name != nullptr && !DeleteFileA(name) && GetLastError() == ERROR_FILE_NOT_FOUND &&
        renamed != nullptr)
        DeleteFileA(renamed);
    WriteOutHeld();
    return FALSE;
}

// At the first file to remove. A Ctrl-C the program was started with ignored stays ignored:
// the system then calls no handler.
static void CatchConsoleEvents() {
    static bool caught = false;
    if (caught)
        return;
    caught = true;
    InitializeCriticalSection(&deferring);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// The second name is stored first: the handler meanwhile finds a mark it may act on.
void RemoveOnEndingSignal(const char *name, const char *renamedTo) {
    if (name != nullptr)
        CatchConsoleEvents();
    fileRenamedTo.store(renamedTo);
    fileToRemove.store(name);
}

void WriteOutOnEndingSignal(const HeldOutput *output) {
    CatchConsoleEvents();
    heldOutput.store(output);
}

void DeferEndingSignals() {
    CatchConsoleEvents();
    EnterCriticalSection(&deferring);
}

void ResumeEndingSignals() {
    LeaveCriticalSection(&deferring);
}
