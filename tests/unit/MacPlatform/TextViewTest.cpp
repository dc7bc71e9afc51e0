// Text views: their text object's data, attributes, files and geometry, and what they draw into
// a window of the headless display.
#include "CFTestHelpers.h"
#include "ControlTestHelpers.h"
#include "HIToolbox/TextView.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>
#include <TestSupport.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

const MacPlatform::StyledText& documentOf(TXNObject txn) {
    return MacPlatform::TextView::fromTXN(txn)->layout().document();
}

OSStatus setText(TXNObject txn, const std::string& bytes) {
    return TXNSetData(txn, kTXNTextData, bytes.data(), bytes.size(), kTXNStartOffset,
                      kTXNEndOffset);
}

double textHeight(TXNObject txn) {
    HIRect rect{};
    EXPECT_EQ(TXNGetHIRect(txn, kTXNTextRectKey, &rect), noErr);
    return rect.size.height;
}

// Size (16.16), QuickDraw colour and font name, as the launcher styles its texts.
OSStatus style(TXNObject txn, double points, RGBColor colour, const char* font) {
    Str255 name{};
    name[0] = static_cast<unsigned char>(std::strlen(font));
    std::memcpy(name + 1, font, name[0]);
    TXNTypeAttributes attributes[] = {
        {kTXNQDFontSizeAttribute,
         kTXNQDFontSizeAttributeSize,
         {.dataValue = static_cast<UInt32>(static_cast<Fixed>(points * 65536))}},
        {kTXNQDFontColorAttribute, kTXNQDFontColorAttributeSize, {.dataPtr = &colour}},
        {kTXNQDFontNameAttribute, kTXNQDFontNameAttributeSize, {.dataPtr = name}},
    };
    return TXNSetTypeAttributes(txn, 3, attributes, kTXNStartOffset, kTXNEndOffset);
}

} // namespace

TEST(TextView, LinesStackAndWrapAtTheViewEdge) {
    HIRect frame = CGRectMake(0, 0, 230, 130);
    HIViewRef view = nullptr;
    ASSERT_EQ(HITextViewCreate(&frame, 0, 0x400A00, &view), noErr);
    TXNObject txn = HITextViewGetTXNObject(view);
    ASSERT_NE(txn, nullptr);
    ASSERT_EQ(style(txn, 14 * 1.3, {0, 0, 0}, "Helvetica"), noErr);

    ASSERT_EQ(setText(txn, "Demo Game"), noErr);
    double one = textHeight(txn);
    ASSERT_EQ(setText(txn, "Demo Game\rDemo Game"), noErr);
    EXPECT_GT(one, 14);
    EXPECT_EQ(textHeight(txn), 2 * one);

    // Longer than the view is wide: wrapped into lines no wider than the view.
    ASSERT_EQ(setText(txn, "Demo Game Demo Game Demo Game Demo Game Demo Game"), noErr);
    EXPECT_GE(textHeight(txn), 2 * one);
    HIRect wide = CGRectMake(0, 0, 2000, 130);
    HIViewSetFrame(view, &wide);
    EXPECT_EQ(textHeight(txn), one);

    // A smaller size makes shorter lines.
    ASSERT_EQ(style(txn, 8 * 1.3, {0, 0, 0}, "Helvetica"), noErr);
    EXPECT_LT(textHeight(txn), one);

    HIViewRef plain = nullptr;
    ASSERT_EQ(HIObjectCreate(kHIViewClassID, nullptr, reinterpret_cast<HIObjectRef*>(&plain)),
              noErr);
    EXPECT_EQ(HITextViewGetTXNObject(plain), nullptr);
    CFRelease(plain);
    CFRelease(view);
    // The text object went with its view.
    EXPECT_EQ(setText(txn, "gone"), paramErr);
}

TEST(TextView, SetDataDecodesEightBitAndUnicodeTextAndReplacesRanges) {
    HIViewRef view = nullptr;
    ASSERT_EQ(HITextViewCreate(nullptr, 0, 0, &view), noErr);
    TXNObject txn = HITextViewGetTXNObject(view);
    // Not UTF-8, so MacRoman: 0x8E is e acute.
    ASSERT_EQ(setText(txn, "Caf\x8E\rsecond"), noErr);
    EXPECT_EQ(documentOf(txn).text, "Caf\xC3\xA9\nsecond");
    std::u16string unicode = u"\u20AC 5";
    ASSERT_EQ(TXNSetData(txn, kTXNUnicodeTextData, unicode.data(), unicode.size() * 2,
                         kTXNStartOffset, kTXNEndOffset),
              noErr);
    EXPECT_EQ(documentOf(txn).text, "\xE2\x82\xAC 5");
    // Offsets count UTF-16 units: the emoji is two.
    ASSERT_EQ(setText(txn, "Hello world \xF0\x9F\x98\x80!"), noErr);
    ASSERT_EQ(TXNSetData(txn, kTXNTextData, "there", 5, 6, 11), noErr);
    ASSERT_EQ(TXNSetData(txn, kTXNTextData, "?", 1, 14, 15), noErr);
    EXPECT_EQ(documentOf(txn).text, "Hello there \xF0\x9F\x98\x80?");

    EXPECT_EQ(TXNSetData(txn, kTXNUnicodeTextData, "abc", 3, 0, kTXNEndOffset), paramErr);
    EXPECT_EQ(TXNSetData(txn, kTXNTextData, "abc", 3, 5, 2), paramErr);
    CFRelease(view);
}

