#include "BundleChecks.h"
#include "BundleHandle.h"
#include "FileSystem.h"

#include "HIToolbox/NibModel.h"

namespace gwbundle {

namespace {

using namespace MacPlatform;

constexpr int kFrameWidth = 720;
constexpr int kFrameHeight = 540;

const char kNibFile[] = "Contents/Resources/main.nib";
const char kNibFix[] = "see docs/nib-format.md";

FourCharCode code(const char (&text)[5]) {
    return static_cast<FourCharCode>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<FourCharCode>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<FourCharCode>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<FourCharCode>(static_cast<unsigned char>(text[3]));
}

bool hasTextView(const std::vector<NibView>& views, const NibControlID& id) {
    for (const NibView& view : views) {
        if (view.kind == NibViewKind::textView && view.controlID &&
            view.controlID->signature == id.signature && view.controlID->id == id.id) {
            return true;
        }
        if (hasTextView(view.subviews, id)) {
            return true;
        }
    }
    return false;
}

bool viewSends(const std::vector<NibView>& views, FourCharCode command) {
    for (const NibView& view : views) {
        if ((view.kind == NibViewKind::pushButton && view.command == command) ||
            viewSends(view.subviews, command)) {
            return true;
        }
    }
    return false;
}

bool itemSends(const std::vector<NibMenuItem>& items, FourCharCode command) {
    for (const NibMenuItem& item : items) {
        if ((!item.separator && item.enabled && item.command == command) ||
            itemSends(item.submenu, command)) {
            return true;
        }
    }
    return false;
}

bool menuBarSends(const NibMenuBar* bar, FourCharCode command) {
    if (!bar) {
        return false;
    }
    for (const NibMenu& menu : bar->menus) {
        if (itemSends(menu.items, command)) {
            return true;
        }
    }
    return false;
}

void checkObjectKinds(const NibModel& nib, const std::string& file, CheckReport& report) {
    if (!nib.menuBar("MenuBar")) {
        report.fail(file,
                    nib.contains("MenuBar") ? "the object MenuBar is not a menu bar"
                                            : "no object named MenuBar",
                    std::string("add a MenuBar object of Class MenuBar; ") + kNibFix);
    }
    for (const char* name : {"MainWindow", "EULAWindow"}) {
        if (!nib.window(name)) {
            report.fail(file,
                        std::string(nib.contains(name) ? "the object " : "no object named ") +
                            name + (nib.contains(name) ? " is not a window" : ""),
                        std::string("add a ") + name + " object of Class Window; " + kNibFix);
        }
    }
}

void checkMainWindow(const NibWindowDescription& window, const std::string& file,
                     CheckReport& report) {
    if (window.width < kFrameWidth || window.height < kFrameHeight) {
        report.fail(file,
                    "MainWindow's content is " + std::to_string(window.width) + " x " +
                        std::to_string(window.height) +
                        ", too small for the storefront's 720 x 540 frames",
                    "make MainWindow's Width at least 720 and its Height at least 540");
    }
}

void checkAgreementWindow(const NibModel& nib, const NibWindowDescription& window,
                          const std::string& file, CheckReport& report) {
    if (!hasTextView(window.views, NibControlID{code("MTXT"), 0})) {
        report.fail(file, "EULAWindow has no TextView with ControlID MTXT / 0",
                    "add a TextView (usually inside a ScrollView) with ControlID Signature "
                    "MTXT and ID 0; the agreement text is read into it");
    }
    const NibMenuBar* bar = nib.menuBar("MenuBar");
    struct Needed {
        const char (&command)[5];
        const char* role;
    };
    for (const Needed& needed : {Needed{"ok  ", "agree"}, Needed{"not!", "decline"}}) {
        FourCharCode command = code(needed.command);
        if (!viewSends(window.views, command) && !menuBarSends(bar, command)) {
            report.fail(file,
                        std::string("nothing in EULAWindow sends '") + needed.command + "' (" +
                            needed.role + ")",
                        std::string("add a PushButton with Command \"") + needed.command +
                            "\" to EULAWindow");
        }
    }
}

} // namespace

void checkNib(const BundlePaths& paths, CheckReport& report) {
    BundleHandle bundle(paths.bundle);
    std::string path = bundle.resourcePath("main", "nib");
    if (path.empty()) {
        report.fail(kNibFile, "missing: the launcher builds its menus and windows from it",
                    std::string("write main.nib; ") + kNibFix);
        return;
    }
    const std::string file = paths.relative(path);
    std::string bytes;
    std::string error;
    if (!readWholeFile(path, kMaxNibFileSize, bytes, error)) {
        report.fail(file, "cannot be read (" + error + ")",
                    "make it a readable property list of at most 4 MB");
        return;
    }
    std::optional<NibModel> nib = parseNib(bytes, error);
    if (!nib) {
        report.fail(file, "does not parse: " + error, std::string("correct it; ") + kNibFix);
        return;
    }
    checkObjectKinds(*nib, file, report);
    if (const NibWindowDescription* main = nib->window("MainWindow")) {
        checkMainWindow(*main, file, report);
    }
    if (const NibWindowDescription* agreement = nib->window("EULAWindow")) {
        checkAgreementWindow(*nib, *agreement, file, report);
    }
    if (!menuBarSends(nib->menuBar("MenuBar"), code("quit"))) {
        report.warn(file, "no menu item sends 'quit', so no key quits the launcher");
    }
}

} // namespace gwbundle
