#include "HIToolbox/Window.h"
#include "CoreFoundation/CFStringObject.h"
#include "CoreGraphics/CGContextCairo.h"
#include "CoreGraphics/FontCaches.h"
#include "HIToolbox/ApplicationIdentity.h"
#include "HIToolbox/ControlTracking.h"
#include "HIToolbox/Cursor.h"
#include "HIToolbox/DisplayEvents.h"
#include "HIToolbox/EventLoop.h"
#include "HIToolbox/HIView.h"
#include "Processes/ProcessVisibility.h"

#include <Carbon/HIView.h>
#include <MacPlatformTesting.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace MacPlatform {

namespace {

// Front to back. Hidden windows keep their place, so showing one again does not reorder.
std::vector<Window*>& windowList() {
    static std::vector<Window*> list;
    return list;
}

// Whether the process is shown, as the display last applied it to the windows.
bool g_processVisible = true;

const ProcessWindowOperations g_processOperations{Window::setProcessVisible,
                                                  Window::bringProcessToFront};

void deliverDisplayEvent(const Display::Event& event) {
    DisplayEvents::deliver(event);
}

// The display runs while there is a window.
bool startDisplay() {
    if (!windowList().empty()) {
        return true;
    }
    if (!Display::backend().start()) {
        return false;
    }
    // A cursor chosen before there was a display shows now; otherwise it is the arrow.
    showThemeCursor();
    g_processVisible = currentProcessVisible();
    registerProcessWindowOperations(&g_processOperations);
    EventLoop::setDisplayEventHandler(deliverDisplayEvent);
    EventLoop::setAfterWakeHandler(HIView::compositeDirtyWindows);
    EventLoop::setDisplayWaitBlocks(Display::backend().waitBlocks());
    return true;
}

void stopDisplayIfUnused() {
    if (!windowList().empty()) {
        return;
    }
    EventLoop::setDisplayWaitBlocks(false);
    EventLoop::setDisplayEventHandler(nullptr);
    EventLoop::setAfterWakeHandler(nullptr);
    registerProcessWindowOperations(nullptr);
    Display::backend().stop();
}

// Content that no view covers shows the document background, as on the Mac, rather than
// whatever the frame buffer held.
void paintSurfaceBackground(cairo_surface_t* surface) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
}

bool isKnownClass(WindowClass windowClass) {
    switch (windowClass) {
    case kAlertWindowClass:
    case kMovableAlertWindowClass:
    case kModalWindowClass:
    case kMovableModalWindowClass:
    case kFloatingWindowClass:
    case kDocumentWindowClass:
    case kUtilityWindowClass:
    case kHelpWindowClass:
    case kSheetWindowClass:
    case kToolbarWindowClass:
    case kPlainWindowClass:
    case kOverlayWindowClass:
    case kSheetAlertWindowClass:
    case kAltPlainWindowClass:
    case kDrawerWindowClass:
        return true;
    default:
        return false;
    }
}

bool isFloatingClass(WindowClass windowClass) {
    return windowClass == kFloatingWindowClass || windowClass == kUtilityWindowClass ||
           windowClass == kHelpWindowClass || windowClass == kToolbarWindowClass;
}

// Sends a window event naming the window as its direct object; the result is the handlers'.
OSStatus sendWindowEvent(Window& window, UInt32 kind) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassWindow, kind, 0, 0, &event);
    if (status != noErr) {
        return status;
    }
    WindowRef ref = window.ref();
    status = SetEventParameter(event, kEventParamDirectObject, typeWindowRef, sizeof ref, &ref);
    if (status == noErr) {
        status = SendEventToEventTarget(event, window.eventTarget().ref());
    }
    ReleaseEvent(event);
    return status;
}

OSStatus closeWindow(EventRef event) {
    WindowRef window = nullptr;
    OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr,
                                        sizeof window, nullptr, &window);
    if (status != noErr) {
        return status;
    }
    if (!Window::fromRef(window)) {
        return errInvalidWindowRef;
    }
    DisposeWindow(window);
    return noErr;
}

// The window whose target the standard handler was installed on, or null for another target.
Window* windowOfTarget(void* target) {
    for (Window* window : Window::frontToBack()) {
        if (window->eventTarget().ref() == static_cast<EventTargetRef>(target)) {
            return window;
        }
    }
    return nullptr;
}

