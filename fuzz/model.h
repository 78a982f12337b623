// A model of unpacking, written from the archive format's rules alone and apart from the
// program's code, for the fuzz targets to check the program against: what the directory says,
// which names may become file names, and what each entry's file must hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ModelEntry {
    bool named = false; // its name record was read: a damaged directory loses names
    std::string name;   // the record's bytes up to the first NUL, or all 15
    size_t from = 0;    // what its file must hold: `length` bytes of the archive from `from`,
    size_t length = 0;  // the declared bytes that the archive has
    bool whole = false; // all the declared bytes, from a valid offset and size
};

struct ModelArchive {
    bool damaged = false; // the count or a table is cut, or names lie at no valid position
    std::vector<ModelEntry> entries;
};

ModelArchive ModelOfArchive(const uint8_t *bytes, size_t size);

// The bytes an entry's file must hold.
std::string ModelData(const ModelEntry &entry, const uint8_t *bytes);

// The file name an entry's name becomes: on Windows its bytes; on Linux UTF-8, the name itself
// when it is UTF-8 already, else each byte read in code page 1252.
std::string ModelFileName(const std::string &name, bool windowsNames);

// Whether a name must not become a file name, under Linux's or Windows' rules.
bool ModelRefusesName(const std::string &name, bool windowsNames);

// Whether every entry is written in full into a folder where nothing stood: the run's result.
bool ModelWritesAll(const ModelArchive &model, bool windowsNames);

// The writer's files, each a path and its bytes.
struct ModelFile {
    std::string path, bytes;
};

// The archive the writer makes of the files, or false when it must refuse them: no file, a
// name (the path's last component; on Linux, when UTF-8, encoded into code page 1252) longer
// than 14 bytes, with a character the code page lacks, that would be read back as other text
// (its bytes there UTF-8, and not the file name's own), or refused on either platform, two
// names that differ only in the case of letters of code page 1252.
bool ModelWrittenArchive(const std::vector<ModelFile> &files, bool windowsPaths,
                         std::string *archive);

// Whether some entry has a name: a file whose directory gives none is not an archive, and
// nothing of it is unpacked.
bool ModelIsArchive(const ModelArchive &model);
