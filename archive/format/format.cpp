// Decoding of the archive's records: little-endian fields taken byte by byte.
#include "archive/format/format.h"

#include <cstring>

static uint32_t DecodeU32(const unsigned char *bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Two's complement by arithmetic, so the result does not hang on how the
// compiler converts an out-of-range unsigned value.
static int32_t DecodeS32(const unsigned char *bytes) {
    uint32_t value = DecodeU32(bytes);
    if (value <= static_cast<uint32_t>(INT32_MAX))
        return static_cast<int32_t>(value);
    return static_cast<int32_t>(value - 0x80000000u) + INT32_MIN;
}

uint16_t DecodeEntryCount(const unsigned char *bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

DirectoryEntry DecodeDirectoryEntry(const unsigned char *bytes) {
    DirectoryEntry entry;
    entry.tag = DecodeU32(bytes);
    entry.offset = DecodeS32(bytes + 4);
    entry.size = DecodeS32(bytes + 8);
    return entry;
}

NameRecord DecodeNameRecord(const unsigned char *bytes) {
    NameRecord record;
    memcpy(record.name, bytes, kNameRecordBytes);
    record.name[kNameRecordBytes] = '\0';
    return record;
}

static void EncodeU32(uint32_t value, unsigned char *bytes) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

void EncodeEntryCount(uint16_t entryCount, unsigned char *bytes) {
    bytes[0] = static_cast<unsigned char>(entryCount);
    bytes[1] = static_cast<unsigned char>(entryCount >> 8);
}

// A negative field is written as its two's complement.
void EncodeDirectoryEntry(const DirectoryEntry &entry, unsigned char *bytes) {
    EncodeU32(entry.tag, bytes);
    EncodeU32(static_cast<uint32_t>(entry.offset), bytes + 4);
    EncodeU32(static_cast<uint32_t>(entry.size), bytes + 8);
}

void EncodeNameRecord(const char *name, unsigned char *bytes) {
    size_t length = strnlen(name, kNameRecordBytes);
    memcpy(bytes, name, length);
    memset(bytes + length, 0, kNameRecordBytes - length);
}

int64_t FindNameTablePosition(const DirectoryEntry &lastEntry) {
    if (lastEntry.offset < 0 || lastEntry.size < 0)
        return -1;
    int64_t position = static_cast<int64_t>(lastEntry.offset) + lastEntry.size;
    return position <= INT32_MAX ? position : -1;
}
