// Paths written with either slash style, resolved case-insensitively against a file system
// whose names may be spelled differently from what the caller wrote; the program directory,
// a millisecond clock and the console message for fatal conditions.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the path buffers used inside these functions. A path that does not fit (with its
// terminator) is refused with the function's failure result rather than truncated.
constexpr std::size_t PATH_NAME_BUFFER_SIZE = 1024;

// Resolves the whole path case-insensitively, rewriting the buffer in place: separators become
// "/" and each resolved component takes its on-disk spelling. A path that exists as written is
// left untouched. On failure, components already resolved may have been rewritten.
bool findFileCase(char* path);
// Resolves only the last component (after the last "/") against its directory's entries.
bool searchForCase(char* path);
// Whether the path names something on disk, ignoring case; the caller's text is not changed.
bool FileExists(char const* path);

// The character after the last "/" or "\"; the path itself without separator; for null the
// text "In Path Name Null!".
char const* GetFileNameFromPathName(char const* path);
// Ends the text right after its last separator (which stays); returns the cut.
char* StripFileNameFromPathName(char* path);
// Appends name to the directory text with a "/" between them when needed; returns where the
// name was written. The buffer must be large enough.
char* AppendFileNameToDirectoryName(char* directory, char const* name);
// output = directory + name joined as above; returns the name within output.
char* MakePathName(char* output, char const* directory, char const* name);

// Creates every missing directory along the path (mode 0777 less the umask), reusing existing
// directories whatever their case.
bool CreateDirectoryRecursive(char const* path);
// False when the file cannot be found; otherwise whether this process may not write it.
bool DoesFileHaveReadOnlyAttribute(char const* path);
// Removes (true) or adds (false) the three write-permission bits of the file's mode.
void SetFileReadOnlyAttribute(char const* path, bool readOnly);

// Milliseconds since the system started, rounded to the nearest; wraps after about 49.7 days.
std::uint32_t GetSystemTickCount();

// Where the lookup of the main bundle's resources folder ended.
enum class ResourcesFolderLookup { Found, NoMainBundle, NoResourcesURL, PathDoesNotFit };
// Writes the main bundle's resources folder as an absolute file-system path (no trailing "/")
// into output, at most size bytes with the terminator. Asks the main bundle every time; the
// program directory, the launcher's bundle folder and the plug-in host all start from it.
ResourcesFolderLookup FindMainBundleResourcesFolder(char* output, std::size_t size);

// The program directory: the main bundle's resources directory. Cached for the process after
// the first success.
bool GetProgramPath(char* output, std::size_t size);
// The lookup behind GetProgramPath without the cache: asks the main bundle every time.
bool FindProgramPathUncached(char* output, std::size_t size);
// chdir to the program directory; 0 on success, the chdir result otherwise (-1 when the
// program directory cannot be found).
int SetCurrentDirectoryToProgramDirectory();

// One console line "SYSTEM MESSAGE: title ... text" on standard output.
void ShowSystemMessage(char const* title, char const* text);
// Leaves both values as they are: the archives written here carry no DOS time stamps.
void GetCurrentDosFileDateAndTime(std::uint16_t* dosDate, std::uint16_t* dosTime);
