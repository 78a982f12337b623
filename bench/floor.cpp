// The floor under any unpacker: creates `count` files named as the benchmark's entries
// (f00000.bin, ...) and writes `size` bytes from memory into each, one open, one write and
// one close per file: what the kernel itself costs to make them.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: floor <count> <size>\n");
        return 2;
    }
    int count = atoi(argv[1]);
    std::vector<char> data(static_cast<size_t>(atol(argv[2])), 'x');
    char name[32];
    for (int i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "f%05d.bin", i);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || (!data.empty() && write(fd, data.data(), data.size()) < 0) || close(fd) != 0) {
            perror(name);
            return 1;
        }
    }
    return 0;
}
