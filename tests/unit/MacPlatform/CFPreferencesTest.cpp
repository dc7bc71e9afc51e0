#include "CFTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <glob.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace CFTest;
using TestSupport::TempDir;

namespace {

// Every test gets its own XDG_CONFIG_HOME, so that files of one test never meet another's.
class CFPreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_saved = old ? old : "";
        setenv("XDG_CONFIG_HOME", m_config.path().c_str(), 1);
    }
    void TearDown() override { setenv("XDG_CONFIG_HOME", m_saved.c_str(), 1); }

    // The one data file of the domain in ByHost, or "" when there is none (or more than one).
    std::string fileOf(const std::string& domain) const {
        glob_t found;
        std::string pattern = m_config / ("Preferences/ByHost/" + domain + ".*.plist");
        bool one = glob(pattern.c_str(), 0, nullptr, &found) == 0 && found.gl_pathc == 1;
        std::string path = one ? found.gl_pathv[0] : "";
        globfree(&found);
        return path;
    }

    TempDir m_config;
    std::string m_saved;
};

void set(CFStringRef domain, const char* key, CFPropertyListRef value) {
    CFPreferencesSetValue(Owned<CFStringRef>(cfString(key)), value, domain,
                          kCFPreferencesCurrentUser, kCFPreferencesCurrentHost);
}

void setInt(CFStringRef domain, const char* key, int value) {
    set(domain, key, Owned<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberIntType, &value)));
}

bool sync(CFStringRef domain) {
    return CFPreferencesSynchronize(domain, kCFPreferencesCurrentUser, kCFPreferencesCurrentHost);
}

// The integer under the key, or -1 when there is none or it is not a number.
int getInt(CFStringRef domain, const char* key) {
    Owned<CFPropertyListRef> value =
        CFPreferencesCopyValue(Owned<CFStringRef>(cfString(key)), domain, kCFPreferencesCurrentUser,
                               kCFPreferencesCurrentHost);
    int result = -1;
    if (value && CFGetTypeID(value) == CFNumberGetTypeID()) {
        CFNumberGetValue(static_cast<CFNumberRef>(value.get()), kCFNumberIntType, &result);
    }
    return result;
}

// The number of entries of the file parsed as a dictionary, or -1.
CFIndex entriesIn(const std::string& path) {
    Owned<CFPropertyListRef> list = CFPropertyListCreateFromXMLData(
        nullptr, Owned<CFDataRef>(cfData(TestSupport::readFile(path))), kCFPropertyListImmutable,
        nullptr);
    bool dictionary = list && CFGetTypeID(list) == CFDictionaryGetTypeID();
    return dictionary ? CFDictionaryGetCount(static_cast<CFDictionaryRef>(list.get())) : -1;
}

} // namespace

