// What the control tests share: a shown window of the headless display with the standard
// handler, input posted at it and run through the event loop, and the commands that came out.
#pragma once

#include "Display/Headless/HeadlessDisplay.h"
#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace ControlTests {

inline OSStatus recordCommand(EventHandlerCallRef, EventRef event, void* userData) {
    HICommandExtended command{};
    if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command,
                          nullptr, &command) == noErr) {
        static_cast<std::vector<HICommandExtended>*>(userData)->push_back(command);
    }
    return noErr;
}

class WindowFixture : public ::testing::Test {
protected:
    using Event = MacPlatform::Display::Event;
    using EventType = MacPlatform::Display::EventType;
    // The Mac's key code and character of a key the tests type.
    struct Key {
        int code;
        char character;
    };
    static constexpr Key kReturn{0x24, 0x0D};
    static constexpr Key kEscape{0x35, 0x1B};
    static constexpr Key kEnter{0x4C, 0x03};
    static constexpr Key kLeftArrow{0x7B, 0x1C};

    void SetUp() override {
        Rect bounds{40, 40, 40 + 200, 40 + 300};
        ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, &bounds,
                                  &m_window),
                  noErr);
        ShowWindow(m_window);
        static const EventTypeSpec command{kEventClassCommand, kEventCommandProcess};
        ASSERT_EQ(InstallApplicationEventHandler(recordCommand, 1, &command, &m_commands,
                                                 &m_commandHandler),
                  noErr);
        pump();
    }
    void TearDown() override {
        RemoveEventHandler(m_commandHandler);
        if (m_window) {
            DisposeWindow(m_window);
        }
    }

    HIViewRef content() const {
        HIViewRef view = nullptr;
        EXPECT_EQ(HIViewFindByID(HIViewGetRoot(m_window), kHIViewWindowContentID, &view), noErr);
        return view;
    }
    std::uint32_t windowID() const { return MacPlatform::Window::fromRef(m_window)->displayID(); }
    static void pump() { RunCurrentEventLoop(0); }
    static void post(const Event& event) { MacPlatform::Display::Headless::postEvent(event); }

    // The primary button going down or up at a point of the content.
    void mouseButton(EventType type, int x, int y) const {
        Event event;
        event.type = type;
        event.windowID = windowID();
        event.button = MacPlatform::Display::kPrimaryButton;
        event.clickCount = 1;
        event.chord = type == EventType::MouseDown ? 1 : 0;
        event.x = x;
        event.y = y;
        post(event);
    }
    void mouseMove(int x, int y, bool buttonDown = false) const {
        Event event;
        event.type = EventType::MouseMoved;
        event.windowID = windowID();
        event.chord = buttonDown ? 1 : 0;
        event.x = x;
        event.y = y;
        post(event);
    }
    // A key going down in the window, typing `text` when given.
    void key(Key which, UInt32 modifiers = 0, const std::string& text = {}) const {
        Event event;
        event.type = EventType::KeyDown;
        event.windowID = windowID();
        event.keyCode = which.code;
        event.charCode = which.character;
        event.modifiers = modifiers;
        std::snprintf(event.text, sizeof event.text, "%s", text.c_str());
        post(event);
    }
    void click(int x, int y) const {
        mouseButton(EventType::MouseDown, x, y);
        mouseButton(EventType::MouseUp, x, y);
        pump();
    }
    std::vector<UInt32> commandIDs() const {
        std::vector<UInt32> ids;
        for (const HICommandExtended& command : m_commands) {
            ids.push_back(command.commandID);
        }
        return ids;
    }

    WindowRef m_window = nullptr;
    std::vector<HICommandExtended> m_commands;
    EventHandlerRef m_commandHandler = nullptr;
};

// A new view of the class, initialized with the frame; the caller owns the reference.
inline HIViewRef createView(CFStringRef classID, short left, short top, short width, short height) {
    EventRef initialize = nullptr;
    CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectInitialize, 0, 0, &initialize);
    Rect bounds{top, left, static_cast<short>(top + height), static_cast<short>(left + width)};
    SetEventParameter(initialize, kEventParamBounds, typeQDRectangle, sizeof bounds, &bounds);
    HIObjectRef object = nullptr;
    EXPECT_EQ(HIObjectCreate(classID, initialize, &object), noErr);
    ReleaseEvent(initialize);
    return reinterpret_cast<HIViewRef>(object);
}

// A plain view with the frame, shown, inside parent (which holds the only reference).
inline HIViewRef addPlainView(HIViewRef parent, short left, short top, short width, short height) {
    HIViewRef view = createView(kHIViewClassID, left, top, width, height);
    EXPECT_EQ(HIViewAddSubview(parent, view), noErr);
    CFRelease(view);
    HIViewSetVisible(view, true);
    return view;
}

} // namespace ControlTests
