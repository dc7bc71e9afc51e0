// The launcher's shell: start-up checks, the application's and the main window's event
// routing, and the one orderly shutdown.
#pragma once

#include <Carbon/Carbon.h>

// Room of the Contents path and of the file paths tested at start-up, terminator included.
enum { kGameWrapperPathSize = 1024 };

// The whole start-up, event loop and shutdown; main() returns its result. 0 on a normal end,
// also when the system is too old or the agreement was not given; -1 when a required file or
// the game information is missing or the plug-in could not be initialised; the Carbon status
// when the nib, menu bar, window or views cannot be made.
int GameWrapperMain(int argc, char* argv[]);

// The executable's path to start from: argv[0] when it is absolute (as a bundle's launch gives
// it), otherwise the real path of the running program. Empty when neither can be had.
const char* GetExecutablePath(const char* argv0);

// The real path of the running program, symbolic links resolved; empty when it cannot be had.
// A link elsewhere, a name found on PATH or a desktop entry's Exec line can make argv[0] say
// anything, so the program's entry starts from this path.
const char* GetRunningProgramPath();

// The bundle's Contents folder for an executable in Contents/MacOS: everything before the
// second '/' from the end. Empty for a path with fewer than two '/' characters, whose
// second-to-last '/' is its first character, or whose Contents path would not fit in
// kGameWrapperPathSize. The buffer is shared and rewritten by every call.
char* GetContentsPath(const char* executablePath);

// True when directory + "/" + relativePath can be opened for reading. A path that does not fit
// in kGameWrapperPathSize cannot be opened and counts as missing.
bool TestFileExists(const char* directory, const char* relativePath);

// Tests the three required resource files under the executable's Contents folder, every one of
// them even after a failure, with one "Game File Missing" alert and console line per missing
// file. True when all are there.
bool TestBasicFunctionality(const char* executablePath);

// Installs MainAppEventHandler on the application (commands) and on the main window (keyboard,
// window and mouse events) over the window's standard handler. Returns the last status.
OSStatus InstallEventHandlers();

OSStatus MainAppEventHandler(EventHandlerCallRef handlerCall, EventRef event, void* userData);

// The one teardown, whatever asked for it (Quit, the main window's close box, SIGTERM through
// the event loop, or the end of the loop): marks the view object as shutting down, stops the
// game, shuts the plug-in down, quits the event loop and destroys the view object. Runs once;
// later calls do nothing. The argument (a signal number or 0) is not used.
void InitiateSystemShutdown(int signalNumber);

// Whether the teardown has run (for the checks that must not touch what it destroyed).
bool HasSystemShutdownRun();
