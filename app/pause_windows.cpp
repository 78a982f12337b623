// The closing pause on Windows: the command interpreter's own.
#include <cstdio>
#include <cstdlib>

#include "app/pause.h"

// The command interpreter prints its own prompt and waits for a key.
void Pause() {
    fflush(stdout);
    int ignored = std::system("pause");
    (void)ignored;
}
