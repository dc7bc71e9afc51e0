// One launch-and-clean-up cycle of the game task: StartOpenTask opens a game from the bundle's
// .Game folder through LaunchServices (a double fork in a new session), then CloseAndCleanUp
// asks it to quit and waits until it has gone. Beside it, the least such a cycle can cost:
// posix_spawn of the same program, SIGTERM, waitpid. The game is this program itself, copied
// into a temporary bundle; run from inside a .Game folder it only waits for a signal.
// Counters: the launch's and the clean-up's share of a cycle in milliseconds; processes of the
// game still running, zombies left to this process, and open descriptors, each before and
// after the cycles, so that a leak shows as a difference.
#include "GWTask.h"

#include "MacPlatformTesting.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string SelfPath() {
    char exe[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    return length > 0 ? std::string(exe, static_cast<std::size_t>(length)) : std::string();
}

// A bundle in a temporary folder whose .Game/Game.app runs a copy of this program; removed
// with everything in it at exit.
class GameBundle {
public:
    GameBundle() {
        char pattern[] = "/tmp/gwtask-bench-XXXXXX";
        if (!mkdtemp(pattern)) {
            return;
        }
        mRoot = pattern;
        std::string app = mRoot + "/Bench Launcher.app/.Game/Game.app/Contents";
        std::filesystem::create_directories(mRoot + "/Bench Launcher.app/Contents/Resources");
        std::filesystem::create_directories(app + "/MacOS");
        std::ofstream(app + "/Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleExecutable</key><string>game</string></dict></plist>\n";
        mGame = app + "/MacOS/game";
        std::filesystem::copy_file(SelfPath(), mGame);
        MacPlatformTestSetMainBundlePath((mRoot + "/Bench Launcher.app").c_str());
    }
    ~GameBundle() {
        MacPlatformTestSetMainBundlePath(nullptr);
        if (!mRoot.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(mRoot, ignored);
        }
    }
    GameBundle(const GameBundle&) = delete;
    GameBundle& operator=(const GameBundle&) = delete;

    bool valid() const { return !mGame.empty(); }
    const std::string& game() const { return mGame; }

private:
    std::string mRoot;
    std::string mGame;
};

struct ProcessCounts {
    int gameProcesses = 0; // alive, running the bundle's game
    int ourZombies = 0;    // ended children of this process that nobody reaped
};

ProcessCounts CountProcesses(const std::string& game) {
    ProcessCounts counts;
    DIR* proc = opendir("/proc");
    if (!proc) {
        return counts;
    }
    pid_t self = getpid();
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        long pid = strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        std::string base = std::string("/proc/") + entry->d_name;
        std::ifstream statFile(base + "/stat");
        std::string stat;
        std::getline(statFile, stat);
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos || close + 4 >= stat.size()) {
            continue;
        }
        char state = stat[close + 2];
        long parent = strtol(stat.c_str() + close + 4, nullptr, 10);
        if (state == 'Z') {
            counts.ourZombies += parent == self;
            continue;
        }
        char exe[PATH_MAX];
        ssize_t length = readlink((base + "/exe").c_str(), exe, sizeof exe - 1);
        if (length > 0 && std::string(exe, static_cast<std::size_t>(length)) == game) {
            ++counts.gameProcesses;
        }
    }
    closedir(proc);
    return counts;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(fds)) {
            count += entry->d_name[0] != '.';
        }
        closedir(fds);
    }
    return count - 1; // the listing's own descriptor
}

void ReportCounts(benchmark::State& state, const std::string& game, const ProcessCounts& before,
                  int fdsBefore) {
    ProcessCounts after = CountProcesses(game);
    state.counters["games_before"] = before.gameProcesses;
    state.counters["games_after"] = after.gameProcesses;
    state.counters["zombies_before"] = before.ourZombies;
    state.counters["zombies_after"] = after.ourZombies;
    state.counters["fds_before"] = fdsBefore;
    state.counters["fds_after"] = OpenDescriptors();
}

void BM_LaunchAndCleanUp(benchmark::State& state) {
    GameBundle bundle;
    if (!bundle.valid()) {
        state.SkipWithError("cannot make the game bundle");
        return;
    }
    ProcessCounts before = CountProcesses(bundle.game());
    int fdsBefore = OpenDescriptors();
    GWTask task("Game.app", true);
    std::chrono::duration<double, std::milli> launching{0}, cleaning{0};
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        OSStatus status = task.StartOpenTask();
        auto launched = std::chrono::steady_clock::now();
        launching += launched - start;
        if (status != noErr) {
            state.SkipWithError("StartOpenTask failed");
            break;
        }
        if (!task.IsRunning()) {
            state.SkipWithError("the game is not running after its launch");
            break;
        }
        task.CloseAndCleanUp();
        cleaning += std::chrono::steady_clock::now() - launched;
    }
    // Where a cycle's time goes: the launch, and the clean-up with its walk for children.
    if (state.iterations() > 0) {
        state.counters["launch_ms"] = launching.count() / static_cast<double>(state.iterations());
        state.counters["clean_up_ms"] = cleaning.count() / static_cast<double>(state.iterations());
    }
    ReportCounts(state, bundle.game(), before, fdsBefore);
}

void BM_PeerSpawnAndKill(benchmark::State& state) {
    GameBundle bundle;
    if (!bundle.valid()) {
        state.SkipWithError("cannot make the game bundle");
        return;
    }
    ProcessCounts before = CountProcesses(bundle.game());
    int fdsBefore = OpenDescriptors();
    char* arguments[] = {const_cast<char*>(bundle.game().c_str()), nullptr};
    for (auto _ : state) {
        pid_t pid = -1;
        if (posix_spawn(&pid, bundle.game().c_str(), nullptr, nullptr, arguments, environ) != 0) {
            state.SkipWithError("posix_spawn failed");
            break;
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    ReportCounts(state, bundle.game(), before, fdsBefore);
}

BENCHMARK(BM_LaunchAndCleanUp)
    ->Name("GameTaskCycle/ours")
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PeerSpawnAndKill)
    ->Name("GameTaskCycle/peer_posix_spawn")
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // Started as the bundle's game: wait until asked to quit.
    if (SelfPath().find("/.Game/") != std::string::npos) {
        for (;;) {
            pause();
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
