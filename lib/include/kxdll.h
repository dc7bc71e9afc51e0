// The storefront plug-in ABI: the nineteen entry points a plug-in exports for the launcher's
// plug-in host (KX_APIFunctionsMac).
//
// A plug-in is a shared library named "Pellucid.dylib" in the bundle's Contents/Resources
// folder (on Linux an ELF shared object; dlopen does not care about the extension). The host
// opens it with dlopen(RTLD_NOW) and binds every entry point below by its plain C name with
// dlsym, in the order of this file. All nineteen must be exported, also those the host never
// calls; a missing one makes the initialisation fail with status 5.
//
// Widths: every argument narrower than 32 bits travels as a 32-bit word, zero-extended, so
// 16-bit and boolean arguments are declared here as uint32_t. Statuses are 16-bit (0 means
// success); boolean results are 8-bit (only the low byte counts, nonzero is true).
//
// Everything is called on the launcher's main thread, one call at a time.
//
// Frame buffer (kxdll_DrawNextFrameIntoBuffer): 720 x 540 pixels, 4 bytes per pixel, rows of
// 2880 bytes without padding, the first row at the top, 1555200 bytes in all. Each pixel is one
// little-endian 32-bit word 0xXXRRGGBB: in memory blue, green, red, then an unused byte. This is
// exactly Cairo's CAIRO_FORMAT_RGB24, so a plug-in may wrap the buffer with
// cairo_image_surface_create_for_data(buffer, CAIRO_FORMAT_RGB24, 720, 540, rowBytes) and draw
// straight into it. The buffer belongs to the launcher and keeps the last frame's pixels.
//
// Events (kxdll_HandleMacEvent) are MacPlatform's Carbon EventRefs; read them with
// GetEventClass, GetEventKind and GetEventParameter from libMacPlatform.so. kxdll_keys.h names
// the key codes of keyboard events; docs/plugin-guide.md (installed with the SDK) describes
// every call and event, the build line and what to link.
//
// A host that keeps its own pointers under these names defines KXDLL_NO_PROTOTYPES before
// including this file and uses only the function types.
#pragma once

#include <stdint.h>

#include <Carbon/CarbonEvents.h>

