#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include "HIToolbox/Alert.h"
#include "HIToolbox/EventLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;

namespace {

using Buttons = std::vector<std::optional<std::string>>;

// What a responder saw of one alert, copied while the alert was open.
struct SeenAlert {
    SInt16 type = -1;
    std::string message;
    std::string explanation;
    Buttons buttons;
    SInt16 defaultButton = -1;
    SInt16 cancelButton = -1;
    int modalSessions = 0;
};

SInt16 respond(const MacPlatformTestAlert* alert, void* userData);

// Answers every alert while it exists, noting what it saw.
struct Responder {
    std::vector<SeenAlert> seen;
    SInt16 answer = kAlertStdAlertOKButton;
    Responder() { MacPlatformTestSetAlertResponder(respond, this); }
    ~Responder() { MacPlatformTestSetAlertResponder(nullptr, nullptr); }
};

SInt16 respond(const MacPlatformTestAlert* alert, void* userData) {
    auto* responder = static_cast<Responder*>(userData);
    SeenAlert seen{alert->alertType,
                   alert->message,
                   alert->explanation,
                   {},
                   alert->defaultButton,
                   alert->cancelButton,
                   MacPlatform::EventLoop::modalSessionCount()};
    for (const char* button : alert->buttons) {
        seen.buttons.push_back(button ? std::optional<std::string>(button) : std::nullopt);
    }
    responder->seen.push_back(seen);
    return responder->answer;
}

// A Pascal string of the text.
std::vector<unsigned char> pascal(const std::string& text) {
    std::vector<unsigned char> bytes;
    bytes.reserve(text.size() + 1);
    bytes.push_back(static_cast<unsigned char>(text.size()));
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
    SInt16 hit = 0;
    EXPECT_EQ(StandardAlert(kAlertPlainAlert, message.data(), explanation.data(), nullptr, &hit),
              noErr);
    EXPECT_EQ(hit, kAlertStdAlertOKButton);
    ASSERT_EQ(responder.seen.size(), 1u);
    const SeenAlert& seen = responder.seen[0];
    EXPECT_EQ(
        (std::tuple{seen.type, seen.message, seen.explanation, seen.buttons, seen.defaultButton}),
        (std::tuple{SInt16(kAlertPlainAlert), "Game File Missing"s,
                    "/Apps/X.app/Contents/Resources/Tessaly.dat"s, Buttons{"OK", {}, {}, {}},
                    SInt16(kAlertStdAlertOKButton)}));
    EXPECT_EQ(seen.modalSessions, 1) << "timers wait while the alert is open";
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
    EXPECT_EQ(StandardAlert(kAlertCautionAlert, macRoman, nullptr, &param, &hit), noErr);
    EXPECT_EQ(hit, kAlertStdAlertCancelButton);
    ASSERT_EQ(responder.seen.size(), 2u);
    const SeenAlert& second = responder.seen[1];
    EXPECT_EQ((std::tuple{second.message, second.explanation, second.buttons, second.defaultButton,
                          second.cancelButton}),
              (std::tuple{"Caf\xC3\xA9"s, ""s, Buttons{"OK", "Cancel", "Later", "Help"},
                          SInt16(kAlertStdAlertOtherButton), SInt16(kAlertStdAlertCancelButton)}));
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
    EXPECT_EQ(CreateStandardAlert(kAlertStopAlert, CFSTR("x"), nullptr, nullptr, nullptr),
              paramErr);
    AlertStdCFStringAlertParamRec cfParam{};
    EXPECT_EQ(CreateStandardAlert(kAlertStopAlert, CFSTR("x"), nullptr, &cfParam, &alert), paramErr)
        << "a parameter block without a version";
    EXPECT_EQ(alert, nullptr);
}

TEST(Alert, CreatedAlertsRunOnceWithTheirButtons) {
    Responder responder;
    DialogRef alert = nullptr;
    ASSERT_EQ(CreateStandardAlert(kAlertStopAlert,
                                  CFSTR("Sorry, we only support Mac OS X 10.3 or later"), nullptr,
                                  nullptr, &alert),
              noErr);
    DialogItemIndex hit = 0;
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), noErr);
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_EQ((std::pair{hit, responder.seen[0].message}),
              (std::pair{DialogItemIndex(kAlertStdAlertOKButton),
                         "Sorry, we only support Mac OS X 10.3 or later"s}));
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
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), noErr);
    EXPECT_EQ(hit, kAlertStdAlertCancelButton);
    ASSERT_EQ(responder.seen.size(), 2u);
    EXPECT_EQ(responder.seen[1].buttons, (Buttons{"Agree", "Disagree", {}, {}}));

    // An alert that is never run is disposed, once.
    ASSERT_EQ(CreateStandardAlert(kAlertNoteAlert, CFSTR("Unused"), nullptr, nullptr, &alert),
              noErr);
    DisposeDialog(alert);
    EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), paramErr);
    EXPECT_EQ(responder.seen.size(), 2u);
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
