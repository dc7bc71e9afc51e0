// The Mac's alert calls over MacPlatform::Alert: Pascal-string and CFString texts, button
// parameters, and the dialog references of CreateStandardAlert.
#include "Alert.h"

#include "CoreFoundation/CFStringObject.h"
#include "CoreFoundation/TextEncoding.h"

#include <memory>
#include <unordered_set>

using MacPlatform::Alert;

namespace {

const CFStringRef kStandardText = reinterpret_cast<CFStringRef>(-1);

// Alerts made but not yet run or disposed, so that a stale DialogRef is refused.
std::unordered_set<const Alert*>& liveAlerts() {
    static auto* alerts = new std::unordered_set<const Alert*>;
    return *alerts;
}

Alert* alertFromRef(DialogRef ref) {
    auto* alert = reinterpret_cast<Alert*>(ref);
    return alert && liveAlerts().count(alert) ? alert : nullptr;
}

// Pascal strings hold UTF-8 when the bytes are valid UTF-8, otherwise MacRoman.
std::string textOfPascal(ConstStringPtr text) {
    if (!text) {
        return {};
    }
    std::string_view bytes(reinterpret_cast<const char*>(text + 1), text[0]);
    return MacPlatform::isValidUTF8(bytes) ? std::string(bytes)
                                           : MacPlatform::macRomanToUTF8(bytes);
}

std::optional<std::string> buttonOfPascal(ConstStringPtr text, ConstStringPtr standardMarker,
                                          const char* standardText) {
    if (!text) {
        return std::nullopt;
    }
    if (text == standardMarker) {
        return std::string(standardText);
    }
    return textOfPascal(text);
}

std::optional<std::string> buttonOfCFString(CFStringRef text, const char* standardText) {
    if (!text) {
        return std::nullopt;
    }
    if (text == kStandardText) {
        return std::string(standardText);
    }
    return MacPlatform::stringText(text);
}

bool isStringOrNull(CFStringRef text) {
    return !text || text == kStandardText || CFGetTypeID(text) == CFStringGetTypeID();
}

} // namespace

extern "C" {

OSErr StandardAlert(AlertType inAlertType, ConstStr255Param inError, ConstStr255Param inExplanation,
                    const AlertStdAlertParamRec* inAlertParam, SInt16* outItemHit) {
    if (!inError) {
        return paramErr;
    }
    Alert alert;
    alert.type = inAlertType;
    alert.message = textOfPascal(inError);
    alert.explanation = textOfPascal(inExplanation);
    if (inAlertParam) {
        // The OK button is always there; a null text keeps its standard one.
        alert.buttons[0] =
            inAlertParam->defaultText && inAlertParam->defaultText != kAlertDefaultOKText
                ? textOfPascal(inAlertParam->defaultText)
                : std::string("OK");
        alert.buttons[1] =
            buttonOfPascal(inAlertParam->cancelText, kAlertDefaultCancelText, "Cancel");
        alert.buttons[2] =
            buttonOfPascal(inAlertParam->otherText, kAlertDefaultOtherText, "Don't Save");
        if (inAlertParam->helpButton) {
            alert.buttons[3] = std::string("Help");
        }
        alert.defaultButton = inAlertParam->defaultButton;
        alert.cancelButton = inAlertParam->cancelButton;
    }
    OSStatus status = alert.validate();
    if (status != noErr) {
        return static_cast<OSErr>(status);
    }
    DialogItemIndex hit = MacPlatform::runAlert(alert);
    if (outItemHit) {
        *outItemHit = hit;
    }
    return noErr;
}

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version) {
    if (!param || version != kStdCFStringAlertVersionOne) {
        return paramErr;
    }
    *param = AlertStdCFStringAlertParamRec{};
    param->version = version;
    param->defaultButton = kAlertStdAlertOKButton;
    param->position = kWindowDefaultPosition;
    return noErr;
}

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert) {
    if (!outAlert || !error || error == kStandardText || !isStringOrNull(error) ||
        explanation == kStandardText || !isStringOrNull(explanation)) {
        return paramErr;
    }
    *outAlert = nullptr;
    auto alert = std::make_unique<Alert>();
    alert->type = alertType;
    alert->message = MacPlatform::stringText(error);
    alert->explanation = explanation ? MacPlatform::stringText(explanation) : std::string();
    if (param) {
        if (param->version != kStdCFStringAlertVersionOne || !isStringOrNull(param->defaultText) ||
            !isStringOrNull(param->cancelText) || !isStringOrNull(param->otherText)) {
            return paramErr;
        }
        alert->buttons[0] = buttonOfCFString(param->defaultText, "OK").value_or("OK");
        alert->buttons[1] = buttonOfCFString(param->cancelText, "Cancel");
        alert->buttons[2] = buttonOfCFString(param->otherText, "Don't Save");
        if (param->helpButton) {
            alert->buttons[3] = std::string("Help");
        }
        alert->defaultButton = param->defaultButton;
        alert->cancelButton = param->cancelButton;
    }
    OSStatus status = alert->validate();
    if (status != noErr) {
        return status;
    }
    liveAlerts().insert(alert.get());
    *outAlert = reinterpret_cast<DialogRef>(alert.release());
    return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit) {
    (void)filterProc; // The desktop's message box has no events to filter.
    Alert* alert = alertFromRef(inAlert);
    if (!alert) {
        return paramErr;
    }
    // Running an alert uses it up, as on the Mac.
    liveAlerts().erase(alert);
    std::unique_ptr<Alert> owned(alert);
    DialogItemIndex hit = MacPlatform::runAlert(*owned);
    if (outItemHit) {
        *outItemHit = hit;
    }
    return noErr;
}

void DisposeDialog(DialogRef theDialog) {
    Alert* alert = alertFromRef(theDialog);
    if (alert) {
        liveAlerts().erase(alert);
        delete alert;
    }
}

} // extern "C"
