// The console on Windows: no signals to prepare, and the command interpreter's own pause.
#include <cstdlib>

#include "app/console.h"
#include "archive/report/output.h"

void PrepareProcess() {}

// The command interpreter prints its own prompt, on the same standard output, and waits for a
// key. Everything the program wrote is flushed first, so the prompt comes last; a failure of
// the interpreter's own writes is not the program's to see.
void Pause() {
    FlushOutput();
    int ignored = std::system("pause");
    (void)ignored;
}
