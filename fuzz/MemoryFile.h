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

    bool Fill(uint8_t const* data, std::size_t size) {
        if (ftruncate(fd, 0) != 0) {
            return false;
        }
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
};

} // namespace
