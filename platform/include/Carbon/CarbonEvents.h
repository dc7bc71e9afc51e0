// The Carbon event model: events with typed parameters, event targets with handler stacks, the
// application event loop and its timers. Everything here belongs to the main thread.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CFBase.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long ByteCount;

typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventLoopRef* EventLoopRef;
typedef struct OpaqueEventLoopTimerRef* EventLoopTimerRef;

// Times and durations are in seconds; event times count from system start-up.
typedef double EventTime;
typedef EventTime EventTimeout;
typedef EventTime EventTimerInterval;

#define kEventDurationSecond ((EventTime)1.0)
#define kEventDurationMillisecond ((EventTime)(kEventDurationSecond / 1000))
#define kEventDurationMicrosecond ((EventTime)(kEventDurationSecond / 1000000))
#define kEventDurationNanosecond ((EventTime)(kEventDurationSecond / 1000000000))
#define kEventDurationMinute ((EventTime)(kEventDurationSecond * 60))
#define kEventDurationHour ((EventTime)(kEventDurationMinute * 60))
#define kEventDurationDay ((EventTime)(kEventDurationHour * 24))
#define kEventDurationNoWait ((EventTime)0.0)
#define kEventDurationForever ((EventTime)(-1.0))

typedef UInt32 EventParamName;
typedef UInt32 EventParamType;
typedef UInt32 EventAttributes;
typedef UInt16 EventMouseButton;
typedef UInt16 EventMouseWheelAxis;

typedef struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
} EventTypeSpec;

#define GetEventTypeCount(t) ((ItemCount)(sizeof(t) / sizeof((t)[0])))

typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;
typedef void (*EventLoopTimerProcPtr)(EventLoopTimerRef inTimer, void* inUserData);
typedef EventLoopTimerProcPtr EventLoopTimerUPP;

// In C++ these are OSStatus constants rather than enumerators, so that a handler may answer
// `handled ? noErr : eventNotHandledErr` without mixing two enumeration types.
#ifdef __cplusplus
constexpr OSStatus eventAlreadyPostedErr = -9860;
constexpr OSStatus eventTargetBusyErr = -9861;
constexpr OSStatus eventClassInvalidErr = -9862;
constexpr OSStatus eventClassIncorrectErr = -9864;
constexpr OSStatus eventHandlerAlreadyInstalledErr = -9866;
constexpr OSStatus eventInternalErr = -9868;
constexpr OSStatus eventKindIncorrectErr = -9869;
constexpr OSStatus eventParameterNotFoundErr = -9870;
constexpr OSStatus eventNotHandledErr = -9874;
constexpr OSStatus eventLoopTimedOutErr = -9875;
constexpr OSStatus eventLoopQuitErr = -9876;
constexpr OSStatus errAECoercionFail = -1700;
#else
enum {
    eventAlreadyPostedErr = -9860,
    eventTargetBusyErr = -9861,
    eventClassInvalidErr = -9862,
    eventClassIncorrectErr = -9864,
    eventHandlerAlreadyInstalledErr = -9866,
    eventInternalErr = -9868,
    eventKindIncorrectErr = -9869,
    eventParameterNotFoundErr = -9870,
    eventNotHandledErr = -9874,
    eventLoopTimedOutErr = -9875,
    eventLoopQuitErr = -9876,
    errAECoercionFail = -1700
};
#endif

enum { kEventAttributeNone = 0, kEventAttributeUserEvent = 1 << 0 };

// Event classes.
enum {
    kEventClassMouse = 0x6D6F7573,       // 'mous'
    kEventClassKeyboard = 0x6B657962,    // 'keyb'
    kEventClassTextInput = 0x74657874,   // 'text'
    kEventClassApplication = 0x6170706C, // 'appl'
    kEventClassMenu = 0x6D656E75,        // 'menu'
    kEventClassWindow = 0x77696E64,      // 'wind'
    kEventClassControl = 0x636E746C,     // 'cntl'
    kEventClassCommand = 0x636D6473,     // 'cmds'
    kEventClassHIObject = 0x68696F62     // 'hiob'
};

enum {
    kEventMouseDown = 1,
    kEventMouseUp = 2,
    kEventMouseMoved = 5,
    kEventMouseDragged = 6,
    kEventMouseEntered = 8,
    kEventMouseExited = 9,
    kEventMouseWheelMoved = 10
};

