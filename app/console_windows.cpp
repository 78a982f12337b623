// The console on Windows: no signals to prepare, and the command interpreter's own pause.
#include <cstdlib>
#include <windows.h>

#include "app/console.h"
#include "archive/report/output.h"

void PrepareProcess() {}

static bool IsConsole(DWORD standardHandle) {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

// The command interpreter prints its own prompt, on the same standard output, and waits for a
// key: only for a person, when standard input and output are both the console. In a script,
// with either redirected or a pipe, the program returns at once: no prompt goes into the log,
// and nothing waits for a key nobody was asked to press. Everything the program wrote is
// flushed first, so the prompt comes last; a failure of the interpreter's own writes is not the
// program's to see.
void Pause() {
    FlushOutput();
    if (!IsConsole(STD_INPUT_HANDLE) || !IsConsole(STD_OUTPUT_HANDLE))
        return;
    int ignored = std::system("pause");
    (void)ignored;
}