TEST_F(CFPreferencesTest, AgreementDataIsStoredPerUserAndHostInAPrivateFile) {
    CFStringRef domain = CFSTR("com.Pellucid");
    set(domain, "1234.eula_agreed", Owned<CFDataRef>(cfData(std::string("\1\0\0\0", 4))));
    // On disk only after synchronising.
    EXPECT_EQ(fileOf("com.Pellucid"), "");
    ASSERT_TRUE(sync(domain));

    std::string path = fileOf("com.Pellucid");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(entriesIn(path), 1);

    // The same domain for any host is a different file.
    CFPreferencesSetAppValue(CFSTR("shared"), kCFBooleanTrue, domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_TRUE(TestSupport::pathExists(m_config / "Preferences/com.Pellucid.plist"));

    // A NULL value removes the key.
    set(domain, "1234.eula_agreed", nullptr);
    ASSERT_TRUE(sync(domain));
    EXPECT_EQ(entriesIn(path), 0);
}

TEST_F(CFPreferencesTest, SynchronizeMergesWithWhatOthersWroteAndRefusesWhatItCannotKeep) {
    CFStringRef domain = CFSTR("com.example.merge");
    setInt(domain, "mine", 1);
    ASSERT_TRUE(sync(domain));
    std::string path = fileOf("com.example.merge");
    // Another program rewrites the file; this process sees it only after synchronising.
    TestSupport::writeFile(path, "<plist><dict><key>theirs</key><integer>2</integer>"
                                 "<key>mine</key><integer>1</integer></dict></plist>");
    EXPECT_EQ(getInt(domain, "theirs"), -1);
    setInt(domain, "later", 3);
    ASSERT_TRUE(sync(domain));
    EXPECT_EQ(getInt(domain, "theirs"), 2);
    EXPECT_EQ(getInt(domain, "mine"), 1);
    EXPECT_EQ(getInt(domain, "later"), 3);
    Owned<CFArrayRef> keys =
        CFPreferencesCopyKeyList(domain, kCFPreferencesCurrentUser, kCFPreferencesCurrentHost);
    EXPECT_EQ(CFArrayGetCount(keys), 3);

    // The stored value is a copy: changing the caller's dictionary afterwards changes nothing.
    Owned<CFMutableDictionaryRef> dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    set(domain, "dict", dict);
    CFDictionarySetValue(dict, CFSTR("late"), kCFBooleanTrue);
    Owned<CFPropertyListRef> stored = CFPreferencesCopyValue(
        CFSTR("dict"), domain, kCFPreferencesCurrentUser, kCFPreferencesCurrentHost);
    EXPECT_EQ(CFDictionaryGetCount(static_cast<CFDictionaryRef>(stored.get())), 0);

    // Values that are not property lists, other users, other hosts and names that would leave
    // the preferences folder are refused.
    set(domain, "url",
        Owned<CFURLRef>(
            CFURLCreateWithFileSystemPath(nullptr, CFSTR("/"), kCFURLPOSIXPathStyle, true)));
    EXPECT_EQ(getInt(domain, "url"), -1);
    EXPECT_EQ(CFPreferencesCopyValue(CFSTR("mine"), domain, kCFPreferencesAnyUser,
                                     kCFPreferencesCurrentHost),
              nullptr);
    EXPECT_FALSE(CFPreferencesSynchronize(domain, kCFPreferencesCurrentUser, CFSTR("elsewhere")));
    EXPECT_FALSE(sync(CFSTR("../escape")));

    // A damaged file reads as empty and is replaced on the next write.
    for (const char* damage :
         {"<plist><dict><key>mine</key><integer>1</integer>", "", "<plist><array/></plist>"}) {
        TestSupport::writeFile(path, damage);
        ASSERT_TRUE(sync(domain)) << damage;
        EXPECT_EQ(getInt(domain, "mine"), -1) << damage;
    }
    setInt(domain, "new", 2);
    ASSERT_TRUE(sync(domain));
    EXPECT_EQ(entriesIn(path), 1);
}

TEST_F(CFPreferencesTest, AFailedWriteKeepsTheChangesPending) {
    // When the folder cannot be made, synchronising fails and the change stays pending, so a
    // later synchronise can still write it.
    TestSupport::writeFile(m_config / "not-a-folder", "x");
    setenv("XDG_CONFIG_HOME", (m_config / "not-a-folder").c_str(), 1);
    setInt(CFSTR("com.example.blocked"), "kept", 9);
    EXPECT_FALSE(sync(CFSTR("com.example.blocked")));
    EXPECT_EQ(getInt(CFSTR("com.example.blocked"), "kept"), 9);
    ASSERT_EQ(unlink((m_config / "not-a-folder").c_str()), 0);
    ASSERT_EQ(mkdir((m_config / "not-a-folder").c_str(), 0700), 0);
    EXPECT_TRUE(sync(CFSTR("com.example.blocked")));
    EXPECT_TRUE(TestSupport::pathExists(m_config / "not-a-folder/Preferences/ByHost"));
}

TEST_F(CFPreferencesTest, ConcurrentWritersLoseNothingAndAWriteReplacesTheFileWhole) {
    // Two processes setting different keys at once both keep their values.
    // Each write takes long enough for the two to overlap many times.
    CFStringRef domain = CFSTR("com.example.race");
    pid_t children[2] = {-1, -1};
    const char* keys[2] = {"first", "second"};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0) << "fork failed";
        if (children[c] == 0) {
            for (int i = 1; i <= 200; ++i) {
                setInt(domain, keys[c], i);
                if (!sync(domain)) {
                    TestSupport::exitChild(2);
                }
            }
            TestSupport::exitChild(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ASSERT_TRUE(sync(domain));
    EXPECT_EQ(getInt(domain, "first"), 200);
    EXPECT_EQ(getInt(domain, "second"), 200);

    // A write makes a new file and renames it over the old one, so that a writer killed halfway
    // leaves the old file whole; what such a writer left beside it stops no later write.
    std::string path = fileOf("com.example.race");
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    TestSupport::writeFile(path + ".tmp", "<plist><dict><key>half");
    setInt(domain, "first", 201);
    ASSERT_TRUE(sync(domain));
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(entriesIn(path), 2);
}