TEST(TextView, ReadsRTFAndPlainFilesFromURLs) {
    TestSupport::TempDir dir;
    HIViewRef view = nullptr;
    ASSERT_EQ(HITextViewCreate(nullptr, 0, 0, &view), noErr);
    TXNObject txn = HITextViewGetTXNObject(view);
    auto read = [&](const std::string& name, const std::string& bytes) {
        TestSupport::writeFile(dir / name, bytes);
        CFTest::Owned<CFURLRef> url = CFTest::fileURL(dir / name);
        CFDictionaryRef attributes = reinterpret_cast<CFDictionaryRef>(url.get());
        OSStatus status =
            TXNReadFromCFURL(txn, kTXNStartOffset, kTXNEndOffset, nullptr, url, &attributes);
        EXPECT_EQ(attributes, nullptr);
        return status;
    };

    ASSERT_EQ(read("EULA.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}\\f0 Plain {\\b Bold}"
                               "\\par Caf\\'e9 \\u8364? end}"),
              noErr);
    EXPECT_EQ(documentOf(txn).text, "Plain Bold\nCaf\xC3\xA9 \xE2\x82\xAC end");
    EXPECT_TRUE(documentOf(txn).runs.at(1).style.bold);
    // Text put in front keeps the file's font with the file's runs.
    ASSERT_EQ(TXNSetData(txn, kTXNTextData, "> ", 2, 0, 0), noErr);
    EXPECT_EQ(documentOf(txn).fonts, std::vector<std::string>{"Helvetica"});
    EXPECT_EQ(documentOf(txn).runs.back().style.font, 0);
    // A repaired file is read all the same: the stray close is ignored and the open group
    // ends with the file.
    ASSERT_EQ(read("braces.rtf", "{\\rtf1 one} two {\\b three"), noErr);
    EXPECT_EQ(documentOf(txn).text, "one two three");

    ASSERT_EQ(read("EULA.txt", "Caf\x8E\r\nline two"), noErr);
    EXPECT_EQ(documentOf(txn).text, "Caf\xC3\xA9\nline two");

    EXPECT_EQ(TXNReadFromCFURL(txn, kTXNStartOffset, kTXNEndOffset, nullptr,
                               CFTest::Owned<CFURLRef>(CFTest::fileURL(dir / "none.rtf")), nullptr),
              fnfErr);
    EXPECT_EQ(documentOf(txn).text, "Caf\xC3\xA9\nline two");
    CFRelease(view);
}

TEST(TextView, DrawsItsTextInItsColourOverItsBackground) {
    WindowRef window = nullptr;
    Rect bounds{0, 0, 100, 240};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &bounds, &window), noErr);
    ShowWindow(window);
    HIRect frame = CGRectMake(20, 10, 200, 60);
    HIViewRef view = nullptr;
    ASSERT_EQ(HITextViewCreate(&frame, 0, 0x400A00, &view), noErr);
    ASSERT_EQ(HIViewAddSubview(HIViewGetRoot(window), view), noErr);
    CFRelease(view);
    HIViewSetVisible(view, true);
    TXNObject txn = HITextViewGetTXNObject(view);
    ASSERT_EQ(setText(txn, "MMMM MMMM"), noErr);
    ASSERT_EQ(style(txn, 24, {0xFF00, 0, 0}, "Helvetica"), noErr);
    RunCurrentEventLoop(0);
    auto at = [&](int x, int y) { return ControlTests::windowPixel(window, x, y); };
    UInt32 background = at(0, 0);
    std::vector<UInt32> image = ControlTests::windowPixels(window);
    EXPECT_GT(std::count_if(image.begin(), image.end(),
                            [](UInt32 p) {
                                return (p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) < 60 &&
                                       (p & 0xFF) < 60;
                            }),
              50)
        << "the text's red pixels";
    // The background is transparent: the corner away from the text shows the window.
    EXPECT_EQ(at(218, 68), background);

    const CGFloat blue[] = {0, 0, 1, 1};
    CFTest::Owned<CGColorRef> colour =
        CGColorCreate(CFTest::Owned<CGColorSpaceRef>(CGColorSpaceCreateDeviceRGB()), blue);
    ASSERT_EQ(HITextViewSetBackgroundColor(view, colour), noErr);
    RunCurrentEventLoop(0);
    EXPECT_EQ(at(218, 68), 0x0000FFu);
    EXPECT_EQ(at(19, 9), background);
    DisposeWindow(window);
}
