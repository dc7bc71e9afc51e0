#include "FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Storefront {

FileReadResult readSmallFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    // O_NONBLOCK keeps open() itself from waiting on a FIFO; fstat then refuses it.
    int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::Missing
                                                   : FileReadResult::Unreadable;
    }
    struct stat info {};
    FileReadResult result = FileReadResult::Read;
    if (fstat(descriptor, &info) != 0) {
        result = FileReadResult::Unreadable;
    } else if (!S_ISREG(info.st_mode)) {
        result = FileReadResult::NotAFile;
    } else if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result = FileReadResult::TooLarge;
    } else {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t got = read(descriptor, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break; // the file shrank while being read: keep what is there
            }
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
        if (done == 0 && info.st_size > 0) {
            result = FileReadResult::Unreadable;
        }
    }
    close(descriptor);
    return result;
}

} // namespace Storefront
