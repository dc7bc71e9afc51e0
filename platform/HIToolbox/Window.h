// A window: a native window of the display, the Cairo surface its content is drawn into, the
// one flipped CoreGraphics context over that surface and the window's event target.
#pragma once

#include "Display/DisplayBackend.h"
#include "HIToolbox/EventTarget.h"

#include <Carbon/HIObject.h>
#include <Carbon/MacWindows.h>
#include <CoreGraphics/CoreGraphics.h>

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace MacPlatform {

// A view a window keeps one reference to, such as its default button.
class HeldView {
public:
    HeldView() = default;
    ~HeldView() { set(nullptr); }
    HeldView(const HeldView&) = delete;
    HeldView& operator=(const HeldView&) = delete;

    HIViewRef get() const { return m_view; }
    void set(HIViewRef view);

private:
    HIViewRef m_view = nullptr;
};

class Window {
public:
    // The window starts hidden. Fails with errUnrecognizedWindowClass, paramErr for an empty
    // rectangle, or windowManagerInternalErr (the display's reason on standard error) when
    // the display cannot start or make the window.
    static OSStatus create(WindowClass windowClass, WindowAttributes attributes,
                           const Rect& contentBounds, Window** outWindow);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowRef ref() const { return reinterpret_cast<WindowRef>(const_cast<Window*>(this)); }
    // The live window behind a reference, or null.
    static Window* fromRef(WindowRef ref);
    // The live window the display's events name, or null.
    static Window* fromDisplayID(std::uint32_t id);
    // Every live window, the frontmost first.
    static const std::vector<Window*>& frontToBack();

    EventTarget& eventTarget() { return m_target; }
    // The number the display's events carry for this window.
    std::uint32_t displayID() const;
    WindowClass windowClass() const { return m_class; }
    WindowAttributes attributes() const { return m_attributes; }

    // Whether the window itself is shown; it is on screen only while its process is shown too.
    bool isVisible() const { return m_visible; }
    void show();
    void hide();
    // Puts the window at the front of the list and, when it is on screen, above other windows.
    void select();

    const std::string& title() const { return m_title; }
    void setTitle(const std::string& utf8);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // The content area in global coordinates.
    Rect contentBounds() const;
    // Takes the content size the display now has: the surface is made again for it and the
    // context draws on the new one.
    OSStatus resized();

    cairo_surface_t* surface() const { return m_surface; }
    // The same context for every drawing of this window.
    CGContextRef context() const { return m_context; }
    // Puts the surface's pixels on the screen.
    OSStatus present();

    // The root of the window's views, made on first use.
    HIViewRef rootView();
    // Asks the event loop to composite the window's views on its next wake.
    void setNeedsCompositing();
    // Whether compositing was asked for since the last call.
    bool takeNeedsCompositing();
    // Fills the content with the document background.
    void paintBackground();

    // The buttons Return and Escape click.
    HeldView& defaultButton() { return m_defaultButton; }
    HeldView& cancelButton() { return m_cancelButton; }
    // The control the mouse went down in, followed until the button comes up, and the view
    // the mouse is over.
    HeldView& trackedControl() { return m_trackedControl; }
    HeldView& hoveredView() { return m_hoveredView; }

    // Marks the window as being disposed of; false when it already is, so that a handler of
    // the closed event that disposes of the window again does not start over.
    bool beginDisposal();

    // What ShowHideProcess and SetFrontProcess do to this process's windows.
    static OSStatus setProcessVisible(bool visible);
    static OSStatus bringProcessToFront();

private:
    Window(WindowClass windowClass, WindowAttributes attributes);
    void updateOnScreen();

    WindowClass m_class;
    WindowAttributes m_attributes;
    EventTarget m_target;
    Display::NativeWindow* m_native = nullptr;
    cairo_surface_t* m_surface = nullptr;
    CGContextRef m_context = nullptr;
    std::string m_title;
    int m_width = 0;
    int m_height = 0;
    bool m_visible = false;
    bool m_onScreen = false;
    bool m_disposing = false;
    bool m_needsCompositing = false;
    HIViewRef m_root = nullptr;
    HeldView m_defaultButton;
    HeldView m_cancelButton;
    HeldView m_trackedControl;
    HeldView m_hoveredView;
};

} // namespace MacPlatform
