// The two text views over the start page, the game's name and the build line: their creation,
// the template tokens replaced in their texts, and the size, colour and font they are shown in.
#include "GameWrapperView.h"

#include "GWData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* pMacScreenFont = "Helvetica";
const char* pVersionText = "Rev. [REVISION] - Build [BUILD]";

namespace {

// The launcher's own build number, shown in the build line.
constexpr int kLauncherBuild = 18;
// The longest revision text the build line shows; longer ones are cut.
constexpr size_t kMaxRevisionLength = 24;
// Requested text sizes are enlarged by this factor: the start page was laid out for it.
constexpr double kTextSizeFactor = 1.3;

// Title view frame, and how far below the title's last line the separator lies.
constexpr CGFloat kTitleX = 460;
constexpr CGFloat kTitleY = 30;
constexpr CGFloat kTitleWidth = 230;
constexpr CGFloat kTitleHeight = 130;
constexpr int kSeparatorGap = 38;
constexpr unsigned int kTitleSize = 14;
constexpr CGFloat kBuildWidth = 200;
constexpr CGFloat kBuildHeight = 30;
constexpr unsigned int kBuildSize = 8;

// Font substitution, wrapping at the view's edge and Unicode output.
constexpr TXNFrameOptions kTextFrameOptions =
    kTXNDoFontSubstitutionMask | kTXNAlwaysWrapAtViewEdgeMask | kOutputTextInUnicodeEncodingMask;

char* copyOf(const char* text) {
    size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy) {
        std::memcpy(copy, text, length + 1);
    }
    return copy;
}

// Replaces the text object's whole content with 8-bit text.
OSStatus setWholeText(TXNObject txn, const char* text) {
    return TXNSetData(txn, kTXNTextData, text, std::strlen(text), kTXNStartOffset, kTXNEndOffset);
}

} // namespace

char* ReplaceString(const char* text, const char* token, const char* replacement) {
    if (!text || !token) {
        return nullptr;
    }
    const char* found = std::strstr(text, token);
    if (!found) {
        return copyOf(text);
    }
    if (!replacement) {
        replacement = "";
    }
    size_t before = static_cast<size_t>(found - text);
    size_t tokenLength = std::strlen(token);
    size_t replacementLength = std::strlen(replacement);
    size_t afterLength = std::strlen(found + tokenLength);
    auto* result = static_cast<char*>(std::malloc(before + replacementLength + afterLength + 1));
    if (!result) {
        return nullptr;
    }
    std::memcpy(result, text, before);
    std::memcpy(result + before, replacement, replacementLength);
    std::memcpy(result + before + replacementLength, found + tokenLength, afterLength + 1);
    return result;
}

char* GameWrapperView::DoStringReplacements(const char* text, const char* secondText) {
    if (!text) {
        return nullptr;
    }
    char* joined = nullptr;
    if (secondText) {
        size_t first = std::strlen(text);
        size_t second = std::strlen(secondText);
        joined = static_cast<char*>(std::malloc(first + second + 1));
        if (!joined) {
            return nullptr;
        }
        std::memcpy(joined, text, first);
        std::memcpy(joined + first, secondText, second + 1);
        text = joined;
    }
    GWData* data = GetConfigurationData();
    char build[16];
    std::snprintf(build, sizeof build, "%d", kLauncherBuild);
    char revision[kMaxRevisionLength + 1] = "";
    if (data) {
        std::snprintf(revision, sizeof revision, "%s", data->GetGameFileRevisionString());
    }
    char* withTitle = ReplaceString(text, "[GAME_TITLE]", data ? data->GetAppName() : "");
    std::free(joined);
    char* withBuild = withTitle ? ReplaceString(withTitle, "[BUILD]", build) : nullptr;
    std::free(withTitle);
    char* result = withBuild ? ReplaceString(withBuild, "[REVISION]", revision) : nullptr;
    std::free(withBuild);
    return result;
}