OSStatus standardWindowHandler(EventHandlerCallRef, EventRef event, void* target) {
    switch (GetEventClass(event)) {
    case kEventClassWindow:
        return GetEventKind(event) == kEventWindowClose ? closeWindow(event) : eventNotHandledErr;
    case kEventClassMouse:
        if (Window* window = windowOfTarget(target)) {
            return ControlTracking::handleMouse(*window, event);
        }
        return eventNotHandledErr;
    case kEventClassKeyboard:
        if (Window* window = windowOfTarget(target)) {
            return ControlTracking::handleKey(*window, event);
        }
        return eventNotHandledErr;
    default:
        return eventNotHandledErr;
    }
}

} // namespace

Window::Window(WindowClass windowClass, WindowAttributes attributes)
    : m_class(windowClass), m_attributes(attributes) {
    m_target.setParent(&EventTarget::application());
}

OSStatus Window::create(WindowClass windowClass, WindowAttributes attributes,
                        const Rect& contentBounds, Window** outWindow) {
    *outWindow = nullptr;
    if (!isKnownClass(windowClass)) {
        return errUnrecognizedWindowClass;
    }
    int width = contentBounds.right - contentBounds.left;
    int height = contentBounds.bottom - contentBounds.top;
    if (width <= 0 || height <= 0) {
        return paramErr;
    }
    // Every window shows text: the fonts load on Pango's thread while the display opens.
    startLoadingFonts();
    if (!startDisplay()) {
        // As a Mac application that cannot reach the window server: an application whose
        // windows cannot be shown must not go on running unseen.
        std::fprintf(stderr,
                     "MacPlatform: cannot open the display (%s); the application cannot show "
                     "its windows and ends\n",
                     Display::backend().errorText());
        std::fflush(stdout);
        std::exit(1);
    }
    const Display::BackendOperations& display = Display::backend();
    auto* window = new Window(windowClass, attributes);
    window->m_width = width;
    window->m_height = height;
    window->m_native = display.createWindow(ApplicationIdentity::shownName("").c_str(),
                                            contentBounds.left, contentBounds.top, width, height);
    if (window->m_native) {
        ApplicationIdentity::apply(window->m_native);
        window->m_surface = display.createSurface(window->m_native);
    }
    if (window->m_surface) {
        window->m_context = createContextForWindowSurface(window->m_surface);
    }
    if (!window->m_context) {
        std::fprintf(stderr, "MacPlatform: cannot make a window: %s\n", display.errorText());
        delete window;
        stopDisplayIfUnused();
        return windowManagerInternalErr;
    }
    paintSurfaceBackground(window->m_surface);

    // A new window starts in front of the others, as it will be when it is shown.
    windowList().insert(windowList().begin(), window);
    if (attributes & kWindowStandardHandlerAttribute) {
        InstallStandardEventHandler(window->m_target.ref());
    }
    *outWindow = window;
    return noErr;
}

void HeldView::set(HIViewRef view) {
    if (view) {
        CFRetain(view);
    }
    if (m_view) {
        CFRelease(m_view);
    }
    m_view = view;
}

Window::~Window() {
    m_defaultButton.set(nullptr);
    m_cancelButton.set(nullptr);
    m_trackedControl.set(nullptr);
    m_hoveredView.set(nullptr);
    if (m_root) {
        // The views go first: their destruct handlers may still look at the window.
        CFRelease(m_root);
    }
    auto& list = windowList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (m_context) {
        CGContextRelease(m_context);
    }
    if (m_surface) {
        // The surface may lie over the native window's pixels, and someone may still hold the
        // context: finishing it makes later drawing a harmless no-op instead of a write into
        // freed memory.
        cairo_surface_finish(m_surface);
        cairo_surface_destroy(m_surface);
    }
    if (m_native) {
        Display::backend().destroyWindow(m_native);
    }
}

Window* Window::fromRef(WindowRef ref) {
    const auto& list = windowList();
    auto* window = reinterpret_cast<Window*>(ref);
    return ref && std::find(list.begin(), list.end(), window) != list.end() ? window : nullptr;
}

std::uint32_t Window::displayID() const {
    return Display::backend().windowID(m_native);
}

