// Writes the bundled sample archive, examples/sample.vorn: a few entries of text and binary data.
#include <cstdio>

#include "archive_writer.h"
#include "sample_archive.h"
#include "test_support.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_sample <path>\n");
        return 2;
    }
    WriteFile(argv[1], BuildArchive(SampleEntries()));
    return 0;
}
