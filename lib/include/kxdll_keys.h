// Key codes and character codes of the keyboard events a storefront plug-in receives through
// kxdll_HandleMacEvent (see kxdll.h and docs/plugin-guide.md).
//
// A keyboard event has the class kEventClassKeyboard and one of these kinds:
//   kEventRawKeyDown              a key went down
//   kEventRawKeyRepeat            the key is held and repeats
//   kEventRawKeyUp                the key came up
//   kEventRawKeyModifiersChanged  Shift, Control, Alt (Option), Super (Command), Caps Lock or
//                                 Num Lock went down or up; only kEventParamKeyModifiers is set
// Down, repeat and up carry, read with GetEventParameter:
//   kEventParamKeyCode          typeUInt32  the key's virtual key code: kxdll_key_... below,
//                                           the position of the key on a US keyboard, whatever
//                                           the user's layout
//   kEventParamKeyMacCharCodes  typeChar    one byte: the character the key types on a US
//                                           layout with the Shift and Caps Lock state applied
//                                           ('b', 'B', '!'), or kxdll_char_... below for the
//                                           keys that type no printable character; 0 for keys
//                                           that have none (volume keys, F13 and above)
//   kEventParamKeyUnicodes      typeUnicodeText  UTF-16: on key down the text the user's own
//                                           layout typed; otherwise the character above
//   kEventParamKeyModifiers     typeUInt32  shiftKey, controlKey, optionKey, cmdKey (Super),
//                                           alphaLock, rightShiftKey, ... (CarbonEvents.h)
// The modifier keys themselves never arrive as key events, and neither do keys that have no
// code below (Print Screen, Pause, media keys other than the volume keys). A key that is a key
// equivalent of the launcher's menu (Ctrl+Q or Super+Q: Quit) does not arrive as a key either;
// it becomes the menu's command.
//
// Table of the codes (virtual key code, then the character code where the key has a special
// one):
//
//   key              code   char          key              code   char
//   Return           0x24   0x0D          Left arrow       0x7B   0x1C
//   Tab              0x30   0x09          Right arrow      0x7C   0x1D
//   Space            0x31   ' '           Down arrow       0x7D   0x1F
//   Backspace        0x33   0x08          Up arrow         0x7E   0x1E
//   Escape           0x35   0x1B          Home             0x73   0x01
//   Forward delete   0x75   0x7F          End              0x77   0x04
//   Insert, Help     0x72   0x05          Page up          0x74   0x0B
//   Keypad Enter     0x4C   0x03          Page down        0x79   0x0C
//   F1 ... F12       see below  0x10 (all the same: tell them apart by the key code)
//   Letters, digits and punctuation: the codes below; the character is the one typed.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Virtual key codes (kEventParamKeyCode).
enum {
    kxdll_key_A = 0x00,
    kxdll_key_S = 0x01,
    kxdll_key_D = 0x02,
    kxdll_key_F = 0x03,
    kxdll_key_H = 0x04,
    kxdll_key_G = 0x05,
    kxdll_key_Z = 0x06,
    kxdll_key_X = 0x07,
    kxdll_key_C = 0x08,
    kxdll_key_V = 0x09,
    kxdll_key_ISOSection = 0x0A,
    kxdll_key_B = 0x0B,
    kxdll_key_Q = 0x0C,
    kxdll_key_W = 0x0D,
    kxdll_key_E = 0x0E,
    kxdll_key_R = 0x0F,
    kxdll_key_Y = 0x10,
    kxdll_key_T = 0x11,
    kxdll_key_Digit1 = 0x12,
    kxdll_key_Digit2 = 0x13,
    kxdll_key_Digit3 = 0x14,
    kxdll_key_Digit4 = 0x15,
    kxdll_key_Digit6 = 0x16,
    kxdll_key_Digit5 = 0x17,
    kxdll_key_Equal = 0x18,
    kxdll_key_Digit9 = 0x19,
    kxdll_key_Digit7 = 0x1A,
    kxdll_key_Minus = 0x1B,
    kxdll_key_Digit8 = 0x1C,
    kxdll_key_Digit0 = 0x1D,
    kxdll_key_RightBracket = 0x1E,
    kxdll_key_O = 0x1F,
    kxdll_key_U = 0x20,
    kxdll_key_LeftBracket = 0x21,
    kxdll_key_I = 0x22,
    kxdll_key_P = 0x23,
    kxdll_key_Return = 0x24,
    kxdll_key_L = 0x25,
    kxdll_key_J = 0x26,
    kxdll_key_Quote = 0x27,
    kxdll_key_K = 0x28,
    kxdll_key_Semicolon = 0x29,
    kxdll_key_Backslash = 0x2A,
    kxdll_key_Comma = 0x2B,
    kxdll_key_Slash = 0x2C,
    kxdll_key_N = 0x2D,
    kxdll_key_M = 0x2E,
    kxdll_key_Period = 0x2F,
    kxdll_key_Tab = 0x30,
    kxdll_key_Space = 0x31,
    kxdll_key_Grave = 0x32,
    kxdll_key_Backspace = 0x33,
    kxdll_key_Escape = 0x35,
    kxdll_key_F17 = 0x40,
    kxdll_key_KeypadDecimal = 0x41,
    kxdll_key_KeypadMultiply = 0x43,
    kxdll_key_KeypadPlus = 0x45,
    kxdll_key_KeypadClear = 0x47,
    kxdll_key_VolumeUp = 0x48,
    kxdll_key_VolumeDown = 0x49,
    kxdll_key_Mute = 0x4A,
    kxdll_key_KeypadDivide = 0x4B,
    kxdll_key_KeypadEnter = 0x4C,
    kxdll_key_KeypadMinus = 0x4E,
    kxdll_key_F18 = 0x4F,
    kxdll_key_F19 = 0x50,
    kxdll_key_KeypadEquals = 0x51,
    kxdll_key_Keypad0 = 0x52,
    kxdll_key_Keypad1 = 0x53,
    kxdll_key_Keypad2 = 0x54,
    kxdll_key_Keypad3 = 0x55,
    kxdll_key_Keypad4 = 0x56,
    kxdll_key_Keypad5 = 0x57,
    kxdll_key_Keypad6 = 0x58,
    kxdll_key_Keypad7 = 0x59,
    kxdll_key_F20 = 0x5A,
    kxdll_key_Keypad8 = 0x5B,
    kxdll_key_Keypad9 = 0x5C,
    kxdll_key_F5 = 0x60,
    kxdll_key_F6 = 0x61,
    kxdll_key_F7 = 0x62,
    kxdll_key_F3 = 0x63,
    kxdll_key_F8 = 0x64,
    kxdll_key_F9 = 0x65,
    kxdll_key_F11 = 0x67,
    kxdll_key_F13 = 0x69,
    kxdll_key_F16 = 0x6A,
    kxdll_key_F14 = 0x6B,
    kxdll_key_F10 = 0x6D,
    kxdll_key_F12 = 0x6F,
    kxdll_key_F15 = 0x71,
    kxdll_key_Help = 0x72,
    kxdll_key_Home = 0x73,
    kxdll_key_PageUp = 0x74,
    kxdll_key_ForwardDelete = 0x75,
    kxdll_key_F4 = 0x76,
    kxdll_key_End = 0x77,
    kxdll_key_F2 = 0x78,
    kxdll_key_PageDown = 0x79,
    kxdll_key_F1 = 0x7A,
    kxdll_key_LeftArrow = 0x7B,
    kxdll_key_RightArrow = 0x7C,
    kxdll_key_DownArrow = 0x7D,
    kxdll_key_UpArrow = 0x7E,
};

// Character codes (kEventParamKeyMacCharCodes) of the keys that type no printable character.
enum {
    kxdll_char_Home = 0x01,
    kxdll_char_Enter = 0x03,
    kxdll_char_End = 0x04,
    kxdll_char_Help = 0x05,
    kxdll_char_Backspace = 0x08,
    kxdll_char_Tab = 0x09,
    kxdll_char_PageUp = 0x0B,
    kxdll_char_PageDown = 0x0C,
    kxdll_char_Return = 0x0D,
    kxdll_char_FunctionKey = 0x10,
    kxdll_char_Escape = 0x1B,
    kxdll_char_LeftArrow = 0x1C,
    kxdll_char_RightArrow = 0x1D,
    kxdll_char_UpArrow = 0x1E,
    kxdll_char_DownArrow = 0x1F,
    kxdll_char_ForwardDelete = 0x7F
};

#ifdef __cplusplus
}
#endif
