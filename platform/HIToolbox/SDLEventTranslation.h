// SDL's window, mouse and keyboard events as the Carbon events a window's handlers expect.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <SDL2/SDL.h>

namespace MacPlatform::SDLEventTranslation {

// Sends the Carbon event that the SDL event stands for to the target of the window it names
// (keyboard events without a window go to the front window, else to the application).
// Returns the handlers' result, or eventNotHandledErr for an event with no Carbon meaning or
// for a window that is gone.
OSStatus deliver(const SDL_Event& event);

// The Mac's virtual key code of a key by its position on the keyboard; -1 for a key the Mac
// keyboard does not have.
int macKeyCode(SDL_Scancode scancode);
// The character a Mac keyboard with the US layout gives for the key, MacRoman; 0 for none.
char macCharCode(SDL_Keycode key, Uint16 modifiers);
// kEventParamKeyModifiers for SDL's modifier state.
UInt32 macModifiers(Uint16 modifiers);

} // namespace MacPlatform::SDLEventTranslation
