// The nineteen functions a storefront plug-in exports (lib/include/kxdll.h), in the order the
// launcher's plug-in host binds them. The host refuses a plug-in that lacks any one of them.
#pragma once

namespace gwbundle {

inline constexpr const char* kPluginEntryPoints[] = {
    "kxdll_GetDLLVersionAsString",
    "kxdll_GetDLLVersionAsInt",
    "kxdll_Initialize",
    "kxdll_ShutDown",
    "kxdll_EnterMenuSession",
    "kxdll_IsTheMenuSessionComplete",
    "kxdll_DrawNextFrameIntoBuffer",
    "kxdll_GetNumberOfRectsToUpdate",
    "kxdll_GetUpdateRect",
    "kxdll_SetMousePosition",
    "kxdll_HandleMacEvent",
    "kxdll_SetPalette",
    "kxdll_GetValueAsString",
    "kxdll_GetValueAsInt",
    "kxdll_GetValueAsFloat",
    "kxdll_IsASystemUpdateRequired",
    "kxdll_GetLastErrorInformation",
    "kxdll_EnableWindowsMouseCursor",
    "kxdll_SetTrackingMetadata",
};

inline constexpr const char kPluginFileName[] = "Pellucid.dylib";

} // namespace gwbundle
