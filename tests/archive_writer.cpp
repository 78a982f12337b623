// The test-side writer of Vorn archives: records encoded byte by byte, little-endian.
#include "archive_writer.h"

#include <stdexcept>

static std::string EncodeU32(uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

std::string EncodeEntryCount(uint16_t entryCount) {
    return {static_cast<char>(entryCount & 0xFF), static_cast<char>(entryCount >> 8)};
}

std::string EncodeDirectoryEntry(uint32_t tag, uint32_t offset, uint32_t size) {
    return EncodeU32(tag) + EncodeU32(offset) + EncodeU32(size);
}

std::string EncodeNameRecord(const std::string &name) {
    if (name.size() > 15)
        throw std::invalid_argument("a name record holds 15 bytes");
    std::string record = name;
    record.resize(15, '\0');
    return record;
}

std::string BuildArchive(const std::vector<TestEntry> &entries) {
    std::string table, data, names;
    uint32_t offset = static_cast<uint32_t>(2 + 12 * entries.size());
    for (const TestEntry &entry : entries) {
        uint32_t size = static_cast<uint32_t>(entry.data.size());
        table += EncodeDirectoryEntry(entry.tag, offset, size);
        data += entry.data;
        names += EncodeNameRecord(entry.name);
        offset += size;
    }
    return EncodeEntryCount(static_cast<uint16_t>(entries.size())) + table + data + names;
}

std::string AwkwardBinaryData() {
    std::string data;
    for (int value = 0; value < 256; ++value)
        data += static_cast<char>(value);
    data += "\r\n\r\n\n\r\x1a\x1a\r\n";
    return data;
}
