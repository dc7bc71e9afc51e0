#include "CorvaneCore/CJString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::uint32_t emptyCount() {
    return CJString::GetGlobalEmptyString()->m_RefCount;
}

bool sharesEmptyBlock(CJString const& s) {
    return s.GetData() == CJString::GetGlobalEmptyString();
}

std::u16string unitsOf(CJString const& s) {
    std::u16string units;
    for (unsigned int i = 0; i < s.GetLen(); ++i) {
        units.push_back(static_cast<char16_t>(s.GetUnicode(i)));
    }
    return units;
}

} // namespace

TEST(CJString, EmptyStringsShareTheGlobalBlockThatIsNeverFreed) {
    std::uint32_t before = emptyCount();
    {
        CJString a;
        CJString b(static_cast<char const*>(nullptr));
        CJString c("text", 0);
        unsigned short const wide[] = {'w', 0};
        CJString d(wide, 0);
        CJString e("");
        for (CJString const* s : {&a, &b, &c, &d, &e}) {
            EXPECT_TRUE(sharesEmptyBlock(*s));
            EXPECT_TRUE(s->IsEmpty());
            EXPECT_EQ(s->GetLen(), 0u);
            EXPECT_EQ(s->GetUnicode(0), 0);
            EXPECT_STREQ(s->GetCharPtr(), "");
        }
        EXPECT_EQ(emptyCount(), before + 5);
    }
    EXPECT_EQ(emptyCount(), before);
    EXPECT_GE(before, 1u);
}

TEST(CJString, CopiesShareUntilOneIsWritten) {
    CJString original("hello");
    CJString copy;
    copy = original;
    EXPECT_EQ(copy.GetData(), original.GetData());
    EXPECT_EQ(original.GetData()->m_RefCount, 2u);

    copy.SetCharacter(0, 'j');
    EXPECT_STREQ(copy.GetCharPtr(), "jello");
    EXPECT_STREQ(original.GetCharPtr(), "hello");
    EXPECT_NE(copy.GetData(), original.GetData());
    EXPECT_EQ(original.GetData()->m_RefCount, 1u);

    // A unique block is written in place.
    CJStringData const* block = copy.GetData();
    copy.SetCharacter(4, 'y');
    EXPECT_EQ(copy.GetData(), block);
    EXPECT_STREQ(copy.GetCharPtr(), "jelly");

    CJString& sameObject = copy;
    copy = sameObject;
    EXPECT_EQ(copy.GetData(), block);
    CJString third(copy);
    third.Empty();
    EXPECT_TRUE(sharesEmptyBlock(third));
    EXPECT_EQ(copy.GetData()->m_RefCount, 1u);
}

TEST(CJString, ConstructionFromCountedText) {
    CJString counted("abcdef", 3);
    EXPECT_STREQ(counted.GetCharPtr(), "abc");
    EXPECT_EQ(counted.GetCapacity(), 3u);
    // Copied as by strncpy: stops at a NUL, capacity stays the count.
    CJString padded("ab", 6);
    EXPECT_STREQ(padded.GetCharPtr(), "ab");
    EXPECT_EQ(padded.GetCapacity(), 6u);
    EXPECT_EQ(padded.GetAvailableSpaceLeftInBuffer(), 4u);

    unsigned short const units[] = {'x', 0x4E2D, 'z', 0};
    CJString wide(units, 2);
    EXPECT_TRUE(wide.IsUnicode());
    EXPECT_EQ(wide.GetLen(), 2u);
    EXPECT_EQ(wide.GetUnicode(1), 0x4E2D);
    EXPECT_EQ(wide.GetData()->m_Capacity, 2u * 2 + 1);
    EXPECT_EQ(wide.GetCapacity(), 2u);
    EXPECT_EQ(CJString("\xE9").GetUnicode(0), 0xE9);
}

TEST(CJString, MidStaysWithinTheText) {
    EXPECT_TRUE(CJString("abcd").Mid(5, 3).IsEmpty());
    EXPECT_TRUE(CJString("abcd").Mid(4, 3).IsEmpty());
    EXPECT_STREQ(CJString("abcdef").Mid(2, 10).GetCharPtr(), "cdef");
    EXPECT_STREQ(CJString("abcdef").Mid(1, 2).GetCharPtr(), "bc");
    EXPECT_STREQ(CJString("abcdef").Mid(0, 0xFFFFFFFFu).GetCharPtr(), "abcdef");
    unsigned short const units[] = {'a', 0x100, 'c', 0};
    CJString wideMid = CJString(units, 3).Mid(1, 5);
    EXPECT_TRUE(wideMid.IsUnicode());
    EXPECT_EQ(unitsOf(wideMid), u"\u0100c");
}

