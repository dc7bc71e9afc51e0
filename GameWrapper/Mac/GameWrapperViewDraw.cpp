// Drawing of the start page: background, branding picture, buttons and the separator line
// under the game's name, and the JPEG pictures of the bundle they are drawn from.
#include "GameWrapperView.h"

#include "GWData.h"
#include "GameWrapperButton.h"

namespace {

// The separator line under the game's name.
constexpr CGFloat kSeparatorX = 460;
constexpr CGFloat kSeparatorWidth = 230;
constexpr CGFloat kSeparatorHeight = 1;

void drawImageAt(CGContextRef context, CGImageRef image, CGFloat x, CGFloat y) {
    CGRect rect = CGRectMake(x, y, static_cast<CGFloat>(CGImageGetWidth(image)),
                             static_cast<CGFloat>(CGImageGetHeight(image)));
    HIViewDrawCGImage(context, &rect, image);
}

} // namespace

void GameWrapperView::DrawMainView() {
    if (!mBackgroundImage) {
        mBackgroundImage = LoadImageFromMainBundle(CFSTR("Background.jpg"));
        if (!mBackgroundImage) {
            // Without its background the page is not drawn at all.
            return;
        }
    }
    // Before the view has received a context there is nothing to draw into.
    if (mMainContext) {
        GWData* data = GetConfigurationData();
        CGImageRef branding = data ? data->GetBrandingImage() : nullptr;
        drawImageAt(mMainContext, mBackgroundImage, 0, 0);
        if (branding) {
            drawImageAt(mMainContext, branding, data->GetXPositionBranding(),
                        data->GetYPositionBranding());
        }
        for (std::size_t i = 0; i < mMainButtons.size(); ++i) {
            mMainButtons[i]->Draw(static_cast<int>(i) == mFocusedButton);
        }
        SetRGBFillColorFromCOLORREF(0);
        CGContextFillRect(mMainContext,
                          CGRectMake(kSeparatorX, mSeparatorY, kSeparatorWidth, kSeparatorHeight));
    }
    RefillBuildText();
}

void GameWrapperView::SetRGBFillColorFromCOLORREF(unsigned long colour) {
    CGContextSetRGBFillColor(mMainContext, ((colour >> 16) & 0xFF) / 255.0,
                             ((colour >> 8) & 0xFF) / 255.0, (colour & 0xFF) / 255.0, 1.0);
}

CGImageRef GameWrapperView::LoadImageFromMainBundle(CFStringRef fileName) {
    CFBundleRef bundle = CFBundleGetMainBundle();
    if (!bundle) {
        return nullptr;
    }
    CFURLRef url = CFBundleCopyResourceURL(bundle, fileName, nullptr, nullptr);
    if (!url) {
        return nullptr;
    }
    CGImageRef image = nullptr;
    CGDataProviderRef provider = CGDataProviderCreateWithURL(url);
    if (provider) {
        image =
            CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
        CGDataProviderRelease(provider);
    }
    CFRelease(url);
    return image;
}