Window* Window::fromDisplayID(std::uint32_t id) {
    for (Window* window : windowList()) {
        if (window->displayID() == id) {
            return window;
        }
    }
    return nullptr;
}

const std::vector<Window*>& Window::frontToBack() {
    return windowList();
}

void Window::updateOnScreen() {
    bool onScreen = m_visible && g_processVisible;
    if (onScreen == m_onScreen) {
        return;
    }
    m_onScreen = onScreen;
    if (onScreen) {
        Display::backend().show(m_native);
        present();
        // What the surface holds may predate the views' last changes, or the window may never
        // have been drawn at all: the next pass of the loop composites it afresh.
        setNeedsCompositing();
    } else {
        Display::backend().hide(m_native);
    }
}

void Window::show() {
    if (m_visible) {
        return;
    }
    m_visible = true;
    updateOnScreen();
    sendWindowEvent(*this, kEventWindowShown);
}

void Window::hide() {
    if (!m_visible) {
        return;
    }
    m_visible = false;
    updateOnScreen();
    sendWindowEvent(*this, kEventWindowHidden);
}

void Window::select() {
    auto& list = windowList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    if (m_onScreen) {
        Display::backend().raise(m_native);
    }
}

void Window::setTitle(const std::string& utf8) {
    m_title = utf8;
    // The title stays what the program set; the desktop still needs a name to list it by.
    Display::backend().setTitle(m_native, ApplicationIdentity::shownName(m_title).c_str());
}

Rect Window::contentBounds() const {
    int x = 0, y = 0;
    Display::backend().position(m_native, &x, &y);
    return Rect{static_cast<short>(y), static_cast<short>(x), static_cast<short>(y + m_height),
                static_cast<short>(x + m_width)};
}

OSStatus Window::resized() {
    cairo_surface_t* surface = Display::backend().createSurface(m_native);
    if (!surface) {
        return windowManagerInternalErr;
    }
    resetContextForDrawing(m_context, surface);
    cairo_surface_destroy(m_surface);
    m_surface = surface;
    // The content's size in points: the surface's pixels over its device scale.
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(surface, &scaleX, &scaleY);
    m_width = static_cast<int>(cairo_image_surface_get_width(surface) / scaleX);
    m_height = static_cast<int>(cairo_image_surface_get_height(surface) / scaleY);
    // Until the views draw again the new area shows the background, not stale pixels.
    paintSurfaceBackground(m_surface);
    if (m_root) {
        // The root and content views cover the content; setting their frames has the views
        // drawn again.
        HIView::resizeRoot(m_root, m_width, m_height);
    }
    return noErr;
}

OSStatus Window::present() {
    if (!Display::backend().present(m_native, m_surface)) {
        return windowManagerInternalErr;
    }
    return noErr;
}

HIViewRef Window::rootView() {
    if (!m_root) {
        m_root = HIView::createRoot(*this);
    }
    return m_root;
}

void Window::setNeedsCompositing() {
    if (!m_needsCompositing) {
        m_needsCompositing = true;
        EventLoop::wake();
    }
}

bool Window::takeNeedsCompositing() {
    bool needed = m_needsCompositing;
    m_needsCompositing = false;
    return needed;
}

void Window::paintBackground() {
    paintSurfaceBackground(m_surface);
}

bool Window::beginDisposal() {
    if (m_disposing) {
        return false;
    }
    m_disposing = true;
    return true;
}

OSStatus Window::setProcessVisible(bool visible) {
    g_processVisible = visible;
    for (Window* window : windowList()) {
        window->updateOnScreen();
    }
    return noErr;
}

OSStatus Window::bringProcessToFront() {
    for (Window* window : windowList()) {
        if (window->m_onScreen) {
            Display::backend().raise(window->m_native);
            break;
        }
    }
    return noErr;
}

} // namespace MacPlatform

using MacPlatform::Window;

extern "C" {

OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                         const Rect* contentBounds, WindowRef* outWindow) {
    if (!contentBounds || !outWindow) {
        return paramErr;
    }
    Window* window = nullptr;
    OSStatus status = Window::create(windowClass, attributes, *contentBounds, &window);
    *outWindow = window ? window->ref() : nullptr;
    return status;
}

