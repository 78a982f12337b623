// The floor under any unpacker: creates `count` files named as the benchmark's entries
// (f00000.bin, ...) and writes `size` bytes into each, one open, one write and one close per
// file: what the kernel itself costs to make them. The bytes come from a buffer as large as all
// the data, as an archive's pages in the page cache are; the buffer is written out once to a
// throwaway file before the timed files, as an archive's pages were once read in. It prints
// the seconds the timed files took. Given an archive as well, each file's bytes are first read
// from it by `pread` (from the first entry's data on, as a 65535-entry archive lays them out),
// as VornReader reads a small entry: what that read costs over the floor (doc/benchmark.md).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

static bool WriteFile(const char *name, const char *data, size_t size) {
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    size_t done = 0;
    while (fd >= 0 && done < size) {
        ssize_t put = write(fd, data + done, size - done);
        if (put <= 0)
            break;
        done += static_cast<size_t>(put);
    }
    bool whole = fd >= 0 && done == size;
    if (fd < 0 || close(fd) != 0 || !whole) {
        perror(name);
        return false;
    }
    return true;
}

int main(int argc, char **argv) {
    int archive = argc == 4 ? open(argv[3], O_RDONLY | O_CLOEXEC) : -1;
    if (argc < 3 || argc > 4 || (argc == 4 && archive < 0)) {
        fprintf(stderr, "usage: floor <count> <size> [archive]\n");
        return 2;
    }
    size_t count = strtoul(argv[1], nullptr, 10), size = strtoul(argv[2], nullptr, 10);
    std::vector<char> data(count * size);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    if (!WriteFile("throwaway", data.data(), data.size()) || unlink("throwaway") != 0)
        return 1;
    auto start = std::chrono::steady_clock::now();
    char name[32];
    for (size_t i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "f%05zu.bin", i);
        off_t at = static_cast<off_t>(2 + 12 * 65535 + i * size);
        if (archive >= 0 && pread(archive, data.data() + i * size, size, at) != ssize_t(size))
            return 1;
        if (!WriteFile(name, data.data() + i * size, size))
            return 1;
    }
    std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    printf("%.6f\n", taken.count());
    return 0;
}
