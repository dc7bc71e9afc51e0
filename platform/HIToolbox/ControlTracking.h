// The standard window handler's work with the mouse and the keyboard: a mouse-down asks the
// view under it for the part hit, a control that answers with a part is followed until the
// button comes up and then clicked; Return and Escape click the default and cancel buttons.
#pragma once

#include <Carbon/Controls.h>

namespace MacPlatform {

class Window;

namespace ControlTracking {

// Mouse-down, -dragged, -moved and -up of the window. noErr when a control took the event;
// eventNotHandledErr otherwise, so that the application's handlers still see the rest.
OSStatus handleMouse(Window& window, EventRef event);
// Raw key-down of the window: Return and keypad Enter click the default button, Escape the
// cancel button. eventNotHandledErr for other keys or when there is no such visible button.
OSStatus handleKey(Window& window, EventRef event);
// The mouse left the window: the view it was over is told so.
void mouseLeft(Window& window);
// What a completed click does: kEventControlHit to the control, then its command (if it has
// one) as kEventCommandProcess to the control, from where it goes on through its parents,
// the window and the application. The result is the command handlers' answer, or the hit
// handlers' one for a control without a command.
OSStatus click(HIViewRef control, ControlPartCode part, UInt32 modifiers);

} // namespace ControlTracking

} // namespace MacPlatform
