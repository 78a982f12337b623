// The process's console: how it treats the signals that concern its output, and the closing
// pause.
#pragma once

// Before anything is written: a reader of standard output that has gone, or a file-size
// limit, makes a write fail (and be reported) instead of ending the program.
void PrepareProcess();

// The closing pause: the console stays open until the user presses a key.
void Pause();
