// What the window, view and control tests share: a shown window of the headless display with the
// standard handler, input posted at it and run through the event loop, the commands that came
// out, the window's pixels, and geometry in a form whose failures print both sides.
#pragma once

#include "Display/Headless/HeadlessDisplay.h"
#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace ControlTests {

using Edges = std::array<int, 4>; // top, left, bottom, right, as a QuickDraw Rect
using XY = std::array<double, 2>;

inline Edges edges(const Rect& r) {
    return {r.top, r.left, r.bottom, r.right};
}
inline XY xy(const HIPoint& point) {
    return {point.x, point.y};
}

// The window's content as 0xRRGGBB, row by row; width() of the row in *outWidth.
inline std::vector<UInt32> windowPixels(WindowRef window, SInt32* outWidth = nullptr) {
    SInt32 width = 0, height = 0;
    MacPlatformTestCopyWindowPixels(window, nullptr, 0, &width, &height);
    std::vector<UInt32> pixels(static_cast<size_t>(width * height));
    EXPECT_EQ(
        MacPlatformTestCopyWindowPixels(window, pixels.data(), pixels.size(), &width, &height),
        noErr);
    if (outWidth) {
        *outWidth = width;
    }
    return pixels;
}
inline UInt32 windowPixel(WindowRef window, int x, int y) {
    SInt32 width = 0;
    std::vector<UInt32> pixels = windowPixels(window, &width);
    return pixels.at(static_cast<size_t>(y * width + x));
}

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
    static std::uint32_t idOf(WindowRef window) {
        return MacPlatform::Window::fromRef(window)->displayID();
    }
    std::uint32_t windowID() const { return idOf(m_window); }
    static void pump() { RunCurrentEventLoop(0); }
    static void post(const Event& event) { MacPlatform::Display::Headless::postEvent(event); }
    UInt32 pixel(int x, int y) const { return windowPixel(m_window, x, y); }

    // The primary button going down or up, or the mouse moving (with the button held when
    // `held`), at a point of the window's content.
    void mouse(EventType type, int x, int y, bool held = false, WindowRef window = nullptr) const {
        bool button = type != EventType::MouseMoved;
        post({.type = type,
              .windowID = idOf(window ? window : m_window),
              .x = x,
              .y = y,
              .button = button ? MacPlatform::Display::kPrimaryButton : 0,
              .clickCount = button ? 1 : 0,
              .chord = held || type == EventType::MouseDown ? 1u : 0u});
    }
    // A key going down in the window, typing `text` when given.
    void key(Key which, UInt32 modifiers = 0, const std::string& text = {},
             WindowRef window = nullptr) const {
        Event event{.type = EventType::KeyDown,
                    .windowID = idOf(window ? window : m_window),
                    .modifiers = modifiers,
                    .keyCode = which.code,
                    .charCode = which.character};
        std::snprintf(event.text, sizeof event.text, "%s", text.c_str());
        post(event);
    }
    void click(int x, int y, WindowRef window = nullptr) const {
        mouse(EventType::MouseDown, x, y, true, window);
        mouse(EventType::MouseUp, x, y, false, window);
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

// A view of the class with the frame, shown, inside parent (which holds the only reference).
inline HIViewRef addView(HIViewRef parent, short left, short top, short width, short height,
                         CFStringRef classID = kHIViewClassID) {
    HIViewRef view = createView(classID, left, top, width, height);
    EXPECT_EQ(HIViewAddSubview(parent, view), noErr);
    CFRelease(view);
    HIViewSetVisible(view, true);
    return view;
}

} // namespace ControlTests
