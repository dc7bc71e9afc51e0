// Whole small files, read at once. Only regular files are opened: a FIFO or a device in the
// data folder would otherwise block the launcher's main thread for good.
#pragma once

#include <cstddef>
#include <string>

namespace Storefront {

enum class FileReadResult { Read, Missing, NotAFile, TooLarge, Unreadable };

// Reads up to maxBytes; a larger file gives TooLarge and leaves `bytes` empty.
FileReadResult readSmallFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

} // namespace Storefront
