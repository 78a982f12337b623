// Decoding the archive's records from their bytes.
#include <climits>
#include <gtest/gtest.h>

#include "archive/format/format.h"
#include "archive_writer.h"

static const unsigned char *Bytes(const std::string &text) {
    return reinterpret_cast<const unsigned char *>(text.data());
}

TEST(Format, DecodesLittleEndianFieldsFromTheirBytes) {
    const unsigned char count[] = {0x34, 0x12};
    EXPECT_EQ(DecodeEntryCount(count), 0x1234);
    const unsigned char record[] = {0xD4, 0xC3, 0xB2, 0xA1, 0x1A, 0x00,
                                    0x00, 0x00, 0x64, 0x01, 0x00, 0x00};
    DirectoryEntry entry = DecodeDirectoryEntry(record);
    EXPECT_EQ(entry.tag, 0xA1B2C3D4u);
    EXPECT_EQ(entry.offset, 26);
    EXPECT_EQ(entry.size, 356);
    // The test archives' writer agrees with the decoder.
    EXPECT_EQ(DecodeEntryCount(Bytes(EncodeEntryCount(65535))), 65535);
    EXPECT_EQ(EncodeDirectoryEntry(0xA1B2C3D4, 26, 356),
              std::string(reinterpret_cast<const char *>(record), sizeof record));
}

TEST(Format, FieldsWithTheTopBitSetAreNegative) {
    DirectoryEntry entry =
        DecodeDirectoryEntry(Bytes(EncodeDirectoryEntry(0, 0x80000000, 0xFFFFFFFF)));
    EXPECT_EQ(entry.offset, INT_MIN);
    EXPECT_EQ(entry.size, -1);
    entry = DecodeDirectoryEntry(Bytes(EncodeDirectoryEntry(0, 0x7FFFFFFF, 0xFFFFFFFE)));
    EXPECT_EQ(entry.offset, INT_MAX);
    EXPECT_EQ(entry.size, -2);
}

TEST(Format, NameEndsAtTheFirstNulAndNeverPastTheRecord) {
    std::string record = std::string("abc\0garbage!!!!", 15);
    EXPECT_STREQ(DecodeNameRecord(Bytes(record)).name, "abc");

    // No NUL in the record: the name is all 15 bytes, not what follows the record.
    std::string unterminated = "fifteen-chars-x" + std::string("TRAILING");
    EXPECT_STREQ(DecodeNameRecord(Bytes(unterminated)).name, "fifteen-chars-x");

    EXPECT_STREQ(DecodeNameRecord(Bytes(EncodeNameRecord(""))).name, "");
}

TEST(Format, NameTableFollowsTheLastEntrysData) {
    // Two entries: data at 26 (100 bytes) and 126 (50 bytes); names start at 176.
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, 126, 50}), 176);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{7, 0, 0}), 0);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, INT_MAX - 10, 10}), INT_MAX);
}

TEST(Format, NameTablePositionMustBeAValidFilePosition) {
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, INT_MAX - 10, 11}), -1);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, INT_MAX, INT_MAX}), -1);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, -1, 100}), -1);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, 100, -1}), -1);
    EXPECT_EQ(FindNameTablePosition(DirectoryEntry{0, INT_MIN, INT_MIN}), -1);
}
