// Starting a program as an independent process, the work behind LSOpenApplication.
#pragma once

#include <ApplicationServices/LaunchServices.h>

#include <string>
#include <utility>
#include <vector>

namespace MacPlatform {

struct LaunchRequest {
    std::string path; // an application folder or an executable file
    LSLaunchFlags flags = kLSLaunchDefaults;
    std::vector<std::string> arguments;                           // after the program's name
    std::vector<std::pair<std::string, std::string>> environment; // set on top of ours
};

// The program an application folder or executable file stands for: noErr and its path, or the
// LaunchServices error that says why there is none.
OSStatus resolveExecutable(const std::string& path, std::string* executable);

OSStatus launchApplication(const LaunchRequest& request, ProcessSerialNumber* launched);

} // namespace MacPlatform
