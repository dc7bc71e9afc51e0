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

// The entry points, in binding order, as X(result, name, parameters). This one list gives the
// prototypes below, the function types kxdll_<name>_fn, and the host's and the publisher tool's
// lists of names, so that none of them can disagree with another.
// clang-format off
#define KXDLL_ENTRY_POINTS(X)                                                                      \
    /* 1. Called once per initialisation, right after binding; the result is not used. */          \
    X(const char*, kxdll_GetDLLVersionAsString, (void))                                            \
    /* 2. Called once per initialisation, right after binding; the result is not used. */          \
    X(int32_t, kxdll_GetDLLVersionAsInt, (void))                                                   \
    /* 3. Starts the plug-in with the game's identity; hostVersion is KXDLL_HOST_VERSION,          \
       debugMode is 1 from the launcher. Returns 0 when ready; any other status makes the host     \
       close the library again (and the launcher report the failure and quit). applicationName     \
       may be null. */                                                                             \
    X(kxdll_status, kxdll_Initialize,                                                              \
      (int32_t applicationID, const char* applicationName, int32_t channelID, float price,         \
       uint32_t debugMode, int32_t hostVersion))                                                   \
    /* 4. The library is closed right after this; release everything. */                           \
    X(void, kxdll_ShutDown, (void))                                                                \
    /* 5. The user opened the storefront: mode 1, 720 x 540 from the launcher. Also called again   \
       after a system update with the size of the last session. Result ignored by the launcher. */ \
    X(kxdll_status, kxdll_EnterMenuSession,                                                        \
      (uint32_t mode, int32_t widthInPixels, int32_t heightInPixels))                              \
    /* 6. Polled about twelve times a second while the storefront is shown; true makes the         \
       launcher go back to its start page. */                                                      \
    X(kxdll_bool, kxdll_IsTheMenuSessionComplete, (void))                                          \
    /* 7. Draws one whole frame into the buffer described above. The launcher passes rowBytes      \
       2880, a = 4 (its bytes per pixel) and b = 1. suspendSharedFileUpdates is nonzero after a    \
       failed update that fell back to the backup files; notifyUserOfFailedUpdate is nonzero in    \
       exactly one frame after such a fallback. */                                                 \
    X(void, kxdll_DrawNextFrameIntoBuffer,                                                         \
      (void* buffer, int32_t rowBytes, uint32_t a, uint32_t b, uint32_t suspendSharedFileUpdates,  \
       uint32_t notifyUserOfFailedUpdate))                                                         \
    /* 8. Asked right after each frame; the launcher always redraws the whole frame. */            \
    X(int32_t, kxdll_GetNumberOfRectsToUpdate, (void))                                             \
    /* 9. Bound but never called by the launcher. */                                               \
    X(kxdll_bool, kxdll_GetUpdateRect,                                                             \
      (int32_t index, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom))               \
    /* 10. The mouse in frame coordinates (top left origin), for moves, drags, downs and ups. */   \
    X(kxdll_bool, kxdll_SetMousePosition, (int32_t x, int32_t y))                                  \
    /* 11. A Carbon event: mouse downs and ups, wheel, raw keys, window events, commands other     \
       than quit/'ok  '/'not!', and the storefront view's draw and hit-test events. Result         \
       ignored. */                                                                                 \
    X(kxdll_bool, kxdll_HandleMacEvent, (EventRef event))                                          \
    /* 12. KXDLL_PALETTE_BYTES bytes; the pointer is valid only during the call. */                \
    X(void, kxdll_SetPalette, (const unsigned char* palette))                                      \
    /* 13-15. Bound but never called by the launcher. */                                           \
    X(const char*, kxdll_GetValueAsString, (const char* name))                                     \
    X(int32_t, kxdll_GetValueAsInt, (const char* name))                                            \
    X(float, kxdll_GetValueAsFloat, (const char* name))                                            \
    /* 16. Asked after each frame. True makes the host, at the start of the next frame call        \
       (never in the middle of one): shut the plug-in down and close it; remove the marker files   \
       Update/Tessaly.red, Update/Application.red and Update/Channel.red of the resources          \
       folder; print (with echo, without carrying them out) the command lines "mv" of every        \
       entry of <Resources>/Update into <Resources> and "rm -r <Resources>/Tessaly"; load and      \
       initialise the plug-in again with the arguments of the first initialisation. If that        \
       fails it prints the move of Backup/'s contents and tries once more, then tells the          \
       plug-in through the frame flags above. If that fails too, the host never calls the          \
       plug-in again. On success it re-sends the last palette (if one was given) and re-enters     \
       the menu session with mode 1 and the last size before drawing the frame. */                 \
    X(kxdll_bool, kxdll_IsASystemUpdateRequired, (void))                                           \
    /* 17. Text of the plug-in's last error; returned to the launcher unchanged while the host     \
       has no error text of its own. Must stay valid until the next call into the plug-in. */      \
    X(const char*, kxdll_GetLastErrorInformation, (void))                                          \
    /* 18. Whether the plug-in should show the system mouse cursor (the launcher passes true). */  \
    X(void, kxdll_EnableWindowsMouseCursor, (uint32_t enable))                                     \
    /* 19. Not called by the launcher today; text is only valid during the call. */                \
    X(void, kxdll_SetTrackingMetadata, (const char* text))
// clang-format on

// The function types: kxdll_Initialize_fn points to a function like kxdll_Initialize.
#define KXDLL_DECLARE_FUNCTION_TYPE(result, name, parameters) typedef result(*name##_fn) parameters;
KXDLL_ENTRY_POINTS(KXDLL_DECLARE_FUNCTION_TYPE)
#undef KXDLL_DECLARE_FUNCTION_TYPE

#ifndef KXDLL_NO_PROTOTYPES

#if defined(__GNUC__)
#define KXDLL_EXPORT __attribute__((visibility("default")))
#else
#define KXDLL_EXPORT
#endif

// The prototypes a plug-in defines, each exported with C linkage:
//   KXDLL_EXPORT const char* kxdll_GetDLLVersionAsString(void);
//   KXDLL_EXPORT kxdll_status kxdll_Initialize(int32_t applicationID, ...);  and so on.
#define KXDLL_DECLARE_PROTOTYPE(result, name, parameters) KXDLL_EXPORT result name parameters;
KXDLL_ENTRY_POINTS(KXDLL_DECLARE_PROTOTYPE)
#undef KXDLL_DECLARE_PROTOTYPE

#endif // KXDLL_NO_PROTOTYPES

#ifdef __cplusplus
}
#endif
