// The game-center view: the storefront plug-in paints each frame into the controller's pixel
// buffer, the view wraps the buffer in an image and draws it, and a timer keeps the frames
// coming while the view is shown and notices when the user has left the storefront.
#include "GameWrapperView.h"
#include "GameWrapperViewBounds.h"

#include "KX_APIFunctionsMac.h"

#include <cstdio>
#include <cstdlib>

namespace {

// About twelve frames a second.
constexpr EventTimerInterval kGameCenterTimerPeriod = 0.083;
// The frame call's last two arguments: the buffer's pixel size in bytes, and a 1 that the
// plug-in contract fixes.
constexpr unsigned short kFrameBytesPerPixel = 4;
constexpr unsigned short kFrameFixedArgument = 1;
// Little-endian 32-bit words 0xXXRRGGBB, the top byte unused.
constexpr CGBitmapInfo kFrameBitmapInfo = kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst;

} // namespace

unsigned long GameWrapperView::GetGameCenterBufferSize() {
    return static_cast<unsigned long>(kGameCenterBytesPerRow) * kGameCenterHeight;
}

unsigned char* GameWrapperView::GetGameCenterBuffer() {
    if (!mGameCenterBuffer) {
        mGameCenterBuffer = static_cast<unsigned char*>(std::malloc(GetGameCenterBufferSize()));
    }
    return mGameCenterBuffer;
}

void GameWrapperView::KeepGameCenterContext(CGContextRef context) {
    if (context && !mGameCenterContext) {
        mGameCenterContext = CGContextRetain(context);
    }
}

CGImageRef GameWrapperView::CreateAndSetGameCenterImage() {
    unsigned char* buffer = GetGameCenterBuffer();
    if (!buffer) {
        return nullptr;
    }
    CGColorSpaceRef colourSpace = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    // No release callback: the buffer belongs to the controller and outlives every image.
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, buffer, GetGameCenterBufferSize(), nullptr);
    CGImageRef image = CGImageCreate(kGameCenterWidth, kGameCenterHeight, 8, 32,
                                     kGameCenterBytesPerRow, colourSpace, kFrameBitmapInfo,
                                     provider, nullptr, true, kCGRenderingIntentDefault);
    CGImageRef previous = mGameCenterImage;
    mGameCenterImage = image;
    if (previous) {
        CGImageRelease(previous);
    }
    CGColorSpaceRelease(colourSpace);
    CGDataProviderRelease(provider);
    return image;
}

void GameWrapperView::DrawGameCenterView() {
    if (!mGameCenterImage || !mGameCenterContext) {
        return;
    }
    // At its natural size in points in the top left corner. On a scaled desktop the window's
    // device scale stretches the frame to the window's pixels, with smooth filtering.
    CGRect rect = CGRectMake(0, 0, static_cast<CGFloat>(CGImageGetWidth(mGameCenterImage)),
                             static_cast<CGFloat>(CGImageGetHeight(mGameCenterImage)));
    HIViewDrawCGImage(mGameCenterContext, &rect, mGameCenterImage);
}

OSStatus GameWrapperView::InitializeGameCenterViewInstance(EventHandlerCallRef handlerCall,
                                                           EventRef event) {
    OSStatus status = InitializeViewWithEventBounds(handlerCall, event, mGameCenterView);
    if (status != noErr) {
        return status;
    }
    GetGameCenterBuffer();
    KX_EnableWindowsMouseCursor(true);
    InstallGameCenterViewTimer();
    InstallPlayGameTimer();
    return noErr;
}

OSStatus GameWrapperView::EventHandler_GameCenter(EventHandlerCallRef handlerCall, EventRef event,
                                                  void* userData) {
    UInt32 eventClass = GetEventClass(event);
    UInt32 kind = GetEventKind(event);
    if (eventClass == kEventClassHIObject && kind == kEventHIObjectDestruct) {
        // The view may outlive the controller (its window holds it), so this needs neither.
        std::puts("GWViewHandler::kEventHIObjectDestruct ");
        std::free(userData);
        return eventNotHandledErr;
    }
    GameWrapperView* view = GetExistingInstance();
    if (!view) {
        return eventNotHandledErr;
    }
    if (eventClass == kEventClassHIObject && kind == kEventHIObjectConstruct) {
        HIObjectRef object = nullptr;
        OSStatus status = GetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef,
                                            nullptr, sizeof object, nullptr, &object);
        view->mGameCenterView = reinterpret_cast<HIViewRef>(object);
        return status;
    }
    if (eventClass == kEventClassHIObject && kind == kEventHIObjectInitialize) {
        return view->InitializeGameCenterViewInstance(handlerCall, event);
    }
    if (eventClass == kEventClassControl && kind == kEventControlDraw) {
        // What the plug-in makes of the event does not change the launcher's own handling.
        KX_HandleMacEvent(event);
        CGContextRef context = nullptr;
        if (GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr,
                              sizeof context, nullptr, &context) == noErr) {
            view->KeepGameCenterContext(context);
        }
        unsigned char* buffer = view->GetGameCenterBuffer();
        if (buffer) {
            KX_DrawNextFrameIntoBuffer(buffer, kGameCenterBytesPerRow, kFrameBytesPerPixel,
                                       kFrameFixedArgument);
            // The whole frame is always drawn, so the plug-in's dirty rectangles are not used.
            KX_GetNumberOfRectsToUpdate();
            view->CreateAndSetGameCenterImage();
            view->DrawGameCenterView();
        }
        return noErr;
    }
    if (eventClass == kEventClassControl && kind == kEventControlHitTest) {
        KX_HandleMacEvent(event);
        CGContextRef context = nullptr;
        if (GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr,
                              sizeof context, nullptr, &context) == noErr) {
            std::puts("GWViewHandler::kEventControlHitTest DRAW ");
            view->KeepGameCenterContext(context);
        }
        HIViewSetNeedsDisplay(view->mGameCenterView, true);
        return noErr;
    }
    return eventNotHandledErr;
}

void GameWrapperView::InstallGameCenterViewTimer() {
    if (mGameCenterTimer) {
        return;
    }
    InstallEventLoopTimer(GetMainEventLoop(), kGameCenterTimerPeriod, kGameCenterTimerPeriod,
                          NewEventLoopTimerUPP(TimerAction_GameCenter), nullptr, &mGameCenterTimer);
}

void GameWrapperView::TimerAction_GameCenter(EventLoopTimerRef, void*) {
    GameWrapperView* view = GetExistingInstance();
    if (!view || view->mShuttingDown || !view->mInGameCenter) {
        return;
    }
    HIViewSetNeedsDisplay(view->mGameCenterView, true);
    if (KX_IsTheMenuSessionComplete()) {
        view->SetInPellucidAndChangeViews(false);
    }
}
