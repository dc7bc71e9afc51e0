// What the control tests share: a shown window on SDL's dummy driver with the standard handler,
// SDL input pushed at it and run through the event loop, and the commands that came out.
#pragma once

#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
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
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
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
        SDL_SetModState(KMOD_NONE);
    }

    HIViewRef content() const {
        HIViewRef view = nullptr;
        EXPECT_EQ(HIViewFindByID(HIViewGetRoot(m_window), kHIViewWindowContentID, &view), noErr);
        return view;
    }
    Uint32 windowID() const { return MacPlatform::Window::fromRef(m_window)->displayID(); }
    static void pump() { RunCurrentEventLoop(0); }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    void mouseButton(Uint32 type, int x, int y) const {
        SDL_Event event{};
        event.button.type = type;
        event.button.windowID = windowID();
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        event.button.x = x;
        event.button.y = y;
        push(event);
    }
    void mouseMove(int x, int y, bool buttonDown = false) const {
        SDL_Event event{};
        event.motion.type = SDL_MOUSEMOTION;
        event.motion.windowID = windowID();
        event.motion.state = buttonDown ? SDL_BUTTON_LMASK : 0;
        event.motion.x = x;
        event.motion.y = y;
        push(event);
    }
    void key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE) const {
        SDL_Event event{};
        event.key.type = type;
        event.key.windowID = windowID();
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = mod;
        push(event);
    }
    void click(int x, int y) const {
        mouseButton(SDL_MOUSEBUTTONDOWN, x, y);
        mouseButton(SDL_MOUSEBUTTONUP, x, y);
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
