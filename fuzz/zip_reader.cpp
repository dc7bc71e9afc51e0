// Fuzzes the zip reader: the input is an archive; it is opened, every member is read by name
// (with seeks), and then the first member is rewritten and the result read again. Damaged
// archives must fail cleanly, never read outside a buffer, allocate hugely or hang.
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFileBuf.h"
#include "MemoryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A central header with a compression method other than "stored" stops the program on
// purpose (a deliberate exit, not a fault); such inputs are not interesting here.
bool HasCompressedEntry(uint8_t const* data, std::size_t size) {
    for (std::size_t i = 0; i + 12 <= size; ++i) {
        if (data[i] == 'P' && data[i + 1] == 'K' && data[i + 2] == 1 && data[i + 3] == 2 &&
            (data[i + 10] | data[i + 11]) != 0) {
            return true;
        }
    }
    return false;
}

void ReadEveryMember(CZipArchive& archive) {
    std::vector<char> buffer(4096);
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        CFileEntry* entry = archive.GetEntryByName(i);
        unsigned mode = (i % 2) ? CFILE_ZIP_OWN_HANDLE : 0;
        CFileBuf* stream = archive.OpenAFileWithinArchive(entry->m_pName, mode);
        if (!stream) {
            continue;
        }
        while (stream->Read(buffer.data(), static_cast<unsigned>(buffer.size())) > 0) {
        }
        unsigned length = stream->GetLength();
        stream->SeekAbsolute(static_cast<int>(length / 2));
        stream->SeekRelative(-1);
        stream->Read(buffer.data(), 7);
        delete stream;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size) {
    static MemoryFile file;
    if (HasCompressedEntry(data, size) || !file.Fill(data, size)) {
        return 0;
    }
    {
        CZipArchive archive;
        if (!archive.OpenArchive(file.path, 0, "", false, 0)) {
            return 0;
        }
        ReadEveryMember(archive);
    }
    CZipArchive writable;
    if (!writable.OpenArchive(file.path, 1, "", false, 0) || writable.GetNumEntries() == 0) {
        return 0;
    }
    CFileBuf* stream =
        writable.OpenAFileWithinArchive(writable.GetEntry(0)->m_pName, CFILE_READ | CFILE_WRITE);
    if (stream) {
        stream->Write("rewritten", 9);
        delete stream;
    }
    writable.CloseArchive();
    // A rewrite may move members onto what were other headers' bytes; whatever results must
    // still read cleanly (or fail to).
    off_t const length = lseek(file.fd, 0, SEEK_END);
    // A rewrite adds at most the bytes written and a directory entry's worth per member.
    if (length < 0 || static_cast<std::size_t>(length) > 2 * size + 65536) {
        std::fprintf(stderr, "zip_reader: a rewrite grew %zu bytes to %lld\n", size,
                     static_cast<long long>(length));
        std::abort();
    }
    std::vector<uint8_t> rewritten(static_cast<std::size_t>(length));
    if (pread(file.fd, rewritten.data(), rewritten.size(), 0) ==
            static_cast<ssize_t>(rewritten.size()) &&
        !HasCompressedEntry(rewritten.data(), rewritten.size())) {
        CZipArchive again;
        if (again.OpenArchive(file.path, 0, "", false, 0)) {
            ReadEveryMember(again);
        }
    }
    return 0;
}