enum {
    kEventMouseButtonPrimary = 1,
    kEventMouseButtonSecondary = 2,
    kEventMouseButtonTertiary = 3
};

enum { kEventMouseWheelAxisX = 0, kEventMouseWheelAxisY = 1 };

enum {
    kEventRawKeyDown = 1,
    kEventRawKeyRepeat = 2,
    kEventRawKeyUp = 3,
    kEventRawKeyModifiersChanged = 4,
    kEventHotKeyPressed = 5,
    kEventHotKeyReleased = 6
};

// Bits of kEventParamKeyModifiers.
enum {
    activeFlag = 1 << 0,
    btnState = 1 << 7,
    cmdKey = 1 << 8,
    shiftKey = 1 << 9,
    alphaLock = 1 << 10,
    optionKey = 1 << 11,
    controlKey = 1 << 12,
    rightShiftKey = 1 << 13,
    rightOptionKey = 1 << 14,
    rightControlKey = 1 << 15,
    kEventKeyModifierNumLockMask = 1 << 16,
    kEventKeyModifierFnMask = 1 << 17
};

enum {
    kEventWindowUpdate = 1,
    kEventWindowDrawContent = 2,
    kEventWindowActivated = 5,
    kEventWindowDeactivated = 6,
    kEventWindowShown = 24,
    kEventWindowHidden = 25,
    kEventWindowBoundsChanging = 26,
    kEventWindowBoundsChanged = 27,
    kEventWindowClose = 72,
    kEventWindowClosed = 73,
    kEventWindowFocusAcquired = 200,
    kEventWindowFocusRelinquish = 201
};

enum {
    kEventControlHit = 1,
    kEventControlSimulateHit = 2,
    kEventControlHitTest = 3,
    kEventControlDraw = 4,
    kEventControlApplyBackground = 5,
    kEventControlSetFocusPart = 7,
    kEventControlGetFocusPart = 8,
    kEventControlActivate = 9,
    kEventControlDeactivate = 10,
    kEventControlSetCursor = 11,
    kEventControlClick = 13,
    kEventControlTrack = 51,
    kEventControlValueFieldChanged = 151,
    kEventControlBoundsChanged = 154,
    kEventControlOwningWindowChanged = 159,
    kEventControlInitialize = 1000,
    kEventControlDispose = 1001
};

enum {
    kEventHIObjectConstruct = 1,
    kEventHIObjectInitialize = 2,
    kEventHIObjectDestruct = 3,
    kEventHIObjectIsEqual = 4,
    kEventHIObjectPrintDebugInfo = 5
};

enum { kEventCommandProcess = 1, kEventCommandUpdateStatus = 2 };

enum {
    kEventAppActivated = 1,
    kEventAppDeactivated = 2,
    kEventAppQuit = 3,
    kEventAppLaunched = 5,
    kEventAppTerminated = 6,
    kEventAppFrontSwitched = 7,
    kEventAppHidden = 107,
    kEventAppShown = 108
};

// Parameter names.
enum {
    kEventParamDirectObject = 0x2D2D2D2D,        // '----'
    kEventParamMouseLocation = 0x6D6C6F63,       // 'mloc'
    kEventParamWindowMouseLocation = 0x776D6F75, // 'wmou'
    kEventParamMouseButton = 0x6D62746E,         // 'mbtn'
    kEventParamClickCount = 0x63636E74,          // 'ccnt'
    kEventParamMouseWheelAxis = 0x6D776178,      // 'mwax'
    kEventParamMouseWheelDelta = 0x6D77646C,     // 'mwdl'
    kEventParamMouseDelta = 0x6D647461,          // 'mdta'
    kEventParamMouseChord = 0x63686F72,          // 'chor'
    kEventParamKeyModifiers = 0x6B6D6F64,        // 'kmod'
    kEventParamKeyCode = 0x6B636F64,             // 'kcod'
    kEventParamKeyMacCharCodes = 0x6B636872,     // 'kchr'
    kEventParamKeyUnicodes = 0x6B756E69,         // 'kuni'
    kEventParamKeyboardType = 0x6B626474,        // 'kbdt'
    kEventParamWindowRef = 0x77696E64,           // 'wind'
    kEventParamControlRef = 0x6374726C,          // 'ctrl'
    kEventParamControlPart = 0x63707274,         // 'cprt'
    kEventParamCGContextRef = 0x636E7478,        // 'cntx'
    kEventParamHIObjectInstance = 0x68696F69,    // 'hioi'
    kEventParamBounds = 0x626F756E,              // 'boun'
    kEventParamCurrentBounds = 0x63726374,       // 'crct'
    kEventParamPreviousBounds = 0x70726374,      // 'prct'
    kEventParamOriginalBounds = 0x6F726374,      // 'orct'
    kEventParamAttributes = 0x61747472,          // 'attr'
    kEventParamMenuRef = 0x6D656E75,             // 'menu'
    kEventParamEventRef = 0x65766E74,            // 'evnt'
    kEventParamProcessID = 0x70736E20            // 'psn '
};

