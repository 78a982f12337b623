// The entries of the bundled sample archive, examples/sample.vorn: what VornWriter makes of
// these files.
#pragma once

#include <vector>

#include "archive_writer.h"

inline std::vector<TestEntry> SampleEntries() {
    std::string gradient;
    for (int i = 0; i < 4096; ++i)
        gradient += static_cast<char>(i % 256);
    return {
        {"readme.txt", "VornReader sample archive.\nEach entry becomes a file of its own.\n"},
        {"notes.md", "# Notes\r\n\r\nWindows line ends stay as they are.\r\n"},
        {"bytes.bin", AwkwardBinaryData()},
        {"gradient.raw", gradient},
        {"empty.log", ""},
    };
}
