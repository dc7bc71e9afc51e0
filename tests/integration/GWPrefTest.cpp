// The agreement record in the private preferences folder that TestSupport's main sets up.
#include "GWPref.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

CFStringRef const DOMAIN_NAME = CFSTR("com.Pellucid");

// Stores a value under "<id>.eula_agreed" the way another program might, bypassing GWPref.
void StoreRaw(int applicationID, CFPropertyListRef value) {
    CFStringRef key =
        CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%d.eula_agreed"), applicationID);
    CFPreferencesSetValue(key, value, DOMAIN_NAME, kCFPreferencesCurrentUser,
                          kCFPreferencesCurrentHost);
    ASSERT_TRUE(CFPreferencesSynchronize(DOMAIN_NAME, kCFPreferencesCurrentUser,
                                         kCFPreferencesCurrentHost));
    CFRelease(key);
}

void StoreBytes(int applicationID, std::string const& bytes) {
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<UInt8 const*>(bytes.data()),
                                  static_cast<CFIndex>(bytes.size()));
    StoreRaw(applicationID, data);
    CFRelease(data);
}

bool Agreed(int applicationID) {
    GWPref pref(DOMAIN_NAME, applicationID);
    return pref.GetEulaAgreed();
}

// The text of the domain's file for the current host, or empty when there is none.
std::string DomainFile() {
    std::string folder = TestSupport::privateHome() + "/.config/Preferences/ByHost";
    std::error_code error;
    for (auto const& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().filename().string().rfind("com.Pellucid.", 0) == 0) {
            return TestSupport::readFile(entry.path().string());
        }
    }
    return {};
}

} // namespace

TEST(GWPref, AnAgreementIsWrittenAtOnceAndKeptPerApplicationID) {
    EXPECT_FALSE(Agreed(1234));
    {
        GWPref pref(DOMAIN_NAME, 1234);
        pref.SetEulaAgreed();
        EXPECT_TRUE(pref.GetEulaAgreed());
    }
    EXPECT_TRUE(Agreed(1234));
    EXPECT_FALSE(Agreed(4321)) << "another game of the same domain has its own agreement";
    EXPECT_FALSE(Agreed(123)) << "the key must not match a prefix of another ID";

    std::string file = DomainFile();
    EXPECT_NE(file.find("<key>1234.eula_agreed</key>"), std::string::npos) << file;
    // The integer 1 in the machine's byte order: 01 00 00 00, base64 AQAAAA==.
    EXPECT_NE(file.find("AQAAAA=="), std::string::npos) << file;
}

TEST(GWPref, StoredValuesCountOnlyAsTheirFirstFourBytesOfData) {
    StoreBytes(501, std::string(4, '\0'));
    EXPECT_FALSE(Agreed(501)) << "four zero bytes";
    StoreBytes(502, "\x01");
    EXPECT_TRUE(Agreed(502)) << "one byte 01, the rest counted as zero";
    StoreBytes(503, std::string("\0\0\0\0\x01\x01", 6));
    EXPECT_FALSE(Agreed(503)) << "bytes beyond the fourth are not read";
    StoreBytes(504, std::string("\0\0\x02", 3));
    EXPECT_TRUE(Agreed(504));
    StoreBytes(505, "");
    EXPECT_FALSE(Agreed(505)) << "empty data";

    std::int32_t one = 1;
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &one);
    StoreRaw(506, number);
    CFRelease(number);
    EXPECT_FALSE(Agreed(506)) << "a number is not the launcher's record";
    StoreRaw(507, CFSTR("yes"));
    EXPECT_FALSE(Agreed(507)) << "a text is not the launcher's record";
}
