#include "CorvaneCore/LocalizedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(LocalizedText, QueueHoldsTheFiveTranslatableStringsInOrder) {
    ASSERT_NE(pForceAddStrings, nullptr);
    struct Expected {
        CJString* string;
        char const* text;
        char const* annotation;
    };
    std::vector<Expected> expected = {
        {&HourMinuteSeparatorString, ":", "Hours:Minutes separator"},
        {&MinuteSecondsSeparatorString, ":", "Minutes:Seconds separator"},
        {&DaysAbreviationString, "d", "\"d\" is short for the days"},
        {&MinutesSuffixString, "m", "suffix indicating minutes"},
        {&SecondsSuffixString, "s", "suffix indicating seconds"},
    };
    // Other tests may queue strings of their own after start-up; the first five are ours.
    ASSERT_GE(pForceAddStrings->GetCount(), expected.size());
    for (std::uint32_t i = 0; i < expected.size(); ++i) {
        CStringAnnotationPair const& pair = (*pForceAddStrings)[i];
        EXPECT_EQ(pair.m_pString, expected[i].string) << i;
        EXPECT_STREQ(pair.m_pString->GetCharPtr(), expected[i].text) << i;
        EXPECT_STREQ(pair.m_pAnnotation, expected[i].annotation) << i;
    }
    EXPECT_STREQ(DaysAbreviationString.GetEnglishText(), "d");
}

TEST(LocalizedText, EditorStringsStayOutOfTheQueueAndDelimiterLengthsAreMeasured) {
    EXPECT_STREQ(NoZipsFoundMessage.GetCharPtr(), "No zip files found");
    for (std::uint32_t i = 0; i < pForceAddStrings->GetCount(); ++i) {
        EXPECT_NE((*pForceAddStrings)[i].m_pString, &NoZipsFoundMessage);
    }
    EXPECT_EQ(ENGLISH_STRING_DELIMITER_LENGTH, 9u);
    EXPECT_EQ(LOCALIZED_STRING_DELIMITER_LENGTH, 11u);
    EXPECT_EQ(END_LOCALIZATION_LINE_STRING_DELIMITER_LENGTH, 5u);
    // The annotation format's length leaves out its "%s".
    EXPECT_EQ(ANNOTATION_FORMAT_STRING_LENGTH, 3u);
    EXPECT_EQ(LocalizedText.GetTable(), nullptr);
}

TEST(LocalizedText, EmptyStringsAreNeverQueued) {
    std::uint32_t before = pForceAddStrings->GetCount();
    CTranslatedJString empty("", "nothing", false);
    CTranslatedJString null(nullptr, "nothing", false);
    EXPECT_TRUE(null.IsEmpty());
    EXPECT_EQ(pForceAddStrings->GetCount(), before);

    CTranslatedJString later("later", nullptr, true);
    ASSERT_EQ(pForceAddStrings->GetCount(), before + 1);
    EXPECT_EQ((*pForceAddStrings)[before].m_pString, &later);
    EXPECT_EQ((*pForceAddStrings)[before].m_pAnnotation, nullptr);
    // The string is about to go away: put the queue back as it was.
    std::vector<CStringAnnotationPair> kept;
    for (std::uint32_t i = 0; i < before; ++i) {
        kept.push_back((*pForceAddStrings)[i]);
    }
    pForceAddStrings->Zero();
    for (CStringAnnotationPair const& pair : kept) {
        pForceAddStrings->Add(pair);
    }
    EXPECT_EQ(pForceAddStrings->GetCount(), before);
}

TEST(CList, AddsInOrderAndGrowsWithoutOverflow) {
    CList<CStringAnnotationPair> list;
    CJString text("x");
    for (std::uint32_t i = 0; i < 22; ++i) {
        CStringAnnotationPair pair;
        pair.m_pString = &text;
        pair.m_pAnnotation = i % 2 ? "odd" : "even";
        EXPECT_EQ(list.Add(pair), i);
    }
    EXPECT_STREQ(list[0].m_pAnnotation, "even");
    EXPECT_STREQ(list[21].m_pAnnotation, "odd");
    list.Zero();
    EXPECT_EQ(list.GetCount(), 0u);
    list.GrowToSize(30);
    EXPECT_EQ(list.GetCapacity(), 30u);
    EXPECT_EQ(CListGrownCapacity(0xFFFFFFFEu, 0xF0000000u), 0xFFFFFFFFu);
    EXPECT_EQ(CListGrownCapacity(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(CLocalizedText, RemoveTablesDestroysTheTable) {
    CLocalizedText holder;
    holder.RemoveTables();
    EXPECT_EQ(holder.GetCount(), 0u);
    EXPECT_EQ(holder.GetTable(), nullptr);

    auto* table = new CLocalizedString[2];
    table[0].m_English = "Yes";
    table[0].m_Translation = "Ja";
    table[1].m_English = "No";
    table[1].m_Translation = "Nein";
    holder.SetTable(table, 2);
    EXPECT_EQ(holder.GetCount(), 2u);
    // The sanitizer build checks that the entries and their strings are freed.
    holder.RemoveTables();
    EXPECT_EQ(holder.GetTable(), nullptr);
    EXPECT_EQ(holder.GetCount(), 0u);
}
