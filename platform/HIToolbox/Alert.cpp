#include "Alert.h"
#include "AlertWindow.h"
#include "Display/DisplayBackend.h"
#include "EventLoop.h"

#include <MacPlatformTesting.h>

#include <cstdio>
#include <vector>

namespace MacPlatform {

namespace {

MacPlatformTestAlertResponder g_responder = nullptr;
void* g_responderData = nullptr;

// Timers must not fire behind an open alert: the launcher's timers assume nothing else runs
// while the user decides.
class ModalSession {
public:
    ModalSession() { EventLoop::beginModalSession(); }
    ~ModalSession() { EventLoop::endModalSession(); }
    ModalSession(const ModalSession&) = delete;
    ModalSession& operator=(const ModalSession&) = delete;
};

const char* typeName(AlertType type) {
    switch (type) {
    case kAlertStopAlert:
        return "stop";
    case kAlertNoteAlert:
        return "note";
    case kAlertCautionAlert:
        return "caution";
    default:
        return "plain";
    }
}

// A report line must stay one line whatever the texts hold.
std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return line;
}

DialogItemIndex askResponder(const Alert& alert) {
    MacPlatformTestAlert seen{};
    seen.alertType = alert.type;
    seen.message = alert.message.c_str();
    seen.explanation = alert.explanation.c_str();
    for (size_t i = 0; i < alert.buttons.size(); ++i) {
        seen.buttons[i] = alert.buttons[i] ? alert.buttons[i]->c_str() : nullptr;
    }
    seen.defaultButton = alert.defaultButton;
    seen.cancelButton = alert.cancelButton;
    return g_responder(&seen, g_responderData);
}

} // namespace

DialogItemIndex Alert::unattendedAnswer() const {
    if (hasButton(defaultButton)) {
        return defaultButton;
    }
    if (hasButton(cancelButton)) {
        return cancelButton;
    }
    return kAlertStdAlertOKButton;
}

OSStatus Alert::validate() const {
    if (type < kAlertStopAlert || type > kAlertPlainAlert) {
        return paramErr;
    }
    if ((defaultButton != 0 && !hasButton(defaultButton)) ||
        (cancelButton != 0 && !hasButton(cancelButton))) {
        return paramErr;
    }
    return noErr;
}

std::string alertReportLine(const Alert& alert, DialogItemIndex answer) {
    std::string line =
        std::string("MacPlatform alert (") + typeName(alert.type) + "): " + oneLine(alert.message);
    if (!alert.explanation.empty()) {
        line += " - " + oneLine(alert.explanation);
    }
    line += " [";
    const char* separator = "";
    for (DialogItemIndex item = 1; item <= 4; ++item) {
        if (alert.hasButton(item)) {
            line += separator + oneLine(*alert.buttons[static_cast<size_t>(item - 1)]);
            separator = ", ";
        }
    }
    line += "] answered: " + oneLine(*alert.buttons[static_cast<size_t>(answer - 1)]);
    return line;
}

DialogItemIndex runAlert(const Alert& alert) {
    ModalSession session;
    if (g_responder) {
        return askResponder(alert);
    }
    if (std::optional<DialogItemIndex> chosen = runAlertWindow(alert)) {
        return *chosen;
    }
    DialogItemIndex answer = alert.unattendedAnswer();
    std::fprintf(stderr, "%s\n", alertReportLine(alert, answer).c_str());
    return answer;
}

} // namespace MacPlatform

extern "C" void MacPlatformTestSetAlertResponder(MacPlatformTestAlertResponder responder,
                                                 void* userData) {
    MacPlatform::g_responder = responder;
    MacPlatform::g_responderData = userData;
}
