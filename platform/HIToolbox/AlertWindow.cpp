// Alerts drawn by MacPlatform itself, in the look of the program's own windows: a modal window
// with the alert's icon, the message in bold, the explanation and push buttons, sized to its
// texts and centred on the front window or the screen. It is a window of this process, so it
// never outlives the program.
#include "HIToolbox/AlertWindow.h"
#include "CoreFoundation/CFStringObject.h"
#include "CoreGraphics/CGContextCairo.h"
#include "Display/DisplayBackend.h"
#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace MacPlatform {

namespace {

constexpr int kMargin = 20;
constexpr int kIconSize = 48;
constexpr int kTextWidth = 340;
constexpr int kGap = 10;
constexpr int kButtonHeight = 30;
constexpr int kButtonMinWidth = 90;
constexpr int kButtonPadding = 24;
constexpr const char* kMessageFont = "Helvetica Bold 14";
constexpr const char* kExplanationFont = "Helvetica 12";
// 'alt1' to 'alt4': the alert's buttons by item number.
constexpr UInt32 kFirstButtonCommand = 0x616C7431;

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A layout at 72 dots per inch, one point one pixel as everywhere in MacPlatform.
Layout makeLayout(cairo_t* cr, const std::string& text, const char* font, int width) {
    Layout layout(pango_cairo_create_layout(cr));
    pango_cairo_context_set_resolution(pango_layout_get_context(layout.get()), 72);
    pango_cairo_update_layout(cr, layout.get());
    PangoFontDescription* description = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout.get(), description);
    pango_font_description_free(description);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    if (width > 0) {
        pango_layout_set_width(layout.get(), width * PANGO_SCALE);
    }
    pango_layout_set_text(layout.get(), text.c_str(), -1);
    return layout;
}

int heightOf(const Layout& layout) {
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return height;
}

int widthOf(const Layout& layout) {
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return width;
}

// Stop: a red octagon with a white bar; caution: a yellow triangle with "!"; note: a blue disc
// with "i". A plain alert has none.
void drawIcon(cairo_t* cr, AlertType type, double x, double y) {
    double size = kIconSize;
    double cx = x + size / 2;
    double cy = y + size / 2;
    cairo_save(cr);
    cairo_new_path(cr);
    const char* mark = nullptr;
    if (type == kAlertStopAlert) {
        for (int i = 0; i < 8; ++i) {
            double angle = M_PI / 8 + i * M_PI / 4;
            cairo_line_to(cr, cx + size / 2 * std::cos(angle), cy + size / 2 * std::sin(angle));
        }
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.80, 0.12, 0.10);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, x + size * 0.22, cy - size * 0.08, size * 0.56, size * 0.16);
        cairo_fill(cr);
    } else if (type == kAlertCautionAlert) {
        cairo_move_to(cr, cx, y + 2);
        cairo_line_to(cr, x + size - 1, y + size - 3);
        cairo_line_to(cr, x + 1, y + size - 3);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.96, 0.76, 0.10);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        mark = "!";
    } else if (type == kAlertNoteAlert) {
        cairo_arc(cr, cx, cy, size / 2, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.16, 0.42, 0.80);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        mark = "i";
    }
    if (mark) {
        Layout layout = makeLayout(cr, mark, "Helvetica Bold 28", 0);
        cairo_move_to(cr, cx - widthOf(layout) / 2.0, cy - heightOf(layout) / 2.0 + 3);
        pango_cairo_show_layout(cr, layout.get());
    }
    cairo_restore(cr);
}

struct AlertState {
    const Alert* alert;
    std::optional<DialogItemIndex> answer;
    int textLeft;
};

OSStatus drawContent(EventHandlerCallRef, EventRef event, void* userData) {
    auto* state = static_cast<AlertState*>(userData);
    CGContextRef context = nullptr;
    GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr, sizeof context,
                      nullptr, &context);
    cairo_t* cr = context ? cairoOfContext(context) : nullptr;
    if (!cr) {
        return eventNotHandledErr;
    }
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
    cairo_paint(cr);
    if (state->alert->type != kAlertPlainAlert) {
        drawIcon(cr, state->alert->type, kMargin, kMargin);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    Layout message = makeLayout(cr, state->alert->message, kMessageFont, kTextWidth);
    cairo_move_to(cr, state->textLeft, kMargin);
    pango_cairo_show_layout(cr, message.get());
    if (!state->alert->explanation.empty()) {
        Layout explanation =
            makeLayout(cr, state->alert->explanation, kExplanationFont, kTextWidth);
        cairo_move_to(cr, state->textLeft, kMargin + heightOf(message) + kGap);
        pango_cairo_show_layout(cr, explanation.get());
    }
    cairo_restore(cr);
    return noErr;
}

OSStatus handleCommand(EventHandlerCallRef, EventRef event, void* userData) {
    auto* state = static_cast<AlertState*>(userData);
    HICommand command{};
    if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command,
                          nullptr, &command) != noErr) {
        return eventNotHandledErr;
    }
    UInt32 item = command.commandID - kFirstButtonCommand + 1;
    if (item < 1 || item > 4 || !state->alert->hasButton(static_cast<DialogItemIndex>(item))) {
        return eventNotHandledErr;
    }
    state->answer = static_cast<DialogItemIndex>(item);
    QuitEventLoop(GetCurrentEventLoop());
    return noErr;
}

// The title bar's close button answers as Escape would.
OSStatus handleClose(EventHandlerCallRef, EventRef, void* userData) {
    auto* state = static_cast<AlertState*>(userData);
    const Alert& alert = *state->alert;
    state->answer =
        alert.hasButton(alert.cancelButton) ? alert.cancelButton : alert.unattendedAnswer();
    QuitEventLoop(GetCurrentEventLoop());
    return noErr;
}

