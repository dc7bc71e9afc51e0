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
            EXPECT_TRUE(sharesEmptyBlock(*s) && s->IsEmpty());
            EXPECT_EQ(s->GetUnicode(0), 0);
            EXPECT_STREQ(s->GetCharPtr(), "");
        }
        EXPECT_EQ(emptyCount(), before + 5);
    }
    EXPECT_EQ(emptyCount(), before);
}

TEST(CJString, CopiesShareUntilOneIsWritten) {
    CJString original("hello");
    CJString copy;
    copy = original;
    EXPECT_EQ(copy.GetData(), original.GetData());
    copy.SetCharacter(0, 'j');
    copy.SetCharacter(4, 'y');
    EXPECT_STREQ(copy.GetCharPtr(), "jelly");
    EXPECT_STREQ(original.GetCharPtr(), "hello");
    EXPECT_EQ(original.GetData()->m_RefCount, 1u);
    CJString& sameObject = copy;
    copy = sameObject;
    EXPECT_STREQ(copy.GetCharPtr(), "jelly");
    CJString third(copy);
    third.Empty();
    EXPECT_TRUE(sharesEmptyBlock(third));
    EXPECT_EQ(copy.GetData()->m_RefCount, 1u);
    // An index past the terminator slot is not written.
    CJString small("ab");
    small.SetCharacter(100, 'x');
    EXPECT_STREQ(small.GetCharPtr(), "ab");
}

TEST(CJString, CountedTextMidAndSplitPathName) {
    EXPECT_STREQ(CJString("abcdef", 3).GetCharPtr(), "abc");
    CJString padded("ab", 6); // copied as by strncpy: stops at a NUL
    EXPECT_STREQ(padded.GetCharPtr(), "ab");
    EXPECT_EQ(padded.GetAvailableSpaceLeftInBuffer(), 4u);
    unsigned short const units[] = {'x', 0x4E2D, 'z', 0};
    CJString wide(units, 2);
    EXPECT_TRUE(wide.IsUnicode());
    EXPECT_EQ(unitsOf(wide), u"x\u4E2D");
    EXPECT_EQ(CJString("\xE9").GetUnicode(0), 0xE9);

    EXPECT_TRUE(CJString("abcd").Mid(5, 3).IsEmpty());
    EXPECT_TRUE(CJString("abcd").Mid(4, 3).IsEmpty());
    EXPECT_STREQ(CJString("abcdef").Mid(2, 10).GetCharPtr(), "cdef");
    EXPECT_STREQ(CJString("abcdef").Mid(1, 2).GetCharPtr(), "bc");
    EXPECT_STREQ(CJString("abcdef").Mid(0, 0xFFFFFFFFu).GetCharPtr(), "abcdef");
    EXPECT_EQ(unitsOf(CJString(units, 3).Mid(1, 5)), u"\u4E2Dz");

    struct Split {
        const char* path;
        const char* directory;
        const char* name;
    } const splits[] = {{"dir/sub\\file.zip", "dir/sub", "file.zip"},
                        {"file.zip", "", "file.zip"},
                        {"/file.zip", "", "file.zip"},
                        {nullptr, "", "In Path Name Null!"},
                        {"a/b/", "a/b", ""}};
    for (const Split& split : splits) {
        CJString directory("junk");
        CJString name("junk");
        CJString::SplitPathName(split.path, &directory, &name);
        EXPECT_STREQ(directory.GetCharPtr(), split.directory) << (split.path ? split.path : "-");
        EXPECT_STREQ(name.GetCharPtr(), split.name) << (split.path ? split.path : "-");
    }
    CJString name;
    CJString::SplitPathName("a/b", nullptr, &name);
    EXPECT_STREQ(name.GetCharPtr(), "b");
}

