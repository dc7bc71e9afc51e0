// LSOpenApplication with real programs: application folders and executables, opened as
// processes of their own, and the errors for everything that cannot be opened.
#include <ApplicationServices/LaunchServices.h>
#include <CoreServices/Files.h>

#include "CFTestHelpers.h"
#include "ProcessTestHelpers.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

using namespace ProcessTesting;
namespace fs = std::filesystem;

namespace {

std::string linkTarget(const std::string& link) {
    std::error_code error;
    return fs::read_symlink(link, error).string();
}

std::string pathOf(const FSRef& ref) {
    UInt8 path[kFSRefMaxPathSize];
    return FSRefMakePath(&ref, path, sizeof path) == noErr ? reinterpret_cast<char*>(path) : "";
}

// Descriptors of this process that are handles on processes (pidfds).
int processHandleCount() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        count += fs::read_symlink(entry.path(), error).string() == "anon_inode:[pidfd]";
    }
    return count;
}

class LaunchServicesTest : public ProcessFixture {
protected:
    // Name.app with the sleeper as Contents/MacOS/<program>, named by the Info.plist when
    // plistName is given.
    std::string makeBundle(const std::string& name, const std::string& program,
                           const std::optional<std::string>& plistName) {
        std::string bundle = m_dir / (name + ".app");
        TestSupport::makeDirectories(bundle + "/Contents/MacOS");
        if (plistName) {
            TestSupport::writeFile(bundle + "/Contents/Info.plist",
                                   "<plist version=\"1.0\"><dict><key>CFBundleExecutable</key>"
                                   "<string>" +
                                       *plistName + "</string></dict></plist>\n");
        }
        fs::copy_file(helperPath("gw-test-sleeper"), bundle + "/Contents/MacOS/" + program);
        return bundle;
    }

    // Where /proc/<pid>/<name> of the launched program links to.
    static std::string procLink(const ProcessSerialNumber& psn, const std::string& name) {
        return linkTarget("/proc/" + std::to_string(psn.lowLongOfPSN) + "/" + name);
    }

    OSStatus open(const std::string& path, ProcessSerialNumber* psn,
                  LSLaunchFlags flags = kLSLaunchDefaults, CFArrayRef argv = nullptr,
                  CFDictionaryRef environment = nullptr) {
        FSRef ref{};
        EXPECT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr))
            << path;
        LSApplicationParameters parameters{0, flags, &ref, nullptr, environment, argv, nullptr};
        OSStatus status = LSOpenApplication(&parameters, psn);
        if (status == noErr) {
            track(static_cast<pid_t>(psn->lowLongOfPSN));
        }
        return status;
    }

    TestSupport::TempDir m_dir;
};

TEST_F(LaunchServicesTest, OpensAnApplicationFolderAsAnIndependentProcessWithItsArguments) {
    std::string bundle = makeBundle("Demo Game", "demo-game", "demo-game");
    const void* arguments[] = {CFSTR("--level"), CFSTR("two words")};
    CFTest::Owned<CFArrayRef> argv = CFArrayCreate(nullptr, arguments, 2, &kCFTypeArrayCallBacks);
    const void* names[] = {CFSTR("GW_LAUNCH_TEST"), CFSTR("HOME")};
    const void* values[] = {CFSTR("yes"), CFSTR("/elsewhere")};
    CFTest::Owned<CFDictionaryRef> environment =
        CFDictionaryCreate(nullptr, names, values, 2, &kCFTypeDictionaryKeyCallBacks,
                           &kCFTypeDictionaryValueCallBacks);
    ProcessSerialNumber psn{0, 0};
    ASSERT_EQ(noErr, open(bundle, &psn, kLSLaunchDefaults, argv, environment));
    pid_t pid = static_cast<pid_t>(psn.lowLongOfPSN);
    EXPECT_EQ(static_cast<UInt32>(startTimeOf(pid)), psn.highLongOfPSN);

    EXPECT_EQ(fs::canonical(bundle + "/Contents/MacOS/demo-game").string(), procLink(psn, "exe"));
    EXPECT_NE(getpid(), MacPlatformGetParentPID(pid)) << "the program must not be our child";
    EXPECT_NE(getsid(0), getsid(pid));
    EXPECT_EQ("/", procLink(psn, "cwd"));
    EXPECT_EQ("/dev/null", procLink(psn, "fd/0"));
    // The process's application is the bundle, not its executable.
    ProcessInfoRec info{};
    info.processInfoLength = sizeof info;
    FSRef location;
    info.processAppRef = &location;
    ASSERT_EQ(noErr, GetProcessInformation(&psn, &info));
    EXPECT_EQ(fs::canonical(bundle).string(), pathOf(location));

    std::string proc = "/proc/" + std::to_string(pid);
    EXPECT_EQ(bundle + "/Contents/MacOS/demo-game" + std::string("\0--level\0two words\0", 19),
              TestSupport::readFile(proc + "/cmdline"));
    std::string variables = TestSupport::readFile(proc + "/environ");
    EXPECT_NE(std::string::npos, variables.find(std::string("\0GW_LAUNCH_TEST=yes\0", 20)));
    EXPECT_NE(std::string::npos, variables.find(std::string("\0HOME=/elsewhere\0", 17)));
    EXPECT_EQ(std::string::npos,
              variables.find(std::string("\0HOME=", 6) + TestSupport::privateHome() + '\0'));

    // A folder without an Info.plist runs the program named like the folder.
    std::string plain = makeBundle("Plain", "Plain", std::nullopt);
    ASSERT_EQ(noErr, open(plain, &psn));
    EXPECT_EQ(fs::canonical(plain + "/Contents/MacOS/Plain").string(), procLink(psn, "exe"));
}

