// On-disk records of a Vorn archive and their decoding.
//
// A Vorn archive is one file; every integer in it is little-endian:
//
//   position 0              u16  entryCount (0 to 65535)
//   position 2              entryCount DirectoryEntry records of 12 bytes, no gaps:
//                             +0 u32 tag     read and never interpreted
//                             +4 s32 offset  position of the entry's first data byte
//                             +8 s32 size    number of data bytes
//   anywhere                entry data, found only through offset and size
//   last offset + size      entryCount NameRecord records of 15 bytes, no gaps:
//                             the entry's name, ended by a NUL inside the record
//
// The i-th name belongs to the i-th entry. The name table is taken to start right
// after the data of the LAST record of the entry table, whatever the other records
// say. There is no magic number, version or checksum. offset and size are signed:
// positions in the file reach 2^31 - 1, and a value with its top bit set is negative.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t {
    kEntryCountBytes = 2,
    kDirectoryEntryBytes = 12,
    kNameRecordBytes = 15,
};

struct DirectoryEntry {
    uint32_t tag;
    int32_t offset;
    int32_t size;
};

// One byte longer than the record, so the name is NUL-terminated even when the
// record holds none: such a name is all 15 bytes.
struct NameRecord {
    char name[kNameRecordBytes + 1];
};

uint16_t DecodeEntryCount(const unsigned char *bytes);
DirectoryEntry DecodeDirectoryEntry(const unsigned char *bytes);
NameRecord DecodeNameRecord(const unsigned char *bytes);

// The name table's position, or -1 when the last entry's offset or size is
// negative or their sum is past the largest file position.
int64_t FindNameTablePosition(const DirectoryEntry &lastEntry);

// Encoding, for the writer: each record into its bytes.
void EncodeEntryCount(uint16_t entryCount, unsigned char *bytes);
void EncodeDirectoryEntry(const DirectoryEntry &entry, unsigned char *bytes);
// The name, of at most 15 bytes, NUL-padded: a name of exactly 15 bytes has no NUL.
void EncodeNameRecord(const char *name, unsigned char *bytes);

// The largest file position, and so the largest archive: every byte of it must be reachable.
const int64_t kLargestArchiveBytes = INT32_MAX;
