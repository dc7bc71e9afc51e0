// Zip archives of stored (uncompressed) members: the central directory read into a table of
// entries in file order with an index by name, members handed out as CZipFileBuf streams, and
// the rewrite of a member in place (definitions of the write side in ZipArchiveWriter.cpp).
#pragma once

#include "CorvaneCore/ZipFileEntry.h"

#include <cstdint>
#include <string>
#include <vector>

class CFile;
class CFileBuf;
class CZipFileBuf;

// 0 forbids rewriting members of the archive; any other value allows it.
using CWriteOption = unsigned;

// Why the last open of the archive, read of its directory or open of a member failed.
enum class CZipError {
    None = 0,
    NoPathName,             // the archive was not opened, or was opened without a path
    CannotOpenFile,         // the file does not open for reading
    ReadFailed,             // a read or seek inside the file failed
    EmptyFile,              // the file has no bytes
    NoDirectory,            // no end record, and walking the records finds no directory
    DirectoryOutsideFile,   // the end record puts the directory beyond the end of the file
    DamagedDirectory,       // a directory entry is not where the directory says it is
    TruncatedDirectory,     // a directory entry runs past the end of the file
    UnsupportedCompression, // a member is not stored (method 0)
    MemberNotFound,         // no member of that name (or the name is outside the prefix)
    DamagedMember,          // the member's local header or its data lies outside the archive
    CannotWrite,            // the member cannot be opened for writing
};

// The entry array whose name index is being sorted; CompareFileEntryNameIndirect reads the
// entries through it, which is why two archives must never sort at the same time.
extern CFileEntry* g_FileEntryArrayBase;

// qsort comparators: entries by local header offset, and name-index slots by entry name with
// ASCII letters compared without case.
int CompareFileEntryPysicalPosition(void const* a, void const* b);
int CompareFileEntryNameIndirect(void const* a, void const* b);

// Failures and fatal conditions. Every failing call leaves its reason in GetLastError() and
// GetLastErrorText(), a short sentence naming the offset or member at fault. Two conditions
// end the program by default, as the launcher requires: a member that is not stored, met while
// the directory is read ("Compressed Zip File Found"), and a directory that cannot be read at
// the first member open of a deferred read ("FATAL ERROR IN ZIP"); each shows its message
// through ShowSystemMessage and exits with status -1. A caller that must go on (a tool that
// inspects archives) calls SetStopOnFatalConditions(false) before OpenArchive: then the
// compressed member makes the directory read fail with CZipError::UnsupportedCompression, and
// the failed deferred read makes the member open return null, both with their reason kept.
class CZipArchive {
public:
    CZipArchive();
    ~CZipArchive();
    CZipArchive(CZipArchive const&) = delete;
    CZipArchive& operator=(CZipArchive const&) = delete;

    // prefix is put in front of every stored name (a prefix beginning with '/' counts as
    // empty). With deferRead the directory is read at the first member open, and the archive
    // file is only held open while member streams use it; otherwise it is read now and the
    // file stays open. openFlags are added whenever the archive file is opened.
    bool OpenArchive(char const* pathName, CWriteOption writeOption, char const* prefix,
                     bool deferRead, unsigned openFlags);
    // False (with the archive closed) when the directory cannot be read.
    bool ReadCentralDirector();
    // Reads the directory when it has not been; an archive that cannot be read at this point
    // ends the program, or gives false when fatal conditions are reported (see above).
    bool CheckArchiveHasBeenRead();
    // Closes member streams still open on this archive, then releases everything; the object
    // can be opened again.
    void CloseArchive();

    // A member stream (the caller owns it; destroying it closes it), or null. With CFILE_WRITE
    // the member is emptied, moved to the end of the archive and rewritten through the stream.
    CFileBuf* OpenAFileWithinArchive(char const* name, unsigned mode);
    // The entry whose full name (prefix included) equals name without regard to ASCII case.
    // When there is none, *insertPosition (if given) receives the index where it would sort.
    CFileEntry* GetCorrectFileEntry(char const* name, unsigned* insertPosition);
    bool AvailablePathInfoMatches(char const* path, unsigned length, bool allowLongerPrefix) const;
    void Sort();
    bool IncrementOpenFileCount();
    bool DecrementOpenFileCount();