// Parameter types.
enum {
    typeWildCard = 0x2A2A2A2A,               // '****'
    typeHICommand = 0x68636D64,              // 'hcmd'
    typeWindowRef = 0x77696E64,              // 'wind'
    typeControlRef = 0x6374726C,             // 'ctrl'
    typeMenuRef = 0x6D656E75,                // 'menu'
    typeHIObjectRef = 0x68696F62,            // 'hiob'
    typeCGContextRef = 0x636E7478,           // 'cntx'
    typeHIPoint = 0x68697074,                // 'hipt'
    typeHISize = 0x6869737A,                 // 'hisz'
    typeHIRect = 0x68697263,                 // 'hirc'
    typeQDPoint = 0x51447074,                // 'QDpt'
    typeQDRectangle = 0x71647274,            // 'qdrt'
    typeMouseButton = 0x6D62746E,            // 'mbtn'
    typeMouseWheelAxis = 0x6D776178,         // 'mwax'
    typeChar = 0x54455854,                   // 'TEXT'
    typeUnicodeText = 0x75747874,            // 'utxt'
    typeCFStringRef = 0x63667374,            // 'cfst'
    typeBoolean = 0x626F6F6C,                // 'bool'
    typeSInt16 = 0x73686F72,                 // 'shor'
    typeUInt16 = 0x75736872,                 // 'ushr'
    typeSInt32 = 0x6C6F6E67,                 // 'long'
    typeUInt32 = 0x6D61676E,                 // 'magn'
    typeSInt64 = 0x636F6D70,                 // 'comp'
    typeUInt64 = 0x75636F6D,                 // 'ucom'
    typeIEEE32BitFloatingPoint = 0x73696E67, // 'sing'
    typeIEEE64BitFloatingPoint = 0x646F7562, // 'doub'
    typeEventRef = 0x65767266,               // 'evrf'
    typeControlPartCode = 0x63707274,        // 'cprt'
    typeType = 0x74797065,                   // 'type'
    typeProcessSerialNumber = 0x70736E20     // 'psn '
};

// Commands: the HICommand carried as the direct object of kEventCommandProcess.
enum {
    kHICommandOK = 0x6F6B2020,             // 'ok  '
    kHICommandCancel = 0x6E6F7421,         // 'not!'
    kHICommandQuit = 0x71756974,           // 'quit'
    kHICommandUndo = 0x756E646F,           // 'undo'
    kHICommandRedo = 0x7265646F,           // 'redo'
    kHICommandCut = 0x63757420,            // 'cut '
    kHICommandCopy = 0x636F7079,           // 'copy'
    kHICommandPaste = 0x70617374,          // 'past'
    kHICommandClear = 0x636C6561,          // 'clea'
    kHICommandSelectAll = 0x73616C6C,      // 'sall'
    kHICommandHide = 0x68696465,           // 'hide'
    kHICommandHideOthers = 0x6869646F,     // 'hido'
    kHICommandShowAll = 0x7368616C,        // 'shal'
    kHICommandPreferences = 0x70726566,    // 'pref'
    kHICommandZoomWindow = 0x7A6F6F6D,     // 'zoom'
    kHICommandMinimizeWindow = 0x6D696E69, // 'mini'
    kHICommandClose = 0x636C6F73,          // 'clos'
    kHICommandNew = 0x6E657720,            // 'new '
    kHICommandOpen = 0x6F70656E,           // 'open'
    kHICommandSave = 0x73617665,           // 'save'
    kHICommandSaveAs = 0x73766173,         // 'svas'
    kHICommandPrint = 0x70726E74,          // 'prnt'
    kHICommandAbout = 0x61626F75,          // 'abou'
    kHICommandAppHelp = 0x61686C70         // 'ahlp'
};

