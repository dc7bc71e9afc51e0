// Controls: views with an ID, a command and a highlighted part, the push buttons and static
// texts made from code or from a nib, and the QuickDraw geometry they are placed with.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ControlID {
    OSType signature;
    SInt32 id;
} ControlID;

typedef SInt16 ControlPartCode;

enum { kControlNoPart = 0, kControlButtonPart = 10 };

// No view has the ID asked for. A constant in C++, as the event statuses are.
#ifdef __cplusplus
constexpr OSStatus errUnknownControl = -30584;
#else
enum { errUnknownControl = -30584 };
#endif

// Sent by the standard window handler to the view the mouse comes into and to the one it
// leaves, with the view-local kEventParamMouseLocation; they do not go on to the parents.
enum { kEventControlTrackingAreaEntered = 23, kEventControlTrackingAreaExited = 24 };

// The content view of every window: programs put their views into it.
extern const ControlID kHIViewWindowContentID;

OSStatus SetControlID(ControlRef control, const ControlID* id);
OSStatus GetControlID(ControlRef control, ControlID* outID);
// The first view of the window's tree, depth first, with this ID; errUnknownControl for none.
OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* outControl);

// The command a click on the control sends as kEventCommandProcess (0: none).
OSStatus SetControlCommandID(ControlRef control, UInt32 commandID);
OSStatus GetControlCommandID(ControlRef control, UInt32* outCommandID);

// The frame in the parent's coordinates as a QuickDraw rectangle.
void SetControlBounds(ControlRef control, const Rect* bounds);
Rect* GetControlBounds(ControlRef control, Rect* outBounds);

// The part shown pressed (kControlNoPart: none); a change redraws the control.
void HiliteControl(ControlRef control, ControlPartCode part);
ControlPartCode GetControlHilite(ControlRef control);

// A visible push button in the window's content view (window may be null: the caller adds
// it to a parent). A click, or Return for the default button and Escape for the cancel
// button, sends the button's command as kEventCommandProcess to the button, from where it
// goes on through its parents to the window and the application.
OSStatus CreatePushButtonControl(WindowRef window, const Rect* bounds, CFStringRef title,
                                 ControlRef* outControl);

// Text styles are not offered: the style must be null (paramErr otherwise); the text is drawn
// in the system font, wrapped at the control's width.
typedef struct ControlFontStyleRec ControlFontStyleRec;
OSStatus CreateStaticTextControl(WindowRef window, const Rect* bounds, CFStringRef text,
                                 const ControlFontStyleRec* style, ControlRef* outControl);

// The buttons that Return and Escape click; the window keeps a reference to each. Null clears.
OSStatus SetWindowDefaultButton(WindowRef window, ControlRef control);
OSStatus GetWindowDefaultButton(WindowRef window, ControlRef* outControl);
OSStatus SetWindowCancelButton(WindowRef window, ControlRef control);
OSStatus GetWindowCancelButton(WindowRef window, ControlRef* outControl);

// QuickDraw's point test: the right and bottom edges lie outside the rectangle.
Boolean PtInRect(Point pt, const Rect* r);

#ifdef __cplusplus
}
#endif
