/* The floor: the bare system calls of each workload in a plain loop, timed
 * the way zuzuzavev times itself (from before the open to after the close).
 * No tool doing the same requests can be faster than this.
 *
 * Usage: floor MODE FILE FILESIZE PAGESIZE [NUMPAGES]
 *   MODE: read, read-direct, randread, randrw, write, write-direct,
 *         write-dsync, scatter, gather
 * Prints: "<bytes> <seconds>".
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void Fail(const char* what) {
    perror(what);
    exit(1);
}

/* The same page choice as zuzuzavev's random workloads. */
static uint32_t state;
static int32_t PickPage(int32_t pages, int32_t index) {
    state = state * 214013u + 2531011u;
    double x = (double)((state >> 16) & 0x7FFF) / 32767.0;
    x = x * (double)pages;
    x = x + 1.0;
    int32_t page = (int32_t)x;
    if (page > pages) page = pages / (index + 1);
    return page;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: floor MODE FILE FILESIZE PAGESIZE [NUMPAGES]\n");
        return 2;
    }
    const char* mode = argv[1];
    const char* file = argv[2];
    const int64_t fileSize = atoll(argv[3]);
    const int64_t pageSize = atoll(argv[4]);
    const int64_t numPages = argc > 5 ? atoll(argv[5]) : 1;
    const int64_t pages = fileSize / pageSize;
    const long systemPage = sysconf(_SC_PAGESIZE);

    int flags = 0;
    const int readWrite = !strcmp(mode, "randrw");
    if (!strcmp(mode, "read") || !strcmp(mode, "randread")) flags = O_RDONLY;
    else if (!strcmp(mode, "read-direct") || !strcmp(mode, "scatter")) flags = O_RDONLY | O_DIRECT;
    else if (!strcmp(mode, "randrw")) flags = O_RDWR;
    else if (!strcmp(mode, "write")) flags = O_RDWR | O_CREAT | O_TRUNC;
    else if (!strcmp(mode, "write-direct")) flags = O_RDWR | O_CREAT | O_TRUNC | O_DIRECT;
    else if (!strcmp(mode, "write-dsync")) flags = O_RDWR | O_CREAT | O_TRUNC | O_DSYNC;
    else if (!strcmp(mode, "gather")) flags = O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT;
    else Fail("mode");

    const size_t bufferBytes = (size_t)(pageSize * numPages);
    char* buffer = mmap(NULL, bufferBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (buffer == MAP_FAILED) Fail("mmap");
    memset(buffer, 0, bufferBytes);
    const int vectors = (int)(bufferBytes / (size_t)systemPage);
    struct iovec* iov = calloc((size_t)vectors, sizeof *iov);
    for (int k = 0; k < vectors; ++k) {
        iov[k].iov_base = buffer + (size_t)k * (size_t)systemPage;
        iov[k].iov_len = (size_t)systemPage;
    }
    state = (uint32_t)time(NULL);

    const double start = Now();
    const int fd = open(file, flags, 0666);
    if (fd < 0) Fail("open");
    if (!strcmp(mode, "read") || !strcmp(mode, "write")) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!strcmp(mode, "randread")) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);

    if (!strcmp(mode, "scatter") || !strcmp(mode, "gather")) {
        const int64_t requests = fileSize / (int64_t)bufferBytes;
        for (int64_t i = 0; i < requests; ++i) {
            const off_t offset = (off_t)(i * (int64_t)bufferBytes);
            const ssize_t done = mode[0] == 's' ? preadv(fd, iov, vectors, offset) : pwritev(fd, iov, vectors, offset);
            if (done != (ssize_t)bufferBytes) Fail("vectored request");
        }
    } else if (!strcmp(mode, "randread") || !strcmp(mode, "randrw")) {
        for (int32_t i = 0; i < (int32_t)pages; ++i) {
            const off_t offset = (off_t)(PickPage((int32_t)pages, i) - 1) * pageSize;
            const ssize_t got = pread(fd, buffer, (size_t)pageSize, offset);
            if (got <= 0) Fail("pread");
            if (readWrite && pwrite(fd, buffer, (size_t)got, offset) != got) Fail("pwrite");
        }
    } else {
        for (int64_t i = 0; i < pages; ++i) {
            const off_t offset = (off_t)(i * pageSize);
            const ssize_t done = mode[0] == 'r' ? pread(fd, buffer, (size_t)pageSize, offset)
                                                : pwrite(fd, buffer, (size_t)pageSize, offset);
            if (done != pageSize) Fail("request");
        }
    }
    if (close(fd) != 0) Fail("close");
    const double seconds = Now() - start;
    printf("%lld %.9f\n", (long long)fileSize, seconds);
    return 0;
}