TEST_F(LaunchServicesTest, OpensExecutablesOnceAndLeaksNoDescriptorEitherWay) {
    // A descriptor the caller left inheritable must still not reach the program.
    int inheritable = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inheritable, 0);
    std::string program = m_dir / "game";
    fs::copy_file(helperPath("gw-test-sleeper"), program);
    ProcessSerialNumber first{0, 0};
    ASSERT_EQ(noErr, open(program, &first));
    close(inheritable);
    FSRef location;
    ASSERT_EQ(noErr, GetProcessBundleLocation(&first, &location));
    EXPECT_EQ(fs::canonical(program).string(), pathOf(location));

    // An application that runs already is brought forward, not started twice.
    ProcessSerialNumber again{0, 0};
    ASSERT_EQ(noErr, open(program, &again));
    EXPECT_EQ(words(first), words(again));
    ProcessSerialNumber second{0, 0};
    ASSERT_EQ(noErr, open(program, &second, kLSLaunchNewInstance));
    EXPECT_NE(first.lowLongOfPSN, second.lowLongOfPSN);

    // The caller keeps a handle on each program it opened, to learn of its end, and only
    // until then; nothing else is left open in the caller.
    EXPECT_EQ(2, processHandleCount());
    kill(static_cast<pid_t>(second.lowLongOfPSN), SIGKILL);
    EXPECT_TRUE(waitFor([] { return processHandleCount() == 1; }));
    int before = openDescriptorCount();
    ASSERT_EQ(noErr, open(program, &second, kLSLaunchNewInstance));
    EXPECT_EQ(before + 1, openDescriptorCount());
    // The program has its standard descriptors only (once the dynamic loader has closed the
    // library it holds open for a moment while the program starts).
    auto descriptors = [&] {
        std::vector<std::string> names;
        for (const auto& entry :
             fs::directory_iterator("/proc/" + std::to_string(first.lowLongOfPSN) + "/fd")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    waitFor([&] { return descriptors().size() <= 3; });
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2"}), descriptors());
}

TEST_F(LaunchServicesTest, WhatCannotBeOpenedGivesErrorsAndLeavesNoDescriptorBehind) {
    int descriptors = openDescriptorCount();
    ProcessSerialNumber psn{7, 7};
    std::string text = m_dir / "notes.txt";
    TestSupport::writeFile(text, "not a program");
    EXPECT_EQ(kLSNotAnApplicationErr, open(text, &psn));
    std::string garbage = m_dir / "garbage";
    TestSupport::writeFile(garbage, "neither a script nor a program");
    chmod(garbage.c_str(), 0755);
    EXPECT_EQ(kLSExecutableIncorrectFormat, open(garbage, &psn));

    std::string noProgram = makeBundle("NoProgram", "other-name", "missing-program");
    EXPECT_EQ(kLSNoExecutableErr, open(noProgram, &psn));
    std::string escaping = makeBundle("Escaping", "escape", "../../../bin/sh");
    EXPECT_EQ(kLSNoExecutableErr, open(escaping, &psn));

    std::string gone = makeBundle("Gone", "gone", "gone");
    FSRef ref;
    ASSERT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const UInt8*>(gone.c_str()), &ref, nullptr));
    TestSupport::removeTree(gone);
    LSApplicationParameters parameters{0,       kLSLaunchDefaults, &ref,   nullptr,
                                       nullptr, nullptr,           nullptr};
    EXPECT_EQ(fnfErr, LSOpenApplication(&parameters, &psn));
    EXPECT_EQ(7u, psn.lowLongOfPSN) << "a failed launch leaves the serial number alone";

    EXPECT_EQ(paramErr, LSOpenApplication(nullptr, &psn));
    parameters.application = nullptr;
    EXPECT_EQ(paramErr, LSOpenApplication(&parameters, &psn));
    EXPECT_EQ(descriptors, openDescriptorCount());
}

} // namespace
