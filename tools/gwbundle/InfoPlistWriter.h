// The bundle's Contents/Info.plist, written through MacPlatform's CoreFoundation so that the
// launcher's CFBundle reads back exactly what was written.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace gwbundle {

// Writes a property list dictionary of string values, in XML.
bool writeInfoPlist(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& values,
                    std::string& error);

} // namespace gwbundle
