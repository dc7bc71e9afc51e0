// The window controller's lifetime, the objects it makes on first use, the creation of its two
// views, the main view's event handler, the switch between the views and the showing and
// hiding of the launcher process.
#include "GameWrapperView.h"
#include "GameWrapperViewBounds.h"

#include "GWData.h"
#include "GWPref.h"
#include "GWTask.h"
#include "GWUtil.h"
#include "GameWrapperButton.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

GameWrapperView* GameWrapperView::s_Instance = nullptr;
const ControlID GameWrapperView::mMainViewID = {'GWma', 0};
const ControlID GameWrapperView::mGameCenterViewID = {'GWgc', 0};

namespace {

// The events both view classes handle themselves, in the order their handler expects them.
const EventTypeSpec kViewEvents[] = {
    {kEventClassHIObject, kEventHIObjectConstruct}, {kEventClassHIObject, kEventHIObjectInitialize},
    {kEventClassHIObject, kEventHIObjectDestruct},  {kEventClassControl, kEventControlDraw},
    {kEventClassControl, kEventControlHitTest},
};

template <typename Ref> void releaseOnce(Ref& ref) {
    if (ref) {
        CFRelease(reinterpret_cast<CFTypeRef>(ref));
        ref = nullptr;
    }
}

} // namespace

GameWrapperView* GameWrapperView::GetInstance() {
    if (!s_Instance) {
        s_Instance = new GameWrapperView();
    }
    return s_Instance;
}

GameWrapperView* GameWrapperView::GetExistingInstance() {
    return s_Instance;
}

GameWrapperView::GameWrapperView()
    : mWindow(nullptr), mGameCenterContext(nullptr), mGameCenterView(nullptr),
      mGameCenterImage(nullptr), mGameCenterBuffer(nullptr), mMainContext(nullptr),
      mMainView(nullptr), mBackgroundImage(nullptr), mTitleTextView(nullptr),
      mBuildTextView(nullptr), mButtonNormalImage(nullptr), mButtonHoverImage(nullptr),
      mButtonPressedImage(nullptr), mConfigurationData(nullptr), mGameTask(nullptr),
      mGamePref(nullptr), mProcess(), mShuttingDown(false), mInGameCenter(false), mMainButtons(),
      mFocusedButton(-1), mSeparatorY(0), mPlayState(0), mLaunchStartTime(), mLaunchError(0),
      mPlayGameTimer(nullptr), mAppTerminatedHandler(nullptr), mGameCenterTimer(nullptr) {
    GetCurrentProcess(&mProcess);
}

GameWrapperView::~GameWrapperView() {
    // The timers would otherwise go on firing for an object that is gone.
    if (mGameCenterTimer) {
        RemoveEventLoopTimer(mGameCenterTimer);
        mGameCenterTimer = nullptr;
    }
    if (mPlayGameTimer) {
        RemoveEventLoopTimer(mPlayGameTimer);
        mPlayGameTimer = nullptr;
    }
    if (mAppTerminatedHandler) {
        RemoveEventHandler(mAppTerminatedHandler);
        mAppTerminatedHandler = nullptr;
    }
    if (mGameCenterContext) {
        CGContextRelease(mGameCenterContext);
        mGameCenterContext = nullptr;
    }
    std::free(mGameCenterBuffer);
    mGameCenterBuffer = nullptr;
    if (mGameCenterImage) {
        CGImageRelease(mGameCenterImage);
        mGameCenterImage = nullptr;
    }
    releaseOnce(mGameCenterView);
    if (mMainContext) {
        CGContextRelease(mMainContext);
        mMainContext = nullptr;
    }
    if (mBackgroundImage) {
        CGImageRelease(mBackgroundImage);
        mBackgroundImage = nullptr;
    }
    releaseOnce(mMainView);
    releaseOnce(mTitleTextView);
    releaseOnce(mBuildTextView);
    for (CGImageRef* image : {&mButtonNormalImage, &mButtonHoverImage, &mButtonPressedImage}) {
        if (*image) {
            CGImageRelease(*image);
            *image = nullptr;
        }
    }
    delete mConfigurationData;
    mConfigurationData = nullptr;
    delete mGameTask;
    mGameTask = nullptr;
    delete mGamePref;
    mGamePref = nullptr;
    for (GameWrapperButton* button : mMainButtons) {
        delete button;
    }
    mMainButtons.clear();
    if (s_Instance == this) {
        s_Instance = nullptr;
    }
}

