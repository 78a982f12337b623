// The model of unpacking, from the format's rules: a 16-bit count, 12-byte records of tag,
// offset and size (signed), names of 15 bytes after the last record's data.
#include "model.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

int64_t Field(const uint8_t *bytes, size_t at, bool isSigned) {
    int64_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value * 256 + bytes[at + static_cast<size_t>(i)];
    return isSigned && value >= (int64_t(1) << 31) ? value - (int64_t(1) << 32) : value;
}

// How many bytes from `offset` on the archive has, up to `length` of them.
size_t Available(size_t size, int64_t offset, int64_t length) {
    if (offset >= static_cast<int64_t>(size))
        return 0;
    return static_cast<size_t>(std::min<int64_t>(length, static_cast<int64_t>(size) - offset));
}

} // namespace

ModelArchive ModelOfArchive(const uint8_t *bytes, size_t size) {
    ModelArchive model;
    if (size < 2) {
        model.damaged = true;
        return model;
    }
    size_t count = bytes[0] + 256u * bytes[1];
    model.entries.resize(count);
    if (count == 0)
        return model;
    if (2 + 12 * count > size) {
        model.damaged = true;
        return model;
    }
    std::vector<int64_t> offsets(count), sizes(count);
    for (size_t i = 0; i < count; ++i) {
        offsets[i] = Field(bytes, 2 + 12 * i + 4, true);
        sizes[i] = Field(bytes, 2 + 12 * i + 8, true);
    }
    int64_t namesAt = offsets[count - 1] + sizes[count - 1];
    bool placed = offsets[count - 1] >= 0 && sizes[count - 1] >= 0 && namesAt < (int64_t(1) << 31);
    size_t records = !placed || namesAt >= static_cast<int64_t>(size)
                         ? 0
                         : (size - static_cast<size_t>(namesAt)) / 15;
    model.damaged = records < count;
    for (size_t i = 0; i < count && i < records; ++i) {
        ModelEntry &entry = model.entries[i];
        const char *record = reinterpret_cast<const char *>(bytes) + namesAt + 15 * i;
        entry.named = true;
        entry.name.assign(record, strnlen(record, 15));
        if (sizes[i] < 0 || (sizes[i] > 0 && offsets[i] < 0))
            continue; // an empty file, reported
        entry.from = sizes[i] == 0 ? 0 : static_cast<size_t>(offsets[i]);
        entry.length = sizes[i] == 0 ? 0 : Available(size, offsets[i], sizes[i]);
        entry.whole = static_cast<int64_t>(entry.length) == sizes[i];
    }
    return model;
}

std::string ModelData(const ModelEntry &entry, const uint8_t *bytes) {
    return std::string(reinterpret_cast<const char *>(bytes) + entry.from, entry.length);
}

namespace {

// Code page 1252's upper half in UTF-8, a character for each byte from 0x80 on; the five bytes
// it leaves unassigned are the C1 controls of their numbers.
std::vector<std::string> CodePageCharacters() {
    std::vector<std::string> characters = {
        "\u20AC",   "\xC2\x81", "\u201A", "\u0192", "\u201E", "\u2026",   "\u2020", "\u2021",
        "\u02C6",   "\u2030",   "\u0160", "\u2039", "\u0152", "\xC2\x8D", "\u017D", "\xC2\x8F",
        "\xC2\x90", "\u2018",   "\u2019", "\u201C", "\u201D", "\u2022",   "\u2013", "\u2014",
        "\u02DC",   "\u2122",   "\u0161", "\u203A", "\u0153", "\xC2\x9D", "\u017E", "\u0178"};
    for (int byte = 0xA0; byte <= 0xFF; ++byte) {
        characters.push_back(
            {static_cast<char>(0xC0 | byte >> 6), static_cast<char>(0x80 | (byte & 0x3F))});
    }
    return characters;
}

// The text split into UTF-8 characters, or nothing when it is not well-formed UTF-8: each
// character decoded and encoded again must give its bytes (no overlong form), and be no
// surrogate and not past U+10FFFF.
std::vector<std::string> Utf8Characters(const std::string &text) {
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[at]);
        size_t length = lead < 0x80    ? 1
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC0 ? 2
                                       : 0;
        if (length == 0 || at + length > text.size() || lead > 0xF4)
            return {};
        uint32_t point = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (size_t i = 1; i < length; ++i) {
            unsigned char next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return {};
            point = point << 6 | (next & 0x3F);
        }
        uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            return {};
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

// The name in code page 1252, or false when it holds a character the code page lacks.
bool InCodePage(const std::string &name, std::string *encoded) {
    static const std::vector<std::string> characters = CodePageCharacters();
    std::vector<std::string> split = Utf8Characters(name);
    if (split.empty()) {
        *encoded = name; // not UTF-8: its bytes as they are
        return true;
    }
    encoded->clear();
    for (const std::string &character : split) {
        auto found = std::find(characters.begin(), characters.end(), character);
        if (character.size() > 1 && found == characters.end())
            return false;
        encoded->push_back(character.size() == 1
                               ? character[0]
                               : static_cast<char>(0x80 + (found - characters.begin())));
    }
    return true;
}

} // namespace

