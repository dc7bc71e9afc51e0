// One standard alert as the alert calls describe it, and the one way all of them are shown.
#pragma once

#include <Carbon/Dialogs.h>

#include <array>
#include <optional>
#include <string>

namespace MacPlatform {

struct Alert {
    AlertType type = kAlertStopAlert;
    std::string message;
    std::string explanation;
    // Texts of the OK, cancel, other and help buttons (item numbers 1 to 4); OK is always there.
    std::array<std::optional<std::string>, 4> buttons{std::string("OK"), std::nullopt, std::nullopt,
                                                      std::nullopt};
    DialogItemIndex defaultButton = kAlertStdAlertOKButton;
    DialogItemIndex cancelButton = 0;

    bool hasButton(DialogItemIndex item) const {
        return item >= 1 && item <= 4 && buttons[static_cast<size_t>(item - 1)].has_value();
    }
    // The button that answers an alert nobody can see: the default one, else the cancel one,
    // else OK.
    DialogItemIndex unattendedAnswer() const;
    // paramErr when the type is unknown or the default or cancel button is one the alert lacks.
    OSStatus validate() const;
};

// Shows the alert modally (timers wait meanwhile) and returns the item number of the button
// that ended it: through the test responder when one is set, else in an alert window of ours
// when the display shows a screen, else as one line on standard error answered without waiting.
DialogItemIndex runAlert(const Alert& alert);

// The one line an alert is reported with when there is no display, without the newline.
std::string alertReportLine(const Alert& alert, DialogItemIndex answer);

} // namespace MacPlatform
