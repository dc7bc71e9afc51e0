/* A storefront plug-in for gwbundle's tests: it exports the nineteen entry points with working
 * minimal behaviour (an empty storefront that ends its session at once). Built a second time
 * without kxdll_SetTrackingMetadata, as a plug-in that the host would refuse. */
#include <kxdll.h>

#include <string.h>

static int s_initialised;

const char* kxdll_GetDLLVersionAsString(void) {
    return "fixture 1.0";
}
int32_t kxdll_GetDLLVersionAsInt(void) {
    return 100;
}
kxdll_status kxdll_Initialize(int32_t applicationID, const char* applicationName, int32_t channelID,
                              float price, uint32_t debugMode, int32_t hostVersion) {
    (void)applicationName, (void)channelID, (void)price, (void)debugMode;
    s_initialised = applicationID > 0 && hostVersion == KXDLL_HOST_VERSION;
    return s_initialised ? 0 : 1;
}
void kxdll_ShutDown(void) {
    s_initialised = 0;
}
kxdll_status kxdll_EnterMenuSession(uint32_t mode, int32_t width, int32_t height) {
    return mode == 1 && width > 0 && height > 0 ? 0 : 1;
}
kxdll_bool kxdll_IsTheMenuSessionComplete(void) {
    return 1;
}
void kxdll_DrawNextFrameIntoBuffer(void* buffer, int32_t rowBytes, uint32_t a, uint32_t b,
                                   uint32_t suspend, uint32_t notify) {
    (void)b, (void)suspend, (void)notify;
    if (buffer && rowBytes > 0 && a == 4) {
        memset(buffer, 0, (size_t)rowBytes * 540);
    }
}
int32_t kxdll_GetNumberOfRectsToUpdate(void) {
    return 0;
}
kxdll_bool kxdll_GetUpdateRect(int32_t index, int32_t* left, int32_t* top, int32_t* right,
                               int32_t* bottom) {
    (void)index, (void)left, (void)top, (void)right, (void)bottom;
    return 0;
}
kxdll_bool kxdll_SetMousePosition(int32_t x, int32_t y) {
    return x >= 0 && y >= 0;
}
kxdll_bool kxdll_HandleMacEvent(EventRef event) {
    return event != 0;
}
void kxdll_SetPalette(const unsigned char* palette) {
    (void)palette;
}
const char* kxdll_GetValueAsString(const char* name) {
    return name ? "" : 0;
}
int32_t kxdll_GetValueAsInt(const char* name) {
    return name ? 0 : -1;
}
float kxdll_GetValueAsFloat(const char* name) {
    return name ? 0.0f : -1.0f;
}
kxdll_bool kxdll_IsASystemUpdateRequired(void) {
    return 0;
}
const char* kxdll_GetLastErrorInformation(void) {
    return s_initialised ? "no error" : "not initialised";
}
void kxdll_EnableWindowsMouseCursor(uint32_t enable) {
    (void)enable;
}
#ifndef FIXTURE_WITHOUT_SET_TRACKING_METADATA
void kxdll_SetTrackingMetadata(const char* text) {
    (void)text;
}
#endif

#ifdef FIXTURE_CRASH_WHEN_LOADED
#include <signal.h>

/* A plug-in whose static initialiser dies: loading it must not take the checker down. */
__attribute__((constructor)) static void crashWhenLoaded(void) {
    raise(SIGSEGV);
}
#endif
