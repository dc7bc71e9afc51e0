// Standard alerts: a message, an explanation and up to three buttons, run modally. With a
// display they are the desktop's message boxes; without one they are reported on standard
// error and answered with their default button.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueDialogPtr* DialogRef;
typedef DialogRef DialogPtr;
typedef SInt16 DialogItemIndex;
typedef SInt16 AlertType;
typedef struct EventRecord EventRecord;

// The desktop's message boxes run their own event loop, so a filter is never called.
typedef Boolean (*ModalFilterProcPtr)(DialogRef theDialog, EventRecord* theEvent,
                                      DialogItemIndex* itemHit);
typedef ModalFilterProcPtr ModalFilterUPP;

enum { kAlertStopAlert = 0, kAlertNoteAlert = 1, kAlertCautionAlert = 2, kAlertPlainAlert = 3 };

// The item numbers a run alert answers with.
enum {
    kAlertStdAlertOKButton = 1,
    kAlertStdAlertCancelButton = 2,
    kAlertStdAlertOtherButton = 3,
    kAlertStdAlertHelpButton = 4
};

// Button texts of the Pascal-string alert: these values ask for the standard text, null for no
// button (the OK button is always there).
#define kAlertDefaultOKText ((ConstStringPtr)(-1))
#define kAlertDefaultCancelText ((ConstStringPtr)(-1))
#define kAlertDefaultOtherText ((ConstStringPtr)(-1))

// Positions are the desktop's business; the field is kept for source compatibility.
enum { kWindowDefaultPosition = 0 };

typedef struct AlertStdAlertParamRec {
    Boolean movable;
    Boolean helpButton;
    ModalFilterUPP filterProc;
    ConstStringPtr defaultText;
    ConstStringPtr cancelText;
    ConstStringPtr otherText;
    SInt16 defaultButton;
    SInt16 cancelButton;
    UInt16 position;
} AlertStdAlertParamRec;

enum { kStdCFStringAlertVersionOne = 1 };

typedef struct AlertStdCFStringAlertParamRec {
    UInt32 version;
    Boolean movable;
    Boolean helpButton;
    // Null: "OK" for the default button, no cancel or other button.
    CFStringRef defaultText;
    CFStringRef cancelText;
    CFStringRef otherText;
    SInt16 defaultButton;
    SInt16 cancelButton;
    UInt16 position;
    OptionBits flags;
} AlertStdCFStringAlertParamRec;

// Shows the alert and waits for a button. Texts are Pascal strings (a length byte, then the
// characters, UTF-8 or else MacRoman); the explanation may be null. A null param gives one OK
// button. outItemHit receives kAlertStdAlertOKButton, ...CancelButton or ...OtherButton.
OSErr StandardAlert(AlertType inAlertType, ConstStr255Param inError, ConstStr255Param inExplanation,
                    const AlertStdAlertParamRec* inAlertParam, SInt16* outItemHit);

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version);
// Makes an alert to run with RunStandardAlert, which disposes it; DisposeDialog disposes an
// alert that is not run. The strings are copied.
OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert);
OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit);
void DisposeDialog(DialogRef theDialog);

#ifdef __cplusplus
}
#endif
