// Loading, binding, initialisation and shutdown of the storefront plug-in, the usage check, the
// error texts, and the forwarding of the launcher's calls while the storefront is shown.
#include "KX_APIFunctionsMac.h"

#include "CorvaneCore/FileUtils.h"

#include <Carbon/Dialogs.h>
#include <CoreServices/TextUtils.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <type_traits>

bool g_bIsAnUpdatePending = false;
bool g_bUnrecoverableErrorMode = false;
bool g_bSuspendSharedFileUpdates = false;
bool g_bNotifyUserOfFailedUpdate = false;
bool g_bInitCalled = false;
bool g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call = false;
void* g_DLLHandle = nullptr;
char g_CorvaneTessalyDLLName[256] = "Pellucid.dylib";
int g_LibVersionNumber = KXDLL_HOST_VERSION;
const char* g_LastErrorString = nullptr;
char g_CorvaneTessalyPath[kKXPathBufferSize] = "";
unsigned char g_PaletteData[kKXPaletteSize] = {};
int g_MenuWidthInPixels = 0;
int g_MenuHeightInPixels = 0;
int g_ApplicationID = 0;
char g_ApplicationName[kKXPathBufferSize] = "";
int g_ChannelID = 0;
float g_ApplicationPrice = 0;
unsigned short g_DebugMode = 0;

#define KX_DEFINE_ENTRY_POINT(result, name, parameters) name##_fn name = nullptr;
KXDLL_ENTRY_POINTS(KX_DEFINE_ENTRY_POINT)
#undef KX_DEFINE_ENTRY_POINT

namespace {

const char* const kUnrecoverableErrorText =
    "Corvane Tessaly has encountered an unrecoverable error and cannot link to the dll. The "
    "application must be reinstalled.";
const char* const kNoExtendedErrorText =
    "Extended error information is not available for the last error.";
const unsigned short kMissingEntryPointStatus = 5;

// The could-not-link text names the entry point, so it is built when binding fails.
char s_LinkErrorText[128];
// A failed plug-in initialisation closes the library, which takes the plug-in's own error text
// with it; the launcher asks for the text only afterwards, so it is copied here first.
char s_InitFailureText[kKXPathBufferSize];

template <auto& Pointer> void bindEntryPoint(void* symbol) {
    Pointer = reinterpret_cast<std::remove_reference_t<decltype(Pointer)>>(symbol);
}

struct EntryPoint {
    const char* name;
    void (*bind)(void* symbol);
};

// Binding order is part of the ABI: the two version calls happen as soon as they are bound,
// and a missing export is reported by the first name that fails.
#define KX_ENTRY_POINT(result, name, parameters) {#name, bindEntryPoint<name>},
const EntryPoint kEntryPoints[] = {KXDLL_ENTRY_POINTS(KX_ENTRY_POINT)};
#undef KX_ENTRY_POINT
static_assert(std::size(kEntryPoints) == 19, "the plug-in ABI has nineteen entry points");

// Closes the library once and forgets every entry point, so that nothing can call into a
// library that is gone.
void kx_UnloadLibrary() {
    if (g_DLLHandle) {
        dlclose(g_DLLHandle);
        g_DLLHandle = nullptr;
    }
    for (const EntryPoint& entry : kEntryPoints) {
        entry.bind(nullptr);
    }
}

// Copies text into buffer, always terminated; false when it had to be cut.
bool copyText(char* buffer, size_t size, const char* text) {
    size_t length = std::strlen(text);
    size_t kept = std::min(length, size - 1);
    std::memcpy(buffer, text, kept);
    buffer[kept] = '\0';
    return kept == length;
}

void showCautionAlert(const char* message, const char* explanation) {
    Str255 error;
    Str255 detail;
    CopyCStringToPascal(message, error);
    CopyCStringToPascal(explanation, detail);
    AlertStdAlertParamRec param = {};
    param.movable = true;
    param.helpButton = false;
    param.filterProc = nullptr;
    param.defaultText = kAlertDefaultOKText;
    param.cancelText = nullptr;
    param.otherText = nullptr;
    param.defaultButton = kAlertStdAlertOKButton;
    param.cancelButton = 0;
    param.position = kWindowDefaultPosition;
    SInt16 itemHit = 0;
    StandardAlert(kAlertCautionAlert, error, detail, &param, &itemHit);
}

[[noreturn]] void failStartUp(const char* line) {
    std::puts(line);
    std::fflush(stdout);
    std::exit(1);
}

// g_CorvaneTessalyPath receives the main bundle's resources folder with a trailing "/". The path
// is the file system's own (UTF-8 on Linux): a MacRoman copy would not name the folder of a
// bundle whose path has a non-ASCII character.
void kx_FindResourcesFolder() {
    // Room for the path, its "/" and the terminator; a longer path cannot be used at all.
    switch (FindMainBundleResourcesFolder(g_CorvaneTessalyPath, kKXPathBufferSize - 1)) {
    case ResourcesFolderLookup::Found:
        std::strcat(g_CorvaneTessalyPath, "/");
        return;
    case ResourcesFolderLookup::NoMainBundle:
        failStartUp("CFBundleGetMainBundle FAILED");
    case ResourcesFolderLookup::NoResourcesURL:
        failStartUp("CFBundleCopyResourcesDirectoryURL FAILED");
    case ResourcesFolderLookup::PathDoesNotFit:
        break;
    }
    g_CorvaneTessalyPath[0] = '\0';
    failStartUp("CFURLGetFileSystemRepresentation FAILED: the resources folder's path is longer "
                "than 1022 bytes");
}

} // namespace

