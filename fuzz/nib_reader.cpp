// Feeds arbitrary bytes to the nib reader. Whatever the bytes, it must either give a model or a
// message that names where the file went wrong; a model must hold only what the format allows.
#include "HIToolbox/NibModel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkItems(const std::vector<MacPlatform::NibMenuItem>& items) {
    for (const MacPlatform::NibMenuItem& item : items) {
        check(item.key == 0 || (item.key >= 0x20 && !(item.key >= 'a' && item.key <= 'z')),
              "key equivalents are printable and letters upper case");
        check((item.modifiers &
               ~(MacPlatform::kNibShiftModifier | MacPlatform::kNibOptionModifier)) == 0,
              "only shift and option modifiers");
        check(item.hasSubmenu || item.submenu.empty(), "submenu items only under a submenu");
        checkItems(item.submenu);
    }
}

void checkViews(const std::vector<MacPlatform::NibView>& views) {
    for (const MacPlatform::NibView& view : views) {
        check(view.frame.size.width >= 0 && view.frame.size.height >= 0, "sizes not negative");
        check(view.subviews.empty() || view.kind == MacPlatform::NibViewKind::scrollView,
              "only scroll views hold subviews");
        check(view.kind != MacPlatform::NibViewKind::pushButton || view.command != 0,
              "push buttons send a command");
        checkViews(view.subviews);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::optional<MacPlatform::NibModel> model = MacPlatform::parseNib(bytes, error);
    if (!model) {
        check(!error.empty(), "a refused nib says why");
        return 0;
    }
    for (const auto& [name, object] : model->objects) {
        if (const auto* bar = std::get_if<MacPlatform::NibMenuBar>(&object)) {
            for (const MacPlatform::NibMenu& menu : bar->menus) {
                checkItems(menu.items);
            }
        } else {
            const auto& window = std::get<MacPlatform::NibWindowDescription>(object);
            check(window.width >= 1 && window.height >= 1, "windows have a content area");
            checkViews(window.views);
        }
    }
    return 0;
}