#ifdef __cplusplus
extern "C" {
#endif

// Version of the host layer that the launcher passes to kxdll_Initialize.
#define KXDLL_HOST_VERSION 6

// Size of a palette handed to kxdll_SetPalette: 256 entries of red, green, blue.
#define KXDLL_PALETTE_BYTES 768

typedef uint16_t kxdll_status; // 0 is success
typedef uint8_t kxdll_bool;    // nonzero is true

// Function types, one per entry point, in binding order.
typedef const char* (*kxdll_GetDLLVersionAsString_fn)(void);
typedef int32_t (*kxdll_GetDLLVersionAsInt_fn)(void);
typedef kxdll_status (*kxdll_Initialize_fn)(int32_t applicationID, const char* applicationName,
                                            int32_t channelID, float price, uint32_t debugMode,
                                            int32_t hostVersion);
typedef void (*kxdll_ShutDown_fn)(void);
typedef kxdll_status (*kxdll_EnterMenuSession_fn)(uint32_t mode, int32_t widthInPixels,
                                                  int32_t heightInPixels);
typedef kxdll_bool (*kxdll_IsTheMenuSessionComplete_fn)(void);
typedef void (*kxdll_DrawNextFrameIntoBuffer_fn)(void* buffer, int32_t rowBytes, uint32_t a,
                                                 uint32_t b, uint32_t suspendSharedFileUpdates,
                                                 uint32_t notifyUserOfFailedUpdate);
typedef int32_t (*kxdll_GetNumberOfRectsToUpdate_fn)(void);
typedef kxdll_bool (*kxdll_GetUpdateRect_fn)(int32_t index, int32_t* left, int32_t* top,
                                             int32_t* right, int32_t* bottom);
typedef kxdll_bool (*kxdll_SetMousePosition_fn)(int32_t x, int32_t y);
typedef kxdll_bool (*kxdll_HandleMacEvent_fn)(EventRef event);
typedef void (*kxdll_SetPalette_fn)(const unsigned char* palette);
typedef const char* (*kxdll_GetValueAsString_fn)(const char* name);
typedef int32_t (*kxdll_GetValueAsInt_fn)(const char* name);
typedef float (*kxdll_GetValueAsFloat_fn)(const char* name);
typedef kxdll_bool (*kxdll_IsASystemUpdateRequired_fn)(void);
typedef const char* (*kxdll_GetLastErrorInformation_fn)(void);
typedef void (*kxdll_EnableWindowsMouseCursor_fn)(uint32_t enable);
typedef void (*kxdll_SetTrackingMetadata_fn)(const char* text);

#ifndef KXDLL_NO_PROTOTYPES

#if defined(__GNUC__)
#define KXDLL_EXPORT __attribute__((visibility("default")))
#else
#define KXDLL_EXPORT
#endif

// 1. Called once per initialisation, right after binding; the result is not used.
KXDLL_EXPORT const char* kxdll_GetDLLVersionAsString(void);
// 2. Called once per initialisation, right after binding; the result is not used.
KXDLL_EXPORT int32_t kxdll_GetDLLVersionAsInt(void);
// 3. Starts the plug-in with the game's identity; hostVersion is KXDLL_HOST_VERSION, debugMode
// is 1 from the launcher. Returns 0 when ready; any other status makes the host close the
// library again (and the launcher report the failure and quit). applicationName may be null.
KXDLL_EXPORT kxdll_status kxdll_Initialize(int32_t applicationID, const char* applicationName,
                                           int32_t channelID, float price, uint32_t debugMode,
                                           int32_t hostVersion);
// 4. The library is closed right after this; release everything.
KXDLL_EXPORT void kxdll_ShutDown(void);
// 5. The user opened the storefront: mode 1, 720 x 540 from the launcher. Also called again
// after a system update with the size of the last session. Result ignored by the launcher.
KXDLL_EXPORT kxdll_status kxdll_EnterMenuSession(uint32_t mode, int32_t widthInPixels,
                                                 int32_t heightInPixels);
// 6. Polled about twelve times a second while the storefront is shown; true makes the launcher
// go back to its start page.
KXDLL_EXPORT kxdll_bool kxdll_IsTheMenuSessionComplete(void);
// 7. Draws one whole frame into the buffer described above. The launcher passes rowBytes 2880,
// a = 4 (its bytes per pixel) and b = 1. suspendSharedFileUpdates is nonzero after a failed
// update that fell back to the backup files; notifyUserOfFailedUpdate is nonzero in exactly one
// frame after such a fallback.
KXDLL_EXPORT void kxdll_DrawNextFrameIntoBuffer(void* buffer, int32_t rowBytes, uint32_t a,
                                                uint32_t b, uint32_t suspendSharedFileUpdates,
                                                uint32_t notifyUserOfFailedUpdate);
// 8. Asked right after each frame; the launcher always redraws the whole frame.
KXDLL_EXPORT int32_t kxdll_GetNumberOfRectsToUpdate(void);
// 9. Bound but never called by the launcher.
KXDLL_EXPORT kxdll_bool kxdll_GetUpdateRect(int32_t index, int32_t* left, int32_t* top,
                                            int32_t* right, int32_t* bottom);
// 10. The mouse in frame coordinates (top left origin), for moves, drags, downs and ups.
KXDLL_EXPORT kxdll_bool kxdll_SetMousePosition(int32_t x, int32_t y);
// 11. A Carbon event: mouse downs and ups, wheel, raw keys, window events, commands other than
// quit/'ok  '/'not!', and the storefront view's draw and hit-test events. Result ignored.
KXDLL_EXPORT kxdll_bool kxdll_HandleMacEvent(EventRef event);
// 12. KXDLL_PALETTE_BYTES bytes; the pointer is valid only during the call.
KXDLL_EXPORT void kxdll_SetPalette(const unsigned char* palette);
// 13-15. Bound but never called by the launcher.
KXDLL_EXPORT const char* kxdll_GetValueAsString(const char* name);
KXDLL_EXPORT int32_t kxdll_GetValueAsInt(const char* name);
KXDLL_EXPORT float kxdll_GetValueAsFloat(const char* name);
// 16. Asked after each frame. True makes the host, at the start of the next frame call (never
// in the middle of one): shut the plug-in down and close it; remove the marker files
// Update/Tessaly.red, Update/Application.red and Update/Channel.red of the resources folder;
// print (with echo, without carrying them out) the command lines "mv <Resources>/Update/* ..."
// and "rm -r <Resources>/Tessaly"; load and initialise the plug-in again with the arguments of
// the first initialisation. If that fails it prints the move of Backup/'s contents and tries
// once more, then tells the plug-in through the frame flags above. If that fails too, the host
// never calls the plug-in again. On success it re-sends the last palette (if one was given)
// and re-enters the menu session with mode 1 and the last size before drawing the frame.
KXDLL_EXPORT kxdll_bool kxdll_IsASystemUpdateRequired(void);
// 17. Text of the plug-in's last error; returned to the launcher unchanged while the host has
// no error text of its own. Must stay valid until the next call into the plug-in.
KXDLL_EXPORT const char* kxdll_GetLastErrorInformation(void);
// 18. Whether the plug-in should show the system mouse cursor (the launcher passes true).
KXDLL_EXPORT void kxdll_EnableWindowsMouseCursor(uint32_t enable);
// 19. Not called by the launcher today; text is only valid during the call.
KXDLL_EXPORT void kxdll_SetTrackingMetadata(const char* text);

#endif // KXDLL_NO_PROTOTYPES

#ifdef __cplusplus
}
#endif
