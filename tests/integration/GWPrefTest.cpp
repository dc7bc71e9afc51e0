// The agreement record in the private preferences folder that TestSupport's main sets up.
#include "GWPref.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

CFStringRef const DOMAIN_NAME = CFSTR("com.Pellucid");

// Stores a value under the game's key the way another program might, bypassing GWPref.
void StoreRaw(int applicationID, CFPropertyListRef value) {
    CFStringRef key =
        CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%d.eula_agreed"), applicationID);
    CFPreferencesSetValue(key, value, DOMAIN_NAME, kCFPreferencesCurrentUser,
                          kCFPreferencesCurrentHost);
    CFRelease(key);
}

bool Agreed(int applicationID) {
    return GWPref(DOMAIN_NAME, applicationID).GetEulaAgreed();
}

} // namespace

// Kept per game as data, of which a reader counts only the first four bytes (the launcher
// writes the integer 1 in the machine's byte order; the end-to-end agreement test finds its
// key in the preferences file).
TEST(GWPref, AnAgreementIsKeptPerGameAsTheFirstFourBytesOfItsData) {
    EXPECT_FALSE(Agreed(1234));
    GWPref(DOMAIN_NAME, 1234).SetEulaAgreed();
    EXPECT_TRUE(Agreed(1234));
    EXPECT_FALSE(Agreed(4321)) << "another game of the same domain has its own agreement";
    EXPECT_FALSE(Agreed(123)) << "the key must not match a prefix of another ID";

    const std::pair<std::string, bool> cases[] = {{std::string(4, '\0'), false},
                                                  {"\x01", true},
                                                  {std::string("\0\0\x02", 3), true},
                                                  {std::string("\0\0\0\0\x01\x01", 6), false},
                                                  {"", false}};
    int applicationID = 500;
    for (const auto& [bytes, agreed] : cases) {
        CFDataRef value = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                       static_cast<CFIndex>(bytes.size()));
        StoreRaw(++applicationID, value);
        CFRelease(value);
        EXPECT_EQ(Agreed(applicationID), agreed) << ::testing::PrintToString(bytes);
    }
    // Booleans and texts are not the launcher's record.
    StoreRaw(601, kCFBooleanTrue);
    StoreRaw(602, CFSTR("yes"));
    EXPECT_FALSE(Agreed(601) || Agreed(602));
}
