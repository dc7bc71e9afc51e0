// The nineteen functions a storefront plug-in exports (lib/include/kxdll.h), in the order the
// launcher's plug-in host binds them. The host refuses a plug-in that lacks any one of them.
#pragma once

#define KXDLL_NO_PROTOTYPES
#include <kxdll.h>

namespace gwbundle {

#define GWBUNDLE_ENTRY_POINT_NAME(result, name, parameters) #name,
inline constexpr const char* kPluginEntryPoints[] = {KXDLL_ENTRY_POINTS(GWBUNDLE_ENTRY_POINT_NAME)};
#undef GWBUNDLE_ENTRY_POINT_NAME

inline constexpr const char kPluginFileName[] = "Pellucid.dylib";

} // namespace gwbundle
