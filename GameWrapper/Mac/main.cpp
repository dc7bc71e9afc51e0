// The launcher's process entry. The start-up itself lives in the library (GameWrapperEvent),
// where the tests run it too.
#include "GameWrapperEvent.h"

int main(int argc, char* argv[]) {
    // Started through a link in another folder (a name on PATH, a desktop entry), argv[0] names
    // the link; the bundle is where the program really is.
    const char* path = GetRunningProgramPath();
    char* arguments[] = {const_cast<char*>(path), nullptr};
    return *path ? GameWrapperMain(1, arguments) : GameWrapperMain(argc, argv);
}