TEST(CJString, AppendingAndSettingKeepEveryCharacter) {
    CJString s("ab");
    s += "cde";
    s += CJString("f");
    s.Concatenate("gh\0i", 4);
    EXPECT_EQ(std::memcmp(s.GetCharPtr(), "abcdefgh\0i", 11), 0);
    EXPECT_EQ(s.GetLen(), 8u);
    s += static_cast<char const*>(nullptr);
    EXPECT_EQ(s.GetLen(), 8u);

    CJString roomy;
    roomy.GetBuffer(16);
    roomy.ReleaseBuffer(0);
    roomy += "abc";
    roomy += CJString("def");
    EXPECT_STREQ(roomy.GetCharPtr(), "abcdef");

    // Appending to a shared string leaves the other; appending a string to itself.
    CJString shared("xy");
    CJString other(shared);
    shared += "z";
    EXPECT_STREQ(other.GetCharPtr(), "xy");
    shared += shared;
    EXPECT_STREQ(shared.GetCharPtr(), "xyzxyz");
    shared += shared.GetCharPtr() + 3;
    EXPECT_STREQ(shared.GetCharPtr(), "xyzxyzxyz");
    CJString empty;
    empty.Concatenate(CJString("abcdef"), 2);
    EXPECT_STREQ(empty.GetCharPtr(), "ab");

    // Set reuses a large enough block, also from a tail of its own text.
    CJString set("0123456789");
    CJStringData const* block = set.GetData();
    set.Set("abc", 3);
    EXPECT_EQ(set.GetData(), block);
    EXPECT_STREQ(set.GetCharPtr(), "abc");
    set = "a longer text";
    set.Set(set.GetCharPtr() + 2, 6);
    EXPECT_STREQ(set.GetCharPtr(), "longer");
    CJString partOf;
    partOf.Set(CJString("abcdef"), 4);
    EXPECT_STREQ(partOf.GetCharPtr(), "abcd");
    set = static_cast<char const*>(nullptr);
    EXPECT_TRUE(sharesEmptyBlock(set));
}

TEST(CJString, WideTextMixesWithEightBitText) {
    unsigned short const units[] = {0x3042, 'q', 0};
    CJString s("ab");
    s += CJString(units, 2);
    s += "!";
    EXPECT_TRUE(s.IsUnicode());
    EXPECT_EQ(unitsOf(s), u"ab\u3042q!");
    CJString high("xyz");
    high.SetCharacter(1, 0x1234);
    EXPECT_TRUE(high.IsUnicode());
    EXPECT_EQ(unitsOf(high), u"x\u1234z");
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

TEST(CJString, BuffersAndTheirRelease) {
    CJString s("abc");
    CJString keep(s);
    char* buffer = s.GetBuffer(8);
    EXPECT_STREQ(buffer, "abc");
    std::strcpy(buffer, "abcdefgh");
    s.ReleaseBuffer(5);
    EXPECT_STREQ(s.GetCharPtr(), "abcde");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLen(), 5u);
    EXPECT_STREQ(keep.GetCharPtr(), "abc");
    s.EmptyContentsButPreserveBuffer();
    EXPECT_TRUE(s.IsEmpty());
    s.GetBuffer(8);
    EXPECT_EQ(s.GetAvailableSpaceLeftInBuffer(), 8u);
    CJString sharing(s);
    s.EmptyContentsButPreserveBuffer();
    EXPECT_TRUE(sharesEmptyBlock(s));

    // Discarding the old text: a wide block is replaced by an 8-bit one.
    unsigned short const units[] = {'w', 'i', 'd', 'e', 0};
    CJString w(units, 4);
    w.GetBufferDiscardOldData(2);
    EXPECT_FALSE(w.IsUnicode());
    CJString e;
    EXPECT_EQ(e.GetBufferDiscardOldData(0), e.GetCharPtr());
    EXPECT_TRUE(sharesEmptyBlock(e));
    e.GetBufferDiscardOldData(3);
    EXPECT_FALSE(sharesEmptyBlock(e));
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
