// The Mac's view of a key: its virtual key code, the character it types and the modifier bits.
#include "Display/SDL/SDLBackend.h"

#include <Carbon/CarbonEvents.h>

#include <cctype>
#include <cstring>

namespace MacPlatform::Display::SDL {

std::uint32_t macModifiers(Uint16 modifiers) {
    std::uint32_t mac = 0;
    if (modifiers & KMOD_SHIFT) {
        mac |= shiftKey;
    }
    if (modifiers & KMOD_RSHIFT) {
        mac |= rightShiftKey;
    }
    if (modifiers & KMOD_CTRL) {
        mac |= controlKey;
    }
    if (modifiers & KMOD_RCTRL) {
        mac |= rightControlKey;
    }
    if (modifiers & KMOD_ALT) {
        mac |= optionKey;
    }
    if (modifiers & KMOD_RALT) {
        mac |= rightOptionKey;
    }
    if (modifiers & KMOD_GUI) {
        mac |= cmdKey;
    }
    if (modifiers & KMOD_CAPS) {
        mac |= alphaLock;
    }
    if (modifiers & KMOD_NUM) {
        mac |= kEventKeyModifierNumLockMask;
    }
    return mac;
}

int macKeyCode(SDL_Scancode scancode) {
    switch (scancode) {
    case SDL_SCANCODE_A:
        return 0x00;
    case SDL_SCANCODE_S:
        return 0x01;
    case SDL_SCANCODE_D:
        return 0x02;
    case SDL_SCANCODE_F:
        return 0x03;
    case SDL_SCANCODE_H:
        return 0x04;
    case SDL_SCANCODE_G:
        return 0x05;
    case SDL_SCANCODE_Z:
        return 0x06;
    case SDL_SCANCODE_X:
        return 0x07;
    case SDL_SCANCODE_C:
        return 0x08;
    case SDL_SCANCODE_V:
        return 0x09;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return 0x0A;
    case SDL_SCANCODE_B:
        return 0x0B;
    case SDL_SCANCODE_Q:
        return 0x0C;
    case SDL_SCANCODE_W:
        return 0x0D;
    case SDL_SCANCODE_E:
        return 0x0E;
    case SDL_SCANCODE_R:
        return 0x0F;
    case SDL_SCANCODE_Y:
        return 0x10;
    case SDL_SCANCODE_T:
        return 0x11;
    case SDL_SCANCODE_1:
        return 0x12;
    case SDL_SCANCODE_2:
        return 0x13;
    case SDL_SCANCODE_3:
        return 0x14;
    case SDL_SCANCODE_4:
        return 0x15;
    case SDL_SCANCODE_6:
        return 0x16;
    case SDL_SCANCODE_5:
        return 0x17;
    case SDL_SCANCODE_EQUALS:
        return 0x18;
    case SDL_SCANCODE_9:
        return 0x19;
    case SDL_SCANCODE_7:
        return 0x1A;
    case SDL_SCANCODE_MINUS:
        return 0x1B;
    case SDL_SCANCODE_8:
        return 0x1C;
    case SDL_SCANCODE_0:
        return 0x1D;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0x1E;
    case SDL_SCANCODE_O:
        return 0x1F;
    case SDL_SCANCODE_U:
        return 0x20;
    case SDL_SCANCODE_LEFTBRACKET:
        return 0x21;
    case SDL_SCANCODE_I:
        return 0x22;
    case SDL_SCANCODE_P:
        return 0x23;
    case SDL_SCANCODE_RETURN:
        return 0x24;
    case SDL_SCANCODE_L:
        return 0x25;
    case SDL_SCANCODE_J:
        return 0x26;
    case SDL_SCANCODE_APOSTROPHE:
        return 0x27;
    case SDL_SCANCODE_K:
        return 0x28;
    case SDL_SCANCODE_SEMICOLON:
        return 0x29;
    case SDL_SCANCODE_BACKSLASH:
        return 0x2A;
    case SDL_SCANCODE_COMMA:
        return 0x2B;
    case SDL_SCANCODE_SLASH:
        return 0x2C;
    case SDL_SCANCODE_N:
        return 0x2D;
    case SDL_SCANCODE_M:
        return 0x2E;
    case SDL_SCANCODE_PERIOD:
        return 0x2F;
    case SDL_SCANCODE_TAB:
        return 0x30;
    case SDL_SCANCODE_SPACE:
        return 0x31;
    case SDL_SCANCODE_GRAVE:
        return 0x32;
    case SDL_SCANCODE_BACKSPACE:
        return 0x33;
    case SDL_SCANCODE_ESCAPE:
        return 0x35;
    case SDL_SCANCODE_RGUI:
        return 0x36;
    case SDL_SCANCODE_LGUI:
        return 0x37;
    case SDL_SCANCODE_LSHIFT:
        return 0x38;
    case SDL_SCANCODE_CAPSLOCK:
        return 0x39;
    case SDL_SCANCODE_LALT:
        return 0x3A;
    case SDL_SCANCODE_LCTRL:
        return 0x3B;
    case SDL_SCANCODE_RSHIFT:
        return 0x3C;
    case SDL_SCANCODE_RALT:
        return 0x3D;
    case SDL_SCANCODE_RCTRL:
        return 0x3E;
    case SDL_SCANCODE_F17:
        return 0x40;
    case SDL_SCANCODE_KP_PERIOD:
        return 0x41;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 0x43;
    case SDL_SCANCODE_KP_PLUS:
        return 0x45;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return 0x47;
    case SDL_SCANCODE_VOLUMEUP:
        return 0x48;
    case SDL_SCANCODE_VOLUMEDOWN:
        return 0x49;
    case SDL_SCANCODE_MUTE:
        return 0x4A;
    case SDL_SCANCODE_KP_DIVIDE:
        return 0x4B;
    case SDL_SCANCODE_KP_ENTER:
        return 0x4C;
    case SDL_SCANCODE_KP_MINUS:
        return 0x4E;
    case SDL_SCANCODE_F18:
        return 0x4F;
    case SDL_SCANCODE_F19:
        return 0x50;
    case SDL_SCANCODE_KP_EQUALS:
        return 0x51;
    case SDL_SCANCODE_KP_0:
        return 0x52;
    case SDL_SCANCODE_KP_1:
        return 0x53;
    case SDL_SCANCODE_KP_2:
        return 0x54;
    case SDL_SCANCODE_KP_3:
        return 0x55;
    case SDL_SCANCODE_KP_4:
        return 0x56;
    case SDL_SCANCODE_KP_5:
        return 0x57;
    case SDL_SCANCODE_KP_6:
        return 0x58;
    case SDL_SCANCODE_KP_7:
        return 0x59;
    case SDL_SCANCODE_F20:
        return 0x5A;
    case SDL_SCANCODE_KP_8:
        return 0x5B;
    case SDL_SCANCODE_KP_9:
        return 0x5C;
    case SDL_SCANCODE_F5:
        return 0x60;
    case SDL_SCANCODE_F6:
        return 0x61;
    case SDL_SCANCODE_F7:
        return 0x62;
    case SDL_SCANCODE_F3:
        return 0x63;
    case SDL_SCANCODE_F8:
        return 0x64;
    case SDL_SCANCODE_F9:
        return 0x65;
    case SDL_SCANCODE_F11:
        return 0x67;
    case SDL_SCANCODE_F13:
        return 0x69;
    case SDL_SCANCODE_F16:
        return 0x6A;
    case SDL_SCANCODE_F14:
        return 0x6B;
    case SDL_SCANCODE_F10:
        return 0x6D;
    case SDL_SCANCODE_F12:
        return 0x6F;
    case SDL_SCANCODE_F15:
        return 0x71;
    case SDL_SCANCODE_HELP:
    case SDL_SCANCODE_INSERT:
        return 0x72;
    case SDL_SCANCODE_HOME:
        return 0x73;
    case SDL_SCANCODE_PAGEUP:
        return 0x74;
    case SDL_SCANCODE_DELETE:
        return 0x75;
    case SDL_SCANCODE_F4:
        return 0x76;
    case SDL_SCANCODE_END:
        return 0x77;
    case SDL_SCANCODE_F2:
        return 0x78;
    case SDL_SCANCODE_PAGEDOWN:
        return 0x79;
    case SDL_SCANCODE_F1:
        return 0x7A;
    case SDL_SCANCODE_LEFT:
        return 0x7B;
    case SDL_SCANCODE_RIGHT:
        return 0x7C;
    case SDL_SCANCODE_DOWN:
        return 0x7D;
    case SDL_SCANCODE_UP:
        return 0x7E;
    default:
        return -1;
    }
}

char macCharCode(SDL_Keycode key, Uint16 modifiers) {
    switch (key) {
    case SDLK_RETURN:
        return 0x0D;
    case SDLK_KP_ENTER:
        return 0x03;
    case SDLK_TAB:
        return 0x09;
    case SDLK_BACKSPACE:
        return 0x08;
    case SDLK_ESCAPE:
        return 0x1B;
    case SDLK_DELETE:
        return 0x7F;
    case SDLK_LEFT:
        return 0x1C;
    case SDLK_RIGHT:
        return 0x1D;
    case SDLK_UP:
        return 0x1E;
    case SDLK_DOWN:
        return 0x1F;
    case SDLK_HOME:
        return 0x01;
    case SDLK_END:
        return 0x04;
    case SDLK_HELP:
    case SDLK_INSERT:
        return 0x05;
    case SDLK_PAGEUP:
        return 0x0B;
    case SDLK_PAGEDOWN:
        return 0x0C;
    case SDLK_KP_0:
        return '0';
    case SDLK_KP_1:
        return '1';
    case SDLK_KP_2:
        return '2';
    case SDLK_KP_3:
        return '3';
    case SDLK_KP_4:
        return '4';
    case SDLK_KP_5:
        return '5';
    case SDLK_KP_6:
        return '6';
    case SDLK_KP_7:
        return '7';
    case SDLK_KP_8:
        return '8';
    case SDLK_KP_9:
        return '9';
    case SDLK_KP_PERIOD:
        return '.';
    case SDLK_KP_PLUS:
        return '+';
    case SDLK_KP_MINUS:
        return '-';
    case SDLK_KP_MULTIPLY:
        return '*';
    case SDLK_KP_DIVIDE:
        return '/';
    case SDLK_KP_EQUALS:
        return '=';
    default:
        break;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        // Every function key gives the same character; the key code tells them apart.
        return 0x10;
    }
    if (key < 0x20 || key >= 0x7F) {
        return 0;
    }
    char c = static_cast<char>(key);
    bool shift = modifiers & KMOD_SHIFT;
    if (std::islower(static_cast<unsigned char>(c))) {
        return shift != static_cast<bool>(modifiers & KMOD_CAPS)
                   ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                   : c;
    }
    if (shift) {
        static const char plain[] = "1234567890-=[]\\;',./`";
        static const char shifted[] = "!@#$%^&*()_+{}|:\"<>?~";
        if (const char* at = std::strchr(plain, c)) {
            return shifted[at - plain];
        }
    }
    return c;
}

} // namespace MacPlatform::Display::SDL
