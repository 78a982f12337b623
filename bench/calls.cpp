// What the calls alone cost for the 1 KiB shape: 65535 files made in the working folder, each
// by an exclusive open, a write of 1 KiB and a close, as the floor does; with `pread`, each
// file's bytes are first read from ARCHIVE (the place VornReader reads them from), as
// VornReader does. It prints the seconds the files took.
//   g++ -O2 -o calls bench/calls.cpp
//   calls ARCHIVE pread|buffer      (in an empty folder; ARCHIVE of 64 MiB or more)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv) {
    int archive = argc == 3 ? open(argv[1], O_RDONLY | O_CLOEXEC) : -1;
    if (archive < 0) {
        fprintf(stderr, "usage: calls ARCHIVE pread|buffer\n");
        return 2;
    }
    bool reads = strcmp(argv[2], "pread") == 0;
    static char data[1024];
    char name[32];
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 65535; ++i) {
        snprintf(name, sizeof name, "f%05d.bin", i);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        off_t at = 2 + 12 * 65535 + static_cast<off_t>(i) * 1024;
        if (fd < 0 || (reads && pread(archive, data, sizeof data, at) != sizeof data) ||
            write(fd, data, sizeof data) != sizeof data || close(fd) != 0) {
            perror(name);
            return 1;
        }
    }
    std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    printf("%.6f\n", taken.count());
    return 0;
}
