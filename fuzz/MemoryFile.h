// An in-memory file reached by name through /proc, refilled with each fuzzer input, so that the
// code under test opens and reads it exactly as it would a file on disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct MemoryFile {
    int fd = -1;
    char path[64] = {};

    MemoryFile() {
        fd = memfd_create("fuzz_input", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }

    // A short write (which a memory file does not do) counts as a failure: the input is skipped.
    bool Fill(uint8_t const* data, std::size_t size) {
        return ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size);
    }
};

} // namespace
