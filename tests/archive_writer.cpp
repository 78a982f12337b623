// The tests' archives, made with the writer's own code: its layout (write.h) and the format's
// encoding of each record. Damaged or hostile archives are laid out by hand from single
// records, or cut.
#include "archive_writer.h"

#include <stdexcept>

#include "archive/format/format.h"
#include "archive/write/write.h"

std::string EncodeEntryCount(uint16_t entryCount) {
    unsigned char bytes[kEntryCountBytes];
    EncodeEntryCount(entryCount, bytes);
    return std::string(reinterpret_cast<char *>(bytes), sizeof bytes);
}

std::string EncodeDirectoryEntry(uint32_t tag, uint32_t offset, uint32_t size) {
    unsigned char bytes[kDirectoryEntryBytes];
    DirectoryEntry entry = {tag, static_cast<int32_t>(offset), static_cast<int32_t>(size)};
    EncodeDirectoryEntry(entry, bytes);
    return std::string(reinterpret_cast<char *>(bytes), sizeof bytes);
}

std::string EncodeNameRecord(const std::string &name) {
    if (name.size() > kNameRecordBytes)
        throw std::invalid_argument("a name record holds 15 bytes");
    unsigned char bytes[kNameRecordBytes];
    EncodeNameRecord(name.c_str(), bytes);
    return std::string(reinterpret_cast<char *>(bytes), sizeof bytes);
}

std::string BuildArchive(const std::vector<TestEntry> &entries) {
    std::string archive = EncodeEntryCount(static_cast<uint16_t>(entries.size()));
    int64_t position = FirstDataPosition(entries.size());
    for (const TestEntry &entry : entries) {
        archive += EncodeDirectoryEntry(entry.tag, static_cast<uint32_t>(position),
                                        static_cast<uint32_t>(entry.data.size()));
        position += static_cast<int64_t>(entry.data.size());
    }
    for (const TestEntry &entry : entries)
        archive += entry.data;
    for (const TestEntry &entry : entries)
        archive += EncodeNameRecord(entry.name);
    return archive;
}

std::string AwkwardBinaryData() {
    std::string data;
    for (int value = 0; value < 256; ++value)
        data += static_cast<char>(value);
    data += "\r\n\r\n\n\r\x1a\x1a\r\n";
    return data;
}
