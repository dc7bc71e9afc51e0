// The game task with real processes: a test game is copied into a bundle's ".Game" folder and
// told what to do through a file in its own bundle, since a launched game gets no arguments.
#include "GWTask.h"
#include "GWUtil.h"

#include "MacPlatformTesting.h"
#include "ProcessFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace {

using ProcessTesting::hasEnded;
using ProcessTesting::startTimeOf;
using ProcessTesting::waitFor;
using TestSupport::TempDir;

bool IsIdle(const GWTask& task) {
    return task.GetProcessSerialNumber().highLongOfPSN == 0 &&
           task.GetProcessSerialNumber().lowLongOfPSN == kNoProcess;
}

bool IsAlive(pid_t pid) {
    char state = ProcessTesting::stateOf(pid);
    return state != '\0' && state != 'Z' && state != 'X';
}

class GWTaskTest : public ProcessTesting::ProcessFixture {
protected:
    void SetUp() override {
        TestSupport::makeDirectories(mBundle + "/Contents/Resources");
        MacPlatformTestSetMainBundlePath(mBundle.c_str());
    }

    void TearDown() override {
        MacPlatformTestSetMainBundlePath(nullptr);
        ProcessFixture::TearDown();
    }

    // Makes <bundle>/.Game/<relative> an application running the test game with the given
    // behaviour words; returns its resources folder, where the game reports.
    std::string MakeGame(const std::string& behaviour, const std::string& relative = "Game.app",
                         const std::string& gameFolder = "") {
        std::string app = (gameFolder.empty() ? mBundle + "/.Game" : gameFolder) + "/" + relative;
        TestSupport::writeFile(app + "/Contents/Info.plist",
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<plist version=\"1.0\"><dict>"
                               "<key>CFBundleExecutable</key><string>gw-test-game</string>"
                               "</dict></plist>\n");
        TestSupport::makeDirectories(app + "/Contents/MacOS");
        std::filesystem::copy_file(ProcessTesting::helperPath("gw-test-game"),
                                   app + "/Contents/MacOS/gw-test-game");
        TestSupport::writeFile(app + "/Contents/Resources/behaviour", behaviour);
        return app + "/Contents/Resources";
    }

    // Starts the task's game and hands its pid to the fixture's clean-up.
    OSStatus Launch(GWTask& task) {
        OSStatus status = task.StartOpenTask();
        // A game that has already quit has no pid to read; its report names it.
        if (status == noErr && task.GetProcessID() > 0) {
            track(task.GetProcessID());
        }
        return status;
    }

    // The pids the game reported, each handed to the fixture's clean-up; empty when the
    // report did not come.
    std::map<std::string, pid_t> ReadReport(const std::string& resources) {
        std::map<std::string, pid_t> pids;
        if (!waitFor([&] { return TestSupport::pathExists(resources + "/pids"); })) {
            return pids;
        }
        std::istringstream lines(TestSupport::readFile(resources + "/pids"));
        std::string role;
        pid_t pid;
        while (lines >> role >> pid) {
            pids[role] = pid;
            track(pid);
        }
        return pids;
    }

    TempDir mDir;
    std::string mBundle = mDir / "Test Launcher.app";
};

TEST_F(GWTaskTest, NeverLaunchedTaskIsIdleAndCleanUpStopsNothing) {
    GWTask task("Game.app", true);
    EXPECT_TRUE(IsIdle(task));
    EXPECT_FALSE(task.IsRunning());
    EXPECT_FALSE(task.IsChildRunning());
    EXPECT_NE(task.KillChildren(), noErr);
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(IsIdle(task));
}