GWData* GameWrapperView::GetConfigurationData() {
    if (!mConfigurationData) {
        auto* data = new GWData();
        if (!data->LoadGameInfoDataFromResource()) {
            delete data;
            return nullptr;
        }
        mConfigurationData = data;
    }
    return mConfigurationData;
}

GWPref* GameWrapperView::GetGamePref() {
    if (!mGamePref) {
        GWData* data = GetConfigurationData();
        if (data) {
            mGamePref = new GWPref(CFSTR("com.Pellucid"), data->GetAppID());
        }
    }
    return mGamePref;
}

GWTask* GameWrapperView::GetGameTask() {
    if (!mGameTask) {
        GWData* data = GetConfigurationData();
        if (data) {
            mGameTask = new GWTask(data->GetAppExecPath(), data->TrackChildProcesses());
        }
    }
    return mGameTask;
}

bool GameWrapperView::SetMainContextOnceAndRetain(CGContextRef context) {
    if (!context) {
        return false;
    }
    if (!mMainContext) {
        mMainContext = CGContextRetain(context);
        return true;
    }
    if (mMainContext != context) {
        std::printf("***** ERROR set context = %lx, new ignored context = %lx\n",
                    static_cast<unsigned long>(reinterpret_cast<uintptr_t>(mMainContext)),
                    static_cast<unsigned long>(reinterpret_cast<uintptr_t>(context)));
    }
    return false;
}

OSStatus GameWrapperView::RegisterView(CFStringRef classID, EventHandlerProcPtr handler) {
    OSStatus status = HIObjectRegisterSubclass(
        classID, kHIViewClassID, 0, NewEventHandlerUPP(handler),
        sizeof kViewEvents / sizeof kViewEvents[0], kViewEvents, nullptr, nullptr);
    // The handlers find the controller through GetExistingInstance, so a class registered by
    // an earlier controller of this process serves a later one just as well.
    if (status == hiObjectClassExistsErr) {
        status = noErr;
    }
    return status;
}

OSStatus GameWrapperView::CreateViews(HIViewRef parent, const Rect* bounds) {
    OSStatus status = CreateGameCenterView(parent, bounds);
    if (status != noErr) {
        return status;
    }
    return CreateMainView(parent, bounds);
}

OSStatus GameWrapperView::CreateViewObject(CFStringRef classID, const Rect* bounds,
                                           HIViewRef* outView) {
    *outView = nullptr;
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectInitialize,
                                  GetCurrentEventTime(), kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    if (bounds) {
        status = SetEventParameter(event, kEventParamBounds, typeQDRectangle, sizeof(Rect), bounds);
        if (status != noErr) {
            ReleaseEvent(event);
            return status;
        }
    }
    HIObjectRef object = nullptr;
    status = HIObjectCreate(classID, event, &object);
    ReleaseEvent(event);
    if (status == noErr) {
        *outView = reinterpret_cast<HIViewRef>(object);
    }
    return status;
}

OSStatus GameWrapperView::CreateGameCenterView(HIViewRef parent, const Rect* bounds) {
    OSStatus status = RegisterView(CFSTR("com.corvane.GameCenterView"), EventHandler_GameCenter);
    if (status != noErr) {
        return status;
    }
    HIViewRef view = nullptr;
    status = CreateViewObject(CFSTR("com.corvane.GameCenterView"), bounds, &view);
    if (status != noErr) {
        // The construct event stored the instance that a failed initialisation destroyed.
        mGameCenterView = nullptr;
        return status;
    }
    mGameCenterView = view;
    if (parent) {
        status = HIViewAddSubview(parent, view);
    }
    SetControlID(view, &mGameCenterViewID);
    HIViewSetVisible(view, false);
    return status;
}

OSStatus GameWrapperView::CreateMainView(HIViewRef parent, const Rect* bounds) {
    InitializeMainData();
    OSStatus status = RegisterView(CFSTR("com.corvane.MainView"), EventHandler_Main);
    if (status != noErr) {
        return status;
    }
    HIViewRef view = nullptr;
    status = CreateViewObject(CFSTR("com.corvane.MainView"), bounds, &view);
    if (status != noErr) {
        mMainView = nullptr;
        return status;
    }
    mMainView = view;
    if (parent) {
        status = HIViewAddSubview(parent, view);
        if (status != noErr) {
            return status;
        }
    }
    if (mWindow) {
        SetWindowTitleWithCFString(mWindow, CFSTR(""));
    }
    status = CreateTitleTextView(parent);
    if (status != noErr) {
        return status;
    }
    status = CreateBuildTextView(parent);
    SetControlID(view, &mMainViewID);
    HIViewSetVisible(view, true);
    return status;
}

