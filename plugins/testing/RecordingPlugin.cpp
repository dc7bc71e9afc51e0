// The recording test plug-in: a complete, well-behaved storefront plug-in whose every call can
// be checked from outside, built in several variants for the host's and the launcher's tests.
//
// Copy the built file to <bundle>/Contents/Resources/Pellucid.dylib. Variants (all built into
// ${CMAKE_BINARY_DIR}/plugins/testing/):
//   kxtest-recording.so          everything below
//   kxtest-failing-init.so       kxdll_Initialize returns 3; its last error is
//                                "Catalogue Tessaly/catalogue.dat is damaged"
//   kxtest-update.so             asks for a system update after the first frame
//   kxtest-missing-tracking.so   lacks kxdll_SetTrackingMetadata (the last entry point)
//   kxtest-missing-updaterect.so lacks kxdll_GetUpdateRect (bound by the host, never called)
//
// Recording: when the environment variable KXTEST_RECORD_FILE names a file, every call appends
// one line to it (the file is opened and closed per call, so the record survives the library
// being closed and loaded again):
//   kxdll_GetDLLVersionAsString
//   kxdll_GetDLLVersionAsInt
//   kxdll_Initialize <id> "<name>" <channel> <price %.2f> <debugMode> <hostVersion>
//   kxdll_ShutDown
//   kxdll_EnterMenuSession <mode> <width> <height>
//   kxdll_IsTheMenuSessionComplete <answer 0|1>
//   kxdll_DrawNextFrameIntoBuffer <rowBytes> <a> <b> <suspend> <notify>
//   kxdll_GetNumberOfRectsToUpdate
//   kxdll_GetUpdateRect <index>
//   kxdll_SetMousePosition <x> <y>
//   kxdll_HandleMacEvent <class as four characters> <kind>
//   kxdll_SetPalette <first three bytes in hex> <last three bytes in hex>
//   kxdll_GetValueAsString|Int|Float "<name>"
//   kxdll_IsASystemUpdateRequired <answer 0|1>
//   kxdll_GetLastErrorInformation
//   kxdll_EnableWindowsMouseCursor <enable>
//   kxdll_SetTrackingMetadata "<text>"
// A null text is written as (null), without quotes. 32-bit arguments are written as the plug-in
// received them (%u for the widened ones), so a host that fails to widen is caught.
//
// Behaviour, each overridable by an environment variable read at the call:
//   KXTEST_INIT_STATUSES   comma-separated statuses for kxdll_Initialize: the n-th call of the
//                          run (counted in the record file, else within this load) answers the
//                          n-th value, the last value repeating; default "0" ("3" for the
//                          failing variant).
//   KXTEST_ERROR_TEXT      text of kxdll_GetLastErrorInformation, also when empty; default
//                          "Recording plug-in: no error".
//   KXTEST_UPDATE_AFTER_FRAME  n > 0: kxdll_IsASystemUpdateRequired answers true right after
//                          the n-th frame of the run (counted in the record file, else within
//                          this load), so once per run; default 0 (1 for the update variant).
//   KXTEST_COMPLETE_AFTER_FRAMES  n > 0: the menu session completes after n frames of it.
// The menu session also completes on a raw key-down of Esc (character 27 or key code 53).
// kxdll_EnterMenuSession starts a new, incomplete session and answers 0.
//
// Frames: pixel (x, y) of frame n (counted from 1 within a load) is the 32-bit word
// (x & 0xFF) << 16 | (y & 0xFF) << 8 | (n & 0xFF), that is red x, green y, blue n; the pixel at
// the last mouse position (kxdll_SetMousePosition) is white 0x00FFFFFF. The frame covers the
// session size (720 x 540 before any session) and is not drawn when rowBytes is smaller than
// 4 x width or the buffer is null.
#include <kxdll.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#ifndef KXTEST_DEFAULT_INIT_STATUSES
#define KXTEST_DEFAULT_INIT_STATUSES "0"
#endif
#ifndef KXTEST_DEFAULT_UPDATE_AFTER_FRAME
#define KXTEST_DEFAULT_UPDATE_AFTER_FRAME 0
#endif
#ifndef KXTEST_DEFAULT_ERROR_TEXT
#define KXTEST_DEFAULT_ERROR_TEXT "Recording plug-in: no error"
#endif

