#include <climits>
#include <gtest/gtest.h>

#include "archive/format/format.h"
#include "archive_writer.h"

static const unsigned char *Bytes(const std::string &text) {
    return reinterpret_cast<const unsigned char *>(text.data());
}

TEST(Format, DecodesLittleEndianFields) {
    EXPECT_EQ(DecodeEntryCount(Bytes(EncodeEntryCount(0x1234))), 0x1234);
    EXPECT_EQ(DecodeEntryCount(Bytes(EncodeEntryCount(65535))), 65535);

    DirectoryEntry entry = DecodeDirectoryEntry(Bytes(EncodeDirectoryEntry(0xA1B2C3D4, 26, 100)));
    EXPECT_EQ(entry.tag, 0xA1B2C3D4u);
    EXPECT_EQ(entry.offset, 26);
    EXPECT_EQ(entry.size, 100);
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