OSStatus GameWrapperView::InitializeMainData() {
    SetSystemUIMode(kUIModeNormal, kUIOptionDisableForceQuit);
    ChangeWorkingDirectoryToBundleStart();
    return noErr;
}

OSStatus GameWrapperView::InitializeMainViewInstance(EventHandlerCallRef handlerCall,
                                                     EventRef event) {
    OSStatus status = InitializeViewWithEventBounds(handlerCall, event, mMainView);
    if (status != noErr) {
        return status;
    }
    if (!mBackgroundImage) {
        mBackgroundImage = LoadImageFromMainBundle(CFSTR("Background.jpg"));
    }
    if (!mButtonNormalImage) {
        mButtonNormalImage = LoadImageFromMainBundle(CFSTR("button_normal.jpg"));
    }
    if (!mButtonHoverImage) {
        mButtonHoverImage = LoadImageFromMainBundle(CFSTR("button_hover.jpg"));
    }
    if (!mButtonPressedImage) {
        mButtonPressedImage = LoadImageFromMainBundle(CFSTR("button_pressed.jpg"));
    }
    AddOtherGamesButton();
    AddPlayGameButton();
    return noErr;
}

OSStatus GameWrapperView::EventHandler_Main(EventHandlerCallRef handlerCall, EventRef event,
                                            void*) {
    GameWrapperView* view = GetExistingInstance();
    if (!view) {
        return eventNotHandledErr;
    }
    UInt32 eventClass = GetEventClass(event);
    UInt32 kind = GetEventKind(event);
    if (eventClass == kEventClassHIObject && kind == kEventHIObjectConstruct) {
        HIObjectRef object = nullptr;
        OSStatus status = GetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef,
                                            nullptr, sizeof object, nullptr, &object);
        view->mMainView = reinterpret_cast<HIViewRef>(object);
        return status;
    }
    if (eventClass == kEventClassHIObject && kind == kEventHIObjectInitialize) {
        return view->InitializeMainViewInstance(handlerCall, event);
    }
    if (eventClass == kEventClassControl && kind == kEventControlDraw) {
        CGContextRef context = nullptr;
        if (GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr,
                              sizeof context, nullptr, &context) == noErr) {
            view->SetMainContextOnceAndRetain(context);
        }
        view->DrawMainView();
        return noErr;
    }
    if (eventClass == kEventClassControl && kind == kEventControlHitTest) {
        HIPoint where;
        if (GetEventParameter(event, kEventParamMouseLocation, typeHIPoint, nullptr, sizeof where,
                              nullptr, &where) == noErr) {
            view->MainButtonsMouseDown(static_cast<int>(where.x), static_cast<int>(where.y));
        }
        CGContextRef context = nullptr;
        if (GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr,
                              sizeof context, nullptr, &context) == noErr) {
            view->SetMainContextOnceAndRetain(context);
        }
        return noErr;
    }
    // Destruct included: the class keeps no instance data of its own.
    return eventNotHandledErr;
}

void GameWrapperView::SetInPellucidAndChangeViews(bool inGameCenter) {
    mInGameCenter = inGameCenter;
    for (HIViewRef shown : {mGameCenterView, mMainView, mTitleTextView, mBuildTextView}) {
        if (shown) {
            bool isGameCenter = shown == mGameCenterView;
            HIViewSetVisible(shown, isGameCenter == inGameCenter);
        }
    }
    GWSetCursorToType(kGWCursorArrow);
}

OSErr GameWrapperView::SetWrapperVisibility(bool show) {
    bool visible = IsProcessVisible(&mProcess);
    if (show && !visible) {
        ShowHideProcess(&mProcess, true);
        return SetFrontProcess(&mProcess);
    }
    if (!show && visible) {
        ProcessSerialNumber front = {0, 0};
        Boolean same = false;
        bool launcherInFront = GetFrontProcess(&front) == noErr &&
                               SameProcess(&front, &mProcess, &same) == noErr && same;
        OSErr status = ShowHideProcess(&mProcess, false);
        GWTask* task = GetGameTask();
        if (task && (launcherInFront || task->IsFront())) {
            task->SetFrontProcess();
        }
        return status;
    }
    return noErr;
}