std::string ModelFileName(const std::string &name, bool windowsNames) {
    static const std::vector<std::string> characters = CodePageCharacters();
    if (windowsNames || name.empty() || !Utf8Characters(name).empty())
        return name;
    std::string text;
    for (char byte : name) {
        unsigned char code = static_cast<unsigned char>(byte);
        text += code < 0x80 ? std::string(1, byte) : characters[code - 0x80];
    }
    return text;
}

bool ModelRefusesName(const std::string &name, bool windowsNames) {
    if (name.empty() || name == "." || name == "..")
        return true;
    for (unsigned char byte : name)
        if (byte < 0x20 || byte == '/' || byte == '\\' || byte == ':')
            return true;
    if (!windowsNames)
        return false;
    if (name.back() == '.' || name.back() == ' ' || name.find_first_of("<>\"|?*") != name.npos)
        return true;
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char &c : stem)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    static const std::set<std::string> devices = [] {
        std::set<std::string> names = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
        for (std::string port : {"COM", "LPT"})
            for (std::string digit : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "\xB9", "\xB2",
                                      "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
                names.insert(port + digit);
        return names;
    }();
    return devices.count(stem) > 0;
}

namespace {

void PutLittleEndian(std::string *bytes, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes->push_back(static_cast<char>(value >> (8 * i)));
}

// The lower- and upper-case letters of code page 1252, pair by pair, as Windows folds them.
std::string Folded(std::string name) {
    static const std::string lower =
                                 "abcdefghijklmnopqrstuvwxyz\x9A\x9C\x9E\xFF"
                                 "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
                                 "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF8\xF9\xFA\xFB\xFC\xFD\xFE",
                             upper =
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ\x8A\x8C\x8E\x9F"
                                 "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                                 "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xDE";
    for (char &c : name)
        if (lower.find(c) != std::string::npos)
            c = upper[lower.find(c)];
    return name;
}

} // namespace

bool ModelWrittenArchive(const std::vector<ModelFile> &files, bool windowsPaths,
                         std::string *archive) {
    std::set<std::string> seen;
    std::vector<std::string> names;
    for (const ModelFile &file : files) {
        std::string fileName =
                        file.path.substr(file.path.find_last_of(windowsPaths ? "/\\:" : "/") + 1),
                    name = fileName;
        // A name whose bytes are UTF-8 is read back as they are: they must be the file's.
        if ((!windowsPaths && !InCodePage(fileName, &name)) || name.size() > 14 ||
            ModelRefusesName(name, true) || (name != fileName && !Utf8Characters(name).empty()) ||
            !seen.insert(Folded(name)).second)
            return false;
        names.push_back(name);
    }
    if (files.empty())
        return false;
    archive->clear();
    PutLittleEndian(archive, files.size(), 2);
    uint64_t offset = 2 + 12 * files.size();
    for (const ModelFile &file : files) {
        PutLittleEndian(archive, 0, 4);
        PutLittleEndian(archive, offset, 4);
        PutLittleEndian(archive, file.bytes.size(), 4);
        offset += file.bytes.size();
    }
    for (const ModelFile &file : files)
        *archive += file.bytes;
    for (const std::string &name : names)
        *archive += name + std::string(15 - name.size(), '\0');
    return true;
}

bool ModelIsArchive(const ModelArchive &model) {
    if (!model.damaged)
        return true;
    for (const ModelEntry &entry : model.entries)
        if (entry.named)
            return true;
    return false;
}

bool ModelWritesAll(const ModelArchive &model, bool windowsNames) {
    for (const ModelEntry &entry : model.entries)
        if (entry.named &&
            (!entry.whole ||
             ModelRefusesName(ModelFileName(entry.name, windowsNames), windowsNames)))
            return false;
    return !model.damaged;
}