namespace {

struct PluginState {
    int32_t width = 720;
    int32_t height = 540;
    bool sessionComplete = false;
    uint32_t framesThisLoad = 0;
    uint32_t framesThisSession = 0;
    uint32_t initCallsThisLoad = 0;
    int32_t mouseX = -1;
    int32_t mouseY = -1;
};

PluginState s_State;

// The record file, or null when there is none.
const char* recordPath() {
    const char* path = std::getenv("KXTEST_RECORD_FILE");
    return path && *path ? path : nullptr;
}

void record(const char* format, ...) {
    FILE* file = recordPath() ? std::fopen(recordPath(), "a") : nullptr;
    if (!file) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}

// How many lines of the record file begin with prefix: the calls of the run so far, in this
// load and in earlier ones; fallback when there is no record file.
uint32_t recordedCalls(const char* prefix, uint32_t fallback) {
    std::ifstream file(recordPath() ? recordPath() : "");
    if (!file) {
        return fallback;
    }
    uint32_t count = 0;
    for (std::string line; std::getline(file, line);) {
        count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

const char* setting(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

uint32_t numberSetting(const char* name, uint32_t fallback) {
    const char* value = setting(name, nullptr);
    return value ? static_cast<uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

// The index-th entry of a comma-separated list of statuses, the last one repeating.
kxdll_status statusAt(const char* list, uint32_t index) {
    std::istringstream entries(list);
    std::string entry;
    std::string last;
    for (uint32_t read = 0; read <= index && std::getline(entries, entry, ','); ++read) {
        last = entry;
    }
    return static_cast<kxdll_status>(std::strtoul(last.c_str(), nullptr, 10));
}

// A text argument as the record writes it: in quotes, or (null).
std::string quoted(const char* text) {
    return text ? "\"" + std::string(text) + "\"" : "(null)";
}

void drawFrame(uint8_t* buffer, int32_t rowBytes) {
    uint32_t blue = s_State.framesThisLoad & 0xFF;
    for (int32_t y = 0; y < s_State.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(buffer + static_cast<size_t>(y) * rowBytes);
        for (int32_t x = 0; x < s_State.width; ++x) {
            bool pointer = x == s_State.mouseX && y == s_State.mouseY;
            row[x] = pointer ? 0x00FFFFFF
                             : static_cast<uint32_t>(x & 0xFF) << 16 |
                                   static_cast<uint32_t>(y & 0xFF) << 8 | blue;
        }
    }
}

bool isEscapeKeyDown(EventRef event) {
    if (GetEventClass(event) != kEventClassKeyboard || GetEventKind(event) != kEventRawKeyDown) {
        return false;
    }
    char character = 0;
    UInt32 keyCode = 0;
    // A parameter the event lacks leaves its 0.
    GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, sizeof character,
                      nullptr, &character);
    GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof keyCode, nullptr,
                      &keyCode);
    return character == 27 || keyCode == 53;
}

} // namespace

extern "C" {

const char* kxdll_GetDLLVersionAsString(void) {
    record("kxdll_GetDLLVersionAsString");
    return "kxtest 1.0";
}

int32_t kxdll_GetDLLVersionAsInt(void) {
    record("kxdll_GetDLLVersionAsInt");
    return 1;
}

kxdll_status kxdll_Initialize(int32_t applicationID, const char* applicationName, int32_t channelID,
                              float price, uint32_t debugMode, int32_t hostVersion) {
    uint32_t previousCalls = recordedCalls("kxdll_Initialize ", s_State.initCallsThisLoad);
    record("kxdll_Initialize %d %s %d %.2f %u %d", applicationID, quoted(applicationName).c_str(),
           channelID, static_cast<double>(price), debugMode, hostVersion);
    ++s_State.initCallsThisLoad;
    return statusAt(setting("KXTEST_INIT_STATUSES", KXTEST_DEFAULT_INIT_STATUSES), previousCalls);
}

void kxdll_ShutDown(void) {
    record("kxdll_ShutDown");
}

kxdll_status kxdll_EnterMenuSession(uint32_t mode, int32_t widthInPixels, int32_t heightInPixels) {
    record("kxdll_EnterMenuSession %u %d %d", mode, widthInPixels, heightInPixels);
    if (widthInPixels > 0 && heightInPixels > 0) {
        s_State.width = widthInPixels;
        s_State.height = heightInPixels;
    }
    s_State.sessionComplete = false;
    s_State.framesThisSession = 0;
    return 0;
}

kxdll_bool kxdll_IsTheMenuSessionComplete(void) {
    uint32_t completeAfter = numberSetting("KXTEST_COMPLETE_AFTER_FRAMES", 0);
    bool complete = s_State.sessionComplete ||
                    (completeAfter > 0 && s_State.framesThisSession >= completeAfter);
    record("kxdll_IsTheMenuSessionComplete %d", complete ? 1 : 0);
    return complete ? 1 : 0;
}

void kxdll_DrawNextFrameIntoBuffer(void* buffer, int32_t rowBytes, uint32_t a, uint32_t b,
                                   uint32_t suspendSharedFileUpdates,
                                   uint32_t notifyUserOfFailedUpdate) {
    record("kxdll_DrawNextFrameIntoBuffer %d %u %u %u %u", rowBytes, a, b, suspendSharedFileUpdates,
           notifyUserOfFailedUpdate);
    ++s_State.framesThisLoad;
    ++s_State.framesThisSession;
    if (buffer && rowBytes >= 4 * s_State.width) {
        drawFrame(static_cast<uint8_t*>(buffer), rowBytes);
    }
}

int32_t kxdll_GetNumberOfRectsToUpdate(void) {
    record("kxdll_GetNumberOfRectsToUpdate");
    return 1;
}

#ifndef KXTEST_OMIT_GetUpdateRect
kxdll_bool kxdll_GetUpdateRect(int32_t index, int32_t* left, int32_t* top, int32_t* right,
                               int32_t* bottom) {
    record("kxdll_GetUpdateRect %d", index);
    if (index != 0 || !left || !top || !right || !bottom) {
        return 0;
    }
    *left = 0;
    *top = 0;
    *right = s_State.width;
    *bottom = s_State.height;
    return 1;
}
#endif

kxdll_bool kxdll_SetMousePosition(int32_t x, int32_t y) {
    record("kxdll_SetMousePosition %d %d", x, y);
    s_State.mouseX = x;
    s_State.mouseY = y;
    return 1;
}

kxdll_bool kxdll_HandleMacEvent(EventRef event) {
    if (!event) {
        record("kxdll_HandleMacEvent (null)");
        return 0;
    }
    UInt32 eventClass = GetEventClass(event);
    record("kxdll_HandleMacEvent %c%c%c%c %u", static_cast<char>(eventClass >> 24),
           static_cast<char>(eventClass >> 16), static_cast<char>(eventClass >> 8),
           static_cast<char>(eventClass), GetEventKind(event));
    if (isEscapeKeyDown(event)) {
        s_State.sessionComplete = true;
        return 1;
    }
    return 0;
}

void kxdll_SetPalette(const unsigned char* palette) {
    if (!palette) {
        record("kxdll_SetPalette (null)");
        return;
    }
    const unsigned char* last = palette + KXDLL_PALETTE_BYTES - 3;
    record("kxdll_SetPalette %02x%02x%02x %02x%02x%02x", palette[0], palette[1], palette[2],
           last[0], last[1], last[2]);
}

const char* kxdll_GetValueAsString(const char* name) {
    record("kxdll_GetValueAsString %s", quoted(name).c_str());
    return "";
}

int32_t kxdll_GetValueAsInt(const char* name) {
    record("kxdll_GetValueAsInt %s", quoted(name).c_str());
    return 0;
}

float kxdll_GetValueAsFloat(const char* name) {
    record("kxdll_GetValueAsFloat %s", quoted(name).c_str());
    return 0.0f;
}

kxdll_bool kxdll_IsASystemUpdateRequired(void) {
    uint32_t after = numberSetting("KXTEST_UPDATE_AFTER_FRAME", KXTEST_DEFAULT_UPDATE_AFTER_FRAME);
    uint32_t frames = recordedCalls("kxdll_DrawNextFrameIntoBuffer ", s_State.framesThisLoad);
    bool required = after > 0 && frames == after;
    record("kxdll_IsASystemUpdateRequired %d", required ? 1 : 0);
    return required ? 1 : 0;
}

const char* kxdll_GetLastErrorInformation(void) {
    record("kxdll_GetLastErrorInformation");
    // Set but empty is a plug-in without a text.
    const char* text = std::getenv("KXTEST_ERROR_TEXT");
    return text ? text : KXTEST_DEFAULT_ERROR_TEXT;
}

void kxdll_EnableWindowsMouseCursor(uint32_t enable) {
    record("kxdll_EnableWindowsMouseCursor %u", enable);
}

#ifndef KXTEST_OMIT_SetTrackingMetadata
void kxdll_SetTrackingMetadata(const char* text) {
    record("kxdll_SetTrackingMetadata %s", quoted(text).c_str());
}
#endif

} // extern "C"
