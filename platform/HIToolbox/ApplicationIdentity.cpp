#include "HIToolbox/ApplicationIdentity.h"
#include "CoreFoundation/CFStringObject.h"
#include "HIToolbox/Window.h"

#include <Carbon/MacPlatformDesktop.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace MacPlatform::ApplicationIdentity {

namespace {

std::string g_desktopName;

struct Icon {
    int width;
    int height;
    std::vector<std::uint32_t> argb;
};

std::string infoString(CFStringRef key) {
    CFBundleRef bundle = CFBundleGetMainBundle();
    CFTypeRef value = bundle ? CFBundleGetValueForInfoDictionaryKey(bundle, key) : nullptr;
    if (!value || CFGetTypeID(value) != CFStringGetTypeID()) {
        return {};
    }
    return stringText(static_cast<CFStringRef>(value));
}

// The bundle's PNG of that name in its resources folder, as straight (not premultiplied)
// ARGB, which is what window managers expect of an icon; nothing when it cannot be read.
std::optional<Icon> readIcon(const std::string& name) {
    CFBundleRef bundle = CFBundleGetMainBundle();
    CFStringRef resource = createString(name);
    CFURLRef url = bundle ? CFBundleCopyResourceURL(bundle, resource, nullptr, nullptr) : nullptr;
    CFRelease(resource);
    if (!url) {
        std::fprintf(stderr, "MacPlatform: the bundle's icon %s is not in its resources\n",
                     name.c_str());
        return std::nullopt;
    }
    char path[PATH_MAX];
    bool havePath =
        CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path);
    CFRelease(url);
    if (!havePath) {
        return std::nullopt;
    }
    cairo_surface_t* png = cairo_image_surface_create_from_png(path);
    std::optional<Icon> icon;
    if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_t* argb =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(png),
                                       cairo_image_surface_get_height(png));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, png, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(argb);
        icon = Icon{cairo_image_surface_get_width(argb), cairo_image_surface_get_height(argb), {}};
        const unsigned char* data = cairo_image_surface_get_data(argb);
        int stride = cairo_image_surface_get_stride(argb);
        for (int y = 0; y < icon->height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < icon->width; ++x) {
                std::uint32_t pixel = row[x];
                std::uint32_t alpha = pixel >> 24;
                auto straight = [&](int shift) {
                    std::uint32_t channel = (pixel >> shift) & 0xFF;
                    return alpha ? std::min<std::uint32_t>(255, channel * 255 / alpha) : 0;
                };
                icon->argb.push_back(alpha << 24 | straight(16) << 16 | straight(8) << 8 |
                                     straight(0));
            }
        }
        cairo_surface_destroy(argb);
    } else {
        std::fprintf(stderr, "MacPlatform: the bundle's icon %s cannot be read: %s\n", name.c_str(),
                     cairo_status_to_string(cairo_surface_status(png)));
    }
    cairo_surface_destroy(png);
    return icon;
}

// Read once: every window of the process shows the same icon.
const std::vector<Icon>& icons() {
    static const std::vector<Icon> all = [] {
        std::vector<std::string> names;
        if (std::string name = infoString(CFSTR("CFBundleIconFile")); !name.empty()) {
            names.push_back(name);
        }
        CFBundleRef bundle = CFBundleGetMainBundle();
        CFTypeRef more =
            bundle ? CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIconFiles"))
                   : nullptr;
        if (more && CFGetTypeID(more) == CFArrayGetTypeID()) {
            auto array = static_cast<CFArrayRef>(more);
            for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
                CFTypeRef item = CFArrayGetValueAtIndex(array, i);
                if (CFGetTypeID(item) == CFStringGetTypeID()) {
                    names.push_back(stringText(static_cast<CFStringRef>(item)));
                }
            }
        }
        std::vector<Icon> read;
        for (const std::string& name : names) {
            if (std::optional<Icon> icon = readIcon(name)) {
                read.push_back(std::move(*icon));
            }
        }
        return read;
    }();
    return all;
}

} // namespace

std::string shownName(const std::string& title) {
    if (!title.empty()) {
        return title;
    }
    std::string bundleName = infoString(CFSTR("CFBundleName"));
    return bundleName.empty() ? g_desktopName : bundleName;
}

void apply(Display::NativeWindow* window) {
    const Display::BackendOperations& display = Display::backend();
    std::string identifier = infoString(CFSTR("CFBundleIdentifier"));
    if (!identifier.empty()) {
        display.setClassName(window, identifier.c_str(), identifier.c_str());
    }
    std::vector<Display::IconImage> images;
    for (const Icon& icon : icons()) {
        images.push_back({icon.width, icon.height, icon.argb.data()});
    }
    if (!images.empty()) {
        display.setIcon(window, images.data(), static_cast<int>(images.size()));
    }
}

} // namespace MacPlatform::ApplicationIdentity

extern "C" OSStatus SetApplicationDesktopName(CFStringRef name) {
    if (name && CFGetTypeID(name) != CFStringGetTypeID()) {
        return paramErr;
    }
    MacPlatform::ApplicationIdentity::g_desktopName = MacPlatform::stringText(name);
    for (MacPlatform::Window* window : MacPlatform::Window::frontToBack()) {
        window->setTitle(window->title());
    }
    return noErr;
}