// Where the alert's top left corner goes: centred on the front window that is shown, else on
// the screen.
std::pair<int, int> centredOrigin(int width, int height) {
    for (Window* window : Window::frontToBack()) {
        if (window->isVisible()) {
            Rect bounds = window->contentBounds();
            return {(bounds.left + bounds.right - width) / 2,
                    std::max(0, (bounds.top + bounds.bottom - height) / 2)};
        }
    }
    int screenWidth = 0;
    int screenHeight = 0;
    if (!Display::backend().screenSize(&screenWidth, &screenHeight)) {
        return {0, 0};
    }
    return {std::max(0, (screenWidth - width) / 2), std::max(0, (screenHeight - height) / 3)};
}

} // namespace

std::optional<DialogItemIndex> runAlertWindow(const Alert& alert) {
    // Held until the alert's window holds the display itself: the screen's size is known only
    // while the display is up.
    const Display::BackendOperations& display = Display::backend();
    if (!display.hasScreen || !display.start()) {
        return std::nullopt;
    }
    if (!display.hasScreen()) {
        display.stop();
        return std::nullopt;
    }

    // Measure the texts and the buttons on a scratch surface.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* measure = cairo_create(scratch);
    int textHeight = heightOf(makeLayout(measure, alert.message, kMessageFont, kTextWidth));
    if (!alert.explanation.empty()) {
        textHeight +=
            kGap + heightOf(makeLayout(measure, alert.explanation, kExplanationFont, kTextWidth));
    }
    std::vector<std::pair<DialogItemIndex, int>> buttons;
    int buttonsWidth = 0;
    // The Mac's order from the right: the default (OK) button, cancel, then the others.
    for (DialogItemIndex item : {kAlertStdAlertOKButton, kAlertStdAlertCancelButton,
                                 kAlertStdAlertOtherButton, kAlertStdAlertHelpButton}) {
        if (alert.hasButton(item)) {
            int width = std::max(
                kButtonMinWidth,
                widthOf(makeLayout(measure, *alert.buttons[item - 1], kExplanationFont, 0)) +
                    kButtonPadding);
            buttons.push_back({item, width});
            buttonsWidth += width + kGap;
        }
    }
    cairo_destroy(measure);
    cairo_surface_destroy(scratch);

    AlertState state{&alert, std::nullopt,
                     alert.type == kAlertPlainAlert ? kMargin : kMargin + kIconSize + kMargin};
    int width = std::max(state.textLeft + kTextWidth + kMargin, buttonsWidth + 2 * kMargin);
    int top = std::max(textHeight, alert.type == kAlertPlainAlert ? 0 : kIconSize);
    int height = kMargin + top + kMargin + kButtonHeight + kMargin;
    auto [x, y] = centredOrigin(width, height);
    Rect bounds{static_cast<short>(y), static_cast<short>(x), static_cast<short>(y + height),
                static_cast<short>(x + width)};
    WindowRef window = nullptr;
    OSStatus created = CreateNewWindow(kMovableModalWindowClass,
                                       kWindowStandardHandlerAttribute | kWindowCloseBoxAttribute,
                                       &bounds, &window);
    display.stop();
    if (created != noErr) {
        return std::nullopt;
    }

    HIViewRef content = nullptr;
    HIViewFindByID(HIViewGetRoot(window), kHIViewWindowContentID, &content);
    const EventTypeSpec drawEvent[] = {{kEventClassControl, kEventControlDraw}};
    InstallEventHandler(GetControlEventTarget(content), drawContent, 1, drawEvent, &state, nullptr);
    const EventTypeSpec windowEvents[] = {{kEventClassCommand, kEventCommandProcess},
                                          {kEventClassWindow, kEventWindowClose}};
    InstallEventHandler(GetWindowEventTarget(window), handleCommand, 1, windowEvents, &state,
                        nullptr);
    InstallEventHandler(GetWindowEventTarget(window), handleClose, 1, windowEvents + 1, &state,
                        nullptr);

    int right = width - kMargin;
    for (auto [item, buttonWidth] : buttons) {
        Rect place{static_cast<short>(height - kMargin - kButtonHeight),
                   static_cast<short>(right - buttonWidth), static_cast<short>(height - kMargin),
                   static_cast<short>(right)};
        right -= buttonWidth + kGap;
        CFStringRef title = createString(*alert.buttons[item - 1]);
        ControlRef button = nullptr;
        if (CreatePushButtonControl(window, &place, title, &button) == noErr) {
            SetControlCommandID(button, kFirstButtonCommand + item - 1);
            if (item == alert.defaultButton) {
                SetWindowDefaultButton(window, button);
            }
            // With no cancel button, Escape dismisses a one-button alert with its only answer.
            if (item == alert.cancelButton || (alert.cancelButton == 0 && buttons.size() == 1)) {
                SetWindowCancelButton(window, button);
            }
        }
        CFRelease(title);
    }

    ShowWindow(window);
    SelectWindow(window);
    bool quitFromOutside = false;
    while (!state.answer) {
        if (RunCurrentEventLoop(kEventDurationForever) == eventLoopQuitErr && !state.answer) {
            // The program is quitting (SIGTERM's action, a Quit): the alert goes with it.
            quitFromOutside = true;
            state.answer =
                alert.hasButton(alert.cancelButton) ? alert.cancelButton : alert.unattendedAnswer();
        }
    }
    if (Window::fromRef(window)) {
        DisposeWindow(window);
    }
    if (quitFromOutside) {
        // The quit was meant for the loop around the alert.
        QuitApplicationEventLoop();
    }
    return state.answer;
}

} // namespace MacPlatform
