#include "CGTestHelpers.h"
#include "CoreGraphics/CGContextCairo.h"

#include <gtest/gtest.h>

#include <string>

using namespace CGTest;

namespace {

// The box around the pixels of a canvas that the predicate picks (dark ones by default), and
// how many there are.
struct Ink {
    int count = 0;
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
};

bool dark(RGB p) {
    return (p.red + p.green + p.blue) / 3 < 128;
}

Ink inkOf(const Canvas& canvas, bool (*picked)(RGB) = dark) {
    Ink ink;
    for (int y = 0; y < static_cast<int>(canvas.height()); ++y) {
        for (int x = 0; x < static_cast<int>(canvas.width()); ++x) {
            if (picked(canvas.at(static_cast<size_t>(x), static_cast<size_t>(y)))) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

// Selects the font and shows the text at (x, y) in the current drawing mode and colours.
CGContextRef show(Canvas& canvas, const char* font, CGFloat size, const std::string& text,
                  CGFloat x = 10, CGFloat y = 10) {
    CGContextSelectFont(canvas.context(), font, size, kCGEncodingMacRoman);
    CGContextShowTextAtPoint(canvas.context(), x, y, text.data(), text.size());
    return canvas.context();
}

} // namespace

TEST(CGText, ButtonLabelLandsOnItsBaselineInAFlippedViewInTheFillColour) {
    // As a button writes its label in a flipped view: text matrix (1, -1), Helvetica 15,
    // baseline at y 30.
    Canvas canvas(200, 50);
    CGContextRef c = canvas.context();
    CGContextTranslateCTM(c, 0, 50);
    CGContextScaleCTM(c, 1, -1);
    CGContextSetTextMatrix(c, CGAffineTransformMakeScale(1, -1));
    CGContextSetTextDrawingMode(c, kCGTextFill);
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    show(canvas, "Helvetica", 15, "Play Game", 20, 30);

    // Capitals of a 15-point Helvetica stand about 11 pixels tall; "y" descends about 3.
    Ink ink = inkOf(canvas);
    EXPECT_NEAR(ink.left, 20, 2);
    EXPECT_NEAR(ink.top, 19, 2);
    EXPECT_NEAR(ink.bottom, 33, 2);
    EXPECT_NEAR(ink.right, 85, 15);
    // In the fill colour, and not blurred: the stems are solid red.
    EXPECT_GT(inkOf(canvas, [](RGB p) { return near(p, kRed, 8); }).count, 20);
    // The text position moved to the end of the text, where a second label would continue.
    CGPoint end = CGContextGetTextPosition(c);
    EXPECT_NEAR(end.x, ink.right + 1, 3);
    EXPECT_EQ(end.y, 30);
}

TEST(CGText, MacRomanBytesAreDecodedAndStandOnTheBaseline) {
    // 0x8E is e with an acute accent in MacRoman; as Latin-1 it would be a control character
    // with no glyph at all.
    Canvas accented(60, 40);
    Canvas plain(60, 40);
    show(accented, "Helvetica", 24, "\x8E");
    show(plain, "Helvetica", 24, "e");
    Ink withAccent = inkOf(accented);
    Ink without = inkOf(plain);
    EXPECT_GT(without.count, 20);
    // Unflipped, baseline at y 10 from the bottom: memory row 29 is the lowest row of ink.
    EXPECT_NEAR(without.bottom, 29, 1);
    EXPECT_GT(withAccent.count, without.count);
    EXPECT_LT(withAccent.top, without.top) << "the accent stands above the letter";
    // A NUL byte is one more character, not the end of the text.
    Canvas withNul(60, 40);
    show(withNul, "Helvetica", 24, std::string("e\0e", 3));
    EXPECT_GT(inkOf(withNul).count, without.count * 3 / 2);
}

TEST(CGText, DrawingModesStrokeClipOrDrawNothing) {
    // Without a font, in a font-specific encoding, or invisible, nothing is drawn; invisible
    // text still advances.
    Canvas canvas(100, 30);
    CGContextRef c = canvas.context();
    CGContextShowTextAtPoint(c, 5, 10, "Hidden", 6);
    CGContextSelectFont(c, "Helvetica", 15, kCGEncodingFontSpecific);
    CGContextShowTextAtPoint(c, 5, 10, "Hidden", 6);
    CGContextSetTextDrawingMode(c, kCGTextInvisible);
    show(canvas, "Helvetica-Bold", 15, "Hidden", 5, 10);
    EXPECT_EQ(inkOf(canvas).count, 0);
    EXPECT_GT(CGContextGetTextPosition(c).x, 30) << "invisible text still advances";
    CGContextShowTextAtPoint(nullptr, 5, 10, "x", 1);

    // Stroked text takes the stroke colour and leaves the fill colour unused.
    Canvas stroked(80, 40);
    c = stroked.context();
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextSetRGBStrokeColor(c, 1, 0, 0, 1);
    CGContextSetTextDrawingMode(c, kCGTextStroke);
    show(stroked, "Helvetica", 28, "O");
    EXPECT_GT(inkOf(stroked, [](RGB p) { return p.red > 200 && p.green < 120; }).count, 20);
    EXPECT_EQ(inkOf(stroked, [](RGB p) { return p.blue > 200 && p.red < 120; }).count, 0);
    // The inside of the O stays white: an outline, not a filled shape.
    Ink ring = inkOf(stroked, [](RGB p) { return (p.red + p.green + p.blue) / 3 < 200; });
    expectPixels(stroked, {{static_cast<size_t>((ring.left + ring.right) / 2),
                            static_cast<size_t>((ring.top + ring.bottom) / 2), kWhite}});

    // Clipping to the text limits later painting to the glyphs.
    Canvas clipped(80, 40);
    CGContextSetTextDrawingMode(clipped.context(), kCGTextClip);
    show(clipped, "Helvetica", 28, "I");
    EXPECT_EQ(inkOf(clipped).count, 0) << "clipping alone paints nothing";
    CGContextFillRect(clipped.context(), CGRectMake(0, 0, 80, 40));
    Ink bar = inkOf(clipped);
    EXPECT_GT(bar.count, 30);
    EXPECT_LT(bar.right - bar.left, 6) << "only the stem of the I";
}
