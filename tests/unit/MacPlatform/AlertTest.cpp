// Standard alerts as the responder of the tests sees them while they are open: their texts,
// buttons and answers, the alerts refused before anything is shown, and created alerts.
#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include "HIToolbox/Alert.h"
#include "HIToolbox/EventLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SInt16 respond(const MacPlatformTestAlert* alert, void* userData);

// Answers every alert while it exists, noting what it saw as one line: type, message,
// explanation, the four buttons ("-" for none), default and cancel button, and the modal
// sessions open meanwhile (timers wait while an alert is open).
struct Responder {
    std::vector<std::string> seen;
    SInt16 answer = kAlertStdAlertOKButton;
    Responder() { MacPlatformTestSetAlertResponder(respond, this); }
    ~Responder() { MacPlatformTestSetAlertResponder(nullptr, nullptr); }
};

SInt16 respond(const MacPlatformTestAlert* alert, void* userData) {
    auto* responder = static_cast<Responder*>(userData);
    std::string line = std::to_string(alert->alertType) + " '" + alert->message + "' '" +
                       alert->explanation + "' [";
    for (int i = 0; i < 4; ++i) {
        line += std::string(i ? "," : "") + (alert->buttons[i] ? alert->buttons[i] : "-");
    }
    line += "] " + std::to_string(alert->defaultButton) + " " +
            std::to_string(alert->cancelButton) + " modal " +
            std::to_string(MacPlatform::EventLoop::modalSessionCount());
    responder->seen.push_back(line);
    return responder->answer;
}

// A Pascal string of the text.
std::vector<unsigned char> pascal(const std::string& text) {
    std::vector<unsigned char> bytes(1, static_cast<unsigned char>(text.size()));
    for (char c : text) {
        bytes.push_back(static_cast<unsigned char>(c));
    }
    return bytes;
}

} // namespace

TEST(Alert, StandardAlertShowsPascalTextsAndReturnsTheButtonHit) {
    Responder responder;
    auto message = pascal("Game File Missing");
    auto explanation = pascal("/Apps/X.app/Contents/Resources/Tessaly.dat");
    SInt16 hit = 0, second = 0;
    EXPECT_EQ(StandardAlert(kAlertPlainAlert, message.data(), explanation.data(), nullptr, &hit),
              noErr);
    EXPECT_EQ(MacPlatform::EventLoop::modalSessionCount(), 0);

    // MacRoman text that is not UTF-8 ("Caf\x8E" is "Café"); an explanation may be absent.
    const unsigned char macRoman[] = {4, 'C', 'a', 'f', 0x8E};
    responder.answer = kAlertStdAlertCancelButton;
    AlertStdAlertParamRec param{};
    param.defaultText = kAlertDefaultOKText;
    param.cancelText = kAlertDefaultCancelText;
    auto other = pascal("Later");
    param.otherText = other.data();
    param.helpButton = true;
    param.defaultButton = kAlertStdAlertOtherButton;
    param.cancelButton = kAlertStdAlertCancelButton;
    EXPECT_EQ(StandardAlert(kAlertCautionAlert, macRoman, nullptr, &param, &second), noErr);
    EXPECT_EQ((std::pair{hit, second}),
              (std::pair<SInt16, SInt16>{kAlertStdAlertOKButton, kAlertStdAlertCancelButton}));
    EXPECT_EQ(responder.seen,
              (std::vector<std::string>{
                  "3 'Game File Missing' '/Apps/X.app/Contents/Resources/Tessaly.dat' "
                  "[OK,-,-,-] 1 0 modal 1",
                  "2 'Caf\xC3\xA9' '' [OK,Cancel,Later,Help] 3 2 modal 1"}));
}

TEST(Alert, RefusesAlertsItCannotShowWithoutShowingThem) {
    Responder responder;
    auto message = pascal("Message");
    SInt16 hit = 99;
    EXPECT_EQ(StandardAlert(7, message.data(), nullptr, nullptr, &hit), paramErr);
    AlertStdAlertParamRec param{};
    param.defaultButton = kAlertStdAlertCancelButton; // but no cancel text
    EXPECT_EQ(StandardAlert(kAlertNoteAlert, message.data(), nullptr, &param, &hit), paramErr);
    EXPECT_EQ(hit, 99);
    EXPECT_TRUE(responder.seen.empty());
    EXPECT_EQ(MacPlatform::EventLoop::modalSessionCount(), 0);

    DialogRef alert = nullptr;
    AlertStdCFStringAlertParamRec cfParam{};
    EXPECT_EQ(CreateStandardAlert(kAlertStopAlert, CFSTR("x"), nullptr, &cfParam, &alert), paramErr)
        << "a parameter block without a version";
    EXPECT_EQ(alert, nullptr);
}

TEST(Alert, CreatedAlertsRunOnceWithTheirButtons) {
    Responder responder;
    DialogRef alert = nullptr;
    ASSERT_EQ(CreateStandardAlert(kAlertStopAlert, CFSTR("Sorry"), nullptr, nullptr, &alert),
              noErr);
    DialogItemIndex hit = 0, second = 0;
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), noErr);
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), paramErr) << "running disposed it";

    AlertStdCFStringAlertParamRec param;
    ASSERT_EQ(GetStandardAlertDefaultParams(&param, kStdCFStringAlertVersionOne), noErr);
    param.defaultText = CFSTR("Agree");
    param.cancelText = CFSTR("Disagree");
    param.cancelButton = kAlertStdAlertCancelButton;
    responder.answer = kAlertStdAlertCancelButton;
    ASSERT_EQ(CreateStandardAlert(kAlertNoteAlert, CFSTR("License"), CFSTR("Do you agree?"), &param,
                                  &alert),
              noErr);
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &second), noErr);
    // An alert that is never run is disposed, once.
    ASSERT_EQ(CreateStandardAlert(kAlertNoteAlert, CFSTR("Unused"), nullptr, nullptr, &alert),
              noErr);
    DisposeDialog(alert);
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), paramErr);

    EXPECT_EQ((std::pair{hit, second}), (std::pair<DialogItemIndex, DialogItemIndex>{
                                            kAlertStdAlertOKButton, kAlertStdAlertCancelButton}));
    EXPECT_EQ(responder.seen, (std::vector<std::string>{
                                  "0 'Sorry' '' [OK,-,-,-] 1 0 modal 1",
                                  "1 'License' 'Do you agree?' [Agree,Disagree,-,-] 1 2 modal 1"}));
}

// Without a display the alert is one line on standard error (the launcher's start-up tests read
// it), answered by the button an unattended user would choose.
TEST(Alert, UnattendedAnswerPrefersDefaultThenCancelThenOK) {
    MacPlatform::Alert alert;
    alert.buttons[1] = std::string("Cancel");
    alert.buttons[2] = std::string("Other");
    alert.defaultButton = kAlertStdAlertOtherButton;
    alert.cancelButton = kAlertStdAlertCancelButton;
    EXPECT_EQ(alert.unattendedAnswer(), kAlertStdAlertOtherButton);
    alert.defaultButton = 0;
    EXPECT_EQ(alert.unattendedAnswer(), kAlertStdAlertCancelButton);
    alert.cancelButton = 0;
    EXPECT_EQ(alert.unattendedAnswer(), kAlertStdAlertOKButton);
}
