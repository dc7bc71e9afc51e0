// The plug-in's system update of its own files, run between two frames: the marker files are
// removed, the moves of the update are issued as command lines, and the plug-in is loaded and
// initialised again, falling back to its backup files once.
//
// The moves and the removal are issued as "echo mv ..." and "echo rm -r ..." through the shell:
// the shell expands the source pattern and prints the command line on standard output, and no
// file is moved or removed. The plug-in places its own files; the printed lines tell a support
// log what the update would have done.
//
// Paths reach the shell single-quoted (an embedded ' written as '\''), with only the "/*"
// pattern left outside the quotes, so a resources folder with blanks, quotes, $, ; or other
// characters the shell would act on is printed as it is and never runs anything else.
#include "KX_APIFunctionsMac.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

char Mac_Fixed_Path[kKXPathBufferSize] = "";

namespace {

// Copies path into Mac_Fixed_Path with every backslash turned into a slash. A path that does
// not fit is refused with a console line rather than cut, since a cut path names another file.
bool kx_FixPath(const char* path) {
    size_t length = std::strlen(path);
    if (length >= sizeof Mac_Fixed_Path) {
        std::printf("Path longer than %zu bytes refused: %.64s...\n", sizeof Mac_Fixed_Path - 1,
                    path);
        Mac_Fixed_Path[0] = '\0';
        return false;
    }
    for (size_t index = 0; index <= length; ++index) {
        Mac_Fixed_Path[index] = path[index] == '\\' ? '/' : path[index];
    }
    return true;
}

std::string quotedForShell(const char* text) {
    std::string quoted = "'";
    for (const char* cursor = text; *cursor; ++cursor) {
        if (*cursor == '\'') {
            quoted += "'\\''";
        } else {
            quoted += *cursor;
        }
    }
    quoted += "'";
    return quoted;
}

int runShellCommand(const std::string& command) {
    // Lines printed before the command must come out before the shell's own output.
    std::fflush(stdout);
    return std::system(command.c_str());
}

// g_CorvaneTessalyPath followed by relative, in a buffer of the host's path size; false when
// it does not fit.
bool resourcesPath(char (&buffer)[kKXPathBufferSize], const char* relative) {
    int length = std::snprintf(buffer, sizeof buffer, "%s%s", g_CorvaneTessalyPath, relative);
    if (length < 0 || static_cast<size_t>(length) >= sizeof buffer) {
        std::printf("Path longer than %zu bytes refused: %.64s...\n", sizeof buffer - 1,
                    g_CorvaneTessalyPath);
        return false;
    }
    return true;
}

const char* const kUpdateMarkerFiles[] = {"Update\\Tessaly.red", "Update\\Application.red",
                                          "Update\\Channel.red"};

} // namespace

bool kx_MoveFolderContents(char* destination, char* source) {
    if (!kx_FixPath(source)) {
        return false;
    }
    std::string command = "echo mv " + quotedForShell(Mac_Fixed_Path) + "/* ";
    if (!kx_FixPath(destination)) {
        return false;
    }
    command += quotedForShell(Mac_Fixed_Path) + "/";
    runShellCommand(command);
    return true;
}

int kx_DeleteFolderAndAllContents(char* path) {
    if (!kx_FixPath(path)) {
        return -1;
    }
    return runShellCommand("echo rm -r " + quotedForShell(Mac_Fixed_Path));
}

bool kx_DeleteFile(char* path) {
    if (!kx_FixPath(path)) {
        return true;
    }
    // A read-only marker must still go.
    chmod(Mac_Fixed_Path, 0600);
    return unlink(Mac_Fixed_Path) != 0;
}

void kx_RemoveUpdateMarkerFiles() {
    for (const char* marker : kUpdateMarkerFiles) {
        char path[kKXPathBufferSize];
        if (resourcesPath(path, marker)) {
            kx_DeleteFile(path);
        }
    }
}

bool kx_PerformASystemUpdateAndReInitialise() {
    char resources[kKXPathBufferSize];
    char update[kKXPathBufferSize];
    char tessaly[kKXPathBufferSize];
    char backup[kKXPathBufferSize];
    // Every path is checked before anything is issued, so a refused path cannot leave half an
    // update behind; the plug-in is still loaded again from where it is.
    if (resourcesPath(resources, "") && resourcesPath(update, "Update\\") &&
        resourcesPath(tessaly, "Tessaly") && resourcesPath(backup, "Backup\\")) {
        kx_MoveFolderContents(resources, update);
        kx_DeleteFolderAndAllContents(tessaly);
    } else {
        backup[0] = '\0';
    }
    if (kx_Initialize(g_ApplicationID, g_ApplicationName, g_ChannelID, g_ApplicationPrice,
                      g_DebugMode) == 0) {
        return true;
    }
    g_bSuspendSharedFileUpdates = true;
    g_bNotifyUserOfFailedUpdate = true;
    if (backup[0] != '\0') {
        kx_MoveFolderContents(resources, backup);
    }
    return kx_Initialize(g_ApplicationID, g_ApplicationName, g_ChannelID, g_ApplicationPrice,
                         g_DebugMode) == 0;
}
