// The entries of the bundled sample archive, examples/sample.vorn.
#pragma once

#include <vector>

#include "archive_writer.h"

inline std::vector<TestEntry> SampleEntries() {
    std::string gradient;
    for (int i = 0; i < 4096; ++i)
        gradient += static_cast<char>(i % 256);
    return {
        {"readme.txt", "VornReader sample archive.\nEach entry becomes a file of its own.\n", 1},
        {"notes.md", "# Notes\r\n\r\nWindows line ends stay as they are.\r\n", 2},
        {"bytes.bin", AwkwardBinaryData(), 3},
        {"gradient.raw", gradient, 4},
        {"empty.log", "", 5},
    };
}
