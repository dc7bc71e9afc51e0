#include "Nib.h"
#include "Menu.h"

#include "CoreFoundation/CFStringObject.h"
#include "CoreFoundation/PropertyList.h"

#include <CoreFoundation/CFURL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <memory>
#include <unordered_set>

namespace MacPlatform {

namespace {

struct NibReference {
    NibModel model;
};

// Nib references alive now, so that a disposed or foreign IBNibRef is refused.
std::unordered_set<const NibReference*>& liveNibs() {
    static auto* nibs = new std::unordered_set<const NibReference*>;
    return *nibs;
}

NibReference* fromRef(IBNibRef ref) {
    auto* nib = reinterpret_cast<NibReference*>(ref);
    return nib && liveNibs().count(nib) ? nib : nullptr;
}

std::string pathOf(CFURLRef url) {
    char buffer[PATH_MAX];
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                          sizeof buffer)) {
        return {};
    }
    return buffer;
}

OSStatus findObject(IBNibRef ref, CFStringRef name, const NibObject** outObject) {
    NibReference* nib = fromRef(ref);
    if (!nib || !name || CFGetTypeID(name) != CFStringGetTypeID()) {
        return paramErr;
    }
    auto found = nib->model.objects.find(stringText(name));
    if (found == nib->model.objects.end()) {
        return kIBCarbonRuntimeCantFindObject;
    }
    *outObject = &found->second;
    return noErr;
}

} // namespace

OSStatus findNibWindow(IBNibRef nib, CFStringRef name, const NibWindowDescription** outWindow) {
    const NibObject* object = nullptr;
    OSStatus status = outWindow ? findObject(nib, name, &object) : paramErr;
    if (status != noErr) {
        return status;
    }
    *outWindow = std::get_if<NibWindowDescription>(object);
    return *outWindow ? noErr : kIBCarbonRuntimeObjectNotOfRequestedType;
}

const NibWindowDescription* nibWindowDescription(IBNibRef nib, CFStringRef name) {
    const NibWindowDescription* window = nullptr;
    return findNibWindow(nib, name, &window) == noErr ? window : nullptr;
}

} // namespace MacPlatform

using namespace MacPlatform;

extern "C" {

OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef) {
    if (!inBundle || !inNibName || !outNibRef || CFGetTypeID(inNibName) != CFStringGetTypeID()) {
        return paramErr;
    }
    *outNibRef = nullptr;
    CFStringRef type = createString("nib");
    CFURLRef url = CFBundleCopyResourceURL(inBundle, inNibName, type, nullptr);
    CFRelease(type);
    if (!url) {
        return fnfErr;
    }
    std::string path = pathOf(url);
    CFRelease(url);
    std::string bytes;
    int error = path.empty() ? ENAMETOOLONG : readWholeFile(path, kMaxNibFileSize, bytes);
    if (error == ENOENT) {
        return fnfErr;
    }
    if (error == EACCES) {
        return permErr;
    }
    std::string reason;
    std::optional<NibModel> model;
    if (error == 0) {
        model = parseNib(bytes, reason);
    } else {
        reason = std::string("cannot be read: ") + std::strerror(error);
    }
    if (!model) {
        // The publisher needs to know what is wrong with the file, not only that it failed.
        std::fprintf(stderr, "MacPlatform: %s: %s\n", path.c_str(), reason.c_str());
        return kIBCarbonRuntimeCantFindNibFile;
    }
    auto* nib = new NibReference{std::move(*model)};
    liveNibs().insert(nib);
    *outNibRef = reinterpret_cast<IBNibRef>(nib);
    return noErr;
}

OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef) {
    return CreateNibReferenceWithCFBundle(CFBundleGetMainBundle(), inNibName, outNibRef);
}

void DisposeNibReference(IBNibRef inNibRef) {
    NibReference* nib = fromRef(inNibRef);
    if (nib) {
        liveNibs().erase(nib);
        delete nib;
    }
}

OSStatus SetMenuBarFromNib(IBNibRef inNibRef, CFStringRef inName) {
    const NibObject* object = nullptr;
    OSStatus status = findObject(inNibRef, inName, &object);
    if (status != noErr) {
        return status;
    }
    const auto* bar = std::get_if<NibMenuBar>(object);
    if (!bar) {
        return kIBCarbonRuntimeObjectNotOfRequestedType;
    }
    Menu* root = createRootMenu(*bar);
    setRootMenu(root);
    root->release();
    return noErr;
}

} // extern "C"