TEST_F(GWTaskTest, LaunchOpensTheGameAsAnIndependentProcessAndCleanUpStopsIt) {
    std::string resources = MakeGame("run");
    GWTask task("Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    EXPECT_FALSE(IsIdle(task));
    std::map<std::string, pid_t> pids = ReadReport(resources);
    ASSERT_EQ(pids.count("game"), 1u);
    EXPECT_EQ(pids["game"], task.GetProcessID());
    EXPECT_NE(MacPlatformGetParentPID(task.GetProcessID()), getpid());
    EXPECT_TRUE(task.IsRunning());
    EXPECT_FALSE(task.IsChildRunning());

    pid_t first = task.GetProcessID();
    unsigned long long firstStart = startTimeOf(first);
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(IsIdle(task));
    EXPECT_FALSE(task.IsRunning());
    EXPECT_TRUE(waitFor([&] { return hasEnded(first, firstStart); }));

    // The same task plays again.
    std::filesystem::remove(resources + "/pids");
    ASSERT_EQ(Launch(task), noErr);
    EXPECT_EQ(ReadReport(resources)["game"], task.GetProcessID());
    EXPECT_TRUE(task.IsRunning());
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_FALSE(task.IsRunning());
}

TEST_F(GWTaskTest, GameThatQuitsByItselfIsNoLongerRunning) {
    std::string resources = MakeGame("quit");
    GWTask task("Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    EXPECT_EQ(ReadReport(resources).count("game"), 1u);
    EXPECT_TRUE(waitFor([&] { return !task.IsRunning(); }));
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(IsIdle(task));
}

TEST_F(GWTaskTest, GameIgnoringTheRequestToQuitIsGoneWhenCleanUpReturns) {
    std::string resources = MakeGame("stubborn");
    GWTask task("Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    ASSERT_EQ(ReadReport(resources).count("game"), 1u);
    pid_t game = task.GetProcessID();
    unsigned long long start = startTimeOf(game);

    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(hasEnded(game, start));
    EXPECT_FALSE(task.IsRunning());
}

TEST_F(GWTaskTest, TrackedChildrenAreStoppedBeforeTheGameAndGrandchildrenAreLeftAlone) {
    std::string resources = MakeGame("run child grandchild");
    GWTask task("Game.app", true);
    ASSERT_EQ(Launch(task), noErr);
    std::map<std::string, pid_t> pids = ReadReport(resources);
    ASSERT_EQ(pids.count("child"), 1u);
    ASSERT_EQ(pids.count("grandchild"), 1u);
    unsigned long long childStart = startTimeOf(pids["child"]);
    EXPECT_TRUE(task.IsChildRunning());

    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_FALSE(task.IsRunning());
    EXPECT_TRUE(waitFor([&] { return hasEnded(pids["child"], childStart); }));
    // The child notes, as it is asked to quit, whether the game was still its parent.
    EXPECT_TRUE(
        waitFor([&] { return TestSupport::pathExists(resources + "/child-stopped-under-game"); }));
    EXPECT_TRUE(IsAlive(pids["grandchild"]));
}

TEST_F(GWTaskTest, UntrackedChildrenKeepRunningAfterCleanUp) {
    std::string resources = MakeGame("run child");
    GWTask task("Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    std::map<std::string, pid_t> pids = ReadReport(resources);
    ASSERT_EQ(pids.count("child"), 1u);
    EXPECT_TRUE(task.IsChildRunning());

    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_FALSE(task.IsRunning());
    EXPECT_TRUE(IsAlive(pids["child"]));
    EXPECT_FALSE(TestSupport::pathExists(resources + "/child-stopped-under-game"));
}

TEST_F(GWTaskTest, MissingGameReturnsAnErrorAndLeavesTheTaskIdle) {
    GWTask task("Game.app", false);
    EXPECT_NE(Launch(task), noErr);
    EXPECT_TRUE(IsIdle(task));
    EXPECT_EQ(task.GetProcessID(), 0);
    EXPECT_FALSE(task.IsRunning());

    // After a game that ran, a missing one still leaves the task idle.
    std::string resources = MakeGame("run");
    ASSERT_EQ(Launch(task), noErr);
    ASSERT_EQ(ReadReport(resources).count("game"), 1u);
    task.CloseAndCleanUp();
    std::filesystem::remove_all(mBundle + "/.Game");
    EXPECT_NE(Launch(task), noErr);
    EXPECT_TRUE(IsIdle(task));
}

TEST_F(GWTaskTest, ExecPathThatIsEmptyLeavesTheGameFolderOrIsTooLongLaunchesNothing) {
    // A real game beside the bundle, which a path climbing out of ".Game" would reach.
    std::string outside = MakeGame("run", "Outside.app", mDir.path());
    std::string inner = MakeGame("run", "Inner Folder/Game.app");
    for (const char* execPath :
         {"", "../../Outside.app", "Inner Folder/../../../Outside.app", ".."}) {
        GWTask task(execPath, false);
        EXPECT_EQ(Launch(task), paramErr) << "exec path \"" << execPath << "\"";
        EXPECT_TRUE(IsIdle(task));
    }
    // Room for 2047 characters of game path: one more is refused, not cut.
    std::string tooLong((2048 - (mBundle + "/.Game/").size()), 'a');
    GWTask longTask(tooLong.c_str(), false);
    EXPECT_EQ(Launch(longTask), paramErr);
    EXPECT_TRUE(IsIdle(longTask));
    EXPECT_FALSE(TestSupport::pathExists(outside + "/pids"));

    // Folders in the exec path are followed as long as they stay inside.
    GWTask task("Inner Folder/Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    EXPECT_EQ(ReadReport(inner)["game"], task.GetProcessID());
    task.CloseAndCleanUp();
}

TEST_F(GWTaskTest, GameBroughtToTheFrontIsTheFrontProcess) {
    // Without a display the platform itself keeps which process is in front.
    const char* display = getenv("DISPLAY");
    std::string savedDisplay = display ? display : "";
    unsetenv("DISPLAY");
    std::string resources = MakeGame("run");
    GWTask task("Game.app", false);
    ASSERT_EQ(Launch(task), noErr);
    ASSERT_EQ(ReadReport(resources).count("game"), 1u);
    EXPECT_FALSE(task.IsFront());
    EXPECT_TRUE(task.SetFrontProcess());
    EXPECT_TRUE(task.IsFront());
    task.CloseAndCleanUp();
    EXPECT_FALSE(task.IsFront());
    EXPECT_FALSE(task.SetFrontProcess());
    if (display) {
        setenv("DISPLAY", savedDisplay.c_str(), 1);
    }
}

// The bundle path is remembered for the life of the process, so each case runs in a fresh
// process of its own.
TEST(GWUtil, BundlePathIsTheFolderThatHoldsTheBundle) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    std::string first = dir / "Games/First.app";
    TestSupport::makeDirectories(first + "/Contents/Resources");
    TestSupport::makeDirectories(dir / "Other.app/Contents/Resources");
    EXPECT_EXIT(
        {
            MacPlatformTestSetMainBundlePath(first.c_str());
            char path[1024];
            bool ok = GetBundlePath(path, sizeof path) && std::string(path) == dir / "Games";
            // Remembered: another bundle later changes nothing; a short buffer gets a cut,
            // terminated copy.
            MacPlatformTestSetMainBundlePath((dir / "Other.app").c_str());
            ok = ok && GetBundlePath(path, sizeof path) && std::string(path) == dir / "Games";
            char shortBuffer[5];
            ok = ok && GetBundlePath(shortBuffer, sizeof shortBuffer) &&
                 std::string(shortBuffer) == (dir / "Games").substr(0, 4);
            ChangeWorkingDirectoryToBundleStart();
            char cwd[PATH_MAX];
            ok = ok && getcwd(cwd, sizeof cwd) && std::string(cwd) == dir / "Games";
            _exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    // A resources folder spelt in another mix of case is cut the same way.
    std::string oddCase = dir / "Odd.app/contents/RESOURCES";
    TestSupport::makeDirectories(oddCase);
    EXPECT_EXIT(
        {
            MacPlatformTestSetMainBundlePath(oddCase.c_str());
            char path[1024];
            _exit(GetBundlePath(path, sizeof path) && std::string(path) == dir.path() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    // A bundle in the root folder: its folder is "/" and becomes the working directory.
    EXPECT_EXIT(
        {
            MacPlatformTestSetMainBundlePath("/gw-test-no-such-launcher.app");
            char path[1024];
            bool ok = GetBundlePath(path, sizeof path) && std::string(path) == "/";
            ChangeWorkingDirectoryToBundleStart();
            char cwd[PATH_MAX];
            ok = ok && getcwd(cwd, sizeof cwd) && std::string(cwd) == "/";
            _exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
