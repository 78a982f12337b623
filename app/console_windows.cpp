// The console on Windows: no signals to prepare, and the command interpreter's own pause.
#include <cstdlib>

#include "app/console.h"
#include "archive/files/files.h"
#include "archive/report/output.h"

void PrepareProcess() {}

// The command interpreter prints its own prompt, on the same standard output, and waits for a
// key: only for a person, when standard input and output are both the console. In a script,
// with either redirected or a pipe, the program returns at once: no prompt goes into the log,
// and nothing waits for a key nobody was asked to press. Everything the program wrote is
// flushed first, so the prompt comes last; a failure of the interpreter's own writes is not the
// program's to see.
void Pause() {
    FlushOutput();
    if (!IsTerminal(kStandardInput) || !IsTerminal(kStandardOutput))
        return;
    int ignored = std::system("pause");
    (void)ignored;
}
