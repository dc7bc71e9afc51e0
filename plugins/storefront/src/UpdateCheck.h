// Whether the launcher should install a storefront update waiting in the resources folder.
//
// An update is complete once its marker file Update/Tessaly.red exists next to its files; the
// launcher removes the markers before it installs an update, so an update is asked for once and
// not again after the launcher has (or has not) moved the files.
#pragma once

#include <string>

namespace Storefront {

inline constexpr const char* kUpdateFolder = "Update";
inline constexpr const char* kUpdateMarker = "Update/Tessaly.red";

struct UpdateFinding {
    bool wanted = false;
    std::string reason; // one line for the log either way
};

// True when the marker exists and Update/Storefront/catalogue.txt is a valid catalogue whose
// version is above `installedVersion` (0 when the installed catalogue could not be read).
UpdateFinding checkForUpdate(const std::string& resourcesFolder, int installedVersion);

} // namespace Storefront
