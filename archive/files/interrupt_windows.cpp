// Ctrl-C, Ctrl-Break and closing the console on Windows. The system calls a console control
// handler on a thread of its own while the program goes on; the handler removes the file marked
// for removal (opened shared for deletion, so a file still being written goes as soon as the
// process ends), then lets the system's default handling end the process, with its own exit status.
// The handler keeps ending signals deferred for good: the program makes no other file before it
// ends.
#include "archive/files/interrupt.h"

#include <atomic>
#include <windows.h>

static std::atomic<const char *> fileToRemove{nullptr};
static CRITICAL_SECTION deferring;

static BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    EnterCriticalSection(&deferring);
    const char *name = fileToRemove.load();
    if (name != nullptr)
        DeleteFileA(name);
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

void RemoveOnEndingSignal(const char *name) {
    if (name != nullptr)
        CatchConsoleEvents();
    fileToRemove.store(name);
}

void DeferEndingSignals() {
    CatchConsoleEvents();
    EnterCriticalSection(&deferring);
}

void ResumeEndingSignals() {
    LeaveCriticalSection(&deferring);
}
