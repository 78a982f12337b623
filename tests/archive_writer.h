// Vorn archives for the tests, the bundled sample and the fuzzers' seeds, made in memory with
// the writer's code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
    std::string name;
    std::string data;
    uint32_t tag = 0;
};

// Single records, for archives laid out by hand (damaged or hostile ones).
std::string EncodeEntryCount(uint16_t entryCount);
std::string EncodeDirectoryEntry(uint32_t tag, uint32_t offset, uint32_t size);
// The name NUL-padded to 15 bytes; a name of exactly 15 bytes has no NUL.
std::string EncodeNameRecord(const std::string &name);

// A well-formed archive: count, entry table, the data in table order, name table.
std::string BuildArchive(const std::vector<TestEntry> &entries);

// Every byte value 0 to 255, then CR LF pairs and 0x1A, the bytes text mode would alter.
std::string AwkwardBinaryData();
