#include "CorvaneCore/LocalizedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The strings are globals whose start-up order matters: the queue must exist before them and
// hold them in their order, empty ones left out.
TEST(LocalizedText, QueueHoldsTheTranslatableStringsInOrderAndNoEmptyOnes) {
    ASSERT_NE(pForceAddStrings, nullptr);
    std::vector<std::string> queued;
    for (std::uint32_t i = 0; i < 5 && i < pForceAddStrings->GetCount(); ++i) {
        CStringAnnotationPair const& pair = (*pForceAddStrings)[i];
        queued.push_back(std::string(pair.m_pString->GetCharPtr()) + " " + pair.m_pAnnotation);
    }
    EXPECT_EQ(queued, (std::vector<std::string>{
                          ": Hours:Minutes separator", ": Minutes:Seconds separator",
                          "d \"d\" is short for the days", "m suffix indicating minutes",
                          "s suffix indicating seconds"}));
    std::uint32_t before = pForceAddStrings->GetCount();
    CTranslatedJString empty("", "nothing", false);
    CTranslatedJString null(nullptr, "nothing", false);
    EXPECT_EQ(pForceAddStrings->GetCount(), before);
}

TEST(CList, GrowsWithoutOverflowAndTablesAreFreed) {
    EXPECT_EQ(CListGrownCapacity(0xFFFFFFFEu, 0xF0000000u), 0xFFFFFFFFu);
    EXPECT_EQ(CListGrownCapacity(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFFu);
    CLocalizedText holder;
    holder.SetTable(new CLocalizedString[2]{{"Yes", "Ja"}, {"No", "Nein"}}, 2);
    // The sanitizer build checks that the entries and their strings are freed.
    holder.RemoveTables();
    EXPECT_EQ(holder.GetTable(), nullptr);
}