    // Writing (ZipArchiveWriter.cpp).
    bool EnableWrites();
    // Shifts the members behind entry down over it and makes it the last member; returns the
    // entry's new place, or null when the archive's layout cannot be followed.
    CFileEntry* MoveFileEntryToEndOfArchive(CFileEntry* entry);
    void WriteLocalFileHeader(CFileEntry* entry);
    void WriteACentrialDirectoryEntry(CFileEntry* entry);
    void WriteCentrialDirectoryEnd(unsigned long directoryStart);
    // False when the end of the member data cannot be found.
    bool WriteCentrialDirectory();
    void CommitChangesAndDisableWrites();

    // True (the default) ends the program on the two fatal conditions described above; false
    // reports them as failures. Kept across opens and closes of the archive.
    void SetStopOnFatalConditions(bool stop) { m_bStopOnFatalConditions = stop; }
    CZipError GetLastError() const { return m_LastError; }
    // "" when the last call succeeded.
    char const* GetLastErrorText() const { return m_LastErrorText.c_str(); }

    unsigned GetNumEntries() const { return m_NumEntries; }
    // Entries in file order.
    CFileEntry* GetEntry(unsigned index) {
        return index < m_NumEntries ? &m_pEntries[index] : nullptr;
    }
    // Entries in name order.
    CFileEntry* GetEntryByName(unsigned index) {
        return index < m_NumEntries ? &m_pEntries[m_pNameIndex[index]] : nullptr;
    }
    std::uint32_t GetEndSignature() const { return m_EndSignature; }
    bool IsDirectoryRead() const { return m_bDirectoryRead; }
    bool IsModified() const { return m_bModified; }
    unsigned GetNumOpenFiles() const { return m_NumOpenFiles; }
    char const* GetPathName() const { return m_pPathName; }
    char const* GetPrefix() const { return m_pPrefix; }
    // Whether the archive file currently has an open stream.
    bool IsArchiveFileOpen() const;

private:
    friend class CZipFileBuf;

    // Records why the current call fails; returns false so that callers can return it.
    bool Fail(CZipError error, std::string text);
    void ClearError();
    bool OpenArchiveFile(unsigned mode);
    void ReleaseArchiveFileIfUnused();
    // Closes member streams and releases the entries; the path and prefix stay.
    void ReleaseDirectory();
    bool FindLogicalEnd(std::uint32_t* logicalEnd);
    bool LocateDirectory(std::uint32_t logicalEnd, std::uint32_t* directoryStart);
    bool LocateDirectoryByWalking(std::uint32_t logicalEnd, std::uint32_t* directoryStart);
    bool ReadEntries(std::uint32_t directoryStart, std::uint32_t logicalEnd);
    bool ReadOneEntry(CFileEntry* entry, std::uint64_t* position, std::uint32_t logicalEnd,
                      unsigned index);
    // Offset of the member's first data byte, from its local header.
    bool FindDataStart(CFileEntry const* entry, std::uint32_t* dataStart);
    bool FindEndOfMemberData(std::uint32_t* end);
    CFileEntry* PrepareEntryForWriting(CFileEntry* entry);
    std::uint32_t PrefixLength() const;
    void AddOpenStream(CZipFileBuf* stream);
    void RemoveOpenStream(CZipFileBuf* stream);

    bool m_bDirectoryRead = false;
    bool m_bModified = false;
    bool m_bKeepFileOpen = false;
    CFile* m_pFile = nullptr;
    char* m_pPathName = nullptr;
    char* m_pPrefix = nullptr;
    CFileEntry* m_pEntries = nullptr;
    unsigned* m_pNameIndex = nullptr;
    unsigned m_NumEntries = 0;
    unsigned m_NumOpenFiles = 0;
    unsigned m_OpenFlags = 0;
    std::uint32_t m_EndSignature = ZipFormat::END_SIGNATURE;
    CWriteOption m_WriteOption = 0;
    // Where the central directory starts: member data must end before it.
    std::uint32_t m_DirectoryStart = 0;
    // Every member stream open on this archive, own handles included, so that closing the
    // archive or re-sorting its entries never leaves a stream pointing at a released entry.
    std::vector<CZipFileBuf*> m_OpenStreams;
    bool m_bStopOnFatalConditions = true;
    CZipError m_LastError = CZipError::None;
    std::string m_LastErrorText;
};
