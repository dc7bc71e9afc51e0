// The game task with real processes: a test game is copied into a bundle's
// ".Game" folder and told what to do through a file in its own bundle, since a
// launched game gets no arguments.
#include "GWTask.h"
#include "GWUtil.h"

#include "GameWrapperTestHelpers.h"
#include "ProcessFixture.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>

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

    // Makes <bundle>/.Game/<relative> (or <gameFolder>/<relative>) an application
    // running the test game with the given behaviour words; returns its resources
    // folder, where it reports.
    std::string MakeGame(const std::string& behaviour, const std::string& relative = "Game.app",
                         const std::string& gameFolder = "") {
        return GameWrapperTest::installTestGame(
            (gameFolder.empty() ? mBundle + "/.Game" : gameFolder) + "/" + relative, behaviour);
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

    // The pids the game reported, each handed to the fixture's clean-up; empty
    // when the report did not come.
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
}

TEST_F(GWTaskTest, GameThatQuitsByItselfOrIgnoresTheRequestToQuitIsGoneAfterCleanUp) {
    std::string quitting = MakeGame("quit", "Quitting.app");
    GWTask quits("Quitting.app", false);
    ASSERT_EQ(Launch(quits), noErr);
    EXPECT_EQ(ReadReport(quitting).count("game"), 1u);
    EXPECT_TRUE(waitFor([&] { return !quits.IsRunning(); }));
    EXPECT_TRUE(quits.CloseAndCleanUp());
    EXPECT_TRUE(IsIdle(quits));

    std::string stubborn = MakeGame("stubborn", "Stubborn.app");
    GWTask task("Stubborn.app", false);
    ASSERT_EQ(Launch(task), noErr);
    ASSERT_EQ(ReadReport(stubborn).count("game"), 1u);
    pid_t game = task.GetProcessID();
    unsigned long long start = startTimeOf(game);
    EXPECT_TRUE(task.CloseAndCleanUp());
    EXPECT_TRUE(hasEnded(game, start));
    EXPECT_FALSE(task.IsRunning());
}

// A tracked game's children are stopped before the game (the child notes, as it
// is asked to quit, whether the game was still its parent); grandchildren and
// untracked children stay.
TEST_F(GWTaskTest, TrackedChildrenAreStoppedBeforeTheGameOthersAreLeftAlone) {
    for (bool tracked : {true, false}) {
        SCOPED_TRACE(tracked ? "tracked" : "untracked");
        std::string app = tracked ? "Tracked.app" : "Untracked.app";
        std::string resources = MakeGame("run child grandchild", app);
        GWTask task(app.c_str(), tracked);
        ASSERT_EQ(Launch(task), noErr);
        std::map<std::string, pid_t> pids = ReadReport(resources);
        ASSERT_EQ(pids.count("child"), 1u);
        ASSERT_EQ(pids.count("grandchild"), 1u);
        unsigned long long childStart = startTimeOf(pids["child"]);
        EXPECT_TRUE(task.IsChildRunning());

        EXPECT_TRUE(task.CloseAndCleanUp());
        EXPECT_FALSE(task.IsRunning());
        std::string marker = resources + "/child-stopped-under-game";
        if (tracked) {
            EXPECT_TRUE(waitFor([&] { return hasEnded(pids["child"], childStart); }));
            EXPECT_TRUE(waitFor([&] { return TestSupport::pathExists(marker); }));
        } else {
            EXPECT_TRUE(IsAlive(pids["child"]));
            EXPECT_FALSE(TestSupport::pathExists(marker));
        }
        EXPECT_TRUE(IsAlive(pids["grandchild"]));
    }
}

// A task that never launched, or whose game is missing, is idle, and its
// clean-up stops nothing.
TEST_F(GWTaskTest, MissingGameReturnsAnErrorAndLeavesTheTaskIdle) {
    GWTask idle("Game.app", true);
    EXPECT_FALSE(idle.IsChildRunning());
    EXPECT_NE(idle.KillChildren(), noErr);
    EXPECT_TRUE(idle.CloseAndCleanUp());
    EXPECT_TRUE(IsIdle(idle));

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
    // A real game beside the bundle, which a path climbing out of ".Game" would
    // reach.
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

// The bundle path is remembered for the life of the process, so each case runs
// in a fresh process of its own. A resources folder spelt in another mix of
// case is cut the same way; a bundle in the root folder has "/".
TEST(GWUtil, BundlePathIsTheFolderThatHoldsTheBundle) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    TestSupport::makeDirectories(dir / "Games/First.app/Contents/Resources");
    TestSupport::makeDirectories(dir / "Odd.app/contents/RESOURCES");
    const std::pair<std::string, std::string> cases[] = {
        {dir / "Games/First.app", dir / "Games"},
        {dir / "Odd.app/contents/RESOURCES", dir.path()},
        {"/gw-test-no-such-launcher.app", "/"}};
    for (const auto& [bundle, folder] : cases) {
        EXPECT_EXIT(
            {
                GameWrapperTest::ChildChecks checks;
                MacPlatformTestSetMainBundlePath(bundle.c_str());
                char path[1024] = "";
                checks.check(GetBundlePath(path, sizeof path), "the bundle path");
                checks.equal(std::string(path), folder, "the bundle's folder");
                // Remembered: another bundle later changes nothing; a short buffer
                // gets a cut, terminated copy.
                MacPlatformTestSetMainBundlePath((dir / "Odd.app").c_str());
                char shortBuffer[5] = "";
                checks.check(GetBundlePath(shortBuffer, sizeof shortBuffer), "a short buffer");
                checks.equal(std::string(shortBuffer), folder.substr(0, 4), "cut to its size");
                ChangeWorkingDirectoryToBundleStart();
                char cwd[PATH_MAX] = "";
                checks.equal(std::string(getcwd(cwd, sizeof cwd) ? cwd : ""), folder, "cwd");
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << bundle;
    }
}

} // namespace
