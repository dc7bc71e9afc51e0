// A holder of one resource archive of the bundle that hands out whole members as malloc'ed
// buffers, for pictures that the image code decodes from memory.
#pragma once

class CZipArchive;

class GWZipArchive {
public:
    GWZipArchive();
    ~GWZipArchive();
    GWZipArchive(GWZipArchive const&) = delete;
    GWZipArchive& operator=(GWZipArchive const&) = delete;

    // Opens the archive once: after the first success the holder keeps serving that archive
    // and later paths are not looked at. A relative path is taken from the program directory
    // (the bundle's resources folder). A failed open is tried again on the next call.
    bool OpenArchive(char const* archivePath);

    // On success *buffer receives a new malloc'ed copy of the member's complete bytes (the
    // caller frees it) and *length their count. On failure (archive or member missing, member
    // empty, unreadable or too large for an int) the out-parameters are left unchanged.
    bool CreateDataBufferFromAFileWithinArchive(char const* archivePath, char const* memberName,
                                                char** buffer, int* length);

private:
    CZipArchive* mArchive;
    bool mOpened;
};
