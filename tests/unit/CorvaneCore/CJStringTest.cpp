#include "CorvaneCore/CJString.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

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

std::u16string widened(std::string const& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

TEST(CJString, EmptyStringsShareTheGlobalBlockThatIsNeverFreed) {
    std::uint32_t before = emptyCount();
    {
        unsigned short const wide[] = {'w', 0};
        CJString const empties[] = {CJString(), CJString(static_cast<char const*>(nullptr)),
                                    CJString("text", 0), CJString(wide, 0), CJString("")};
        for (CJString const& s : empties) {
            EXPECT_TRUE(sharesEmptyBlock(s) && s.IsEmpty() && s.GetUnicode(0) == 0);
        }
        EXPECT_EQ(emptyCount(), before + 5);
    }
    EXPECT_EQ(emptyCount(), before);
}

// Random edits of one string, 8-bit and wide, compared after each with a std::u16string doing
// the same; copies taken along the way must keep the text they had (copy on write).
TEST(CJString, RandomEditsMatchAStringModel) {
    std::mt19937 random(1234);
    auto text = [&random](unsigned maxLength) {
        std::string t(random() % (maxLength + 1), '\0');
        for (char& c : t) {
            c = static_cast<char>('A' + random() % 58);
        }
        return t;
    };
    unsigned short const wideUnits[] = {0x4E2D, 'q', 0x3042, 0};
    CJString s;
    std::u16string model;
    bool wide = false;
    std::vector<std::pair<CJString, std::u16string>> copies;
    for (int step = 0; step < 3000; ++step) {
        std::string const t = text(step % 50 == 0 ? 300 : 12);
        std::size_t const at = random() % (model.size() + 1);
        std::size_t const count = random() % (t.size() + 1);
        switch (model.size() > 400 ? 2 : random() % 7) {
        case 0:
            s += t.c_str();
            model += widened(t);
            break;
        case 2:
            s = t.c_str();
            model = widened(t);
            wide = false;
            break;
        case 3:
            s = s.Mid(static_cast<unsigned>(at), static_cast<unsigned>(count));
            model = model.substr(at, count);
            wide = wide && !model.empty();
            break;
        case 4:
            if (at < model.size()) {
                char16_t const c = random() % 4 ? u'x' : u'\u4E2D';
                s.SetCharacter(static_cast<unsigned>(at), c);
                model[at] = c;
                wide = wide || c > 0xFF;
            }
            break;
        case 1:
            copies.emplace_back(s, model);
            break;
        case 5:
            s += s;
            model += model;
            break;
        case 6:
            s.Concatenate(CJString(wideUnits, 3), static_cast<unsigned>(count % 4));
            model += std::u16string(u"\u4E2Dq\u3042").substr(0, count % 4);
            wide = wide || (count % 4 > 0);
            break;
        }
        ASSERT_EQ(unitsOf(s), model) << "step " << step;
        ASSERT_EQ(s.IsUnicode(), wide) << "step " << step;
    }
    for (auto const& [copy, text] : copies) {
        EXPECT_EQ(unitsOf(copy), text);
    }
}

TEST(CJString, CountedTextSetsAndSplitPathName) {
    CJString padded("ab", 6); // copied as by strncpy: stops at a NUL
    EXPECT_STREQ(padded.GetCharPtr(), "ab");
    EXPECT_EQ(padded.GetAvailableSpaceLeftInBuffer(), 4u);
    // Set reuses a large enough block, also from a tail of its own text.
    CJString set("a longer text");
    CJStringData const* block = set.GetData();
    set.Set(set.GetCharPtr() + 2, 6);
    EXPECT_EQ(set.GetData(), block);
    EXPECT_STREQ(set.GetCharPtr(), "longer");

    // Path, directory, name.
    for (auto split : {std::array<const char*, 3>{"dir/sub\\file.zip", "dir/sub", "file.zip"},
                       {"/file.zip", "", "file.zip"},
                       {nullptr, "", "In Path Name Null!"},
                       {"a/b/", "a/b", ""}}) {
        CJString directory("junk");
        CJString name("junk");
        CJString::SplitPathName(split[0], &directory, &name);
        EXPECT_EQ(std::string(directory.GetCharPtr()) + "|" + name.GetCharPtr(),
                  std::string(split[1]) + "|" + split[2]);
    }
}

TEST(CJString, BuffersAndTheirRelease) {
    CJString s("abc");
    CJString keep(s);
    char* buffer = s.GetBuffer(8);
    std::strcpy(buffer, "abcdefgh");
    s.ReleaseBuffer(5);
    EXPECT_EQ(std::string(s.GetCharPtr()) + "|" + keep.GetCharPtr(), "abcde|abc");
    s.EmptyContentsButPreserveBuffer();
    EXPECT_EQ(s.GetAvailableSpaceLeftInBuffer(), 8u);

    // Discarding the old text: a wide block is replaced by an 8-bit one.
    unsigned short const units[] = {'w', 'i', 'd', 'e', 0};
    CJString w(units, 4);
    w.GetBufferDiscardOldData(2);
    EXPECT_FALSE(w.IsUnicode());
    CJString e;
    EXPECT_EQ(e.GetBufferDiscardOldData(0), e.GetCharPtr());
}

// Format agrees with snprintf whatever the conversions, flags, widths and argument types (the
// size estimate must read each argument with its own type, or the conversions after it would
// see the wrong values), and always leaves an 8-bit string.
TEST(CJString, FormatAgreesWithSnprintfAndNeverOverflows) {
    auto difference = [](char const* format, auto... arguments) {
        char expected[512];
        std::snprintf(expected, sizeof expected, format, arguments...);
        unsigned short const units[] = {'w', 0};
        CJString s(units, 1);
        s.Format(format, arguments...);
        std::string const got = s.IsUnicode() ? "<wide>" : s.GetCharPtr();
        return got == expected ? std::string() : got + " != " + expected;
    };
    EXPECT_EQ(difference("%ld %lld %zu %Lf %s|%.2s|%5d|%40d|%%|%c|%#8u", -123456789012L, 5LL,
                         std::size_t{6}, 1.25L, "abc", "abc", 7, 7, 'x', 3u),
              "");
    EXPECT_EQ(difference("%*s|%.*s|%f|%g|%p|%S|%ls|%C|%.2S|%.0f", 12, "ab", 1, "abc", 1.5, 2.5,
                         static_cast<void*>(nullptr), L"four", L"four", static_cast<wint_t>(L'z'),
                         L"four", 1e300),
              "");
    // Conversions the estimate does not know still produce the whole text.
    EXPECT_EQ(difference("%x%x%x%x%x-%d", 0xABCDEFu, 0x123456u, 0xFEDCBAu, 0x987654u, 0xDEAD01u, 1),
              "");
    // A format whose estimate is 0 (only unknown conversions) gives the empty string, as does
    // a text longer than a block can hold.
    CJString s("before");
    s.Format("%x", 255u);
    EXPECT_TRUE(s.IsEmpty());
    volatile int width = 2000000000;
    s.Format("%*d%*d", width, 1, width, 2);
    EXPECT_TRUE(s.IsEmpty());
}
