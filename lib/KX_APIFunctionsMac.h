// The storefront plug-in host: loads the plug-in "Pellucid.dylib" from the bundle's resources
// folder, binds its nineteen kxdll_ entry points (lib/include/kxdll.h) and forwards the
// launcher's calls to them, guarded by the host's own state. Main thread only.
#pragma once

#define KXDLL_NO_PROTOTYPES
#include <kxdll.h>

#include <Carbon/CarbonEvents.h>

// ---- The API the launcher calls -------------------------------------------------------------

// Finds the resources folder, keeps the arguments for a later re-initialisation and loads the
// plug-in. 0 on success; 5 when an entry point is missing; otherwise the plug-in's own status.
// Ends the process with status 1 when there is no bundle, no resources folder or the library
// cannot be loaded.
unsigned short KX_Initialize(int applicationID, const char* applicationName, int channelID,
                             float price, unsigned short debugMode);
// Tells the plug-in to shut down and closes its library; a second call does nothing.
void KX_ShutDown();
// The host's own last error text if it has one, else the plug-in's; never null.
const char* KX_GetLastErrorInformation();

unsigned short KX_EnterMenuSession(unsigned short mode, int widthInPixels, int heightInPixels);
bool KX_IsTheMenuSessionComplete();
int KX_GetNumberOfRectsToUpdate();
bool KX_SetMousePosition(int x, int y);
bool KX_HandleMacEvent(EventRef event);
void KX_SetPalette(const unsigned char* palette);
void KX_EnableWindowsMouseCursor(bool enable);
void KX_SetTrackingMetadata(const char* text);
// Carries out a pending system update first, then draws one frame into the buffer (see kxdll.h
// for its layout) and asks whether the plug-in wants an update before the next frame.
void KX_DrawNextFrameIntoBuffer(void* buffer, int rowBytes, unsigned short a, unsigned short b);

// ---- The host's process-wide state, shared by its own files (and read by its tests) ---------

enum { kKXPathBufferSize = 1024, kKXPaletteSize = KXDLL_PALETTE_BYTES };

extern bool g_bIsAnUpdatePending;
extern bool g_bUnrecoverableErrorMode;
extern bool g_bSuspendSharedFileUpdates;
extern bool g_bNotifyUserOfFailedUpdate;
extern bool g_bInitCalled;
extern bool g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call;
extern void* g_DLLHandle;
extern char g_CorvaneTessalyDLLName[256];
extern int g_LibVersionNumber;
extern const char* g_LastErrorString;
extern char g_CorvaneTessalyPath[kKXPathBufferSize];
extern unsigned char g_PaletteData[kKXPaletteSize];
extern int g_MenuWidthInPixels;
extern int g_MenuHeightInPixels;
extern int g_ApplicationID;
extern char g_ApplicationName[kKXPathBufferSize];
extern int g_ChannelID;
extern float g_ApplicationPrice;
extern unsigned short g_DebugMode;

// The bound entry points, null while no plug-in is loaded: kxdll_Initialize is a
// kxdll_Initialize_fn, and so on for the nineteen.
#define KX_DECLARE_ENTRY_POINT(result, name, parameters) extern name##_fn name;
KXDLL_ENTRY_POINTS(KX_DECLARE_ENTRY_POINT)
#undef KX_DECLARE_ENTRY_POINT

// Loads and binds the library at g_CorvaneTessalyPath + g_CorvaneTessalyDLLName and initialises
// it; used by KX_Initialize and by the re-initialisation after an update. A plug-in still
// loaded is shut down and closed first.
unsigned short kx_Initialize(int applicationID, const char* applicationName, int channelID,
                             float price, unsigned short debugMode);
// The usage check every KX_ function but KX_Initialize makes first: before KX_Initialize it
// shows the "API Usage" caution alert and returns false; the caller goes on, but the entry
// points are not bound then, so it answers without calling the plug-in.
bool kx_TestToSeeIfInitWasCalled();
void kx_DisplayUnrecoverableErrorMessage();

// ---- The plug-in's system update (KX_SystemUpdate.cpp) ----------------------------------------

// Receives each path of the update with backslashes turned into slashes.
extern char Mac_Fixed_Path[kKXPathBufferSize];

// Removes the update's marker files Update\Tessaly.red, Update\Application.red and
// Update\Channel.red of the resources folder, in this order; missing ones are skipped.
void kx_RemoveUpdateMarkerFiles();
// Runs the update that a frame asked for and loads the plug-in again, falling back to the
// backup files once. True when the plug-in is loaded and initialised.
bool kx_PerformASystemUpdateAndReInitialise();
// Prints (through the shell's echo) the mv command line that moves source's contents into
// destination. Note the order. True unless a path is too long for Mac_Fixed_Path.
bool kx_MoveFolderContents(char* destination, char* source);
// Prints (through the shell's echo) the rm -r command line for the folder; the shell's status,
// or -1 when the path is too long for Mac_Fixed_Path.
int kx_DeleteFolderAndAllContents(char* path);
// Makes the file owner-writable and removes it; true when it could not be removed.
bool kx_DeleteFile(char* path);
