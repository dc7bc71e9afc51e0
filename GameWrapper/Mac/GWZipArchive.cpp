#include "GWZipArchive.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/ZipArchive.h"

#include <climits>
#include <cstdlib>

GWZipArchive::GWZipArchive() : mArchive(new CZipArchive), mOpened(false) {}

GWZipArchive::~GWZipArchive() {
    delete mArchive;
}

bool GWZipArchive::OpenArchive(char const* archivePath) {
    if (mOpened) {
        return true;
    }
    // Resource archives are named relative to the resources folder. When that folder cannot
    // be entered, an absolute path still opens, and a relative one fails in the open below.
    SetCurrentDirectoryToProgramDirectory();
    // Read-only, no prefix, the directory read now so that a damaged archive fails here.
    mOpened = mArchive->OpenArchive(archivePath, 0, "", false, 0);
    return mOpened;
}

bool GWZipArchive::CreateDataBufferFromAFileWithinArchive(char const* archivePath,
                                                          char const* memberName, char** buffer,
                                                          int* length) {
    if (!buffer || !length || !OpenArchive(archivePath)) {
        return false;
    }
    CFileBuf* stream = mArchive->OpenAFileWithinArchive(memberName, 0);
    if (!stream) {
        return false;
    }
    unsigned const size = stream->GetLength();
    // The length is handed back as an int; 0xFFFFFFFF also means "no stream".
    char* data = nullptr;
    if (size > 0 && size <= static_cast<unsigned>(INT_MAX)) {
        data = static_cast<char*>(std::malloc(size));
    }
    // A short read would hand out a truncated picture; only the complete member counts.
    bool const complete = data && stream->Read(data, size) == size;
    stream->Close();
    delete stream;
    if (!complete) {
        std::free(data);
        return false;
    }
    *buffer = data;
    *length = static_cast<int>(size);
    return true;
}