OSStatus GameWrapperView::ChangeSizeAndStyleAndFontAttributes(TXNObject txn, unsigned int size,
                                                              unsigned long colour,
                                                              const char* fontName) {
    auto scaled = static_cast<float>(size * kTextSizeFactor);
    auto fixedSize = static_cast<Fixed>(scaled * 65536.0f);
    // QuickDraw components are 16 bits; the colour value's bytes become their high bytes.
    RGBColor rgb;
    rgb.red = static_cast<unsigned short>(((colour >> 16) & 0xFF) * 256);
    rgb.green = static_cast<unsigned short>(((colour >> 8) & 0xFF) * 256);
    rgb.blue = static_cast<unsigned short>((colour & 0xFF) * 256);
    Str255 fontNameText;
    CopyCStringToPascal(fontName, fontNameText);
    TXNTypeAttributes attributes[3];
    attributes[0].tag = kTXNQDFontSizeAttribute;
    attributes[0].size = kTXNQDFontSizeAttributeSize;
    attributes[0].data.dataValue = static_cast<UInt32>(fixedSize);
    attributes[1].tag = kTXNQDFontColorAttribute;
    attributes[1].size = kTXNQDFontColorAttributeSize;
    attributes[1].data.dataPtr = &rgb;
    attributes[2].tag = kTXNQDFontNameAttribute;
    attributes[2].size = kTXNQDFontNameAttributeSize;
    attributes[2].data.dataPtr = fontNameText;
    return TXNSetTypeAttributes(txn, 3, attributes, kTXNStartOffset, kTXNEndOffset);
}

OSStatus GameWrapperView::PrintWrappedTextWithReplacement(TXNObject txn, const char* text,
                                                          const char* secondText, unsigned int size,
                                                          unsigned long colour) {
    char* replaced = DoStringReplacements(text, secondText);
    if (!replaced) {
        return text ? memFullErr : paramErr;
    }
    setWholeText(txn, replaced);
    OSStatus status = ChangeSizeAndStyleAndFontAttributes(txn, size, colour, pMacScreenFont);
    std::free(replaced);
    return status;
}

OSStatus GameWrapperView::CreateTitleTextView(HIViewRef parent) {
    HIRect frame = CGRectMake(kTitleX, kTitleY, kTitleWidth, kTitleHeight);
    HIViewRef textView = nullptr;
    OSStatus status = HITextViewCreate(&frame, 0, kTextFrameOptions, &textView);
    if (status != noErr) {
        return status;
    }
    HITextViewSetBackgroundColor(textView, nullptr);
    TXNObject txn = HITextViewGetTXNObject(textView);
    // Without game information the page shows no name rather than failing to start.
    GWData* data = GetConfigurationData();
    setWholeText(txn, data ? data->GetAppName() : "");
    ChangeSizeAndStyleAndFontAttributes(txn, kTitleSize, data ? data->GetFontColorAppName() : 0,
                                        pMacScreenFont);
    HIRect textRect = CGRectMake(0, 0, 0, 0);
    TXNGetHIRect(txn, kTXNTextRectKey, &textRect);
    HIViewSetVisible(textView, true);
    if (parent) {
        HIViewAddSubview(parent, textView);
    }
    mTitleTextView = textView;
    mSeparatorY = static_cast<SInt32>(textRect.size.height) + kSeparatorGap;
    return noErr;
}

OSStatus GameWrapperView::CreateBuildTextView(HIViewRef parent) {
    GWData* data = GetConfigurationData();
    HIRect frame = CGRectMake(data ? data->GetXPositionBuild() : 0,
                              data ? data->GetYPositionBuild() : 0, kBuildWidth, kBuildHeight);
    HIViewRef textView = nullptr;
    OSStatus status = HITextViewCreate(&frame, 0, kTextFrameOptions, &textView);
    if (status != noErr) {
        return status;
    }
    HITextViewSetBackgroundColor(textView, nullptr);
    PrintWrappedTextWithReplacement(HITextViewGetTXNObject(textView), pVersionText, nullptr,
                                    kBuildSize, data ? data->GetFontColorBuild() : 0);
    HIViewSetVisible(textView, true);
    mBuildTextView = textView;
    return parent ? HIViewAddSubview(parent, textView) : noErr;
}

void GameWrapperView::RefillBuildText() {
    if (!mBuildTextView) {
        return;
    }
    GWData* data = GetConfigurationData();
    PrintWrappedTextWithReplacement(HITextViewGetTXNObject(mBuildTextView), pVersionText, nullptr,
                                    kBuildSize, data ? data->GetFontColorBuild() : 0);
}