void DisposeWindow(WindowRef ref) {
    Window* window = Window::fromRef(ref);
    if (!window || !window->beginDisposal()) {
        return;
    }
    MacPlatform::sendWindowEvent(*window, kEventWindowClosed);
    delete window;
    MacPlatform::stopDisplayIfUnused();
}

void ShowWindow(WindowRef ref) {
    if (Window* window = Window::fromRef(ref)) {
        window->show();
    }
}

void HideWindow(WindowRef ref) {
    if (Window* window = Window::fromRef(ref)) {
        window->hide();
    }
}

void SelectWindow(WindowRef ref) {
    if (Window* window = Window::fromRef(ref)) {
        window->select();
    }
}

Boolean IsWindowVisible(WindowRef ref) {
    Window* window = Window::fromRef(ref);
    return window && window->isVisible();
}

WindowRef FrontNonFloatingWindow(void) {
    for (Window* window : Window::frontToBack()) {
        if (window->isVisible() && !MacPlatform::isFloatingClass(window->windowClass())) {
            return window->ref();
        }
    }
    return nullptr;
}

Rect* GetWindowPortBounds(WindowRef ref, Rect* outBounds) {
    Window* window = Window::fromRef(ref);
    if (!outBounds) {
        return nullptr;
    }
    *outBounds = Rect{0, 0, 0, 0};
    if (window) {
        outBounds->bottom = static_cast<short>(window->height());
        outBounds->right = static_cast<short>(window->width());
    }
    return outBounds;
}

OSStatus SetWindowTitleWithCFString(WindowRef ref, CFStringRef title) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    const std::string* text = MacPlatform::stringTextIfString(title);
    if (!text) {
        return paramErr;
    }
    window->setTitle(*text);
    return noErr;
}

OSStatus CopyWindowTitleAsCFString(WindowRef ref, CFStringRef* outTitle) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!outTitle) {
        return paramErr;
    }
    *outTitle = CFStringCreateWithCString(nullptr, window->title().c_str(), kCFStringEncodingUTF8);
    return *outTitle ? noErr : memFullErr;
}

OSStatus GetWindowClass(WindowRef ref, WindowClass* outClass) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!outClass) {
        return paramErr;
    }
    *outClass = window->windowClass();
    return noErr;
}

OSStatus GetWindowAttributes(WindowRef ref, WindowAttributes* outAttributes) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!outAttributes) {
        return paramErr;
    }
    *outAttributes = window->attributes();
    return noErr;
}

EventTargetRef GetWindowEventTarget(WindowRef ref) {
    Window* window = Window::fromRef(ref);
    return window ? window->eventTarget().ref() : nullptr;
}

OSStatus InstallStandardEventHandler(EventTargetRef target) {
    static const EventTypeSpec types[] = {
        {kEventClassWindow, kEventWindowClose}, {kEventClassMouse, kEventMouseDown},
        {kEventClassMouse, kEventMouseUp},      {kEventClassMouse, kEventMouseMoved},
        {kEventClassMouse, kEventMouseDragged}, {kEventClassKeyboard, kEventRawKeyDown},
    };
    return InstallEventHandler(target, MacPlatform::standardWindowHandler, GetEventTypeCount(types),
                               types, target, nullptr);
}

OSStatus MacPlatformTestCopyWindowPixels(WindowRef ref, UInt32* buffer, ItemCount capacity,
                                         SInt32* outWidth, SInt32* outHeight) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!outWidth || !outHeight) {
        return paramErr;
    }
    cairo_surface_t* surface = window->surface();
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    *outWidth = width;
    *outHeight = height;
    if (!buffer || capacity < static_cast<ItemCount>(width) * static_cast<ItemCount>(height)) {
        return paramErr;
    }
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = data + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            UInt32 pixel;
            std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
            buffer[static_cast<size_t>(y) * width + x] = pixel & 0x00FFFFFF;
        }
    }
    return noErr;
}

OSStatus MacPlatformTestWriteWindowPNG(WindowRef ref, const char* path) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!path) {
        return paramErr;
    }
    return cairo_surface_write_to_png(window->surface(), path) == CAIRO_STATUS_SUCCESS ? noErr
                                                                                       : ioErr;
}

} // extern "C"