enum { kHICommandFromMenu = 1 << 0, kHICommandFromControl = 1 << 1, kHICommandFromWindow = 1 << 2 };

typedef struct HICommand {
    UInt32 attributes;
    UInt32 commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
} HICommand;

// The same layout as HICommand, naming the object the command came from.
typedef struct HICommandExtended {
    UInt32 attributes;
    UInt32 commandID;
    union {
        ControlRef control;
        WindowRef window;
        struct {
            MenuRef menuRef;
            MenuItemIndex menuItemIndex;
        } menu;
        HIObjectRef hiObject;
    } source;
} HICommandExtended;

// Events.
// A time of 0 stamps the event with the current event time.
OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes inAttributes, EventRef* outEvent);
EventRef RetainEvent(EventRef inEvent);
void ReleaseEvent(EventRef inEvent);
ItemCount GetEventRetainCount(EventRef inEvent);
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
EventTime GetEventTime(EventRef inEvent);
OSStatus SetEventTime(EventRef inEvent, EventTime inTime);
// Setting a parameter that exists already replaces its type and data.
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr);
// Copies at most inBufferSize bytes; outActualSize receives the full size of the value, so a
// call with no buffer asks for the size. typeWildCard takes the value as it is stored.
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData);
EventTime GetCurrentEventTime(void);

// Targets and handlers.
EventTargetRef GetApplicationEventTarget(void);
EventTargetRef GetWindowEventTarget(WindowRef inWindow);
EventTargetRef GetControlEventTarget(ControlRef inControl);

static inline EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine) {
    return userRoutine;
}
static inline void DisposeEventHandlerUPP(EventHandlerUPP userUPP) {
    (void)userUPP;
}
static inline OSStatus InvokeEventHandlerUPP(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                             void* inUserData, EventHandlerUPP userUPP) {
    return userUPP(inHandlerCallRef, inEvent, inUserData);
}

// A handler installed later is asked before those installed earlier on the same target.
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

#define InstallApplicationEventHandler(h, n, l, u, r)                                              \
    InstallEventHandler(GetApplicationEventTarget(), (h), (n), (l), (u), (r))
#define InstallWindowEventHandler(t, h, n, l, u, r)                                                \
    InstallEventHandler(GetWindowEventTarget(t), (h), (n), (l), (u), (r))
#define InstallControlEventHandler(t, h, n, l, u, r)                                               \
    InstallEventHandler(GetControlEventTarget(t), (h), (n), (l), (u), (r))

// The event loop.
EventLoopRef GetMainEventLoop(void);
EventLoopRef GetCurrentEventLoop(void);
// Runs until QuitApplicationEventLoop; may run again afterwards. A quit asked for while no
// loop runs is dropped, so it cannot cut a later run short.
void RunApplicationEventLoop(void);
void QuitApplicationEventLoop(void);
// Runs the loop for at most inTimeout (kEventDurationForever: until QuitEventLoop); returns
// eventLoopTimedOutErr when the time ran out and eventLoopQuitErr when it was quit.
OSStatus RunCurrentEventLoop(EventTimeout inTimeout);
OSStatus QuitEventLoop(EventLoopRef inEventLoop);

// Timers. They fire on the main thread from the running loop, never re-enter their own
// callback and wait while a modal alert is open. An interval of 0 makes a one-shot timer; a
// negative delay (kEventDurationForever) leaves the timer unarmed.
static inline EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr userRoutine) {
    return userRoutine;
}
static inline void DisposeEventLoopTimerUPP(EventLoopTimerUPP userUPP) {
    (void)userUPP;
}
static inline void InvokeEventLoopTimerUPP(EventLoopTimerRef inTimer, void* inUserData,
                                           EventLoopTimerUPP userUPP) {
    userUPP(inTimer, inUserData);
}

OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer);
OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);
OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire);

#ifdef __cplusplus
}
#endif