TEST(CJString, AppendingGrowsToExactlyTheNeededSize) {
    CJString s("ab");
    EXPECT_EQ(s.GetCapacity(), 2u);
    s += "cde";
    EXPECT_STREQ(s.GetCharPtr(), "abcde");
    EXPECT_EQ(s.GetCapacity(), 5u);
    s += CJString("f");
    EXPECT_EQ(s.GetCapacity(), 6u);
    s.Concatenate("gh\0i", 4);
    EXPECT_EQ(s.GetCapacity(), 10u);
    EXPECT_EQ(std::memcmp(s.GetCharPtr(), "abcdefgh\0i", 11), 0);
    EXPECT_EQ(s.GetLen(), 8u);
    s += static_cast<char const*>(nullptr);
    EXPECT_EQ(s.GetCapacity(), 10u);

    // Room left from a larger buffer is reused without reallocating.
    CJString roomy;
    roomy.GetBuffer(16);
    CJStringData const* block = roomy.GetData();
    roomy.ReleaseBuffer(0);
    roomy += "abc";
    roomy += CJString("def");
    EXPECT_EQ(roomy.GetData(), block);
    EXPECT_STREQ(roomy.GetCharPtr(), "abcdef");
    EXPECT_EQ(roomy.GetCapacity(), 16u);

    // Appending to a shared string makes a private copy of exactly the new length.
    CJString shared("xy");
    CJString other(shared);
    shared += "z";
    EXPECT_STREQ(other.GetCharPtr(), "xy");
    EXPECT_STREQ(shared.GetCharPtr(), "xyz");
    EXPECT_EQ(shared.GetCapacity(), 3u);

    // Appending a string to itself.
    shared += shared;
    EXPECT_STREQ(shared.GetCharPtr(), "xyzxyz");
    shared += shared.GetCharPtr() + 3;
    EXPECT_STREQ(shared.GetCharPtr(), "xyzxyzxyz");

    // Appending to an empty string takes the other's first characters in a new block.
    CJString empty;
    empty.Concatenate(CJString("abcdef"), 2);
    EXPECT_STREQ(empty.GetCharPtr(), "ab");
    EXPECT_EQ(empty.GetCapacity(), 2u);
}

TEST(CJString, WideTextMixesWithEightBitText) {
    unsigned short const units[] = {0x3042, 'q', 0};
    CJString s("ab");
    s += CJString(units, 2);
    EXPECT_TRUE(s.IsUnicode());
    EXPECT_EQ(unitsOf(s), u"ab\u3042q");

    s += "!";
    EXPECT_EQ(unitsOf(s), u"ab\u3042q!");

    CJString high("xyz");
    high.SetCharacter(1, 0x1234);
    EXPECT_TRUE(high.IsUnicode());
    EXPECT_EQ(unitsOf(high), u"x\u1234z");
    EXPECT_EQ(high.GetCapacity(), 3u);

    // Setting 8-bit text always leaves exactly that text in 8 bits.
    high = "plain";
    EXPECT_FALSE(high.IsUnicode());
    EXPECT_STREQ(high.GetCharPtr(), "plain");
    CJString wide(units, 2);
    wide.Set("ab", 2);
    EXPECT_FALSE(wide.IsUnicode());
    EXPECT_STREQ(wide.GetCharPtr(), "ab");

    CJString converted("k");
    converted.ConvertToUnicode();
    EXPECT_TRUE(converted.IsUnicode());
    EXPECT_EQ(unitsOf(converted), u"k");
    EXPECT_EQ(converted.GetUnicodeBuffer(0)[1], 0);
}

TEST(CJString, SetReusesAUniqueBlockThatIsLargeEnough) {
    CJString s("0123456789");
    CJStringData const* block = s.GetData();
    s.Set("abc", 3);
    EXPECT_EQ(s.GetData(), block);
    EXPECT_STREQ(s.GetCharPtr(), "abc");
    EXPECT_EQ(s.GetCapacity(), 10u);

    s = "a longer text";
    EXPECT_NE(s.GetData(), block);
    EXPECT_EQ(s.GetCapacity(), 13u);

    // Setting from a tail of its own text.
    s.Set(s.GetCharPtr() + 2, 6);
    EXPECT_STREQ(s.GetCharPtr(), "longer");

    CJString partOf;
    partOf.Set(CJString("abcdef"), 4);
    EXPECT_STREQ(partOf.GetCharPtr(), "abcd");
    s = static_cast<char const*>(nullptr);
    EXPECT_TRUE(sharesEmptyBlock(s));
}

