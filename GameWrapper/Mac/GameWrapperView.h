// The launcher window's controller, one per process: the main view with the branded start page
// and its image buttons, the game-center view that shows the storefront plug-in's frames, the
// two text views over the main view, the timers that animate the storefront and supervise a
// launched game, and the objects made on first use (game information, game task, preferences).
//
// The class keeps the launcher's plain layout: no base class, no virtual operations, fields
// that the shell (main, the application event handler, the shutdown routine) reads directly.
#pragma once

#include <Carbon/Carbon.h>

#include <vector>

class GWData;
class GWTask;
class GWPref;
class GameWrapperButton;

// The font of every text of the start page, and the template of its build line.
extern const char* pMacScreenFont;
extern const char* pVersionText;

class GameWrapperView {
public:
    // The one object of the process, made on the first call.
    static GameWrapperView* GetInstance();
    // The object if it exists, without making one. Timers and view handlers can still be
    // called by the event loop after the shutdown routine destroyed the object; they ask this
    // first and then do nothing.
    static GameWrapperView* GetExistingInstance();

    ~GameWrapperView();
    GameWrapperView(const GameWrapperView&) = delete;
    GameWrapperView& operator=(const GameWrapperView&) = delete;

    // Objects made on first use; null while there is no game information.
    GWData* GetConfigurationData();
    GWPref* GetGamePref();
    GWTask* GetGameTask();

    // Views: the game-center view (hidden) and then the main view (shown), both covering
    // bounds inside parent, the window's content view. The first failing status is returned.
    OSStatus CreateViews(HIViewRef parent, const Rect* bounds);
    OSStatus CreateGameCenterView(HIViewRef parent, const Rect* bounds);
    OSStatus CreateMainView(HIViewRef parent, const Rect* bounds);
    OSStatus RegisterView(CFStringRef classID, EventHandlerProcPtr handler);
    OSStatus InitializeMainData();

    // Keeps the first drawing context offered to the main view; true only for that call.
    bool SetMainContextOnceAndRetain(CGContextRef context);

    // Shows the game-center view (true) or the main view with its texts (false).
    void SetInPellucidAndChangeViews(bool inGameCenter);
    // Shows the launcher process and brings it to the front, or hides it and hands the front
    // to the game.
    OSErr SetWrapperVisibility(bool show);

    // Main view drawing and its texts.
    void DrawMainView();
    void SetRGBFillColorFromCOLORREF(unsigned long colour);
    OSStatus ChangeSizeAndStyleAndFontAttributes(TXNObject txn, unsigned int size,
                                                 unsigned long colour, const char* fontName);
    OSStatus PrintWrappedTextWithReplacement(TXNObject txn, const char* text,
                                             const char* secondText, unsigned int size,
                                             unsigned long colour);
    // A new malloc'ed string (the caller frees it) with the template tokens replaced.
    char* DoStringReplacements(const char* text, const char* secondText);
    // A JPEG picture of the bundle's resources (the caller releases it), or null.
    CGImageRef LoadImageFromMainBundle(CFStringRef fileName);

    // Image buttons: mouse positions in main-view coordinates.
    void MainButtonsMouseDown(int x, int y);
    void MainButtonsMouseMove(int x, int y);
    void MainButtonsMouseUp(int x, int y);
    void AddPlayGameButton();
    void AddOtherGamesButton();
    void DoPlayGame();
    void DoOtherGames();
    // The start page's keyboard: Tab (Shift+Tab back) and the arrow keys move the focus ring
    // between the buttons, Return, Enter or Space press the focused one. The ring shows only
    // once such a key was used, as desktops do: the first one only shows it, on the first
    // button in reading order. A repeating Return or Space presses nothing again. True when
    // the key was one of these.
    bool MainButtonsKey(char charCode, UInt32 modifiers, bool repeat);
    // A game controller's Start button: presses "Play Game" wherever the focus is.
    void MainButtonsStart();