bool kx_TestToSeeIfInitWasCalled() {
    if (g_bInitCalled) {
        return true;
    }
    showCautionAlert("Error In CorvaneTessaly API Usage",
                     "Must call KX_Initialize before any other API function.");
    return false;
}

void kx_DisplayUnrecoverableErrorMessage() {
    showCautionAlert("Application Error",
                     "This application appears to be become corrupted and must be reinstalled.");
}

unsigned short KX_Initialize(int applicationID, const char* applicationName, int channelID,
                             float price, unsigned short debugMode) {
    g_LastErrorString = nullptr;
    g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call = false;
    kx_FindResourcesFolder();
    g_ApplicationID = applicationID;
    if (applicationName) {
        // A name longer than the buffer is kept cut; only a re-initialisation after an update
        // hands the cut name to the plug-in.
        copyText(g_ApplicationName, sizeof g_ApplicationName, applicationName);
    }
    g_ChannelID = channelID;
    g_ApplicationPrice = price;
    g_DebugMode = debugMode;
    return kx_Initialize(applicationID, applicationName, channelID, price, debugMode);
}

unsigned short kx_Initialize(int applicationID, const char* applicationName, int channelID,
                             float price, unsigned short debugMode) {
    g_bInitCalled = true;
    // A plug-in still loaded from an earlier initialisation is shut down and closed first, so
    // that its library reference is not lost under the new handle.
    if (g_DLLHandle) {
        if (kxdll_ShutDown) {
            kxdll_ShutDown();
        }
        kx_UnloadLibrary();
    }
    std::string path = std::string(g_CorvaneTessalyPath) + g_CorvaneTessalyDLLName;
    const char* reason = "the path is longer than 1023 bytes";
    if (path.size() < kKXPathBufferSize) {
        g_DLLHandle = dlopen(path.c_str(), RTLD_NOW);
        reason = g_DLLHandle ? nullptr : dlerror();
    }
    if (!g_DLLHandle) {
        std::printf("dlopen %s FAILED\n", path.c_str());
        // Why the loader refused (no file, a missing dependency, a wrong architecture) goes to
        // standard error, keeping standard output to the one line above.
        std::fprintf(stderr, "%s\n", reason ? reason : "unknown reason");
        std::fflush(stdout);
        std::exit(1);
    }
    std::printf("dlopen(\"%s\", RTLD_NOW): Successful\n", path.c_str());

    for (size_t index = 0; index < std::size(kEntryPoints); ++index) {
        const EntryPoint& entry = kEntryPoints[index];
        void* symbol = dlsym(g_DLLHandle, entry.name);
        if (!symbol) {
            kx_UnloadLibrary();
            std::snprintf(s_LinkErrorText, sizeof s_LinkErrorText,
                          "Could not link to '%s' function within the dll.", entry.name);
            g_LastErrorString = s_LinkErrorText;
            return kMissingEntryPointStatus;
        }
        entry.bind(symbol);
        if (index == 0) {
            kxdll_GetDLLVersionAsString();
        } else if (index == 1) {
            kxdll_GetDLLVersionAsInt();
        }
    }

    unsigned short status = kxdll_Initialize(applicationID, applicationName, channelID, price,
                                             debugMode, g_LibVersionNumber);
    if (status != 0) {
        const char* pluginText = kxdll_GetLastErrorInformation();
        if (pluginText && *pluginText) {
            copyText(s_InitFailureText, sizeof s_InitFailureText, pluginText);
            g_LastErrorString = s_InitFailureText;
        }
        kx_UnloadLibrary();
    }
    return status;
}