TEST(CJString, BuffersAndTheirRelease) {
    CJString s("abc");
    CJString keep(s);
    char* buffer = s.GetBuffer(8);
    EXPECT_EQ(s.GetCapacity(), 8u);
    EXPECT_STREQ(buffer, "abc");
    std::strcpy(buffer, "abcdefgh");
    s.ReleaseBuffer(5);
    EXPECT_STREQ(s.GetCharPtr(), "abcde");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLen(), 5u);
    EXPECT_STREQ(keep.GetCharPtr(), "abc");

    // A smaller request never shrinks the block.
    s.GetBuffer(2);
    EXPECT_EQ(s.GetCapacity(), 8u);

    // Emptying a unique string keeps its block for reuse.
    CJStringData const* block = s.GetData();
    s.EmptyContentsButPreserveBuffer();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetData(), block);
    s.GetBuffer(8);
    EXPECT_EQ(s.GetData(), block);
    EXPECT_EQ(s.GetAvailableSpaceLeftInBuffer(), 8u);
    CJString sharing(s);
    s.EmptyContentsButPreserveBuffer();
    EXPECT_TRUE(sharesEmptyBlock(s));

    // Discarding the old text: a unique block large enough is kept, a wide one is replaced.
    CJString d("0123456789");
    block = d.GetData();
    char* room = d.GetBufferDiscardOldData(4);
    EXPECT_EQ(d.GetData(), block);
    EXPECT_EQ(room, d.GetCharPtr());
    unsigned short const units[] = {'w', 'i', 'd', 'e', 0};
    CJString w(units, 4);
    w.GetBufferDiscardOldData(2);
    EXPECT_FALSE(w.IsUnicode());
    EXPECT_EQ(w.GetCapacity(), 4u);
    CJString e;
    EXPECT_EQ(e.GetBufferDiscardOldData(0), e.GetCharPtr());
    EXPECT_TRUE(sharesEmptyBlock(e));
    e.GetBufferDiscardOldData(3);
    EXPECT_FALSE(sharesEmptyBlock(e));
    EXPECT_EQ(e.GetCapacity(), 3u);

    // An index past the terminator slot is not written.
    CJString small("ab");
    small.SetCharacter(100, 'x');
    EXPECT_STREQ(small.GetCharPtr(), "ab");
}

TEST(CJString, FormatSizesTheBlockAndNeverOverflowsIt) {
    CJString s("old text that is long");
    s.Format("%s has been created", "abc");
    EXPECT_STREQ(s.GetCharPtr(), "abc has been created");
    EXPECT_FALSE(s.IsUnicode());

    s.Format("%d-%05.1f", 42, 3.14159);
    EXPECT_STREQ(s.GetCharPtr(), "42-003.1");

    // Conversions the estimate does not know still produce the whole text.
    s.Format("%x%x%x%x%x", 0xABCDEFu, 0x123456u, 0xFEDCBAu, 0x987654u, 0xDEAD01u);
    EXPECT_STREQ(s.GetCharPtr(), "abcdef123456fedcba987654dead01");
    // A format whose estimate is 0 (only unknown conversions) gives the empty string.
    s.Format("%x", 255u);
    EXPECT_TRUE(s.IsEmpty());
    s.Format("%S|%C", L"wide", L'c');
    EXPECT_STREQ(s.GetCharPtr(), "wide|c");
    s.Format("%.0f", 1e300);
    EXPECT_EQ(s.GetLen(), 301u);

    unsigned short const units[] = {'w', 0};
    CJString wide(units, 1);
    wide.Format("%s", "narrow");
    EXPECT_FALSE(wide.IsUnicode());
    EXPECT_STREQ(wide.GetCharPtr(), "narrow");

    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    s = "before";
    volatile int width = 2000000000;
    s.Format("%*d%*d", width, 1, width, 2);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CJString, SplitPathNameAtTheLastSeparator) {
    CJString directory("junk");
    CJString name("junk");
    CJString::SplitPathName("dir/sub\\file.zip", &directory, &name);
    EXPECT_STREQ(directory.GetCharPtr(), "dir/sub");
    EXPECT_STREQ(name.GetCharPtr(), "file.zip");

    CJString::SplitPathName("file.zip", &directory, &name);
    EXPECT_TRUE(directory.IsEmpty());
    EXPECT_STREQ(name.GetCharPtr(), "file.zip");

    CJString::SplitPathName("/file.zip", &directory, &name);
    EXPECT_TRUE(directory.IsEmpty());
    EXPECT_STREQ(name.GetCharPtr(), "file.zip");

    CJString::SplitPathName(nullptr, &directory, &name);
    EXPECT_TRUE(directory.IsEmpty());
    EXPECT_STREQ(name.GetCharPtr(), "In Path Name Null!");

    CJString::SplitPathName("a/b/", &directory, nullptr);
    EXPECT_STREQ(directory.GetCharPtr(), "a/b");
    CJString::SplitPathName("a/b", nullptr, &name);
    EXPECT_STREQ(name.GetCharPtr(), "b");
}