    // Game-center view: the storefront's frames are this size, 4 bytes a pixel.
    static constexpr int kGameCenterWidth = 720;
    static constexpr int kGameCenterHeight = 540;
    static constexpr int kGameCenterBytesPerRow = kGameCenterWidth * 4;
    static OSStatus EventHandler_GameCenter(EventHandlerCallRef handlerCall, EventRef event,
                                            void* userData);
    unsigned char* GetGameCenterBuffer();
    static unsigned long GetGameCenterBufferSize();
    CGImageRef CreateAndSetGameCenterImage();
    void DrawGameCenterView();
    void InstallGameCenterViewTimer();
    static void TimerAction_GameCenter(EventLoopTimerRef timer, void* userData);

    // Play-game supervision: mPlayState is one of these.
    enum PlayState : SInt32 { kPlayIdle = 0, kPlayLaunching = 1, kPlayRunning = 2 };
    void InstallPlayGameTimer();
    static void TimerAction_PlayGame(EventLoopTimerRef timer, void* userData);
    void UpdateForPlayGameTimer();
    // The system's word that an application ended: for the game, the timer's check runs then.
    static OSStatus EventHandler_AppTerminated(EventHandlerCallRef handlerCall, EventRef event,
                                               void* userData);

    // Main view.
    static OSStatus EventHandler_Main(EventHandlerCallRef handlerCall, EventRef event,
                                      void* userData);

    WindowRef mWindow;
    CGContextRef mGameCenterContext;
    HIViewRef mGameCenterView;
    CGImageRef mGameCenterImage;
    unsigned char* mGameCenterBuffer;
    CGContextRef mMainContext;
    HIViewRef mMainView;
    CGImageRef mBackgroundImage;
    HIViewRef mTitleTextView;
    HIViewRef mBuildTextView;
    CGImageRef mButtonNormalImage;
    CGImageRef mButtonHoverImage;
    CGImageRef mButtonPressedImage;
    GWData* mConfigurationData;
    GWTask* mGameTask;
    GWPref* mGamePref;
    ProcessSerialNumber mProcess;
    bool mShuttingDown;
    bool mInGameCenter;
    std::vector<GameWrapperButton*> mMainButtons;
    // The button with the focus ring, an index into mMainButtons; -1 before a key was used.
    int mFocusedButton;
    SInt32 mSeparatorY;
    SInt32 mPlayState;
    UnsignedWide mLaunchStartTime;
    SInt32 mLaunchError;
    EventLoopTimerRef mPlayGameTimer;
    // Installed with the play timer and removed with it.
    EventHandlerRef mAppTerminatedHandler;

    // Control IDs of the main view and the game-center view.
    static const ControlID mMainViewID;
    static const ControlID mGameCenterViewID;

private:
    GameWrapperView();
    // Sends the initialize event with bounds to a new instance of classID.
    OSStatus CreateViewObject(CFStringRef classID, const Rect* bounds, HIViewRef* outView);
    OSStatus InitializeMainViewInstance(EventHandlerCallRef handlerCall, EventRef event);
    OSStatus InitializeGameCenterViewInstance(EventHandlerCallRef handlerCall, EventRef event);
    void KeepGameCenterContext(CGContextRef context);
    // The text views over the main view, added to parent: the game's name (which also places
    // the separator line under it) and the build line.
    OSStatus CreateTitleTextView(HIViewRef parent);
    OSStatus CreateBuildTextView(HIViewRef parent);
    // Fills the build line again from its template, in its size and colour.
    void RefillBuildText();

    // Both timers (the play timer is public above) run for the controller's whole life; its
    // destructor removes them.
    EventLoopTimerRef mGameCenterTimer;

    static GameWrapperView* s_Instance;
};

// A new malloc'ed string (the caller frees it): text with the first occurrence of token
// replaced by replacement, or a copy of text when token does not occur.
char* ReplaceString(const char* text, const char* token, const char* replacement);
