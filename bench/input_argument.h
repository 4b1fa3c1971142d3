#pragma once
// The input of a benchmark reader: the file named by its one argument, or
// standard input without one.
#include <cstdio>
#include <fcntl.h>

// The descriptor to read; -1 after a usage or open error has been written
// (*exitStatus then holds the status to exit with).
inline int openInputArgument(int argc, char* argv[], int* exitStatus)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [file]\n", argv[0]);
        *exitStatus = 2;
        return -1;
    }
    if (argc < 2)
        return 0;
    const int fd = ::open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        *exitStatus = 1;
    }
    return fd;
}