void KX_ShutDown() {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode) {
        return;
    }
    if (kxdll_ShutDown) {
        kxdll_ShutDown();
    }
    kx_UnloadLibrary();
}

const char* KX_GetLastErrorInformation() {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode) {
        return kUnrecoverableErrorText;
    }
    if (g_LastErrorString) {
        return g_LastErrorString;
    }
    if (kxdll_GetLastErrorInformation) {
        return kxdll_GetLastErrorInformation();
    }
    return kNoExtendedErrorText;
}

// The forwarders below call an entry point only while it is bound: before KX_Initialize,
// after a failed initialisation and after KX_ShutDown they answer with the same neutral value
// as in the unrecoverable state.

unsigned short KX_EnterMenuSession(unsigned short mode, int widthInPixels, int heightInPixels) {
    g_LastErrorString = nullptr;
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode) {
        kx_DisplayUnrecoverableErrorMessage();
        return 0;
    }
    g_MenuWidthInPixels = widthInPixels;
    g_MenuHeightInPixels = heightInPixels;
    if (!kxdll_EnterMenuSession) {
        return 0;
    }
    return kxdll_EnterMenuSession(mode, widthInPixels, heightInPixels);
}

bool KX_IsTheMenuSessionComplete() {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode) {
        return true;
    }
    if (g_bIsAnUpdatePending) {
        return false;
    }
    return !kxdll_IsTheMenuSessionComplete || kxdll_IsTheMenuSessionComplete() != 0;
}

int KX_GetNumberOfRectsToUpdate() {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode || !kxdll_GetNumberOfRectsToUpdate) {
        return 0;
    }
    return kxdll_GetNumberOfRectsToUpdate();
}

bool KX_SetMousePosition(int x, int y) {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode || g_bIsAnUpdatePending || !kxdll_SetMousePosition) {
        return false;
    }
    return kxdll_SetMousePosition(x, y) != 0;
}

bool KX_HandleMacEvent(EventRef event) {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode || g_bIsAnUpdatePending || !kxdll_HandleMacEvent) {
        return false;
    }
    return kxdll_HandleMacEvent(event) != 0;
}

void KX_SetPalette(const unsigned char* palette) {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode || !palette) {
        return;
    }
    if (palette != g_PaletteData) {
        std::memcpy(g_PaletteData, palette, kKXPaletteSize);
    }
    g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call = true;
    if (kxdll_SetPalette) {
        kxdll_SetPalette(palette);
    }
}

void KX_EnableWindowsMouseCursor(bool enable) {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode || !kxdll_EnableWindowsMouseCursor) {
        return;
    }
    kxdll_EnableWindowsMouseCursor(enable);
}

// No check of the unrecoverable state is needed: the library is closed in that state, so the
// entry point is no longer bound.
void KX_SetTrackingMetadata(const char* text) {
    kx_TestToSeeIfInitWasCalled();
    if (kxdll_SetTrackingMetadata) {
        kxdll_SetTrackingMetadata(text);
    }
}

void KX_DrawNextFrameIntoBuffer(void* buffer, int rowBytes, unsigned short a, unsigned short b) {
    kx_TestToSeeIfInitWasCalled();
    if (g_bUnrecoverableErrorMode) {
        return;
    }
    if (g_bIsAnUpdatePending) {
        g_bIsAnUpdatePending = false;
        KX_ShutDown();
        kx_RemoveUpdateMarkerFiles();
        if (!kx_PerformASystemUpdateAndReInitialise()) {
            g_bUnrecoverableErrorMode = true;
            kx_DisplayUnrecoverableErrorMessage();
            return;
        }
        if (g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call) {
            KX_SetPalette(g_PaletteData);
        }
        KX_EnterMenuSession(1, g_MenuWidthInPixels, g_MenuHeightInPixels);
    }
    if (!kxdll_DrawNextFrameIntoBuffer || !buffer) {
        return;
    }
    kxdll_DrawNextFrameIntoBuffer(buffer, rowBytes, a, b, g_bSuspendSharedFileUpdates,
                                  g_bNotifyUserOfFailedUpdate);
    g_bNotifyUserOfFailedUpdate = false;
    if (kxdll_IsASystemUpdateRequired() != 0) {
        g_bSuspendSharedFileUpdates = false;
        g_bIsAnUpdatePending = true;
    }
}
