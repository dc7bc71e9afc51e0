// Fuzzes the compressed-file container: the input is a file opened for reading with
// CFILE_COMPRESSED, as the program opens its compressed data files. A container whose lengths
// lie, or whose stream is damaged, must be served raw or refused, never read outside a
// buffer, allocate what the file cannot hold or hang.
#include "CorvaneCore/File.h"
#include "CorvaneCore/FileBuf.h"
#include "MemoryFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size) {
    static MemoryFile input;
    if (!input.Fill(data, size)) {
        return 0;
    }
    CFile file;
    if (!file.Open(input.path, CFILE_READ | CFILE_COMPRESSED | CFILE_NAME_AS_GIVEN)) {
        return 0;
    }
    std::vector<char> buffer(4096);
    while (file.Read(buffer.data(), static_cast<unsigned>(buffer.size())) > 0) {
    }
    unsigned length = file.GetLength();
    file.SeekAbsolute(static_cast<int>(length / 2));
    file.Read(buffer.data(), 16);
    file.Close();
    return 0;
}
