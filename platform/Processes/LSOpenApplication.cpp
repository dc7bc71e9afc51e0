// LSOpenApplication: the application record checked and turned into a launch request.
#include <ApplicationServices/LaunchServices.h>
#include <CoreServices/Files.h>

#include "CoreFoundation/CFStringObject.h"
#include "Processes/Launcher.h"
#include "Processes/ProcessEndWatch.h"

#include <climits>

using namespace MacPlatform;

namespace {

bool textOf(CFTypeRef value, std::string* text) {
    const std::string* found = stringTextIfString(value);
    if (found) {
        *text = *found;
    }
    return found != nullptr;
}

OSStatus readArguments(CFArrayRef argv, std::vector<std::string>* arguments) {
    if (!argv) {
        return noErr;
    }
    if (CFGetTypeID(argv) != CFArrayGetTypeID()) {
        return paramErr;
    }
    for (CFIndex i = 0, count = CFArrayGetCount(argv); i < count; ++i) {
        std::string argument;
        if (!textOf(CFArrayGetValueAtIndex(argv, i), &argument)) {
            return paramErr;
        }
        arguments->push_back(std::move(argument));
    }
    return noErr;
}

OSStatus readEnvironment(CFDictionaryRef dictionary,
                         std::vector<std::pair<std::string, std::string>>* environment) {
    if (!dictionary) {
        return noErr;
    }
    if (CFGetTypeID(dictionary) != CFDictionaryGetTypeID()) {
        return paramErr;
    }
    CFIndex count = CFDictionaryGetCount(dictionary);
    std::vector<const void*> keys(static_cast<std::size_t>(count));
    std::vector<const void*> values(static_cast<std::size_t>(count));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) {
        std::string name;
        std::string value;
        if (!textOf(keys[static_cast<std::size_t>(i)], &name) ||
            !textOf(values[static_cast<std::size_t>(i)], &value) || name.empty() ||
            name.find('=') != std::string::npos) {
            return paramErr;
        }
        environment->emplace_back(std::move(name), std::move(value));
    }
    return noErr;
}

} // namespace

extern "C" OSStatus LSOpenApplication(const LSApplicationParameters* appParams,
                                      ProcessSerialNumber* outPSN) {
    if (!appParams || appParams->version != 0 || !appParams->application ||
        appParams->initialEvent) {
        return paramErr;
    }
    UInt8 path[PATH_MAX];
    OSStatus status = FSRefMakePath(appParams->application, path, sizeof path);
    if (status != noErr) {
        return status;
    }
    LaunchRequest request;
    request.path = reinterpret_cast<const char*>(path);
    request.flags = appParams->flags;
    status = readArguments(appParams->argv, &request.arguments);
    if (status == noErr) {
        status = readEnvironment(appParams->environment, &request.environment);
    }
    if (status != noErr) {
        return status;
    }
    ProcessSerialNumber launched{0, kNoProcess};
    status = launchApplication(request, &launched);
    if (status == noErr) {
        ProcessEndWatch::watch(launched);
        if (outPSN) {
            *outPSN = launched;
        }
    }
    return status;
}
