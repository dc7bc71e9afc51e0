// The game task with real processes: a test game is copied into a bundle's ".Game" folder and
// told what to do through a file in its own bundle, since a launched game gets no arguments.
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
#include <vector>

namespace {

using namespace ProcessTesting;
using TestSupport::TempDir;

bool IsIdle(const GWTask& task) {
    ProcessSerialNumber psn = task.GetProcessSerialNumber();
    return psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kNoProcess;
}

class GWTaskTest : public ProcessTesting::ProcessFixture {
protected:
    void SetUp() override {
        TestSupport::makeDirectories(mBundle + "/Contents/Resources");
        MacPlatformTestSetMainBundlePath(mBundle.c_str());
    }

    // Makes <bundle>/.Game/<app> (or <folder>/<app>) an application running the test game
    // with the behaviour words; returns its resources folder, where it reports.
    std::string MakeGame(const std::string& behaviour, const std::string& app = "Game.app",
                         const std::string& folder = "") {
        return GameWrapperTest::installTestGame(
            (folder.empty() ? mBundle + "/.Game" : folder) + "/" + app, behaviour);
    }

    // Launches the task's game and returns the pids its report names by role, each handed to
    // the fixture's clean-up; empty when the launch failed or the report did not come.
    std::map<std::string, pid_t> Launch(GWTask& task, const std::string& resources) {
        std::map<std::string, pid_t> pids;
        if (task.StartOpenTask() != noErr ||
            !waitFor([&] { return TestSupport::pathExists(resources + "/pids"); })) {
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

// The game runs as a process of its own and is stopped by the clean-up, also when it ignores
// the request to quit; after a game that quit by itself the clean-up finds it gone. (The game
// in front is the play-game tests' part.)
TEST_F(GWTaskTest, TheGameRunsOnItsOwnAndCleanUpEndsIt) {
    for (std::string behaviour : {"run", "stubborn", "quit"}) {
        SCOPED_TRACE(behaviour);
        std::string resources = MakeGame(behaviour, behaviour + ".app");
        GWTask task((behaviour + ".app").c_str(), false);
        pid_t game = Launch(task, resources)["game"];
        ASSERT_GT(game, 0);
        if (behaviour == "quit") {
            EXPECT_TRUE(waitFor([&] { return !task.IsRunning(); }));
        } else {
            EXPECT_EQ(task.GetProcessID(), game);
            EXPECT_NE(MacPlatformGetParentPID(game), getpid());
            EXPECT_TRUE(task.IsRunning());
            EXPECT_FALSE(task.IsChildRunning());
        }
        unsigned long long start = startTimeOf(game);
        EXPECT_TRUE(task.CloseAndCleanUp() && IsIdle(task) && !task.IsRunning());
        EXPECT_TRUE(waitFor([&] { return hasEnded(game, start); }));
    }
}

// A tracked game's children are stopped before the game (the child notes, as it is asked to
// quit, whether the game was still its parent); grandchildren and untracked children stay.
TEST_F(GWTaskTest, TrackedChildrenAreStoppedBeforeTheGameOthersAreLeftAlone) {
    for (bool tracked : {true, false}) {
        SCOPED_TRACE(tracked ? "tracked" : "untracked");
        std::string app = tracked ? "Tracked.app" : "Untracked.app";
        std::string resources = MakeGame("run child grandchild", app);
        GWTask task(app.c_str(), tracked);
        std::map<std::string, pid_t> pids = Launch(task, resources);
        ASSERT_TRUE(pids.count("child") && pids.count("grandchild"));
        unsigned long long childStart = startTimeOf(pids["child"]);
        unsigned long long grandchildStart = startTimeOf(pids["grandchild"]);
        EXPECT_TRUE(task.IsChildRunning());
        EXPECT_TRUE(task.CloseAndCleanUp());
        std::string marker = resources + "/child-stopped-under-game";
        int wait = tracked ? 5000 : 0;
        EXPECT_EQ(waitFor([&] { return hasEnded(pids["child"], childStart); }, wait), tracked);
        EXPECT_EQ(waitFor([&] { return TestSupport::pathExists(marker); }, wait), tracked);
        EXPECT_FALSE(hasEnded(pids["grandchild"], grandchildStart));
    }
}

// A missing game, or an exec path that is empty, leaves ".Game" or does not fit, launches
// nothing and leaves the task idle; folders inside ".Game" are followed.
TEST_F(GWTaskTest, OnlyAGameInsideTheGameFolderIsLaunched) {
    GWTask idle("Game.app", true);
    EXPECT_FALSE(idle.IsChildRunning());
    EXPECT_NE(idle.KillChildren(), noErr);
    EXPECT_TRUE(idle.CloseAndCleanUp());
    // A real game beside the bundle, which a path climbing out of ".Game" would reach (the
    // folder exists, with a game inside); room for 2047 characters of game path.
    std::string outside = MakeGame("run", "Outside.app", mDir.path());
    std::string inner = MakeGame("run", "Inner Folder/Game.app");
    std::string tooLong(2048 - (mBundle + "/.Game/").size(), 'a');
    for (const std::string& execPath :
         std::vector<std::string>{"Game.app", "", tooLong, "../../Outside.app", "..",
                                  "Inner Folder/../../../Outside.app"}) {
        GWTask task(execPath.c_str(), false);
        EXPECT_NE(task.StartOpenTask(), noErr) << execPath;
        EXPECT_TRUE(IsIdle(task)) << execPath;
    }
    EXPECT_FALSE(TestSupport::pathExists(outside + "/pids"));

    GWTask task("Inner Folder/Game.app", false);
    pid_t game = Launch(task, inner)["game"];
    EXPECT_TRUE(game > 0 && game == task.GetProcessID());
    task.CloseAndCleanUp();
    // After a game that ran, a missing one still leaves the task idle.
    std::filesystem::remove_all(mBundle + "/.Game");
    EXPECT_NE(task.StartOpenTask(), noErr);
    EXPECT_TRUE(IsIdle(task));
}

// The bundle path is remembered for the life of the process, so each case runs in a process
// of its own: another main bundle later changes nothing. A resources folder spelt in another mix
// of case is cut the same way; a bundle in the root folder has "/". The working directory is
// the bundle's folder.
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
        SCOPED_TRACE(bundle);
        GameWrapperTest::inChild(
            [&](GameWrapperTest::ChildChecks& checks) {
                MacPlatformTestSetMainBundlePath(bundle.c_str());
                char path[1024] = "";
                checks.check(GetBundlePath(path, sizeof path), "the bundle path");
                checks.equal(std::string(path), folder, "the bundle's folder");
                MacPlatformTestSetMainBundlePath((dir / "Odd.app").c_str());
                ChangeWorkingDirectoryToBundleStart();
                char cwd[PATH_MAX] = "";
                checks.equal(std::string(getcwd(cwd, sizeof cwd) ? cwd : ""), folder, "cwd");
            },
            false);
    }
}

} // namespace
